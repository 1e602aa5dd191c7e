#include "vrbevel.h"

#include <QApplication>
#include <QPainter>

TVrBevel::TVrBevel()
{
    const QPalette system = QApplication::palette();
    FInnerShadow = FOuterShadow = system.color(QPalette::Dark);
    FInnerHighlight = FOuterHighlight = system.color(QPalette::Light);
    FInnerColor = FOuterColor = system.color(QPalette::Button);
}

// Rectangles here are (left, top, right, bottom) with right and bottom
// exclusive, as QRect(QPoint, QPoint) would give one pixel less.
void TVrBevel::DrawRing(QPainter& canvas, QRect& area, const QColor& top, const QColor& bottom, int width)
{
    int left = area.left(), topEdge = area.top();
    int right = area.left() + area.width() - 1, bottomEdge = area.top() + area.height() - 1;
    canvas.save();
    for (int i = 0; i < width; ++i) {
        canvas.setPen(QPen(top, 1));
        canvas.drawLine(left, bottomEdge, left, topEdge);
        canvas.drawLine(left, topEdge, right, topEdge);
        canvas.setPen(QPen(bottom, 1));
        canvas.drawLine(right, topEdge, right, bottomEdge);
        canvas.drawLine(right, bottomEdge, left, bottomEdge);
        ++left;
        ++topEdge;
        --right;
        --bottomEdge;
    }
    canvas.restore();
    if (width > 0)
        area = QRect(left, topEdge, right + 1 - left, bottomEdge + 1 - topEdge);
}

void TVrBevel::Paint(QPainter& canvas, QRect& area) const
{
    auto side = [&](TVrBevelOutlineStyle outline, TVrBevelStyle style, int width, const QColor& shadow,
                    const QColor& highlight, int space, const QColor& colour) {
        if (outline == osOuter)
            DrawRing(canvas, area, Qt::black, Qt::black, 1);
        if (style != bsNone) {
            if (style == bsLowered)
                DrawRing(canvas, area, shadow, highlight, width);
            else
                DrawRing(canvas, area, highlight, shadow, width);
        }
        if (outline == osInner)
            DrawRing(canvas, area, Qt::black, Qt::black, 1);
        DrawRing(canvas, area, colour, colour, space);
    };
    side(FOuterOutline, FOuterStyle, FOuterWidth, FOuterShadow, FOuterHighlight, FOuterSpace, FOuterColor);
    side(FInnerOutline, FInnerStyle, FInnerWidth, FInnerShadow, FInnerHighlight, FInnerSpace, FInnerColor);
}
