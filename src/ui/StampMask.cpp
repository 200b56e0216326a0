// The mask blend: c' = C - floor((C - c) * m / 256) for every colour component.
#include "ui/StampMask.h"

#include <algorithm>

namespace {
// Floor of a / 256 for a negative numerator too (C++ division truncates).
int FloorDiv256(int a) {
    return a >= 0 ? a / 256 : -((-a + 255) / 256);
}

int Blend(int target, int colour, int m) {
    return colour - FloorDiv256((colour - target) * m);
}
} // namespace

void StampMask(QImage& target, const QImage& mask, const QRect& dest, const QColor& colour,
               const QRect& source) {
    if (target.isNull() || mask.isNull()) return;
    // One rectangle of the common size, cut to both pictures.
    const int width = std::min(dest.width(), source.width());
    const int height = std::min(dest.height(), source.height());
    int left = std::max({0, -dest.left(), -source.left()});
    int top = std::max({0, -dest.top(), -source.top()});
    const int right = std::min({width, target.width() - dest.left(), mask.width() - source.left()});
    const int bottom =
        std::min({height, target.height() - dest.top(), mask.height() - source.top()});
    if (left >= right || top >= bottom) return;

    if (target.depth() != 32) target = target.convertToFormat(QImage::Format_RGB32);
    const int cr = colour.red(), cg = colour.green(), cb = colour.blue();
    for (int y = top; y < bottom; ++y) {
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(dest.top() + y));
        for (int x = left; x < right; ++x) {
            const int m = qRed(mask.pixel(source.left() + x, source.top() + y));
            if (m == 255) continue;
            QRgb& p = out[dest.left() + x];
            p = qRgba(Blend(qRed(p), cr, m), Blend(qGreen(p), cg, m), Blend(qBlue(p), cb, m),
                      qAlpha(p));
        }
    }
}
