// The wrapper's messages as bytes (through the MIDI log), its channel state, its
// behaviour without a port, and how program changes find voices of the set.
#include "AudioMeasure.h"
#include "OfflineSynth.h"
#include "TempDir.h"

#include "sound/MidiLog.h"
#include "voiceset/convert/VoiceSetConvert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>

namespace {

constexpr int Rate = TKTDirectMusic::SampleRate;

// The bytes of every line of the log, without the times.
std::vector<std::string> LoggedMessages(const TTempDir& dir) {
    const auto bytes = dir.Read("midi.log");
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::vector<std::string> out;
    std::string line;
    while (std::getline(in, line)) {
        const size_t blank = line.find(' ');
        out.push_back(blank == std::string::npos ? "" : line.substr(blank + 1));
    }
    return out;
}

// Three voices and a kit, each at its own pitch for note 69: program 0 at 441 Hz,
// program 5 at 882 Hz, a variation (LSB 3) of program 5 at 220.5 Hz, and the kit
// at 1764 Hz.
TDlsCollection FourVoices() {
    TDlsCollection c = SineCollection(TimeCents(0.1), 0);
    auto add = [&](uint8_t program, bool drum, uint16_t root, uint8_t lsb) {
        TDlsInstrument inst = SineCollection(TimeCents(0.1), program, drum, root).Instruments[0];
        inst.LSB = lsb;
        c.Instruments.push_back(inst);
    };
    add(0, true, 45, 0);
    add(5, false, 57, 0);
    add(5, false, 81, 3);
    return c;
}

// ALSA's null device takes audio and discards it: a real driver, no card needed.
TKTDirectMusicSetup NullDeviceSetup() {
    TKTDirectMusicSetup setup;
    setup.Devices = std::vector<TSoundDevice>{{TAudioSystem::Alsa, "null", "null", {}}};
    setup.Ports = BuildPortList({"alsa"}, {});
    return setup;
}

double PitchOf(TKTDirectMusic& synth, uint8_t channel) {
    synth.NoteOn(channel, 69, 100);
    const double hz = audio::PeakHz(RenderMono(synth, Rate / 4), Rate);
    synth.AllSoundOff(channel);
    RenderMono(synth, 256);
    return hz;
}

// True once `done` holds, polled for up to ten seconds (a driver's thread answers).
template <typename Done> bool WaitFor(Done done) {
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

} // namespace

TEST(SynthMessages, EachOperationSendsItsBytesAndKeepsChannelState) {
    TTempDir dir;
    TMidiLog log;
    ASSERT_TRUE(log.Open(dir.Path("midi.log")));
    TVoiceList voices;
    TOfflineSynth synth(voices, &log);
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(Image(FourVoices())));

    // Program 2 is not in the set: sent all the same, but no voice answers it.
    EXPECT_FALSE(synth.SetPatch(0, MakePatch(65, 0, 2)));
    EXPECT_EQ(synth.ChannelPatch(0), MakePatch(65, 0, 2));
    EXPECT_TRUE(synth.NoteOff(1, 60));
    EXPECT_TRUE(synth.NoteOn(1, 61, 90));
    EXPECT_EQ(synth.LastNote(1), 61);
    synth.SetSustain(0, true);
    synth.SetSustain(0, false);
    synth.AllNotesOff(3);
    synth.AllSoundOff(15);
    EXPECT_TRUE(synth.ControlChange(1, 7, 100));
    // The kit's patch carries the drum flag, which is not sent.
    ASSERT_TRUE(synth.SelectDrumKit());
    EXPECT_EQ(synth.ChannelPatch(9), voices[voices.Count() - 1].Patch);
    EXPECT_TRUE(IsDrumPatch(synth.ChannelPatch(9)));

    const std::vector<std::string> expected = {
        "B0 00 41", "B0 20 00", "C0 02 00", "81 3C 40", "91 3D 5A", "B0 40 7F", "B0 40 00",
        "B3 7B 00", "BF 78 00", "B1 07 64", "B9 00 41", "B9 20 00", "C9 00 00"};
    EXPECT_EQ(LoggedMessages(dir), expected);

    // Channels past the sixteen send nothing and read as 0.
    EXPECT_FALSE(synth.NoteOn(16, 60, 100));
    EXPECT_FALSE(synth.SetPatch(200, MakePatch(65, 0, 0)));
    EXPECT_EQ(synth.ChannelPatch(16), 0u);
    EXPECT_EQ(synth.LastNote(16), 0);
    EXPECT_EQ(LoggedMessages(dir).size(), expected.size());
}

TEST(SynthMessages, WithoutAPortNothingReachesTheSynthesiserButStateIsKept) {
    TTempDir dir;
    TMidiLog log;
    ASSERT_TRUE(log.Open(dir.Path("midi.log")));
    TVoiceList voices;
    TKTDirectMusic synth(voices, TKTDirectMusicSetup::Offline(&log));
    EXPECT_EQ(synth.DefaultOutputPortIndex(), -1);
    EXPECT_FALSE(synth.SelectOutputPort(-1));
    EXPECT_FALSE(synth.SelectOutputPort(0));
    EXPECT_FALSE(synth.IsPortOpen());

    EXPECT_FALSE(synth.NoteOn(0, 64, 100));
    EXPECT_EQ(synth.LastNote(0), 64);
    EXPECT_FALSE(synth.SetPatch(1, MakePatch(65, 0, 40)));
    EXPECT_EQ(synth.ChannelPatch(1), MakePatch(65, 0, 40));
    EXPECT_FALSE(synth.SendShortMessage(0x90, 60, 100));
    EXPECT_FALSE(synth.SetSynthVolume(0));
    EXPECT_FALSE(synth.SetWriteLatency(40));
    EXPECT_EQ(synth.GetWriteLatency(), 0u);
    EXPECT_EQ(synth.GetWritePeriod(), 0u);
    EXPECT_FALSE(synth.SelectDrumKit()); // no voices: nothing is read past the list
    std::vector<float> l(64), r(64);
    EXPECT_FALSE(synth.RenderOffline(l, r));

    // A set still fills the list, but there is nothing to download it to.
    EXPECT_TRUE(synth.LoadVoiceSetFromMemory(Image(FourVoices())));
    EXPECT_EQ(voices.Count(), 4);
    EXPECT_FALSE(synth.DownloadVoices());
    // Every message handed over is in the log, sent or not.
    EXPECT_EQ(LoggedMessages(dir).size(), 5u);
}

TEST(SynthMessages, ProgramChangesResolveToTheSetWithFallbacks) {
    TVoiceList voices;
    TOfflineSynth synth(voices);
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(Image(FourVoices())));
    ASSERT_EQ(voices.Count(), 4);

    // Exact patches, through SetPatch.
    ASSERT_TRUE(synth.SetPatch(0, MakePatch(65, 0, 5)));
    EXPECT_NEAR(PitchOf(synth, 0), 882, 5);
    ASSERT_TRUE(synth.SetPatch(0, MakePatch(65, 3, 5)));
    EXPECT_NEAR(PitchOf(synth, 0), 220.5, 3);
    // A bare program change (bank 0, as the accompaniment sends it) falls back to
    // the same program of the main bank.
    ASSERT_TRUE(synth.SendShortMessage(0xC4, 5, 0));
    EXPECT_NEAR(PitchOf(synth, 4), 882, 5);
    // A variation the set lacks falls back to the main bank too.
    ASSERT_TRUE(synth.SetPatch(1, MakePatch(65, 9, 5)));
    EXPECT_NEAR(PitchOf(synth, 1), 882, 5);
    // A program the set lacks altogether leaves the channel's voice as it was.
    EXPECT_FALSE(synth.SetPatch(1, MakePatch(65, 0, 77)));
    EXPECT_NEAR(PitchOf(synth, 1), 882, 5);
    EXPECT_EQ(synth.ChannelPatch(1), MakePatch(65, 0, 77));

    // Channel index 9 takes kits: the kit itself, and a program the kits lack.
    ASSERT_TRUE(synth.SelectDrumKit());
    EXPECT_NEAR(PitchOf(synth, 9), 1764, 10);
    ASSERT_TRUE(synth.SendShortMessage(0xC9, 40, 0));
    EXPECT_NEAR(PitchOf(synth, 9), 1764, 10);
    // A kit chosen as a keyboard's voice plays as a kit there.
    ASSERT_TRUE(synth.SetPatch(0, voices[3].Patch));
    EXPECT_NEAR(PitchOf(synth, 0), 1764, 10);
    // ... while a plain program change 0 on that channel is the melodic voice.
    ASSERT_TRUE(synth.SendShortMessage(0xC0, 0, 0));
    EXPECT_NEAR(PitchOf(synth, 0), 441, 3);
}

TEST(SynthMessages, ChannelsKeepTheirVoicesWhenTheSetIsDownloadedAgain) {
    TVoiceList voices;
    TOfflineSynth synth(voices);
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(Image(FourVoices())));
    ASSERT_TRUE(synth.SetPatch(1, MakePatch(65, 0, 5)));
    ASSERT_TRUE(synth.DownloadVoices());
    EXPECT_NEAR(PitchOf(synth, 1), 882, 5);
}

TEST(SynthProperties, LatencyAndPeriodBecomeTheDriversPeriods) {
    TVoiceList voices;
    TOfflineSynth synth(voices);
    // Period 10 ms is 441 frames; 30 ms of latency are three such periods. The driver
    // renders an eighth of the latency at a time in whole 64-frame blocks: 128 frames,
    // ten of them.
    ASSERT_TRUE(synth.SetWriteLatency(30));
    ASSERT_TRUE(synth.SetWritePeriod(10));
    EXPECT_EQ(synth.DriverPeriodFrames(), 128);
    EXPECT_EQ(synth.DriverPeriods(), 10);
    EXPECT_EQ(synth.GetWritePeriod(), 10u);
    EXPECT_EQ(synth.GetWriteLatency(), 30u);
    // 100 ms with a 25 ms period (1103 frames, four of them): 512-frame driver periods.
    ASSERT_TRUE(synth.SetWriteLatency(100));
    ASSERT_TRUE(synth.SetWritePeriod(25));
    EXPECT_EQ(synth.DriverPeriodFrames(), 512);
    EXPECT_EQ(synth.DriverPeriods(), 8);
    EXPECT_EQ(synth.GetWriteLatency(), 100u);
    // The lowest setting of the dialog, 10 ms with a 5 ms period: FluidSynth's
    // smallest periods.
    ASSERT_TRUE(synth.SetWriteLatency(10));
    ASSERT_TRUE(synth.SetWritePeriod(5));
    EXPECT_EQ(synth.DriverPeriodFrames(), 64);
    EXPECT_EQ(synth.DriverPeriods(), 6);
    EXPECT_EQ(synth.GetWritePeriod(), 5u);
    EXPECT_EQ(synth.GetWriteLatency(), 10u);
    // FluidSynth's bounds: at least 64 frames a period and two periods.
    ASSERT_TRUE(synth.SetWritePeriod(0));
    ASSERT_TRUE(synth.SetWriteLatency(0));
    EXPECT_EQ(synth.DriverPeriodFrames(), 64);
    EXPECT_EQ(synth.DriverPeriods(), 2);
    EXPECT_EQ(synth.GetWritePeriod(), 1u);
    EXPECT_EQ(synth.GetWriteLatency(), 3u);
}

TEST(SynthPorts, ASoftwarePortWhoseDeviceCannotOpenFailsAndStaysSilent) {
    // One ALSA device that is not there, and the ALSA software synthesiser port.
    TKTDirectMusicSetup setup;
    setup.Devices =
        std::vector<TSoundDevice>{{TAudioSystem::Alsa, "hw:CARD=NoSuchCard,DEV=0", "nothing", {}}};
    setup.Ports = BuildPortList({"alsa"}, {});
    TVoiceList voices;
    TKTDirectMusic synth(voices, setup);
    ASSERT_EQ(synth.PortList().OutputCount(), 1);
    EXPECT_FALSE(synth.SelectOutputPort(0));
    EXPECT_FALSE(synth.IsPortOpen());
    EXPECT_FALSE(synth.NoteOn(0, 60, 100));
    EXPECT_FALSE(synth.SelectOutputPort(1));
}

TEST(SynthPorts, ASoftwarePortRunsItsDriverAndRebuildsItForNewPeriods) {
    TVoiceList voices;
    TKTDirectMusic synth(voices, NullDeviceSetup());
    ASSERT_TRUE(synth.SelectOutputPort(0));
    EXPECT_TRUE(synth.IsPortOpen());
    EXPECT_FALSE(synth.SelectOutputPort(0)) << "one port, opened once";
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(Image(FourVoices())));
    ASSERT_TRUE(synth.SetPatch(0, MakePatch(65, 0, 0)));
    EXPECT_TRUE(synth.NoteOn(0, 69, 100));
    EXPECT_TRUE(synth.SetWriteLatency(45));
    EXPECT_TRUE(synth.SetWritePeriod(15));
    EXPECT_EQ(synth.GetWriteLatency(), 45u);
    EXPECT_EQ(synth.GetWritePeriod(), 15u);
    EXPECT_TRUE(synth.SetSynthVolume(-600));
    // Its sound goes to the driver, not to offline rendering.
    std::vector<float> l(64), r(64);
    EXPECT_FALSE(synth.RenderOffline(l, r));
    EXPECT_TRUE(synth.NoteOff(0, 69));
    synth.ActivatePort(false);
    synth.ActivatePort(true);
    EXPECT_TRUE(synth.NoteOn(0, 69, 100));
}

TEST(SynthPorts, TheStartUpProbeBuildsASynthesiser) {
    const TPlatformCheck check = TKTDirectMusic::PlatformCheck();
    EXPECT_STREQ(check.Library, "libfluidsynth");
    ASSERT_NE(check.Usable, nullptr);
    EXPECT_TRUE(check.Usable());
    // The drivers become ports in the program's order, whatever FluidSynth's is.
    const auto drivers = TKTDirectMusic::AudioDrivers();
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "alsa"), drivers.end());
    const TPortList ports = BuildPortList(drivers, {});
    ASSERT_GT(ports.OutputCount(), 0);
    EXPECT_EQ(ports.Output(0).Identity.Kind, TPortKind::SoftwareSynth);
}

TEST(SynthThreads, KeysAndTheTempoClockPlayAtOnceThroughARunningDriver) {
    // The main thread plays keys and changes the keyboard's voice while the tempo
    // clock's thread plays the accompaniment, with the audio driver rendering.
    TVoiceList voices;
    TKTDirectMusic synth(voices, NullDeviceSetup());
    ASSERT_TRUE(synth.SelectOutputPort(0));
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(Image(FourVoices())));
    ASSERT_TRUE(synth.SelectDrumKit());

    std::atomic<bool> failed{false};
    std::thread clock([&] {
        for (int i = 0; i < 2000; ++i) {
            if (!synth.SendShortMessage(0xC4, i % 2 ? 5 : 0, 0)) failed = true;
            synth.NoteOn(4, static_cast<uint8_t>(48 + i % 12), 80);
            synth.NoteOn(9, 36, 100);
            synth.NoteOff(4, static_cast<uint8_t>(48 + i % 12));
            synth.NoteOff(9, 36);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        const uint32_t patch = MakePatch(65, i % 2 ? 3 : 0, 5);
        if (!synth.SetPatch(1, patch)) failed = true;
        synth.NoteOn(1, 60, 100);
        synth.NoteOff(1, 60);
        EXPECT_EQ(synth.ChannelPatch(1), patch);
    }
    clock.join();
    EXPECT_FALSE(failed) << "every program change found its voice";
    EXPECT_EQ(synth.LastNote(4), 48 + 1999 % 12);
}

TEST(SynthThreads, AtRestTheDriversThreadSleepsAndEachMessageWakesIt) {
    TVoiceList voices;
    TKTDirectMusic synth(voices, NullDeviceSetup());
    ASSERT_TRUE(synth.SelectOutputPort(0));
    ASSERT_TRUE(synth.LoadVoiceSetFromMemory(Image(FourVoices())));
    synth.SetReverbLevel(0);
    ASSERT_TRUE(synth.SetPatch(0, MakePatch(65, 0, 0)));
    // ALSA's null device takes periods as fast as they come: rest, after the effects'
    // allowance, is reached within moments.
    ASSERT_TRUE(WaitFor([&] { return synth.DriverAsleep(); }));
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(synth.NoteOn(0, 69, 100));
        EXPECT_TRUE(WaitFor([&] { return synth.ActiveVoiceCount() == 1; }))
            << "the note woke the driver and sounds, round " << round;
        EXPECT_TRUE(synth.NoteOff(0, 69));
        EXPECT_TRUE(WaitFor([&] { return synth.DriverAsleep(); })) << "round " << round;
        EXPECT_EQ(synth.ActiveVoiceCount(), 0);
    }
    // A driver stopped or rebuilt while its thread sleeps comes back, and plays.
    EXPECT_TRUE(synth.SetWriteLatency(100));
    ASSERT_TRUE(WaitFor([&] { return synth.DriverAsleep(); }));
    synth.ActivatePort(false);
    EXPECT_FALSE(synth.DriverAsleep());
    synth.ActivatePort(true);
    EXPECT_TRUE(synth.NoteOn(0, 69, 100));
    EXPECT_TRUE(WaitFor([&] { return synth.ActiveVoiceCount() == 1; }));
}

TEST(SynthVoiceSets, TheBuiltInSetLoadsBesideThePlayerAndNotesMeanwhileAreDropped) {
    TTempDir dir;
    dir.Write("msf4.s", Image(FourVoices()));
    dir.Write("broken.s", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'D', 'L', 'S', ' '});
    TVoiceList voices;
    TKTDirectMusic synth(voices, NullDeviceSetup());
    ASSERT_TRUE(synth.SelectOutputPort(0));
    synth.SetReverbLevel(0);

    EXPECT_FALSE(synth.FinishVoiceSetLoad()) << "no load begun";
    std::atomic<int> calls{0};
    EXPECT_FALSE(synth.SetPatch(0, MakePatch(65, 0, 5))) << "no set yet to find it in";
    ASSERT_TRUE(synth.BeginVoiceSetLoad(dir.Path("msf4.s"), [&] { ++calls; }));
    EXPECT_FALSE(synth.BeginVoiceSetLoad(dir.Path("msf4.s"), {})) << "one load at a time";
    // Pressed while the set arrives, never released: it must not sound later.
    EXPECT_TRUE(synth.NoteOn(0, 69, 100));
    ASSERT_TRUE(WaitFor([&] { return calls == 1; }));
    EXPECT_EQ(voices.Count(), 0) << "the list is filled on the caller's thread";
    ASSERT_TRUE(synth.FinishVoiceSetLoad());
    EXPECT_EQ(voices.Count(), 4);
    EXPECT_EQ(synth.LastVoiceSetError(), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(synth.ActiveVoiceCount(), 0) << "the note pressed meanwhile was dropped";

    // The channel kept the program it was given before the set came.
    EXPECT_TRUE(synth.NoteOn(0, 69, 100));
    EXPECT_TRUE(WaitFor([&] { return synth.ActiveVoiceCount() == 1; }));
    synth.AllSoundOff(0);

    // A file that is no voice set: the load ends, the list stays empty, the reason is
    // kept.
    ASSERT_TRUE(synth.BeginVoiceSetLoad(dir.Path("broken.s"), [&] { ++calls; }));
    ASSERT_TRUE(WaitFor([&] { return calls == 2; }));
    EXPECT_FALSE(synth.FinishVoiceSetLoad());
    EXPECT_EQ(voices.Count(), 0);
    EXPECT_NE(synth.LastVoiceSetError(), "");
    // A SoundFont in the built-in set's place loads too, read whole.
    std::vector<uint8_t> bank;
    ASSERT_TRUE(BuildRuntimeSoundFont(FourVoices(), bank).Ok);
    dir.Write("bank.s", bank);
    ASSERT_TRUE(synth.BeginVoiceSetLoad(dir.Path("bank.s"), [&] { ++calls; }));
    ASSERT_TRUE(WaitFor([&] { return calls == 3; }));
    EXPECT_TRUE(synth.FinishVoiceSetLoad()) << synth.LastVoiceSetError();
    EXPECT_EQ(voices.Count(), 4);
    // A synthesiser that goes while its set arrives waits for the load's thread.
    ASSERT_TRUE(synth.BeginVoiceSetLoad(dir.Path("msf4.s"), {}));
}
