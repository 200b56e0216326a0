// The glyph library: the resource file beside the program that holds every picture of
// the main window. Opening registers it with Qt's resource system for the rest of the
// run; its bitmaps are then loaded by name.
#pragma once

#include <QImage>
#include <QString>

class TGlyphLibrary {
public:
    static constexpr const char* FileName = "TalvimorenaGlyphs.dll";
    // The skin bitmap: the window face released, and pressed 621 pixels to the right.
    static constexpr const char* SkinBitmapName = "RES_TOTALBMP";
    // The staff mask: the symbols the views stamp in colour, black on white.
    static constexpr const char* StaffMaskName = "RES_STAFFMASK";

    // Registers `programFolder`/TalvimorenaGlyphs.dll. False when the file is missing or
    // is not a resource file. The registration is never undone: the pictures stay
    // loadable until the program ends.
    bool Open(const QString& programFolder);
    bool IsOpen() const { return !LibraryPath.isEmpty(); }
    QString Path() const { return LibraryPath; }

    // The named bitmap as a 32-bit opaque image; a null image when the library is not
    // open or holds no picture of that name.
    QImage LoadBitmap(const char* name) const;

private:
    QString LibraryPath;
};
