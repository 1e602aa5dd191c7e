#include "lumotransimage.h"
#include "statushandle.h"
#include "statuspanel.h"
#include "vrclock.h"
#include "vrlabel.h"
#include "vrnum.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include "testapplication.h"

#include <memory>

namespace {

NORRAVA_TEST_APPLICATION(QApplication);

struct Panel {
    std::unique_ptr<TStatusHandle> handle = std::make_unique<TStatusHandle>();
    std::unique_ptr<TStatusPanel> panel = std::make_unique<TStatusPanel>(handle.get());
};

QImage grab(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void sampleValues(TStatusPanel& p)
{
    // The player keeps minutes in Hours and seconds in Minutes: 06:00 is six minutes.
    p.ClockLength->SetHours(6);
    p.ClockLength->SetMinutes(0);
    p.ClockPosition->SetHours(1);
    p.ClockPosition->SetMinutes(0);
    p.ClockElapsed->SetHours(5);
    p.ClockElapsed->SetMinutes(0);
    p.FramesLength->SetValue(9000);
    p.FramesPosition->SetValue(1500);
    p.FramesElapsed->SetValue(7500);
    p.StatusLabel->SetCaption("Playing");
    p.VrLabel2->SetCaption("Video");
    p.VrLabel3->SetCaption("25fps 320w x 240h pixels");
    p.VrLabel1->SetCaption("Sunrise over Norrava.avi");
}

} // namespace

TEST(TStatusPanel, StartsClosedWithTheHandleOffScreen)
{
    TStatusHandle handle;
    EXPECT_EQ(handle.geometry().top(), -100);
    EXPECT_EQ(handle.size(), QSize(107, 18));
    EXPECT_TRUE(handle.isVisible());
    EXPECT_EQ(handle.cursor().shape(), Qt::SplitVCursor);
    ASSERT_NE(handle.LumoTransImage1, nullptr);
    EXPECT_EQ(handle.LumoTransImage1->geometry(), QRect(0, 0, 107, 18));
    EXPECT_FALSE(handle.LumoTransImage1->isEnabled());
    EXPECT_EQ(handle.LumoTransImage1->TransColor(), QColor(255, 0, 255));
    EXPECT_EQ(handle.LumoTransImage1->Picture().size(), QSize(107, 18));

    TStatusPanel panel(&handle);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.height(), 1);
    EXPECT_EQ(panel.width(), 323);
    EXPECT_TRUE(panel.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(handle.StatusPanel(), &panel);
}

TEST(TStatusPanel, HeightIsCappedAndTheHandleFollowsTheBottomEdge)
{
    Panel p;
    p.panel->move(200, 150);
    for (int h : {40, 138, 300, 1}) {
        p.panel->SetPanelHeight(h);
        const int expected = std::min(h, 138);
        EXPECT_EQ(p.panel->height(), expected);
        EXPECT_EQ(p.handle->pos(), QPoint(200, 150 + expected)) << "height " << h;
        // Panel1 keeps its full height against the bottom edge.
        EXPECT_EQ(p.panel->Panel1->geometry(), QRect(0, expected - 138, 323, 138));
    }
    int w = 323, h = 500;
    EXPECT_TRUE(p.panel->FormCanResize(w, h));
    EXPECT_EQ(h, 138);
    EXPECT_EQ(w, 323);
    p.panel->resize(323, 400); // a resize from elsewhere is capped too
    EXPECT_EQ(p.panel->height(), 138);
}

TEST(TStatusPanel, AtHeightFortyTheBottomRowsShow)
{
    Panel p;
    sampleValues(*p.panel);
    p.panel->SetPanelHeight(138);
    const QImage full = grab(p.panel.get());
    p.panel->SetPanelHeight(40);
    const QImage part = grab(p.panel.get());
    ASSERT_EQ(part.size(), QSize(323, 40));
    EXPECT_EQ(part, full.copy(0, 98, 323, 40));
    // The file name line (top 100) is uncovered, the clocks (top 29) are not.
    EXPECT_TRUE(p.panel->VrLabel1->geometry().translated(p.panel->Panel1->pos()).intersects(p.panel->rect()));
    EXPECT_FALSE(p.panel->ClockLength->geometry().translated(p.panel->Panel1->pos()).intersects(p.panel->rect()));
}

TEST(TStatusPanel, WidgetsHaveTheirBoundsSettingsCaptionsAndHints)
{
    Panel p;
    TStatusPanel& s = *p.panel;
    const std::pair<QWidget*, QRect> bounds[] = {
        {s.Image1, {0, 0, 323, 138}},         {s.VrLabel2, {32, 28, 79, 16}},
        {s.ClockLength, {123, 29, 43, 13}},   {s.ClockPosition, {183, 29, 43, 13}},
        {s.ClockElapsed, {242, 29, 43, 13}},  {s.StatusLabel, {33, 57, 78, 19}},
        {s.FramesLength, {117, 58, 59, 18}},  {s.FramesPosition, {177, 57, 59, 19}},
        {s.FramesElapsed, {235, 57, 59, 19}}, {s.VrLabel3, {91, 81, 206, 18}},
        {s.VrLabel1, {91, 100, 206, 18}},
    };
    for (const auto& [widget, rect] : bounds)
        EXPECT_EQ(widget->geometry(), rect) << widget->objectName().toStdString();
    EXPECT_EQ(s.Image1->pixmap().size(), QSize(323, 138));

    EXPECT_EQ(s.StatusLabel->Caption(), QString("stopped"));
    for (TVrLabel* label : {s.VrLabel1, s.VrLabel2, s.VrLabel3}) {
        EXPECT_EQ(label->Caption(), QString("none"));
        EXPECT_EQ(label->Style(), lsNone);
        EXPECT_TRUE(label->Transparent());
        EXPECT_EQ(label->font().pixelSize(), 13);
        EXPECT_EQ(label->FontColor(), QColor(Qt::black));
    }
    EXPECT_EQ(s.VrLabel1->Alignment(), taLeftJustify);
    EXPECT_EQ(s.VrLabel3->Alignment(), taLeftJustify);
    EXPECT_EQ(s.VrLabel2->Alignment(), taCenter);
    EXPECT_EQ(s.StatusLabel->Alignment(), taCenter);
    for (TVrClock* clock : {s.ClockLength, s.ClockPosition, s.ClockElapsed}) {
        EXPECT_EQ(clock->ClockType(), ctCustom);
        EXPECT_EQ(clock->Style(), ns7x13);
        EXPECT_EQ(clock->Spacing(), 3);
        EXPECT_TRUE(clock->AutoSize());
        EXPECT_TRUE(clock->Transparent());
        EXPECT_EQ(clock->Palette()->High(), QColor(25, 25, 25));
        EXPECT_FALSE(clock->IsLoading());
    }
    for (TVrNum* counter : {s.FramesLength, s.FramesPosition, s.FramesElapsed}) {
        EXPECT_EQ(counter->Digits(), 6);
        EXPECT_EQ(counter->Max(), 999999);
        EXPECT_EQ(counter->Style(), ns7x13);
        EXPECT_TRUE(counter->Transparent());
        EXPECT_EQ(counter->Palette()->Low(), QColor(0, 128, 0));
    }
    const std::pair<QWidget*, const char*> hints[] = {
        {s.VrLabel2, "The type of media, whether Video or Audio"},
        {s.ClockLength, " This is the duration of the media in hours, minutes and seconds"},
        {s.FramesElapsed, " This is the remaining time of the media in frames"},
        {s.VrLabel1, "The filename of the media"},
        {s.VrLabel3, "Extra information about the media."},
    };
    for (const auto& [widget, hint] : hints)
        EXPECT_EQ(widget->toolTip(), QString(hint)) << widget->objectName().toStdString();
}

TEST(TStatusPanel, WidgetsDrawOnTheSkinPicture)
{
    Panel p;
    p.panel->SetPanelHeight(138);
    const QImage skin = QImage(":/art/statuspanel.bmp").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(skin.size(), QSize(323, 138));
    p.panel->VrLabel1->SetCaption(QString());
    const QImage image = grab(p.panel.get());
    // An empty label is invisible: the skin shows through it unchanged.
    EXPECT_EQ(image.copy(91, 100, 206, 18), skin.copy(91, 100, 206, 18));
    // The counters draw only their segments over the skin.
    p.panel->FramesLength->SetValue(8);
    const QImage withDigit = grab(p.panel.get());
    int changed = 0;
    for (int y = 58; y < 76; ++y)
        for (int x = 117; x < 176; ++x)
            if (withDigit.pixel(x, y) != skin.pixel(x, y)) {
                ++changed;
                const QRgb c = withDigit.pixel(x, y) & 0xffffff;
                EXPECT_TRUE(c == 0x191919 || c == 0x008000) << std::hex << c;
            }
    EXPECT_GT(changed, 6 * 10);
}

TEST(TStatusHandle, DraggingTheHandleOpensThePanelUpTo138)
{
    Panel p;
    p.panel->move(100, 100);
    ASSERT_EQ(p.handle->pos(), QPoint(100, 101));
    // The offscreen platform has no interactive resizing, so the handle
    // sizes the panel itself while the button is held.
    QTest::mousePress(p.handle.get(), Qt::LeftButton, {}, QPoint(50, 9));
    // Where the held pointer goes, from the press 9 rows into the handle.
    const struct {
        int y, height, handleTop;
    } moves[] = {{69, 61, 161}, {300, 138, 238}, {-500, 1, 101}};
    for (const auto& m : moves) {
        SCOPED_TRACE(m.y);
        const QPointF at(50, m.y);
        QMouseEvent move(QEvent::MouseMove, at, p.handle->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(p.handle.get(), &move);
        EXPECT_EQ(p.panel->height(), m.height);
        EXPECT_EQ(p.handle->pos(), QPoint(100, m.handleTop));
    }
    QTest::mouseRelease(p.handle.get(), Qt::LeftButton);
}

TEST(TStatusHandle, PressOnThePictureReachesTheHandleWindow)
{
    Panel p;
    p.panel->move(100, 100);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(p.handle.get()));
    // The picture covers the whole window but is disabled: the window gets
    // the press, routed as the window system would deliver it.
    QWindow* window = p.handle->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(50, 9));
    QTest::mouseMove(window, QPoint(50, 29));
    EXPECT_EQ(p.panel->height(), 21);
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(50, 29));
}

// Renders the panel at heights 1, 40 and 138 with sample values, with its
// handle under it, into statuspanel_sheet.png in the build folder.
TEST(TStatusPanel, ContactSheet)
{
    Panel p;
    sampleValues(*p.panel);
    const int heights[] = {1, 40, 138};
    QImage sheet(3 * 343 + 20, 138 + 18 + 40, QImage::Format_RGB32);
    sheet.fill(QColor(0x30, 0x34, 0x3a));
    QPainter painter(&sheet);
    int x = 20;
    for (int h : heights) {
        p.panel->SetPanelHeight(h);
        ASSERT_EQ(p.panel->height(), h);
        painter.drawImage(x, 20, grab(p.panel.get()));
        painter.drawImage(x, 20 + h, grab(p.handle.get()));
        x += 343;
    }
    painter.end();
    const QString path = QDir::cleanPath(QString(NORRAVA_TEST_MEDIA_DIR) + "/../statuspanel_sheet.png");
    QDir().mkpath(QFileInfo(path).absolutePath());
    EXPECT_TRUE(sheet.save(path));
}
