#include "handleregistry.h"
#include "mpvdevice.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <set>

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
    bool withAudio = true;
};

void PrintTo(const ClipKind& kind, std::ostream* out)
{
    *out << kind.name;
}

class FrameAccurate : public testing::TestWithParam<ClipKind> {};

TEST_P(FrameAccurate, SeeksShowTheExactFrame)
{
    const ClipKind& kind = GetParam();
    const QString path = testmedia::frameClip(QString("seek_") + kind.name + (kind.withAudio ? "" : "_silent"), kind.extension, kind.encoder, kFrames, 320, 240, "25",
                                              kind.withAudio);
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
                    ClipKind{"mpeg4_avi", "avi", {"-c:v", "mpeg4", "-g", "48"}, false},
                    ClipKind{"mjpeg_avi", "avi", {"-c:v", "mjpeg"}, false},
                    ClipKind{"vp9_webm", "webm", {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-g", "48"}}),
    [](const testing::TestParamInfo<ClipKind>& info) { return std::string(info.param.name); });

} // namespace
