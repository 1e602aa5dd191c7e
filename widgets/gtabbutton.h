#pragma once

// The skin's push button: no caption and no frame, one of three pictures
// (up, down, highlighted) drawn with a transparent colour over a snapshot of
// what its parent painted beneath it. Buttons of one parent with the same
// GroupIndex form a radio group; with rfAllowTimer, holding the button
// clicks again and again.
#include "tcolor.h"

#include <QFlags>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

class QTimer;

enum TRapidFireStyle { rfFocusRect = 0x1, rfAllowTimer = 0x2 };
Q_DECLARE_FLAGS(TRapidFireStyles, TRapidFireStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TRapidFireStyles)

class TGTabButton : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void()>;
    using TMouseEvent = std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;
    using TMouseMoveEvent = std::function<void(Qt::KeyboardModifiers shift, int x, int y)>;

    explicit TGTabButton(QWidget* parent = nullptr);
    ~TGTabButton() override;

    TRapidFireStyles Style() const { return FStyle; }
    void SetStyle(TRapidFireStyles style) { FStyle = style; }

    const QImage& BitmapUp() const { return FBitmapUp; }
    const QImage& BitmapDown() const { return FBitmapDown; }
    const QImage& BitmapHigh() const { return FBitmapHigh; }
    void SetBitmapUp(const QImage& bitmap);
    void SetBitmapDown(const QImage& bitmap);
    void SetBitmapHigh(const QImage& bitmap);

    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor color);

    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    int32_t GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int32_t value);
    bool Down() const { return FDown; }
    void SetDown(bool value);

    uint16_t Delay() const { return FDelay; }
    void SetDelay(uint16_t ms) { FDelay = ms; }
    uint16_t InitialDelay() const { return FInitialDelay; }
    void SetInitialDelay(uint16_t ms) { FInitialDelay = ms; }

    // Both fire OnClick.
    void Click();
    void DblClick();

    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

    // Internal state, readable for the window that owns the button and for tests.
    enum : uint8_t { StateUp = 0, StatePressed = 1, StateLatched = 2 };
    uint8_t State() const { return FState; }
    bool Highlighted() const { return FHighlighted; }
    bool MouseInControl() const { return FMouseInControl; }
    bool Tracking() const { return FTracking; }
    bool BackgroundTaken() const { return FBackgroundTaken; }
    const QImage& Background() const { return FBackground; }
    // The auto-repeat timer, absent until the first press that needs it.
    QTimer* RepeatTimer() const { return FRepeatTimer; }
    // One tick of the auto-repeat timer.
    void RepeatStep();

    // The picture the button shows now (before drawing over the snapshot).
    const QImage& CurrentBitmap() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Refresh();
    void TakeSnapshot();
    void MouseDown(Qt::MouseButton button, int x, int y);
    void PointerEnters();
    void PointerLeaves();
    void HoverRecheck(const QPoint& local);
    bool InsideClient(int x, int y) const;
    // The two notifications between the buttons of one parent.
    void BroadcastButtonPressed();
    void BroadcastGroupRepaint();
    void ButtonPressedReceived(int32_t groupIndex, TGTabButton* sender);
    void GroupRepaintReceived(int32_t groupIndex, TGTabButton* sender);

    TRapidFireStyles FStyle = rfFocusRect;
    QImage FBitmapUp;
    QImage FBitmapDown;
    QImage FBitmapHigh;
    TColor FTransparentColor = clWhite;
    bool FAllowAllUp = false;
    int32_t FGroupIndex = 0;
    bool FDown = false;
    uint16_t FDelay = 100;
    uint16_t FInitialDelay = 400;

    uint8_t FState = StateUp;
    bool FHighlighted = false;
    bool FMouseInControl = false;
    bool FTracking = false;
    bool FClicked = false; // a left press that a release inside turns into a click
    QImage FBackground;
    bool FBackgroundTaken = false;
    bool FTakingSnapshot = false;
    QTimer* FRepeatTimer = nullptr;
};
