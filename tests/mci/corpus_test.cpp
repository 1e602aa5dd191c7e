// The files people actually have, opened the way the player opens them: by
// extension through the built-in list. Each opens with the right device,
// tells a plausible length and picture size, lands exact seeks on the frame
// asked for, captures a picture with something in it, plays on and closes.
#include "mcisession.h"
#include "realmedia.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

struct Layer {
    mci::Session session{mci::openDevice, mci::ExtensionList::builtIn()};

    // The reply, or "error N" when the command fails.
    std::string send(const std::string& command)
    {
        std::string reply;
        const int code = session.send(command, &reply);
        return code == mci::Ok ? reply : "error " + std::to_string(code) + ": " + reply;
    }

    int64_t number(const std::string& command) { return std::stoll("0" + send(command)); }

    // Plays from `from` and waits until the position has moved past it.
    bool playsOn(int64_t from)
    {
        if (send("play z from " + std::to_string(from)) != "")
            return false;
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < deadline) {
            if (number("status z position") > from)
                return true;
            QThread::msleep(20);
        }
        return false;
    }
};

std::string quoted(const QString& path)
{
    return '"' + QFile::encodeName(path).toStdString() + '"';
}

// Something drawn, not one flat colour.
bool hasContent(const QImage& image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    int low = 255, high = 0;
    for (int y = 0; y < gray.height(); y += 2) {
        const uchar* line = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); x += 2) {
            low = std::min<int>(low, line[x]);
            high = std::max<int>(high, line[x]);
        }
    }
    return high - low > 64;
}

std::string whereReply(QSize size)
{
    return "0 0 " + std::to_string(size.width()) + " " + std::to_string(size.height());
}

} // namespace

TEST(RealWorldMedia, EachKindOpensMeasuresSeeksCapturesAndPlays)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    Layer layer;
    for (const realmedia::Sample& sample : realmedia::corpus()) {
        SCOPED_TRACE(sample.label.toStdString());
        if (sample.path.isEmpty()) {
            if (sample.why.isEmpty())
                ADD_FAILURE() << "the sample could not be made";
            else
                std::printf("[ corpus ] %s: not tried, %s\n", qPrintable(sample.label), qPrintable(sample.why));
            continue;
        }
        ASSERT_EQ(layer.send("open " + quoted(sample.path) + " alias z"), "");
        const std::string device = layer.send("capability z device type");
        EXPECT_EQ(device, sample.deviceType.toStdString());
        const bool video = sample.deviceType == "digitalvideo";
        EXPECT_EQ(layer.send("capability z has video"), video ? "true" : "false");
        if (video) {
            EXPECT_EQ(layer.send("set z time format frames"), "");
        }
        const int64_t length = layer.number("status z length");
        EXPECT_GE(length, sample.minLength);
        EXPECT_LE(length, sample.maxLength);

        std::string source = "-";
        std::string sound;
        if (sample.sampleRate) {
            EXPECT_EQ(layer.number("status z samplespersec"), sample.sampleRate);
            EXPECT_EQ(layer.number("status z channels"), sample.channels);
            sound = ", " + layer.send("status z samplespersec") + " Hz, " + layer.send("status z channels") +
                    " channels, " + layer.send("status z bitspersample") + " bit";
        }
        int exact = 0;
        bool captured = false;
        if (video) {
            source = layer.send("where z source");
            EXPECT_EQ(source, whereReply(sample.source));
            for (const realmedia::Seek& seek : sample.seeks) {
                SCOPED_TRACE("seek to " + std::to_string(seek.to));
                const QString bmp = folder.path() + "/frame.bmp";
                QFile::remove(bmp);
                EXPECT_EQ(layer.send("seek z to " + std::to_string(seek.to)), "");
                EXPECT_EQ(layer.send("capture z as " + quoted(bmp)), "");
                EXPECT_EQ(layer.number("status z position"), seek.to);
                const QImage picture(bmp);
                EXPECT_EQ(picture.size(), sample.source);
                const int shows = testmedia::readFrameNumber(picture);
                EXPECT_EQ(shows, seek.shows);
                exact += shows == seek.shows;
                const bool content = hasContent(picture);
                EXPECT_TRUE(content) << "a flat picture";
                captured = captured || content;
            }
        }
        const int64_t start = video && !sample.seeks.isEmpty() ? std::min<int64_t>(sample.seeks.front().to, length / 2) : 0;
        const bool plays = layer.playsOn(start);
        EXPECT_TRUE(plays) << "the position did not move on from " << start;
        EXPECT_EQ(layer.send("close z"), "");

        std::printf("[ corpus ] %s: %s, length %lld, source %s%s, exact seeks %d of %d, capture %s, %s\n",
                    qPrintable(sample.label), device.c_str(), (long long)length, source.c_str(), sound.c_str(), exact,
                    int(sample.seeks.size()), video ? (captured ? "ok" : "flat") : "-", plays ? "plays" : "does not play");
    }
}

TEST(RealWorldMedia, EveryContainerOfTheBuiltInListOpensWithItsDevice)
{
    Layer layer;
    for (const realmedia::Sample& sample : realmedia::containers()) {
        SCOPED_TRACE(sample.label.toStdString());
        if (sample.path.isEmpty()) {
            if (sample.why.isEmpty())
                ADD_FAILURE() << "the sample could not be made";
            else
                std::printf("[ container ] %s: not tried, %s\n", qPrintable(sample.label), qPrintable(sample.why));
            continue;
        }
        // No type given: the extension chooses the device.
        ASSERT_EQ(layer.send("open " + quoted(sample.path) + " alias z"), "");
        const std::string device = layer.send("capability z device type");
        EXPECT_EQ(device, sample.deviceType.toStdString());
        const bool video = sample.deviceType == "digitalvideo";
        std::string source = "-";
        if (video) {
            EXPECT_EQ(layer.send("set z time format frames"), "");
            source = layer.send("where z source");
            EXPECT_EQ(source, whereReply(sample.source));
        }
        const int64_t length = layer.number("status z length");
        EXPECT_GE(length, sample.minLength);
        EXPECT_LE(length, sample.maxLength);
        const bool plays = layer.playsOn(0);
        EXPECT_TRUE(plays);
        EXPECT_EQ(layer.send("close z"), "");
        std::printf("[ container ] %s: %s, length %lld, source %s, %s\n", qPrintable(sample.label), device.c_str(),
                    (long long)length, source.c_str(), plays ? "plays" : "does not play");
    }
}
