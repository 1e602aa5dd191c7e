#include "ledtesthelpers.h"
#include "vrprogressbar.h"

#include <QTest>

#include <memory>
#include <vector>

using namespace ledtest;

namespace {

const auto* env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

// A level bar like the main window's: 12 x 171, Max 200, green to red,
// upright, no bevel.
std::unique_ptr<TVrProgressBar> levelBar()
{
    auto bar = std::make_unique<TVrProgressBar>();
    bar->resize(171, 12);
    bar->SetMax(200);
    bar->SetPosition(0);
    bar->SetStartColor(QColor::fromRgb(0x008000));
    bar->SetEndColor(QColor::fromRgb(0xff0000));
    bar->SetOrientation(voVertical); // swaps to 12 x 171
    bar->SetStep(5);
    TVrBevel* bevel = bar->Bevel();
    bevel->SetInnerStyle(bsNone);
    bevel->SetOuterStyle(bsNone);
    bevel->SetInnerOutline(osNone);
    bevel->SetOuterOutline(osNone);
    bevel->SetInnerSpace(0);
    bevel->SetOuterSpace(0);
    return bar;
}

// Runs of lit (non-black) pixels, first and last, down column `line` or
// along row `line`.
using Runs = std::vector<std::pair<int, int>>;

Runs litRuns(const QImage& image, int line, Qt::Orientation along = Qt::Vertical)
{
    const bool down = along == Qt::Vertical;
    Runs runs;
    for (int i = 0; i < (down ? image.height() : image.width()); ++i) {
        if ((down ? rgb(image, line, i) : rgb(image, i, line)) == 0)
            continue;
        if (!runs.empty() && runs.back().second == i - 1)
            runs.back().second = i;
        else
            runs.push_back({i, i});
    }
    return runs;
}

} // namespace

TEST(TVrProgressBar, Defaults)
{
    TVrProgressBar bar;
    EXPECT_EQ(bar.size(), QSize(200, 16));
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Position(), 100);
    EXPECT_EQ(bar.StartColor(), QColor::fromRgb(0x000080));
    EXPECT_EQ(bar.EndColor(), QColor::fromRgb(0x00ffff));
    EXPECT_EQ(bar.Orientation(), voHorizontal);
    EXPECT_EQ(bar.Step(), 10);
    EXPECT_EQ(bar.Bevel()->OuterStyle(), bsLowered);
    EXPECT_EQ(bar.Bevel()->InnerStyle(), bsNone);
    EXPECT_EQ(bar.Color(), QColor(Qt::black));
    TVrBevel bevel;
    EXPECT_EQ(bevel.InnerStyle(), bsLowered);
    EXPECT_EQ(bevel.InnerSpace(), 1);
    EXPECT_EQ(bevel.OuterStyle(), bsRaised);
    EXPECT_EQ(bevel.OuterOutline(), osOuter);
}

TEST(TVrProgressBar, LevelBarSegmentGeometry)
{
    auto bar = levelBar();
    EXPECT_EQ(bar->size(), QSize(12, 171));
    bar->SetPosition(100); // 50 %: 85 of 171 pixels, rounded up to 11 segments
    const QImage image = grabImage(bar.get());
    const auto runs = litRuns(image, 5);
    ASSERT_EQ(runs.size(), 11u);
    // The lowest segment spans rows 164..169, each next one 8 pixels higher.
    for (size_t i = 0; i < runs.size(); ++i) {
        const auto& run = runs[runs.size() - 1 - i];
        EXPECT_EQ(run.first, 164 - 8 * int(i));
        EXPECT_EQ(run.second, 169 - 8 * int(i));
    }
    // Columns 1..10 lit, the edges and the bottom row dark.
    EXPECT_EQ(litRuns(image, 0).size(), 0u);
    EXPECT_EQ(litRuns(image, 11).size(), 0u);
    EXPECT_EQ(litRuns(image, 1).size(), 11u);
    EXPECT_EQ(litRuns(image, 10).size(), 11u);
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(rgb(image, x, 170), 0u);

    bar->SetPosition(0);
    EXPECT_TRUE(litRuns(grabImage(bar.get()), 5).empty());
    bar->SetPosition(182); // 91 %: 155 pixels
    EXPECT_EQ(litRuns(grabImage(bar.get()), 5).size(), 20u);
}

TEST(TVrProgressBar, RampRunsFromRedAtTheTopToGreenAtTheBottom)
{
    auto bar = levelBar();
    bar->SetPosition(200);
    const QImage image = grabImage(bar.get());
    const QImage& ramp = bar->GradientImage();
    ASSERT_EQ(ramp.size(), QSize(12, 171));
    EXPECT_EQ(rgb(ramp, 0, 0), 0xff0000u);
    // Bottom row: red plus 170/171 of the way to green.
    EXPECT_EQ(rgb(ramp, 5, 170), qRgb(1, 127, 0) & 0xffffffu);
    const auto runs = litRuns(image, 5);
    ASSERT_FALSE(runs.empty());
    const QRgb top = rgb(image, 5, runs.front().first);
    const QRgb bottom = rgb(image, 5, runs.back().second);
    EXPECT_GT(qRed(top), 240);
    EXPECT_LT(qGreen(top), 20);
    EXPECT_LT(qRed(bottom), 15);
    EXPECT_GT(qGreen(bottom), 115);
}

TEST(TVrProgressBar, FillGradientRoundsHalvesToEvenWithOneBandPastTheEnd)
{
    QImage image(1, 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    TVrProgressBar::FillGradient(image, QRect(0, 0, 1, 2), QColor(0, 0, 0), QColor(1, 3, 5), true);
    // Bands 0, 1/2 and 2/2 of the way: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2.
    EXPECT_EQ(rgb(image, 0, 0), 0x000000u);
    EXPECT_EQ(rgb(image, 0, 1), qRgb(0, 2, 2) & 0xffffffu);
    EXPECT_EQ(rgb(image, 0, 2), qRgb(1, 3, 5) & 0xffffffu); // the band just outside the area
    EXPECT_EQ(rgb(image, 0, 3), 0xffffffu);
}

TEST(TVrProgressBar, SmoothBarsAreOneBlock)
{
    auto bar = levelBar();
    bar->SetSmooth(true);
    bar->SetPosition(200);
    QImage image = grabImage(bar.get());
    EXPECT_EQ(litRuns(image, 5), (Runs{{1, 170}}));
    EXPECT_EQ(litRuns(image, 100, Qt::Horizontal), (Runs{{1, 10}})); // across: the edges dark

    TVrProgressBar horizontal;
    horizontal.Bevel()->SetOuterStyle(bsNone);
    horizontal.SetSmooth(true);
    horizontal.SetPosition(100);
    image = grabImage(&horizontal);
    EXPECT_EQ(litRuns(image, 8, Qt::Horizontal), (Runs{{1, 198}}));
    EXPECT_EQ(litRuns(image, 50), (Runs{{1, 14}}));
}

TEST(TVrProgressBar, HorizontalSegments)
{
    TVrProgressBar bar;
    bar.Bevel()->SetOuterStyle(bsNone);
    bar.SetPosition(50); // 100 of 200 pixels; s = 10: segments of 8 with 2-pixel gaps
    const QImage image = grabImage(&bar);
    const auto runs = litRuns(image, 8, Qt::Horizontal);
    ASSERT_EQ(runs.size(), 10u);
    EXPECT_EQ(runs[0], std::make_pair(1, 8));
    EXPECT_EQ(runs[9], std::make_pair(91, 98));
    // The ramp goes from navy at the left to aqua at the right.
    EXPECT_GT(qBlue(rgb(image, 2, 8)), 100);
    EXPECT_LT(qGreen(rgb(image, 2, 8)), 20);
}

TEST(TVrProgressBar, PlainColorsUseTheHighlightColour)
{
    auto bar = levelBar();
    bar->SetPlainColors(true);
    bar->SetPosition(200);
    const QImage image = grabImage(bar.get());
    const QRgb highlight = QApplication::palette().color(QPalette::Highlight).rgb() & 0xffffff;
    EXPECT_EQ(rgb(image, 5, 5), highlight);
    EXPECT_EQ(rgb(image, 5, 165), highlight);
}

TEST(TVrProgressBar, RampIsRebuiltOnlyWhenDirtyOrResized)
{
    auto bar = levelBar();
    bar->SetPosition(10);
    grabImage(bar.get());
    const int builds = bar->GradientBuilds();
    for (int p = 20; p <= 200; p += 20) {
        bar->SetPosition(p);
        grabImage(bar.get());
    }
    EXPECT_EQ(bar->GradientBuilds(), builds);
    bar->resize(12, 100);
    grabImage(bar.get());
    EXPECT_EQ(bar->GradientBuilds(), builds + 1);
    bar->SetEndColor(Qt::yellow);
    grabImage(bar.get());
    EXPECT_EQ(bar->GradientBuilds(), builds + 2);
    EXPECT_EQ(rgb(bar->GradientImage(), 0, 0), 0xffff00u);
}

TEST(TVrProgressBar, SettersClampAndIgnoreInvalidRanges)
{
    auto bar = levelBar();
    bar->SetPosition(500);
    EXPECT_EQ(bar->Position(), 200);
    bar->SetPosition(-1);
    EXPECT_EQ(bar->Position(), 0);
    bar->SetMin(200);
    EXPECT_EQ(bar->Min(), 0);
    bar->SetMax(0);
    EXPECT_EQ(bar->Max(), 200);
    bar->SetPosition(150);
    bar->SetMax(120);
    EXPECT_EQ(bar->Position(), 120);
    bar->SetMin(130);
    EXPECT_EQ(bar->Min(), 0); // not below Max
    bar->SetMin(50);
    bar->SetPosition(10);
    EXPECT_EQ(bar->Position(), 50);
    EXPECT_EQ(TVrProgressBar::PercentOf(5, 0), 0);
    EXPECT_EQ(TVrProgressBar::PercentOf(182, 200), 91);
}

TEST(TVrProgressBar, OrientationSwapsSizeAndRepaintsOnlyOnChange)
{
    QWidget parent;
    parent.resize(300, 300);
    auto* bar = new TVrProgressBar(&parent);
    bar->move(10, 20);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    PaintCounter paints(bar);
    bar->SetPosition(100);
    bar->SetOrientation(voHorizontal);
    EXPECT_EQ(paints.count, 0);
    bar->SetOrientation(voVertical);
    EXPECT_EQ(bar->geometry(), QRect(10, 20, 16, 200));
    EXPECT_GE(paints.count, 1);
}

TEST(TVrBevel, RingsShrinkTheInnerArea)
{
    TVrProgressBar bar;
    bar.resize(40, 20);
    TVrBevel* bevel = bar.Bevel();
    bevel->SetOuterOutline(osOuter);
    bevel->SetOuterStyle(bsRaised);
    bevel->SetOuterWidth(2);
    bevel->SetOuterSpace(1);
    bevel->SetInnerStyle(bsLowered);
    bevel->SetInnerOutline(osInner);
    bar.SetPosition(0);
    const QImage image = grabImage(&bar);
    // 1 outline + 2 raised + 1 space + 1 lowered + 1 outline = 6 per side.
    EXPECT_EQ(bar.InnerRect(), QRect(6, 6, 28, 8));
    EXPECT_EQ(rgb(image, 0, 0), 0u); // outer outline black
    EXPECT_EQ(rgb(image, 1, 5), bevel->OuterHighlight().rgb() & 0xffffffu); // raised: light top-left
    EXPECT_EQ(rgb(image, 38, 5), bevel->OuterShadow().rgb() & 0xffffffu);
    EXPECT_EQ(rgb(image, 3, 10), bevel->OuterColor().rgb() & 0xffffffu); // the space ring
    EXPECT_EQ(rgb(image, 4, 10), bevel->InnerShadow().rgb() & 0xffffffu); // lowered: dark top-left
    EXPECT_EQ(rgb(image, 5, 10), 0u); // inner outline
}
