// The song commands through the core: the buttons and command keys reach them through
// the real controller, command table and recorder; the dialogs, the caption and the
// loop's pause are a scripted window, and playback moves by hand-driven ticks.
#include "TempDir.h"
#include "tool/SongMaker.h"

#include "app/PianoCore.h"
#include "app/SystemParts.h"
#include "base/FileUtil.h"
#include "export/SongExport.h"
#include "keys/KeyTable.h"
#include "song/SongFile.h"
#include "sound/MidiLog.h"
#include "sound/platform/fluid/OfflineRender.h"
#include "sound/platform/fluid/TKTDirectMusic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TClock : ITickClock {
    uint32_t TickCount() const override { return Now; }
    uint32_t Now = 1000;
};

struct TNoWindow : IPianoWindow {
    void ConfineCursor(int, int) override {}
    void ReleaseCursor() override {}
    void SetCursorShape(TCursorShape) override {}
    void OpenKeyEditor(int) override {}
    void ShowCommandButtons(const TCommandButtonStates&) override {}
    void ShowMessage(std::string_view) override {}
    void ShowExternalVoiceLists(const TVoiceList&) override {}
    int ExternalVoiceListSelection(bool) const override { return -1; }
    void SelectExternalVoiceListItem(bool, int) override {}
    void CloseWindow() override {}
    bool ShowSettingsDialog(TSettings&, TSwitchBlock&) override { return false; }
    void OpenWithDesktop(const std::string&) override {}
    void ShowAbout() override {}
    void ShowSlider(const TSliderSetting&) override {}
};

// The window's side as a script: the answers the dialogs give, and a journal of
// everything asked, in order ("message: ...", "info: caption ro|rw", "save: name").
struct TScriptedWindow : ISongWindow {
    std::optional<std::string> AskOpenSongFile() override {
        Journal.push_back("open dialog");
        return Next(OpenAnswers);
    }
    std::optional<TSongSaveChoice> AskSaveSongFile(const std::string& proposed) override {
        Journal.push_back("save dialog: " + proposed);
        const std::optional<std::string> path = Next(SaveAnswers);
        const TSongSaveFormat filter =
            SaveFilters.empty() ? TSongSaveFormat::Song : SaveFilters.front();
        if (!SaveFilters.empty()) SaveFilters.pop_front();
        if (!path) return std::nullopt;
        return TSongSaveChoice{*path, filter};
    }
    void ExportSong(TSongSaveFormat format, const std::string& path,
                    std::vector<uint8_t> song) override {
        Journal.push_back("export " + std::to_string(static_cast<int>(format)) + ": " + path);
        Exported.push_back(std::move(song));
    }
    bool ShowSongInfo(std::string_view caption, const TSongInfoRec& in, TSongInfoRec& out,
                      bool readOnly) override {
        Journal.push_back("info: " + std::string(caption) + (readOnly ? " ro" : " rw"));
        InfoShown.push_back(in);
        if (!InfoAnswer) return false;
        out = *InfoAnswer;
        return true;
    }
    // As the dialog does: the title as typed beside the record's (when one is typed).
    bool ShowSongInfoTyped(std::string_view caption, const TSongInfoRec& in, TSongInfoRec& out,
                           std::string& typedTitle) override {
        if (!TypedTitle) return ISongWindow::ShowSongInfoTyped(caption, in, out, typedTitle);
        const bool ok = ShowSongInfo(caption, in, out, false);
        typedTitle = *TypedTitle;
        return ok;
    }
    void ShowSongMessage(std::string_view text) override {
        Journal.push_back("message: " + std::string(text));
    }
    void SetSongCaption(std::string_view caption) override { Caption = caption; }
    void ShowSongButtons(const TCommandButtonStates& states) override { Buttons.push_back(states); }
    void SetPlayingViewsEnabled(bool enabled) override { ViewsEnabled.push_back(enabled); }
    void StartSongPause(int ms, std::function<void()> then) override {
        PauseMs = ms;
        AfterPause = std::move(then);
    }
    void CancelSongPause() override { AfterPause = nullptr; }
    // The pause's timer fires.
    void EndPause() {
        auto then = std::move(AfterPause);
        AfterPause = nullptr;
        if (then) then();
    }

    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers) {
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }

    std::deque<std::optional<std::string>> OpenAnswers, SaveAnswers;
    std::deque<TSongSaveFormat> SaveFilters;    // the filter of each save answer (Song if none)
    std::vector<std::vector<uint8_t>> Exported; // the song handed to each export
    std::optional<TSongInfoRec> InfoAnswer;     // nothing: the close box
    std::optional<std::string> TypedTitle;      // the title field's text with InfoAnswer
    std::vector<std::string> Journal;
    std::vector<TSongInfoRec> InfoShown;
    std::string Caption = "Talvimorena模拟钢琴";
    std::vector<TCommandButtonStates> Buttons;
    std::vector<bool> ViewsEnabled;
    int PauseMs = 0;
    std::function<void()> AfterPause;
};

class SongCommands : public ::testing::Test {
protected:
    SongCommands() {
        EXPECT_TRUE(Log.Open(Dir.Path("midi.log")));
        TPianoCoreSetup setup;
        setup.ProgramFolder = Dir.Root().string();
        setup.MakeSound = FluidSynthSound(TKTDirectMusicSetup::Offline(&Log));
        setup.OfflinePort = true;
        setup.ManualTempoClock = true;
        setup.SongWindow = &Songs;
        Core = std::make_unique<TPianoCore>(std::move(setup), Settings, Clock, Window,
                                            TControllerPorts{});
    }
    void Key(uint8_t code, bool down) {
        Core->KeyMessage(down ? WM_DIKEYDOWN : WM_DIKEYUP, code, KeyIndexOfCode(code));
    }
    // A key pressed and released with the modifiers held.
    void Press(uint8_t code, std::initializer_list<uint8_t> modifiers = {}) {
        for (uint8_t m : modifiers)
            Key(m, true);
        Key(code, true);
        Key(code, false);
        for (uint8_t m : modifiers)
            Key(m, false);
    }
    // Record Q and W held a while, with the Record button.
    void RecordTwoKeys() {
        Core->CommandButtonClick(cbRecord);
        Clock.Now += 100;
        Key(DIK::Q, true);
        Clock.Now += 200;
        Key(DIK::Q, false);
        Key(DIK::W, true);
        Clock.Now += 200;
        Key(DIK::W, false);
        Core->CommandButtonClick(cbRecord);
    }
    // Note-ons the synthesiser was sent so far.
    int NoteOns() const {
        std::ifstream in(Dir.Path("midi.log"));
        int n = 0;
        for (std::string line; std::getline(in, line);)
            if (line.find(" 90 ") != std::string::npos) ++n;
        return n;
    }
    TSimpleRecorder& Recorder() { return Core->Recorder(); }
    const std::string& FileName() { return Core->Songs().SongFileName(); }

    TTempDir Dir;
    TMidiLog Log;
    TClock Clock;
    TSettings Settings;
    TNoWindow Window;
    TScriptedWindow Songs;
    std::unique_ptr<TPianoCore> Core;
};

TEST_F(SongCommands, RecordingKeysEnablesSaveAndPlayAndNamesTheSongNewFile) {
    Core->CommandButtonClick(cbRecord);
    EXPECT_EQ(Songs.Caption, "Talvimorena - NewFile");
    EXPECT_EQ(Songs.Buttons.back(), CommandButtonsFor(true, false, "NewFile", true));
    EXPECT_TRUE(Songs.Buttons.back().RecordLatched);
    const TSongHeader header = Recorder().Header();
    EXPECT_EQ(header.Info.Title.Utf8(), "SongTitle");
    EXPECT_EQ(header.Info.Performer.Utf8(), "Marevo");
    EXPECT_EQ(header.Snapshot.RightVolume, 100) << "the performer state at the start";
    EXPECT_EQ(header.Snapshot.LeftVolume, 70);

    Key(DIK::Q, true);
    Key(DIK::Q, false);
    Core->CommandButtonClick(cbRecord);
    EXPECT_FALSE(Recorder().IsRecording());
    EXPECT_EQ(Recorder().EventCount(), 2u) << "the button writes no end mark";
    const TCommandButtonStates& after = Songs.Buttons.back();
    EXPECT_TRUE(after.Enabled[cbSave]);
    EXPECT_TRUE(after.Enabled[cbPlay]);
    EXPECT_FALSE(after.RecordLatched);

    // Ctrl+R both ways: the stop writes the end mark.
    Press(DIK::R, {DIK::LCONTROL});
    EXPECT_TRUE(Recorder().IsRecording());
    EXPECT_EQ(Recorder().EventCount(), 0u) << "a new recording replaces the song";
    Press(DIK::R, {DIK::LCONTROL});
    EXPECT_FALSE(Recorder().IsRecording());
    ASSERT_EQ(Recorder().EventCount(), 1u);
    Recorder().ForEachEvent(
        [](const TSongEvent& e, const TKeyDefSet*) { EXPECT_EQ(e.Kind, evEndMark); });
}

TEST_F(SongCommands, CtrlSAsksTheInformationProposesTheTitleAndThenSaveIsDisabled) {
    RecordTwoKeys();
    Songs.InfoAnswer = MakeSongInfo("夜曲", "小林", "第一遍");
    const std::string path = Dir.Path("夜曲.lyt");
    Songs.SaveAnswers = {path};
    Press(DIK::S, {DIK::LCONTROL});
    EXPECT_EQ(Songs.Journal,
              (std::vector<std::string>{"info: 请输入歌曲信息 rw", "save dialog: 夜曲"}));
    ASSERT_EQ(Songs.InfoShown.size(), 1u);
    EXPECT_EQ(Songs.InfoShown[0].Title.Length(), 0u) << "a new song starts with empty fields";
    EXPECT_EQ(FileName(), path);
    EXPECT_EQ(Songs.Caption, "Talvimorena - " + path);
    EXPECT_FALSE(Songs.Buttons.back().Enabled[cbSave]);
    EXPECT_TRUE(Songs.Buttons.back().Enabled[cbPlay]);

    TFakeClock clock;
    TSimpleRecorder reread(clock);
    TSongInfoRec info{};
    ASSERT_TRUE(reread.LoadFromFile(path, info)) << reread.LastError();
    EXPECT_EQ(info.Title.Utf8(), "夜曲");
    EXPECT_EQ(info.Remark.Utf8(), "第一遍");
    EXPECT_EQ(reread.EventCount(), 4u);

    // Saved once, Ctrl+S asks nothing more; Ctrl+Shift+S writes to the same file.
    Songs.Journal.clear();
    Press(DIK::S, {DIK::LCONTROL});
    EXPECT_TRUE(Songs.Journal.empty());
    ASSERT_TRUE(std::filesystem::remove(path));
    Press(DIK::S, {DIK::LCONTROL, DIK::LSHIFT});
    EXPECT_TRUE(Songs.Journal.empty());
    ASSERT_TRUE(reread.LoadFromFile(path, info)) << reread.LastError();
    EXPECT_EQ(info.Performer.Utf8(), "小林");
}

TEST_F(SongCommands, SavingUnderAnExportFilterOrEndingExportsAndLeavesTheSongUnsaved) {
    RecordTwoKeys();
    Songs.InfoAnswer = MakeSongInfo("夜曲", "小林", "");
    struct TCase {
        TSongSaveFormat Filter;
        std::string Name;
        int Exported; // the format handed to the export, -1: saved as a song
    };
    using F = TSongSaveFormat;
    const std::vector<TCase> cases = {
        {F::Midi, "a.mid", 1}, {F::MusicXml, "b.musicxml", 2}, {F::Wav, "c.wav", 3},
        {F::Song, "d.MID", 1}, {F::Song, "e.Wav", 3},          {F::Midi, "f.musicxml", 2},
        {F::Wav, "g.txt", 3},  {F::Midi, "h.lyt", -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Songs.Journal.clear();
        Songs.Exported.clear();
        Songs.SaveAnswers = {Dir.Path(c.Name)};
        Songs.SaveFilters = {c.Filter};
        Core->CommandButtonClick(cbSave);
        if (c.Exported < 0) {
            EXPECT_EQ(FileName(), Dir.Path(c.Name));
            EXPECT_TRUE(std::filesystem::exists(Dir.Path(c.Name)));
            continue;
        }
        EXPECT_EQ(Songs.Journal.back(),
                  "export " + std::to_string(c.Exported) + ": " + Dir.Path(c.Name));
        EXPECT_FALSE(std::filesystem::exists(Dir.Path(c.Name))) << "the window writes it";
        EXPECT_EQ(FileName(), "NewFile") << "the song is still unsaved";
        EXPECT_EQ(Songs.Caption, "Talvimorena - NewFile");
        EXPECT_TRUE(Songs.Buttons.back().Enabled[cbSave]);
        // The song handed over is the recording with the information entered, and
        // the recording's own information is what it was.
        ASSERT_EQ(Songs.Exported.size(), 1u);
        TFakeClock clock;
        TSimpleRecorder handed(clock);
        TSongInfoRec info{};
        ASSERT_TRUE(handed.LoadFromBytes(Songs.Exported[0], info));
        EXPECT_EQ(info.Title.Utf8(), "夜曲");
        EXPECT_EQ(handed.EventCount(), 4u);
        EXPECT_EQ(Recorder().Header().Info.Title.Utf8(), "SongTitle");
    }
}

TEST_F(SongCommands, SaveWithTheInformationCancelledAndCtrlShiftSOfANewSongAskAName) {
    RecordTwoKeys();
    // Ctrl+Shift+S of a song never saved asks a name, as Save does.
    Songs.SaveAnswers = {std::nullopt};
    Press(DIK::S, {DIK::LCONTROL, DIK::LSHIFT});
    EXPECT_EQ(Songs.Journal,
              (std::vector<std::string>{"info: 请输入歌曲信息 rw", "save dialog: "}));
    EXPECT_EQ(FileName(), "NewFile") << "cancelled: nothing saved";
    // The information's close box leaves it empty and the save goes on.
    const std::string path = Dir.Path("untitled.lyt");
    Songs.SaveAnswers = {path};
    Core->CommandButtonClick(cbSave);
    EXPECT_EQ(FileName(), path);
    TSongInfoRec info{};
    ASSERT_TRUE(Recorder().LoadFromFile(path, info));
    EXPECT_EQ(info.Title.Length() + info.Performer.Length() + info.Remark.Length(), 0u);
}

TEST_F(SongCommands, CtrlPWithoutASongDoesNothing) {
    Press(DIK::P, {DIK::LCONTROL});
    Press(DIK::P, {DIK::LCONTROL, DIK::LSHIFT});
    Core->CommandButtonClick(cbPlay);
    EXPECT_FALSE(Recorder().IsPlaying());
    EXPECT_TRUE(Songs.Buttons.empty());
    EXPECT_TRUE(Songs.ViewsEnabled.empty());
    EXPECT_EQ(Songs.Caption, "Talvimorena模拟钢琴");
}

TEST_F(SongCommands, ALoopRestartsHalfASecondAfterTheEndAndEscEndsIt) {
    RecordTwoKeys();
    const int recorded = NoteOns();
    Press(DIK::P, {DIK::LCONTROL, DIK::LSHIFT});
    ASSERT_TRUE(Recorder().IsPlaying());
    EXPECT_TRUE(Core->Controller().IsLoopPlay());
    EXPECT_EQ(Songs.ViewsEnabled, std::vector<bool>{false});
    EXPECT_TRUE(Songs.Buttons.back().PlayLatched);

    Clock.Now += 1000;
    Recorder().PlaybackTick(); // every event due, then the end
    EXPECT_EQ(NoteOns(), 2 * recorded);
    EXPECT_FALSE(Recorder().IsPlaying());
    EXPECT_EQ(Songs.PauseMs, 500);
    ASSERT_TRUE(Songs.AfterPause);
    EXPECT_EQ(Songs.ViewsEnabled, (std::vector<bool>{false, true}));

    // A key in the pause plays nothing: the loop still owns the keyboard.
    Key(DIK::E, true);
    Key(DIK::E, false);
    EXPECT_EQ(NoteOns(), 2 * recorded);

    Songs.EndPause();
    ASSERT_TRUE(Recorder().IsPlaying()) << "the loop starts again from the beginning";
    Clock.Now += 150;
    Recorder().PlaybackTick();
    EXPECT_EQ(NoteOns(), 2 * recorded + 1) << "Q again";

    Press(DIK::ESCAPE);
    EXPECT_FALSE(Recorder().IsPlaying());
    EXPECT_FALSE(Songs.AfterPause) << "a stop is no end of the song: no restart";
    EXPECT_TRUE(Songs.ViewsEnabled.back());

    // Esc in the pause ends the loop as well.
    Press(DIK::P, {DIK::LCONTROL, DIK::LSHIFT});
    Clock.Now += 1000;
    Recorder().PlaybackTick();
    ASSERT_TRUE(Songs.AfterPause);
    Press(DIK::ESCAPE);
    EXPECT_FALSE(Songs.AfterPause);
    EXPECT_FALSE(Recorder().IsPlaying());

    // Sleep plays once: loop off.
    Key(DIK::SLEEP, true);
    EXPECT_FALSE(Core->Controller().IsLoopPlay());
    EXPECT_TRUE(Recorder().IsPlaying());
    Clock.Now += 1000;
    Recorder().PlaybackTick();
    EXPECT_FALSE(Recorder().IsPlaying());
    EXPECT_FALSE(Songs.AfterPause);
}

TEST_F(SongCommands, AVersionOneSongWarnsAndThenShowsItsInformation) {
    const std::string path = Dir.Path("old.lyt");
    ASSERT_TRUE(WriteFileAtomic(path, V1Song({{0, 0, DIK::Q, 1}, {300, 0, DIK::Q, 0}})));
    Songs.OpenAnswers = {path};
    Press(DIK::O, {DIK::LCONTROL});
    EXPECT_EQ(Songs.Journal,
              (std::vector<std::string>{"open dialog", "message: 旧版文件，可能无法正确播放。",
                                        "info: 歌曲信息 ro"}));
    ASSERT_EQ(Songs.InfoShown.size(), 1u);
    EXPECT_EQ(Songs.InfoShown[0].Title.Utf8(), "V1");
    EXPECT_EQ(FileName(), path);
    EXPECT_EQ(Songs.Caption, "Talvimorena - " + path);
    EXPECT_EQ(Songs.Buttons.back(), CommandButtonsFor(false, false, path, false));
    EXPECT_FALSE(Songs.Buttons.back().Enabled[cbSave]) << "an opened song is saved already";
}

TEST_F(SongCommands, OpeningAFileThatIsNoSongSaysSoAndChangesNothing) {
    RecordTwoKeys();
    const TSongHeader before = Recorder().Header();
    const std::string path = Dir.Path("notes.lyt");
    std::vector<uint8_t> bytes(9000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    ASSERT_TRUE(WriteFileAtomic(path, bytes));
    Songs.OpenAnswers = {path};
    Songs.InfoAnswer = MakeSongInfo("x", "y", "z");
    Press(DIK::O, {DIK::LCONTROL, DIK::LSHIFT});
    EXPECT_EQ(Songs.Journal, (std::vector<std::string>{"open dialog", "message: 读取文件失败!"}));
    std::vector<uint8_t> after;
    ASSERT_EQ(ReadFilePrefix(path, 1 << 20, after), TReadResult::Ok);
    EXPECT_EQ(after, bytes) << "the file is left untouched";
    EXPECT_EQ(FileName(), "NewFile");
    EXPECT_EQ(Songs.Caption, "Talvimorena - NewFile");
    // The unsaved recording is still whole, header and all.
    EXPECT_EQ(Recorder().EventCount(), 4u);
    const TSongHeader now = Recorder().Header();
    EXPECT_EQ(std::memcmp(&now, &before, sizeof before), 0);
}

TEST_F(SongCommands, OpenAndEditInformationRewritesTheFileWithTheSameEvents) {
    RecordTwoKeys();
    const std::string path = Dir.Path("a.lyt");
    ASSERT_TRUE(Recorder().SaveToFile(path, MakeSongInfo("A", "B", "C")));
    Songs.OpenAnswers = {path};
    Songs.InfoAnswer = MakeSongInfo("新标题", "B", "C");
    Press(DIK::O, {DIK::LCONTROL, DIK::LSHIFT});
    EXPECT_EQ(Songs.Journal, (std::vector<std::string>{"open dialog", "info: 修改歌曲信息 rw"}));
    EXPECT_EQ(Songs.InfoShown.at(0).Title.Utf8(), "A");
    TFakeClock clock;
    TSimpleRecorder reread(clock);
    TSongInfoRec info{};
    ASSERT_TRUE(reread.LoadFromFile(path, info));
    EXPECT_EQ(info.Title.Utf8(), "新标题");
    EXPECT_EQ(reread.EventCount(), 4u);
}

TEST_F(SongCommands, ASaveThatFailsSaysSoAndKeepsTheRecordingForAnotherTry) {
    RecordTwoKeys();
    const size_t buttonsBefore = Songs.Buttons.size();
    // A folder that is gone; and, where permissions hold (not for root), one that
    // cannot be written to.
    std::vector<std::string> targets{Dir.Path("gone/song.lyt")};
    const std::string locked = Dir.Path("locked");
    std::filesystem::create_directory(locked);
    if (geteuid() != 0) {
        ::chmod(locked.c_str(), 0555);
        targets.push_back(locked + "/song.lyt");
    }
    for (const std::string& target : targets) {
        Songs.Journal.clear();
        Songs.SaveAnswers = {target};
        Core->CommandButtonClick(cbSave);
        ASSERT_EQ(Songs.Journal.size(), 3u) << target;
        EXPECT_EQ(Songs.Journal[2].rfind("message: 歌曲没有保存！\n", 0), 0u) << Songs.Journal[2];
        EXPECT_NE(Songs.Journal[2].find(target), std::string::npos) << "it says where";
        EXPECT_FALSE(FileExists(target));
        EXPECT_EQ(FileName(), "NewFile");
        EXPECT_EQ(Songs.Caption, "Talvimorena - NewFile");
        EXPECT_EQ(Songs.Buttons.size(), buttonsBefore) << "the buttons stay as they were";
    }
    ::chmod(locked.c_str(), 0755);
    // The recording is still there to be saved elsewhere.
    const std::string good = Dir.Path("kept.lyt");
    Songs.SaveAnswers = {good};
    Core->CommandButtonClick(cbSave);
    EXPECT_EQ(FileName(), good);
    EXPECT_TRUE(FileExists(good));
}

TEST_F(SongCommands, NothingOpensOrSavesWhileASongPlaysOrRecords) {
    RecordTwoKeys();
    Core->CommandButtonClick(cbPlay);
    ASSERT_TRUE(Recorder().IsPlaying());
    Songs.OpenAnswers = {Dir.Path("x.lyt")};
    Core->CommandButtonClick(cbOpen);
    Core->CommandButtonClick(cbSave);
    Core->CommandButtonClick(cbRecord);
    EXPECT_TRUE(Songs.Journal.empty());
    EXPECT_FALSE(Recorder().IsRecording());
    EXPECT_EQ(Songs.Buttons.back(), CommandButtonsFor(false, true, "NewFile", false));
    Core->CommandButtonClick(cbPlay);
    EXPECT_FALSE(Recorder().IsPlaying());
    EXPECT_FALSE(Core->Controller().IsLoopPlay());
}

} // namespace

TEST_F(SongCommands, SavesAndOpensThatCannotBeDoneSayTheProgramsMessageAndChangeNothing) {
    RecordTwoKeys();
    const std::string saved = Dir.Path("saved.lyt");
    Songs.InfoAnswer = MakeSongInfo("a", "b", "c");
    Songs.SaveAnswers = {saved};
    Press(DIK::S, {DIK::LCONTROL});
    ASSERT_EQ(FileName(), saved);
    const std::vector<uint8_t> before = Dir.Read("saved.lyt");
    const size_t events = Recorder().EventCount();
    const auto entries = [&] { return Dir.Entries().size(); };
    const size_t files = entries();

    // Ctrl+Shift+S on the current song made read-only: refused, the file as it was.
    ::chmod(saved.c_str(), 0444);
    Songs.Journal.clear();
    Press(DIK::S, {DIK::LCONTROL, DIK::LSHIFT});
    ASSERT_EQ(Songs.Journal.size(), 1u);
    EXPECT_EQ(Songs.Journal[0].rfind("message: 歌曲没有保存！\n", 0), 0u) << Songs.Journal[0];
    EXPECT_EQ(Dir.Read("saved.lyt"), before);
    EXPECT_EQ(entries(), files) << "no temporary file left";

    // A read-only file chosen in the save dialog (its replace prompt said yes).
    RecordTwoKeys();
    const std::string other = Dir.Path("other.lyt");
    Dir.Write("other.lyt", {1, 2, 3});
    ::chmod(other.c_str(), 0444);
    Songs.Journal.clear();
    Songs.SaveAnswers = {other};
    Press(DIK::S, {DIK::LCONTROL});
    ASSERT_EQ(Songs.Journal.size(), 3u);
    EXPECT_EQ(Songs.Journal[2].rfind("message: 歌曲没有保存！\n", 0), 0u) << Songs.Journal[2];
    EXPECT_EQ(Dir.Read("other.lyt"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(FileName(), "NewFile") << "the recording can still be saved elsewhere";

    // Opening a named pipe, and a file larger than any song: the read-failure
    // message at once, and the recording in memory stays.
    ASSERT_EQ(::mkfifo(Dir.Path("pipe.lyt").c_str(), 0600), 0);
    Dir.Write("huge.lyt", V1Song({{0, 0, DIK::Q, 1}}));
    std::filesystem::resize_file(Dir.Path("huge.lyt"), MaxSongFileSize + 1);
    for (const char* name : {"pipe.lyt", "huge.lyt"}) {
        SCOPED_TRACE(name);
        Songs.Journal.clear();
        Songs.OpenAnswers = {Dir.Path(name)};
        Press(DIK::O, {DIK::LCONTROL});
        EXPECT_EQ(Songs.Journal,
                  (std::vector<std::string>{"open dialog", "message: 读取文件失败!"}));
        EXPECT_EQ(Recorder().EventCount(), events);
        EXPECT_EQ(FileName(), "NewFile");
    }
}

TEST_F(SongCommands, TheProposedNameIsTheTitleAsTypedWhereTheRecordCannotHoldIt) {
    RecordTwoKeys();
    const std::string typed = "한국 Ωé ✓";
    TSongInfoRec info{};
    info.Title.SetUtf8(typed); // what code page 936 holds of it
    ASSERT_NE(info.Title.Utf8(), typed);
    Songs.InfoAnswer = info;
    Songs.TypedTitle = typed;
    const std::string path = Dir.Path(typed + ".lyt");
    Songs.SaveAnswers = {path};
    Press(DIK::S, {DIK::LCONTROL});
    EXPECT_EQ(Songs.Journal,
              (std::vector<std::string>{"info: 请输入歌曲信息 rw", "save dialog: " + typed}));
    // The name on disk is the UTF-8 one; the stored title what the format allows.
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(path)));
    TFakeClock clock;
    TSimpleRecorder reread(clock);
    TSongInfoRec back{};
    ASSERT_TRUE(reread.LoadFromFile(path, back));
    EXPECT_EQ(back.Title.Utf8(), info.Title.Utf8());
}

// The window's side with Qt's own dialogs, offscreen: the Save dialog's filters, and
// a WAV render that is cancelled from its progress dialog.
#include "app/SongDialogs.h"
#include "ui/WidgetTestSupport.h"

#include <QFileDialog>
#include <QPushButton>

TEST(SongDialogsWindow, TheSaveDialogOffersTheExportsAndACancelledRenderLeavesNothing) {
    TTempDir dir;
    auto host = uitest::MakeHost();
    uitest::Show(*host);
    std::vector<QString> messages;
    TVoiceList voices;
    TSongWindowHooks hooks;
    hooks.ShowMessage = [&](const QString& text) { messages.push_back(text); };
    hooks.Voices = [&]() -> const TVoiceList& { return voices; };
    hooks.VoiceSetPath = [] { return ProgramFolder() + "msf4.s"; };
    hooks.ReverbLevel = [] { return 0; };
    TSongDialogs dialogs(host.get(), QString::fromStdString(dir.Root().string()), hooks);

    QStringList shownFilters;
    QString selectedFilter;
    uitest::WhenShown<QFileDialog>([&](QFileDialog& d) {
        shownFilters = d.nameFilters();
        selectedFilter = d.selectedNameFilter();
        uitest::SaveShot(d.grab().toImage(), "song-save-dialog");
        d.selectNameFilter(shownFilters.value(1));
        d.selectFile(QString::fromStdString(dir.Path("tune.mid")));
        QMetaObject::invokeMethod(&d, "accept", Qt::QueuedConnection);
    });
    const std::optional<TSongSaveChoice> choice = dialogs.AskSaveSongFile("tune");
    EXPECT_EQ(shownFilters, (QStringList{"Talvimorena Song File(*.lyt)", "General MIDI File(*.mid)",
                                         "MusicXML Score(*.musicxml)", "WAV Sound File(*.wav)"}));
    EXPECT_EQ(selectedFilter, "Talvimorena Song File(*.lyt)");
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->Filter, TSongSaveFormat::Midi);

    // A long song: a note every 100 ms for ten minutes.
    TSongMaker song;
    for (uint32_t t = 0; t < 600000; t += 100) {
        song.At(t).RecordKeyDown(DIK::NUMPAD1);
        song.At(t + 90).RecordKeyUp(DIK::NUMPAD1);
    }
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(song.Recorder.SongImage(MakeSongInfo("长曲", "", ""), bytes));
    const std::string wav = dir.Path("long.wav");
    dialogs.ExportSong(TSongSaveFormat::Wav, wav, bytes);
    ASSERT_TRUE(dialogs.Rendering());
    ASSERT_NE(dialogs.RenderProgress(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.RenderProgress()->value() > 0; }, 20000));
    uitest::SaveShot(dialogs.RenderProgress()->grab().toImage(), "song-render-progress");
    // The dialog's own Cancel button, as the player presses it.
    auto* cancel = dialogs.RenderProgress()->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.Rendering(); }, 20000));
    EXPECT_FALSE(std::filesystem::exists(wav));
    for (const auto& e : std::filesystem::directory_iterator(dir.Root()))
        ADD_FAILURE() << "left behind: " << e.path();
    EXPECT_TRUE(messages.empty());
}

TEST(SongDialogsWindow, AWavExportEndsWithTheLastNoteNotWithLaterSilentEvents) {
    TTempDir dir;
    auto host = uitest::MakeHost();
    std::vector<QString> messages;
    TVoiceList voices;
    TSongWindowHooks hooks;
    hooks.ShowMessage = [&](const QString& text) { messages.push_back(text); };
    hooks.Voices = [&]() -> const TVoiceList& { return voices; };
    hooks.VoiceSetPath = [] { return ProgramFolder() + "msf4.s"; };
    hooks.ReverbLevel = [] { return 0; };
    TSongDialogs dialogs(host.get(), QString::fromStdString(dir.Root().string()), hooks);

    // Half a second of a note, then a voice chosen a minute later: it sounds nothing.
    TSongMaker song;
    song.At(0).RecordKeyDown(DIK::NUMPAD1);
    song.At(500).RecordKeyUp(DIK::NUMPAD1);
    song.At(60000).RecordRightVoice(static_cast<int32_t>(MakePatch(1, 0, 0)));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(song.Recorder.SongImage(MakeSongInfo("短曲", "", ""), bytes));
    const std::string wav = dir.Path("short.wav");
    dialogs.ExportSong(TSongSaveFormat::Wav, wav, bytes);
    ASSERT_TRUE(dialogs.Rendering());
    ASSERT_NE(dialogs.RenderProgress(), nullptr);
    EXPECT_EQ(dialogs.RenderProgress()->maximum(), 500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.Rendering(); }, 30000));
    ASSERT_TRUE(std::filesystem::exists(wav));
    // 44 bytes of header, then 4 bytes a frame: the note and at most 2 s of its tail.
    const auto frames = (std::filesystem::file_size(wav) - 44) / 4;
    EXPECT_GE(frames, 500u * 44100 / 1000);
    EXPECT_LE(frames, 2500u * 44100 / 1000);
    EXPECT_TRUE(messages.empty());
}

// A song recorded with the accompaniment running gives its score the accompaniment's
// tempo and bar: the real engine plays each style at its tempo on the tempo clock,
// ticked every millisecond, while a key is held over the second bar line.
TEST_F(SongCommands, AScoreTakesTheTempoAndBarOfTheRecordedAccompaniment) {
    struct TCase {
        int Style; // of the first group
        double Tempo;
        const char* Beats;
    };
    for (const TCase c : {TCase{0, 90, "<beats>4</beats>"}, TCase{3, 132, "<beats>3</beats>"},
                          TCase{1, 120, "<beats>4</beats>"}}) {
        SCOPED_TRACE(c.Style);
        TAutoAccomp& accomp = Core->Accompaniment();
        accomp.SetAccompStyleGroupNum(0);
        accomp.SetAccompStyleIndex(c.Style);
        Core->Metronome().SetTempo(c.Tempo);
        Core->CommandButtonClick(cbRecord);
        Core->Controller().SetAccompaniment(true);
        ASSERT_TRUE(accomp.Start());
        const int beats = accomp.CurrentStyle().Length;
        const uint32_t barMs = static_cast<uint32_t>(60000.0 / c.Tempo * beats);
        const uint32_t start = Clock.Now;
        for (uint32_t ms = 0; ms < 4 * barMs; ++ms) {
            if (ms == barMs - barMs / 4) Key(DIK::Q, true);
            if (ms == barMs + barMs / 4) Key(DIK::Q, false);
            Clock.Now = start + ms;
            Core->Metronome().Tick();
        }
        Core->Controller().SetAccompaniment(false);
        Core->CommandButtonClick(cbRecord);

        std::vector<uint8_t> song;
        ASSERT_TRUE(Recorder().SongImage(MakeSongInfo("伴奏", "", ""), song));
        TSongRun run;
        std::string reason;
        ASSERT_TRUE(run.LoadBytes(song, reason)) << reason;
        // The voices decide which patches the accompaniment's program changes find.
        TMidiLog quiet;
        TVoiceList voices;
        TKTDirectMusic synth{voices, TKTDirectMusicSetup::Offline(&quiet)};
        Dir.Write("sine.dls", Image(SineVoiceSet()));
        ASSERT_TRUE(LoadVoiceSetFile(Dir.Path("sine.dls"), synth, reason)) << reason;
        const TSongExportResult r = ExportSongMusicXml(run, voices, TScoreOptions{});
        ASSERT_TRUE(r.Ok) << r.Error;
        const std::string xml(r.Bytes.begin(), r.Bytes.end());
        char tempo[40];
        std::snprintf(tempo, sizeof tempo, "tempo=\"%g\"", c.Tempo);
        EXPECT_NE(xml.find(tempo), std::string::npos) << xml.substr(0, 3000);
        EXPECT_NE(xml.find(c.Beats), std::string::npos);
        // The held key crosses the bar line: it is tied.
        EXPECT_NE(xml.find("<tie type=\"start\"/>"), std::string::npos);
    }
}
