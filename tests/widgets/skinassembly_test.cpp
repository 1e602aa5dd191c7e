// The real controls with the real pictures, placed on a window painted from
// the skin as the main window places them: the keyed corners must show the
// skin, the sliders must fit their slots.
#include "artnames.h"
#include "gtabbutton.h"
#include "rxslider.h"
#include "skinwidgettest.h"
#include "testmedia.h"

#include <QDir>
#include <QPainter>
#include <QTest>

#include <memory>

namespace {

// Paints the skin in its nine pieces, as the main window does.
class SkinFace : public QWidget {
public:
    SkinFace()
        : skin(artnames::path(artnames::kSkin))
    {
        resize(386, 424);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const int W = width(), H = height(), IW = skin.width(), IH = skin.height();
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        auto piece = [&](QRect src, QRect dst) { p.drawImage(dst, skin, src); };
        piece({0, 0, 93, 209}, {0, 0, 93, 209});
        piece({95, 0, 1, 94}, {93, 0, W - 132, 94});
        piece({IW - 39, 0, 39, 209}, {W - 39, 0, 39, 209});
        piece({148, 0, 93, 94}, {(W - 93) / 2, 0, 93, 94});
        piece({0, 209, 41, 1}, {0, 209, 41, H - 294});
        piece({IW - 40, 209, 40, 1}, {W - 40, 209, 40, H - 291});
        piece({0, IH - 104, 89, 104}, {0, H - 104, 89, 104});
        piece({209, IH - 104, 1, 104}, {88, H - 104, W - 175, 104});
        piece({IW - 87, IH - 104, 87, 104}, {W - 87, H - 104, 87, 104});
    }

private:
    QImage skin;
};

QImage art(const char* name)
{
    return QImage(artnames::path(name));
}

class SkinAssembly : public ::testing::Test {
protected:
    void SetUp() override
    {
        artnames::initArtResources();
        face = std::make_unique<SkinFace>();
        QPalette pal = face->palette();
        pal.setColor(QPalette::Window, Qt::black);
        face->setPalette(pal);
    }

    TGTabButton* button(QWidget* parent, const artnames::ButtonArt& pictures, QRect bounds)
    {
        auto* b = new TGTabButton(parent);
        b->SetTransparentColor(clFuchsia);
        b->SetBitmapUp(art(pictures.up));
        b->SetBitmapDown(art(pictures.down));
        b->SetBitmapHigh(art(pictures.high));
        b->setGeometry(bounds);
        return b;
    }

    TRxSlider* slider(const char* thumb, const char* ruler, QRect bounds, TSliderOptions options)
    {
        auto* s = new TRxSlider(face.get());
        s->SetImageHThumb(art(thumb));
        s->SetImageHRuler(art(ruler));
        s->SetNumThumbStates(1);
        s->SetEdgeSize(0);
        s->SetOptions(options);
        s->SetIncrement(1);
        s->setGeometry(bounds);
        return s;
    }

    std::unique_ptr<SkinFace> face;
};

TEST_F(SkinAssembly, ControlsSitOnTheSkinAtTheDesignSize)
{
    using namespace artnames;
    const int W = 386, H = 424;
    TGTabButton* close = button(face.get(), kButtonClose, {W - 34, 5, 20, 21});
    button(face.get(), kButtonMaximise, {W - 60, 5, 20, 21});
    button(face.get(), kButtonMinimise, {W - 86, 5, 20, 21});
    button(face.get(), kButtonWeb, {17, 31, 22, 46});
    TGTabButton* load = button(face.get(), kButtonLoad, {44, 38, 30, 30});
    button(face.get(), kButtonCapture, {74, 38, 30, 30});
    button(face.get(), kButtonBigger, {103, 38, 30, 30});
    button(face.get(), kButtonSmaller, {133, 38, 30, 30});
    button(face.get(), kButtonNormalSize, {161, 38, 30, 30});
    button(face.get(), kButtonAbout, {W - 80, 38, 30, 30});
    button(face.get(), kButtonEmail, {W - 40, 31, 22, 46});
    auto* toolBar = new QWidget(face.get());
    toolBar->setGeometry((W - 250) / 2 + 1, H - 80, 248, 20);
    toolBar->setAutoFillBackground(true);
    QPalette pal = toolBar->palette();
    pal.setColor(QPalette::Window, QColor(ColorToRGB(2125984)));
    toolBar->setPalette(pal);
    const ButtonArt transport[] = {kButtonPlay, kButtonStop, kButtonPause, kButtonRewind, kButtonForward,
                                   kButtonFrameBack, kButtonFrameForward};
    std::vector<TGTabButton*> keys;
    for (int i = 0; i < 7; ++i)
        keys.push_back(button(toolBar, transport[i], {36 * i, 0, 32, 20}));
    keys[1]->SetGroupIndex(1);
    keys[0]->SetGroupIndex(1);
    keys[1]->SetDown(true);
    TRxSlider* position = slider(kPositionThumb, kPositionRuler, {89, H - 102, W - 175, 17}, {});
    position->SetMaxValue(1000);
    position->SetValue(350);
    TRxSlider* volume = slider(kVolumeThumb, kVolumeRuler, {89, H - 43, W - 175, 17}, soRulerOpaque);
    volume->SetMaxValue(65534);
    volume->SetValue(50000);

    face->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(face.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return close->BackgroundTaken(); }, 20000));
    const QImage shown = face->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shown.save(QDir(testmedia::dir()).filePath("skin-assembly.png"));

    // Keyed corners show the skin, the middles the pictures.
    QImage bare(face->size(), QImage::Format_RGB32);
    face->render(&bare, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    EXPECT_EQ(shown.pixel(W - 34, 5), bare.pixel(W - 34, 5));
    EXPECT_EQ(shown.pixel(44, 38), bare.pixel(44, 38));
    EXPECT_NE(shown.pixel(44 + 15, 38 + 15), bare.pixel(44 + 15, 38 + 15));
    EXPECT_EQ(rgbAt(close->Background(), 0, 0), rgbAt(bare, W - 34, 5));
    EXPECT_EQ(rgbAt(load->Background(), 15, 0), rgbAt(bare, 44 + 15, 38));
    // The transport keys' corners show the tool bar's colour.
    EXPECT_EQ(rgbAt(shown, toolBar->x(), toolBar->y()), ColorToRGB(2125984) & 0xFFFFFF);
    // The sliders: their thumbs where the values put them, on black.
    EXPECT_EQ(position->ThumbRect().left(), 69); // 350 / 1000 of 196, rounded
    EXPECT_EQ(rgbAt(shown, 89 + 2, H - 102 + 1), 0u); // the position ruler's transparent rows
    EXPECT_NE(rgbAt(shown, 89 + 69 + 7, H - 102 + 8), 0u);
    EXPECT_EQ(volume->ThumbRect().left(), 150); // 50000 / 65534 of 196 = 149.5..., rounded
}

} // namespace
