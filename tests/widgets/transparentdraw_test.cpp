#include "skinwidgettest.h"
#include "transparentdraw.h"

#include <QPalette>

#include <string>
#include <vector>

namespace {

constexpr QRgb kKey = 0xFF00FF;
constexpr QRgb kBack = 0x203040;

// Pictures are written as rows of letters, one a pixel: '.' the canvas's
// background, R G B red, green and blue, K the key colour fuchsia, k black,
// x a colour no key matches and 1 to 4 greys 0x111111 to 0x444444.
QRgb colourOf(char letter)
{
    switch (letter) {
    case '.': return kBack;
    case 'R': return 0xFF0000;
    case 'G': return 0x00FF00;
    case 'B': return 0x0000FF;
    case 'K': return kKey;
    case 'k': return 0x000000;
    case 'x': return 0x0A141E;
    default: return 0x111111u * QRgb(letter - '0');
    }
}

QImage bitmap(const std::vector<std::string>& rows)
{
    QImage img(int(rows[0].size()), int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, 0xFF000000 | colourOf(rows[y][x]));
    return img;
}

// A 2 x 2 bitmap: red, key / green, blue.
QImage checker()
{
    return bitmap({"RK", "GB"});
}

// One drawing on a canvas of the background colour, and the canvas it
// leaves: `picture` from `at` on, the background everywhere else.
struct DrawCase {
    const char* name;
    void (*draw)(QImage& canvas);
    QPoint at;
    std::vector<std::string> picture;
    QSize canvas = {8, 8};
};

void PrintTo(const DrawCase& c, std::ostream* out)
{
    *out << c.name;
}

const DrawCase kDrawCases[] = {
    {"LeavesTheKeyColourOutAndCopiesTheRest",
     [](QImage& d) { DrawBitmapTransparent(d, 3, 4, checker(), clFuchsia); }, {3, 4}, {"R.", "GB"}},
    // Colour values are blue-green-red: 0xFF0000 is blue.
    {"AValueOfFF0000LeavesBlueOut", [](QImage& d) { DrawBitmapTransparent(d, 0, 0, checker(), 0xFF0000); },
     {0, 0}, {"RK", "G."}},
    {"NoColourCopiesEverything", [](QImage& d) { DrawBitmapTransparent(d, 0, 0, checker(), clNone); }, {0, 0},
     {"RK", "GB"}},
    {"DefaultColourIsTheBottomLeftPixel", // green
     [](QImage& d) { DrawBitmapTransparent(d, 0, 0, checker(), clDefault); }, {0, 0}, {"RK", ".B"}},
    {"SystemColoursAreLookedUp",
     [](QImage& d) {
         QImage face = bitmap({".x"});
         face.setPixel(0, 0, QApplication::palette().color(QPalette::Button).rgb());
         DrawBitmapTransparent(d, 0, 0, face, clBtnFace);
     },
     {0, 0}, {".x"}},
    {"MonochromeBitmapsLeaveWhiteOut",
     [](QImage& d) {
         QImage mono(2, 1, QImage::Format_Mono);
         mono.setColorTable({0xFFFFFFFF, 0xFF000000});
         mono.setPixel(0, 0, 0); // white
         mono.setPixel(1, 0, 1); // black
         DrawBitmapTransparent(d, 0, 0, mono, clBlack); // the colour asked for does not matter
     },
     {0, 0}, {".k"}},
    {"PalettedBitmapsMatchTheNearestEntry",
     [](QImage& d) {
         QImage indexed(2, 1, QImage::Format_Indexed8);
         indexed.setColorTable({qRgb(250, 2, 250), 0xFF000000 | colourOf('x')});
         indexed.setPixel(0, 0, 0);
         indexed.setPixel(1, 0, 1);
         DrawBitmapTransparent(d, 0, 0, indexed, clFuchsia);
     },
     {0, 0}, {".x"}},
    // Stretching repeats and drops pixels without blending.
    {"StretchingRepeatsPixels",
     [](QImage& d) { DrawBitmapRectTransparent(d, 0, 0, 4, 4, QRect(), checker(), clFuchsia); }, {0, 0},
     {"RR..", "RR..", "GGBB", "GGBB"}},
    {"ShrinkingKeepsEveryOtherColumn",
     [](QImage& d) { DrawBitmapRectTransparent(d, 0, 0, 2, 1, QRect(), bitmap({"1234"}), clNone); }, {0, 0},
     {"13"}},
    {"SizesBelowOneMeanTheBitmapsOwn",
     [](QImage& d) { DrawBitmapRectTransparent(d, 1, 1, 0, -3, QRect(0, 0, 0, 5), checker(), clNone); }, {1, 1},
     {"RK", "GB"}},
    {"SourceRectangleAtTheSameSize",
     [](QImage& d) { DrawBitmapRectTransparent(d, 5, 5, QRect(1, 1, 1, 1), checker(), clFuchsia); }, {5, 5},
     {"B"}},
    {"ClipsAtTheCanvasEdges",
     [](QImage& d) {
         DrawBitmapRectTransparent(d, 2, 2, 4, 4, QRect(), checker(), clNone);
         DrawBitmapRectTransparent(d, -3, -3, 4, 4, QRect(), checker(), clNone);
     },
     {0, 0}, {"B..", "...", "..R"}, {3, 3}},
};

class TransparentDrawing : public ::testing::TestWithParam<DrawCase> {};

TEST_P(TransparentDrawing, LeavesItsPictureAndTheBackgroundElsewhere)
{
    const DrawCase& c = GetParam();
    QImage dest = solid(c.canvas.width(), c.canvas.height(), kBack);
    c.draw(dest);
    const QRect picture(c.at, QSize(int(c.picture[0].size()), int(c.picture.size())));
    for (int y = 0; y < dest.height(); ++y)
        for (int x = 0; x < dest.width(); ++x) {
            const char letter = picture.contains(x, y) ? c.picture[y - c.at.y()][x - c.at.x()] : '.';
            EXPECT_EQ(rgbAt(dest, x, y), colourOf(letter)) << x << "," << y << " should be '" << letter << "'";
        }
}

INSTANTIATE_TEST_SUITE_P(Cases, TransparentDrawing, ::testing::ValuesIn(kDrawCases),
                         [](const ::testing::TestParamInfo<DrawCase>& info) { return std::string(info.param.name); });

TEST(TransparentDraw, ColourValuesAreBlueGreenRed)
{
    EXPECT_EQ(ColorToRGB(clRed) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(ColorToRGB(0x2070A0) & 0xFFFFFF, 0xA07020u); // red 160, green 112, blue 32
}

} // namespace
