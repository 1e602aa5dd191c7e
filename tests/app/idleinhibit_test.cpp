// The screen kept awake while video plays: stand-ins for the desktop's
// screen saver and portal on a private session bus record what the player
// asks of them while it plays, pauses, stops, reaches the end, loads sound
// or MIDI and closes.
#include "apptest.h"
#include "busclient.h"

#include "idleinhibitor.h"
#include "midiwriter.h"

#include <QDBusContext>
#include <QDBusError>
#include <QFile>

using namespace apptest;
using namespace busclient;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);
const auto* const bus = ::testing::AddGlobalTestEnvironment(new BusEnvironment);

// What the stand-ins were asked, in order, e.g. "Inhibit Norrava -> 7",
// "UnInhibit 7", "portal Inhibit 8 -> /…/1", "Close /…/1".
class Log : public QObject {
    Q_OBJECT
public:
    void add(const QString& entry)
    {
        entries << entry;
        emit added();
    }

    // Waits until there are count entries; false when the bound runs out.
    bool waitFor(qsizetype count)
    {
        QSignalSpy spy(this, &Log::added);
        QElapsedTimer clock;
        clock.start();
        while (entries.size() < count && clock.elapsed() < kBound)
            spy.wait(1000);
        return entries.size() >= count;
    }

    QStringList entries;

signals:
    void added();
};

// The desktop's screen saver, as far as inhibiting goes.
class ScreenSaverStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit ScreenSaverStandIn(Log* log) : log_(log) {}

public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        const uint cookie = ++lastCookie_;
        log_->add(QString("Inhibit %1 (%2) -> %3").arg(application, reason).arg(cookie));
        return cookie;
    }
    void UnInhibit(uint cookie) { log_->add(QString("UnInhibit %1").arg(cookie)); }

private:
    Log* log_;
    uint lastCookie_ = 40;
};

class PortalRequestStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    PortalRequestStandIn(Log* log, QString path) : log_(log), path_(std::move(path)) {}

public slots:
    void Close() { log_->add("Close " + path_); }

private:
    Log* log_;
    QString path_;
};

// The desktop portal's Inhibit; refusing, it answers as a portal without an
// inhibit back end does.
class PortalStandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    PortalStandIn(Log* log, QDBusConnection connection, bool refuse)
        : log_(log), connection_(std::move(connection)), refuse_(refuse)
    {
    }

public slots:
    QDBusObjectPath Inhibit(const QString& window, uint flags, const QVariantMap& options)
    {
        if (refuse_) {
            log_->add("portal refused");
            sendErrorReply(QDBusError::NotSupported, "No inhibit back end");
            return {};
        }
        const QString path = QString("/org/freedesktop/portal/desktop/request/1_1/t%1").arg(++count_);
        auto* request = new PortalRequestStandIn(log_, path);
        request->setParent(this);
        connection_.registerObject(path, request, QDBusConnection::ExportAllSlots);
        log_->add(QString("portal Inhibit '%1' %2 (%3) -> %4")
                      .arg(window)
                      .arg(flags)
                      .arg(options.value("reason").toString(), path));
        return QDBusObjectPath(path);
    }

private:
    Log* log_;
    QDBusConnection connection_;
    bool refuse_;
    int count_ = 0;
};

// Stand-ins on connections of their own, as the desktop's would be.
struct Desktop {
    enum Services { ScreenSaver = 1, Portal = 2, RefusingPortal = 4 };

    explicit Desktop(int services)
    {
        if (services & ScreenSaver) {
            screenSaver_ = std::make_unique<ScreenSaverStandIn>(&log);
            QDBusConnection c = openConnection("screensaver");
            EXPECT_TRUE(c.registerObject(IdleInhibitor::kScreenSaverPath, screenSaver_.get(),
                                         QDBusConnection::ExportAllSlots));
            EXPECT_TRUE(c.registerService(IdleInhibitor::kScreenSaverService));
        }
        if (services & (Portal | RefusingPortal)) {
            QDBusConnection c = openConnection("portal");
            portal_ = std::make_unique<PortalStandIn>(&log, c, services & RefusingPortal);
            EXPECT_TRUE(c.registerObject(IdleInhibitor::kPortalPath, portal_.get(), QDBusConnection::ExportAllSlots));
            EXPECT_TRUE(c.registerService(IdleInhibitor::kPortalService));
        }
    }

    ~Desktop()
    {
        if (screenSaver_) {
            openConnection("screensaver").unregisterService(IdleInhibitor::kScreenSaverService);
            openConnection("screensaver").unregisterObject(IdleInhibitor::kScreenSaverPath);
        }
        if (portal_) {
            openConnection("portal").unregisterService(IdleInhibitor::kPortalService);
            openConnection("portal").unregisterObject(IdleInhibitor::kPortalPath, QDBusConnection::UnregisterTree);
        }
    }

    // Everything the player sent before now has reached the stand-ins:
    // the bus keeps the order of one sender's messages to one receiver.
    void settle(const QString& service)
    {
        QDBusMessage ping = QDBusMessage::createMethodCall(service, "/", "org.freedesktop.DBus.Peer", "Ping");
        EXPECT_EQ(callAndWait(QDBusConnection::sessionBus(), ping).type(), QDBusMessage::ReplyMessage);
    }

    Log log;

private:
    std::unique_ptr<ScreenSaverStandIn> screenSaver_;
    std::unique_ptr<PortalStandIn> portal_;
};

// 20 s, so that no step meets the end unless it asks to.
QString videoClip()
{
    return testmedia::frameClip("app_mpris500", "mp4", {"-c:v", "libx264", "-g", "25", "-bf", "2"}, 500);
}

QString midiSong()
{
    const QString path = testmedia::dir() + "/app_song.mid";
    if (!QFile::exists(path)) {
        const QString part = path + ".part";
        midiwriter::writeFile(part.toStdString(), midiwriter::simpleSong(8, 120));
        QFile::rename(part, path);
    }
    return path;
}

class InhibitTest : public PlayerTest {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        ASSERT_TRUE(windows->IdleInhibitor) << "the player did not find the session bus";
    }

    // Runs action and waits until the poll shows state.
    void reach(const std::function<void()>& action, Tapp::TShownState state)
    {
        action();
        ASSERT_TRUE(waitUntil([&] { return app->ShownState == state; }));
    }

    // Waits for a number of polls more, each of which would have asked.
    void pollsMore(int ticks)
    {
        QSignalSpy polled(app, &Tapp::Polled);
        ASSERT_TRUE(waitUntil([&] { return polled.size() >= ticks; }));
    }

    IdleInhibitor::Backend held() const { return windows->IdleInhibitor->held(); }
};

TEST_F(InhibitTest, HeldExactlyWhileVideoPlays)
{
    Desktop desktop(Desktop::ScreenSaver);
    QTemporaryDir dir;
    const struct {
        const char* name;
        std::function<void()> action;
        Tapp::TShownState state;
        QStringList calls; // what the stand-in hears, beyond what it heard before
    } steps[] = {
        {"video plays", [&] { load(videoClip()); }, Tapp::TShownState::Playing,
         {"Inhibit Norrava (Playing a video) -> 41"}},
        {"pause", [&] { app->ButtonPauseClick(); }, Tapp::TShownState::Paused, {"UnInhibit 41"}},
        {"play on", [&] { app->ButtonPlayClick(); }, Tapp::TShownState::Playing,
         {"Inhibit Norrava (Playing a video) -> 42"}},
        {"stop", [&] { app->ButtonStopClick(); }, Tapp::TShownState::Stopped, {"UnInhibit 42"}},
        {"play to the end",
         [&] {
             parkAt(450);
             app->ButtonPlayClick();
             // Held from the first tick that sees it playing.
             ASSERT_TRUE(desktop.log.waitFor(5));
             ASSERT_TRUE(waitUntil([&] { return app->ShownState == Tapp::TShownState::Stopped; }));
         },
         Tapp::TShownState::Stopped, {"Inhibit Norrava (Playing a video) -> 43", "UnInhibit 43"}},
        {"video again", [&] { load(videoClip()); }, Tapp::TShownState::Playing,
         {"Inhibit Norrava (Playing a video) -> 44"}},
        {"sound", [&] { load(toneWav()); }, Tapp::TShownState::Playing, {"UnInhibit 44"}},
        {"video once more", [&] { load(videoClip()); }, Tapp::TShownState::Playing,
         {"Inhibit Norrava (Playing a video) -> 45"}},
        {"MIDI", [&] { load(midiSong()); }, Tapp::TShownState::Playing, {"UnInhibit 45"}},
        {"video for the close", [&] { load(videoClip()); }, Tapp::TShownState::Playing,
         {"Inhibit Norrava (Playing a video) -> 46"}},
        {"close", [&] { app->close(); }, Tapp::TShownState::Playing, {"UnInhibit 46"}},
    };
    QStringList expected;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        reach(step.action, step.state);
        expected << step.calls;
        EXPECT_TRUE(desktop.log.waitFor(expected.size()));
        if (!app->HasVideo)
            pollsMore(5); // sound and MIDI play on without asking
        desktop.settle(IdleInhibitor::kScreenSaverService);
        EXPECT_EQ(desktop.log.entries, expected);
        const bool playingVideo = app->isVisible() && app->HasVideo && step.state == Tapp::TShownState::Playing;
        // The player learns of the cookie when the answer reaches it.
        const auto expectedHeld = playingVideo ? IdleInhibitor::Backend::ScreenSaver : IdleInhibitor::Backend::None;
        EXPECT_TRUE(waitUntil([&] { return held() == expectedHeld; }));
    }
}

TEST_F(InhibitTest, AFailedLoadReleases)
{
    Desktop desktop(Desktop::ScreenSaver);
    load(videoClip());
    ASSERT_TRUE(desktop.log.waitFor(1));
    // The poll stays off after a refused file, so the load itself releases.
    app->LoadTheFile(testmedia::rawFile("app_inhibit_junk.mp4", "not a video"));
    ASSERT_TRUE(loadEnded());
    ASSERT_EQ(mediaMessages.size(), 1);
    EXPECT_TRUE(desktop.log.waitFor(2));
    EXPECT_EQ(desktop.log.entries.value(1), "UnInhibit 41");
    EXPECT_EQ(held(), IdleInhibitor::Backend::None);
}

TEST_F(InhibitTest, ThePortalIsAskedFirst)
{
    const struct {
        const char* name;
        int services;
        QStringList onPlay;
        QStringList onPause;
        IdleInhibitor::Backend held;
    } cases[] = {
        {"portal and screen saver", Desktop::Portal | Desktop::ScreenSaver,
         {"portal Inhibit '' 8 (Playing a video) -> /org/freedesktop/portal/desktop/request/1_1/t1"},
         {"Close /org/freedesktop/portal/desktop/request/1_1/t1"}, IdleInhibitor::Backend::Portal},
        {"portal only", Desktop::Portal,
         {"portal Inhibit '' 8 (Playing a video) -> /org/freedesktop/portal/desktop/request/1_1/t1"},
         {"Close /org/freedesktop/portal/desktop/request/1_1/t1"}, IdleInhibitor::Backend::Portal},
        {"a portal without an inhibit back end", Desktop::RefusingPortal | Desktop::ScreenSaver,
         {"portal refused", "Inhibit Norrava (Playing a video) -> 41"}, {"UnInhibit 41"},
         IdleInhibitor::Backend::ScreenSaver},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Desktop desktop(c.services);
        reach([&] { load(videoClip()); }, Tapp::TShownState::Playing);
        EXPECT_TRUE(desktop.log.waitFor(c.onPlay.size()));
        EXPECT_TRUE(waitUntil([&] { return held() == c.held; }));
        EXPECT_EQ(desktop.log.entries, c.onPlay);
        reach([&] { app->ButtonPauseClick(); }, Tapp::TShownState::Paused);
        EXPECT_TRUE(desktop.log.waitFor(c.onPlay.size() + c.onPause.size()));
        EXPECT_EQ(desktop.log.entries, c.onPlay + c.onPause);
        EXPECT_EQ(held(), IdleInhibitor::Backend::None);
    }
}

// The inhibitor on its own: answers that arrive after the wish has changed.
TEST(IdleInhibitor, AnswersArrivingLateAreHandled)
{
    const struct {
        const char* name;
        std::vector<bool> wishes; // given one after another, without waiting
        QStringList heard;
        IdleInhibitor::Backend held;
    } cases[] = {
        {"wanted", {true}, {"Inhibit Norrava (Playing a video) -> 41"}, IdleInhibitor::Backend::ScreenSaver},
        {"wanted many times", {true, true, true}, {"Inhibit Norrava (Playing a video) -> 41"},
         IdleInhibitor::Backend::ScreenSaver},
        {"unwanted before the answer", {true, false}, {"Inhibit Norrava (Playing a video) -> 41", "UnInhibit 41"},
         IdleInhibitor::Backend::None},
        {"wanted again before the answer", {true, false, true}, {"Inhibit Norrava (Playing a video) -> 41"},
         IdleInhibitor::Backend::ScreenSaver},
        {"never wanted", {false}, {}, IdleInhibitor::Backend::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Desktop desktop(Desktop::ScreenSaver);
        {
            IdleInhibitor inhibitor(QDBusConnection::sessionBus());
            QSignalSpy answered(&inhibitor, &IdleInhibitor::answered);
            for (bool wish : c.wishes)
                inhibitor.setWanted(wish);
            if (c.wishes.front()) {
                EXPECT_TRUE(answered.size() > 0 || answered.wait(kBound));
            }
            EXPECT_TRUE(desktop.log.waitFor(c.heard.size()));
            desktop.settle(IdleInhibitor::kScreenSaverService);
            EXPECT_EQ(desktop.log.entries, c.heard);
            EXPECT_EQ(inhibitor.held(), c.held);
        }
        // Going away releases what it held.
        desktop.settle(IdleInhibitor::kScreenSaverService);
        if (c.held != IdleInhibitor::Backend::None) {
            EXPECT_EQ(desktop.log.entries.value(c.heard.size()), "UnInhibit 41");
        } else {
            EXPECT_EQ(desktop.log.entries, c.heard);
        }
    }
}

TEST(IdleInhibitor, NoDesktopServiceMeansNothingHeldAndNoRetries)
{
    IdleInhibitor inhibitor(QDBusConnection::sessionBus());
    QSignalSpy answered(&inhibitor, &IdleInhibitor::answered);
    inhibitor.setWanted(true);
    ASSERT_TRUE(answered.wait(kBound));
    EXPECT_EQ(inhibitor.held(), IdleInhibitor::Backend::None);
    // Every tick of the poll wants it again; no more is asked until the
    // wish has lapsed once.
    Desktop desktop(Desktop::ScreenSaver);
    inhibitor.setWanted(true);
    desktop.settle(IdleInhibitor::kScreenSaverService);
    EXPECT_TRUE(desktop.log.entries.isEmpty());
    inhibitor.setWanted(false);
    inhibitor.setWanted(true);
    EXPECT_TRUE(desktop.log.waitFor(1));
    EXPECT_TRUE(answered.wait(kBound));
    EXPECT_EQ(inhibitor.held(), IdleInhibitor::Backend::ScreenSaver);
}

} // namespace

#include "idleinhibit_test.moc"
