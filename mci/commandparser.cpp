#include "commandparser.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace mci {
namespace {

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view skipBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

// Splits unquoted words; stops at the first quote, which is returned in
// *rest.
std::vector<Token> splitWords(std::string_view s, std::string_view* rest)
{
    std::vector<Token> words;
    for (s = skipBlanks(s); !s.empty() && s.front() != '"'; s = skipBlanks(s)) {
        size_t end = 0;
        while (end < s.size() && !isBlank(s[end]) && s[end] != '"')
            ++end;
        words.push_back({std::string(s.substr(0, end)), false});
        s.remove_prefix(end);
    }
    *rest = s;
    return words;
}

// Everything after a quoted element must be words only, and for "open"
// only its own options.
bool tailIsValid(std::string_view tail, bool openOptions)
{
    std::string_view rest;
    const std::vector<Token> words = splitWords(tail, &rest);
    if (!rest.empty())
        return false;
    if (!tail.empty() && !isBlank(tail.front()))
        return false;
    return !openOptions || std::holds_alternative<OpenOptions>(parseOpenOptions(words));
}

// s starts with a quote. Finds the closing quote as described in the header.
size_t findClosingQuote(std::string_view s, bool openOptions)
{
    for (size_t q = s.size(); q-- > 1;) {
        if (s[q] == '"' && tailIsValid(s.substr(q + 1), openOptions))
            return q;
    }
    return std::string_view::npos;
}

} // namespace

std::string toLower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

std::string Token::lower() const
{
    return toLower(text);
}

Reply badArgument(const std::string& what)
{
    return Reply::error(ErrUnrecognizedKeyword, "Unrecognised or missing argument: " + what);
}

Flag flagNamed(std::string_view word)
{
    if (word == "wait")
        return kWait;
    if (word == "notify")
        return kNotify;
    if (word == "shareable")
        return kShareable;
    return kNoFlags;
}

std::variant<OpenOptions, Reply> parseOpenOptions(const std::vector<Token>& words)
{
    OpenOptions options;
    for (size_t i = 0; i < words.size(); ++i) {
        // A keyword's value is taken as it stands, even "wait"; open's
        // keywords count quoted or not.
        const std::string key = words[i].lower();
        if (key == "alias" || key == "type") {
            if (i + 1 >= words.size())
                return Reply::error(ErrMissingStringArgument, "'" + key + "' needs a name.");
            const std::string& value = words[++i].text;
            if (key == "alias")
                options.alias = value;
            else
                options.type = toLower(value);
        } else if (const Flag flag = flagNamed(key); (flag & kOpenFlags) == 0) {
            return badArgument(words[i].text);
        } else {
            options.wait |= flag == kWait;
            options.notify |= flag == kNotify;
        }
    }
    return options;
}

std::variant<ParsedCommand, Reply> parseCommand(std::string_view text)
{
    std::string_view rest;
    std::vector<Token> words = splitWords(text, &rest);
    if (words.empty()) {
        if (rest.empty())
            return Reply::error(ErrMissingCommandString, "No command was given.");
        return Reply::error(ErrUnrecognizedCommand, "A command must start with its verb.");
    }
    ParsedCommand command;
    command.verb = words.front().lower();
    words.erase(words.begin());

    if (!rest.empty()) {
        // One quoted token: the element of open, or an argument such as
        // capture's file name.
        const bool isElement = words.empty();
        size_t close = findClosingQuote(rest, isElement && command.verb == "open");
        if (close == std::string_view::npos)
            close = findClosingQuote(rest, false); // let the options report what is wrong
        if (close == std::string_view::npos)
            return Reply::error(ErrNoClosingQuote, "A closing quotation mark is missing.");
        Token quoted{std::string(rest.substr(1, close - 1)), true};
        std::string_view after;
        std::vector<Token> tail = splitWords(rest.substr(close + 1), &after);
        words.push_back(std::move(quoted));
        words.insert(words.end(), tail.begin(), tail.end());
    }

    if (!words.empty()) {
        command.device = words.front();
        command.args.assign(words.begin() + 1, words.end());
    }
    return command;
}

bool parseNumber(const Token& token, int64_t* value)
{
    const std::string& s = token.text;
    if (token.quoted || s.empty())
        return false;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), *value);
    return error == std::errc() && end == s.data() + s.size() && *value >= 0;
}

} // namespace mci
