#include "peaks.h"

#include <algorithm>
#include <cmath>

namespace audio {

int32_t sampleToReading(float peak)
{
    if (std::isnan(peak))
        return 0;
    return static_cast<int32_t>(std::lround(std::clamp(peak, -1.0f, 1.0f) * 32767.0f));
}

int32_t peakLevel(int32_t reading)
{
    // 64-bit magnitude: -32768 (or any INT32_MIN) must not overflow abs().
    const int64_t magnitude = std::llabs(static_cast<int64_t>(reading));
    return static_cast<int32_t>(magnitude / 180);
}

} // namespace audio
