#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QObject;

namespace mci {

// Error codes as the classic media control interface numbers them, so
// scripts written against those codes keep their meaning.
enum Error : int {
    Ok = 0,
    ErrInvalidDeviceId = 257,
    ErrUnrecognizedKeyword = 259,
    ErrUnrecognizedCommand = 261,
    ErrHardware = 262,
    ErrInvalidDeviceName = 263,
    ErrDeviceOpen = 265,
    ErrCannotLoadDriver = 266,
    ErrMissingCommandString = 267,
    ErrParamOverflow = 268,
    ErrMissingStringArgument = 269,
    ErrBadInteger = 270,
    ErrMissingParameter = 273,
    ErrUnsupportedFunction = 274,
    ErrFileNotFound = 275,
    ErrDeviceNotReady = 276,
    ErrInternal = 277,
    ErrDriver = 278,
    ErrExtensionNotFound = 281,
    ErrOutOfRange = 282,
    ErrFileNotSaved = 286,
    ErrDuplicateAlias = 289,
    ErrBadTimeFormat = 293,
    ErrNoClosingQuote = 294,
    ErrInvalidFile = 296,
    ErrExtraCharacters = 305,
    ErrDeviceNotInstalled = 306,
};

// What a device answers: code 0 with the reply text, or an error code with
// a message for the user.
struct Reply {
    int code = Ok;
    std::string text;

    static Reply ok(std::string text = {}) { return {Ok, std::move(text)}; }
    static Reply error(int code, std::string text) { return {code, std::move(text)}; }
    bool failed() const { return code != Ok; }
};

enum class TimeFormat { Milliseconds, Frames };

enum class SeekTarget { Position, Start, End };

struct Rect {
    int64_t x = 0, y = 0, width = 0, height = 0;
};

// One open medium. Commands arrive already parsed; item names are lower
// case with single blanks ("frame rate", "device type").
class Device {
public:
    virtual ~Device() = default;

    // The device type word: "digitalvideo", "waveaudio" or "sequencer".
    virtual std::string type() const = 0;

    // A device may go on opening after its opener returned (a media engine
    // still reading the file). openingResult() says without waiting how the
    // opening ended, or nothing while it goes on; awaitOpened() waits for
    // the end. Until it has ended well, no other command is sent to it.
    // Devices that open at once keep these defaults.
    virtual std::optional<Reply> openingResult() { return Reply::ok(); }
    virtual Reply awaitOpened() { return Reply::ok(); }

    virtual Reply play(std::optional<int64_t> from, std::optional<int64_t> to, bool wait) = 0;
    virtual Reply stop() = 0;
    virtual Reply pause() = 0;
    virtual Reply resume() = 0;
    virtual Reply seek(SeekTarget target, int64_t position, bool wait) = 0;
    virtual Reply setTimeFormat(TimeFormat format) = 0;

    // Answer the items every device answers alike; the others are the
    // device's own (deviceStatus, deviceCapability).
    Reply status(std::string_view item);
    Reply capability(std::string_view item);

    // Linear output gain 0..1 for everything this device plays (the layer
    // calls it at open and whenever the player's volume changes).
    virtual void setOutputGain(double gain) = 0;

    // Video only; the defaults refuse.
    virtual Reply where(std::string_view what);
    virtual Reply window(uint64_t handle);
    virtual Reply putDestination(const Rect& rect);
    virtual Reply update(uint64_t hdc);
    virtual Reply capture(const std::string& bmpPath);

protected:
    enum class Query { Status, Capability, Where };

    // The items this kind of device answers in its own way.
    virtual Reply deviceStatus(std::string_view item) = 0;
    virtual Reply deviceCapability(std::string_view item) = 0;

    // The reply to an item this device does not know: one code for every
    // device and query, and a text that names both.
    Reply unknownItem(Query query, std::string_view item) const;
};

// Opens path as a device of the given type ("digitalvideo", "waveaudio",
// "sequencer"), or starts to (see Device::openingResult). On failure
// returns null and fills *failure.
using DeviceOpener = std::unique_ptr<Device> (*)(std::string_view type, const std::string& path, Reply* failure);

// The real devices.
std::unique_ptr<Device> openDevice(std::string_view type, const std::string& path, Reply* failure);

// Loads the media engine's libraries (libmpv, FFmpeg) on a worker thread,
// which takes a tenth of a second or more, then calls done on the
// application's thread unless context, which lives there, is gone by then.
// Opening a file before that waits for them on the opening thread instead.
void preloadEngine(QObject* context, std::function<void()> done);

} // namespace mci
