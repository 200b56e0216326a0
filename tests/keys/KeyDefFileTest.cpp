#include "keys/KeyDefFile.h"
#include "TempDir.h"

#include <cstring>

#include <gtest/gtest.h>

namespace {
TKeyDefSet SampleSet() {
    TKeyDefSet set = DefaultKeyDefSet();
    TKeyDef& w = set.Keys[KeyIndexOfName("W")];
    w.Count = 3;
    w.Slots[1] = TKeyNote{5, 1, 3, 1, 90};
    w.Slots[2] = TKeyNote{7, 2, 6, 0, 127};
    w.Caption.SetUtf8("和弦");
    w.NoTranspose = 1;
    set.Remark.SetUtf8("我的键定义");
    return set;
}
} // namespace

TEST(KeyDefFile, SavedSetReloadsByteForByte) {
    TTempDir dir;
    const TKeyDefSet set = SampleSet();
    ASSERT_TRUE(SaveKeyDefFile(set, dir.Path("mine.kdf")));
    const auto bytes = dir.Read("mine.kdf");
    ASSERT_EQ(bytes.size(), KeyDefFileSize);
    EXPECT_EQ(bytes[0], 17);
    EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 18), "TalvimorenaKeyDef");
    for (int i = 18; i < 28; ++i)
        EXPECT_EQ(bytes[i], 0);
    EXPECT_EQ(bytes[28], 1);
    EXPECT_EQ(bytes[32], 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 36, &set, sizeof set), 0);

    TKeyDefSet loaded{};
    ASSERT_TRUE(LoadKeyDefFile(dir.Path("mine.kdf"), loaded));
    EXPECT_EQ(std::memcmp(&loaded, &set, sizeof set), 0);
    EXPECT_EQ(loaded.Keys[KeyIndexOfName("W")].Caption.Utf8(), "和弦");
}

TEST(KeyDefFile, ExtensionRules) {
    TTempDir dir;
    const TKeyDefSet set = SampleSet();
    EXPECT_FALSE(SaveKeyDefFile(set, dir.Path("mine.txt")));
    EXPECT_FALSE(SaveKeyDefFile(set, dir.Path("kdf")));
    EXPECT_TRUE(dir.Entries().empty());
    ASSERT_TRUE(SaveKeyDefFile(set, dir.Path("UPPER.KDF")));
    TKeyDefSet loaded{};
    EXPECT_TRUE(LoadKeyDefFile(dir.Path("UPPER.KDF"), loaded));
    dir.Write("same.bin", dir.Read("UPPER.KDF"));
    const TKeyDefSet defaults = DefaultKeyDefSet();
    TKeyDefSet untouched = defaults;
    EXPECT_FALSE(LoadKeyDefFile(dir.Path("same.bin"), untouched));
    EXPECT_EQ(std::memcmp(&untouched, &defaults, sizeof defaults), 0);
}

TEST(KeyDefFile, BadContentLeavesTheTargetUntouched) {
    TTempDir dir;
    auto image = KeyDefFileImage(SampleSet());
    const TKeyDefSet before = DefaultKeyDefSet();

    auto wrongLength = image;
    wrongLength[0] = 16;
    dir.Write("a.kdf", wrongLength);
    auto wrongLetter = image;
    wrongLetter[5] = 'X';
    dir.Write("b.kdf", wrongLetter);
    // A valid magic on a cut-short file: the tail would be undefined, so refused.
    dir.Write("c.kdf", std::vector<uint8_t>(image.begin(), image.begin() + 4000));
    dir.Write("d.kdf", {});
    for (const char* name : {"a.kdf", "b.kdf", "c.kdf", "d.kdf", "missing.kdf"}) {
        TKeyDefSet target = before;
        EXPECT_FALSE(LoadKeyDefFile(dir.Path(name), target)) << name;
        EXPECT_EQ(std::memcmp(&target, &before, sizeof before), 0) << name;
    }
    // Version and reserved fields are not tested; bytes past 8412 are ignored.
    auto other = image;
    other[28] = 9;
    other.push_back(0xEE);
    dir.Write("e.kdf", other);
    TKeyDefSet target = before;
    EXPECT_TRUE(LoadKeyDefFile(dir.Path("e.kdf"), target));
}

TEST(KeyDefFile, MissingFolderCreatesNothing) {
    TTempDir dir;
    EXPECT_FALSE(SaveKeyDefFile(SampleSet(), dir.Path("no/such/x.kdf")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no")));
}

TEST(KeyDefFile, FailedSaveKeepsTheOldFile) {
    TTempDir dir;
    ASSERT_TRUE(SaveKeyDefFile(DefaultKeyDefSet(), dir.Path("keep.kdf")));
    const auto before = dir.Read("keep.kdf");
    bool saved;
    {
        TFileSizeLimit limit(1000); // the write of 8412 bytes fails half-way
        saved = SaveKeyDefFile(SampleSet(), dir.Path("keep.kdf"));
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(dir.Read("keep.kdf"), before);
    EXPECT_EQ(dir.Entries().size(), 1u);
}
