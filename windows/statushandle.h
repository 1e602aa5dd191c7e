#pragma once

#include <QPoint>
#include <QWidget>

class TLumoTransImage;
class TStatusPanel;

// The small window under the status panel's left end; dragging it pulls
// the panel's bottom edge open or closed.
class TStatusHandle : public QWidget {
    Q_OBJECT
public:
    explicit TStatusHandle(QWidget* parent = nullptr);

    void SetStatusPanel(TStatusPanel* panel) { FStatusPanel = panel; }
    TStatusPanel* StatusPanel() const { return FStatusPanel; }

    TLumoTransImage* LumoTransImage1 = nullptr;

protected:
    void FormCreate();
    // Starts the window system's sizing of the panel's bottom edge.
    void FormMouseDown(const QPoint& globalPos);
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TStatusPanel* FStatusPanel = nullptr;
    // Used only where the window system offers no interactive resizing: the
    // handle then sizes the panel itself while the button is held.
    bool FDragging = false;
    int FDragStartY = 0;
    int FDragStartHeight = 0;
};
