// The items every kind of device answers alike, asked through the command
// strings as the player asks them.
#include "mcisession.h"

#include "midiwriter.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

struct DeviceKind {
    const char* type;
    QString (*makeFile)();
};

void PrintTo(const DeviceKind& kind, std::ostream* out)
{
    *out << kind.type;
}

QString videoFile()
{
    return testmedia::frameClip("items_video", "mp4", {"-c:v", "libx264"}, 25);
}

QString soundFile()
{
    return testmedia::wavFile("items_sound", 44100, 2, "pcm_s16le", 1000);
}

QString songFile()
{
    const midiwriter::Bytes song = midiwriter::simpleSong(4, 120);
    return testmedia::rawFile("items_song.mid",
                              QByteArray(reinterpret_cast<const char*>(song.data()), qsizetype(song.size())));
}

class DeviceItems : public ::testing::TestWithParam<DeviceKind> {
protected:
    void SetUp() override
    {
        const QString path = GetParam().makeFile();
        ASSERT_FALSE(path.isEmpty());
        std::string reply;
        const std::string open = "open \"" + QFile::encodeName(path).toStdString() + "\" type " + GetParam().type +
                                 " alias z";
        ASSERT_EQ(session.send(open, &reply), mci::Ok) << reply;
    }

    mci::Session session{mci::openDevice, mci::ExtensionList::builtIn()};
};

TEST_P(DeviceItems, AnswerTheItemsEveryDeviceKnows)
{
    const std::pair<const char*, std::string> table[] = {
        {"status z ready", "true"},
        {"status z media present", "true"},
        {"status z speed", "1000"},
        {"status z number of tracks", "1"},
        {"status z current track", "1"},
        {"capability z device type", GetParam().type},
        {"capability z can play", "true"},
        {"capability z uses files", "true"},
        {"capability z compound device", "true"},
        {"capability z can record", "false"},
        {"capability z can save", "false"},
        {"capability z can eject", "false"},
        {"capability z has video", std::string(GetParam().type) == "digitalvideo" ? "true" : "false"},
    };
    for (const auto& [command, expected] : table) {
        std::string reply;
        EXPECT_EQ(session.send(command, &reply), mci::Ok) << command;
        EXPECT_EQ(reply, expected) << command;
    }
}

TEST_P(DeviceItems, RefuseUnknownItemsWithOneCodeAndNameThem)
{
    for (const char* command : {"status z colour", "capability z can fly", "where z elsewhere"}) {
        std::string reply;
        EXPECT_EQ(session.send(command, &reply), mci::ErrUnsupportedFunction) << command;
        EXPECT_FALSE(reply.empty()) << command;
    }
    std::string reply;
    session.send("status z colour", &reply);
    EXPECT_NE(reply.find("colour"), std::string::npos) << reply;
    EXPECT_NE(reply.find(GetParam().type), std::string::npos) << reply;
}

INSTANTIATE_TEST_SUITE_P(AllKinds, DeviceItems,
                         ::testing::Values(DeviceKind{"digitalvideo", videoFile}, DeviceKind{"waveaudio", soundFile},
                                           DeviceKind{"sequencer", songFile}),
                         [](const auto& info) { return std::string(info.param.type); });

} // namespace
