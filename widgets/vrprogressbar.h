#pragma once

#include "vrbevel.h"
#include "vrgraphiccontrol.h"

enum TVrOrientation { voVertical, voHorizontal };

// A level bar of LED segments lighting up from one end; each segment takes
// its colour from its place on a ramp from StartColor to EndColor.
class TVrProgressBar : public TVrGraphicImageControl {
    Q_OBJECT
public:
    explicit TVrProgressBar(QWidget* parent = nullptr);

    TVrBevel* Bevel() { return &FBevel; }
    int Min() const { return FMin; }
    void SetMin(int value);
    int Max() const { return FMax; }
    void SetMax(int value);
    int Position() const { return FPosition; }
    void SetPosition(int value);
    QColor StartColor() const { return FStartColor; }
    void SetStartColor(const QColor& value) { AssignRamp(FStartColor, value); }
    QColor EndColor() const { return FEndColor; }
    void SetEndColor(const QColor& value) { AssignRamp(FEndColor, value); }
    bool PlainColors() const { return FPlainColors; }
    void SetPlainColors(bool value) { AssignRamp(FPlainColors, value); }
    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool value) { Assign(FSmooth, value); }
    TVrOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TVrOrientation value);
    int Step() const { return FStep; }
    void SetStep(int value) { FStep = value; }

    // The cached ramp and how often it has been built (it is rebuilt only
    // when its colours, orientation or size changed).
    const QImage& GradientImage() const { return FGradientImage; }
    int GradientBuilds() const { return FGradientBuilds; }
    QRect InnerRect() const { return FInnerRect; }

    // Fills area with L + 1 one-pixel bands from first to last colour
    // (the last band lies just outside the area).
    static void FillGradient(QImage& canvas, const QRect& area, const QColor& first, const QColor& last, bool vertical);
    static int PercentOf(double value, double range);

protected:
    void Paint() override;

private:
    template <typename T>
    void AssignRamp(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        FGradientDirty = true;
        RequestRepaint();
    }
    void BuildGradient();
    void DrawSegments();
    void CopyRamp(const QRect& source, const QRect& target);

    TVrBevel FBevel;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 100;
    QColor FStartColor = VrColor(0x800000);
    QColor FEndColor = VrColor(0xFFFF00);
    bool FPlainColors = false;
    bool FSmooth = false;
    TVrOrientation FOrientation = voHorizontal;
    int FStep = 10;
    QImage FGradientImage;
    bool FGradientDirty = true;
    int FGradientBuilds = 0;
    QRect FInnerRect;
};
