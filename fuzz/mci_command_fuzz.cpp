// Feeds arbitrary command strings to a media session whose devices are
// fakes, so only the parser and dispatcher are exercised.
#include "mcisession.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

class NullDevice : public mci::Device {
public:
    std::string type() const override { return "digitalvideo"; }
    mci::Reply play(std::optional<int64_t>, std::optional<int64_t>, bool) override { return mci::Reply::ok(); }
    mci::Reply stop() override { return mci::Reply::ok(); }
    mci::Reply pause() override { return mci::Reply::ok(); }
    mci::Reply resume() override { return mci::Reply::ok(); }
    mci::Reply seek(mci::SeekTarget, int64_t, bool) override { return mci::Reply::ok(); }
    mci::Reply setTimeFormat(mci::TimeFormat) override { return mci::Reply::ok(); }
    mci::Reply deviceStatus(std::string_view item) override { return mci::Reply::ok(std::string(item)); }
    mci::Reply deviceCapability(std::string_view) override { return mci::Reply::ok("true"); }
    void setOutputGain(double) override {}
};

std::unique_ptr<mci::Device> openNull(std::string_view, const std::string&, mci::Reply*)
{
    return std::make_unique<NullDevice>();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static mci::Session session(openNull, mci::ExtensionList::builtIn());
    const std::string command(reinterpret_cast<const char*>(data), size);
    std::string reply;
    session.send(command, &reply);
    if (reply.size() > mci::kMaxReplyBytes)
        __builtin_trap();
    if (session.isOpen("z") && size % 7 == 0)
        session.send("close all", nullptr);
    return 0;
}
