#pragma once

#include "muldiv.h"

#include <QSize>

#include <algorithm>

// The largest size of the source's shape that lies inside room, rounded to
// whole pixels and never below 1 x 1; empty for a source without a size.
inline QSize ScaledToFit(QSize source, QSize room)
{
    if (source.width() <= 0 || source.height() <= 0)
        return {};
    int w = std::max(1, room.width());
    int h = MulDiv(source.height(), w, source.width());
    if (h < 0 || h > room.height()) { // MulDiv gives -1 when it overflows
        h = std::max(1, room.height());
        w = std::min(w, MulDiv(source.width(), h, source.height()));
    }
    return {std::max(1, w), std::max(1, h)};
}
