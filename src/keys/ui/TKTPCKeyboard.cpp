// The PC keyboard view: its buttons, the key labels painted into the working face,
// and the mouse on the keys.
#include "keys/ui/TKTPCKeyboard.h"

#include "ui/SkinLayout.h"
#include "ui/SkinRect.h"
#include "ui/StampMask.h"
#include "ui/TKTMultiGlyphButton.h"

#include <QFont>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

// A key button that reports a double click before the press that comes with it, so
// that the press already knows the key-definition editor is being opened.
class TKTPCKeyboard::TKeyButton final : public TKTMultiGlyphButton {
public:
    TKeyButton(QWidget* parent, TKTPCKeyboard& view) : TKTMultiGlyphButton(parent), View(view) {}

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) View.DoubleClicked(Tag());
        mousePressEvent(event);
    }

private:
    TKTPCKeyboard& View;
};

namespace {

using SkinLayout::PCKeyRect;

bool HasButton(int keyIndex) {
    return keyIndex >= 0 && keyIndex < KeyCount && DefinableKeys[static_cast<size_t>(keyIndex)];
}

// The six editing-block keys, Insert .. PageDown.
constexpr int FirstSixKey = 80, LastSixKey = 85;

// The caption font: a small bold sans, with a Chinese face for two-character captions.
QFont CaptionFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

// The small accidental sprite of a slot: 1 sharp, 2 flat, 3 natural.
const SkinLayout::TSkinRect* SmallAccidental(int accidental) {
    switch (accidental) {
    case 1:
        return &SkinLayout::MaskSmallSharp;
    case 2:
        return &SkinLayout::MaskSmallFlat;
    case 3:
        return &SkinLayout::MaskSmallNatural;
    default:
        return nullptr;
    }
}

} // namespace

TKTPCKeyboard::TKTPCKeyboard(QWidget* window, const QImage& pristineFace, QImage& workingFace,
                             const QImage& staffMask, const TKeyDefSet& keyDefs)
    : Pristine(pristineFace), Face(workingFace), Mask(staffMask), Defs(keyDefs) {
    for (int k = 0; k < KeyCount; ++k) {
        if (!HasButton(k)) continue;
        const SkinLayout::TSkinRect r = PCKeyRect(k);
        auto* button = new TKeyButton(window, *this);
        button->setObjectName(QStringLiteral("PCKey%1").arg(k));
        button->SetGlyph(&Face);
        button->SetTag(k);
        button->setGeometry(ToQRect(r));
        button->SetStateOrigin(0, TopLeftOf(r));
        button->SetStateOrigin(1, TopLeftOf(SkinLayout::PressedOf(r)));
        // The picture covers the button: nothing under it needs painting first.
        button->setAttribute(Qt::WA_OpaquePaintEvent);
        button->SetOnMouseDown([this](TKTMultiGlyphButton* b, Qt::MouseButton mb, QPoint) {
            if (mb == Qt::LeftButton) MousePressed(b->Tag());
        });
        button->SetOnMouseUp([this](TKTMultiGlyphButton* b, Qt::MouseButton mb, QPoint) {
            if (mb == Qt::LeftButton) MouseReleased(b->Tag());
        });
        button->SetOnMouseMove([this](TKTMultiGlyphButton* b, Qt::MouseButtons, QPoint) {
            if (OnMouseMove) OnMouseMove(b->Tag());
        });
        button->SetState(0);
        button->show();
        Buttons[static_cast<size_t>(k)] = button;
    }
}

TKTPCKeyboard::~TKTPCKeyboard() {
    // The buttons' handlers point here: they go with the view, not with the window.
    for (QPointer<TKeyButton>& b : Buttons)
        delete b.data();
}

TKTMultiGlyphButton* TKTPCKeyboard::Button(int keyIndex) const {
    if (keyIndex < 0 || keyIndex >= KeyCount) return nullptr;
    return Buttons[static_cast<size_t>(keyIndex)].data();
}

QWidget* TKTPCKeyboard::KeyButton(int keyIndex) const {
    return Button(keyIndex);
}

void TKTPCKeyboard::ShowPressed(int keyIndex, bool pressed) {
    TKTMultiGlyphButton* b = Button(keyIndex);
    // Only a change is repainted.
    if (b && b->State() != (pressed ? 1 : 0)) b->SetState(pressed ? 1 : 0);
}

void TKTPCKeyboard::SetKeyState(int keyIndex, bool pressed) {
    if (!Button(keyIndex)) return;
    States[static_cast<size_t>(keyIndex)] = pressed;
    ShowPressed(keyIndex, pressed);
}

bool TKTPCKeyboard::KeyState(int keyIndex) const {
    return Button(keyIndex) && States[static_cast<size_t>(keyIndex)];
}

void TKTPCKeyboard::ReleaseAll() {
    for (int k = 0; k < KeyCount; ++k)
        SetKeyState(k, false);
}

void TKTPCKeyboard::RefreshAllKeys() {
    DrawAllLabels();
    ReleaseAll();
}

void TKTPCKeyboard::LeftOctaveChanged(int shift) {
    LeftShift = std::clamp(shift, -1, 1);
    DrawAllLabels();
    ReleaseAll();
}

void TKTPCKeyboard::RightOctaveChanged(int shift) {
    RightShift = std::clamp(shift, -1, 1);
    DrawAllLabels();
    ReleaseAll();
}

void TKTPCKeyboard::SetSixKeyLabels(bool) {
    // The controller has rewritten the six keys' definitions for the mode.
    for (int k = FirstSixKey; k <= LastSixKey; ++k) {
        DrawKeyLabel(k);
        SetKeyState(k, false);
    }
}

void TKTPCKeyboard::SetKeysEnabled(bool enabled) {
    Enabled = enabled;
    // A disabled button never hears the release of a press it holds: the key is let
    // go now, so that its notes do not hang and its picture does not stay down.
    if (!enabled && MouseHeldKey >= 0) MouseReleased(MouseHeldKey);
    for (QPointer<TKeyButton>& b : Buttons)
        if (b) b->setEnabled(enabled);
}

void TKTPCKeyboard::DrawAllLabels() {
    for (int k = 0; k < KeyCount; ++k)
        DrawKeyLabel(k);
}

void TKTPCKeyboard::DrawKeyLabel(int keyIndex) {
    TKTMultiGlyphButton* b = Button(keyIndex);
    if (!b) return;
    const QRect released = ToQRect(PCKeyRect(keyIndex));
    const QRect pressed = ToQRect(SkinLayout::PressedOf(PCKeyRect(keyIndex)));
    const QImage wasReleased = Face.copy(released), wasPressed = Face.copy(pressed);
    PaintLabel(keyIndex);
    if (Face.copy(released) != wasReleased || Face.copy(pressed) != wasPressed) b->update();
}

void TKTPCKeyboard::PaintLabel(int k) {
    const SkinLayout::TSkinRect key = PCKeyRect(k);
    const QRect released = ToQRect(key);
    const QRect pressed = ToQRect(SkinLayout::PressedOf(key));
    {
        // The bare key erases the old label.
        QPainter p(&Face);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(released.topLeft(), Pristine, released);
        p.drawImage(pressed.topLeft(), Pristine, pressed);
    }

    const TKeyDef& def = Defs.Keys[k];
    if (def.Count <= 0) return;

    const QString caption = QString::fromStdString(def.Caption.Utf8());
    if (!caption.isEmpty()) {
        QPainter p(&Face);
        const QFont font = CaptionFont();
        p.setFont(font);
        p.setPen(QColor(CaptionColour));
        // Across by the text's advance; up and down by the letters' own outline, not
        // the font's line box, which holds room for descenders and accents that most
        // captions lack and would set a short caption visibly high on so small a key.
        const QFontMetrics metrics(font);
        const QRect ink = metrics.tightBoundingRect(caption);
        const int x = (key.Width - metrics.horizontalAdvance(caption)) / 2;
        const int y = (key.Height - ink.height()) / 2 - ink.top();
        for (const QRect& r : {released, pressed}) {
            // A caption wider than the key is cut at its edges, never drawn on a neighbour.
            p.setClipRect(r);
            p.drawText(r.left() + x, r.top() + y, caption);
        }
        return;
    }

    const TKeyNote& note = def.Slots[0];
    const int octave = note.Octave + (note.IsLeft() ? LeftShift : RightShift);
    const int height = SkinLayout::SmallDigitHeight(octave);
    if (note.Degree < 1 || note.Degree > 7 || height == 0) return;
    const SkinLayout::TSkinRect* accidental = SmallAccidental(note.Accidental);
    const int accidentalWidth = accidental ? accidental->Width : 0;
    const int width = SkinLayout::SmallDigitWidth + accidentalWidth;
    const int x = (key.Width - width) / 2;
    const int y = (key.Height - height) / 2;
    // The digit's body is its lowest ten rows when the dots are above it (high
    // octaves), its top rows otherwise; the accidental stands beside the body.
    const int bodyTop = octave > 4 ? height - 10 : 0;
    const std::pair<QRect, QColor> pictures[] = {{released, QColor(ReleasedLabelColour)},
                                                 {pressed, QColor(PressedLabelColour)}};
    for (const auto& [r, colour] : pictures) {
        const int left = r.left() + x, top = r.top() + y;
        if (accidental)
            StampMask(Face, Mask, QPoint(left, top + bodyTop), colour, ToQRect(*accidental));
        StampMask(Face, Mask, QPoint(left + accidentalWidth, top), colour,
                  ToQRect(SkinLayout::MaskSmallDigit(octave, note.Degree)));
    }
}

void TKTPCKeyboard::MousePressed(int keyIndex) {
    MouseHeldKey = keyIndex;
    if (SkipNextKeyboardPress) {
        SkipNextKeyboardPress = false;
        SkippedPress[static_cast<size_t>(keyIndex)] = true;
        ShowPressed(keyIndex, false);
        return;
    }
    ShowPressed(keyIndex, true);
    if (OnKeyDown) OnKeyDown(keyIndex);
}

void TKTPCKeyboard::MouseReleased(int keyIndex) {
    if (keyIndex != MouseHeldKey) return; // let go already
    MouseHeldKey = -1;
    ShowPressed(keyIndex, false);
    if (SkippedPress[static_cast<size_t>(keyIndex)]) {
        SkippedPress[static_cast<size_t>(keyIndex)] = false;
        return;
    }
    if (OnKeyUp) OnKeyUp(keyIndex);
}

void TKTPCKeyboard::DoubleClicked(int keyIndex) {
    SkipNextKeyboardPress = true;
    if (OnDoubleClick) OnDoubleClick(keyIndex);
}
