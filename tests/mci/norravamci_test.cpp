#include "testmedia.h"

#include <gtest/gtest.h>

#include <QProcess>

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
    EXPECT_TRUE(out.lines.join('\n').contains("one per line"));
    EXPECT_NE(runTool("", {"--bogus"}).exitCode, 0);
}
