// The main window's skin and layout: the face painted from the skin's nine
// pieces at any size, the controls in their places and as the form sets
// them up, and the companion windows hung on the main window.
#include "apptest.h"

#include "navwidgets.h"
#include "vrprogressbar.h"

#include <QFile>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <optional>

using namespace apptest;

namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

// --- Skin painting ------------------------------------------------------------

// Where a pixel of the window's face comes from in the skin picture (IW x
// IH), worked out from where each part of the skin must appear rather than
// from the drawing code's list of pieces: the corners keep their size at the
// window's corners, the bands and edges between them repeat one row or
// column of the skin, the ornament sits centred on the top band, and the
// bottom band with its corners lies over everything above it. Empty where
// the face stays black.
std::optional<QPoint> skinSourceOf(int x, int y, int W, int H, int IW, int IH)
{
    const int fromRight = W - x;  // 1 in the last column
    const int fromBottom = H - y; // 1 in the last row
    if (fromBottom <= 104) {      // the bottom band, 104 rows high
        if (fromRight <= 87)
            return QPoint(IW - fromRight, IH - fromBottom);
        if (x >= 88)
            return QPoint(209, IH - fromBottom);
        return QPoint(x, IH - fromBottom);
    }
    if (y >= 209) { // the side edges, below the top corners
        if (fromRight <= 40)
            return QPoint(IW - fromRight, 209);
        if (x < 41)
            return QPoint(x, 209);
        return std::nullopt;
    }
    const int ornament = (W - 93) / 2;
    if (y < 94 && x >= ornament && x < ornament + 93)
        return QPoint(148 + x - ornament, y);
    if (fromRight <= 39)
        return QPoint(IW - fromRight, y);
    if (x < 93)
        return QPoint(x, y);
    if (y < 94)
        return QPoint(95, y);
    return std::nullopt;
}

QImage expectedSkin(const QImage& skin, int W, int H)
{
    QImage out(W, H, QImage::Format_RGB32);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const std::optional<QPoint> source = skinSourceOf(x, y, W, H, skin.width(), skin.height());
            out.setPixel(x, y, source ? skin.pixel(*source) : qRgb(0, 0, 0));
        }
    return out;
}

int countDifferences(const QImage& a, const QImage& b, const QRegion& ignore, QPoint* first)
{
    int differences = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!ignore.contains(QPoint(x, y)) && (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) {
                if (differences++ == 0)
                    *first = QPoint(x, y);
            }
    return differences;
}

// What the main window paints of its own, without its controls.
QImage composedSkin(Tapp* app)
{
    QImage image(app->size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    app->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

// The design size, the minimum size and a larger one.
class SkinTest : public PlayerTest, public ::testing::WithParamInterface<QSize> {};

TEST_P(SkinTest, TheFaceIsComposedFromTheSkinsNinePieces)
{
    const int W = GetParam().width(), H = GetParam().height();
    ASSERT_EQ(app->SkinImage.size(), QSize(385, 424));
    app->resize(W, H);
    ASSERT_EQ(app->size(), QSize(W, H));
    const QImage expected = expectedSkin(app->SkinImage, W, H);
    // The composition, as the window paints it under its controls.
    QPoint first;
    const QImage composed = composedSkin(app);
    EXPECT_EQ(countDifferences(composed, expected, {}, &first), 0) << "first at " << first.x() << "," << first.y();
    // And what the window shows, wherever no child control covers it.
    const QImage shown = app->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(W, H));
    QRegion children;
    for (QWidget* child : app->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisible())
            children += child->geometry();
    EXPECT_EQ(countDifferences(shown, expected, children, &first), 0) << "first at " << first.x() << "," << first.y();

    // What no piece covers stays black: between the top corners under the
    // band, and between the side edges above the bottom band.
    EXPECT_EQ(composed.pixel(W / 2, 150) & 0xFFFFFF, 0u);
    EXPECT_EQ(composed.pixel(100, 100) & 0xFFFFFF, 0u);
    EXPECT_EQ(composed.pixel(W - 41, H - 105) & 0xFFFFFF, 0u);
    if (H - 105 >= 209) {
        EXPECT_EQ(composed.pixel(41, 209) & 0xFFFFFF, 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SkinTest, ::testing::Values(QSize(386, 424), QSize(314, 299), QSize(600, 500)),
                         [](const ::testing::TestParamInfo<QSize>& info) {
                             return std::to_string(info.param.width()) + "x" + std::to_string(info.param.height());
                         });

using LayoutTest = PlayerTest;

TEST_F(LayoutTest, AtTheMinimumSizeTheTopBandStretchesAndNoSmallerSizeIsTaken)
{
    // The side edges lie under the bottom corners there.
    app->resize(314, 299);
    const QImage small = composedSkin(app);
    EXPECT_EQ(small.pixel(93 + 181, 10), app->SkinImage.pixel(95, 10)); // top band 182 wide
    EXPECT_EQ(small.pixel(93 + 182, 10), app->SkinImage.pixel(385 - 39, 10)); // then the corner
    app->resize(200, 200);
    EXPECT_EQ(app->size(), QSize(314, 299));
}

// --- Layout ---------------------------------------------------------------------

TEST_F(LayoutTest, ControlsTakeTheirPlacesAtTheDesignSize)
{
    app->resize(386, 424);
    app->ResizeAndPositionAll();
    const std::pair<QWidget*, QRect> places[] = {
        {app->ButtonClose, {352, 5, 20, 21}},
        {app->ButtonMaximise, {326, 5, 20, 21}},
        {app->ButtonMinimise, {300, 5, 20, 21}},
        {app->ButtonAbout, {306, 38, 30, 30}},
        {app->ButtonEmail, {346, 31, 22, 46}},
        {app->VideoPositionSlider, {89, 322, 211, 17}},
        {app->VolumeSlider, {89, 381, 211, 17}},
        {app->LedVolumeLeft, {18, 206, 12, 171}},
        {app->LedVolumeRight, {356, 206, 12, 171}},
        {app->ControlsToolBar, {69, 344, 248, 20}},
        // Fixed ones stay where the form put them.
        {app->ButtonLoad, {44, 38, 30, 30}},
        {app->ButtonWeb, {17, 31, 22, 46}},
        {app->ButtonPlay, {0, 0, 32, 20}},
        {app->ButtonFrameForward, {216, 0, 32, 20}},
    };
    for (const auto& [control, place] : places)
        EXPECT_EQ(control->geometry(), place) << control->toolTip().toStdString();
}

TEST_F(LayoutTest, SlidersAndLevelBarsLookAsTheFormSetsThem)
{
    // The position slider has no tick marks and no focus rectangle; the
    // volume slider draws its ruler opaque.
    EXPECT_EQ(app->VideoPositionSlider->Options(), TSliderOptions());
    EXPECT_EQ(app->VolumeSlider->Options(), TSliderOptions(soRulerOpaque));
    app->resize(386, 424);
    app->VideoPositionSlider->setEnabled(true);
    const QImage unfocused = app->VideoPositionSlider->grab().toImage();
    app->VideoPositionSlider->setFocus();
    QFocusEvent focusIn(QEvent::FocusIn);
    QCoreApplication::sendEvent(app->VideoPositionSlider, &focusIn);
    EXPECT_EQ(app->VideoPositionSlider->grab().toImage(), unfocused);
    // (With the defaults the same slider would show both.)
    app->VideoPositionSlider->SetOptions(TSliderOptions(soShowFocus) | soShowPoints | soSmooth);
    EXPECT_NE(app->VideoPositionSlider->grab().toImage(), unfocused);
    app->VideoPositionSlider->SetOptions({});

    // The level bars run from green at the bottom to red at the top.
    for (TVrProgressBar* bar : {app->LedVolumeLeft, app->LedVolumeRight}) {
        EXPECT_EQ(bar->StartColor(), QColor(0x00, 0x80, 0x00));
        EXPECT_EQ(bar->EndColor(), QColor(0xff, 0x00, 0x00));
        EXPECT_EQ(bar->Step(), 5);
    }
    app->LedVolumeLeft->SetPosition(200);
    const QImage bar = app->LedVolumeLeft->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor low = bar.pixelColor(5, bar.height() - 4);
    const QColor high = bar.pixelColor(5, 5); // in the topmost whole segment
    EXPECT_GT(low.green(), 100) << low.name().toStdString();
    EXPECT_LT(low.red(), 20) << low.name().toStdString();
    EXPECT_GT(high.red(), 220) << high.name().toStdString();
    EXPECT_LT(high.green(), 20) << high.name().toStdString();
    EXPECT_LT(high.blue(), 20) << high.name().toStdString();
}

// --- Companion windows ------------------------------------------------------------

TEST_F(LayoutTest, CompanionWindowsHangOnTheMainWindowWhereverItGoes)
{
    app->move(500, 300);
    const QRect main = app->geometry();
    TFileNavigator* nav = app->FileNavigator;
    TStatusPanel* panel = app->StatusPanel;
    // Closed navigator: its handle hangs on the main window's left side.
    EXPECT_FALSE(nav->isVisible());
    EXPECT_EQ(nav->geometry().right() + 1, main.left());
    EXPECT_EQ(nav->y(), main.top() + 2);
    EXPECT_EQ(nav->height(), main.height() - 4);
    EXPECT_EQ(app->FileBlind->pos(), QPoint(main.left() - 20, main.top() + 2));
    // The status panel centred below, its handle under its left end.
    EXPECT_EQ(panel->pos(), QPoint(main.left() + (main.width() - panel->width()) / 2, main.bottom() + 1));
    EXPECT_EQ(app->StatusHandle->pos(), QPoint(panel->x(), panel->y() + panel->height()));

    // Open: the navigator shows once wider than 2 pixels, the handle on its left edge.
    nav->SetBounds(main.left() - 200, main.top() + 2, 200, main.height() - 4);
    EXPECT_TRUE(nav->isVisible());
    EXPECT_EQ(app->SavedNavigatorWidth, 200);
    app->move(520, 310);
    EXPECT_EQ(nav->geometry(), QRect(320, 312, 200, main.height() - 4));
    EXPECT_EQ(app->FileBlind->pos(), QPoint(300, 312));
    // Two pixels wide is closed again.
    nav->SetBounds(518, 312, 2, main.height() - 4);
    EXPECT_FALSE(nav->isVisible());
    EXPECT_EQ(app->FileBlind->pos(), QPoint(500, 312));
}

TEST_F(LayoutTest, TheNavigatorsListKeepsNinetyPixelsAndOpensWhatIsClicked)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(toneWav(), dir.filePath("tone.wav")));
    TFileNavigator* nav = app->FileNavigator;
    EXPECT_EQ(nav->FileMask(), app->Mask());
    nav->SetBounds(app->x() - 292, app->y() + 2, 292, app->height() - 4);
    ASSERT_TRUE(nav->isVisible());
    QCoreApplication::processEvents();
    const int tree = nav->RzDirectoryTree1->height();
    const int list = nav->FileListBox1->height();
    EXPECT_FALSE(nav->Splitter1CanResize(tree + list - 89));
    EXPECT_TRUE(nav->Splitter1CanResize(tree + list - 90));

    // Nothing highlighted: an empty path, which opens nothing.
    nav->FileListBox1Change();
    EXPECT_FALSE(app->MediaLoaded);

    // One click on a file in the list opens it in the player.
    ASSERT_TRUE(nav->SetFolder(dir.path()));
    QListView* files = nav->FileListBox1;
    ASSERT_TRUE(waitUntil([&] { return files->model()->rowCount(files->rootIndex()) == 1; }));
    const QModelIndex tone = files->model()->index(0, 0, files->rootIndex());
    ASSERT_EQ(tone.data().toString(), "tone.wav");
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(tone).center());
    ASSERT_TRUE(loadEnded());
    EXPECT_TRUE(app->MediaLoaded);
    EXPECT_EQ(caption(app->StatusPanel->VrLabel1), "tone.wav");
}

} // namespace
