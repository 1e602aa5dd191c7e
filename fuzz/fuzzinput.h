// What the fuzz targets share: a failed check that says where it failed and
// stops the run, and a reader that turns the input into numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

[[noreturn]] inline void FuzzCheckFailed(const char* what, int line)
{
    std::fprintf(stderr, "check failed at line %d: %s\n", line, what);
    __builtin_trap();
}
#define check(condition) ((condition) ? void() : FuzzCheckFailed(#condition, __LINE__))

// Reads the input front to back; past its end every read is 0.
class FuzzBytes {
public:
    FuzzBytes(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    bool more() const { return FPos < FSize; }
    uint8_t u8() { return FPos < FSize ? FData[FPos++] : 0; }
    uint16_t u16() { return uint16_t(u8() | (u8() << 8)); }
    uint32_t u32() { return uint32_t(u16()) | (uint32_t(u16()) << 16); }
    // A coordinate mostly inside 0..extent, sometimes a little outside or negative.
    int coordinate(int extent) { return int(int16_t(u16())) % (extent + 8); }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};
