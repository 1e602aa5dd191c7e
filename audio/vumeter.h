#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

struct pa_threaded_mainloop;
struct pa_mainloop_api;
struct pa_context;
struct pa_operation;
struct pa_server_info;
struct pa_sink_info;
struct pa_stream;
struct pa_time_event;
struct timeval;

// Output level meter: reads what the default output sink plays, through
// that sink's monitor, as two levels 0..182 (left, right). When the default
// sink changes (headphones plugged in, a Bluetooth output chosen) it moves
// to the new sink's monitor at once; it never reads any other source.
//
// The sound server is talked to on a private libpulse thread that collects
// the loudest sample seen and follows the default sink; ReadPeaks takes the
// peaks under a short lock and never waits on the server, so it is safe on
// the GUI thread.
class TVumeter {
public:
    // Shows one of the two open messages. The default shows an information
    // box when a QApplication runs and writes to stderr otherwise.
    using MessageHook = std::function<void(const QString& message)>;

    TVumeter();
    ~TVumeter();
    TVumeter(const TVumeter&) = delete;
    TVumeter& operator=(const TVumeter&) = delete;

    void SetMessageHook(MessageHook hook);

    // Connects to the sound server and starts watching the default sink.
    // Reports "No Wave Devices to open" when no server answers and "Unable
    // to get mixer ID" when it has no default sink; later failures leave
    // the meter closed without a word.
    void OpenMixer();

    // Moves the loudest level heard since the last call into LeftPeak and
    // RightPeak (RightPeak only from a two-channel sink). When the meter is
    // closed, its stream has died or nothing new arrived, both keep their
    // values.
    void ReadPeaks();

    // Stops watching; safe to call at any time, more than once.
    void CloseMixer();

    // True once OpenMixer got all the way through, until CloseMixer.
    bool IsOpen() const { return FOpen; }
    // Channels of the watched sink as the meter reads them (0 when closed).
    int ChannelCount() const;
    // The monitor source the meter reads from now; empty when closed or
    // while no stream is connected.
    std::string SourceName() const;

    int32_t LeftPeak = 0;
    int32_t RightPeak = 0;

private:
    struct SinkLine;
    friend struct VumeterEvents; // the server's change events
    enum class OpenStep { Connected, NoServer, NoSink, Silent };

    // Each step runs with the mainloop lock held.
    OpenStep OpenStream();
    bool ConnectToServer();
    std::string DefaultSinkName();
    bool DescribeSink(const std::string& name, SinkLine& sink);
    bool WatchMonitor(const SinkLine& sink);
    pa_stream* ConnectMonitor(const SinkLine& sink);
    void DropStream();
    void FollowDefaultSink();
    void SwitchTo(const SinkLine& sink);
    bool WaitUntil(const std::function<bool()>& done);
    bool WaitForOperation(pa_operation* operation);
    void Collect(const float* samples, size_t count, int channels);
    void ShowMessage(const QString& message) const;

    static void ContextStateChanged(pa_context* context, void* self);
    static void StreamStateChanged(pa_stream* stream, void* self);
    static void SinkInfoArrived(pa_context* context, const pa_sink_info* info, int last, void* line);
    static void DefaultSinkArrived(pa_context* context, const pa_server_info* info, void* self);
    static void NewSinkArrived(pa_context* context, const pa_sink_info* info, int last, void* self);
    static void SamplesArrived(pa_stream* stream, size_t bytes, void* self);
    static void OpenTimedOut(pa_mainloop_api* api, pa_time_event* event, const timeval* tv, void* self);

    MessageHook FMessageHook;

    // Owned by the GUI thread; the libpulse objects are touched only with
    // the mainloop lock held.
    pa_threaded_mainloop* FMainloop = nullptr;
    pa_context* FContext = nullptr;
    pa_stream* FStream = nullptr;
    pa_time_event* FOpenTimer = nullptr;
    std::atomic<bool> FOpenTimedOut{false};
    std::atomic<bool> FOpen{false};
    // The default sink watched, and the one a pending look-up is for; used
    // with the mainloop lock held.
    std::string FSinkName;
    std::string FWantedSink;

    // Written by the libpulse thread, taken by ReadPeaks.
    mutable std::mutex FPeakLock;
    float FMaxLeft = 0.0f;
    float FMaxRight = 0.0f;
    bool FFresh = false;
    bool FStreamLost = false;
    int FChannels = 0;
    std::string FSourceName;
};
