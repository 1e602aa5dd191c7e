// The main window from start-up to a loaded medium: its first state,
// loading each kind of medium, the skin's painting and the layout of the
// controls and companion windows.
#include "apptest.h"

#include "fileblind.h"
#include "filenavigator.h"
#include "midiwriter.h"
#include "navwidgets.h"
#include "statushandle.h"
#include "vrclock.h"
#include "vrnum.h"
#include "vrprogressbar.h"

#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include <optional>

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

using StartupTest = PlayerTest;

TEST_F(StartupTest, StartsWithMediaControlsOffAndTheStatusPanelAtRest)
{
    for (QWidget* w : std::initializer_list<QWidget*>{app->ButtonPlay, app->ButtonStop, app->ButtonPause,
                                                      app->ButtonRewind, app->ButtonForward, app->ButtonFrameBack,
                                                      app->ButtonFrameForward, app->ButtonCapture, app->ButtonBigger,
                                                      app->ButtonSmaller, app->ButtonNormalSize,
                                                      app->VideoPositionSlider})
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

    TStatusPanel* panel = app->StatusPanel;
    EXPECT_EQ(caption(panel->VrLabel1), "none");
    EXPECT_EQ(caption(panel->VrLabel2), "none");
    EXPECT_EQ(caption(panel->VrLabel3), "none");
    EXPECT_EQ(caption(panel->StatusLabel), "stopped");

    EXPECT_EQ(app->windowTitle(), "Norrava 1.0");
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
    EXPECT_FALSE(app->Vumeter->isOpen());
    for (QWidget* w : std::initializer_list<QWidget*>{app->FileNavigator, app->FileBlind, app->StatusPanel,
                                                      app->StatusHandle})
        EXPECT_FALSE(w->isVisible());
    windows.reset();
    EXPECT_FALSE(mci::defaultSession().isOpen("z"));
}

TEST(CommandLine, OneFileOrAnOption)
{
    auto parse = [](QStringList args) {
        args.prepend("norrava");
        return ParseCommandLine(args);
    };
    EXPECT_TRUE(parse({}).file.isEmpty());
    EXPECT_TRUE(parse({}).error.isEmpty());
    EXPECT_EQ(parse({"clip.mp4"}).file, "clip.mp4");
    EXPECT_TRUE(parse({"--help"}).help);
    EXPECT_TRUE(parse({"-h"}).help);
    EXPECT_FALSE(parse({"--bogus"}).error.isEmpty());
    EXPECT_FALSE(parse({"a.mp4", "b.mp4"}).error.isEmpty());
    // A file whose name starts with a dash comes after "--".
    EXPECT_EQ(parse({"--", "-odd.mp4"}).file, "-odd.mp4");
    EXPECT_TRUE(parse({"--", "-odd.mp4"}).error.isEmpty());
    EXPECT_EQ(parse({"-"}).file, "-");
}

TEST_F(StartupTest, LoadingAVideoDescribesItWrapsTheWindowAndPlaysFromTheStart)
{
    const QString clip = clip100();
    load(clip);
    TStatusPanel* panel = app->StatusPanel;
    EXPECT_EQ(caption(panel->VrLabel1), "app_clip100.mp4");
    EXPECT_EQ(caption(panel->VrLabel2), "Video");
    EXPECT_EQ(caption(panel->VrLabel3), "25fps 320w x 240h pixels");
    EXPECT_EQ(app->MediaInfo, "25fps");
    EXPECT_EQ(app->DeviceType, "digitalvideo");
    EXPECT_EQ(app->FrameRate, 25);
    EXPECT_TRUE(app->HasVideo);
    EXPECT_EQ(app->MediaLength, 100);
    EXPECT_EQ(app->MediaPosition, 0);
    EXPECT_EQ(app->VideoPositionSlider->MinValue(), 0);
    EXPECT_EQ(app->VideoPositionSlider->MaxValue(), 100);
    EXPECT_TRUE(app->Timer1->isActive());
    EXPECT_EQ(app->Timer1->interval(), 100);

    for (QWidget* w : std::initializer_list<QWidget*>{app->ButtonPlay, app->ButtonStop, app->ButtonPause,
                                                      app->ButtonRewind, app->ButtonForward, app->ButtonFrameBack,
                                                      app->ButtonFrameForward, app->ButtonCapture, app->ButtonBigger,
                                                      app->ButtonSmaller, app->ButtonNormalSize,
                                                      app->VideoPositionSlider})
        EXPECT_TRUE(w->isEnabled()) << w->toolTip().toStdString();

    // Wrapped round the video at its natural size, where the window was.
    EXPECT_TRUE(app->VideoWindow->isVisible());
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

TEST_F(StartupTest, AVideoSlowerThanOneFrameASecondCountsOneUnitPerSecond)
{
    load(testmedia::frameClip("app_slow", "mkv", {"-c:v", "libx264"}, 4, 320, 240, "1/2", false));
    EXPECT_EQ(app->FrameRate, 1);
    EXPECT_EQ(app->MediaInfo, "0fps");
    EXPECT_EQ(caption(app->StatusPanel->VrLabel3), "0fps 320w x 240h pixels");
    app->Timer1->stop();
    app->Timer1Timer(); // no division by zero anywhere
    EXPECT_EQ(app->StatusPanel->FramesLength->Value(), 4);
}

TEST_F(StartupTest, LoadingAWaveShowsItsFormatAndHidesTheVideoPanel)
{
    load(toneWav());
    TStatusPanel* panel = app->StatusPanel;
    EXPECT_EQ(caption(panel->VrLabel1), "app_tone.wav");
    EXPECT_EQ(caption(panel->VrLabel2), "Audio");
    EXPECT_EQ(caption(panel->VrLabel3), "44100kHz  16bit Stereo");
    EXPECT_EQ(app->FrameRate, 1000);
    EXPECT_EQ(app->SamplesPerSec, 44100);
    EXPECT_EQ(app->BitsPerSample, 16);
    EXPECT_EQ(app->Channels, 2);
    EXPECT_FALSE(app->HasVideo);
    EXPECT_FALSE(app->VideoWindow->isVisible());
    EXPECT_NEAR(app->MediaLength, 2000, 30);
    EXPECT_TRUE(app->ButtonPlay->isEnabled());
    EXPECT_FALSE(app->ButtonCapture->isEnabled());
    EXPECT_FALSE(app->ButtonBigger->isEnabled());
    // A medium without video leaves the window as it was.
    EXPECT_EQ(app->size(), QSize(386, 424));
}

TEST_F(StartupTest, LoadingMidiShowsItsTempo)
{
    load(midiSong());
    TStatusPanel* panel = app->StatusPanel;
    EXPECT_EQ(caption(panel->VrLabel1), "app_song.mid");
    EXPECT_EQ(caption(panel->VrLabel2), "Midi");
    EXPECT_EQ(caption(panel->VrLabel3), "120 tempo");
    EXPECT_EQ(app->DeviceType, "sequencer");
    EXPECT_FALSE(app->HasVideo);
    // Eight beats at 120 per minute, counted in milliseconds.
    EXPECT_NEAR(app->MediaLength, 4000, 600);
    EXPECT_EQ(app->FrameRate, 1000);
}

TEST_F(StartupTest, ARefusedFileIsReportedAndTheDisplaysStayAsTheyWere)
{
    load(clip100());
    const QString junk = testmedia::rawFile("app_notes.txt", "not a medium\n");
    app->LoadTheFile(junk);
    ASSERT_EQ(mediaMessages, QStringList{"Norrava cannot open this type of file."});
    EXPECT_FALSE(app->Timer1->isActive());
    EXPECT_FALSE(mci::defaultSession().isOpen("z"));
    TStatusPanel* panel = app->StatusPanel;
    EXPECT_EQ(caption(panel->VrLabel1), "app_clip100.mp4");
    EXPECT_EQ(caption(panel->VrLabel2), "Video");
    EXPECT_EQ(caption(panel->VrLabel3), "25fps 320w x 240h pixels");
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
    EXPECT_EQ(mediaMessages.size(), 2);
}

TEST_F(StartupTest, AnEmptyPathOrADeletedFileChangesNothing)
{
    load(clip100());
    QTemporaryDir dir;
    const QString gone = dir.filePath("gone.mp4");
    ASSERT_TRUE(QFile::copy(clip100(), gone));
    ASSERT_TRUE(QFile::remove(gone));

    app->LoadTheFile(QString());
    app->LoadTheFile(gone);
    app->LoadTheFile(dir.path()); // a folder is no file either
    EXPECT_TRUE(mediaMessages.isEmpty());
    EXPECT_TRUE(app->Timer1->isActive());
    EXPECT_TRUE(mci::defaultSession().isOpen("z"));
    EXPECT_EQ(caption(app->StatusPanel->VrLabel1), "app_clip100.mp4");
}

TEST_F(StartupTest, OddFileNamesOpenTheFileTheyName)
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
        const QString path = deep + "/" + name;
        ASSERT_TRUE(QFile::copy(clip100(), path)) << name.toStdString();
        mediaMessages.clear();
        app->LoadTheFile(path);
        EXPECT_TRUE(mediaMessages.isEmpty()) << name.toStdString();
        EXPECT_EQ(caption(app->StatusPanel->VrLabel1), name);
        EXPECT_EQ(app->MediaLength, 100) << name.toStdString();
        EXPECT_TRUE(mci::defaultSession().isOpen("z"));
        EXPECT_FALSE(mci::defaultSession().isOpen("y"));
    }
}

TEST_F(StartupTest, TheOpenButtonLoadsTheChosenFileAndCancellingDoesNothing)
{
    nextMediaFile.clear();
    app->ButtonLoad->Click();
    EXPECT_FALSE(app->MediaLoaded);
    nextMediaFile = toneWav();
    app->ButtonLoad->Click();
    EXPECT_TRUE(app->MediaLoaded);
    EXPECT_EQ(caption(app->StatusPanel->VrLabel2), "Audio");
}

TEST_F(StartupTest, ADroppedFileOpens)
{
    const QString clip = clip100();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(clip)});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(app, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(app, &drop);
    EXPECT_TRUE(app->MediaLoaded);
    EXPECT_EQ(caption(app->StatusPanel->VrLabel1), "app_clip100.mp4");

    // The navigator takes files too.
    app->LoadTheFile(toneWav());
    ASSERT_EQ(caption(app->StatusPanel->VrLabel2), "Audio");
    QDragEnterEvent navEnter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
    navEnter.ignore();
    QCoreApplication::sendEvent(app->FileNavigator, &navEnter);
    EXPECT_TRUE(navEnter.isAccepted());
    QDropEvent navDrop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(app->FileNavigator, &navDrop);
    EXPECT_EQ(caption(app->StatusPanel->VrLabel2), "Video");

    // Text that is no local file is not taken.
    QMimeData web;
    web.setUrls({QUrl("https://example.org/a.mp4")});
    QDragEnterEvent webEnter(QPoint(200, 200), Qt::CopyAction, &web, Qt::LeftButton, {});
    webEnter.ignore();
    QCoreApplication::sendEvent(app, &webEnter);
    EXPECT_FALSE(webEnter.isAccepted());
}

// Takes the URLs the player hands to the desktop.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST_F(StartupTest, TheHelpWebAndEmailButtonsHandTheDesktopTheirAddresses)
{
    UrlRecorder recorder;
    for (const char* scheme : {"http", "https", "mailto", "file"})
        QDesktopServices::setUrlHandler(scheme, &recorder, "open");
    app->ButtonWeb->Click();
    app->ButtonEmail->Click();
    app->ButtonAbout->Click();
    for (const char* scheme : {"http", "https", "mailto", "file"})
        QDesktopServices::unsetUrlHandler(scheme);

    ASSERT_EQ(recorder.urls.size(), 3);
    EXPECT_TRUE(recorder.urls[0].scheme().startsWith("http")) << recorder.urls[0].toString().toStdString();
    EXPECT_FALSE(recorder.urls[0].host().isEmpty());
    EXPECT_EQ(recorder.urls[1].scheme(), "mailto");
    EXPECT_EQ(recorder.urls[1].path(), NORRAVA_EMAIL);
    ASSERT_TRUE(recorder.urls[2].isLocalFile());
    EXPECT_TRUE(recorder.urls[2].toLocalFile().endsWith("/Norrava.html"));
    EXPECT_TRUE(QFileInfo(recorder.urls[2].toLocalFile()).isFile());
}

// --- Skin painting ------------------------------------------------------------

// Where a pixel of the window's face comes from in the skin picture (IW x
// IH), worked out from where each part of the skin must appear rather than
// from the drawing code's list of pieces: the corners keep their size at the
// window's corners, the bands and edges between them repeat one row or
// column of the skin, the ornament sits centred on the top band, and the
// bottom band with its corners lies over everything above it. Empty where
// the face stays black.
std::optional<QPoint> skinSourceOf(int x, int y, int W, int H, int IW, int IH)
{
    const int fromRight = W - x;  // 1 in the last column
    const int fromBottom = H - y; // 1 in the last row
    if (fromBottom <= 104) {      // the bottom band, 104 rows high
        if (fromRight <= 87)
            return QPoint(IW - fromRight, IH - fromBottom);
        if (x >= 88)
            return QPoint(209, IH - fromBottom);
        return QPoint(x, IH - fromBottom);
    }
    if (y >= 209) { // the side edges, below the top corners
        if (fromRight <= 40)
            return QPoint(IW - fromRight, 209);
        if (x < 41)
            return QPoint(x, 209);
        return std::nullopt;
    }
    const int ornament = (W - 93) / 2;
    if (y < 94 && x >= ornament && x < ornament + 93)
        return QPoint(148 + x - ornament, y);
    if (fromRight <= 39)
        return QPoint(IW - fromRight, y);
    if (x < 93)
        return QPoint(x, y);
    if (y < 94)
        return QPoint(95, y);
    return std::nullopt;
}

QImage expectedSkin(const QImage& skin, int W, int H)
{
    QImage out(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const std::optional<QPoint> source = skinSourceOf(x, y, W, H, skin.width(), skin.height());
            out.setPixel(x, y, source ? skin.pixel(*source) : qRgb(0, 0, 0));
        }
    return out;
}

int countDifferences(const QImage& a, const QImage& b, const QRegion& ignore, QPoint* first)
{
    int differences = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!ignore.contains(QPoint(x, y)) && (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) {
                if (differences++ == 0)
                    *first = QPoint(x, y);
            }
    return differences;
}

void checkSkinAt(Tapp* app, int W, int H)
{
    SCOPED_TRACE(testing::Message() << W << " x " << H);
    app->resize(W, H);
    ASSERT_EQ(app->size(), QSize(W, H));
    const QImage expected = expectedSkin(app->SkinImage, W, H);
    // The composition in the back buffer.
    app->repaint();
    QPoint first;
    const QImage composed = app->BackBuffer.copy(0, 0, W, H);
    EXPECT_EQ(countDifferences(composed, expected, {}, &first), 0) << "first at " << first.x() << "," << first.y();
    // And what the window shows, wherever no child control covers it.
    const QImage shown = app->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(W, H));
    QRegion children;
    for (QWidget* child : app->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible())
            children += child->geometry();
    EXPECT_EQ(countDifferences(shown, expected, children, &first), 0) << "first at " << first.x() << "," << first.y();

    // What no piece covers stays black: between the top corners under the
    // band, and between the side edges above the bottom band.
    EXPECT_EQ(composed.pixel(W / 2, 150) & 0xFFFFFF, 0u);
    EXPECT_EQ(composed.pixel(100, 100) & 0xFFFFFF, 0u);
    EXPECT_EQ(composed.pixel(W - 41, H - 105) & 0xFFFFFF, 0u);
    if (H - 105 >= 209) {
        EXPECT_EQ(composed.pixel(41, 209) & 0xFFFFFF, 0u);
    }
}

TEST_F(StartupTest, TheSkinIsComposedFromItsNinePiecesAtTheDesignAndTheMinimumSize)
{
    ASSERT_EQ(app->SkinImage.size(), QSize(385, 424));
    checkSkinAt(app, 386, 424);
    checkSkinAt(app, 314, 299);
    checkSkinAt(app, 600, 500);
    // The top band's stretch at the minimum size (the side edges lie under
    // the bottom corners there).
    app->resize(314, 299);
    app->repaint();
    const QImage small = app->BackBuffer.copy(0, 0, 314, 299);
    EXPECT_EQ(small.pixel(93 + 181, 10), app->SkinImage.pixel(95, 10)); // top band 182 wide
    EXPECT_EQ(small.pixel(93 + 182, 10), app->SkinImage.pixel(385 - 39, 10)); // then the corner
    // The minimum size holds.
    app->resize(200, 200);
    EXPECT_EQ(app->size(), QSize(314, 299));
}

// --- Layout ---------------------------------------------------------------------

TEST_F(StartupTest, ControlsTakeTheirPlacesAtTheDesignSize)
{
    app->resize(386, 424);
    app->ResizeAndPositionAll();
    EXPECT_EQ(app->ButtonClose->geometry(), QRect(352, 5, 20, 21));
    EXPECT_EQ(app->ButtonMaximise->x(), 326);
    EXPECT_EQ(app->ButtonMinimise->x(), 300);
    EXPECT_EQ(app->ButtonAbout->geometry(), QRect(306, 38, 30, 30));
    EXPECT_EQ(app->ButtonEmail->geometry(), QRect(346, 31, 22, 46));
    EXPECT_EQ(app->VideoPositionSlider->geometry(), QRect(89, 322, 211, 17));
    EXPECT_EQ(app->VolumeSlider->geometry(), QRect(89, 381, 211, 17));
    EXPECT_EQ(app->LedVolumeLeft->geometry(), QRect(18, 206, 12, 171));
    EXPECT_EQ(app->LedVolumeRight->geometry(), QRect(356, 206, 12, 171));
    EXPECT_EQ(app->ControlsToolBar->geometry(), QRect(69, 344, 248, 20));
    // Fixed ones stay where the form put them.
    EXPECT_EQ(app->ButtonLoad->geometry(), QRect(44, 38, 30, 30));
    EXPECT_EQ(app->ButtonWeb->geometry(), QRect(17, 31, 22, 46));
    EXPECT_EQ(app->ButtonPlay->geometry(), QRect(0, 0, 32, 20));
    EXPECT_EQ(app->ButtonFrameForward->geometry(), QRect(216, 0, 32, 20));
}

TEST_F(StartupTest, SlidersAndLevelBarsLookAsTheFormSetsThem)
{
    // The position slider has no tick marks and no focus rectangle; the
    // volume slider draws its ruler opaque.
    EXPECT_EQ(app->VideoPositionSlider->Options(), TSliderOptions());
    EXPECT_EQ(app->VolumeSlider->Options(), TSliderOptions(soRulerOpaque));
    app->resize(386, 424);
    app->VideoPositionSlider->setEnabled(true);
    const QImage unfocused = app->VideoPositionSlider->grab().toImage();
    app->VideoPositionSlider->setFocus();
    QFocusEvent focusIn(QEvent::FocusIn);
    QCoreApplication::sendEvent(app->VideoPositionSlider, &focusIn);
    EXPECT_EQ(app->VideoPositionSlider->grab().toImage(), unfocused);
    // (With the defaults the same slider would show both.)
    app->VideoPositionSlider->SetOptions(TSliderOptions(soShowFocus) | soShowPoints | soSmooth);
    EXPECT_NE(app->VideoPositionSlider->grab().toImage(), unfocused);
    app->VideoPositionSlider->SetOptions({});

    // The level bars run from green at the bottom to red at the top.
    for (TVrProgressBar* bar : {app->LedVolumeLeft, app->LedVolumeRight}) {
        EXPECT_EQ(bar->StartColor(), QColor(0x00, 0x80, 0x00));
        EXPECT_EQ(bar->EndColor(), QColor(0xff, 0x00, 0x00));
        EXPECT_EQ(bar->Step(), 5);
    }
    app->LedVolumeLeft->SetPosition(200);
    const QImage bar = app->LedVolumeLeft->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor low = bar.pixelColor(5, bar.height() - 4);
    const QColor high = bar.pixelColor(5, 5); // in the topmost whole segment
    EXPECT_GT(low.green(), 100) << low.name().toStdString();
    EXPECT_LT(low.red(), 20) << low.name().toStdString();
    EXPECT_GT(high.red(), 220) << high.name().toStdString();
    EXPECT_LT(high.green(), 20) << high.name().toStdString();
    EXPECT_LT(high.blue(), 20) << high.name().toStdString();
}

TEST_F(StartupTest, CompanionWindowsHangOnTheMainWindowWhereverItGoes)
{
    app->move(500, 300);
    const QRect main = app->geometry();
    TFileNavigator* nav = app->FileNavigator;
    TStatusPanel* panel = app->StatusPanel;
    // Closed navigator: its handle hangs on the main window's left side.
    EXPECT_FALSE(nav->isVisible());
    EXPECT_EQ(nav->geometry().right() + 1, main.left());
    EXPECT_EQ(nav->y(), main.top() + 2);
    EXPECT_EQ(nav->height(), main.height() - 4);
    EXPECT_EQ(app->FileBlind->pos(), QPoint(main.left() - 20, main.top() + 2));
    // The status panel centred below, its handle under its left end.
    EXPECT_EQ(panel->pos(), QPoint(main.left() + (main.width() - panel->width()) / 2, main.bottom() + 1));
    EXPECT_EQ(app->StatusHandle->pos(), QPoint(panel->x(), panel->y() + panel->height()));

    // Open: the navigator shows once wider than 2 pixels, the handle on its left edge.
    nav->setBounds(main.left() - 200, main.top() + 2, 200, main.height() - 4);
    EXPECT_TRUE(nav->isVisible());
    EXPECT_EQ(app->SavedNavigatorWidth, 200);
    app->move(520, 310);
    EXPECT_EQ(nav->geometry(), QRect(320, 312, 200, main.height() - 4));
    EXPECT_EQ(app->FileBlind->pos(), QPoint(300, 312));
    // Two pixels wide is closed again.
    nav->setBounds(518, 312, 2, main.height() - 4);
    EXPECT_FALSE(nav->isVisible());
    EXPECT_EQ(app->FileBlind->pos(), QPoint(500, 312));
}

TEST_F(StartupTest, TheNavigatorsListKeepsNinetyPixelsAndOpensWhatIsClicked)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(toneWav(), dir.filePath("tone.wav")));
    TFileNavigator* nav = app->FileNavigator;
    EXPECT_EQ(nav->fileMask(), app->Mask());
    nav->setBounds(app->x() - 292, app->y() + 2, 292, app->height() - 4);
    ASSERT_TRUE(nav->isVisible());
    QCoreApplication::processEvents();
    const int tree = nav->RzDirectoryTree1->height();
    const int list = nav->FileListBox1->height();
    EXPECT_FALSE(nav->Splitter1CanResize(tree + list - 89));
    EXPECT_TRUE(nav->Splitter1CanResize(tree + list - 90));

    // Nothing highlighted: an empty path, which opens nothing.
    nav->FileListBox1Change();
    EXPECT_FALSE(app->MediaLoaded);

    // One click on a file in the list opens it in the player.
    ASSERT_TRUE(nav->setFolder(dir.path()));
    QListView* files = nav->FileListBox1;
    ASSERT_TRUE(waitUntil([&] { return files->model()->rowCount(files->rootIndex()) == 1; }));
    const QModelIndex tone = files->model()->index(0, 0, files->rootIndex());
    ASSERT_EQ(tone.data().toString(), "tone.wav");
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(tone).center());
    EXPECT_TRUE(app->MediaLoaded);
    EXPECT_EQ(caption(app->StatusPanel->VrLabel1), "tone.wav");
}

} // namespace

#include "startup_test.moc"
