// Slider pictures, the file navigator's handle, the cursors and the
// application icon.
#include "../../widgets/artnames.h"
#include "artset.h"
#include "skinpaint.h"

#include <vector>

namespace {

using namespace skinpaint;

constexpr uint32_t kSeed = 0x51DE5EEDu;

// A slider thumb: a small metal knob with a lit grip line. Only the rows
// above `visible` are drawn; the rest (and the bottom-left pixel) is the key.
QImage thumb(int w, int h, int visible, const QColor& line, bool pressed)
{
    QImage img = transparentCanvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, 0.5, w - 1, visible - 1);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, pressed ? kMetalDark : mix(kMetalLight, kEdgeLight, 0.55));
    g.setColorAt(0.5, pressed ? mix(kMetalDark, kMetalLight, 0.5) : kMetalLight);
    g.setColorAt(1, pressed ? kMetalLight : kMetalDark);
    p.setPen(QPen(kEdgeDark, 1));
    p.setBrush(g);
    p.drawRoundedRect(body, 3, 3);
    p.setPen(QPen(QColor(255, 255, 255, pressed ? 20 : 70), 1));
    p.drawLine(QPointF(3, 1.5), QPointF(w - 3, 1.5));
    // Grip: a lit line with a dark groove either side.
    const double cx = w / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(kEdgeDark);
    p.drawRect(QRectF(cx - 2, 3, 4, visible - 6));
    QColor halo = line;
    halo.setAlpha(90);
    p.setBrush(halo);
    p.drawRect(QRectF(cx - 1.5, 3.5, 3, visible - 7));
    p.setBrush(line);
    p.drawRect(QRectF(cx - 0.5, 4, 1, visible - 8));
    p.end();
    return img;
}

// A ruler tile: a dark glass groove across the middle of the visible rows.
// Opaque rulers fill the visible rows with the slot's black.
QImage ruler(int w, int h, int visible, const QColor& line, bool opaque, bool vertical = false)
{
    QImage img = transparentCanvas(w, h);
    QPainter p(&img);
    if (opaque)
        p.fillRect(vertical ? QRect(0, 0, visible, h) : QRect(0, 0, w, visible), Qt::black);
    const int mid = visible / 2;
    auto band = [&](int offset, int thickness, const QColor& c) {
        if (vertical)
            p.fillRect(QRect(mid + offset, 0, thickness, h), c);
        else
            p.fillRect(QRect(0, mid + offset, w, thickness), c);
    };
    band(-3, 1, kEdgeDark);
    band(-2, 5, QColor(10, 16, 18));
    band(3, 1, mix(kMetalDark, kMetalLight, 0.8));
    QColor glow = line;
    glow.setAlpha(110);
    band(-1, 3, glow);
    band(0, 1, line);
    p.end();
    return img;
}

// Slider pictures take their transparent colour from the bottom-left pixel,
// so that pixel is always left transparent.
QImage keyedIndexed(QImage img, const QColor& under)
{
    img.setPixel(0, img.height() - 1, 0);
    return indexed(keyed(img, under), 256, {kKey.rgb()});
}

// Two states side by side (normal, pressed) for the default thumbs.
QImage twoStates(const QImage& normal, const QImage& pressed)
{
    QImage img = transparentCanvas(normal.width() * 2, normal.height());
    QPainter p(&img);
    p.drawImage(0, 0, normal);
    p.drawImage(normal.width(), 0, pressed);
    return img;
}

QImage rotated(const QImage& img)
{
    return img.transformed(QTransform().rotate(90));
}

void drawSliders(ArtSet& art)
{
    using F = ArtSet::Format;
    const QColor slot(0, 0, 0);
    art.add(artnames::kPositionThumb, keyedIndexed(thumb(15, 20, 17, kLedLit, false), slot), F::Bmp8);
    art.add(artnames::kPositionRuler, keyedIndexed(ruler(6, 20, 17, kLedDim, false), slot), F::Bmp8);
    art.add(artnames::kVolumeThumb, keyedIndexed(thumb(15, 20, 17, kGlass, false), slot), F::Bmp8);
    art.add(artnames::kVolumeRuler, keyedIndexed(ruler(6, 20, 17, QColor(20, 80, 96), true), slot), F::Bmp8);

    // Built-in pictures: horizontal ones, and the same turned upright.
    const QImage hThumb = twoStates(thumb(11, 18, 18, kLedLit, false), thumb(11, 18, 18, kLedLit, true));
    art.add(artnames::kDefaultHThumb, keyedIndexed(hThumb, slot), F::Bmp8);
    art.add(artnames::kDefaultHRuler, keyedIndexed(ruler(12, 8, 8, kLedDim, false), slot), F::Bmp8);
    const QImage vNormal = rotated(thumb(11, 18, 18, kLedLit, false));
    const QImage vPressed = rotated(thumb(11, 18, 18, kLedLit, true));
    art.add(artnames::kDefaultVThumb, keyedIndexed(twoStates(vNormal, vPressed), slot), F::Bmp8);
    // Key in the bottom-left corner, like every slider picture.
    QImage vRuler = ruler(8, 12, 8, kLedDim, false, true);
    art.add(artnames::kDefaultVRuler, keyedIndexed(vRuler, slot), F::Bmp8);
}

// The navigator's pull handle: a tab that hangs on the left side of the
// main window, with a lit arrow pointing the way it opens.
QImage navigatorHandle()
{
    QImage img(20, 150, QImage::Format_RGB32);
    img.fill(Qt::black);
    QImage metalTab(20, 150, QImage::Format_RGB32);
    fillMetalVertical(metalTab, metalTab.rect(), 0.35, 0.55, kSeed);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(0.5, 0.5, 26, 149), 6, 6);
    p.setClipPath(tab);
    p.drawImage(0, 0, metalTab);
    p.setClipping(false);
    p.setPen(QPen(kEdgeDark, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tab);
    p.setPen(QPen(QColor(255, 255, 255, 55), 1));
    p.drawLine(QPointF(1.5, 6), QPointF(1.5, 144));
    p.drawLine(QPointF(6, 1.5), QPointF(19, 1.5));
    // Arrows pointing left at both ends.
    for (double y : {14.0, 136.0}) {
        QPainterPath arrow;
        arrow.moveTo(12.5, y - 5);
        arrow.lineTo(7, y);
        arrow.lineTo(12.5, y + 5);
        ledStroke(p, arrow, 1.6, kLedLit, 1.0);
    }
    // "FILES" stacked down the tab, on a strip of dark glass.
    const QRectF glass(4.5, 29.5, 12, 66);
    p.setPen(QPen(kEdgeDark, 1));
    p.setBrush(QColor(6, 14, 10));
    p.drawRoundedRect(glass, 2, 2);
    const QString word = "FILES";
    for (int i = 0; i < word.size(); ++i)
        ledStroke(p, lettering(word.mid(i, 1), QPointF(8.1, 34 + i * 12.2), 1.2), 1.15, kLedLit, 0.8);
    // Grip grooves.
    for (int i = 0; i < 8; ++i) {
        const double y = 104.5 + i * 3;
        p.setPen(QPen(kEdgeDark, 1));
        p.drawLine(QPointF(5, y), QPointF(16, y));
        p.setPen(QPen(QColor(255, 255, 255, 40), 1));
        p.drawLine(QPointF(5, y + 1), QPointF(16, y + 1));
    }
    // The edge that meets the window it hangs on.
    p.setPen(QPen(kEdgeDark, 1));
    p.drawLine(QPointF(19.5, 0), QPointF(19.5, 150));
    p.end();
    return indexed(img, 256);
}

// Cursor outlines: one white silhouette with a black edge, plus the
// creases between fingers, on pixel centres so the lines stay crisp.
void drawCursorShape(QPainter& p, const QPainterPath& shape, const std::vector<QLineF>& creases)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(shape.simplified());
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const QLineF& line : creases)
        p.drawLine(line);
}

// A pointing hand, index finger tip at (10, 1).
QImage handCursor()
{
    QImage img = transparentCanvas(32, 32);
    QPainter p(&img);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(8.5, 0.5, 4, 16), 2, 2);    // index finger
    hand.addRoundedRect(QRectF(12.5, 8.5, 4, 8), 2, 2);    // folded fingers
    hand.addRoundedRect(QRectF(16.5, 9.5, 4, 8), 2, 2);
    hand.addRoundedRect(QRectF(20.5, 10.5, 3.5, 8), 1.75, 1.75);
    hand.addRoundedRect(QRectF(8.5, 13.5, 15.5, 12), 4, 4); // palm
    QPainterPath thumb;                                   // thumb, bent in
    thumb.moveTo(9, 23);
    thumb.lineTo(4, 17.5);
    thumb.quadTo(2.5, 15.5, 4.2, 14.4);
    thumb.quadTo(5.8, 13.6, 7.4, 15.2);
    thumb.lineTo(9.2, 17.2);
    thumb.closeSubpath();
    hand = hand.united(thumb);
    drawCursorShape(p, hand, {QLineF(12, 11, 12, 14), QLineF(16, 10, 16, 13), QLineF(20, 11, 20, 14)});
    p.end();
    return img;
}

// A closed, grabbing hand, centred on (15, 15).
QImage dragCursor()
{
    QImage img = transparentCanvas(32, 32);
    QPainter p(&img);
    QPainterPath hand;
    for (int i = 0; i < 4; ++i)
        hand.addRoundedRect(QRectF(8.5 + i * 4, 7.5 + (i == 0 || i == 3 ? 1 : 0), 4, 7), 2, 2); // knuckles
    hand.addRoundedRect(QRectF(8.5, 10.5, 16, 13), 4, 4);                                    // back of the hand
    hand.addRoundedRect(QRectF(5.5, 12.5, 6, 5), 2.5, 2.5);                                  // thumb
    drawCursorShape(p, hand, {QLineF(12, 9, 12, 12), QLineF(16, 8, 16, 11), QLineF(20, 8, 20, 11)});
    p.end();
    return img;
}

// The icon: a brushed metal tile holding the logo lens.
QImage icon(int size)
{
    QImage img = transparentCanvas(size, size);
    QImage metalTile(size, size, QImage::Format_RGB32);
    fillMetal(metalTile, metalTile.rect(), 0.9, 0.2, kSeed + 1, size < 48 ? 0.3 : 1.0);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(1.5, 1.5, 61, 61), 12, 12);
    p.save();
    p.setClipPath(tile);
    p.resetTransform();
    p.drawImage(0, 0, metalTile);
    p.restore();
    p.setPen(QPen(kEdgeDark, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tile);
    p.setPen(QPen(QColor(255, 255, 255, 80), 1.2));
    p.drawRoundedRect(QRectF(3.5, 3.5, 57, 57), 10, 10);
    const QPointF centre(32, 32);
    // Small icons get a bolder letter and ring, without glow.
    const bool small = size < 32;
    logoLens(p, centre,
             {24, QPen(kEdgeDark, 2.5), {-6, -8}, 30, QColor(18, 62, 74), QColor(2, 8, 11), 21,
              QPen(kGlass, small ? 3 : 2), {-8, -12}, 4, small ? 5.5 : 4.2, small ? 0.0 : 0.4});
    if (size >= 48) {
        // A soft reflection across the top of the lens.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 26));
        p.drawEllipse(QRectF(centre.x() - 15, centre.y() - 21, 30, 12));
    }
    p.end();
    return img;
}

} // namespace

void drawSkinExtras(ArtSet& art)
{
    drawSliders(art);
    art.add(artnames::kNavigatorHandle, navigatorHandle(), ArtSet::Format::Bmp8);
    art.add(artnames::kHandCursor, handCursor(), ArtSet::Format::Png);
    art.add(artnames::kDragCursor, dragCursor(), ArtSet::Format::Png);
    for (int size : artnames::kIconSizes)
        art.add(artnames::iconName(size), icon(size), ArtSet::Format::Png);
}
