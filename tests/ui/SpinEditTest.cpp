// Value boxes: display and arrows at their places, arrow pictures from the skin,
// and which changes reach the owner.
#include "ui/TKTSpinEdit.h"

#include "WidgetTestSupport.h"

#include <vector>

using namespace uitest;

namespace {

class SpinEditTest : public ::testing::Test {
protected:
    QImage Skin = CoordinateSkin();
    std::unique_ptr<QWidget> Host = MakeHost();
    // The transposition box of the main window.
    TKTSpinEdit Box{Host.get(), 316, 373, 19, 96, &Skin};
    std::vector<int> Clicked; // the arrows' tags

    void SetUp() override {
        Box.SetOnClick([this](TKTMultiGlyphButton* arrow) { Clicked.push_back(arrow->Tag()); });
        Show(*Host);
    }
};

TEST_F(SpinEditTest, DisplayAndArrowsStandBesideEachOther) {
    EXPECT_EQ(Box.Display()->geometry(), QRect(373, 316, 96, 19));
    EXPECT_EQ(Box.Up()->geometry(), QRect(469, 316, 11, 10));
    EXPECT_EQ(Box.Down()->geometry(), QRect(469, 325, 11, 9)); // one pixel over the up arrow
    EXPECT_EQ(Box.Up()->Tag(), TKTSpinEdit::UpArrow);
    EXPECT_EQ(Box.Down()->Tag(), TKTSpinEdit::DownArrow);
    EXPECT_EQ(Box.Up()->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Box.Display()->parentWidget(), Host.get());
}

TEST_F(SpinEditTest, ArrowsShowTheSkinAtTheirPlacesAndPressed621Right) {
    EXPECT_TRUE(ShowsSkinAt(Box.Up()->grab().toImage(), {469, 316}));
    EXPECT_TRUE(ShowsSkinAt(Box.Down()->grab().toImage(), {469, 325}));
    Press(Box.Down(), {5, 4});
    EXPECT_TRUE(ShowsSkinAt(Box.Down()->grab().toImage(), {469 + 621, 325}));
    EXPECT_TRUE(ShowsSkinAt(Box.Up()->grab().toImage(), {469, 316}));
    Release(Box.Down(), {5, 4});
    EXPECT_TRUE(ShowsSkinAt(Box.Down()->grab().toImage(), {469, 325}));
}

TEST_F(SpinEditTest, ShowsItsTextGreenOnBlack) {
    Box.SetText(QStringLiteral("1=bE (+3)"));
    EXPECT_EQ(Box.Text(), QStringLiteral("1=bE (+3)"));
    const QImage shot = Box.Display()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    SaveShot(Host->grab(QRect(370, 312, 114, 27)).toImage().scaled(456, 108), "spin-transpose");
    EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(Qt::black));
    int green = 0, other = 0, minX = 96, maxX = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c(shot.pixel(x, y));
            if (c == QColor(Qt::black)) continue;
            // Antialiased text is green of some strength over black.
            if (c.red() == 0 && c.blue() == 0 && c.green() > 0) {
                ++green;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            } else {
                ++other;
            }
        }
    EXPECT_GT(green, 40);
    EXPECT_EQ(other, 0);
    EXPECT_LT(std::abs((minX + maxX) - 96), 6) << "centred: " << minX << ".." << maxX;
}

TEST_F(SpinEditTest, ArrowClicksReachTheOwnerAndShownTextsDoNot) {
    Click(Box.Up(), {5, 5});
    Click(Box.Down(), {5, 4});
    Box.SetText(QStringLiteral("+1")); // what the owner writes back
    Click(Box.Up(), {5, 5});
    // An arrow released after the pointer left it (onto the display, below the box)
    // still steps the value.
    Press(Box.Down(), {5, 4});
    Move(Box.Down(), {-30, 4});
    Release(Box.Down(), {-30, 4});
    Press(Box.Up(), {5, 5});
    Release(Box.Up(), {5, 40});
    EXPECT_EQ(Clicked, (std::vector<int>{0, 1, 0, 1, 0}));
    EXPECT_EQ(Box.Down()->State(), 0);
}

TEST_F(SpinEditTest, ThePixelTheArrowsShareBelongsToTheDownArrow) {
    Click(Box.Up(), {5, 9}); // the up arrow's bottom row lies under the down arrow
    EXPECT_EQ(Clicked, std::vector<int>{1});
}

TEST_F(SpinEditTest, WithoutHandlerArrowsAreSilent) {
    Box.SetOnClick(nullptr);
    Click(Box.Up(), {5, 5});
    EXPECT_TRUE(Clicked.empty());
    EXPECT_EQ(Box.Up()->State(), 0);
}

TEST_F(SpinEditTest, DisablingStopsTheArrowsButLeavesTheDisplay) {
    Box.SetText(QStringLiteral("70"));
    Box.SetEnabled(false);
    EXPECT_FALSE(Box.Enabled());
    EXPECT_FALSE(Box.Up()->isEnabled());
    EXPECT_FALSE(Box.Down()->isEnabled());
    EXPECT_TRUE(Box.Display()->isEnabled());
    EXPECT_EQ(Box.Text(), QStringLiteral("70"));
    const QImage shot = Box.Display()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    bool brightGreen = false;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            brightGreen |= QColor(shot.pixel(x, y)).green() > 200;
    EXPECT_TRUE(brightGreen) << "the text keeps its colour";

    Click(Box.Up(), {5, 5});
    Click(Box.Down(), {5, 4});
    EXPECT_TRUE(Clicked.empty());
    Box.SetEnabled(true);
    Click(Box.Down(), {5, 4});
    EXPECT_EQ(Clicked, std::vector<int>{1});
}

TEST_F(SpinEditTest, AShortBoxGivesTheDownArrowWhatIsLeft) {
    TKTSpinEdit low(Host.get(), 10, 10, 8, 37, &Skin);
    EXPECT_EQ(low.Down()->height(), 0);
    EXPECT_EQ(low.Up()->geometry(), QRect(47, 10, 11, 10));
}

} // namespace
