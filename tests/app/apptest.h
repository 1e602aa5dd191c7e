#pragma once

// The player's five windows on the offscreen platform, with every dialog of
// the main window replaced by a recorder so that no modal box blocks a test.

#include "fileblind.h"
#include "filenavigator.h"
#include "gtabbutton.h"
#include "mcisession.h"
#include "mediachannel.h"
#include "norravaapplication.h"
#include "rxslider.h"
#include "statushandle.h"
#include "statuspanel.h"
#include "tapp.h"
#include "testmedia.h"
#include "txvideowindow.h"
#include "uapp.h"
#include "vrlabel.h"
#include "vumeter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace apptest {

// Texts of message boxes that came up although no test asked for one: the
// peak meter's open message (shown while the main window is built, before
// a test can set its hook) and the application's error reports.
inline QStringList& unexpectedMessages()
{
    static QStringList list;
    return list;
}

// The messages that are faults: all but the peak meter's two, which say
// only that this machine has no sound server.
inline QStringList reportedErrors()
{
    QStringList list = unexpectedMessages();
    list.removeAll("No Wave Devices to open");
    list.removeAll("Unable to get mixer ID");
    return list;
}

// The application object for the whole executable. A watchdog closes any
// modal box that still comes up, so a test fails instead of hanging.
class Environment : public ::testing::Environment {
public:
    explicit Environment(std::function<void()> beforeApplication = {})
        : FBefore(std::move(beforeApplication))
    {
    }

    void SetUp() override
    {
        if (FBefore)
            FBefore();
        FApp = new NorravaApplication(FArgc, FArgv);
        NorravaApplication::SetExceptionReporter([](const QString& message) { unexpectedMessages() << message; });
        FWatchdog = new QTimer;
        FWatchdog->setInterval(50);
        QObject::connect(FWatchdog, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                if (auto* box = qobject_cast<QMessageBox*>(modal))
                    unexpectedMessages() << box->text();
                else
                    unexpectedMessages() << modal->windowTitle();
                modal->close();
            }
        });
        FWatchdog->start();
    }

    void TearDown() override
    {
        delete FWatchdog;
        delete FApp;
    }

private:
    std::function<void()> FBefore;
    int FArgc = 1;
    char FName[16] = "norrava-test";
    char* FArgv[2] = {FName, nullptr};
    NorravaApplication* FApp = nullptr;
    QTimer* FWatchdog = nullptr;
};

// Processes events until pred holds or the bound runs out; the bound is
// generous because it only matters when something is broken.
inline bool waitUntil(const std::function<bool()>& pred, int milliseconds = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > milliseconds)
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        mci::processEvents();
    }
    return true;
}

// Media made once per run and cached in the build tree.
inline QString clip100()
{
    // 100 frames at 25 fps, a key frame every 25 so exact seeks have work to do.
    return testmedia::frameClip("app_clip100", "mp4", {"-c:v", "libx264", "-g", "25", "-bf", "2"}, 100);
}

inline QString toneWav()
{
    return testmedia::wavFile("app_tone", 44100, 2, "pcm_s16le", 2000);
}

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        unexpectedMessages().clear();
        windows = CreateWindows();
        app = windows->app.get();
        app->ShowMediaMessage = [this](const QString& text) { mediaMessages << text; };
        app->ChooseMediaFile = [this] { return nextMediaFile; };
        app->ChooseCaptureFile = [this] {
            ++captureAsks;
            return nextCaptureFile;
        };
        app->ScreenSize = [this] { return screen; };
        app->AvailableScreenArea = [this](QPoint point) {
            return availableAt ? availableAt(point) : QRect(QPoint(0, 0), screen);
        };
        app->OpenAbout = [this] { ++aboutOpened; };
        app->Vumeter->SetMessageHook([](const QString& text) { unexpectedMessages() << text; });
        app->show();
        QCoreApplication::processEvents();
    }

    void TearDown() override
    {
        windows.reset();
        QCoreApplication::processEvents();
        const QStringList unexpected = reportedErrors();
        EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join(" | ").toStdString();
    }

    // Loads and waits until the device plays (or the bound runs out).
    void load(const QString& path)
    {
        ASSERT_FALSE(path.isEmpty());
        app->LoadTheFile(path);
        ASSERT_TRUE(loadEnded());
        ASSERT_TRUE(app->MediaLoaded);
    }

    // A load goes on after LoadTheFile returns, until the media layer has
    // opened the file or refused it.
    bool loadEnded()
    {
        return waitUntil([&] { return !app->Loading(); });
    }

    // The frame number the video panel shows, -1 when it shows none.
    int shownFrame() const { return testmedia::readFrameNumber(app->VideoWindow->Snapshot()); }

    bool waitForFrame(int frame)
    {
        return waitUntil([&] { return shownFrame() == frame; });
    }

    // Stops the poll so that a test runs its ticks itself.
    void holdThePoll() { app->Timer1->stop(); }

    std::string mode() const { return MediaQuery("status z mode"); }
    int position() const { return ReadNumber(MediaQuery("status z position")); }

    // Stops and shows one frame, as a user would reach it with the slider.
    void parkAt(int frame)
    {
        MediaCommand("stop z");
        MediaCommand("seek z to " + std::to_string(frame));
    }

    QString caption(TVrLabel* label) const { return label->Caption(); }

    // The status panel's description of the medium: its file name, its kind
    // and its format.
    QStringList described() const
    {
        const TStatusPanel* panel = app->StatusPanel;
        return {panel->VrLabel1->Caption(), panel->VrLabel2->Caption(), panel->VrLabel3->Caption()};
    }

    // The controls that work only on a loaded medium.
    QList<QWidget*> mediaControls() const
    {
        return {app->ButtonPlay,         app->ButtonStop,    app->ButtonPause,         app->ButtonRewind,
                app->ButtonForward,      app->ButtonFrameBack, app->ButtonFrameForward, app->ButtonCapture,
                app->ButtonBigger,       app->ButtonSmaller, app->ButtonNormalSize,    app->VideoPositionSlider};
    }

    // The windows that hang on the main window.
    QList<QWidget*> companions() const
    {
        return {app->FileNavigator, app->FileBlind, app->StatusPanel, app->StatusHandle};
    }

    std::unique_ptr<TAppWindows> windows;
    Tapp* app = nullptr;
    QStringList mediaMessages;
    QString nextMediaFile;
    QString nextCaptureFile;
    int captureAsks = 0;
    int aboutOpened = 0;
    QSize screen{1024, 768};
    // The available area of the screen at a point; unset, the whole screen.
    std::function<QRect(QPoint)> availableAt;
};

} // namespace apptest
