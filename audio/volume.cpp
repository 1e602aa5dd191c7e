#include "volume.h"

namespace audio {

uint32_t volumeWord(int sliderValue)
{
    const uint32_t channel = static_cast<uint32_t>(sliderValue) & 0xFFFFu;
    return channel | (channel << 16);
}

double volumeWordToGain(uint16_t channelVolume)
{
    return channelVolume / 65535.0;
}

} // namespace audio
