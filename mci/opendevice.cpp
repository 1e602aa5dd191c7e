#include "device.h"
#include "mpvdevice.h"
#include "sequencerdevice.h"

namespace mci {

std::unique_ptr<Device> openDevice(std::string_view type, const std::string& path, Reply* failure)
{
    if (type == "digitalvideo" || type == "waveaudio")
        return MpvDevice::startOpening(type, path, failure);
    if (type == "sequencer")
        return openSequencerDevice(path, failure);
    if (failure)
        *failure = Reply::error(ErrInvalidDeviceName, "There is no device of type '" + std::string(type) + "'.");
    return nullptr;
}

} // namespace mci
