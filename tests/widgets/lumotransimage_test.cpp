#include "ledtesthelpers.h"
#include "lumotransimage.h"

#include <QMouseEvent>
#include <QTest>

using namespace ledtest;

namespace {

const auto* env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

class PressCounter : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

} // namespace

TEST(TLumoTransImage, FillsItsParentAndFollowsItsSize)
{
    QWidget window;
    window.resize(107, 18);
    auto* image = new TLumoTransImage(&window);
    window.show();
    EXPECT_EQ(image->geometry(), QRect(0, 0, 107, 18));
    EXPECT_EQ(image->TransColor(), QColor(Qt::white));
    EXPECT_TRUE(image->AdjustFormSize());
    window.resize(20, 150);
    EXPECT_EQ(image->geometry(), QRect(0, 0, 20, 150));
}

TEST(TLumoTransImage, DrawsThePictureOpaqueIncludingTheTransColour)
{
    QWidget window;
    window.resize(4, 2);
    auto* image = new TLumoTransImage(&window);
    image->SetTransColor(QColor(255, 0, 255));
    QImage picture(4, 2, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 255));
    picture.setPixel(1, 1, qRgb(10, 20, 30));
    image->SetPicture(QPixmap::fromImage(picture));
    const QImage shown = grabImage(&window);
    EXPECT_EQ(rgb(shown, 0, 0), 0xff00ffu);
    EXPECT_EQ(rgb(shown, 3, 1), 0xff00ffu);
    EXPECT_EQ(rgb(shown, 1, 1), 0x0a141eu);
}

TEST(TLumoTransImage, DisabledPressesReachTheWindow)
{
    PressCounter window;
    window.resize(107, 18);
    auto* image = new TLumoTransImage(&window);
    int clicks = 0;
    image->OnClick = [&](QObject*) { ++clicks; };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(50, 9));
    EXPECT_EQ(clicks, 1); // enabled: the picture takes the click
    EXPECT_EQ(window.presses, 0);
    image->setEnabled(false);
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(50, 9));
    EXPECT_EQ(window.presses, 1);
    EXPECT_EQ(clicks, 1);
}
