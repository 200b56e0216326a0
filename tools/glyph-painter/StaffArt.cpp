// Music symbols, the grand staff with its clefs behind the staff view's panels, and
// the dark display behind the numbered notation.
#include "Art.h"

#include <QPainterPathStroker>

#include <algorithm>

namespace Art {

namespace {
using namespace SkinLayout;

// A bar of a sharp or natural: a parallelogram across [x0, x1] around `y`, rising
// to the right by `rise`.
void AddBar(QPainterPath& path, double x0, double x1, double y, double thickness, double rise) {
    QPolygonF bar{{
        {x0, y + rise / 2 - thickness / 2},
        {x1, y - rise / 2 - thickness / 2},
        {x1, y - rise / 2 + thickness / 2},
        {x0, y + rise / 2 + thickness / 2},
    }};
    path.addPolygon(bar);
    path.closeSubpath();
}
} // namespace

QPainterPath SharpPath(const QRectF& box, double centreRow) {
    const double w = box.width(), h = box.height();
    const double cy = box.top() + centreRow + 0.5;
    const double stem = std::max(1.0, w * 0.14);
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const double x1 = box.left() + w * 0.3, x2 = box.left() + w * 0.7;
    path.addRect(QRectF(x1 - stem / 2, box.top() + h * 0.08, stem, h * 0.92));
    path.addRect(QRectF(x2 - stem / 2, box.top(), stem, h * 0.92));
    const double bar = std::max(1.5, h * 0.1), rise = h * 0.08;
    AddBar(path, box.left(), box.right(), cy - h * 0.17, bar, rise);
    AddBar(path, box.left(), box.right(), cy + h * 0.17, bar, rise);
    return path;
}

QPainterPath FlatPath(const QRectF& box, double bowlRow) {
    const double w = box.width(), h = box.height();
    const double by = box.top() + bowlRow + 0.5;
    const double half = std::max(3.8, h * 0.24);
    const double yt = by - half, yb = std::min(box.bottom(), by + half);
    const double stem = std::max(1.2, w * 0.18);
    const double sx = box.left() + w * 0.1;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addRect(QRectF(sx, box.top(), stem, yb - box.top()));
    // The bowl: an outer curve and a hollow inside it.
    QPainterPath bowl;
    const double right = box.right() - 0.2;
    bowl.moveTo(sx + stem, yt + (yb - yt) * 0.25);
    bowl.cubicTo(sx + stem + w * 0.3, yt - 0.6, right + 0.3, yt + 0.2, right, yt + (yb - yt) * 0.4);
    bowl.cubicTo(right - 0.2, yt + (yb - yt) * 0.7, sx + stem + w * 0.25, yb - 0.8, sx + stem, yb);
    bowl.closeSubpath();
    QPainterPath hole;
    const double inner = std::max(0.9, w * 0.2);
    hole.moveTo(sx + stem, yt + (yb - yt) * 0.45);
    hole.cubicTo(sx + stem + w * 0.25, yt + (yb - yt) * 0.2, right - inner, yt + (yb - yt) * 0.3,
                 right - inner, yt + (yb - yt) * 0.45);
    hole.cubicTo(right - inner, yt + (yb - yt) * 0.62, sx + stem + w * 0.2, yb - 2.0, sx + stem,
                 yb - 1.4);
    hole.closeSubpath();
    path.addPath(bowl.subtracted(hole));
    return path;
}

QPainterPath NaturalPath(const QRectF& box, double centreRow) {
    const double w = box.width(), h = box.height();
    const double cy = box.top() + centreRow + 0.5;
    const double stem = std::max(1.0, w * 0.2);
    const double x1 = box.left() + w * 0.2, x2 = box.right() - w * 0.2;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addRect(QRectF(x1 - stem / 2, box.top(), stem, cy + h * 0.24 - box.top()));
    path.addRect(QRectF(x2 - stem / 2, cy - h * 0.24, stem, box.bottom() - (cy - h * 0.24)));
    const double bar = std::max(1.5, h * 0.11), rise = h * 0.07;
    AddBar(path, x1 - stem / 2, x2 + stem / 2, cy - h * 0.13, bar, rise);
    AddBar(path, x1 - stem / 2, x2 + stem / 2, cy + h * 0.13, bar, rise);
    return path;
}

QPainterPath NoteHeadPath(const QRectF& box, double centreRow) {
    QPainterPath ellipse;
    const double rx = box.width() * 0.5, ry = box.height() * 0.34;
    ellipse.addEllipse(QPointF(0, 0), rx, ry);
    QTransform t;
    t.translate(box.center().x(), box.top() + centreRow + 0.5);
    t.rotate(-22);
    return t.map(ellipse);
}

namespace {
void StrokeOrnament(QPainter& p, const QPainterPath& centreLine, double width, const QColor& c) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    p.fillPath(stroker.createStroke(centreLine), c);
}
} // namespace

void PaintTrebleClef(QPainter& p, double x, double lineY, double s, const QColor& colour) {
    // Drawn in staff spaces around the G line; the stem stands at x + 1.2 spaces.
    auto at = [&](double u, double v) { return QPointF(x + (1.2 + u) * s, lineY + v * s); };
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath stem;
    stem.moveTo(at(-0.3, 2.05));
    stem.cubicTo(at(0.25, 2.35), at(0.55, 1.75), at(0.42, 1.1));
    stem.cubicTo(at(0.25, 0.1), at(0.02, -1.6), at(0.0, -2.6));
    stem.cubicTo(at(-0.02, -3.4), at(0.35, -4.15), at(0.58, -4.35));
    stem.cubicTo(at(0.82, -3.95), at(0.72, -3.15), at(0.0, -2.45));
    stem.cubicTo(at(-0.8, -1.75), at(-1.2, -1.0), at(-1.12, -0.1));
    StrokeOrnament(p, stem, 0.17 * s, colour);
    QPainterPath belly;
    belly.moveTo(at(-1.12, -0.1));
    belly.cubicTo(at(-1.02, 0.9), at(-0.1, 1.28), at(0.5, 1.05));
    belly.cubicTo(at(1.2, 0.8), at(1.2, -0.52), at(0.4, -0.78));
    belly.cubicTo(at(-0.3, -0.9), at(-0.65, -0.1), at(-0.12, 0.32));
    StrokeOrnament(p, belly, 0.24 * s, colour);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(at(-0.5, 1.95), 0.32 * s, 0.32 * s);
    p.restore();
}

void PaintBassClef(QPainter& p, double x, double lineY, double s, const QColor& colour) {
    auto at = [&](double u, double v) { return QPointF(x + (0.45 + u) * s, lineY + v * s); };
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath curl;
    curl.moveTo(at(-0.1, 0.05));
    curl.cubicTo(at(-0.15, -0.85), at(0.75, -1.15), at(1.25, -0.95));
    curl.cubicTo(at(2.0, -0.65), at(2.05, 0.35), at(1.6, 1.05));
    curl.cubicTo(at(1.2, 1.75), at(0.45, 2.25), at(-0.2, 2.55));
    StrokeOrnament(p, curl, 0.26 * s, colour);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(at(0.22, 0.08), 0.36 * s, 0.36 * s);
    p.drawEllipse(at(2.45, -0.5), 0.17 * s, 0.17 * s);
    p.drawEllipse(at(2.45, 0.5), 0.17 * s, 0.17 * s);
    p.restore();
}

namespace {

// The row of the staff line through a note's head, in window pixels.
int LineRow(int octave, int letter) {
    return StaffPanel.Top + StaffNoteTop(octave, letter) + 5;
}

struct TNote {
    int Octave, Letter;
};
constexpr TNote TrebleLines[] = {{4, 3}, {4, 5}, {4, 7}, {5, 2}, {5, 4}};
constexpr TNote BassLines[] = {{2, 5}, {2, 7}, {3, 2}, {3, 4}, {3, 6}};
// Ledger lines under the note heads: middle C, A and C above, E and C below.
constexpr TNote LedgerLines[] = {{4, 1}, {5, 6}, {6, 1}, {2, 3}, {2, 1}};

constexpr int StaffLeft = 17;
constexpr int StaffRight = 204;
const QColor LineColour{0x9c, 0xa7, 0xb3};

} // namespace

void PaintScore(QPainter& p) {
    const QRect frame(7, 277, 266, 157);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(frame, Vertical(frame, QColor(0x14, 0x1a, 0x22), QColor(0x0c, 0x10, 0x15)));
    SunkenFrame(p, frame, QColor(0, 0, 0), QColor(0x3e, 0x40, 0x46));
    // The numbered notation's own display, right of the staff.
    const QRect display(NumberedPanel.Left - 4, frame.top() + 1, NumberedPanel.Width + 8,
                        frame.height() - 2);
    p.fillRect(display, Vertical(display, QColor(0x0a, 0x0d, 0x11), QColor(0x07, 0x09, 0x0c)));
    p.fillRect(QRect(display.left() - 1, display.top(), 1, display.height()), QColor(0, 0, 0));
    p.fillRect(QRect(display.left() - 2, display.top(), 1, display.height()),
               QColor(0x2a, 0x2e, 0x35));

    const int top = LineRow(5, 4), bottom = LineRow(2, 5);
    for (const TNote& n : TrebleLines)
        p.fillRect(QRect(StaffLeft, LineRow(n.Octave, n.Letter), StaffRight - StaffLeft, 1),
                   LineColour);
    for (const TNote& n : BassLines)
        p.fillRect(QRect(StaffLeft, LineRow(n.Octave, n.Letter), StaffRight - StaffLeft, 1),
                   LineColour);
    for (const TNote& n : LedgerLines)
        p.fillRect(QRect(StaffPanel.Left + 13, LineRow(n.Octave, n.Letter), 27, 1),
                   QColor(0x4c, 0x56, 0x62));
    // System line on the left, closing double bar on the right.
    p.fillRect(QRect(StaffLeft, top, 1, bottom - top + 1), LineColour);
    p.fillRect(QRect(StaffRight - 5, top, 1, bottom - top + 1), LineColour);
    p.fillRect(QRect(StaffRight - 2, top, 2, bottom - top + 1), LineColour);
    p.restore();

    // The brace joining the two staves.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const double mid = (top + bottom) / 2.0;
    QPainterPath brace;
    brace.moveTo(15, top - 1);
    brace.cubicTo(8, top + 8, 14, mid - 16, 8.5, mid);
    brace.cubicTo(14, mid + 16, 8, bottom - 8, 15, bottom + 1);
    brace.cubicTo(12.5, bottom - 10, 18, mid + 12, 11.5, mid);
    brace.cubicTo(18, mid - 12, 12.5, top + 10, 15, top - 1);
    p.fillPath(brace, LineColour);
    p.restore();

    const double trebleSpace = (LineRow(4, 3) - LineRow(5, 4)) / 4.0;
    const double bassSpace = (LineRow(2, 5) - LineRow(3, 6)) / 4.0;
    const QColor clef(0xd3, 0xda, 0xe2);
    PaintTrebleClef(p, 21, LineRow(4, 5) + 0.5, trebleSpace, clef);
    PaintBassClef(p, 21, LineRow(3, 4) + 0.5, bassSpace, clef);
}

} // namespace Art
