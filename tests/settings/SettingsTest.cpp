#include "settings/Settings.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
TSettings LoadText(const std::string& text) {
    TTempDir dir;
    dir.WriteText("t.cfg", text);
    TSettings s;
    s.Latency = 777; // must be overwritten in every case
    LoadSettings(s, dir.Path("t.cfg"));
    return s;
}
} // namespace

TEST(SettingsFile, ReadsFourLines) {
    const TSettings s = LoadText("60\r\n3\r\n1\r\n/home/u/音色.dls\r\n");
    EXPECT_EQ(s.Latency, 60);
    EXPECT_EQ(WritePeriodForLatency(s.Latency), 15);
    EXPECT_EQ(s.ReverbLevel, 3);
    EXPECT_TRUE(s.UseExternalDLS);
    EXPECT_EQ(s.ExternalDLSFile, "/home/u/音色.dls"); // bytes kept as written
}

TEST(SettingsFile, AnyFaultGivesTheWholeDefaultRecord) {
    for (const std::string text :
         {"60\r\n3\r\n1\r\n", "abc\r\n3\r\n1\r\nx\r\n", "60\r\n3x\r\n1\r\nx\r\n",
          "60\r\n3\r\n\r\nx\r\n", "99999999999\r\n3\r\n1\r\nx\r\n", ""}) {
        EXPECT_EQ(LoadText(text), DefaultSettings) << text;
    }
    TTempDir dir;
    TSettings s;
    s.Latency = 5;
    LoadSettings(s, dir.Path("missing.cfg"));
    EXPECT_EQ(s, DefaultSettings);
    EXPECT_EQ(s.Latency, 40);
    EXPECT_EQ(s.ReverbLevel, 2);
    EXPECT_FALSE(s.UseExternalDLS);
    EXPECT_EQ(WritePeriodForLatency(s.Latency), 13);
}

TEST(SettingsFile, ValuesAreTakenAsTheyAre) {
    const TSettings s = LoadText("500\n260\n256\n\n");
    EXPECT_EQ(s.Latency, 500);      // no range check
    EXPECT_EQ(s.ReverbLevel, 4);    // low 8 bits of 260
    EXPECT_FALSE(s.UseExternalDLS); // low 8 bits of 256 are 0
    EXPECT_EQ(s.ExternalDLSFile, "");
    // LF-only and CR-only line ends read too; an empty fourth line counts.
    EXPECT_EQ(LoadText("-3\r2\r0\r\r").Latency, -3);
}

TEST(SettingsFile, LongPathIsCutTo250Bytes) {
    const std::string path(300, 'p');
    const TSettings s = LoadText("40\r\n2\r\n1\r\n" + path + "\r\nextra line\r\n");
    EXPECT_EQ(s.ExternalDLSFile, std::string(250, 'p'));
}

TEST(SettingsFile, SaveWritesFourCrLfLinesThatLoadBack) {
    TTempDir dir;
    TSettings s;
    s.Latency = 25;
    s.ReverbLevel = 4;
    s.UseExternalDLS = true;
    s.ExternalDLSFile = "/tmp/a b.dls";
    ASSERT_TRUE(SaveSettings(s, dir.Path("Talvimorena4.cfg")));
    const auto bytes = dir.Read("Talvimorena4.cfg");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "25\r\n4\r\n1\r\n/tmp/a b.dls\r\n");
    TSettings back;
    LoadSettings(back, dir.Path("Talvimorena4.cfg"));
    EXPECT_EQ(back, s);

    const TSettings defaults;
    ASSERT_TRUE(SaveSettings(defaults, dir.Path("Talvimorena4.cfg")));
    const auto d = dir.Read("Talvimorena4.cfg");
    EXPECT_EQ(std::string(d.begin(), d.end()), "40\r\n2\r\n0\r\n\r\n");
    LoadSettings(back, dir.Path("Talvimorena4.cfg"));
    EXPECT_EQ(back, defaults);
}

TEST(SettingsFile, OversizedFileIsNotRead) {
    TTempDir dir;
    dir.WriteText("big.cfg", "60\r\n3\r\n1\r\n" + std::string(200000, 'x') + "\r\n");
    TSettings s;
    LoadSettings(s, dir.Path("big.cfg"));
    EXPECT_EQ(s, DefaultSettings);
}

TEST(WritePeriod, FollowsTheLatencyBands) {
    const std::pair<int, int> cases[] = {{10, 5},  {20, 10}, {29, 14}, {30, 10}, {40, 13},
                                         {45, 15}, {49, 16}, {50, 12}, {100, 25}};
    for (auto [latency, period] : cases)
        EXPECT_EQ(WritePeriodForLatency(latency), period) << latency;
}

TEST(SettingsFile, APipeIsReadAsNoFileAndNoSafeFolderMeansNoSave) {
    TTempDir dir;
    ASSERT_EQ(::mkfifo(dir.Path("Talvimorena4.cfg").c_str(), 0600), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10); // a read that waits for a writer ends the child
        TSettings s;
        s.Latency = 777;
        LoadSettings(s, dir.Path("Talvimorena4.cfg"));
        int failures = !(s == DefaultSettings);
        // With no safe folder of its own the program's path is the bare name: the
        // settings are not saved, not even into the folder the program runs in.
        if (::chdir(dir.Root().c_str()) != 0) ::_exit(99);
        failures |= SaveSettings(DefaultSettings, std::string() + SettingsFileName) << 1;
        failures |= (::access(SettingsFileName, F_OK) == 0 &&
                     !std::filesystem::is_fifo(dir.Path(SettingsFileName)))
                    << 2;
        ::_exit(failures);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the read of the pipe hung";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "bit 0 defaults, 1 saved, 2 written";
    EXPECT_TRUE(std::filesystem::is_fifo(dir.Path(SettingsFileName)));
}
