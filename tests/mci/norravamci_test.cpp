#include "mcisession.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ToolRun {
    int exitCode = -1;
    QStringList lines;
};

ToolRun runTool(const QByteArray& input, const QStringList& args = {})
{
    QProcess tool;
    tool.start(QStringLiteral(NORRAVA_MCI_TOOL), args);
    EXPECT_TRUE(tool.waitForStarted(30000));
    tool.write(input);
    tool.closeWriteChannel();
    EXPECT_TRUE(tool.waitForFinished(120000));
    ToolRun result;
    result.exitCode = tool.exitCode();
    const QString text = QString::fromUtf8(tool.readAllStandardOutput());
    result.lines = text.split('\n');
    if (!result.lines.isEmpty() && result.lines.last().isEmpty())
        result.lines.removeLast();
    return result;
}

} // namespace

TEST(NorravaMci, OneLinePerCommandAndNoneForBlanksOrComments)
{
    const ToolRun out = runTool("# a comment\n\n   \nclose all\r\nstatus z mode\n  # indented comment\ndance z\n");
    EXPECT_EQ(out.exitCode, 0);
    ASSERT_EQ(out.lines.size(), 3);
    EXPECT_EQ(out.lines[0], "");
    EXPECT_TRUE(out.lines[1].startsWith("error 263: ")) << out.lines[1].toStdString();
    EXPECT_TRUE(out.lines[2].startsWith("error 261: ")) << out.lines[2].toStdString();
}

TEST(NorravaMci, HelpExplainsItself)
{
    const ToolRun out = runTool("", {"--help"});
    EXPECT_EQ(out.exitCode, 0);
    const QString help = out.lines.join('\n');
    EXPECT_TRUE(help.contains("one per line"));
    for (std::string_view verb : mci::knownVerbs())
        EXPECT_TRUE(help.contains(QString::fromUtf8(verb.data(), qsizetype(verb.size())))) << verb;
    EXPECT_NE(runTool("", {"--bogus"}).exitCode, 0);
}

TEST(NorravaMci, ResizeSeekAndCaptureWithoutWaitingShowTheSoughtFrame)
{
    // An H.264 clip without sound; each capture follows a new destination
    // and a seek that is not waited for.
    const QString clip =
        testmedia::frameClip("race_h264", "mp4", {"-c:v", "libx264", "-g", "25"}, 500, 320, 240, "25", false);
    ASSERT_FALSE(clip.isEmpty());
    QTemporaryDir dir;
    struct Step {
        QSize size;
        int frame;
    };
    const Step steps[] = {{{240, 180}, 333}, {{1600, 1200}, 10}, {{241, 181}, 200}, {{2400, 1800}, 201},
                          {{320, 240}, 202}, {{1200, 900}, 499}, {{160, 120}, 0},   {{242, 182}, 51}};
    QByteArray input = "open \"" + QFile::encodeName(clip) + "\" alias z\nset z time format frames\n";
    int index = 0;
    for (int round = 0; round < 2; ++round) {
        for (const Step& step : steps) {
            input += QStringLiteral("put z destination at 0 0 %1 %2\nseek z to %3\ncapture z as \"%4/%5.bmp\"\n")
                         .arg(step.size.width()).arg(step.size.height()).arg(step.frame).arg(dir.path()).arg(index++)
                         .toUtf8();
        }
    }
    const ToolRun out = runTool(input);
    EXPECT_EQ(out.exitCode, 0);
    ASSERT_EQ(out.lines.size(), 2 + 3 * index);
    index = 0;
    for (int round = 0; round < 2; ++round) {
        for (const Step& step : steps) {
            SCOPED_TRACE(index);
            EXPECT_EQ(out.lines[2 + 3 * index + 2], "");
            const QImage saved(QStringLiteral("%1/%2.bmp").arg(dir.path()).arg(index++));
            EXPECT_EQ(saved.size(), step.size);
            EXPECT_EQ(testmedia::readFrameNumber(saved), step.frame);
        }
    }
}
