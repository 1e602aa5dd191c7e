#include "transparentdraw.h"

#include <limits>

namespace {

bool isMonochrome(const QImage& image)
{
    return image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB;
}

// The palette entry closest to rgb, as palette matching picks it.
QRgb nearestPaletteColour(const QList<QRgb>& table, QRgb rgb)
{
    QRgb best = table.front();
    long bestDistance = std::numeric_limits<long>::max();
    for (QRgb entry : table) {
        const long dr = qRed(entry) - qRed(rgb), dg = qGreen(entry) - qGreen(rgb), db = qBlue(entry) - qBlue(rgb);
        const long distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = entry;
        }
    }
    return best;
}

} // namespace

qint64 TransparentRgbFor(const QImage& bitmap, TColor transparent)
{
    if (bitmap.isNull() || transparent == clNone)
        return -1;
    if (isMonochrome(bitmap))
        return qint64(qRgb(255, 255, 255) & 0xFFFFFF);
    QRgb key;
    if (transparent == clDefault)
        key = bitmap.pixel(0, bitmap.height() - 1);
    else
        key = ColorToRGB(transparent);
    if (bitmap.format() == QImage::Format_Indexed8 && !bitmap.colorTable().isEmpty())
        key = nearestPaletteColour(bitmap.colorTable(), key);
    return qint64(key & 0xFFFFFF);
}

void DrawBitmapRectTransparent(QImage& dest, int x, int y, int w, int h, const QRect& src, const QImage& bitmap,
                               TColor transparent)
{
    if (bitmap.isNull() || dest.isNull())
        return;
    const QRect source = (src.width() < 1 || src.height() < 1) ? bitmap.rect() : src;
    if (w < 1)
        w = bitmap.width();
    if (h < 1)
        h = bitmap.height();
    const qint64 key = TransparentRgbFor(bitmap, transparent);
    const QImage pixels = bitmap.convertToFormat(QImage::Format_RGB32);
    if (dest.format() != QImage::Format_RGB32 && dest.format() != QImage::Format_ARGB32
        && dest.format() != QImage::Format_ARGB32_Premultiplied)
        dest = dest.convertToFormat(QImage::Format_RGB32);

    const QRect target = QRect(x, y, w, h) & dest.rect();
    for (int dy = target.top(); dy <= target.bottom(); ++dy) {
        const int sy = source.top() + int(qint64(dy - y) * source.height() / h);
        if (sy < 0 || sy >= pixels.height())
            continue;
        const auto* in = reinterpret_cast<const QRgb*>(pixels.constScanLine(sy));
        auto* out = reinterpret_cast<QRgb*>(dest.scanLine(dy));
        for (int dx = target.left(); dx <= target.right(); ++dx) {
            const int sx = source.left() + int(qint64(dx - x) * source.width() / w);
            if (sx < 0 || sx >= pixels.width())
                continue;
            const QRgb p = in[sx];
            if (key >= 0 && qint64(p & 0xFFFFFF) == key)
                continue;
            out[dx] = p | 0xFF000000u;
        }
    }
}

void DrawBitmapTransparent(QImage& dest, int x, int y, const QImage& bitmap, TColor transparent)
{
    DrawBitmapRectTransparent(dest, x, y, bitmap.width(), bitmap.height(), bitmap.rect(), bitmap, transparent);
}

void DrawBitmapRectTransparent(QImage& dest, int x, int y, const QRect& src, const QImage& bitmap,
                               TColor transparent)
{
    const QRect source = (src.width() < 1 || src.height() < 1) ? bitmap.rect() : src;
    DrawBitmapRectTransparent(dest, x, y, source.width(), source.height(), source, bitmap, transparent);
}
