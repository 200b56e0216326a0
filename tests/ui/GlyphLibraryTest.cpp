// Opening the glyph library beside the program, loading its two bitmaps, refusing
// what is not a resource file, and the build's painter making the same library again.
#include "GlyphTestSupport.h"
#include "TempDir.h"

#include <QResource>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace SkinLayout;
using glyphtest::Library;

TEST(GlyphLibrary, OpensFromTheProgramFolderWithBothBitmaps) {
    ASSERT_TRUE(Library().IsOpen())
        << "no " << TGlyphLibrary::FileName << " in " << glyphtest::ProgramFolder().toStdString();
    const QImage skin = Library().LoadBitmap(TGlyphLibrary::SkinBitmapName);
    ASSERT_FALSE(skin.isNull());
    EXPECT_GE(skin.width(), 2 * WindowWidth);
    EXPECT_GE(skin.height(), WindowHeight);
    EXPECT_GE(skin.width(), SliderThumb.Right());
    EXPECT_EQ(skin.format(), QImage::Format_RGB32);

    const QImage mask = Library().LoadBitmap(TGlyphLibrary::StaffMaskName);
    ASSERT_FALSE(mask.isNull());
    // Wide enough for the last numbered digit, high enough for the key-label symbols.
    EXPECT_GE(mask.width(), MaskNumberedDigit(8, 7).Right());
    EXPECT_GE(mask.height(), MaskSmallSharp.Bottom());
    EXPECT_GE(mask.height(), MaskSmallDigit(7, 7).Bottom());
    EXPECT_EQ(mask.format(), QImage::Format_RGB32);
}

TEST(GlyphLibrary, OpeningTwiceKeepsItOpen) {
    TGlyphLibrary again;
    EXPECT_TRUE(again.Open(glyphtest::ProgramFolder()));
    EXPECT_TRUE(again.Open(glyphtest::ProgramFolder()));
    EXPECT_FALSE(again.LoadBitmap(TGlyphLibrary::StaffMaskName).isNull());
}

TEST(GlyphLibrary, UnknownNamesAndAClosedLibraryGiveNullImages) {
    EXPECT_TRUE(Library().LoadBitmap("RES_NOSUCHBITMAP").isNull());
    EXPECT_TRUE(Library().LoadBitmap("").isNull());
    EXPECT_TRUE(Library().LoadBitmap(nullptr).isNull());
    // Even with the file registered by another, a library that was never opened
    // (or failed to open) hands out nothing.
    TGlyphLibrary closed;
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_TRUE(closed.LoadBitmap(TGlyphLibrary::SkinBitmapName).isNull());
}

TEST(GlyphLibrary, MissingFolderOrFileDoesNotOpen) {
    TGlyphLibrary library;
    EXPECT_FALSE(library.Open("/nonexistent/talvimorena/folder"));
    TTempDir empty;
    EXPECT_FALSE(library.Open(QString::fromStdString(empty.Root().string())));
    EXPECT_FALSE(library.IsOpen());
    EXPECT_TRUE(library.LoadBitmap(TGlyphLibrary::SkinBitmapName).isNull());
}

TEST(GlyphLibrary, FilesThatAreNotResourceFilesDoNotOpen) {
    const auto tryWith = [](const std::vector<uint8_t>& bytes) {
        TTempDir dir;
        dir.Write(TGlyphLibrary::FileName, bytes);
        TGlyphLibrary library;
        const bool opened = library.Open(QString::fromStdString(dir.Root().string()));
        return opened || library.IsOpen();
    };
    EXPECT_FALSE(tryWith({}));
    EXPECT_FALSE(tryWith({'M', 'Z', 0x90, 0x00, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00}));
    // A resource signature with nothing valid behind it.
    EXPECT_FALSE(tryWith({'q', 'r', 'e', 's', 0, 0, 0, 3, 0xff, 0xff, 0xff, 0xff}));
    EXPECT_FALSE(tryWith({'q',  'r',  'e',  's',  0,    0,    0,    3,    0x7f, 0xff, 0xff, 0x00,
                          0x7f, 0xff, 0xff, 0x00, 0x7f, 0xff, 0xff, 0x00, 0,    0,    0,    0}));
    // The skin as a bare picture is not a library either.
    std::vector<uint8_t> picture(64, 0);
    const uint8_t pngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::copy(std::begin(pngSignature), std::end(pngSignature), picture.begin());
    EXPECT_FALSE(tryWith(picture));

    TTempDir dir; // a folder of the library's name
    std::filesystem::create_directory(dir.Path(TGlyphLibrary::FileName));
    TGlyphLibrary library;
    EXPECT_FALSE(library.Open(QString::fromStdString(dir.Root().string())));
}

namespace {
std::vector<char> ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

bool RunPainter(const TTempDir& dir) {
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen '") + GLYPH_PAINTER + "' '" +
                                dir.Root().string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}
} // namespace

TEST(GlyphLibrary, PainterIsRepeatableAndTheLibraryHoldsItsPictures) {
    TTempDir first, second;
    ASSERT_TRUE(RunPainter(first));
    ASSERT_TRUE(RunPainter(second));
    ASSERT_TRUE(Library().IsOpen());
    for (const char* name : {TGlyphLibrary::SkinBitmapName, TGlyphLibrary::StaffMaskName}) {
        const std::string file = std::string(name) + ".png";
        const std::vector<char> a = ReadAll(first.Path(file));
        const std::vector<char> b = ReadAll(second.Path(file));
        ASSERT_FALSE(a.empty()) << file;
        EXPECT_EQ(a, b) << file << " differs between two runs of the painter";
        const QResource packed(QString(":/") + name);
        ASSERT_TRUE(packed.isValid()) << name;
        const QByteArray bytes = packed.uncompressedData();
        EXPECT_EQ(std::vector<char>(bytes.begin(), bytes.end()), a)
            << name << " in the library is not what the painter draws now";
    }
}
