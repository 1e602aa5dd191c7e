#pragma once

#include "device.h"

namespace mci {

// digitalvideo and waveaudio, played by libmpv.
std::unique_ptr<Device> openMpvDevice(std::string_view type, const std::string& path, Reply* failure);

} // namespace mci
