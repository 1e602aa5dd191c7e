// The button pictures: three states each (up, down, highlighted), fuchsia
// where the skin is to show through. Glyphs are vector paths on a 16-unit
// grid, scaled into each button.
#include "../../widgets/artnames.h"
#include "artset.h"
#include "skinpaint.h"

#include <QPainterPathStroker>

#include <functional>

namespace {

using namespace skinpaint;

enum class State { Up, Down, High };

QPainterPath lines(std::initializer_list<std::initializer_list<QPointF>> strokes, double width,
                   Qt::PenCapStyle cap = Qt::SquareCap)
{
    QPainterPath path;
    for (const auto& stroke : strokes) {
        auto it = stroke.begin();
        path.moveTo(*it);
        for (++it; it != stroke.end(); ++it)
            path.lineTo(*it);
    }
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(Qt::MiterJoin);
    return stroker.createStroke(path).simplified();
}

QPainterPath ring(QPointF c, double rx, double ry, double width)
{
    QPainterPath path;
    path.addEllipse(c, rx, ry);
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    return stroker.createStroke(path);
}

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath rect(double x, double y, double w, double h)
{
    QPainterPath path;
    path.addRect(x, y, w, h);
    return path;
}

// Glyphs on a 16 x 16 grid.
QPainterPath glyphClose() { return lines({{{3.5, 3.5}, {12.5, 12.5}}, {{12.5, 3.5}, {3.5, 12.5}}}, 2.4); }
QPainterPath glyphMaximise()
{
    return lines({{{2.8, 4}, {13.2, 4}, {13.2, 12.8}, {2.8, 12.8}, {2.8, 4}}}, 1.5).united(rect(2, 3, 12, 2.8));
}
QPainterPath glyphMinimise() { return rect(3, 10.5, 10, 2.8); }
QPainterPath glyphEject() { return polygon({{8, 2}, {14.5, 9}, {1.5, 9}}).united(rect(1.5, 11, 13, 2.8)); }
QPainterPath glyphCamera()
{
    QPainterPath body;
    body.setFillRule(Qt::OddEvenFill);
    body.addRoundedRect(QRectF(1, 4.5, 14, 9.5), 1.5, 1.5);
    body.addEllipse(QPointF(8, 9.3), 3.4, 3.4);
    body.addEllipse(QPointF(8, 9.3), 1.7, 1.7);
    QPainterPath bump = polygon({{5, 4.6}, {6.2, 2.6}, {9.8, 2.6}, {11, 4.6}});
    return body.united(bump);
}
QPainterPath glyphMagnifier(bool plus)
{
    QPainterPath path = ring({6.5, 6.5}, 4.8, 4.8, 1.7);
    path = path.united(lines({{{10, 10}, {14.6, 14.6}}}, 2.7, Qt::RoundCap));
    path = path.united(lines({{{4.3, 6.5}, {8.7, 6.5}}}, 1.5));
    if (plus)
        path = path.united(lines({{{6.5, 4.3}, {6.5, 8.7}}}, 1.5));
    return path;
}
QPainterPath glyphNaturalSize()
{
    QPainterPath path = lines({{{2.6, 5.2}, {4.8, 3}, {4.8, 13.2}}, {{10.6, 5.2}, {12.8, 3}, {12.8, 13.2}}}, 1.8);
    path.addEllipse(QPointF(8.6, 6.4), 1.1, 1.1);
    path.addEllipse(QPointF(8.6, 11), 1.1, 1.1);
    return path.simplified();
}
QPainterPath glyphAbout()
{
    QPainterPath path = ring({8, 8}, 6.8, 6.8, 1.4);
    path.addEllipse(QPointF(8, 4.9), 1.25, 1.25);
    path.addRect(7.05, 7, 1.9, 5.6);
    return path.simplified();
}
QPainterPath glyphWeb()
{
    QPainterPath path = ring({8, 8}, 6.6, 6.6, 1.4);
    path = path.united(ring({8, 8}, 2.9, 6.6, 1.1));
    path = path.united(lines({{{1.6, 8}, {14.4, 8}}, {{2.8, 4.8}, {13.2, 4.8}}, {{2.8, 11.2}, {13.2, 11.2}}}, 1.0));
    return path;
}
QPainterPath glyphEmail()
{
    return lines({{{1.5, 3.5}, {14.5, 3.5}, {14.5, 12.5}, {1.5, 12.5}, {1.5, 3.5}}, {{1.5, 3.8}, {8, 9}, {14.5, 3.8}}},
                 1.35);
}
QPainterPath glyphPlay() { return polygon({{4, 2}, {14, 8}, {4, 14}}); }
QPainterPath glyphStop() { return rect(3, 3, 10, 10); }
QPainterPath glyphPause() { return rect(3, 2.5, 3.6, 11).united(rect(9.4, 2.5, 3.6, 11)); }
QPainterPath glyphRewind() { return polygon({{8, 2.5}, {8, 13.5}, {0.5, 8}}).united(polygon({{15.5, 2.5}, {15.5, 13.5}, {8, 8}})); }
QPainterPath glyphForward() { return polygon({{0.5, 2.5}, {0.5, 13.5}, {8, 8}}).united(polygon({{8, 2.5}, {8, 13.5}, {15.5, 8}})); }
QPainterPath glyphFrameBack() { return rect(1.5, 2.5, 2.4, 11).united(polygon({{13.5, 2.5}, {13.5, 13.5}, {5, 8}})); }
QPainterPath glyphFrameForward() { return polygon({{2.5, 2.5}, {2.5, 13.5}, {11, 8}}).united(rect(12.1, 2.5, 2.4, 11)); }

QColor glyphColour(State s)
{
    switch (s) {
    case State::Up: return QColor(0xb9, 0xc1, 0xca);
    case State::High: return mix(kGlass, QColor(255, 255, 255), 0.25);
    case State::Down: return kLedLit;
    }
    return {};
}

// Draws a glyph centred in box: engraved shadow when unlit, glow when lit.
void drawGlyph(QPainter& p, const QPainterPath& glyph, const QRectF& box, State s)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.topLeft());
    p.scale(box.width() / 16.0, box.height() / 16.0);
    const QColor c = glyphColour(s);
    p.setPen(Qt::NoPen);
    if (s == State::Up) {
        p.setBrush(QColor(0, 0, 0, 170));
        p.drawPath(glyph.translated(0.0, 16.0 / box.height()));
    } else {
        QColor halo = c;
        halo.setAlpha(s == State::Down ? 80 : 60);
        p.setPen(QPen(halo, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(glyph);
        p.setPen(Qt::NoPen);
    }
    p.setBrush(c);
    p.drawPath(glyph);
    p.restore();
}

using Glyph = std::function<QPainterPath()>;

// A rounded key face with a dark outline, shaded from top to bottom: one
// way while pressed, the other way otherwise.
void keyFace(QPainter& p, const QRectF& body, double radius, State s, const QGradientStops& shading,
             const QGradientStops& pressedShading)
{
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setStops(s == State::Down ? pressedShading : shading);
    p.setPen(QPen(kEdgeDark, 1));
    p.setBrush(g);
    p.drawRoundedRect(body, radius, radius);
}

// 20 x 21 caption buttons: small rounded metal keys.
QImage captionButton(const Glyph& glyph, State s)
{
    QImage img = transparentCanvas(20, 21);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, 0.5, 19, 20);
    keyFace(p, body, 4, s, {{0, mix(kMetalLight, kEdgeLight, 0.45)}, {1, kMetalDark}},
            {{0, kMetalDark}, {1, mix(kMetalDark, kMetalLight, 0.6)}});
    p.setBrush(Qt::NoBrush);
    if (s == State::High) {
        p.setPen(QPen(kGlass, 1));
        p.drawRoundedRect(body.adjusted(1, 1, -1, -1), 3, 3);
    } else if (s == State::Up) {
        p.setPen(QPen(QColor(255, 255, 255, 70), 1));
        p.drawLine(QPointF(4, 1.5), QPointF(16, 1.5));
    }
    const double shift = s == State::Down ? 1 : 0;
    drawGlyph(p, glyph(), QRectF(3 + shift, 3.5 + shift, 13, 13), s);
    p.end();
    return img;
}

// Ring of metal round a dark glass centre, for the round and the tall buttons.
void glassButton(QPainter& p, const QRectF& body, double radius, State s)
{
    p.setRenderHint(QPainter::Antialiasing);
    keyFace(p, body, radius, s, {{0, mix(kMetalLight, kEdgeLight, 0.6)}, {1, kMetalDark}},
            {{0, kMetalDark}, {1, mix(kMetalLight, kEdgeLight, 0.3)}});
    const QRectF glass = body.adjusted(3, 3, -3, -3);
    QLinearGradient g(glass.topLeft(), glass.bottomLeft());
    g.setColorAt(0, s == State::Down ? QColor(4, 8, 8) : QColor(20, 30, 36));
    g.setColorAt(1, s == State::Down ? QColor(10, 22, 16) : QColor(6, 9, 11));
    p.setPen(QPen(s == State::High ? kGlass : kEdgeDark, 1));
    p.setBrush(g);
    const double r = std::max(0.0, radius - 3);
    p.drawRoundedRect(glass, r, r);
    if (s != State::Down) {
        // Reflection on the upper part of the glass.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, s == State::High ? 34 : 22));
        p.drawRoundedRect(QRectF(glass.left() + 2, glass.top() + 1.5, glass.width() - 4, glass.height() * 0.42), r, r);
    }
}

// 30 x 30 round buttons.
QImage roundButton(const Glyph& glyph, State s)
{
    QImage img = transparentCanvas(30, 30);
    QPainter p(&img);
    glassButton(p, QRectF(0.5, 0.5, 29, 29), 14.5, s);
    const double shift = s == State::Down ? 1 : 0;
    drawGlyph(p, glyph(), QRectF(7 + shift, 7 + shift, 16, 16), s);
    p.end();
    return img;
}

// 22 x 46 tall buttons at the sides of the shelf.
QImage tallButton(const Glyph& glyph, State s)
{
    QImage img = transparentCanvas(22, 46);
    QPainter p(&img);
    glassButton(p, QRectF(0.5, 0.5, 21, 45), 10.5, s);
    const double shift = s == State::Down ? 1 : 0;
    drawGlyph(p, glyph(), QRectF(3.5 + shift / 2, 16 + shift, 15, 15), s);
    // Indicator dots above and below the glyph.
    for (double y : {8.5, 38.5}) {
        p.setPen(Qt::NoPen);
        p.setBrush(s == State::Up ? kLedDim : mix(kLedDim, kLedLit, 0.8));
        p.drawEllipse(QPointF(11, y + shift), 1.6, 1.6);
    }
    p.end();
    return img;
}

// 32 x 20 transport keys.
QImage transportButton(const Glyph& glyph, State s)
{
    QImage img = transparentCanvas(32, 20);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(0.5, 0.5, 31, 19);
    keyFace(p, body, 2.5, s, {{0, mix(kMetalLight, kEdgeLight, 0.4)}, {0.55, kMetalLight}, {1, kMetalDark}},
            {{0, QColor(8, 10, 11)}, {1, mix(kMetalDark, kMetalLight, 0.35)}});
    if (s != State::Down) {
        p.setPen(QPen(QColor(255, 255, 255, 60), 1));
        p.drawLine(QPointF(3, 1.5), QPointF(29, 1.5));
    }
    if (s == State::High) {
        p.setPen(QPen(kGlass, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(body.adjusted(1, 1, -1, -1), 1.5, 1.5);
    }
    // A lit bar under the glyph shows the latched key.
    if (s == State::Down) {
        p.setPen(Qt::NoPen);
        p.setBrush(kLedLit);
        p.drawRect(QRectF(11, 16.5, 10, 1));
    }
    const double shift = s == State::Down ? 1 : 0;
    drawGlyph(p, glyph(), QRectF(10 + shift, 2.5 + shift / 2, 12, 12), s);
    p.end();
    return img;
}

void addButton(ArtSet& art, const artnames::ButtonArt& names, const std::function<QImage(State)>& draw,
               const QColor& under, ArtSet::Format format)
{
    const std::pair<const char*, State> states[] = {{names.up, State::Up}, {names.down, State::Down}, {names.high, State::High}};
    for (const auto& [name, state] : states) {
        const QImage flat = keyed(draw(state), under);
        if (format == ArtSet::Format::Bmp8)
            art.add(name, indexed(flat, 256, {kKey.rgb()}), format);
        else
            art.add(name, flat, format);
    }
}

} // namespace

void drawSkinButtons(ArtSet& art)
{
    using F = ArtSet::Format;
    const QColor titleStrip = mix(kMetalDark, kMetalLight, 0.58);
    const QColor shelf = mix(kMetalDark, kMetalLight, 0.25);
    const QColor seat(8, 9, 11);
    const QColor toolBar(160, 112, 32);

    auto caption = [](Glyph g) { return [g](State s) { return captionButton(g, s); }; };
    auto round = [](Glyph g) { return [g](State s) { return roundButton(g, s); }; };
    auto tall = [](Glyph g) { return [g](State s) { return tallButton(g, s); }; };
    auto transport = [](Glyph g) { return [g](State s) { return transportButton(g, s); }; };

    addButton(art, artnames::kButtonClose, caption(glyphClose), titleStrip, F::Bmp8);
    addButton(art, artnames::kButtonMaximise, caption(glyphMaximise), titleStrip, F::Bmp8);
    addButton(art, artnames::kButtonMinimise, caption(glyphMinimise), titleStrip, F::Bmp8);

    addButton(art, artnames::kButtonLoad, round(glyphEject), shelf, F::Bmp24);
    addButton(art, artnames::kButtonCapture, round(glyphCamera), shelf, F::Bmp24);
    addButton(art, artnames::kButtonBigger, round([] { return glyphMagnifier(true); }), shelf, F::Bmp24);
    addButton(art, artnames::kButtonSmaller, round([] { return glyphMagnifier(false); }), shelf, F::Bmp24);
    addButton(art, artnames::kButtonNormalSize, round(glyphNaturalSize), shelf, F::Bmp24);
    addButton(art, artnames::kButtonAbout, round(glyphAbout), shelf, F::Bmp24);

    addButton(art, artnames::kButtonWeb, tall(glyphWeb), seat, F::Bmp8);
    addButton(art, artnames::kButtonEmail, tall(glyphEmail), seat, F::Bmp8);

    addButton(art, artnames::kButtonPlay, transport(glyphPlay), toolBar, F::Bmp8);
    addButton(art, artnames::kButtonStop, transport(glyphStop), toolBar, F::Bmp8);
    addButton(art, artnames::kButtonPause, transport(glyphPause), toolBar, F::Bmp8);
    addButton(art, artnames::kButtonRewind, transport(glyphRewind), toolBar, F::Bmp8);
    addButton(art, artnames::kButtonForward, transport(glyphForward), toolBar, F::Bmp8);
    addButton(art, artnames::kButtonFrameBack, transport(glyphFrameBack), toolBar, F::Bmp8);
    addButton(art, artnames::kButtonFrameForward, transport(glyphFrameForward), toolBar, F::Bmp8);
}
