#include "vrlabel.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

TVrLabel::TVrLabel(QWidget* parent)
    : TVrGraphicImageControl(parent)
{
    resize(100, 25);
    SetColor(QApplication::palette().color(QPalette::Button));
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(14);
    setFont(f);
}

void TVrLabel::SetCaption(const QString& value)
{
    if (FCaption == value)
        return;
    FCaption = value;
    RequestRepaint();
}

void TVrLabel::SetBitmap(const QImage& value)
{
    FBitmap = value;
    RequestRepaint();
}

void TVrLabel::SetAngle(uint16_t value)
{
    value %= 360;
    if (FAngle == value)
        return;
    FAngle = value;
    FAngleRadians = FAngle * 0.017453292519943295769;
    RequestRepaint();
}

void TVrLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        RequestRepaint();
    TVrGraphicImageControl::changeEvent(event);
}

namespace {

// A caption may hold line breaks: a file name can.
QStringList captionLines(const QString& text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

} // namespace

// The extent of the whole caption: its widest line, and the height of all
// its lines one below the other.
void TVrLabel::MeasureText()
{
    const QFontMetrics metrics(font());
    const QStringList lines = captionLines(FCaption);
    FTextWidth = 0;
    for (const QString& line : lines)
        FTextWidth = std::max(FTextWidth, metrics.horizontalAdvance(line));
    FTextHeight = metrics.height() + int(lines.size() - 1) * metrics.lineSpacing();
}

QSize TVrLabel::RotatedExtent() const
{
    const double c = std::fabs(std::cos(FAngleRadians)), s = std::fabs(std::sin(FAngleRadians));
    return {int(c * FTextWidth + s * FTextHeight), int(c * FTextHeight + s * FTextWidth)};
}

QPoint TVrLabel::TextOrigin() const
{
    const double W = FTextWidth, H = FTextHeight, r = FAngleRadians;
    const double c = std::cos(r), s = std::sin(r);
    const int a = FAngle;
    const QSize extent = RotatedExtent();
    auto addX = [&](int x) {
        if (a > 90 && a < 270)
            x += int(std::fabs(c) * W);
        if (a > 180)
            x += int(std::fabs(s) * H);
        return x;
    };
    auto addY = [&](int y) {
        if (a < 180)
            y += int(std::fabs(s) * W);
        if (a > 90 && a < 270)
            y += int(std::fabs(c) * H);
        return y;
    };
    const int x0 = addX(2);
    int x = x0;
    if (FAlignment == taRightJustify)
        x = addX(width() - (extent.width() + 2));
    else if (FAlignment == taCenter)
        x = int(width() * 0.5 - c * W * 0.5 - s * H * 0.5);
    x = std::max(x0, x);

    int y = 0;
    if (FLayout == tlTop)
        y = addY(2);
    else if (FLayout == tlCenter)
        y = int(height() * 0.5 - c * H * 0.5 + s * W * 0.5);
    else
        y = addY(height() - (extent.height() + 2));
    return {x, y};
}

void TVrLabel::DrawRotatedText(QPainter& canvas, int x, int y, uint16_t angle, const QColor& colour, const QString& text)
{
    canvas.save();
    canvas.translate(x, y);
    canvas.rotate(-double(angle));
    canvas.setPen(colour);
    canvas.setBrush(Qt::NoBrush);
    const QFontMetricsF metrics(canvas.font());
    qreal baseline = metrics.ascent();
    for (const QString& line : captionLines(text)) {
        canvas.drawText(QPointF(0, baseline), line);
        baseline += metrics.lineSpacing();
    }
    canvas.restore();
}

void TVrLabel::DrawRaisedText(QPainter& canvas, int x, int y, uint16_t angle, const QColor& first, const QColor& second,
                              const QColor& fontColour, const QString& text)
{
    DrawRotatedText(canvas, x + 1, y + 1, angle, first, text);
    DrawRotatedText(canvas, x - 1, y - 1, angle, second, text);
    DrawRotatedText(canvas, x, y, angle, fontColour, text);
}

void TVrLabel::DrawShadowText(QPainter& canvas, int x, int y, uint16_t angle, int dx, int dy, const QColor& colour,
                              const QColor& fontColour, const QString& text)
{
    DrawRotatedText(canvas, x + dx, y + dy, angle, colour, text);
    DrawRotatedText(canvas, x, y, angle, fontColour, text);
}

void TVrLabel::DrawTexturedText(QPainter& canvas, const QRect& area, int x, int y, uint16_t angle, const QImage& picture,
                                const QString& text)
{
    // Inside the glyphs the picture (stretched over the area) shows; outside
    // the canvas stays as it is.
    QPainterPath glyphs;
    const QFontMetricsF metrics(canvas.font());
    qreal baseline = metrics.ascent();
    for (const QString& line : captionLines(text)) {
        glyphs.addText(QPointF(0, baseline), canvas.font(), line);
        baseline += metrics.lineSpacing();
    }
    QTransform turn;
    turn.translate(x, y);
    turn.rotate(-double(angle));
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setClipRect(area, Qt::IntersectClip);
    canvas.setClipPath(turn.map(glyphs), Qt::IntersectClip);
    canvas.drawImage(area, picture);
    canvas.restore();
}

void TVrLabel::AdjustBounds()
{
    MeasureText();
    if (FAutoSize) {
        const QSize extent = RotatedExtent() + QSize(4, 4);
        if (size() != extent)
            resize(extent);
    }
}

void TVrLabel::Paint()
{
    AdjustBounds();
    PrepareImage();
    {
        QPainter canvas(&FImage);
        canvas.setFont(font());
        const QPoint origin = TextOrigin();
        switch (FStyle) {
        case lsNone: DrawRotatedText(canvas, origin.x(), origin.y(), FAngle, FFontColor, FCaption); break;
        case lsRaised:
            DrawRaisedText(canvas, origin.x(), origin.y(), FAngle, FColorShadow, FColorHighlight, FFontColor, FCaption);
            break;
        case lsLowered:
            DrawRaisedText(canvas, origin.x(), origin.y(), FAngle, FColorHighlight, FColorShadow, FFontColor, FCaption);
            break;
        case lsShadow:
            DrawShadowText(canvas, origin.x(), origin.y(), FAngle, FShadowDepth, FShadowDepth, FColorShadow, FFontColor,
                           FCaption);
            break;
        }
        if (!FBitmap.isNull())
            DrawTexturedText(canvas, rect(), origin.x(), origin.y(), FAngle, FBitmap, FCaption);
    }
    PresentImage();
}
