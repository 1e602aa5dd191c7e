#include "lengthprobe.h"
#include "mpvdevice.h"
#include "mpvhandle.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <mpv/client.h>

#include <QFile>
#include <QRegularExpression>

#include <cmath>
#include <condition_variable>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A generous bound: these tests must pass on a loaded machine.
const auto kDeadline = 60s;

// What mpv shows: the time of the first frame after loading, on its clock
// and on the container's.
struct Shown {
    double first = -1;
    double start = 0; // the demuxer's start time, which mpv's clock leaves out
    double fps = 0;
};

bool waitForEvent(mpv_handle* mpv, int id)
{
    const auto deadline = Clock::now() + kDeadline;
    while (Clock::now() < deadline) {
        const mpv_event* event = mpv_wait_event(mpv, 1.0);
        if (event->event_id == id)
            return true;
        if (event->event_id == MPV_EVENT_END_FILE || event->event_id == MPV_EVENT_SHUTDOWN)
            return false;
    }
    return false;
}

Shown shownByMpv(const QString& path)
{
    Shown shown;
    mpv_handle* mpv = mci::mpv::create({{"vo", "null"}, {"ao", "null"}});
    if (!mpv)
        return shown;
    const std::string file = QFile::encodeName(path).toStdString();
    const char* load[] = {"loadfile", file.c_str(), nullptr};
    if (mpv_command(mpv, load) >= 0 && waitForEvent(mpv, MPV_EVENT_PLAYBACK_RESTART)) {
        shown.first = mci::mpv::getDouble(mpv, "time-pos").value_or(-1);
        shown.fps = mci::mpv::getDouble(mpv, "container-fps").value_or(0);
        shown.start = mci::mpv::getDouble(mpv, "demuxer-start-time").value_or(0);
    }
    mci::mpv::destroy(mpv);
    return shown;
}

// The times of every frame, as ffprobe decodes them (the container's clock).
struct Decoded {
    double first = -1;
    double last = -1;
    int count = 0;
    int untimedAtEnd = 0; // frames after the last with a time (held anchors in program streams)
};

Decoded decodedByFfprobe(const QString& path)
{
    QString output;
    testmedia::run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                               "frame=best_effort_timestamp_time", "-of", "csv=p=0", path},
                   &output);
    Decoded decoded;
    for (const QString& line : output.split('\n', Qt::SkipEmptyParts)) {
        bool ok = false;
        const double time = line.section(',', 0, 0).trimmed().toDouble(&ok); // side data may follow
        const bool frame = ok || line.startsWith("N/A");
        if (!frame)
            continue;
        if (!ok) {
            ++decoded.count;
            ++decoded.untimedAtEnd;
            continue;
        }
        if (decoded.count++ == 0)
            decoded.first = time;
        decoded.last = std::max(decoded.last, time);
        decoded.untimedAtEnd = 0;
    }
    return decoded;
}

QStringList testPattern()
{
    return {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25"};
}

QStringList frames(int count)
{
    return {"-frames:v", QString::number(count)};
}

QStringList tone(double seconds)
{
    return {"-f", "lavfi", "-i", QString("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds)};
}

// A flat picture, as camcorders record a still scene: pictures so small
// that many share one pack of a program stream, which stamps only the
// first starting in it.
QStringList grey(const QString& rate = "25")
{
    return {"-f", "lavfi", "-i", "color=c=gray:size=160x120:rate=" + rate};
}

QStringList seconds(double length)
{
    return {"-t", QString::number(length)};
}

QStringList programStream(int bFrames, const QString& sound)
{
    return {"-pix_fmt", "yuv420p", "-c:v", "mpeg2video", "-bf", QString::number(bFrames), "-c:a", sound, "-f", "vob"};
}

const QStringList kH264{"-c:v", "libx264", "-preset", "veryfast", "-bf", "3", "-g", "30"};

struct Kind {
    const char* file;
    QStringList args;
    bool demuxed;    // the timestamps tell the last frame, without decoding
    bool frameCount; // the count of decoded frames is the length (constant rate)
};

void PrintTo(const Kind& kind, std::ostream* out)
{
    *out << kind.file;
}

std::vector<Kind> kinds()
{
    return {
        // Reordered frames: the last packet is not the last frame.
        {"span_bframes.mp4", testPattern() + frames(100) + kH264, true, true},
        {"span_bframes.mkv", testPattern() + frames(100) + kH264, true, true},
        // No index and no stated duration: found from the end of the bytes.
        {"span_noindex.mkv", testPattern() + frames(90) + kH264 + QStringList{"-f", "matroska", "-live", "1"}, true, true},
        // Timestamps that start late (a transport stream starts at 1.4 s).
        {"span_bframes.ts", testPattern() + frames(100) + kH264 + QStringList{"-f", "mpegts"}, true, true},
        // Anchor frames without timestamps: counted on from the last
        // anchor with one.
        {"span_mpeg2.mpg", testPattern() + frames(75) + QStringList{"-c:v", "mpeg2video", "-bf", "2", "-g", "15", "-f", "mpeg"}, true, true},
        // Camcorder and DVD program streams, with sound: the last
        // pictures often carry no time at all.
        {"span_camcorder.mod", grey() + tone(1) + seconds(1) + programStream(0, "ac3"), true, true},
        {"span_camcorder_b.tod", grey() + tone(1) + seconds(1) + programStream(2, "ac3"), true, true},
        {"span_ps10_mp2.vob", grey() + tone(10) + seconds(10) + programStream(0, "mp2"), true, true},
        {"span_ps10_b_mp2.vob", testPattern() + tone(10) + frames(250) + programStream(2, "mp2"), true, true},
        {"span_ps60_b_ac3.vob", grey() + tone(60) + seconds(60) + programStream(2, "ac3"), true, true},
        {"span_ps60_ac3.vob", grey() + tone(60) + seconds(60) + programStream(0, "ac3"), true, true},
        // At 29.97 fps a pack starting between an I-frame's sequence header
        // and its picture carries the time of the B-frame after it.
        {"span_ps_ntsc_b.vob",
         QStringList{"-f", "lavfi", "-i", "testsrc=size=320x240:rate=30000/1001"} + tone(10) + frames(300) +
             programStream(2, "ac3"), true, true},
        {"span_ps_ntsc_misstamped.vob",
         QStringList{"-f", "lavfi", "-i", "color=c=gray:size=320x240:rate=30000/1001"} + tone(10) +
             QStringList{"-vf", testmedia::frameNumberFilter() + ",format=yuv420p"} + frames(256) + programStream(2, "ac3"),
         true, true},
        {"span_ps_ntsc_flat_b.vob", grey("30000/1001") + tone(10) + seconds(10) + programStream(2, "mp2"), true, true},
        // Sound that goes on for seconds after the last picture.
        {"span_longsound.mp4", testPattern() + tone(6) + frames(50) + kH264 + QStringList{"-c:a", "aac"}, true, true},
        {"span_longsound.mkv", testPattern() + tone(6) + frames(50) + kH264 + QStringList{"-c:a", "libvorbis"}, true, true},
        {"span_mpeg4.avi", testPattern() + tone(2.4) + frames(60) + QStringList{"-c:v", "mpeg4", "-c:a", "pcm_s16le"}, true, true},
        {"span_vp9.webm",
         testPattern() + frames(60) + QStringList{"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8"}, true, true},
        {"span_hevc10.mkv",
         testPattern() + frames(40) + QStringList{"-c:v", "libx265", "-preset", "ultrafast", "-pix_fmt", "yuv420p10le",
                                       "-x265-params", "log-level=error"}, true, true},
        // Variable frame rate: 40 frames at 25 per second, then 20 at 10.
        {"span_vfr.mkv",
         testPattern() + frames(60) + QStringList{"-vf", "setpts='if(lt(N,40),N/25,1.6+(N-40)/10)/TB'", "-fps_mode",
                                       "passthrough"} + kH264, true, false},
    };
}

struct Probed {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
};

mci::VideoSpan probe(const QString& path)
{
    Probed probed;
    mci::LengthProbe probe(QFile::encodeName(path).toStdString(), -1, [&probed] {
        std::lock_guard lock(probed.mutex);
        probed.finished = true;
        probed.done.notify_all();
    });
    std::unique_lock lock(probed.mutex);
    probed.done.wait_for(lock, kDeadline, [&] { return probed.finished; });
    EXPECT_TRUE(probe.finished());
    return probe.span();
}

class VideoSpanTest : public testing::TestWithParam<Kind> {};

TEST_P(VideoSpanTest, TheFirstAndLastFramesAreFoundWithoutDecodingWhereTimestampsTell)
{
    const Kind& kind = GetParam();
    const QString path = testmedia::ffmpegOnce(kind.file, kind.args);
    ASSERT_FALSE(path.isEmpty());
    const Decoded decoded = decodedByFfprobe(path);
    ASSERT_GT(decoded.count, 0);
    const Shown shown = shownByMpv(path);
    // mpv's clock is the container's less the demuxer's start time.
    ASSERT_NEAR(shown.first + shown.start, decoded.first, 1e-4);

    const mci::VideoSpan demuxed =
        mci::demuxVideoSpan(QFile::encodeName(path).toStdString(), -1, Clock::now() + kDeadline);
    EXPECT_GE(demuxed.stream, 0);
    EXPECT_FALSE(demuxed.damagedTail);
    EXPECT_EQ(demuxed.lastFrame.has_value(), kind.demuxed);
    if (demuxed.firstFrame) { // a first frame told is the right one
        EXPECT_NEAR(*demuxed.firstFrame, decoded.first, 1e-4);
    }
    const mci::VideoSpan span = probe(path);
    ASSERT_TRUE(span.lastFrame);
    if (!kind.demuxed) {
        // Decoded by mpv, which may give anchor frames without timestamps
        // other times than ffprobe does; exact as before, not checked here.
        EXPECT_NEAR(*span.lastFrame, decoded.last, 1.5 / shown.fps);
        return;
    }
    // The frames without a time follow at the stream's rate.
    const double last = decoded.last + decoded.untimedAtEnd / shown.fps;
    EXPECT_NEAR(*span.lastFrame, last, 1e-4);

    // The device's length: the last frame's index, plus one.
    mci::Reply failure;
    auto device = mci::openMpvDevice("digitalvideo", QFile::encodeName(path).toStdString(), &failure);
    ASSERT_TRUE(device) << failure.text;
    ASSERT_FALSE(device->setTimeFormat(mci::TimeFormat::Frames).failed());
    const int64_t length = std::stoll("0" + device->status("length").text);
    EXPECT_EQ(length, std::llround((last - decoded.first) * shown.fps) + 1);
    if (kind.frameCount) {
        EXPECT_EQ(length, decoded.count);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, VideoSpanTest, testing::ValuesIn(kinds()),
                         [](const testing::TestParamInfo<Kind>& info) {
                             std::string name = info.param.file;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(LengthProbe, WhatDemuxingCannotTellIsCountedOrDecoded)
{
    // A bare H.264 stream has no timestamps at all: its frames are counted.
    const QString bare = testmedia::ffmpegOnce("span_bare.h264", testPattern() + QStringList{"-frames:v", "50"} + kH264);
    ASSERT_FALSE(bare.isEmpty());
    const mci::VideoSpan counted = probe(bare);
    EXPECT_EQ(counted.frames, 50);
    EXPECT_FALSE(counted.lastFrame);

    // Anchor frames without a timestamp at the end (B-frames in AVI): the
    // last frame comes from decoding, on a player of the probe's own.
    const QString avi = testmedia::ffmpegOnce("span_bframes.avi", testPattern() + QStringList{"-frames:v", "60", "-c:v", "mpeg4", "-bf", "2"});
    ASSERT_FALSE(avi.isEmpty());
    EXPECT_FALSE(mci::demuxVideoSpan(QFile::encodeName(avi).toStdString(), -1, Clock::now() + kDeadline).lastFrame);
    const mci::VideoSpan span = probe(avi);
    ASSERT_TRUE(span.lastFrame);
    EXPECT_NEAR(*span.lastFrame, decodedByFfprobe(avi).last, 0.06); // within a frame: see above
}

TEST(LengthProbe, DamagedEndsAnswerWithoutHanging)
{
    // Cut mid-packet: whatever is found, the probe finishes, and the last
    // frame it names lies within the file's frames.
    const std::vector<Kind> all = kinds();
    for (const char* source : {"span_bframes.ts", "span_noindex.mkv", "span_mpeg2.mpg"}) {
        SCOPED_TRACE(source);
        const Kind kind = *std::find_if(all.begin(), all.end(), [&](const Kind& k) { return std::string(k.file) == source; });
        QFile file(testmedia::ffmpegOnce(kind.file, kind.args));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const QString cut = testmedia::rawFile(QString("cut_") + source, bytes.left(bytes.size() * 7 / 10 + 77));
        const Decoded whole = decodedByFfprobe(file.fileName());
        const mci::VideoSpan span = probe(cut);
        ASSERT_TRUE(span.lastFrame);
        EXPECT_GT(*span.lastFrame, whole.first);
        EXPECT_LT(*span.lastFrame, whole.last);
    }
    // Not media at all: nothing is found, and nothing hangs.
    const mci::VideoSpan none = probe(testmedia::rawFile("span_text.mkv", QByteArray("no film here\n").repeated(100)));
    EXPECT_FALSE(none.lastFrame);
}

} // namespace
