#include "ledtesthelpers.h"
#include "vrlabel.h"
#include "vrnum.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTest>

using namespace ledtest;

namespace {

const auto* env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

// A picture with a different colour in every pixel, so misplaced copies show.
QPixmap patternPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 0xff, (y * 11) & 0xff, (x + y) & 0xff));
    return QPixmap::fromImage(image);
}

} // namespace

TEST(TVrGraphicImageControl, TransparentWidgetShowsThePictureBelowNotTheWidgetAbove)
{
    QWidget parent;
    parent.resize(120, 80);
    const QPixmap picture = patternPicture(120, 80);
    auto* image = new QLabel(&parent);
    image->setPixmap(picture);
    image->setGeometry(0, 0, 120, 80);
    auto* label = new TVrLabel(&parent);
    label->setGeometry(10, 20, 60, 30);
    label->SetTransparent(true);
    label->SetStyle(lsNone);
    label->SetCaption(QString());
    auto* above = new QWidget(&parent);
    above->setAutoFillBackground(true);
    QPalette red = above->palette();
    red.setColor(QPalette::Window, Qt::red);
    above->setPalette(red);
    above->setGeometry(40, 30, 50, 40); // overlaps the label's lower right
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    label->RequestRepaint();
    const QImage composed = label->Image();
    const QImage expected = picture.toImage().convertToFormat(QImage::Format_RGB32).copy(10, 20, 60, 30);
    ASSERT_EQ(composed.size(), QSize(60, 30));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(rgb(composed, x, y), rgb(expected, x, y)) << x << "," << y;

    // On screen the red widget is still drawn over the label.
    const QImage screen = grabImage(&parent);
    EXPECT_EQ(rgb(screen, 45, 35), 0xff0000u);
    EXPECT_EQ(rgb(screen, 15, 25), rgb(expected, 5, 5));
}

TEST(TVrGraphicImageControl, TransparentWidgetIncludesLowerLedWidgets)
{
    QWidget parent;
    parent.resize(100, 40);
    auto* lower = new TVrNum(&parent);
    lower->setGeometry(0, 0, 100, 40);
    lower->SetValue(8);
    auto* upper = new TVrLabel(&parent);
    upper->setGeometry(0, 0, 100, 40);
    upper->SetTransparent(true);
    upper->SetCaption(QString());
    const QImage expected = grabImage(lower);
    const QImage got = grabImage(upper);
    EXPECT_EQ(got, expected);
}

TEST(TVrGraphicImageControl, ParentColourUnderTransparentWidget)
{
    QWidget parent;
    QPalette colours = parent.palette();
    colours.setColor(QPalette::Window, QColor(0, 64, 0));
    parent.setPalette(colours);
    parent.resize(100, 40);
    auto* label = new TVrLabel(&parent);
    label->SetColor(Qt::yellow);
    label->SetTransparent(true);
    label->SetCaption(QString());
    const QImage image = grabImage(label);
    EXPECT_EQ(rgb(image, 0, 0), 0x004000u);
    EXPECT_EQ(rgb(image, 99, 24), 0x004000u);
}

TEST(TVrGraphicImageControl, TransparentWithoutParentFillsOwnColour)
{
    TVrLabel label;
    label.SetColor(QColor(1, 2, 3));
    label.SetTransparent(true);
    label.SetCaption(QString());
    const QImage image = grabImage(&label);
    EXPECT_EQ(rgb(image, 0, 0), 0x010203u);
    EXPECT_EQ(rgb(image, 50, 12), 0x010203u);
}

TEST(TVrGraphicImageControl, SettingTransparentAgainDoesNotRepaint)
{
    QWidget parent;
    parent.resize(100, 40);
    auto* num = new TVrNum(&parent);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    PaintCounter paints(num);
    num->SetTransparent(false);
    EXPECT_EQ(paints.count, 0);
    num->SetTransparent(true);
    EXPECT_EQ(paints.count, 1);
}
