// talvimorena-tool export-musicxml and export-midi --gm, their files read back by real
// readers: LilyPond's musicxml2ly converts the score, LilyPond plays what it read as
// a MIDI file, and Python's mido reads that and the tool's own MIDI files.
#include "SongMaker.h"
#include "ToolRun.h"

#include "keys/KeyTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <tuple>

namespace {

// A MIDI file's events as midi_events.py prints them.
struct TMidoNote {
    int Channel, Pitch;
    double On, Off; // in quarter notes
    bool operator==(const TMidoNote&) const = default;
};
struct TMidoFile {
    std::vector<TMidoNote> Notes;
    std::vector<std::string> Controls;         // "cc CH CTL VALUE T" and "program CH P T", ticks
    std::vector<std::pair<double, int>> Pedal; // (quarters, value)
};

std::ostream& operator<<(std::ostream& o, const TMidoNote& n) {
    return o << "{ch " << n.Channel << " pitch " << n.Pitch << " " << n.On << ".." << n.Off << "}";
}

std::string Shell(const std::string& command, int& status) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) {
        status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int s = ::pclose(p);
    status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return out;
}

TMidoFile ReadMido(const std::string& path) {
    int status = 0;
    const std::string out =
        Shell("/usr/bin/python3 " + Q(MIDI_EVENTS_SCRIPT) + " " + Q(path) + " 2>&1", status);
    EXPECT_EQ(status, 0) << out;
    TMidoFile f;
    std::istringstream in(out);
    std::string line;
    double tpb = 1;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "tpb") {
            words >> tpb;
        } else if (kind == "note") {
            TMidoNote n{};
            double on = 0, off = 0;
            words >> n.Channel >> n.Pitch >> on >> off;
            n.On = on / tpb;
            n.Off = off / tpb;
            f.Notes.push_back(n);
        } else {
            f.Controls.push_back(line);
            int ch = 0, ctl = 0, value = 0;
            double t = 0;
            if (kind == "cc" && (words >> ch >> ctl >> value >> t) && ctl == 64)
                f.Pedal.push_back({t / tpb, value});
        }
    }
    return f;
}

class ScoreTest : public ::testing::Test {
protected:
    void SetUp() override { Dir.Write("sine.dls", Image(SineVoiceSet())); }
    TRun Tool(const std::string& command, const std::string& song, const std::string& out,
              const std::string& options = "") {
        return RunTool(Dir, command + " " + Q(Dir.Path(song)) + " " + Q(Dir.Path(out)) +
                                " --voice-set " + Q(Dir.Path("sine.dls")) + " " + options);
    }
    // musicxml2ly on the score, then LilyPond's own MIDI of what it read. The .ly
    // text is returned; the MIDI is NAME.midi. The performance script that
    // musicxml2ly asks for (it shortens notes as a player would) is left out, so
    // that the notes keep the lengths written.
    std::string ThroughLilyPond(const std::string& name) {
        int status = 0;
        const std::string ly = Dir.Path(name + ".ly");
        const std::string conv = Shell("musicxml2ly --midi -o " + Q(ly) + " " +
                                           Q(Dir.Path(name + ".musicxml")) + " 2>&1",
                                       status);
        EXPECT_EQ(status, 0) << conv;
        EXPECT_EQ(conv.find("error"), std::string::npos) << conv;
        EXPECT_EQ(conv.find("warning"), std::string::npos) << conv;
        const std::vector<uint8_t> bytes = Dir.Read(name + ".ly");
        std::string text(bytes.begin(), bytes.end());
        const std::string performed = text;
        for (size_t at; (at = text.find("\\articulate")) != std::string::npos;)
            text.erase(at, std::string("\\articulate").size());
        Dir.WriteText(name + ".ly", text);
        const std::string built =
            Shell("cd " + Q(Dir.Root().string()) + " && lilypond -s -dno-print-pages -o " +
                      Q(name) + " " + Q(name + ".ly") + " 2>&1",
                  status);
        EXPECT_EQ(status, 0) << built;
        return performed;
    }
    std::string Text(const std::string& name) {
        const std::vector<uint8_t> b = Dir.Read(name);
        return {b.begin(), b.end()};
    }
    TTempDir Dir;
};

// The notes of the tool's own MIDI file of the song (as it sounds, in milliseconds)
// on the keyboards' channels, moved to start at the first note and put in quarter
// notes at `tempo`.
std::vector<TMidoNote> SongNotes(const TMidoFile& sounded, double tempo) {
    std::vector<TMidoNote> notes;
    for (const TMidoNote& n : sounded.Notes)
        if (n.Channel <= 1) notes.push_back(n);
    if (notes.empty()) return notes;
    const double first = notes.front().On;
    for (TMidoNote& n : notes) {
        // The tool's MIDI file counts 500 ticks a quarter at 120: a tick a ms.
        const double ms = 500;
        n.On = (n.On - first) * ms / (60000.0 / tempo);
        n.Off = (n.Off - first) * ms / (60000.0 / tempo);
        n.Channel = 0;
    }
    return notes;
}

std::vector<TMidoNote> Sorted(std::vector<TMidoNote> notes, bool anyChannel = true) {
    for (TMidoNote& n : notes) {
        if (anyChannel) n.Channel = 0;
        // Triplets are thirds: compared to a millionth of a quarter note.
        n.On = std::round(n.On * 1e6) / 1e6;
        n.Off = std::round(n.Off * 1e6) / 1e6;
    }
    std::sort(notes.begin(), notes.end(), [](const TMidoNote& a, const TMidoNote& b) {
        return std::tie(a.On, a.Pitch, a.Off) < std::tie(b.On, b.Pitch, b.Off);
    });
    return notes;
}

// The pitches and octaves the score writes on a staff.
std::vector<int> StaffOctaves(const std::string& xml, int staff) {
    std::vector<int> octaves;
    const std::regex note(
        "<note>(?:<chord/>)?<pitch>.*?<octave>(\\d)</octave>.*?<staff>(\\d)</staff>");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), note); it != std::sregex_iterator();
         ++it)
        if (std::stoi((*it)[2]) == staff) octaves.push_back(std::stoi((*it)[1]));
    return octaves;
}

} // namespace

TEST_F(ScoreTest, ASongComesBackFromMusicxml2lyWithItsNotesKeyTitleAndPedal) {
    // In D (transposition 2), the left keyboard an octave down: at 120 a minute a
    // quarter note is 500 ms; the score starts at the first note (1000 ms).
    TPerformSnapshot s = TSongMaker::DefaultSnapshot();
    s.Transpose = 2;
    s.LeftOctave = -1;
    TSongMaker song(s);
    song.At(1000).RecordKeyDown(DIK::NUMPAD1); // a quarter
    song.At(1500).RecordKeyUp(DIK::NUMPAD1);
    song.Recorder.RecordKeyDown(DIK::NUMPAD2); // a chord of two, a half note
    song.Recorder.RecordKeyDown(DIK::NUMPAD3);
    song.At(2500).RecordKeyUp(DIK::NUMPAD2);
    song.Recorder.RecordKeyUp(DIK::NUMPAD3);
    // An eighth's rest, then a bass note of a half over the bar line (3000 ms).
    song.At(2750).RecordKeyDown(DIK::Q);
    song.At(3750).RecordKeyUp(DIK::Q);
    song.Recorder.RecordKeyDown(DIK::W);
    song.Recorder.RecordLeftPedal(-1);
    song.At(4250).RecordKeyUp(DIK::W);
    song.At(4500).RecordLeftPedal(0);
    song.At(5000).RecordEndMark();
    song.Recorder.SetRecording(false);
    ASSERT_TRUE(
        song.Recorder.SaveToFile(Dir.Path("song.lyt"), MakeSongInfo("小星星", "王小明", "两只手")));

    TRun r = Tool("export-musicxml", "song.lyt", "song.musicxml");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    const std::string xml = Text("song.musicxml");
    EXPECT_NE(xml.find("<score-partwise version=\"4.0\">"), std::string::npos);
    EXPECT_NE(xml.find("<creator type=\"performer\">王小明</creator>"), std::string::npos);
    EXPECT_NE(xml.find("<fifths>2</fifths>"), std::string::npos);
    ASSERT_EQ(Tool("export-midi", "song.lyt", "song.mid").Status, 0);
    const std::vector<TMidoNote> expected = SongNotes(ReadMido(Dir.Path("song.mid")), 120);
    ASSERT_EQ(expected.size(), 5u);

    const std::string ly = ThroughLilyPond("song");
    EXPECT_NE(ly.find("小星星"), std::string::npos) << "the title";
    EXPECT_NE(ly.find("\\key d \\major"), std::string::npos);
    EXPECT_NE(ly.find("\\tempo 4=120"), std::string::npos);
    EXPECT_NE(ly.find("~"), std::string::npos) << "the tie over the bar line";
    const TMidoFile back = ReadMido(Dir.Path("song.midi"));
    EXPECT_EQ(Sorted(back.Notes), Sorted(expected));
    // Below middle C on the bass staff, from it up on the treble.
    for (int octave : StaffOctaves(xml, 1))
        EXPECT_GE(octave, 4);
    for (int octave : StaffOctaves(xml, 2))
        EXPECT_LE(octave, 3);
    EXPECT_EQ(StaffOctaves(xml, 1).size() + StaffOctaves(xml, 2).size(), 6u)
        << "five notes, the tied one written twice";
    // The pedal: down with W, 2750 ms into the score, up at 3500 ms.
    const std::vector<std::pair<double, int>> pedal = {{5.5, 127}, {7.0, 0}};
    EXPECT_EQ(back.Pedal, pedal);
}

TEST_F(ScoreTest, GridStavesAndTempoOptionsShapeTheScore) {
    // Eighth triplets at 100 a minute (a beat is 600 ms, a triplet 200 ms), on the
    // right keyboard only, one note below middle C.
    TPerformSnapshot s = TSongMaker::DefaultSnapshot();
    s.RightOctave = -1;
    TSongMaker song(s);
    uint32_t t = 1000;
    for (uint8_t key : {DIK::NUMPAD1, DIK::NUMPAD2, DIK::NUMPAD3, DIK::NUMPAD1}) {
        song.At(t).RecordKeyDown(key);
        song.At(t + 200).RecordKeyUp(key);
        t += 200;
    }
    song.At(t + 400).RecordEndMark();
    song.Save(Dir.Path("song.lyt"));
    ASSERT_EQ(Tool("export-midi", "song.lyt", "song.mid").Status, 0);
    const std::vector<TMidoNote> sounded = SongNotes(ReadMido(Dir.Path("song.mid")), 100);

    struct TCase {
        std::string Options;
        std::vector<int> TrebleOctaves, BassOctaves; // "" : by middle C
        bool Triplets;
    };
    const std::vector<TCase> cases = {
        {"--tempo 100", {}, {3, 3, 3, 3}, true},                   // auto: triplets fit
        {"--tempo 100 --staves keyboard", {3, 3, 3, 3}, {}, true}, // right keyboard: treble
        {"--tempo 100 --grid 16", {}, {3, 3, 3, 3}, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Options);
        TRun r = Tool("export-musicxml", "song.lyt", "song.musicxml", c.Options);
        ASSERT_EQ(r.Status, 0) << r.Err;
        const std::string xml = Text("song.musicxml");
        EXPECT_EQ(StaffOctaves(xml, 1), c.TrebleOctaves);
        EXPECT_EQ(StaffOctaves(xml, 2), c.BassOctaves);
        EXPECT_EQ(xml.find("<actual-notes>3</actual-notes>") != std::string::npos, c.Triplets);
        EXPECT_NE(xml.find("<per-minute>100</per-minute>"), std::string::npos);
        ThroughLilyPond("song");
        const std::vector<TMidoNote> back = Sorted(ReadMido(Dir.Path("song.midi")).Notes);
        if (c.Triplets) {
            EXPECT_EQ(back, Sorted(sounded));
        } else {
            // On sixteenths the triplets move to the nearest sixteenth.
            ASSERT_EQ(back.size(), 4u);
            const double on[] = {0, 0.25, 0.75, 1.0};
            for (size_t i = 0; i < 4; ++i)
                EXPECT_DOUBLE_EQ(back[i].On, on[i]) << i;
        }
    }
}

TEST_F(ScoreTest, DamagedSongsExportWhatIsValidAndSayWhatWasLeftOut) {
    struct TCase {
        std::string Name;
        std::function<void(TSongMaker&)> Record;
        std::string Said; // on stderr
        size_t Notes;     // read back
    };
    const std::vector<TCase> cases = {
        {"out of order",
         [](TSongMaker& m) {
             m.At(1000).RecordKeyDown(DIK::NUMPAD1);
             m.At(1500).RecordKeyUp(DIK::NUMPAD1);
             m.At(900).RecordKeyDown(DIK::NUMPAD2); // stamped before the note before it
             m.At(2000).RecordKeyUp(DIK::NUMPAD2);
             m.At(2500).RecordKeyDown(DIK::NUMPAD3);
             m.At(3000).RecordKeyUp(DIK::NUMPAD3);
         },
         "1 song events stamped before an earlier one were left out", 2},
        {"overlapping",
         // Raw note messages, as the accompaniment records them (a key struck again
         // ends its own notes before it sounds again).
         [](TSongMaker& m) {
             m.At(1000).RecordMidi(0x90, 60, 100);
             m.At(1500).RecordMidi(0x90, 60, 100); // again while it sounds
             m.At(2000).RecordMidi(0x80, 60, 0);
         },
         "1 notes that started again while sounding were ended there", 2},
        {"empty", [](TSongMaker& m) { m.At(500).RecordEndMark(); },
         "the song holds no notes: only rests were written", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSongMaker song;
        c.Record(song);
        song.Save(Dir.Path("song.lyt"));
        TRun r = Tool("export-musicxml", "song.lyt", "song.musicxml");
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(r.Err.find(c.Said), std::string::npos) << r.Err;
        ThroughLilyPond("song");
        EXPECT_EQ(ReadMido(Dir.Path("song.midi")).Notes.size(), c.Notes);
    }
}

TEST_F(ScoreTest, AFailedWriteLeavesNoFileAndIsReported) {
    TSongMaker song;
    song.At(1000).RecordKeyDown(DIK::NUMPAD1);
    song.At(1500).RecordKeyUp(DIK::NUMPAD1);
    song.Save(Dir.Path("song.lyt"));
    // A folder that is a file: nothing can be written under it.
    Dir.WriteText("plain", "x");
    for (const std::string out : {"missing/song.musicxml", "plain/song.musicxml"}) {
        SCOPED_TRACE(out);
        TRun r = Tool("export-musicxml", "song.lyt", out);
        EXPECT_EQ(r.Status, 1);
        EXPECT_NE(r.Err.find(Dir.Path(out)), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
    EXPECT_EQ(Text("plain"), "x");
}

TEST_F(ScoreTest, TheGeneralMidiFileCarriesBankZeroAndTheKitOnChannelTen) {
    // The right keyboard on a variation (LSB 8 of the built-in MSB), the left on
    // the drum kit: its notes go to channel 10.
    TPerformSnapshot s = TSongMaker::DefaultSnapshot();
    s.RightVoice = static_cast<int32_t>(MakePatch(65, 8, 5));
    s.LeftVoice = static_cast<int32_t>(MakePatch(0, 0, 0, true));
    TSongMaker song(s);
    song.At(100).RecordKeyDown(DIK::Q);
    song.At(300).RecordKeyUp(DIK::Q);
    song.Recorder.RecordKeyDown(DIK::NUMPAD1);
    song.At(500).RecordKeyUp(DIK::NUMPAD1);
    song.Save(Dir.Path("song.lyt"));
    // A set that has the variation, so that the right keyboard finds it.
    TDlsCollection set = SineVoiceSet();
    TDlsInstrument variation = set.Instruments[1];
    variation.LSB = 8;
    set.Instruments.insert(set.Instruments.begin() + 2, variation);
    Dir.Write("sine.dls", Image(set));

    struct TCase {
        std::string Options;
        std::vector<std::string> Banks; // the bank selects and programs, in order
        int LeftNoteChannel;
    };
    const std::vector<TCase> cases = {
        {"", {"cc 1 0 65", "cc 1 32 8", "program 1 5", "cc 0 0 0", "cc 0 32 0", "program 0 0"}, 0},
        {"--gm",
         {"cc 1 0 0", "cc 1 32 8", "program 1 5", "cc 9 0 0", "cc 9 32 0", "program 9 0"},
         9},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Options);
        TRun r = Tool("export-midi", "song.lyt", "song.mid", c.Options);
        ASSERT_EQ(r.Status, 0) << r.Err;
        const TMidoFile f = ReadMido(Dir.Path("song.mid"));
        // The snapshot's voices come after the start-up's, at 0.
        std::vector<std::string> banks;
        for (const std::string& line : f.Controls) {
            std::istringstream words(line);
            std::string kind;
            int ch = 0, a = 0, b = 0;
            words >> kind >> ch >> a >> b;
            if (kind == "program")
                banks.push_back("program " + std::to_string(ch) + " " + std::to_string(a));
            else if (a == 0 || a == 32)
                banks.push_back("cc " + std::to_string(ch) + " " + std::to_string(a) + " " +
                                std::to_string(b));
        }
        ASSERT_GE(banks.size(), c.Banks.size());
        // The last voice selections of both keyboards: the snapshot's.
        const std::vector<std::string> last(banks.end() - 6, banks.end());
        EXPECT_EQ(last, c.Banks);
        ASSERT_EQ(f.Notes.size(), 2u);
        EXPECT_EQ(f.Notes[0].Channel, c.LeftNoteChannel) << "Q, on the kit";
        EXPECT_EQ(f.Notes[1].Channel, 1) << "Num-1";
    }
}
