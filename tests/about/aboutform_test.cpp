#include "aboutform.h"
#include "dibcanvas.h"
#include "errorreport.h"
#include "testapp.h"
#include "timerrx.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>

namespace {

bool IsBlack(QRgb c)
{
    return (c & 0xFFFFFF) == 0;
}

// Ticks the window's animation by hand, as the timer would.
void Tick(TAbout& about, int frames)
{
    for (int i = 0; i < frames; ++i)
        about.AnimateTick(nullptr);
}

// Lets a timer paced like the window's tick `count` times, so a tick that
// should no longer come had as many chances as a running animation.
void LetFramesPass(int count)
{
    TRxTimer witness;
    int ticks = 0;
    witness.SetInterval(25);
    witness.SetOnTimer([&](QObject*) { ++ticks; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= count; }, 20000));
    witness.SetEnabled(false);
}

// Notes the frame count of each About window at the moment it is shown.
class ShowWatch : public QObject {
public:
    ShowWatch() { qApp->installEventFilter(this); }
    ~ShowWatch() override { qApp->removeEventFilter(this); }
    QList<int> framesAtShow;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* about = qobject_cast<TAbout*>(watched))
                framesAtShow << about->Renderer().FrameCount;
        return false;
    }
};

} // namespace

TEST(About, IsAFramelessTopmostWindowWithItsControls)
{
    TAbout about;
    EXPECT_EQ(about.size(), QSize(317, 337));
    EXPECT_EQ(about.windowTitle(), "Another About Box");
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(about.palette().color(QPalette::Window), QColor(Qt::black));

    ASSERT_NE(about.Image1, nullptr);
    EXPECT_EQ(about.Image1->geometry(), QRect(0, 0, 317, 337));
    const QPixmap art = about.Image1->pixmap();
    ASSERT_FALSE(art.isNull());
    EXPECT_EQ(art.size(), QSize(317, 337));
    const QImage artwork = art.toImage();
    for (int y = 49; y < 239; y += 7)
        for (int x = 65; x < 253; x += 7)
            ASSERT_TRUE(IsBlack(artwork.pixel(x, y))) << x << "," << y;

    ASSERT_NE(about.GShape1, nullptr);
    EXPECT_EQ(about.GShape1->geometry(), QRect(65, 49, 188, 190));
    EXPECT_FALSE(about.GShape1->isVisibleTo(&about));
    EXPECT_EQ(about.GShape1->Pen().color(), QColor(Qt::white));
    EXPECT_EQ(about.AnimationRect, QRect(65, 49, 188, 190));
}

TEST(About, CreationPreparesTheSurfaceTheTimerAndTheSolid)
{
    TAbout about;
    ASSERT_NE(about.Surface(), nullptr);
    EXPECT_EQ(about.Surface()->Width(), 317);
    EXPECT_EQ(about.Surface()->Height(), 337);
    EXPECT_EQ(about.Surface()->Format(), dfIndexed8);
    EXPECT_EQ(about.Surface()->FillColor(), 0x000000u);
    EXPECT_EQ(about.Surface()->PaletteHandle()[69], qRgb(0x80, 0xFF, 0));
    ASSERT_NE(about.Timer(), nullptr);
    EXPECT_FALSE(about.Timer()->Enabled());
    EXPECT_FALSE(about.Timer()->Active());
    EXPECT_EQ(about.Renderer().ViewCentreX, 158);
    EXPECT_EQ(about.Renderer().ViewCentreY, 144);
    EXPECT_EQ(about.Renderer().FrameCount, 48);
    EXPECT_EQ(about.Renderer().ShapeIndex, 0);
    EXPECT_EQ(BannerLines[2].Text, "CHECK THE WEB    " NORRAVA_EMAIL "   ");
    EXPECT_EQ(BannerLines[0].Text, "N O R R A V A          ");
}

TEST(About, ShowingStartsTheAnimationAndAClickClosesIt)
{
    TAbout about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_EQ(about.Timer()->Interval(), 25u);
    EXPECT_TRUE(about.Timer()->Active());
    ASSERT_TRUE(QTest::qWaitFor([&] { return about.Renderer().FrameCount >= 52; }, 10000));

    QTest::mouseClick(about.Image1, Qt::LeftButton, {}, QPoint(10, 300));
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.Timer(), nullptr);
    EXPECT_EQ(about.Surface(), nullptr);

    // No frame after closing.
    const int frame = about.Renderer().FrameCount;
    LetFramesPass(6);
    EXPECT_EQ(about.Renderer().FrameCount, frame);
}

TEST(About, AClickOnTheViewingAreaClosesItToo)
{
    TAbout about;
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QWidget* target = about.childAt(158, 144);
    EXPECT_EQ(target, nullptr); // the viewing area belongs to the window itself
    QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(158, 144));
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

TEST(About, ExecuteRunsModallyAndEveryOpeningStartsAfresh)
{
    ShowWatch shows;
    for (int opening = 0; opening < 2; ++opening) {
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            auto* about = qobject_cast<TAbout*>(QApplication::activeModalWidget());
            if (about && about->Renderer().FrameCount >= 51)
                QTest::mouseClick(about->Image1, Qt::LeftButton, {}, QPoint(300, 20));
        });
        closer.start(5);
        EXPECT_EQ(TAbout::Execute(nullptr), QDialog::Accepted);
    }
    // Each opening showed a new window at the animation's start.
    EXPECT_EQ(shows.framesAtShow, QList<int>({48, 48}));
}

TEST(About, RepaintShowsTheLastFrameAndLeavesTheArtworkAlone)
{
    TAbout about;
    Tick(about, 30);
    const QImage first = about.grab().toImage();
    Tick(about, 1);
    const QImage second = about.grab().toImage();
    const QImage frame = about.Surface()->Image();
    const QImage artwork = about.Image1->pixmap().toImage();
    int coloured = 0;
    for (int y = 0; y < 337; ++y)
        for (int x = 0; x < 317; ++x) {
            if (about.AnimationRect.contains(x, y)) {
                ASSERT_EQ(second.pixel(x, y) & 0xFFFFFF, frame.pixel(x, y) & 0xFFFFFF) << x << "," << y;
                coloured += !IsBlack(second.pixel(x, y));
            } else {
                ASSERT_EQ(second.pixel(x, y), first.pixel(x, y)) << x << "," << y;
                ASSERT_EQ(second.pixel(x, y) & 0xFFFFFF, artwork.pixel(x, y) & 0xFFFFFF) << x << "," << y;
            }
        }
    EXPECT_GT(coloured, 300);
}

// A sphere frame depends on no font: every point must land where a plain
// double-precision turn and projection puts it.
TEST(About, SphereFrameMatchesAnIndependentProjection)
{
    TAbout about;
    Tick(about, 248 + 1 + 20); // shape 1, twenty frames into its rest
    const TSolidRenderer& r = about.Renderer();
    ASSERT_EQ(r.ShapeIndex, 1);
    ASSERT_EQ(r.MorphStep, 0);
    const double a = r.AngleA * 2 * M_PI / 1024, b = r.AngleB * 2 * M_PI / 1024;
    int hits = 0;
    for (int i = 0; i < TSolidRenderer::PointCount - 1; ++i) {
        const MorphPoint& p = r.ShapePoints[1][i];
        // Turn by b about Y, then by a about X.
        const double x1 = std::cos(b) * p.X + std::sin(b) * p.Z;
        const double z1 = -std::sin(b) * p.X + std::cos(b) * p.Z;
        const double y2 = std::cos(a) * p.Y - std::sin(a) * z1;
        const double z2 = std::sin(a) * p.Y + std::cos(a) * z1;
        const int sx = int(std::lround(x1 * 180 / (z2 + 1.8))) + 158;
        const int sy = int(std::lround(y2 * 180 / (z2 + 1.8))) + 144;
        hits += about.Surface()->GetPixel(sx, sy) != 0;
    }
    EXPECT_GE(hits, 2047 * 99 / 100);
}

// Banner frames depend on the font rasteriser, so only their broad shape is
// checked: a band of dots across the viewing area, centred on the view.
TEST(About, BannerFrameIsABandAcrossTheView)
{
    TAbout about;
    Tick(about, 1);
    const QImage frame = about.Surface()->Image();
    int coloured = 0;
    QRect bounds;
    double sumY = 0;
    for (int y = 0; y < 337; ++y)
        for (int x = 0; x < 317; ++x)
            if (!IsBlack(frame.pixel(x, y))) {
                ++coloured;
                bounds |= QRect(x, y, 1, 1);
                sumY += y;
            }
    EXPECT_GT(coloured, 500);
    EXPECT_LE(coloured, 2047);
    EXPECT_GT(bounds.width(), 180);  // wraps round the whole sphere
    EXPECT_LT(bounds.height(), 120); // a band, not a ball
    EXPECT_NEAR(sumY / coloured, 144, 25);
    EXPECT_TRUE(IsBlack(frame.pixel(158, 144)) || coloured > 2000);
}

TEST(About, SurfaceErrorIsShownAsThreeLines)
{
    QApplication::setApplicationDisplayName("Norrava " NORRAVA_VERSION);
    QString title, text;
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    dismiss.start(5);
    ReportException(DIB_ERROR());
    EXPECT_EQ(title, "Norrava " NORRAVA_VERSION);
    EXPECT_EQ(text.split('\n'), QStringList({"DIB ERROR :", "Can NOT create DIB ? ? !",
                                             QString::fromUtf8("Impossible de cr\u00e9er une image tampon ? ? !")}));
}
