#include "vumeter.h"

#include "peaks.h"

#include <QApplication>
#include <QMessageBox>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/rtclock.h>
#include <pulse/stream.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Start-up waits at most this long for a server that accepts but never
// answers.
constexpr pa_usec_t kOpenTimeout = 5 * PA_USEC_PER_SEC;

// The server reduces the monitor to this many peak values a second, so the
// stream costs next to nothing; a 100 ms poll sees several per reading.
constexpr uint32_t kPeakRate = 50;

class MainloopLock {
public:
    explicit MainloopLock(pa_threaded_mainloop* mainloop) : mainloop_(mainloop) { pa_threaded_mainloop_lock(mainloop_); }
    ~MainloopLock() { pa_threaded_mainloop_unlock(mainloop_); }
    MainloopLock(const MainloopLock&) = delete;
    MainloopLock& operator=(const MainloopLock&) = delete;

private:
    pa_threaded_mainloop* mainloop_;
};

struct ServerQuery {
    pa_threaded_mainloop* mainloop;
    std::string defaultSink;
};

} // namespace

struct TVumeter::SinkLine {
    explicit SinkLine(pa_threaded_mainloop* loop) : mainloop(loop) {}
    pa_threaded_mainloop* mainloop;
    bool found = false;
    int channels = 0;
    pa_channel_map map{};
    std::string monitor;
};

namespace {

void serverInfoArrived(pa_context*, const pa_server_info* info, void* data)
{
    auto* query = static_cast<ServerQuery*>(data);
    if (info && info->default_sink_name)
        query->defaultSink = info->default_sink_name;
    pa_threaded_mainloop_signal(query->mainloop, 0);
}

} // namespace

// Server events arrive here on the libpulse thread, with the mainloop lock
// held: a change of the server (its default sink) or a sink that appears
// (the default coming back) has the meter look at the default sink again.
struct VumeterEvents {
    static void serverChanged(pa_context*, pa_subscription_event_type_t event, uint32_t, void* self)
    {
        const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (facility == PA_SUBSCRIPTION_EVENT_SERVER ||
            (facility == PA_SUBSCRIPTION_EVENT_SINK && type == PA_SUBSCRIPTION_EVENT_NEW))
            static_cast<TVumeter*>(self)->FollowDefaultSink();
    }
};

TVumeter::TVumeter() = default;

TVumeter::~TVumeter()
{
    CloseMixer();
}

void TVumeter::SetMessageHook(MessageHook hook)
{
    FMessageHook = std::move(hook);
}

void TVumeter::OpenMixer()
{
    CloseMixer();
    const OpenStep result = OpenStream();
    if (result == OpenStep::Connected)
        return;
    CloseMixer();
    if (result == OpenStep::NoServer)
        ShowMessage(QStringLiteral("No Wave Devices to open"));
    else if (result == OpenStep::NoSink)
        ShowMessage(QStringLiteral("Unable to get mixer ID"));
}

TVumeter::OpenStep TVumeter::OpenStream()
{
    {
        std::lock_guard guard(FPeakLock);
        FMaxLeft = FMaxRight = 0.0f;
        FFresh = false;
        FStreamLost = false;
    }
    FOpenTimedOut = false;

    FMainloop = pa_threaded_mainloop_new();
    if (!FMainloop || pa_threaded_mainloop_start(FMainloop) < 0)
        return OpenStep::NoServer;
    MainloopLock lock(FMainloop);

    if (!ConnectToServer())
        return OpenStep::NoServer;
    const std::string sinkName = DefaultSinkName();
    if (sinkName.empty())
        return OpenStep::NoSink;
    SinkLine sink(FMainloop);
    if (!DescribeSink(sinkName, sink) || !WatchMonitor(sink))
        return OpenStep::Silent;

    pa_threaded_mainloop_get_api(FMainloop)->time_free(FOpenTimer);
    FOpenTimer = nullptr;
    FSinkName = sinkName;
    {
        std::lock_guard guard(FPeakLock);
        FChannels = std::min(sink.channels, 2);
    }

    // Follow the default sink from now on; looking once more covers a
    // change made while the meter was opening.
    pa_context_set_subscribe_callback(FContext, VumeterEvents::serverChanged, this);
    if (pa_operation* subscribing = pa_context_subscribe(
            FContext, static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SINK),
            nullptr, nullptr))
        pa_operation_unref(subscribing);
    FollowDefaultSink();
    FOpen = true;
    return OpenStep::Connected;
}

bool TVumeter::ConnectToServer()
{
    FContext = pa_context_new(pa_threaded_mainloop_get_api(FMainloop), "Norrava");
    if (!FContext)
        return false;
    pa_context_set_state_callback(FContext, ContextStateChanged, this);
    FOpenTimer = pa_context_rttime_new(FContext, pa_rtclock_now() + kOpenTimeout, OpenTimedOut, this);
    // A meter only watches: it never starts a sound server of its own.
    if (pa_context_connect(FContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    WaitUntil([this] {
        const pa_context_state_t state = pa_context_get_state(FContext);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    return pa_context_get_state(FContext) == PA_CONTEXT_READY;
}

// The output everything plays to by default; empty when there is none.
std::string TVumeter::DefaultSinkName()
{
    ServerQuery server{FMainloop, {}};
    if (!WaitForOperation(pa_context_get_server_info(FContext, serverInfoArrived, &server)))
        return {};
    return server.defaultSink;
}

bool TVumeter::DescribeSink(const std::string& name, SinkLine& sink)
{
    return WaitForOperation(pa_context_get_sink_info_by_name(FContext, name.c_str(), SinkInfoArrived, &sink)) &&
           sink.found && sink.channels >= 1;
}

bool TVumeter::WatchMonitor(const SinkLine& sink)
{
    FStream = ConnectMonitor(sink);
    if (!FStream)
        return false;
    WaitUntil([this] {
        const pa_stream_state_t state = pa_stream_get_state(FStream);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    return pa_stream_get_state(FStream) == PA_STREAM_READY;
}

// Starts a stream on the sink's monitor; it calls back when it is ready or
// has failed. Null when it cannot even be started.
pa_stream* TVumeter::ConnectMonitor(const SinkLine& sink)
{
    // Two values at most: a surround sink is read as its stereo mix-down.
    const int channels = std::min(sink.channels, 2);
    pa_channel_map map = sink.map;
    if (channels == 1)
        pa_channel_map_init_mono(&map);
    else if (sink.channels > 2)
        pa_channel_map_init_stereo(&map);
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kPeakRate, static_cast<uint8_t>(channels)};
    pa_stream* stream = pa_stream_new(FContext, "Output level", &format, &map);
    if (!stream)
        return nullptr;
    pa_stream_set_state_callback(stream, StreamStateChanged, this);
    pa_stream_set_read_callback(stream, SamplesArrived, this);
    pa_stream_set_moved_callback(stream, StreamStateChanged, this); // so SourceName never lies

    // One frame per fragment, so each peak value arrives as soon as it is
    // made. The server never moves the stream to another source (a default
    // source may be a microphone): the meter moves itself, to monitors only.
    // It does not keep an idle sink awake.
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<uint32_t>(-1);
    buffer.tlength = buffer.prebuf = buffer.minreq = static_cast<uint32_t>(-1);
    buffer.fragsize = static_cast<uint32_t>(pa_frame_size(&format));
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_PEAK_DETECT | PA_STREAM_ADJUST_LATENCY |
                                                      PA_STREAM_DONT_MOVE | PA_STREAM_DONT_INHIBIT_AUTO_SUSPEND);
    if (pa_stream_connect_record(stream, sink.monitor.c_str(), &buffer, flags) < 0) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_set_moved_callback(stream, nullptr, nullptr);
        pa_stream_unref(stream);
        return nullptr;
    }
    return stream;
}

// Ends the current stream; its callbacks are cut first, so nothing it still
// delivers reaches the meter.
void TVumeter::DropStream()
{
    if (!FStream)
        return;
    pa_stream_set_state_callback(FStream, nullptr, nullptr);
    pa_stream_set_read_callback(FStream, nullptr, nullptr);
    pa_stream_set_moved_callback(FStream, nullptr, nullptr);
    pa_stream_disconnect(FStream);
    pa_stream_unref(FStream);
    FStream = nullptr;
    std::lock_guard guard(FPeakLock);
    FSourceName.clear();
}

// Asks which sink is the default now; the answers arrive on the libpulse
// thread and never wait for anything.
void TVumeter::FollowDefaultSink()
{
    if (pa_operation* asking = pa_context_get_server_info(FContext, DefaultSinkArrived, this))
        pa_operation_unref(asking);
}

void TVumeter::DefaultSinkArrived(pa_context* context, const pa_server_info* info, void* self)
{
    auto* meter = static_cast<TVumeter*>(self);
    if (!info || !info->default_sink_name || !*info->default_sink_name)
        return; // no output at all: the bars keep their last reading
    bool lost = false;
    {
        std::lock_guard guard(meter->FPeakLock);
        lost = meter->FStreamLost;
    }
    if (info->default_sink_name == meter->FSinkName && meter->FStream && !lost)
        return;
    meter->FWantedSink = info->default_sink_name;
    if (pa_operation* asking = pa_context_get_sink_info_by_name(context, info->default_sink_name, NewSinkArrived, self))
        pa_operation_unref(asking);
}

void TVumeter::NewSinkArrived(pa_context*, const pa_sink_info* info, int, void* self)
{
    auto* meter = static_cast<TVumeter*>(self);
    // Only the answer about the latest default counts, and only a sink with
    // a monitor and channels can be read.
    if (!info || !info->name || info->name != meter->FWantedSink || !info->monitor_source_name ||
        info->channel_map.channels < 1)
        return;
    SinkLine sink(meter->FMainloop);
    sink.found = true;
    sink.channels = info->channel_map.channels;
    sink.map = info->channel_map;
    sink.monitor = info->monitor_source_name;
    meter->FSinkName = info->name;
    meter->SwitchTo(sink);
}

void TVumeter::SwitchTo(const SinkLine& sink)
{
    DropStream();
    {
        std::lock_guard guard(FPeakLock);
        FMaxLeft = FMaxRight = 0.0f;
        FFresh = false;
        FStreamLost = false;
        FChannels = std::min(sink.channels, 2);
    }
    FStream = ConnectMonitor(sink);
    if (!FStream) {
        std::lock_guard guard(FPeakLock);
        FStreamLost = true;
    }
}

// Runs with the mainloop lock held; every callback signals, so the
// condition is looked at again after each server event.
bool TVumeter::WaitUntil(const std::function<bool()>& done)
{
    while (!done()) {
        if (FOpenTimedOut)
            return false;
        pa_threaded_mainloop_wait(FMainloop);
    }
    return true;
}

bool TVumeter::WaitForOperation(pa_operation* operation)
{
    if (!operation)
        return false;
    WaitUntil([this, operation] {
        return pa_operation_get_state(operation) != PA_OPERATION_RUNNING ||
               !PA_CONTEXT_IS_GOOD(pa_context_get_state(FContext));
    });
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    // Cancelling keeps a late answer from writing into the caller's query.
    if (!done)
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    return done;
}

void TVumeter::ReadPeaks()
{
    if (!IsOpen())
        return;
    float left = 0.0f;
    float right = 0.0f;
    int channels = 0;
    {
        std::lock_guard guard(FPeakLock);
        if (FStreamLost || !FFresh)
            return;
        left = FMaxLeft;
        right = FMaxRight;
        channels = FChannels;
        FMaxLeft = FMaxRight = 0.0f;
        FFresh = false;
    }
    LeftPeak = audio::peakLevel(audio::sampleToReading(left));
    if (channels == 2)
        RightPeak = audio::peakLevel(audio::sampleToReading(right));
}

int TVumeter::ChannelCount() const
{
    std::lock_guard guard(FPeakLock);
    return FChannels;
}

std::string TVumeter::SourceName() const
{
    std::lock_guard guard(FPeakLock);
    return FSourceName;
}

void TVumeter::CloseMixer()
{
    FOpen = false;
    if (!FMainloop)
        return;
    {
        MainloopLock lock(FMainloop);
        DropStream();
        if (FOpenTimer) {
            pa_threaded_mainloop_get_api(FMainloop)->time_free(FOpenTimer);
            FOpenTimer = nullptr;
        }
        if (FContext) {
            // Pending questions are cancelled with the connection, unanswered.
            pa_context_set_subscribe_callback(FContext, nullptr, nullptr);
            pa_context_set_state_callback(FContext, nullptr, nullptr);
            pa_context_disconnect(FContext);
            pa_context_unref(FContext);
            FContext = nullptr;
        }
    }
    pa_threaded_mainloop_stop(FMainloop);
    pa_threaded_mainloop_free(FMainloop);
    FMainloop = nullptr;
    FSinkName.clear();
    FWantedSink.clear();
    std::lock_guard guard(FPeakLock);
    FChannels = 0;
}

void TVumeter::ShowMessage(const QString& message) const
{
    if (FMessageHook)
        FMessageHook(message);
    else if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QMessageBox::information(nullptr, QGuiApplication::applicationDisplayName(), message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

void TVumeter::Collect(const float* samples, size_t count, int channels)
{
    float left = 0.0f;
    float right = 0.0f;
    const size_t frame = static_cast<size_t>(channels);
    for (size_t i = 0; i + frame <= count; i += frame) {
        left = std::max(left, std::fabs(samples[i]));
        if (channels > 1)
            right = std::max(right, std::fabs(samples[i + 1]));
    }
    std::lock_guard guard(FPeakLock);
    FMaxLeft = std::max(FMaxLeft, left);
    FMaxRight = std::max(FMaxRight, right);
    FFresh = true;
}

void TVumeter::ContextStateChanged(pa_context* context, void* self)
{
    auto* meter = static_cast<TVumeter*>(self);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) {
        std::lock_guard guard(meter->FPeakLock);
        meter->FStreamLost = true;
    }
    pa_threaded_mainloop_signal(meter->FMainloop, 0);
}

void TVumeter::StreamStateChanged(pa_stream* stream, void* self)
{
    auto* meter = static_cast<TVumeter*>(self);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        const char* source = pa_stream_get_device_name(stream);
        std::lock_guard guard(meter->FPeakLock);
        meter->FSourceName = source ? source : "";
    } else if (!PA_STREAM_IS_GOOD(state)) {
        std::lock_guard guard(meter->FPeakLock);
        meter->FStreamLost = true;
        meter->FSourceName.clear();
    }
    pa_threaded_mainloop_signal(meter->FMainloop, 0);
}

void TVumeter::SinkInfoArrived(pa_context*, const pa_sink_info* info, int, void* line)
{
    auto* query = static_cast<SinkLine*>(line);
    if (info && !query->found && info->monitor_source_name) {
        query->found = true;
        query->channels = info->channel_map.channels;
        query->map = info->channel_map;
        query->monitor = info->monitor_source_name;
    }
    pa_threaded_mainloop_signal(query->mainloop, 0);
}

void TVumeter::SamplesArrived(pa_stream* stream, size_t, void* self)
{
    auto* meter = static_cast<TVumeter*>(self);
    const int channels = pa_stream_get_sample_spec(stream)->channels;
    while (pa_stream_readable_size(stream) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
            return;
        // A hole (data null) carries no samples but must still be dropped.
        if (data)
            meter->Collect(static_cast<const float*>(data), bytes / sizeof(float), channels);
        pa_stream_drop(stream);
    }
}

void TVumeter::OpenTimedOut(pa_mainloop_api*, pa_time_event*, const timeval*, void* self)
{
    auto* meter = static_cast<TVumeter*>(self);
    meter->FOpenTimedOut = true;
    pa_threaded_mainloop_signal(meter->FMainloop, 0);
}
