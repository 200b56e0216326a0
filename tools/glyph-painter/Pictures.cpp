// The two pictures of the glyph library: the skin, composed from the parts of the
// face drawn twice (released, then pressed 621 pixels to the right), and the staff
// mask with its sprites, black on white.
#include "Art.h"

#include <QPainterPath>

#include <algorithm>

namespace Art {

namespace {
using namespace SkinLayout;

void PaintFace(QPainter& p, bool pressed) {
    PaintPanel(p, pressed);
    PaintMainButtons(p, pressed);
    PaintPCKeyboard(p, pressed);
    PaintPianoStrips(p, pressed);
    PaintScore(p);
    PaintSliderTrack(p);
    PaintValueBoxes(p, pressed);
}
} // namespace

QImage PaintSkin() {
    QImage skin(SkinWidth, SkinHeight, QImage::Format_RGB32);
    skin.fill(Qt::black);
    QPainter p(&skin);
    for (const bool pressed : {false, true}) {
        p.save();
        p.translate(pressed ? PressedOffset : 0, 0);
        p.setClipRect(WindowFace.Left, WindowFace.Top, WindowFace.Width, WindowFace.Height);
        PaintFace(p, pressed);
        p.restore();
    }
    PaintSliderThumb(p, ToQRect(SliderThumb));
    return skin;
}

namespace {

// A digit of the given font scaled to fill `box`.
QPainterPath DigitPath(int digit, const QFont& font, const QRectF& box) {
    QPainterPath glyph;
    glyph.addText(0, 0, font, QString::number(digit));
    const QRectF b = glyph.boundingRect();
    QTransform t;
    t.translate(box.left(), box.top());
    t.scale(box.width() / b.width(), box.height() / b.height());
    t.translate(-b.left(), -b.top());
    return t.map(glyph);
}

// Octave dots: above the digit for high octaves, below it for low ones.
void PaintNumberedDigit(QPainter& p, int octave, int degree, const QFont& font) {
    const TSkinRect r = MaskNumberedDigit(octave, degree);
    const int dots = std::abs(octave - 4);
    const double digitTop = r.Top + (octave > 4 ? r.Height - 18 : 0);
    p.fillPath(DigitPath(degree, font, QRectF(r.Left + 2.5, digitTop + 1.5, 9, 15)), Qt::black);
    for (int i = 0; i < dots; ++i) {
        const double y = octave > 4 ? digitTop - 3 - 2 - 6 * i : digitTop + 18 + 3 + 2 + 6 * i;
        p.drawEllipse(QPointF(r.Left + 7, y), 2, 2);
    }
}

void PaintSmallDigit(QPainter& p, int octave, int degree, const QFont& font) {
    const TSkinRect r = MaskSmallDigit(octave, degree);
    const int dots = std::abs(octave - 4);
    const int digitTop = r.Top + (octave > 4 ? r.Height - 10 : 0);
    p.fillPath(DigitPath(degree, font, QRectF(r.Left + 1, digitTop + 0.5, 6, 9)), Qt::black);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < dots; ++i) {
        const int y = octave > 4 ? digitTop - 3 - 3 * i : digitTop + 10 + 1 + 3 * i;
        p.fillRect(QRect(r.Left + 3, y, 2, 2), Qt::black);
    }
    p.restore();
}

// The key labels' accidentals are too small to draw: they are set pixel by pixel.
void PaintPixels(QPainter& p, const TSkinRect& r, const char* const rows[9]) {
    for (int y = 0; y < r.Height; ++y)
        for (int x = 0; x < r.Width; ++x)
            if (rows[y][x] == '#') p.fillRect(QRect(r.Left + x, r.Top + y, 1, 1), Qt::black);
}

constexpr const char* SmallSharp[9] = {"...#", ".#.#", "####", ".#.#", ".#.#",
                                       "####", ".#.#", ".#.#", ".#.."};
constexpr const char* SmallFlat[9] = {"#...", "#...", "#...", "#...", "#.#.",
                                      "##.#", "#..#", "#.#.", "##.."};
constexpr const char* SmallNatural[9] = {"#...", "#...", "#..#", "####", "#..#",
                                         "#..#", "####", "#..#", "...#"};

} // namespace

QImage PaintStaffMask() {
    QImage mask(MaskWidth, MaskHeight, QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);

    p.fillPath(SharpPath(ToQRectF(MaskKeySignatureSharp).adjusted(0, 1, 0, 0), 12), Qt::black);
    p.fillPath(FlatPath(ToQRectF(MaskKeySignatureFlat), 17), Qt::black);
    p.fillPath(NoteHeadPath(ToQRectF(MaskNoteHead), 5), Qt::black);
    p.fillPath(SharpPath(ToQRectF(MaskSharp), 9), Qt::black);
    p.fillPath(NaturalPath(ToQRectF(MaskNatural), 9), Qt::black);
    p.fillPath(FlatPath(ToQRectF(MaskFlat), 9), Qt::black);

    const QFont digits = LatinFont(40, QFont::Bold);
    for (int octave = 0; octave <= 8; ++octave)
        for (int degree = 1; degree <= 7; ++degree)
            PaintNumberedDigit(p, octave, degree, digits);
    for (int octave = 1; octave <= 7; ++octave)
        for (int degree = 1; degree <= 7; ++degree)
            PaintSmallDigit(p, octave, degree, digits);

    p.setRenderHint(QPainter::Antialiasing, false);
    PaintPixels(p, MaskSmallSharp, SmallSharp);
    PaintPixels(p, MaskSmallFlat, SmallFlat);
    PaintPixels(p, MaskSmallNatural, SmallNatural);
    return mask;
}

} // namespace Art
