#include "base/FileUtil.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
