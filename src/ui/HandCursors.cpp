// The hand cursors: a white-gloved hand pointing up with a cuff in its keyboard's
// colour (orange left, yellow right, as the strips and the staff show them). The
// left hand is the right one mirrored.
#include "ui/HandCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int Size = 32;
// The right hand's index fingertip; the left hand's is its mirror image.
constexpr QPoint RightTip{12, 1};

QPainterPath Rounded(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

QImage PaintRightHand(const QColor& cuff) {
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);

    const QPainterPath index = Rounded(QRectF(9.5, 1.8, 5, 15.2), 2.5);
    const QPainterPath middle = Rounded(QRectF(14, 10, 5, 9), 2.5);
    const QPainterPath ring = Rounded(QRectF(18.5, 11, 4.5, 8.5), 2.25);
    const QPainterPath little = Rounded(QRectF(22.5, 12.5, 4, 7.5), 2);
    QPainterPath thumb;
    thumb.moveTo(10, 19);
    thumb.cubicTo(7, 15.5, 3.5, 13.5, 3, 16);
    thumb.cubicTo(2.5, 18.5, 6, 22, 9.5, 25);
    thumb.closeSubpath();
    QPainterPath palm;
    palm.moveTo(9.5, 15);
    palm.lineTo(26.5, 16);
    palm.cubicTo(27, 21, 26, 24, 24.5, 26);
    palm.lineTo(11, 26);
    palm.cubicTo(9.5, 23, 9, 19, 9.5, 15);
    palm.closeSubpath();
    const QPainterPath hand =
        index.united(middle).united(ring).united(little).united(thumb).united(palm).simplified();

    // A dark rim first, so the hand reads on light and dark faces alike.
    p.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xfb, 0xfa, 0xf6));
    p.drawPath(hand);
    // The folds between the fingers and the index finger's knuckle line.
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14.5, 12), QPointF(14.5, 17.5));
    p.drawLine(QPointF(18.7, 13), QPointF(18.7, 18));
    p.drawLine(QPointF(22.6, 14.5), QPointF(22.6, 18.5));
    p.drawLine(QPointF(10.5, 20.5), QPointF(12.5, 19.5));

    const QRectF cuffRect(11, 25.5, 14, 5.5);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(cuff);
    p.drawRoundedRect(cuffRect, 1.2, 1.2);
    return image;
}

} // namespace

QImage HandCursorImage(bool rightHand) {
    if (rightHand) return PaintRightHand(QColor(0xff, 0xff, 0x00));
    return PaintRightHand(QColor(0xff, 0x99, 0x00)).mirrored(true, false);
}

QPoint HandCursorHotSpot(bool rightHand) {
    return rightHand ? RightTip : QPoint(Size - 1 - RightTip.x(), RightTip.y());
}

namespace {
QCursor HandCursor(bool rightHand) {
    const QPoint tip = HandCursorHotSpot(rightHand);
    return QCursor(QPixmap::fromImage(HandCursorImage(rightHand)), tip.x(), tip.y());
}
} // namespace

QCursor LeftHandCursor() {
    return HandCursor(false);
}

QCursor RightHandCursor() {
    return HandCursor(true);
}
