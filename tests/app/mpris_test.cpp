// The player as the desktop's media controls see it: the MPRIS 2 interfaces
// on a private session bus, driven by a client on its own connection against
// the player playing generated clips. Checks the properties, the commands
// (which go through the skin's handlers), PropertiesChanged and Seeked.
#include "apptest.h"
#include "busclient.h"

#include "fileblind.h"
#include "mediafolder.h"
#include "mprisservice.h"
#include "statushandle.h"
#include "testservices.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <cmath>

using namespace apptest;
using namespace busclient;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);
const auto* const bus = ::testing::AddGlobalTestEnvironment(new BusEnvironment);

const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

// 20 s at 25 fps: long enough that no test meets its end unless it asks to.
QString longClip()
{
    return testmedia::frameClip("app_mpris500", "mp4", {"-c:v", "libx264", "-g", "25", "-bf", "2"}, 500);
}

QString ntscClip()
{
    return testmedia::frameClip("app_ntsc", "mp4", {"-c:v", "libx264"}, 60, 320, 240, "30000/1001", false);
}

// Microseconds from the start to frame f.
qlonglong usAt(int frame, double rate)
{
    return std::llround(frame * 1e6 / rate);
}

// A desktop's media controls: calls the player and records what it signals.
class Remote : public QObject {
    Q_OBJECT
public:
    explicit Remote(const QString& service) : bus_(openConnection("remote")), service_(service)
    {
        bus_.connect(service, MprisService::kObjectPath, "org.freedesktop.DBus.Properties", "PropertiesChanged", this,
                     SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        bus_.connect(service, MprisService::kObjectPath, kPlayer, "Seeked", this, SLOT(seeked(qlonglong)));
    }

    QDBusMessage call(const QString& method, const QVariantList& arguments = {}, const QString& interface = kPlayer)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service_, MprisService::kObjectPath, interface, method);
        call.setArguments(arguments);
        return busclient::callAndWait(bus_, call);
    }

    QVariant get(const QString& property, const QString& interface = kPlayer)
    {
        return busclient::getProperty(bus_, service_, MprisService::kObjectPath, interface, property);
    }

    QVariantMap getAll(const QString& interface)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service_, MprisService::kObjectPath,
                                                           "org.freedesktop.DBus.Properties", "GetAll");
        call << interface;
        const QDBusMessage reply = busclient::callAndWait(bus_, call);
        if (reply.arguments().isEmpty())
            return {};
        return plainMap(qdbus_cast<QVariantMap>(reply.arguments().first()));
    }

    bool set(const QString& property, const QVariant& value)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service_, MprisService::kObjectPath,
                                                           "org.freedesktop.DBus.Properties", "Set");
        call << kPlayer << property << QVariant::fromValue(QDBusVariant(value));
        return busclient::callAndWait(bus_, call).type() == QDBusMessage::ReplyMessage;
    }

    QVariantMap metadata() { return get("Metadata").toMap(); }

    // From here on, only what is signalled later counts.
    void mark()
    {
        changesSeen_ = changes.size();
        seeksSeen_ = seeks.size();
    }

    // Waits until a PropertiesChanged since the mark carries property with
    // a value that good accepts; returns that value (invalid on time-out).
    QVariant waitForChange(const QString& property, const std::function<bool(const QVariant&)>& good)
    {
        QSignalSpy spy(this, &Remote::changed);
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            for (qsizetype i = changesSeen_; i < changes.size(); ++i)
                if (changes[i].contains(property) && good(changes[i][property]))
                    return changes[i][property];
            if (clock.elapsed() > kBound)
                return {};
            spy.wait(1000);
        }
    }

    QVariant waitForChange(const QString& property, const QVariant& value)
    {
        return waitForChange(property, [&](const QVariant& v) { return v == value; });
    }

    // Waits for a Seeked since the mark; its position, or -1.
    qlonglong waitForSeeked()
    {
        QSignalSpy spy(this, &Remote::changed);
        QElapsedTimer clock;
        clock.start();
        while (seeks.size() <= seeksSeen_ && clock.elapsed() < kBound)
            spy.wait(1000);
        return seeks.size() > seeksSeen_ ? seeks.last() : -1;
    }

    QList<QVariantMap> changes;
    QList<qlonglong> seeks;

signals:
    void changed();

public slots:
    void propertiesChanged(const QString& interface, const QVariantMap& properties, const QStringList&)
    {
        if (interface == kPlayer)
            changes << plainMap(properties);
        emit changed();
    }

    void seeked(qlonglong position)
    {
        seeks << position;
        emit changed();
    }

private:
    QDBusConnection bus_;
    QString service_;
    qsizetype changesSeen_ = 0;
    qsizetype seeksSeen_ = 0;
};

class MprisTest : public PlayerTest {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        ASSERT_TRUE(windows->Mpris) << "the player did not find the session bus";
        ASSERT_EQ(windows->Mpris->busName(), MprisService::kServiceName);
        remote = std::make_unique<Remote>(windows->Mpris->busName());
    }

    void TearDown() override
    {
        remote.reset();
        PlayerTest::TearDown();
    }

    // Links to clip under the given names in a folder of their own; returns
    // the folder. Names ending in "/" are made as folders.
    QString folderOf(const QStringList& names, const QString& clip)
    {
        const QString folder = dir.filePath("with space ä");
        QDir().mkpath(folder);
        for (const QString& name : names) {
            if (name.endsWith('/'))
                QDir().mkpath(folder + "/" + name);
            else if (name.endsWith(".txt"))
                QFile(folder + "/" + name).open(QIODevice::WriteOnly);
            else
                QFile::link(clip, folder + "/" + name);
        }
        return folder;
    }

    // Loads and waits until the poll has shown it playing.
    void play(const QString& path)
    {
        remote->mark();
        load(path);
        ASSERT_TRUE(remote->waitForChange("PlaybackStatus", "Playing").isValid());
    }

    void reach(Tapp::TShownState state)
    {
        if (state == Tapp::TShownState::Playing)
            app->ButtonPlayClick();
        else if (state == Tapp::TShownState::Paused)
            app->ButtonPauseClick();
        else
            app->ButtonStopClick();
        ASSERT_TRUE(waitUntil([&] { return app->ShownState == state; }));
    }

    QDBusObjectPath track() { return remote->metadata()["mpris:trackid"].value<QDBusObjectPath>(); }
    QString title() { return remote->metadata()["xesam:title"].toString(); }
    double rate() const { return app->ExactFrameRate; }

    QTemporaryDir dir;
    std::unique_ptr<Remote> remote;
};

TEST_F(MprisTest, TheRootInterfaceDescribesThePlayer)
{
    const QVariantMap all = remote->getAll(kRoot);
    const struct {
        const char* property;
        QVariant value;
    } expected[] = {
        {"Identity", QString("Norrava")},
        {"DesktopEntry", QString("norrava")},
        {"CanQuit", true},
        {"CanRaise", true},
        {"HasTrackList", false},
        {"SupportedUriSchemes", QStringList{"file"}},
    };
    for (const auto& e : expected)
        EXPECT_EQ(all.value(e.property), e.value) << e.property;

    const QStringList types = all.value("SupportedMimeTypes").toStringList();
    for (const char* type : {"video/mp4", "video/x-matroska", "audio/x-wav", "audio/mpeg", "audio/midi"})
        EXPECT_TRUE(types.contains(type)) << type;
    for (const QString& type : types)
        EXPECT_TRUE(type.startsWith("video/") || type.startsWith("audio/") || type.startsWith("application/"))
            << type.toStdString();
}

TEST_F(MprisTest, NothingOpenIsStoppedWithNoTrack)
{
    const QVariantMap all = remote->getAll(kPlayer);
    const struct {
        const char* property;
        QVariant value;
    } expected[] = {
        {"PlaybackStatus", QString("Stopped")},
        {"CanPlay", false},
        {"CanPause", false},
        {"CanSeek", false},
        {"CanGoNext", false},
        {"CanGoPrevious", false},
        {"CanControl", true},
        {"Position", qlonglong(0)},
        {"Rate", 1.0},
        {"MinimumRate", 1.0},
        {"MaximumRate", 1.0},
        {"Volume", 50000 / 65534.0},
    };
    for (const auto& e : expected)
        EXPECT_EQ(all.value(e.property), e.value) << e.property;
    const QVariantMap metadata = all.value("Metadata").toMap();
    EXPECT_EQ(metadata.keys(), QStringList{"mpris:trackid"});
    EXPECT_EQ(metadata.value("mpris:trackid").value<QDBusObjectPath>(), MprisService::kNoTrack);
}

TEST_F(MprisTest, ALoadIsPublishedWithItsMetadata)
{
    const QString path = folderOf({"clip ä.mp4"}, clip100()) + "/clip ä.mp4";
    play(path);

    const QVariantMap metadata = remote->waitForChange("Metadata", [](const QVariant& v) {
                                           return v.toMap().contains("xesam:title");
                                       }).toMap();
    ASSERT_FALSE(metadata.isEmpty());
    EXPECT_EQ(metadata.value("mpris:length").metaType(), QMetaType::fromType<qlonglong>());
    EXPECT_EQ(metadata.value("mpris:length").toLongLong(), 4000000); // 100 frames at 25 fps
    EXPECT_EQ(metadata.value("xesam:title").toString(), "clip ä.mp4");
    const QString url = metadata.value("xesam:url").toString();
    EXPECT_TRUE(url.startsWith("file:///")) << url.toStdString();
    EXPECT_TRUE(url.contains("%20")) << "a URL has no blanks: " << url.toStdString();
    EXPECT_EQ(QUrl(url).toLocalFile(), path);
    const QString trackId = metadata.value("mpris:trackid").value<QDBusObjectPath>().path();
    EXPECT_TRUE(trackId.startsWith("/org/norrava/track/")) << trackId.toStdString();

    for (const char* can : {"CanPlay", "CanPause", "CanSeek"})
        EXPECT_EQ(remote->get(can), true) << can;

    // A second load is a new track.
    remote->mark();
    load(path);
    const QVariant again = remote->waitForChange("Metadata", [&](const QVariant& v) {
        return v.toMap().value("mpris:trackid").value<QDBusObjectPath>().path() != trackId;
    });
    EXPECT_TRUE(again.isValid()) << "no new track id after the second load";
}

TEST_F(MprisTest, PlaybackStatusIsWhatThePollShows)
{
    play(longClip());
    const struct {
        const char* name;
        Tapp::TShownState from;
        const char* method;
        const char* status;
        const char* caption;
        TGTabButton* Tapp::*down;
    } cases[] = {
        {"pause while playing", Tapp::TShownState::Playing, "Pause", "Paused", "Paused", &Tapp::ButtonPause},
        {"play while paused", Tapp::TShownState::Paused, "Play", "Playing", "Playing", &Tapp::ButtonPlay},
        {"play when stopped", Tapp::TShownState::Stopped, "Play", "Playing", "Playing", &Tapp::ButtonPlay},
        {"play-pause while playing", Tapp::TShownState::Playing, "PlayPause", "Paused", "Paused", &Tapp::ButtonPause},
        {"play-pause while paused", Tapp::TShownState::Paused, "PlayPause", "Playing", "Playing", &Tapp::ButtonPlay},
        {"play-pause when stopped", Tapp::TShownState::Stopped, "PlayPause", "Playing", "Playing", &Tapp::ButtonPlay},
        {"stop while playing", Tapp::TShownState::Playing, "Stop", "Stopped", "Stopped", &Tapp::ButtonStop},
        {"stop while paused", Tapp::TShownState::Paused, "Stop", "Stopped", "Stopped", &Tapp::ButtonStop},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.from != Tapp::TShownState::Stopped)
            reach(Tapp::TShownState::Stopped); // from the start, so the clip never ends on us
        reach(c.from);
        remote->mark();
        EXPECT_EQ(remote->call(c.method).type(), QDBusMessage::ReplyMessage);
        EXPECT_EQ(remote->waitForChange("PlaybackStatus", QString(c.status)), QString(c.status));
        EXPECT_EQ(caption(app->StatusPanel->StatusLabel), c.caption);
        EXPECT_EQ(remote->get("PlaybackStatus"), QString(c.status));
        EXPECT_TRUE((app->*c.down)->Down());
    }
}

TEST_F(MprisTest, StopRewindsAndSaysSo)
{
    play(longClip());
    ASSERT_TRUE(waitUntil([&] { return position() > 5; }));
    remote->mark();
    remote->call("Stop");
    EXPECT_EQ(remote->waitForSeeked(), 0);
    EXPECT_EQ(position(), 0);
}

TEST_F(MprisTest, TheEndOfTheMediumIsStopped)
{
    play(clip100());
    reach(Tapp::TShownState::Paused);
    parkAt(95);
    remote->mark();
    remote->call("Play");
    EXPECT_EQ(remote->waitForChange("PlaybackStatus", "Stopped"), "Stopped");
    EXPECT_GE(app->MediaPosition, 99);
}

TEST_F(MprisTest, CommandsOfDisabledButtonsDoNothing)
{
    play(longClip());
    const struct {
        const char* method;
        TGTabButton* Tapp::*button;
        const char* capability;
        Tapp::TShownState from;
    } cases[] = {
        {"Play", &Tapp::ButtonPlay, "CanPlay", Tapp::TShownState::Paused},
        {"PlayPause", &Tapp::ButtonPlay, "CanPlay", Tapp::TShownState::Paused},
        {"Pause", &Tapp::ButtonPause, "CanPause", Tapp::TShownState::Playing},
        {"PlayPause", &Tapp::ButtonPause, "CanPause", Tapp::TShownState::Playing},
        {"Stop", &Tapp::ButtonStop, nullptr, Tapp::TShownState::Playing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        reach(c.from);
        (app->*c.button)->setEnabled(false);
        const std::string before = mode();
        const bool pausedBefore = app->IsPaused;
        // The command runs before the answer comes back.
        EXPECT_EQ(remote->call(c.method).type(), QDBusMessage::ReplyMessage);
        EXPECT_EQ(mode(), before);
        EXPECT_EQ(app->IsPaused, pausedBefore);
        if (c.capability) {
            EXPECT_EQ(remote->get(c.capability), false);
        }
        (app->*c.button)->setEnabled(true);
    }
}

TEST_F(MprisTest, SetPositionShowsTheExactFrame)
{
    const struct {
        const char* name;
        QString clip;
        int frames[3];
    } clips[] = {
        {"25 fps", longClip(), {1, 37, 499}},
        {"29.97 fps", ntscClip(), {1, 31, 59}},
    };
    for (const auto& c : clips) {
        SCOPED_TRACE(c.name);
        play(c.clip);
        reach(Tapp::TShownState::Paused);
        const QDBusObjectPath id = track();
        const double perFrame = 1e6 / rate();
        for (int frame : c.frames) {
            SCOPED_TRACE(frame);
            for (const qlonglong at : {usAt(frame, rate()), usAt(frame, rate()) + qlonglong(perFrame / 2)}) {
                remote->mark();
                remote->call("SetPosition", {QVariant::fromValue(id), at});
                EXPECT_EQ(remote->waitForSeeked(), usAt(frame, rate()));
                EXPECT_EQ(app->MediaPosition, frame);
                EXPECT_TRUE(waitForFrame(frame)) << "shows " << shownFrame();
            }
            // What Position says leads back to the same frame.
            const qlonglong said = remote->get("Position").toLongLong();
            EXPECT_EQ(said, usAt(frame, rate()));
            remote->call("SetPosition", {QVariant::fromValue(id), said});
            EXPECT_EQ(app->MediaPosition, frame);
        }
        EXPECT_EQ(app->ShownState, Tapp::TShownState::Paused);
    }
}

TEST_F(MprisTest, SeekMovesByTheOffset)
{
    play(folderOf({"only.mp4"}, longClip()) + "/only.mp4");
    reach(Tapp::TShownState::Paused);
    const struct {
        const char* name;
        int from;
        qlonglong offset;
        int to;
        int shows; // where the position settles: the end shows the last frame
    } cases[] = {
        {"forward", 50, 400000, 60, 60},
        {"back", 50, -400000, 40, 40},
        {"before the start", 50, -10000000, 0, 0},
        {"past the end, no next file", 50, 60000000, 500, 499},
        {"by most of a frame", 50, 39000, 50, 50},
        {"by a frame less a microsecond", 50, 39999, 51, 51}, // as the rounded Position of frame 51 can be
        {"huge", 50, std::numeric_limits<qlonglong>::max(), 500, 499},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        parkAt(c.from);
        remote->mark();
        remote->call("Seek", {c.offset});
        // A seek to the end reads as the end until the last frame is drawn,
        // then as that frame; Seeked may come on either side of that.
        const qlonglong seeked = remote->waitForSeeked();
        EXPECT_TRUE(seeked == usAt(c.to, 25) || seeked == usAt(c.shows, 25)) << seeked;
        // The poll reads the sought position until the frame is drawn, then the frame shown.
        EXPECT_TRUE(waitUntil([&] { return app->MediaPosition == c.shows; })) << app->MediaPosition;
        EXPECT_EQ(title(), "only.mp4");
    }
}

TEST_F(MprisTest, ASeekWhilePlayingPlaysOn)
{
    play(longClip());
    remote->mark();
    remote->call("Seek", {qlonglong(2000000)});
    EXPECT_GE(remote->waitForSeeked(), 2000000);
    EXPECT_TRUE(waitUntil([&] { return mode() == "playing" && app->ShownState == Tapp::TShownState::Playing; }));
    EXPECT_EQ(remote->get("PlaybackStatus"), "Playing");
}

TEST_F(MprisTest, PositionsOutsideTheTrackAreIgnored)
{
    play(longClip());
    reach(Tapp::TShownState::Paused);
    parkAt(40);
    const QDBusObjectPath id = track();
    const struct {
        const char* name;
        QDBusObjectPath track;
        qlonglong position;
    } cases[] = {
        {"another track", QDBusObjectPath("/org/norrava/track/999"), 1000000},
        {"no track", MprisService::kNoTrack, 1000000},
        {"before the start", id, -1},
        {"after the end", id, 20000001},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype seeks = remote->seeks.size();
        EXPECT_EQ(remote->call("SetPosition", {QVariant::fromValue(c.track), c.position}).type(),
                  QDBusMessage::ReplyMessage);
        EXPECT_EQ(position(), 40);
        QCoreApplication::processEvents();
        EXPECT_EQ(remote->seeks.size(), seeks);
    }
}

TEST_F(MprisTest, VolumeIsTheSliderBothWays)
{
    const struct {
        double set;
        int slider;
    } cases[] = {
        {0.5, 32767}, {0.0, 0}, {1.0, 65534}, {0.2, 13107}, {-0.25, 0}, {3.0, 65534},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        remote->mark();
        EXPECT_TRUE(remote->set("Volume", c.set));
        EXPECT_EQ(app->VolumeSlider->Value(), c.slider);
        EXPECT_EQ(remote->get("Volume"), c.slider / 65534.0);
    }
    // The slider moved by hand is announced.
    remote->mark();
    app->VolumeSlider->SetValue(40000);
    EXPECT_EQ(remote->waitForChange("Volume", 40000 / 65534.0), 40000 / 65534.0);
}

TEST_F(MprisTest, NextAndPreviousFollowTheNavigatorsOrder)
{
    const QString folder = folderOf({"clip10.mp4", "clip2.mp4", "Clip3.MP4", "clip1.mp4", "notes.txt", "clip4.mp4/"},
                                    longClip());
    // The navigator's order (its own test holds it to the list it shows).
    QStringList order;
    for (const QString& path : mediafolder::filesIn(folder, app->Mask()))
        order << QFileInfo(path).fileName();
    ASSERT_EQ(order.size(), 4) << order.join(' ').toStdString();

    play(folder + "/" + order[1]);
    int at = 1;
    // To the last and one beyond, back to the first and one beyond.
    const struct {
        const char* method;
        int step;
        int times;
    } walks[] = {{"Next", +1, int(order.size())}, {"Previous", -1, int(order.size())}};
    for (const auto& walk : walks) {
        for (int i = 0; i < walk.times; ++i) {
            const int to = std::clamp(at + walk.step, 0, int(order.size()) - 1);
            SCOPED_TRACE(std::string(walk.method) + " from " + order[at].toStdString());
            remote->mark();
            EXPECT_EQ(remote->call(walk.method).type(), QDBusMessage::ReplyMessage);
            if (to != at) {
                EXPECT_TRUE(remote->waitForChange("Metadata", [&](const QVariant& v) {
                                      return v.toMap().value("xesam:title") == order[to];
                                  }).isValid());
            } else {
                QCoreApplication::processEvents(); // a load would have run by now
                EXPECT_EQ(title(), order[at]);
            }
            at = to;
            EXPECT_EQ(remote->get("CanGoNext"), at < order.size() - 1);
            EXPECT_EQ(remote->get("CanGoPrevious"), at > 0);
        }
    }
}

TEST_F(MprisTest, SeekingPastTheEndOpensTheNextFile)
{
    const QString folder = folderOf({"a.mp4", "b.mp4"}, clip100());
    play(folder + "/a.mp4");
    remote->mark();
    remote->call("Seek", {qlonglong(5000000)});
    EXPECT_TRUE(remote->waitForChange("Metadata", [](const QVariant& v) {
                          return v.toMap().value("xesam:title") == "b.mp4";
                      }).isValid());
}

TEST_F(MprisTest, OpenUriOpensLocalFilesOnly)
{
    const QString folder = folderOf({"first.mp4", "second one.mp4"}, clip100());
    play(folder + "/first.mp4");
    const struct {
        const char* name;
        QString uri;
        const char* title;
    } cases[] = {
        {"a file URI", QUrl::fromLocalFile(folder + "/second one.mp4").toString(), "second one.mp4"},
        {"a web address", "http://localhost/first.mp4", nullptr},
        {"a missing file", QUrl::fromLocalFile(folder + "/gone.mp4").toString(), nullptr},
        {"not a URI", "::", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString before = title();
        remote->mark();
        EXPECT_EQ(remote->call("OpenUri", {c.uri}).type(), QDBusMessage::ReplyMessage);
        if (c.title) {
            EXPECT_TRUE(remote->waitForChange("Metadata", [&](const QVariant& v) {
                                  return v.toMap().value("xesam:title") == c.title;
                              }).isValid());
        } else {
            QCoreApplication::processEvents();
            EXPECT_EQ(title(), before);
        }
    }
    EXPECT_TRUE(mediaMessages.isEmpty());
}

TEST_F(MprisTest, AFailedLoadLeavesNoTrack)
{
    play(clip100());
    remote->mark();
    app->LoadTheFile(testmedia::rawFile("app_mpris_junk.mp4", "not a video at all"));
    ASSERT_TRUE(loadEnded());
    ASSERT_EQ(mediaMessages, QStringList{"Norrava cannot open this type of file."});
    EXPECT_TRUE(remote->waitForChange("Metadata", [](const QVariant& v) {
                          return v.toMap().value("mpris:trackid").value<QDBusObjectPath>() == MprisService::kNoTrack;
                      }).isValid());
    EXPECT_EQ(remote->get("PlaybackStatus"), "Stopped");
    EXPECT_EQ(remote->get("CanPlay"), false);
    EXPECT_EQ(remote->get("CanSeek"), false);
}

TEST_F(MprisTest, RaiseBringsEveryWindowBack)
{
    play(clip100());
    app->ButtonMinimiseClick();
    ASSERT_TRUE(app->isMinimized());
    ASSERT_FALSE(app->StatusPanel->isVisible());
    remote->call("Raise", {}, kRoot);
    EXPECT_TRUE(waitUntil([&] {
        return !app->isMinimized() && app->isVisible() && app->StatusPanel->isVisible() && app->FileBlind->isVisible() &&
               app->StatusHandle->isVisible();
    }));
}

TEST_F(MprisTest, QuitClosesAsTheCloseButtonDoes)
{
    play(clip100());
    remote->call("Quit", {}, kRoot);
    EXPECT_TRUE(waitUntil([&] { return !app->isVisible(); }));
    EXPECT_FALSE(app->Timer1->isActive());
    EXPECT_FALSE(app->StatusPanel->isVisible());
}

// A second player started while one runs is still reachable: it takes the
// name the desktop expects of a second instance, and quits when told.
TEST_F(MprisTest, ASecondPlayerTakesAnInstanceName)
{
    if (!qEnvironmentVariableIsSet("PULSE_SERVER"))
        NORRAVA_SKIP_OR_FAIL() << "no test sound server: the player would stop at the peak meter's message";
    QProcess player;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    player.setProcessEnvironment(env);
    player.start(NORRAVA_PLAYER, {clip100()});
    ASSERT_TRUE(player.waitForStarted(10000));
    const QString name = MprisService::kServiceName + ".instance" + QString::number(player.processId());
    QDBusConnection client = openConnection("remote");
    const auto owned = [&] {
        QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                           "org.freedesktop.DBus", "NameHasOwner");
        call << name;
        const QDBusMessage reply = callAndWait(client, call);
        return !reply.arguments().isEmpty() && reply.arguments().first().toBool();
    };
    EXPECT_TRUE(waitUntil([&] { return owned() || player.state() == QProcess::NotRunning; }, 60000));
    ASSERT_TRUE(owned()) << player.readAllStandardError().toStdString();
    EXPECT_EQ(busclient::getProperty(client, name, MprisService::kObjectPath, kRoot, "Identity"), "Norrava");

    callAndWait(client, QDBusMessage::createMethodCall(name, MprisService::kObjectPath, kRoot, "Quit"));
    EXPECT_TRUE(player.waitForFinished(30000));
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.exitCode(), 0);
    if (player.state() != QProcess::NotRunning) {
        player.kill();
        player.waitForFinished();
    }
}

} // namespace

#include "mpris_test.moc"
