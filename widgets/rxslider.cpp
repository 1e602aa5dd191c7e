// The slider's pictures, properties and painting; its input and paging are
// in rxslider_input.cpp, its arithmetic in rxslider_geometry.cpp.
#include "rxslider.h"

#include "artnames.h"
#include "rxslider_geometry.h"
#include "transparentdraw.h"

#include <QPainter>

#include <algorithm>

TRxCustomSlider::TRxCustomSlider(QWidget* parent)
    : QWidget(parent)
{
    // Every pixel is composed off screen; the background is never erased.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setCursor(Qt::ArrowCursor);
    LoadDefaultImages();
    resize(150, 40);
    Rebuild();
}

TRxCustomSlider::~TRxCustomSlider() = default;

void TRxCustomSlider::LoadDefaultImages()
{
    artnames::initArtResources();
    const char* names[4] = {artnames::kDefaultHThumb, artnames::kDefaultHRuler, artnames::kDefaultVThumb,
                            artnames::kDefaultVRuler};
    for (int i = 0; i < 4; ++i)
        if (!(FUserImages & (1 << i)))
            FImages[i] = QImage(artnames::path(names[i]));
}

void TRxCustomSlider::SetImage(int index, const QImage& image)
{
    FImages[index] = image.copy();
    FUserImages |= uint8_t(1 << index);
    Rebuild();
}

QRect TRxCustomSlider::InnerRect() const
{
    const QRect client = rect();
    return FBevelStyle == bvNone ? client : client.adjusted(1, 1, -1, -1);
}

QSize TRxCustomSlider::ThumbSize() const
{
    const QImage& thumb = ThumbImage();
    return QSize(thumb.width() / std::max(FNumThumbStates, 1), thumb.height());
}

int TRxCustomSlider::Span() const
{
    return rxslider::thumbTravel(FRuler.size(), ThumbSize(), Horizontal());
}

rxslider::Track TRxCustomSlider::TrackGeometry() const
{
    return {InnerRect(), Span(), FMinValue, FMaxValue, Horizontal()};
}

void TRxCustomSlider::BuildRuler()
{
    const QRect R = InnerRect();
    FRuler = rxslider::buildRuler(RulerImage(), Horizontal() ? R.width() : R.height(), FEdgeSize, Horizontal());
}

void TRxCustomSlider::Rebuild()
{
    if (FLoading)
        return;
    BuildRuler();
    const QSize thumb = ThumbSize();
    const rxslider::Placement place = rxslider::placeRulerAndThumb(InnerRect(), FRuler.size(), thumb, Horizontal());
    FRulerPos = place.ruler;
    FThumbRect = QRect(place.thumb, thumb);
    SetValue(FValue);
    update();
}

int TRxCustomSlider::ValueToPixel(int32_t value) const
{
    return rxslider::valueToPixel(TrackGeometry(), value);
}

int32_t TRxCustomSlider::PixelToValue(int pixel) const
{
    return rxslider::pixelToValue(TrackGeometry(), pixel, FIncrement, FOptions.testFlag(soSmooth));
}

int TRxCustomSlider::ThumbPixel() const
{
    return Horizontal() ? FThumbRect.left() : FThumbRect.top();
}

void TRxCustomSlider::MoveThumbTo(int pixel, bool fromUser)
{
    pixel = rxslider::restingPixel(TrackGeometry(), pixel, FIncrement, FOptions.testFlag(soSmooth));
    const QRect old = FThumbRect;
    if (Horizontal())
        FThumbRect.moveLeft(pixel);
    else
        FThumbRect.moveTop(pixel);
    if (FThumbRect != old) {
        update(old);
        update(FThumbRect);
    }
    if (fromUser && FSliding) {
        const int32_t value = PixelToValue(pixel);
        if (value != FValue) {
            FValue = value;
            if (OnChange)
                OnChange();
        }
    }
}

void TRxCustomSlider::SetValue(int32_t value)
{
    if (FLoading) {
        FValue = value;
        return;
    }
    value = std::clamp(value, FMinValue, FMaxValue);
    const int32_t before = FValue;
    FValue = value;
    MoveThumbTo(ValueToPixel(value), false);
    if (value != before && OnChange)
        OnChange();
}

void TRxCustomSlider::SetRange(int32_t minValue, int32_t maxValue)
{
    if (minValue >= maxValue && !FLoading)
        return;
    if (minValue == FMinValue && maxValue == FMaxValue)
        return;
    FMinValue = minValue;
    FMaxValue = maxValue;
    if (FLoading)
        return;
    if (int64_t(FMaxValue) < int64_t(FMinValue) + FIncrement)
        FIncrement = int32_t(std::min<int64_t>(int64_t(FMaxValue) - FMinValue, INT32_MAX));
    if (FOptions.testFlag(soShowPoints))
        update();
    SetValue(FValue);
}

void TRxCustomSlider::SetMinValue(int32_t value)
{
    SetRange(value, FMaxValue);
}

void TRxCustomSlider::SetMaxValue(int32_t value)
{
    SetRange(FMinValue, value);
}

void TRxCustomSlider::SetIncrement(int32_t value)
{
    const int64_t range = int64_t(FMaxValue) - FMinValue;
    if (!FLoading && (value < 1 || value > range))
        throw ESliderError(QString::asprintf("Value must be between %d and %lld", 1, static_cast<long long>(range))
                               .toStdString());
    if (value == FIncrement)
        return;
    FIncrement = value;
    if (FLoading)
        return;
    SetValue(FValue);
    update();
}

void TRxCustomSlider::SetNumThumbStates(int value)
{
    if (value < 1 || value > 2 || value == FNumThumbStates)
        return;
    FNumThumbStates = value;
    Rebuild();
}

void TRxCustomSlider::SetOrientation(TSliderOrientation value)
{
    if (value == FOrientation)
        return;
    FOrientation = value;
    Rebuild();
}

void TRxCustomSlider::SetEdgeSize(int32_t value)
{
    const QImage& ruler = RulerImage();
    const int length = Horizontal() ? ruler.width() : ruler.height();
    if (value < 0 || int64_t(value) * 2 >= length || value == FEdgeSize)
        return;
    FEdgeSize = value;
    Rebuild();
}

void TRxCustomSlider::SetBevelStyle(TSliderBevelStyle style)
{
    if (style == FBevelStyle)
        return;
    FBevelStyle = style;
    Rebuild();
}

void TRxCustomSlider::SetOptions(TSliderOptions value)
{
    if (value == FOptions)
        return;
    FOptions = value;
    SetValue(FValue);
    update();
}

QRgb TRxCustomSlider::Color() const
{
    if (FParentColor && parentWidget())
        return parentWidget()->palette().color(parentWidget()->backgroundRole()).rgb();
    return ColorToRGB(FColor);
}

void TRxCustomSlider::SetColor(TColor color)
{
    FParentColor = false;
    if (color == FColor)
        return;
    FColor = color;
    update();
}

void TRxCustomSlider::SetParentColor(bool value)
{
    if (value == FParentColor)
        return;
    FParentColor = value;
    update();
}

void TRxCustomSlider::EndLoading()
{
    FLoading = false;
    if (FMinValue >= FMaxValue)
        FMaxValue = FMinValue + 1;
    if (FIncrement < 1 || int64_t(FIncrement) > int64_t(FMaxValue) - FMinValue)
        FIncrement = int32_t(std::clamp<int64_t>(FIncrement, 1, int64_t(FMaxValue) - FMinValue));
    Rebuild();
}

void TRxCustomSlider::resizeEvent(QResizeEvent*)
{
    Rebuild();
}

void TRxCustomSlider::DrawPoints(QPainter& canvas)
{
    // A tick at each step, or only at the ends when steps would crowd.
    const QSize thumb = ThumbSize();
    const QRect R = InnerRect();
    canvas.setPen(palette().color(QPalette::Mid));
    for (int32_t value : rxslider::tickValues(FMinValue, FMaxValue, FIncrement, Span())) {
        const int at = ValueToPixel(value);
        if (Horizontal())
            canvas.drawLine(at + thumb.width() / 2, R.bottom() - 2, at + thumb.width() / 2, R.bottom());
        else
            canvas.drawLine(R.right() - 2, at + thumb.height() / 2, R.right(), at + thumb.height() / 2);
    }
}

void TRxCustomSlider::paintEvent(QPaintEvent*)
{
    QImage work(size(), QImage::Format_RGB32);
    const QRect R = InnerRect();
    {
        QPainter p(&work);
        if (FBevelStyle != bvNone) {
            const QColor shadow = palette().color(QPalette::Dark);
            const QColor light = palette().color(QPalette::Light);
            const QColor topLeft = FBevelStyle == bvLowered ? shadow : light;
            const QColor bottomRight = FBevelStyle == bvLowered ? light : shadow;
            const QRect c = rect();
            p.fillRect(QRect(c.left(), c.top(), c.width(), 1), topLeft);
            p.fillRect(QRect(c.left(), c.top(), 1, c.height()), topLeft);
            p.fillRect(QRect(c.left(), c.bottom(), c.width(), 1), bottomRight);
            p.fillRect(QRect(c.right(), c.top(), 1, c.height()), bottomRight);
        }
        p.fillRect(R, QColor(Color()));
    }
    if (!FRuler.isNull() && FRuler.width() > 0)
        DrawBitmapTransparent(work, FRulerPos.x(), FRulerPos.y(), FRuler,
                              FOptions.testFlag(soRulerOpaque) ? clNone : clDefault);
    {
        QPainter p(&work);
        if (FOptions.testFlag(soShowFocus) && FFocused) {
            p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
            p.drawRect(R.adjusted(2, 2, -3, -3));
        }
        if (FOptions.testFlag(soShowPoints)) {
            if (OnDrawPoints)
                OnDrawPoints(p);
            else
                DrawPoints(p);
        }
    }
    const QImage& thumb = ThumbImage();
    if (!thumb.isNull()) {
        QRect source = thumb.rect();
        if (FNumThumbStates == 2) {
            const int half = thumb.width() / 2;
            source = QRect((FThumbDown || !isEnabled()) ? half : 0, 0, half, thumb.height());
        }
        DrawBitmapRectTransparent(work, FThumbRect.left(), FThumbRect.top(), source, thumb,
                                  FOptions.testFlag(soThumbOpaque) ? clNone : clDefault);
    }
    QPainter p(this);
    p.drawImage(0, 0, work);
}
