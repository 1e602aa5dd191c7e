#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace bmp {

// Encodes an image as an uncompressed Windows bitmap (BITMAPINFOHEADER,
// bottom-up rows padded to 4 bytes). bitsPerPixel is 1, 4, 8 or 24; for the
// palette depths the image must be indexed with no more colours than fit.
// Returns an empty array when the image cannot be written at that depth.
QByteArray encode(const QImage& image, int bitsPerPixel);

// Writes encode()'s result to path, replacing the file only once the whole
// bitmap has been written. On failure returns false and sets *error.
bool write(const QImage& image, const QString& path, int bitsPerPixel, QString* error = nullptr);

} // namespace bmp
