#pragma once

#include "device.h"
#include "extensionlist.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mci {

struct ParsedCommand;
struct OpenOptions;

// Longest reply handed back, in bytes; longer replies are cut at a
// character boundary.
constexpr size_t kMaxReplyBytes = 249;

// The open devices of one client, addressed by alias, and the command
// strings that drive them.
class Session {
public:
    explicit Session(DeviceOpener opener = openDevice, ExtensionList extensions = ExtensionList::load());
    ~Session();

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs one command. Returns the error code (0 on success); *reply gets
    // the reply text, or on failure the error's text.
    int send(std::string_view command, std::string* reply);

    // Linear output gain 0..1 for every device, now and later opened.
    void setOutputGain(double gain);

    const ExtensionList& extensions() const { return extensions_; }
    bool isOpen(std::string_view alias) const;

    // What "open" and "close" do once their words are read: open the file
    // under options.alias (else its path) as options.type (else the type
    // its extension names); close one alias, or "all".
    Reply open(const std::string& path, const OpenOptions& options);
    Reply close(const std::string& alias);

private:
    Reply dispatch(const ParsedCommand& command);

    DeviceOpener opener_;
    ExtensionList extensions_;
    std::map<std::string, std::unique_ptr<Device>> devices_; // by lower-case alias
    double gain_ = 1.0;
};

// The process's media layer, like the system's mciSendString: the command
// text in, the error code out, the reply text (at most 249 bytes) in *reply.
int sendString(std::string_view command, std::string* reply);
void setOutputGain(double gain);
Session& defaultSession();

// The verbs the layer knows, in the order of its command table.
std::vector<std::string_view> knownVerbs();

// Text for an error code, for messages.
std::string errorText(int code);

} // namespace mci
