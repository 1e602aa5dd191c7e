#pragma once

#include "device.h"
#include "extensionlist.h"
#include "handleregistry.h"

#include <functional>
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

// How an open sent with "notify" ended: the alias as the command wrote it,
// and the reply the open would have given.
struct Notification {
    std::string alias;
    Reply result;
};
using NotifyHandler = std::function<void(const Notification&)>;

// The open devices of one client, addressed by alias, and the command
// strings that drive them.
//
// "open ... notify" with a notify handler set answers as soon as the file
// is found and its device started, and the handler is told how the opening
// ended, from processEvents(), so that a slow file never holds up the
// caller. An open closed before it ended is not reported. A command sent to
// the alias meanwhile waits for the opening first. With "wait", or no
// handler, open answers when the device is ready (and with "notify" the
// handler hears of it before open returns).
class Session : public EventSource {
public:
    explicit Session(DeviceOpener opener = openDevice, ExtensionList extensions = ExtensionList::load());
    ~Session() override;

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs one command. Returns the error code (0 on success); *reply gets
    // the reply text, or on failure the error's text.
    int send(std::string_view command, std::string* reply);

    // Linear output gain 0..1 for every device, now and later opened.
    void setOutputGain(double gain);

    // Called on this session's thread; may send commands.
    void setNotifyHandler(NotifyHandler handler);

    // Reports the openings that have ended.
    void pumpEvents() override;

    const ExtensionList& extensions() const { return extensions_; }
    bool isOpen(std::string_view alias) const;

    // What "open" and "close" do once their words are read: open the file
    // under options.alias (else its path) as options.type (else the type
    // its extension names); close one alias, or "all".
    Reply open(const std::string& path, const OpenOptions& options);
    Reply close(const std::string& alias);

private:
    Reply dispatch(const ParsedCommand& command);
    // Waits for the opening under alias (lower case) to end and reports it.
    Reply finishOpening(const std::string& alias);
    // Forgets the opening under alias, closing it if it failed; what the
    // handler is to hear.
    Notification endOpening(const std::string& alias, const Reply& result);
    void notify(const Notification& notification);

    DeviceOpener opener_;
    ExtensionList extensions_;
    std::map<std::string, std::unique_ptr<Device>> devices_; // by lower-case alias
    std::map<std::string, std::string> opening_;             // lower-case alias to alias as written
    NotifyHandler notifyHandler_;
    double gain_ = 1.0;
};

// The process's media layer, like the system's mciSendString: the command
// text in, the error code out, the reply text (at most 249 bytes) in *reply.
int sendString(std::string_view command, std::string* reply);
void setOutputGain(double gain);
void setNotifyHandler(NotifyHandler handler);
Session& defaultSession();

// The verbs the layer knows, in the order of its command table.
std::vector<std::string_view> knownVerbs();

// Text for an error code, for messages.
std::string errorText(int code);

} // namespace mci
