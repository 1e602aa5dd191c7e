#include "handleregistry.h"
#include "mcisession.h"
#include "mpvdevice.h"
#include "realmedia.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThreadPool>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

namespace {

using mci::Reply;
using mci::SeekTarget;
using mci::TimeFormat;

constexpr int kFrames = 100;
constexpr int kKeyInterval = 48; // -g 48: key frames at 0, 48, 96

std::unique_ptr<mci::Device> openFile(const QString& path, std::string_view type = "digitalvideo")
{
    Reply failure;
    auto device = mci::openMpvDevice(type, QFile::encodeName(path).toStdString(), &failure);
    EXPECT_TRUE(device) << failure.text;
    return device;
}

std::string ask(mci::Device& device, std::string_view item)
{
    const Reply reply = device.status(item);
    EXPECT_FALSE(reply.failed()) << item << ": " << reply.text;
    return reply.text;
}

int64_t askNumber(mci::Device& device, std::string_view item)
{
    return std::stoll("0" + ask(device, item));
}

// Frames as ffprobe counts them by decoding.
int ffprobeFrames(const QString& path)
{
    QString output;
    testmedia::run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-count_frames", "-show_entries",
                               "stream=nb_read_frames", "-of", "csv=p=0", path},
                   &output);
    return output.split(QRegularExpression("[^0-9]"), Qt::SkipEmptyParts).value(0).toInt();
}

int captureFrameNumber(mci::Device& device, const QString& dir)
{
    const QString bmp = dir + "/frame.bmp";
    QFile::remove(bmp);
    const Reply saved = device.capture(QFile::encodeName(bmp).toStdString());
    EXPECT_FALSE(saved.failed()) << saved.text;
    return testmedia::readFrameNumber(QImage(bmp));
}

struct ClipKind {
    const char* name;
    const char* extension;
    QStringList encoder;
};

void PrintTo(const ClipKind& kind, std::ostream* out)
{
    *out << kind.name;
}

class FrameAccurate : public testing::TestWithParam<ClipKind> {};

TEST_P(FrameAccurate, SeeksShowTheExactFrame)
{
    const ClipKind& kind = GetParam();
    const QString path = testmedia::frameClip(QString("seek_") + kind.name, kind.extension, kind.encoder, kFrames);
    ASSERT_FALSE(path.isEmpty());
    auto device = openFile(path);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->type(), "digitalvideo");
    EXPECT_EQ(device->capability("has video").text, "true");
    EXPECT_EQ(device->capability("can play").text, "true");
    EXPECT_EQ(ask(*device, "time format"), "milliseconds");
    EXPECT_FALSE(device->setTimeFormat(TimeFormat::Frames).failed());
    EXPECT_EQ(ask(*device, "time format"), "frames");
    EXPECT_EQ(ask(*device, "frame rate"), "25000");
    EXPECT_EQ(ask(*device, "speed"), "1000");
    EXPECT_EQ(ask(*device, "ready"), "true");
    EXPECT_EQ(device->where("source").text, "0 0 320 240");
    const int64_t length = askNumber(*device, "length");
    EXPECT_NEAR(length, ffprobeFrames(path), 1);

    QTemporaryDir dir;
    for (int64_t frame : {int64_t(0), int64_t(1), int64_t(kKeyInterval - 1), int64_t(kKeyInterval),
                          int64_t(kKeyInterval + 1), int64_t(kFrames / 2 + 3), length - 1, int64_t(2)}) {
        SCOPED_TRACE(frame);
        ASSERT_FALSE(device->seek(SeekTarget::Position, frame, false).failed());
        EXPECT_EQ(askNumber(*device, "position"), frame);
        EXPECT_EQ(captureFrameNumber(*device, dir.path()), frame);
        EXPECT_EQ(askNumber(*device, "position"), frame);
        EXPECT_EQ(ask(*device, "mode"), "stopped");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Containers, FrameAccurate,
    testing::Values(ClipKind{"h264_mp4", "mp4", {"-c:v", "libx264", "-bf", "3", "-g", "48"}},
                    ClipKind{"h264_mkv", "mkv", {"-c:v", "libx264", "-bf", "3", "-g", "48"}},
                    ClipKind{"mpeg2_mpg", "mpg", {"-c:v", "mpeg2video", "-g", "48", "-f", "mpeg"}},
                    // PCM sound in AVI: an MP3 track's encoder delay makes ffmpeg's AVI
                    // muxer leave frame slot 1 empty, so picture N would sit at slot N+1.
                    ClipKind{"mpeg4_pcm_avi", "avi", {"-c:v", "mpeg4", "-g", "48", "-c:a", "pcm_s16le"}},
                    ClipKind{"mjpeg_pcm_avi", "avi", {"-c:v", "mjpeg", "-c:a", "pcm_s16le"}},
                    ClipKind{"vp9_webm", "webm", {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-g", "48"}}),
    [](const testing::TestParamInfo<ClipKind>& info) { return std::string(info.param.name); });

} // namespace

namespace {

QString shortClip()
{
    return testmedia::frameClip("device_h264", "mp4", {"-c:v", "libx264", "-bf", "3", "-g", "48"}, kFrames);
}

// A window stand-in: counts the frames it is given and keeps the last.
struct Panel : mci::RenderTarget {
    void presentFrame(const QImage& frame) override
    {
        ++frames;
        last = frame;
    }
    int frames = 0;
    QImage last;
};

TEST(MpvDevice, TransportKeepsMciModesAndPositions)
{
    auto device = openFile(shortClip());
    ASSERT_TRUE(device);
    ASSERT_FALSE(device->setTimeFormat(TimeFormat::Frames).failed());
    EXPECT_EQ(ask(*device, "mode"), "stopped");
    EXPECT_EQ(askNumber(*device, "position"), 0);

    // Playing a stretch with wait ends on its last frame, stopped.
    ASSERT_FALSE(device->play(10, 20, true).failed());
    EXPECT_EQ(ask(*device, "mode"), "stopped");
    EXPECT_EQ(askNumber(*device, "position"), 20);
    ASSERT_FALSE(device->setTimeFormat(TimeFormat::Milliseconds).failed());
    EXPECT_NEAR(askNumber(*device, "position"), 800, 20);
    ASSERT_FALSE(device->setTimeFormat(TimeFormat::Frames).failed());

    ASSERT_FALSE(device->play(std::nullopt, std::nullopt, false).failed());
    EXPECT_EQ(ask(*device, "mode"), "playing");
    ASSERT_FALSE(device->pause().failed());
    EXPECT_EQ(ask(*device, "mode"), "paused");
    const int64_t paused = askNumber(*device, "position");
    EXPECT_GE(paused, 20);
    ASSERT_FALSE(device->stop().failed());
    EXPECT_EQ(ask(*device, "mode"), "stopped");
    EXPECT_EQ(askNumber(*device, "position"), paused); // stop does not rewind

    // Played to the end it stops on the last frame; play then starts
    // again after a seek.
    const int64_t length = askNumber(*device, "length");
    ASSERT_FALSE(device->play(length - 5, std::nullopt, true).failed());
    EXPECT_EQ(ask(*device, "mode"), "stopped");
    EXPECT_EQ(askNumber(*device, "position"), length - 1);
    ASSERT_FALSE(device->seek(SeekTarget::Start, 0, true).failed());
    EXPECT_EQ(askNumber(*device, "position"), 0);
    ASSERT_FALSE(device->play(std::nullopt, 5, true).failed());
    EXPECT_EQ(askNumber(*device, "position"), 5);

    ASSERT_FALSE(device->seek(SeekTarget::End, 0, true).failed());
    EXPECT_EQ(askNumber(*device, "position"), length - 1);
    EXPECT_EQ(device->seek(SeekTarget::Position, length + 1, false).code, mci::ErrOutOfRange);
    EXPECT_EQ(device->seek(SeekTarget::Position, -1, false).code, mci::ErrOutOfRange);
    EXPECT_EQ(device->play(50, 40, false).code, mci::ErrOutOfRange);

    // Milliseconds are the same clock.
    ASSERT_FALSE(device->seek(SeekTarget::Position, 50, true).failed());
    ASSERT_FALSE(device->setTimeFormat(TimeFormat::Milliseconds).failed());
    EXPECT_EQ(askNumber(*device, "position"), 2000);
    EXPECT_EQ(askNumber(*device, "length"), length * 40);
    // A time between two frames shows the frame of that moment.
    ASSERT_FALSE(device->seek(SeekTarget::Position, 2035, false).failed());
    EXPECT_EQ(askNumber(*device, "position"), 2035);
    QTemporaryDir dir;
    EXPECT_EQ(captureFrameNumber(*device, dir.path()), 50);
    EXPECT_EQ(askNumber(*device, "position"), 2000);
}

TEST(MpvDevice, DrawsIntoRegisteredTargetsOnly)
{
    auto device = openFile(shortClip());
    ASSERT_TRUE(device);
    ASSERT_FALSE(device->setTimeFormat(TimeFormat::Frames).failed());
    Panel panel;
    const uint64_t handle = mci::registerTarget(&panel);
    ASSERT_FALSE(device->window(handle).failed());
    ASSERT_FALSE(device->putDestination({0, 0, 160, 120}).failed());
    EXPECT_EQ(device->where("destination").text, "0 0 160 120");
    EXPECT_EQ(device->where("source").text, "0 0 320 240");
    ASSERT_FALSE(device->seek(SeekTarget::Position, 33, false).failed());

    ASSERT_FALSE(device->update(handle).failed());
    ASSERT_GE(panel.frames, 1);
    EXPECT_EQ(panel.last.size(), QSize(160, 120));
    EXPECT_EQ(testmedia::readFrameNumber(panel.last), 33);
    EXPECT_EQ(panel.last.constBits()[3], 0xff) << "opaque pixels";

    QTemporaryDir dir;
    const QString bmp = dir.path() + "/small.bmp";
    ASSERT_FALSE(device->capture(QFile::encodeName(bmp).toStdString()).failed());
    const QImage saved(bmp);
    EXPECT_EQ(saved.size(), QSize(160, 120));
    QFile file(bmp);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(30).at(28), 24) << "bits per pixel in the header";
    EXPECT_EQ(testmedia::readFrameNumber(saved), 33);

    const Reply unsaved = device->capture(QFile::encodeName(dir.path() + "/no/such/dir/x.bmp").toStdString());
    EXPECT_EQ(unsaved.code, mci::ErrFileNotSaved);
    EXPECT_FALSE(unsaved.text.empty());

    mci::unregisterTarget(handle);
    const int before = panel.frames;
    EXPECT_TRUE(device->update(handle).failed());
    ASSERT_FALSE(device->play(std::nullopt, 60, true).failed());
    mci::processEvents();
    EXPECT_EQ(panel.frames, before);
    EXPECT_TRUE(device->window(handle).failed());
}

TEST(MpvDevice, NewFramesReachTheTargetThroughTheEventPump)
{
    auto device = openFile(shortClip());
    ASSERT_TRUE(device);
    Panel panel;
    const uint64_t handle = mci::registerTarget(&panel);
    ASSERT_FALSE(device->window(handle).failed());
    std::atomic<int> wakes{0};
    mci::setEventPump([&wakes] { ++wakes; });
    ASSERT_FALSE(device->setTimeFormat(TimeFormat::Frames).failed());
    ASSERT_FALSE(device->play(0, 40, false).failed());
    // Pump as an event loop would, whenever woken, until playing ends.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ask(*device, "mode") == "playing" || ask(*device, "mode") == "seeking") {
        if (wakes.exchange(0))
            mci::processEvents();
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    mci::processEvents();
    mci::setEventPump(nullptr);
    mci::unregisterTarget(handle);
    EXPECT_GE(panel.frames, 5); // a loaded machine may drop some
    EXPECT_EQ(testmedia::readFrameNumber(panel.last), 40);
}

// Made by the first test that needs one, for the rest of the run.
QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "mpvdevice_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// The engine's libraries load on a worker; the caller hears of it on its
// own thread, and not at all once its context is gone.
TEST(MpvDevice, TheEnginePreloadsOnAWorkerAndSaysSoOnTheCallersThread)
{
    application();
    QObject context;
    std::optional<std::thread::id> calledOn;
    mci::preloadEngine(&context, [&calledOn] { calledOn = std::this_thread::get_id(); });
    bool goneCalled = false;
    auto* gone = new QObject;
    mci::preloadEngine(gone, [&goneCalled] { goneCalled = true; });
    delete gone;
    QElapsedTimer timer;
    timer.start();
    while (!calledOn && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    ASSERT_TRUE(calledOn);
    EXPECT_EQ(*calledOn, std::this_thread::get_id());
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(goneCalled);
}

TEST(MpvDevice, FramesArriveThroughTheApplicationsEventLoop)
{
    // A Qt program needs no pump of its own: the layer posts to the
    // application's thread, so waiting for events is enough.
    application();
    auto device = openFile(shortClip());
    ASSERT_TRUE(device);
    Panel panel;
    const uint64_t handle = mci::registerTarget(&panel);
    ASSERT_FALSE(device->window(handle).failed());
    ASSERT_FALSE(device->play(std::nullopt, std::nullopt, false).failed());
    QElapsedTimer timer;
    timer.start();
    while (panel.frames < 10 && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1000);
    mci::unregisterTarget(handle);
    EXPECT_GE(panel.frames, 10);
}

TEST(MpvDevice, OddNamesAndPictureShapes)
{
    // Blanks, quotes and non-ASCII letters in the name.
    const QString odd = testmedia::dir() + QString::fromUtf8("/a \"b\" \u00e5ngstr\u00f6m.mp4");
    QFile::remove(odd);
    ASSERT_TRUE(QFile::copy(shortClip(), odd));
    auto device = openFile(odd);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->type(), "digitalvideo");

    // Non-square pixels: the source is given as displayed.
    const QString wide = testmedia::frameClip("device_wide", "mkv", {"-c:v", "libx264", "-aspect", "16:9"}, 30);
    device = openFile(wide);
    ASSERT_TRUE(device);
    const std::string source = device->where("source").text;
    EXPECT_TRUE(source == "0 0 427 240" || source == "0 0 426 240") << source;

    // A frame rate that is not whole.
    const QString ntsc = testmedia::frameClip("device_ntsc", "mp4", {"-c:v", "libx264"}, 30, 320, 240, "30000/1001");
    device = openFile(ntsc);
    ASSERT_TRUE(device);
    EXPECT_EQ(ask(*device, "frame rate"), "29970");
    ASSERT_FALSE(device->setTimeFormat(TimeFormat::Frames).failed());
    EXPECT_NEAR(askNumber(*device, "length"), 30, 1);
    QTemporaryDir dir;
    ASSERT_FALSE(device->seek(SeekTarget::Position, 17, false).failed());
    EXPECT_EQ(captureFrameNumber(*device, dir.path()), 17);
}

TEST(MpvDevice, AudioFormatsAreDescribed)
{
    struct Case {
        const char* format;
        int rate;
        int channels;
        int bits;
    };
    for (const Case& c : {Case{"pcm_u8", 22050, 1, 8}, Case{"pcm_s16le", 44100, 2, 16},
                          Case{"pcm_s24le", 44100, 1, 24}, Case{"pcm_f32le", 22050, 2, 32}}) {
        SCOPED_TRACE(c.format);
        const QString path = testmedia::wavFile(QString("tone_%1_%2_%3").arg(c.format).arg(c.rate).arg(c.channels),
                                                c.rate, c.channels, c.format, 1500);
        auto device = openFile(path, "waveaudio");
        ASSERT_TRUE(device);
        EXPECT_EQ(device->type(), "waveaudio");
        EXPECT_EQ(device->capability("has video").text, "false");
        EXPECT_EQ(device->capability("device type").text, "waveaudio");
        EXPECT_EQ(askNumber(*device, "samplespersec"), c.rate);
        EXPECT_EQ(askNumber(*device, "channels"), c.channels);
        EXPECT_EQ(askNumber(*device, "bitspersample"), c.bits);
        EXPECT_EQ(askNumber(*device, "bytespersec"), int64_t(c.rate) * c.channels * c.bits / 8);
        EXPECT_EQ(askNumber(*device, "speed"), 1000);
        EXPECT_NEAR(askNumber(*device, "length"), 1500, 30);
        EXPECT_EQ(device->setTimeFormat(TimeFormat::Frames).code, mci::ErrBadTimeFormat);
        ASSERT_FALSE(device->seek(SeekTarget::Position, 700, false).failed());
        EXPECT_EQ(askNumber(*device, "position"), 700);
        ASSERT_FALSE(device->play(std::nullopt, 900, true).failed());
        EXPECT_NEAR(askNumber(*device, "position"), 900, 30);
        EXPECT_EQ(ask(*device, "mode"), "stopped");
    }
}

TEST(MpvDevice, CompressedSoundReportsTheDecodersSamples)
{
    const QString path = testmedia::dir() + "/tone.mp3";
    if (!QFileInfo::exists(path)) {
        ASSERT_TRUE(testmedia::run("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                              "sine=frequency=440:sample_rate=44100", "-t", "1", "-ac", "2", path}));
    }
    auto device = openFile(path, "waveaudio");
    ASSERT_TRUE(device);
    const int64_t bits = askNumber(*device, "bitspersample");
    EXPECT_TRUE(bits == 16 || bits == 32) << bits; // mp3 decoders give s16 or float
    EXPECT_EQ(askNumber(*device, "bytespersec"), 44100 * 2 * bits / 8);
    EXPECT_NEAR(askNumber(*device, "length"), 1000, 60); // mp3 pads its frames

    // The gain is linear; mpv's volume is cubic.
    device->setOutputGain(0.125);
    EXPECT_EQ(askNumber(*device, "volume"), 125);
    device->setOutputGain(1.0);
    EXPECT_EQ(askNumber(*device, "volume"), 1000);
    device->setOutputGain(0);
    EXPECT_EQ(askNumber(*device, "volume"), 0);
}

TEST(MpvDevice, SoundOnlyFilesOpenedAsVideoAreServedAsWaveaudio)
{
    const QString path = testmedia::wavFile("tone_as_video", 44100, 2, "pcm_s16le", 1000);
    auto device = openFile(path, "digitalvideo");
    ASSERT_TRUE(device);
    EXPECT_EQ(device->type(), "waveaudio");
    EXPECT_EQ(device->capability("has video").text, "false");
    EXPECT_NEAR(askNumber(*device, "length"), 1000, 30);
    EXPECT_TRUE(device->where("source").failed());
}

// Opened through the layer with notify, the report comes through the event
// pump, and the device then answers as one opened before answering.
TEST(MpvDevice, AnOpeningWithNotifyIsReportedThroughTheEventPump)
{
    mci::Session session(mci::openDevice, mci::ExtensionList::builtIn());
    std::vector<mci::Notification> heard;
    session.setNotifyHandler([&heard](const mci::Notification& n) { heard.push_back(n); });
    const struct {
        QString path;
        int code;
        const char* type;
        int64_t length; // in the device's own units, frames for video
    } table[] = {
        {shortClip(), mci::Ok, "digitalvideo", kFrames},
        {testmedia::wavFile("notify_tone", 22050, 1, "pcm_s16le", 800), mci::Ok, "waveaudio", 800},
        {testmedia::rawFile("notify_junk.mp4", "not a video at all"), mci::ErrInvalidFile, "", 0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.path.toStdString());
        heard.clear();
        const std::string path = QFile::encodeName(row.path).toStdString();
        ASSERT_EQ(session.send("open \"" + path + "\" alias z notify", nullptr), mci::Ok);
        QElapsedTimer clock;
        clock.start();
        while (heard.empty() && clock.elapsed() < 30000) {
            mci::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(heard.size(), 1u);
        EXPECT_EQ(heard[0].alias, "z");
        EXPECT_EQ(heard[0].result.code, row.code) << heard[0].result.text;
        EXPECT_EQ(session.isOpen("z"), row.code == mci::Ok);
        if (row.code != mci::Ok) {
            EXPECT_NE(heard[0].result.text.find("notify_junk.mp4"), std::string::npos) << heard[0].result.text;
            continue;
        }
        std::string reply;
        EXPECT_EQ(session.send("capability z device type", &reply), mci::Ok);
        EXPECT_EQ(reply, row.type);
        session.send("set z time format frames", nullptr);
        EXPECT_EQ(session.send("status z length", &reply), mci::Ok);
        EXPECT_NEAR(std::stoll(reply), row.length, row.length / 50);
        EXPECT_EQ(session.send("close z", nullptr), mci::Ok);
    }
}

TEST(MpvDevice, BadFilesAreRefusedOrPlayedAsFarAsTheyGo)
{
    Reply failure;
    EXPECT_FALSE(mci::openMpvDevice("digitalvideo", "/no/such/file.avi", &failure));
    EXPECT_EQ(failure.code, mci::ErrFileNotFound);
    QDir(testmedia::dir()).mkpath("folder.avi");
    EXPECT_FALSE(mci::openMpvDevice("digitalvideo", QFile::encodeName(testmedia::dir() + "/folder.avi").toStdString(),
                                    &failure));
    EXPECT_EQ(failure.code, mci::ErrInvalidFile);
    const std::string longName = QFile::encodeName(testmedia::dir()).toStdString() + "/" + std::string(300, 'x') + ".avi";
    EXPECT_FALSE(mci::openMpvDevice("digitalvideo", longName, &failure));
    EXPECT_EQ(failure.code, mci::ErrFileNotFound);
    EXPECT_NE(failure.text.find("cannot be read"), std::string::npos) << failure.text;

    QByteArray random(64 * 1024, 0);
    uint32_t seed = 12345;
    for (char& byte : random) {
        seed = seed * 1664525u + 1013904223u;
        byte = char(seed >> 24);
    }
    const QStringList refused{
        testmedia::rawFile("empty.avi", {}),
        testmedia::rawFile("random.mp4", random),
        testmedia::rawFile("text.avi", QByteArray("This is not a film.\n").repeated(200)),
        // Files that name other files are not followed.
        testmedia::rawFile("playlist.avi", "#EXTM3U\n" + QFile::encodeName(shortClip()) + "\n"),
        testmedia::rawFile("timeline.mp4", "# mpv EDL v0\n" + QFile::encodeName(shortClip()) + ",0,2\n"),
    };
    for (const QString& path : refused) {
        SCOPED_TRACE(path.toStdString());
        for (const char* type : {"digitalvideo", "waveaudio"}) {
            failure = {};
            EXPECT_FALSE(mci::openMpvDevice(type, QFile::encodeName(path).toStdString(), &failure));
            EXPECT_NE(failure.code, 0);
            EXPECT_FALSE(failure.text.empty());
        }
    }

    // Damaged files: whatever opens must answer and play without hanging.
    QStringList damaged;
    for (const QString& source : {shortClip(), testmedia::frameClip("device_mkv", "mkv", {"-c:v", "libx264"}, 60),
                                  testmedia::frameClip("device_mpg", "mpg", {"-c:v", "mpeg2video", "-f", "mpeg"}, 60)}) {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (int percent : {5, 40, 80}) {
            damaged << testmedia::rawFile(QString("cut%1_%2").arg(percent).arg(QFileInfo(source).fileName()),
                                          bytes.left(bytes.size() * percent / 100));
        }
    }
    QFile wav(testmedia::wavFile("tone_for_lie", 44100, 2, "pcm_s16le", 500));
    ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
    QByteArray lying = wav.readAll();
    const int data = lying.indexOf("data");
    ASSERT_GT(data, 0);
    const uint32_t huge = 0x7ffffff0u;
    lying.replace(data + 4, 4, QByteArray(reinterpret_cast<const char*>(&huge), 4));
    damaged << testmedia::rawFile("lying.wav", lying);

    for (const QString& path : damaged) {
        SCOPED_TRACE(path.toStdString());
        failure = {};
        auto device = mci::openMpvDevice(path.endsWith(".wav") ? "waveaudio" : "digitalvideo",
                                         QFile::encodeName(path).toStdString(), &failure);
        if (!device) {
            EXPECT_NE(failure.code, 0);
            EXPECT_FALSE(failure.text.empty());
            continue;
        }
        EXPECT_GE(askNumber(*device, "length"), 0);
        device->play(std::nullopt, std::nullopt, false);
        device->seek(SeekTarget::Position, 0, true);
        EXPECT_EQ(askNumber(*device, "position"), 0);
        device->play(std::nullopt, std::nullopt, false);
        ask(*device, "mode");
    }
}

} // namespace

namespace {

// An H.264 clip without sound: its seeks end as soon as the picture is
// there, which is when a stale or black picture used to be captured.
QString silentClip()
{
    return testmedia::frameClip("race_h264", "mp4", {"-c:v", "libx264", "-g", "25"}, 500, 320, 240, "25", false);
}

struct ResizeAndSeek {
    QSize size;
    int64_t frame;
};

// Window sizes between large and small, and seeks near and far.
const ResizeAndSeek kResizeAndSeek[] = {
    {{240, 180}, 333}, {{1600, 1200}, 10}, {{241, 181}, 200}, {{800, 600}, 201},
    {{320, 240}, 202}, {{1200, 900}, 499}, {{160, 120}, 0},   {{242, 182}, 51},
};

} // namespace

TEST(MpvDevice, APictureAfterResizeAndSeekShowsTheSoughtFrameAtTheNewSize)
{
    auto device = openFile(silentClip());
    ASSERT_TRUE(device);
    ASSERT_FALSE(device->setTimeFormat(TimeFormat::Frames).failed());
    Panel panel;
    const uint64_t handle = mci::registerTarget(&panel);
    ASSERT_FALSE(device->window(handle).failed());
    // A render that takes long makes mpv show the next frame without
    // waiting for it. The layer's wake-up, which follows every render, is
    // held up once after each resize to make sure of that: the picture must
    // be right however the renders and the seek interleave.
    std::atomic<bool> holdUp{false};
    mci::setEventPump([&holdUp] {
        if (holdUp.exchange(false))
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    QTemporaryDir dir;
    for (int round = 0; round < 2; ++round) {
        for (const ResizeAndSeek& step : kResizeAndSeek) {
            SCOPED_TRACE(std::to_string(step.size.width()) + "x" + std::to_string(step.size.height()) + " at " +
                         std::to_string(step.frame));
            holdUp = true;
            ASSERT_FALSE(device->putDestination({0, 0, step.size.width(), step.size.height()}).failed());
            ASSERT_FALSE(device->seek(SeekTarget::Position, step.frame, false).failed());
            if (round == 0) {
                ASSERT_FALSE(device->update(handle).failed());
                EXPECT_EQ(panel.last.size(), step.size);
                EXPECT_EQ(testmedia::readFrameNumber(panel.last), step.frame);
            } else {
                const QString bmp = dir.path() + "/frame.bmp";
                ASSERT_FALSE(device->capture(QFile::encodeName(bmp).toStdString()).failed());
                const QImage saved(bmp);
                EXPECT_EQ(saved.size(), step.size);
                EXPECT_EQ(testmedia::readFrameNumber(saved), step.frame);
            }
        }
    }
    mci::setEventPump(nullptr);
    mci::unregisterTarget(handle);
}

TEST(MpvDevice, ACaptureAfterStoppingShowsTheFrameAtThePosition)
{
    auto device = openFile(silentClip());
    ASSERT_TRUE(device);
    ASSERT_FALSE(device->setTimeFormat(TimeFormat::Frames).failed());
    // Renders held up while playing, so mpv moves on without waiting for
    // them, as on a loaded machine: where it stops, the last frame may not
    // have been drawn.
    std::atomic<bool> slow{false};
    mci::setEventPump([&slow] {
        if (slow)
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    QTemporaryDir dir;
    for (const int64_t to : {7, 15}) {
        SCOPED_TRACE(to);
        slow = true;
        ASSERT_FALSE(device->play(std::nullopt, to, true).failed());
        slow = false;
        EXPECT_EQ(askNumber(*device, "position"), to);
        EXPECT_EQ(captureFrameNumber(*device, dir.path()), to);
    }
    slow = true;
    ASSERT_FALSE(device->play(std::nullopt, std::nullopt, false).failed());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (askNumber(*device, "position") < 25 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_FALSE(device->stop().failed());
    slow = false;
    EXPECT_EQ(captureFrameNumber(*device, dir.path()), askNumber(*device, "position"));
    mci::setEventPump(nullptr);
}

namespace {

// Stepping and scanning backwards: frames come from the ones kept, and are
// the exact frames, across groups of pictures and whatever else happens.

std::unique_ptr<mci::MpvDevice> openForSteps(const QString& path)
{
    Reply failure;
    auto device = mci::MpvDevice::open("digitalvideo", QFile::encodeName(path).toStdString(), &failure);
    EXPECT_TRUE(device) << failure.text;
    if (device) {
        EXPECT_FALSE(device->setTimeFormat(TimeFormat::Frames).failed());
    }
    return device;
}

// What the window is given after "seek z to N" without waiting, as the
// player's panel asks for it when it paints.
int shownAfterSeek(mci::MpvDevice& device, Panel& panel, uint64_t handle, int64_t frame)
{
    EXPECT_FALSE(device.seek(SeekTarget::Position, frame, false).failed());
    EXPECT_EQ(askNumber(device, "position"), frame); // at once
    EXPECT_FALSE(device.update(handle).failed());
    return testmedia::readFrameNumber(panel.last);
}

struct BackwardCase {
    const char* name;
    QString clip;
    int64_t from;
    int64_t stride; // 1: the frame-back button; 25: the visual rewind
    int steps;
    QSize destination;
};

TEST(MpvDevice, StepsBackShowExactFramesAcrossGroupsOfPictures)
{
    // Key frames at 0, 48 and 96, three B-frames between references; a
    // phone video stored on its side (key frames every 30), shown upright.
    const QString phone = realmedia::rotatedClip(90, {240, 320}, 60, false);
    const BackwardCase cases[] = {
        {"frame back from the end", shortClip(), kFrames - 1, 1, 60, QSize(320, 240)},
        {"frame back, smaller picture", shortClip(), 70, 1, 30, QSize(160, 120)},
        {"rewind from the end", shortClip(), kFrames - 1, 25, 4, QSize(320, 240)},
        {"rewind from the middle of a group", shortClip(), 60, 25, 3, QSize(320, 240)},
        {"frame back, turned upright", phone, 59, 1, 40, QSize(240, 320)},
        {"rewind, turned upright", phone, 59, 25, 2, QSize(120, 160)},
    };
    for (const BackwardCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto device = openForSteps(c.clip);
        ASSERT_TRUE(device);
        Panel panel;
        const uint64_t handle = mci::registerTarget(&panel);
        ASSERT_FALSE(device->window(handle).failed());
        ASSERT_FALSE(device->putDestination({0, 0, c.destination.width(), c.destination.height()}).failed());
        ASSERT_FALSE(device->seek(SeekTarget::Position, c.from, true).failed());
        for (int64_t frame = c.from - c.stride, step = 0; step < c.steps && frame >= 0; frame -= c.stride, ++step) {
            SCOPED_TRACE(frame);
            EXPECT_EQ(shownAfterSeek(*device, panel, handle, frame), frame);
            EXPECT_EQ(panel.last.size(), c.destination);
            EXPECT_EQ(askNumber(*device, "position"), frame);
            EXPECT_EQ(ask(*device, "mode"), "stopped");
        }
        EXPECT_GT(device->keptFrameBytes(), 0u);
        // A capture saves the frame shown, and the bound window got it too.
        QTemporaryDir dir;
        const int64_t last = askNumber(*device, "position");
        EXPECT_EQ(captureFrameNumber(*device, dir.path()), last);
        mci::processEvents();
        EXPECT_EQ(testmedia::readFrameNumber(panel.last), last);
        mci::unregisterTarget(handle);
    }
}

TEST(MpvDevice, PlayingOnFromAFrameSteppedBackToStartsThereAndLetsTheKeptFramesGo)
{
    auto device = openForSteps(shortClip());
    ASSERT_TRUE(device);
    Panel panel;
    const uint64_t handle = mci::registerTarget(&panel);
    ASSERT_FALSE(device->window(handle).failed());
    ASSERT_FALSE(device->seek(SeekTarget::Position, 60, true).failed());
    for (int64_t frame = 59; frame >= 50; --frame)
        ASSERT_EQ(shownAfterSeek(*device, panel, handle, frame), frame);
    EXPECT_GT(device->keptFrameBytes(), 0u);

    // Forward play: from the frame shown, with the kept frames let go.
    ASSERT_FALSE(device->play(std::nullopt, 55, true).failed());
    EXPECT_EQ(device->keptFrameBytes(), 0u);
    EXPECT_EQ(askNumber(*device, "position"), 55);
    QTemporaryDir dir;
    EXPECT_EQ(captureFrameNumber(*device, dir.path()), 55);

    // Stepping back again keeps frames again; a frame forward from there
    // and back again are exact too.
    EXPECT_EQ(shownAfterSeek(*device, panel, handle, 54), 54);
    EXPECT_EQ(shownAfterSeek(*device, panel, handle, 55), 55);
    EXPECT_EQ(shownAfterSeek(*device, panel, handle, 53), 53);
    EXPECT_GT(device->keptFrameBytes(), 0u);

    // A new size: the same frame, drawn at it.
    ASSERT_FALSE(device->putDestination({0, 0, 200, 150}).failed());
    ASSERT_FALSE(device->update(handle).failed());
    EXPECT_EQ(panel.last.size(), QSize(200, 150));
    EXPECT_EQ(testmedia::readFrameNumber(panel.last), 53);
    EXPECT_EQ(askNumber(*device, "position"), 53);

    // Resuming plays on from there too.
    EXPECT_EQ(shownAfterSeek(*device, panel, handle, 40), 40);
    ASSERT_FALSE(device->resume().failed());
    EXPECT_EQ(device->keptFrameBytes(), 0u);
    ASSERT_FALSE(device->stop().failed());
    EXPECT_GE(askNumber(*device, "position"), 40);
    mci::unregisterTarget(handle);
}

TEST(MpvDevice, StepsBackInMillisecondsShowTheFrameOfThatMoment)
{
    auto device = openForSteps(shortClip());
    ASSERT_TRUE(device);
    ASSERT_FALSE(device->seek(SeekTarget::Position, 90, true).failed());
    ASSERT_FALSE(device->setTimeFormat(TimeFormat::Milliseconds).failed());
    QTemporaryDir dir;
    for (int64_t ms : {3590, 3530, 3000, 2039}) {
        SCOPED_TRACE(ms);
        ASSERT_FALSE(device->seek(SeekTarget::Position, ms, false).failed());
        EXPECT_EQ(askNumber(*device, "position"), ms);
        EXPECT_EQ(captureFrameNumber(*device, dir.path()), ms / 40);
        EXPECT_EQ(askNumber(*device, "position"), ms / 40 * 40);
    }
}

TEST(MpvDevice, OpenReturnsBeforeTheFirstFrameWhichReachesTheWindowLater)
{
    // Nothing but binding a window after the opening: the first frame is
    // handed to it through the event pump when it has been decoded.
    Panel panel;
    const uint64_t handle = mci::registerTarget(&panel);
    auto device = openFile(testmedia::frameClip("device_first_frame", "mkv",
                                                {"-c:v", "libx265", "-preset", "ultrafast", "-pix_fmt", "yuv420p10le",
                                                 "-x265-params", "log-level=error"},
                                                30, 640, 360));
    ASSERT_TRUE(device);
    ASSERT_FALSE(device->window(handle).failed());
    EXPECT_EQ(device->where("source").text, "0 0 640 360"); // known before the frame
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (panel.frames == 0 && std::chrono::steady_clock::now() < deadline) {
        mci::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GE(panel.frames, 1);
    EXPECT_EQ(testmedia::readFrameNumber(panel.last), 0);
    EXPECT_EQ(panel.last.size(), QSize(640, 360));
    mci::unregisterTarget(handle);
}

} // namespace
