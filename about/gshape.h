#pragma once

#include <QBrush>
#include <QPen>
#include <QRect>
#include <QWidget>

#include <cstdint>

enum TGShapeType : std::uint8_t {
    stRectangle,
    stSquare,
    stRoundRect,
    stRoundSquare,
    stEllipse,
    stCircle,
    stLineLefttoRight,
    stLineRightToLeft,
    stPolygon1, // right angle at the top left
    stPolygon2, // right angle at the bottom right
    stPolygon3, // right angle at the bottom left
    stPolygon4, // right angle at the top right
};

// A control that draws one figure inside its bounds with a pen (outline)
// and a brush (fill). It has no click event of its own: mouse presses pass
// through to whatever lies below it.
class TGShape : public QWidget {
    Q_OBJECT
public:
    explicit TGShape(QWidget* parent = nullptr);

    TGShapeType Shape() const { return FShape; }
    void SetShape(TGShapeType value);
    const QPen& Pen() const { return FPen; }
    void SetPen(const QPen& value);
    const QBrush& Brush() const { return FBrush; }
    void SetBrush(const QBrush& value);

    // The figure's box for a control of the given size and pen width:
    // (X, Y) and W x H, right and bottom edges exclusive, and S, the smaller
    // of W and H before squares and circles are centred.
    struct Geometry {
        int X, Y, W, H, S;
    };
    static Geometry FigureGeometry(TGShapeType shape, int width, int height, int penWidth);

signals:
    void MouseDown(QMouseEvent* event);
    void MouseMove(QMouseEvent* event);
    void MouseUp(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void StyleChanged();

    TGShapeType FShape = stRectangle;
    QPen FPen{Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin};
    QBrush FBrush{Qt::white, Qt::SolidPattern};
};
