// Draws every picture of the program and writes it, with a Qt resource file
// listing them, into the folder given on the command line.
#include "artset.h"
#include "bmpfile.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

bool writeItem(const ArtSet::Item& item, const QDir& dir)
{
    const QString path = dir.filePath(item.name);
    QString error;
    switch (item.format) {
    case ArtSet::Format::Bmp1: return bmp::write(item.image, path, 1, &error);
    case ArtSet::Format::Bmp4: return bmp::write(item.image, path, 4, &error);
    case ArtSet::Format::Bmp8: return bmp::write(item.image, path, 8, &error);
    case ArtSet::Format::Bmp24: return bmp::write(item.image, path, 24, &error);
    case ArtSet::Format::Png: return item.image.save(path, "PNG");
    }
    return false;
}

bool writeQrc(const ArtSet& art, const QDir& dir)
{
    QFile file(dir.filePath("art.qrc"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&file);
    out << "<RCC>\n  <qresource prefix=\"/art\">\n";
    for (const auto& item : art.items())
        out << "    <file>" << item.name << "</file>\n";
    out << "  </qresource>\n</RCC>\n";
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: norrava-artgen OUTPUT_DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    ArtSet art;
    drawSkinArt(art);
    drawLedArt(art);
    drawAboutArt(art);
    for (const auto& item : art.items()) {
        if (!writeItem(item, dir)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(item.name));
            return 1;
        }
    }
    return writeQrc(art, dir) ? 0 : 1;
}
