#include "txvideowindow.h"

#include "mediacommands.h"
#include "medialog.h"

#include <QPaintEvent>
#include <QPainter>

TXVideoWindow::TXVideoWindow(QWidget* parent)
    : QWidget(parent)
{
    // Every pixel is painted each time, so Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    FHandle = mci::registerTarget(this);
    FStats.enabled = mci::lcMediaStats().isDebugEnabled();
}

TXVideoWindow::~TXVideoWindow()
{
    mci::unregisterTarget(FHandle);
    if (FStats.enabled)
        qCDebug(mci::lcMediaStats, "video frames given %llu shown %llu scaled-paints %llu",
                (unsigned long long)FStats.given, (unsigned long long)FStats.shown, (unsigned long long)FStats.scaled);
}

void TXVideoWindow::presentFrame(const QImage& frame)
{
    CountGiven(frame);
    FFrame = frame;
    if (!FPainting)
        update();
}

void TXVideoWindow::CountGiven(const QImage& frame)
{
    if (frame.cacheKey() == FStats.lastGivenKey)
        return;
    // A picture drawn again of the frame given before (the device redraws
    // when playing stops, and at the end) is not another frame.
    const uint64_t signature = FStats.enabled ? Signature(frame) : 0;
    const bool redrawn = FStats.enabled && FStats.given > 0 && signature == FStats.lastGivenSignature;
    const bool previousShown = FStats.lastGivenKey == FStats.lastShownKey;
    FStats.lastGivenKey = frame.cacheKey();
    FStats.lastGivenSignature = signature;
    if (!redrawn)
        ++FStats.given;
    else if (previousShown)
        FStats.lastShownKey = frame.cacheKey();
}

uint64_t TXVideoWindow::Signature(const QImage& frame)
{
    // Sampled pixels: enough to tell two frames of a moving picture apart.
    uint64_t hash = 1469598103934665603ull;
    if (frame.isNull())
        return hash;
    for (int i = 0; i < 256; ++i) {
        const int x = (i * 37) % frame.width();
        const int y = (i * 53) % frame.height();
        hash = (hash ^ frame.pixel(x, y)) * 1099511628211ull;
    }
    return hash;
}

void TXVideoWindow::paintEvent(QPaintEvent*)
{
    FPainting = true;
    if (WantsFrames && WantsFrames()) {
        // The device hands the frame shown again; the one held meanwhile
        // would keep the renderer from drawing a sought frame into it.
        FFrame = QImage();
        mediacommands::redraw(FHandle);
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
        mediacommands::redraw(FHandle);
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    DrawFrame(painter);
    return image;
}
