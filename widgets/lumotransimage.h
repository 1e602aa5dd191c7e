#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <functional>

// The face of a pull-handle window: a picture drawn at its top-left corner
// that always fills its parent. TransColor and AdjustFormSize are kept as
// settings only; the picture is drawn opaque and the window stays rectangular.
class TLumoTransImage : public QWidget {
    Q_OBJECT
public:
    explicit TLumoTransImage(QWidget* parent = nullptr);

    const QPixmap& Picture() const { return FPicture; }
    void SetPicture(const QPixmap& value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    QColor TransColor() const { return FTransColor; }
    void SetTransColor(const QColor& value) { FTransColor = value; }
    bool AdjustFormSize() const { return FAdjustFormSize; }
    void SetAdjustFormSize(bool value) { FAdjustFormSize = value; }

    std::function<void(QObject*)> OnClick;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void FillParent();

    QPixmap FPicture;
    bool FAutoSize = false;
    bool FStretch = false;
    bool FCenter = false;
    QColor FTransColor = Qt::white;
    bool FAdjustFormSize = true;
};
