#pragma once

// Helpers shared by the LED widget tests.
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include "testapplication.h"

namespace ledtest {

using AppEnvironment = testsupport::ApplicationEnvironment<QApplication>;

// Counts paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

inline QImage grabImage(QWidget* widget)
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QRgb rgb(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xffffff;
}

// The digit strip of a resource recoloured as the widgets do it.
inline QImage recolouredStrip(const QString& name, QRgb low, QRgb high)
{
    QImage strip = QImage(":/art/" + name + ".bmp").convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x) {
            QRgb c = strip.pixel(x, y) & 0xffffff;
            if (c == 0xC0C0C0)
                c = high;
            if (c == 0x808080)
                c = low;
            strip.setPixel(x, y, c);
        }
    return strip;
}

// True when cell `cell` of the strip appears at (x, y) of the image, its
// black pixels showing `background`.
inline ::testing::AssertionResult cellAt(const QImage& image, const QImage& strip, int cellWidth, int cell, int x, int y,
                                         QRgb background)
{
    for (int cy = 0; cy < strip.height(); ++cy)
        for (int cx = 0; cx < cellWidth; ++cx) {
            const QRgb s = strip.pixel(cell * cellWidth + cx, cy) & 0xffffff;
            const QRgb expected = s == 0 ? background : s;
            const QRgb got = rgb(image, x + cx, y + cy);
            if (got != expected)
                return ::testing::AssertionFailure()
                       << "cell " << cell << " at (" << x << "," << y << "): pixel (" << cx << "," << cy << ") is "
                       << std::hex << got << ", expected " << expected;
        }
    return ::testing::AssertionSuccess();
}

} // namespace ledtest
