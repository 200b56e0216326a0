// The colour stamp through the staff mask.
#include "ui/StampMask.h"

namespace {
bool Is32Bit(const QImage& image) {
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
}

// C - floor((C - c) m / 256); the shift of a negative number rounds down as floor does.
int Blend(int C, int c, int m) {
    return C - (((C - c) * m) >> 8);
}
} // namespace

void StampMask(QImage& target, const QImage& mask, QPoint destination, const QColor& colour,
               const QRect& source) {
    if (target.isNull() || mask.isNull()) return;
    // Cut what sticks out of the mask, then what sticks out of the target, moving
    // the destination with the source.
    const QRect src = source.intersected(mask.rect());
    if (src.isEmpty()) return;
    QRect dst(destination + (src.topLeft() - source.topLeft()), src.size());
    const QRect clipped = dst.intersected(target.rect());
    if (clipped.isEmpty()) return;
    const QPoint from = src.topLeft() + (clipped.topLeft() - dst.topLeft());

    if (!Is32Bit(target)) target = target.convertToFormat(QImage::Format_RGB32);
    const QImage maskImage = Is32Bit(mask) ? mask : mask.convertToFormat(QImage::Format_RGB32);
    const int R = colour.red(), G = colour.green(), B = colour.blue();
    for (int row = 0; row < clipped.height(); ++row) {
        const auto* m = reinterpret_cast<const QRgb*>(maskImage.constScanLine(from.y() + row));
        auto* t = reinterpret_cast<QRgb*>(target.scanLine(clipped.top() + row));
        for (int col = 0; col < clipped.width(); ++col) {
            const int cover = qRed(m[from.x() + col]);
            if (cover == 255) continue;
            QRgb& p = t[clipped.left() + col];
            p = qRgba(Blend(R, qRed(p), cover), Blend(G, qGreen(p), cover),
                      Blend(B, qBlue(p), cover), qAlpha(p));
        }
    }
}
