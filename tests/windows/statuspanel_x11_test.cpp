// On a real X display the panel's widgets paint through the window's
// backing store; what shows on the screen must be what they compose.
#include "statushandle.h"
#include "statuspanel.h"
#include "vrclock.h"
#include "vrlabel.h"
#include "vrnum.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include "testapplication.h"

namespace {

NORRAVA_TEST_APPLICATION(QApplication);

QImage screenAt(const QRect& area)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(StatusPanelOnX11, ScreenShowsTheComposedWidgetsAndLiveChanges)
{
    TStatusHandle handle;
    TStatusPanel panel(&handle);
    panel.move(40, 40);
    panel.SetPanelHeight(138);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel, 20000));
    panel.FramesPosition->SetValue(1500);
    panel.ClockLength->SetMinutes(6);
    panel.VrLabel1->SetCaption("clip.avi");
    const QRect area(panel.geometry().topLeft(), QSize(323, 138));
    const QImage expected = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(QTest::qWaitFor([&] { return screenAt(area) == expected; }, 10000));

    // A changed value reaches the screen too.
    panel.FramesPosition->SetValue(1501);
    const QImage changed = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(changed, expected);
    EXPECT_TRUE(QTest::qWaitFor([&] { return screenAt(area) == changed; }, 10000));
    EXPECT_EQ(handle.geometry().topLeft(), QPoint(area.left(), area.top() + 138));
}
