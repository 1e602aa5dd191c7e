#pragma once

#include <cstdint>

namespace audio {

// A level reading on the signed 16-bit meter scale (-32768..32767) for a
// float sample peak, where 1.0 is full scale; out-of-range peaks clip.
int32_t sampleToReading(float peak);

// The meter value of one reading: |reading| div 180, so full scale in
// either direction gives 182.
int32_t peakLevel(int32_t reading);

} // namespace audio
