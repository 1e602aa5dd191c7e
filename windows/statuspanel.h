#pragma once

#include <QWidget>

class QLabel;
class TStatusHandle;
class TVrClock;
class TVrLabel;
class TVrNum;

// The borderless window under the main window showing the medium's state:
// clocks and frame counters for length, position and remaining time, the
// play state, the media type, the file name and a line of detail. It is
// pulled open from its bottom edge, up to the height of its artwork.
class TStatusPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int PanelHeight = 138;

    explicit TStatusPanel(TStatusHandle* handle = nullptr, QWidget* parent = nullptr);

    // Proposed new size; the height is capped at the artwork's. Returns
    // whether the resize may go ahead.
    bool FormCanResize(int& newWidth, int& newHeight) const;
    // Sets the window height through the same cap (at least one row).
    void SetPanelHeight(int height);

    QWidget* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    TVrLabel* VrLabel2 = nullptr;
    TVrClock* ClockLength = nullptr;
    TVrClock* ClockPosition = nullptr;
    TVrClock* ClockElapsed = nullptr;
    TVrLabel* StatusLabel = nullptr;
    TVrNum* FramesLength = nullptr;
    TVrNum* FramesPosition = nullptr;
    TVrNum* FramesElapsed = nullptr;
    TVrLabel* VrLabel3 = nullptr;
    TVrLabel* VrLabel1 = nullptr;

    TStatusHandle* StatusHandle() const { return FStatusHandle; }

protected:
    void FormCreate();
    void FormResize();
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    TVrClock* MakeClock(const QRect& bounds, const QString& hint);
    TVrNum* MakeCounter(const QRect& bounds, const QString& hint);
    TVrLabel* MakeLabel(const QRect& bounds, const QString& hint, bool leftJustified);

    TStatusHandle* FStatusHandle = nullptr;
};
