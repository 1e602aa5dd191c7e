#pragma once

#include "vrgraphiccontrol.h"

#include <QFont>
#include <QString>

#include <cstdint>

enum TVrLabelStyle { lsNone, lsRaised, lsLowered, lsShadow };
enum TVrLabelAlignment { taLeftJustify, taRightJustify, taCenter };
enum TVrTextLayout { tlTop, tlCenter, tlBottom };

// One caption in a chosen font: plain, raised, lowered or with a drop
// shadow, turned by an angle, optionally filled with a picture.
class TVrLabel : public TVrGraphicImageControl {
    Q_OBJECT
public:
    explicit TVrLabel(QWidget* parent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    TVrLabelAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TVrLabelAlignment value) { Assign(FAlignment, value); }
    QColor ColorHighlight() const { return FColorHighlight; }
    void SetColorHighlight(const QColor& value) { Assign(FColorHighlight, value); }
    QColor ColorShadow() const { return FColorShadow; }
    void SetColorShadow(const QColor& value) { Assign(FColorShadow, value); }
    TVrLabelStyle Style() const { return FStyle; }
    void SetStyle(TVrLabelStyle value) { Assign(FStyle, value); }
    TVrTextLayout Layout() const { return FLayout; }
    void SetLayout(TVrTextLayout value) { Assign(FLayout, value); }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value) { Assign(FAutoSize, value); }
    int ShadowDepth() const { return FShadowDepth; }
    void SetShadowDepth(int value) { Assign(FShadowDepth, value); }
    const QImage& Bitmap() const { return FBitmap; }
    void SetBitmap(const QImage& value);
    uint16_t Angle() const { return FAngle; }
    void SetAngle(uint16_t value);
    // The colour the text is drawn in (the font's colour).
    QColor FontColor() const { return FFontColor; }
    void SetFontColor(const QColor& value) { Assign(FFontColor, value); }

    int TextWidth() const { return FTextWidth; }
    int TextHeight() const { return FTextHeight; }

    // Drawing operations shared by the LED widgets; the font is the
    // painter's, text is placed by its top-left corner and turned by angle
    // degrees counter-clockwise about it.
    static void DrawRotatedText(QPainter& canvas, int x, int y, uint16_t angle, const QColor& colour, const QString& text);
    static void DrawRaisedText(QPainter& canvas, int x, int y, uint16_t angle, const QColor& first, const QColor& second,
                               const QColor& fontColour, const QString& text);
    static void DrawShadowText(QPainter& canvas, int x, int y, uint16_t angle, int dx, int dy, const QColor& colour,
                               const QColor& fontColour, const QString& text);
    static void DrawTexturedText(QPainter& canvas, const QRect& area, int x, int y, uint16_t angle, const QImage& picture,
                                 const QString& text);

protected:
    void changeEvent(QEvent* event) override;
    void AdjustBounds() override;
    void Paint() override;

private:
    void MeasureText();
    QSize RotatedExtent() const;
    QPoint TextOrigin() const;

    QString FCaption;
    TVrLabelAlignment FAlignment = taCenter;
    QColor FColorHighlight = Qt::white;
    QColor FColorShadow = VrColor(0x808080);
    TVrLabelStyle FStyle = lsRaised;
    TVrTextLayout FLayout = tlCenter;
    bool FAutoSize = false;
    int FShadowDepth = 2;
    QImage FBitmap;
    uint16_t FAngle = 0;
    double FAngleRadians = 0;
    QColor FFontColor = Qt::black;
    int FTextWidth = 0;
    int FTextHeight = 0;
};
