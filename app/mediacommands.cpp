#include "mediacommands.h"

#include "mediachannel.h"

namespace mediacommands {
namespace {

// "verb z rest", the shape of every command about the medium.
std::string commandFor(std::string_view verb, std::string_view rest = {})
{
    std::string command(verb);
    command += ' ';
    command += kAlias;
    if (!rest.empty()) {
        command += ' ';
        command += rest;
    }
    return command;
}

} // namespace

bool closeAll()
{
    return MediaCommand("close all");
}

bool open(const std::string& path)
{
    return MediaCommand("open \"" + path + "\" alias " + std::string(kAlias) + " notify");
}

bool play()
{
    return MediaCommand(commandFor("play"));
}

bool stop()
{
    return MediaCommand(commandFor("stop"));
}

bool seekTo(int position)
{
    return MediaCommand(commandFor("seek", "to " + std::to_string(position)));
}

bool useFrameTimeFormat()
{
    return MediaCommand(commandFor("set", "time format frames"), Refusal::Expected);
}

bool setWindow(uint64_t handle)
{
    return MediaCommand(commandFor("window", "handle " + std::to_string(handle)));
}

bool redraw(uint64_t handle)
{
    return MediaCommand(commandFor("update", "hdc " + std::to_string(handle)));
}

bool putDestination(int width, int height)
{
    return MediaCommand(
        commandFor("put", "destination at 0 0 " + std::to_string(width) + " " + std::to_string(height)));
}

std::string status(std::string_view item)
{
    return MediaQuery(commandFor("status", item));
}

int statusNumber(std::string_view item)
{
    return ReadNumber(status(item));
}

std::string capability(std::string_view item)
{
    return MediaQuery(commandFor("capability", item));
}

std::string sourceRect()
{
    return MediaQuery(commandFor("where", "source"));
}

} // namespace mediacommands
