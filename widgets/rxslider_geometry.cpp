#include "rxslider_geometry.h"

#include <QPainter>

#include <algorithm>

namespace rxslider {

int64_t roundHalfEven(int64_t n, int64_t d)
{
    int64_t q = n / d;
    int64_t r = n % d;
    if (r < 0) {
        r += d;
        --q;
    }
    if (2 * r > d || (2 * r == d && (q & 1) != 0))
        ++q;
    return q;
}

int thumbTravel(QSize ruler, QSize thumb, bool horizontal)
{
    return horizontal ? ruler.width() - thumb.width() : ruler.height() - thumb.height();
}

int valueToPixel(const Track& track, int32_t value)
{
    const QRect& r = track.inner;
    const int span = std::max(track.span, 0);
    const int64_t range = int64_t(track.maxValue) - track.minValue;
    const int64_t offset = range > 0 ? roundHalfEven((int64_t(value) - track.minValue) * span, range) : 0;
    if (track.horizontal)
        return int(std::max<int64_t>(r.left() + offset, r.left()));
    return int(std::clamp<int64_t>(r.top() + span - offset, r.top(), r.top() + span));
}

int32_t pixelToValue(const Track& track, int pixel, int32_t increment, bool smooth)
{
    const QRect& r = track.inner;
    const int span = track.span;
    if (span <= 0)
        return track.minValue;
    const int64_t range = int64_t(track.maxValue) - track.minValue;
    const int64_t along = track.horizontal ? pixel - r.left() : r.top() + span - pixel;
    const int64_t steps = roundHalfEven(along * range, span);
    const int64_t snapped = smooth ? steps : int64_t(increment) * roundHalfEven(steps, std::max(increment, 1));
    return int32_t(std::min<int64_t>(track.minValue + std::max<int64_t>(snapped, 0), track.maxValue));
}

int restingPixel(const Track& track, int pixel, int32_t increment, bool smooth)
{
    const int lo = track.horizontal ? track.inner.left() : track.inner.top();
    const int hi = lo + std::max(track.span, 0);
    pixel = std::clamp(pixel, lo, hi);
    return std::clamp(valueToPixel(track, pixelToValue(track, pixel, increment, smooth)), lo, hi);
}

int pageSign(const QRect& thumb, QPoint point, bool horizontal)
{
    if (horizontal) {
        if (point.x() < thumb.left())
            return -1;
        if (point.x() > thumb.right())
            return 1;
    } else {
        if (point.y() < thumb.top())
            return 1;
        if (point.y() > thumb.bottom())
            return -1;
    }
    return 0;
}

int32_t steppedValue(int32_t value, int32_t increment, int32_t minValue, int32_t maxValue, int sign)
{
    const int64_t step = std::max(increment, 1);
    const int64_t base = step * roundHalfEven(value, step);
    const int64_t next = sign > 0 ? base + step : sign < 0 ? base - step : value;
    return int32_t(std::clamp<int64_t>(next, minValue, maxValue));
}

std::vector<int32_t> tickValues(int32_t minValue, int32_t maxValue, int32_t increment, int span)
{
    const int64_t range = int64_t(maxValue) - minValue;
    const int64_t steps = range / std::max(increment, 1);
    std::vector<int32_t> values;
    if (steps > 0 && steps <= std::max(span, 0) / 3) {
        for (int64_t i = 0; i <= steps; ++i)
            values.push_back(int32_t(minValue + i * increment));
    }
    values.push_back(minValue);
    values.push_back(maxValue);
    return values;
}

Placement placeRulerAndThumb(const QRect& inner, QSize ruler, QSize thumb, bool horizontal)
{
    if (horizontal) {
        if (ruler.height() < thumb.height())
            return {QPoint(inner.left(), inner.top() + (thumb.height() - ruler.height()) / 2), inner.topLeft()};
        return {inner.topLeft(), QPoint(inner.left(), inner.top() + (ruler.height() - thumb.height()) / 2)};
    }
    if (ruler.width() < thumb.width())
        return {QPoint(inner.left() + (thumb.width() - ruler.width()) / 2, inner.top()), inner.topLeft()};
    return {inner.topLeft(), QPoint(inner.left() + (ruler.width() - thumb.width()) / 2, inner.top())};
}

namespace {

QImage transposed(const QImage& image)
{
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    QImage out(src.height(), src.width(), QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            out.setPixel(y, x, src.pixel(x, y));
    return out;
}

// The horizontal ruler: the picture's first and last `edge` columns at the
// ends, the columns between repeated to fill `width`.
QImage tileRuler(const QImage& picture, int width, int edge)
{
    const QImage pic = picture.convertToFormat(QImage::Format_RGB32);
    if (width <= 0 || pic.isNull())
        return {};
    QImage ruler(width, pic.height(), QImage::Format_RGB32);
    // Columns no copy reaches are transparent like the picture's key.
    ruler.fill(pic.pixel(0, pic.height() - 1));
    const int P = pic.width();
    const int E = std::clamp(edge, 0, (P - 1) / 2);
    const int T = P - 2 * E;
    const int A = width - 2 * E;
    const int n = A > 0 ? A / T : 0;
    const int r = A > 0 ? A % T : 0;
    QPainter p(&ruler);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    auto copy = [&](int srcLeft, int srcRight, int dstLeft) {
        p.drawImage(QPoint(dstLeft, 0), pic, QRect(srcLeft, 0, srcRight - srcLeft, pic.height()));
    };
    copy(0, P - E, 0);
    for (int i = 1; i <= n - 1; ++i)
        copy(E, E + T, E + i * T);
    if (n >= 1)
        copy(E + T - r, P, E + n * T);
    return ruler;
}

} // namespace

QImage buildRuler(const QImage& picture, int length, int edge, bool horizontal)
{
    if (horizontal)
        return tileRuler(picture, std::max(length, 0), edge);
    const QImage strip = tileRuler(transposed(picture), std::max(length, 0), edge);
    return strip.isNull() ? QImage() : transposed(strip);
}

} // namespace rxslider
