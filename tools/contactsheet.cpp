// Writes a contact sheet of every generated picture, and mock-ups of the
// assembled main window at a few sizes, so the artwork can be looked at as
// a whole.
//
//   norrava-contactsheet ART_DIR SHEET.png [MOCKUP.png]
#include "../widgets/artnames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>

namespace {

const QColor kSheet(0x2a, 0x2d, 0x31);
const QColor kText(0xd8, 0xdc, 0xe0);

// Bits per pixel from a BMP file's header; 32 for other files.
int bitDepth(const QString& path)
{
    QFile file(path);
    if (!path.endsWith(".bmp", Qt::CaseInsensitive) || !file.open(QIODevice::ReadOnly))
        return 32;
    const QByteArray head = file.read(30);
    return head.size() < 30 ? 0 : uchar(head[28]) | uchar(head[29]) << 8;
}

int scaleFor(const QImage& image)
{
    const int side = std::max(image.width(), image.height());
    return side <= 24 ? 4 : side <= 160 ? 2 : 1;
}

// A checkerboard under pictures with alpha, so transparency is visible.
void drawChecker(QPainter& p, const QRect& r)
{
    for (int y = r.top(); y < r.bottom(); y += 8)
        for (int x = r.left(); x < r.right(); x += 8)
            p.fillRect(QRect(x, y, 8, 8) & r, ((x - r.left()) / 8 + (y - r.top()) / 8) % 2 ? QColor(90, 90, 90)
                                                                                            : QColor(60, 60, 60));
}

bool writeSheet(const QDir& dir, const QString& out)
{
    const QStringList names = dir.entryList({"*.bmp", "*.png"}, QDir::Files, QDir::Name);
    struct Cell {
        QString label;
        QImage image;
        int scale;
    };
    std::vector<Cell> cells;
    for (const QString& name : names) {
        QImage image(dir.filePath(name));
        if (image.isNull()) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
            continue;
        }
        const QString label = QString("%1\n%2 x %3, %4-bit").arg(name).arg(image.width()).arg(image.height()).arg(bitDepth(dir.filePath(name)));
        cells.push_back({label, image, scaleFor(image)});
    }
    // Lay the cells out in rows, filling a fixed sheet width.
    const int sheetWidth = 1400, pad = 14, labelHeight = 28;
    QFont font("DejaVu Sans");
    font.setPixelSize(10);
    std::vector<QRect> places;
    int x = pad, y = pad, rowHeight = 0;
    for (const Cell& c : cells) {
        const QSize s = c.image.size() * c.scale;
        const int w = std::max(s.width(), 168), h = s.height() + labelHeight;
        if (x + w > sheetWidth - pad) {
            x = pad;
            y += rowHeight + pad;
            rowHeight = 0;
        }
        places.emplace_back(x, y, w, h);
        x += w + pad;
        rowHeight = std::max(rowHeight, h);
    }
    QImage sheet(sheetWidth, y + rowHeight + pad, QImage::Format_RGB32);
    sheet.fill(kSheet);
    QPainter p(&sheet);
    p.setFont(font);
    for (size_t i = 0; i < cells.size(); ++i) {
        const Cell& c = cells[i];
        const QRect r = places[i];
        const QRect pic(r.left(), r.top() + labelHeight, c.image.width() * c.scale, c.image.height() * c.scale);
        if (c.image.hasAlphaChannel())
            drawChecker(p, pic);
        p.drawImage(pic, c.image);
        p.setPen(kText);
        p.drawText(QRect(r.left(), r.top(), r.width(), labelHeight), Qt::AlignLeft | Qt::AlignTop, c.label);
    }
    p.end();
    return sheet.save(out, "PNG");
}

// Draws a picture with fuchsia left out, as the skin's buttons are drawn.
void drawKeyed(QPainter& p, int x, int y, const QImage& picture, QRgb key = 0xFFFF00FF)
{
    QImage img = picture.convertToFormat(QImage::Format_ARGB32);
    for (int yy = 0; yy < img.height(); ++yy) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(yy));
        for (int xx = 0; xx < img.width(); ++xx)
            if ((line[xx] | 0xFF000000u) == key)
                line[xx] = 0;
    }
    p.drawImage(x, y, img);
}

// The main window at width w and height h: the nine-piece skin with every
// button, slider and level bar where the window places them.
QImage mockup(const QDir& dir, int w, int h)
{
    using namespace artnames;
    const QImage skin(dir.filePath(kSkin));
    const int iw = skin.width(), ih = skin.height();
    QImage win(w, h, QImage::Format_RGB32);
    win.fill(Qt::black);
    QPainter p(&win);
    auto piece = [&](QRect src, QRect dst) { p.drawImage(dst, skin, src); };
    piece({0, 0, 93, 209}, {0, 0, 93, 209});
    piece({95, 0, 1, 94}, {93, 0, w - 132, 94});
    piece({iw - 39, 0, 39, 209}, {w - 39, 0, 39, 209});
    piece({148, 0, 93, 94}, {(w - 93) / 2, 0, 93, 94});
    piece({0, 209, 41, 1}, {0, 209, 41, h - 294});
    piece({iw - 40, 209, 40, 1}, {w - 40, 209, 40, h - 291});
    piece({0, ih - 104, 89, 104}, {0, h - 104, 89, 104});
    piece({209, ih - 104, 1, 104}, {88, h - 104, w - 175, 104});
    piece({iw - 87, ih - 104, 87, 104}, {w - 87, h - 104, 87, 104});

    enum State { Up, Down, High };
    auto button = [&](const ButtonArt& art, int x, int y, State state = Up) {
        const char* name = state == Down ? art.down : state == High ? art.high : art.up;
        drawKeyed(p, x, y, QImage(dir.filePath(name)));
    };
    button(kButtonClose, w - 34, 5);
    button(kButtonMaximise, w - 60, 5, High);
    button(kButtonMinimise, w - 86, 5);
    button(kButtonWeb, 17, 31);
    button(kButtonLoad, 44, 38, High);
    button(kButtonCapture, 74, 38);
    button(kButtonBigger, 103, 38);
    button(kButtonSmaller, 133, 38);
    button(kButtonNormalSize, 161, 38, Down);
    button(kButtonAbout, w - 50 - 30, 38);
    button(kButtonEmail, w - 40, 31);

    // Level bars: black with a few lit cells, as the meter shows them.
    const int barHeight = h - 253;
    for (int bx : {18, w - 30}) {
        p.fillRect(bx, 206, 12, barHeight, Qt::black);
        for (int yy = 206 + barHeight / 3; yy < 206 + barHeight - 1; yy += 3)
            p.fillRect(bx + 1, yy, 10, 2, QColor(0x3d, 0xff, 0x7a));
    }
    // Sliders: black, the ruler repeated, the thumb.
    auto slider = [&](const char* thumb, const char* ruler, int top, double at, bool opaqueRuler) {
        const int left = 89, width = w - 175;
        p.fillRect(left, top, width, 17, Qt::black);
        const QImage r(dir.filePath(ruler));
        for (int x = 0; x < width; x += r.width()) {
            const QImage tile = r.copy(0, 0, std::min(r.width(), width - x), 17);
            if (opaqueRuler)
                p.drawImage(left + x, top, tile);
            else
                drawKeyed(p, left + x, top, tile);
        }
        const QImage t = QImage(dir.filePath(thumb)).copy(0, 0, 15, 17);
        drawKeyed(p, left + int((width - 15) * at), top, t);
    };
    slider(kPositionThumb, kPositionRuler, h - 102, 0.35, false);
    slider(kVolumeThumb, kVolumeRuler, h - 43, 50000.0 / 65534, true);
    // The transport tool bar with its own colour under the keys.
    const int tx = (w - 250) / 2 + 1, ty = h - 80;
    p.fillRect(tx, ty, 248, 20, QColor(160, 112, 32));
    const ButtonArt transport[] = {kButtonPlay,    kButtonStop,      kButtonPause,       kButtonRewind,
                                   kButtonForward, kButtonFrameBack, kButtonFrameForward};
    for (int i = 0; i < 7; ++i)
        button(transport[i], tx + 36 * i, ty, i == 0 ? Down : i == 3 ? High : Up);
    // Where the video goes.
    p.fillRect(QRect(41, 94, w - 82, h - 199).adjusted(6, 6, -6, -6), QColor(12, 12, 12));
    p.end();
    return win;
}

bool writeMockups(const QDir& dir, const QString& out)
{
    const QImage a = mockup(dir, 386, 424);
    const QImage b = mockup(dir, 314, 299);
    const QImage c = mockup(dir, 560, 470);
    QImage sheet(a.width() + b.width() + c.width() + 4 * 16, c.height() + 32, QImage::Format_RGB32);
    sheet.fill(kSheet);
    QPainter p(&sheet);
    p.drawImage(16, 16, a);
    p.drawImage(32 + a.width(), 16, b);
    p.drawImage(48 + a.width() + b.width(), 16, c);
    p.end();
    return sheet.save(out, "PNG");
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: norrava-contactsheet ART_DIR SHEET.png [MOCKUP.png]\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!writeSheet(dir, QString::fromLocal8Bit(argv[2])))
        return 1;
    if (argc > 3 && !writeMockups(dir, QString::fromLocal8Bit(argv[3])))
        return 1;
    return 0;
}
