// Builds a picture from the input bytes (size, depth, colour table, pixels),
// encodes it as a bitmap and checks the header against the size and that
// Qt's own reader gets back the same colours.
#include "bmpfile.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include "fuzzinput.h"

#include <cstddef>
#include <cstdint>

namespace {

uint32_t le32(const QByteArray& b, int at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | uint8_t(b[at + i]);
    return v;
}

uint16_t le16(const QByteArray& b, int at)
{
    return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8));
}

// The colour a source pixel should come back as.
QRgb expected(const QImage& source, int x, int y, int bitsPerPixel)
{
    if (bitsPerPixel == 24)
        return source.pixel(x, y) | 0xFF000000u;
    const int index = source.pixelIndex(x, y) & ((1 << bitsPerPixel) - 1);
    const QList<QRgb> table = source.colorTable();
    return index < table.size() ? (table[index] | 0xFF000000u) : qRgb(0, 0, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzBytes in(data, size);
    static constexpr int depths[] = {1, 4, 8, 24};
    const uint8_t shape = in.u8();
    const int bitsPerPixel = depths[shape & 3];
    const int width = 1 + in.u8() % 160;
    const int height = 1 + in.u8() % 120;

    QImage source;
    if (bitsPerPixel == 24) {
        // Opaque formats the capture may hand over.
        static constexpr QImage::Format formats[] = {QImage::Format_RGB32, QImage::Format_RGB888,
                                                     QImage::Format_RGB16, QImage::Format_BGR888};
        source = QImage(width, height, formats[(shape >> 2) & 3]);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                source.setPixel(x, y, in.u32() | 0xFF000000u);
    } else {
        // Any colour count up to the depth's limit, and pixels that may
        // name entries past the table or past the depth: each must stay in
        // its own bits.
        const int limit = 1 << bitsPerPixel;
        const int colours = 1 + in.u8() % limit;
        source = QImage(width, height, (shape & 4) && bitsPerPixel == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < colours; ++i)
            table.append(in.u32() | 0xFF000000u);
        source.setColorTable(table);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t index = in.u8();
                if (source.format() == QImage::Format_Mono)
                    source.setPixel(x, y, index % colours);
                else
                    source.scanLine(y)[x] = index;
            }
    }

    const QByteArray bitmap = bmp::encode(source, bitsPerPixel);
    check(!bitmap.isEmpty());

    const int64_t rowBytes = ((int64_t(width) * bitsPerPixel + 31) / 32) * 4;
    const int paletteBytes = bitsPerPixel <= 8 ? (4 << bitsPerPixel) : 0;
    check(bitmap.size() == 54 + paletteBytes + rowBytes * height);
    check(bitmap[0] == 'B' && bitmap[1] == 'M');
    check(le32(bitmap, 2) == uint32_t(bitmap.size()));
    check(le32(bitmap, 10) == uint32_t(54 + paletteBytes));
    check(le32(bitmap, 14) == 40);
    check(le32(bitmap, 18) == uint32_t(width));
    check(le32(bitmap, 22) == uint32_t(height));
    check(le16(bitmap, 26) == 1);
    check(le16(bitmap, 28) == bitsPerPixel);
    check(le32(bitmap, 30) == 0);
    check(le32(bitmap, 34) == uint32_t(rowBytes * height));

    QByteArray copy = bitmap;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer, "bmp");
    const QImage decoded = reader.read();
    check(!decoded.isNull());
    check(decoded.width() == width && decoded.height() == height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            check((decoded.pixel(x, y) | 0xFF000000u) == expected(source, x, y, bitsPerPixel));
    return 0;
}
