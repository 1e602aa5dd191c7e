#include "gshape.h"
#include "testapp.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage Render(TGShape& shape)
{
    QImage image(shape.size(), QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    shape.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

// The bounds of every pixel that is not the background.
QRect Inked(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != QColor(Qt::darkGray).rgb())
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// A widget that counts its paints; updated beside the shape, it shows when
// the window has painted everything that was waiting to be painted.
class Witness : public QWidget {
public:
    using QWidget::QWidget;
    int paints = 0;

    // Returns once the window has run a paint pass that includes this widget.
    bool passPainted()
    {
        const int before = paints;
        update();
        return QTest::qWaitFor([&] { return paints > before; }, 20000);
    }

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

class CountingShape : public TGShape {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        TGShape::paintEvent(event);
    }
};

} // namespace

TEST(GShape, StartsAsA65PixelWhiteRectangleWithABlackPen)
{
    TGShape shape;
    EXPECT_EQ(shape.size(), QSize(65, 65));
    EXPECT_EQ(shape.Shape(), stRectangle);
    EXPECT_EQ(shape.Pen().color(), QColor(Qt::black));
    EXPECT_EQ(shape.Pen().width(), 1);
    EXPECT_EQ(shape.Brush().color(), QColor(Qt::white));

    const TGShape::Geometry g = TGShape::FigureGeometry(stRectangle, 65, 65, 1);
    EXPECT_EQ(g.X, 0);
    EXPECT_EQ(g.Y, 0);
    EXPECT_EQ(g.X + g.W, 65);
    EXPECT_EQ(g.Y + g.H, 65);

    const QImage image = Render(shape);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(64, 64), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(64, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(32, 32), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255));
}

TEST(GShape, WidePenShrinksTheFigureAndCirclesAreCentred)
{
    const TGShape::Geometry box = TGShape::FigureGeometry(stRectangle, 100, 60, 4);
    EXPECT_EQ(box.X, 2);
    EXPECT_EQ(box.Y, 2);
    EXPECT_EQ(box.W, 97);
    EXPECT_EQ(box.H, 57);
    const TGShape::Geometry circle = TGShape::FigureGeometry(stCircle, 100, 60, 4);
    EXPECT_EQ(QRect(circle.X, circle.Y, circle.W, circle.H), QRect(QPoint(22, 2), QPoint(78, 58)));

    TGShape shape;
    shape.resize(100, 60);
    shape.SetPen(QPen(Qt::black, 4));
    shape.SetShape(stCircle);
    const QRect inked = Inked(Render(shape));
    EXPECT_NEAR(inked.left(), 20, 1);
    EXPECT_NEAR(inked.right(), 79, 1);
    EXPECT_GE(inked.top(), 0);
    EXPECT_LE(inked.bottom(), 59);
    EXPECT_NEAR(inked.center().x(), 49.5, 1);
}

TEST(GShape, ZeroWidthPenUsesTheWholeControl)
{
    const TGShape::Geometry g = TGShape::FigureGeometry(stEllipse, 80, 30, 0);
    EXPECT_EQ(g.X, 0);
    EXPECT_EQ(g.W, 80);
    EXPECT_EQ(g.H, 30);
    EXPECT_EQ(g.S, 30);
}

TEST(GShape, EveryFigureStaysInsideTheControl)
{
    for (int type = stRectangle; type <= stPolygon4; ++type) {
        for (int pen : {0, 1, 3, 6}) {
            SCOPED_TRACE(testing::Message() << "shape " << type << " pen " << pen);
            TGShape shape;
            shape.resize(90, 50);
            shape.SetShape(TGShapeType(type));
            shape.SetPen(QPen(Qt::black, pen));
            const QRect inked = Inked(Render(shape));
            ASSERT_FALSE(inked.isEmpty());
            EXPECT_GE(inked.left(), 0);
            EXPECT_LE(inked.right(), 89);
            EXPECT_GE(inked.top(), 0);
            EXPECT_LE(inked.bottom(), 49);
        }
    }
}

TEST(GShape, TrianglesPutTheirRightAngleInTheNamedCorner)
{
    struct Case {
        TGShapeType shape;
        QPoint filled, empty;
    } cases[] = {
        {stPolygon1, {5, 5}, {54, 54}},
        {stPolygon2, {54, 54}, {5, 5}},
        {stPolygon3, {5, 54}, {54, 5}},
        {stPolygon4, {54, 5}, {5, 54}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.shape));
        TGShape shape;
        shape.resize(60, 60);
        shape.SetShape(c.shape);
        shape.SetBrush(QBrush(Qt::red));
        const QImage image = Render(shape);
        EXPECT_EQ(image.pixel(c.filled), qRgb(255, 0, 0));
        EXPECT_EQ(image.pixel(c.empty), QColor(Qt::darkGray).rgb());
    }
    // The diagonals draw with the pen only.
    TGShape line;
    line.resize(60, 60);
    line.SetShape(stLineRightToLeft);
    const QImage image = Render(line);
    EXPECT_EQ(image.pixel(59, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(0, 59), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 5), QColor(Qt::darkGray).rgb());
}

TEST(GShape, RepaintsOnlyOnRealChangesAndNeverWhileHidden)
{
    // Updates of one window are painted together, so once the witness
    // beside the shape has painted, a repaint the shape asked for is done too.
    QWidget window;
    window.resize(200, 200);
    auto* shape = new CountingShape;
    shape->setParent(&window);
    auto* witness = new Witness(&window);
    witness->setGeometry(150, 150, 20, 20);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(witness->passPainted());
    shape->paints = 0;

    shape->SetShape(stRectangle);
    shape->SetPen(shape->Pen());
    ASSERT_TRUE(witness->passPainted());
    EXPECT_EQ(shape->paints, 0);

    shape->SetShape(stEllipse);
    ASSERT_TRUE(witness->passPainted());
    EXPECT_GT(shape->paints, 0);

    shape->hide();
    shape->paints = 0;
    shape->SetShape(stCircle);
    shape->SetBrush(QBrush(Qt::blue));
    window.update();
    ASSERT_TRUE(witness->passPainted());
    EXPECT_EQ(shape->paints, 0);
}
