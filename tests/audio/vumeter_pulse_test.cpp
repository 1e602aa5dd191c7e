// The peak meter against real sound servers: the shared test server
// (PULSE_SERVER, started by scripts/test.sh with the null sink
// "norrava_null") and a private one per run for tests that add sinks and
// switch the default. Skipped without the shared server, unless the test
// script promised one.
#include "vumeter.h"

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

constexpr int toneRate = 44100;

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

class EnvOverride {
public:
    EnvOverride(const char* name, const QByteArray& value)
        : FName(name), FSaved(qgetenv(name)), FWasSet(qEnvironmentVariableIsSet(name))
    {
        qputenv(FName, value);
    }
    ~EnvOverride()
    {
        if (FWasSet)
            qputenv(FName, FSaved);
        else
            qunsetenv(FName);
    }

private:
    const char* FName;
    QByteArray FSaved;
    bool FWasSet;
};

// A sound server of the test's own with no sinks at all, so tests can load
// sinks and change the default without disturbing anyone else using the
// shared test server.
class PrivateServer {
public:
    PrivateServer()
    {
        if (!FRuntime.isValid() || !QDir(FRuntime.path()).mkpath("pulse"))
            return;
        const QString socket = FRuntime.path() + "/pulse/native";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", FRuntime.path());
        env.insert("XDG_RUNTIME_DIR", FRuntime.path() + "/pulse");
        env.remove("PULSE_SERVER");
        FProcess.setProcessEnvironment(env);
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                                      "--use-pid-file=no", "--system=no",
                                      "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        if (!FProcess.waitForStarted(10000))
            return;
        const QString address = "unix:" + socket;
        for (int i = 0; i < 200 && FProcess.state() == QProcess::Running; ++i) {
            if (testmedia::run("pactl", {"--server=" + address, "info"})) {
                FAddress = address.toUtf8();
                return;
            }
            std::this_thread::sleep_for(50ms);
        }
    }
    ~PrivateServer()
    {
        if (FProcess.state() == QProcess::NotRunning)
            return;
        FProcess.terminate();
        if (!FProcess.waitForFinished(10000)) {
            FProcess.kill();
            FProcess.waitForFinished(10000);
        }
    }
    // Empty when the server did not come up.
    const QByteArray& address() const { return FAddress; }
    QString log() { return QString::fromLocal8Bit(FProcess.readAll()); }

private:
    QTemporaryDir FRuntime;
    QProcess FProcess;
    QByteArray FAddress;
};

// A null sink of its own, removed again at the end of the test.
class TemporarySink {
public:
    TemporarySink(const QString& name, int channels) : FName(name)
    {
        FModule = pactl({"load-module", "module-null-sink", "sink_name=" + name,
                         "channels=" + QString::number(channels)});
    }
    ~TemporarySink() { remove(); }
    void remove()
    {
        if (!FModule.isEmpty())
            pactl({"unload-module", FModule});
        FModule.clear();
    }
    const QString& name() const { return FName; }

private:
    QString FName;
    QString FModule;
};

// Makes a sink the default and opens the meter on it.
void openMeterOn(TVumeter& meter, const QString& sink)
{
    pactl({"set-default-sink", sink});
    meter.OpenMixer();
}

// Interleaved stereo float samples of a 440 Hz sine with a peak amplitude
// per channel.
QString toneFile(const QString& name, float left, float right, int seconds)
{
    const int frames = toneRate * seconds;
    QByteArray bytes(frames * 2 * static_cast<int>(sizeof(float)), Qt::Uninitialized);
    auto* samples = reinterpret_cast<float*>(bytes.data());
    for (int i = 0; i < frames; ++i) {
        const float wave = static_cast<float>(std::sin(2.0 * std::numbers::pi * 440.0 * i / toneRate));
        samples[2 * i] = qToLittleEndian(left * wave);
        samples[2 * i + 1] = qToLittleEndian(right * wave);
    }
    return testmedia::rawFile(name + ".f32", bytes);
}

// Plays a tone file while it lives.
class Playback {
public:
    explicit Playback(const QString& path, const QString& sink = {})
    {
        QStringList args{"--playback", "--raw", "--format=float32le", "--rate=" + QString::number(toneRate),
                         "--channels=2", "--latency-msec=50"};
        if (!sink.isEmpty())
            args << "--device=" + sink;
        FProcess.start("pacat", args << path);
        EXPECT_TRUE(FProcess.waitForStarted(10000)) << "pacat did not start";
    }
    ~Playback() { stop(); }
    void stop()
    {
        if (FProcess.state() == QProcess::NotRunning)
            return;
        FProcess.kill();
        FProcess.waitForFinished(10000);
    }

private:
    QProcess FProcess;
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

// Tests that load sinks and switch the default do so on a private server,
// pointed at through PULSE_SERVER for the test's length.
class VumeterPrivateServerTest : public testing::Test {
protected:
    static void SetUpTestSuite() { FServer = new PrivateServer; }
    static void TearDownTestSuite()
    {
        delete FServer;
        FServer = nullptr;
    }
    void SetUp() override
    {
        if (!serverReachable())
            NORRAVA_SKIP_OR_FAIL() << "no test sound server (PULSE_SERVER unset or unreachable)";
        if (FServer->address().isEmpty())
            NORRAVA_SKIP_OR_FAIL() << "a private pulseaudio server cannot be started here: "
                                   << FServer->log().toStdString();
        FTarget = std::make_unique<EnvOverride>("PULSE_SERVER", FServer->address());
    }
    void TearDown() override { FTarget.reset(); }

private:
    static PrivateServer* FServer;
    std::unique_ptr<EnvOverride> FTarget;
};

PrivateServer* VumeterPrivateServerTest::FServer = nullptr;

} // namespace

TEST(VumeterPulseTest, OpensOnTheDefaultSinkWithoutMessages)
{
    REQUIRE_SOUND_SERVER();
    TVumeter meter;
    QStringList messages;
    meter.SetMessageHook([&](const QString& message) { messages << message; });
    meter.OpenMixer();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(", ").toStdString();
    EXPECT_TRUE(meter.IsOpen());
    EXPECT_EQ(meter.ChannelCount(), 2);
    meter.CloseMixer();
    EXPECT_FALSE(meter.IsOpen());
    meter.CloseMixer();
}

TEST_F(VumeterPrivateServerTest, ReadingFollowsEachChannelsAmplitude)
{
    TemporarySink sink("norrava_meter_stereo", 2);
    TVumeter meter;
    openMeterOn(meter, sink.name());
    ASSERT_TRUE(meter.IsOpen());

    // Half scale left reads 16384 div 180 = 91; quarter scale right 45.
    Playback tone(toneFile("meter_tone_half_quarter", 0.5f, 0.25f, 30), sink.name());
    EXPECT_TRUE(readUntil(meter, [&] { return meter.LeftPeak > 0 && meter.RightPeak > 0; }))
        << "the meter never moved";
    EXPECT_TRUE(readUntil(meter, [&] { return near(meter.LeftPeak, 91) && near(meter.RightPeak, 45); }))
        << "left " << meter.LeftPeak << ", right " << meter.RightPeak;

    // Silence takes both bars back to dark.
    tone.stop();
    EXPECT_TRUE(readUntil(meter, [&] { return meter.LeftPeak == 0 && meter.RightPeak == 0; }))
        << "left " << meter.LeftPeak << ", right " << meter.RightPeak;
}

TEST_F(VumeterPrivateServerTest, MonoSinkLeavesTheRightValueAtZero)
{
    TemporarySink sink("norrava_meter_mono", 1);
    TVumeter meter;
    openMeterOn(meter, sink.name());
    ASSERT_TRUE(meter.IsOpen());
    EXPECT_EQ(meter.ChannelCount(), 1);

    Playback tone(toneFile("meter_tone_full", 1.0f, 1.0f, 30), sink.name());
    EXPECT_TRUE(readUntil(meter, [&] { return meter.LeftPeak > 100; })) << "left " << meter.LeftPeak;
    for (int i = 0; i < 10; ++i) {
        meter.ReadPeaks();
        EXPECT_EQ(meter.RightPeak, 0);
    }
}

TEST_F(VumeterPrivateServerTest, SurroundSinkReadsAsItsStereoMixDown)
{
    TemporarySink sink("norrava_meter_surround", 6);
    TVumeter meter;
    openMeterOn(meter, sink.name());
    ASSERT_TRUE(meter.IsOpen());
    EXPECT_EQ(meter.ChannelCount(), 2);

    Playback tone(toneFile("meter_tone_half_quarter", 0.5f, 0.25f, 30), sink.name());
    EXPECT_TRUE(readUntil(meter, [&] { return meter.LeftPeak > meter.RightPeak && meter.RightPeak > 0; }))
        << "left " << meter.LeftPeak << ", right " << meter.RightPeak;
}

TEST_F(VumeterPrivateServerTest, WithNoOutputLeftTheReadingFreezes)
{
    TemporarySink sink("norrava_meter_removed", 2);
    TVumeter meter;
    openMeterOn(meter, sink.name());
    ASSERT_TRUE(meter.IsOpen());

    Playback tone(toneFile("meter_tone_half_quarter", 0.5f, 0.25f, 30), sink.name());
    ASSERT_TRUE(readUntil(meter, [&] { return near(meter.LeftPeak, 91) && near(meter.RightPeak, 45); }));
    const int left = meter.LeftPeak;
    const int right = meter.RightPeak;

    // The watched stream ends with its sink; with no other output there is
    // nothing to move to, and the bars keep their last reading.
    sink.remove();
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
    TemporarySink speakers("norrava_meter_speakers", 2);
    TVumeter meter;
    openMeterOn(meter, speakers.name());
    ASSERT_TRUE(meter.IsOpen());
    EXPECT_EQ(meter.SourceName(), "norrava_meter_speakers.monitor");

    Playback music(toneFile("meter_tone_half_quarter", 0.5f, 0.25f, 30), speakers.name());
    ASSERT_TRUE(readUntil(meter, [&] { return near(meter.LeftPeak, 91) && near(meter.RightPeak, 45); }));
    music.stop(); // the server might move it along with the default

    TemporarySink headphones("norrava_meter_headphones", 1);
    pactl({"set-default-sink", headphones.name()});
    EXPECT_TRUE(readUntil(meter, [&] { return meter.SourceName() == "norrava_meter_headphones.monitor"; }))
        << meter.SourceName();
    EXPECT_EQ(meter.ChannelCount(), 1);
    // Full scale on the speakers would read 182; half scale on the
    // headphones reads 91.
    Playback loud(toneFile("meter_tone_full", 1.0f, 1.0f, 30), speakers.name());
    Playback voice(toneFile("meter_tone_half", 0.5f, 0.5f, 30), headphones.name());
    EXPECT_TRUE(readUntil(meter, [&] { return near(meter.LeftPeak, 91); })) << meter.LeftPeak;

    // Unplugged again: the server falls back to the speakers, and so does
    // the meter.
    loud.stop();
    voice.stop();
    headphones.remove();
    EXPECT_TRUE(readUntil(meter, [&] { return meter.SourceName() == "norrava_meter_speakers.monitor"; }))
        << meter.SourceName();
    EXPECT_EQ(meter.ChannelCount(), 2);
    Playback again(toneFile("meter_tone_half_quarter", 0.5f, 0.25f, 30), speakers.name());
    EXPECT_TRUE(readUntil(meter, [&] { return near(meter.LeftPeak, 91) && near(meter.RightPeak, 45); }))
        << "left " << meter.LeftPeak << ", right " << meter.RightPeak;
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
    TVumeter meter;
    QStringList messages;
    meter.SetMessageHook([&](const QString& message) { messages << message; });
    meter.OpenMixer();
    EXPECT_EQ(messages, QStringList{"Unable to get mixer ID"});
    EXPECT_FALSE(meter.IsOpen());
    meter.ReadPeaks();
    EXPECT_EQ(meter.LeftPeak, 0);
    EXPECT_EQ(meter.RightPeak, 0);
}
