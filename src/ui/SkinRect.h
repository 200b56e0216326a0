// The skin layout's rectangles as Qt's, for the widgets that are placed by them.
#pragma once

#include "ui/SkinLayout.h"

#include <QPoint>
#include <QRect>

inline QRect ToQRect(const SkinLayout::TSkinRect& r) {
    return {r.Left, r.Top, r.Width, r.Height};
}

inline QPoint TopLeftOf(const SkinLayout::TSkinRect& r) {
    return {r.Left, r.Top};
}
