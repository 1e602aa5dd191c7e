// The open dialog's filter and the navigator's mask come from the user's
// extension list. The media layer reads that list once per process, so this
// test has its own executable and points XDG_CONFIG_HOME at its own folder
// before anything touches the layer.
#include "apptest.h"

#include "filenavigator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

using namespace apptest;

namespace {

QTemporaryDir* configHome = nullptr;

void writeUserExtensionList()
{
    configHome = new QTemporaryDir;
    QDir(configHome->path()).mkpath("norrava");
    QFile ini(configHome->filePath("norrava/win.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[fonts]\nArial=arial.ttf\n\n[mci extensions]\navi=digitalvideo\nmid=sequencer\nwav=waveaudio\n");
    ini.close();
    setenv("XDG_CONFIG_HOME", qPrintable(configHome->path()), 1);
    setenv("XDG_CONFIG_DIRS", qPrintable(configHome->filePath("none")), 1);
}

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment(writeUserExtensionList));

using MaskTest = PlayerTest;

TEST_F(MaskTest, TheMaskListsTheUsersExtensionsInOrder)
{
    EXPECT_EQ(app->Mask(), "*.avi;*.mid;*.wav;");
    EXPECT_EQ(app->FileNavigator->FileMask(), "*.avi;*.mid;*.wav;");
    EXPECT_EQ(app->OpenDialog->nameFilters(), QStringList{"All Movies (*.avi *.mid *.wav)"});
    EXPECT_EQ(Tapp::BuildMask({}), "");
}

TEST_F(MaskTest, AFileOfAnotherTypeIsRefused)
{
    // Only listed extensions open: an mp4 is no medium under this list.
    app->LoadTheFile(clip100());
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(mediaMessages, QStringList{"Norrava cannot open this type of file."});
    EXPECT_FALSE(app->MediaLoaded);
    EXPECT_FALSE(app->Timer1->isActive());
    app->LoadTheFile(toneWav());
    ASSERT_TRUE(loadEnded());
    EXPECT_TRUE(app->MediaLoaded);
}

} // namespace
