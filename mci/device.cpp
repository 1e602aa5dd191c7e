#include "device.h"

namespace mci {
namespace {

Reply notForThisDevice()
{
    return Reply::error(ErrUnsupportedFunction, "The device does not support this command.");
}

} // namespace

Reply Device::status(std::string_view item)
{
    // One file, at normal speed, always at hand.
    if (item == "ready" || item == "media present")
        return Reply::ok("true");
    if (item == "speed")
        return Reply::ok("1000");
    if (item == "number of tracks" || item == "current track")
        return Reply::ok("1");
    return deviceStatus(item);
}

Reply Device::capability(std::string_view item)
{
    // Files played from start to end, neither recorded nor edited.
    if (item == "device type")
        return Reply::ok(type());
    if (item == "can play" || item == "uses files" || item == "compound device")
        return Reply::ok("true");
    if (item == "can record" || item == "can save" || item == "can eject")
        return Reply::ok("false");
    return deviceCapability(item);
}

Reply Device::unknownItem(Query query, std::string_view item) const
{
    const std::string device = "The " + type() + " device ";
    const std::string name(item);
    switch (query) {
    case Query::Status: return Reply::error(ErrUnsupportedFunction, device + "has no status item '" + name + "'.");
    case Query::Capability: return Reply::error(ErrUnsupportedFunction, device + "has no capability '" + name + "'.");
    case Query::Where: break;
    }
    return Reply::error(ErrUnsupportedFunction, device + "cannot tell where '" + name + "' is.");
}

Reply Device::where(std::string_view) { return notForThisDevice(); }
Reply Device::window(uint64_t) { return notForThisDevice(); }
Reply Device::putDestination(const Rect&) { return notForThisDevice(); }
Reply Device::update(uint64_t) { return notForThisDevice(); }
Reply Device::capture(const std::string&) { return notForThisDevice(); }

} // namespace mci
