// The skin bitmap holds at every rectangle the picture its control cuts out: a
// pressed face 621 pixels right of each released one, bare key caps for the labels,
// captions on the command buttons, the slider thumb, and staves under the panels.
#include "GlyphTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace SkinLayout;
using glyphtest::DifferingPixels;
using glyphtest::Luma;
using glyphtest::MeanLuma;
using glyphtest::ToQRect;

namespace {

class Skin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Face = glyphtest::Library().LoadBitmap(TGlyphLibrary::SkinBitmapName);
    }
    void SetUp() override { ASSERT_FALSE(Face.isNull()); }

    // Every pressed face must differ from its released face over much of its area.
    static void ExpectPressedFace(const TSkinRect& released, const std::string& what) {
        const QRect r = ToQRect(released);
        const int differing = DifferingPixels(Face, r, ToQRect(PressedOf(released)));
        EXPECT_GE(differing * 10, r.width() * r.height() * 4)
            << what << " at " << r.x() << "," << r.y() << ": only " << differing << " of "
            << r.width() * r.height() << " pixels change when pressed";
    }

    static inline QImage Face;
};

struct TControl {
    TSkinRect Rect;
    std::string Name;
};

std::vector<TControl> AllControls() {
    std::vector<TControl> controls;
    for (int i = 0; i < MainButtonCount; ++i)
        controls.push_back(
            {MainButtonRects[static_cast<size_t>(i)], "button " + std::to_string(i)});
    for (size_t i = 0; i < ValueBoxes.size(); ++i) {
        controls.push_back({SpinUpArrow(ValueBoxes[i]), "up arrow of box " + std::to_string(i)});
        controls.push_back(
            {SpinDownArrow(ValueBoxes[i]), "down arrow of box " + std::to_string(i)});
    }
    for (int k = 0; k < PCKeyCount; ++k)
        if (!PCKeyRect(k).IsEmpty()) controls.push_back({PCKeyRect(k), "key " + std::to_string(k)});
    for (const TSkinPoint origin : {UpperPianoOrigin, LowerPianoOrigin}) {
        const std::string strip = origin.Y == UpperPianoOrigin.Y ? "upper " : "lower ";
        for (int b = 0; b < PianoBlackKeyCount; ++b)
            controls.push_back({PianoBlackKey(origin, b), strip + "black " + std::to_string(b)});
        for (int w = 0; w < PianoWhiteKeyCount; ++w) {
            controls.push_back({PianoWhiteLower(origin, w), strip + "white " + std::to_string(w)});
            controls.push_back(
                {PianoWhiteUpper(origin, w), strip + "white top " + std::to_string(w)});
        }
    }
    return controls;
}

} // namespace

TEST_F(Skin, EveryControlHasAPressedFaceUnlikeItsReleasedOne) {
    const std::vector<TControl> controls = AllControls();
    EXPECT_EQ(controls.size(), 7u + 14u + 73u + 2u * 116u);
    for (const TControl& c : controls) {
        EXPECT_LE(PressedOf(c.Rect).Right(), Face.width()) << c.Name;
        ExpectPressedFace(c.Rect, c.Name);
    }
}

TEST_F(Skin, SliderThumbIsDrawnWhereTheSliderCutsIt) {
    const QRect thumb = ToQRect(SliderThumb);
    // Under the thumb's place lies the pressed half's copy of the track; the thumb
    // must be a picture of its own, not track or panel.
    const QRect trackBelow = thumb.translated(-PressedOffset, 0);
    ASSERT_TRUE(ToQRect(SliderTrack).contains(trackBelow));
    EXPECT_GE(DifferingPixels(Face, thumb, trackBelow), thumb.width() * thumb.height() * 8 / 10);
    // A lit cap with a dark outline: both bright and dark pixels.
    int bright = 0, dark = 0;
    for (int y = thumb.top(); y <= thumb.bottom(); ++y)
        for (int x = thumb.left(); x <= thumb.right(); ++x) {
            const int l = Luma(Face.pixel(x, y));
            bright += l > 150;
            dark += l < 40;
        }
    EXPECT_GE(bright, thumb.width() * thumb.height() / 3);
    EXPECT_GT(dark, 0);
    EXPECT_GT(MeanLuma(Face, thumb), MeanLuma(Face, ToQRect(SliderTrack)) + 60);
}

TEST_F(Skin, NoteKeysAreBareCapsAllAlike) {
    // The program stamps each key's note onto the bare cap, so every ordinary key
    // must show the same cap, released and pressed (the case shows at its rounded
    // corners, and the case is shaded, so the corners are left out).
    const auto cap = [](const TSkinRect& r) { return ToQRect(r).adjusted(2, 2, -2, -2); };
    for (int k = 0; k < PCKeyCount; ++k) {
        const TSkinRect r = PCKeyRect(k);
        if (r.IsEmpty() || r.Width != 24 || r.Height != 20) continue;
        EXPECT_EQ(DifferingPixels(Face, cap(r), cap(PCKeyRect(14)), 4), 0) << "key " << k;
        EXPECT_EQ(DifferingPixels(Face, cap(PressedOf(r)), cap(PressedOf(PCKeyRect(14))), 4), 0)
            << "pressed key " << k;
    }
    EXPECT_EQ(DifferingPixels(Face, cap(PCKeyRect(97)), cap(PCKeyRect(104)), 4), 0);
    // The cap is light and the keyboard between the caps is dark, so the rectangles
    // lie on the caps.
    for (const int k : {14, 29, 43, 55, 80, 90, 97, 105}) {
        const TSkinRect r = PCKeyRect(k);
        const int centre = Luma(Face.pixel(r.Left + r.Width / 2, r.Top + r.Height / 2));
        EXPECT_GT(centre, 200) << "key " << k;
        EXPECT_LT(Luma(Face.pixel(r.Left - 2, r.Top + r.Height / 2)), 80) << "left of key " << k;
        EXPECT_LT(Luma(Face.pixel(r.Left + r.Width / 2, r.Top - 1)), 80) << "above key " << k;
    }
}

TEST_F(Skin, PianoKeysAreCutAlongTheirEdges) {
    for (const TSkinPoint origin : {UpperPianoOrigin, LowerPianoOrigin}) {
        for (int b = 1; b < PianoBlackKeyCount; ++b)
            EXPECT_EQ(DifferingPixels(Face, ToQRect(PianoBlackKey(origin, b)),
                                      ToQRect(PianoBlackKey(origin, 0))),
                      0)
                << "black key " << b << " of the strip at y " << origin.Y;
        for (int w = 0; w < PianoWhiteKeyCount - 1; ++w) {
            EXPECT_EQ(DifferingPixels(Face, ToQRect(PianoWhiteLower(origin, w)),
                                      ToQRect(PianoWhiteLower(origin, 0))),
                      0)
                << "white key " << w;
            EXPECT_EQ(DifferingPixels(Face, ToQRect(PianoWhiteUpper(origin, w)),
                                      ToQRect(PianoWhiteUpper(origin, w % 7))),
                      0)
                << "top of white key " << w;
            // Each white key ends in the dark gap to its neighbour.
            const TSkinRect r = PianoWhiteLower(origin, w);
            EXPECT_LT(Luma(Face.pixel(r.Right() - 1, r.Top + 5)), 100) << "white key " << w;
            EXPECT_GT(Luma(Face.pixel(r.Left + 1, r.Top + 5)), 200) << "white key " << w;
        }
        const QRect black = ToQRect(PianoBlackKey(origin, 0));
        const QRect white = ToQRect(PianoWhiteLower(origin, 0));
        EXPECT_LT(MeanLuma(Face, black), 60);
        EXPECT_GT(MeanLuma(Face, white), 200);
        // The full-height top C is white down its whole length.
        const TSkinRect topC = PianoWhiteLower(origin, PianoWhiteKeyCount - 1);
        EXPECT_EQ(topC.Height, PianoHeight);
        EXPECT_GT(Luma(Face.pixel(topC.Left + 5, topC.Top + 4)), 200);
    }
}

TEST_F(Skin, CommandButtonsCarryIconAndCaption) {
    for (int i = 0; i < MainButtonCount; ++i) {
        for (const bool pressed : {false, true}) {
            TSkinRect r = MainButtonRects[static_cast<size_t>(i)];
            if (pressed) r = PressedOf(r);
            // The bare face is shaded from top to bottom only, so each row of it has
            // one colour: the column at x + 4 shows it. Captions and icons stand out.
            const auto marks = [&](int from, int to) {
                int count = 0;
                for (int y = r.Top + 6; y < r.Bottom() - 6; ++y) {
                    const int face = Luma(Face.pixel(r.Left + 4, y));
                    for (int x = r.Left + from; x < r.Left + to; ++x)
                        count += std::abs(Luma(Face.pixel(x, y)) - face) > 40;
                }
                return count;
            };
            EXPECT_GE(marks(27, 61), 60)
                << "caption of button " << i << (pressed ? " pressed" : "");
            EXPECT_GE(marks(8, 24), 25) << "icon of button " << i << (pressed ? " pressed" : "");
        }
        // Each button has a caption of its own.
        for (int j = 0; j < i; ++j)
            EXPECT_GE(DifferingPixels(Face, ToQRect(MainButtonRects[static_cast<size_t>(i)]),
                                      ToQRect(MainButtonRects[static_cast<size_t>(j)])),
                      100)
                << "buttons " << j << " and " << i;
    }
}

TEST_F(Skin, ValueBoxesShowBlackDisplaysInFrames) {
    for (const TSkinRect& box : ValueBoxes) {
        const QRect display = ToQRect(box);
        EXPECT_LT(MeanLuma(Face, display), 5) << box.Left << "," << box.Top;
        // The arrows point up and down: their faces differ.
        const TSkinRect up = SpinUpArrow(box), down = SpinDownArrow(box);
        EXPECT_EQ(up.Left, box.Right());
        // The down arrow starts on the up arrow's last row, where the box puts it.
        EXPECT_EQ(down.Top, up.Top + up.Height - 1);
        EXPECT_EQ(down.Height, box.Height - up.Height);
        EXPECT_GT(
            DifferingPixels(Face, QRect(up.Left, up.Top, up.Width, down.Height), ToQRect(down)),
            10);
    }
}

TEST_F(Skin, StaffLinesRunThroughTheNoteHeadsOfTheirNotes) {
    struct TNote {
        int Octave, Letter;
    };
    const TNote lines[] = {{4, 3}, {4, 5}, {4, 7}, {5, 2}, {5, 4},
                           {2, 5}, {2, 7}, {3, 2}, {3, 4}, {3, 6}};
    const TNote spaces[] = {{4, 4}, {4, 6}, {5, 1}, {5, 3}, {2, 6}, {3, 1}, {3, 3}, {3, 5}};
    // The middle of a 10-pixel note head; the key signature panel shows the same staff.
    const auto row = [](const TNote& n) {
        return StaffPanel.Top + StaffNoteTop(n.Octave, n.Letter) + 5;
    };
    for (const TSkinRect& panel : {StaffPanel, KeySignaturePanel}) {
        const auto rowLuma = [&](int y) {
            return MeanLuma(Face, QRect(panel.Left, y, panel.Width, 1));
        };
        double darkestLine = 255, brightestSpace = 0;
        for (const TNote& n : lines)
            darkestLine = std::min(darkestLine, rowLuma(row(n)));
        for (const TNote& n : spaces)
            brightestSpace = std::max(brightestSpace, rowLuma(row(n)));
        EXPECT_GT(darkestLine, brightestSpace + 50) << "panel at " << panel.Left;
    }
    // Notes are stamped in orange and yellow: the staff behind them is dark.
    EXPECT_LT(MeanLuma(Face, ToQRect(StaffPanel)), 70);
    EXPECT_LT(MeanLuma(Face, ToQRect(NumberedPanel)), 40);
}
