#pragma once

// The skin's track bar: a thumb picture sliding along a ruler picture,
// mapping its pixel position to an integer Value between MinValue and
// MaxValue. It has its own window and keyboard focus, paints double
// buffered and reports changes through OnChange (every change) and
// OnChanged (the end of a user action).
#include "tcolor.h"

#include <QFlags>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <stdexcept>

class QTimer;

namespace rxslider {
struct Track;
}

enum TSliderOption { soShowFocus = 0x1, soShowPoints = 0x2, soSmooth = 0x4, soRulerOpaque = 0x8, soThumbOpaque = 0x10 };
Q_DECLARE_FLAGS(TSliderOptions, TSliderOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSliderOptions)

enum TSliderOrientation { soHorizontal, soVertical };
enum TSliderBevelStyle { bvNone, bvLowered, bvRaised };
enum TSliderImage : uint8_t { siHThumb = 0x1, siHRuler = 0x2, siVThumb = 0x4, siVRuler = 0x8 };

// A property value the slider refuses; its message is shown to the user.
class ESliderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TRxCustomSlider : public QWidget {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void()>;
    using TMouseEvent = std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;
    using TMouseMoveEvent = std::function<void(Qt::KeyboardModifiers shift, int x, int y)>;
    using TKeyEvent = std::function<void(int& key, Qt::KeyboardModifiers shift)>;
    using TDrawPointsEvent = std::function<void(QPainter& canvas)>;
    enum TPageDirection { pdNone, pdUp, pdDown };

    explicit TRxCustomSlider(QWidget* parent = nullptr);
    ~TRxCustomSlider() override;

    TSliderBevelStyle BevelStyle() const { return FBevelStyle; }
    void SetBevelStyle(TSliderBevelStyle style);

    const QImage& ImageHThumb() const { return FImages[0]; }
    const QImage& ImageHRuler() const { return FImages[1]; }
    const QImage& ImageVThumb() const { return FImages[2]; }
    const QImage& ImageVRuler() const { return FImages[3]; }
    void SetImageHThumb(const QImage& image) { SetImage(0, image); }
    void SetImageHRuler(const QImage& image) { SetImage(1, image); }
    void SetImageVThumb(const QImage& image) { SetImage(2, image); }
    void SetImageVRuler(const QImage& image) { SetImage(3, image); }
    // Which pictures were supplied (siHThumb ...); the rest are built in.
    uint8_t UserImages() const { return FUserImages; }

    int32_t Increment() const { return FIncrement; }
    void SetIncrement(int32_t value);
    int32_t MinValue() const { return FMinValue; }
    void SetMinValue(int32_t value);
    int32_t MaxValue() const { return FMaxValue; }
    void SetMaxValue(int32_t value);
    int NumThumbStates() const { return FNumThumbStates; }
    void SetNumThumbStates(int value);
    TSliderOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TSliderOrientation value);
    int32_t EdgeSize() const { return FEdgeSize; }
    void SetEdgeSize(int32_t value);
    TSliderOptions Options() const { return FOptions; }
    void SetOptions(TSliderOptions value);
    int32_t Value() const { return FValue; }
    void SetValue(int32_t value);

    // The fill colour; the parent's background while ParentColor holds.
    QRgb Color() const;
    void SetColor(TColor color);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);

    // While the window builds the slider from its description, range and
    // increment are stored unchecked and nothing is rebuilt.
    void BeginLoading() { FLoading = true; }
    void EndLoading();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanged;
    TDrawPointsEvent OnDrawPoints;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;

    // Internal state, readable for tests and the owning window.
    const QImage& Ruler() const { return FRuler; }
    QPoint RulerPos() const { return FRulerPos; }
    QRect ThumbRect() const { return FThumbRect; }
    bool Sliding() const { return FSliding; }
    bool ThumbDown() const { return FThumbDown; }
    bool Paging() const { return FPaging; }
    TPageDirection PageDirection() const { return FPageDirection; }
    // The page-stepping timer (200 ms), absent until the first page step.
    QTimer* PageTimer() const { return FPageTimer; }
    // One tick of the page timer.
    void PageTimerTick() { PageStep(); }
    // The inner rectangle, the thumb's size and the thumb's travel.
    QRect InnerRect() const;
    QSize ThumbSize() const;
    int Span() const;
    int ValueToPixel(int32_t value) const;
    int32_t PixelToValue(int pixel) const;

    // The slider's hand cursor (shown over the thumb) and grabbing cursor
    // (shown while the thumb is dragged).
    static QCursor HandCursor();
    static QCursor DragCursor();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool Horizontal() const { return FOrientation == soHorizontal; }
    const QImage& ThumbImage() const { return FImages[Horizontal() ? 0 : 2]; }
    const QImage& RulerImage() const { return FImages[Horizontal() ? 1 : 3]; }
    rxslider::Track TrackGeometry() const;
    void SetImage(int index, const QImage& image);
    void LoadDefaultImages();
    void Rebuild();
    void BuildRuler();
    void SetRange(int32_t minValue, int32_t maxValue);
    void MoveThumbTo(int pixel, bool fromUser);
    int ThumbPixel() const;
    TPageDirection DirectionAt(const QPoint& point) const;
    int32_t SteppedValue(TPageDirection direction) const;
    void PageStep();
    void StopPaging();
    void UpdateCursor(const QPoint& point);
    void DrawPoints(QPainter& canvas);
    void MouseDown(QMouseEvent* event, bool second);

    TSliderBevelStyle FBevelStyle = bvNone;
    QImage FImages[4];
    uint8_t FUserImages = 0;
    int32_t FIncrement = 10;
    int32_t FMinValue = 0;
    int32_t FMaxValue = 100;
    int FNumThumbStates = 2;
    TSliderOrientation FOrientation = soHorizontal;
    int32_t FEdgeSize = 2;
    TSliderOptions FOptions = TSliderOptions(soShowFocus) | soShowPoints | soSmooth;
    int32_t FValue = 0;
    TColor FColor = clBtnFace;
    bool FParentColor = true;
    bool FLoading = false;

    QImage FRuler;
    QPoint FRulerPos;
    QRect FThumbRect;
    bool FSliding = false;
    bool FThumbDown = false;
    int FHitOffset = 0;
    bool FPaging = false;
    TPageDirection FPageDirection = pdNone;
    QPoint FPagePoint;
    bool FPageTimerOn = false;
    bool FFocused = false;
    QTimer* FPageTimer = nullptr;
    int FCursorShape = 0; // the cursor shown: arrow, hand or grabbing hand
};

// The published form of the slider.
class TRxSlider : public TRxCustomSlider {
    Q_OBJECT
public:
    using TRxCustomSlider::TRxCustomSlider;
};
