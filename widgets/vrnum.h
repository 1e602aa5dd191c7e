#pragma once

#include "artnames.h"
#include "vrgraphiccontrol.h"

#include <QString>

#include <cstdint>

enum TVrNumStyle { ns13x24, ns11x20, ns7x13, ns12x17, ns5x7 };
enum TVrNumAlignment { naLeftJustify, naCenter, naRightJustify };

// The two colours of the LED digits: unlit (Low) and lit (High) segments.
class TVrPalette : public TVrPersistent {
public:
    QColor Low() const { return FLow; }
    QColor High() const { return FHigh; }
    void SetLow(const QColor& value) { Assign(FLow, value); }
    void SetHigh(const QColor& value) { Assign(FHigh, value); }

    // Silver pixels become High; then pixels that are (now) grey become Low.
    void RecolorBitmap(QImage& bitmap) const;

private:
    QColor FLow = VrColor(0x008000);
    QColor FHigh = VrColor(0x00FF00);
};

// Digit strip handling shared by the number display and the clock: the
// strip of the current Style, recoloured, cut cell by cell into FImage.
class TVrCustomNum : public TVrGraphicImageControl {
    Q_OBJECT
public:
    explicit TVrCustomNum(QWidget* parent = nullptr);
    ~TVrCustomNum() override;

    TVrPalette* Palette() { return &FPalette; }
    TVrNumStyle Style() const { return FStyle; }
    void SetStyle(TVrNumStyle value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int value) { Assign(FSpacing, value); }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value) { Assign(FAutoSize, value); }

    int CellWidth() const { return FCellWidth; }
    int CellHeight() const { return FCellHeight; }

    // The digit strip and clock separator pictures of a style.
    static const artnames::LedArt& StyleArt(TVrNumStyle style);

protected:
    virtual void LoadImages();
    // Copies cell index of the strip to (x, y) of FImage, black left out.
    void DrawCell(int index, int x, int y);
    // Draws a picture onto FImage leaving out the pixels of one colour.
    void DrawMasked(const QImage& picture, QRect source, int x, int y, QRgb leftOut);
    // Resizes the widget to the row when AutoSize is set.
    void ApplyAutoSize(int rowWidth, int rowHeight);
    void AdjustBounds() override { ApplyAutoSize(RowWidth(), FCellHeight); }
    virtual int RowWidth() const = 0;

    QImage FDigitStrip;
    int FCellWidth = 0;
    int FCellHeight = 0;

private:
    TVrPalette FPalette;
    TVrNumStyle FStyle = ns13x24;
    int FSpacing = 2;
    bool FAutoSize = false;
};

// A whole number as a row of seven-segment digits.
class TVrNum : public TVrCustomNum {
    Q_OBJECT
public:
    explicit TVrNum(QWidget* parent = nullptr);

    int Digits() const { return FDigits; }
    void SetDigits(int value);
    int Value() const { return FValue; }
    void SetValue(int value);
    bool LeadingZero() const { return FLeadingZero; }
    void SetLeadingZero(bool value) { Assign(FLeadingZero, value); }
    TVrNumAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TVrNumAlignment value) { Assign(FAlignment, value); }
    int Min() const { return FMin; }
    void SetMin(int value);
    int Max() const { return FMax; }
    void SetMax(int value);
    bool ZeroBlank() const { return FZeroBlank; }
    void SetZeroBlank(bool value) { Assign(FZeroBlank, value); }

    // Fired after Value changed.
    std::function<void(QObject*)> OnChange;

signals:
    void changed();

protected:
    int RowWidth() const override;
    void Paint() override;

private:
    int FDigits = 4;
    int FValue = 0;
    bool FLeadingZero = false;
    TVrNumAlignment FAlignment = naCenter;
    int FMin = 0;
    int FMax = 9999;
    bool FZeroBlank = false;
    bool FHasSign = false;
};
