// The About box artwork: a brushed-metal plate with the program's name and
// version engraved, LED columns at the sides and a black screen in the middle
// where the point cloud turns. The screen must stay pure black over at least
// (65, 49)-(253, 239).
#include "../../widgets/artnames.h"
#include "artset.h"
#include "skinpaint.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

namespace {

using namespace skinpaint;

constexpr int kWidth = 317;
constexpr int kHeight = 337;
const QRect kScreen(59, 43, 201, 203); // black, holds (65, 49)-(253, 239)

const BevelRing kEdge{kEdgeLight, kEdgeDark};

const ScrewLook kPlateScrew{5,
                            {-1.5, -1.5},
                            6,
                            {{0, kEdgeLight}, {0.7, kMetalLight}, {1, kMetalDark}},
                            QPen(kEdgeDark, 1),
                            QPen(kEdgeDark, 1.5),
                            {3, -2}};

// Dark metal, lighter towards the top, with fine horizontal brushing.
void brushPlate(QImage& image)
{
    std::mt19937 random(20261207);
    const auto noise = [&random] { return double(random() % 1000) / 1000.0 - 0.5; };
    for (int y = 0; y < image.height(); ++y) {
        const double row = 0.55 - 0.3 * y / image.height() + 0.08 * noise();
        double streak = 0;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            streak = 0.85 * streak + 0.15 * noise();
            line[x] = mix(kMetalDark, kMetalLight, row + 0.35 * streak).rgb();
        }
    }
}

// Text cut into the metal: a dark face with a light lower edge.
void engraveText(QPainter& p, const QRect& box, const QString& text, const QFont& font, const QColor& face = kEdgeDark)
{
    p.setFont(font);
    p.setPen(mix(kEdgeLight, kMetalLight, 0.35));
    p.drawText(box.translated(0, 1), Qt::AlignCenter, text);
    p.setPen(face);
    p.drawText(box, Qt::AlignCenter, text);
}

void drawLed(QPainter& p, const QRectF& r, bool lit)
{
    if (lit) {
        QRadialGradient glow(r.center(), r.width());
        QColor halo = kLedLit;
        halo.setAlpha(70);
        glow.setColorAt(0, halo);
        glow.setColorAt(1, Qt::transparent);
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawRect(r.adjusted(-4, -4, 4, 4));
    }
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    face.setColorAt(0, lit ? mix(kLedLit, Qt::white, 0.45) : mix(kLedDim, Qt::white, 0.08));
    face.setColorAt(0.5, lit ? kLedLit : kLedDim);
    face.setColorAt(1, lit ? mix(kLedLit, kLedDim, 0.45) : mix(kLedDim, kEdgeDark, 0.4));
    p.setPen(QPen(kEdgeDark, 1));
    p.setBrush(face);
    p.drawRoundedRect(r, 1.5, 1.5);
}

// A column of LED segments in a sunken slot, lit from the bottom.
void drawLedColumn(QPainter& p, int left, int lit)
{
    const int segments = 12;
    const QRect slot(left - 3, 60, 22, segments * 14 + 3);
    p.fillRect(slot, mix(kEdgeDark, kMetalDark, 0.4));
    bevel(p, slot, false, {kEdge});
    for (int i = 0; i < segments; ++i) {
        const int top = slot.top() + 3 + i * 14;
        drawLed(p, QRectF(left, top, 15, 10), segments - i <= lit);
    }
}

// The screen: a sunken bezel round a black opening, a green line inside the
// bezel and a streak of cyan glass across its top corner.
void drawScreenBezel(QPainter& p)
{
    const QRect bezel = kScreen.adjusted(-7, -7, 7, 7);
    QLinearGradient ring(bezel.topLeft(), bezel.bottomRight());
    ring.setColorAt(0, kMetalDark);
    ring.setColorAt(1, kMetalLight);
    p.setPen(Qt::NoPen);
    p.setBrush(ring);
    p.drawRoundedRect(bezel, 8, 8);
    bevel(p, bezel, false, {kEdge});
    bevel(p, bezel.adjusted(4, 4, -4, -4), true, {kEdge});

    p.setBrush(Qt::black);
    p.setPen(QPen(kLedDim, 1));
    p.drawRoundedRect(QRectF(kScreen).adjusted(-0.5, -0.5, 0.5, 0.5), 6, 6);

    QColor glass = kGlass;
    glass.setAlpha(210);
    p.setPen(QPen(glass, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(bezel.left() + 12, bezel.top() + 2.5), QPointF(bezel.left() + 70, bezel.top() + 2.5));
    p.drawLine(QPointF(bezel.left() + 2.5, bezel.top() + 12), QPointF(bezel.left() + 2.5, bezel.top() + 40));
}

// Greys along the metal's tint, greens for the LEDs, cyans for the glass:
// every colour the plate uses lies close to one of these.
QList<QRgb> platePalette()
{
    QList<QRgb> table;
    table << qRgb(0, 0, 0);
    const auto ramp = [&table](const QList<QColor>& stops, int count) {
        for (int i = 0; i < count; ++i) {
            const double t = double(i) / (count - 1) * (stops.size() - 1);
            const int k = std::min(int(t), int(stops.size()) - 2);
            table << mix(stops[k], stops[k + 1], t - k).rgb();
        }
    };
    ramp({QColor(0, 0, 0), kEdgeDark, kMetalDark, kMetalLight, kEdgeLight, QColor(255, 255, 255)}, 140);
    ramp({kEdgeDark, kLedDim, kLedLit, QColor(0xe0, 0xff, 0xe8)}, 60);
    ramp({kMetalDark, mix(kMetalDark, kLedDim, 0.5), mix(kMetalLight, kLedLit, 0.3)}, 20);
    ramp({kMetalDark, mix(kMetalDark, kGlass, 0.4), kGlass, QColor(0xe0, 0xf8, 0xff)}, 35);
    return table;
}

} // namespace

void drawAboutArt(ArtSet& art)
{
    QImage plate(kWidth, kHeight, QImage::Format_RGB32);
    brushPlate(plate);
    QPainter p(&plate);
    p.setRenderHint(QPainter::Antialiasing);

    bevel(p, plate.rect().adjusted(0, 0, -1, -1), true, {kEdge, kEdge});
    bevel(p, plate.rect().adjusted(6, 6, -7, -7), false, {kEdge});
    for (QPointF at : {QPointF(14.5, 14.5), QPointF(302.5, 14.5), QPointF(14.5, 322.5), QPointF(302.5, 322.5)})
        screw(p, at, kPlateScrew);

    QFont title("DejaVu Sans", 17, QFont::Bold);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 5);
    engraveText(p, QRect(30, 7, 257, 30), "NORRAVA", title);
    drawLed(p, QRectF(48, 19, 7, 7), true);
    drawLed(p, QRectF(262, 19, 7, 7), true);

    drawLedColumn(p, 28, 8);
    drawLedColumn(p, 274, 6);
    drawScreenBezel(p);

    QFont version("DejaVu Sans", 11, QFont::Bold);
    version.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    engraveText(p, QRect(30, 258, 257, 22), "VERSION " NORRAVA_VERSION, version);
    for (int i = 0; i < 7; ++i)
        drawLed(p, QRectF(124 + i * 10, 286, 6, 4), i < 4);

    QFont hint("DejaVu Sans", 7);
    engraveText(p, QRect(30, 298, 257, 16), "click anywhere to close", hint, mix(kEdgeDark, kMetalDark, 0.3));
    p.end();

    // The point cloud is drawn over this area: it must be black, exactly.
    QPainter clear(&plate);
    clear.fillRect(QRect(QPoint(62, 46), QPoint(256, 242)), Qt::black);
    clear.end();

    art.add(artnames::kAbout, plate.convertToFormat(QImage::Format_Indexed8, platePalette(), Qt::ThresholdDither),
            ArtSet::Format::Bmp8);
}
