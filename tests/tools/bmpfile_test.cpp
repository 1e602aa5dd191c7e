#include "bmpfile.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

namespace {

QImage Decode(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "bmp");
    return reader.read();
}

} // namespace

TEST(BmpFile, IndexTooBigForTheDepthStaysInItsOwnPixel)
{
    // The last pixel of a byte names entry 21 on a 1-bit picture; it must
    // not spill into pixels 3 and 5, which stay entry 0.
    QImage image(8, 1, QImage::Format_Indexed8);
    image.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
    image.fill(0);
    image.scanLine(0)[7] = 21;
    const QImage decoded = Decode(bmp::encode(image, 1));
    ASSERT_FALSE(decoded.isNull());
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(decoded.pixel(x, 0) | 0xFF000000u, qRgb(10, 20, 30)) << x;
    EXPECT_EQ(decoded.pixel(7, 0) | 0xFF000000u, qRgb(200, 100, 50));

    QImage nibbles(2, 1, QImage::Format_Indexed8);
    nibbles.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    nibbles.scanLine(0)[0] = 0;
    nibbles.scanLine(0)[1] = 0x31; // entry 1 at 4 bits
    const QImage four = Decode(bmp::encode(nibbles, 4));
    ASSERT_FALSE(four.isNull());
    EXPECT_EQ(four.pixel(0, 0) | 0xFF000000u, qRgb(0, 0, 0));
    EXPECT_EQ(four.pixel(1, 0) | 0xFF000000u, qRgb(255, 255, 255));
}
