// What the media benchmarks share: the frame number drawn on their clips,
// a render target that keeps the last picture, and percentiles of timings.
#pragma once

#include "handleregistry.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <vector>

namespace benchframes {

using Clock = std::chrono::steady_clock;

inline double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The frame number drawn by the bench scripts' clips: 16 blocks across the
// top half, bit 0 leftmost, white for 1.
inline int frameNumber(const QImage& image)
{
    if (image.isNull())
        return -1;
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    const int y = gray.height() / 4;
    int value = 0;
    for (int k = 0; k < 16; ++k) {
        const int x = (2 * k + 1) * gray.width() / 32;
        if (gray.constScanLine(y)[x] >= 128)
            value |= 1 << k;
    }
    return value;
}

// Stands in for the video panel: keeps the last picture handed over.
struct KeptPicture : mci::RenderTarget {
    void presentFrame(const QImage& frame) override { last = frame; }
    QImage last;
};

inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

} // namespace benchframes
