// The PC keyboard picture and the two piano strips. The keys that play are bare
// ivory caps (the program stamps their notes onto them at run time) and light amber
// when pressed; the command keys are graphite caps with their legends.
#include "Art.h"

#include <QString>

#include <vector>

namespace Art {

namespace {

using namespace SkinLayout;

enum class TCap { Note, Command };

struct TCapColours {
    QColor SkirtTop, SkirtBottom, FaceTop, FaceBottom, Legend;
};

TCapColours CapColours(TCap kind, bool pressed) {
    if (kind == TCap::Note)
        return pressed ? TCapColours{{0xe9, 0xb6, 0x4e},
                                     {0xa8, 0x72, 0x18},
                                     {0xff, 0xec, 0xb4},
                                     {0xff, 0xc6, 0x52},
                                     Qt::black}
                       : TCapColours{{0xdc, 0xd4, 0xc2},
                                     {0x9d, 0x94, 0x80},
                                     {0xff, 0xfd, 0xf7},
                                     {0xea, 0xe3, 0xd2},
                                     Qt::black};
    return pressed ? TCapColours{{0x3a, 0x3c, 0x42},
                                 {0x22, 0x23, 0x27},
                                 {0x4c, 0x4f, 0x56},
                                 {0x3e, 0x41, 0x47},
                                 {0xff, 0xd9, 0x8a}}
                   : TCapColours{{0x4d, 0x50, 0x57},
                                 {0x25, 0x27, 0x2b},
                                 {0x70, 0x74, 0x7c},
                                 {0x55, 0x58, 0x5f},
                                 {0xec, 0xe8, 0xdf}};
}

// A key's outline shrunk by the given margins. Keys are rectangles, except the big
// Enter, which is two rectangles sharing their right edge (`rects` upper first).
QPolygonF Inset(const std::vector<QRectF>& rects, double l, double t, double r, double b) {
    const QRectF& a = rects.front();
    if (rects.size() == 1)
        return QPolygonF(QRectF(a.left() + l, a.top() + t, a.width() - l - r, a.height() - t - b));
    const QRectF& low = rects.back();
    return QPolygonF{{
        {a.left() + l, a.top() + t},
        {a.right() - r, a.top() + t},
        {low.right() - r, low.bottom() - b},
        {low.left() + l, low.bottom() - b},
        {low.left() + l, low.top() + t},
        {a.left() + l, low.top() + t},
    }};
}

void PaintCap(QPainter& p, const std::vector<QRectF>& rects, TCap kind, bool pressed,
              const QString& legend = {}, const QFont& font = {}, bool alignLeft = false) {
    const TCapColours c = CapColours(kind, pressed);
    QRectF bounds = rects.front();
    for (const QRectF& r : rects)
        bounds = bounds.united(r);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0b, 0x0b, 0x0d));
    p.drawPath(RoundedPolygon(Inset(rects, 0, 0, 0, 0), 3.5));
    p.setBrush(Vertical(bounds, c.SkirtTop, c.SkirtBottom));
    p.drawPath(RoundedPolygon(Inset(rects, 1, 1, 1, 1), 3));
    const double faceTop = pressed ? 2.5 : 1.5;
    const double faceBottom = pressed ? 2.5 : 3.5;
    const QPainterPath face = RoundedPolygon(Inset(rects, 2.5, faceTop, 2.5, faceBottom), 2.5);
    p.setBrush(Vertical(bounds.adjusted(0, faceTop, 0, -faceBottom), c.FaceTop, c.FaceBottom));
    p.drawPath(face);
    // A glint along the face's upper edge; a pressed note key glows instead.
    p.setClipPath(face);
    if (pressed && kind == TCap::Note) {
        QRadialGradient glow(bounds.center(), bounds.width() * 0.6);
        glow.setColorAt(0, QColor(255, 255, 230, 120));
        glow.setColorAt(1, QColor(255, 255, 230, 0));
        p.setBrush(glow);
        p.drawRect(bounds);
    } else {
        p.fillRect(QRectF(bounds.left(), bounds.top() + faceTop, bounds.width(), 1),
                   QColor(255, 255, 255, kind == TCap::Note ? 200 : 60));
    }
    p.setClipping(false);
    if (!legend.isEmpty()) {
        p.setFont(font);
        p.setPen(c.Legend);
        QRectF text = bounds.adjusted(alignLeft ? 5 : 2, faceTop, -2, -faceBottom);
        if (rects.size() > 1) text = rects.back().adjusted(5, 0, -2, -faceBottom);
        p.drawText(text, (alignLeft ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter, legend);
    }
    p.restore();
}

QRectF KeyAt(double x, double y, double w = 24, double h = 20) {
    return {x, y, w, h};
}

// The keys that only command: function row, modifiers, Space and the rest.
void PaintCommandKeys(QPainter& p) {
    const bool pressed = false; // they are pictures, not controls
    const QFont legend = LatinFont(8, QFont::Bold);
    QFont small = LatinFont(7, QFont::Bold);
    small.setStretch(QFont::SemiCondensed);
    const double fRow = 54;
    PaintCap(p, {KeyAt(11, fRow)}, TCap::Command, pressed, "Esc", legend);
    for (int group = 0; group < 3; ++group)
        for (int i = 0; i < 4; ++i)
            PaintCap(p, {KeyAt(63 + 122 * group + 27 * i, fRow)}, TCap::Command, pressed,
                     QStringLiteral("F%1").arg(4 * group + i + 1), legend);
    const char* system[] = {"PrtSc", "ScrLk", "Pause"};
    for (int i = 0; i < 3; ++i)
        PaintCap(p, {KeyAt(422 + 27 * i, fRow)}, TCap::Command, pressed, system[i], small);

    PaintCap(p, {KeyAt(11, 80)}, TCap::Command, pressed, "~", legend);
    PaintCap(p, {KeyAt(389, 80)}, TCap::Command, pressed, QString::fromUtf8("←"), legend);
    PaintCap(p, {KeyAt(11, 102, 39)}, TCap::Command, pressed, "Tab", legend, true);
    PaintCap(p, {KeyAt(377, 102, 35, 23), KeyAt(362, 125, 50)}, TCap::Command, pressed, "Enter",
             legend, true);
    PaintCap(p, {KeyAt(11, 125, 51)}, TCap::Command, pressed, "Caps", legend, true);
    PaintCap(p, {KeyAt(11, 147, 63)}, TCap::Command, pressed, "Shift", legend, true);
    PaintCap(p, {KeyAt(347, 147, 65)}, TCap::Command, pressed, "Shift", legend, true);

    struct TBottom {
        double Left, Width;
        const char* Legend;
    };
    const TBottom bottom[] = {{11, 36, "Ctrl"},  {50, 24, "Win"},  {77, 30, "Alt"},
                              {110, 182, ""},    {295, 30, "Alt"}, {328, 24, "Win"},
                              {355, 24, "Menu"}, {382, 30, "Ctrl"}};
    for (const TBottom& key : bottom)
        PaintCap(p, {KeyAt(key.Left, 170, key.Width)}, TCap::Command, pressed,
                 QString::fromUtf8(key.Legend), key.Width > 30 ? legend : small);
    // Space is the sustain pedal.
    PaintCap(p, {KeyAt(110, 170, 182)}, TCap::Command, pressed, QString::fromUtf8("踏板"),
             CjkFont(10, QFont::Medium));
}

void PaintKeyboardCase(QPainter& p) {
    const QRectF body(5, 48, 611, 148);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x04, 0x04, 0x05));
    p.drawRoundedRect(body, 6, 6);
    p.setBrush(Vertical(body, QColor(0x33, 0x35, 0x3b), QColor(0x1b, 0x1c, 0x20)));
    p.drawRoundedRect(body.adjusted(1, 1, -1, -1), 5, 5);
    p.setBrush(Vertical(body, QColor(0x19, 0x1a, 0x1e), QColor(0x22, 0x24, 0x28)));
    p.drawRoundedRect(body.adjusted(3, 3, -3, -3), 4, 4);
    // Brass badge over the numeric keypad.
    p.setFont(LatinFont(10, QFont::Bold, true, true));
    p.setPen(Colour::Brass);
    p.drawText(QRectF(507, 54, 105, 20), Qt::AlignCenter, "Talvimorena");
    p.restore();
}

} // namespace

void PaintPCKeyboard(QPainter& p, bool pressed) {
    PaintKeyboardCase(p);
    PaintCommandKeys(p);
    for (int k = 0; k < PCKeyCount; ++k) {
        const TSkinRect r = PCKeyRect(k);
        if (!r.IsEmpty()) PaintCap(p, {ToQRectF(r)}, TCap::Note, pressed);
    }
}

namespace {

void PaintPianoStrip(QPainter& p, TSkinPoint origin, bool pressed, const QColor& lit) {
    // Whole pixels only: every key must be the same picture wherever it lies.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    for (int w = 0; w < PianoWhiteKeyCount; ++w) {
        const QRectF key(origin.X + PianoWhiteWidth * w, origin.Y, PianoWhiteWidth, PianoHeight);
        const QRectF body = key.adjusted(0, 0, -1, 0);
        if (pressed) {
            p.setBrush(Vertical(body, lit.lighter(135), lit));
        } else {
            QLinearGradient g = Vertical(body, QColor(0xe6, 0xe0, 0xd2), QColor(0xff, 0xfe, 0xfa));
            g.setColorAt(0.85, QColor(0xfb, 0xf8, 0xf0));
            g.setColorAt(1, QColor(0xd5, 0xcd, 0xbc));
            p.setBrush(g);
        }
        p.drawRect(body);
        // The gap to the next key, and the shadow of the key slip along the top.
        p.fillRect(QRectF(key.right() - 1, key.top(), 1, key.height()), QColor(0x3c, 0x38, 0x33));
        p.fillRect(QRectF(key.left(), key.top(), key.width(), 2), QColor(0, 0, 0, 90));
        p.fillRect(QRectF(key.left(), key.bottom() - 1, key.width() - 1, 1),
                   pressed ? lit.darker(150) : QColor(0xb4, 0xab, 0x98));
    }
    for (int b = 0; b < PianoBlackKeyCount; ++b) {
        const QRectF key = ToQRectF(PianoBlackKey(origin, b));
        p.setBrush(QColor(0x02, 0x02, 0x03));
        p.drawRect(key);
        // A pressed black key glows in the hand's colour from inside.
        const QColor top = pressed ? lit.lighter(110) : QColor(0x3a, 0x3a, 0x3e);
        const QColor bottom = pressed ? lit.darker(230) : QColor(0x10, 0x10, 0x12);
        const double front = pressed ? 1.5 : 3;
        const QRectF body = key.adjusted(1, 0, -1, -front - 0.5);
        p.setBrush(Vertical(body, top, bottom));
        p.drawRoundedRect(body, 1, 1);
        // The key's front edge and a glint down its left side.
        p.setBrush(Vertical(QRectF(key.left(), key.bottom() - front, key.width(), front),
                            pressed ? lit.darker(300) : QColor(0x4a, 0x4a, 0x4f),
                            QColor(0x08, 0x08, 0x09)));
        p.drawRect(QRectF(key.left() + 1, key.bottom() - front - 0.5, key.width() - 2, front));
        p.fillRect(QRectF(key.left() + 2, key.top() + 1, 1, body.height() - 2),
                   QColor(255, 255, 255, pressed ? 50 : 40));
    }
    p.restore();
}

} // namespace

void PaintPianoStrips(QPainter& p, bool pressed) {
    // The key bed: black cheeks at both ends and a strip of red felt above the keys.
    const QRectF bed(5, 205, 611, 66);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x03, 0x03, 0x04));
    p.drawRoundedRect(bed, 4, 4);
    p.setBrush(Vertical(bed, QColor(0x26, 0x26, 0x2b), QColor(0x0e, 0x0e, 0x10)));
    p.drawRoundedRect(bed.adjusted(1, 1, -1, -1), 3, 3);
    p.fillRect(QRectF(UpperPianoOrigin.X, 208, PianoWidth, 5),
               Vertical(QRectF(0, 208, 1, 5), QColor(0x8e, 0x1b, 0x22), QColor(0x4a, 0x0a, 0x10)));
    p.fillRect(QRectF(UpperPianoOrigin.X, UpperPianoOrigin.Y + PianoHeight, PianoWidth,
                      LowerPianoOrigin.Y - UpperPianoOrigin.Y - PianoHeight),
               QColor(0x4a, 0x0a, 0x10));
    p.fillRect(QRectF(LowerPianoOrigin.X, LowerPianoOrigin.Y + PianoHeight, PianoWidth, 2),
               QColor(0x02, 0x02, 0x02));
    p.restore();
    PaintPianoStrip(p, UpperPianoOrigin, pressed, Colour::RightHand);
    PaintPianoStrip(p, LowerPianoOrigin, pressed, Colour::LeftHand);
}

} // namespace Art
