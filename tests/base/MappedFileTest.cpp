// Mapped files and positional reads over real files.
#include "base/MappedFile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(MappedFile, MapsAndReadsTheFileAsItIs) {
    TTempDir dir;
    std::vector<uint8_t> bytes(70000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 31 + i / 256);
    dir.Write("a.bin", bytes);

    TReadOnlyFile file;
    ASSERT_EQ(file.Open(dir.Path("a.bin")), TFileOpenResult::Ok);
    EXPECT_EQ(file.Size(), bytes.size());
    TMappedFile mapped;
    ASSERT_EQ(mapped.Map(file, bytes.size()), TFileOpenResult::Ok);
    const TReadOnlyFile moved = std::move(file); // the mapping does not need the object
    EXPECT_TRUE(
        std::equal(mapped.Bytes().begin(), mapped.Bytes().end(), bytes.begin(), bytes.end()));

    const struct {
        uint64_t Offset;
        size_t Size;
        bool Ok;
    } reads[] = {{0, 70000, true}, {4095, 2, true},   {69999, 1, true},
                 {70000, 0, true}, {69999, 2, false}, {uint64_t(1) << 62, 1, false}};
    for (const auto& r : reads) {
        std::vector<uint8_t> out(r.Size);
        EXPECT_EQ(moved.ReadAt(r.Offset, out), r.Ok) << r.Offset << " + " << r.Size;
        if (r.Ok) {
            EXPECT_TRUE(std::equal(out.begin(), out.end(), bytes.begin() + ptrdiff_t(r.Offset)));
        }
    }
    EXPECT_FALSE(TReadOnlyFile().ReadAt(0, std::span<uint8_t>())); // nothing open
    mapped.Unmap();
    EXPECT_TRUE(mapped.Bytes().empty());
}

TEST(MappedFile, RefusesWhatCannotBeMapped) {
    TTempDir dir;
    dir.Write("empty", {});
    dir.Write("four", {1, 2, 3, 4});
    std::filesystem::create_directory(dir.Path("folder"));
    const struct {
        const char* Name;
        size_t Max;
        TFileOpenResult Result;
    } cases[] = {{"none", 10, TFileOpenResult::Missing},
                 {"folder", 10, TFileOpenResult::Unreadable},
                 {"empty", 10, TFileOpenResult::Empty},
                 {"four", 3, TFileOpenResult::TooLarge},
                 {"four", 4, TFileOpenResult::Ok}};
    for (const auto& c : cases) {
        TMappedFile mapped;
        EXPECT_EQ(mapped.Map(dir.Path(c.Name), c.Max), c.Result) << c.Name;
        EXPECT_EQ(mapped.Bytes().size(), c.Result == TFileOpenResult::Ok ? 4u : 0u) << c.Name;
    }
}
