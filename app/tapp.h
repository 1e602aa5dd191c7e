#pragma once

#include <QFileDialog>
#include <QImage>

class QPainter;
#include <QKeySequence>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class TFileBlind;
class TFileNavigator;
class TGTabButton;
class TRxSlider;
class TStatusHandle;
class TStatusPanel;
class TVrProgressBar;
class TVumeter;
class TXVideoWindow;
namespace mci {
struct Notification;
}

// A rectangle as the state record keeps it: Left and Top are always 0, so
// Right and Bottom are the width and height.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// The main window: the skin, the video panel, the transport and size
// buttons, the two sliders and the level bars, and the state record every
// media handler reads and writes.
class Tapp : public QWidget {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 386;
    static constexpr int DesignHeight = 424;
    static constexpr int MinWidth = 314;
    static constexpr int MinHeight = 299;

    explicit Tapp(QWidget* parent = nullptr);
    ~Tapp() override;

    // The companion windows, created after the main window.
    TFileBlind* FileBlind = nullptr;
    TStatusHandle* StatusHandle = nullptr;
    TFileNavigator* FileNavigator = nullptr;
    TStatusPanel* StatusPanel = nullptr;

    // Controls.
    TGTabButton* ButtonClose = nullptr;
    TGTabButton* ButtonMaximise = nullptr;
    TGTabButton* ButtonMinimise = nullptr;
    TGTabButton* ButtonLoad = nullptr;
    TGTabButton* ButtonCapture = nullptr;
    TGTabButton* ButtonBigger = nullptr;
    TGTabButton* ButtonSmaller = nullptr;
    TGTabButton* ButtonNormalSize = nullptr;
    TGTabButton* ButtonAbout = nullptr;
    TGTabButton* ButtonWeb = nullptr;
    TGTabButton* ButtonEmail = nullptr;
    TRxSlider* VideoPositionSlider = nullptr;
    TRxSlider* VolumeSlider = nullptr;
    QWidget* ControlsToolBar = nullptr;
    TGTabButton* ButtonPlay = nullptr;
    TGTabButton* ButtonStop = nullptr;
    TGTabButton* ButtonPause = nullptr;
    TGTabButton* ButtonRewind = nullptr;
    TGTabButton* ButtonForward = nullptr;
    TGTabButton* ButtonFrameBack = nullptr;
    TGTabButton* ButtonFrameForward = nullptr;
    TVrProgressBar* LedVolumeLeft = nullptr;
    TVrProgressBar* LedVolumeRight = nullptr;
    QImage SkinImage; // Image1's picture
    // Built just after the first show (see CreateDialogs), not with the window.
    QFileDialog* OpenDialog = nullptr;
    QFileDialog* SavePictureDialog1 = nullptr;
    QTimer* Timer1 = nullptr;
    std::unique_ptr<TVumeter> Vumeter;

    // The state record.
    TXVideoWindow* VideoWindow = nullptr;
    bool SliderFollowsMedia = false;
    bool MediaLoaded = false;
    bool HasVideo = false;
    bool IsPaused = false;
    std::string DeviceType;
    std::string MediaInfo;
    int SamplesPerSec = 0;
    int BytesPerSec = 0;
    int Speed = 0;
    int BitsPerSample = 0;
    int Channels = 0;
    TRect SourceRect;
    TRect DisplayRect;
    int FrameRate = 0;
    int MediaLength = 0;
    int MediaPosition = 0;
    int SavedNavigatorWidth = 0;
    int SavedLeft = 0;
    int SavedTop = 0;
    bool IsMaximised = false;
    // The device's exact frames per second, for the clocks (a 29.97 fps
    // video's FrameRate of 29 would make them run fast).
    double ExactFrameRate = 0;
    // The play state the poll last showed.
    enum class TShownState { Stopped, Playing, Paused };
    TShownState ShownState = TShownState::Stopped;

    // Life cycle.
    void FormCreate();
    void FormShow();
    void FormClose();
    void FormDestroy();

    // Loading. LoadTheFile starts it; the file is shown and plays once the
    // media layer has opened it, and until then Loading() holds.
    void LoadTheFile(const QString& path);
    bool Loading() const { return !OpeningPath.isEmpty(); }
    void EnableMediaControls();
    void ButtonLoadClick();

    // Transport.
    void ButtonPlayClick();
    void ButtonPauseClick();
    void ButtonStopClick();
    void ButtonRewindClick();
    void ButtonForwardClick();
    void ButtonFrameBackClick();
    void ButtonFrameForwardClick();
    void VideoPositionSliderChange();
    void VideoPositionSliderMouseDown();
    void VideoPositionSliderMouseUp();
    void VideoPositionSliderKeyDown();
    void VideoPositionSliderKeyUp();
    void Timer1Timer();
    void VolumeSliderChange();

    // Skin and layout.
    void FormPaint();
    // Draws the skin's nine pieces over black at the window's size.
    void ComposeSkin(QPainter& painter) const;
    void FormResize();
    void ResizeAndPositionAll();

    // Moving and minimising.
    enum class Zone { None, AboutHotspot, Drag };
    Zone ZoneAt(int x, int y) const;
    void FormMouseDown(int x, int y);
    void FormMouseMove(int x, int y);
    void ButtonMinimiseClick();

    // Video sizing and capture.
    void ButtonMaximiseClick();
    void ButtonBiggerClick();
    void ButtonSmallerClick();
    void ButtonNormalSizeClick();
    void ButtonCaptureClick();

    // The small buttons.
    void ButtonCloseClick();
    void ButtonAboutClick();
    void ButtonWebClick();
    void ButtonEmailClick();

    // The capture's file choice; tests replace it. Empty means cancelled.
    std::function<QString()> ChooseCaptureFile;
    // The open dialog's file choice; tests replace it.
    std::function<QString()> ChooseMediaFile;
    // Shows the one media message; tests replace it.
    std::function<void(const QString&)> ShowMediaMessage;
    // Screen size used by the maximise fit; tests replace it.
    std::function<QSize()> ScreenSize;
    // The available area (the screen less the desktop's panels) of the
    // screen holding a point; tests replace it.
    std::function<QRect(QPoint)> AvailableScreenArea;
    // Opens the About window modally.
    std::function<void()> OpenAbout;

    // Keyboard control: each key presses its button through the button's
    // own handler, and only while that button is enabled. True when the
    // key is one of the window's (whether or not its button could act).
    bool KeyCommand(QKeyCombination key, bool autoRepeat = false);
    // Presses a button as a click would: its handler, then the latch of a
    // group. Does nothing (false) while the button is disabled.
    bool PressButton(TGTabButton* button);
    // Moves the position slider to value as a hand would: held, moved, let
    // go, so its change handler stops the medium and seeks to that exact
    // unit (even when the thumb is there already).
    void SlidePositionTo(int value);
    // Every key of the window, for the help texts.
    static QList<QKeySequence> Keys();
    // The keys that work a control, as text ("Ctrl+Left"); empty for none.
    QString KeysOf(const QWidget* control) const;
    // Maximise, or restore through the normal size button when maximised.
    void MaximiseOrRestore();

    // The mask built from the extension list, e.g. "*.avi;*.mid;*.wav;".
    static QString BuildMask(const std::vector<std::string>& extensions);
    QString Mask() const { return FMask; }

signals:
    // For the desktop's media controls and the screen saver: a tick of the
    // poll has run; a load closed the open medium; a load succeeded; the
    // position jumped (a seek, stop or rewind); the volume slider moved;
    // the window is closing.
    void Polled();
    void MediaClosed();
    void MediaOpened(const QString& path);
    void Sought();
    void VolumeChanged();
    void Closing();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Files dropped on the navigator open like those dropped here; a key
    // on the position slider holds it before the slider steps.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TKeyBinding {
        QKeyCombination key;
        TGTabButton* Tapp::*button; // pressed through its own handler, or null
        bool (Tapp::*action)();      // the work when no single button does it
        bool repeats;                // acts again while the key is held
    };
    static const std::vector<TKeyBinding>& KeyBindings();
    bool KeyPlayOrPause();
    bool KeyToStart();
    bool KeyVolumeUp();
    bool KeyVolumeDown();
    bool KeyMaximiseOrRestore();
    bool StepVolume(int direction);
    void NameForScreenReaders(QWidget* control, const QString& hint);

    // The rest of a load, once the media layer has opened the file (or not).
    void MediaNotify(const mci::Notification& notification);
    void MediaOpenEnded(int load, bool opened);
    void ShowOpenedFile(const QString& path);
    QString OpeningPath; // the file being opened, empty when none is
    int LoadNumber = 0;  // counts loads, so that one given up for the next is not carried on

    void CreateControls();
    // Builds OpenDialog and SavePictureDialog1 if they are not built yet.
    void CreateDialogs();
    TGTabButton* MakeButton(QWidget* parent, const QRect& bounds, const char* up, const char* down,
                            const char* high, const QString& hint, void (Tapp::*handler)());
    TRxSlider* MakeSlider(const QRect& bounds, const char* thumb, const char* ruler, const QString& hint);
    void TellDeviceTheSize();
    void WrapTheVideo();
    void ScreenFit();
    void SetVideoSize(int width, int height);
    void ReadLengthAndPosition();
    void SeekAfterStop(int position);
    void ShowFrameCount(TRect& rect);
    void SetClock(class TVrClock* clock, int units);
    QSize PrimaryScreenSize() const;
    QRect ScreenAreaAt(QPoint point) const;
    // Keeping the windows on the screen when not maximised.
    QSize WrapMargins() const;
    QSize WrappedSize(QSize video) const;
    QRect Footprint(QSize window) const;
    QRect AvailableAreaFor(QPoint topLeft) const;
    QSize VideoRoom(QPoint topLeft, QSize window) const;
    QSize FittedVideoSize(QPoint topLeft) const;
    QPoint PlacedOnScreen(const QRect& window) const;
    QList<QWidget*> Companions() const;

    QString FMask;
    QString FOpenFilter;
    bool FClosed = false;
    bool FDestroyed = false;
    bool FShownOnce = false;
    bool FMinimisingTogether = false;
    // Pointer offset of a drag we carry out ourselves (no window manager).
    std::optional<QPoint> FDragOffset;
};
