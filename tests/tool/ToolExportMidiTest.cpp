// talvimorena-tool export-midi, run as a real process, its files read back message by
// message; and what render and export-midi both do with songs that do not load and
// arguments that make no sense.
#include "SongMaker.h"
#include "ToolRun.h"

#include "keys/KeyTable.h"
#include "song/MidiFileTestReader.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using TLines = std::vector<std::string>;

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override { Dir.Write("sine.dls", Image(SineVoiceSet())); }
    TRun Export(const std::string& song, const std::string& out,
                const std::string& voiceSet = "sine.dls") {
        std::string args = "export-midi " + Q(Dir.Path(song)) + " " + Q(Dir.Path(out));
        if (!voiceSet.empty()) args += " --voice-set " + Q(Dir.Path(voiceSet));
        return RunTool(Dir, args);
    }
    TSmf Read(const std::string& name) {
        TSmf smf;
        TSmfReader reader;
        EXPECT_TRUE(reader.Read(Dir.Read(name), smf)) << reader.Error;
        EXPECT_EQ(smf.Format, 0);
        EXPECT_EQ(smf.Tracks.size(), 1u);
        if (smf.Tracks.empty()) smf.Tracks.emplace_back();
        return smf;
    }
    TTempDir Dir;
};

// What the piano sends when it starts, before any song: both keyboards at the first
// voice of the (sorted) set, the kit on the percussion channel.
const TLines StartUp = {"0: B1 00 41", "0: B1 20 00", "0: C1 00",    "0: B0 00 41", "0: B0 20 00",
                        "0: C0 00",    "0: B9 00 00", "0: B9 20 00", "0: C9 00"};

TLines Cat(TLines a, const TLines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST_F(ExportTest, EveryMessageOfARecordedSongComesAtItsMillisecond) {
    TPerformSnapshot s = TSongMaker::DefaultSnapshot();
    s.Transpose = 1;
    s.RightOctave = 1;
    s.LeftVolume = 50;
    s.LeftVoice = static_cast<int32_t>(MakePatch(65, 0, 5));
    TSongMaker song(s);
    song.At(100).RecordKeyDown(DIK::Q);
    song.At(250).RecordLeftPedal(-1);
    song.At(300).RecordKeyUp(DIK::Q);
    song.At(400).RecordRightVoice(static_cast<int32_t>(MakePatch(65, 0, 5)));
    song.Recorder.RecordKeyDown(DIK::NUMPAD1);
    song.At(450).RecordRightVolume(20);
    song.Recorder.RecordKeyDown(DIK::NUMPAD2);
    song.At(500).RecordLeftPedal(0);
    song.At(600).RecordKeyUp(DIK::NUMPAD1);
    song.At(650).RecordRightOctave(0);
    song.Recorder.RecordKeyUp(DIK::NUMPAD2); // ends the note it computes now
    // A drum key is recorded as its message and as the key.
    song.At(700).RecordMidi(0x99, 38, 60);
    song.Recorder.RecordKeyDown(DIK::LBRACKET);
    song.At(750).RecordMidi(0x89, 38, 64);
    song.Recorder.RecordKeyUp(DIK::LBRACKET);
    song.At(800).RecordMidi(0xC4, 0x20, 0); // the accompaniment's chord voice
    song.At(1000).RecordLeftVoice(static_cast<int32_t>(MakePatch(65, 0, 99))); // not in the set
    song.At(1200).RecordEndMark();
    song.Save(Dir.Path("song.lyt"), "小星星");

    TRun r = Export("song.lyt", "song.mid");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    const TSmf smf = Read("song.mid");
    EXPECT_EQ(smf.Division, 500);
    const TSmfTrack& track = smf.Tracks[0];
    ASSERT_GE(track.Events.size(), 3u);
    EXPECT_EQ(SmfText(track.Events[0]), "meta 03 E5 B0 8F E6 98 9F E6 98 9F") << "the title";
    EXPECT_EQ(SmfText(track.Events[1]), "meta 51 07 A1 20") << "120 a minute: ticks are ms";
    EXPECT_EQ(track.Events[1].Tick, 0u);
    EXPECT_EQ(SmfText(track.Events.back()), "meta 2F");
    EXPECT_EQ(track.Events.back().Tick, 1200u) << "the song lasts to its end mark";

    const TLines snapshot = {"0: B1 00 41", "0: B1 20 00", "0: C1 00",
                             "0: B0 00 41", "0: B0 20 00", "0: C0 05"};
    // clang-format off
    const TLines played = {
        "100: 90 3D 32",                  // Q: 60 + 1, the snapshot's left velocity
        "250: B0 40 7F", "300: 80 3D 40",
        "400: B1 00 41", "400: B1 20 00", "400: C1 05",
        "400: 91 49 64",                  // Num-1: 60 + 12 + 1
        "450: 91 4B 14",                  // Num-2 at the new velocity
        "500: B0 40 00", "600: 81 49 40",
        "650: 81 4B 40",                  // Num-2 ends the note it started
        "700: 99 26 3C", "700: 99 26 3C", // the drum key's message, then the key
        "750: 89 26 40", "750: 89 26 40",
        "800: C4 20",
        "1200: B0 7B 00", "1200: B1 7B 00"}; // the end of playback
    // clang-format on
    EXPECT_EQ(SmfChannelLines(track), Cat(Cat(StartUp, snapshot), played));
}

TEST_F(ExportTest, AVersionOneSongExportsWithTheBuiltInSetsVoicesAndItsKeyEvents) {
    Dir.Write("old.lyt", V1Song({{100, 0, DIK::Q, 1},
                                 {600, 0, DIK::Q, 0},
                                 {700, 1, DIK::W, 1}, // marked skipped
                                 {800, 0, 63, 1},     // code 63 is skipped on loading
                                 {900, 0, DIK::NUMPAD1, 1},
                                 {950, 0, DIK::NUMPAD1, 0}},
                                /*transpose*/ -1, 90, 40));
    TRun r = Export("old.lyt", "old.mid", "");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("version 1"), std::string::npos) << r.Err;
    const TSmf smf = Read("old.mid");
    // The first voice of the built-in set on both keyboards, as for every version-1
    // song, after the start-up: the snapshot's transposition and velocities apply.
    const TLines played = {"100: 90 3B 28", "600: 80 3B 40", "900: 91 3B 5A",
                           "950: 81 3B 40", "950: B0 7B 00", "950: B1 7B 00"};
    EXPECT_EQ(SmfChannelLines(smf.Tracks[0]),
              Cat(Cat(StartUp, TLines(StartUp.begin(), StartUp.begin() + 6)), played));
}

TEST_F(ExportTest, MessagesThatAreNoMidiAreLeftOutWithANote) {
    TSongMaker song;
    song.At(10).RecordMidi(0x99, 36, 80);
    song.At(20).RecordMidi(0xFF, 0x2F, 0); // would end the track
    song.At(30).RecordMidi(0x90, 0x80, 1); // a status byte as a note
    song.At(40).RecordMidi(0x89, 36, 64);
    song.Save(Dir.Path("odd.lyt"));
    TRun r = Export("odd.lyt", "odd.mid");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("2 messages that are no MIDI channel messages were left out"),
              std::string::npos)
        << r.Err;
    const TLines lines = SmfChannelLines(Read("odd.mid").Tracks[0]);
    EXPECT_EQ(TLines(lines.begin() + 15, lines.end()),
              (TLines{"10: 99 24 50", "40: 89 24 40", "40: B0 7B 00", "40: B1 7B 00"}));
}

// ---- What both commands refuse ----

namespace {

struct TBrokenSong {
    const char* Name;
    std::vector<uint8_t> Bytes;
    const char* Reason;
};

std::vector<TBrokenSong> BrokenSongs(const TTempDir& dir) {
    TSongMaker song;
    song.At(100).RecordKeyDown(DIK::Q);
    song.At(200).RecordKeyTable(DefaultKeyDefSet());
    song.At(300).RecordKeyUp(DIK::Q);
    song.Save(dir.Path("good.lyt"));
    const std::vector<uint8_t> good = dir.Read("good.lyt");

    std::vector<TBrokenSong> broken;
    std::vector<uint8_t> b = good;
    b[15] = '!';
    broken.push_back({"no-zero.lyt", b, "not a song file (wrong magic)"});
    b = good;
    b[16] = 0;
    broken.push_back({"version0.lyt", b, "version 0 is not supported"});
    b = good;
    b[8756] = 4;
    broken.push_back({"count.lyt", b, "file ends after 3 of 4 events"});
    b.assign(good.begin(), good.end() - 13 - 100); // inside the key table
    broken.push_back({"cut.lyt", b, "key table of event 1 is cut short"});
    b.assign(good.begin(), good.begin() + 5000);
    broken.push_back({"header.lyt", b, "file ends inside the header"});
    return broken;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace

TEST(ToolSongErrors, ASongThatDoesNotLoadIsRefusedWithItsReasonAndNoFileIsTouched) {
    TTempDir dir;
    dir.Write("sine.dls", Image(SineVoiceSet()));
    auto broken = BrokenSongs(dir);
    broken.push_back({"missing.lyt", {}, "no such file"});
    for (const TBrokenSong& song : broken) {
        if (!song.Bytes.empty()) dir.Write(song.Name, song.Bytes);
        for (const char* command : {"render", "export-midi"}) {
            SCOPED_TRACE(std::string(command) + " " + song.Name);
            dir.WriteText("old.out", "old");
            const auto before = Sorted(dir.Entries());
            for (const char* out : {"old.out", "new.out"}) {
                TRun r =
                    RunTool(dir, std::string(command) + " " + Q(dir.Path(song.Name)) + " " +
                                     Q(dir.Path(out)) + " --voice-set " + Q(dir.Path("sine.dls")));
                EXPECT_EQ(r.Status, 1);
                EXPECT_NE(r.Err.find(dir.Path(song.Name) + ": song does not load: " + song.Reason),
                          std::string::npos)
                    << r.Err;
                EXPECT_EQ(r.Out, "");
            }
            EXPECT_EQ(Sorted(dir.Entries()), before);
            EXPECT_EQ(dir.Read("old.out"), (std::vector<uint8_t>{'o', 'l', 'd'}));
            if (!song.Bytes.empty()) {
                EXPECT_EQ(dir.Read(song.Name), song.Bytes);
            }
        }
    }
}

TEST(ToolSongErrors, AVoiceSetThatDoesNotLoadIsRefusedToo) {
    TTempDir dir;
    TSongMaker song;
    song.At(100).RecordKeyDown(DIK::Q);
    song.Save(dir.Path("s.lyt"));
    dir.WriteText("bad.dls", "RIFF but not much else");
    for (const char* command : {"render", "export-midi"}) {
        SCOPED_TRACE(command);
        TRun r = RunTool(dir, std::string(command) + " " + Q(dir.Path("s.lyt")) + " " +
                                  Q(dir.Path("out")) + " --voice-set " + Q(dir.Path("bad.dls")));
        EXPECT_EQ(r.Status, 1);
        EXPECT_NE(r.Err.find("bad.dls: voice set does not load: not a voice set"),
                  std::string::npos)
            << r.Err;
        r = RunTool(dir, std::string(command) + " " + Q(dir.Path("s.lyt")) + " " +
                             Q(dir.Path("out")) + " --voice-set " + Q(dir.Path("none.dls")));
        EXPECT_EQ(r.Status, 1);
        EXPECT_NE(r.Err.find("none.dls: voice set does not load: no such file"), std::string::npos)
            << r.Err;
        EXPECT_FALSE(std::filesystem::exists(dir.Path("out")));
    }
}

TEST(ToolSongErrors, ArgumentsThatMakeNoSenseAreUsageErrors) {
    TTempDir dir;
    TSongMaker song;
    song.At(100).RecordKeyDown(DIK::Q);
    song.Save(dir.Path("s.lyt"));
    const std::vector<uint8_t> bytes = dir.Read("s.lyt");
    const std::string s = Q(dir.Path("s.lyt")), out = Q(dir.Path("o"));
    for (const std::string command : {"render", "export-midi"}) {
        for (const std::string& args :
             {command, command + " " + s, command + " " + s + " " + out + " extra",
              command + " " + s + " " + out + " --voice-set",
              command + " " + s + " " + out + " --voice-set=",
              command + " " + s + " " + out + " --loud",
              command + " " + s + " " + out + " --voice-set a --voice-set b",
              command + " " + s + " " + s, command + " " + s + " " + Q(dir.Path("./s.lyt"))}) {
            SCOPED_TRACE(args);
            TRun r = RunTool(dir, args);
            EXPECT_EQ(r.Status, 2) << r.Err;
            EXPECT_NE(r.Err.find("Try 'talvimorena-tool --help'"), std::string::npos) << r.Err;
        }
        EXPECT_EQ(dir.Read("s.lyt"), bytes) << "the song is never overwritten";
        EXPECT_FALSE(std::filesystem::exists(dir.Path("o")));
    }
    TRun help = RunTool(dir, "--help");
    EXPECT_NE(help.Out.find("render SONG.lyt OUT.wav [--voice-set FILE]"), std::string::npos);
    EXPECT_NE(help.Out.find("export-midi SONG.lyt OUT.mid [--gm] [--voice-set FILE]"),
              std::string::npos);
}
