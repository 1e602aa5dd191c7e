#pragma once

// A QApplication for the skin control tests, made once before any test runs.
#include <QApplication>
#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include "testapplication.h"

inline ::testing::Environment* const skinWidgetEnvironment =
    ::testing::AddGlobalTestEnvironment(new testsupport::ApplicationEnvironment<QApplication>);

// A solid picture of w x h in colour c.
inline QImage solid(int w, int h, QRgb c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

inline QRgb rgbAt(const QImage& img, int x, int y)
{
    return img.pixel(x, y) & 0xFFFFFF;
}
