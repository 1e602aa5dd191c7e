// The handle driven by real pointer events on an X server (xdotool). With a
// window manager the press starts its left-edge sizing; without one the
// handle drags the edge itself. Either way the outcome is the same.
#include "fileblind.h"
#include "filenavigator.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>

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

// Press on the handle at (x, y) and drag it dx pixels in steps.
bool drag(int x, int y, int dx)
{
    QStringList args{"mousemove", QString::number(x), QString::number(y), "sleep", "0.2", "mousedown", "1"};
    const int steps = 5;
    for (int i = 1; i <= steps; ++i)
        args << "sleep" << "0.1" << "mousemove" << QString::number(x + dx * i / steps) << QString::number(y);
    args << "sleep" << "0.3" << "mouseup" << "1";
    return xdotool(args);
}

struct Fixture {
    QWidget main{nullptr, Qt::FramelessWindowHint};
    TFileBlind blind;
    TFileNavigator navigator;

    Fixture()
    {
        main.setGeometry(700, 200, 386, 424);
        main.setStyleSheet("background: #202428;");
        navigator.setHandle(&blind);
        navigator.setHost({&main, {}, {}, {}});
        blind.setNavigator(&navigator);
        main.show();
        hang(navigator.width());
        blind.show();
    }
    void hang(int w) { navigator.setBounds(main.x() - w, main.y() + 2, w, main.height() - 4); }
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
};

TEST(FileBlindX11, RealPointerPullsTheNavigatorOpenAndWider)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs an X display";
    Fixture f;
    ASSERT_TRUE(f.exposed());
    ASSERT_FALSE(f.navigator.isVisible());

    // From closed: the handle sits on the main window; pull it 200 to the left.
    const QPoint grip = f.blind.geometry().center();
    ASSERT_TRUE(drag(grip.x(), grip.y(), -200));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.navigator.isVisible(); }, 20000));
    const int opened = f.navigator.width();
    EXPECT_NEAR(opened, 200, 3);
    EXPECT_EQ(f.navigator.x() + f.navigator.width(), f.main.x());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.blind.x() == f.navigator.x() - 20; }, 20000));

    // Open: another 100 to the left, now by the window manager if there is
    // one (which may put the edge under the pointer, 10 pixels further).
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.navigator, 20000));
    const QPoint grip2 = f.blind.geometry().center();
    ASSERT_TRUE(drag(grip2.x(), grip2.y(), -100));
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(f.navigator.width() - (opened + 105)) <= 8; }, 20000))
        << f.navigator.width();
    EXPECT_EQ(f.navigator.x() + f.navigator.width(), f.main.x());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.blind.x() == f.navigator.x() - 20; }, 20000))
        << "nav " << f.navigator.x() << "," << f.navigator.y() << " " << f.navigator.width() << " frame "
        << f.navigator.windowHandle()->framePosition().x() << " blind " << f.blind.x() << " frame "
        << f.blind.windowHandle()->framePosition().x() << " main " << f.main.x();

    f.main.screen()->grabWindow(0).save(testmedia::dir() + "/navigator_x11.png");

    // Pushed back onto the main window it closes.
    const QPoint grip3 = f.blind.geometry().center();
    ASSERT_TRUE(drag(grip3.x(), grip3.y(), f.navigator.width() + 30));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.navigator.isVisible(); }, 20000)) << f.navigator.width();
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.blind.pos() == QPoint(f.main.x() - 20, f.main.y() + 2); }, 20000));
    // and stays closed, whatever the window manager does after the drag.
    QTest::qWait(500);
    EXPECT_FALSE(f.navigator.isVisible());
    EXPECT_LE(f.navigator.width(), 2);

}

} // namespace
