#pragma once

// Drawing helpers shared by all the pictures: the palette of the look,
// brushed metal, bevels and screws, the vector lettering and the reduction
// to 256 colours.
#include <QColor>
#include <QGradientStops>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRect>

#include <cstdint>
#include <initializer_list>

namespace skinpaint {

// The colours of the look.
inline const QColor kMetalDark{0x1c, 0x1f, 0x23};
inline const QColor kMetalLight{0x5a, 0x60, 0x68};
inline const QColor kEdgeLight{0x9a, 0xa1, 0xa9};
inline const QColor kEdgeDark{0x0c, 0x0d, 0x0f};
inline const QColor kLedLit{0x3d, 0xff, 0x7a};
inline const QColor kLedDim{0x0f, 0x4a, 0x26};
inline const QColor kGlass{0x49, 0xc6, 0xe5};
inline const QColor kKey{0xff, 0x00, 0xff};

QColor mix(const QColor& a, const QColor& b, double t);

// A picture to draw on with antialiasing, transparent to start with.
QImage transparentCanvas(int width, int height);

// Deterministic value noise in [-1, 1].
double noise(uint32_t seed, int x, int y);

// Metal colour at a brightness level (0 = darkest grey of the look,
// 1 = lightest) with fine horizontal brushing at pixel (x, y).
QColor metal(double level, int x, int y, uint32_t seed, double grain = 1.0);

// Fills rect with brushed metal whose level runs from levelTop to levelBottom.
void fillMetal(QImage& image, const QRect& rect, double levelTop, double levelBottom, uint32_t seed,
               double grain = 1.0);

// Brushed metal running vertically (side rails): streaks are columns.
void fillMetalVertical(QImage& image, const QRect& rect, double levelLeft, double levelRight, uint32_t seed);

// A one-pixel bevel inside rect, blended into the picture: light on top and
// left, dark on the bottom and right when raised, the reverse when sunken.
void bevel(QImage& image, const QRect& rect, bool raised, double strength = 1.0);

// The colours of one ring of a painted bevel.
struct BevelRing {
    QColor light;
    QColor dark;
};

// Whether the bottom-left corner of a painted bevel takes the colour of the
// bottom edge or of the left edge.
enum class BevelCorner { Bottom, Left };

// A bevel drawn with the painter's current hints, one ring per entry from
// the outside in: light on the top and left, dark on the bottom and right
// when raised, the reverse when sunken.
void bevel(QPainter& p, QRect rect, bool raised, std::initializer_list<BevelRing> rings,
           BevelCorner corner = BevelCorner::Bottom);

// How a screw head looks: a shaded disc with a slot across it.
struct ScrewLook {
    double radius;
    QPointF lightOffset; // the highlight's place, from the centre
    double lightRadius;  // how far the shading reaches from the highlight
    QGradientStops shading;
    QPen rim;
    QPen slot;
    QPointF slotEnd; // the slot runs from centre - slotEnd to centre + slotEnd
};

// Draws a screw head, antialiased, centred on centre.
void screw(QPainter& p, QPointF centre, const ScrewLook& look);

// Blends colour c over the pixel at (x, y) with opacity t.
void blend(QImage& image, int x, int y, const QColor& c, double t);

// Stroke outline of a word in the program's own lettering (no system fonts,
// so every machine draws the same pixels). Letters are 4 x 6 units; pitch
// is 6 units. Known letters: A E F I L M N O P R S T V W and the blank.
QPainterPath lettering(const QString& text, const QPointF& origin, double unit);

// Draws a path as a lit LED trace: a soft glow, then the lit core.
void ledStroke(QPainter& p, const QPainterPath& path, double width, const QColor& lit, double glow = 1.0);

// How the logo lens looks: a dark glass disc in a rim, shaded from a
// highlight, a glass ring inside it and the letter N lit on the glass.
struct LensLook {
    double radius;
    QPen rim;
    QPointF lightOffset; // the highlight's place, from the centre
    double lightRadius;
    QColor lightColour;
    QColor darkColour;
    double ringRadius;
    QPen ring;
    QPointF letterOffset; // the letter's top left, from the centre
    double letterUnit;
    double letterWidth;
    double letterGlow;
};

// Draws the logo lens centred on centre; the painter's pen and brush are
// left changed.
void logoLens(QPainter& p, QPointF centre, const LensLook& look);

// Flattens an antialiased picture drawn on transparency: pixels less than
// half covered become the key colour, the rest are composed over `under`, so
// the edges blend into the surface the picture will sit on.
QImage keyed(const QImage& argb, const QColor& under, const QColor& key = kKey);

// How the median cut counts a picture's colours. Colours: each distinct
// colour once, weighted by its pixels, palette entries rounded to the
// nearest value. Pixels: every pixel on its own, so a cut may fall inside a
// run of one colour, and entries rounded down; the status panel's pictures
// were made this way.
enum class Quantiser { Colours, Pixels };

// Reduces a picture to an indexed one of at most `colours` colours (median
// cut), keeping each colour of `exact` exactly and mapping no other pixel to
// it; every other pixel takes the nearest palette entry.
QImage indexed(const QImage& image, int colours, const QList<QRgb>& exact = {}, Quantiser how = Quantiser::Colours);

} // namespace skinpaint
