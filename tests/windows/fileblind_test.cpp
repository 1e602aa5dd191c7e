#include "fileblind.h"
#include "filenavigator.h"
#include "lumotransimage.h"
#include "testmedia.h"

#include <gtest/gtest.h>

#include "testapplication.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QWindow>

namespace {

NORRAVA_TEST_APPLICATION(QApplication);

// The handle and the navigator hung on a main window stand-in at
// (400, 200), 386 x 424, the navigator closed, as after start-up.
struct Fixture {
    QWidget main;
    TFileBlind blind;
    TFileNavigator navigator;
    int savedWidth = -1;

    Fixture()
    {
        main.setGeometry(400, 200, 386, 424);
        navigator.SetHandle(&blind);
        navigator.SetHost({&main, {}, [] { return false; }, [this](int width) { savedWidth = width; }});
        blind.SetNavigator(&navigator);
        hang(navigator.width());
        blind.show();
    }
    void hang(int w) { navigator.SetBounds(main.x() - w, main.y() + 2, w, main.height() - 4); }
    // Pointer events go to the handle's window, as the window system sends
    // them; the handle moves during a drag, so positions are given on screen.
    QPoint local(int globalX, int globalY) const { return QPoint(globalX - blind.x(), globalY - blind.y()); }
    void press(QPoint global, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(blind.windowHandle(), button, {}, local(global.x(), global.y()));
    }
    void moveTo(QPoint global) { QTest::mouseMove(blind.windowHandle(), local(global.x(), global.y())); }
    void release(QPoint global, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(blind.windowHandle(), button, {}, local(global.x(), global.y()));
    }
};

TEST(FileBlind, StartsHiddenAboveTheScreenShowingTheHandlePicture)
{
    TFileBlind blind;
    EXPECT_FALSE(blind.isVisible());
    EXPECT_EQ(blind.y(), -100);
    EXPECT_EQ(blind.size(), QSize(20, 150));
    EXPECT_TRUE(blind.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(blind.cursor().shape(), Qt::SplitHCursor);
    ASSERT_NE(blind.LumoTransImage1, nullptr);
    EXPECT_FALSE(blind.LumoTransImage1->isEnabled());
    // The picture fills the window once it shows (a hidden window gets its
    // resize event then).
    blind.show();
    EXPECT_EQ(blind.LumoTransImage1->geometry(), blind.rect());
    EXPECT_EQ(blind.LumoTransImage1->Picture().size(), QSize(20, 150));
    EXPECT_FALSE(blind.LumoTransImage1->AdjustFormSize());
}

TEST(FileBlind, DragPullsTheNavigatorOpenAndPushesItClosed)
{
    Fixture f;
    ASSERT_FALSE(f.navigator.isVisible());
    ASSERT_EQ(f.blind.pos(), QPoint(380, 202));

    // A press on the picture reaches the handle, which drags the edge itself
    // (the offscreen platform has no window manager to do it).
    const QPoint start(390, 280);
    f.press(start);
    ASSERT_TRUE(f.blind.IsDragging());
    EXPECT_FALSE(f.navigator.isVisible()) << "a press alone opens nothing";

    f.moveTo(start - QPoint(200, 0));
    EXPECT_TRUE(f.navigator.isVisible());
    EXPECT_EQ(f.navigator.width(), 200);
    EXPECT_EQ(f.navigator.x() + f.navigator.width(), 400) << "the right edge stays on the main window";
    EXPECT_EQ(f.navigator.y(), 202);
    EXPECT_EQ(f.navigator.height(), 420);
    EXPECT_EQ(f.blind.pos(), QPoint(400 - 200 - 20, 202));
    EXPECT_EQ(f.savedWidth, 200);

    // Back until the width is 2: hidden, the handle back on the main window.
    f.moveTo(start - QPoint(2, 0));
    EXPECT_EQ(f.navigator.width(), 2);
    EXPECT_FALSE(f.navigator.isVisible());
    EXPECT_EQ(f.blind.pos(), QPoint(380, 202));

    // Past the main window the navigator stays one pixel wide.
    f.moveTo(start + QPoint(150, 0));
    EXPECT_EQ(f.navigator.width(), 1);
    EXPECT_EQ(f.navigator.x() + f.navigator.width(), 400);

    f.moveTo(start - QPoint(120, 0));
    f.release(start - QPoint(120, 0));
    EXPECT_FALSE(f.blind.IsDragging());
    EXPECT_EQ(f.navigator.width(), 120);
    EXPECT_TRUE(f.navigator.isVisible());

    // Moving without a button held does nothing.
    f.moveTo(start - QPoint(300, 0));
    EXPECT_EQ(f.navigator.width(), 120);
}

TEST(FileBlind, AnyButtonDragsAnOpenNavigatorWithoutAJump)
{
    Fixture f;
    f.hang(150);
    ASSERT_EQ(f.blind.pos(), QPoint(400 - 150 - 20, 202));
    // Taking hold anywhere on the handle keeps the edge where it was.
    const QPoint start(f.blind.x() + 4, 300);
    f.press(start, Qt::RightButton);
    ASSERT_TRUE(f.blind.IsDragging());
    f.moveTo(start + QPoint(1, 0));
    EXPECT_EQ(f.navigator.width(), 149);
    f.moveTo(start - QPoint(50, 0));
    EXPECT_EQ(f.navigator.width(), 200);
    EXPECT_EQ(f.navigator.x() + f.navigator.width(), 400);
    f.release(start - QPoint(50, 0), Qt::RightButton);
    EXPECT_FALSE(f.blind.IsDragging());
}

// Not a check: the handle and the open navigator side by side, for a look.
TEST(FileBlind, RendersToPicture)
{
    Fixture f;
    f.navigator.SetFolder(QStringLiteral(NORRAVA_SOURCE_DIR) + "/data");
    f.hang(240);
    QImage picture(20 + 240, 420, QImage::Format_RGB32);
    picture.fill(Qt::black);
    f.blind.render(&picture, QPoint(0, 0));
    f.navigator.render(&picture, QPoint(20, 0));
    QDir().mkpath(testmedia::dir());
    EXPECT_TRUE(picture.save(testmedia::dir() + "/navigator_with_handle.png"));
}

} // namespace
