#include "vrgraphiccontrol.h"

#include "artnames.h"

#include <QMouseEvent>
#include <QPainter>

TVrGraphicControl::TVrGraphicControl(QWidget* parent)
    : QWidget(parent)
{
    artnames::initArtResources();
    // The widget covers its whole rectangle; nothing needs painting under it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TVrGraphicControl::RequestRepaint()
{
    if (FLoading)
        return;
    AdjustBounds();
    repaint();
}

void TVrGraphicControl::EndLoading()
{
    if (!FLoading)
        return;
    FLoading = false;
    Loaded();
    update();
}

void TVrGraphicControl::SetColor(const QColor& value)
{
    Assign(FColor, value);
}

void TVrGraphicControl::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
        OnClick(this);
}

TVrGraphicImageControl::TVrGraphicImageControl(QWidget* parent)
    : TVrGraphicControl(parent)
{
}

void TVrGraphicImageControl::paintEvent(QPaintEvent*)
{
    if (IsLoading())
        return;
    Paint();
}

void TVrGraphicImageControl::PrepareImage()
{
    if (FImage.size() != size())
        FImage = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    const QWidget* parent = parentWidget();
    const QColor fill = FTransparent && parent ? parent->palette().color(parent->backgroundRole()) : Color();
    FImage.fill(fill);
    if (FTransparent) {
        QPainter canvas(&FImage);
        CopyParentImage(canvas);
    }
}

void TVrGraphicImageControl::CopyParentImage(QPainter& canvas)
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QRect mine = geometry();

    // The parent's own background and painting, under this widget only.
    // (render() places the top-left of the source region at the offset.)
    const QRect fromParent = mine & parent->rect();
    if (!fromParent.isEmpty())
        parent->render(&canvas, fromParent.topLeft() - mine.topLeft(), QRegion(fromParent),
                       QWidget::DrawWindowBackground);

    // Then the siblings beneath this one, bottom first. Native windows are
    // not part of the parent's surface and are left out.
    for (QObject* object : parent->children()) {
        auto* sibling = qobject_cast<QWidget*>(object);
        if (!sibling)
            continue;
        if (sibling == this)
            break;
        if (sibling->isWindow() || sibling->testAttribute(Qt::WA_NativeWindow) || sibling->isHidden())
            continue;
        const QRect overlap = sibling->geometry() & fromParent;
        if (overlap.isEmpty())
            continue;
        sibling->render(&canvas, overlap.topLeft() - mine.topLeft(), QRegion(overlap.translated(-sibling->pos())),
                        QWidget::DrawChildren);
    }
}

void TVrGraphicImageControl::PresentImage()
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), FImage, QRect(0, 0, width(), height()));
}
