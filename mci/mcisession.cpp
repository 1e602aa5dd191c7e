#include "mcisession.h"

#include "commandparser.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace mci {
namespace {

// What a verb takes after the name of its device, besides its flags.
enum class Takes {
    Nothing,   // any other text is refused
    Item,      // the rest, in lower case with single blanks, names an item
    Arguments, // keywords and values of its own, read by its handler
    Options,   // open's keywords, flags among them (parseOpenOptions)
};

// Whether a verb acts on a device already open or on the session itself.
enum class Target { Device, Session };

// One command on its way to its handler.
struct Request {
    Session& session;
    const Token& element;     // the alias, or the file that open opens
    Device* device = nullptr; // the open device, for Target::Device
    std::vector<Token> args;  // the arguments less the flags
    std::string item;         // for Takes::Item
    bool wait = false;
};

// Removes the unquoted flags in `accepted` from args; returns those seen.
unsigned takeFlags(std::vector<Token>& args, unsigned accepted)
{
    unsigned seen = kNoFlags;
    std::vector<Token> kept;
    for (Token& t : args) {
        const unsigned flag = t.quoted ? kNoFlags : flagNamed(t.lower());
        if (flag & accepted)
            seen |= flag;
        else
            kept.push_back(std::move(t));
    }
    args.swap(kept);
    return seen;
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

// ---- handlers, one a verb ----

Reply open(Request& r)
{
    const auto options = parseOpenOptions(r.args);
    if (const Reply* failure = std::get_if<Reply>(&options))
        return *failure;
    return r.session.open(r.element.text, std::get<OpenOptions>(options));
}

Reply close(Request& r)
{
    return r.session.close(r.element.text);
}

Reply play(Request& r)
{
    std::optional<int64_t> from, to;
    for (size_t i = 0; i < r.args.size(); i += 2) {
        const std::string key = r.args[i].lower();
        int64_t value = 0;
        if (key != "from" && key != "to")
            return badArgument(r.args[i].text);
        if (Reply failure = readNumberArg(r.args, i + 1, &value); failure.failed())
            return failure;
        (key == "from" ? from : to) = value;
    }
    return r.device->play(from, to, r.wait);
}

Reply stop(Request& r)
{
    return r.device->stop();
}

Reply pause(Request& r)
{
    return r.device->pause();
}

Reply resume(Request& r)
{
    return r.device->resume();
}

Reply seek(Request& r)
{
    if (r.args.size() != 2 || r.args[0].lower() != "to")
        return badArgument("seek needs 'to' and a position, 'start' or 'end'");
    const std::string where = r.args[1].lower();
    if (where == "start")
        return r.device->seek(SeekTarget::Start, 0, r.wait);
    if (where == "end")
        return r.device->seek(SeekTarget::End, 0, r.wait);
    int64_t position = 0;
    if (Reply failure = readNumberArg(r.args, 1, &position); failure.failed())
        return failure;
    return r.device->seek(SeekTarget::Position, position, r.wait);
}

Reply set(Request& r)
{
    const std::string what = joinLower(r.args);
    if (what == "time format frames")
        return r.device->setTimeFormat(TimeFormat::Frames);
    if (what == "time format milliseconds" || what == "time format ms")
        return r.device->setTimeFormat(TimeFormat::Milliseconds);
    if (what.rfind("time format", 0) == 0)
        return Reply::error(ErrBadTimeFormat, "The time format '" + what.substr(std::min<size_t>(what.size(), 12)) +
                                                  "' is not supported.");
    return badArgument(what);
}

Reply status(Request& r)
{
    return r.device->status(r.item);
}

Reply capability(Request& r)
{
    return r.device->capability(r.item);
}

Reply where(Request& r)
{
    return r.device->where(r.item);
}

// "window z handle N", "update z hdc N".
Reply handleArgument(Request& r, Reply (Device::*method)(uint64_t), const char* keyword)
{
    int64_t handle = 0;
    if (r.args.empty() || r.args[0].lower() != keyword)
        return badArgument(std::string("expected '") + keyword + "'");
    if (Reply failure = readNumberArg(r.args, 1, &handle); failure.failed())
        return failure;
    if (r.args.size() > 2)
        return Reply::error(ErrExtraCharacters, "Unexpected text after the handle.");
    return (r.device->*method)(uint64_t(handle));
}

Reply window(Request& r)
{
    return handleArgument(r, &Device::window, "handle");
}

Reply update(Request& r)
{
    return handleArgument(r, &Device::update, "hdc");
}

Reply put(Request& r)
{
    if (r.args.size() != 6 || r.args[0].lower() != "destination" || r.args[1].lower() != "at")
        return badArgument("put needs 'destination at X Y W H'");
    int64_t v[4] = {};
    for (int i = 0; i < 4; ++i)
        if (Reply failure = readNumberArg(r.args, size_t(2 + i), &v[i]); failure.failed())
            return failure;
    return r.device->putDestination({v[0], v[1], v[2], v[3]});
}

Reply capture(Request& r)
{
    if (r.args.size() != 2 || r.args[0].lower() != "as" || r.args[1].text.empty())
        return badArgument("capture needs 'as' and a file name");
    return r.device->capture(r.args[1].text);
}

// ---- the command table ----

struct Verb {
    std::string_view name;
    Reply (*handler)(Request&);
    Target target;
    Takes takes;
    unsigned flags; // the flags it accepts anywhere after the device
};

constexpr unsigned kWaitNotify = kWait | kNotify;

// clang-format off
constexpr Verb kVerbs[] = {
    // name        handler     target           takes              flags
    {"open",       open,       Target::Session, Takes::Options,    kOpenFlags},
    {"close",      close,      Target::Session, Takes::Nothing,    kWaitNotify},
    {"play",       play,       Target::Device,  Takes::Arguments,  kWaitNotify},
    {"stop",       stop,       Target::Device,  Takes::Nothing,    kWaitNotify},
    {"pause",      pause,      Target::Device,  Takes::Nothing,    kWaitNotify},
    {"resume",     resume,     Target::Device,  Takes::Nothing,    kWaitNotify},
    {"seek",       seek,       Target::Device,  Takes::Arguments,  kWaitNotify},
    {"set",        set,        Target::Device,  Takes::Arguments,  kWaitNotify},
    {"status",     status,     Target::Device,  Takes::Item,       kWaitNotify},
    {"capability", capability, Target::Device,  Takes::Item,       kWaitNotify},
    {"where",      where,      Target::Device,  Takes::Item,       kWaitNotify},
    {"window",     window,     Target::Device,  Takes::Arguments,  kWaitNotify},
    {"put",        put,        Target::Device,  Takes::Arguments,  kWaitNotify},
    {"update",     update,     Target::Device,  Takes::Arguments,  kWaitNotify},
    {"capture",    capture,    Target::Device,  Takes::Arguments,  kWaitNotify},
};
// clang-format on

const Verb* findVerb(std::string_view name)
{
    for (const Verb& verb : kVerbs)
        if (verb.name == name)
            return &verb;
    return nullptr;
}

// Takes out the flags and reads the item, as the verb's row says.
Reply prepare(const Verb& verb, Request& r)
{
    if (verb.takes == Takes::Options)
        return Reply::ok(); // a keyword's value may be a flag word
    r.wait = takeFlags(r.args, verb.flags) & kWait;
    if (verb.takes == Takes::Arguments)
        return Reply::ok();
    const std::string rest = joinLower(r.args);
    if (verb.takes == Takes::Item) {
        if (rest.empty())
            return Reply::error(ErrMissingParameter, "'" + std::string(verb.name) + "' needs an item.");
        r.item = rest;
    } else if (!rest.empty()) {
        return Reply::error(ErrExtraCharacters, "Unexpected text after '" + std::string(verb.name) + "': " + rest);
    }
    return Reply::ok();
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
    addEventSource(this);
}

Session::~Session()
{
    removeEventSource(this);
}

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

void Session::setNotifyHandler(NotifyHandler handler)
{
    notifyHandler_ = std::move(handler);
}

void Session::notify(const Notification& notification)
{
    if (notifyHandler_)
        notifyHandler_(notification);
}

void Session::pumpEvents()
{
    std::vector<std::pair<std::string, Reply>> ended;
    for (const auto& [alias, written] : opening_)
        if (std::optional<Reply> result = devices_.at(alias)->openingResult())
            ended.emplace_back(alias, *result);
    std::vector<Notification> notifications;
    for (const auto& [alias, result] : ended)
        notifications.push_back(endOpening(alias, result));
    // After the bookkeeping: the handler may send commands.
    for (const Notification& notification : notifications)
        notify(notification);
}

Reply Session::finishOpening(const std::string& alias)
{
    const Reply result = devices_.at(alias)->awaitOpened();
    notify(endOpening(alias, result));
    return result;
}

Notification Session::endOpening(const std::string& alias, const Reply& result)
{
    Notification notification{opening_.at(alias), result};
    opening_.erase(alias);
    if (result.failed())
        devices_.erase(alias);
    return notification;
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
    const Verb* verb = findVerb(command.verb);
    if (!verb)
        return Reply::error(ErrUnrecognizedCommand, "Unknown command '" + command.verb + "'.");
    if (command.device.text.empty())
        return Reply::error(ErrMissingParameter, "The command '" + command.verb + "' needs a device name.");
    Request request{*this, command.device, nullptr, command.args, {}, false};
    if (verb->target == Target::Device) {
        const std::string alias = command.device.lower();
        if (opening_.count(alias))
            if (Reply failure = finishOpening(alias); failure.failed())
                return failure;
        const auto it = devices_.find(alias); // looked up after the handler, which may close it
        if (it == devices_.end())
            return Reply::error(ErrInvalidDeviceName, "The device '" + command.device.text + "' is not open.");
        request.device = it->second.get();
    }
    if (Reply failure = prepare(*verb, request); failure.failed())
        return failure;
    return verb->handler(request);
}

Reply Session::open(const std::string& path, const OpenOptions& options)
{
    const std::string alias = options.alias.value_or(path);
    if (alias.empty() || toLower(alias) == "all")
        return Reply::error(ErrInvalidDeviceName, "'" + alias + "' cannot be used as an alias.");
    if (isOpen(alias))
        return Reply::error(ErrDuplicateAlias, "The alias '" + alias + "' is already in use.");
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::u8path(path), ec))
        return Reply::error(ErrFileNotFound, "The file '" + path + "' was not found.");
    const std::string type = options.type.empty() ? extensions_.deviceTypeForFile(path) : options.type;
    if (type.empty())
        return Reply::error(ErrExtensionNotFound, "No device plays files of this type: '" + path + "'.");

    Reply failure = Reply::error(ErrCannotLoadDriver, "The file could not be opened.");
    std::unique_ptr<Device> device = opener_(type, path, &failure);
    if (!device)
        return failure.failed() ? failure : Reply::error(ErrCannotLoadDriver, "The file could not be opened.");
    device->setOutputGain(gain_);
    const std::string key = toLower(alias);
    if (options.notify && !options.wait && notifyHandler_) {
        opening_.emplace(key, alias);
        devices_.emplace(key, std::move(device));
        wakeEventPump(); // a device ready at once is reported by the next pump
        return Reply::ok();
    }
    const Reply opened = device->awaitOpened();
    if (!opened.failed())
        devices_.emplace(key, std::move(device));
    if (options.notify)
        notify({alias, opened});
    return opened;
}

Reply Session::close(const std::string& alias)
{
    const std::string target = toLower(alias);
    if (target == "all") {
        opening_.clear();
        devices_.clear();
        return Reply::ok();
    }
    opening_.erase(target);
    if (devices_.erase(target) == 0)
        return Reply::error(ErrInvalidDeviceName, "The device '" + alias + "' is not open.");
    return Reply::ok();
}

std::vector<std::string_view> knownVerbs()
{
    std::vector<std::string_view> names;
    for (const Verb& verb : kVerbs)
        names.push_back(verb.name);
    return names;
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
