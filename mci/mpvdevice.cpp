#include "mpvdevice.h"

namespace mci {

std::unique_ptr<Device> openMpvDevice(std::string_view, const std::string&, Reply* failure)
{
    if (failure)
        *failure = Reply::error(ErrCannotLoadDriver, "The video and audio device is not built yet.");
    return nullptr;
}

} // namespace mci
