// talvimorena-tool run as a real process on real files.
#include "ToolRun.h"
#include "keys/KeyDefFile.h"
#include "settings/Settings.h"
#include "song/SongFile.h"
#include "sound/FavoriteVoices.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

TEST(ToolCommands, HelpAndUsageErrors) {
    TTempDir dir;
    TRun help = RunTool(dir, "--help");
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("info FILE [--json]"), std::string::npos);
    EXPECT_NE(help.Out.find("default-kdf OUT.kdf"), std::string::npos);
    EXPECT_EQ(RunTool(dir, "").Status, 2);
    TRun bad = RunTool(dir, "frobnicate");
    EXPECT_EQ(bad.Status, 2);
    EXPECT_NE(bad.Err.find("unknown command 'frobnicate'"), std::string::npos);
}

TEST(ToolCommands, DefaultKdfWritesTheBuiltInLayout) {
    TTempDir dir;
    TRun r = RunTool(dir, "default-kdf " + Q(dir.Path("d.kdf")));
    ASSERT_EQ(r.Status, 0) << r.Err;
    TKeyDefSet set{};
    ASSERT_TRUE(LoadKeyDefFile(dir.Path("d.kdf"), set));
    const TKeyDefSet expected = DefaultKeyDefSet();
    EXPECT_EQ(std::memcmp(&set, &expected, sizeof set), 0);
    // Wrong extension or missing folder: refused, nothing written.
    EXPECT_EQ(RunTool(dir, "default-kdf " + Q(dir.Path("d.txt"))).Status, 1);
    EXPECT_EQ(RunTool(dir, "default-kdf " + Q(dir.Path("no/d.kdf"))).Status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("d.txt")));
}

TEST(ToolInfo, PrintsKeyDefinitionsByKeyName) {
    TTempDir dir;
    TKeyDefSet set = DefaultKeyDefSet();
    set.Keys[KeyIndexOfName("W")].Caption.SetUtf8("和弦");
    ASSERT_TRUE(SaveKeyDefFile(set, dir.Path("layout.kdf")));
    // Recognised by content: the name says nothing.
    std::filesystem::rename(dir.Path("layout.kdf"), dir.Path("layout.bin"));
    TRun text = RunTool(dir, "info " + Q(dir.Path("layout.bin")));
    ASSERT_EQ(text.Status, 0) << text.Err;
    EXPECT_NE(text.Out.find("type: key definitions"), std::string::npos);
    EXPECT_NE(text.Out.find("definedKeys: 73"), std::string::npos);
    EXPECT_NE(text.Out.find("key=Num-Enter index=104 count=1 caption=\"\" noTranspose=no "
                            "notes=7/3 right (59)"),
              std::string::npos)
        << text.Out;
    EXPECT_NE(text.Out.find("key=W index=30 count=1 caption=和弦"), std::string::npos);
    EXPECT_NE(text.Out.find("缺省的键定义"), std::string::npos);
    TRun json = RunTool(dir, "info --json " + Q(dir.Path("layout.bin")));
    ASSERT_EQ(json.Status, 0);
    EXPECT_NE(json.Out.find("\"type\": \"key definitions\""), std::string::npos);
    EXPECT_NE(json.Out.find("\"key\": \"\\\\\""), std::string::npos); // the backslash key, escaped
    EXPECT_NE(json.Out.find("\"degree\": 7,\n"), std::string::npos);
}

TEST(ToolInfo, PrintsSettingsAndFavourites) {
    TTempDir dir;
    dir.WriteText("Talvimorena4.cfg", "60\r\n3\r\n1\r\n/x/y.dls\r\n");
    TRun cfg = RunTool(dir, "info " + Q(dir.Path("Talvimorena4.cfg")));
    ASSERT_EQ(cfg.Status, 0) << cfg.Err;
    EXPECT_NE(cfg.Out.find("latency: 60"), std::string::npos);
    EXPECT_NE(cfg.Out.find("period: 15"), std::string::npos);
    EXPECT_NE(cfg.Out.find("externalDLSFile: /x/y.dls"), std::string::npos);

    TFavoriteVoiceSet fav = DefaultFavoriteVoiceSet();
    fav.Voices[23].SetPatch(0x410233);
    ASSERT_TRUE(SaveFavoriteVoices(dir.Path("mine.dat"), fav));
    TRun f = RunTool(dir, "info " + Q(dir.Path("mine.dat")));
    ASSERT_EQ(f.Status, 0) << f.Err;
    EXPECT_NE(f.Out.find("key=Shift+F12 keyboard=left msb=65 lsb=2 program=51"), std::string::npos)
        << f.Out;
    EXPECT_NE(f.Out.find("key=F3 keyboard=right msb=65 lsb=0 program=18"), std::string::npos);
}

TEST(ToolInfo, FilesThatDoNotLoadGiveTheReason) {
    TTempDir dir;
    dir.WriteText("three.cfg", "60\r\n3\r\n1\r\n");
    TRun cfg = RunTool(dir, "info " + Q(dir.Path("three.cfg")));
    EXPECT_EQ(cfg.Status, 1);
    EXPECT_NE(cfg.Err.find("fewer than four lines"), std::string::npos) << cfg.Err;

    auto image = KeyDefFileImage(DefaultKeyDefSet());
    image.resize(5000);
    dir.Write("short.kdf", image);
    TRun kdf = RunTool(dir, "info " + Q(dir.Path("short.kdf")));
    EXPECT_EQ(kdf.Status, 1);
    EXPECT_NE(kdf.Err.find("5000 bytes"), std::string::npos) << kdf.Err;

    image = KeyDefFileImage(DefaultKeyDefSet());
    image[0] = 16;
    dir.Write("magic.kdf", image);
    TRun magic = RunTool(dir, "info " + Q(dir.Path("magic.kdf")));
    EXPECT_EQ(magic.Status, 1);
    EXPECT_NE(magic.Err.find("wrong magic"), std::string::npos) << magic.Err;

    dir.Write("noise.bin", std::vector<uint8_t>(100, 0xAB));
    EXPECT_EQ(RunTool(dir, "info " + Q(dir.Path("noise.bin"))).Status, 1);
    TRun missing = RunTool(dir, "info " + Q(dir.Path("gone.lyt")));
    EXPECT_EQ(missing.Status, 1);
    EXPECT_NE(missing.Err.find("no such file"), std::string::npos);
    // Nothing printed to stdout for a failure, and no file touched.
    EXPECT_TRUE(missing.Out.empty());
    EXPECT_EQ(dir.Read("magic.kdf"), image);
}

#include "fakes/FakeTickClock.h"
#include "song/SimpleRecorder.h"

TEST(ToolInfo, PrintsASongWithEveryEvent) {
    TTempDir dir;
    TFakeClock clock;
    TSimpleRecorder rec(clock);
    TPerformSnapshot snap = EmptyPerformSnapshot();
    snap.Transpose = 2;
    snap.RightVoice = 0x410030;
    rec.SetSnapshot(snap);
    rec.SetRecording(true);
    clock.Now = 1520;
    rec.RecordKeyDown(0x10); // Q
    clock.Now = 1700;
    rec.RecordMidi(0x99, 38, 60);
    TKeyDefSet table = DefaultKeyDefSet();
    RaiseKeyNote(table.Keys[29].Slots[0]);
    rec.RecordKeyTable(table);
    rec.RecordLeftPedal(-1);
    clock.Now = 2500;
    rec.RecordEndMark();
    rec.SetRecording(false);
    ASSERT_TRUE(rec.SaveToFile(dir.Path("s.lyt"), MakeSongInfo("小星星", "Marevo", "备注")));

    TRun r = RunTool(dir, "info " + Q(dir.Path("s.lyt")));
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("version: 4"), std::string::npos);
    EXPECT_NE(r.Out.find("title: 小星星"), std::string::npos);
    EXPECT_NE(r.Out.find("transpose: 2"), std::string::npos);
    EXPECT_NE(r.Out.find("rightVoice: <65:0:48>"), std::string::npos);
    EXPECT_NE(r.Out.find("eventCount: 5"), std::string::npos);
    EXPECT_NE(r.Out.find("[0] time=1520 skip=0 kind=evKeyDown value=16 meaning=Q"),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("kind=evMidiMessage value=10036796 meaning=99 26 3C"), std::string::npos);
    EXPECT_NE(r.Out.find("kind=evKeyTable value=0 meaning=73 keys defined"), std::string::npos);
    EXPECT_NE(r.Out.find("kind=evLeftPedal value=-1 meaning=down"), std::string::npos);
    EXPECT_NE(r.Out.find("[4] time=2500 skip=0 kind=evEndMark"), std::string::npos);
    EXPECT_NE(r.Out.find("eventKeyTables:"), std::string::npos);

    TRun json = RunTool(dir, "info --json " + Q(dir.Path("s.lyt")));
    ASSERT_EQ(json.Status, 0);
    EXPECT_NE(json.Out.find("\"kind\": \"evKeyDown\""), std::string::npos);
}

TEST(ToolInfo, VersionOneSongIsShownConvertedAndBrokenSongsSayWhy) {
    TTempDir dir;
    // A version-1 song of two key events, the second on code 63 (skipped).
    std::vector<uint8_t> v1(376, 0);
    std::memcpy(v1.data(), "TalvimorenaSong", 15);
    v1[16] = 1;
    v1[372] = 2; // event count
    const uint8_t events[16] = {100, 0, 0, 0, 0, 0x10, 1, 0, 200, 0, 0, 0, 0, 63, 1, 0};
    v1.insert(v1.end(), events, events + 16);
    dir.Write("old.bin", v1);
    TRun r = RunTool(dir, "info " + Q(dir.Path("old.bin")));
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("version: 1"), std::string::npos);
    EXPECT_NE(r.Out.find("leftVoice: <65:0:0>"), std::string::npos);
    EXPECT_NE(r.Out.find("[1] time=200 skip=-1 kind=evKeyDown value=63"), std::string::npos)
        << r.Out;

    v1[372] = 9; // promises more events than the file holds
    dir.Write("cut.lyt", v1);
    TRun cut = RunTool(dir, "info " + Q(dir.Path("cut.lyt")));
    EXPECT_EQ(cut.Status, 1);
    EXPECT_NE(cut.Err.find("file ends after 2 of 9 events"), std::string::npos) << cut.Err;

    std::vector<uint8_t> noZero(9000, 0);
    std::memcpy(noZero.data(), "TalvimorenaSongX", 16);
    dir.Write("nozero.lyt", noZero);
    TRun bad = RunTool(dir, "info " + Q(dir.Path("nozero.lyt")));
    EXPECT_EQ(bad.Status, 1);
    EXPECT_NE(bad.Err.find("wrong magic"), std::string::npos) << bad.Err;
}

TEST(ToolStyles, ListsPresetsAndChordStyles) {
    TTempDir dir;
    TRun r = RunTool(dir, "styles");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("name: 4/4 节拍器"), std::string::npos);
    EXPECT_NE(r.Out.find("name: 3/4 校园民谣(吉他分解和弦)"), std::string::npos);
    EXPECT_NE(r.Out.find("key=38 on=yes weight=4 pattern=x..............."), std::string::npos)
        << r.Out.substr(0, 2000);
    EXPECT_NE(r.Out.find("name: 自然七和弦"), std::string::npos);
    TRun json = RunTool(dir, "styles --json");
    ASSERT_EQ(json.Status, 0);
    EXPECT_NE(json.Out.find("\"rootNames\": [\"C\", \"#C\""), std::string::npos);
}

TEST(ToolInfo, AHugeSongIsReportedWholeAsItIsReadAndAnOversizedOneRefused) {
    TTempDir dir;
    TFakeClock clock;
    TSimpleRecorder rec(clock);
    rec.SetRecording(true);
    constexpr int Events = 300000;
    for (int i = 0; i < Events; ++i) {
        clock.Now = static_cast<uint32_t>(i);
        if (i % 2 == 0)
            rec.RecordKeyDown(0x10);
        else
            rec.RecordKeyUp(0x10);
    }
    rec.SetRecording(false);
    ASSERT_TRUE(rec.SaveToFile(dir.Path("big.lyt"), MakeSongInfo("t", "p", "r")));
    // Trailing bytes past what the header's events can use are never read.
    std::filesystem::resize_file(dir.Path("big.lyt"),
                                 std::filesystem::file_size(dir.Path("big.lyt")) + (64 << 20));
    for (const char* format : {"", "--json "}) {
        SCOPED_TRACE(format);
        TRun r = RunTool(dir, std::string("info ") + format + Q(dir.Path("big.lyt")));
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_NE(r.Out.find(std::to_string(Events)), std::string::npos);
        const std::string last = *format ? "\"time\": " + std::to_string(Events - 1) + ","
                                         : "[" + std::to_string(Events - 1) +
                                               "] time=" + std::to_string(Events - 1) + " ";
        EXPECT_NE(r.Out.find(last), std::string::npos) << "the last event is reported";
    }
    std::filesystem::resize_file(dir.Path("big.lyt"), MaxSongFileSize + 1);
    TRun r = RunTool(dir, "info " + Q(dir.Path("big.lyt")));
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("song does not load: file is larger than 256 MiB"), std::string::npos)
        << r.Err;
}
