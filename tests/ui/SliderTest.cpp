// The slider: where the thumb stands for a position, what a drag does, and when
// the change handler hears of it.
#include "ui/SkinRect.h"
#include "ui/TKTSlider.h"

#include "WidgetTestSupport.h"

using namespace uitest;

namespace {

// The main window's volume slider on the test skin.
class VolumeSliderTest : public ::testing::Test {
protected:
    QImage Skin = CoordinateSkin();
    std::unique_ptr<QWidget> Host = MakeHost(1100, 600); // room to drag far beyond the ends
    TKTSlider* Slider = new TKTSlider(Host.get());
    int Changes = 0;
    static constexpr SkinLayout::TSkinRect Track = SkinLayout::SliderTrack;
    static constexpr QPoint Thumb{SkinLayout::SliderThumb.Left, SkinLayout::SliderThumb.Top};

    void SetUp() override {
        Slider->SetTrack(&Skin, ToQRect(Track));
        Slider->SetThumb(&Skin, ToQRect(SkinLayout::SliderThumb));
        Slider->move(Track.Left, Track.Top);
        Slider->SetMin(0);
        Slider->SetMax(127);
        Slider->SetHorizontal(true);
        Slider->SetTrackStart({0, 0});
        Slider->SetTrackEnd(SkinLayout::SliderTrackEnd);
        Slider->SetPosition(50);
        Slider->SetOnChange([this](TKTSlider*) { ++Changes; });
        Show(*Host);
    }
    // Drags the thumb from its middle by dx, dy.
    void Drag(int dx, int dy = 0) {
        const QPoint from = Slider->ThumbPlace().center();
        Press(Slider, from);
        Move(Slider, from + QPoint(dx, dy));
        Release(Slider, from + QPoint(dx, dy));
    }
};

TEST_F(VolumeSliderTest, ThumbStandsInProportionAlongTheTrack) {
    EXPECT_EQ(Slider->size(), QSize(110, 19));
    EXPECT_EQ(Slider->ThumbPlace(), QRect(39, 0, 8, 19)); // 100 * 50 div 127
    Slider->SetPosition(127);
    EXPECT_EQ(Slider->ThumbPlace().topLeft(), QPoint(100, 0));
    Slider->SetPosition(64);
    EXPECT_EQ(Slider->ThumbPlace().topLeft(), QPoint(50, 0));
    Slider->SetPosition(0);
    EXPECT_EQ(Slider->ThumbPlace().topLeft(), QPoint(0, 0));
}

TEST_F(VolumeSliderTest, PaintsTheTrackWithTheThumbOverIt) {
    Slider->SetPosition(64);
    const QImage shot = Slider->grab().toImage();
    SaveShot(shot, "slider-64");
    EXPECT_TRUE(ShowsSkinAt(shot.copy(0, 0, 50, 19), {Track.Left, Track.Top}));
    EXPECT_TRUE(ShowsSkinAt(shot.copy(50, 0, 8, 19), Thumb));
    EXPECT_TRUE(ShowsSkinAt(shot.copy(58, 0, 52, 19), {Track.Left + 58, Track.Top}));
    // Moving on leaves no trace of the old thumb.
    Slider->SetPosition(0);
    EXPECT_TRUE(
        ShowsSkinAt(Slider->grab().toImage().copy(8, 0, 102, 19), {Track.Left + 8, Track.Top}));
}

TEST_F(VolumeSliderTest, PositionsAreClampedAndOnlyChangesAreReported) {
    Slider->SetPosition(200);
    EXPECT_EQ(Slider->Position(), 127);
    EXPECT_EQ(Changes, 1);
    Slider->SetPosition(127);
    Slider->SetPosition(300); // clamps to where it already is
    EXPECT_EQ(Changes, 1);
    Slider->SetPosition(-5);
    EXPECT_EQ(Slider->Position(), 0);
    EXPECT_EQ(Changes, 2);
}

TEST_F(VolumeSliderTest, DraggingTheThumbMovesThePositionByTheTravel) {
    Drag(10);
    EXPECT_EQ(Slider->Position(), 62); // 50 + 127 * 10 div 100
    EXPECT_EQ(Changes, 1);
    EXPECT_FALSE(Slider->Dragging());
    Drag(-3);
    EXPECT_EQ(Slider->Position(), 59); // 62 - 381 div 100 (towards zero)
    Drag(500);
    EXPECT_EQ(Slider->Position(), 127);
    Drag(-400);
    EXPECT_EQ(Slider->Position(), 0);
}

TEST_F(VolumeSliderTest, EveryMoveOfADragCountsFromWhereItStarted) {
    const QPoint from = Slider->ThumbPlace().center();
    Press(Slider, from);
    EXPECT_TRUE(Slider->Dragging());
    Move(Slider, from + QPoint(4, 0));
    EXPECT_EQ(Slider->Position(), 55);
    Move(Slider, from + QPoint(8, 5)); // off the track vertically: only x counts
    EXPECT_EQ(Slider->Position(), 60);
    Move(Slider, from + QPoint(200, 0)); // beyond the slider: it keeps the mouse
    EXPECT_EQ(Slider->Position(), 127);
    Move(Slider, from);
    EXPECT_EQ(Slider->Position(), 50);
    Release(Slider, from);
    Move(Slider, from + QPoint(30, 0));
    EXPECT_EQ(Slider->Position(), 50) << "a move after the release does nothing";
    EXPECT_EQ(Changes, 4);
}

TEST_F(VolumeSliderTest, APressBesideTheThumbDoesNotMoveIt) {
    Press(Slider, {90, 9});
    Move(Slider, {100, 9});
    Release(Slider, {100, 9});
    EXPECT_EQ(Slider->Position(), 50);
    EXPECT_EQ(Changes, 0);
    // Nor does the right button on the thumb.
    const QPoint thumb = Slider->ThumbPlace().center();
    Press(Slider, thumb, Qt::RightButton);
    Move(Slider, thumb + QPoint(20, 0));
    Release(Slider, thumb + QPoint(20, 0), Qt::RightButton);
    EXPECT_EQ(Slider->Position(), 50);
}

TEST_F(VolumeSliderTest, DoubleClickIsReported) {
    int doubleClicks = 0;
    Slider->SetOnDblClick([&](TKTSlider* s) {
        EXPECT_EQ(s, Slider);
        ++doubleClicks;
    });
    QTest::mouseDClick(Host->windowHandle(), Qt::LeftButton, {},
                       QPoint(Track.Left + 5, Track.Top + 2));
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(Slider->Position(), 50);
}

TEST_F(VolumeSliderTest, ANewRangeMovesTheThumbSilentlyAtTheNextPosition) {
    // The synthesiser-volume mode: the owner detaches the handler while it switches.
    Slider->SetOnChange(nullptr);
    Slider->SetMin(-2000);
    Slider->SetMax(2000);
    EXPECT_EQ(Slider->ThumbPlace().left(), 39) << "the range alone moves nothing";
    Slider->SetPosition(0);
    EXPECT_EQ(Slider->ThumbPlace().left(), 50);
    Slider->SetOnChange([this](TKTSlider*) { ++Changes; });
    Drag(1);
    EXPECT_EQ(Slider->Position(), 40); // 4000 * 1 div 100
    EXPECT_EQ(Changes, 1);

    // Back to 0..127 with the very position it had: the thumb still follows the range.
    Slider->SetOnChange(nullptr);
    Slider->SetMin(0);
    Slider->SetMax(127);
    Slider->SetPosition(40);
    EXPECT_EQ(Slider->ThumbPlace().left(), 31); // 100 * 40 div 127
}

TEST(Slider, WithoutTravelADragLeavesThePosition) {
    QImage skin = CoordinateSkin();
    auto host = MakeHost(200, 100);
    auto* slider = new TKTSlider(host.get());
    slider->SetTrack(&skin, QRect(0, 0, 110, 19));
    slider->SetThumb(&skin, ToQRect(SkinLayout::SliderThumb));
    slider->SetMax(127);
    slider->SetTrackStart({20, 0});
    slider->SetTrackEnd(20);
    slider->SetPosition(70);
    Show(*host);
    const QPoint from = slider->ThumbPlace().center();
    Press(slider, from);
    Move(slider, from + QPoint(15, 0));
    Release(slider, from + QPoint(15, 0));
    EXPECT_EQ(slider->Position(), 70);
}

TEST(Slider, AnEmptyRangeKeepsThePositionAndDrawsNoThumb) {
    QImage skin = CoordinateSkin();
    auto host = MakeHost(200, 100);
    auto* slider = new TKTSlider(host.get());
    slider->SetTrack(&skin, QRect(0, 0, 110, 19));
    slider->SetThumb(&skin, ToQRect(SkinLayout::SliderThumb));
    slider->SetMin(5);
    slider->SetMax(5);
    slider->SetTrackEnd(100);
    slider->SetPosition(9);
    EXPECT_EQ(slider->Position(), 5);
    EXPECT_TRUE(slider->ThumbPlace().isEmpty());
    EXPECT_TRUE(ShowsSkinAt(slider->grab().toImage(), {0, 0}));
}

TEST(Slider, AVerticalSliderHasItsHighEndAtTheTop) {
    QImage skin = CoordinateSkin();
    auto host = MakeHost(200, 200);
    auto* slider = new TKTSlider(host.get());
    slider->SetTrack(&skin, QRect(0, 0, 19, 110));
    slider->SetThumb(&skin, QRect(1077, 288, 19, 8));
    slider->SetHorizontal(false);
    slider->SetMax(127);
    slider->SetTrackStart({0, 0});
    slider->SetTrackEnd(100);
    slider->SetPosition(0);
    EXPECT_EQ(slider->ThumbPlace(), QRect(0, 100, 19, 8));
    slider->SetPosition(127);
    EXPECT_EQ(slider->ThumbPlace().topLeft(), QPoint(0, 0));
    slider->SetPosition(64);
    EXPECT_EQ(slider->ThumbPlace().topLeft(), QPoint(0, 50));
    Show(*host);

    const QPoint from = slider->ThumbPlace().center();
    Press(slider, from);
    Move(slider, from + QPoint(0, -10)); // upwards raises the position
    Release(slider, from + QPoint(0, -10));
    EXPECT_EQ(slider->Position(), 76); // 64 + 10 * 127 div 100
}

} // namespace
