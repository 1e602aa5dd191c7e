// Damaged, lying, mislabelled and oddly named files given to norrava-mci:
// each is refused with an error line or plays as far as it can, the tool
// never crashes or hangs, and a good file plays in the same run afterwards.
#include "hostilemedia.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

struct ToolRun {
    bool finished = false;
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QStringList lines;
    QString errors;
};

// Bounded generously: a refused open gives up after 15 s at most.
ToolRun runTool(const QStringList& commands, int timeoutMs = 180000)
{
    QProcess tool;
    tool.start(QStringLiteral(NORRAVA_MCI_TOOL), {});
    ToolRun result;
    if (!tool.waitForStarted(30000))
        return result;
    tool.write((commands.join('\n') + '\n').toUtf8());
    tool.closeWriteChannel();
    result.finished = tool.waitForFinished(timeoutMs);
    if (!result.finished) {
        tool.kill();
        tool.waitForFinished(10000);
    }
    result.exitCode = tool.exitCode();
    result.status = tool.exitStatus();
    result.lines = QString::fromUtf8(tool.readAllStandardOutput()).split('\n');
    if (!result.lines.isEmpty() && result.lines.last().isEmpty())
        result.lines.removeLast();
    result.errors = QString::fromUtf8(tool.readAllStandardError()).right(2000);
    return result;
}

QString quoted(const QString& path)
{
    return '"' + path + '"';
}


bool isErrorLine(const QString& line)
{
    static const QRegularExpression pattern("^error [0-9]+: .+");
    return pattern.match(line).hasMatch();
}

} // namespace

TEST(HostileMedia, ToolRefusesOrPlaysEveryFileAndThenPlaysAGoodOne)
{
    const QString good = hostilemedia::goodVideo();
    ASSERT_FALSE(good.isEmpty());
    QStringList oddPictures; // they have a test of their own below
    for (const hostilemedia::OddPicture& picture : hostilemedia::oddPictures())
        oddPictures << picture.path;
    for (const hostilemedia::Case& c : hostilemedia::cases()) {
        if (oddPictures.contains(c.path))
            continue;
        SCOPED_TRACE(c.label.toStdString());
        // After the hostile file: the good one under another alias, played
        // to a position past its start.
        const QStringList commands{"open " + quoted(c.path) + " alias z",
                                   "status z length",
                                   "play z",
                                   "status z mode",
                                   "seek z to end wait",
                                   "status z mode",
                                   "close all",
                                   "open " + quoted(good) + " alias g",
                                   "set g time format frames",
                                   "status g length",
                                   "play g from 0 to 10 wait",
                                   "status g position"};
        const ToolRun out = runTool(commands);
        ASSERT_TRUE(out.finished) << "the tool hung";
        ASSERT_EQ(out.status, QProcess::NormalExit) << out.errors.toStdString();
        EXPECT_EQ(out.exitCode, 0) << out.errors.toStdString();
        ASSERT_EQ(out.lines.size(), commands.size()) << out.lines.join(" | ").toStdString();

        const bool opened = out.lines[0].isEmpty();
        EXPECT_TRUE(opened || isErrorLine(out.lines[0])) << out.lines[0].toStdString();
        if (c.mustRefuse) {
            EXPECT_FALSE(opened) << "opened a file with nothing playable in it";
        }
        if (c.mustOpen) {
            EXPECT_TRUE(opened) << out.lines[0].toStdString();
        }
        if (opened) {
            bool lengthOk = false;
            EXPECT_GE(out.lines[1].toLongLong(&lengthOk), 0);
            EXPECT_TRUE(lengthOk) << out.lines[1].toStdString();
            EXPECT_TRUE(out.lines[3] == "playing" || out.lines[3] == "stopped") << out.lines[3].toStdString();
        } else {
            // Nothing was opened under the alias.
            EXPECT_TRUE(isErrorLine(out.lines[1]));
        }

        EXPECT_EQ(out.lines[7], "") << out.lines[7].toStdString();
        EXPECT_GT(out.lines[9].toInt(), 10);
        EXPECT_EQ(out.lines[10], "");
        EXPECT_EQ(out.lines[11], "10");
    }
}

TEST(HostileMedia, ToolReportsMissingFilesAndFoldersWithTheirNames)
{
    const QString missing = testmedia::dir() + "/hostile/no such \"file\".avi";
    const QString folder = testmedia::dir() + "/hostile";
    const ToolRun out = runTool({"open " + quoted(missing) + " alias z", "open " + quoted(folder) + " alias z",
                                 "open " + quoted(folder) + " type waveaudio alias z"});
    ASSERT_TRUE(out.finished);
    ASSERT_EQ(out.lines.size(), 3);
    for (const QString& line : out.lines)
        EXPECT_TRUE(isErrorLine(line)) << line.toStdString();
    EXPECT_TRUE(out.lines[0].contains("no such \"file\".avi")) << out.lines[0].toStdString();
}

TEST(HostileMedia, OddPictureShapesOpenAndEveryDestinationSizeIsCaptured)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const hostilemedia::OddPicture& picture : hostilemedia::oddPictures()) {
        SCOPED_TRACE(picture.label.toStdString());
        ASSERT_FALSE(picture.path.isEmpty());
        // Destinations the render API must cope with: a pixel, a few, far
        // wider or taller than high, and larger than the picture.
        QList<QSize> sizes{{1, 1}, {3, 2}, {16384, 2}, {2, 16384}, {241, 179}};
        const QSize shown = picture.shown.isEmpty() ? QSize(160, 120) : picture.shown;
        if (shown.width() < 1000)
            sizes.append(shown * 3);
        QStringList commands{"open " + quoted(picture.path) + " alias z", "where z source", "set z time format frames",
                             "status z length"};
        QStringList captures;
        for (const QSize& size : sizes) {
            captures << folder.path() + QStringLiteral("/%1x%2.bmp").arg(size.width()).arg(size.height());
            commands << QStringLiteral("put z destination at 0 0 %1 %2").arg(size.width()).arg(size.height())
                     << "seek z to 1" << "capture z as " + quoted(captures.last());
        }
        commands << "put z destination at 0 0 8193 4353" << "play z" << "status z mode" << "seek z to end wait"
                 << "capture z as " + quoted(folder.path() + "/end.bmp") << "close all";
        const ToolRun out = runTool(commands);
        ASSERT_TRUE(out.finished) << "the tool hung";
        ASSERT_EQ(out.status, QProcess::NormalExit) << out.errors.toStdString();
        ASSERT_EQ(out.lines.size(), commands.size()) << out.lines.join(" | ").toStdString();
        EXPECT_EQ(out.lines[0], "");
        if (!picture.shown.isEmpty()) {
            EXPECT_EQ(out.lines[1], QStringLiteral("0 0 %1 %2").arg(picture.shown.width()).arg(picture.shown.height()));
        }
        EXPECT_GT(out.lines[3].toLongLong(), 0);
        for (int i = 0; i < sizes.size(); ++i) {
            SCOPED_TRACE(captures[i].toStdString());
            EXPECT_EQ(out.lines[4 + 3 * i], "");
            EXPECT_EQ(out.lines[6 + 3 * i], "") << "capture";
            EXPECT_EQ(QImageReader(captures[i]).size(), sizes[i]);
        }
        const int tail = 4 + 3 * int(sizes.size());
        EXPECT_TRUE(isErrorLine(out.lines[tail])) << "a destination of more than 8192 x 4352 pixels";
        EXPECT_TRUE(out.lines[tail + 2] == "playing" || out.lines[tail + 2] == "stopped") << out.lines[tail + 2].toStdString();
        EXPECT_EQ(out.lines[tail + 4], "");
        EXPECT_EQ(QImageReader(folder.path() + "/end.bmp").size(), sizes.last());
    }
}
