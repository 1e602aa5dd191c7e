#include "commandparser.h"
#include "mcisession.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <vector>

using namespace mci;

namespace {

// Remembers what it was asked; answers a status item with the item itself and
// knows every item but those with "bogus" in them.
struct Calls {
    std::string openedType, openedPath, last;
    int opens = 0, destroyed = 0;
    double gain = -1;
    // Devices opened from a path with "slow" in it go on opening until
    // openingEnds is set, or until someone waits for them.
    std::optional<Reply> openingEnds;
    Reply awaitedEnd = Reply::ok();
    int awaited = 0;
};
Calls calls;

class FakeDevice : public Device {
public:
    ~FakeDevice() override { ++calls.destroyed; }
    std::string type() const override { return calls.openedType; }
    Reply play(std::optional<int64_t> from, std::optional<int64_t> to, bool wait) override
    {
        return record("play " + (from ? std::to_string(*from) : "-") + " " + (to ? std::to_string(*to) : "-") +
                      (wait ? " wait" : ""));
    }
    Reply stop() override { return record("stop"); }
    Reply pause() override { return record("pause"); }
    Reply resume() override { return record("resume"); }
    Reply seek(SeekTarget target, int64_t position, bool wait) override
    {
        const char* names[] = {"position", "start", "end"};
        return record(std::string("seek ") + names[int(target)] + " " + std::to_string(position) + (wait ? " wait" : ""));
    }
    Reply setTimeFormat(TimeFormat format) override
    {
        if (format == TimeFormat::Frames && calls.openedType != "digitalvideo")
            return Reply::error(ErrBadTimeFormat, "no frames here");
        return record(format == TimeFormat::Frames ? "frames" : "ms");
    }
    Reply deviceStatus(std::string_view item) override
    {
        return known(item) ? record("status " + std::string(item), std::string(item))
                           : unknownItem(Query::Status, item);
    }
    Reply deviceCapability(std::string_view item) override
    {
        return known(item) ? record("capability " + std::string(item)) : unknownItem(Query::Capability, item);
    }
    Reply where(std::string_view item) override
    {
        return known(item) ? record("where " + std::string(item)) : unknownItem(Query::Where, item);
    }
    Reply window(uint64_t handle) override { return record("window " + std::to_string(handle)); }
    Reply update(uint64_t hdc) override { return record("update " + std::to_string(hdc)); }
    Reply putDestination(const Rect& r) override
    {
        return record("put " + std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.width) + " " +
                      std::to_string(r.height));
    }
    Reply capture(const std::string& path) override { return record("capture " + path); }
    void setOutputGain(double gain) override { calls.gain = gain; }

private:
    static bool known(std::string_view item) { return item.find("bogus") == std::string_view::npos; }
    static Reply record(std::string what, std::string reply = {})
    {
        calls.last = std::move(what);
        return Reply::ok(std::move(reply));
    }
};

class SlowDevice : public FakeDevice {
public:
    std::optional<Reply> openingResult() override { return calls.openingEnds; }
    Reply awaitOpened() override
    {
        ++calls.awaited;
        if (!calls.openingEnds)
            calls.openingEnds = calls.awaitedEnd;
        return *calls.openingEnds;
    }
};

std::unique_ptr<Device> fakeOpener(std::string_view type, const std::string& path, Reply* failure)
{
    if (path.find("refuse") != std::string::npos) {
        *failure = Reply::error(ErrCannotLoadDriver, "no decoder");
        return nullptr;
    }
    ++calls.opens;
    calls.openedType = type;
    calls.openedPath = path;
    if (path.find("slow") != std::string::npos)
        return std::make_unique<SlowDevice>();
    return std::make_unique<FakeDevice>();
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override { calls = {}; }

    // A real file in a fresh folder, since open checks that it exists.
    std::string file(const std::string& name)
    {
        const QString dir = testmedia::dir() + "/session";
        QDir().mkpath(dir);
        const QString path = dir + "/" + QString::fromUtf8(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        return path.toStdString();
    }

    int send(const std::string& command, std::string* reply = nullptr) { return session.send(command, reply); }

    Session session{fakeOpener, ExtensionList::builtIn()};
};

TEST_F(SessionTest, OpenChoosesTheDeviceByExtensionAndTypeOverrides)
{
    EXPECT_EQ(send("open \"" + file("a.mp4") + "\" alias z"), Ok);
    EXPECT_EQ(calls.openedType, "digitalvideo");
    EXPECT_EQ(send("OPEN \"" + file("b.MID") + "\" ALIAS Music"), Ok);
    EXPECT_EQ(calls.openedType, "sequencer");
    EXPECT_EQ(send("open \"" + file("c.mp4") + "\" type waveaudio alias snd"), Ok);
    EXPECT_EQ(calls.openedType, "waveaudio");
    EXPECT_TRUE(session.isOpen("z"));
    EXPECT_TRUE(session.isOpen("MUSIC"));
    EXPECT_TRUE(session.isOpen("snd"));
}

TEST_F(SessionTest, PathsKeepQuotesBlanksAndNonAsciiLetters)
{
    const std::string odd = file("a\"b.avi");
    EXPECT_EQ(send("open \"" + odd + "\" alias z"), Ok);
    EXPECT_EQ(calls.openedPath, odd);

    const std::string spaced = file("Smörgåsbord \"live\" at Åre.wav");
    EXPECT_EQ(send("open \"" + spaced + "\" type waveaudio alias w wait"), Ok);
    EXPECT_EQ(calls.openedPath, spaced);
}

TEST_F(SessionTest, LongCommandsAreTakenWhole)
{
    std::string name(230, 'n');
    const std::string path = file(name + ".mp4");
    const std::string command = "open \"" + path + "\" alias z";
    ASSERT_GT(command.size(), 255u);
    EXPECT_EQ(send(command), Ok);
    EXPECT_EQ(calls.openedPath, path);
}

TEST_F(SessionTest, OpenFailuresLeaveTheAliasClosed)
{
    std::string reply;
    EXPECT_EQ(send("open \"/no/such/file.avi\" alias z", &reply), ErrFileNotFound);
    EXPECT_NE(reply.find("/no/such/file.avi"), std::string::npos);
    EXPECT_EQ(send("open \"" + file("notes.txt") + "\" alias z"), ErrExtensionNotFound);
    EXPECT_EQ(send("open \"" + file("refuse.avi") + "\" alias z", &reply), ErrCannotLoadDriver);
    EXPECT_EQ(reply, "no decoder");
    EXPECT_FALSE(session.isOpen("z"));
    EXPECT_EQ(calls.opens, 0);
    EXPECT_EQ(send("open \"" + file("a.avi") + " alias z"), ErrNoClosingQuote);
    EXPECT_EQ(send("open \"" + file("a.avi") + "\" alias"), ErrMissingStringArgument);
    EXPECT_EQ(send("open \"" + file("a.avi") + "\" colour red alias z"), ErrUnrecognizedKeyword);
}

TEST_F(SessionTest, AliasesAreUniqueAndCloseAllClosesEverything)
{
    ASSERT_EQ(send("open \"" + file("a.avi") + "\" alias one"), Ok);
    EXPECT_EQ(send("open \"" + file("b.avi") + "\" alias ONE"), ErrDuplicateAlias);
    ASSERT_EQ(send("open \"" + file("c.avi") + "\" alias two"), Ok);
    EXPECT_EQ(send("close one"), Ok);
    EXPECT_EQ(calls.destroyed, 1);
    EXPECT_EQ(send("close one"), ErrInvalidDeviceName);
    EXPECT_EQ(send("close all"), Ok);
    EXPECT_EQ(calls.destroyed, 2);
    EXPECT_EQ(send("close all"), Ok);
    EXPECT_EQ(send("status two mode"), ErrInvalidDeviceName);
}

TEST_F(SessionTest, CommandsReachTheDeviceWithTheirArguments)
{
    ASSERT_EQ(send("open \"" + file("a.mkv") + "\" alias z"), Ok);
    const std::pair<const char*, const char*> table[] = {
        {"play z", "play - -"},
        {"play z from 10 to 20 wait", "play 10 20 wait"},
        {"Play Z To 7", "play - 7"},
        {"seek z to 0", "seek position 0"},
        {"seek z to 1234 wait", "seek position 1234 wait"},
        {"seek z to start", "seek start 0"},
        {"seek z to END", "seek end 0"},
        {"set z time format frames", "frames"},
        {"set z time format milliseconds", "ms"},
        {"status   z   FRAME   rate", "status frame rate"},
        {"capability z has video", "capability has video"},
        {"window z handle 4294967296", "window 4294967296"},
        {"update z hdc 3", "update 3"},
        {"put z destination at 0 0 640 480", "put 0 0 640 480"},
        {"capture z as \"/tmp/x \"y\".bmp\"", "capture /tmp/x \"y\".bmp"},
        {"stop z", "stop"},
        {"pause z notify", "pause"},
        {"resume z", "resume"},
    };
    for (const auto& [command, expected] : table) {
        EXPECT_EQ(send(command), Ok) << command;
        EXPECT_EQ(calls.last, expected) << command;
    }
    std::string reply;
    EXPECT_EQ(send("status z length", &reply), Ok);
    EXPECT_EQ(reply, "length");
}

TEST_F(SessionTest, BadCommandsGetAnErrorAndAText)
{
    ASSERT_EQ(send("open \"" + file("a.wav") + "\" alias z"), Ok);
    const std::pair<const char*, int> table[] = {
        {"", ErrMissingCommandString},
        {"   ", ErrMissingCommandString},
        {"dance z", ErrUnrecognizedCommand},
        {"play", ErrMissingParameter},
        {"play q", ErrInvalidDeviceName},
        {"seek z to", ErrUnrecognizedKeyword},
        {"seek z to -5", ErrBadInteger},
        {"seek z to 12abc", ErrBadInteger},
        {"seek z to 99999999999999999999999", ErrBadInteger},
        {"play z from", ErrMissingParameter},
        {"play z sideways", ErrUnrecognizedKeyword},
        {"set z time format frames", ErrBadTimeFormat},
        {"set z time format fortnights", ErrBadTimeFormat},
        {"set z colour blue", ErrUnrecognizedKeyword},
        {"status z", ErrMissingParameter},
        {"stop z now", ErrExtraCharacters},
        {"window z handle", ErrMissingParameter},
        {"put z destination at 0 0 10", ErrUnrecognizedKeyword},
        {"capture z as", ErrUnrecognizedKeyword},
        {"capture z as \"unterminated", ErrNoClosingQuote},
    };
    for (const auto& [command, code] : table) {
        std::string reply;
        EXPECT_EQ(send(command, &reply), code) << command;
        EXPECT_FALSE(reply.empty()) << command;
    }
}

TEST_F(SessionTest, RepliesAreCutAt249BytesOnACharacterBoundary)
{
    // The fake answers a status item with the item itself.
    ASSERT_EQ(send("open \"" + file("a.wav") + "\" alias z"), Ok);
    std::string reply;
    EXPECT_EQ(send("status z " + std::string(300, 'a'), &reply), Ok);
    EXPECT_EQ(reply.size(), 249u);
    std::string wide;
    for (int i = 0; i < 130; ++i)
        wide += "\xC3\xA5"; // two-byte letter
    EXPECT_EQ(send("status z " + wide, &reply), Ok);
    EXPECT_EQ(reply.size(), 248u);
}

TEST_F(SessionTest, GainReachesOpenAndLaterDevices)
{
    session.setOutputGain(0.25);
    ASSERT_EQ(send("open \"" + file("a.wav") + "\" alias z"), Ok);
    EXPECT_DOUBLE_EQ(calls.gain, 0.25);
    session.setOutputGain(2.0);
    EXPECT_DOUBLE_EQ(calls.gain, 1.0);
}

// Every verb of the command table: what it accepts after its device.
struct VerbRow {
    const char* verb;
    const char* arguments; // a valid set after the device
    const char* call;      // what that asks of the device ("" for open and close)
    int bare;              // the code for the verb and its device alone
    int junk;              // the code for an unknown word after valid arguments
    bool shareable;        // whether it takes "shareable" as a flag
};

constexpr VerbRow kVerbRows[] = {
    {"open", "alias z", "", Ok, ErrUnrecognizedKeyword, true},
    {"close", "", "", Ok, ErrExtraCharacters, false},
    {"play", "from 1 to 2", "play 1 2", Ok, ErrUnrecognizedKeyword, false},
    {"stop", "", "stop", Ok, ErrExtraCharacters, false},
    {"pause", "", "pause", Ok, ErrExtraCharacters, false},
    {"resume", "", "resume", Ok, ErrExtraCharacters, false},
    {"seek", "to 5", "seek position 5", ErrUnrecognizedKeyword, ErrUnrecognizedKeyword, false},
    {"set", "time format frames", "frames", ErrUnrecognizedKeyword, ErrBadTimeFormat, false},
    {"status", "mode", "status mode", ErrMissingParameter, ErrUnsupportedFunction, false},
    {"capability", "has video", "capability has video", ErrMissingParameter, ErrUnsupportedFunction, false},
    {"where", "source", "where source", ErrMissingParameter, ErrUnsupportedFunction, false},
    {"window", "handle 5", "window 5", ErrUnrecognizedKeyword, ErrExtraCharacters, false},
    {"put", "destination at 0 0 8 6", "put 0 0 8 6", ErrUnrecognizedKeyword, ErrUnrecognizedKeyword, false},
    {"update", "hdc 5", "update 5", ErrUnrecognizedKeyword, ErrExtraCharacters, false},
    {"capture", "as /tmp/x.bmp", "capture /tmp/x.bmp", ErrUnrecognizedKeyword, ErrUnrecognizedKeyword, false},
};

TEST_F(SessionTest, TheVerbTableIsCoveredRowForRow)
{
    std::vector<std::string_view> rows;
    for (const VerbRow& row : kVerbRows)
        rows.push_back(row.verb);
    EXPECT_EQ(rows, knownVerbs());
}

TEST_F(SessionTest, EachVerbTakesItsArgumentsAndFlagsAndRefusesTheRest)
{
    const std::string video = file("a.mkv");
    for (const VerbRow& row : kVerbRows) {
        SCOPED_TRACE(row.verb);
        const std::string verb = row.verb;
        const std::string target = verb == "open" ? "\"" + video + "\"" : "z";
        // Each command starts from z open, or for open from nothing open.
        auto run = [&](const std::string& tail) {
            send("close all");
            if (verb != "open") {
                EXPECT_EQ(send("open \"" + video + "\" alias z"), Ok);
            }
            calls.last.clear();
            std::string reply;
            const int code = send(verb + " " + target + tail, &reply);
            EXPECT_TRUE(code == Ok || !reply.empty()) << tail;
            return code;
        };
        const std::string valid = *row.arguments ? std::string(" ") + row.arguments : "";

        EXPECT_EQ(run(valid), Ok);
        EXPECT_EQ(calls.last, row.call);
        EXPECT_EQ(run(""), row.bare);
        EXPECT_EQ(run(valid + " bogus"), row.junk);

        // A flag is taken out whole; a word that is not one of the verb's
        // flags fails or reaches the device.
        for (const char* flag : {"wait", "notify", "shareable"}) {
            SCOPED_TRACE(flag);
            const int code = run(valid + " " + flag);
            if (std::string(flag) != "shareable" || row.shareable) {
                EXPECT_EQ(code, Ok);
                EXPECT_EQ(calls.last.substr(0, calls.last.find(" wait")), row.call);
            } else {
                EXPECT_TRUE(code != Ok || calls.last != row.call) << calls.last;
            }
        }
    }
}

TEST_F(SessionTest, OpenReadsItsKeywordsInAnyOrderAndTakesFlagWordsAsNames)
{
    const std::string video = file("a.mkv");
    const std::string open = "open \"" + video + "\" ";
    EXPECT_EQ(send(open + "shareable type WaveAudio wait alias Wait"), Ok);
    EXPECT_EQ(calls.openedType, "waveaudio");
    EXPECT_TRUE(session.isOpen("wait"));
    EXPECT_EQ(send(open + "alias ALL"), ErrInvalidDeviceName);
    EXPECT_EQ(send(open + "type"), ErrMissingStringArgument);
    EXPECT_EQ(send(open + "alias z alias"), ErrMissingStringArgument);
}

// --- open ... notify ---------------------------------------------------------

class NotifyTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        session.setNotifyHandler([this](const Notification& n) { heard.push_back(n.alias + " " + std::to_string(n.result.code)); });
    }
    std::vector<std::string> heard;
};

TEST_F(NotifyTest, AnOpenWithNotifyAnswersAtOnceAndIsReportedWhenItEnds)
{
    ASSERT_EQ(send("open \"" + file("slow.mp4") + "\" alias Z notify"), Ok);
    EXPECT_TRUE(session.isOpen("z"));
    EXPECT_EQ(send("open \"" + file("a.mp4") + "\" alias z"), ErrDuplicateAlias);
    session.pumpEvents();
    EXPECT_TRUE(heard.empty());
    calls.openingEnds = Reply::ok();
    session.pumpEvents();
    EXPECT_EQ(heard, std::vector<std::string>{"Z 0"});
    session.pumpEvents();
    EXPECT_EQ(heard.size(), 1u) << "reported once";
    EXPECT_EQ(calls.awaited, 0);
    EXPECT_EQ(send("status z mode"), Ok);
}

TEST_F(NotifyTest, AFailedOpeningIsReportedAndClosesTheAlias)
{
    ASSERT_EQ(send("open \"" + file("slow.mp4") + "\" alias z notify"), Ok);
    calls.openingEnds = Reply::error(ErrInvalidFile, "damaged");
    session.pumpEvents();
    EXPECT_EQ(heard, std::vector<std::string>{"z 296"});
    EXPECT_FALSE(session.isOpen("z"));
    EXPECT_EQ(calls.destroyed, 1);
}

// A command to a device still opening is carried out once it is open, or
// gets the opening's failure; either way the handler hears first.
TEST_F(NotifyTest, ACommandMeanwhileWaitsForTheOpening)
{
    const struct {
        Reply end;
        int code;
        const char* heard;
    } table[] = {{Reply::ok(), Ok, "z 0"}, {Reply::error(ErrInvalidFile, "damaged"), ErrInvalidFile, "z 296"}};
    for (const auto& row : table) {
        SCOPED_TRACE(row.heard);
        calls = {};
        heard.clear();
        calls.awaitedEnd = row.end;
        ASSERT_EQ(send("open \"" + file("slow.mp4") + "\" alias z notify"), Ok);
        std::string reply;
        EXPECT_EQ(send("status z length", &reply), row.code);
        EXPECT_EQ(calls.awaited, 1);
        EXPECT_EQ(heard, std::vector<std::string>{row.heard});
        EXPECT_EQ(session.isOpen("z"), row.code == Ok);
        session.pumpEvents();
        EXPECT_EQ(heard.size(), 1u);
        send("close all");
    }
}

TEST_F(NotifyTest, AnOpeningClosedBeforeItEndsIsNeverReported)
{
    for (const char* close : {"close z", "close all"}) {
        SCOPED_TRACE(close);
        calls.openingEnds.reset();
        ASSERT_EQ(send("open \"" + file("slow.mp4") + "\" alias z notify"), Ok);
        EXPECT_EQ(send(close), Ok);
        calls.openingEnds = Reply::ok();
        session.pumpEvents();
        EXPECT_TRUE(heard.empty());
        EXPECT_FALSE(session.isOpen("z"));
    }
    // The alias is free for the next file, whose opening is reported alone.
    calls.openingEnds.reset();
    ASSERT_EQ(send("open \"" + file("slow.mp4") + "\" alias z notify"), Ok);
    calls.openingEnds = Reply::ok();
    session.pumpEvents();
    EXPECT_EQ(heard, std::vector<std::string>{"z 0"});
}

// With "wait" or without a handler, open answers when the device is ready;
// a handler then hears of it before open returns.
TEST_F(NotifyTest, WaitOrNoHandlerOpensBeforeAnswering)
{
    ASSERT_EQ(send("open \"" + file("slow.mp4") + "\" alias a notify wait"), Ok);
    EXPECT_EQ(calls.awaited, 1);
    EXPECT_EQ(heard, std::vector<std::string>{"a 0"});
    calls.openingEnds.reset();
    calls.awaitedEnd = Reply::error(ErrInvalidFile, "damaged");
    std::string reply;
    EXPECT_EQ(send("open \"" + file("slow.mp4") + "\" alias b wait notify", &reply), ErrInvalidFile);
    EXPECT_EQ(reply, "damaged");
    EXPECT_EQ(heard.back(), "b 296");
    EXPECT_FALSE(session.isOpen("b"));

    session.setNotifyHandler(nullptr);
    calls.openingEnds.reset();
    calls.awaitedEnd = Reply::ok();
    EXPECT_EQ(send("open \"" + file("slow.mp4") + "\" alias c notify"), Ok);
    EXPECT_EQ(calls.awaited, 3);
    EXPECT_TRUE(session.isOpen("c"));
}

// The handler may send commands, even close what it was told about.
TEST_F(NotifyTest, TheHandlerMaySendCommands)
{
    session.setNotifyHandler([this](const Notification& n) {
        heard.push_back(n.alias);
        session.send("close " + n.alias, nullptr);
    });
    ASSERT_EQ(send("open \"" + file("slow.mp4") + "\" alias z notify"), Ok);
    ASSERT_EQ(send("open \"" + file("slow2.mp4") + "\" alias y notify"), Ok);
    EXPECT_EQ(send("status z mode"), ErrInvalidDeviceName); // opened, then closed by the handler
    calls.openingEnds = Reply::ok();
    session.pumpEvents();
    EXPECT_EQ(heard, (std::vector<std::string>{"z", "y"}));
    EXPECT_FALSE(session.isOpen("y"));
}

} // namespace
