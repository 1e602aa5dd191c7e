// Slider pictures, the file navigator's handle, the cursors and the
// application icon.
#include "../../widgets/artnames.h"
#include "artset.h"
#include "skinpaint.h"

namespace {

using namespace skinpaint;

constexpr uint32_t kSeed = 0x51DE5EEDu;

QImage transparentCanvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

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

QImage keyedIndexed(const QImage& img, const QColor& under)
{
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

// A pointing hand, index finger tip at (10, 1).
QImage handCursor()
{
    QImage img = transparentCanvas(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(8.5, 0.5, 4.5, 15), 2.25, 2.25);
    hand.addRoundedRect(QRectF(12.2, 8.5, 4.3, 9), 2.1, 2.1);
    hand.addRoundedRect(QRectF(15.7, 9.5, 4.3, 9), 2.1, 2.1);
    hand.addRoundedRect(QRectF(19.2, 11, 4.2, 9), 2.1, 2.1);
    hand.addRoundedRect(QRectF(8.5, 12, 14.9, 14), 4, 4);
    QPainterPath thumbPath;
    thumbPath.moveTo(9.5, 22);
    thumbPath.lineTo(4.5, 16.5);
    thumbPath.quadTo(2.8, 14.2, 4.6, 13.2);
    thumbPath.quadTo(6.2, 12.5, 8, 14.5);
    thumbPath.lineTo(10, 17);
    thumbPath.closeSubpath();
    hand = hand.united(thumbPath).united(QPainterPath()).simplified();
    p.setPen(QPen(Qt::black, 1.3));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    p.setPen(QPen(QColor(0, 0, 0, 140), 0.9));
    for (double x : {12.6, 16.1, 19.6})
        p.drawLine(QPointF(x, 14), QPointF(x, 18));
    p.end();
    return img;
}

// A closed, grabbing hand, centred on (15, 15).
QImage dragCursor()
{
    QImage img = transparentCanvas(32, 32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    for (int i = 0; i < 4; ++i)
        hand.addRoundedRect(QRectF(7.5 + i * 4, 8.5, 4.4, 7), 2.2, 2.2);
    hand.addRoundedRect(QRectF(7.5, 11.5, 16.4, 12.5), 4, 4);
    hand.addRoundedRect(QRectF(4.5, 13, 6, 4.2), 2.1, 2.1);
    hand = hand.simplified();
    p.setPen(QPen(Qt::black, 1.3));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    p.setPen(QPen(QColor(0, 0, 0, 140), 0.9));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(7.5 + i * 4, 10), QPointF(7.5 + i * 4, 14.5));
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
    QRadialGradient lens(centre + QPointF(-6, -8), 30);
    lens.setColorAt(0, QColor(18, 62, 74));
    lens.setColorAt(1, QColor(2, 8, 11));
    p.setPen(QPen(kEdgeDark, 2.5));
    p.setBrush(lens);
    p.drawEllipse(centre, 24, 24);
    p.setPen(QPen(kGlass, size < 32 ? 3 : 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 21, 21);
    ledStroke(p, lettering("N", QPointF(centre.x() - 8, centre.y() - 12), 4), size < 32 ? 5.5 : 4.2, kLedLit,
              size < 32 ? 0.4 : 0.55);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QRectF(centre.x() - 15, centre.y() - 20, 30, 15));
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
        art.add(QStringLiteral("norrava_%1.png").arg(size), icon(size), ArtSet::Format::Png);
}
