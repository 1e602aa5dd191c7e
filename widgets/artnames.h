#pragma once

// The name of every picture the program shows. The artwork generator
// (tools/artgen) writes each picture under the name given here, and the
// program reads it under the same name from the resources, at ":/art/".
// No picture name is spelt out anywhere else.
#include <QString>

namespace artnames {

inline QString path(const QString& name) { return QStringLiteral(":/art/") + name; }
inline QString path(const char* name) { return path(QLatin1String(name)); }

// Makes sure the embedded pictures are registered. The resource object sits
// in a static library, so a program that never names it would lose it;
// calling this (any number of times) keeps it linked and registered.
void initArtResources();

// The main skin: 385 x 424, 256 colours, cut into nine pieces when painted.
inline constexpr char kSkin[] = "skin.bmp";

// The three pictures of one button, fuchsia (0xFF00FF) where transparent:
// "btn_<stem>_up.bmp", "btn_<stem>_down.bmp" and "btn_<stem>_high.bmp".
struct ButtonArt {
    const char* up;
    const char* down;
    const char* high;
};

#define NORRAVA_BUTTON_ART(stem) {"btn_" stem "_up.bmp", "btn_" stem "_down.bmp", "btn_" stem "_high.bmp"}

// 20 x 21, 256 colours.
inline constexpr ButtonArt kButtonClose NORRAVA_BUTTON_ART("close");
inline constexpr ButtonArt kButtonMaximise NORRAVA_BUTTON_ART("maximise");
inline constexpr ButtonArt kButtonMinimise NORRAVA_BUTTON_ART("minimise");
// 30 x 30, true colour.
inline constexpr ButtonArt kButtonLoad NORRAVA_BUTTON_ART("open");
inline constexpr ButtonArt kButtonCapture NORRAVA_BUTTON_ART("capture");
inline constexpr ButtonArt kButtonBigger NORRAVA_BUTTON_ART("bigger");
inline constexpr ButtonArt kButtonSmaller NORRAVA_BUTTON_ART("smaller");
inline constexpr ButtonArt kButtonNormalSize NORRAVA_BUTTON_ART("normalsize");
inline constexpr ButtonArt kButtonAbout NORRAVA_BUTTON_ART("about");
// 22 x 46, 256 colours.
inline constexpr ButtonArt kButtonWeb NORRAVA_BUTTON_ART("web");
inline constexpr ButtonArt kButtonEmail NORRAVA_BUTTON_ART("email");
// 32 x 20, 256 colours.
inline constexpr ButtonArt kButtonPlay NORRAVA_BUTTON_ART("play");
inline constexpr ButtonArt kButtonStop NORRAVA_BUTTON_ART("stop");
inline constexpr ButtonArt kButtonPause NORRAVA_BUTTON_ART("pause");
inline constexpr ButtonArt kButtonRewind NORRAVA_BUTTON_ART("rewind");
inline constexpr ButtonArt kButtonForward NORRAVA_BUTTON_ART("forward");
inline constexpr ButtonArt kButtonFrameBack NORRAVA_BUTTON_ART("frameback");
inline constexpr ButtonArt kButtonFrameForward NORRAVA_BUTTON_ART("frameforward");

#undef NORRAVA_BUTTON_ART

// Slider pictures (256 colours). Thumbs 15 x 20 and rulers 6 x 20; only the
// top 17 rows show in the 17-pixel-high sliders. Each picture's transparent
// colour is its bottom-left pixel (fuchsia).
inline constexpr char kPositionThumb[] = "slider_pos_thumb.bmp";
inline constexpr char kPositionRuler[] = "slider_pos_ruler.bmp";
inline constexpr char kVolumeThumb[] = "slider_vol_thumb.bmp";
inline constexpr char kVolumeRuler[] = "slider_vol_ruler.bmp";

// The slider's built-in pictures, used where a form supplies none: the
// thumbs hold two states side by side (normal, pressed), the rulers keep
// 2 pixels unstretched at each end.
inline constexpr char kDefaultHThumb[] = "slider_default_hthumb.bmp"; // 22 x 18
inline constexpr char kDefaultHRuler[] = "slider_default_hruler.bmp"; // 12 x 8
inline constexpr char kDefaultVThumb[] = "slider_default_vthumb.bmp"; // 36 x 11
inline constexpr char kDefaultVRuler[] = "slider_default_vruler.bmp"; // 8 x 12

// The file navigator's pull handle: 20 x 150, 256 colours.
inline constexpr char kNavigatorHandle[] = "navigator_handle.bmp";

// Cursors, 32 x 32 PNG. The hand points with its index finger tip; the
// grabbing hand's hot spot is the middle of the palm.
inline constexpr char kHandCursor[] = "RX_HANDCUR.png";
inline constexpr int kHandCursorHotX = 10;
inline constexpr int kHandCursorHotY = 1;
inline constexpr char kDragCursor[] = "RX_DRAGCUR.png";
inline constexpr int kDragCursorHotX = 15;
inline constexpr int kDragCursorHotY = 15;

// The About box's plate: 317 x 337, 256 colours, pure black over the
// screen where the point cloud turns.
inline constexpr char kAbout[] = "About.bmp";

// The status panel's face (323 x 138) and its pull handle (107 x 18), 256
// colours.
inline constexpr char kStatusPanel[] = "statuspanel.bmp";
inline constexpr char kStatusHandle[] = "statushandle.bmp";

// The LED digits of one size: a 4-bit strip of 13 cells (0 to 9, an unlit
// digit, an unlit sign, the minus sign) in silver where lit, grey where
// unlit and black around, and the clock separator of the same height.
struct LedArt {
    const char* digits;
    const char* separator;
};

inline constexpr LedArt kLed13x24{"NUM13x24.bmp", "CLOCKSEP1.bmp"};
inline constexpr LedArt kLed11x20{"NUM11x20.bmp", "CLOCKSEP2.bmp"};
inline constexpr LedArt kLed7x13{"NUM7x13.bmp", "CLOCKSEP3.bmp"};
inline constexpr LedArt kLed12x17{"NUM12x17.bmp", "CLOCKSEP4.bmp"};
inline constexpr LedArt kLed5x7{"NUM5x7.bmp", "CLOCKSEP5.bmp"};

// The application icon at the sizes a Linux desktop asks for.
inline constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};
inline QString iconName(int size) { return QStringLiteral("norrava_%1.png").arg(size); }
inline QString iconPath(int size) { return path(iconName(size)); }

} // namespace artnames
