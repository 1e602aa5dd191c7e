#include "statushandle.h"

#include "artnames.h"
#include "lumotransimage.h"
#include "statuspanel.h"

#include <QMouseEvent>
#include <QWindow>

TStatusHandle::TStatusHandle(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Status handle"));
    setCursor(Qt::SplitVCursor);
    resize(104, 16);
    LumoTransImage1 = new TLumoTransImage(this);
    LumoTransImage1->setObjectName(QStringLiteral("LumoTransImage1"));
    LumoTransImage1->SetAutoSize(true);
    LumoTransImage1->SetTransColor(QColor(0xff, 0x00, 0xff));
    LumoTransImage1->SetPicture(QPixmap(artnames::path(artnames::kStatusHandle)));
    LumoTransImage1->setEnabled(false);
    FormCreate();
}

void TStatusHandle::FormCreate()
{
    // Off screen above the desktop until the first layout places it.
    setGeometry(x(), -100, 107, 18);
    show();
}

void TStatusHandle::FormMouseDown(const QPoint& globalPos)
{
    if (!FStatusPanel)
        return;
    FStatusPanel->winId(); // make sure the panel has its native window
    QWindow* window = FStatusPanel->windowHandle();
    if (window && window->startSystemResize(Qt::BottomEdge))
        return;
    FDragging = true;
    FDragStartY = globalPos.y();
    FDragStartHeight = FStatusPanel->height();
}

void TStatusHandle::mousePressEvent(QMouseEvent* event)
{
    FormMouseDown(event->globalPosition().toPoint());
    event->accept();
}

void TStatusHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!FDragging || !FStatusPanel)
        return;
    const int height = FDragStartHeight + event->globalPosition().toPoint().y() - FDragStartY;
    FStatusPanel->SetPanelHeight(height);
}

void TStatusHandle::mouseReleaseEvent(QMouseEvent* event)
{
    if (FDragging)
        mouseMoveEvent(event);
    FDragging = false;
}
