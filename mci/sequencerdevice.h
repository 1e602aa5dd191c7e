#pragma once

#include "device.h"

namespace mci {

// MIDI files, played by FluidSynth with a General MIDI SoundFont.
std::unique_ptr<Device> openSequencerDevice(const std::string& path, Reply* failure);

} // namespace mci
