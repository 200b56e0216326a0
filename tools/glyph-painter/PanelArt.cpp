// The lacquered panel itself, the command buttons with their icons, the volume
// slider and the frames of the value boxes.
#include "Art.h"

#include <QString>

#include <cmath>
#include <numbers>

namespace Art {

namespace {

using namespace SkinLayout;

constexpr int TopBarHeight = 45;

void PaintLacquer(QPainter& p) {
    const QRectF all(0, 0, WindowWidth, WindowHeight);
    p.fillRect(all, Vertical(all, Colour::LacquerTop, Colour::LacquerBottom));
    // A soft reflection across the lacquer.
    QLinearGradient sheen(QPointF(0, 0), QPointF(WindowWidth, WindowHeight));
    sheen.setColorAt(0.0, QColor(255, 255, 255, 0));
    sheen.setColorAt(0.42, QColor(255, 255, 255, 9));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.fillRect(all, sheen);

    const QRectF bar(0, 0, WindowWidth, TopBarHeight);
    QLinearGradient g = Vertical(bar, QColor(0x30, 0x31, 0x37), QColor(0x15, 0x15, 0x18));
    g.setColorAt(0.5, QColor(0x22, 0x23, 0x28));
    p.fillRect(bar, g);
    p.fillRect(QRectF(0, TopBarHeight - 1, WindowWidth, 1), Colour::BrassDim);
    p.fillRect(QRectF(0, TopBarHeight, WindowWidth, 1), QColor(0, 0, 0));
    // A brass pinstripe round the window.
    p.save();
    p.setPen(QPen(QColor(0x5a, 0x47, 0x27), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 1.5, WindowWidth - 3, WindowHeight - 3));
    p.restore();
}

void PaintLabels(QPainter& p) {
    p.save();
    p.setFont(CjkFont(12, QFont::Medium));
    p.setPen(Colour::Engraving);
    struct TLabel {
        int Top;
        const char* Text;
    };
    const TLabel rows[] = {{SliderTrack.Top, "音量"},
                           {TransposeBox.Top, "移调"},
                           {LeftOctaveBox.Top, "八度"},
                           {LeftVelocityBox.Top, "力度"},
                           {LeftVoiceBox.Top, "音色"}};
    for (const TLabel& row : rows)
        p.drawText(QRectF(290, row.Top, 72, 19), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromUtf8(row.Text));
    p.restore();
}

void PaintNamePlate(QPainter& p) {
    const QRectF plate(492, 282, 120, 146);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x05, 0x05, 0x06));
    p.drawRoundedRect(plate, 5, 5);
    p.setBrush(Vertical(plate, QColor(0x1f, 0x1f, 0x24), QColor(0x0f, 0x0f, 0x12)));
    p.drawRoundedRect(plate.adjusted(1, 1, -1, -1), 4, 4);

    QFont name = LatinFont(17, QFont::Bold, true, true);
    p.setFont(name);
    QLinearGradient brass = Vertical(QRectF(0, 292, 1, 20), Colour::BrassLit, Colour::BrassDim);
    p.setPen(QPen(QBrush(brass), 1));
    p.drawText(QRectF(plate.left(), 290, plate.width(), 24), Qt::AlignCenter, "Talvimorena");
    p.fillRect(QRectF(plate.left() + 14, 317, plate.width() - 28, 1), Colour::BrassDim);
    p.setFont(CjkFont(14, QFont::Medium, true));
    p.setPen(Colour::Engraving);
    p.drawText(QRectF(plate.left(), 321, plate.width(), 22), Qt::AlignCenter,
               QString::fromUtf8("模 拟 钢 琴"));

    // Which colour is which hand: the notes on the staff and the lit piano keys.
    p.setFont(CjkFont(11, QFont::Medium));
    const struct {
        double X;
        QColor Colour;
        const char* Text;
    } hands[] = {{plate.left() + 16, Colour::LeftHand, "左手"},
                 {plate.left() + 66, Colour::RightHand, "右手"}};
    for (const auto& hand : hands) {
        p.setPen(Qt::NoPen);
        p.setBrush(hand.Colour);
        p.drawEllipse(QPointF(hand.X + 4, 354), 3.2, 3.2);
        p.setPen(Colour::Engraving);
        p.drawText(QRectF(hand.X + 10, 346, 30, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(hand.Text));
    }

    // Speaker grille.
    p.setBrush(QColor(0x02, 0x02, 0x02));
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 13; ++col) {
            const double x = plate.left() + 15 + col * 7.5 + (row % 2 ? 3.75 : 0);
            const double y = 372 + row * 7.5;
            if (x > plate.right() - 12) continue;
            p.setBrush(QColor(0x3a, 0x3b, 0x42));
            p.drawEllipse(QPointF(x, y + 0.6), 2.1, 2.1);
            p.setBrush(QColor(0x01, 0x01, 0x01));
            p.drawEllipse(QPointF(x, y), 2.0, 2.0);
        }
    p.restore();
}

// ---- Command buttons ----

void PaintIcon(QPainter& p, int index, const QRectF& box, bool pressed) {
    const QColor ink = pressed ? Colour::BrassLit : Colour::Brass;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const double x = box.left(), y = box.top();
    switch (index) {
    case 0: { // open: a folder
        QPainterPath back;
        back.moveTo(x + 1, y + 3);
        back.lineTo(x + 6, y + 3);
        back.lineTo(x + 7.5, y + 5);
        back.lineTo(x + 14, y + 5);
        back.lineTo(x + 14, y + 14);
        back.lineTo(x + 1, y + 14);
        back.closeSubpath();
        p.setBrush(ink.darker(160));
        p.drawPath(back);
        QPainterPath front;
        front.moveTo(x + 3.5, y + 7.5);
        front.lineTo(x + 16, y + 7.5);
        front.lineTo(x + 13.5, y + 14);
        front.lineTo(x + 1, y + 14);
        front.closeSubpath();
        p.setBrush(ink);
        p.drawPath(front);
        break;
    }
    case 1: { // save: a diskette
        p.drawRoundedRect(QRectF(x + 1, y + 1, 14, 14), 1.5, 1.5);
        p.setBrush(QColor(0x1c, 0x1d, 0x21));
        p.drawRect(QRectF(x + 4, y + 1.5, 7, 4.5));
        p.drawRoundedRect(QRectF(x + 3.5, y + 8.5, 9, 5.5), 1, 1);
        p.setBrush(ink);
        p.drawRect(QRectF(x + 8.5, y + 2.5, 1.5, 2.5));
        break;
    }
    case 2: { // play
        QPainterPath tri;
        tri.moveTo(x + 3, y + 1.5);
        tri.lineTo(x + 15, y + 8);
        tri.lineTo(x + 3, y + 14.5);
        tri.closeSubpath();
        p.drawPath(tri);
        break;
    }
    case 3: { // record
        const QPointF centre(x + 8, y + 8);
        if (pressed) {
            QRadialGradient glow(centre, 8);
            glow.setColorAt(0, QColor(255, 120, 100, 160));
            glow.setColorAt(1, QColor(255, 80, 60, 0));
            p.setBrush(glow);
            p.drawEllipse(centre, 8, 8);
        }
        p.setBrush(pressed ? Colour::RecordRed.lighter(125) : Colour::RecordRed);
        p.drawEllipse(centre, 5.8, 5.8);
        p.setBrush(QColor(255, 255, 255, 70));
        p.drawEllipse(QPointF(x + 6.3, y + 6.3), 1.8, 1.8);
        break;
    }
    case 4: { // setup: a gear
        const QPointF c(x + 8, y + 8);
        QPainterPath gear;
        const int teeth = 8;
        for (int i = 0; i < teeth * 4; ++i) {
            const double a = (i / double(teeth * 4)) * 2 * std::numbers::pi;
            const double r = (i % 4 < 2) ? 7.3 : 5.4;
            const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
            if (i == 0)
                gear.moveTo(pt);
            else
                gear.lineTo(pt);
        }
        gear.closeSubpath();
        gear.addEllipse(c, 2.3, 2.3);
        gear.setFillRule(Qt::OddEvenFill);
        p.drawPath(gear);
        break;
    }
    case 5:   // help
    case 6: { // about
        p.setPen(QPen(ink, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(x + 8, y + 8), 6.7, 6.7);
        p.setFont(LatinFont(11, QFont::Bold, index == 6));
        p.drawText(QRectF(x, y + 0.5, 16, 16), Qt::AlignCenter, index == 5 ? "?" : "i");
        break;
    }
    default:
        break;
    }
    p.restore();
}

void PaintButton(QPainter& p, int index, bool pressed) {
    const QRectF r = ToQRectF(MainButtonRects[static_cast<size_t>(index)]);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x06, 0x06, 0x07));
    p.drawRoundedRect(r, 4.5, 4.5);
    const QRectF face = r.adjusted(1, 1, -1, -1);
    if (pressed) {
        QLinearGradient g = Vertical(face, QColor(0x12, 0x12, 0x15), QColor(0x2a, 0x2b, 0x30));
        p.setBrush(g);
        p.drawRoundedRect(face, 3.5, 3.5);
        p.fillRect(QRectF(face.left() + 3, face.top(), face.width() - 6, 1.5),
                   QColor(0, 0, 0, 140));
        p.fillRect(QRectF(face.left() + 3, face.bottom() - 1, face.width() - 6, 1),
                   QColor(0xc9, 0xa4, 0x5c, 110));
    } else {
        QLinearGradient g = Vertical(face, QColor(0x5a, 0x5d, 0x65), QColor(0x22, 0x23, 0x28));
        g.setColorAt(0.48, QColor(0x3c, 0x3e, 0x45));
        g.setColorAt(0.52, QColor(0x31, 0x33, 0x39));
        p.setBrush(g);
        p.drawRoundedRect(face, 3.5, 3.5);
        p.fillRect(QRectF(face.left() + 3, face.top(), face.width() - 6, 1),
                   QColor(255, 255, 255, 70));
    }
    const double shift = pressed ? 1 : 0;
    PaintIcon(p, index, QRectF(r.left() + 8 + shift, r.top() + 6 + shift, 16, 16), pressed);
    p.setFont(CjkFont(13, QFont::Medium));
    if (!pressed) { // engraved shadow under the caption
        p.setPen(QColor(0, 0, 0, 160));
        p.drawText(QRectF(r.left() + 27, r.top() + 1, 34, r.height()), Qt::AlignCenter,
                   QString::fromUtf8(MainButtonCaptions[static_cast<size_t>(index)]));
    }
    p.setPen(pressed ? Colour::BrassLit : Colour::Ivory);
    p.drawText(QRectF(r.left() + 27 + shift, r.top() + shift, 34, r.height()), Qt::AlignCenter,
               QString::fromUtf8(MainButtonCaptions[static_cast<size_t>(index)]));
    p.restore();
}

// ---- Value boxes ----

void PaintArrow(QPainter& p, const TSkinRect& at, bool up, bool pressed) {
    const QRectF r = ToQRectF(at);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.fillRect(r, QColor(0x05, 0x05, 0x06));
    const QRectF face = r.adjusted(1, up ? 1 : 0.5, -1, up ? -0.5 : -1);
    p.fillRect(face, pressed ? Vertical(face, QColor(0x16, 0x16, 0x19), QColor(0x2a, 0x2b, 0x30))
                             : Vertical(face, QColor(0x62, 0x65, 0x6d), QColor(0x33, 0x35, 0x3b)));
    const QPointF c = face.center() + (pressed ? QPointF(0, 0.5) : QPointF(0, 0));
    QPainterPath tri;
    const double h = 2.2, w = 3.2;
    if (up) {
        tri.moveTo(c.x(), c.y() - h);
        tri.lineTo(c.x() + w, c.y() + h);
        tri.lineTo(c.x() - w, c.y() + h);
    } else {
        tri.moveTo(c.x() - w, c.y() - h);
        tri.lineTo(c.x() + w, c.y() - h);
        tri.lineTo(c.x(), c.y() + h);
    }
    tri.closeSubpath();
    p.setBrush(pressed ? Colour::BrassLit : Colour::Ivory);
    p.drawPath(tri);
    p.restore();
}

} // namespace

void PaintPanel(QPainter& p, bool) {
    PaintLacquer(p);
    PaintLabels(p);
    PaintNamePlate(p);
}

void PaintMainButtons(QPainter& p, bool pressed) {
    for (int i = 0; i < MainButtonCount; ++i)
        PaintButton(p, i, pressed);
    // A small brass lyre mark in the gap before the About button.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Colour::BrassDim, 1.2));
    p.setFont(LatinFont(16, QFont::Normal, true));
    p.drawText(QRectF(447, 9, 73, 28), Qt::AlignCenter, QString::fromUtf8("♪"));
    p.restore();
}

void PaintSliderTrack(QPainter& p) {
    const QRect r = ToQRect(SliderTrack);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const int half = r.top() + r.height() / 2;
    // Ticks at every tenth of the travel, under the thumb's middle.
    for (int i = 0; i <= 10; ++i) {
        const int x = r.left() + 4 + i * SliderTrackEnd / 10;
        const int len = (i % 5 == 0) ? 4 : 2;
        p.fillRect(QRect(x, r.top() + 1, 1, len), QColor(0x7a, 0x78, 0x72));
        p.fillRect(QRect(x, r.bottom() - len, 1, len), QColor(0x7a, 0x78, 0x72));
    }
    const QRect groove(r.left() + 2, half - 2, r.width() - 4, 4);
    p.fillRect(groove, QColor(0x02, 0x02, 0x02));
    SunkenFrame(p, groove.adjusted(-1, -1, 1, 1), QColor(0x05, 0x05, 0x06),
                QColor(0x4b, 0x4c, 0x52));
    // The louder half of the groove glows faintly in brass.
    p.fillRect(QRect(groove.left() + 1, half - 1, groove.width() - 2, 1),
               Horizontal(groove, QColor(0x3a, 0x2e, 0x18), QColor(0x9a, 0x7a, 0x3e)));
    p.restore();
}

void PaintSliderThumb(QPainter& p, const QRect& at) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(at, QColor(0x05, 0x05, 0x06));
    const QRect body = at.adjusted(1, 1, -1, -1);
    QLinearGradient g = Horizontal(body, QColor(0xf2, 0xf2, 0xf4), QColor(0x8a, 0x8c, 0x93));
    g.setColorAt(0.35, QColor(0xd9, 0xda, 0xde));
    p.fillRect(body, g);
    p.fillRect(QRect(body.left(), body.top(), body.width(), 1), QColor(0xff, 0xff, 0xff));
    p.fillRect(QRect(body.left(), at.top() + at.height() / 2, body.width(), 1),
               QColor(0x1c, 0x1d, 0x21));
    p.fillRect(QRect(body.left(), at.top() + at.height() / 2 + 1, body.width(), 1),
               QColor(0xff, 0xff, 0xff, 160));
    p.restore();
}

void PaintValueBoxes(QPainter& p, bool pressed) {
    for (const TSkinRect& box : ValueBoxes) {
        const TSkinRect up = SpinUpArrow(box);
        const QRect whole(box.Left - 2, box.Top - 2, box.Width + up.Width + 4, box.Height + 4);
        p.fillRect(whole.adjusted(1, 1, -1, -1), QColor(0x03, 0x03, 0x03));
        SunkenFrame(p, whole, QColor(0x00, 0x00, 0x00), QColor(0x50, 0x51, 0x58));
        SunkenFrame(p, whole.adjusted(1, 1, -1, -1), QColor(0x0c, 0x0c, 0x0e),
                    QColor(0x26, 0x27, 0x2c));
        // Boxes of the left hand carry an orange mark, those of the right hand a
        // yellow one; the transposition belongs to both.
        const bool right = box.Left > LeftOctaveBox.Left;
        const bool both = box == TransposeBox;
        const QColor mark = both ? Colour::Brass : right ? Colour::RightHand : Colour::LeftHand;
        p.fillRect(QRect(whole.left() + 2, whole.bottom() + 2, whole.width() - 4, 1),
                   QColor(mark.red(), mark.green(), mark.blue(), 150));
        // The display itself: black, as the number label above it.
        p.fillRect(ToQRect(box), QColor(0, 0, 0));
        PaintArrow(p, up, true, pressed);
        PaintArrow(p, SpinDownArrow(box), false, pressed);
    }
}

} // namespace Art
