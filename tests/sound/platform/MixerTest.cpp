#include "PulseTestServer.h"
#include "sound/MasterVolume.h"
#include "sound/platform/AlsaMixer.h"
#include "sound/platform/PulseMixer.h"

#include <gtest/gtest.h>

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

    // 32768 of 65535 is 32769 of the server's 65536.
    volume.Write(64);
    EXPECT_EQ(SinkVolumes("piano"), (std::vector<long>{32769, 32769}));
    EXPECT_EQ(SinkVolumes("other"), (std::vector<long>{65536, 65536})) << "only the default sink";

    // A change made elsewhere is noticed, and reads as the slider's value.
    const int before = notices.Now();
    Pactl("set-sink-volume piano 40960 20480");
    ASSERT_TRUE(notices.WaitBeyond(before));
    EXPECT_EQ(volume.Read(), 79);

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
    EXPECT_EQ(SinkVolumes("quad"), (std::vector<long>{32769, 16384, 8192, 8192}));

    Pactl("set-default-sink mono");
    Pactl("set-sink-volume mono 49152");
    EXPECT_EQ(volume.Read(), 95);
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

TEST(AlsaMasterVolume, AControlDeviceThatIsNotThereFailsWithoutAMessage) {
    TAlsaMasterVolume fallback("hw:99");
    uint16_t value = 7;
    std::string message;
    EXPECT_FALSE(fallback.GetMasterVolume(value, message));
    EXPECT_FALSE(fallback.SetMasterVolume(1000, message));
    EXPECT_EQ(value, 7);
    EXPECT_EQ(message, "");
    TMasterVolume volume(nullptr, std::make_unique<TAlsaMasterVolume>("hw:99"));
    EXPECT_EQ(volume.Read(), 0);
    EXPECT_EQ(volume.TakeMessage(), "");
}

} // namespace
