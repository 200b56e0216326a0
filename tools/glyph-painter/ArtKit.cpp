// Fonts, gradients and frames used throughout the artwork.
#include "Art.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <cmath>
#include <cstdio>

namespace Art {

namespace {
const QStringList& CjkSans() {
    static const QStringList families{"Noto Sans CJK SC",    "Noto Sans CJK TC",
                                      "Source Han Sans SC",  "WenQuanYi Micro Hei",
                                      "Droid Sans Fallback", "DejaVu Sans"};
    return families;
}
const QStringList& CjkSerif() {
    static const QStringList families{"Noto Serif CJK SC", "Source Han Serif SC", "AR PL UMing CN",
                                      "Noto Sans CJK SC", "DejaVu Serif"};
    return families;
}

QFont MakeFont(const QStringList& families, int pixelSize, int weight) {
    QFont font(families.front());
    font.setFamilies(families);
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}
} // namespace

QFont CjkFont(int pixelSize, int weight, bool serif) {
    return MakeFont(serif ? CjkSerif() : CjkSans(), pixelSize, weight);
}

QFont LatinFont(int pixelSize, int weight, bool serif, bool italic) {
    QFont font = MakeFont(serif ? QStringList{"DejaVu Serif", "Noto Serif CJK SC"}
                                : QStringList{"DejaVu Sans", "Noto Sans CJK SC"},
                          pixelSize, weight);
    font.setItalic(italic);
    return font;
}

void CheckFonts() {
    const QStringList installed = QFontDatabase::families();
    for (const char* wanted : {"Noto Sans CJK SC", "Noto Serif CJK SC"}) {
        if (!installed.contains(QString::fromUtf8(wanted)))
            std::fprintf(stderr,
                         "glyph-painter: font family \"%s\" is not installed; the Chinese "
                         "captions use \"%s\" instead\n",
                         wanted, qPrintable(QFontInfo(CjkFont(13, QFont::Medium)).family()));
    }
}

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QLinearGradient Horizontal(const QRectF& r, const QColor& left, const QColor& right) {
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, left);
    g.setColorAt(1, right);
    return g;
}

void SunkenFrame(QPainter& p, const QRect& r, const QColor& dark, const QColor& light) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), dark);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), dark);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), light);
    p.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 1), light);
    p.restore();
}

QPainterPath RoundedPolygon(const QPolygonF& polygon, double radius) {
    QPainterPath path;
    const qsizetype n = polygon.size();
    if (n < 3) return path;
    auto towards = [](QPointF from, QPointF to, double distance) {
        const QPointF d = to - from;
        const double length = std::hypot(d.x(), d.y());
        if (length <= 0) return from;
        return from + d * (std::min(distance, length / 2) / length);
    };
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF previous = polygon[(i + n - 1) % n];
        const QPointF corner = polygon[i];
        const QPointF next = polygon[(i + 1) % n];
        const QPointF in = towards(corner, previous, radius);
        const QPointF out = towards(corner, next, radius);
        if (i == 0)
            path.moveTo(in);
        else
            path.lineTo(in);
        path.quadTo(corner, out);
    }
    path.closeSubpath();
    return path;
}

} // namespace Art
