// Stamping a symbol of the staff mask in one colour onto a picture: where the mask
// is black the colour is laid on pure, lighter mask pixels blend toward what lies
// beneath, white leaves the picture as it was. The staff and the PC keyboard's key
// labels draw every symbol this way.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>

// Stamps the mask's rectangle `source` with its top-left corner at `destination` of
// `target`, in the mask's own size. The part that would fall outside the target (or
// read outside the mask) is cut off. The red component of a mask pixel is its
// coverage m: each colour component c of the target becomes C - floor((C - c) m / 256).
// The target is kept in, or brought to, a 32-bit RGB format.
void StampMask(QImage& target, const QImage& mask, QPoint destination, const QColor& colour,
               const QRect& source);
