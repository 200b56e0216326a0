// Shared pieces of the glyph-library tests: the library as the program opens it from
// its own folder, and pixel measures over rectangles of the pictures.
#pragma once

#include "ui/GlyphLibrary.h"
#include "ui/SkinLayout.h"
#include "ui/SkinRect.h"

#include <QImage>
#include <QRect>

#include <cstdlib>
#include <filesystem>

namespace glyphtest {

// The folder of this test program: the build's program folder.
inline QString ProgramFolder() {
    return QString::fromStdString(
        std::filesystem::canonical("/proc/self/exe").parent_path().string());
}

// The library opened once for the whole test program, as the piano opens it.
inline const TGlyphLibrary& Library() {
    static TGlyphLibrary library = [] {
        TGlyphLibrary l;
        l.Open(ProgramFolder());
        return l;
    }();
    return library;
}

using ::ToQRect;

inline int Luma(QRgb c) {
    return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000;
}

// How many pixels of rectangle `a` differ from those of rectangle `b` of the same size
// by more than `tolerance` in some colour component.
inline int DifferingPixels(const QImage& image, const QRect& a, const QRect& b, int tolerance = 0) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = image.pixel(a.x() + x, a.y() + y);
            const QRgb q = image.pixel(b.x() + x, b.y() + y);
            count += std::abs(qRed(p) - qRed(q)) > tolerance ||
                     std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                     std::abs(qBlue(p) - qBlue(q)) > tolerance;
        }
    return count;
}

inline double MeanLuma(const QImage& image, const QRect& r) {
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            sum += Luma(image.pixel(x, y));
    return sum / (r.width() * r.height());
}

} // namespace glyphtest
