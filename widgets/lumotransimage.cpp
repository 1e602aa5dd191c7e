#include "lumotransimage.h"

#include "artnames.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

TLumoTransImage::TLumoTransImage(QWidget* parent)
    : QWidget(parent)
{
    artnames::initArtResources();
    if (parent)
        parent->installEventFilter(this);
    FillParent();
}

void TLumoTransImage::FillParent()
{
    if (parentWidget())
        setGeometry(parentWidget()->rect());
}

bool TLumoTransImage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        FillParent();
    return QWidget::eventFilter(watched, event);
}

void TLumoTransImage::SetPicture(const QPixmap& value)
{
    FPicture = value;
    // Aligned to the parent's whole area, the size follows the parent, not the picture.
    if (FAutoSize && !parentWidget())
        resize(FPicture.size());
    update();
}

void TLumoTransImage::SetAutoSize(bool value)
{
    FAutoSize = value;
    SetPicture(FPicture);
}

void TLumoTransImage::SetStretch(bool value)
{
    FStretch = value;
    update();
}

void TLumoTransImage::SetCenter(bool value)
{
    FCenter = value;
    update();
}

void TLumoTransImage::changeEvent(QEvent* event)
{
    // A disabled image lets presses through to the window beneath it.
    if (event->type() == QEvent::EnabledChange)
        setAttribute(Qt::WA_TransparentForMouseEvents, !isEnabled());
    QWidget::changeEvent(event);
}

void TLumoTransImage::paintEvent(QPaintEvent*)
{
    if (FPicture.isNull())
        return;
    QPainter painter(this);
    if (FStretch)
        painter.drawPixmap(rect(), FPicture);
    else if (FCenter)
        painter.drawPixmap((width() - FPicture.width()) / 2, (height() - FPicture.height()) / 2, FPicture);
    else
        painter.drawPixmap(0, 0, FPicture);
}

void TLumoTransImage::mousePressEvent(QMouseEvent* event)
{
    event->accept(); // the press starts a click on the picture
}

void TLumoTransImage::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
        OnClick(this);
}
