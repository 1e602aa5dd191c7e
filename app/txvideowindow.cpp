#include "txvideowindow.h"

#include "mediachannel.h"

#include <QPaintEvent>
#include <QPainter>

TXVideoWindow::TXVideoWindow(QWidget* parent)
    : QWidget(parent)
{
    // Every pixel is painted each time, so Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    FHandle = mci::registerTarget(this);
}

TXVideoWindow::~TXVideoWindow()
{
    mci::unregisterTarget(FHandle);
}

void TXVideoWindow::presentFrame(const QImage& frame)
{
    FFrame = frame;
    if (!FPainting)
        update();
}

void TXVideoWindow::paintEvent(QPaintEvent*)
{
    FPainting = true;
    if (WantsFrames && WantsFrames())
        MediaCommand("update z hdc " + std::to_string(FHandle));
    FPainting = false;
    QPainter painter(this);
    DrawFrame(painter);
}

void TXVideoWindow::DrawFrame(QPainter& painter) const
{
    if (FFrame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Frames come at the destination size; until the device has been told a
    // new size, scale the last one rather than leave parts unpainted.
    if (FFrame.size() == size())
        painter.drawImage(0, 0, FFrame);
    else
        painter.drawImage(rect(), FFrame);
}

QImage TXVideoWindow::Snapshot() const
{
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    DrawFrame(painter);
    return image;
}
