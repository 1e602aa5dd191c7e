#include "rxslider.h"

#include "artnames.h"
#include "transparentdraw.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include <algorithm>

namespace {

// n / d rounded half to even, for d > 0.
int64_t roundDiv(int64_t n, int64_t d)
{
    int64_t q = n / d;
    int64_t r = n % d;
    if (r < 0) {
        r += d;
        --q;
    }
    if (2 * r > d || (2 * r == d && (q & 1) != 0))
        ++q;
    return q;
}

QImage transposed(const QImage& image)
{
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    QImage out(src.height(), src.width(), QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            out.setPixel(y, x, src.pixel(x, y));
    return out;
}

// Builds a ruler `width` long from a picture: its first and last `edge`
// columns stay at the ends, the middle repeats.
QImage tileRuler(const QImage& picture, int width, int edge)
{
    const QImage pic = picture.convertToFormat(QImage::Format_RGB32);
    if (width <= 0 || pic.isNull())
        return {};
    QImage ruler(width, pic.height(), QImage::Format_RGB32);
    // Columns no copy reaches are transparent like the picture's key.
    ruler.fill(pic.pixel(0, pic.height() - 1));
    const int P = pic.width();
    const int E = std::clamp(edge, 0, (P - 1) / 2);
    const int T = P - 2 * E;
    const int A = width - 2 * E;
    const int n = A > 0 ? A / T : 0;
    const int r = A > 0 ? A % T : 0;
    QPainter p(&ruler);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    auto copy = [&](int srcLeft, int srcRight, int dstLeft) {
        p.drawImage(QPoint(dstLeft, 0), pic, QRect(srcLeft, 0, srcRight - srcLeft, pic.height()));
    };
    copy(0, P - E, 0);
    for (int i = 1; i <= n - 1; ++i)
        copy(E, E + T, E + i * T);
    if (n >= 1)
        copy(E + T - r, P, E + n * T);
    return ruler;
}

} // namespace

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

QCursor TRxCustomSlider::HandCursor()
{
    artnames::initArtResources();
    const QPixmap pixmap(artnames::path(artnames::kHandCursor));
    if (pixmap.isNull())
        return QCursor(Qt::PointingHandCursor);
    return QCursor(pixmap, artnames::kHandCursorHotX, artnames::kHandCursorHotY);
}

QCursor TRxCustomSlider::DragCursor()
{
    artnames::initArtResources();
    const QPixmap pixmap(artnames::path(artnames::kDragCursor));
    if (pixmap.isNull())
        return QCursor(Qt::ClosedHandCursor);
    return QCursor(pixmap, artnames::kDragCursorHotX, artnames::kDragCursorHotY);
}

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
    return Horizontal() ? FRuler.width() - ThumbSize().width() : FRuler.height() - ThumbSize().height();
}

void TRxCustomSlider::BuildRuler()
{
    const QRect R = InnerRect();
    if (Horizontal()) {
        FRuler = tileRuler(RulerImage(), std::max(R.width(), 0), FEdgeSize);
    } else {
        const QImage strip = tileRuler(transposed(RulerImage()), std::max(R.height(), 0), FEdgeSize);
        FRuler = strip.isNull() ? QImage() : transposed(strip);
    }
}

void TRxCustomSlider::Rebuild()
{
    if (FLoading)
        return;
    BuildRuler();
    const QRect R = InnerRect();
    const QSize thumb = ThumbSize();
    QPoint thumbPos;
    if (Horizontal()) {
        if (FRuler.height() < thumb.height()) {
            thumbPos = R.topLeft();
            FRulerPos = QPoint(R.left(), R.top() + (thumb.height() - FRuler.height()) / 2);
        } else {
            FRulerPos = R.topLeft();
            thumbPos = QPoint(R.left(), R.top() + (FRuler.height() - thumb.height()) / 2);
        }
    } else {
        if (FRuler.width() < thumb.width()) {
            thumbPos = R.topLeft();
            FRulerPos = QPoint(R.left() + (thumb.width() - FRuler.width()) / 2, R.top());
        } else {
            FRulerPos = R.topLeft();
            thumbPos = QPoint(R.left() + (FRuler.width() - thumb.width()) / 2, R.top());
        }
    }
    FThumbRect = QRect(thumbPos, thumb);
    SetValue(FValue);
    update();
}

int TRxCustomSlider::ValueToPixel(int32_t value) const
{
    const QRect R = InnerRect();
    const int S = std::max(Span(), 0);
    const int64_t range = int64_t(FMaxValue) - FMinValue;
    const int64_t offset = range > 0 ? roundDiv((int64_t(value) - FMinValue) * S, range) : 0;
    if (Horizontal())
        return int(std::max<int64_t>(R.left() + offset, R.left()));
    // Upright: larger values towards the top.
    return int(std::clamp<int64_t>(R.top() + S - offset, R.top(), R.top() + S));
}

int32_t TRxCustomSlider::PixelToValue(int pixel) const
{
    const QRect R = InnerRect();
    const int S = Span();
    if (S <= 0)
        return FMinValue;
    const int64_t range = int64_t(FMaxValue) - FMinValue;
    const int64_t along = Horizontal() ? pixel - R.left() : R.top() + S - pixel;
    const int64_t q = roundDiv(along * range, S);
    const int64_t k = FOptions.testFlag(soSmooth) ? q : int64_t(FIncrement) * roundDiv(q, std::max(FIncrement, 1));
    return int32_t(std::min<int64_t>(FMinValue + std::max<int64_t>(k, 0), FMaxValue));
}

int TRxCustomSlider::ThumbPixel() const
{
    return Horizontal() ? FThumbRect.left() : FThumbRect.top();
}

void TRxCustomSlider::MoveThumbTo(int pixel, bool fromUser)
{
    const QRect R = InnerRect();
    const int lo = Horizontal() ? R.left() : R.top();
    const int hi = lo + std::max(Span(), 0);
    pixel = std::clamp(pixel, lo, hi);
    pixel = std::clamp(ValueToPixel(PixelToValue(pixel)), lo, hi);
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
    const int64_t range = int64_t(FMaxValue) - FMinValue;
    const int64_t steps = range / std::max(FIncrement, 1);
    const int S = std::max(Span(), 0);
    const QSize thumb = ThumbSize();
    const QRect R = InnerRect();
    canvas.setPen(palette().color(QPalette::Mid));
    auto tick = [&](int32_t v) {
        const int at = ValueToPixel(v);
        if (Horizontal())
            canvas.drawLine(at + thumb.width() / 2, R.bottom() - 2, at + thumb.width() / 2, R.bottom());
        else
            canvas.drawLine(R.right() - 2, at + thumb.height() / 2, R.right(), at + thumb.height() / 2);
    };
    if (steps > 0 && steps <= S / 3) {
        for (int64_t i = 0; i <= steps; ++i)
            tick(int32_t(FMinValue + i * FIncrement));
    }
    tick(FMinValue);
    tick(FMaxValue);
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

TRxCustomSlider::TPageDirection TRxCustomSlider::DirectionAt(const QPoint& point) const
{
    if (Horizontal()) {
        if (point.x() < FThumbRect.left())
            return pdDown;
        if (point.x() > FThumbRect.right())
            return pdUp;
    } else {
        if (point.y() < FThumbRect.top())
            return pdUp;
        if (point.y() > FThumbRect.bottom())
            return pdDown;
    }
    return pdNone;
}

int32_t TRxCustomSlider::SteppedValue(TPageDirection direction) const
{
    const int64_t step = std::max(FIncrement, 1);
    const int64_t base = step * roundDiv(FValue, step);
    const int64_t next = direction == pdUp ? base + step : direction == pdDown ? base - step : FValue;
    return int32_t(std::clamp<int64_t>(next, FMinValue, FMaxValue));
}

void TRxCustomSlider::PageStep()
{
    if (FPageDirection != pdNone && DirectionAt(FPagePoint) == FPageDirection) {
        const int32_t next = SteppedValue(FPageDirection);
        if (next != FValue)
            SetValue(next);
    }
    if (!FPageTimerOn) {
        if (!FPageTimer) {
            FPageTimer = new QTimer(this);
            FPageTimer->setInterval(200);
            connect(FPageTimer, &QTimer::timeout, this, &TRxCustomSlider::PageStep);
        }
        FPageTimer->start();
        FPageTimerOn = true;
    }
}

void TRxCustomSlider::StopPaging()
{
    if (FPageTimer)
        FPageTimer->stop();
    FPageTimerOn = false;
    FPaging = false;
    if (OnChanged)
        OnChanged();
}

void TRxCustomSlider::mousePressEvent(QMouseEvent* event)
{
    MouseDown(event, false);
}

void TRxCustomSlider::mouseDoubleClickEvent(QMouseEvent* event)
{
    MouseDown(event, true);
}

void TRxCustomSlider::MouseDown(QMouseEvent* event, bool second)
{
    const QPoint pos = event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(event->button(), event->modifiers(), pos.x(), pos.y());
    if (event->button() != Qt::LeftButton || second)
        return;
    if (focusPolicy() != Qt::NoFocus && isEnabled())
        setFocus(Qt::MouseFocusReason);
    QRect rulerArea(FRulerPos, FRuler.size());
    rulerArea = Horizontal() ? rulerArea.adjusted(0, -3, 0, 3) : rulerArea.adjusted(-3, 0, 3, 0);
    if (FThumbRect.contains(pos)) {
        FSliding = true;
        FThumbDown = true;
        FHitOffset = Horizontal() ? pos.x() - FThumbRect.left() : pos.y() - FThumbRect.top();
        repaint(FThumbRect);
        UpdateCursor(pos);
    } else if (rulerArea.contains(pos)) {
        FPaging = true;
        FPagePoint = pos;
        FPageDirection = DirectionAt(pos);
        PageStep();
    }
}

void TRxCustomSlider::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if ((event->buttons() & Qt::LeftButton) && FSliding)
        MoveThumbTo((Horizontal() ? pos.x() : pos.y()) - FHitOffset, true);
    else if (FPaging)
        FPagePoint = pos;
    UpdateCursor(pos);
    if (OnMouseMove)
        OnMouseMove(event->modifiers(), pos.x(), pos.y());
}

void TRxCustomSlider::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (FPaging)
        StopPaging();
    if (FSliding && event->button() == Qt::LeftButton) {
        FSliding = false;
        FThumbDown = false;
        repaint(FThumbRect);
        if (OnChanged)
            OnChanged();
    }
    UpdateCursor(pos);
    if (OnMouseUp)
        OnMouseUp(event->button(), event->modifiers(), pos.x(), pos.y());
}

void TRxCustomSlider::UpdateCursor(const QPoint& point)
{
    enum Shape { Arrow, Hand, Drag };
    const Shape shape = FSliding ? Drag : FThumbRect.contains(point) ? Hand : Arrow;
    if (shape == FCursorShape)
        return;
    FCursorShape = shape;
    setCursor(shape == Drag ? DragCursor() : shape == Hand ? HandCursor() : QCursor(Qt::ArrowCursor));
}

void TRxCustomSlider::keyPressEvent(QKeyEvent* event)
{
    int key = event->key();
    const Qt::KeyboardModifiers shift = event->modifiers();
    if (!(shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
        bool handled = true;
        switch (key) {
        case Qt::Key_Home: SetValue(FMinValue); break;
        case Qt::Key_End: SetValue(FMaxValue); break;
        case Qt::Key_Left:
            if (Horizontal())
                SetValue(SteppedValue(pdDown));
            else
                handled = false;
            break;
        case Qt::Key_Right:
            if (Horizontal())
                SetValue(SteppedValue(pdUp));
            else
                handled = false;
            break;
        case Qt::Key_Up:
            if (!Horizontal())
                SetValue(SteppedValue(pdUp));
            else
                handled = false;
            break;
        case Qt::Key_Down:
            if (!Horizontal())
                SetValue(SteppedValue(pdDown));
            else
                handled = false;
            break;
        default: handled = false; break;
        }
        if (handled) {
            key = 0;
            if (OnChanged)
                OnChanged();
        }
    }
    if (OnKeyDown)
        OnKeyDown(key, shift);
    if (key == 0)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void TRxCustomSlider::keyReleaseEvent(QKeyEvent* event)
{
    int key = event->key();
    if (OnKeyUp)
        OnKeyUp(key, event->modifiers());
    if (key == 0)
        event->accept();
    else
        QWidget::keyReleaseEvent(event);
}

void TRxCustomSlider::focusInEvent(QFocusEvent* event)
{
    FFocused = true;
    if (FOptions.testFlag(soShowFocus))
        update();
    QWidget::focusInEvent(event);
}

void TRxCustomSlider::focusOutEvent(QFocusEvent* event)
{
    FFocused = false;
    if (FOptions.testFlag(soShowFocus))
        update();
    QWidget::focusOutEvent(event);
}

void TRxCustomSlider::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled() && (FSliding || FPaging)) {
            // A disabled slider gets no release: end the action here.
            if (FPaging)
                StopPaging();
            if (FSliding) {
                FSliding = false;
                FThumbDown = false;
                if (OnChanged)
                    OnChanged();
            }
        }
        update(FThumbRect);
    }
    QWidget::changeEvent(event);
}
