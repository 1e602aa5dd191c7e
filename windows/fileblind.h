#pragma once

#include <QWidget>

class TFileNavigator;
class TLumoTransImage;

// The file navigator's pull handle: a borderless 20 x 150 window showing
// the handle picture, hung by the navigator on its own left edge (or on
// the main window while the navigator is closed). Pressing it starts the
// window manager's interactive sizing of the navigator's left edge; the
// right edge stays on the main window.
//
// Where the window manager offers no such sizing (no window manager, the
// offscreen platform, or the navigator still closed and so not mapped),
// the handle drags the edge itself while the button is held: the
// navigator's left edge follows the pointer, its right edge stays put, and
// every step goes through the navigator's SetBounds, so FormResize runs.
class TFileBlind : public QWidget {
    Q_OBJECT
public:
    explicit TFileBlind(QWidget* parent = nullptr);

    // The window this handle sizes; the navigator is created after the
    // handle, so it is linked afterwards.
    void SetNavigator(TFileNavigator* navigator) { FNavigator = navigator; }
    TFileNavigator* Navigator() const { return FNavigator; }

    void FormCreate();
    void FormMouseDown(QMouseEvent* event);

    // True while the handle drags the navigator's edge itself.
    bool IsDragging() const { return FDragging; }

    TLumoTransImage* LumoTransImage1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool StartSystemResize();
    void DragTo(int globalX);

    TFileNavigator* FNavigator = nullptr;
    bool FDragging = false;
    int FRightEdge = 0;  // the navigator's right edge, fixed during a drag
    int FGrabOffset = 0; // pointer x within the handle at the press
};
