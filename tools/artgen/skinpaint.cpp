#include "skinpaint.h"

#include <QHash>
#include <QMap>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace skinpaint {

QColor mix(const QColor& a, const QColor& b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QImage transparentCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

double noise(uint32_t seed, int x, int y)
{
    uint32_t h = seed * 0x9E3779B1u ^ uint32_t(x) * 0x85EBCA77u ^ uint32_t(y) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return double(h & 0xFFFF) / 32767.5 - 1.0;
}

namespace {

// Smooth noise along one axis, for long brushing streaks.
double smooth(uint32_t seed, double t, int lane)
{
    const int i = int(std::floor(t));
    const double f = t - i;
    const double s = f * f * (3 - 2 * f);
    return noise(seed, i, lane) * (1 - s) + noise(seed, i + 1, lane) * s;
}

QColor levelColour(double level)
{
    const double r = kMetalDark.red() + (kMetalLight.red() - kMetalDark.red()) * level;
    const double g = kMetalDark.green() + (kMetalLight.green() - kMetalDark.green()) * level;
    const double b = kMetalDark.blue() + (kMetalLight.blue() - kMetalDark.blue()) * level;
    return QColor(std::clamp(int(std::lround(r)), 0, 255), std::clamp(int(std::lround(g)), 0, 255),
                  std::clamp(int(std::lround(b)), 0, 255));
}

} // namespace

QColor metal(double level, int x, int y, uint32_t seed, double grain)
{
    const double streak = 0.55 * noise(seed, 7, y) + 0.3 * smooth(seed, x / 23.0, y) + 0.15 * noise(seed, x, y);
    return levelColour(level + streak * 0.07 * grain);
}

void fillMetal(QImage& image, const QRect& rect, double levelTop, double levelBottom, uint32_t seed, double grain)
{
    const QRect r = rect & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const double t = rect.height() > 1 ? double(y - rect.top()) / (rect.height() - 1) : 0.0;
        const double level = levelTop + (levelBottom - levelTop) * t;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            line[x] = metal(level, x, y, seed, grain).rgb();
    }
}

void fillMetalVertical(QImage& image, const QRect& rect, double levelLeft, double levelRight, uint32_t seed)
{
    const QRect r = rect & image.rect();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            const double t = rect.width() > 1 ? double(x - rect.left()) / (rect.width() - 1) : 0.0;
            line[x] = metal(levelLeft + (levelRight - levelLeft) * t, y, x, seed).rgb();
        }
    }
}

void blend(QImage& image, int x, int y, const QColor& c, double t)
{
    if (!image.rect().contains(x, y))
        return;
    const QColor under = image.pixelColor(x, y);
    QColor out = mix(under, c, t);
    out.setAlpha(under.alpha());
    image.setPixelColor(x, y, out);
}

void bevel(QImage& image, const QRect& rect, bool raised, double strength)
{
    const QColor top = raised ? kEdgeLight : kEdgeDark;
    const QColor bottom = raised ? kEdgeDark : kEdgeLight;
    for (int x = rect.left(); x <= rect.right(); ++x) {
        blend(image, x, rect.top(), top, 0.8 * strength);
        blend(image, x, rect.bottom(), bottom, (raised ? 0.8 : 0.45) * strength);
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        blend(image, rect.left(), y, top, 0.6 * strength);
        blend(image, rect.right(), y, bottom, (raised ? 0.7 : 0.35) * strength);
    }
}

void bevel(QPainter& p, QRect rect, bool raised, std::initializer_list<BevelRing> rings, BevelCorner corner)
{
    const int bottomStart = corner == BevelCorner::Bottom ? 0 : 1;
    for (const BevelRing& ring : rings) {
        p.setPen(raised ? ring.light : ring.dark);
        p.drawLine(rect.topLeft(), rect.topRight());
        p.drawLine(rect.topLeft(), rect.bottomLeft());
        p.setPen(raised ? ring.dark : ring.light);
        p.drawLine(rect.bottomLeft() + QPoint(bottomStart, 0), rect.bottomRight());
        p.drawLine(rect.topRight(), rect.bottomRight());
        rect.adjust(1, 1, -1, -1);
    }
}

void screw(QPainter& p, QPointF centre, const ScrewLook& look)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient head(centre + look.lightOffset, look.lightRadius);
    head.setStops(look.shading);
    p.setPen(look.rim);
    p.setBrush(head);
    p.drawEllipse(centre, look.radius, look.radius);
    p.setPen(look.slot);
    p.drawLine(centre - look.slotEnd, centre + look.slotEnd);
    p.restore();
}

QPainterPath lettering(const QString& text, const QPointF& origin, double unit)
{
    using Stroke = std::vector<QPointF>;
    static const QHash<QChar, std::vector<Stroke>> glyphs = {
        {'A', {{{0, 6}, {2, 0}, {4, 6}}, {{0.9, 3.9}, {3.1, 3.9}}}},
        {'E', {{{4, 0}, {0, 0}, {0, 6}, {4, 6}}, {{0, 3}, {3, 3}}}},
        {'F', {{{4, 0}, {0, 0}, {0, 6}}, {{0, 3}, {3, 3}}}},
        {'I', {{{2, 0}, {2, 6}}, {{1, 0}, {3, 0}}, {{1, 6}, {3, 6}}}},
        {'L', {{{0, 0}, {0, 6}, {4, 6}}}},
        {'M', {{{0, 6}, {0, 0}, {2, 3}, {4, 0}, {4, 6}}}},
        {'N', {{{0, 6}, {0, 0}, {4, 6}, {4, 0}}}},
        {'O', {{{1, 0}, {3, 0}, {4, 1}, {4, 5}, {3, 6}, {1, 6}, {0, 5}, {0, 1}, {1, 0}}}},
        {'P', {{{0, 6}, {0, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, {0, 3}}}},
        {'R', {{{0, 6}, {0, 0}, {3, 0}, {4, 1}, {4, 2}, {3, 3}, {0, 3}}, {{2, 3}, {4, 6}}}},
        {'S', {{{4, 0}, {1, 0}, {0, 1}, {0, 2}, {1, 3}, {3, 3}, {4, 4}, {4, 5}, {3, 6}, {0, 6}}}},
        {'T', {{{0, 0}, {4, 0}}, {{2, 0}, {2, 6}}}},
        {'V', {{{0, 0}, {2, 6}, {4, 0}}}},
        {'W', {{{0, 0}, {1, 6}, {2, 3}, {3, 6}, {4, 0}}}},
    };
    QPainterPath path;
    double x = origin.x();
    for (const QChar c : text) {
        const auto it = glyphs.find(c.toUpper());
        if (it != glyphs.end()) {
            for (const Stroke& stroke : *it) {
                path.moveTo(x + stroke[0].x() * unit, origin.y() + stroke[0].y() * unit);
                for (size_t i = 1; i < stroke.size(); ++i)
                    path.lineTo(x + stroke[i].x() * unit, origin.y() + stroke[i].y() * unit);
            }
        }
        x += 6 * unit;
    }
    return path;
}

void ledStroke(QPainter& p, const QPainterPath& path, double width, const QColor& lit, double glow)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    if (glow > 0) {
        QColor halo = lit;
        halo.setAlphaF(float(0.18 * glow));
        p.setPen(QPen(halo, width * 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
        halo.setAlphaF(float(0.3 * glow));
        p.setPen(QPen(halo, width * 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    p.setPen(QPen(lit, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(path);
    p.restore();
}

void logoLens(QPainter& p, QPointF centre, const LensLook& look)
{
    QRadialGradient glass(centre + look.lightOffset, look.lightRadius);
    glass.setColorAt(0, look.lightColour);
    glass.setColorAt(1, look.darkColour);
    p.setPen(look.rim);
    p.setBrush(glass);
    p.drawEllipse(centre, look.radius, look.radius);
    p.setPen(look.ring);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, look.ringRadius, look.ringRadius);
    ledStroke(p, lettering("N", centre + look.letterOffset, look.letterUnit), look.letterWidth, kLedLit,
              look.letterGlow);
}

QImage keyed(const QImage& argb, const QColor& under, const QColor& key)
{
    QImage src = argb.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const int a = qAlpha(s[x]);
            if (a < 128) {
                d[x] = key.rgb();
                continue;
            }
            const double t = a / 255.0;
            d[x] = qRgb(int(std::lround(qRed(s[x]) * t + under.red() * (1 - t))),
                        int(std::lround(qGreen(s[x]) * t + under.green() * (1 - t))),
                        int(std::lround(qBlue(s[x]) * t + under.blue() * (1 - t))));
            if (d[x] == key.rgb()) // never produce the key by accident
                d[x] = qRgb(0xfe, 0x00, 0xff);
        }
    }
    return out;
}

namespace {

// A colour of the picture and how many pixels it stands for.
struct Entry {
    QRgb colour;
    int count;
};

int channelOf(QRgb c, int channel)
{
    return channel == 0 ? qRed(c) : channel == 1 ? qGreen(c) : qBlue(c);
}

struct Box {
    std::vector<Entry> entries;
    int channel = 0; // the channel with the widest spread
    int range = 0;   // that spread
    long long population = 0;

    void measure()
    {
        std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
        population = 0;
        for (const Entry& e : entries) {
            for (int i = 0; i < 3; ++i) {
                lo[i] = std::min(lo[i], channelOf(e.colour, i));
                hi[i] = std::max(hi[i], channelOf(e.colour, i));
            }
            population += e.count;
        }
        range = -1;
        for (int i = 0; i < 3; ++i) {
            if (hi[i] - lo[i] > range) {
                range = hi[i] - lo[i];
                channel = i;
            }
        }
    }

    // How much the box deserves a split: wide and well populated.
    double score(Quantiser how) const
    {
        const double root = std::sqrt(double(population));
        return range * (how == Quantiser::Pixels ? std::floor(root) : root);
    }

    QRgb mean(Quantiser how) const
    {
        double sum[3] = {0, 0, 0};
        for (const Entry& e : entries)
            for (int i = 0; i < 3; ++i)
                sum[i] += channelOf(e.colour, i) * double(e.count);
        const double n = double(std::max<long long>(population, 1));
        const auto average = [&](int i) {
            return int(how == Quantiser::Pixels ? std::floor(sum[i] / n) : std::lround(sum[i] / n));
        };
        return qRgb(average(0), average(1), average(2));
    }
};

// Splits the entries into at most `colours` boxes and returns their means.
std::vector<QRgb> medianCut(std::vector<Entry> entries, int colours, Quantiser how)
{
    if (entries.empty())
        return {};
    std::vector<Box> boxes(1);
    boxes[0].entries = std::move(entries);
    boxes[0].measure();
    while (int(boxes.size()) < colours) {
        int best = -1;
        double bestScore = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            const double score = boxes[i].entries.size() < 2 ? 0 : boxes[i].score(how);
            if (score > bestScore) {
                bestScore = score;
                best = int(i);
            }
        }
        if (best < 0)
            break;
        // Cut at the median pixel along the widest channel.
        Box& box = boxes[size_t(best)];
        const int ch = box.channel;
        std::sort(box.entries.begin(), box.entries.end(),
                  [ch](const Entry& a, const Entry& b) { return channelOf(a.colour, ch) < channelOf(b.colour, ch); });
        const long long half = box.population / 2;
        long long seen = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < box.entries.size(); ++i) {
            seen += box.entries[i].count;
            cut = i + 1;
            if (seen >= half)
                break;
        }
        Box upper;
        upper.entries.assign(box.entries.begin() + long(cut), box.entries.end());
        box.entries.resize(cut);
        box.measure();
        upper.measure();
        boxes.push_back(std::move(upper));
    }
    std::vector<QRgb> palette;
    for (const Box& b : boxes)
        palette.push_back(b.mean(how));
    return palette;
}

// The colours to cut: each distinct colour with its count, or every pixel
// on its own, in raster order.
std::vector<Entry> entriesOf(const QImage& src, const QList<QRgb>& exact, Quantiser how)
{
    std::vector<Entry> entries;
    if (how == Quantiser::Pixels) {
        entries.reserve(size_t(src.width()) * size_t(src.height()));
        for (int y = 0; y < src.height(); ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            for (int x = 0; x < src.width(); ++x)
                if (!exact.contains(s[x] | 0xFF000000u))
                    entries.push_back({s[x] | 0xFF000000u, 1});
        }
        return entries;
    }
    QMap<QRgb, int> histogram;
    for (int y = 0; y < src.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = s[x] | 0xFF000000u;
            if (!exact.contains(c))
                ++histogram[c];
        }
    }
    for (auto it = histogram.begin(); it != histogram.end(); ++it)
        entries.push_back({it.key(), it.value()});
    return entries;
}

} // namespace

QImage indexed(const QImage& image, int colours, const QList<QRgb>& exact, Quantiser how)
{
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    QList<QRgb> table;
    for (QRgb c : exact)
        table.append(c | 0xFF000000u);
    const int firstFree = int(table.size());
    for (QRgb c : medianCut(entriesOf(src, table, how), colours - firstFree, how))
        table.append(c);

    // Each pixel takes its exact entry, or else the nearest of the others.
    QImage out(src.size(), QImage::Format_Indexed8);
    out.setColorTable(table);
    QHash<QRgb, int> memo;
    for (int y = 0; y < src.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* d = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = s[x] | 0xFF000000u;
            const int fixed = int(table.indexOf(c));
            if (fixed >= 0 && fixed < firstFree) {
                d[x] = uchar(fixed);
                continue;
            }
            auto it = memo.find(c);
            if (it == memo.end()) {
                int best = firstFree;
                long bestDistance = -1;
                for (int i = firstFree; i < int(table.size()); ++i) {
                    const long dr = qRed(c) - qRed(table[i]), dg = qGreen(c) - qGreen(table[i]),
                               db = qBlue(c) - qBlue(table[i]);
                    const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                    if (bestDistance < 0 || distance < bestDistance) {
                        bestDistance = distance;
                        best = i;
                    }
                }
                it = memo.insert(c, best);
            }
            d[x] = uchar(*it);
        }
    }
    return out;
}

} // namespace skinpaint
