// The skin painter's shared kit: palette, fonts, small drawing helpers and the
// entry points of each part of the artwork.
#pragma once

#include "ui/SkinLayout.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

namespace Art {

using SkinLayout::TSkinPoint;
using SkinLayout::TSkinRect;

inline QRect ToQRect(const TSkinRect& r) {
    return {r.Left, r.Top, r.Width, r.Height};
}
inline QRectF ToQRectF(const TSkinRect& r) {
    return QRectF(ToQRect(r));
}

// Palette of the instrument: black lacquer, graphite, ivory, brass.
namespace Colour {
inline const QColor LacquerTop{0x1d, 0x1c, 0x21};
inline const QColor LacquerBottom{0x0a, 0x0a, 0x0c};
inline const QColor Brass{0xc9, 0xa4, 0x5c};
inline const QColor BrassDim{0x7a, 0x61, 0x35};
inline const QColor BrassLit{0xff, 0xd9, 0x8a};
inline const QColor Ivory{0xf4, 0xef, 0xe3};
inline const QColor Engraving{0xd4, 0xcc, 0xba};
inline const QColor Edge{0x07, 0x07, 0x08};
inline const QColor RecordRed{0xe0, 0x4a, 0x3c};
// The colours the staff view stamps the notes of each keyboard in; the piano strips
// light their keys in the same ones.
inline const QColor LeftHand{0xff, 0x99, 0x00};
inline const QColor RightHand{0xff, 0xff, 0x00};
} // namespace Colour

// A Chinese face: Noto Sans / Serif CJK SC where installed, then any CJK family.
QFont CjkFont(int pixelSize, int weight, bool serif = false);
// A Latin face for key legends and the name plate.
QFont LatinFont(int pixelSize, int weight, bool serif = false, bool italic = false);
// Reports on stderr, once, when the CJK family had to be replaced.
void CheckFonts();

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom);
QLinearGradient Horizontal(const QRectF& r, const QColor& left, const QColor& right);
// A rectangle sunk into the panel: dark upper-left edge, light lower-right edge.
void SunkenFrame(QPainter& p, const QRect& r, const QColor& dark, const QColor& light);
// A path of the polygon with its corners rounded by `radius`.
QPainterPath RoundedPolygon(const QPolygonF& polygon, double radius);

// Parts of the face, drawn at window coordinates. With `pressed` every control in
// that part is drawn in its pressed state: the painter draws the face twice.
void PaintPanel(QPainter& p, bool pressed);       // lacquer, top bar, labels, name plate
void PaintMainButtons(QPainter& p, bool pressed); // the seven command buttons
void PaintSliderTrack(QPainter& p);               // no pressed state
void PaintSliderThumb(QPainter& p, const QRect& at);
void PaintValueBoxes(QPainter& p, bool pressed); // frames, displays and arrows
void PaintPCKeyboard(QPainter& p, bool pressed);
void PaintPianoStrips(QPainter& p, bool pressed);
void PaintScore(QPainter& p); // grand staff and numbered panel

// The two pictures of the glyph library.
QImage PaintSkin();
QImage PaintStaffMask();

// Music symbols shared by the staff on the face and the mask's sprites, each filling
// the given box; `centreRow` is the row through which the staff line passes.
QPainterPath SharpPath(const QRectF& box, double centreRow);
QPainterPath FlatPath(const QRectF& box, double bowlRow);
QPainterPath NaturalPath(const QRectF& box, double centreRow);
QPainterPath NoteHeadPath(const QRectF& box, double centreRow);
// Clefs at a staff: `lineY` is the row of the clef's own line (G or F), `space` the
// distance between two staff lines, `x` the clef's left edge.
void PaintTrebleClef(QPainter& p, double x, double lineY, double space, const QColor& colour);
void PaintBassClef(QPainter& p, double x, double lineY, double space, const QColor& colour);

} // namespace Art
