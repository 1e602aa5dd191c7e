#include "extensionlist.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cstdlib>

using mci::ExtensionList;

TEST(ExtensionList, IniSectionKeepsItsOrderAndIgnoresOtherSections)
{
    const auto list = ExtensionList::fromIni("[fonts]\nfoo=bar\n"
                                             "[MCI Extensions]\n"
                                             "; a comment\n"
                                             " avi = AVIVideo \n"
                                             "mid=Sequencer\r\n"
                                             "wav=WaveAudio\n"
                                             "AVI=other\n"
                                             "[other]\nmp3=waveaudio\n");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->extensions(), (std::vector<std::string>{"avi", "mid", "wav"}));
    EXPECT_EQ(list->deviceTypeForFile("/a/b/clip.AVI"), "avivideo");
    EXPECT_EQ(list->deviceTypeForFile("x.mid"), "sequencer");
    EXPECT_EQ(list->deviceTypeForFile("x.mp3"), "");
    EXPECT_EQ(list->deviceTypeForFile("/dir.avi/noext"), "");
}

TEST(ExtensionList, NoSectionMeansNoList)
{
    EXPECT_FALSE(ExtensionList::fromIni(""));
    EXPECT_FALSE(ExtensionList::fromIni("[fonts]\navi=x\n"));
    const auto empty = ExtensionList::fromIni("[mci extensions]\n");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->entries().empty());
}

TEST(ExtensionList, BuiltInListCoversTheCommonTypes)
{
    const ExtensionList list = ExtensionList::builtIn();
    for (const char* e : {"avi", "mov", "mp4", "mkv", "webm", "ts", "mpg"})
        EXPECT_EQ(list.deviceTypeForFile(std::string("a.") + e), "digitalvideo") << e;
    for (const char* e : {"wav", "flac", "mp3", "ogg", "opus", "aiff"})
        EXPECT_EQ(list.deviceTypeForFile(std::string("a.") + e), "waveaudio") << e;
    for (const char* e : {"mid", "midi", "rmi", "kar"})
        EXPECT_EQ(list.deviceTypeForFile(std::string("a.") + e), "sequencer") << e;
    EXPECT_EQ(list.extensions().front(), "avi");
}

TEST(ExtensionList, LoadReadsTheUserFileFirstThenTheSystemsThenTheBuiltIn)
{
    const QString root = testmedia::dir() + "/xdg";
    QDir(root).removeRecursively();
    QDir().mkpath(root + "/user/norrava");
    QDir().mkpath(root + "/system/norrava");
    setenv("XDG_CONFIG_HOME", qPrintable(root + "/user"), 1);
    setenv("XDG_CONFIG_DIRS", qPrintable(root + "/none:" + root + "/system"), 1);

    EXPECT_EQ(ExtensionList::load().extensions(), ExtensionList::builtIn().extensions());

    QFile system(root + "/system/norrava/win.ini");
    ASSERT_TRUE(system.open(QIODevice::WriteOnly));
    system.write("[mci extensions]\nwav=waveaudio\n");
    system.close();
    EXPECT_EQ(ExtensionList::load().extensions(), std::vector<std::string>{"wav"});

    QFile user(root + "/user/norrava/win.ini");
    ASSERT_TRUE(user.open(QIODevice::WriteOnly));
    user.write("[mci extensions]\navi=digitalvideo\nmid=sequencer\nwav=waveaudio\n");
    user.close();
    EXPECT_EQ(ExtensionList::load().extensions(), (std::vector<std::string>{"avi", "mid", "wav"}));
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_CONFIG_DIRS");
}
