#pragma once

#include "device.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace mci {

struct Token {
    std::string text;   // as written (a quoted token without its quotes)
    bool quoted = false;
    std::string lower() const;
};

// A command split into its verb, the device it names and its arguments.
// For "open" the device is the element (the file path).
struct ParsedCommand {
    std::string verb;   // lower case
    Token device;       // empty text when the command names none
    std::vector<Token> args;
};

// Words a command may carry after its device without a value; each verb
// accepts its own set (the command table in mcisession.cpp).
enum Flag : unsigned {
    kNoFlags = 0,
    kWait = 1,
    kNotify = 2,
    kShareable = 4,
};

// The flag a lower-case word names; kNoFlags when it names none.
Flag flagNamed(std::string_view word);

// open's keywords: "alias NAME", "type NAME" and its flags, in any order.
struct OpenOptions {
    std::optional<std::string> alias; // as written
    std::string type;                 // lower case; empty: chosen by the file's extension
    bool wait = false;                // open before answering, even with notify
    bool notify = false;              // tell the session's notify handler when opened
};
constexpr unsigned kOpenFlags = kWait | kNotify | kShareable;

// Reads open's keywords. The one place that knows them: the splitter asks it
// where a quoted file name ends, the session what to open.
std::variant<OpenOptions, Reply> parseOpenOptions(const std::vector<Token>& words);

// Splits a command string. Keywords are matched case-insensitively later.
// A quoted element runs from its opening quote to the last quote that is
// followed only by what may follow it (open's options, or the end), so a
// path may itself hold quotes: open "/m/a"b.avi" alias z opens a"b.avi.
std::variant<ParsedCommand, Reply> parseCommand(std::string_view text);

// Reads a non-negative decimal argument; false when it is not one.
bool parseNumber(const Token& token, int64_t* value);

std::string toLower(std::string_view text);

// The reply to an argument a command does not know, or one it lacks.
Reply badArgument(const std::string& what);

} // namespace mci
