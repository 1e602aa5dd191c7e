#include "mediachannel.h"
#include "mediacommands.h"
#include "medialog.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QStringList>

#include <functional>

namespace {

// Collects what is logged under norrava.media while it lives.
class MediaLog {
public:
    MediaLog()
    {
        lines().clear();
        previous_ = qInstallMessageHandler(&MediaLog::record);
    }
    ~MediaLog() { qInstallMessageHandler(previous_); }

    // "warning: text" or "debug: text" for every line.
    static QStringList& lines()
    {
        static QStringList list;
        return list;
    }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (context.category && QByteArray(context.category) == "norrava.media")
            lines() << (type == QtWarningMsg ? "warning: " : type == QtDebugMsg ? "debug: " : "other: ") + message;
    }

    QtMessageHandler previous_ = nullptr;
};

} // namespace

TEST(ReadNumber, TrimsAndPutsAZeroInFront)
{
    EXPECT_EQ(ReadNumber(""), 0);
    EXPECT_EQ(ReadNumber("  \t"), 0);
    EXPECT_EQ(ReadNumber("25000"), 25000);
    EXPECT_EQ(ReadNumber(" 42\r\n"), 42);
    EXPECT_EQ(ReadNumber("\x01" "7\x02"), 7);
    EXPECT_EQ(ReadNumber("2147483647"), 2147483647);
}

TEST(ReadNumber, RejectsWhatIsNotADecimalInteger)
{
    const std::pair<const char*, const char*> table[] = {
        {"true", "'0true' is not a valid integer value"},
        {"-5", "'0-5' is not a valid integer value"},
        {"0 0 320 240", "'00 0 320 240' is not a valid integer value"},
        {"12.5", "'012.5' is not a valid integer value"},
        {"2147483648", "'02147483648' is not a valid integer value"},
    };
    for (const auto& [reply, message] : table) {
        try {
            ReadNumber(reply);
            ADD_FAILURE() << reply;
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

TEST(MediaChannel, AFailedCommandRepliesEmptyAndIsLoggedWithTheReply)
{
    MediaLog log;
    EXPECT_FALSE(MediaCommand("play nothing"));
    EXPECT_EQ(MediaQuery("status nothing length"), "");
    EXPECT_EQ(MediaLog::lines(), (QStringList{
                                     "warning: \"play nothing\" failed: error 263: The device 'nothing' is not open.",
                                     "warning: \"status nothing length\" failed: error 263: The device 'nothing' is "
                                     "not open.",
                                 }));
}

TEST(MediaChannel, AnAcceptedCommandLogsNothing)
{
    MediaLog log;
    EXPECT_TRUE(MediaCommand("close all"));
    EXPECT_TRUE(MediaLog::lines().isEmpty()) << MediaLog::lines().join('\n').toStdString();
}

// With nothing open every command about the medium fails, and the log shows
// exactly what went over the wire.
TEST(MediaCommands, SendTheirCommandsAsSpelt)
{
    ASSERT_TRUE(mediacommands::closeAll());
    struct DebugOn {
        DebugOn() { QLoggingCategory::setFilterRules("norrava.media.debug=true"); }
        ~DebugOn() { QLoggingCategory::setFilterRules({}); }
    } debugOn;
    const std::pair<std::function<void()>, QString> table[] = {
        {[] { mediacommands::open("/no such/file's \"name\".mp4"); },
         "warning: \"open \"/no such/file's \"name\".mp4\" alias z notify\" failed"},
        {[] { mediacommands::play(); }, "warning: \"play z\" failed"},
        {[] { mediacommands::stop(); }, "warning: \"stop z\" failed"},
        {[] { mediacommands::seekTo(1234); }, "warning: \"seek z to 1234\" failed"},
        {[] { mediacommands::useFrameTimeFormat(); }, "debug: \"set z time format frames\" refused"},
        {[] { mediacommands::setWindow(7); }, "warning: \"window z handle 7\" failed"},
        {[] { mediacommands::redraw(18446744073709551615ull); },
         "warning: \"update z hdc 18446744073709551615\" failed"},
        {[] { mediacommands::putDestination(1920, 1080); }, "warning: \"put z destination at 0 0 1920 1080\" failed"},
        {[] { mediacommands::status(mediacommands::kFrameRate); }, "warning: \"status z frame rate\" failed"},
        {[] { mediacommands::statusNumber(mediacommands::kPosition); }, "warning: \"status z position\" failed"},
        {[] { mediacommands::capability(mediacommands::kHasVideo); }, "warning: \"capability z has video\" failed"},
        {[] { mediacommands::sourceRect(); }, "warning: \"where z source\" failed"},
    };
    for (const auto& [send, line] : table) {
        MediaLog log;
        send();
        ASSERT_EQ(MediaLog::lines().size(), 1) << line.toStdString();
        EXPECT_TRUE(MediaLog::lines()[0].startsWith(line + ": error ")) << MediaLog::lines()[0].toStdString();
    }
}

// A wave device counts in milliseconds and refuses frames, as the player
// expects: no warning for that.
TEST(MediaCommands, AnExpectedRefusalIsNoWarning)
{
    const QString tone = testmedia::wavFile("mediacommands_tone", 44100, 2, "pcm_s16le", 500);
    ASSERT_TRUE(mediacommands::open(tone.toStdString()));
    MediaLog log;
    EXPECT_FALSE(mediacommands::useFrameTimeFormat());
    EXPECT_TRUE(MediaLog::lines().isEmpty()) << MediaLog::lines().join('\n').toStdString();
    EXPECT_TRUE(mediacommands::closeAll());
}

// A player run from a terminal prints no counts and no expected refusals.
TEST(MediaLog, OnlyWarningsAreOnUnlessAskedFor)
{
    EXPECT_TRUE(mci::lcMedia().isWarningEnabled());
    EXPECT_FALSE(mci::lcMedia().isDebugEnabled());
    EXPECT_FALSE(mci::lcMediaStats().isDebugEnabled());
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
