#include "tapp.h"

#include "aboutform.h"
#include "artnames.h"
#include "datafiles.h"
#include "errorreporter.h"
#include "fileblind.h"
#include "filenavigator.h"
#include "gtabbutton.h"
#include "mcisession.h"
#include "mediacommands.h"
#include "norravaapplication.h"
#include "rxslider.h"
#include "statushandle.h"
#include "statuspanel.h"
#include "txvideowindow.h"
#include "vrprogressbar.h"
#include "vumeter.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

namespace {

constexpr TColor kFuchsia = 0xFF00FF;
// The tool bar's colour, 0x002070A0 as a colour value: red 160, green 112, blue 32.
const QColor kToolBarColour(160, 112, 32);

// Posted to build the file dialogs after the first show.
QEvent::Type createDialogsEvent()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

QImage loadArt(const char* name)
{
    return QImage(artnames::path(name));
}

} // namespace

Tapp::Tapp(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    artnames::initArtResources();
    setWindowTitle(NorravaApplication::Title);
    setGeometry(332, 105, DesignWidth, DesignHeight);
    setMinimumSize(MinWidth, MinHeight);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    QFont font("Arial");
    font.setPixelSize(13);
    font.setBold(true);
    setFont(font);
    setCursor(Qt::SizeAllCursor);
    setMouseTracking(true);
    setAcceptDrops(true);
    // The skin covers the whole window on every paint: never clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // The window takes the keys (see KeyCommand) until a slider is clicked,
    // and again when the skin or the picture is.
    setFocusPolicy(Qt::ClickFocus);
    setWindowIcon(QIcon(artnames::iconPath(256)));

    ChooseMediaFile = [this] {
        CreateDialogs();
        return OpenDialog->exec() == QDialog::Accepted && !OpenDialog->selectedFiles().isEmpty()
                   ? OpenDialog->selectedFiles().first()
                   : QString();
    };
    ChooseCaptureFile = [this] {
        CreateDialogs();
        if (SavePictureDialog1->exec() != QDialog::Accepted || SavePictureDialog1->selectedFiles().isEmpty())
            return QString();
        const QString chosen = SavePictureDialog1->selectedFiles().first();
        SavePictureDialog1->selectFile(chosen); // offered again next time
        return chosen;
    };
    ShowMediaMessage = [](const QString& text) { ErrorReporter::show(ErrorReporter::Kind::Refusal, text); };
    ScreenSize = [this] { return PrimaryScreenSize(); };
    AvailableScreenArea = [this](QPoint point) { return ScreenAreaAt(point); };
    OpenAbout = [this] { TAbout::Execute(this); };

    CreateControls();
    FormCreate();
    mci::setNotifyHandler([this](const mci::Notification& notification) { MediaNotify(notification); });
}

Tapp::~Tapp()
{
    mci::setNotifyHandler(nullptr);
    FormDestroy();
}

TGTabButton* Tapp::MakeButton(QWidget* parent, const QRect& bounds, const char* up, const char* down,
                              const char* high, const QString& hint, void (Tapp::*handler)())
{
    auto* button = new TGTabButton(parent);
    button->setGeometry(bounds);
    button->SetTransparentColor(kFuchsia);
    button->SetBitmapUp(loadArt(up));
    button->SetBitmapDown(loadArt(down));
    button->SetBitmapHigh(loadArt(high));
    button->SetInitialDelay(400);
    button->SetDelay(100);
    button->setToolTip(hint);
    button->setCursor(Qt::ArrowCursor);
    button->OnClick = [this, handler] { (this->*handler)(); };
    return button;
}

TRxSlider* Tapp::MakeSlider(const QRect& bounds, const char* thumb, const char* ruler, const QString& hint)
{
    auto* slider = new TRxSlider(this);
    slider->BeginLoading();
    slider->setGeometry(bounds);
    slider->SetImageHThumb(loadArt(thumb));
    slider->SetImageHRuler(loadArt(ruler));
    slider->SetIncrement(1);
    slider->SetNumThumbStates(1);
    slider->SetEdgeSize(0);
    slider->SetBevelStyle(bvNone);
    slider->setToolTip(hint);
    return slider;
}

void Tapp::CreateControls()
{
    using namespace artnames;
    ButtonClose = MakeButton(this, {354, 5, 20, 21}, kButtonClose.up, kButtonClose.down, kButtonClose.high, "Close",
                             &Tapp::ButtonCloseClick);
    ButtonMaximise = MakeButton(this, {330, 5, 20, 21}, kButtonMaximise.up, kButtonMaximise.down,
                                kButtonMaximise.high, "Maximise", &Tapp::ButtonMaximiseClick);
    ButtonMinimise = MakeButton(this, {306, 5, 20, 21}, kButtonMinimise.up, kButtonMinimise.down,
                                kButtonMinimise.high, "Minimise", &Tapp::ButtonMinimiseClick);
    ButtonWeb = MakeButton(this, {17, 31, 22, 46}, kButtonWeb.up, kButtonWeb.down, kButtonWeb.high,
                           "Check out our website", &Tapp::ButtonWebClick);
    ButtonLoad = MakeButton(this, {44, 38, 30, 30}, kButtonLoad.up, kButtonLoad.down, kButtonLoad.high,
                            "Open a media file", &Tapp::ButtonLoadClick);
    ButtonCapture = MakeButton(this, {74, 38, 30, 30}, kButtonCapture.up, kButtonCapture.down, kButtonCapture.high,
                               "Save the current frame to a bitmap file", &Tapp::ButtonCaptureClick);
    ButtonBigger = MakeButton(this, {103, 38, 30, 30}, kButtonBigger.up, kButtonBigger.down, kButtonBigger.high,
                              "Increase media window size", &Tapp::ButtonBiggerClick);
    ButtonSmaller = MakeButton(this, {133, 38, 30, 30}, kButtonSmaller.up, kButtonSmaller.down, kButtonSmaller.high,
                               "Decrease media window size", &Tapp::ButtonSmallerClick);
    ButtonNormalSize = MakeButton(this, {161, 38, 30, 30}, kButtonNormalSize.up, kButtonNormalSize.down,
                                  kButtonNormalSize.high, "Restore original media window size",
                                  &Tapp::ButtonNormalSizeClick);
    ButtonAbout = MakeButton(this, {311, 38, 30, 30}, kButtonAbout.up, kButtonAbout.down, kButtonAbout.high, "About",
                             &Tapp::ButtonAboutClick);
    ButtonEmail = MakeButton(this, {345, 31, 22, 46}, kButtonEmail.up, kButtonEmail.down, kButtonEmail.high,
                             "Send us an email", &Tapp::ButtonEmailClick);
    for (TGTabButton* b : {ButtonBigger, ButtonSmaller}) {
        b->SetStyle(rfAllowTimer);
        b->SetDelay(50);
    }

    VideoPositionSlider = MakeSlider({88, 322, 211, 17}, kPositionThumb, kPositionRuler, "Current position of the media");
    VideoPositionSlider->SetMinValue(0);
    VideoPositionSlider->SetMaxValue(100);
    VideoPositionSlider->SetValue(0);
    VideoPositionSlider->SetOptions({}); // no tick marks, no focus rectangle
    VideoPositionSlider->EndLoading();
    VideoPositionSlider->OnChange = [this] { VideoPositionSliderChange(); };
    VideoPositionSlider->OnMouseDown = [this](Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        VideoPositionSliderMouseDown();
    };
    VideoPositionSlider->OnMouseUp = [this](Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
        VideoPositionSliderMouseUp();
    };
    VideoPositionSlider->OnKeyDown = [this](int&, Qt::KeyboardModifiers) { VideoPositionSliderKeyDown(); };
    VideoPositionSlider->OnKeyUp = [this](int&, Qt::KeyboardModifiers) { VideoPositionSliderKeyUp(); };
    VideoPositionSlider->installEventFilter(this);

    VolumeSlider = MakeSlider({62, 381, 265, 17}, kVolumeThumb, kVolumeRuler, "Left and Right volume level");
    VolumeSlider->SetMinValue(0);
    VolumeSlider->SetMaxValue(65534);
    VolumeSlider->SetValue(50000);
    VolumeSlider->SetOptions(soRulerOpaque);
    VolumeSlider->EndLoading();
    VolumeSlider->OnChange = [this] { VolumeSliderChange(); };
    // The output starts at the volume the slider shows: left at full gain,
    // the first touch of the slider would drop the sound by a quarter.
    VolumeSliderChange();

    ControlsToolBar = new QWidget(this);
    ControlsToolBar->setGeometry(69, 343, 248, 20);
    QPalette bronze = ControlsToolBar->palette();
    bronze.setColor(QPalette::Window, kToolBarColour);
    ControlsToolBar->setPalette(bronze);
    ControlsToolBar->setAutoFillBackground(true);
    struct Transport {
        TGTabButton** button;
        ButtonArt art;
        int left;
        const char* hint;
        void (Tapp::*handler)();
    };
    const Transport transport[] = {
        {&ButtonPlay, kButtonPlay, 0, "Play", &Tapp::ButtonPlayClick},
        {&ButtonStop, kButtonStop, 36, "Stop", &Tapp::ButtonStopClick},
        {&ButtonPause, kButtonPause, 72, "Pause", &Tapp::ButtonPauseClick},
        {&ButtonRewind, kButtonRewind, 108, "Visual rewind - hold the mouse down", &Tapp::ButtonRewindClick},
        {&ButtonForward, kButtonForward, 144, "Visual forward - hold the mouse down", &Tapp::ButtonForwardClick},
        {&ButtonFrameBack, kButtonFrameBack, 180, "Frame back - hold the mouse down", &Tapp::ButtonFrameBackClick},
        {&ButtonFrameForward, kButtonFrameForward, 216, "Frame forward - hold the mouse down",
         &Tapp::ButtonFrameForwardClick},
    };
    for (const Transport& t : transport)
        *t.button = MakeButton(ControlsToolBar, {t.left, 0, 32, 20}, t.art.up, t.art.down, t.art.high, t.hint, t.handler);
    for (TGTabButton* b : {ButtonPlay, ButtonStop, ButtonPause})
        b->SetGroupIndex(1);
    ButtonStop->SetDown(true);
    for (TGTabButton* b : {ButtonRewind, ButtonForward, ButtonFrameBack, ButtonFrameForward})
        b->SetStyle(rfAllowTimer);

    LedVolumeLeft = new TVrProgressBar(this);
    LedVolumeRight = new TVrProgressBar(this);
    for (TVrProgressBar* bar : {LedVolumeLeft, LedVolumeRight}) {
        bar->SetOrientation(voVertical); // before the bounds: it swaps width and height
        bar->SetMax(200);
        bar->SetPosition(0);
        bar->SetStartColor(QColor(0x00, 0x80, 0x00)); // green at the quiet end
        bar->SetEndColor(QColor(0xff, 0x00, 0x00));   // red at full level
        bar->SetStep(5);
        bar->Bevel()->SetOuterStyle(bsNone);
        bar->Bevel()->SetInnerStyle(bsNone);
        bar->setCursor(Qt::ArrowCursor);
    }
    LedVolumeLeft->setGeometry(18, 205, 12, 173);
    LedVolumeRight->setGeometry(355, 205, 12, 173);
    LedVolumeLeft->setAccessibleName("Left output level");
    LedVolumeRight->setAccessibleName("Right output level");
    for (TGTabButton* b : findChildren<TGTabButton*>())
        NameForScreenReaders(b, b->toolTip());
    for (TRxSlider* s : {VideoPositionSlider, VolumeSlider})
        NameForScreenReaders(s, s->toolTip());

    for (QWidget* w : std::initializer_list<QWidget*>{ButtonCapture, ButtonBigger, ButtonSmaller, ButtonNormalSize,
                                                      VideoPositionSlider, ButtonPlay, ButtonStop, ButtonPause,
                                                      ButtonRewind, ButtonForward, ButtonFrameBack,
                                                      ButtonFrameForward})
        w->setEnabled(false);

    SkinImage = loadArt(kSkin).convertToFormat(QImage::Format_RGB32);

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    Vumeter = std::make_unique<TVumeter>();
}

void Tapp::CreateDialogs()
{
    if (OpenDialog)
        return;
    OpenDialog = new QFileDialog(this);
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog->setOption(QFileDialog::ReadOnly, false);
    if (!FOpenFilter.isEmpty())
        OpenDialog->setNameFilter(FOpenFilter);

    SavePictureDialog1 = new QFileDialog(this, "Save captured frame to");
    SavePictureDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SavePictureDialog1->setFileMode(QFileDialog::AnyFile);
    SavePictureDialog1->setNameFilter("Bitmaps (*.bmp)");
    SavePictureDialog1->setDefaultSuffix("bmp");
    SavePictureDialog1->selectFile("Capture");
}

void Tapp::customEvent(QEvent* event)
{
    if (event->type() == createDialogsEvent())
        CreateDialogs();
}

void Tapp::FormCreate()
{
    VideoWindow = new TXVideoWindow(this);
    VideoWindow->setGeometry(37, 91, 309, 100);
    VideoWindow->WantsFrames = [this] { return MediaLoaded && HasVideo && !Loading(); };
    VideoWindow->lower(); // under the buttons, like the skin it replaces
    VideoWindow->setAccessibleName("Video");
    // The move hook is moveEvent(), active for the window's whole life.
    Timer1->stop();
    Vumeter->OpenMixer();
    FrameRate = 1;
    MediaLength = 1;
    MediaPosition = 1;
}

QString Tapp::BuildMask(const std::vector<std::string>& extensions)
{
    QString mask;
    for (const std::string& e : extensions)
        mask += "*." + QString::fromStdString(e) + ";";
    return mask;
}

void Tapp::FormShow()
{
    setAttribute(Qt::WA_AlwaysShowToolTips);
    FMask = BuildMask(mci::defaultSession().extensions().extensions());
    if (FileNavigator)
        FileNavigator->SetFileMask(FMask);
    // "All Movies|" + mask, in the dialog's own filter notation.
    QString patterns = FMask;
    patterns.replace(';', ' ');
    FOpenFilter = "All Movies (" + patterns.trimmed() + ")";
    if (OpenDialog)
        OpenDialog->setNameFilter(FOpenFilter);
    SavedNavigatorWidth = FileNavigator ? FileNavigator->width() : 0;
    IsMaximised = false;
    SavedLeft = x();
    SavedTop = y();
    ResizeAndPositionAll();
    if (FileBlind)
        FileBlind->show();
    if (StatusHandle)
        StatusHandle->show();
}

void Tapp::FormClose()
{
    if (Timer1->isActive())
        Timer1->stop();
    Vumeter->CloseMixer();
    emit Closing();
}

void Tapp::FormDestroy()
{
    if (FDestroyed)
        return;
    FDestroyed = true;
    mediacommands::closeAll();
    delete VideoWindow;
    VideoWindow = nullptr;
}

void Tapp::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && !FShownOnce) {
        FShownOnce = true;
        // Otherwise activation would focus the volume slider, the first
        // control that takes focus, and the arrow keys would move it.
        setFocus(Qt::OtherFocusReason);
        FormShow();
        // The file dialogs take longer to build than the rest of the window:
        // build them once the window is up and anything already queued (the
        // file named on the command line) has run.
        QCoreApplication::postEvent(this, new QEvent(createDialogsEvent()), Qt::LowEventPriority);
    }
}

void Tapp::closeEvent(QCloseEvent* event)
{
    if (!FClosed) {
        FClosed = true;
        FormClose();
        for (QWidget* w : Companions())
            w->hide();
    }
    event->accept();
    QCoreApplication::quit();
}

void Tapp::ButtonCloseClick()
{
    close();
}

void Tapp::ButtonAboutClick()
{
    const QString help = FindDataFile("Norrava.html");
    if (help.isEmpty()) {
        ErrorReporter::show(ErrorReporter::Kind::Notice, "The help file Norrava.html was not found.", this);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void Tapp::ButtonWebClick()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral(NORRAVA_WEB_URL)));
}

void Tapp::ButtonEmailClick()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + QStringLiteral(NORRAVA_EMAIL)));
}

QSize Tapp::PrimaryScreenSize() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

QRect Tapp::ScreenAreaAt(QPoint point) const
{
    const QScreen* at = QGuiApplication::screenAt(point);
    if (!at)
        at = screen();
    return at ? at->availableGeometry() : QRect(0, 0, 1024, 768);
}

QList<QWidget*> Tapp::Companions() const
{
    QList<QWidget*> list;
    for (QWidget* w : std::initializer_list<QWidget*>{FileBlind, StatusHandle, FileNavigator, StatusPanel})
        if (w)
            list << w;
    return list;
}
