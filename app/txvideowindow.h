#pragma once

#include "handleregistry.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

// The panel the media device draws video into. It registers itself with the
// media layer, whose "window z handle N" and "update z hdc N" name it by
// Handle(); it paints nothing of its own but the last frame it was given.
class TXVideoWindow : public QWidget, public mci::RenderTarget {
    Q_OBJECT
public:
    explicit TXVideoWindow(QWidget* parent = nullptr);
    ~TXVideoWindow() override;

    uint64_t Handle() const { return FHandle; }

    // Whether a paint should ask the device for the current frame (the main
    // window's MediaLoaded and HasVideo).
    std::function<bool()> WantsFrames;

    void presentFrame(const QImage& frame) override;

    // The picture on the panel now, at the panel's size.
    QImage Snapshot();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawFrame(QPainter& painter) const;
    void CountPaint();
    void CountGiven(const QImage& frame);
    static uint64_t Signature(const QImage& frame);

    uint64_t FHandle = 0;
    QImage FFrame;
    bool FPainting = false;

    // Logged under norrava.media.stats, when that is on, as the panel goes:
    // frames handed over, distinct frames painted, paints that had to scale.
    struct Stats {
        bool enabled = false;
        uint64_t given = 0, shown = 0, scaled = 0;
        qint64 lastShownKey = 0, lastGivenKey = 0;
        uint64_t lastGivenSignature = 0;
    } FStats;
};
