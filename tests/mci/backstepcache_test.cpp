#include "backstepcache.h"
#include "lengthprobe.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QFile>

#include <condition_variable>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using State = mci::BackStepCache::State;

// Long groups of pictures with reordered frames, as films are cut: a step
// back from late in a group needs the whole group decoded.
constexpr int kFrames = 160;
constexpr int kGroup = 64;

struct Kind {
    const char* name;
    const char* extension;
    QStringList encoder;
};

void PrintTo(const Kind& kind, std::ostream* out)
{
    *out << kind.name;
}

// A cache over a frame-numbered clip, and a way to wait for its frames.
class Cached {
public:
    Cached(const QString& path, QSize size, size_t budget = 256u << 20, int rotation = 0)
    {
        const std::string file = QFile::encodeName(path).toStdString();
        const mci::VideoSpan span = mci::demuxVideoSpan(file, -1, Clock::now() + 60s);
        EXPECT_TRUE(span.firstFrame && span.lastFrame);
        mci::BackStepCache::Setup setup;
        setup.path = file;
        setup.stream = span.stream;
        setup.firstFrame = span.firstFrame.value_or(0);
        setup.fps = 25;
        setup.length = std::llround((span.lastFrame.value_or(0) - setup.firstFrame) * setup.fps) + 1;
        setup.size = size;
        setup.rotation = rotation;
        setup.budget = budget;
        length = setup.length;
        cache = std::make_unique<mci::BackStepCache>(setup, [this] {
            std::lock_guard lock(mutex);
            ++news;
            changed.notify_all();
        });
    }

    // Asks for frame n and waits until it is decided.
    State ask(int64_t n, int64_t stride = 1)
    {
        cache->request(n, stride);
        return waitFor(n);
    }

    State waitFor(int64_t n)
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, 60s, [&] { return cache->state(n) != State::Pending; });
        return cache->state(n);
    }

    int shown(int64_t n) { return testmedia::readFrameNumber(cache->picture(n)); }

    int64_t length = 0;
    std::unique_ptr<mci::BackStepCache> cache;

private:
    std::mutex mutex;
    std::condition_variable changed;
    int news = 0;
};

class BackStepFrames : public testing::TestWithParam<Kind> {};

TEST_P(BackStepFrames, EveryFrameSteppedBackToIsTheExactFrame)
{
    const Kind& kind = GetParam();
    const QString path =
        testmedia::frameClip(QString("backstep_") + kind.name, kind.extension, kind.encoder, kFrames, 320, 240, "25", false);
    ASSERT_FALSE(path.isEmpty());
    Cached cached(path, QSize(320, 240));
    ASSERT_EQ(cached.length, kFrames);
    // From the end back across two group boundaries, one frame at a time.
    for (int64_t n = kFrames - 1; n >= kFrames - 1 - kGroup - 40; --n) {
        SCOPED_TRACE(n);
        ASSERT_EQ(cached.ask(n), State::Ready);
        const QImage picture = cached.cache->picture(n);
        EXPECT_EQ(picture.size(), QSize(320, 240));
        EXPECT_EQ(picture.format(), QImage::Format_RGB32);
        EXPECT_EQ(testmedia::readFrameNumber(picture), n);
    }
    // The visual rewind: every 25th frame, down to the first.
    for (int64_t n = kFrames - 3; n >= 0; n -= 25) {
        SCOPED_TRACE(n);
        ASSERT_EQ(cached.ask(n, 25), State::Ready);
        EXPECT_EQ(cached.shown(n), n);
    }
    ASSERT_EQ(cached.ask(0), State::Ready);
    EXPECT_EQ(cached.shown(0), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Containers, BackStepFrames,
    testing::Values(Kind{"h264_mp4", "mp4", {"-c:v", "libx264", "-bf", "2", "-g", "64", "-keyint_min", "64"}},
                    Kind{"h264_mkv", "mkv", {"-c:v", "libx264", "-bf", "3", "-g", "64", "-keyint_min", "64"}},
                    // Timestamps from 1.4 s on, and no index.
                    Kind{"h264_ts", "ts", {"-c:v", "libx264", "-bf", "2", "-g", "64", "-f", "mpegts"}},
                    Kind{"vp9_webm", "webm", {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-g", "64"}},
                    Kind{"hevc10_mkv", "mkv", {"-c:v", "libx265", "-preset", "ultrafast", "-pix_fmt", "yuv420p10le",
                                               "-x265-params", "keyint=64:log-level=error"}}),
    [](const testing::TestParamInfo<Kind>& info) { return std::string(info.param.name); });

QString h264Clip()
{
    return testmedia::frameClip("backstep_h264_mp4", "mp4", {"-c:v", "libx264", "-bf", "2", "-g", "64", "-keyint_min", "64"},
                                kFrames, 320, 240, "25", false);
}

TEST(BackStepCache, KeepsFramesWithinItsBudgetAtTheSizeShown)
{
    // Room for ten small frames (of an odd size): stepping back through
    // forty still shows each exactly, and the frames held never outgrow the
    // budget.
    const QSize size(157, 117);
    const size_t frameBytes = 192 * 117 + 2 * 128 * 59 + 64; // rows padded for the scaler
    Cached cached(h264Clip(), size, 10 * frameBytes);
    for (int64_t n = 150; n > 110; --n) {
        SCOPED_TRACE(n);
        ASSERT_EQ(cached.ask(n), State::Ready);
        EXPECT_EQ(cached.shown(n), n);
        EXPECT_EQ(cached.cache->picture(n).size(), size);
        EXPECT_LE(cached.cache->bytesHeld(), 10 * frameBytes);
    }
}

TEST(BackStepCache, TurnsPicturesUpright)
{
    // A picture shown 120 x 160 of a 160 x 120 frame turned a quarter
    // clockwise: the frame's top-left corner lands at the top right.
    Cached cached(h264Clip(), QSize(120, 160), 256u << 20, 90);
    ASSERT_EQ(cached.ask(37), State::Ready);
    const QImage picture = cached.cache->picture(37);
    ASSERT_EQ(picture.size(), QSize(120, 160));
    EXPECT_EQ(testmedia::readFrameNumber(picture.transformed(QTransform().rotate(-90))), 37);
}

TEST(BackStepCache, FramesThatCannotBeHadAreUnavailable)
{
    Cached cached(h264Clip(), QSize(320, 240));
    // Past the end: the last frame is asked for instead.
    cached.cache->request(kFrames + 10, 1);
    EXPECT_EQ(cached.waitFor(kFrames - 1), State::Ready);
    EXPECT_EQ(cached.shown(kFrames - 1), kFrames - 1);

    // A file that cannot be read gives nothing, and says so.
    mci::BackStepCache::Setup setup;
    setup.path = QFile::encodeName(testmedia::rawFile("backstep_text.mp4", QByteArray("not a film\n").repeated(50)))
                     .toStdString();
    setup.stream = 0;
    setup.length = 100;
    setup.size = QSize(320, 240);
    std::mutex mutex;
    std::condition_variable changed;
    mci::BackStepCache broken(setup, [&] {
        std::lock_guard lock(mutex);
        changed.notify_all();
    });
    broken.request(50, 1);
    std::unique_lock lock(mutex);
    changed.wait_for(lock, 60s, [&] { return broken.state(50) != State::Pending; });
    EXPECT_EQ(broken.state(50), State::Unavailable);
    EXPECT_TRUE(broken.picture(50).isNull());
}

} // namespace
