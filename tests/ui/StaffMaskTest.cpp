// The staff mask: black symbols on white, each inside its rectangle, the numbered
// digits carrying their octave dots on the right side.
#include "GlyphTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace SkinLayout;
using glyphtest::ToQRect;

namespace {

struct TSprite {
    TSkinRect Rect;
    std::string Name;
    int Dots = 0; // octave dots of a digit
    bool DotsAbove = false;
};

std::vector<TSprite> AllSprites() {
    std::vector<TSprite> sprites{{MaskKeySignatureSharp, "key-signature sharp"},
                                 {MaskKeySignatureFlat, "key-signature flat"},
                                 {MaskNoteHead, "note head"},
                                 {MaskSharp, "sharp"},
                                 {MaskNatural, "natural"},
                                 {MaskFlat, "flat"},
                                 {MaskSmallSharp, "small sharp"},
                                 {MaskSmallFlat, "small flat"},
                                 {MaskSmallNatural, "small natural"}};
    for (int o = 0; o <= 8; ++o)
        for (int d = 1; d <= 7; ++d)
            sprites.push_back({MaskNumberedDigit(o, d),
                               "digit " + std::to_string(d) + " octave " + std::to_string(o),
                               std::abs(o - 4), o > 4});
    for (int o = 1; o <= 7; ++o)
        for (int d = 1; d <= 7; ++d)
            sprites.push_back({MaskSmallDigit(o, d),
                               "small digit " + std::to_string(d) + " octave " + std::to_string(o),
                               std::abs(o - 4), o > 4});
    return sprites;
}

bool Ink(QRgb c) {
    return qRed(c) < 160;
}

class StaffMask : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Mask = glyphtest::Library().LoadBitmap(TGlyphLibrary::StaffMaskName);
    }
    void SetUp() override { ASSERT_FALSE(Mask.isNull()); }
    static inline QImage Mask;
};

} // namespace

TEST_F(StaffMask, EverySymbolIsBlackOnWhiteInsideItsRectangle) {
    const std::vector<TSprite> sprites = AllSprites();
    std::vector<bool> covered(static_cast<size_t>(Mask.width() * Mask.height()));
    for (const TSprite& s : sprites) {
        const QRect r = ToQRect(s.Rect);
        ASSERT_TRUE(Mask.rect().contains(r)) << s.Name;
        int ink = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                ink += qRed(Mask.pixel(x, y)) < 64;
                covered[static_cast<size_t>(y * Mask.width() + x)] = true;
            }
        EXPECT_GE(ink, 4) << s.Name << " has no black in it";
    }
    // Outside the symbols the mask is pure white, and it holds only greys anywhere:
    // the views take the red component as the coverage.
    int stray = 0, coloured = 0;
    for (int y = 0; y < Mask.height(); ++y)
        for (int x = 0; x < Mask.width(); ++x) {
            const QRgb c = Mask.pixel(x, y);
            coloured += qRed(c) != qGreen(c) || qGreen(c) != qBlue(c);
            if (!covered[static_cast<size_t>(y * Mask.width() + x)] && c != qRgb(255, 255, 255))
                ++stray;
        }
    EXPECT_EQ(stray, 0);
    EXPECT_EQ(coloured, 0);
}

TEST_F(StaffMask, DigitsCarryTheirOctaveDotsAboveOrBelow) {
    for (const TSprite& s : AllSprites()) {
        if (s.Name.find("digit") == std::string::npos) continue;
        const QRect r = ToQRect(s.Rect);
        // Bands of rows with ink, from the top: the digit and one band per dot.
        std::vector<std::pair<int, int>> bands;
        bool inBand = false;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            bool ink = false;
            for (int x = r.left(); x <= r.right(); ++x)
                ink = ink || Ink(Mask.pixel(x, y));
            if (ink && !inBand) bands.push_back({y, y});
            if (ink) bands.back().second = y;
            inBand = ink;
        }
        ASSERT_EQ(static_cast<int>(bands.size()), 1 + s.Dots) << s.Name;
        // The digit is the tallest band: last when the dots are above, first otherwise.
        const auto height = [](const std::pair<int, int>& b) { return b.second - b.first + 1; };
        const auto& digit = s.DotsAbove ? bands.back() : bands.front();
        for (const auto& b : bands)
            EXPECT_LE(height(b), height(digit)) << s.Name;
        if (s.Dots > 0) {
            // The views stack labels by the sprites' heights: the outermost dot
            // reaches the sprite's edge.
            EXPECT_LE(
                s.DotsAbove ? bands.front().first - r.top() : r.bottom() - bands.back().second, 1)
                << s.Name;
        }
    }
}

TEST_F(StaffMask, DifferentDigitsLookDifferent) {
    for (int d = 2; d <= 7; ++d) {
        const QRect one = ToQRect(MaskNumberedDigit(4, 1));
        const QRect other = ToQRect(MaskNumberedDigit(4, d));
        EXPECT_GT(glyphtest::DifferingPixels(Mask, one, other), 20) << d;
        const QRect smallOne = ToQRect(MaskSmallDigit(4, 1));
        const QRect smallOther = ToQRect(MaskSmallDigit(4, d));
        EXPECT_GT(glyphtest::DifferingPixels(Mask, smallOne, smallOther), 8) << d;
    }
}
