// The staff view drawn with the program's own skin and staff mask: every symbol is
// found stamped at its place in its colour, and nothing else differs from the skin.
#include "ui/TKTPianoKb.h"
#include "ui/TKTStaff.h"

#include "GlyphTestSupport.h"
#include "PaintCounter.h"
#include "WidgetTestSupport.h"

#include <QPainter>

#include <vector>

using namespace uitest;
using namespace SkinLayout;

namespace {

const QColor Orange(255, 153, 0), Yellow(255, 255, 0), Blue(0, 146, 195);

// A symbol expected on a panel: the mask's sprite with its top-left at `At`.
struct TStamp {
    QPoint At;
    TSkinRect Sprite;
    QColor Colour;
};

TStamp Head(int x, int y, const QColor& c) {
    return {{x, y}, MaskNoteHead, c};
}
TStamp Digit(int y, int octave, int degree, const QColor& c) {
    return {{10, y}, MaskNumberedDigit(octave, degree), c};
}

TKeyNote Note(int degree, int accidental, int octave, int keyboard = 0) {
    return TKeyNote{static_cast<uint8_t>(degree), static_cast<uint8_t>(accidental),
                    static_cast<uint8_t>(octave), static_cast<uint8_t>(keyboard), 0};
}

THeldChord Chord(std::initializer_list<TKeyNote> notes) {
    THeldChord chord;
    for (const TKeyNote& n : notes)
        chord.Notes[chord.Count++] = n;
    return chord;
}

bool Between(int v, int a, int b) {
    return v >= std::min(a, b) && v <= std::max(a, b);
}

// A window that paints the skin as the main window does, for screenshots.
class TSkinHost : public QWidget {
public:
    explicit TSkinHost(const QImage& skin) : Skin(skin) { setFixedSize(621, 436); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawImage(QPoint(0, 0), Skin, QRect(0, 0, 621, 436));
    }

private:
    const QImage& Skin;
};

class StaffTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Skin = glyphtest::Library().LoadBitmap(TGlyphLibrary::SkinBitmapName);
        Mask = glyphtest::Library().LoadBitmap(TGlyphLibrary::StaffMaskName);
    }
    void SetUp() override {
        ASSERT_FALSE(Skin.isNull());
        ASSERT_FALSE(Mask.isNull());
        Host = std::make_unique<TSkinHost>(Skin);
        Staff = std::make_unique<TKTStaff>(Host.get(), &Skin, &Mask);
        Show(*Host);
    }

    // Checks a panel as the window shows it, pixel by pixel: inside a stamp, where the
    // mask is black the pure colour, where it is white the skin, between them a blend
    // of the two; outside every stamp the skin's own panel.
    static ::testing::AssertionResult Shows(const QImage& picture, const TSkinRect& place,
                                            const std::vector<TStamp>& stamps) {
        const QImage shown = picture.convertToFormat(QImage::Format_RGB32);
        if (shown.size() != QSize(place.Width, place.Height))
            return ::testing::AssertionFailure() << "panel of the wrong size";
        for (const TStamp& s : stamps) {
            const QRect r(s.At, QSize(s.Sprite.Width, s.Sprite.Height));
            if (!shown.rect().contains(r))
                return ::testing::AssertionFailure()
                       << "a symbol at (" << s.At.x() << ", " << s.At.y() << ") is cut";
        }
        std::vector<int> ink(stamps.size());
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb bg = Skin.pixel(place.Left + x, place.Top + y);
                const QRgb px = shown.pixel(x, y);
                // The stamps whose ink (anything but mask white) covers the pixel;
                // heads a third apart share a row of their white margins.
                const TStamp* over = nullptr;
                int inked = 0, m = 255;
                for (const TStamp& s : stamps) {
                    const QPoint in = QPoint(x, y) - s.At;
                    if (!QRect(0, 0, s.Sprite.Width, s.Sprite.Height).contains(in)) continue;
                    const int g = qRed(Mask.pixel(s.Sprite.Left + in.x(), s.Sprite.Top + in.y()));
                    if (g == 255) continue;
                    ++inked;
                    over = &s;
                    m = g;
                }
                auto fail = [&](const char* what) {
                    return ::testing::AssertionFailure()
                           << "panel pixel (" << x << ", " << y << ") " << what;
                };
                if (inked == 0) {
                    if (px != bg) return fail("differs from the skin outside the symbols' ink");
                    continue;
                }
                if (inked > 1) continue; // heads a step apart overlap: either may show
                const QColor c = over->Colour;
                if (m == 0) {
                    if (px != c.rgb()) return fail("is not the symbol's colour");
                    ++ink[static_cast<size_t>(over - stamps.data())];
                } else if (!Between(qRed(px), qRed(bg), c.red()) ||
                           !Between(qGreen(px), qGreen(bg), c.green()) ||
                           !Between(qBlue(px), qBlue(bg), c.blue())) {
                    return fail("is not a blend of the skin and the colour");
                }
            }
        for (size_t i = 0; i < stamps.size(); ++i)
            if (ink[i] == 0)
                return ::testing::AssertionFailure() << "symbol " << i << " is not shown";
        return ::testing::AssertionSuccess();
    }
    QImage SignatureShown() { return Staff->KeySignatureButton()->grab().toImage(); }
    QImage StaffShown() { return Staff->StaffButton()->grab().toImage(); }
    QImage NumberedShown() { return Staff->NumberedButton()->grab().toImage(); }
    void Shot(const char* name) { SaveShot(Host->grab(QRect(0, 270, 280, 166)).toImage(), name); }

    static inline QImage Skin, Mask;
    std::unique_ptr<TSkinHost> Host;
    std::unique_ptr<TKTStaff> Staff;
};

TEST_F(StaffTest, PanelsStandAtTheirPlacesShowingTheBareStaff) {
    EXPECT_EQ(Staff->KeySignatureButton()->geometry(), QRect(51, 290, 61, 126));
    EXPECT_EQ(Staff->StaffButton()->geometry(), QRect(119, 280, 46, 151));
    EXPECT_EQ(Staff->NumberedButton()->geometry(), QRect(220, 280, 46, 151));
    EXPECT_TRUE(Shows(SignatureShown(), KeySignaturePanel, {}));
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel, {}));
    EXPECT_TRUE(Shows(NumberedShown(), NumberedPanel, {}));
}

TEST_F(StaffTest, KeySignaturesOfAFlatAndDThenNone) {
    Staff->SetKeySignature(11);
    std::vector<TStamp> flats;
    const int treble[] = {21, 6, 25, 11}, bass[] = {85, 71, 90, 76};
    for (int k = 0; k < 4; ++k) {
        flats.push_back({{2 + 8 * k, treble[k]}, MaskKeySignatureFlat, Blue});
        flats.push_back({{2 + 8 * k, bass[k]}, MaskKeySignatureFlat, Blue});
    }
    EXPECT_TRUE(Shows(SignatureShown(), KeySignaturePanel, flats));
    Shot("h11a-staff-key-a-flat");

    Staff->SetKeySignature(2);
    EXPECT_TRUE(Shows(SignatureShown(), KeySignaturePanel,
                      {{{2, 5}, MaskKeySignatureSharp, Blue},
                       {{10, 20}, MaskKeySignatureSharp, Blue},
                       {{2, 71}, MaskKeySignatureSharp, Blue},
                       {{10, 85}, MaskKeySignatureSharp, Blue}}));

    Staff->SetKeySignature(0);
    EXPECT_TRUE(Shows(SignatureShown(), KeySignaturePanel, {}));
    Staff->SetKeySignature(15);
    EXPECT_TRUE(Shows(SignatureShown(), KeySignaturePanel, {}));
}

TEST_F(StaffTest, CMajorChordOfTheLeftKeyboard) {
    // Collected in any order: the staff sorts it.
    Staff->ShowChord(Chord({Note(5, 0, 4), Note(1, 0, 4), Note(3, 0, 4)}), 0);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel,
                      {Head(16, 70, Orange), Head(16, 61, Orange), Head(16, 52, Orange)}));
    // Three digits 18 high with gaps of 5: 64 high, from (151 - 64) / 2 = 43 down,
    // the highest note on top.
    EXPECT_TRUE(Shows(NumberedShown(), NumberedPanel,
                      {Digit(43, 4, 5, Orange), Digit(66, 4, 3, Orange), Digit(89, 4, 1, Orange)}));
    Shot("h11a-staff-c-major-left");

    Staff->ClearNotes();
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel, {}));
    EXPECT_TRUE(Shows(NumberedShown(), NumberedPanel, {}));
}

TEST_F(StaffTest, RightKeyboardNotesAreYellowAndMouseNotesAreSpelledForTheKey) {
    Staff->ShowChord(Chord({Note(1, 0, 4, 1), Note(3, 0, 4, 1), Note(5, 0, 4, 1)}), 0);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel,
                      {Head(16, 70, Yellow), Head(16, 61, Yellow), Head(16, 52, Yellow)}));
    EXPECT_TRUE(Shows(NumberedShown(), NumberedPanel,
                      {Digit(43, 4, 5, Yellow), Digit(66, 4, 3, Yellow), Digit(89, 4, 1, Yellow)}));
    Shot("h11a-staff-c-major-right");

    // Middle C from the upper strip.
    Staff->ShowSingleNote(60, 1, 100, 0);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel, {Head(16, 70, Yellow)}));
    EXPECT_TRUE(Shows(NumberedShown(), NumberedPanel, {Digit(66, 4, 1, Yellow)}));

    // C sharp 4 from the lower strip in D: ti of octave 3, written C under the key's
    // own sharp.
    Staff->ShowSingleNote(61, 0, 70, 2);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel, {Head(16, 70, Orange)}));
    EXPECT_TRUE(Shows(NumberedShown(), NumberedPanel, {Digit(63, 3, 7, Orange)}));
}

TEST_F(StaffTest, HeadsOneStepApartStandSideBySide) {
    Staff->ShowChord(Chord({Note(1, 0, 4), Note(2, 0, 4)}), 0);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel, {Head(16, 70, Orange), Head(27, 65, Orange)}));

    Staff->ShowChord(Chord({Note(1, 0, 4), Note(2, 0, 4), Note(3, 0, 4)}), 0);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel,
                      {Head(16, 70, Orange), Head(27, 65, Orange), Head(16, 61, Orange)}));
    Shot("h11a-staff-do-re-mi");

    // Do and do sharp share a step: side by side, the sharp at the left edge.
    Staff->ShowChord(Chord({Note(1, 0, 4), Note(1, 1, 4)}), 0);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel,
                      {Head(16, 70, Orange), Head(27, 70, Orange), {{2, 66}, MaskSharp, Orange}}));
    // Ti and the do above it are a step apart across the octave.
    Staff->ShowChord(Chord({Note(7, 0, 4, 1), Note(1, 0, 5, 1)}), 0);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel, {Head(16, 43, Yellow), Head(27, 38, Yellow)}));
}

TEST_F(StaffTest, FSharpMajorRespellsDoFlatAndDoSharp) {
    Staff->SetKeySignature(6);
    TKTStaff::TSlots notes{Note(1, 2, 4), Note(0, 0, 4), Note(0, 0, 4), Note(0, 0, 4),
                           Note(0, 0, 4), Note(0, 0, 4), Note(0, 0, 4), Note(0, 0, 4)};
    Staff->ShowNotes(notes, 6);
    // Do flat is F with a natural sign; the numbered column keeps do with its flat.
    EXPECT_TRUE(
        Shows(StaffShown(), StaffPanel, {Head(16, 56, Orange), {{2, 52}, MaskNatural, Orange}}));
    EXPECT_TRUE(Shows(NumberedShown(), NumberedPanel,
                      {{{2, 66}, MaskFlat, Orange}, Digit(66, 4, 1, Orange)}));
    EXPECT_EQ(notes[0].Degree, 4) << "the caller's notes are respelled in place";
    EXPECT_EQ(notes[0].Accidental, 3);
    Shot("h11a-staff-f-sharp-do-flat");

    Staff->ShowChord(Chord({Note(1, 1, 4)}), 6);
    EXPECT_TRUE(
        Shows(StaffShown(), StaffPanel, {Head(16, 56, Orange), {{2, 52}, MaskSharp, Orange}}));
}

TEST_F(StaffTest, AFlatWritesDoOneOctaveDown) {
    Staff->ShowChord(Chord({Note(1, 0, 4)}), -4);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel, {Head(16, 80, Orange)}));
    Staff->ShowChord(Chord({Note(1, 1, 4)}), -4);
    EXPECT_TRUE(
        Shows(StaffShown(), StaffPanel, {Head(16, 80, Orange), {{2, 76}, MaskNatural, Orange}}));
}

TEST_F(StaffTest, TheStaffRunsFromC2ToC6AndTheNumberedColumnFurther) {
    Staff->ShowChord(Chord({Note(1, 0, 2), Note(1, 0, 6)}), 0);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel, {Head(16, 134, Orange), Head(16, 5, Orange)}));
    Shot("h11a-staff-c2-c6");

    // B1 and D6 have no place on the staff: only their digits are shown.
    Staff->ShowChord(Chord({Note(7, 0, 1), Note(2, 0, 6)}), 0);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel, {}));
    // 37 + 5 + 31 = 73 high, from (151 - 73) / 2 = 39 down.
    EXPECT_TRUE(Shows(NumberedShown(), NumberedPanel,
                      {Digit(39, 6, 2, Orange), Digit(39 + 31 + 5, 1, 7, Orange)}));
    // So have notes an octave shift puts below C2 in A flat (C2 is written A1).
    Staff->ShowChord(Chord({Note(1, 0, 2)}), -4);
    EXPECT_TRUE(Shows(StaffShown(), StaffPanel, {}));
}

TEST_F(StaffTest, AnOctaveAboveEightHasNoHeightAndNoDigit) {
    EXPECT_EQ(TKTStaff::DrawNumberedNote(nullptr, Mask, 0, {}, true, true, Note(1, 0, 9), 0), 0);
    EXPECT_EQ(TKTStaff::DrawNumberedNote(nullptr, Mask, 0, {}, true, true, Note(1, 0, 4), 0), 18);
    EXPECT_EQ(TKTStaff::DrawNumberedNote(nullptr, Mask, 0, {}, true, true, Note(1, 0, 0), 0), 43);
    EXPECT_EQ(TKTStaff::DrawNumberedNote(nullptr, Mask, 0, {}, true, true, Note(0, 0, 4), 0), 0);

    Staff->ShowChord(Chord({Note(3, 1, 9)}), 0);
    EXPECT_TRUE(Shows(NumberedShown(), NumberedPanel, {}));
    // Beside a do it still takes its gap: 18 + 5 + 0 = 23 high, from 64; the octave-9
    // slot, last after sorting, comes first and moves the do down by 5.
    Staff->ShowChord(Chord({Note(3, 1, 9), Note(1, 0, 4)}), 0);
    EXPECT_TRUE(Shows(NumberedShown(), NumberedPanel, {Digit(69, 4, 1, Orange)}));
}

TEST_F(StaffTest, NumberedNotesDrawWithoutAStaff) {
    // As the key-definition editor's preview draws: on its own picture, in black.
    QImage preview(40, 60, QImage::Format_RGB32);
    preview.fill(Qt::white);
    EXPECT_EQ(
        TKTStaff::DrawNumberedNote(&preview, Mask, 12, Qt::black, false, true, Note(3, 1, 5), 4),
        25);
    EXPECT_EQ(preview.pixel(20, 20), qRgb(255, 255, 255)) << "measuring draws nothing";
    EXPECT_EQ(
        TKTStaff::DrawNumberedNote(&preview, Mask, 12, Qt::black, false, false, Note(3, 1, 5), 4),
        25);
    int inkSharp = 0, inkDigit = 0;
    for (int y = 0; y < preview.height(); ++y)
        for (int x = 0; x < preview.width(); ++x) {
            const QRgb p = preview.pixel(x, y);
            if (qRed(p) != qGreen(p) || qGreen(p) != qBlue(p)) ADD_FAILURE() << "not black";
            if (qRed(p) != 0) continue;
            const bool inSharp = QRect(4, 4, 6, 18).contains(x, y);
            const bool inDigit = QRect(12, 4, 14, 25).contains(x, y);
            EXPECT_TRUE(inSharp || inDigit) << x << "," << y;
            inkSharp += inSharp;
            inkDigit += inDigit;
        }
    EXPECT_GT(inkSharp, 5);
    EXPECT_GT(inkDigit, 20);
    // The keyboard colour overrides the given one.
    TKTStaff::DrawNumberedNote(&preview, Mask, 12, Qt::black, true, false, Note(3, 0, 4, 1), 35);
    int yellow = 0, black = 0;
    for (int y = 35; y < 35 + 18; ++y)
        for (int x = 12; x < 12 + 14; ++x) {
            yellow += preview.pixel(x, y) == qRgb(255, 255, 0);
            black += preview.pixel(x, y) == qRgb(0, 0, 0);
        }
    EXPECT_GT(yellow, 20);
    EXPECT_EQ(black, 0);
}

TEST_F(StaffTest, ShowingTheSameAgainPaintsNothing) {
    TPaintCounter paints;
    paints.Watch(Staff->KeySignatureButton());
    paints.Watch(Staff->StaffButton());
    paints.Watch(Staff->NumberedButton());
    paints.Settle();

    Staff->ShowChord(Chord({Note(1, 0, 4)}), 0);
    EXPECT_EQ(paints.PaintedSince(),
              (std::set<QObject*>{Staff->StaffButton(), Staff->NumberedButton()}));
    paints.Settle();
    Staff->ShowChord(Chord({Note(1, 0, 4)}), 0);
    Staff->SetKeySignature(0);
    EXPECT_TRUE(paints.PaintedSince().empty());
    Staff->SetKeySignature(3);
    EXPECT_EQ(paints.PaintedSince(), (std::set<QObject*>{Staff->KeySignatureButton()}));
}

TEST_F(StaffTest, WithThePianoStripsOnTheWindow) {
    // What a player holding do re mi on the left keyboard and do on the right sees.
    TKTPianoKb upper(Host.get(), &Skin, UpperPianoOrigin);
    TKTPianoKb lower(Host.get(), &Skin, LowerPianoOrigin);
    for (int p : {36, 38, 40})
        lower.SetKeyState(p, true);
    upper.SetKeyState(36, true);
    Staff->ShowChord(Chord({Note(1, 0, 4), Note(2, 0, 4), Note(3, 0, 4), Note(1, 0, 4, 1)}), 0);
    const QImage window = Host->grab().toImage().convertToFormat(QImage::Format_RGB32);
    SaveShot(window, "h11a-window");
    SaveShot(window.copy(0, 200, 621, 236).scaled(1242, 472), "h11a-window-views");

    // The lower strip's three white keys show the pressed face, their neighbours not.
    auto showsFace = [&](const QRect& r, int dx) {
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (window.pixel(x, y) != Skin.pixel(x + dx, y)) return false;
        return true;
    };
    for (int w : {21, 22, 23}) {
        EXPECT_TRUE(showsFace(ToQRect(PianoWhiteLower(LowerPianoOrigin, w)), 621)) << w;
        EXPECT_TRUE(showsFace(ToQRect(PianoWhiteUpper(LowerPianoOrigin, w)), 621)) << w;
    }
    EXPECT_TRUE(showsFace(ToQRect(PianoWhiteLower(LowerPianoOrigin, 20)), 0));
    EXPECT_TRUE(showsFace(ToQRect(PianoBlackKey(LowerPianoOrigin, 15)), 0));
    EXPECT_TRUE(showsFace(ToQRect(PianoWhiteLower(UpperPianoOrigin, 21)), 621));
    EXPECT_TRUE(showsFace(ToQRect(PianoWhiteLower(UpperPianoOrigin, 22)), 0));
    // The pressed face is a different picture from the released one.
    EXPECT_GT(glyphtest::DifferingPixels(
                  Skin, ToQRect(PianoWhiteLower(LowerPianoOrigin, 21)),
                  ToQRect(PianoWhiteLower(LowerPianoOrigin, 21)).translated(621, 0), 8),
              50);
    // Sorted: do (left), do (right), re, mi. The two dos share a step and pair up,
    // then re and mi pair up: the second of each pair stands to the right.
    EXPECT_TRUE(Shows(
        StaffShown(), StaffPanel,
        {Head(16, 70, Orange), Head(27, 70, Yellow), Head(16, 65, Orange), Head(27, 61, Orange)}));
}

} // namespace
