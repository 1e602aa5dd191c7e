#include "mediachannel.h"

#include "mcisession.h"
#include "medialog.h"

#include <charconv>
#include <cstdint>

namespace {

// Sends a command; a failure is logged, so that one the player goes on
// from (the reply then reads as "" or 0) still says what went wrong.
bool sendCommand(const std::string& command, std::string* reply, Refusal refusal = Refusal::Unexpected)
{
    const int code = mci::sendString(command, reply);
    if (code == mci::Ok)
        return true;
    const std::string text = reply->empty() ? mci::errorText(code) : *reply;
    if (refusal == Refusal::Expected)
        qCDebug(mci::lcMedia, "\"%s\" refused: error %d: %s", command.c_str(), code, text.c_str());
    else
        qCWarning(mci::lcMedia, "\"%s\" failed: error %d: %s", command.c_str(), code, text.c_str());
    return false;
}

} // namespace

std::string MediaQuery(const std::string& command)
{
    std::string reply;
    if (!sendCommand(command, &reply))
        return {};
    return reply;
}

bool MediaCommand(const std::string& command, Refusal refusal)
{
    std::string reply;
    return sendCommand(command, &reply, refusal);
}

int ReadNumber(const std::string& reply)
{
    size_t first = 0, last = reply.size();
    while (first < last && static_cast<unsigned char>(reply[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(reply[last - 1]) <= ' ')
        --last;
    const std::string text = "0" + reply.substr(first, last - first);
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw EConvertError("'" + text + "' is not a valid integer value");
    return value;
}
