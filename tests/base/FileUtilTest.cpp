#include "base/FileUtil.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(FileNames, ExtensionAndFolder) {
    EXPECT_EQ(LowerFileExt("/a/b/Song.LYT"), ".lyt");
    EXPECT_EQ(LowerFileExt("/a.dir/noext"), "");
    EXPECT_EQ(ExtractFileDir("/a/b/c.kdf"), "/a/b");
    EXPECT_EQ(ExtractFileDir("c.kdf"), "");
    EXPECT_EQ(ExtractFileDir("/c.kdf"), "/");
}

TEST(WriteFileAtomic, ReplacesTheFileAndLeavesNoTemporary) {
    TTempDir dir;
    dir.Write("a.bin", {1, 2, 3});
    ::chmod(dir.Path("a.bin").c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomic(dir.Path("a.bin"), std::vector<uint8_t>{9, 8}));
    EXPECT_EQ(dir.Read("a.bin"), (std::vector<uint8_t>{9, 8}));
    EXPECT_EQ(dir.Entries().size(), 1u);
    struct stat st {};
    ::stat(dir.Path("a.bin").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(WriteFileAtomic, FailureKeepsTheOldFile) {
    TTempDir dir;
    dir.Write("keep.bin", {4, 5, 6});
    // A folder where the file should be: refused, nothing replaced.
    std::filesystem::create_directory(dir.Path("sub"));
    EXPECT_FALSE(WriteFileAtomic(dir.Path("sub"), std::vector<uint8_t>{1}));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("sub")));
    // A missing folder: nothing written anywhere.
    EXPECT_FALSE(WriteFileAtomic(dir.Path("nope/keep.bin"), std::vector<uint8_t>{1}));
    EXPECT_EQ(dir.Read("keep.bin"), (std::vector<uint8_t>{4, 5, 6}));
    EXPECT_EQ(dir.Entries().size(), 2u);
}

TEST(ReadFilePrefix, CapsWhatIsRead) {
    TTempDir dir;
    dir.Write("f", std::vector<uint8_t>(100, 7));
    std::vector<uint8_t> out;
    EXPECT_EQ(ReadFilePrefix(dir.Path("f"), 10, out), TReadResult::Ok);
    EXPECT_EQ(out.size(), 10u);
    EXPECT_EQ(ReadFilePrefix(dir.Path("f"), 10, out, true), TReadResult::TooLarge);
    EXPECT_EQ(ReadFilePrefix(dir.Path("f"), 100, out, true), TReadResult::Ok);
    EXPECT_EQ(out.size(), 100u);
    EXPECT_EQ(ReadFilePrefix(dir.Path("missing"), 10, out), TReadResult::Missing);
    EXPECT_EQ(ReadFilePrefix(dir.Root().string(), 10, out), TReadResult::Unreadable);
}

namespace {
// Sets an environment variable for one scope.
struct TEnv {
    TEnv(const char* name, const char* value) : Name(name) {
        if (const char* old = std::getenv(name)) Old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~TEnv() {
        if (Old)
            ::setenv(Name, Old->c_str(), 1);
        else
            ::unsetenv(Name);
    }
    const char* Name;
    std::optional<std::string> Old;
};
} // namespace

TEST(OwnFiles, TheUserFolderFollowsXdgConfigHomeOrHome) {
    TEnv home("HOME", "/home/player");
    {
        TEnv xdg("XDG_CONFIG_HOME", "/srv/conf//");
        EXPECT_EQ(UserConfigFolder(), "/srv/conf/talvimorena/");
    }
    {
        TEnv xdg("XDG_CONFIG_HOME", "relative/conf"); // not absolute: ignored
        EXPECT_EQ(UserConfigFolder(), "/home/player/.config/talvimorena/");
    }
    TEnv xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(UserConfigFolder(), "/home/player/.config/talvimorena/");
}

TEST(OwnFiles, AWritableProgramFolderKeepsThemAndAReadOnlyOneSendsThemToTheUser) {
    TTempDir program, config;
    const std::string folder = program.Root().string() + "/";
    TEnv xdg("XDG_CONFIG_HOME", config.Root().c_str());
    program.Write("Talvimorena4.cfg", {'1'});
    EXPECT_EQ(OwnFilesFolder(folder), folder);
    EXPECT_EQ(OwnFileToRead(folder, "Talvimorena4.cfg"), folder + "Talvimorena4.cfg");
    EXPECT_FALSE(DirectoryExists(config.Path("talvimorena"))) << "nothing made for nothing";

    // A folder the program cannot write: as an ordinary user (root writes anywhere,
    // so a root run checks it as nobody, in a child).
    ::chmod(program.Root().c_str(), 0555);
    ::chmod(config.Root().c_str(), 0777);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(9);
        const std::string user = config.Root().string() + "/talvimorena/";
        int failures = 0;
        // Before the user has a file of their own the installed one is read.
        failures |= OwnFileToRead(folder, "Talvimorena4.cfg") != folder + "Talvimorena4.cfg";
        failures |= (OwnFilesFolder(folder) != user) << 1;
        failures |= !DirectoryExists(user) << 2;
        failures |= !WriteFileAtomic(user + "Talvimorena4.cfg", std::vector<uint8_t>{'2'}) << 3;
        failures |= (OwnFileToRead(folder, "Talvimorena4.cfg") != user + "Talvimorena4.cfg") << 4;
        ::_exit(failures);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    ::chmod(program.Root().c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "bit 0 installed read, 1 folder, 2 made, 3 write, 4 read";
    EXPECT_EQ(program.Read("Talvimorena4.cfg"), (std::vector<uint8_t>{'1'}));
}
