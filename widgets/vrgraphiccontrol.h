#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <functional>

// Base of the LED widgets: a child widget that behaves like a windowless
// control, i.e. it composes its picture as if drawn on the parent's surface.
// Property setters repaint at once, except while the owning form is still
// being built (between BeginLoading and EndLoading).
class TVrGraphicControl : public QWidget {
    Q_OBJECT
public:
    explicit TVrGraphicControl(QWidget* parent = nullptr);

    // Repaints now (paint runs before the call returns) unless loading.
    virtual void RequestRepaint();

    // Form building: setters store without painting until EndLoading,
    // which then runs Loaded().
    void BeginLoading() { FLoading = true; }
    void EndLoading();
    bool IsLoading() const { return FLoading; }

    QColor Color() const { return FColor; }
    void SetColor(const QColor& value);

    std::function<void(QObject*)> OnClick;

protected:
    virtual void Loaded() {}
    // Applies AutoSize before painting, so a repaint already has the new size.
    virtual void AdjustBounds() {}
    // Sets a field by the common rule: store only a changed value, then repaint.
    template <typename T>
    bool Assign(T& field, const T& value)
    {
        if (field == value)
            return false;
        field = value;
        RequestRepaint();
        return true;
    }
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool FLoading = false;
    QColor FColor = Qt::black;
};

// Adds the off-screen image every LED widget draws into. Paint is always
// PrepareImage, the widget's drawing on FImage, then PresentImage.
class TVrGraphicImageControl : public TVrGraphicControl {
    Q_OBJECT
public:
    explicit TVrGraphicImageControl(QWidget* parent = nullptr);

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value) { Assign(FTransparent, value); }

    // The picture last composed (for inspection and for grabbing).
    const QImage& Image() const { return FImage; }

protected:
    virtual void PrepareImage();
    void PresentImage();
    // Draws what the parent and the lower windowless siblings show under
    // this widget into a painter whose origin is the widget's top-left.
    void CopyParentImage(QPainter& canvas);

    virtual void Paint() = 0;
    void paintEvent(QPaintEvent* event) override;

    QImage FImage;

private:
    bool FTransparent = false;
};

// A small sub-object (palette, bevel) that tells its owner about changes.
class TVrPersistent {
public:
    std::function<void()> OnChange;

protected:
    template <typename T>
    void Assign(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        if (OnChange)
            OnChange();
    }
};

// Colour values as 0xBBGGRR (red in the low byte).
inline QColor VrColor(quint32 bgr)
{
    return QColor(int(bgr & 0xff), int((bgr >> 8) & 0xff), int((bgr >> 16) & 0xff));
}
