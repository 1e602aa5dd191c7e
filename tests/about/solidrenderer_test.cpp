#include "aboutform.h"
#include "solidrenderer.h"
#include "testapp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

void PrintTo(const TPaletteEntry& e, std::ostream* os)
{
    *os << int(e.peRed) << "," << int(e.peGreen) << "," << int(e.peBlue) << "," << int(e.peFlags);
}

namespace {

TPaletteEntry RGB(int r, int g, int b)
{
    return {std::uint8_t(r), std::uint8_t(g), std::uint8_t(b), 0};
}

class Renderer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        BuildTrigTables();
        built = new TSolidRenderer;
        built->BuildShapes(BannerLines);
        built->PrepareMorph();
    }
    static void TearDownTestSuite() { delete built; }

    void SetUp() override { r = *built; }

    static TSolidRenderer* built;
    TSolidRenderer r;
};

TSolidRenderer* Renderer::built = nullptr;

} // namespace

TEST(TrigTables, HoldQuarterTurnsExactly)
{
    BuildTrigTables();
    EXPECT_EQ(CosTable[0], 1.0f);
    EXPECT_EQ(SinTable[0], 0.0f);
    EXPECT_EQ(SinTable[256], 1.0f);
    EXPECT_EQ(CosTable[512], -1.0f);
    EXPECT_EQ(SinTable[768], -1.0f);
    EXPECT_NEAR(CosTable[128], std::sqrt(0.5), 1e-7);
}

TEST(TrigTables, RotationIsIdentityAtRestAndOrthonormalElsewhere)
{
    BuildTrigTables();
    BuildRotation(0, 0, 0);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(Rotation[i][j], i == j ? 1.0f : 0.0f);

    for (auto [a, b, c] : {std::tuple{32, 762, 0}, {100, 900, 300}, {1023, 1, 512}}) {
        BuildRotation(a, b, c);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                double dot = 0;
                for (int k = 0; k < 3; ++k)
                    dot += double(Rotation[i][k]) * Rotation[j][k];
                EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-6) << a << " " << b << " " << c;
            }
    }
    // A quarter turn about the vertical axis takes X onto Z's place.
    BuildRotation(0, 256, 0);
    EXPECT_NEAR(Rotation[0][2], 1.0, 1e-7);
    EXPECT_NEAR(Rotation[2][0], -1.0, 1e-7);
    // The tilt a turns about X: the third row picks up sin a as its Y part.
    BuildRotation(32, 0, 0);
    EXPECT_FLOAT_EQ(Rotation[2][1], SinTable[32]);
}

TEST(SpectrumPalette, StaticColoursAndTheHueWheel)
{
    const TLogPalette p = TSolidRenderer::SpectrumPalette();
    EXPECT_EQ(p.palVersion, 0x0300);
    EXPECT_EQ(p.palNumEntries, 256);
    const std::pair<int, TPaletteEntry> entries[] = {
        {0, RGB(0, 0, 0)},          {9, RGB(0xA6, 0xCA, 0xF0)},   {10, RGB(0xFF, 0, 0)},
        {11, RGB(0xFF, 0x06, 0)},   {69, RGB(0x80, 0xFF, 0)},     {128, RGB(0, 0xFF, 0xFF)},
        {245, RGB(0xFF, 0, 0x06)},  {246, RGB(0xFF, 0xFB, 0xF0)}, {255, RGB(0x48, 0xF9, 0x66)},
    };
    for (const auto& [index, entry] : entries)
        EXPECT_EQ(p.palPalEntry[index], entry) << "entry " << index;
}

TEST_F(Renderer, ColoursRunInBlocksOfEightAndCycleByFour)
{
    EXPECT_EQ(r.PointColours[0], 10);
    EXPECT_EQ(r.PointColours[7], 10);
    EXPECT_EQ(r.PointColours[8], 11);
    EXPECT_EQ(r.PointColours[236 * 8], 10);
    EXPECT_EQ(r.PointColours[2046], 10 + 255 % 236);
    EXPECT_EQ(r.PointColours[2047], 0);

    r.PointColours[5] = 242;
    r.PointColours[6] = 241;
    r.PointColours[9] = 100;
    r.Advance();
    EXPECT_EQ(r.PointColours[5], 10);
    EXPECT_EQ(r.PointColours[6], 245);
    EXPECT_EQ(r.PointColours[9], 104);
    EXPECT_EQ(r.PointColours[0], 10); // the ends keep their colours
    EXPECT_EQ(r.PointColours[2047], 0);
}

TEST_F(Renderer, FirstFrameIsShapeZeroAtRestWithTheTiltedView)
{
    EXPECT_EQ(r.FrameCount, 48);
    r.Advance();
    EXPECT_EQ(r.FrameCount, 49);
    EXPECT_EQ(r.AngleA, 32);
    EXPECT_EQ(r.AngleB, 762);
    EXPECT_EQ(r.AngleC, 0);
    EXPECT_EQ(r.ShapeIndex, 0);
    EXPECT_EQ(r.HoldCount, 1);
    EXPECT_EQ(r.MorphStep, 0);
}

TEST_F(Renderer, ShapesRestThenMorphInTurn)
{
    // Shape 0 starts with HoldCount already at 1 after the first tick.
    for (int tick = 1; tick <= 199; ++tick) {
        r.Advance();
        ASSERT_EQ(r.HoldCount, tick);
        ASSERT_EQ(r.MorphStep, 0);
    }
    r.Advance();
    EXPECT_EQ(r.HoldCount, -1);
    EXPECT_EQ(r.MorphStep, 1);
    for (int step = 2; step <= 49; ++step) {
        r.Advance();
        ASSERT_EQ(r.MorphStep, step);
        ASSERT_EQ(r.ShapeIndex, 0);
    }
    r.Advance();
    EXPECT_EQ(r.MorphStep, 0);
    EXPECT_EQ(r.HoldCount, 0);
    EXPECT_EQ(r.ShapeIndex, 1);

    // Every later shape lasts 249 frames; after 5 comes 0 again.
    for (int shape = 2; shape <= 6; ++shape) {
        for (int i = 0; i < 248; ++i) {
            r.Advance();
            ASSERT_EQ(r.ShapeIndex, shape - 1);
        }
        r.Advance();
        EXPECT_EQ(r.ShapeIndex, shape % 6);
        EXPECT_EQ(r.HoldCount, 0);
    }
}

TEST_F(Renderer, MovesLeadEachShapeTowardsTheNext)
{
    for (int k = 0; k < 6; ++k) {
        const auto& from = r.ShapePoints[k];
        const auto& to = r.ShapePoints[(k + 1) % 6];
        for (int i = 0; i < TSolidRenderer::PointCount; i += 97) {
            EXPECT_NEAR(from[i].X + 51 * from[i].DX, to[i].X, 1e-5);
            EXPECT_NEAR(from[i].Y + 51 * from[i].DY, to[i].Y, 1e-5);
            EXPECT_NEAR(from[i].Z + 51 * from[i].DZ, to[i].Z, 1e-5);
        }
    }
}

TEST_F(Renderer, SpherePairsHaveTheirRadii)
{
    const auto radius = [](const MorphPoint& p) { return std::sqrt(p.X * p.X + p.Y * p.Y + p.Z * p.Z); };
    for (int i = 0; i < 1024; ++i) {
        ASSERT_NEAR(radius(r.ShapePoints[1][i]), 0.5, 1e-6);
        ASSERT_NEAR(radius(r.ShapePoints[1][1024 + i]), 0.2, 1e-6);
        ASSERT_NEAR(radius(r.ShapePoints[3][i]), 0.75, 1e-6);
        ASSERT_NEAR(radius(r.ShapePoints[3][1024 + i]), 0.25, 1e-6);
        ASSERT_EQ(r.ShapePoints[3][i].X, r.ShapePoints[5][i].X);
    }
    // Outer poles lie on Z, inner poles on Y: the first ring of each is
    // nearest its pole.
    EXPECT_GT(r.ShapePoints[3][0].Z, 0.74f);
    EXPECT_GT(r.ShapePoints[3][1024].Y, 0.24f);
}

TEST_F(Renderer, BannerLinesWrapRoundTheSphereInABand)
{
    for (int shape : {0, 2, 4}) {
        SCOPED_TRACE(shape);
        int placed = 0;
        for (int i = 0; i < TSolidRenderer::PointCount; ++i) {
            const MorphPoint& p = r.ShapePoints[shape][i];
            if (p.X == 0 && p.Y == 0 && p.Z == 0)
                continue;
            ++placed;
            ASSERT_NEAR(p.X * p.X + p.Y * p.Y + p.Z * p.Z, 1.0, 1e-5);
            ASSERT_LT(std::fabs(p.Y), std::sin(16 * 0.0175)); // at most 15 rows from the equator
        }
        EXPECT_GT(placed, 800);
        // Slot 2047 is black and sits at the origin unless the line fills
        // every slot.
        const MorphPoint& last = r.ShapePoints[shape][2047];
        if (placed < 2048) {
            EXPECT_TRUE(last.X == 0 && last.Y == 0 && last.Z == 0);
        }
    }
    // The line is read from its right end backwards: longitude never grows
    // from one slot to the next.
    const auto longitude = [](const MorphPoint& p) {
        const double a = std::atan2(p.Z, p.X);
        return a < 0 ? a + 2 * M_PI : a;
    };
    const auto& line = r.ShapePoints[0];
    for (int i = 1; i < TSolidRenderer::PointCount && (line[i].X != 0 || line[i].Z != 0); ++i)
        ASSERT_LE(longitude(line[i]), longitude(line[i - 1]) + 1e-6) << i;
}

// --- Banner lines keep every letter --------------------------------------------

// The raster column a point of a wrapped line came from.
int ColumnOf(const MorphPoint& p, int width)
{
    double a = std::atan2(p.Z, p.X);
    if (a < 0)
        a += 2 * M_PI;
    return int(std::lround(a * width / (2 * M_PI)));
}

bool AtOrigin(const MorphPoint& p)
{
    return p.X == 0 && p.Y == 0 && p.Z == 0;
}

// Writes one line alone (as row 0) and returns how it fitted.
TBannerFit FitOf(const TBanner& banner)
{
    TSolidRenderer r;
    TBannerTable table = BannerLines;
    table[0] = banner;
    r.BuildShapes(table);
    return r.BannerFits[0];
}

class BannerFonts : public ::testing::TestWithParam<const char*> {};

TEST_P(BannerFonts, EveryLineKeepsItsFirstAndLastLetters)
{
    // The About box's own lines, and lines no font writes within 2048
    // points or the raster's 450 columns at their height.
    TBannerTable own = BannerLines;
    const TBannerTable heavy = {{
        {"", 30, fsBold, "MWMWMWMWMWMWMWMWMWMW   "},
        {"", 22, fsBold | fsItalic, "WIDE AND HEAVY LETTERS FROM END TO END"},
        {"", 45, 0, "HUGE CELL"},
    }};
    for (const TBannerTable& given : {own, heavy}) {
        TBannerTable table = given;
        for (TBanner& banner : table)
            banner.FontName = QString::fromLatin1(GetParam());
        TSolidRenderer r;
        r.BuildShapes(table);
        for (int row = 0; row < 3; ++row) {
            const TBanner& banner = table[row];
            const TBannerFit fit = r.BannerFits[row];
            SCOPED_TRACE(banner.Text.toStdString() + " at " + std::to_string(fit.FontHeight));
            ASSERT_GT(fit.LitPixels, 0);
            EXPECT_LE(fit.FontHeight, banner.FontHeight);
            EXPECT_LE(fit.LitPixels, TSolidRenderer::PointCount);
            EXPECT_LE(fit.Width, 450);
            EXPECT_LE(fit.FontHeight, 50);

            // Every lit pixel became a point.
            int placed = 0, first = fit.Width, last = 0;
            for (const MorphPoint& p : r.ShapePoints[2 * row]) {
                if (AtOrigin(p))
                    continue;
                ++placed;
                first = std::min(first, ColumnOf(p, fit.Width));
                last = std::max(last, ColumnOf(p, fit.Width));
            }
            EXPECT_EQ(placed, fit.LitPixels);
            // The first letter starts the line and the last one ends it,
            // where the line without its trailing blanks ends.
            TBanner trimmed = banner;
            trimmed.Text = banner.Text.trimmed();
            trimmed.FontHeight = fit.FontHeight;
            const int end = FitOf(trimmed).Width;
            EXPECT_LT(first, fit.FontHeight / 2);
            EXPECT_GT(last, end - fit.FontHeight / 2) << "the line's letters end at " << end;
            EXPECT_LE(last, end + fit.FontHeight / 2);

            // A line is made smaller only as far as it must.
            if (fit.FontHeight < banner.FontHeight) {
                TBanner larger = banner;
                larger.FontHeight = fit.FontHeight + 1;
                EXPECT_LT(FitOf(larger).FontHeight, larger.FontHeight);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Installed, BannerFonts, ::testing::Values("Arial", "DejaVu Sans", "No Such Font Anywhere"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
                             return name;
                         });

TEST_F(Renderer, OriginLandsOnTheViewCentreWhateverTheRotation)
{
    for (int frame = 0; frame < 300; frame += 37) {
        BuildRotation(32, frame * 5, frame);
        int x = 0, y = 0;
        r.Project(0, 0, 0, x, y);
        EXPECT_EQ(x, 158);
        EXPECT_EQ(y, 144);
    }
}

TEST_F(Renderer, EveryPointStaysInsideTheSurface)
{
    TDIBUltra surface(317, 337, dfIndexed8);
    for (int frame = 0; frame < 1024; frame += 61) {
        BuildRotation(32, 32 - 6 * frame, 0);
        for (int k = 0; k < 6; ++k)
            for (int s : {0, 25, 49})
                for (const MorphPoint& p : r.ShapePoints[k]) {
                    int x, y;
                    r.Project(p.X + s * p.DX, p.Y + s * p.DY, p.Z + s * p.DZ, x, y);
                    ASSERT_GE(x, 37);
                    ASSERT_LE(x, 279);
                    ASSERT_GE(y, 23);
                    ASSERT_LE(y, 265);
                }
    }
}

TEST_F(Renderer, HigherSlotWinsASharedPixel)
{
    TDIBUltra surface(317, 337, dfIndexed8);
    BuildRotation(32, 762, 0);
    auto& shape = r.ShapePoints[0];
    shape[100] = shape[1500] = MorphPoint{0.3f, 0.1f, -0.2f, 0, 0, 0};
    r.PointColours[100] = 50;
    r.PointColours[1500] = 200;
    r.DrawFrame(surface, 0, 0);
    int x, y;
    r.Project(0.3f, 0.1f, -0.2f, x, y);
    EXPECT_EQ(surface.GetPixel(x, y), 200u);
    // At rest the free slots and the black last slot share the centre.
    EXPECT_EQ(surface.GetPixel(158, 144), 0u);
}

TEST_F(Renderer, ATickClearsToBlackAndPlotsTheCloud)
{
    TLogPalette palette = TSolidRenderer::SpectrumPalette();
    TDIBUltra surface(317, 337, dfIndexed8, &palette);
    surface.SetFillColor(0x000000);
    surface.SetPixel(2, 2, 77);
    r.AnimateTick(surface);
    EXPECT_EQ(surface.GetPixel(2, 2), 0u);
    int coloured = 0;
    for (int y = 0; y < 337; ++y)
        for (int x = 0; x < 317; ++x)
            coloured += surface.GetPixel(x, y) != 0;
    EXPECT_GT(coloured, 500);
    EXPECT_LE(coloured, 2047);
}
