#include "mediachannel.h"

#include "mcisession.h"

#include <charconv>
#include <cstdint>

std::string MediaQuery(const std::string& command)
{
    std::string reply;
    if (mci::sendString(command, &reply) != mci::Ok)
        return {};
    return reply;
}

bool MediaCommand(const std::string& command)
{
    return mci::sendString(command, nullptr) == mci::Ok;
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
