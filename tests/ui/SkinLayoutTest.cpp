// The rectangles the views cut from the skin: piano keys that tile their strip, PC keys
// that never overlap, and every control inside the window and clear of the others.
#include "ui/SkinLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace SkinLayout;

namespace {
bool Contains(const TSkinRect& r, int x, int y) {
    return x >= r.Left && x < r.Right() && y >= r.Top && y < r.Bottom();
}
bool Overlap(const TSkinRect& a, const TSkinRect& b) {
    return a.Left < b.Right() && b.Left < a.Right() && a.Top < b.Bottom() && b.Top < a.Bottom();
}
bool Inside(const TSkinRect& inner, const TSkinRect& outer) {
    return inner.Left >= outer.Left && inner.Top >= outer.Top && inner.Right() <= outer.Right() &&
           inner.Bottom() <= outer.Bottom();
}
} // namespace

TEST(SkinLayout, PianoKeysTileTheirStripExactly) {
    for (const TSkinPoint origin : {UpperPianoOrigin, LowerPianoOrigin}) {
        for (int y = origin.Y; y < origin.Y + PianoHeight; ++y)
            for (int x = origin.X; x < origin.X + PianoWidth; ++x) {
                // A white key's two parts count as one key.
                int keys = 0;
                for (int b = 0; b < PianoBlackKeyCount; ++b)
                    keys += Contains(PianoBlackKey(origin, b), x, y);
                for (int w = 0; w < PianoWhiteKeyCount; ++w)
                    keys += Contains(PianoWhiteLower(origin, w), x, y) ||
                            Contains(PianoWhiteUpper(origin, w), x, y);
                ASSERT_EQ(keys, 1) << "pixel " << x << "," << y;
            }
    }
    // The C sharp of the top octave but one: black key 25.
    EXPECT_EQ(PianoBlackKey(UpperPianoOrigin, 25).Left, UpperPianoOrigin.X + 490 + 9);
    // The strips stack without overlapping.
    EXPECT_LE(UpperPianoOrigin.Y + PianoHeight, LowerPianoOrigin.Y);
}

TEST(SkinLayout, PCKeysAreSeventyThreeSeparateCaps) {
    std::vector<TSkinRect> keys;
    for (int k = 0; k < PCKeyCount; ++k)
        if (!PCKeyRect(k).IsEmpty()) keys.push_back(PCKeyRect(k));
    ASSERT_EQ(keys.size(), 73u);
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_TRUE(Inside(keys[i], WindowFace)) << i;
        for (size_t j = 0; j < i; ++j)
            EXPECT_FALSE(Overlap(keys[i], keys[j])) << j << " and " << i;
    }
    EXPECT_TRUE(PCKeyRect(0).IsEmpty());                    // Esc
    EXPECT_TRUE(PCKeyRect(70).IsEmpty());                   // Space
    EXPECT_TRUE(PCKeyRect(107).IsEmpty());                  // past the table
    EXPECT_EQ(PCKeyRect(29), (TSkinRect{53, 102, 24, 20})); // Q
}

TEST(SkinLayout, ControlsLieInsideTheWindowAndClearOfEachOther) {
    std::vector<std::pair<TSkinRect, std::string>> controls;
    for (int i = 0; i < MainButtonCount; ++i)
        controls.push_back({MainButtonRects[static_cast<size_t>(i)], "button"});
    for (const TSkinRect& box : ValueBoxes) {
        controls.push_back({box, "value box"});
        controls.push_back({SpinUpArrow(box), "up arrow"});
        controls.push_back({SpinDownArrow(box), "down arrow"});
    }
    controls.push_back({SliderTrack, "slider"});
    controls.push_back({KeySignaturePanel, "key signature"});
    controls.push_back({StaffPanel, "staff"});
    controls.push_back({NumberedPanel, "numbered"});
    controls.push_back(
        {{UpperPianoOrigin.X, UpperPianoOrigin.Y, PianoWidth, PianoHeight}, "upper"});
    controls.push_back(
        {{LowerPianoOrigin.X, LowerPianoOrigin.Y, PianoWidth, PianoHeight}, "lower"});
    for (int k = 0; k < PCKeyCount; ++k)
        if (!PCKeyRect(k).IsEmpty()) controls.push_back({PCKeyRect(k), "key"});
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_TRUE(Inside(controls[i].first, WindowFace)) << controls[i].second;
        for (size_t j = 0; j < i; ++j) {
            // A box's down arrow sits one pixel over its up arrow, as the box places it.
            if (controls[j].second == "up arrow" && controls[i].second == "down arrow" &&
                j + 1 == i)
                continue;
            EXPECT_FALSE(Overlap(controls[i].first, controls[j].first))
                << controls[j].second << " and " << controls[i].second;
        }
    }
    // The thumb's picture lies in the pressed half, inside the skin.
    EXPECT_GE(SliderThumb.Left, PressedOffset);
    EXPECT_LE(SliderThumb.Right(), SkinWidth);
    EXPECT_EQ(SliderThumb.Height, SliderTrack.Height);
}
