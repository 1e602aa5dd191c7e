#include "fileblind.h"

#include "artnames.h"
#include "filenavigator.h"
#include "lumotransimage.h"

#include <QMouseEvent>
#include <QWindow>

namespace {
constexpr int DesignWidth = 104;
constexpr int DesignHeight = 192;
constexpr int HandleWidth = 20;
constexpr int HandleHeight = 150;
} // namespace

TFileBlind::TFileBlind(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setWindowTitle(tr("Files handle"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::SplitHCursor);
    resize(DesignWidth, DesignHeight);

    // Disabled, so presses on the picture fall through to this window.
    LumoTransImage1 = new TLumoTransImage(this);
    LumoTransImage1->SetAdjustFormSize(false);
    LumoTransImage1->SetAutoSize(true);
    LumoTransImage1->SetPicture(QPixmap(artnames::path(artnames::kNavigatorHandle)));
    LumoTransImage1->setEnabled(false);

    FormCreate();
}

void TFileBlind::FormCreate()
{
    setGeometry(x(), -100, HandleWidth, HandleHeight);
    hide();
}

void TFileBlind::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Hang on the main window, so the window manager keeps us above it.
    QWidget* main = navigator_ ? navigator_->host().mainWindow : nullptr;
    if (!parentWidget() && main && main->windowHandle() && windowHandle())
        windowHandle()->setTransientParent(main->windowHandle());
}

void TFileBlind::mousePressEvent(QMouseEvent* event)
{
    FormMouseDown(event);
}

void TFileBlind::FormMouseDown(QMouseEvent* event)
{
    if (!navigator_ || dragging_)
        return;
    if (startSystemResize())
        return;
    rightEdge_ = navigator_->x() + navigator_->width();
    grabOffset_ = qRound(event->globalPosition().x()) - x();
    dragging_ = true;
}

bool TFileBlind::startSystemResize()
{
    // A closed navigator is not mapped, and the window manager cannot size
    // a window it does not show.
    if (!navigator_->isVisible())
        return false;
    QWindow* window = navigator_->windowHandle();
    return window && window->startSystemResize(Qt::LeftEdge);
}

void TFileBlind::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_)
        dragTo(qRound(event->globalPosition().x()));
}

void TFileBlind::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    dragTo(qRound(event->globalPosition().x()));
    // The drag ends when the last button is let go.
    if (event->buttons() == Qt::NoButton)
        dragging_ = false;
}

void TFileBlind::dragTo(int globalX)
{
    // The handle's right side is the navigator's left edge.
    const int left = globalX - grabOffset_ + width();
    const int newWidth = std::max(1, rightEdge_ - left);
    if (newWidth == navigator_->width() && rightEdge_ == navigator_->x() + navigator_->width())
        return;
    navigator_->setBounds(rightEdge_ - newWidth, navigator_->y(), newWidth, navigator_->height());
}
