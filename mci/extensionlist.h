#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mci {

// Which device plays which file extension, in the order the list gives
// them (that order is the open dialog's mask order). Read from the
// "[mci extensions]" section of norrava/win.ini in the XDG config folders,
// else the built-in list.
class ExtensionList {
public:
    struct Entry {
        std::string extension; // as written, without the dot
        std::string deviceType;
    };

    static ExtensionList builtIn();
    // Parses INI text; nullopt when it has no "[mci extensions]" section.
    static std::optional<ExtensionList> fromIni(std::string_view text);
    // The user's file, then the system's, then the built-in list.
    static ExtensionList load();
    // The files load() looks at, in order.
    static std::vector<std::string> configFiles();

    const std::vector<Entry>& entries() const { return entries_; }
    std::vector<std::string> extensions() const;
    // Device type for a file name or path by its extension (case-insensitive);
    // empty when the extension is not listed.
    std::string deviceTypeForFile(std::string_view path) const;

private:
    std::vector<Entry> entries_;
};

} // namespace mci
