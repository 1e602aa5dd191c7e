#pragma once

// Drawing a bitmap with one colour left out: every destination pixel whose
// source pixel has the transparent colour keeps its value, every other one
// takes the source pixel. Stretching drops or repeats rows and columns
// (nearest neighbour), never blends.
#include "tcolor.h"

#include <QImage>
#include <QRect>

// Draws the source rectangle src of bitmap into the destination rectangle
// (x, y, w, h) of dest. A destination width or height below 1 means the
// bitmap's own; a source rectangle whose width or height is below 1 means
// the whole bitmap. transparent may be clNone (plain copy), clDefault (the
// bitmap's bottom-left pixel), an RGB value or a system colour; a
// monochrome bitmap always leaves out white; a bitmap with a palette has the
// colour matched to its nearest palette entry.
void DrawBitmapRectTransparent(QImage& dest, int x, int y, int w, int h, const QRect& src, const QImage& bitmap,
                               TColor transparent);

// The whole bitmap at (x, y), at its own size.
void DrawBitmapTransparent(QImage& dest, int x, int y, const QImage& bitmap, TColor transparent);

// The source rectangle src of bitmap at (x, y), at the same size.
void DrawBitmapRectTransparent(QImage& dest, int x, int y, const QRect& src, const QImage& bitmap,
                               TColor transparent);

// The RGB value that is left out when bitmap is drawn with `transparent`,
// or -1 when nothing is (clNone).
qint64 TransparentRgbFor(const QImage& bitmap, TColor transparent);
