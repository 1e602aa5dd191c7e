#pragma once

// The slider's arithmetic, apart from any widget: where the thumb sits for a
// value, which value a thumb position stands for, the steps of paging and of
// the tick marks, and the ruler built from its picture.
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <vector>

namespace rxslider {

// n / d rounded to the nearest integer, halves to the even one; d > 0.
int64_t roundHalfEven(int64_t n, int64_t d);

// The line the thumb travels along.
struct Track {
    QRect inner; // the slider inside its bevel
    int span;    // how far the thumb can move; may be negative
    int32_t minValue;
    int32_t maxValue;
    bool horizontal;
};

// How far a thumb can move along a ruler: the ruler's length less the thumb's.
int thumbTravel(QSize ruler, QSize thumb, bool horizontal);

// The thumb's left (or, upright, top) pixel for a value. Upright sliders
// have their larger values towards the top.
int valueToPixel(const Track& track, int32_t value);

// The value the thumb stands for at a pixel; a multiple of increment from
// minValue unless smooth, and never outside the range.
int32_t pixelToValue(const Track& track, int pixel, int32_t increment, bool smooth);

// Where a thumb asked to move to a pixel comes to rest: on the track, at
// the place of the value it then stands for.
int restingPixel(const Track& track, int pixel, int32_t increment, bool smooth);

// Which way a press at point pages: +1 towards larger values, -1 towards
// smaller ones, 0 on the thumb.
int pageSign(const QRect& thumb, QPoint point, bool horizontal);

// The value one step from value in the direction of sign (+1, -1, or 0 for
// none), on the grid of increment and within the range.
int32_t steppedValue(int32_t value, int32_t increment, int32_t minValue, int32_t maxValue, int sign);

// The values to mark with a tick, in drawing order: each step when the
// steps are at least 3 pixels apart, and the two ends.
std::vector<int32_t> tickValues(int32_t minValue, int32_t maxValue, int32_t increment, int span);

// Where the ruler and the thumb go inside the slider: the thinner of the two
// is centred across the thicker one.
struct Placement {
    QPoint ruler;
    QPoint thumb;
};
Placement placeRulerAndThumb(const QRect& inner, QSize ruler, QSize thumb, bool horizontal);

// A ruler `length` pixels long along the slider, built from its picture:
// the first and last `edge` pixels of the picture stay at the ends, the
// middle repeats. Upright rulers run down the picture's rows.
QImage buildRuler(const QImage& picture, int length, int edge, bool horizontal);

} // namespace rxslider
