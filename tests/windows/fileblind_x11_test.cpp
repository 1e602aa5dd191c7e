// The handle driven by real pointer events on an X server (xdotool). With a
// window manager the press on an open navigator starts its left-edge sizing;
// otherwise the handle drags the edge itself. Either way the outcome is the
// same.
#include "fileblind.h"
#include "filenavigator.h"
#include "testmedia.h"
#include "testservices.h"
#include "xpointerwatch.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWindow>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "fileblind_x11_test";
        static char* argv[] = {name, nullptr};
        // Without a display the test skips; the application still needs a platform.
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Runs xdotool while the event loop keeps turning, so the windows see the
// pointer as it moves.
bool xdotool(const QStringList& args)
{
    QProcess process;
    process.start("xdotool", args);
    if (!process.waitForStarted(10000))
        return false;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000))
        return false;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString number(int value)
{
    return QString::number(value);
}

// Sees the pointer events the X server delivers to any of the program's windows.
class PointerEvents : public QObject {
public:
    PointerEvents() { qApp->installEventFilter(this); }
    ~PointerEvents() override { qApp->removeEventFilter(this); }
    bool sawMoveTo(QPoint global) const { return moves_.contains(global); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove && qobject_cast<QWindow*>(watched))
            moves_.append(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return false;
    }

private:
    QList<QPoint> moves_;
};

// Returns once the program has handled every pointer event sent before:
// the X server delivers in order, so when a last small move over the main
// window has arrived, so has everything before it.
bool settled(QWidget& main)
{
    static int nudge = 0;
    const QPoint marker = main.geometry().center() + QPoint(nudge++ % 2, 0);
    PointerEvents events;
    return xdotool({"mousemove", number(marker.x()), number(marker.y())}) &&
           QTest::qWaitFor([&] { return events.sawMoveTo(marker); }, 20000);
}

struct Fixture {
    QWidget main{nullptr, Qt::FramelessWindowHint};
    TFileBlind blind;
    TFileNavigator navigator;

    Fixture()
    {
        main.setGeometry(700, 200, 386, 424);
        main.setStyleSheet("background: #202428;");
        navigator.SetHandle(&blind);
        navigator.SetHost({&main, {}, {}, {}});
        blind.SetNavigator(&navigator);
        main.show();
        hang(navigator.width());
        blind.show();
    }
    void hang(int w) { navigator.SetBounds(main.x() - w, main.y() + 2, w, main.height() - 4); }
    bool exposed()
    {
        return QTest::qWaitForWindowExposed(&main, 20000) && QTest::qWaitForWindowExposed(&blind, 20000) &&
               QTest::qWaitFor([&] { return blind.pos() == blind.windowHandle()->framePosition(); }, 20000);
    }
    // Waits until the navigator has the width w with its right edge on the main window.
    bool settlesAt(int w)
    {
        return QTest::qWaitFor(
            [&] { return navigator.width() == w && navigator.x() + navigator.width() == main.x(); }, 20000);
    }

    // Presses on the handle's middle and drags it dx pixels in steps. When
    // the window manager sizes the open navigator, the pointer moves only
    // once the manager has taken it (the sizing starts from where the
    // pointer is when the handle asks for it), and the drag ends when the
    // manager has let go again.
    void drag(int dx)
    {
        const QPoint grip = blind.geometry().center();
        XPointerWatch watch(blind.winId());
        ASSERT_TRUE(watch.connected());
        const bool byWindowManager = watch.windowManagerMovesWindows() && navigator.isVisible();
        ASSERT_TRUE(xdotool({"mousemove", number(grip.x()), number(grip.y()), "mousedown", "1"}));
        if (byWindowManager) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return watch.windowManagerHasPointer(); }, 20000))
                << (watch.moveResizeRequested() ? "the window manager never took the pointer"
                                                : "the handle never asked the window manager to size");
        }
        QStringList moves;
        const int steps = 5;
        for (int i = 1; i <= steps; ++i)
            moves << "mousemove" << number(grip.x() + dx * i / steps) << number(grip.y());
        ASSERT_TRUE(xdotool(moves << "mouseup" << "1"));
        if (byWindowManager) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return watch.pointerIsFree(); }, 20000))
                << "the window manager kept the pointer";
        }
    }
};

TEST(FileBlindX11, RealPointerPullsTheNavigatorOpenAndWider)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        NORRAVA_SKIP_OR_FAIL() << "needs an X display";
    Fixture f;
    ASSERT_TRUE(f.exposed());
    ASSERT_FALSE(f.navigator.isVisible());

    // From closed: the handle sits on the main window; pull it 200 to the left.
    ASSERT_NO_FATAL_FAILURE(f.drag(-200));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.navigator.isVisible(); }, 20000));
    const int opened = f.navigator.width();
    EXPECT_NEAR(opened, 200, 3);
    EXPECT_EQ(f.navigator.x() + f.navigator.width(), f.main.x());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.blind.x() == f.navigator.x() - 20; }, 20000));

    // Open: another 100 to the left, now by the window manager if there is
    // one (which may put the edge under the pointer, 10 pixels further).
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.navigator, 20000));
    ASSERT_NO_FATAL_FAILURE(f.drag(-100));
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(f.navigator.width() - (opened + 105)) <= 8; }, 20000))
        << f.navigator.width();
    EXPECT_EQ(f.navigator.x() + f.navigator.width(), f.main.x());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.blind.x() == f.navigator.x() - 20; }, 20000))
        << "nav " << f.navigator.x() << "," << f.navigator.y() << " " << f.navigator.width() << " frame "
        << f.navigator.windowHandle()->framePosition().x() << " blind " << f.blind.x() << " frame "
        << f.blind.windowHandle()->framePosition().x() << " main " << f.main.x();

    f.main.screen()->grabWindow(0).save(testmedia::dir() + "/navigator_x11.png");

    // Pushed back onto the main window it closes.
    ASSERT_NO_FATAL_FAILURE(f.drag(f.navigator.width() + 30));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.navigator.isVisible(); }, 20000)) << f.navigator.width();
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.blind.pos() == QPoint(f.main.x() - 20, f.main.y() + 2); }, 20000));
    // and stays closed, whatever the window manager did after the drag.
    ASSERT_TRUE(settled(f.main));
    EXPECT_FALSE(f.navigator.isVisible());
    EXPECT_LE(f.navigator.width(), 2);

}

} // namespace
