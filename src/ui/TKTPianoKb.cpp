// The piano strip: its buttons, their pictures by key state and the mouse.
#include "ui/TKTPianoKb.h"

#include "ui/SkinRect.h"

namespace {
using namespace SkinLayout;

constexpr std::array<int, 12> InOctave{0, 0, 1, 1, 2, 3, 2, 4, 3, 5, 4, 6};
constexpr std::array<int, 5> BlackInOctave{1, 3, 6, 8, 10};
constexpr std::array<int, 7> WhiteInOctave{0, 2, 4, 5, 7, 9, 11};

bool ValidPosition(int position) {
    return position >= 0 && position < TKTPianoKb::KeyCount;
}

// The kind of a button travels in its name, as the tag holds its index.
bool IsBlackButton(const TKTMultiGlyphButton* button) {
    return button->objectName().contains(QLatin1String("Black"));
}
} // namespace

int TKTPianoKb::BlackIndex(int position) {
    return position / 12 * 5 + InOctave[static_cast<size_t>(position % 12)];
}

int TKTPianoKb::WhiteIndex(int position) {
    return position / 12 * 7 + InOctave[static_cast<size_t>(position % 12)];
}

int TKTPianoKb::PositionOfBlack(int black) {
    return black / 5 * 12 + BlackInOctave[static_cast<size_t>(black % 5)];
}

int TKTPianoKb::PositionOfWhite(int white) {
    return white / 7 * 12 + WhiteInOctave[static_cast<size_t>(white % 7)];
}

template <class F> void TKTPianoKb::ForEachButton(F f) const {
    for (const auto& b : BlackKeys)
        if (b) f(b.data());
    for (const auto& b : BigWhiteKeys)
        if (b) f(b.data());
    for (const auto& b : LittleWhiteKeys)
        if (b) f(b.data());
}

TKTPianoKb::TKTPianoKb(QWidget* owner, const QImage* skin, TSkinPoint origin) {
    for (int b = 0; b < BlackKeyCount; ++b)
        BlackKeys[b] = MakeButton(owner, skin, "BlackKey%1", b, PianoBlackKey(origin, b));
    for (int w = 0; w < WhiteKeyCount; ++w) {
        BigWhiteKeys[w] = MakeButton(owner, skin, "BigWhiteKey%1", w, PianoWhiteLower(origin, w));
        LittleWhiteKeys[w] =
            MakeButton(owner, skin, "LittleWhiteKey%1", w, PianoWhiteUpper(origin, w));
    }
    for (int p = 0; p < KeyCount; ++p)
        SetKeyState(p, 0);
}

TKTPianoKb::~TKTPianoKb() {
    // The keys go with their keyboard: their handlers point at it.
    ForEachButton([](TKTMultiGlyphButton* b) { delete b; });
}

TKTMultiGlyphButton* TKTPianoKb::MakeButton(QWidget* owner, const QImage* skin, const char* name,
                                            int tag, const TSkinRect& place) {
    auto* button = new TKTMultiGlyphButton(owner);
    button->setObjectName(QString::fromLatin1(name).arg(tag));
    button->SetTag(tag);
    button->setGeometry(ToQRect(place));
    button->SetGlyph(skin);
    button->SetStateOrigin(0, TopLeftOf(place));
    button->SetStateOrigin(1, TopLeftOf(PressedOf(place)));
    button->SetOnMouseDown(
        [this](TKTMultiGlyphButton* sender, Qt::MouseButton b, QPoint) { MouseDown(sender, b); });
    button->SetOnMouseUp(
        [this](TKTMultiGlyphButton* sender, Qt::MouseButton b, QPoint) { MouseUp(sender, b); });
    button->show(); // also when the window is already on the screen
    return button;
}

int TKTPianoKb::PositionOf(const TKTMultiGlyphButton* button) const {
    return IsBlackButton(button) ? PositionOfBlack(button->Tag()) : PositionOfWhite(button->Tag());
}

void TKTPianoKb::ShowKey(int position, int buttonState) {
    // Only a button whose picture changes is repainted, and only its own rectangle.
    auto show = [buttonState](TKTMultiGlyphButton* b) {
        if (b && b->State() != buttonState) b->SetState(buttonState);
    };
    if (IsBlack(position)) {
        show(BlackKeys[static_cast<size_t>(BlackIndex(position))]);
    } else {
        const auto w = static_cast<size_t>(WhiteIndex(position));
        show(BigWhiteKeys[w]);
        show(LittleWhiteKeys[w]);
    }
}

void TKTPianoKb::SetKeyState(int position, int state) {
    if (!ValidPosition(position)) return;
    States[static_cast<size_t>(position)] = state;
    if (state == 0 || state == 1) ShowKey(position, state);
}

void TKTPianoKb::ReleaseAll() {
    for (int p = 0; p < KeyCount; ++p)
        SetKeyState(p, 0);
}

int TKTPianoKb::KeyState(int position) const {
    return ValidPosition(position) ? States[static_cast<size_t>(position)] : 0;
}

void TKTPianoKb::SetKeysEnabled(bool enabled) {
    Enabled = enabled;
    // A disabled button never hears the release of a press it holds.
    if (!enabled && MouseHeld >= 0) MouseUp(MouseHeldButton.data(), Qt::LeftButton);
    ForEachButton([enabled](TKTMultiGlyphButton* b) { b->setEnabled(enabled); });
}

void TKTPianoKb::SetKeysCursor(const QCursor& cursor) {
    ForEachButton([&cursor](TKTMultiGlyphButton* b) { b->setCursor(cursor); });
}

void TKTPianoKb::MouseDown(TKTMultiGlyphButton* sender, Qt::MouseButton button) {
    if (button != Qt::LeftButton || !sender) return;
    // A press whose release never came (the pointer grab was broken) is let go first.
    if (MouseHeld >= 0) MouseUp(MouseHeldButton.data(), Qt::LeftButton);
    const int position = PositionOf(sender);
    MouseHeld = position;
    MouseHeldButton = sender;
    SetKeyState(position, 1);
    if (OnPianoKeyDown) OnPianoKeyDown(sender, position);
}

void TKTPianoKb::MouseUp(TKTMultiGlyphButton* sender, Qt::MouseButton button) {
    // The release belongs to the key that was pressed; one already let go (the
    // keyboard was disabled meanwhile) is not reported twice.
    if (button != Qt::LeftButton || MouseHeld < 0) return;
    const int position = MouseHeld;
    if (!sender) sender = MouseHeldButton.data();
    MouseHeld = -1;
    MouseHeldButton = nullptr;
    SetKeyState(position, 0);
    if (OnPianoKeyUp) OnPianoKeyUp(sender, position);
}

TKTMultiGlyphButton* TKTPianoKb::BlackKey(int black) const {
    return black >= 0 && black < BlackKeyCount ? BlackKeys[static_cast<size_t>(black)].data()
                                               : nullptr;
}

TKTMultiGlyphButton* TKTPianoKb::BigWhiteKey(int white) const {
    return white >= 0 && white < WhiteKeyCount ? BigWhiteKeys[static_cast<size_t>(white)].data()
                                               : nullptr;
}

TKTMultiGlyphButton* TKTPianoKb::LittleWhiteKey(int white) const {
    return white >= 0 && white < WhiteKeyCount ? LittleWhiteKeys[static_cast<size_t>(white)].data()
                                               : nullptr;
}
