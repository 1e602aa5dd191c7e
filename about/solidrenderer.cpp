#include "solidrenderer.h"

#include "dibcanvas.h"

#include <cmath>
#include <numbers>

std::array<float, 1024> CosTable{};
std::array<float, 1024> SinTable{};
float Rotation[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

namespace {

constexpr double kPi = std::numbers::pi;
// The eye sits this far in front of the centre of the solid, and a unit at
// the centre's depth spans this many pixels.
constexpr double kViewDistance = 1.8;
constexpr double kViewScale = 180.0;

float toFloat(double v)
{
    return float(v);
}

} // namespace

void BuildTrigTables()
{
    for (int i = 0; i < 1024; ++i) {
        const double a = toFloat(i * 2 * kPi / 1024);
        CosTable[i] = toFloat(std::cos(a));
        SinTable[i] = toFloat(std::sin(a));
    }
}

void BuildRotation(int a, int b, int c)
{
    const double ca = CosTable[a & 1023], sa = SinTable[a & 1023];
    const double cb = CosTable[b & 1023], sb = SinTable[b & 1023];
    const double cc = CosTable[c & 1023], sc = SinTable[c & 1023];
    const double p1 = toFloat(cb * cc), p2 = toFloat(sa * sb), p3 = toFloat(cb * sc);
    Rotation[0][0] = toFloat(p1 - p2 * sc);
    Rotation[0][1] = toFloat(-(ca * sc));
    Rotation[0][2] = toFloat(cc * sb + p3 * sa);
    Rotation[1][0] = toFloat(cc * p2 + p3);
    Rotation[1][1] = toFloat(ca * cc);
    Rotation[1][2] = toFloat(sb * sc - p1 * sa);
    Rotation[2][0] = toFloat(-(ca * sb));
    Rotation[2][1] = toFloat(sa);
    Rotation[2][2] = toFloat(ca * cb);
}

TSolidRenderer::TSolidRenderer()
    : ShapePoints(ShapeCount)
{
}

TLogPalette TSolidRenderer::SpectrumPalette()
{
    static constexpr std::uint32_t low[10] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                              0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0};
    static constexpr std::uint32_t high[10] = {0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                               0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0x48F966};
    const auto entry = [](std::uint32_t rgb) {
        return TPaletteEntry{std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb), 0};
    };
    const auto level = [](double v) { return std::uint8_t(std::floor(v * 255 + 0.5)); };

    TLogPalette palette;
    palette.palNumEntries = 256;
    for (int k = 0; k < 10; ++k) {
        palette.palPalEntry[k] = entry(low[k]);
        palette.palPalEntry[246 + k] = entry(high[k]);
    }
    for (int k = 10; k <= 245; ++k) {
        const double h = (k - 10) * 6.0 / 236;
        const int i = int(h);
        const double f = h - i;
        double r = 0, g = 0, b = 0;
        switch (i) {
        case 0: r = 1, g = f, b = 0; break;
        case 1: r = 1 - f, g = 1, b = 0; break;
        case 2: r = 0, g = 1, b = f; break;
        case 3: r = 0, g = 1 - f, b = 1; break;
        case 4: r = f, g = 0, b = 1; break;
        default: r = 1, g = 0, b = 1 - f; break;
        }
        palette.palPalEntry[k] = {level(r), level(g), level(b), 0};
    }
    return palette;
}

void TSolidRenderer::BuildShapes(const TBannerTable& banners)
{
    for (int i = 0; i < PointCount - 1; ++i)
        PointColours[i] = std::uint8_t(10 + (i / 8) % 236);
    PointColours[PointCount - 1] = 0;

    {
        TDIBUltra raster(450, 50, dfMono1);
        for (int r = 0; r < 3; ++r)
            BuildBannerShape(raster, banners[r], ShapePoints[2 * r], BannerFits[r]);
    }

    BuildSpherePair(ShapePoints[5], 16, 0.75f, 0.25f);
    BuildSpherePair(ShapePoints[3], 16, 0.75f, 0.25f);
    BuildSpherePair(ShapePoints[1], 8, 0.5f, 0.2f);
}

// Writes the line on the 1-bit raster so that all of it becomes points: a
// line whose lit pixels exceed the slots, or that runs off the raster, is
// written again one cell height smaller until it fits, so that no letter is
// lost at either end whatever font stands in for the one named.
TBannerFit TSolidRenderer::WriteBanner(TDIBUltra& raster, const TBanner& banner)
{
    TDIBCanvas& canvas = raster.Canvas();
    canvas.Font.Bold = banner.FontStyle & fsBold;
    canvas.Font.Italic = banner.FontStyle & fsItalic;
    canvas.Font.Underline = banner.FontStyle & fsUnderline;
    canvas.Font.StrikeOut = banner.FontStyle & fsStrikeOut;
    canvas.Font.Name = banner.FontName;
    canvas.BrushColor = 0x000000;
    canvas.BrushStyle = TBrushStyle::Solid;
    canvas.Font.Color = 0xFFFFFF;
    TBannerFit fit;
    for (int h = banner.FontHeight;; --h) {
        canvas.Font.Height = h;
        canvas.FillRect(QRect(0, 0, 450, 51));
        const int w = canvas.TextWidth(banner.Text);
        canvas.TextOut(0, 0, banner.Text);
        // The pixels the wrapping below visits.
        int lit = 0;
        for (int x = 1; x <= w && x < raster.Width(); ++x)
            for (int y = 0; y < h && y < raster.Height(); ++y)
                lit += raster.GetPixel(x, y) == 1;
        fit = {h, w, lit};
        if (h <= 1 || (lit <= PointCount && w <= raster.Width() && h <= raster.Height()))
            return fit;
    }
}

// Wraps the written line's lit pixels once round the sphere, one degree of
// latitude per pixel row, from the line's right end backwards.
void TSolidRenderer::BuildBannerShape(TDIBUltra& raster, const TBanner& banner, std::array<MorphPoint, PointCount>& shape,
                                      TBannerFit& fit)
{
    fit = WriteBanner(raster, banner);
    const int w = fit.Width;
    const int h = fit.FontHeight;

    shape.fill(MorphPoint{});
    if (w <= 0)
        return;
    const float step = toFloat(2 * kPi / w);
    const float oneDegree = 0.017453292f;
    int n = 0;
    for (int x = w; x >= 1 && n < PointCount; --x) {
        for (int y = 0; y < h && n < PointCount; ++y) {
            if (x >= raster.Width() || y >= raster.Height() || raster.GetPixel(x, y) != 1)
                continue;
            const double phi = toFloat((y - h / 2.0) * oneDegree);
            const double theta = toFloat(x * double(step));
            MorphPoint& p = shape[n++];
            p.X = toFloat(std::cos(theta) * std::cos(phi));
            p.Y = toFloat(std::sin(phi));
            p.Z = toFloat(std::sin(theta) * std::cos(phi));
        }
    }
}

// Two nested spheres of rings: the outer with its poles on Z, the inner
// with its poles on Y, together exactly 2048 points.
void TSolidRenderer::BuildSpherePair(std::array<MorphPoint, PointCount>& shape, int n, float outer, float inner)
{
    const int m = PointCount / (2 * n);
    const auto u = [m](int s) { return double(toFloat((s + 0.5) * 2 * kPi / m)); };
    const auto v = [n](int t) { return double(toFloat((t + 0.5) * kPi / n)); };
    int slot = 0;
    for (int s = 0; s < m; ++s)
        for (int t = 0; t < n; ++t) {
            MorphPoint& p = shape[slot++];
            p.X = toFloat(outer * std::cos(u(s)) * std::sin(v(t)));
            p.Y = toFloat(outer * std::sin(u(s)) * std::sin(v(t)));
            p.Z = toFloat(outer * std::cos(v(t)));
        }
    for (int t = 0; t < n; ++t)
        for (int s = 0; s < m; ++s) {
            MorphPoint& p = shape[slot++];
            p.X = toFloat(inner * std::cos(u(s)) * std::sin(v(t)));
            p.Z = toFloat(inner * std::sin(u(s)) * std::sin(v(t)));
            p.Y = toFloat(inner * std::cos(v(t)));
        }
}

void TSolidRenderer::PrepareMorph()
{
    FrameCount = 48;
    SpinRates[0] = 0;
    SpinRates[1] = -6;
    SpinRates[2] = 0;
    HoldCount = 0;
    MorphStep = 0;
    ShapeIndex = 0;
    for (int k = 0; k < ShapeCount; ++k) {
        const auto& next = ShapePoints[(k + 1) % ShapeCount];
        for (int i = 0; i < PointCount; ++i) {
            MorphPoint& p = ShapePoints[k][i];
            p.DX = toFloat((double(next[i].X) - p.X) / 51);
            p.DY = toFloat((double(next[i].Y) - p.Y) / 51);
            p.DZ = toFloat((double(next[i].Z) - p.Z) / 51);
        }
    }
}

void TSolidRenderer::Advance()
{
    FrameCount = (FrameCount + 1) & 1023;
    if (HoldCount >= 0)
        ++HoldCount;
    else
        ++MorphStep;
    if (HoldCount >= HoldFrames) {
        HoldCount = -1;
        MorphStep = 1;
    }
    if (MorphStep >= MorphSteps) {
        MorphStep = 0;
        HoldCount = 0;
        ShapeIndex = (ShapeIndex + 1) % ShapeCount;
    }

    AngleA = (32 + SpinRates[0] * FrameCount) & 1023;
    AngleB = (32 + SpinRates[1] * FrameCount) & 1023;
    AngleC = (SpinRates[2] * FrameCount) & 1023;
    BuildRotation(AngleA, AngleB, AngleC);

    for (int i = PointCount - 2; i >= 1; --i) {
        int v = PointColours[i] + 4;
        if (v >= 246)
            v = 10;
        PointColours[i] = std::uint8_t(v);
    }
}

void TSolidRenderer::AnimateTick(TDIBUltra& surface)
{
    Advance();
    surface.Clear();
    DrawFrame(surface, ShapeIndex, MorphStep);
}

void TSolidRenderer::Project(float x, float y, float z, int& sx, int& sy) const
{
    const float xr = toFloat(Rotation[0][0] * double(x) + Rotation[0][1] * double(y) + Rotation[0][2] * double(z));
    const float yr = toFloat(Rotation[1][0] * double(x) + Rotation[1][1] * double(y) + Rotation[1][2] * double(z));
    const float zr = toFloat(Rotation[2][0] * double(x) + Rotation[2][1] * double(y) + Rotation[2][2] * double(z) +
                             kViewDistance);
    // lrint rounds halves to the even neighbour in the default rounding mode.
    sx = int(std::lrint(xr * kViewScale / zr)) + ViewCentreX;
    sy = int(std::lrint(yr * kViewScale / zr)) + ViewCentreY;
}

void TSolidRenderer::DrawFrame(TDIBUltra& surface, int k, int s) const
{
    const auto& shape = ShapePoints[k % ShapeCount];
    for (int i = 0; i < PointCount; ++i) {
        const MorphPoint& p = shape[i];
        int x, y;
        const float px = toFloat(p.X + s * double(p.DX));
        const float py = toFloat(p.Y + s * double(p.DY));
        const float pz = toFloat(p.Z + s * double(p.DZ));
        Project(px, py, pz, x, y);
        surface.SetPixel(x, y, PointColours[i]);
    }
}
