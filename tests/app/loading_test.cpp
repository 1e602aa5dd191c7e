// Loading media into the main window: what the status panel says about each
// kind, the window wrapped round a video, files that are refused or gone,
// odd names, and the open button and dropped files.
#include "apptest.h"

#include "midiwriter.h"
#include "vrnum.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

using namespace apptest;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

QString midiSong()
{
    const QString path = testmedia::dir() + "/app_song.mid";
    if (!QFile::exists(path))
        midiwriter::writeFile(path.toStdString(), midiwriter::simpleSong(8, 120));
    return path;
}

// A video slower than one frame a second.
QString slowClip()
{
    return testmedia::frameClip("app_slow", "mkv", {"-c:v", "libx264"}, 4, 320, 240, "1/2", false);
}

// --- What the panel says about each kind of medium ---------------------------------

struct MediumCase {
    const char* name;
    QString (*file)();
    QStringList described; // file name, kind, format
    std::string mediaInfo;
    std::string deviceType;
    int frameRate;
    bool hasVideo;
    int length, lengthTolerance;
};

void PrintTo(const MediumCase& c, std::ostream* out)
{
    *out << c.name;
}

const MediumCase kMediumCases[] = {
    {"Video", clip100, {"app_clip100.mp4", "Video", "25fps 320w x 240h pixels"}, "25fps", "digitalvideo", 25, true,
     100, 0},
    {"Wave", toneWav, {"app_tone.wav", "Audio", "44100kHz  16bit Stereo"}, "44100kHz  16bit Stereo", "waveaudio",
     1000, false, 2000, 30},
    // Eight beats at 120 per minute, counted in milliseconds.
    {"Midi", midiSong, {"app_song.mid", "Midi", "120 tempo"}, "120 tempo", "sequencer", 1000, false, 4000, 600},
    // Four frames at one every two seconds: the rate reads 0 and counts as 1.
    {"SlowVideo", slowClip, {"app_slow.mkv", "Video", "0fps 320w x 240h pixels"}, "0fps", "digitalvideo", 1, true,
     4, 0},
};

class MediumTest : public PlayerTest, public ::testing::WithParamInterface<MediumCase> {};

TEST_P(MediumTest, LoadingDescribesTheMedium)
{
    const MediumCase& c = GetParam();
    load(c.file());
    EXPECT_EQ(described(), c.described);
    EXPECT_EQ(app->MediaInfo, c.mediaInfo);
    EXPECT_EQ(app->DeviceType, c.deviceType);
    EXPECT_EQ(app->FrameRate, c.frameRate);
    EXPECT_EQ(app->HasVideo, c.hasVideo);
    EXPECT_EQ(app->VideoWindow->isVisible(), c.hasVideo);
    EXPECT_NEAR(app->MediaLength, c.length, c.lengthTolerance);
    EXPECT_EQ(app->VideoPositionSlider->MaxValue(), app->MediaLength);
    EXPECT_TRUE(app->ButtonPlay->isEnabled());
    EXPECT_EQ(app->ButtonCapture->isEnabled(), c.hasVideo);
    EXPECT_EQ(app->ButtonBigger->isEnabled(), c.hasVideo);
    EXPECT_TRUE(mediaMessages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Kinds, MediumTest, ::testing::ValuesIn(kMediumCases),
                         [](const ::testing::TestParamInfo<MediumCase>& info) { return std::string(info.param.name); });

// --- Each kind's own behaviour -------------------------------------------------------

using LoadingTest = PlayerTest;

TEST_F(LoadingTest, LoadingAVideoWrapsTheWindowAndPlaysFromTheStart)
{
    load(clip100());
    EXPECT_EQ(app->MediaPosition, 0);
    EXPECT_EQ(app->VideoPositionSlider->MinValue(), 0);
    EXPECT_EQ(app->VideoPositionSlider->MaxValue(), 100);
    EXPECT_TRUE(app->Timer1->isActive());
    EXPECT_EQ(app->Timer1->interval(), 100);
    for (QWidget* w : mediaControls())
        EXPECT_TRUE(w->isEnabled()) << w->toolTip().toStdString();

    // Wrapped round the video at its natural size, where the window was.
    EXPECT_EQ(app->VideoWindow->geometry(), QRect(37, 91, 320, 240));
    EXPECT_EQ(app->size(), QSize(394, 434));
    EXPECT_EQ(app->pos(), QPoint(332, 105));
    EXPECT_EQ(app->SourceRect.Right, 320);
    EXPECT_EQ(app->SourceRect.Bottom, 240);

    EXPECT_TRUE(waitUntil([&] { return mode() == "playing"; }));
    // The panel shows the clip's own frames.
    EXPECT_TRUE(waitUntil([&] { return shownFrame() >= 0; }));
    EXPECT_TRUE(mediaMessages.isEmpty());
}

TEST_F(LoadingTest, AVideoSlowerThanOneFrameASecondCountsOneUnitPerSecond)
{
    load(slowClip());
    EXPECT_EQ(app->FrameRate, 1);
    app->Timer1->stop();
    app->Timer1Timer(); // no division by zero anywhere
    EXPECT_EQ(app->StatusPanel->FramesLength->Value(), 4);
}

TEST_F(LoadingTest, AWaveGivesItsFormatAndLeavesTheWindowAsItWas)
{
    load(toneWav());
    EXPECT_EQ(app->SamplesPerSec, 44100);
    EXPECT_EQ(app->BitsPerSample, 16);
    EXPECT_EQ(app->Channels, 2);
    EXPECT_EQ(app->size(), QSize(386, 424));
}

// --- Files that do not load ------------------------------------------------------------

TEST_F(LoadingTest, ARefusedFileIsReportedAndTheDisplaysStayAsTheyWere)
{
    load(clip100());
    const QString junk = testmedia::rawFile("app_notes.txt", "not a medium\n");
    app->LoadTheFile(junk);
    ASSERT_TRUE(loadEnded());
    ASSERT_EQ(mediaMessages, QStringList{"Norrava cannot open this type of file."});
    EXPECT_FALSE(app->Timer1->isActive());
    EXPECT_FALSE(mci::defaultSession().isOpen("z"));
    EXPECT_EQ(described(), (QStringList{"app_clip100.mp4", "Video", "25fps 320w x 240h pixels"}));
    EXPECT_EQ(app->VideoPositionSlider->MaxValue(), 100);
    EXPECT_TRUE(app->ButtonPlay->isEnabled());
    EXPECT_TRUE(app->MediaLoaded);

    // Handlers against the closed alias do nothing harmful.
    app->ButtonPlayClick();
    app->ButtonFrameBackClick();
    app->Timer1Timer();
    EXPECT_EQ(app->MediaLength, 0);

    // A damaged file with a media extension is refused the same way.
    app->LoadTheFile(testmedia::rawFile("app_damaged.wav", QByteArray(3000, '\x55')));
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(mediaMessages.size(), 2);
}

// A load started before the last one ended replaces it: only the newer file
// is shown and announced, whatever became of the older one, also when the
// older one's report was already on its way.
TEST_F(LoadingTest, ALoadReplacedByTheNextLeavesNoTrace)
{
    const QString junk = testmedia::rawFile("app_replaced_junk.mp4", "not a video");
    const struct {
        const char* name;
        QString first;
        bool reported; // the first file's opening has ended and been reported
    } table[] = {
        {"a video, replaced while opening", clip100(), false},
        {"a video, replaced once opened", clip100(), true},
        {"a damaged file, replaced while opening", junk, false},
        {"a damaged file, replaced once refused", junk, true},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.name);
        mediaMessages.clear();
        QSignalSpy opened(app, &Tapp::MediaOpened);
        app->LoadTheFile(row.first);
        if (row.reported)
            MediaQuery("status z mode"); // waits for the opening to end
        app->LoadTheFile(toneWav());
        ASSERT_TRUE(loadEnded());
        QCoreApplication::processEvents();
        EXPECT_TRUE(mediaMessages.isEmpty()) << mediaMessages.join('\n').toStdString();
        ASSERT_EQ(opened.count(), 1);
        EXPECT_EQ(opened.at(0).at(0).toString(), toneWav());
        EXPECT_EQ(app->DeviceType, "waveaudio");
        EXPECT_EQ(caption(app->StatusPanel->VrLabel1), QFileInfo(toneWav()).fileName());
        EXPECT_TRUE(app->Timer1->isActive());
    }
}

TEST_F(LoadingTest, AnEmptyPathOrADeletedFileChangesNothing)
{
    load(clip100());
    QTemporaryDir dir;
    const QString gone = dir.filePath("gone.mp4");
    ASSERT_TRUE(QFile::copy(clip100(), gone));
    ASSERT_TRUE(QFile::remove(gone));

    app->LoadTheFile(QString());
    app->LoadTheFile(gone);
    app->LoadTheFile(dir.path()); // a folder is no file either
    EXPECT_FALSE(app->Loading());
    EXPECT_TRUE(mediaMessages.isEmpty());
    EXPECT_TRUE(app->Timer1->isActive());
    EXPECT_TRUE(mci::defaultSession().isOpen("z"));
    EXPECT_EQ(caption(app->StatusPanel->VrLabel1), "app_clip100.mp4");
}

TEST_F(LoadingTest, OddFileNamesOpenTheFileTheyName)
{
    QTemporaryDir dir;
    QString deep = dir.path();
    for (int i = 0; i < 6; ++i)
        deep += "/" + QString(40, QChar('a' + i));
    ASSERT_TRUE(QDir().mkpath(deep));
    const QStringList names{
        QStringLiteral("it's a \"clip\" \u00e9t\u00e9 \u65e5\u672c.mp4"),
        QStringLiteral("x\" alias y \"z.mp4"),
        QStringLiteral("  blanks  .mp4"),
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString path = deep + "/" + name;
        ASSERT_TRUE(QFile::copy(clip100(), path));
        mediaMessages.clear();
        app->LoadTheFile(path);
        ASSERT_TRUE(loadEnded());
        EXPECT_TRUE(mediaMessages.isEmpty());
        EXPECT_EQ(caption(app->StatusPanel->VrLabel1), name);
        EXPECT_EQ(app->MediaLength, 100);
        EXPECT_TRUE(mci::defaultSession().isOpen("z"));
        EXPECT_FALSE(mci::defaultSession().isOpen("y"));
    }
}

// --- Ways in -------------------------------------------------------------------------------

TEST_F(LoadingTest, TheOpenButtonLoadsTheChosenFileAndCancellingDoesNothing)
{
    nextMediaFile.clear();
    app->ButtonLoad->Click();
    EXPECT_FALSE(app->MediaLoaded);
    nextMediaFile = toneWav();
    app->ButtonLoad->Click();
    ASSERT_TRUE(loadEnded());
    EXPECT_TRUE(app->MediaLoaded);
    EXPECT_EQ(caption(app->StatusPanel->VrLabel2), "Audio");
}

TEST_F(LoadingTest, ADroppedFileOpens)
{
    const QString clip = clip100();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(clip)});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(app, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(app, &drop);
    ASSERT_TRUE(loadEnded());
    EXPECT_TRUE(app->MediaLoaded);
    EXPECT_EQ(caption(app->StatusPanel->VrLabel1), "app_clip100.mp4");

    // The navigator takes files too.
    app->LoadTheFile(toneWav());
    ASSERT_TRUE(loadEnded());
    ASSERT_EQ(caption(app->StatusPanel->VrLabel2), "Audio");
    QDragEnterEvent navEnter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
    navEnter.ignore();
    QCoreApplication::sendEvent(app->FileNavigator, &navEnter);
    EXPECT_TRUE(navEnter.isAccepted());
    QDropEvent navDrop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(app->FileNavigator, &navDrop);
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(caption(app->StatusPanel->VrLabel2), "Video");

    // Text that is no local file is not taken.
    QMimeData web;
    web.setUrls({QUrl("https://example.org/a.mp4")});
    QDragEnterEvent webEnter(QPoint(200, 200), Qt::CopyAction, &web, Qt::LeftButton, {});
    webEnter.ignore();
    QCoreApplication::sendEvent(app, &webEnter);
    EXPECT_FALSE(webEnter.isAccepted());
}

} // namespace
