#include "gtabbutton.h"

#include "transparentdraw.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

// Screen readers see a push button, latched when a group's button is
// down, that they can press while it is enabled.
class TGTabButtonAccessible : public QAccessibleWidget {
public:
    explicit TGTabButtonAccessible(TGTabButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const TGTabButton* button = this->button();
        if (button->GroupIndex() != 0) {
            state.checkable = true;
            state.checked = button->Down();
        }
        state.pressed = button->State() == TGTabButton::StatePressed;
        return state;
    }
    QStringList actionNames() const override
    {
        return button()->isEnabled() ? QStringList{pressAction()} : QStringList{};
    }
    void doAction(const QString& action) override
    {
        if (action == pressAction() && button()->isEnabled())
            button()->Click();
    }

private:
    TGTabButton* button() const { return static_cast<TGTabButton*>(widget()); }
};

QAccessibleInterface* accessibleButton(const QString& className, QObject* object)
{
    if (className == QLatin1String("TGTabButton") && object && object->isWidgetType())
        return new TGTabButtonAccessible(static_cast<TGTabButton*>(object));
    return nullptr;
}

} // namespace

TGTabButton::TGTabButton(QWidget* parent)
    : QWidget(parent)
{
    static const bool accessible = (QAccessible::installFactory(accessibleButton), true);
    (void)accessible;
    // It covers its whole rectangle and composes every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    resize(80, 30);
}

TGTabButton::~TGTabButton() = default;

void TGTabButton::SetBitmapUp(const QImage& bitmap)
{
    if (&bitmap == &FBitmapUp)
        return;
    FBitmapUp = bitmap.copy();
    update();
}

void TGTabButton::SetBitmapDown(const QImage& bitmap)
{
    if (&bitmap == &FBitmapDown)
        return;
    FBitmapDown = bitmap.copy();
    update();
}

void TGTabButton::SetBitmapHigh(const QImage& bitmap)
{
    if (&bitmap == &FBitmapHigh)
        return;
    FBitmapHigh = bitmap.copy();
    update();
}

void TGTabButton::SetTransparentColor(TColor color)
{
    if (color == FTransparentColor)
        return;
    FTransparentColor = color;
    update();
}

void TGTabButton::SetAllowAllUp(bool value)
{
    if (value == FAllowAllUp)
        return;
    FAllowAllUp = value;
    BroadcastButtonPressed();
}

void TGTabButton::SetGroupIndex(int32_t value)
{
    if (value == FGroupIndex)
        return;
    FGroupIndex = value;
    BroadcastButtonPressed();
}

void TGTabButton::SetDown(bool value)
{
    if (FGroupIndex == 0)
        value = false;
    if (value == FDown)
        return;
    // A latched group button is released only by another member going down.
    if (FDown && !FAllowAllUp)
        return;
    FDown = value;
    if (value) {
        const uint8_t before = FState;
        FState = StateLatched;
        if (before == StateUp)
            Refresh();
        BroadcastButtonPressed();
    } else {
        FState = StateUp;
        Refresh();
    }
}

void TGTabButton::Click()
{
    if (OnClick)
        OnClick();
}

void TGTabButton::DblClick()
{
    if (OnClick)
        OnClick();
}

void TGTabButton::Refresh()
{
    // Once the snapshot exists the button can paint at once; before, the
    // parent must paint first.
    if (FBackgroundTaken)
        repaint();
    else
        update();
}

const QImage& TGTabButton::CurrentBitmap() const
{
    if (FState == StatePressed || FState == StateLatched)
        return FBitmapDown;
    return FHighlighted ? FBitmapHigh : FBitmapUp;
}

void TGTabButton::TakeSnapshot()
{
    FBackground = QImage(size(), QImage::Format_RGB32);
    FBackground.fill(Qt::black);
    if (QWidget* parent = parentWidget()) {
        // What the parent paints under the button, without its other children.
        FTakingSnapshot = true;
        parent->render(&FBackground, QPoint(0, 0), QRegion(geometry()), QWidget::DrawWindowBackground);
        FTakingSnapshot = false;
    }
    FBackgroundTaken = true;
}

void TGTabButton::paintEvent(QPaintEvent*)
{
    if (FTakingSnapshot)
        return;
    QImage work(size(), QImage::Format_RGB32);
    const bool special = FTransparentColor == clNone || FTransparentColor == clDefault;
    work.fill(special ? qRgb(0, 0, 0) : ColorToRGB(FTransparentColor));
    if (!FBackgroundTaken)
        TakeSnapshot();
    {
        QPainter p(&work);
        p.drawImage(0, 0, FBackground);
    }
    DrawBitmapTransparent(work, 0, 0, CurrentBitmap(), FTransparentColor);
    QPainter p(this);
    p.drawImage(0, 0, work);
}

bool TGTabButton::InsideClient(int x, int y) const
{
    return x >= 0 && x < width() && y >= 0 && y < height();
}

void TGTabButton::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        FClicked = true;
    if (OnMouseDown)
        OnMouseDown(event->button(), event->modifiers(), pos.x(), pos.y());
    MouseDown(event->button(), pos.x(), pos.y());
}

void TGTabButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double click is one more click, at the press;
    // its release clicks no more.
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        DblClick();
    if (OnMouseDown)
        OnMouseDown(event->button(), event->modifiers(), pos.x(), pos.y());
    MouseDown(event->button(), pos.x(), pos.y());
}

void TGTabButton::MouseDown(Qt::MouseButton button, int, int)
{
    if (button != Qt::LeftButton || !isEnabled())
        return;
    if (!FDown) {
        FState = StatePressed;
        Refresh();
    }
    FTracking = true;
    if (FStyle.testFlag(rfAllowTimer)) {
        if (!FRepeatTimer) {
            FRepeatTimer = new QTimer(this);
            connect(FRepeatTimer, &QTimer::timeout, this, &TGTabButton::RepeatStep);
        }
        FRepeatTimer->setInterval(FInitialDelay);
        FRepeatTimer->start();
    }
}

void TGTabButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(event->modifiers(), pos.x(), pos.y());
    if (FTracking) {
        const uint8_t state = FDown ? StateLatched : InsideClient(pos.x(), pos.y()) ? StatePressed : StateUp;
        if (state != FState) {
            FState = state;
            Refresh();
        }
    } else if (!FMouseInControl) {
        HoverRecheck(pos);
    }
}

void TGTabButton::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    const bool inside = InsideClient(pos.x(), pos.y());
    if (event->button() == Qt::LeftButton && FClicked) {
        FClicked = false;
        if (inside)
            Click();
    }
    if (OnMouseUp)
        OnMouseUp(event->button(), event->modifiers(), pos.x(), pos.y());

    if (FRepeatTimer)
        FRepeatTimer->stop();
    if (!FTracking)
        return;
    FTracking = false;
    if (FGroupIndex == 0) {
        FState = StateUp;
        FHighlighted = false;
        FMouseInControl = false;
        if (inside)
            Refresh();
    } else if (inside) {
        SetDown(!FDown);
        if (FDown)
            Refresh();
    } else {
        if (FDown)
            FState = StateLatched;
        Refresh();
    }
    HoverRecheck(pos);
}

void TGTabButton::RepeatStep()
{
    if (FRepeatTimer)
        FRepeatTimer->setInterval(FDelay);
    if (FState == StatePressed && FMouseInControl) {
        try {
            Click();
        } catch (...) {
            if (FRepeatTimer)
                FRepeatTimer->stop();
            throw;
        }
    }
}

void TGTabButton::enterEvent(QEnterEvent*)
{
    PointerEnters();
}

void TGTabButton::leaveEvent(QEvent*)
{
    PointerLeaves();
}

void TGTabButton::PointerEnters()
{
    if (!isEnabled())
        return;
    FHighlighted = true;
    FMouseInControl = true;
    Refresh();
    BroadcastGroupRepaint();
}

void TGTabButton::PointerLeaves()
{
    if (FState == StatePressed && FGroupIndex == 0)
        FState = StateUp;
    FHighlighted = false;
    FMouseInControl = false;
    Refresh();
    BroadcastGroupRepaint();
}

void TGTabButton::HoverRecheck(const QPoint& local)
{
    if (!isEnabled())
        return;
    QWidget* top = window();
    // Disabled controls count: they hide the button as much as enabled ones.
    QWidget* under = top == this ? this : top->childAt(mapTo(top, local));
    FMouseInControl = under == this;
    if (FMouseInControl)
        PointerEnters();
    else
        PointerLeaves();
}

void TGTabButton::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            // A button disabled while held or hovered must not stay pressed,
            // lit or repeating: it is drawn as an idle enabled one would be.
            if (FRepeatTimer)
                FRepeatTimer->stop();
            FTracking = false;
            FClicked = false;
            if (FState == StatePressed)
                FState = StateUp;
            FHighlighted = false;
            FMouseInControl = false;
        }
        repaint();
        break;
    case QEvent::PaletteChange:
    case QEvent::FontChange:
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TGTabButton::BroadcastButtonPressed()
{
    QWidget* parent = parentWidget();
    if (FGroupIndex == 0 || !parent)
        return;
    const auto buttons = parent->findChildren<TGTabButton*>(Qt::FindDirectChildrenOnly);
    for (TGTabButton* button : buttons)
        button->ButtonPressedReceived(FGroupIndex, this);
}

void TGTabButton::BroadcastGroupRepaint()
{
    QWidget* parent = parentWidget();
    if (FGroupIndex == 0 || !parent)
        return;
    const auto buttons = parent->findChildren<TGTabButton*>(Qt::FindDirectChildrenOnly);
    for (TGTabButton* button : buttons)
        button->GroupRepaintReceived(FGroupIndex, this);
}

void TGTabButton::ButtonPressedReceived(int32_t groupIndex, TGTabButton* sender)
{
    if (groupIndex != FGroupIndex || sender == this)
        return;
    if (sender->FDown && FDown) {
        FDown = false;
        FState = StateUp;
    }
    Refresh();
    FAllowAllUp = sender->FAllowAllUp;
}

void TGTabButton::GroupRepaintReceived(int32_t groupIndex, TGTabButton*)
{
    if (groupIndex == FGroupIndex)
        Refresh();
}
