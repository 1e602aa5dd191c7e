#pragma once

#include "dibultra.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// Sine and cosine of i / 1024 of a turn, and the rotation of the current
// frame; shared by the whole program.
extern std::array<float, 1024> CosTable;
extern std::array<float, 1024> SinTable;
extern float Rotation[3][3];

void BuildTrigTables();
// A turn by b about Y, then by a about X, then by c about Z (the viewing
// direction); angles are table indexes 0-1023.
void BuildRotation(int a, int b, int c);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// One line of the About banner and the font it is written in. A positive
// FontHeight is the height of the character cell in pixels.
struct TBanner {
    QString FontName;
    int FontHeight;
    TFontStyles FontStyle;
    QString Text;
};

using TBannerTable = std::array<TBanner, 3>;

// How a banner line was written: the cell height it fitted at (its table's
// height or less), its width and the pixels it lit, each of them a point.
struct TBannerFit {
    int FontHeight = 0;
    int Width = 0;
    int LitPixels = 0;
};

struct MorphPoint {
    float X = 0, Y = 0, Z = 0;    // position, inside the unit sphere
    float DX = 0, DY = 0, DZ = 0; // move per morph step towards the next shape
};

// The About box's solid: 2048 points that rest on each of six shapes in
// turn, glide into the next one, spin about a tilted vertical axis and run
// through the rainbow by stepping their palette indexes.
class TSolidRenderer {
public:
    static constexpr int PointCount = 2048;
    static constexpr int ShapeCount = 6;
    static constexpr int HoldFrames = 200;
    static constexpr int MorphSteps = 50;

    TSolidRenderer();

    // The 256-colour palette of the animation surface: the static colours
    // at both ends and a hue wheel in entries 10-245.
    static TLogPalette SpectrumPalette();

    // Fills the positions of every shape and the point colours; raises
    // DIB_ERROR when the raster for the banner lines cannot be made.
    void BuildShapes(const TBannerTable& banners);
    // Fills the per-step moves and puts the animation at its start.
    void PrepareMorph();
    // Advances one frame: state, rotation and colours.
    void Advance();
    // Advance, clear the surface to its fill colour and plot the frame.
    void AnimateTick(TDIBUltra& surface);
    // Plots shape k at morph step s into the surface.
    void DrawFrame(TDIBUltra& surface, int k, int s) const;

    // Where a point lands on the surface under the current rotation.
    void Project(float x, float y, float z, int& sx, int& sy) const;

    std::vector<std::array<MorphPoint, PointCount>> ShapePoints;
    std::array<std::uint8_t, PointCount> PointColours{};
    std::array<TBannerFit, 3> BannerFits{};
    int FrameCount = 0;
    int HoldCount = 0;
    int MorphStep = 0;
    int ShapeIndex = 0;
    int SpinRates[3] = {0, -6, 0};
    int ViewCentreX = 158;
    int ViewCentreY = 144;
    // The angles of the last frame, for those who watch.
    int AngleA = 0, AngleB = 0, AngleC = 0;

private:
    TBannerFit WriteBanner(TDIBUltra& raster, const TBanner& banner);
    void BuildBannerShape(TDIBUltra& raster, const TBanner& banner, std::array<MorphPoint, PointCount>& shape,
                          TBannerFit& fit);
    void BuildSpherePair(std::array<MorphPoint, PointCount>& shape, int n, float outer, float inner);
};
