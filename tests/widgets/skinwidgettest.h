#pragma once

// A QApplication for the skin control tests, made once before any test runs.
#include <QApplication>
#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

class SkinWidgetEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "skin-widget-test";
            static char* argv[] = {name, nullptr};
            app = new QApplication(argc, argv);
        }
    }
    // Gone before the program's static objects are, as Qt needs.
    void TearDown() override
    {
        delete app;
        app = nullptr;
    }

private:
    QApplication* app = nullptr;
};

inline ::testing::Environment* const skinWidgetEnvironment =
    ::testing::AddGlobalTestEnvironment(new SkinWidgetEnvironment);

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
