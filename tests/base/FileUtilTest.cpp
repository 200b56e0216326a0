#include "base/FileUtil.h"
#include "TempDir.h"
#include "base/MappedFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
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

namespace {
struct TStat {
    explicit TStat(const std::string& path, bool follow = true) {
        Ok = (follow ? ::stat(path.c_str(), &St) : ::lstat(path.c_str(), &St)) == 0;
    }
    struct stat St {};
    bool Ok = false;
};

// Runs `body` in a child process and gives its exit status (-1 when it did not
// exit): for what changes the process itself (limits, user) or could hang it.
template <typename TBody> int InChild(TBody body) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10); // a read that blocks fails the test instead of hanging it
        ::_exit(body());
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

TEST(WriteFileAtomic, SavesKeepWhatMustNotBeReplaced) {
    const std::vector<uint8_t> old{1, 2, 3}, fresh{7, 7, 7, 7};
    {
        SCOPED_TRACE("a read-only file is refused, for root too, and stays as it was");
        TTempDir dir;
        dir.Write("song.lyt", old);
        ::chmod(dir.Path("song.lyt").c_str(), 0444);
        errno = 0;
        EXPECT_FALSE(WriteFileAtomic(dir.Path("song.lyt"), fresh));
        EXPECT_EQ(errno, EACCES);
        EXPECT_EQ(dir.Read("song.lyt"), old);
        EXPECT_EQ(TStat(dir.Path("song.lyt")).St.st_mode & 0777, 0444u);
        EXPECT_EQ(dir.Entries().size(), 1u) << "no temporary file left";
    }
    {
        SCOPED_TRACE("a symbolic link is written through and stays a link");
        TTempDir dir;
        std::filesystem::create_directory(dir.Path("real"));
        dir.Write("real/target.lyt", old);
        ::chmod(dir.Path("real/target.lyt").c_str(), 0604);
        std::filesystem::create_symlink("real/target.lyt", dir.Path("relative.lyt"));
        std::filesystem::create_symlink(dir.Path("relative.lyt"), dir.Path("chain.lyt"));
        ASSERT_TRUE(WriteFileAtomic(dir.Path("chain.lyt"), fresh));
        EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("chain.lyt")));
        EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("relative.lyt")));
        EXPECT_EQ(dir.Read("real/target.lyt"), fresh);
        EXPECT_EQ(TStat(dir.Path("real/target.lyt")).St.st_mode & 0777, 0604u);
        EXPECT_EQ(dir.Entries().size(), 3u);
        // A link whose target is not there yet makes the target.
        std::filesystem::create_symlink("real/new.lyt", dir.Path("dangling.lyt"));
        ASSERT_TRUE(WriteFileAtomic(dir.Path("dangling.lyt"), fresh));
        EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("dangling.lyt")));
        EXPECT_EQ(dir.Read("real/new.lyt"), fresh);
        // A loop is refused.
        std::filesystem::create_symlink("loop2", dir.Path("loop1"));
        std::filesystem::create_symlink("loop1", dir.Path("loop2"));
        EXPECT_FALSE(WriteFileAtomic(dir.Path("loop1"), fresh));
    }
    if (::getuid() == 0) {
        SCOPED_TRACE("owner and group stay (root may give them)");
        TTempDir dir;
        dir.Write("theirs.lyt", old);
        ASSERT_EQ(::chown(dir.Path("theirs.lyt").c_str(), 65534, 65534), 0);
        ::chmod(dir.Path("theirs.lyt").c_str(), 0664);
        ASSERT_TRUE(WriteFileAtomic(dir.Path("theirs.lyt"), fresh));
        const TStat st(dir.Path("theirs.lyt"));
        EXPECT_EQ(st.St.st_uid, 65534u);
        EXPECT_EQ(st.St.st_gid, 65534u);
        EXPECT_EQ(st.St.st_mode & 07777, 0664u);
    } else {
        ADD_FAILURE() << "the owner case needs root to make a file of another user";
    }
    {
        SCOPED_TRACE("the file-size limit breaks the write off: a failure, not the end");
        TTempDir dir;
        dir.Write("song.lyt", old);
        const std::vector<uint8_t> big(64 * 1024, 5);
        // In a child: the limit and the signal's disposition are the process's. The
        // child does not ignore SIGXFSZ itself; without the save's own care it dies.
        const int status = InChild([&] {
            rlimit lim{};
            ::getrlimit(RLIMIT_FSIZE, &lim);
            lim.rlim_cur = 4096;
            if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) return 9;
            errno = 0;
            if (WriteFileAtomic(dir.Path("song.lyt"), big)) return 1;
            return errno == EFBIG ? 0 : 2;
        });
        EXPECT_EQ(status, 0) << "1 written, 2 another error, -1 killed";
        EXPECT_EQ(dir.Read("song.lyt"), old);
        EXPECT_EQ(dir.Entries().size(), 1u) << "no temporary file left";
    }
    {
        SCOPED_TRACE("a saved file is in its folder for a process that looks afresh");
        TTempDir dir;
        ASSERT_TRUE(WriteFileAtomic(dir.Path("new.lyt"), fresh));
        // The folder was synced after the rename; what another process finds there
        // is the new file alone, complete.
        const int status = InChild([&] {
            std::vector<uint8_t> back;
            if (ReadFilePrefix(dir.Path("new.lyt"), 100, back) != TReadResult::Ok) return 1;
            return back == fresh && dir.Entries().size() == 1 ? 0 : 2;
        });
        EXPECT_EQ(status, 0);
    }
}

TEST(ReadFilePrefix, NamedPipesAndDevicesAreFailedReadsAtOnce) {
    TTempDir dir;
    ASSERT_EQ(::mkfifo(dir.Path("Talvimorena4.cfg").c_str(), 0600), 0);
    // In a child with an alarm: a reader that waits for a writer fails by SIGALRM.
    const int status = InChild([&] {
        int failures = 0;
        std::vector<uint8_t> bytes;
        failures |=
            ReadFilePrefix(dir.Path("Talvimorena4.cfg"), 100, bytes) != TReadResult::Unreadable;
        failures |= (ReadFilePrefix("/dev/zero", 100, bytes, true) != TReadResult::Unreadable) << 1;
        TReadOnlyFile file;
        failures |= (file.Open(dir.Path("Talvimorena4.cfg")) != TFileOpenResult::Unreadable) << 2;
        TMappedFile mapped;
        failures |= (mapped.Map(dir.Path("Talvimorena4.cfg"), 100) != TFileOpenResult::Unreadable)
                    << 3;
        return failures;
    });
    EXPECT_EQ(status, 0) << "bit 0 prefix, 1 device, 2 open, 3 map; -1 hung";
}

TEST(OwnFiles, NoSharedOrForeignFolderEverHoldsTheProgramsFiles) {
    if (::getuid() != 0) {
        ADD_FAILURE() << "these cases need root to act as other users";
        return;
    }
    TTempDir program, config;
    const std::string folder = program.Root().string() + "/";
    program.Write("Talvimorena4.cfg", {'1'});
    ::chmod(program.Root().c_str(), 0555);
    ::chmod(config.Root().c_str(), 0777);
    const std::string user = config.Root().string() + "/talvimorena/";
    // As nobody (65534), for whom the program folder is read-only.
    const auto asNobody = [&](auto body) {
        return InChild([&] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 99;
            return body();
        });
    };
    {
        SCOPED_TRACE("no HOME and no passwd entry: no folder at all, not /tmp/.config");
        const bool sharedBefore = DirectoryExists("/tmp/.config/talvimorena");
        const int status = InChild([&] {
            // A user the passwd file does not know.
            if (::setgid(54321) != 0 || ::setuid(54321) != 0) return 99;
            ::unsetenv("HOME");
            ::unsetenv("XDG_CONFIG_HOME");
            int failures = 0;
            failures |= !UserConfigFolder().empty();
            failures |= !OwnFilesFolder(folder).empty() << 1;
            failures |= (OwnFileToRead(folder, "Talvimorena4.cfg") != folder + "Talvimorena4.cfg")
                        << 2;
            return failures;
        });
        EXPECT_EQ(status, 0) << "bit 0 config folder, 1 own folder, 2 read";
        if (!sharedBefore) {
            EXPECT_FALSE(DirectoryExists("/tmp/.config/talvimorena"));
        }
    }
    TEnv xdg("XDG_CONFIG_HOME", config.Root().c_str());
    struct TFolderCase {
        const char* Name;
        uid_t Owner;
        mode_t Mode;
        bool Safe;
    };
    const TFolderCase cases[] = {
        {"the user's own, private", 65534, 0700, true},
        {"the user's own, writable by everyone", 65534, 0777, false},
        {"the user's own, writable by another group", 65534, 0770, false},
        {"another user's", 0, 0755, false},
        {"another user's, writable by everyone", 0, 0777, false},
    };
    for (const TFolderCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::create_directory(user);
        config.Write("talvimorena/Talvimorena4.cfg", {'9'});
        ASSERT_EQ(::chown(user.c_str(), c.Owner, c.Owner == 0 ? 0 : 100), 0);
        ::chmod(user.c_str(), c.Mode);
        const int status = asNobody([&] {
            int failures = 0;
            const std::string own = OwnFilesFolder(folder);
            failures |= own != (c.Safe ? user : std::string());
            // A refused folder's files are never read: the installed one is.
            const std::string read = OwnFileToRead(folder, "Talvimorena4.cfg");
            failures |= (read != (c.Safe ? user : folder) + "Talvimorena4.cfg") << 1;
            return failures;
        });
        EXPECT_EQ(status, 0) << "bit 0 own folder, 1 read";
        std::filesystem::remove_all(user);
    }
    ::chmod(program.Root().c_str(), 0755);
}
