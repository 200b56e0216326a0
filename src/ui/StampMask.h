// Stamping a symbol of the staff mask in colour onto a picture: the staff view's
// notes and the PC keyboard's key labels are drawn this way.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

// Blends `colour` into `target` over `dest` through the mask's picture at `source`
// (same size as `dest`; the mask's red channel is the coverage: 0 gives the pure
// colour, 255 leaves the target as it is, values between blend toward the target).
// What lies outside the target or outside the mask is left out, the same amount
// cut from both rectangles.
void StampMask(QImage& target, const QImage& mask, const QRect& dest, const QColor& colour,
               const QRect& source);
