#include "extensionlist.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace mci {
namespace {

constexpr size_t kMaxIniBytes = 1 << 20;
constexpr size_t kMaxEntries = 4096;

std::string lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

std::optional<std::string> readSmallFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text(kMaxIniBytes, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(in.gcount()));
    return text;
}

std::string envOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

} // namespace

ExtensionList ExtensionList::builtIn()
{
    // The containers the engine plays that people hold: camcorder (m2ts,
    // mts, mod, tod, dv), broadcast (ts, m2t), DVD (vob), studio (mxf).
    // The desktop entry's MIME types follow this list (a test checks).
    static const char* const video[] = {"avi",  "mov", "qt",  "mpg",  "mpeg", "m1v", "m2v",  "mp4", "m4v",
                                        "mkv",  "webm", "ogv", "wmv", "asf",  "flv", "3gp",  "ts",  "m2ts",
                                        "mts",  "m2t", "mod", "tod",  "dv",   "vob", "mxf",  "f4v", "divx",
                                        "rm",   "rmvb", "mk3d", "y4m"};
    static const char* const audio[] = {"wav", "aif", "aiff", "aifc", "au",  "snd", "flac", "mp3", "mp2",
                                        "ogg", "oga", "opus", "m4a",  "aac", "wma", "mka",  "ac3", "eac3",
                                        "dts", "ape", "wv",   "mpc",  "tta", "caf", "amr",  "spx", "weba"};
    static const char* const midi[] = {"mid", "midi", "rmi", "kar"};
    ExtensionList list;
    for (const char* e : video)
        list.entries_.push_back({e, "digitalvideo"});
    for (const char* e : audio)
        list.entries_.push_back({e, "waveaudio"});
    for (const char* e : midi)
        list.entries_.push_back({e, "sequencer"});
    return list;
}

std::optional<ExtensionList> ExtensionList::fromIni(std::string_view text)
{
    ExtensionList list;
    bool sawSection = false;
    bool inSection = false;
    std::istringstream lines{std::string(text.substr(0, kMaxIniBytes))};
    std::string raw;
    while (std::getline(lines, raw)) {
        const std::string_view line = trim(raw);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            const std::string name = lower(trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1)));
            inSection = name == "mci extensions";
            sawSection = sawSection || inSection;
            continue;
        }
        if (!inSection || list.entries_.size() >= kMaxEntries)
            continue;
        const size_t eq = line.find('=');
        const std::string_view key = trim(line.substr(0, eq));
        if (key.empty())
            continue;
        const std::string value = eq == std::string_view::npos ? std::string() : lower(trim(line.substr(eq + 1)));
        const std::string keyLower = lower(key);
        const bool known = std::any_of(list.entries_.begin(), list.entries_.end(),
                                       [&](const Entry& e) { return lower(e.extension) == keyLower; });
        if (!known)
            list.entries_.push_back({std::string(key), value});
    }
    if (!sawSection)
        return std::nullopt;
    return list;
}

std::vector<std::string> ExtensionList::configFiles()
{
    const std::string home = envOr("HOME", "");
    std::vector<std::string> files;
    const std::string userDir = envOr("XDG_CONFIG_HOME", home.empty() ? std::string() : home + "/.config");
    if (!userDir.empty())
        files.push_back(userDir + "/norrava/win.ini");
    std::istringstream dirs(envOr("XDG_CONFIG_DIRS", NORRAVA_SYSCONF_XDG_DIR));
    std::string dir;
    while (std::getline(dirs, dir, ':'))
        if (!dir.empty())
            files.push_back(dir + "/norrava/win.ini");
    return files;
}

ExtensionList ExtensionList::load()
{
    for (const std::string& path : configFiles()) {
        if (const auto text = readSmallFile(path))
            if (auto list = fromIni(*text))
                return *list;
    }
    return builtIn();
}

std::vector<std::string> ExtensionList::extensions() const
{
    std::vector<std::string> out;
    out.reserve(entries_.size());
    for (const Entry& e : entries_)
        out.push_back(e.extension);
    return out;
}

std::string ExtensionList::deviceTypeForFile(std::string_view path) const
{
    const size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string extension = lower(name.substr(dot + 1));
    for (const Entry& e : entries_)
        if (lower(e.extension) == extension)
            return e.deviceType;
    return {};
}

} // namespace mci
