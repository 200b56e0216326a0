// glyph-painter: draws the skin bitmap and the staff mask of the glyph library, and
// the resource list that packs them. Run by the build; needs no display.
//
//   glyph-painter <output folder>
//
// writes RES_TOTALBMP.png, RES_STAFFMASK.png and glyphs.qrc into that folder.
#include "Art.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

namespace {
bool Save(const QImage& image, const QString& path) {
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "glyph-painter: cannot write %s\n", qPrintable(path));
    return false;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: glyph-painter <output folder>\n");
        return 2;
    }
    // Painting text needs the font database, not a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "glyph-painter: cannot create %s\n", argv[1]);
        return 1;
    }
    Art::CheckFonts();
    if (!Save(Art::PaintSkin(), out.filePath("RES_TOTALBMP.png")) ||
        !Save(Art::PaintStaffMask(), out.filePath("RES_STAFFMASK.png")))
        return 1;

    QFile qrc(out.filePath("glyphs.qrc"));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "glyph-painter: cannot write %s\n", qPrintable(qrc.fileName()));
        return 1;
    }
    qrc.write("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n"
              "  <file alias=\"RES_TOTALBMP\">RES_TOTALBMP.png</file>\n"
              "  <file alias=\"RES_STAFFMASK\">RES_STAFFMASK.png</file>\n"
              "</qresource>\n</RCC>\n");
    return qrc.error() == QFile::NoError ? 0 : 1;
}
