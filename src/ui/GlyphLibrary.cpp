// Registering the glyph library and loading its bitmaps.
#include "ui/GlyphLibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QResource>

bool TGlyphLibrary::Open(const QString& programFolder) {
    const QString path =
        QFileInfo(QDir(programFolder), QString::fromLatin1(FileName)).absoluteFilePath();
    if (path == LibraryPath) return true;
    if (!QFileInfo(path).isFile()) return false;
    // Qt checks the resource file's signature and refuses anything else.
    if (!QResource::registerResource(path)) return false;
    LibraryPath = path;
    return true;
}

QImage TGlyphLibrary::LoadBitmap(const char* name) const {
    if (!IsOpen() || name == nullptr || *name == '\0') return {};
    const QString resource = QStringLiteral(":/") + QString::fromLatin1(name);
    if (!QResource(resource).isValid()) return {};
    QImage image(resource);
    if (image.isNull()) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}
