// Loading a medium, the transport buttons and sliders, and the position poll.
#include "tapp.h"

#include "clockreading.h"
#include "filenavigator.h"
#include "gtabbutton.h"
#include "mcisession.h"
#include "mediacommands.h"
#include "medialog.h"
#include "rxslider.h"
#include "statuspanel.h"
#include "txvideowindow.h"
#include "volume.h"
#include "vrclock.h"
#include "vrlabel.h"
#include "vrnum.h"
#include "vrprogressbar.h"
#include "vumeter.h"

#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The third and fourth numbers of "x y width height"; a missing one is 0.
void readSourceSize(const std::string& reply, int* width, int* height)
{
    std::istringstream in(reply);
    long long numbers[4] = {0, 0, 0, 0};
    for (long long& n : numbers)
        if (!(in >> n))
            break;
    *width = int(numbers[2]);
    *height = int(numbers[3]);
}

// The part of a path after its last separator.
QString fileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

} // namespace

void Tapp::ButtonLoadClick()
{
    const QString path = ChooseMediaFile ? ChooseMediaFile() : QString();
    if (!path.isEmpty())
        LoadTheFile(path);
}

void Tapp::LoadTheFile(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    Timer1->stop();
    Timer1->setInterval(100);
    mediacommands::closeAll();
    emit MediaClosed();
    // The rest of the load waits for the media layer to say the file is
    // open (MediaOpenEnded): reading a large file takes longer than the
    // window may stand still.
    OpeningPath = path;
    ++LoadNumber;
    if (!mediacommands::open(path.toStdString()))
        MediaOpenEnded(LoadNumber, false);
}

void Tapp::MediaNotify(const mci::Notification& notification)
{
    if (notification.alias != mediacommands::kAlias)
        return;
    if (notification.result.failed())
        qCWarning(mci::lcMedia, "opening \"%s\" failed: error %d: %s", qUtf8Printable(OpeningPath),
                  notification.result.code, notification.result.text.c_str());
    // Carried on from the event loop, not inside the media layer's pump;
    // a load given up for a newer one is let go there.
    QMetaObject::invokeMethod(
        this, [this, load = LoadNumber, opened = !notification.result.failed()] { MediaOpenEnded(load, opened); },
        Qt::QueuedConnection);
}

void Tapp::MediaOpenEnded(int load, bool opened)
{
    if (load != LoadNumber || OpeningPath.isEmpty())
        return;
    const QString path = OpeningPath;
    OpeningPath.clear();
    if (!opened) {
        if (ShowMediaMessage)
            ShowMediaMessage("Norrava cannot open this type of file.");
        return;
    }
    ShowOpenedFile(path);
}

void Tapp::ShowOpenedFile(const QString& path)
{
    if (FileNavigator)
        FileNavigator->ShowPlayingFile(path);
    HasVideo = lowerCase(mediacommands::capability(mediacommands::kHasVideo)) == "true";
    if (HasVideo)
        mediacommands::setWindow(VideoWindow->Handle());
    mediacommands::useFrameTimeFormat();
    mediacommands::seekTo(0);
    StatusPanel->VrLabel1->SetCaption(fileNameOf(path));
    Speed = 0;
    SamplesPerSec = 0;
    BytesPerSec = 0;
    MediaInfo = "Unknown";
    FrameRate = 1;
    DeviceType = mediacommands::capability(mediacommands::kDeviceType);
    MediaLength = mediacommands::statusNumber(mediacommands::kLength);
    MediaPosition = mediacommands::statusNumber(mediacommands::kPosition);
    if (DeviceType == mediacommands::kWaveAudio) {
        StatusPanel->VrLabel2->SetCaption("Audio");
        Speed = mediacommands::statusNumber(mediacommands::kSpeed);
        SamplesPerSec = mediacommands::statusNumber(mediacommands::kSamplesPerSec);
        BytesPerSec = mediacommands::statusNumber(mediacommands::kBytesPerSec);
        BitsPerSample = mediacommands::statusNumber(mediacommands::kBitsPerSample);
        Channels = mediacommands::statusNumber(mediacommands::kChannels);
        MediaInfo = std::to_string(SamplesPerSec) + "kHz  " + std::to_string(BitsPerSample) + "bit";
        FrameRate = 1000;
        if (Channels == 2)
            MediaInfo += " Stereo";
        if (Channels == 1)
            MediaInfo += " Mono";
    }
    if (DeviceType == mediacommands::kSequencer) {
        StatusPanel->VrLabel2->SetCaption("Midi");
        Speed = mediacommands::statusNumber(mediacommands::kTempo);
        MediaInfo = std::to_string(Speed) + " tempo";
        FrameRate = 1000; // its positions are milliseconds
    }
    ExactFrameRate = 0;
    if (DeviceType == mediacommands::kDigitalVideo) {
        StatusPanel->VrLabel2->SetCaption("Video");
        Speed = mediacommands::statusNumber(mediacommands::kSpeed);
        const int rate = mediacommands::statusNumber(mediacommands::kFrameRate);
        FrameRate = rate / 1000;
        ExactFrameRate = rate / 1000.0;
        MediaInfo = std::to_string(FrameRate) + "fps";
    }
    StatusPanel->VrLabel3->SetCaption(QString::fromStdString(MediaInfo));
    if (FrameRate == 0)
        FrameRate = 1;
    if (ExactFrameRate <= 0)
        ExactFrameRate = FrameRate;

    SliderFollowsMedia = true;
    VideoPositionSlider->setEnabled(true);
    VideoPositionSlider->SetMinValue(0);
    VideoPositionSlider->SetMaxValue(MediaLength);
    VideoPositionSlider->SetValue(MediaPosition);
    MediaLoaded = true;

    if (HasVideo) {
        VideoWindow->show();
        int width = 0, height = 0;
        readSourceSize(mediacommands::sourceRect(), &width, &height);
        SourceRect = {0, 0, width, height};
        DisplayRect = SourceRect;
        StatusPanel->VrLabel3->SetCaption(QString::fromStdString(MediaInfo) + " " + QString::number(width) + "w x " +
                                          QString::number(height) + "h pixels");
        if (IsMaximised) {
            ScreenFit();
        } else {
            SavedLeft = x();
            SavedTop = y();
            ButtonNormalSizeClick();
        }
    } else {
        VideoWindow->hide();
    }
    ResizeAndPositionAll();
    EnableMediaControls();
    Timer1->start();
    mediacommands::play();
    emit MediaOpened(path);
}

void Tapp::EnableMediaControls()
{
    for (QWidget* w : std::initializer_list<QWidget*>{VideoPositionSlider, ButtonPlay, ButtonStop, ButtonPause,
                                                      ButtonRewind, ButtonForward, ButtonFrameBack,
                                                      ButtonFrameForward})
        w->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{ButtonCapture, ButtonSmaller, ButtonBigger, ButtonNormalSize})
        w->setEnabled(HasVideo);
}

void Tapp::ReadLengthAndPosition()
{
    MediaLength = mediacommands::statusNumber(mediacommands::kLength);
    MediaPosition = mediacommands::statusNumber(mediacommands::kPosition);
}

void Tapp::ButtonPlayClick()
{
    if (!MediaLoaded)
        return;
    ReadLengthAndPosition();
    const bool rewind = MediaPosition >= MediaLength - 1;
    if (rewind)
        mediacommands::seekTo(0);
    mediacommands::play();
    if (rewind)
        emit Sought();
}

void Tapp::ButtonPauseClick()
{
    if (!MediaLoaded)
        return;
    mediacommands::stop();
    IsPaused = true;
}

void Tapp::ButtonStopClick()
{
    if (!MediaLoaded)
        return;
    mediacommands::stop();
    mediacommands::seekTo(0);
    IsPaused = false;
    emit Sought();
}

void Tapp::SeekAfterStop(int position)
{
    MediaPosition = position;
    mediacommands::seekTo(MediaPosition);
    IsPaused = true;
    emit Sought();
}

void Tapp::ButtonRewindClick()
{
    if (!MediaLoaded)
        return;
    mediacommands::stop();
    ReadLengthAndPosition();
    SeekAfterStop(MediaPosition > 25 ? MediaPosition - 25 : 0);
}

void Tapp::ButtonForwardClick()
{
    if (!MediaLoaded)
        return;
    mediacommands::stop();
    ReadLengthAndPosition();
    SeekAfterStop(MediaPosition < MediaLength - 25 ? MediaPosition + 25 : MediaLength);
}

void Tapp::ButtonFrameForwardClick()
{
    if (!MediaLoaded)
        return;
    mediacommands::stop();
    ReadLengthAndPosition();
    SeekAfterStop(MediaPosition < MediaLength - 1 ? MediaPosition + 1 : MediaLength);
}

void Tapp::ButtonFrameBackClick()
{
    if (!MediaLoaded)
        return;
    Timer1->stop();
    ReadLengthAndPosition();
    mediacommands::stop();
    SeekAfterStop(MediaPosition > 2 ? MediaPosition - 1 : 0);
    Timer1->start();
}

void Tapp::VideoPositionSliderMouseDown() { SliderFollowsMedia = false; }
void Tapp::VideoPositionSliderMouseUp() { SliderFollowsMedia = true; }
void Tapp::VideoPositionSliderKeyDown() { SliderFollowsMedia = false; }
void Tapp::VideoPositionSliderKeyUp() { SliderFollowsMedia = true; }

void Tapp::SlidePositionTo(int value)
{
    value = std::clamp(value, VideoPositionSlider->MinValue(), VideoPositionSlider->MaxValue());
    VideoPositionSliderMouseDown();
    if (VideoPositionSlider->Value() != value)
        VideoPositionSlider->SetValue(value);
    else
        VideoPositionSliderChange(); // the thumb is there already, the medium may not be
    VideoPositionSliderMouseUp();
}

void Tapp::VideoPositionSliderChange()
{
    if (!MediaLoaded || SliderFollowsMedia)
        return;
    mediacommands::stop();
    SeekAfterStop(VideoPositionSlider->Value());
}

void Tapp::VolumeSliderChange()
{
    const uint16_t word = uint16_t(VolumeSlider->Value() & 0xFFFF);
    mci::setOutputGain(audio::volumeWordToGain(word));
    emit VolumeChanged();
}

void Tapp::SetClock(TVrClock* clock, int units)
{
    // Whole seconds from the exact rate, so 29.97 fps clocks keep time.
    const TClockReading reading = ClockReading(units, ExactFrameRate > 0 ? ExactFrameRate : FrameRate);
    clock->SetHours(reading.Hours);
    clock->SetMinutes(reading.Minutes);
}

void Tapp::Timer1Timer()
{
    Vumeter->ReadPeaks();
    LedVolumeLeft->SetPosition(Vumeter->LeftPeak);
    LedVolumeRight->SetPosition(Vumeter->RightPeak);
    ReadLengthAndPosition();
    if (SliderFollowsMedia)
        VideoPositionSlider->SetValue(MediaPosition);
    SetClock(StatusPanel->ClockLength, MediaLength);
    SetClock(StatusPanel->ClockPosition, MediaPosition);
    SetClock(StatusPanel->ClockElapsed, MediaLength - MediaPosition);
    StatusPanel->FramesLength->SetValue(MediaLength);
    StatusPanel->FramesPosition->SetValue(MediaPosition);
    StatusPanel->FramesElapsed->SetValue(MediaLength - MediaPosition);
    const std::string mode = mediacommands::status(mediacommands::kMode);
    if (!IsPaused && mode == mediacommands::kStopped) {
        StatusPanel->StatusLabel->SetCaption("Stopped");
        ShownState = TShownState::Stopped;
        ButtonStop->SetDown(true);
        ButtonStop->repaint();
    } else if (mode == mediacommands::kPlaying) {
        StatusPanel->StatusLabel->SetCaption("Playing");
        IsPaused = false;
        ShownState = TShownState::Playing;
        ButtonPlay->SetDown(true);
        ButtonPlay->repaint();
    } else if (IsPaused) {
        ButtonPause->SetDown(true);
        ButtonPause->repaint();
        StatusPanel->StatusLabel->SetCaption("Paused");
        ShownState = TShownState::Paused;
    }
    emit Polled();
}
