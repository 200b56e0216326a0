// The piano strip: every key's picture by its state, cut from the skin at the places
// of the window, and the mouse that plays one position per key.
#include "ui/TKTPianoKb.h"

#include "PaintCounter.h"
#include "WidgetTestSupport.h"

#include <utility>
#include <vector>

using namespace uitest;

namespace {

// The lower strip's origin on the window.
constexpr int X0 = 10, Y0 = 240;
const QRect StripArea(X0, Y0, 602, 26);

// Where some keys lie on the window (worked out from the key geometry by hand).
const std::vector<QRect> Key0{{X0, Y0 + 14, 14, 12}, {X0, Y0, 9, 14}};              // C1, white 0
const std::vector<QRect> Key1{{X0 + 9, Y0, 12, 14}};                                // C#1, black 0
const std::vector<QRect> Key26{{X0 + 210, Y0 + 14, 14, 12}, {X0 + 217, Y0, 2, 14}}; // D3
const std::vector<QRect> Key61{{X0 + 490 + 9, Y0, 12, 14}};                         // C#6, black 25
const std::vector<QRect> Key72{{X0 + 588, Y0, 14, 26}};                             // C7, white 42

std::vector<QRect> Join(std::initializer_list<std::vector<QRect>> groups) {
    std::vector<QRect> all;
    for (const auto& g : groups)
        all.insert(all.end(), g.begin(), g.end());
    return all;
}

class PianoKbTest : public ::testing::Test {
protected:
    QImage Skin = CoordinateSkin();
    std::unique_ptr<QWidget> Host = MakeHost();
    TKTPianoKb Strip{Host.get(), &Skin, {X0, Y0}};
    std::vector<std::pair<char, int>> Events; // 'd' or 'u', position

    void SetUp() override {
        Strip.SetOnPianoKeyDown([this](TKTMultiGlyphButton* sender, int p) {
            EXPECT_NE(sender, nullptr);
            Events.emplace_back('d', p);
        });
        Strip.SetOnPianoKeyUp([this](TKTMultiGlyphButton* sender, int p) {
            EXPECT_NE(sender, nullptr);
            Events.emplace_back('u', p);
        });
        Show(*Host);
    }

    // Every pixel of the strip as the window shows it: the pressed face inside the
    // rectangles given (window pixels), the released face everywhere else.
    ::testing::AssertionResult ShowsPressed(const std::vector<QRect>& pressed) {
        const QImage shown = Host->grab(StripArea).toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QPoint at(X0 + x, Y0 + y);
                bool down = false;
                for (const QRect& r : pressed)
                    down = down || r.contains(at);
                const QRgb want = SkinPixel(at.x() + (down ? 621 : 0), at.y());
                if (shown.pixel(x, y) != want)
                    return ::testing::AssertionFailure()
                           << "window pixel (" << at.x() << ", " << at.y() << ") should show the "
                           << (down ? "pressed" : "released") << " face";
            }
        return ::testing::AssertionSuccess();
    }
    // A point of the window on the strip, for the mouse.
    void PressAt(QPoint windowPoint, Qt::MouseButton b = Qt::LeftButton) {
        Press(Host.get(), windowPoint, b);
    }
    void ReleaseAt(QPoint windowPoint, Qt::MouseButton b = Qt::LeftButton) {
        Release(Host.get(), windowPoint, b);
    }
    using TEvents = std::vector<std::pair<char, int>>;
};

TEST_F(PianoKbTest, HundredSixteenButtonsAllShowingTheReleasedFace) {
    EXPECT_EQ(Host->findChildren<TKTMultiGlyphButton*>().size(), 116);
    EXPECT_NE(Host->findChild<TKTMultiGlyphButton*>("BlackKey29"), nullptr);
    EXPECT_NE(Host->findChild<TKTMultiGlyphButton*>("BigWhiteKey42"), nullptr);
    EXPECT_NE(Host->findChild<TKTMultiGlyphButton*>("LittleWhiteKey42"), nullptr);
    EXPECT_TRUE(ShowsPressed({}));
}

TEST_F(PianoKbTest, EachPositionLightsItsOwnKeyOnly) {
    const std::vector<std::pair<int, std::vector<QRect>>> cases{
        {0, Key0}, {1, Key1}, {26, Key26}, {61, Key61}, {72, Key72}};
    for (const auto& [position, rects] : cases) {
        SCOPED_TRACE(position);
        Strip.SetKeyState(position, true);
        EXPECT_TRUE(ShowsPressed(rects));
        Strip.SetKeyState(position, false);
        EXPECT_TRUE(ShowsPressed({}));
    }
    SaveShot(Host->grab(StripArea).toImage(), "h11a-strip-released");
    Strip.SetKeyState(0, true);
    Strip.SetKeyState(61, true);
    Strip.SetKeyState(72, true);
    EXPECT_TRUE(ShowsPressed(Join({Key0, Key61, Key72})));
}

TEST_F(PianoKbTest, PositionsOutsideTheKeyboardAndOtherStatesChangeNothing) {
    Strip.SetKeyState(73, 1);
    Strip.SetKeyState(-1, 1);
    Strip.SetKeyState(1000, true);
    EXPECT_TRUE(ShowsPressed({}));
    EXPECT_EQ(Strip.KeyState(73), 0);

    // A state other than 0 and 1 is kept but not shown: the key keeps its picture.
    Strip.SetKeyState(26, 1);
    Strip.SetKeyState(26, 2);
    EXPECT_EQ(Strip.KeyState(26), 2);
    EXPECT_TRUE(ShowsPressed(Key26));
    Strip.SetKeyState(1, 7);
    EXPECT_TRUE(ShowsPressed(Key26));
}

TEST_F(PianoKbTest, ReleaseAllShowsEveryKeyReleased) {
    for (int p : {0, 1, 26, 61, 72})
        Strip.SetKeyState(p, true);
    Strip.ReleaseAll();
    EXPECT_TRUE(ShowsPressed({}));
}

TEST_F(PianoKbTest, BothPartsOfAWhiteKeyPlayTheSamePosition) {
    // The narrow upper part of D in octave 3 (window x 227..228), then its lower part.
    PressAt({X0 + 218, Y0 + 5});
    EXPECT_EQ(Events, (TEvents{{'d', 26}}));
    EXPECT_TRUE(ShowsPressed(Key26)) << "both parts show pressed";
    ReleaseAt({X0 + 218, Y0 + 5});
    EXPECT_EQ(Events, (TEvents{{'d', 26}, {'u', 26}}));
    EXPECT_TRUE(ShowsPressed({}));

    PressAt({X0 + 216, Y0 + 20});
    EXPECT_TRUE(ShowsPressed(Key26));
    ReleaseAt({X0 + 216, Y0 + 20});
    // A black key, and the full-height top C at its foot.
    Click(Host.get(), {X0 + 505, Y0 + 7});
    Click(Host.get(), {X0 + 600, Y0 + 24});
    EXPECT_EQ(Events, (TEvents{{'d', 26},
                               {'u', 26},
                               {'d', 26},
                               {'u', 26},
                               {'d', 61},
                               {'u', 61},
                               {'d', 72},
                               {'u', 72}}));
    EXPECT_TRUE(ShowsPressed({}));
}

TEST_F(PianoKbTest, OnlyTheLeftButtonPlaysAndTheReleaseBelongsToThePressedKey) {
    PressAt({X0 + 505, Y0 + 7}, Qt::RightButton);
    ReleaseAt({X0 + 505, Y0 + 7}, Qt::RightButton);
    EXPECT_TRUE(Events.empty());
    EXPECT_TRUE(ShowsPressed({}));

    PressAt({X0 + 3, Y0 + 20});
    Move(Host.get(), {X0 + 300, Y0 + 20});
    ReleaseAt({X0 + 300, Y0 + 20}); // over another key
    EXPECT_EQ(Events, (TEvents{{'d', 0}, {'u', 0}}));
    EXPECT_TRUE(ShowsPressed({}));
}

TEST_F(PianoKbTest, DisablingLetsGoOfTheKeyHeldWithTheMouse) {
    PressAt({X0 + 505, Y0 + 7});
    Strip.SetKeysEnabled(false);
    EXPECT_EQ(Events, (TEvents{{'d', 61}, {'u', 61}})) << "the note must not hang";
    EXPECT_TRUE(ShowsPressed({}));
    ReleaseAt({X0 + 505, Y0 + 7});
    Click(Host.get(), {X0 + 3, Y0 + 20}); // a disabled keyboard hears nothing
    EXPECT_EQ(Events.size(), 2u);
    EXPECT_TRUE(ShowsPressed({}));

    // The controller still shows notes on a disabled keyboard (song playback).
    Strip.SetKeyState(26, true);
    EXPECT_TRUE(ShowsPressed(Key26));
    Strip.SetKeyState(26, false);

    Strip.SetKeysEnabled(true);
    Click(Host.get(), {X0 + 3, Y0 + 20});
    EXPECT_EQ(Events, (TEvents{{'d', 61}, {'u', 61}, {'d', 0}, {'u', 0}}));
}

TEST_F(PianoKbTest, OnlyTheButtonsOfAChangedKeyRepaint) {
    TPaintCounter paints;
    for (auto* b : Host->findChildren<TKTMultiGlyphButton*>())
        paints.Watch(b);
    paints.Settle();

    Strip.SetKeyState(61, true);
    EXPECT_EQ(paints.PaintedSince(), (std::set<QObject*>{Strip.BlackKey(25)}));
    paints.Settle();
    Strip.SetKeyState(26, true);
    EXPECT_EQ(paints.PaintedSince(),
              (std::set<QObject*>{Strip.BigWhiteKey(15), Strip.LittleWhiteKey(15)}));

    // Nothing changes: nothing paints.
    paints.Settle();
    Strip.SetKeyState(61, true);
    Strip.SetKeyState(5, false);
    EXPECT_TRUE(paints.PaintedSince().empty());

    Strip.ReleaseAll();
    EXPECT_EQ(paints.PaintedSince(), (std::set<QObject*>{Strip.BlackKey(25), Strip.BigWhiteKey(15),
                                                         Strip.LittleWhiteKey(15)}));
}

} // namespace
