#include "fileblind.h"

#include "artnames.h"
#include "filenavigator.h"
#include "lumotransimage.h"

#include <QMouseEvent>
#include <QWindow>

namespace {
constexpr int kDesignWidth = 104;
constexpr int kDesignHeight = 192;
constexpr int kHandleWidth = 20;
constexpr int kHandleHeight = 150;
} // namespace

TFileBlind::TFileBlind(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setWindowTitle(tr("Files handle"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::SplitHCursor);
    resize(kDesignWidth, kDesignHeight);

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
    setGeometry(x(), -100, kHandleWidth, kHandleHeight);
    hide();
}

void TFileBlind::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Hang on the main window, so the window manager keeps us above it.
    QWidget* main = FNavigator ? FNavigator->Host().mainWindow : nullptr;
    if (!parentWidget() && main && main->windowHandle() && windowHandle())
        windowHandle()->setTransientParent(main->windowHandle());
}

void TFileBlind::mousePressEvent(QMouseEvent* event)
{
    FormMouseDown(event);
}

void TFileBlind::FormMouseDown(QMouseEvent* event)
{
    if (!FNavigator || FDragging)
        return;
    if (StartSystemResize())
        return;
    FRightEdge = FNavigator->x() + FNavigator->width();
    FGrabOffset = qRound(event->globalPosition().x()) - x();
    FDragging = true;
}

bool TFileBlind::StartSystemResize()
{
    // A closed navigator is not mapped, and the window manager cannot size
    // a window it does not show.
    if (!FNavigator->isVisible())
        return false;
    QWindow* window = FNavigator->windowHandle();
    return window && window->startSystemResize(Qt::LeftEdge);
}

void TFileBlind::mouseMoveEvent(QMouseEvent* event)
{
    if (FDragging)
        DragTo(qRound(event->globalPosition().x()));
}

void TFileBlind::mouseReleaseEvent(QMouseEvent* event)
{
    if (!FDragging)
        return;
    DragTo(qRound(event->globalPosition().x()));
    // The drag ends when the last button is let go.
    if (event->buttons() == Qt::NoButton)
        FDragging = false;
}

void TFileBlind::DragTo(int globalX)
{
    // The handle's right side is the navigator's left edge.
    const int left = globalX - FGrabOffset + width();
    const int newWidth = std::max(1, FRightEdge - left);
    if (newWidth == FNavigator->width() && FRightEdge == FNavigator->x() + FNavigator->width())
        return;
    FNavigator->SetBounds(FRightEdge - newWidth, FNavigator->y(), newWidth, FNavigator->height());
}
