#include "sequencerdevice.h"

namespace mci {

std::unique_ptr<Device> openSequencerDevice(const std::string&, Reply* failure)
{
    if (failure)
        *failure = Reply::error(ErrCannotLoadDriver, "The MIDI device is not built yet.");
    return nullptr;
}

} // namespace mci
