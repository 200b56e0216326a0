// The audio device list against real components: a private PulseAudio daemon with
// null sinks, ALSA's own configuration, and no server at all.
#include "sound/platform/AlsaDevices.h"
#include "sound/platform/PulseAudioDevices.h"
#include "sound/platform/TKTDirectSound.h"

#include "PulseTestServer.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>
#include <utility>

namespace {

// Each test says which server it means: a fresh daemon, or a socket nobody serves.
class NoPulseServer {
public:
    NoPulseServer() : Variable("unix:" + Dir.Path("nobody-here")) {}

private:
    TTempDir Dir;
    TPulseServerVariable Variable;
};

std::vector<std::string> Names(const TKTDirectSound& sound) {
    std::vector<std::string> names;
    for (int i = 0; i < sound.Count(); ++i)
        names.push_back(sound.Device(i).Name);
    return names;
}

} // namespace

TEST(PulseAudioDevices, ServerSinksAndDefaultAsTheServerHasThem) {
    TPulseTestServer server(
        {{"first", "First Sink", ""}, {"mono48", "单声道 输出", "rate=48000 channels=1"}},
        "mono48");
    ASSERT_EQ(server.Error(), "");
    EXPECT_TRUE(PulseServerAnswers());

    TPulseServerState state = QueryPulseServer();
    ASSERT_TRUE(state.Answered);
    EXPECT_EQ(state.DefaultSinkName, "mono48");
    ASSERT_EQ(state.Sinks.size(), 2u);
    EXPECT_EQ(state.Sinks[0].Name, "first");
    EXPECT_EQ(state.Sinks[0].Description, "First Sink");
    EXPECT_EQ(state.Sinks[1].Description, "单声道 输出");
    EXPECT_EQ(state.Sinks[1].Channels, 1u);
    EXPECT_EQ(state.Sinks[1].Rate, 48000u);
    EXPECT_LT(state.Sinks[0].Index, state.Sinks[1].Index);

    EXPECT_TRUE(PulseSinkExists("first"));
    EXPECT_FALSE(PulseSinkExists("second"));
    EXPECT_FALSE(PulseSinkExists(""));

    server.Stop();
    EXPECT_FALSE(PulseServerAnswers());
    EXPECT_FALSE(QueryPulseServer().Answered);
    EXPECT_FALSE(PulseSinkExists("first"));
}

TEST(PulseAudioDevices, SilentServerEndsTheQueryAtItsDeadline) {
    // Accepts connections and never answers: the query must give up, not hang.
    TTempDir dir;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    dir.Path("mute").copy(addr.sun_path, sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 4), 0);
    TPulseServerVariable variable("unix:" + dir.Path("mute"));

    TPulseServerState state = QueryPulseServer(300);
    EXPECT_FALSE(state.Answered);
    EXPECT_TRUE(state.Sinks.empty());
    EXPECT_FALSE(PulseServerAnswers(300));
    ::close(fd);
}

TEST(TKTDirectSound, ListsPulseSinksWithTheDefaultFirst) {
    TPulseTestServer server(
        {{"alpha", "Alpha", ""}, {"beta", "钢琴 音箱", ""}, {"gamma", "Gamma", ""}}, "beta");
    ASSERT_EQ(server.Error(), "");
    TKTDirectSound sound;
    EXPECT_EQ(Names(sound), (std::vector<std::string>{"beta", "alpha", "gamma"}));
    EXPECT_EQ(sound.Device(0).Description, "钢琴 音箱");
    for (int i = 0; i < sound.Count(); ++i) {
        EXPECT_EQ(sound.Device(i).System, TAudioSystem::PulseAudio);
        EXPECT_TRUE(sound.Device(i).Caps.Valid);
        EXPECT_GE(sound.Device(i).Caps.MaxChannels, 1u);
    }
    EXPECT_EQ(sound.SelectedIndex(), -1);
    EXPECT_EQ(sound.SelectedDevice(), nullptr);
}

TEST(TKTDirectSound, KeepsSixteenDevicesAndAlwaysTheDefault) {
    std::vector<TTestSink> sinks;
    for (int i = 0; i < 18; ++i)
        sinks.push_back({"s" + std::to_string(i), "Sink " + std::to_string(i), ""});
    TPulseTestServer server(sinks, "s17");
    ASSERT_EQ(server.Error(), "");
    TKTDirectSound sound;
    ASSERT_EQ(sound.Count(), TKTDirectSound::MaxDevices);
    EXPECT_EQ(sound.Device(0).Name, "s17");
    for (int i = 1; i < sound.Count(); ++i)
        EXPECT_EQ(sound.Device(i).Name, "s" + std::to_string(i - 1));
    EXPECT_EQ(sound.Device(16).Name, "");
}

TEST(TKTDirectSound, SelectDeviceChecksTheSinkIsStillThere) {
    TPulseTestServer server({{"main", "Main", ""}, {"other", "Other", ""}}, "main");
    ASSERT_EQ(server.Error(), "");
    TKTDirectSound sound;
    ASSERT_EQ(sound.Count(), 2);

    EXPECT_TRUE(sound.SelectDevice(1));
    EXPECT_EQ(sound.SelectedIndex(), 1);
    ASSERT_NE(sound.SelectedDevice(), nullptr);
    EXPECT_EQ(sound.SelectedDevice()->Name, "other");

    EXPECT_FALSE(sound.SelectDevice(2));
    EXPECT_EQ(sound.SelectedIndex(), 2);
    EXPECT_EQ(sound.SelectedDevice(), nullptr);
    EXPECT_FALSE(sound.SelectDevice(-1));

    server.Stop();
    EXPECT_FALSE(sound.SelectDevice(0));
    EXPECT_EQ(sound.SelectedDevice(), nullptr);
}

TEST(TKTDirectSound, WithoutServerListsAlsaDevicesDefaultFirst) {
    NoPulseServer none;
    TKTDirectSound sound;
    ASSERT_GE(sound.Count(), 1);
    EXPECT_LE(sound.Count(), TKTDirectSound::MaxDevices);
    EXPECT_EQ(sound.Device(0).Name, TKTDirectSound::AlsaDefaultName);
    std::vector<std::string> names = Names(sound);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());

    // Every advertised playback PCM is listed, as far as sixteen go.
    size_t listed = 1;
    for (const TPcmHint& hint : ListPcmPlaybackHints()) {
        if (hint.Name == TKTDirectSound::AlsaDefaultName || listed == TKTDirectSound::MaxDevices)
            continue;
        EXPECT_EQ(names[listed], hint.Name);
        ++listed;
    }
    EXPECT_EQ(listed, names.size());

    // What opened while listing is what can be selected now.
    for (int i = 0; i < sound.Count(); ++i) {
        EXPECT_EQ(sound.Device(i).System, TAudioSystem::Alsa);
        EXPECT_EQ(sound.SelectDevice(i), sound.Device(i).Caps.Valid) << sound.Device(i).Name;
        EXPECT_FALSE(sound.Device(i).Description.empty());
    }
    EXPECT_FALSE(sound.SelectDevice(sound.Count()));
}

TEST(OrderSoundDevices, DefaultMovesToTheFrontOthersKeepTheirOrder) {
    auto dev = [](const char* n) { return TSoundDevice{TAudioSystem::Alsa, n, n, {}}; };
    auto names = [](const std::vector<TSoundDevice>& v) {
        std::vector<std::string> out;
        for (const auto& d : v)
            out.push_back(d.Name);
        return out;
    };
    EXPECT_EQ(names(OrderSoundDevices({dev("a"), dev("b"), dev("c")}, "c")),
              (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(names(OrderSoundDevices({dev("a"), dev("b")}, "missing")),
              (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(OrderSoundDevices({}, "a").empty());

    TKTDirectSound given(std::vector<TSoundDevice>(20, dev("x")));
    EXPECT_EQ(given.Count(), TKTDirectSound::MaxDevices);
}

TEST(AlsaDevices, ProbeOpensRealPcmsAndReportsTheirRanges) {
    // "null" is part of ALSA's own configuration on every system.
    TPcmCaps null = ProbePcm("null");
    ASSERT_TRUE(null.Opened);
    EXPECT_LE(null.MinChannels, 2u);
    EXPECT_GE(null.MaxChannels, 2u);
    EXPECT_LE(null.MinRate, 44100u);
    EXPECT_GE(null.MaxRate, 44100u);

    TPcmCaps none = ProbePcm("no_such_pcm_anywhere");
    EXPECT_FALSE(none.Opened);
    EXPECT_EQ(none.MaxChannels, 0u);
    EXPECT_EQ(none.MaxRate, 0u);
}

TEST(AlsaDevices, PulsePcmOpensOnlyWhileItsServerAnswers) {
    // ALSA's PulseAudio plugin comes with the daemon's package.
    TPulseTestServer server({{"sink", "Sink", ""}}, "sink");
    ASSERT_EQ(server.Error(), "");
    EXPECT_TRUE(ProbePcm("pulse").Opened);
    server.Stop();
    EXPECT_FALSE(ProbePcm("pulse").Opened);
}

TEST(AlsaDevices, WithoutSequencerThePortListHasOnlyTheSoftwareSynths) {
    if (std::filesystem::exists("/dev/snd/seq"))
        GTEST_SKIP() << "this machine has an ALSA sequencer (/dev/snd/seq); its ports are "
                        "checked by SequencerPortsAreOthersAndUsable";
    EXPECT_TRUE(ListSequencerPorts().empty());
    TPortList list = EnumeratePorts({"pulseaudio", "alsa"});
    ASSERT_EQ(list.OutputCount(), 2);
    EXPECT_EQ(list.Output(0).Identity.Driver, "pulseaudio");
    EXPECT_EQ(list.Output(1).Identity.Driver, "alsa");
    EXPECT_EQ(list.InputCount(), 0);
}

TEST(AlsaDevices, SequencerPortsAreOthersAndUsable) {
    if (!std::filesystem::exists("/dev/snd/seq"))
        GTEST_SKIP() << "no ALSA sequencer on this machine (/dev/snd/seq is missing): there are "
                        "no ports of other clients to list";
    std::vector<TSeqPortInfo> ports = ListSequencerPorts();
    if (ports.empty())
        GTEST_SKIP() << "the ALSA sequencer has no ports of other clients that can be "
                        "subscribed to (or cannot be opened)";
    for (size_t i = 0; i < ports.size(); ++i) {
        const TSeqPortInfo& p = ports[i];
        EXPECT_NE(p.Client, 0) << p.PortName; // the system client's timer and announcements
        EXPECT_TRUE(p.Writable || p.Readable) << p.Client << ":" << p.Port;
        EXPECT_GE(p.Port, 0) << p.Client;
        if (i > 0) { // in client and port order, each once
            EXPECT_LT(std::pair(ports[i - 1].Client, ports[i - 1].Port),
                      std::pair(p.Client, p.Port));
        }
    }

    // The synthesiser's port list is made of these very ports.
    const TPortList enumerated = EnumeratePorts({"alsa"});
    const TPortList built = BuildPortList({"alsa"}, ports);
    ASSERT_EQ(enumerated.OutputCount(), built.OutputCount());
    ASSERT_EQ(enumerated.InputCount(), built.InputCount());
    EXPECT_GT(enumerated.OutputCount() + enumerated.InputCount(), 1);
    for (int i = 0; i < built.OutputCount(); ++i)
        EXPECT_EQ(enumerated.Output(i).Identity, built.Output(i).Identity) << i;
    for (int i = 0; i < built.InputCount(); ++i)
        EXPECT_EQ(enumerated.Input(i).Identity, built.Input(i).Identity) << i;
}
