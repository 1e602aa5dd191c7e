#include "txvideowindow.h"

#include "mediachannel.h"

#include <QPaintEvent>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    const char* stats = std::getenv("NORRAVA_STATS");
    if (stats && std::strcmp(stats, "1") == 0)
        std::fprintf(stderr, "norrava-stats: video frames given %llu shown %llu scaled-paints %llu\n",
                     (unsigned long long)FStats.given, (unsigned long long)FStats.shown,
                     (unsigned long long)FStats.scaled);
}

void TXVideoWindow::presentFrame(const QImage& frame)
{
    if (frame.cacheKey() != FStats.lastGivenKey) {
        FStats.lastGivenKey = frame.cacheKey();
        ++FStats.given;
    }
    FFrame = frame;
    if (!FPainting)
        update();
}

void TXVideoWindow::paintEvent(QPaintEvent*)
{
    FPainting = true;
    if (WantsFrames && WantsFrames()) {
        // The device hands the frame shown again; the one held meanwhile
        // would keep the renderer from drawing a sought frame into it.
        FFrame = QImage();
        MediaCommand("update z hdc " + std::to_string(FHandle));
    }
    FPainting = false;
    QPainter painter(this);
    DrawFrame(painter);
    CountPaint();
    // Painted, the frame is in the window's backing store: the picture goes
    // back to the renderer, which draws the next frame into it rather than
    // into a second full-size picture. A later paint asks for it again.
    if (WantsFrames && WantsFrames())
        FFrame = QImage();
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

void TXVideoWindow::CountPaint()
{
    if (FFrame.isNull())
        return;
    if (FFrame.cacheKey() != FStats.lastShownKey) {
        FStats.lastShownKey = FFrame.cacheKey();
        ++FStats.shown;
    }
    if (FFrame.size() != size())
        ++FStats.scaled;
}

QImage TXVideoWindow::Snapshot()
{
    if (FFrame.isNull() && WantsFrames && WantsFrames())
        MediaCommand("update z hdc " + std::to_string(FHandle));
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    DrawFrame(painter);
    return image;
}
