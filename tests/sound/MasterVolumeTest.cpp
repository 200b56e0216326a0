#include "sound/MasterVolume.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A mixer line that keeps what is written and reads it back.
class TFakeMixer final : public IMixerLines {
public:
    TLineVolume Line;
    bool Fails = false;
    std::vector<TLineVolume> Writes;
    bool GetLineVolume(int d, int i, TLineVolume& out) override {
        if (Fails || d != 0 || i != 0) return false;
        out = Line;
        return true;
    }
    bool SetLineVolume(int, int, bool mute, uint16_t left, uint16_t right) override {
        Line = {left, right, mute};
        Writes.push_back(Line);
        return true;
    }
    std::string LastError() const override { return ""; }
};

class TFakeFallback final : public IMasterVolumeFallback {
public:
    uint16_t Value = 0;
    std::string Failure; // the message of a failing read or write
    std::vector<uint16_t> Writes;
    bool GetMasterVolume(uint16_t& value, std::string& message) override {
        if (!Failure.empty()) return message = Failure, false;
        value = Value;
        return true;
    }
    bool SetMasterVolume(uint16_t value, std::string& message) override {
        Writes.push_back(value);
        if (!Failure.empty()) return message = Failure, false;
        Value = value;
        return true;
    }
};

TEST(MasterVolume, TheLouderChannelTakesTheLevelAndTheBalanceSurvivesSilence) {
    double ratio = 1.0;
    EXPECT_EQ(LevelsForSlider(40960, 20480, 64, ratio), (TLineVolume{32768, 16384}));
    EXPECT_EQ(LevelsForSlider(20480, 40960, 64, ratio), (TLineVolume{16384, 32768}));
    EXPECT_EQ(LevelsForSlider(300, 300, 127, ratio), (TLineVolume{65024, 65024}));
    EXPECT_EQ(LevelsForSlider(300, 300, 500, ratio), (TLineVolume{65024, 65024})) << "clamped";
    EXPECT_EQ(ratio, 1.0) << "only going to 0 remembers the balance";

    EXPECT_EQ(LevelsForSlider(40960, 20480, 0, ratio), (TLineVolume{0, 0}));
    EXPECT_EQ(ratio, 2.0);
    EXPECT_EQ(LevelsForSlider(0, 0, 10, ratio), (TLineVolume{5120, 2560}));
    // Left silent: the right takes the level and the left stays silent.
    EXPECT_EQ(LevelsForSlider(0, 1000, 0, ratio), (TLineVolume{0, 0}));
    EXPECT_EQ(ratio, 0.0);
    EXPECT_EQ(LevelsForSlider(0, 0, 20, ratio), (TLineVolume{0, 10240}));
    // Right silent: the left is kept as the louder, however far.
    LevelsForSlider(1000, 0, 0, ratio);
    EXPECT_EQ(LevelsForSlider(0, 0, 20, ratio), (TLineVolume{10240, 0}));
    // Coming back from silence rounds to the nearest level, halves to even.
    LevelsForSlider(3, 2, 0, ratio);
    EXPECT_EQ(LevelsForSlider(0, 0, 1, ratio), (TLineVolume{512, 341}));
    ratio = 0.5 / 512; // 512 * ratio = 0.5: a tie, to even
    EXPECT_EQ(LevelsForSlider(0, 0, 1, ratio), (TLineVolume{0, 512}));
    ratio = 1.5 / 512;
    EXPECT_EQ(LevelsForSlider(0, 0, 1, ratio), (TLineVolume{2, 512}));
}

TEST(MasterVolume, TheSliderReadsAndWritesTheMixerKeepingItsMute) {
    auto owned = std::make_unique<TFakeMixer>();
    TFakeMixer& mixer = *owned;
    mixer.Line = {40960, 20480, true};
    TMasterVolume volume(std::move(owned), std::make_unique<TFakeFallback>());
    EXPECT_TRUE(volume.HasMixer());
    EXPECT_EQ(volume.Read(), 80);
    EXPECT_EQ(volume.Write(0), -1) << "the slider stays where the player put it";
    EXPECT_EQ(volume.Write(10), -1);
    EXPECT_EQ(mixer.Writes, (std::vector<TLineVolume>{{0, 0, true}, {5120, 2560, true}}));
    EXPECT_EQ(volume.Read(), 10);
    mixer.Line = {65535, 65535, false};
    EXPECT_EQ(volume.Read(), 127);

    mixer.Fails = true;
    mixer.Writes.clear();
    EXPECT_EQ(volume.Read(), 0);
    volume.Write(50);
    EXPECT_TRUE(mixer.Writes.empty()) << "nothing written from levels that could not be read";
}

TEST(MasterVolume, WithoutAMixerTheFallbackCarriesOneLevel) {
    auto owned = std::make_unique<TFakeFallback>();
    TFakeFallback& fallback = *owned;
    fallback.Value = 0xFFFF;
    TMasterVolume volume(nullptr, std::move(owned));
    EXPECT_FALSE(volume.HasMixer());
    EXPECT_EQ(volume.Read(), 127);
    EXPECT_EQ(volume.Write(200), 127);
    EXPECT_EQ(volume.Write(-3), 0);
    EXPECT_EQ(fallback.Writes, (std::vector<uint16_t>{65024, 0}));
    EXPECT_EQ(volume.TakeMessage(), "");

    fallback.Failure = "SetControlDetails Error";
    volume.Write(5);
    EXPECT_EQ(volume.TakeMessage(), "SetControlDetails Error");
    EXPECT_EQ(volume.TakeMessage(), "") << "told once";

    TMasterVolume nothing(nullptr, nullptr);
    EXPECT_EQ(nothing.Read(), 0);
    EXPECT_EQ(nothing.Write(64), -1);
}

} // namespace
