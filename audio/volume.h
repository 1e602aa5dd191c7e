#pragma once

#include <cstdint>

namespace audio {

// The 32-bit volume word for a slider value: its low 16 bits as the left
// channel (low half) and the same 16 bits as the right channel (high half).
uint32_t volumeWord(int sliderValue);

// Linear output gain 0..1 for one channel's 16-bit volume (0 silent,
// 0xFFFF full). Both channels carry the same value, so one gain serves both.
double volumeWordToGain(uint16_t channelVolume);

} // namespace audio
