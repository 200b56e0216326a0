#include "PulseTestServer.h"
#include "sound/MasterVolume.h"
#include "sound/platform/AlsaMixer.h"
#include "sound/platform/PulseMixer.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

bool SinkMuted(const std::string& sink) {
    return Pactl("get-sink-mute " + sink).find("yes") != std::string::npos;
}

TEST(PulseMixer, TheSliderAndTheDefaultSinkFollowEachOther) {
    TPulseTestServer server({{"other", "Other", ""}, {"piano", "Piano", ""}}, "piano");
    ASSERT_EQ(server.Error(), "");
    TPulseNotices notices;
    std::unique_ptr<TPulseMixer> mixer = TPulseMixer::Create(notices.Notify());
    ASSERT_TRUE(mixer);
    TMasterVolume volume(std::move(mixer), nullptr);

    Pactl("set-sink-volume piano 65536 65536");
    EXPECT_EQ(volume.Read(), 127);
    Pactl("set-sink-volume piano 98304 98304"); // 150 %
    EXPECT_EQ(volume.Read(), 127);
    EXPECT_EQ(SinkVolumes("piano"), (std::vector<long>{98304, 98304})) << "reading lowers nothing";

    volume.Write(64);
    EXPECT_EQ(SinkVolumes("piano"), (std::vector<long>{32768, 32768}));
    EXPECT_EQ(SinkVolumes("other"), (std::vector<long>{65536, 65536})) << "only the default sink";

    // A change made elsewhere is noticed, and reads as the slider's value.
    const int before = notices.Now();
    Pactl("set-sink-volume piano 40960 20480");
    ASSERT_TRUE(notices.WaitBeyond(before));
    EXPECT_EQ(volume.Read(), 80);

    // The balance 2:1 survives a trip through 0; the mute is never touched.
    Pactl("set-sink-mute piano 1");
    volume.Write(0);
    EXPECT_EQ(SinkVolumes("piano"), (std::vector<long>{0, 0}));
    volume.Write(10);
    const std::vector<long> back = SinkVolumes("piano");
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0], 5120);
    EXPECT_EQ(back[1], 2560);
    EXPECT_TRUE(SinkMuted("piano"));
    Pactl("set-sink-mute piano 0");
    volume.Write(20);
    EXPECT_FALSE(SinkMuted("piano"));

    // Another default sink is followed from then on.
    const int switched = notices.Now();
    Pactl("set-default-sink other");
    ASSERT_TRUE(notices.WaitBeyond(switched));
    volume.Write(32);
    EXPECT_EQ(SinkVolumes("other"), (std::vector<long>{16384, 16384}));
}

// Every slider step, written with the balance kept and read back, on the server's
// own scale: a step is 512 of the server's units, and what the sink holds reads as
// the step it was set to.
TEST(PulseMixer, EveryStepOfTheSliderReadsBackWhatItWrote) {
    TPulseTestServer server({{"piano", "Piano", ""}}, "piano");
    ASSERT_EQ(server.Error(), "");
    std::unique_ptr<TPulseMixer> mixer = TPulseMixer::Create({});
    ASSERT_TRUE(mixer);
    TPulseMixer& line = *mixer;
    TMasterVolume volume(std::move(mixer), nullptr);

    const struct {
        long Left, Right; // the sink at 100 %, in the server's units: the balance
    } balances[] = {{65536, 65536}, {65536, 32768}, {16384, 65536}};
    for (const auto& b : balances) {
        SCOPED_TRACE(testing::Message() << "balance " << b.Left << ":" << b.Right);
        const auto at = [&](int step) {
            return std::vector<long>{b.Left * step / 128, b.Right * step / 128};
        };
        Pactl("set-sink-volume piano " + std::to_string(b.Left) + " " + std::to_string(b.Right));
        EXPECT_EQ(volume.Read(), 127) << "100 % is the top";
        // Down the whole range by the slider, keeping the balance.
        for (int step = 127; step >= 0; --step) {
            SCOPED_TRACE(step);
            volume.Write(step);
            ASSERT_EQ(SinkVolumes("piano"), at(step));
            EXPECT_EQ(volume.Read(), step);
        }
        for (int step = 1; step <= 127; ++step) {
            SCOPED_TRACE(step);
            // Set elsewhere, read by the slider, written back unchanged.
            const std::vector<long> levels = at(step);
            Pactl("set-sink-volume piano " + std::to_string(levels[0]) + " " +
                  std::to_string(levels[1]));
            ASSERT_EQ(volume.Read(), step);
            volume.Write(step);
            ASSERT_EQ(SinkVolumes("piano"), levels);
            TLineVolume read;
            ASSERT_TRUE(line.GetLineVolume(0, 0, read));
            EXPECT_EQ(read.Left, levels[0]);
            EXPECT_EQ(read.Right, levels[1]);
        }
    }

    // Ctrl+PageDown from 62.5 % / 31.25 %: five steps down from 80.
    Pactl("set-sink-volume piano 40960 20480");
    ASSERT_EQ(volume.Read(), 80);
    volume.Write(75);
    EXPECT_EQ(SinkVolumes("piano"), (std::vector<long>{38400, 19200}));
    // The mixer's top is the server's 100 %.
    ASSERT_TRUE(line.SetLineVolume(0, 0, false, 65535, 65535));
    EXPECT_EQ(SinkVolumes("piano"), (std::vector<long>{65536, 65536}));
}

TEST(PulseMixer, MonoAndSurroundSinksMapTheirChannels) {
    TPulseTestServer server(
        {{"mono", "Mono", "channels=1"},
         {"quad", "Quad", "channels=4 channel_map=front-left,front-right,rear-left,rear-right"}},
        "quad");
    ASSERT_EQ(server.Error(), "");
    std::unique_ptr<TPulseMixer> mixer = TPulseMixer::Create({});
    ASSERT_TRUE(mixer);
    TLineVolume line;
    // Front pair at 100 % and 50 %, rear pair at 25 %: the rear keeps its share.
    Pactl("set-sink-volume quad 65536 32768 16384 16384");
    ASSERT_TRUE(mixer->GetLineVolume(0, 0, line));
    EXPECT_EQ(line, (TLineVolume{65535, 32768, false}));
    TMasterVolume volume(std::move(mixer), nullptr);
    volume.Write(64);
    EXPECT_EQ(SinkVolumes("quad"), (std::vector<long>{32768, 16384, 8192, 8192}));

    Pactl("set-default-sink mono");
    Pactl("set-sink-volume mono 49152");
    EXPECT_EQ(volume.Read(), 96);
    volume.Write(32);
    EXPECT_EQ(SinkVolumes("mono"), (std::vector<long>{16384}));
}

TEST(PulseMixer, WithoutAServerThereIsNoMixerAndALostServerReadsZero) {
    {
        TPulseServerVariable nowhere("unix:/nonexistent/talvimorena/native");
        EXPECT_FALSE(TPulseMixer::Create({}));
    }
    TPulseTestServer server({{"piano", "Piano", ""}}, "piano");
    ASSERT_EQ(server.Error(), "");
    std::unique_ptr<TPulseMixer> mixer = TPulseMixer::Create({});
    ASSERT_TRUE(mixer);
    TPulseMixer& line = *mixer;
    TMasterVolume volume(std::move(mixer), nullptr);
    server.Stop();
    EXPECT_EQ(volume.Read(), 0);
    EXPECT_EQ(line.LastError(), "Volume GetControlError in Mixer");
    EXPECT_FALSE(line.SetLineVolume(0, 0, false, 100, 100));
    EXPECT_EQ(line.LastError(), "Volume SetControlError in Mixer");
}

// The fallback on real ALSA control devices: the sound server's plug-in, on a private
// server with an output and without one, and devices that are not there or will not
// open.
TEST(AlsaMasterVolume, ValuesReadBackAndFailuresSayWhatTheyShould) {
    TTempDir dir;
    dir.WriteText("asound.conf", "ctl.!default { type pulse }\n"
                                 "ctl.gone { type pulse server \"unix:" +
                                     dir.Path("nowhere") + "\" }\n");
    TEnvironmentVariable config("ALSA_CONFIG_PATH", dir.Path("asound.conf"));
    const struct {
        const char* What;
        std::vector<TTestSink> Sinks; // the server's outputs; none: no server at all
        bool Server;
        const char* Device;
        const char* ReadMessage;
        const char* WriteMessage;
    } cases[] = {
        {"the server's mixer", {{"piano", "Piano", ""}}, true, "default", "", ""},
        {"a server without output", {}, true, "default", "etLineInfo Error", "GetLineInfo Error"},
        {"a device that will not open", {}, false, "gone", "", ""},
        {"no such device", {}, false, "hw:99", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::optional<TPulseTestServer> server;
        if (c.Server) {
            server.emplace(c.Sinks, c.Sinks.empty() ? "" : c.Sinks[0].Name);
            ASSERT_EQ(server->Error(), "");
        }
        const bool works = !c.Sinks.empty();
        TAlsaMasterVolume fallback(c.Device);
        uint16_t value = 7;
        std::string message;
        EXPECT_EQ(fallback.GetMasterVolume(value, message), works);
        EXPECT_EQ(message, c.ReadMessage);
        message.clear();
        EXPECT_EQ(fallback.SetMasterVolume(1024, message), works);
        EXPECT_EQ(message, c.WriteMessage);
        if (!works) {
            EXPECT_EQ(value, 7) << "nothing read";
            TMasterVolume volume(nullptr, std::make_unique<TAlsaMasterVolume>(c.Device));
            EXPECT_EQ(volume.Read(), 0);
            EXPECT_EQ(volume.TakeMessage(), c.ReadMessage);
            volume.Write(10);
            EXPECT_EQ(volume.TakeMessage(), c.WriteMessage);
            continue;
        }
        // Every slider step goes to the server's sink and reads back as written.
        TMasterVolume volume(nullptr, std::make_unique<TAlsaMasterVolume>(c.Device));
        for (int step : {0, 1, 63, 64, 80, 126, 127}) {
            SCOPED_TRACE(step);
            EXPECT_EQ(volume.Write(step), step);
            const std::vector<long> sink = SinkVolumes("piano");
            ASSERT_EQ(sink.size(), 2u);
            EXPECT_NEAR(sink[0], 512 * step, 1);
            EXPECT_EQ(sink[1], sink[0]) << "one uniform level";
            ASSERT_TRUE(fallback.GetMasterVolume(value, message));
            EXPECT_EQ(value, 512 * step);
            EXPECT_EQ(volume.Read(), step);
        }
        EXPECT_EQ(volume.TakeMessage(), "");
    }
}

} // namespace
