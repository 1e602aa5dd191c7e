#include "device.h"

namespace mci {
namespace {

Reply notForThisDevice()
{
    return Reply::error(ErrUnsupportedFunction, "The device does not support this command.");
}

} // namespace

Reply Device::where(std::string_view) { return notForThisDevice(); }
Reply Device::window(uint64_t) { return notForThisDevice(); }
Reply Device::putDestination(const Rect&) { return notForThisDevice(); }
Reply Device::update(uint64_t) { return notForThisDevice(); }
Reply Device::capture(const std::string&) { return notForThisDevice(); }

} // namespace mci
