#pragma once

#include "vrgraphiccontrol.h"

#include <QRect>

#include <algorithm>

class QPainter;

enum TVrBevelStyle { bsNone, bsLowered, bsRaised };
enum TVrBevelOutlineStyle { osOuter, osInner, osNone };

// The frame of a level bar: an outer and an inner bevel, each with an
// optional black outline and a band of plain colour inside it.
class TVrBevel : public TVrPersistent {
public:
    TVrBevel();

    QColor InnerShadow() const { return FInnerShadow; }
    void SetInnerShadow(const QColor& v) { Assign(FInnerShadow, v); }
    QColor InnerHighlight() const { return FInnerHighlight; }
    void SetInnerHighlight(const QColor& v) { Assign(FInnerHighlight, v); }
    int InnerWidth() const { return FInnerWidth; }
    void SetInnerWidth(int v) { Assign(FInnerWidth, std::max(1, v)); }
    TVrBevelStyle InnerStyle() const { return FInnerStyle; }
    void SetInnerStyle(TVrBevelStyle v) { Assign(FInnerStyle, v); }
    TVrBevelOutlineStyle InnerOutline() const { return FInnerOutline; }
    void SetInnerOutline(TVrBevelOutlineStyle v) { Assign(FInnerOutline, v); }
    int InnerSpace() const { return FInnerSpace; }
    void SetInnerSpace(int v) { Assign(FInnerSpace, std::max(0, v)); }
    QColor InnerColor() const { return FInnerColor; }
    void SetInnerColor(const QColor& v) { Assign(FInnerColor, v); }

    QColor OuterShadow() const { return FOuterShadow; }
    void SetOuterShadow(const QColor& v) { Assign(FOuterShadow, v); }
    QColor OuterHighlight() const { return FOuterHighlight; }
    void SetOuterHighlight(const QColor& v) { Assign(FOuterHighlight, v); }
    int OuterWidth() const { return FOuterWidth; }
    void SetOuterWidth(int v) { Assign(FOuterWidth, std::max(1, v)); }
    TVrBevelStyle OuterStyle() const { return FOuterStyle; }
    void SetOuterStyle(TVrBevelStyle v) { Assign(FOuterStyle, v); }
    TVrBevelOutlineStyle OuterOutline() const { return FOuterOutline; }
    void SetOuterOutline(TVrBevelOutlineStyle v) { Assign(FOuterOutline, v); }
    int OuterSpace() const { return FOuterSpace; }
    void SetOuterSpace(int v) { Assign(FOuterSpace, std::max(0, v)); }
    QColor OuterColor() const { return FOuterColor; }
    void SetOuterColor(const QColor& v) { Assign(FOuterColor, v); }

    // Draws the bevel and shrinks area to what lies inside it.
    void Paint(QPainter& canvas, QRect& area) const;

    // Draws width nested rings; area shrinks by width on every side.
    static void DrawRing(QPainter& canvas, QRect& area, const QColor& top, const QColor& bottom, int width);

private:
    QColor FInnerShadow, FInnerHighlight, FInnerColor;
    int FInnerWidth = 1;
    TVrBevelStyle FInnerStyle = bsLowered;
    TVrBevelOutlineStyle FInnerOutline = osNone;
    int FInnerSpace = 1;
    QColor FOuterShadow, FOuterHighlight, FOuterColor;
    int FOuterWidth = 1;
    TVrBevelStyle FOuterStyle = bsRaised;
    TVrBevelOutlineStyle FOuterOutline = osOuter;
    int FOuterSpace = 0;
};
