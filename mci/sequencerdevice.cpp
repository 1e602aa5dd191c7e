#include "sequencerdevice.h"

#include "smfreader.h"
#include "synthesizer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace mci {
namespace {

using Clock = std::chrono::steady_clock;

// Larger files are not MIDI songs; refusing them bounds reading time.
constexpr uintmax_t kMaxFileBytes = 64u << 20;

// Events sent in one go before letting commands in.
constexpr int kEventsPerBatch = 512;

// Without audio output the synthesizer is rendered into nothing this often,
// so its voices end and its queues drain as they would when heard.
constexpr auto kNullRenderInterval = std::chrono::milliseconds(50);

// Events this late are not played but only caught up with.
constexpr int64_t kLateMicros = 200000;

// The slack `play ... wait` allows beyond the time left to play.
constexpr auto kWaitMargin = std::chrono::seconds(5);

std::optional<std::vector<uint8_t>> readWholeFile(const std::string& path, Reply* failure)
{
    std::error_code error;
    const std::filesystem::path file(path);
    if (!std::filesystem::exists(file, error)) {
        *failure = Reply::error(ErrFileNotFound, "The file '" + path + "' does not exist.");
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(file, error)) {
        *failure = Reply::error(ErrInvalidFile, "'" + path + "' is not a file.");
        return std::nullopt;
    }
    const uintmax_t size = std::filesystem::file_size(file, error);
    if (error || size > kMaxFileBytes) {
        *failure = Reply::error(ErrInvalidFile, "The file '" + path + "' is too large to be a MIDI file.");
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(size);
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size))) {
        *failure = Reply::error(ErrFileNotFound, "The file '" + path + "' cannot be read.");
        return std::nullopt;
    }
    return bytes;
}

class SequencerDevice final : public Device {
public:
    SequencerDevice(SmfFile song, std::unique_ptr<Synthesizer> synth, bool nullAudio);
    ~SequencerDevice() override;

    std::string type() const override { return "sequencer"; }
    Reply play(std::optional<int64_t> from, std::optional<int64_t> to, bool wait) override;
    Reply stop() override;
    Reply pause() override;
    Reply resume() override;
    Reply seek(SeekTarget target, int64_t position, bool wait) override;
    Reply setTimeFormat(TimeFormat format) override;
    void setOutputGain(double gain) override;

private:
    enum class Mode { Stopped, Playing, Paused };

    Reply deviceStatus(std::string_view item) override;
    Reply deviceCapability(std::string_view item) override;

    void run();
    int64_t elapsedMicrosLocked() const;
    int64_t positionMicrosLocked() const;
    Clock::time_point timeOfLocked(int64_t micros) const;
    void startLocked();
    void haltLocked(Mode mode);
    void seekLocked(int64_t micros);
    void chaseLocked(size_t index);
    void send(const SmfEvent& event);
    void renderNullLocked();
    Reply outOfRange(int64_t ms) const;

    const SmfFile song_;
    const std::unique_ptr<Synthesizer> synth_;
    const bool nullAudio_;

    std::mutex mutex_;
    std::condition_variable wake_;     // the worker: something changed
    std::condition_variable finished_; // play ... wait: playing ended
    Mode mode_ = Mode::Stopped;
    int64_t positionMicros_ = 0; // while playing: where playing started
    Clock::time_point startedAt_;
    int64_t stopMicros_ = 0;
    size_t nextEvent_ = 0; // next event to send
    size_t synthAt_ = 0;   // the synthesizer's controllers reflect events before this
    Clock::time_point renderedUntil_;
    bool quit_ = false;
    std::thread worker_;
};

SequencerDevice::SequencerDevice(SmfFile song, std::unique_ptr<Synthesizer> synth, bool nullAudio)
    : song_(std::move(song)),
      synth_(std::move(synth)),
      nullAudio_(nullAudio)
{
    stopMicros_ = song_.lengthMicros();
    setOutputGain(1.0);
    worker_ = std::thread([this] { run(); });
}

SequencerDevice::~SequencerDevice()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        synth_->allSoundsOff();
    }
    wake_.notify_all();
    worker_.join();
}

int64_t SequencerDevice::elapsedMicrosLocked() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - startedAt_).count();
}

int64_t SequencerDevice::positionMicrosLocked() const
{
    if (mode_ != Mode::Playing)
        return positionMicros_;
    return std::min(positionMicros_ + elapsedMicrosLocked(), stopMicros_);
}

Clock::time_point SequencerDevice::timeOfLocked(int64_t micros) const
{
    return startedAt_ + std::chrono::microseconds(micros - positionMicros_);
}

void SequencerDevice::send(const SmfEvent& event)
{
    if (event.status >= 0xF0)
        synth_->sendSysex(song_.sysex(event));
    else
        synth_->send(event.status, event.data1, event.data2);
}

// Brings programs, controllers and pitch bends to what they are just before
// event `index`, without sounding any note, so playing from a sought
// position sounds as it would had the song played up to it.
void SequencerDevice::chaseLocked(size_t index)
{
    size_t from = synthAt_;
    if (index < synthAt_) {
        synth_->reset();
        from = 0;
    }
    const std::vector<SmfEvent>& events = song_.events();
    for (size_t i : song_.stateEvents(from, index))
        send(events[i]);
    synthAt_ = index;
}

void SequencerDevice::startLocked()
{
    chaseLocked(nextEvent_);
    mode_ = Mode::Playing;
    startedAt_ = Clock::now();
    renderedUntil_ = startedAt_;
    wake_.notify_all();
}

void SequencerDevice::haltLocked(Mode mode)
{
    positionMicros_ = positionMicrosLocked();
    if (mode_ == Mode::Playing)
        synth_->allSoundsOff();
    mode_ = mode;
    finished_.notify_all();
}

void SequencerDevice::seekLocked(int64_t micros)
{
    haltLocked(Mode::Stopped);
    positionMicros_ = micros;
    nextEvent_ = song_.firstEventAtOrAfter(micros);
}

void SequencerDevice::renderNullLocked()
{
    if (!nullAudio_)
        return;
    const Clock::time_point now = Clock::now();
    const double seconds = std::min(std::chrono::duration<double>(now - renderedUntil_).count(), 1.0);
    renderedUntil_ = now;
    synth_->renderNowhere(seconds);
}

void SequencerDevice::run()
{
    const std::vector<SmfEvent>& events = song_.events();
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (mode_ != Mode::Playing) {
            wake_.wait(lock);
            continue;
        }
        renderNullLocked();
        const int64_t now = positionMicrosLocked();
        const int64_t clock = positionMicros_ + elapsedMicrosLocked();
        if (nextEvent_ < events.size() && events[nextEvent_].micros + kLateMicros < clock) {
            // Far behind, as with thousands of events at one instant: catch
            // up as a seek does rather than firing every late note.
            size_t caughtUp = song_.firstEventAtOrAfter(now);
            while (caughtUp < events.size() && events[caughtUp].micros <= now)
                ++caughtUp;
            nextEvent_ = std::max(nextEvent_, caughtUp);
            chaseLocked(nextEvent_);
        }
        const bool toEnd = stopMicros_ >= song_.lengthMicros();
        int sent = 0;
        while (nextEvent_ < events.size() && events[nextEvent_].micros <= now && sent < kEventsPerBatch
               && (events[nextEvent_].micros < stopMicros_ || toEnd)) {
            send(events[nextEvent_++]);
            ++sent;
        }
        synthAt_ = nextEvent_;
        if (sent == kEventsPerBatch) {
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
            continue;
        }
        if (now >= stopMicros_) {
            // Let the last notes ring out naturally rather than cutting them.
            synth_->allNotesOff();
            positionMicros_ = stopMicros_;
            mode_ = Mode::Stopped;
            finished_.notify_all();
            continue;
        }
        int64_t nextMicros = stopMicros_;
        if (nextEvent_ < events.size())
            nextMicros = std::min(nextMicros, events[nextEvent_].micros);
        Clock::time_point wakeAt = timeOfLocked(nextMicros);
        if (nullAudio_)
            wakeAt = std::min(wakeAt, Clock::now() + kNullRenderInterval);
        wake_.wait_until(lock, wakeAt);
    }
}

Reply SequencerDevice::outOfRange(int64_t ms) const
{
    return Reply::error(ErrOutOfRange, "The position " + std::to_string(ms) + " is outside the song (0 to "
                                           + std::to_string(song_.lengthMs()) + " milliseconds).");
}

Reply SequencerDevice::play(std::optional<int64_t> from, std::optional<int64_t> to, bool wait)
{
    const int64_t lengthMs = song_.lengthMs();
    if (from && (*from < 0 || *from > lengthMs))
        return outOfRange(*from);
    if (to && (*to < 0 || *to > lengthMs))
        return outOfRange(*to);

    std::unique_lock lock(mutex_);
    if (from)
        seekLocked(*from * 1000);
    const int64_t start = positionMicrosLocked();
    const int64_t stop = to ? std::min(*to * 1000, song_.lengthMicros()) : song_.lengthMicros();
    if (stop < start)
        return Reply::error(ErrOutOfRange, "The song cannot play backwards from " + std::to_string((start + 500) / 1000)
                                               + " to " + std::to_string(*to) + " milliseconds.");
    stopMicros_ = stop;
    if (mode_ == Mode::Playing) {
        wake_.notify_all();
    } else if (start < stop) {
        startLocked();
    } else {
        // Already where playing would end: nothing to play.
        positionMicros_ = stop;
        mode_ = Mode::Stopped;
    }
    if (wait) {
        const auto left = std::chrono::microseconds(stop - start) + kWaitMargin;
        finished_.wait_for(lock, left, [this] { return mode_ != Mode::Playing; });
    }
    return Reply::ok();
}

Reply SequencerDevice::stop()
{
    std::lock_guard lock(mutex_);
    if (mode_ != Mode::Stopped)
        haltLocked(Mode::Stopped);
    return Reply::ok();
}

Reply SequencerDevice::pause()
{
    std::lock_guard lock(mutex_);
    if (mode_ == Mode::Playing)
        haltLocked(Mode::Paused);
    return Reply::ok();
}

Reply SequencerDevice::resume()
{
    std::lock_guard lock(mutex_);
    if (mode_ == Mode::Playing)
        return Reply::ok();
    if (positionMicros_ >= stopMicros_)
        stopMicros_ = song_.lengthMicros();
    if (positionMicros_ < stopMicros_)
        startLocked();
    return Reply::ok();
}

Reply SequencerDevice::seek(SeekTarget target, int64_t position, bool)
{
    int64_t micros = 0;
    if (target == SeekTarget::End) {
        micros = song_.lengthMicros();
    } else if (target == SeekTarget::Position) {
        if (position < 0 || position > song_.lengthMs())
            return outOfRange(position);
        micros = std::min(position * 1000, song_.lengthMicros());
    }
    // Seeking is immediate, so there is nothing to wait for.
    std::lock_guard lock(mutex_);
    seekLocked(micros);
    return Reply::ok();
}

Reply SequencerDevice::setTimeFormat(TimeFormat format)
{
    if (format != TimeFormat::Milliseconds)
        return Reply::error(ErrBadTimeFormat, "The sequencer counts in milliseconds only.");
    return Reply::ok();
}

Reply SequencerDevice::deviceStatus(std::string_view item)
{
    std::lock_guard lock(mutex_);
    const int64_t positionMs = (positionMicrosLocked() + 500) / 1000;
    if (item == "length")
        return Reply::ok(std::to_string(song_.lengthMs()));
    if (item == "position")
        return Reply::ok(std::to_string(positionMs));
    if (item == "start position")
        return Reply::ok("0");
    if (item == "tempo")
        return Reply::ok(std::to_string(song_.tempoBpmAtMs(positionMs)));
    if (item == "mode")
        return Reply::ok(mode_ == Mode::Playing ? "playing" : mode_ == Mode::Paused ? "paused" : "stopped");
    if (item == "time format")
        return Reply::ok("milliseconds");
    if (item == "division type")
        return Reply::ok(song_.ticksPerQuarter() > 0 ? "PPQN" : "SMPTE");
    return unknownItem(Query::Status, item);
}

Reply SequencerDevice::deviceCapability(std::string_view item)
{
    if (item == "has audio")
        return Reply::ok("true");
    if (item == "has video")
        return Reply::ok("false");
    return unknownItem(Query::Capability, item);
}

void SequencerDevice::setOutputGain(double gain)
{
    std::lock_guard lock(mutex_);
    synth_->setVolume(gain);
}

} // namespace

std::vector<std::string> soundFontCandidates()
{
    std::vector<std::string> candidates;
    if (const char* own = std::getenv("NORRAVA_SOUNDFONT"); own && *own)
        candidates.emplace_back(own);
    for (const char* system : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                               "/usr/share/sounds/sf2/FluidR3_GM.sf2"})
        candidates.emplace_back(system);
    return candidates;
}

SequencerSetup sequencerSetupFromEnvironment()
{
    const char* audio = std::getenv("NORRAVA_AUDIO");
    return {soundFontCandidates(), audio && std::string_view(audio) == "null"};
}

std::unique_ptr<Device> openSequencerDevice(const std::string& path, Reply* failure)
{
    return openSequencerDevice(path, sequencerSetupFromEnvironment(), failure);
}

std::unique_ptr<Device> openSequencerDevice(const std::string& path, const SequencerSetup& setup, Reply* failure)
{
    Reply ignored;
    Reply& reason = failure ? *failure : ignored;
    std::optional<std::vector<uint8_t>> bytes = readWholeFile(path, &reason);
    if (!bytes)
        return nullptr;
    std::string error;
    std::optional<SmfFile> song = SmfFile::read(*bytes, &error);
    if (!song) {
        reason = Reply::error(ErrInvalidFile, error);
        return nullptr;
    }
    std::unique_ptr<Synthesizer> synth = Synthesizer::create(setup.soundFonts, setup.nullAudio, &reason);
    if (!synth)
        return nullptr;
    return std::make_unique<SequencerDevice>(std::move(*song), std::move(synth), setup.nullAudio);
}

} // namespace mci
