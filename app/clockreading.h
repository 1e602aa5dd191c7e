#pragma once

#include <cmath>
#include <cstdint>

// What an LED clock shows for a count of position units: whole minutes in
// its Hours field and the remaining seconds in its Minutes field, each kept
// to its low 8 bits (300 minutes show as 44).
struct TClockReading {
    uint8_t Hours = 0;
    uint8_t Minutes = 0;
};

// unitsPerSecond may be fractional (a 29.97 fps video): the rate is taken
// to a thousandth, as the device reports it, and the seconds are then
// counted in whole numbers (truncated), so no rounding of the rate makes a
// clock run fast or slow.
inline TClockReading ClockReading(int64_t units, double unitsPerSecond)
{
    const int64_t milliRate = std::llround(unitsPerSecond * 1000.0);
    if (milliRate <= 0)
        return {};
    const int64_t seconds = units * 1000 / milliRate;
    return {uint8_t((seconds / 60) & 0xFF), uint8_t((seconds % 60) & 0xFF)};
}
