#include "gshape.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

TGShape::TGShape(QWidget* parent)
    : QWidget(parent)
{
    resize(65, 65);
}

void TGShape::SetShape(TGShapeType value)
{
    if (value == FShape)
        return;
    FShape = value;
    update();
}

void TGShape::SetPen(const QPen& value)
{
    if (value == FPen)
        return;
    FPen = value;
    StyleChanged();
}

void TGShape::SetBrush(const QBrush& value)
{
    if (value == FBrush)
        return;
    FBrush = value;
    StyleChanged();
}

void TGShape::StyleChanged()
{
    update();
}

TGShape::Geometry TGShape::FigureGeometry(TGShapeType shape, int width, int height, int penWidth)
{
    Geometry g{};
    g.X = g.Y = penWidth / 2;
    g.W = width - penWidth + 1;
    g.H = height - penWidth + 1;
    if (penWidth == 0) {
        --g.W;
        --g.H;
    }
    g.S = std::min(g.W, g.H);
    if (shape == stSquare || shape == stRoundSquare || shape == stCircle) {
        g.X += (g.W - g.S) / 2;
        g.Y += (g.H - g.S) / 2;
        g.W = g.H = g.S;
    }
    return g;
}

void TGShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(FPen);
    painter.setBrush(FBrush);
    const Geometry g = FigureGeometry(FShape, width(), height(), FPen.width());
    // The figure's right and bottom edges are exclusive: its last pixel
    // column is X + W - 1.
    const int left = g.X, top = g.Y, right = g.X + g.W - 1, bottom = g.Y + g.H - 1;
    const QRect box(QPoint(left, top), QPoint(right, bottom));
    const auto triangle = [&](QPoint a, QPoint b, QPoint c) {
        const QPoint points[3] = {a, b, c};
        painter.drawPolygon(points, 3);
    };
    switch (FShape) {
    case stRectangle:
    case stSquare: painter.drawRect(box.adjusted(0, 0, -1, -1)); break;
    case stRoundRect:
    case stRoundSquare: {
        const qreal radius = (g.S / 4) / 2.0;
        painter.drawRoundedRect(box.adjusted(0, 0, -1, -1), radius, radius);
        break;
    }
    case stEllipse:
    case stCircle: painter.drawEllipse(box.adjusted(0, 0, -1, -1)); break;
    case stLineLefttoRight: painter.drawLine(left, top, right, bottom); break;
    case stLineRightToLeft: painter.drawLine(right, top, left, bottom); break;
    case stPolygon1: triangle({left, top}, {right, top}, {left, bottom}); break;
    case stPolygon2: triangle({right, top}, {right, bottom}, {left, bottom}); break;
    case stPolygon3: triangle({right, bottom}, {left, bottom}, {left, top}); break;
    case stPolygon4: triangle({right, bottom}, {right, top}, {left, top}); break;
    }
}

// Mouse events are reported and then passed on to the control underneath.
void TGShape::mousePressEvent(QMouseEvent* event)
{
    emit MouseDown(event);
    event->ignore();
}

void TGShape::mouseMoveEvent(QMouseEvent* event)
{
    emit MouseMove(event);
    event->ignore();
}

void TGShape::mouseReleaseEvent(QMouseEvent* event)
{
    emit MouseUp(event);
    event->ignore();
}
