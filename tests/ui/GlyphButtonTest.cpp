// Drawn buttons and the command strip: pictures from the skin, enabled and latched
// states, and the command that runs on release.
#include "ui/TKTMainButtons.h"

#include "WidgetTestSupport.h"

#include <vector>

using namespace uitest;

namespace {

class MainButtonsTest : public ::testing::Test {
protected:
    QImage Skin = CoordinateSkin();
    std::unique_ptr<QWidget> Host = MakeHost();
    TKTMainButtons Strip{Host.get(), &Skin};
    std::vector<int> Clicked; // tags, in order

    void SetUp() override {
        Strip.SetOnButtonClick([this](TKTMultiGlyphButton* b) { Clicked.push_back(b->Tag()); });
        Show(*Host);
    }
    TKTMultiGlyphButton* B(int i) { return Strip.Button(i); }
};

TEST_F(MainButtonsTest, SevenButtonsStandAtTheirPlacesWithTheirNames) {
    const char* names[] = {"KTMainButton_Open",   "KTMainButton_Save",  "KTMainButton_Play",
                           "KTMainButton_Record", "KTMainButton_Setup", "KTMainButton_Help",
                           "KTMainButton_About"};
    const int lefts[] = {22, 94, 166, 238, 310, 382, 520};
    for (int i = 0; i < TKTMainButtons::ButtonCount; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(B(i), nullptr);
        EXPECT_EQ(B(i)->objectName(), QLatin1String(names[i]));
        EXPECT_EQ(B(i)->geometry(), QRect(lefts[i], 9, 65, 28));
        EXPECT_EQ(B(i)->parentWidget(), Host.get());
        EXPECT_EQ(B(i)->Tag(), i);
        EXPECT_EQ(B(i)->StateOrigin(0), QPoint(lefts[i], 9));
        EXPECT_EQ(B(i)->StateOrigin(1), QPoint(lefts[i] + 621, 9));
        EXPECT_EQ(B(i)->State(), 0);
        EXPECT_EQ(B(i)->cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_EQ(Host->findChild<TKTMultiGlyphButton*>("KTMainButton_About"), B(6));
    EXPECT_EQ(Strip.Button(7), nullptr);
    EXPECT_EQ(Strip.Button(-1), nullptr);
}

TEST_F(MainButtonsTest, ReleasedAndPressedFacesComeFromTheSkin) {
    for (int i = 0; i < TKTMainButtons::ButtonCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(ShowsSkinAt(B(i)->grab().toImage(), TKTMainButtons::NormalRect(i).topLeft()));
    }
    SaveShot(Host->grab().toImage(), "strip-released");
    Press(B(3), {30, 14});
    EXPECT_EQ(B(3)->State(), 1);
    EXPECT_TRUE(ShowsSkinAt(B(3)->grab().toImage(), QPoint(238 + 621, 9)));
    EXPECT_TRUE(ShowsSkinAt(B(2)->grab().toImage(), QPoint(166, 9))); // its neighbour stays
    SaveShot(Host->grab().toImage(), "strip-record-pressed");
    Release(B(3), {30, 14});
    EXPECT_TRUE(ShowsSkinAt(B(3)->grab().toImage(), QPoint(238, 9)));
}

TEST_F(MainButtonsTest, TheCommandRunsOnReleaseOverTheButton) {
    Press(B(0), {5, 5});
    EXPECT_TRUE(Clicked.empty()) << "nothing happens on the press";
    Release(B(0), {5, 5});
    EXPECT_EQ(Clicked, std::vector<int>{0});
    EXPECT_EQ(B(0)->State(), 0);

    Click(B(6), {60, 20});
    EXPECT_EQ(Clicked, (std::vector<int>{0, 6}));
}

TEST_F(MainButtonsTest, TheReleaseRunsTheCommandWhereverThePointerWent) {
    // The button keeps the mouse from its press: a release away from it still
    // clicks it, and only it.
    const struct {
        QPoint Away; // where the pointer goes, in the Setup button's coordinates
        const char* What;
    } cases[] = {
        {{10, 10}, "over the button"},
        {{10, 40}, "below the strip"},
        {{-40, 12}, "over the neighbouring button"},
        {{400, 300}, "far outside the window"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Clicked.clear();
        Press(B(4), {10, 10});
        Move(B(4), c.Away);
        EXPECT_EQ(B(4)->State(), 1) << "pressed until the release";
        EXPECT_TRUE(Clicked.empty());
        Release(B(4), c.Away);
        EXPECT_EQ(Clicked, std::vector<int>{4});
        EXPECT_EQ(B(4)->State(), 0);
        EXPECT_EQ(B(3)->State(), 0) << "the neighbour is not pressed";
    }
}

TEST_F(MainButtonsTest, OnlyTheLeftButtonPresses) {
    Press(B(1), {5, 5}, Qt::RightButton);
    EXPECT_EQ(B(1)->State(), 0);
    Release(B(1), {5, 5}, Qt::RightButton);
    Click(B(1), {5, 5}); // then a left click still works
    EXPECT_EQ(Clicked, std::vector<int>{1});
}

TEST_F(MainButtonsTest, ADisabledButtonHearsNothingAndKeepsItsPicture) {
    Strip.SetButtonEnabled(TKTMainButtons::Save, false);
    Strip.SetButtonEnabled(TKTMainButtons::Play, false);
    EXPECT_FALSE(Strip.ButtonEnabled(1));
    EXPECT_FALSE(B(1)->isEnabled());
    EXPECT_TRUE(Strip.ButtonEnabled(0));

    Strip.SetButtonLatched(TKTMainButtons::Play, true);
    Press(B(1), {5, 5});
    EXPECT_EQ(B(1)->State(), 0);
    Release(B(1), {5, 5});
    Click(B(2), {5, 5});
    EXPECT_EQ(B(2)->State(), 1) << "a disabled latched button stays latched";
    EXPECT_TRUE(Clicked.empty());

    Strip.SetButtonEnabled(TKTMainButtons::Save, true);
    Click(B(1), {5, 5});
    EXPECT_EQ(Clicked, std::vector<int>{1});
}

TEST_F(MainButtonsTest, ALatchedButtonShowsPressedUntilUnlatched) {
    Strip.SetButtonLatched(TKTMainButtons::Record, true);
    EXPECT_TRUE(Strip.ButtonLatched(3));
    EXPECT_TRUE(ShowsSkinAt(B(3)->grab().toImage(), QPoint(238 + 621, 9)));

    // A click shows it released until the owner latches it again.
    Click(B(3), {5, 5});
    EXPECT_EQ(B(3)->State(), 0);
    Strip.SetButtonLatched(TKTMainButtons::Record, false);
    EXPECT_FALSE(Strip.ButtonLatched(3));
    EXPECT_TRUE(ShowsSkinAt(B(3)->grab().toImage(), QPoint(238, 9)));
}

TEST_F(MainButtonsTest, DisablingAHeldButtonDropsThePress) {
    Press(B(5), {5, 5});
    Strip.SetButtonEnabled(TKTMainButtons::Help, false);
    EXPECT_EQ(B(5)->State(), 0);
    Strip.SetButtonEnabled(TKTMainButtons::Help, true);
    Release(B(5), {5, 5});
    EXPECT_TRUE(Clicked.empty());
}

TEST_F(MainButtonsTest, ADoubleClickRunsTheCommandTwice) {
    QTest::mouseDClick(Host->windowHandle(), Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_EQ(Clicked, (std::vector<int>{0, 0}));
}

TEST_F(MainButtonsTest, WithoutAHandlerClicksDoNothing) {
    Strip.SetOnButtonClick(nullptr);
    Click(B(0), {5, 5});
    EXPECT_TRUE(Clicked.empty());
    EXPECT_EQ(B(0)->State(), 0);
}

TEST(GlyphButton, WithoutGlyphItDrawsItsCaptionOnTheParentsBackground) {
    auto host = MakeHost(100, 60);
    QPalette p = host->palette();
    p.setColor(QPalette::Window, QColor(10, 200, 30));
    host->setPalette(p);
    host->setAutoFillBackground(true);
    auto* b = new TKTMultiGlyphButton(host.get());
    EXPECT_EQ(b->geometry(), QRect(0, 0, 22, 23));
    b->setGeometry(10, 10, 80, 40);
    b->SetCaption(QStringLiteral("开"));
    Show(*host);

    const QImage shot = host->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(QColor(shot.pixel(12, 12)), QColor(10, 200, 30)) << "the corner shows the parent";
    int dark = 0;
    for (int y = 10; y < 50; ++y)
        for (int x = 10; x < 90; ++x)
            dark += qGray(shot.pixel(x, y)) < 60;
    EXPECT_GT(dark, 10) << "the caption is drawn";
    for (int y = 10; y < 50; ++y)
        for (int x = 10; x < 90; ++x)
            if (qGray(shot.pixel(x, y)) < 60) {
                EXPECT_GT(x, 30) << "centred";
                EXPECT_LT(x, 70) << "centred";
            }
}

TEST(GlyphButton, StatesOutsideTheTableAreIgnored) {
    QImage skin = CoordinateSkin();
    auto host = MakeHost(100, 60);
    TKTMultiGlyphButton b(host.get());
    b.SetGlyph(&skin);
    b.SetStateOrigin(5, {300, 100});
    b.SetStateOrigin(16, {1, 1});
    b.SetState(5);
    b.SetState(16);
    b.SetState(-1);
    EXPECT_EQ(b.State(), 5);
    EXPECT_EQ(b.StateOrigin(16), QPoint());
    EXPECT_TRUE(ShowsSkinAt(b.grab().toImage(), {300, 100}));
}

} // namespace
