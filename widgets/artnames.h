#pragma once

// Resource names of the skin, button, slider and handle pictures, the
// cursors and the application icon. The pictures are drawn by
// tools/artgen at build time and embedded under ":/art/".
#include <QString>

namespace artnames {

inline QString path(const char* name) { return QStringLiteral(":/art/") + QLatin1String(name); }

// The main skin: 385 x 424, 256 colours, cut into nine pieces when painted.
inline constexpr char kSkin[] = "skin.bmp";

// The three pictures of one button, fuchsia (0xFF00FF) where transparent.
struct ButtonArt {
    const char* up;
    const char* down;
    const char* high;
};

// 20 x 21, 256 colours.
inline constexpr ButtonArt kButtonClose{"btn_close_up.bmp", "btn_close_down.bmp", "btn_close_high.bmp"};
inline constexpr ButtonArt kButtonMaximise{"btn_maximise_up.bmp", "btn_maximise_down.bmp", "btn_maximise_high.bmp"};
inline constexpr ButtonArt kButtonMinimise{"btn_minimise_up.bmp", "btn_minimise_down.bmp", "btn_minimise_high.bmp"};
// 30 x 30, true colour.
inline constexpr ButtonArt kButtonLoad{"btn_open_up.bmp", "btn_open_down.bmp", "btn_open_high.bmp"};
inline constexpr ButtonArt kButtonCapture{"btn_capture_up.bmp", "btn_capture_down.bmp", "btn_capture_high.bmp"};
inline constexpr ButtonArt kButtonBigger{"btn_bigger_up.bmp", "btn_bigger_down.bmp", "btn_bigger_high.bmp"};
inline constexpr ButtonArt kButtonSmaller{"btn_smaller_up.bmp", "btn_smaller_down.bmp", "btn_smaller_high.bmp"};
inline constexpr ButtonArt kButtonNormalSize{"btn_normalsize_up.bmp", "btn_normalsize_down.bmp",
                                             "btn_normalsize_high.bmp"};
inline constexpr ButtonArt kButtonAbout{"btn_about_up.bmp", "btn_about_down.bmp", "btn_about_high.bmp"};
// 22 x 46, 256 colours.
inline constexpr ButtonArt kButtonWeb{"btn_web_up.bmp", "btn_web_down.bmp", "btn_web_high.bmp"};
inline constexpr ButtonArt kButtonEmail{"btn_email_up.bmp", "btn_email_down.bmp", "btn_email_high.bmp"};
// 32 x 20, 256 colours.
inline constexpr ButtonArt kButtonPlay{"btn_play_up.bmp", "btn_play_down.bmp", "btn_play_high.bmp"};
inline constexpr ButtonArt kButtonStop{"btn_stop_up.bmp", "btn_stop_down.bmp", "btn_stop_high.bmp"};
inline constexpr ButtonArt kButtonPause{"btn_pause_up.bmp", "btn_pause_down.bmp", "btn_pause_high.bmp"};
inline constexpr ButtonArt kButtonRewind{"btn_rewind_up.bmp", "btn_rewind_down.bmp", "btn_rewind_high.bmp"};
inline constexpr ButtonArt kButtonForward{"btn_forward_up.bmp", "btn_forward_down.bmp", "btn_forward_high.bmp"};
inline constexpr ButtonArt kButtonFrameBack{"btn_frameback_up.bmp", "btn_frameback_down.bmp",
                                            "btn_frameback_high.bmp"};
inline constexpr ButtonArt kButtonFrameForward{"btn_frameforward_up.bmp", "btn_frameforward_down.bmp",
                                               "btn_frameforward_high.bmp"};

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

// The application icon at the sizes a Linux desktop asks for.
inline constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};
inline QString iconPath(int size) { return QStringLiteral(":/art/norrava_%1.png").arg(size); }

} // namespace artnames
