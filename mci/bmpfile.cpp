#include "bmpfile.h"

#include <QSaveFile>

#include <cstdint>
#include <limits>

namespace bmp {
namespace {

void putU16(QByteArray& out, uint16_t v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void putU32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

bool supportedDepth(int bpp)
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24;
}

} // namespace

QByteArray encode(const QImage& source, int bitsPerPixel)
{
    if (source.isNull() || !supportedDepth(bitsPerPixel))
        return {};
    const bool indexed = bitsPerPixel <= 8;
    const int maxColours = indexed ? (1 << bitsPerPixel) : 0;
    QImage image = indexed ? source : source.convertToFormat(QImage::Format_RGB32);
    if (indexed) {
        if (image.format() != QImage::Format_Indexed8 && image.format() != QImage::Format_Mono
            && image.format() != QImage::Format_MonoLSB)
            return {};
        image = image.convertToFormat(QImage::Format_Indexed8);
        if (image.colorCount() > maxColours)
            return {};
    }

    const int64_t width = image.width();
    const int64_t height = image.height();
    const int64_t rowBytes = ((width * bitsPerPixel + 31) / 32) * 4;
    const int64_t paletteBytes = int64_t(maxColours) * 4;
    const int64_t headerBytes = 14 + 40 + paletteBytes;
    const int64_t fileBytes = headerBytes + rowBytes * height;
    if (fileBytes > std::numeric_limits<int32_t>::max())
        return {};

    QByteArray out;
    out.reserve(int(fileBytes));
    out.append("BM", 2);
    putU32(out, uint32_t(fileBytes));
    putU32(out, 0);
    putU32(out, uint32_t(headerBytes));
    putU32(out, 40);
    putU32(out, uint32_t(width));
    putU32(out, uint32_t(height)); // positive: bottom-up
    putU16(out, 1);
    putU16(out, uint16_t(bitsPerPixel));
    putU32(out, 0); // BI_RGB
    putU32(out, uint32_t(rowBytes * height));
    putU32(out, 2835); // 72 dpi
    putU32(out, 2835);
    putU32(out, uint32_t(maxColours));
    putU32(out, 0);

    if (indexed) {
        const QList<QRgb> table = image.colorTable();
        for (int i = 0; i < maxColours; ++i) {
            const QRgb c = i < table.size() ? table[i] : qRgb(0, 0, 0);
            out.append(char(qBlue(c)));
            out.append(char(qGreen(c)));
            out.append(char(qRed(c)));
            out.append(char(0));
        }
    }

    QByteArray row(int(rowBytes), '\0');
    for (int64_t y = height - 1; y >= 0; --y) {
        row.fill('\0');
        auto* dst = reinterpret_cast<uint8_t*>(row.data());
        const uchar* src = image.constScanLine(int(y));
        if (bitsPerPixel == 24) {
            const auto* px = reinterpret_cast<const QRgb*>(src);
            for (int64_t x = 0; x < width; ++x) {
                dst[3 * x] = uint8_t(qBlue(px[x]));
                dst[3 * x + 1] = uint8_t(qGreen(px[x]));
                dst[3 * x + 2] = uint8_t(qRed(px[x]));
            }
        } else {
            const int perByte = 8 / bitsPerPixel;
            // An index too big for the depth keeps to its own bits rather
            // than spilling into its neighbours'.
            const int mask = maxColours - 1;
            for (int64_t x = 0; x < width; ++x) {
                const int shift = 8 - bitsPerPixel * int(x % perByte + 1);
                dst[x / perByte] |= uint8_t((src[x] & mask) << shift);
            }
        }
        out.append(row);
    }
    return out;
}

bool write(const QImage& image, const QString& path, int bitsPerPixel, QString* error)
{
    const QByteArray data = encode(image, bitsPerPixel);
    if (data.isEmpty()) {
        if (error)
            *error = QStringLiteral("The picture cannot be stored as a %1-bit bitmap.").arg(bitsPerPixel);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace bmp
