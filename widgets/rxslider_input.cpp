// The slider's input: dragging the thumb, paging while the ruler is held,
// the keys, focus and the cursors.
#include "rxslider.h"

#include "artnames.h"
#include "rxslider_geometry.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

namespace {

// The arrow keys step along the slider's own direction only: left and
// right across, up and down upright.
TRxCustomSlider::TPageDirection arrowDirection(int key, bool horizontal)
{
    switch (key) {
    case Qt::Key_Left: return horizontal ? TRxCustomSlider::pdDown : TRxCustomSlider::pdNone;
    case Qt::Key_Right: return horizontal ? TRxCustomSlider::pdUp : TRxCustomSlider::pdNone;
    case Qt::Key_Up: return horizontal ? TRxCustomSlider::pdNone : TRxCustomSlider::pdUp;
    case Qt::Key_Down: return horizontal ? TRxCustomSlider::pdNone : TRxCustomSlider::pdDown;
    default: return TRxCustomSlider::pdNone;
    }
}

// A cursor from the artwork, or the system's like one if it is missing.
QCursor artCursor(const char* name, int hotX, int hotY, Qt::CursorShape fallback)
{
    artnames::initArtResources();
    const QPixmap pixmap(artnames::path(name));
    return pixmap.isNull() ? QCursor(fallback) : QCursor(pixmap, hotX, hotY);
}

} // namespace

QCursor TRxCustomSlider::HandCursor()
{
    return artCursor(artnames::kHandCursor, artnames::kHandCursorHotX, artnames::kHandCursorHotY,
                     Qt::PointingHandCursor);
}

QCursor TRxCustomSlider::DragCursor()
{
    return artCursor(artnames::kDragCursor, artnames::kDragCursorHotX, artnames::kDragCursorHotY, Qt::ClosedHandCursor);
}

TRxCustomSlider::TPageDirection TRxCustomSlider::DirectionAt(const QPoint& point) const
{
    const int sign = rxslider::pageSign(FThumbRect, point, Horizontal());
    return sign > 0 ? pdUp : sign < 0 ? pdDown : pdNone;
}

int32_t TRxCustomSlider::SteppedValue(TPageDirection direction) const
{
    const int sign = direction == pdUp ? 1 : direction == pdDown ? -1 : 0;
    return rxslider::steppedValue(FValue, FIncrement, FMinValue, FMaxValue, sign);
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
        const TPageDirection arrow = arrowDirection(key, Horizontal());
        bool handled = true;
        if (key == Qt::Key_Home)
            SetValue(FMinValue);
        else if (key == Qt::Key_End)
            SetValue(FMaxValue);
        else if (arrow != pdNone)
            SetValue(SteppedValue(arrow));
        else
            handled = false;
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
