// The About window on a real X display: centred, animating on screen, and
// closed by a click delivered through the window system.
#include "aboutform.h"
#include "testapp.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

int ColouredPixels(const QImage& image, const QRect& area)
{
    int coloured = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            coloured += (image.pixel(x, y) & 0xFFFFFF) != 0;
    return coloured;
}

} // namespace

TEST(AboutOnX11, AnimatesCentredOnTheScreenUntilClicked)
{
    TAbout about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about, 20000));
    const QRect screen = about.screen()->geometry();
    EXPECT_LE(std::abs(about.frameGeometry().center().x() - screen.center().x()), 2);
    EXPECT_LE(std::abs(about.frameGeometry().center().y() - screen.center().y()), 2);

    // Frames reach the screen and change from one to the next.
    ASSERT_TRUE(QTest::qWaitFor([&] { return about.Renderer().FrameCount >= 60; }, 20000));
    const QRect area(about.mapToGlobal(about.AnimationRect.topLeft()), about.AnimationRect.size());
    const QImage first = about.screen()->grabWindow(0).toImage();
    const int frame = about.Renderer().FrameCount;
    ASSERT_TRUE(QTest::qWaitFor([&] { return about.Renderer().FrameCount >= frame + 5; }, 20000));
    const QImage later = about.screen()->grabWindow(0).toImage();
    EXPECT_GT(ColouredPixels(first, area), 300);
    EXPECT_NE(first.copy(area), later.copy(area));
    // Outside the animation the artwork stays as it was.
    const QRect title(about.mapToGlobal(QPoint(0, 0)), QSize(317, 40));
    EXPECT_EQ(first.copy(title), later.copy(title));

    if (const QByteArray dir = qgetenv("NORRAVA_SHOT_DIR"); !dir.isEmpty())
        later.copy(about.frameGeometry()).save(QDir(QString::fromLocal8Bit(dir)).filePath("about_x11.png"));

    QTest::mouseClick(about.windowHandle(), Qt::LeftButton, {}, QPoint(150, 300));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !about.isVisible(); }, 20000));
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
