// talvimorena-tool render, run as a real process: songs recorded in the test played
// through the controller and the synthesiser, their sound measured in the WAV file.
#include "AudioMeasure.h"
#include "SongMaker.h"
#include "ToolRun.h"

#include "keys/KeyTable.h"
#include "song/SongFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <signal.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr double Silent = -75; // dB: well below every note of these tests

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override { WriteVoiceSet("sine.dls", SineVoiceSet()); }
    void WriteVoiceSet(const std::string& name, const TDlsCollection& c) {
        Dir.Write(name, Image(c));
    }
    TRun Render(const std::string& song, const std::string& out,
                const std::string& voiceSet = "sine.dls") {
        std::string args = "render " + Q(Dir.Path(song)) + " " + Q(Dir.Path(out));
        if (!voiceSet.empty()) args += " --voice-set " + Q(Dir.Path(voiceSet));
        return RunTool(Dir, args);
    }
    TWav Wav(const std::string& name) { return ReadWav(Dir.Read(name)); }

    TTempDir Dir;
};

// The length of a WAV in milliseconds.
double Ms(const TWav& w) {
    return double(w.Frames()) / 44.1;
}

} // namespace

TEST_F(RenderTest, EveryNoteSoundsAtItsTimeWithTheSnapshotsVoicesAndTransposition) {
    TPerformSnapshot s = TSongMaker::DefaultSnapshot();
    s.Transpose = 2;
    s.LeftVoice = static_cast<int32_t>(MakePatch(65, 0, 5)); // the octave voice
    TSongMaker song(s);
    song.At(300).RecordKeyDown(DIK::Q); // left 60 + 2
    song.At(800).RecordKeyUp(DIK::Q);
    song.At(1200).RecordKeyDown(DIK::NUMPAD1); // right 60 + 2
    song.At(1700).RecordKeyUp(DIK::NUMPAD1);
    song.At(1800).RecordTranspose(-3);
    song.Recorder.RecordKeyDown(DIK::Q); // left 60 - 3, after the event of the same time
    song.At(2300).RecordKeyUp(DIK::Q);
    song.At(3000).RecordEndMark();
    song.Save(Dir.Path("a.lyt"));

    TRun r = Render("a.lyt", "a.wav");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("a.wav: "), std::string::npos) << r.Out;
    const TWav w = Wav("a.wav");
    // The song lasts to its end mark; all is silent by then, so the tail is gone at once.
    EXPECT_GE(Ms(w), 3000);
    EXPECT_LE(Ms(w), 3020);

    EXPECT_LT(audio::LevelDb(w.Window(0, 290)), Silent) << "nothing before the first key";
    EXPECT_GT(audio::LevelDb(w.Window(350, 400)), -55);
    EXPECT_NEAR(audio::PeakHz(w.Window(350, 400), 44100), NoteHz(62, 57), 3);
    EXPECT_LT(audio::LevelDb(w.Window(1000, 190)), Silent) << "the release ends the note";
    EXPECT_NEAR(audio::PeakHz(w.Window(1250, 400), 44100), NoteHz(62), 3);
    EXPECT_LT(audio::LevelDb(w.Window(1750, 40)), Silent);
    EXPECT_NEAR(audio::PeakHz(w.Window(1850, 400), 44100), NoteHz(57, 57), 3);
    EXPECT_LT(audio::LevelDb(w.Window(2500, 490)), Silent) << "silence up to the end mark";
}

TEST_F(RenderTest, NotesStillHeldAtTheEndAreReleasedAndRingOutInATwoSecondTail) {
    WriteVoiceSet("slow.dls", SineVoiceSet(5.0)); // a release of seconds
    TSongMaker song;
    song.At(100).RecordKeyDown(DIK::Q);
    song.At(1000).RecordKeyDown(DIK::NUMPAD1); // neither key comes up in the song
    song.Save(Dir.Path("held.lyt"));

    TRun r = Render("held.lyt", "held.wav", "slow.dls");
    ASSERT_EQ(r.Status, 0) << r.Err;
    const TWav w = Wav("held.wav");
    EXPECT_NEAR(Ms(w), 1000 + 2000, 1);
    const double held = audio::LevelDb(w.Window(1300, 400)); // both keys down
    EXPECT_GT(held, -55);
    // Released at the song's end: the sound decays through the tail instead of
    // holding on, and still sounds when the tail runs out...
    const double late = audio::LevelDb(w.Window(2500, 200));
    EXPECT_LT(late, held - 10);
    EXPECT_GT(late, Silent);
    // ...so its last moments are faded out rather than cut.
    EXPECT_LT(audio::LevelDb(w.Window(2995, 5)), late - 20);
}

TEST_F(RenderTest, AVersionOneSongPlaysWithTheDefaultLayoutAndVoiceAndSkipsWhatItMarks) {
    Dir.Write("old.lyt", V1Song({{100, 0, DIK::Q, 1},
                                 {600, 0, DIK::Q, 0},
                                 {800, 1, DIK::NUMPAD1, 1}, // marked skipped
                                 {1000, 0, DIK::W, 1},
                                 {1500, 0, DIK::W, 0},
                                 {1900, 0, 63, 1}})); // code 63 is skipped on loading
    TRun r = Render("old.lyt", "old.wav");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("version 1"), std::string::npos) << r.Err;
    const TWav w = Wav("old.wav");
    // The skipped events do not lengthen the song: it ends with its last event that plays.
    EXPECT_NEAR(Ms(w), 1500, 20);
    EXPECT_NEAR(audio::PeakHz(w.Window(150, 400), 44100), NoteHz(60), 3);
    EXPECT_LT(audio::LevelDb(w.Window(700, 290)), Silent);
    EXPECT_NEAR(audio::PeakHz(w.Window(1050, 400), 44100), NoteHz(62), 3);
}

TEST_F(RenderTest, TheBuiltInVoiceSetBesideTheToolIsTheDefault) {
    TSongMaker song;
    song.At(200).RecordKeyDown(DIK::Q);
    song.At(1200).RecordKeyUp(DIK::Q);
    song.Save(Dir.Path("piano.lyt"));
    TRun r = Render("piano.lyt", "piano.wav", "");
    ASSERT_EQ(r.Status, 0) << r.Err;
    const TWav w = Wav("piano.wav");
    EXPECT_GE(Ms(w), 1200);
    EXPECT_LE(Ms(w), 3220);
    EXPECT_LT(audio::LevelDb(w.Window(0, 190)), Silent);
    EXPECT_GT(audio::LevelDb(w.Window(250, 500)), -60);

    // A copy of the tool in a folder without msf4.s looks for it there.
    const std::string bin = Dir.Path("bin");
    std::filesystem::create_directory(bin);
    std::filesystem::copy_file(TALVIMORENA_TOOL, bin + "/talvimorena-tool");
    const std::string cmd = Q(bin + "/talvimorena-tool") + " render " + Q(Dir.Path("piano.lyt")) +
                            " " + Q(Dir.Path("lone.wav")) + " 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    const int status = ::pclose(p);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(out.find(bin + "/msf4.s: voice set does not load: no such file"), std::string::npos)
        << out;
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("lone.wav")));
}

TEST_F(RenderTest, LongSongsShowTheirProgressAndShortOnesDoNot) {
    TSongMaker song;
    song.At(0).RecordKeyDown(DIK::Q);
    song.At(300).RecordKeyUp(DIK::Q);
    song.At(31000).RecordKeyDown(DIK::W);
    song.At(31000).RecordKeyUp(DIK::W);
    song.Save(Dir.Path("long.lyt"));
    TRun r = Render("long.lyt", "long.wav");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("rendering:   0% (0:00 of 0:31)\n"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("rendering: 100% (0:31 of 0:31)\n"), std::string::npos) << r.Err;
    EXPECT_GE(Ms(Wav("long.wav")), 31000 - 20);

    TSongMaker shortSong;
    shortSong.At(0).RecordKeyDown(DIK::Q);
    shortSong.At(300).RecordKeyUp(DIK::Q);
    shortSong.Save(Dir.Path("short.lyt"));
    r = Render("short.lyt", "short.wav");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err.find("rendering"), std::string::npos) << r.Err;
}

TEST_F(RenderTest, AFileThatCannotBeWrittenToTheEndLeavesTheOldOutputAndNoTemporaryFile) {
    TSongMaker song;
    song.At(0).RecordKeyDown(DIK::Q);
    song.At(20000).RecordKeyUp(DIK::Q); // some 3.5 MB of audio
    song.Save(Dir.Path("big.lyt"));
    Dir.WriteText("big.wav", "old");
    const auto before = Dir.Entries();
    TRun r;
    {
        TFileSizeLimit limit(1 << 20);
        r = Render("big.lyt", "big.wav");
    }
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("big.wav: cannot be written"), std::string::npos) << r.Err;
    EXPECT_EQ(Dir.Read("big.wav"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    auto after = Dir.Entries();
    std::sort(after.begin(), after.end());
    auto expected = before;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(after, expected);
}

TEST_F(RenderTest, ASongLongerThanAWavFileHoldsIsRefusedBeforeAnythingIsWritten) {
    TSongMaker song;
    song.At(0).RecordKeyDown(DIK::Q);
    song.At(7 * 3600 * 1000).RecordKeyUp(DIK::Q); // seven hours later
    song.Save(Dir.Path("endless.lyt"));
    TRun r = Render("endless.lyt", "endless.wav");
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("the song lasts 7:00:00, longer than a WAV file holds (6:45:47)"),
              std::string::npos)
        << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("endless.wav")));
}

TEST_F(RenderTest, HugeOrHostileSongsAreBoundedRefusedOrCleanedUp) {
    {
        SCOPED_TRACE("events that sound nothing add no silence, however late");
        TSongMaker song;
        song.At(0).RecordKeyDown(DIK::Q);
        song.At(300).RecordKeyUp(DIK::Q);
        song.At(24000000).RecordRightVoice(static_cast<int32_t>(MakePatch(65, 0, 1)));
        song.At(24000000).RecordRightPedal(-1);
        song.Save(Dir.Path("late.lyt"));
        TRun r = Render("late.lyt", "late.wav");
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_LE(Ms(Wav("late.wav")), 300 + 2000 + 20);
    }
    {
        SCOPED_TRACE("--max-seconds bounds a long song, tail included");
        TSongMaker song;
        song.At(0).RecordKeyDown(DIK::Q);
        song.At(600000).RecordKeyUp(DIK::Q);
        song.Save(Dir.Path("ten.lyt"));
        TRun r = RunTool(Dir, "render " + Q(Dir.Path("ten.lyt")) + " " + Q(Dir.Path("ten.wav")) +
                                  " --voice-set " + Q(Dir.Path("sine.dls")) + " --max-seconds 3");
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NEAR(Ms(Wav("ten.wav")), 3000, 1);
        for (const char* bad : {"0", "x", "-1", "999999999"}) {
            r = RunTool(Dir, "render " + Q(Dir.Path("ten.lyt")) + " " + Q(Dir.Path("bad.wav")) +
                                 " --max-seconds " + bad);
            EXPECT_EQ(r.Status, 2) << bad;
        }
    }
    {
        SCOPED_TRACE("a file larger than any song is refused before it is read");
        Dir.Write("huge.lyt", V1Song({{0, 0, DIK::Q, 1}}));
        std::filesystem::resize_file(Dir.Path("huge.lyt"), MaxSongFileSize + 1);
        TRun r = Render("huge.lyt", "huge.wav");
        EXPECT_EQ(r.Status, 1);
        EXPECT_NE(r.Err.find("song does not load: the file is larger than any song"),
                  std::string::npos)
            << r.Err;
        EXPECT_FALSE(std::filesystem::exists(Dir.Path("huge.wav")));
        std::filesystem::remove(Dir.Path("huge.lyt"));
    }
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGINT");
        TSongMaker song;
        song.At(0).RecordKeyDown(DIK::Q);
        song.At(3 * 3600 * 1000).RecordKeyUp(DIK::Q); // hours of rendering
        song.Save(Dir.Path("long.lyt"));
        const auto before = Dir.Entries();
        const pid_t child = ::fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execl(TALVIMORENA_TOOL, TALVIMORENA_TOOL, "render", Dir.Path("long.lyt").c_str(),
                    Dir.Path("long.wav").c_str(), "--voice-set", Dir.Path("sine.dls").c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The render has begun once its temporary file is there (a failure after 30 s).
        const auto started = [&] {
            for (const std::string& name : Dir.Entries())
                if (name.rfind(".tvm-render-", 0) == 0) return true;
            return false;
        };
        for (int i = 0; i < 3000 && !started(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(started());
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(Dir.Entries().size(), before.size()) << "no temporary file, no output";
        EXPECT_FALSE(std::filesystem::exists(Dir.Path("long.wav")));
    }
}
