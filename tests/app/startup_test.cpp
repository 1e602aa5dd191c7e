// The main window from start-up to closing: its first state, the command
// line, the buttons that work without a medium, and what closing takes
// along.
#include "apptest.h"
#include "urlrecorder.h"

#include <QFileInfo>

using namespace apptest;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

using StartupTest = PlayerTest;

TEST_F(StartupTest, StartsWithMediaControlsOffAndTheStatusPanelAtRest)
{
    for (QWidget* w : mediaControls())
        EXPECT_FALSE(w->isEnabled()) << w->toolTip().toStdString();
    for (QWidget* w : std::initializer_list<QWidget*>{app->ButtonClose, app->ButtonMaximise, app->ButtonMinimise,
                                                      app->ButtonLoad, app->ButtonAbout, app->ButtonWeb,
                                                      app->ButtonEmail, app->VolumeSlider})
        EXPECT_TRUE(w->isEnabled()) << w->toolTip().toStdString();
    EXPECT_TRUE(app->ButtonStop->Down());
    EXPECT_FALSE(app->ButtonPlay->Down());
    EXPECT_FALSE(app->ButtonPause->Down());
    EXPECT_EQ(app->VolumeSlider->Value(), 50000);
    EXPECT_EQ(app->VolumeSlider->MaxValue(), 65534);

    EXPECT_EQ(app->FrameRate, 1);
    EXPECT_EQ(app->MediaLength, 1);
    EXPECT_EQ(app->MediaPosition, 1);
    EXPECT_FALSE(app->MediaLoaded);
    EXPECT_FALSE(app->Timer1->isActive());

    EXPECT_EQ(described(), (QStringList{"none", "none", "none"}));
    EXPECT_EQ(caption(app->StatusPanel->StatusLabel), "stopped");

    EXPECT_EQ(app->windowTitle(), "Norrava " NORRAVA_VERSION);
    EXPECT_TRUE(app->FileBlind->isVisible());
    EXPECT_TRUE(app->StatusHandle->isVisible());
    EXPECT_FALSE(app->FileNavigator->isVisible());
    EXPECT_EQ(app->size(), QSize(386, 424));
    EXPECT_EQ(app->VideoWindow->geometry(), QRect(37, 91, 309, 100));
}

TEST_F(StartupTest, ClosingWithoutAFileClosesEveryDevice)
{
    // Something opened behind the player's back is closed too ("close all").
    std::string reply;
    ASSERT_EQ(mci::sendString("open \"" + toneWav().toStdString() + "\" alias z", &reply), 0) << reply;
    ASSERT_TRUE(mci::defaultSession().isOpen("z"));
    app->close();
    windows.reset();
    EXPECT_FALSE(mci::defaultSession().isOpen("z"));
}

TEST_F(StartupTest, ClosingStopsThePollAndTheMeterAndTakesTheCompanionsAlong)
{
    load(toneWav());
    ASSERT_TRUE(app->Timer1->isActive());
    app->ButtonClose->Click();
    EXPECT_FALSE(app->isVisible());
    EXPECT_FALSE(app->Timer1->isActive());
    EXPECT_FALSE(app->Vumeter->IsOpen());
    for (QWidget* w : companions())
        EXPECT_FALSE(w->isVisible());
    windows.reset();
    EXPECT_FALSE(mci::defaultSession().isOpen("z"));
}

TEST(CommandLine, OneFileOrAnOption)
{
    const struct {
        QStringList args;
        QString file;
        bool help, error;
    } cases[] = {
        {{}, "", false, false},
        {{"clip.mp4"}, "clip.mp4", false, false},
        {{"--help"}, "", true, false},
        {{"-h"}, "", true, false},
        {{"--bogus"}, {}, false, true},
        {{"a.mp4", "b.mp4"}, {}, false, true},
        {{"--", "-odd.mp4"}, "-odd.mp4", false, false}, // a file whose name starts with a dash
        {{"-"}, "-", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(" ").toStdString());
        const auto parsed = ParseCommandLine(QStringList{"norrava"} + c.args);
        EXPECT_EQ(!parsed.error.isEmpty(), c.error) << parsed.error.toStdString();
        EXPECT_EQ(parsed.help, c.help);
        if (!c.error) {
            EXPECT_EQ(parsed.file, c.file);
        }
    }
}

TEST_F(StartupTest, TheHelpWebAndEmailButtonsHandTheDesktopTheirAddresses)
{
    QList<QUrl> urls;
    {
        testsupport::UrlRecorder recorder({"http", "https", "mailto", "file"});
        app->ButtonWeb->Click();
        app->ButtonEmail->Click();
        app->ButtonAbout->Click();
        urls = recorder.urls;
    }
    ASSERT_EQ(urls.size(), 3);
    EXPECT_TRUE(urls[0].scheme().startsWith("http")) << urls[0].toString().toStdString();
    EXPECT_FALSE(urls[0].host().isEmpty());
    EXPECT_EQ(urls[1].scheme(), "mailto");
    EXPECT_EQ(urls[1].path(), NORRAVA_EMAIL);
    ASSERT_TRUE(urls[2].isLocalFile());
    EXPECT_TRUE(urls[2].toLocalFile().endsWith("/Norrava.html"));
    EXPECT_TRUE(QFileInfo(urls[2].toLocalFile()).isFile());
}

} // namespace
