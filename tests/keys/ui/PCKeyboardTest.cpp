// The PC keyboard picture on the real skin and staff mask, wired to a real controller
// as the main window wires it: the labels as they appear on screen, the pressed and
// released pictures, and the mouse on the keys.
#include "keys/ui/TKTPCKeyboard.h"

#include "controller/PerformanceController.h"
#include "fakes/FakeSynthesizer.h"
#include "fakes/FakeTickClock.h"
#include "ui/GlyphTestSupport.h"
#include "ui/HandCursors.h"
#include "ui/PaintCounter.h"
#include "ui/SkinLayout.h"
#include "ui/SkinRect.h"
#include "ui/TKTMultiGlyphButton.h"
#include "ui/WidgetTestSupport.h"

#include <QTest>

#include <set>
#include <string>
#include <vector>

using namespace uitest;

namespace {

constexpr int KeyQ = 29, Key1 = 14, KeyA = 43, KeyS = 44, KeyBackslash = 26, KeyNum1 = 101;

QRect KeyRect(int k) {
    return ToQRect(SkinLayout::PCKeyRect(k));
}

// What the label adds to a key's bare picture: the pixels that differ from it.
struct TLabelInk {
    QRect Box;             // in key coordinates; empty when nothing was drawn
    int Runs = 0;          // separate bands of rows (digit and octave dots)
    int Exact = 0;         // pixels of exactly the label colour
    int Bluish = 0;        // pixels with clearly more blue than red
    int DarkestLuma = 255; // of the changed pixels
};

int Luma(QRgb c) {
    return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000;
}

TLabelInk InkOf(const QImage& shown, const QImage& bare, QRgb labelColour) {
    TLabelInk ink;
    std::vector<bool> rows(static_cast<size_t>(shown.height()), false);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb p = shown.pixel(x, y);
            if (p == bare.pixel(x, y)) continue;
            ink.Box |= QRect(x, y, 1, 1);
            rows[static_cast<size_t>(y)] = true;
            ink.Exact += (p & 0xffffff) == (labelColour & 0xffffff);
            ink.Bluish += qBlue(p) - qRed(p) > 20;
            ink.DarkestLuma = std::min(ink.DarkestLuma, Luma(p));
        }
    for (size_t y = 0; y < rows.size(); ++y)
        ink.Runs += rows[y] && (y == 0 || !rows[y - 1]);
    return ink;
}

// Left and right, top and bottom margins of the ink differ by at most one pixel.
::testing::AssertionResult Centred(const TLabelInk& ink, QSize key) {
    const int l = ink.Box.left(), r = key.width() - 1 - ink.Box.right();
    const int t = ink.Box.top(), b = key.height() - 1 - ink.Box.bottom();
    if (ink.Box.isEmpty()) return ::testing::AssertionFailure() << "no label";
    if (std::abs(l - r) > 1 || std::abs(t - b) > 1)
        return ::testing::AssertionFailure()
               << "margins left " << l << " right " << r << " top " << t << " bottom " << b;
    return ::testing::AssertionSuccess();
}

// The main window's editor entry point: it notes the key and whether the next press
// on the picture is already to be skipped when it is reached.
class TEditorWindow final : public IMainWindow {
public:
    void ConfineCursor(int, int) override {}
    void ReleaseCursor() override {}
    void SetCursorShape(TCursorShape) override {}
    void OpenKeyEditor(int k) override {
        Opened.push_back(k);
        SkipWasSet.push_back(View && View->IsSkipNextKeyboardPress());
    }
    const TKTPCKeyboard* View = nullptr;
    std::vector<int> Opened;
    std::vector<bool> SkipWasSet;
};

class PCKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Pristine.isNull()) << "the glyph library beside the tests has no skin";
        ASSERT_FALSE(Mask.isNull());
        LoadDefaultKeyDefs();
        View = std::make_unique<TKTPCKeyboard>(Host.get(), Pristine, Working, Mask, KeyDefs);
        Window.View = View.get();
        Ctl = std::make_unique<TPerformanceController>(
            Synth, Recorder, Clock, Voices,
            TControllerPorts{View.get(), nullptr, nullptr, nullptr, nullptr, &Window});
        // The main window's wiring.
        View->SetOnKeyDown([this](int k) { Ctl->PCKeyboardMouseDown(k); });
        View->SetOnKeyUp([this](int k) { Ctl->PCKeyboardMouseUp(k); });
        View->SetOnMouseMove([this](int k) { Ctl->PCKeyboardMouseMove(k); });
        View->SetOnDoubleClick([this](int k) { Ctl->PCKeyboardDoubleClick(k); });
        // Start-up sets both octave shifts, which draws the labels.
        Ctl->SetPerformerDefaults();
        Show(*Host);
    }

    QImage Shot() { return Host->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QImage Released(const QImage& shot, int k) { return shot.copy(KeyRect(k)); }
    // The label as shown now, against the bare key of the picture the key shows.
    TLabelInk Ink(int k) {
        const bool pressed = static_cast<TKTMultiGlyphButton*>(View->KeyButton(k))->State() == 1;
        const QRect bare =
            pressed ? ToQRect(SkinLayout::PressedOf(SkinLayout::PCKeyRect(k))) : KeyRect(k);
        return InkOf(Released(Shot(), k), Pristine.copy(bare),
                     pressed ? TKTPCKeyboard::PressedLabelColour
                             : TKTPCKeyboard::ReleasedLabelColour);
    }
    QPoint Centre(int k) { return QRect(QPoint(), KeyRect(k).size()).center(); }
    std::vector<std::string> Notes() const {
        std::vector<std::string> out;
        for (const TMidiMessage& m : Synth.Messages)
            if ((m.Status & 0xE0) == 0x80) out.push_back(MidiText(m));
        return out;
    }

    const QImage Pristine = glyphtest::Library().LoadBitmap(TGlyphLibrary::SkinBitmapName);
    QImage Working = Pristine.copy();
    const QImage Mask = glyphtest::Library().LoadBitmap(TGlyphLibrary::StaffMaskName);
    std::unique_ptr<QWidget> Host = MakeHost();
    TFakeClock Clock;
    TFakeSynthesizer Synth;
    TSimpleRecorder Recorder{Clock};
    TVoiceList Voices;
    TEditorWindow Window;
    std::unique_ptr<TKTPCKeyboard> View;
    std::unique_ptr<TPerformanceController> Ctl;
};

TEST_F(PCKeyboardTest, ButtonsStandOnTheDefinableKeysOnly) {
    int buttons = 0;
    for (int k = 0; k < KeyCount; ++k) {
        QWidget* b = View->KeyButton(k);
        EXPECT_EQ(b != nullptr, DefinableKeys[static_cast<size_t>(k)]) << k;
        if (!b) continue;
        ++buttons;
        EXPECT_EQ(b->geometry(), KeyRect(k)) << k;
        EXPECT_EQ(b->parentWidget(), Host.get());
    }
    EXPECT_EQ(buttons, DefinableKeyCount);
    EXPECT_EQ(View->KeyButton(97)->geometry(), QRect(588, 102, 24, 43));  // Num-+
    EXPECT_EQ(View->KeyButton(105)->geometry(), QRect(507, 170, 51, 20)); // Num-0
    SaveShot(Shot(), "pckeyboard-default");
    SaveShot(Working, "pckeyboard-working-face");
}

TEST_F(PCKeyboardTest, DefaultLabelsFollowTheLeftOctaveShift) {
    // "Q" plays do in octave 4: a 1 without dots; "1" do in octave 5: one dot above.
    TLabelInk q = Ink(KeyQ), one = Ink(Key1);
    EXPECT_EQ(q.Runs, 1);
    EXPECT_GE(q.Box.height(), 8);
    EXPECT_LE(q.Box.height(), 10);
    EXPECT_TRUE(Centred(q, KeyRect(KeyQ).size()));
    EXPECT_GT(q.Exact, 5) << "steel blue on the released key";
    EXPECT_EQ(one.Runs, 2);
    EXPECT_GT(one.Box.height(), q.Box.height());
    EXPECT_LE(one.Box.height(), 13);
    EXPECT_TRUE(Centred(one, KeyRect(Key1).size()));
    const TLabelInk numOne = Ink(KeyNum1); // right keyboard, octave 4
    SaveShot(Shot().copy(30, 75, 380, 95), "pckeyboard-rows-octave0");

    Ctl->SetLeftOctave(1);
    q = Ink(KeyQ);
    one = Ink(Key1);
    EXPECT_EQ(q.Runs, 2) << "one dot once the left keyboard is an octave up";
    EXPECT_EQ(one.Runs, 3) << "two dots";
    EXPECT_LE(one.Box.height(), 16);
    EXPECT_GT(one.Box.height(), 13);
    EXPECT_TRUE(Centred(q, KeyRect(KeyQ).size()));
    EXPECT_TRUE(Centred(one, KeyRect(Key1).size()));
    const TLabelInk numOneAfter = Ink(KeyNum1);
    EXPECT_EQ(numOneAfter.Box, numOne.Box) << "the right keyboard's keys keep their labels";
    EXPECT_EQ(numOneAfter.Runs, 1);
    SaveShot(Shot().copy(30, 75, 380, 95), "pckeyboard-rows-left-octave-up");

    Ctl->SetLeftOctave(0);
    EXPECT_EQ(Ink(KeyQ).Runs, 1);
    EXPECT_EQ(Ink(Key1).Runs, 2);
}

TEST_F(PCKeyboardTest, PressedKeyShowsItsLabelInBlackAndReleasedInSteelBlue) {
    View->SetKeyState(KeyQ, true);
    TLabelInk q = Ink(KeyQ);
    EXPECT_EQ(q.Runs, 1);
    EXPECT_GT(q.Exact, 5) << "pure black on the pressed key";
    EXPECT_EQ(q.Bluish, 0);
    EXPECT_TRUE(Centred(q, KeyRect(KeyQ).size()));
    // The pressed picture comes from the pressed half of the working face.
    EXPECT_EQ(Released(Shot(), KeyQ),
              Working.copy(ToQRect(SkinLayout::PressedOf(SkinLayout::PCKeyRect(KeyQ)))));
    SaveShot(Shot().copy(30, 75, 380, 95), "pckeyboard-q-pressed");

    View->SetKeyState(KeyQ, false);
    q = Ink(KeyQ);
    EXPECT_GT(q.Exact, 5);
    EXPECT_GT(q.Bluish, 5);
    EXPECT_EQ(Released(Shot(), KeyQ), Released(Working, KeyQ));

    // A key with no button ignores its state, and nothing else changes.
    const QImage before = Shot();
    View->SetKeyState(0, true); // Esc
    View->SetKeyState(-1, true);
    View->SetKeyState(KeyCount, true);
    EXPECT_EQ(Shot(), before);
    EXPECT_FALSE(View->KeyState(0));
}

TEST_F(PCKeyboardTest, OnlyTheKeysThatChangeAreRepainted) {
    TPaintCounter paints;
    paints.Watch(Host.get());
    for (int k = 0; k < KeyCount; ++k)
        if (View->KeyButton(k)) paints.Watch(View->KeyButton(k));
    paints.Settle();

    View->SetKeyState(KeyQ, true);
    EXPECT_EQ(paints.PaintedSince(), (std::set<QObject*>{View->KeyButton(KeyQ)}));
    paints.Settle();
    View->SetKeyState(KeyQ, true); // shown already
    View->ReleaseAll();            // only Q was down
    EXPECT_EQ(paints.PaintedSince(), (std::set<QObject*>{View->KeyButton(KeyQ)}));
    paints.Settle();
    View->ReleaseAll();
    View->RightOctaveChanged(0); // no label changes
    EXPECT_TRUE(paints.PaintedSince().empty());

    // The right keyboard's shift redraws its 27 keys and leaves the others alone.
    Ctl->SetRightOctave(1);
    const std::set<QObject*> redrawn = paints.PaintedSince();
    EXPECT_EQ(redrawn.size(), 27u);
    EXPECT_TRUE(redrawn.count(View->KeyButton(KeyNum1)));
    EXPECT_FALSE(redrawn.count(View->KeyButton(KeyQ)));
    EXPECT_FALSE(redrawn.count(Host.get()));
}

TEST_F(PCKeyboardTest, CaptionIsDrawnCentredInBlackOnBothPictures) {
    const QImage neighbour = Released(Shot(), KeyS);
    KeyDefs.Keys[KeyA].Caption.SetUtf8("Do");
    View->DrawKeyLabel(KeyA);
    for (const bool pressed : {false, true}) {
        SCOPED_TRACE(pressed ? "pressed" : "released");
        View->SetKeyState(KeyA, pressed);
        const TLabelInk a = Ink(KeyA);
        EXPECT_GE(a.Box.width(), 10) << "two letters";
        EXPECT_EQ(a.Runs, 1) << "no digit dots";
        EXPECT_LT(a.DarkestLuma, 40) << "black text";
        EXPECT_EQ(a.Bluish, 0);
        EXPECT_TRUE(Centred(a, KeyRect(KeyA).size()));
    }
    SaveShot(Shot().copy(30, 75, 380, 95), "pckeyboard-caption-pressed");
    View->SetKeyState(KeyA, false);
    SaveShot(Shot().copy(30, 75, 380, 95), "pckeyboard-caption");
    EXPECT_EQ(Released(Shot(), KeyS), neighbour);

    // Two Chinese characters fill the key; nothing spills onto its neighbour.
    KeyDefs.Keys[KeyA].Caption.SetUtf8("和弦");
    View->DrawKeyLabel(KeyA);
    const TLabelInk chord = Ink(KeyA);
    EXPECT_GE(chord.Box.width(), 16);
    EXPECT_LT(chord.DarkestLuma, 60);
    EXPECT_EQ(Released(Shot(), KeyS), neighbour);
    SaveShot(Shot().copy(30, 75, 380, 95), "pckeyboard-caption-chinese");

    // Without its caption the key shows its note again.
    KeyDefs.Keys[KeyA].Caption.Clear();
    View->DrawKeyLabel(KeyA);
    EXPECT_GT(Ink(KeyA).Exact, 5);
    EXPECT_GT(Ink(KeyA).Bluish, 5);
}

TEST_F(PCKeyboardTest, LabelsOutsideTheDrawnOctavesAndEmptyKeysShowTheBareKey) {
    // "\" plays la in octave 6; moved to octave 7 it still has a label, and the left
    // shift up takes it to octave 8, which has none.
    KeyDefs.Keys[KeyBackslash].Slots[0].Octave = 7;
    View->DrawKeyLabel(KeyBackslash);
    EXPECT_EQ(Ink(KeyBackslash).Runs, 4) << "three dots over the digit";
    Ctl->SetLeftOctave(1);
    EXPECT_TRUE(Ink(KeyBackslash).Box.isEmpty());
    View->SetKeyState(KeyBackslash, true);
    EXPECT_TRUE(Ink(KeyBackslash).Box.isEmpty()) << "nor on the pressed picture";
    View->SetKeyState(KeyBackslash, false);

    // A key that plays nothing, or whose first slot is empty, is bare too.
    KeyDefs.Keys[KeyQ].Count = 0;
    KeyDefs.Keys[KeyA].Slots[0].Degree = 0;
    View->DrawAllLabels();
    EXPECT_TRUE(Ink(KeyQ).Box.isEmpty());
    EXPECT_TRUE(Ink(KeyA).Box.isEmpty());
}

TEST_F(PCKeyboardTest, SixKeyLabelsOnThenOffRestoreTheDefaultPicture) {
    const QImage before = Shot();
    Ctl->SetSmartSemitone(true);
    const QImage on = Shot();
    for (int k = 80; k <= 85; ++k) {
        SCOPED_TRACE(k);
        const TLabelInk ink = Ink(k);
        // A sharp before the digit: a wider label, still centred, no octave dots.
        EXPECT_GE(ink.Box.width(), 10);
        EXPECT_EQ(ink.Runs, 1);
        EXPECT_TRUE(Centred(ink, KeyRect(k).size()));
        EXPECT_NE(Released(on, k), Released(before, k));
    }
    SaveShot(on.copy(415, 95, 90, 55), "pckeyboard-six-keys-on");
    Ctl->SetSmartSemitone(false);
    EXPECT_EQ(Shot(), before);
}

TEST_F(PCKeyboardTest, MouseOnAKeyPlaysItThroughTheController) {
    QWidget* q = View->KeyButton(KeyQ);
    Press(q, Centre(KeyQ));
    EXPECT_EQ(Notes(), (std::vector<std::string>{"90 3C 46"})); // middle C, velocity 70
    EXPECT_EQ(Ink(KeyQ).Bluish, 0) << "shown pressed";
    EXPECT_TRUE(View->KeyState(KeyQ)) << "and held, as the controller reports it";
    Move(q, Centre(KeyQ) + QPoint(40, 0)); // held outside the key
    Release(q, Centre(KeyQ) + QPoint(40, 0));
    EXPECT_EQ(Notes(), (std::vector<std::string>{"90 3C 46", "80 3C 40"}));
    EXPECT_GT(Ink(KeyQ).Bluish, 0) << "shown released";

    // The right button plays nothing; disabled keys hear no mouse, and a key held
    // when the keys are disabled is let go then (its release will never come).
    Click(q, Centre(KeyQ), Qt::RightButton);
    View->SetKeysEnabled(false);
    Click(q, Centre(KeyQ));
    EXPECT_EQ(Notes().size(), 2u);
    View->SetKeysEnabled(true);
    Press(q, Centre(KeyQ));
    View->SetKeysEnabled(false);
    Release(q, Centre(KeyQ));
    EXPECT_EQ(Notes().size(), 4u);
    EXPECT_EQ(Notes().back(), "80 3C 40");
    EXPECT_GT(Ink(KeyQ).Bluish, 0) << "shown released";
    View->SetKeysEnabled(true);
    Synth.Messages.clear();
    Click(View->KeyButton(KeyNum1), Centre(KeyNum1));
    EXPECT_EQ(Notes(), (std::vector<std::string>{"91 3C 64", "81 3C 40"}));
}

TEST_F(PCKeyboardTest, DoubleClickOpensTheEditorAndItsPressIsSilent) {
    QWidget* a = View->KeyButton(KeyA);
    QTest::mouseDClick(Host->windowHandle(), Qt::LeftButton, {}, InWindow(a, Centre(KeyA)));
    // The first click of the two plays; the double click's own press does not.
    EXPECT_EQ(Window.Opened, (std::vector<int>{KeyA}));
    EXPECT_EQ(Window.SkipWasSet, (std::vector<bool>{true}));
    EXPECT_EQ(Notes(), (std::vector<std::string>{"90 30 46", "80 30 40"}));
    EXPECT_FALSE(View->IsSkipNextKeyboardPress()) << "taken by the double click's press";
    EXPECT_GT(Ink(KeyA).Bluish, 0) << "shown released";

    // Opened from elsewhere, the editor makes the next press silent, and only that one.
    View->SetSkipNextKeyboardPress(true);
    Click(a, Centre(KeyA));
    EXPECT_EQ(Notes().size(), 2u);
    EXPECT_GT(Ink(KeyA).Bluish, 0);
    Click(a, Centre(KeyA));
    EXPECT_EQ(Notes().size(), 4u);
}

TEST(HandCursors, AreAHandPointingWithItsFingertipAtTheHotSpot) {
    for (const bool right : {false, true}) {
        SCOPED_TRACE(right ? "right" : "left");
        const QImage hand = HandCursorImage(right);
        const QPoint tip = HandCursorHotSpot(right);
        ASSERT_EQ(hand.size(), QSize(32, 32));
        // The fingertip is the hand's highest point, and the hot spot lies on it.
        int top = -1;
        for (int y = 0; y < hand.height() && top < 0; ++y)
            for (int x = 0; x < hand.width(); ++x)
                if (qAlpha(hand.pixel(x, y)) > 128) top = y;
        EXPECT_EQ(tip.y(), top);
        EXPECT_GT(qAlpha(hand.pixel(tip)), 128);
        const QCursor cursor = right ? RightHandCursor() : LeftHandCursor();
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
        EXPECT_EQ(cursor.hotSpot(), tip);
        SaveShot(hand.scaled(128, 128), right ? "right-hand-cursor" : "left-hand-cursor");
    }
    // The two hands are mirror images; each cuff has its keyboard's colour.
    const QImage left = HandCursorImage(false), right = HandCursorImage(true);
    EXPECT_EQ(qAlpha(left.pixel(31 - 12, 1)), qAlpha(right.pixel(12, 1)));
    EXPECT_EQ(left.pixel(31 - 18, 28), qRgb(0xff, 0x99, 0x00));
    EXPECT_EQ(right.pixel(18, 28), qRgb(0xff, 0xff, 0x00));
}

} // namespace
