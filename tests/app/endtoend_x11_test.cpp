// The player as a user starts it: `norrava <clip>` on a real X server shows
// its skinned window with the clip playing in the video panel; under a
// window manager a drag on the skin's border moves all its windows together,
// and the close button ends the program. An HD film on a laptop's or a
// full-HD screen (each an X server of its own) is scaled down so that every
// window of the player stays on the screen.
#include "realmedia.h"
#include "testmedia.h"
#include "testservices.h"
#include "xpointerwatch.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QThread>

#include <functional>

namespace {

// Runs a short X tool and returns its standard output ("" on failure); on
// the given display when one is named, else on the test's own.
QString toolOn(const QString& display, const QString& program, const QStringList& args, int milliseconds = 20000)
{
    QProcess process;
    if (!display.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        process.setProcessEnvironment(env);
    }
    process.start(program, args);
    if (!process.waitForFinished(milliseconds)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return process.exitCode() == 0 ? QString::fromLocal8Bit(process.readAllStandardOutput()) : QString();
}

QString tool(const QString& program, const QStringList& args, int milliseconds = 20000)
{
    return toolOn({}, program, args, milliseconds);
}

// Polls until the condition holds or a generous bound runs out.
bool eventually(const std::function<bool()>& pred, int milliseconds = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > milliseconds)
            return pred();
        QThread::msleep(100);
    }
    return true;
}

QRect geometryOf(const QString& window, const QString& display = {})
{
    QMap<QString, int> values;
    for (const QString& line : toolOn(display, "xdotool", {"getwindowgeometry", "--shell", window}).split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            values[line.left(eq)] = line.mid(eq + 1).toInt();
    }
    if (!values.contains("WIDTH"))
        return {};
    return QRect(values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]);
}

QImage screenshot(const QString& folder, const QString& display = {})
{
    const QString path = folder + "/screen.png";
    QFile::remove(path);
    QStringList args{"-window", "root", path};
    if (!display.isEmpty())
        args = QStringList{"-display", display} + args;
    if (!testmedia::run("import", args))
        return {};
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

// A process that is ended when the test ends, however it ends.
struct Child {
    QProcess process;
    ~Child()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished();
            }
        }
    }
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            NORRAVA_SKIP_OR_FAIL() << "no X display";
        clip = testmedia::frameClip("app_e2e", "mp4", {"-c:v", "libx264", "-g", "25"}, 500, 320, 240, "25", false);
        ASSERT_FALSE(clip.isEmpty());
    }

    // Starts the player and waits for its main window; returns its id.
    QString startPlayer(const QStringList& environment = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& pair : environment)
            env.insert(pair.section('=', 0, 0), pair.section('=', 1));
        player.process.setProcessEnvironment(env);
        player.process.setProgram(NORRAVA_PLAYER);
        player.process.setArguments({clip});
        player.process.start();
        EXPECT_TRUE(player.process.waitForStarted(10000));
        QString id;
        eventually([&] {
            const QStringList found =
                tool("xdotool", {"search", "--onlyvisible", "--name", "^Norrava " NORRAVA_VERSION "$"}, 5000).split('\n', Qt::SkipEmptyParts);
            if (!found.isEmpty())
                id = found.first();
            return !id.isEmpty() || player.process.state() == QProcess::NotRunning;
        });
        return id;
    }

    static void pointTo(QPoint at)
    {
        tool("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y())});
    }

    // A press, a move in steps and a release, as a hand would do it.
    static void drag(QPoint press, QPoint offset)
    {
        pointTo(press);
        tool("xdotool", {"mousedown", "1"});
        for (int step = 1; step <= 6; ++step)
            pointTo(press + offset * step / 6);
        tool("xdotool", {"mouseup", "1"});
    }

    // The same drag handed to the window manager. The player asks for the
    // move with the pointer's position when it handles the press, so the
    // pointer stays put until the window manager has taken it; the button
    // is held until the window has arrived, and let go of only then.
    static void dragByTheWindowManager(const QString& window, QPoint press, QPoint offset,
                                       const std::function<bool()>& arrived)
    {
        XPointerWatch watch(window.toULong());
        ASSERT_TRUE(watch.connected());
        pointTo(press);
        tool("xdotool", {"mousedown", "1"});
        struct Release {
            ~Release() { tool("xdotool", {"mouseup", "1"}); }
        } release;
        ASSERT_TRUE(eventually([&] { return watch.windowManagerHasPointer(); }))
            << (watch.moveResizeRequested() ? "the window manager never took the pointer"
                                            : "the player never asked the window manager for a move");
        for (int step = 1; step <= 6; ++step)
            pointTo(press + offset * step / 6);
        EXPECT_TRUE(eventually(arrived)) << "the window did not follow the pointer";
    }

    static void click(QPoint at)
    {
        pointTo(at);
        tool("xdotool", {"click", "1"});
    }

    QString clip;
    QTemporaryDir folder;
    Child windowManager;
    Child player;
};

TEST_F(EndToEnd, ThePlayerShowsTheClipPlayingInItsSkinnedWindow)
{
    const QString window = startPlayer();
    ASSERT_FALSE(window.isEmpty()) << "the main window never appeared: "
                                   << player.process.readAllStandardError().toStdString();
    QRect main;
    ASSERT_TRUE(eventually([&] { return (main = geometryOf(window)).size() == QSize(394, 434); }))
        << main.width() << " x " << main.height();

    // The video panel shows numbered frames, and the number goes up.
    auto shownFrame = [&] {
        const QImage screen = screenshot(folder.path());
        if (screen.isNull())
            return -1;
        return testmedia::readFrameNumber(screen.copy(main.x() + 37, main.y() + 91, 320, 240));
    };
    int first = -1;
    ASSERT_TRUE(eventually([&] { return (first = shownFrame()) >= 0; })) << "no frame in the video panel";
    int later = first;
    EXPECT_TRUE(eventually([&] { return (later = shownFrame()) > first; })) << first << " then " << later;

    // The skin is painted round it: the top strip is not black.
    const QImage screen = screenshot(folder.path());
    int lit = 0;
    for (int x = 0; x < main.width(); x += 4)
        lit += (screen.pixel(main.x() + x, main.y() + 10) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, main.width() / 8);

    // The close button ends the program.
    click(QPoint(main.x() + main.width() - 34 + 10, main.y() + 15));
    EXPECT_TRUE(player.process.waitForFinished(15000));
    EXPECT_EQ(player.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.process.exitCode(), 0);
}

TEST_F(EndToEnd, APhoneVideoRecordedUprightPlaysUprightInATallWindow)
{
    // Stored as landscape frames that the container asks to turn by 90
    // degrees: shown 240 wide and 320 high, numbered across its top.
    clip = realmedia::rotatedClip(90, {240, 320}, 300, true);
    ASSERT_FALSE(clip.isEmpty());
    const QString window = startPlayer();
    ASSERT_FALSE(window.isEmpty()) << "the main window never appeared: "
                                   << player.process.readAllStandardError().toStdString();
    QRect main;
    ASSERT_TRUE(eventually([&] { return (main = geometryOf(window)).size() == QSize(240 + 74, 320 + 194); }))
        << main.width() << " x " << main.height();
    EXPECT_GT(main.height(), main.width());

    // Upright: the numbers read across the top half and the bottom half is
    // plain grey (a panel still black would read as frame 0); the number
    // goes up as it plays.
    auto shownFrame = [&] {
        const QImage screen = screenshot(folder.path());
        if (screen.isNull())
            return -1;
        const QImage panel = screen.copy(main.x() + 37, main.y() + 91, 240, 320);
        for (const QPoint& at : {QPoint(20, 200), QPoint(120, 250), QPoint(220, 300)})
            if (std::abs(qGray(panel.pixel(at)) - 128) > 24)
                return -1;
        return testmedia::readFrameNumber(panel);
    };
    int first = -1;
    ASSERT_TRUE(eventually([&] { return (first = shownFrame()) >= 0; })) << "no upright frame in the video panel";
    int later = first;
    EXPECT_TRUE(eventually([&] { return (later = shownFrame()) > first; })) << first << " then " << later;
    EXPECT_EQ(player.process.state(), QProcess::Running);
}

TEST_F(EndToEnd, OnA150PercentDesktopTheSkinIsScaledByAWholeFactor)
{
    // 144 dpi asks for 1.5x; pixel art is drawn at 2x instead.
    const QString window = startPlayer({"QT_FONT_DPI=144"});
    ASSERT_FALSE(window.isEmpty());
    QRect main;
    EXPECT_TRUE(eventually([&] { return (main = geometryOf(window)).size() == QSize(2 * 394, 2 * 434); }))
        << main.width() << " x " << main.height();
}

TEST_F(EndToEnd, ADragOnTheSkinMovesAllWindowsTogether)
{
    if (tool("which", {"openbox"}).isEmpty())
        NORRAVA_SKIP_OR_FAIL() << "openbox is not installed";
    XPointerWatch desktop(0);
    ASSERT_TRUE(desktop.connected());
    if (!desktop.windowManagerRunning()) {
        windowManager.process.start("openbox", {"--sm-disable"});
        ASSERT_TRUE(windowManager.process.waitForStarted(10000));
        ASSERT_TRUE(eventually([&] { return desktop.windowManagerMovesWindows(); }));
    }
    const QString window = startPlayer();
    ASSERT_FALSE(window.isEmpty());
    QRect main;
    ASSERT_TRUE(eventually([&] { return (main = geometryOf(window)).size() == QSize(394, 434); }));

    // Every visible window of the player, and where it is.
    auto windows = [&] {
        QMap<QString, QRect> found;
        const QString pid = QString::number(player.process.processId());
        for (const QString& id : tool("xdotool", {"search", "--onlyvisible", "--pid", pid}).split('\n', Qt::SkipEmptyParts))
            found[id] = geometryOf(id);
        return found;
    };
    // The handles appear just after the main window.
    QMap<QString, QRect> before;
    ASSERT_TRUE(eventually([&] { return (before = windows()).size() >= 4; })) << before.size();

    const QPoint press(main.x() + 10, main.y() + 200); // the left border strip
    const QPoint offset(120, 60);
    ASSERT_NO_FATAL_FAILURE(dragByTheWindowManager(
        window, press, offset, [&] { return geometryOf(window).topLeft() == main.topLeft() + offset; }));

    // Once the window manager has let go, everything settles where it belongs.
    ASSERT_TRUE(eventually([&] { return geometryOf(window).topLeft() == main.topLeft() + offset; }))
        << "the main window is at " << geometryOf(window).x() << "," << geometryOf(window).y();
    QMap<QString, QRect> after;
    EXPECT_TRUE(eventually([&] {
        after = windows();
        for (auto it = before.begin(); it != before.end(); ++it)
            if (after.value(it.key()).topLeft() != it.value().topLeft() + offset)
                return false;
        return true;
    })) << "a companion window stayed behind";

    // Minimise takes every window off the screen; restoring the main
    // window brings them all back.
    main = geometryOf(window);
    click(QPoint(main.x() + main.width() - 34 - 52 + 10, main.y() + 15));
    EXPECT_TRUE(eventually([&] { return windows().isEmpty(); })) << windows().size() << " still shown";
    tool("xdotool", {"windowactivate", window});
    EXPECT_TRUE(eventually([&] { return windows().keys() == after.keys(); })) << windows().size() << " back";

    // Maximised, the window fills the screen's width from the top and is
    // not clamped to the screen's height; the skin then moves nothing.
    main = geometryOf(window);
    click(QPoint(main.x() + main.width() - 34 - 26 + 10, main.y() + 15));
    const QStringList display = tool("xdotool", {"getdisplaygeometry"}).split(' ');
    ASSERT_EQ(display.size(), 2);
    const QSize screen(display[0].toInt(), display[1].toInt());
    QRect fitted;
    ASSERT_TRUE(eventually([&] {
        fitted = geometryOf(window);
        return fitted.top() == 0 && fitted.right() + 1 == screen.width();
    })) << fitted.x() << "," << fitted.y() << " " << fitted.width() << " x " << fitted.height();
    if (4 * screen.height() <= 3 * (screen.width() - 74) + 4 * 182) { // fitted by height: taller than the screen
        EXPECT_GT(fitted.height(), screen.height());
    }
    XPointerWatch watch(window.toULong());
    ASSERT_TRUE(watch.connected());
    drag(QPoint(fitted.x() + 10, 300), offset);
    // The player handles the minimise click after the drag, so once its
    // windows are gone the drag has had every effect it will have.
    click(QPoint(fitted.x() + fitted.width() - 34 - 52 + 10, fitted.y() + 15));
    ASSERT_TRUE(eventually([&] { return windows().isEmpty(); })) << windows().size() << " still shown";
    EXPECT_FALSE(watch.moveResizeRequested());
    EXPECT_EQ(geometryOf(window), fitted);
}

// --- An HD film on a laptop's and on a full-HD screen ----------------------------

// An X server of its own at the given screen size, with a window manager;
// both are ended when it goes.
class OwnDisplay {
public:
    bool start(QSize size)
    {
        // Xvfb picks a free display and writes its number once it accepts
        // connections.
        server.process.start("Xvfb", {"-displayfd", "1", "-screen", "0",
                                      QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()), "-nolisten",
                                      "tcp", "-noreset"});
        if (!server.process.waitForStarted(10000))
            return false;
        QByteArray number;
        while (!number.contains('\n') && server.process.waitForReadyRead(30000))
            number += server.process.readAllStandardOutput();
        if (!number.contains('\n'))
            return false;
        name = ":" + QString::fromLatin1(number).trimmed();
        windowManager.process.setProcessEnvironment(environment());
        windowManager.process.start("openbox", {"--sm-disable"});
        return windowManager.process.waitForStarted(10000) && eventually([&] {
                   return toolOn(name, "xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
               });
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", name);
        return env;
    }

    QString name;

private:
    Child server;        // declared first, so ended last
    Child windowManager;
};

// A 1920 x 1080 film of numbered frames, made small and scaled up so that
// it is cheap to make.
QString hdFilm()
{
    const QString path = testmedia::dir() + "/app_e2e_hd.mp4";
    if (QFileInfo(path).size() > 0)
        return path;
    const QString lum = "if(lt(Y,H/2),255*mod(floor(N/pow(2,floor(X*16/W))),2),128)";
    const QString partial = path + ".part" + QString::number(QCoreApplication::applicationPid()) + ".mp4";
    if (!testmedia::run("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "color=c=gray:size=320x180:rate=25",
                                   "-vf", "format=gray,geq=lum='" + lum + "',scale=1920:1080:flags=neighbor,format=yuv420p",
                                   "-frames:v", "250", "-c:v", "libx264", "-preset", "ultrafast", partial})) {
        QFile::remove(partial);
        return {};
    }
    QFile::rename(partial, path);
    return path;
}

struct ScreenCase {
    QSize screen;
    QSize video; // the film's shown size
};

void PrintTo(const ScreenCase& c, std::ostream* out)
{
    *out << c.screen.width() << "x" << c.screen.height();
}

class HdFilmEndToEnd : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(HdFilmEndToEnd, TheFilmIsScaledDownAndEveryWindowIsOnTheScreen)
{
    if (tool("which", {"Xvfb"}).isEmpty() || tool("which", {"openbox"}).isEmpty())
        NORRAVA_SKIP_OR_FAIL() << "Xvfb or openbox is not installed";
    const ScreenCase c = GetParam();
    const QString film = hdFilm();
    ASSERT_FALSE(film.isEmpty());
    OwnDisplay display;
    ASSERT_TRUE(display.start(c.screen));
    Child player; // ended before the display
    player.process.setProcessEnvironment(display.environment());
    player.process.start(NORRAVA_PLAYER, {film});
    ASSERT_TRUE(player.process.waitForStarted(10000));

    QString window;
    ASSERT_TRUE(eventually([&] {
        const QStringList found = toolOn(display.name, "xdotool", {"search", "--onlyvisible", "--name", "^Norrava " NORRAVA_VERSION "$"})
                                      .split('\n', Qt::SkipEmptyParts);
        window = found.value(0);
        return !window.isEmpty() || player.process.state() == QProcess::NotRunning;
    }));
    ASSERT_FALSE(window.isEmpty()) << player.process.readAllStandardError().toStdString();

    // The window wraps the scaled-down film.
    const QSize wrapped = c.video + QSize(74, 194);
    QRect main;
    ASSERT_TRUE(eventually([&] { return (main = geometryOf(window, display.name)).size() == wrapped; }))
        << main.width() << " x " << main.height();

    // The main window and both handles are on the screen: every window of
    // the player, once the handles are shown.
    const QRect screen(QPoint(0, 0), c.screen);
    const QString pid = QString::number(player.process.processId());
    QMap<QString, QRect> windows;
    auto allInside = [&] {
        windows.clear();
        for (const QString& id :
             toolOn(display.name, "xdotool", {"search", "--onlyvisible", "--pid", pid}).split('\n', Qt::SkipEmptyParts))
            windows[id] = geometryOf(id, display.name);
        if (windows.size() < 4) // main, status panel and both handles
            return false;
        for (const QRect& r : std::as_const(windows))
            if (!screen.contains(r))
                return false;
        return true;
    };
    EXPECT_TRUE(eventually(allInside)) << [&] {
        std::string text;
        for (const QRect& r : std::as_const(windows))
            text += std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
                    std::to_string(r.height()) + "; ";
        return text;
    }();

    // The film is drawn over the whole scaled panel: its frame numbers read
    // from there.
    QTemporaryDir folder;
    auto shownFrame = [&] {
        const QImage shot = screenshot(folder.path(), display.name);
        const QPoint at = geometryOf(window, display.name).topLeft(); // where it is now
        return shot.isNull() ? -1 : testmedia::readFrameNumber(shot.copy(QRect(at + QPoint(37, 91), c.video)));
    };
    int frame = -1;
    EXPECT_TRUE(eventually([&] { return (frame = shownFrame()) >= 0; })) << "no frame in the scaled panel";
}

INSTANTIATE_TEST_SUITE_P(Screens, HdFilmEndToEnd,
                         ::testing::Values(ScreenCase{{1366, 768}, {987, 555}}, ScreenCase{{1920, 1080}, {1541, 867}}),
                         [](const ::testing::TestParamInfo<ScreenCase>& info) {
                             return std::to_string(info.param.screen.width()) + "x" +
                                    std::to_string(info.param.screen.height());
                         });

} // namespace
