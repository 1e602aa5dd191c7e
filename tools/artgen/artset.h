#pragma once

#include <QImage>
#include <QString>
#include <vector>

// The pictures the generator produces, each with the file format it is
// stored in. Names are the resource names of widgets/artnames.h.
class ArtSet {
public:
    enum class Format { Bmp1, Bmp4, Bmp8, Bmp24, Png };

    struct Item {
        QString name;
        QImage image;
        Format format;
    };

    void add(const QString& name, const QImage& image, Format format) { items_.push_back({name, image, format}); }
    const std::vector<Item>& items() const { return items_; }

private:
    std::vector<Item> items_;
};

// Each family of pictures lives in its own source file.
void drawSkinArt(ArtSet& art);  // skin, buttons, sliders, navigator handle, cursors, icon
void drawLedArt(ArtSet& art);   // digit strips, clock separators, status panel and its handle
void drawAboutArt(ArtSet& art); // the About box artwork
