// The peak meter against real sound servers: the shared test server
// (PULSE_SERVER, started by scripts/test.sh with the null sink
// "norrava_null") and a private one per run for tests that add sinks and
// switch the default. Skipped without the shared server, unless the test
// script promised one.
#include "metertest.h"
#include "testmedia.h"
#include "testservices.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr int kToneRate = 44100;

bool serverReachable()
{
    return qEnvironmentVariableIsSet("PULSE_SERVER") && testmedia::run("pactl", {"info"});
}

#define REQUIRE_SOUND_SERVER()                                                                                 \
    do {                                                                                                       \
        if (!serverReachable())                                                                                \
            NORRAVA_SKIP_OR_FAIL() << "no test sound server (PULSE_SERVER unset or unreachable)";              \
    } while (false)

QString pactl(const QStringList& args)
{
    QString output;
    if (!testmedia::run("pactl", args, &output))
        ADD_FAILURE() << "pactl " << args.join(' ').toStdString() << " failed: " << output.toStdString();
    return output.trimmed();
}

// A sound server of the test's own with no sinks at all, so tests can load
// sinks and change the default without disturbing anyone else using the
// shared test server.
class PrivateServer {
public:
    PrivateServer()
    {
        if (!runtime_.isValid() || !QDir(runtime_.path()).mkpath("pulse"))
            return;
        const QString socket = runtime_.path() + "/pulse/native";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", runtime_.path());
        env.insert("XDG_RUNTIME_DIR", runtime_.path() + "/pulse");
        env.remove("PULSE_SERVER");
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                                      "--use-pid-file=no", "--system=no",
                                      "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        if (!process_.waitForStarted(10000))
            return;
        const QString address = "unix:" + socket;
        for (int i = 0; i < 200 && process_.state() == QProcess::Running; ++i) {
            if (testmedia::run("pactl", {"--server=" + address, "info"})) {
                address_ = address.toUtf8();
                return;
            }
            std::this_thread::sleep_for(50ms);
        }
    }
    ~PrivateServer()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(10000);
        }
    }
    // Empty when the server did not come up.
    const QByteArray& address() const { return address_; }
    QString log() { return QString::fromLocal8Bit(process_.readAll()); }

private:
    QTemporaryDir runtime_;
    QProcess process_;
    QByteArray address_;
};

// A null sink of its own, removed again at the end of the test.
class TemporarySink {
public:
    TemporarySink(const QString& name, int channels) : name_(name)
    {
        module_ = pactl({"load-module", "module-null-sink", "sink_name=" + name,
                         "channels=" + QString::number(channels)});
    }
    ~TemporarySink() { remove(); }
    void remove()
    {
        if (!module_.isEmpty())
            pactl({"unload-module", module_});
        module_.clear();
    }
    const QString& name() const { return name_; }

private:
    QString name_;
    QString module_;
};

// Makes a sink the default and opens the meter on it.
void openMeterOn(TVumeter& meter, const QString& sink)
{
    pactl({"set-default-sink", sink});
    meter.OpenMixer();
}

// A sink of its own, made the default, with a meter opened on it; the meter
// closes before the sink goes.
struct MeteredSink {
    MeteredSink(const QString& name, int channels)
        : sink(name, channels)
    {
        openMeterOn(meter, name);
    }
    TemporarySink sink;
    TVumeter meter;
};

// A 30-second 440 Hz sine with a peak amplitude per channel, as
// interleaved stereo float samples in a file of its own name.
struct Tone {
    const char* file;
    float left;
    float right;
};
// Half scale left reads 16384 div 180 = 91, quarter scale right 45; full
// scale reads 182.
const Tone kHalfAndQuarter{"meter_tone_half_quarter", 0.5f, 0.25f};
const Tone kHalf{"meter_tone_half", 0.5f, 0.5f};
const Tone kFull{"meter_tone_full", 1.0f, 1.0f};

QString toneFile(const Tone& tone)
{
    const int frames = kToneRate * 30;
    QByteArray bytes(frames * 2 * static_cast<int>(sizeof(float)), Qt::Uninitialized);
    auto* samples = reinterpret_cast<float*>(bytes.data());
    for (int i = 0; i < frames; ++i) {
        const float wave = static_cast<float>(std::sin(2.0 * std::numbers::pi * 440.0 * i / kToneRate));
        samples[2 * i] = qToLittleEndian(tone.left * wave);
        samples[2 * i + 1] = qToLittleEndian(tone.right * wave);
    }
    return testmedia::rawFile(QString(tone.file) + ".f32", bytes);
}

// Plays a tone on a sink while it lives.
class Playback {
public:
    Playback(const Tone& tone, const QString& sink)
    {
        const QStringList args{"--playback", "--raw", "--format=float32le", "--rate=" + QString::number(kToneRate),
                               "--channels=2", "--latency-msec=50", "--device=" + sink, toneFile(tone)};
        process_.start("pacat", args);
        EXPECT_TRUE(process_.waitForStarted(10000)) << "pacat did not start";
    }
    ~Playback() { stop(); }
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished(10000);
    }

private:
    QProcess process_;
};

// Reads the meter the way the poll timer does until the condition holds or
// a generous bound runs out.
bool readUntil(TVumeter& meter, const std::function<bool()>& done, std::chrono::seconds bound = 20s)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < deadline) {
        meter.ReadPeaks();
        if (done())
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

bool near(int value, int expected, int tolerance = 2)
{
    return std::abs(value - expected) <= tolerance;
}

// Reads until the meter shows the half-and-quarter tone.
bool readsHalfAndQuarter(TVumeter& meter)
{
    return readUntil(meter, [&] { return near(meter.LeftPeak, 91) && near(meter.RightPeak, 45); });
}

// Tests that load sinks and switch the default do so on a private server,
// pointed at through PULSE_SERVER for the test's length.
class VumeterPrivateServerTest : public testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new PrivateServer; }
    static void TearDownTestSuite()
    {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override
    {
        if (!serverReachable())
            NORRAVA_SKIP_OR_FAIL() << "no test sound server (PULSE_SERVER unset or unreachable)";
        if (server_->address().isEmpty())
            NORRAVA_SKIP_OR_FAIL() << "a private pulseaudio server cannot be started here: "
                                   << server_->log().toStdString();
        target_ = std::make_unique<EnvOverride>("PULSE_SERVER", server_->address());
    }
    void TearDown() override { target_.reset(); }

private:
    static PrivateServer* server_;
    std::unique_ptr<EnvOverride> target_;
};

PrivateServer* VumeterPrivateServerTest::server_ = nullptr;

} // namespace

TEST(VumeterPulseTest, OpensOnTheDefaultSinkWithoutMessages)
{
    REQUIRE_SOUND_SERVER();
    QuietMeter meter;
    meter.OpenMixer();
    EXPECT_TRUE(meter.messages.isEmpty()) << meter.messages.join(", ").toStdString();
    EXPECT_TRUE(meter.IsOpen());
    EXPECT_EQ(meter.ChannelCount(), 2);
    meter.CloseMixer();
    EXPECT_FALSE(meter.IsOpen());
    meter.CloseMixer();
}

TEST_F(VumeterPrivateServerTest, ReadingFollowsEachChannelsAmplitude)
{
    MeteredSink stereo("norrava_meter_stereo", 2);
    TVumeter& meter = stereo.meter;
    ASSERT_TRUE(meter.IsOpen());

    Playback tone(kHalfAndQuarter, stereo.sink.name());
    EXPECT_TRUE(readUntil(meter, [&] { return meter.LeftPeak > 0 && meter.RightPeak > 0; }))
        << "the meter never moved";
    EXPECT_TRUE(readsHalfAndQuarter(meter)) << "left " << meter.LeftPeak << ", right " << meter.RightPeak;

    // Silence takes both bars back to dark.
    tone.stop();
    EXPECT_TRUE(readUntil(meter, [&] { return meter.LeftPeak == 0 && meter.RightPeak == 0; }))
        << "left " << meter.LeftPeak << ", right " << meter.RightPeak;
}

// Every sink reads as at most two channels: a mono sink as one, whose right
// bar stays dark, a surround sink as its stereo mix-down.
TEST_F(VumeterPrivateServerTest, SinksReadAsAtMostTwoChannels)
{
    const struct {
        const char* sink;
        int sinkChannels;
        int meterChannels;
        const Tone& tone;
        const char* expected;
        std::function<bool(const TVumeter&)> reads;
    } layouts[] = {
        {"norrava_meter_mono", 1, 1, kFull, "left above 100",
         [](const TVumeter& meter) { return meter.LeftPeak > 100; }},
        {"norrava_meter_surround", 6, 2, kHalfAndQuarter, "left above right, right above 0",
         [](const TVumeter& meter) { return meter.LeftPeak > meter.RightPeak && meter.RightPeak > 0; }},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.sink);
        MeteredSink output(layout.sink, layout.sinkChannels);
        TVumeter& meter = output.meter;
        ASSERT_TRUE(meter.IsOpen());
        EXPECT_EQ(meter.ChannelCount(), layout.meterChannels);

        Playback tone(layout.tone, output.sink.name());
        EXPECT_TRUE(readUntil(meter, [&] { return layout.reads(meter); }))
            << layout.expected << "; left " << meter.LeftPeak << ", right " << meter.RightPeak;
        if (layout.meterChannels == 1) {
            for (int i = 0; i < 10; ++i) {
                meter.ReadPeaks();
                EXPECT_EQ(meter.RightPeak, 0);
            }
        }
    }
}

TEST_F(VumeterPrivateServerTest, WithNoOutputLeftTheReadingFreezes)
{
    MeteredSink output("norrava_meter_removed", 2);
    TVumeter& meter = output.meter;
    ASSERT_TRUE(meter.IsOpen());

    Playback tone(kHalfAndQuarter, output.sink.name());
    ASSERT_TRUE(readsHalfAndQuarter(meter));
    const int left = meter.LeftPeak;
    const int right = meter.RightPeak;

    // The watched stream ends with its sink; with no other output there is
    // nothing to move to, and the bars keep their last reading.
    output.sink.remove();
    tone.stop();
    // Waited for without reading: a value still on its way from before the
    // removal must not count as a change.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!meter.SourceName().empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(meter.SourceName().empty()) << meter.SourceName();
    for (int i = 0; i < 10; ++i) {
        meter.ReadPeaks();
        EXPECT_EQ(meter.LeftPeak, left);
        EXPECT_EQ(meter.RightPeak, right);
    }
    meter.CloseMixer();
    meter.CloseMixer();
    EXPECT_EQ(meter.LeftPeak, left);
}

// Headphones plugged in: a second output becomes the default, and the bars
// follow it rather than freezing on the output that was default at start.
TEST_F(VumeterPrivateServerTest, FollowsTheDefaultSinkToItsMonitor)
{
    MeteredSink speakers("norrava_meter_speakers", 2);
    TVumeter& meter = speakers.meter;
    ASSERT_TRUE(meter.IsOpen());
    EXPECT_EQ(meter.SourceName(), "norrava_meter_speakers.monitor");

    Playback music(kHalfAndQuarter, speakers.sink.name());
    ASSERT_TRUE(readsHalfAndQuarter(meter));
    music.stop(); // the server might move it along with the default

    TemporarySink headphones("norrava_meter_headphones", 1);
    pactl({"set-default-sink", headphones.name()});
    EXPECT_TRUE(readUntil(meter, [&] { return meter.SourceName() == "norrava_meter_headphones.monitor"; }))
        << meter.SourceName();
    EXPECT_EQ(meter.ChannelCount(), 1);
    // Full scale on the speakers would read 182; half scale on the
    // headphones reads 91.
    Playback loud(kFull, speakers.sink.name());
    Playback voice(kHalf, headphones.name());
    EXPECT_TRUE(readUntil(meter, [&] { return near(meter.LeftPeak, 91); })) << meter.LeftPeak;

    // Unplugged again: the server falls back to the speakers, and so does
    // the meter.
    loud.stop();
    voice.stop();
    headphones.remove();
    EXPECT_TRUE(readUntil(meter, [&] { return meter.SourceName() == "norrava_meter_speakers.monitor"; }))
        << meter.SourceName();
    EXPECT_EQ(meter.ChannelCount(), 2);
    Playback again(kHalfAndQuarter, speakers.sink.name());
    EXPECT_TRUE(readsHalfAndQuarter(meter)) << "left " << meter.LeftPeak << ", right " << meter.RightPeak;
}

// With no output left, the default source may be a microphone: the meter
// waits for an output instead of reading it.
TEST_F(VumeterPrivateServerTest, NeverReadsASourceThatIsNotAMonitor)
{
    const QString microphone = pactl({"load-module", "module-null-source", "source_name=norrava_meter_mic"});
    TemporarySink speakers("norrava_meter_only", 2);
    pactl({"set-default-source", "norrava_meter_mic"});
    TVumeter meter;
    openMeterOn(meter, speakers.name());
    ASSERT_TRUE(meter.IsOpen());

    auto notTheMicrophone = [&] { return meter.SourceName() != "norrava_meter_mic"; };
    speakers.remove();
    EXPECT_TRUE(readUntil(meter, [&] { return meter.SourceName().empty(); })) << meter.SourceName();
    // A new output: the events before it have all been handled once the
    // meter reads from its monitor, and none of them led to the microphone.
    bool clean = true;
    TemporarySink later("norrava_meter_later", 2);
    pactl({"set-default-sink", later.name()});
    EXPECT_TRUE(readUntil(meter, [&] {
        clean = clean && notTheMicrophone();
        return meter.SourceName() == "norrava_meter_later.monitor";
    })) << meter.SourceName();
    EXPECT_TRUE(clean);
    meter.CloseMixer();
    pactl({"unload-module", microphone});
}

TEST_F(VumeterPrivateServerTest, ServerWithoutSinksReportsNoMixer)
{
    QuietMeter meter;
    meter.OpenMixer();
    EXPECT_EQ(meter.messages, QStringList{"Unable to get mixer ID"});
    EXPECT_FALSE(meter.IsOpen());
    meter.ReadPeaks();
    EXPECT_EQ(meter.LeftPeak, 0);
    EXPECT_EQ(meter.RightPeak, 0);
}
