#include "mcisession.h"

#include "commandparser.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace mci {
namespace {

Reply badArgument(const std::string& what)
{
    return Reply::error(ErrUnrecognizedKeyword, "Unrecognised or missing argument: " + what);
}

bool isFlag(const Token& t)
{
    const std::string w = t.lower();
    return !t.quoted && (w == "wait" || w == "notify");
}

// Removes "wait" and "notify"; tells whether "wait" was given.
bool takeFlags(std::vector<Token>& args)
{
    bool wait = false;
    std::vector<Token> kept;
    for (const Token& t : args) {
        if (isFlag(t))
            wait = wait || t.lower() == "wait";
        else
            kept.push_back(t);
    }
    args.swap(kept);
    return wait;
}

std::string joinLower(const std::vector<Token>& args)
{
    std::string out;
    for (const Token& t : args) {
        if (!out.empty())
            out += ' ';
        out += t.lower();
    }
    return out;
}

Reply readNumberArg(const std::vector<Token>& args, size_t i, int64_t* value)
{
    if (i >= args.size())
        return Reply::error(ErrMissingParameter, "A number is missing.");
    if (!parseNumber(args[i], value))
        return Reply::error(ErrBadInteger, "'" + args[i].text + "' is not a valid number.");
    return Reply::ok();
}

Reply play(Device& device, std::vector<Token> args)
{
    const bool wait = takeFlags(args);
    std::optional<int64_t> from, to;
    for (size_t i = 0; i < args.size(); i += 2) {
        const std::string key = args[i].lower();
        int64_t value = 0;
        if (key != "from" && key != "to")
            return badArgument(args[i].text);
        if (Reply r = readNumberArg(args, i + 1, &value); r.failed())
            return r;
        (key == "from" ? from : to) = value;
    }
    return device.play(from, to, wait);
}

Reply seek(Device& device, std::vector<Token> args)
{
    const bool wait = takeFlags(args);
    if (args.size() != 2 || args[0].lower() != "to")
        return badArgument("seek needs 'to' and a position, 'start' or 'end'");
    const std::string where = args[1].lower();
    if (where == "start")
        return device.seek(SeekTarget::Start, 0, wait);
    if (where == "end")
        return device.seek(SeekTarget::End, 0, wait);
    int64_t position = 0;
    if (Reply r = readNumberArg(args, 1, &position); r.failed())
        return r;
    return device.seek(SeekTarget::Position, position, wait);
}

Reply set(Device& device, std::vector<Token> args)
{
    takeFlags(args);
    const std::string what = joinLower(args);
    if (what == "time format frames")
        return device.setTimeFormat(TimeFormat::Frames);
    if (what == "time format milliseconds" || what == "time format ms")
        return device.setTimeFormat(TimeFormat::Milliseconds);
    if (what.rfind("time format", 0) == 0)
        return Reply::error(ErrBadTimeFormat, "The time format '" + what.substr(std::min<size_t>(what.size(), 12)) + "' is not supported.");
    return badArgument(what);
}

Reply handleArgument(Device& device, std::vector<Token> args, Reply (Device::*method)(uint64_t), const char* keyword)
{
    takeFlags(args);
    int64_t handle = 0;
    if (args.empty() || args[0].lower() != keyword)
        return badArgument(std::string("expected '") + keyword + "'");
    if (Reply r = readNumberArg(args, 1, &handle); r.failed())
        return r;
    if (args.size() > 2)
        return Reply::error(ErrExtraCharacters, "Unexpected text after the handle.");
    return (device.*method)(uint64_t(handle));
}

Reply put(Device& device, std::vector<Token> args)
{
    takeFlags(args);
    if (args.size() != 6 || args[0].lower() != "destination" || args[1].lower() != "at")
        return badArgument("put needs 'destination at X Y W H'");
    int64_t v[4] = {};
    for (int i = 0; i < 4; ++i)
        if (Reply r = readNumberArg(args, size_t(2 + i), &v[i]); r.failed())
            return r;
    return device.putDestination({v[0], v[1], v[2], v[3]});
}

Reply capture(Device& device, std::vector<Token> args)
{
    takeFlags(args);
    if (args.size() != 2 || args[0].lower() != "as" || args[1].text.empty())
        return badArgument("capture needs 'as' and a file name");
    return device.capture(args[1].text);
}

// Cuts text to at most max bytes without splitting a UTF-8 character.
std::string cutReply(std::string text, size_t max)
{
    if (text.size() <= max)
        return text;
    size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
    return text;
}

} // namespace

Session::Session(DeviceOpener opener, ExtensionList extensions)
    : opener_(opener), extensions_(std::move(extensions))
{
}

Session::~Session() = default;

bool Session::isOpen(std::string_view alias) const
{
    return devices_.count(toLower(alias)) > 0;
}

void Session::setOutputGain(double gain)
{
    gain_ = std::clamp(gain, 0.0, 1.0);
    for (auto& [alias, device] : devices_)
        device->setOutputGain(gain_);
}

int Session::send(std::string_view command, std::string* reply)
{
    auto parsed = parseCommand(command);
    Reply result = std::holds_alternative<Reply>(parsed) ? std::get<Reply>(parsed)
                                                         : dispatch(std::get<ParsedCommand>(parsed));
    if (reply)
        *reply = cutReply(std::move(result.text), kMaxReplyBytes);
    return result.code;
}

Reply Session::dispatch(const ParsedCommand& command)
{
    static const char* const verbs[] = {"open",   "close",  "play",       "stop",  "pause",  "resume", "seek", "set",
                                        "status", "capability", "where", "window", "put", "update", "capture"};
    if (std::none_of(std::begin(verbs), std::end(verbs), [&](const char* v) { return command.verb == v; }))
        return Reply::error(ErrUnrecognizedCommand, "Unknown command '" + command.verb + "'.");
    if (command.device.text.empty())
        return Reply::error(ErrMissingParameter, "The command '" + command.verb + "' needs a device name.");
    if (command.verb == "open")
        return open(command);
    if (command.verb == "close")
        return close(command);
    const auto it = devices_.find(command.device.lower());
    if (it == devices_.end())
        return Reply::error(ErrInvalidDeviceName, "The device '" + command.device.text + "' is not open.");
    return runOnDevice(*it->second, command);
}

Reply Session::open(const ParsedCommand& command)
{
    std::string type, alias = command.device.text;
    for (size_t i = 0; i < command.args.size(); ++i) {
        const std::string key = command.args[i].lower();
        if (key == "alias" || key == "type") {
            if (i + 1 >= command.args.size())
                return Reply::error(ErrMissingStringArgument, "'" + key + "' needs a name.");
            (key == "alias" ? alias : type) = command.args[++i].text;
            if (key == "type")
                type = toLower(type);
        } else if (key != "wait" && key != "shareable" && key != "notify") {
            return badArgument(command.args[i].text);
        }
    }
    const std::string& path = command.device.text;
    if (alias.empty() || toLower(alias) == "all")
        return Reply::error(ErrInvalidDeviceName, "'" + alias + "' cannot be used as an alias.");
    if (isOpen(alias))
        return Reply::error(ErrDuplicateAlias, "The alias '" + alias + "' is already in use.");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::u8path(path), ec))
        return Reply::error(ErrFileNotFound, "The file '" + path + "' was not found.");
    if (type.empty())
        type = extensions_.deviceTypeForFile(path);
    if (type.empty())
        return Reply::error(ErrExtensionNotFound, "No device plays files of this type: '" + path + "'.");

    Reply failure = Reply::error(ErrCannotLoadDriver, "The file could not be opened.");
    std::unique_ptr<Device> device = opener_(type, path, &failure);
    if (!device)
        return failure.failed() ? failure : Reply::error(ErrCannotLoadDriver, "The file could not be opened.");
    device->setOutputGain(gain_);
    devices_.emplace(toLower(alias), std::move(device));
    return Reply::ok();
}

Reply Session::close(const ParsedCommand& command)
{
    const std::string target = command.device.lower();
    if (target == "all") {
        devices_.clear();
        return Reply::ok();
    }
    if (devices_.erase(target) == 0)
        return Reply::error(ErrInvalidDeviceName, "The device '" + command.device.text + "' is not open.");
    return Reply::ok();
}

Reply Session::runOnDevice(Device& device, const ParsedCommand& command)
{
    const std::string& verb = command.verb;
    std::vector<Token> args = command.args;
    if (verb == "play")
        return play(device, args);
    if (verb == "seek")
        return seek(device, args);
    if (verb == "set")
        return set(device, args);
    if (verb == "window")
        return handleArgument(device, args, &Device::window, "handle");
    if (verb == "update")
        return handleArgument(device, args, &Device::update, "hdc");
    if (verb == "put")
        return put(device, args);
    if (verb == "capture")
        return capture(device, args);

    const bool wait = takeFlags(args);
    (void)wait;
    const std::string item = joinLower(args);
    if (verb == "status" || verb == "capability" || verb == "where") {
        if (item.empty())
            return Reply::error(ErrMissingParameter, "'" + verb + "' needs an item.");
        if (verb == "status")
            return device.status(item);
        if (verb == "capability")
            return device.capability(item);
        return device.where(item);
    }
    if (!item.empty())
        return Reply::error(ErrExtraCharacters, "Unexpected text after '" + verb + "': " + item);
    if (verb == "stop")
        return device.stop();
    if (verb == "pause")
        return device.pause();
    return device.resume();
}

std::string errorText(int code)
{
    switch (code) {
    case Ok: return "The command succeeded.";
    case ErrInvalidDeviceName: return "The device is not open or is not recognised.";
    case ErrUnrecognizedCommand: return "The command is not recognised.";
    case ErrUnrecognizedKeyword: return "An argument of the command is not recognised.";
    case ErrFileNotFound: return "The file was not found.";
    case ErrExtensionNotFound: return "No device plays files of this type.";
    case ErrCannotLoadDriver: return "The file could not be opened.";
    case ErrBadTimeFormat: return "The time format is not supported.";
    case ErrNoClosingQuote: return "A closing quotation mark is missing.";
    case ErrDuplicateAlias: return "The alias is already in use.";
    case ErrFileNotSaved: return "The file could not be saved.";
    default: return "The media layer reported error " + std::to_string(code) + ".";
    }
}

} // namespace mci
