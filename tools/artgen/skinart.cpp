// The main skin. It is painted in nine pieces: the corners keep their size,
// column 95 and column 209 and row 209 are stretched, and the ornament at
// (148, 0, 93, 94) is centred over the top band. Every feature that the
// stretched bands carry therefore runs the full width (or height), and the
// controls' places are cut into the picture where the window puts them.
#include "../../widgets/artnames.h"
#include "artset.h"
#include "skinpaint.h"

#include <cmath>

void drawSkinButtons(ArtSet& art);
void drawSkinExtras(ArtSet& art);

namespace {

using namespace skinpaint;

constexpr int kWidth = 385;
constexpr int kHeight = 424;
constexpr int kConsoleTop = kHeight - 104; // first row of the bottom console
constexpr uint32_t kSeed = 0x5EED5C1Fu;

const ScrewLook kSkinScrew{3.6,
                           {-1.7, -1.7},
                           5.0,
                           {{0, kEdgeLight}, {1, kMetalDark}},
                           QPen(kEdgeDark, 0.8),
                           QPen(mix(kEdgeDark, kMetalDark, 0.3), 1.1),
                           {2.1, -1.9}};

void hline(QImage& img, int x0, int x1, int y, const QColor& c, double t)
{
    for (int x = x0; x <= x1; ++x)
        blend(img, x, y, c, t);
}

void vline(QImage& img, int x, int y0, int y1, const QColor& c, double t)
{
    for (int y = y0; y <= y1; ++y)
        blend(img, x, y, c, t);
}

void fillRect(QImage& img, const QRect& r, const QColor& c)
{
    QPainter p(&img);
    p.fillRect(r, c);
}

// Rows 0..93: title strip, the shelf that carries the top buttons, and the
// frame over the video area.
void drawTop(QImage& img)
{
    fillMetal(img, QRect(0, 0, kWidth, 33), 0.66, 0.46, kSeed);
    hline(img, 0, kWidth - 1, 33, kEdgeDark, 0.85);
    fillMetal(img, QRect(0, 34, kWidth, 40), 0.20, 0.30, kSeed + 1, 0.8);
    hline(img, 0, kWidth - 1, 34, kEdgeDark, 0.55);
    hline(img, 0, kWidth - 1, 35, kEdgeDark, 0.25);
    hline(img, 0, kWidth - 1, 73, kEdgeLight, 0.30);
    fillMetal(img, QRect(0, 74, kWidth, 17), 0.56, 0.40, kSeed + 2);
    hline(img, 0, kWidth - 1, 74, kEdgeLight, 0.35);
    // A hairline of cyan glass under the shelf.
    hline(img, 0, kWidth - 1, 84, kGlass, 0.30);
    hline(img, 0, kWidth - 1, 85, kEdgeDark, 0.35);
    // The frame falls away into the video area.
    hline(img, 0, kWidth - 1, 90, kEdgeLight, 0.25);
    hline(img, 0, kWidth - 1, 91, kEdgeDark, 0.45);
    hline(img, 0, kWidth - 1, 92, kEdgeDark, 0.9);
    hline(img, 0, kWidth - 1, 93, QColor(0, 0, 0), 1.0);
}

// A side rail from `top` down to the bottom of the picture, with the channel
// that the level bar sits in (bar at barLeft, 12 wide).
void drawRail(QImage& img, int left, int width, int barLeft, bool leftSide)
{
    fillMetalVertical(img, QRect(left, 94, width, kHeight - 94), 0.52, 0.40, kSeed + 3);
    // Inner bevel towards the video area (stops at the console).
    if (leftSide) {
        vline(img, left + width - 2, 94, kConsoleTop - 1, kEdgeDark, 0.5);
        vline(img, left + width - 1, 94, kConsoleTop - 1, kEdgeDark, 0.95);
    } else {
        vline(img, left, 94, kConsoleTop - 1, QColor(0, 0, 0), 1.0);
        vline(img, left + 1, 94, kConsoleTop - 1, kEdgeDark, 0.95);
        vline(img, left + 2, 94, kConsoleTop - 1, kEdgeDark, 0.5);
        vline(img, left + 1, kConsoleTop, kHeight - 1, kEdgeLight, 0.15);
    }
    // Channel for the level bar: rows 202..378, bar at rows 206.. (H - 48).
    const QRect channel(barLeft - 3, 202, 19, kConsoleTop + 59 - 202);
    fillRect(img, channel.adjusted(1, 1, -1, -1), QColor(4, 5, 6));
    bevel(img, channel, false, 1.0);
    vline(img, channel.left(), channel.top(), channel.bottom(), kEdgeDark, 0.6);
    // Its letter above it.
    QPainter p(&img);
    ledStroke(p, lettering(leftSide ? "L" : "R", QPointF(barLeft + 3.5, 191.5), 1.2), 1.1, mix(kLedDim, kLedLit, 0.55),
              0.6);
}

// A screw on the pixel at (x, y).
void drawScrew(QImage& img, int x, int y)
{
    QPainter p(&img);
    screw(p, QPointF(x + 0.5, y + 0.5), kSkinScrew);
}

// Rows kHeight - 104 .. kHeight - 1: slots for the position and volume sliders, the
// rail the transport tool bar sits on, and the bottom drag strip.
void drawConsole(QImage& img)
{
    const int c = kConsoleTop;
    fillMetal(img, QRect(0, c, kWidth, 23), 0.52, 0.46, kSeed + 4);
    fillMetal(img, QRect(0, c + 23, kWidth, 22), 0.30, 0.26, kSeed + 5, 0.8);
    fillMetal(img, QRect(0, c + 45, kWidth, 14), 0.50, 0.42, kSeed + 6);
    fillMetal(img, QRect(0, c + 59, kWidth, 20), 0.45, 0.42, kSeed + 7);
    fillMetal(img, QRect(0, c + 79, kWidth, 25), 0.46, 0.30, kSeed + 8);
    hline(img, 0, kWidth - 1, c, kEdgeLight, 0.5);
    // The tool bar rail: engraved lines above and below the buttons.
    hline(img, 0, kWidth - 1, c + 23, kEdgeDark, 0.7);
    hline(img, 0, kWidth - 1, c + 24, kEdgeLight, 0.12);
    hline(img, 0, kWidth - 1, c + 43, kEdgeDark, 0.35);
    hline(img, 0, kWidth - 1, c + 44, kEdgeLight, 0.35);
    hline(img, 0, kWidth - 1, c + 52, kGlass, 0.28);
    hline(img, 0, kWidth - 1, c + 53, kEdgeDark, 0.3);
    // Grip grooves of the drag strip.
    for (int y : {c + 88, c + 92, c + 96}) {
        hline(img, 0, kWidth - 1, y, kEdgeDark, 0.45);
        hline(img, 0, kWidth - 1, y + 1, kEdgeLight, 0.18);
    }
    // Slots: black where the sliders sit (x 89 .. W - 87), bevelled round.
    for (int top : {c + 1, c + 60}) {
        const QRect slot(86, top, kWidth - 87 - 86 + 2, 19);
        fillRect(img, slot.adjusted(1, 1, -1, -1), QColor(0, 0, 0));
        bevel(img, slot, false, 1.0);
    }
}

void drawNamePlate(QImage& img)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF plate(13.5, 4.5, 72, 25);
    QLinearGradient rim(plate.topLeft(), plate.bottomLeft());
    rim.setColorAt(0, mix(kMetalLight, kEdgeLight, 0.6));
    rim.setColorAt(1, kMetalDark);
    p.setPen(QPen(kEdgeDark, 1));
    p.setBrush(rim);
    p.drawRoundedRect(plate, 4, 4);
    const QRectF glass = plate.adjusted(3, 3, -3, -3);
    QLinearGradient g(glass.topLeft(), glass.bottomLeft());
    g.setColorAt(0, QColor(10, 26, 19));
    g.setColorAt(1, QColor(3, 9, 6));
    p.setPen(QPen(kEdgeDark, 1));
    p.setBrush(g);
    p.drawRoundedRect(glass, 2, 2);
    ledStroke(p, lettering("NORRAVA", QPointF(19.5, 12.5), 1.5), 1.3, kLedLit, 1.0);
    // Glass reflection over the upper half.
    QColor shine = kGlass;
    shine.setAlpha(34);
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRoundedRect(QRectF(glass.left() + 1, glass.top() + 1, glass.width() - 2, glass.height() / 2 - 1), 1.5, 1.5);
}

// The seat of a tall web or e-mail button.
void drawPillSeat(QImage& img, const QRect& button)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF seat = QRectF(button).adjusted(-1.5, -1.5, 1.5, 1.5);
    p.setPen(QPen(mix(kEdgeLight, kMetalLight, 0.5), 1));
    p.setBrush(QColor(8, 9, 11));
    p.drawRoundedRect(seat.translated(0.5, 0.5), 7, 7);
    p.setPen(QPen(kEdgeDark, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(seat, 7, 7);
}

// The shelf ends short of the side rails; the rails carry the tall buttons.
void drawShelfEnds(QImage& img)
{
    for (int x = 0; x < kWidth; ++x) {
        if (x >= 42 && x <= kWidth - 43)
            continue;
        for (int y = 34; y < 74; ++y)
            img.setPixelColor(x, y, metal(0.48 - 0.1 * (y - 34) / 40.0, x, y, kSeed + 9));
    }
    vline(img, 42, 34, 73, kEdgeDark, 0.7);
    vline(img, 43, 35, 73, kEdgeDark, 0.3);
    vline(img, kWidth - 43, 34, 73, kEdgeLight, 0.35);
}

// The centre ornament: a badge with the logo lens over the title strip, and
// a glass jewel under the shelf. Its outermost columns match the band.
void drawOrnament(QImage& img)
{
    const QPointF o(148, 0);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(o);
    QPolygonF badge;
    badge << QPointF(3.5, 17) << QPointF(13, 2.5) << QPointF(80, 2.5) << QPointF(89.5, 17) << QPointF(80, 32.5)
          << QPointF(13, 32.5);
    QLinearGradient face(0, 2, 0, 33);
    face.setColorAt(0, mix(kMetalLight, kEdgeLight, 0.55));
    face.setColorAt(0.5, kMetalLight);
    face.setColorAt(1, mix(kMetalDark, kMetalLight, 0.2));
    p.setPen(QPen(kEdgeDark, 1.2));
    p.setBrush(face);
    p.drawPolygon(badge);
    // Inner highlight along the upper edges.
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.drawPolyline(QPolygonF() << QPointF(5.5, 17) << QPointF(14, 4) << QPointF(79, 4) << QPointF(87.5, 17));
    // Rows of LED dots either side of the lens.
    for (int i = 0; i < 4; ++i) {
        for (int side : {-1, 1}) {
            const double x = 46.5 + side * (20 + i * 6);
            const QColor led = mix(kLedDim, kLedLit, 0.85 - i * 0.22);
            p.setPen(QPen(kEdgeDark, 0.8));
            p.setBrush(led);
            p.drawEllipse(QPointF(x, 17.5), 2.0, 2.0);
        }
    }
    // The lens.
    const QPointF centre(46.5, 17.5);
    logoLens(p, centre,
             {13.2, QPen(kEdgeDark, 1.4), {-3, -4}, 15, QColor(16, 56, 66), QColor(3, 10, 14), 11.6,
              QPen(kGlass, 1.1), {-3.6, -5.4}, 1.8, 1.7, 1.2});
    QColor shine(255, 255, 255, 46);
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(QRectF(centre.x() - 8, centre.y() - 10.5, 16, 8));
    // The jewel under the shelf.
    const QRectF jewel(27.5, 76.5, 38, 7);
    p.setPen(QPen(kEdgeDark, 1));
    QLinearGradient jg(jewel.topLeft(), jewel.bottomLeft());
    jg.setColorAt(0, mix(kGlass, QColor(255, 255, 255), 0.35));
    jg.setColorAt(0.5, kGlass);
    jg.setColorAt(1, QColor(14, 60, 74));
    p.setBrush(jg);
    p.drawRoundedRect(jewel, 3.5, 3.5);
}

void drawConsoleMarks(QImage& img)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const int c = kConsoleTop;
    const QColor mark = mix(kLedDim, kLedLit, 0.6);
    // Play head beside the position slot.
    QPainterPath head;
    head.moveTo(70, c + 5.5);
    head.lineTo(78, c + 10);
    head.lineTo(70, c + 14.5);
    head.closeSubpath();
    ledStroke(p, head, 1.2, mark, 0.6);
    ledStroke(p, lettering("P", QPointF(58.5, c + 6.5), 1.1), 1.0, mark, 0.4);
    // Speaker beside the volume slot.
    QPainterPath speaker;
    speaker.moveTo(64, c + 66);
    speaker.lineTo(67, c + 66);
    speaker.lineTo(71, c + 62.5);
    speaker.lineTo(71, c + 76.5);
    speaker.lineTo(67, c + 73);
    speaker.lineTo(64, c + 73);
    speaker.closeSubpath();
    ledStroke(p, speaker, 1.1, mark, 0.6);
    for (int i = 0; i < 2; ++i) {
        QPainterPath wave;
        const QRectF r(70 - 3 * i, c + 65.5 - 3 * i, 8 + 6 * i, 8 + 6 * i);
        wave.arcMoveTo(r, -45);
        wave.arcTo(r, -45, 90);
        ledStroke(p, wave, 1.0, mark, 0.5);
    }
    // Volume wedge right of the volume slot: bars growing to the right.
    for (int i = 0; i < 7; ++i) {
        const double h = 3 + i * 1.7;
        const QRectF bar(305.5 + i * 5, c + 75.5 - h, 3, h);
        p.setPen(QPen(kEdgeDark, 0.8));
        p.setBrush(mix(kLedDim, kLedLit, 0.15 + i * 0.1));
        p.drawRect(bar);
    }
    // Frame ticks right of the position slot.
    for (int i = 0; i < 5; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(mix(kLedDim, kLedLit, 0.3));
        p.drawRect(QRectF(306 + i * 7, c + 8, 4, 4));
    }
}

// A thin outline round the whole face: light on top and left, dark below.
void drawOutline(QImage& img)
{
    hline(img, 0, kWidth - 1, 0, kEdgeDark, 1.0);
    hline(img, 0, kWidth - 1, kHeight - 1, kEdgeDark, 1.0);
    vline(img, 0, 0, kHeight - 1, kEdgeDark, 1.0);
    vline(img, kWidth - 1, 0, kHeight - 1, kEdgeDark, 1.0);
    hline(img, 1, kWidth - 2, 1, kEdgeLight, 0.65);
    vline(img, 1, 1, kHeight - 2, kEdgeLight, 0.45);
    hline(img, 1, kWidth - 2, kHeight - 2, kEdgeDark, 0.5);
    vline(img, kWidth - 2, 1, kHeight - 2, kEdgeDark, 0.5);
}

QImage drawSkin()
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::black);
    drawTop(img);
    drawShelfEnds(img);
    drawConsole(img);
    drawRail(img, 0, 41, 18, true);
    drawRail(img, kWidth - 40, 40, kWidth - 30, false);
    drawConsoleMarks(img);
    drawNamePlate(img);
    drawPillSeat(img, QRect(17, 31, 22, 46));
    drawPillSeat(img, QRect(kWidth - 40, 31, 22, 46));
    drawOrnament(img);
    for (int y : {110, 160, kHeight - 14})
        drawScrew(img, 8, y);
    for (int y : {110, 160, kHeight - 14})
        drawScrew(img, kWidth - 10, y);
    drawOutline(img);
    return img;
}

} // namespace

void drawSkinArt(ArtSet& art)
{
    art.add(artnames::kSkin, indexed(drawSkin(), 256, {qRgb(0, 0, 0)}), ArtSet::Format::Bmp8);
    drawSkinButtons(art);
    drawSkinExtras(art);
}
