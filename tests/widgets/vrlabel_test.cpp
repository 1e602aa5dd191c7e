#include "ledtesthelpers.h"
#include "vrlabel.h"

#include <QFontMetrics>
#include <QTest>

#include <memory>

using namespace ledtest;

namespace {

const auto* env = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

constexpr QRgb kBack = 0x008000;

// A label like the status panel's: Arial 13 px black on green, no effect.
std::unique_ptr<TVrLabel> panelLabel(int w, int h, TVrLabelAlignment alignment)
{
    auto label = std::make_unique<TVrLabel>();
    label->resize(w, h);
    label->SetStyle(lsNone);
    label->SetColor(QColor::fromRgb(kBack));
    label->SetAlignment(alignment);
    QFont font("Arial");
    font.setPixelSize(13);
    label->setFont(font);
    return label;
}

// Bounding box of every pixel that is not the background.
QRect ink(const QImage& image, QRgb background = kBack)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (rgb(image, x, y) != background)
                box |= QRect(x, y, 1, 1);
    return box;
}

int count(const QImage& image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += rgb(image, x, y) == colour;
    return n;
}

} // namespace

TEST(TVrLabel, Defaults)
{
    TVrLabel label;
    EXPECT_EQ(label.size(), QSize(100, 25));
    EXPECT_EQ(label.Alignment(), taCenter);
    EXPECT_EQ(label.Style(), lsRaised);
    EXPECT_EQ(label.Layout(), tlCenter);
    EXPECT_EQ(label.ShadowDepth(), 2);
    EXPECT_EQ(label.Angle(), 0);
    EXPECT_EQ(label.ColorShadow(), QColor::fromRgb(0x808080));
    EXPECT_EQ(label.ColorHighlight(), QColor(Qt::white));
    EXPECT_EQ(label.font().family(), QString("Arial"));
}

TEST(TVrLabel, OriginAtAngleZero)
{
    auto label = panelLabel(206, 18, taLeftJustify);
    label->SetCaption("clip.avi");
    const QFontMetrics metrics(label->font());
    const int w = metrics.horizontalAdvance("clip.avi"), h = metrics.height();
    QImage image = grabImage(label.get());
    const QRect left = ink(image);
    // Left-justified at x 2 (glyphs may start a pixel in from their cell).
    EXPECT_GE(left.left(), 2);
    EXPECT_LE(left.left(), 3);
    EXPECT_GE(left.top(), (18 - h) / 2);
    EXPECT_LE(left.bottom(), (18 - h) / 2 + h);

    label->SetAlignment(taCenter);
    image = grabImage(label.get());
    EXPECT_EQ(ink(image).left() - left.left(), std::max(2, int(206 / 2.0 - w / 2.0)) - 2);
    label->SetAlignment(taRightJustify);
    image = grabImage(label.get());
    EXPECT_EQ(ink(image).left() - left.left(), std::max(2, 206 - w - 2) - 2);
}

TEST(TVrLabel, WideCaptionStartsAtTwoWhateverTheAlignment)
{
    for (TVrLabelAlignment alignment : {taLeftJustify, taCenter, taRightJustify}) {
        auto label = panelLabel(40, 18, alignment);
        label->SetCaption("a very long caption for a small label");
        const QRect box = ink(grabImage(label.get()));
        EXPECT_GE(box.left(), 2);
        EXPECT_LE(box.left(), 3);
        EXPECT_GE(box.right(), 34); // runs on to the right edge and is cut off there
    }
}

TEST(TVrLabel, AutoSizeAtAngleZeroAndNinety)
{
    auto label = panelLabel(10, 10, taLeftJustify);
    label->SetCaption("Playing");
    label->SetAutoSize(true);
    grabImage(label.get());
    const int w = label->TextWidth(), h = label->TextHeight();
    EXPECT_EQ(w, QFontMetrics(label->font()).horizontalAdvance("Playing"));
    EXPECT_EQ(label->size(), QSize(w + 4, h + 4));

    label->SetAngle(90);
    grabImage(label.get());
    EXPECT_EQ(label->size(), QSize(h + 4, w + 4));
    // The text now runs upwards; it fits inside the 2-pixel margin, taller than wide.
    const QRect box = ink(grabImage(label.get()));
    EXPECT_GT(box.height(), box.width());
    EXPECT_GE(box.left(), 2);
    EXPECT_GE(box.top(), 2);
    EXPECT_LE(box.bottom(), w + 2);
}

TEST(TVrLabel, ACaptionOfSeveralLinesMeasuresItsWidestLineAndAllItsHeight)
{
    auto label = panelLabel(10, 10, taLeftJustify);
    const QFontMetrics metrics(label->font());
    struct Case {
        QString caption, widest;
        int lines;
    };
    const Case cases[] = {
        {"clip.avi", "clip.avi", 1},
        {"short\na much longer second line", "a much longer second line", 2},
        {"the longest first line\nmid\nend", "the longest first line", 3},
        {"windows\r\nbreaks", "windows", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption.toStdString());
        label->SetCaption(c.caption);
        label->SetAutoSize(true);
        grabImage(label.get());
        EXPECT_EQ(label->TextWidth(), metrics.horizontalAdvance(c.widest));
        EXPECT_EQ(label->TextHeight(), metrics.height() + (c.lines - 1) * metrics.lineSpacing());
        EXPECT_EQ(label->size(), QSize(label->TextWidth() + 4, label->TextHeight() + 4));
        // Every line is drawn, one below the other, inside the label.
        const QImage image = grabImage(label.get());
        for (int line = 0; line < c.lines; ++line) {
            const int top = 2 + line * metrics.lineSpacing();
            EXPECT_TRUE(ink(image.copy(0, top, image.width(), metrics.height())).isValid()) << "line " << line;
        }
    }
}

TEST(TVrLabel, AngleOneEightyIsUpsideDownInPlace)
{
    auto label = panelLabel(10, 10, taLeftJustify);
    label->SetCaption("Video");
    label->SetAutoSize(true);
    label->SetAngle(180);
    grabImage(label.get());
    EXPECT_EQ(label->size(), QSize(label->TextWidth() + 4, label->TextHeight() + 4));
    const QRect box = ink(grabImage(label.get()));
    EXPECT_TRUE(QRect(QPoint(0, 0), label->size()).contains(box));
    EXPECT_GE(box.left(), 1);
}

namespace {

QRect boxOf(const QImage& image, QRgb colour)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (rgb(image, x, y) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(TVrLabel, RaisedLoweredAndShadowStyles)
{
    auto label = panelLabel(100, 25, taCenter);
    QFont font = label->font();
    font.setStyleStrategy(QFont::NoAntialias); // exact colours to look for
    label->setFont(font);
    label->SetCaption("Hi");
    label->SetStyle(lsRaised);
    // Grey one pixel down-right, white one pixel up-left, black on top.
    QImage image = grabImage(label.get());
    QRect black = boxOf(image, 0x000000), grey = boxOf(image, 0x808080), white = boxOf(image, 0xffffff);
    ASSERT_FALSE(black.isNull());
    EXPECT_EQ(grey.bottomRight() - black.bottomRight(), QPoint(1, 1));
    EXPECT_EQ(black.topLeft() - white.topLeft(), QPoint(1, 1));

    label->SetStyle(lsLowered);
    image = grabImage(label.get());
    black = boxOf(image, 0x000000), grey = boxOf(image, 0x808080), white = boxOf(image, 0xffffff);
    EXPECT_EQ(white.bottomRight() - black.bottomRight(), QPoint(1, 1));
    EXPECT_EQ(black.topLeft() - grey.topLeft(), QPoint(1, 1));

    label->SetStyle(lsShadow);
    label->SetShadowDepth(4);
    image = grabImage(label.get());
    black = boxOf(image, 0x000000), grey = boxOf(image, 0x808080);
    EXPECT_EQ(grey.bottomRight() - black.bottomRight(), QPoint(4, 4));
    EXPECT_TRUE(boxOf(image, 0xffffff).isNull());
}

TEST(TVrLabel, EmptyCaptionShowsOnlyTheBackground)
{
    auto label = panelLabel(60, 20, taCenter);
    label->SetCaption(QString());
    EXPECT_TRUE(ink(grabImage(label.get())).isNull());
}

TEST(TVrLabel, TexturedTextShowsThePictureInsideTheGlyphsOnly)
{
    auto label = panelLabel(100, 30, taCenter);
    QFont font("Arial");
    font.setPixelSize(24);
    font.setBold(true);
    label->setFont(font);
    label->SetCaption("MM");
    const QImage plain = grabImage(label.get());
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    label->SetBitmap(picture);
    const QImage textured = grabImage(label.get());
    EXPECT_GT(count(textured, 0x0000ff), 50);
    // Outside the text nothing changed.
    const QRect textBox = ink(plain);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x)
            if (!textBox.adjusted(-1, -1, 1, 1).contains(x, y)) {
                ASSERT_EQ(rgb(textured, x, y), kBack) << x << "," << y;
            }
}

TEST(TVrLabel, CaptionRepaintsAtOnceAngleOnlyWhenChanged)
{
    QWidget parent;
    parent.resize(200, 50);
    auto* label = new TVrLabel(&parent);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    PaintCounter paints(label);
    label->SetCaption("Playing");
    EXPECT_EQ(paints.count, 1);
    label->SetCaption("Playing");
    label->SetAngle(0);
    label->SetStyle(lsRaised);
    EXPECT_EQ(paints.count, 1);
    label->SetAngle(45);
    EXPECT_EQ(paints.count, 2);
}

TEST(TVrLabel, LayoutTopCentreBottom)
{
    auto label = panelLabel(100, 40, taLeftJustify);
    label->SetCaption("Paused");
    const int h = QFontMetrics(label->font()).height();
    label->SetLayout(tlTop);
    const int top = ink(grabImage(label.get())).top();
    label->SetLayout(tlCenter);
    const int centre = ink(grabImage(label.get())).top();
    label->SetLayout(tlBottom);
    const int bottom = ink(grabImage(label.get())).top();
    // Text cell tops at 2, trunc(40 / 2 - h / 2) and 40 - (h + 2).
    EXPECT_EQ(centre - top, int(20 - h / 2.0) - 2);
    EXPECT_EQ(bottom - top, 40 - (h + 2) - 2);
}
