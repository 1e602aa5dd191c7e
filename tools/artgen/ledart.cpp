// LED artwork: the seven-segment digit strips and clock separators (4-bit,
// three key colours), the status panel background and its pull handle.
#include "../../widgets/artnames.h"
#include "artset.h"
#include "skinpaint.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using namespace skinpaint;

// ---------------------------------------------------------------- digits ---

// The standard 16-colour palette of 4-bit bitmaps; the strips use three of it.
const QList<QRgb> kVgaPalette = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};
constexpr uchar kBlack = 0;
constexpr uchar kSilver = 7; // lit segment
constexpr uchar kGrey = 8;   // unlit segment

enum Segment { A, B, C, D, E, F, G };
using SegmentMask = unsigned;

constexpr std::array<SegmentMask, 13> kCellSegments = {
    0b0111111, // 0: a b c d e f
    0b0000110, // 1: b c
    0b1011011, // 2: a b d e g
    0b1001111, // 3: a b c d g
    0b1100110, // 4: b c f g
    0b1101101, // 5: a c d f g
    0b1111101, // 6: a c d e f g
    0b0000111, // 7: a b c
    0b1111111, // 8
    0b1101111, // 9: a b c d f g
    0,         // 10: unlit digit
    0,         // 11: unlit sign bar
    0b1000000, // 12: minus sign
};

QImage newStrip(int width, int height)
{
    QImage image(width, height, QImage::Format_Indexed8);
    image.setColorTable(kVgaPalette);
    image.fill(kBlack);
    return image;
}

// Geometry of one digit inside its cell.
struct DigitShape {
    double left, top, right, bottom; // outer edges of the segments
    double thickness;
    double gap; // shortening of each segment end, so neighbours don't touch
};

// A segment as a hexagon with pointed ends, in cell coordinates.
QPolygonF segmentPolygon(const DigitShape& s, Segment seg)
{
    const double t = s.thickness, h = t / 2, g = s.gap;
    const double mid = (s.top + s.bottom) / 2;
    auto horizontal = [&](double y) {
        const double x0 = s.left + g, x1 = s.right - g;
        return QPolygonF({{x0, y + h}, {x0 + h, y}, {x1 - h, y}, {x1, y + h}, {x1 - h, y + t}, {x0 + h, y + t}});
    };
    auto vertical = [&](double x, double y0, double y1) {
        y0 += g;
        y1 -= g;
        return QPolygonF({{x + h, y0}, {x + t, y0 + h}, {x + t, y1 - h}, {x + h, y1}, {x, y1 - h}, {x, y0 + h}});
    };
    switch (seg) {
    case A: return horizontal(s.top);
    case G: return horizontal(mid - h);
    case D: return horizontal(s.bottom - t);
    case F: return vertical(s.left, s.top + h, mid);
    case B: return vertical(s.right - t, s.top + h, mid);
    case E: return vertical(s.left, mid, s.bottom - h);
    case C: return vertical(s.right - t, mid, s.bottom - h);
    }
    return {};
}

// Paints a cell by testing every pixel centre against the segments, so the
// result has hard edges and only the three key colours.
void drawPolygonCell(QImage& strip, int cell, int cellWidth, const DigitShape& shape, SegmentMask lit, SegmentMask shown)
{
    for (int y = 0; y < strip.height(); ++y) {
        for (int x = 0; x < cellWidth; ++x) {
            const QPointF p(x + 0.5, y + 0.5);
            for (int seg = A; seg <= G; ++seg) {
                if (!(shown & (1u << seg)))
                    continue;
                if (segmentPolygon(shape, Segment(seg)).containsPoint(p, Qt::OddEvenFill)) {
                    strip.setPixel(cell * cellWidth + x, y, (lit & (1u << seg)) ? kSilver : kGrey);
                    break;
                }
            }
        }
    }
}

// Small strips are laid out pixel by pixel: one-pixel strokes, corners left
// open so the segments read as separate bars.
struct PixelShape {
    int left, right;        // columns of the vertical strokes
    int top, middle, bottom; // rows of the horizontal strokes
    int stroke;             // width of the vertical strokes (grows inward)
};

void drawPixelCell(QImage& strip, int cell, int cellWidth, const PixelShape& s, SegmentMask lit, SegmentMask shown)
{
    auto put = [&](Segment seg, int x0, int y0, int x1, int y1) {
        if (!(shown & (1u << seg)))
            return;
        const uchar colour = (lit & (1u << seg)) ? kSilver : kGrey;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                strip.setPixel(cell * cellWidth + x, y, colour);
    };
    const int innerLeft = s.left + s.stroke, innerRight = s.right - s.stroke;
    put(A, innerLeft, s.top, innerRight, s.top);
    put(G, innerLeft, s.middle, innerRight, s.middle);
    put(D, innerLeft, s.bottom, innerRight, s.bottom);
    put(F, s.left, s.top + 1, innerLeft - 1, s.middle - 1);
    put(E, s.left, s.middle + 1, innerLeft - 1, s.bottom - 1);
    put(B, innerRight + 1, s.top + 1, s.right, s.middle - 1);
    put(C, innerRight + 1, s.middle + 1, s.right, s.bottom - 1);
}

template <typename DrawCell>
QImage digitStrip(int cellWidth, int height, DrawCell drawCell)
{
    QImage strip = newStrip(cellWidth * 13, height);
    for (int cell = 0; cell < 13; ++cell) {
        SegmentMask shown = 0x7f;
        if (cell >= 11)
            shown = 1u << G; // the sign cells hold only the middle bar
        drawCell(strip, cell, kCellSegments[size_t(cell)], shown);
    }
    return strip;
}

QImage polygonStrip(int cellWidth, int height, const DigitShape& shape)
{
    return digitStrip(cellWidth, height, [&](QImage& strip, int cell, SegmentMask lit, SegmentMask shown) {
        drawPolygonCell(strip, cell, cellWidth, shape, lit, shown);
    });
}

QImage pixelStrip(int cellWidth, int height, const PixelShape& shape)
{
    return digitStrip(cellWidth, height, [&](QImage& strip, int cell, SegmentMask lit, SegmentMask shown) {
        drawPixelCell(strip, cell, cellWidth, shape, lit, shown);
    });
}

// A colon: two silver dots, black elsewhere, no grey.
QImage separator(int width, int height, QRect upper, QRect lower)
{
    QImage image = newStrip(width, height);
    for (const QRect& dot : {upper, lower})
        for (int y = dot.top(); y <= dot.bottom(); ++y)
            for (int x = dot.left(); x <= dot.right(); ++x)
                image.setPixel(x, y, kSilver);
    return image;
}

void drawDigits(ArtSet& art)
{
    using F = ArtSet::Format;
    using namespace artnames;
    art.add(kLed13x24.digits, polygonStrip(13, 24, {1.0, 1.0, 12.0, 24.0, 3.0, 1.4}), F::Bmp4);
    art.add(kLed11x20.digits, polygonStrip(11, 20, {1.0, 1.0, 10.0, 19.0, 2.0, 0.75}), F::Bmp4);
    art.add(kLed12x17.digits, polygonStrip(12, 17, {1.0, 0.0, 11.0, 16.0, 2.0, 0.75}), F::Bmp4);
    art.add(kLed7x13.digits, pixelStrip(7, 13, {0, 5, 0, 6, 12, 1}), F::Bmp4);
    art.add(kLed5x7.digits, pixelStrip(4, 7, {0, 3, 0, 3, 6, 1}), F::Bmp4);

    art.add(kLed13x24.separator, separator(6, 24, {1, 6, 3, 3}, {1, 16, 3, 3}), F::Bmp4);
    art.add(kLed11x20.separator, separator(6, 20, {2, 5, 2, 2}, {2, 13, 2, 2}), F::Bmp4);
    art.add(kLed7x13.separator, separator(3, 13, {1, 3, 1, 2}, {1, 8, 1, 2}), F::Bmp4);
    art.add(kLed12x17.separator, separator(7, 17, {2, 3, 2, 2}, {2, 11, 2, 2}), F::Bmp4);
    art.add(kLed5x7.separator, separator(3, 7, {1, 1, 1, 1}, {1, 5, 1, 1}), F::Bmp4);
}

// ----------------------------------------------------------- metal art ---


// Brushed metal: a vertical shade with fine horizontal streaks from a fixed seed.
QImage brushedMetal(int width, int height, QColor top, QColor bottom, uint32_t seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 random(seed);
    auto noise = [&random] { return double(random() % 2001) / 1000.0 - 1.0; };
    std::vector<double> streak(size_t(width) + 32);
    for (int y = 0; y < height; ++y) {
        for (double& v : streak)
            v = noise();
        const double rowShift = noise() * 3.0;
        const double f = height > 1 ? double(y) / (height - 1) : 0.0;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        double window = 0;
        for (int i = 0; i < 16; ++i)
            window += streak[size_t(i)];
        for (int x = 0; x < width; ++x) {
            window += streak[size_t(x) + 16] - streak[size_t(x)];
            const double grain = window / 16.0 * 9.0 + rowShift + noise() * 1.5;
            auto channel = [&](int a, int b) { return std::clamp(int(std::lround(a + (b - a) * f + grain)), 0, 255); };
            line[x] = qRgb(channel(top.red(), bottom.red()), channel(top.green(), bottom.green()),
                           channel(top.blue(), bottom.blue()));
        }
    }
    return image;
}

// A soft bevel: the outer ring in the edge colours, a second ring softer.
const BevelRing kOuterEdge{kEdgeLight, kEdgeDark};
const BevelRing kInnerEdge{kEdgeLight.darker(140), kEdgeDark.lighter(250)};

const ScrewLook kPanelScrew{3.6,
                            {-1, -1},
                            4.5,
                            {{0, QColor(0xb8, 0xbe, 0xc6)}, {1, QColor(0x3a, 0x3f, 0x46)}},
                            QPen(kEdgeDark, 0.8),
                            QPen(QColor(0x22, 0x25, 0x29), 1.1),
                            {2.2, -1.2}};

// Lettering stamped into the metal: light face with a dark edge below it.
void engrave(QPainter& p, const QRect& r, int flags, const QString& text)
{
    p.setPen(kEdgeDark);
    p.drawText(r.translated(0, 1), flags, text);
    p.setPen(QColor(0x8a, 0x92, 0x9b));
    p.drawText(r, flags, text);
}

QFont captionFont(int pixelSize, bool bold = true)
{
    QFont font("DejaVu Sans");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// --------------------------------------------------------- status panel ---

// The LCD glass behind the panel's widgets: a backlit green close to the
// unlit segments' green, so those show only as faint ghosts while the
// near-black lit segments and the black text stand out.
void lcdGlass(QPainter& p, const QRect& r)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, QColor(0x30, 0xa2, 0x34));
    g.setColorAt(0.5, QColor(0x1e, 0x90, 0x26));
    g.setColorAt(1.0, QColor(0x14, 0x82, 0x1e));
    p.fillRect(r, g);
    // Faint glass sheen across the upper part.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(r);
    QPainterPath sheen;
    sheen.moveTo(r.left(), r.top());
    sheen.lineTo(r.left() + r.width() * 0.62, r.top());
    sheen.lineTo(r.left() + r.width() * 0.42, r.top() + r.height() * 0.36);
    sheen.lineTo(r.left(), r.top() + r.height() * 0.36);
    sheen.closeSubpath();
    QLinearGradient sg(r.topLeft(), QPointF(r.left(), r.top() + r.height() * 0.36));
    sg.setColorAt(0, QColor(255, 255, 255, 34));
    sg.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillPath(sheen, sg);
    p.restore();
}

void lcdCaption(QPainter& p, const QRect& r, int flags, const QString& text)
{
    p.setFont(captionFont(7));
    p.setPen(QColor(0x0e, 0x3c, 0x16));
    p.drawText(r, flags, text);
}

void dottedLine(QPainter& p, int x0, int x1, int y, QColor c)
{
    p.setPen(c);
    for (int x = x0; x <= x1; x += 2)
        p.drawPoint(x, y);
}

void dottedColumn(QPainter& p, int x, int y0, int y1, QColor c)
{
    p.setPen(c);
    for (int y = y0; y <= y1; y += 2)
        p.drawPoint(x, y);
}

QImage statusPanel()
{
    const int w = 323, h = 138;
    QImage image = brushedMetal(w, h, QColor(0x4c, 0x52, 0x5a), QColor(0x26, 0x2a, 0x2f), 0x57a7u);
    QPainter p(&image);
    bevel(p, image.rect(), true, {kOuterEdge}, BevelCorner::Left);

    // The glass window and its recess.
    const QRect frame(20, 7, 283, 117);
    p.fillRect(frame.adjusted(-1, -1, 1, 1), QColor(0x14, 0x16, 0x19));
    bevel(p, frame, false, {kOuterEdge, kInnerEdge}, BevelCorner::Left);
    const QRect glass = frame.adjusted(2, 2, -2, -2);
    lcdGlass(p, glass);
    p.setPen(QColor(kGlass.red(), kGlass.green(), kGlass.blue(), 150));
    p.drawLine(glass.left(), glass.bottom(), glass.right(), glass.bottom());

    const QColor rule(0x1c, 0x66, 0x26);
    // Columns: type/state on the left, length, position and remaining.
    dottedColumn(p, 114, glass.top() + 3, 76, rule);
    dottedColumn(p, 176, glass.top() + 3, 76, rule);
    dottedColumn(p, 236, glass.top() + 3, 76, rule);
    dottedLine(p, glass.left() + 3, glass.right() - 3, 50, rule);
    dottedLine(p, glass.left() + 3, glass.right() - 3, 79, rule);

    lcdCaption(p, QRect(26, 12, 88, 10), Qt::AlignHCenter | Qt::AlignTop, "MEDIA");
    lcdCaption(p, QRect(115, 12, 60, 10), Qt::AlignHCenter | Qt::AlignTop, "LENGTH");
    lcdCaption(p, QRect(177, 12, 59, 10), Qt::AlignHCenter | Qt::AlignTop, "POSITION");
    lcdCaption(p, QRect(237, 12, 62, 10), Qt::AlignHCenter | Qt::AlignTop, "REMAINING");
    // These words sit on the rule; the glass is laid again under them.
    for (const QRect& gap : {QRect(50, 46, 40, 10), QRect(177, 46, 59, 10)}) {
        p.save();
        p.setClipRect(gap);
        lcdGlass(p, glass);
        p.restore();
    }
    lcdCaption(p, QRect(26, 47, 88, 10), Qt::AlignHCenter | Qt::AlignTop, "STATE");
    lcdCaption(p, QRect(177, 47, 59, 10), Qt::AlignHCenter | Qt::AlignTop, "FRAMES");
    lcdCaption(p, QRect(26, 83, 60, 14), Qt::AlignRight | Qt::AlignVCenter, "INFO");
    lcdCaption(p, QRect(26, 102, 60, 14), Qt::AlignRight | Qt::AlignVCenter, "FILE");

    // Bottom strip: maker's mark and screws.
    p.setFont(captionFont(8));
    engrave(p, QRect(0, 125, w, 12), Qt::AlignCenter, "N O R R A V A");
    p.setPen(QColor(0x0c, 0x0d, 0x0f, 120));
    for (int x : {40, 250})
        for (int i = 0; i < 5; ++i) {
            p.setPen(kEdgeDark);
            p.drawLine(x + i * 6, 128, x + i * 6, 134);
            p.setPen(QColor(0x80, 0x87, 0x90));
            p.drawLine(x + i * 6 + 1, 128, x + i * 6 + 1, 134);
        }
    for (QPointF c : {QPointF(10.5, 10.5), QPointF(312.5, 10.5), QPointF(10.5, 127.5), QPointF(312.5, 127.5)})
        screw(p, c, kPanelScrew);
    p.end();
    return indexed(image, 256, {}, Quantiser::Pixels);
}

QImage statusHandle()
{
    const int w = 107, h = 18;
    QImage image = brushedMetal(w, h, QColor(0x50, 0x56, 0x5e), QColor(0x2a, 0x2e, 0x33), 0x4a0du);
    QPainter p(&image);
    bevel(p, image.rect(), true, {kOuterEdge}, BevelCorner::Left);
    // Grip: three grooves in the middle.
    for (int i = 0; i < 3; ++i) {
        const int y = 5 + i * 3;
        p.setPen(kEdgeDark);
        p.drawLine(38, y, 68, y);
        p.setPen(QColor(0x88, 0x8f, 0x98));
        p.drawLine(39, y + 1, 69, y + 1);
    }
    // Green chevrons pointing down, the way the panel opens.
    p.setRenderHint(QPainter::Antialiasing);
    for (double cx : {18.0, 89.0}) {
        QPainterPath arrow;
        arrow.moveTo(cx - 5, 6);
        arrow.lineTo(cx + 5, 6);
        arrow.lineTo(cx, 12);
        arrow.closeSubpath();
        p.fillPath(arrow.translated(0, 1), kEdgeDark);
        QLinearGradient g(0, 6, 0, 12);
        g.setColorAt(0, kLedLit);
        g.setColorAt(1, kLedDim.lighter(170));
        p.fillPath(arrow, g);
    }
    p.end();
    return indexed(image, 256, {}, Quantiser::Pixels);
}

} // namespace

void drawLedArt(ArtSet& art)
{
    drawDigits(art);
    art.add(artnames::kStatusPanel, statusPanel(), ArtSet::Format::Bmp8);
    art.add(artnames::kStatusHandle, statusHandle(), ArtSet::Format::Bmp8);
}
