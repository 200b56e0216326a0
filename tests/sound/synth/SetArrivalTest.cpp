// A voice set arriving in the synthesiser while the renderer runs: FluidSynth holds
// its own lock for the whole load, and the renderer must keep completing periods
// (in silence) rather than wait for it. The load is held inside FluidSynth by an
// image whose first read waits for the test.
#include "OfflineSynth.h"

#include "sound/platform/fluid/MemoryImages.h"
#include "sound/platform/fluid/SynthDriver.h"
#include "sound/platform/fluid/SynthRenderer.h"
#include "sound/platform/fluid/VoiceSetLoad.h"
#include "voiceset/convert/VoiceSetConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

constexpr int Rate = TKTDirectMusic::SampleRate;

// An image in memory whose reads wait until the gate opens; the first read tells
// that FluidSynth is inside its load.
class TGatedImage final : public TImageBytes {
public:
    explicit TGatedImage(std::shared_ptr<const std::vector<uint8_t>> bytes)
        : Bytes(std::move(bytes)), Inner(ImageInMemory(Bytes)) {}
    uint64_t Size() const override { return Inner->Size(); }
    bool Read(uint64_t offset, std::span<uint8_t> out) const override {
        std::unique_lock lock(M);
        Reached = true;
        Changed.notify_all();
        Changed.wait(lock, [&] { return Open; });
        lock.unlock();
        return Inner->Read(offset, out);
    }
    // Waits (at most `limit`) for the load to reach the first read.
    bool WaitReached(std::chrono::seconds limit) const {
        std::unique_lock lock(M);
        return Changed.wait_for(lock, limit, [&] { return Reached; });
    }
    void OpenGate() const {
        std::lock_guard lock(M);
        Open = true;
        Changed.notify_all();
    }

private:
    std::shared_ptr<const std::vector<uint8_t>> Bytes;
    std::shared_ptr<const TImageBytes> Inner;
    mutable std::mutex M;
    mutable std::condition_variable Changed;
    mutable bool Reached = false, Open = false;
};

std::shared_ptr<std::vector<uint8_t>> SineSoundFont() {
    TVoiceSet set;
    EXPECT_TRUE(ReadVoiceSet(Image(SineCollection(TimeCents(0.05), 0)), set).Ok);
    std::string error;
    auto image = TakeSoundFontImage(set, error);
    EXPECT_TRUE(image) << error;
    return image;
}

float Peak(const std::vector<float>& left) {
    float peak = 0;
    for (float v : left)
        peak = std::max(peak, std::fabs(v));
    return peak;
}

} // namespace

TEST(SetArrival, TheRendererKeepsCompletingPeriodsWhileASetLoads) {
    TSynthDriver synth(Rate);
    ASSERT_NE(synth.Synth, nullptr);
    TSynthRenderer renderer(synth.Synth, Rate, {});
    const TPortList ports;
    synth.Connect(renderer, ports, nullptr);
    ASSERT_TRUE(synth.OpenOffline());
    TMutex offlineRenders;
    std::vector<float> left(256), right(256);
    auto render = [&] {
        renderer.Render(left.data(), right.data(), static_cast<int>(left.size()), 0);
        return Peak(left);
    };
    auto send = [&](uint8_t status, uint8_t data1, uint8_t data2, int bank = 0, int program = 0) {
        renderer.Hand({0, status, data1, data2, synth.SoundFont, bank, program},
                      TSynthRenderer::TRendering::Offline, offlineRenders);
    };
    auto playNote = [&] {
        send(0xC0, 0, 0, RuntimeSoundFontBank(0), RuntimeSoundFontProgram(0));
        send(0x90, 69, 100);
        float peak = 0;
        for (int i = 0; i < 8; ++i)
            peak = std::max(peak, render());
        return peak;
    };

    // The first set, and a note sounding from it.
    {
        TSetArrival arrival(renderer, synth);
        synth.SoundFont = arrival.Load(ImageInMemory(SineSoundFont()));
    }
    ASSERT_GE(synth.SoundFont, 0);
    ASSERT_GT(playNote(), 0.01f);

    // The next set's load stops inside FluidSynth, with its lock held.
    const auto gated = std::make_shared<TGatedImage>(SineSoundFont());
    int loaded = -1;
    std::thread load([&] {
        TSetArrival arrival(renderer, synth);
        loaded = arrival.Load(gated);
    });
    ASSERT_TRUE(gated->WaitReached(std::chrono::seconds(30)));

    // Periods go on being rendered, in silence, the whole time; a renderer that
    // waited for FluidSynth would never finish the first of them.
    std::atomic<int> completed{0};
    std::atomic<float> loudest{0};
    std::thread rendering([&] {
        for (int i = 0; i < 200; ++i) {
            loudest = std::max(loudest.load(), render());
            ++completed;
        }
    });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (completed < 200 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const int duringLoad = completed;
    gated->OpenGate();
    rendering.join();
    load.join();
    EXPECT_EQ(duringLoad, 200);
    EXPECT_EQ(loudest.load(), 0.0f); // the old set stopped; nothing of FluidSynth's

    // Once the set is in, the renderer plays from it again.
    ASSERT_GE(loaded, 0);
    synth.SoundFont = loaded;
    EXPECT_GT(playNote(), 0.01f);
}
