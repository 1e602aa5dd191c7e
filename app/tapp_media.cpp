// Loading a medium, the transport buttons and sliders, and the position poll.
#include "tapp.h"

#include "clockreading.h"
#include "filenavigator.h"
#include "gtabbutton.h"
#include "mcisession.h"
#include "mediachannel.h"
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

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The third and fourth numbers of "x y width height"; a missing one is 0.
void ReadSourceSize(const std::string& reply, int* width, int* height)
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
QString FileNameOf(const QString& path)
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
    MediaCommand("close all");
    emit MediaClosed();
    if (!MediaCommand("open \"" + path.toStdString() + "\" alias z ")) {
        if (ShowMediaMessage)
            ShowMediaMessage("Norrava cannot open this type of file.");
        return;
    }
    if (FileNavigator)
        FileNavigator->showPlayingFile(path);
    HasVideo = Lower(MediaQuery("capability z has video")) == "true";
    if (HasVideo)
        MediaCommand("window z handle " + HandleText());
    MediaCommand("set z time format frames");
    MediaCommand("seek z to 0");
    StatusPanel->VrLabel1->SetCaption(FileNameOf(path));
    Speed = 0;
    SamplesPerSec = 0;
    BytesPerSec = 0;
    MediaInfo = "Unknown";
    FrameRate = 1;
    DeviceType = MediaQuery("capability z device type");
    MediaLength = ReadNumber(MediaQuery("status z length"));
    MediaPosition = ReadNumber(MediaQuery("status z position"));
    if (DeviceType == "waveaudio") {
        StatusPanel->VrLabel2->SetCaption("Audio");
        Speed = ReadNumber(MediaQuery("status z speed"));
        SamplesPerSec = ReadNumber(MediaQuery("status z samplespersec"));
        BytesPerSec = ReadNumber(MediaQuery("status z bytespersec"));
        BitsPerSample = ReadNumber(MediaQuery("status z bitspersample"));
        Channels = ReadNumber(MediaQuery("status z channels"));
        MediaInfo = std::to_string(SamplesPerSec) + "kHz  " + std::to_string(BitsPerSample) + "bit";
        FrameRate = 1000;
        if (Channels == 2)
            MediaInfo += " Stereo";
        if (Channels == 1)
            MediaInfo += " Mono";
    }
    if (DeviceType == "sequencer") {
        StatusPanel->VrLabel2->SetCaption("Midi");
        Speed = ReadNumber(MediaQuery("status z tempo"));
        MediaInfo = std::to_string(Speed) + " tempo";
        FrameRate = 1000; // its positions are milliseconds
    }
    ExactFrameRate = 0;
    if (DeviceType == "digitalvideo") {
        StatusPanel->VrLabel2->SetCaption("Video");
        Speed = ReadNumber(MediaQuery("status z speed"));
        const int rate = ReadNumber(MediaQuery("status z frame rate"));
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
        ReadSourceSize(MediaQuery("where z source"), &width, &height);
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
    MediaCommand("play z");
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
    MediaLength = ReadNumber(MediaQuery("status z length"));
    MediaPosition = ReadNumber(MediaQuery("status z position"));
}

void Tapp::ButtonPlayClick()
{
    if (!MediaLoaded)
        return;
    ReadLengthAndPosition();
    const bool rewind = MediaPosition >= MediaLength - 1;
    if (rewind)
        MediaCommand("seek z to 0");
    MediaCommand("play z");
    if (rewind)
        emit Sought();
}

void Tapp::ButtonPauseClick()
{
    if (!MediaLoaded)
        return;
    MediaCommand("stop z");
    IsPaused = true;
}

void Tapp::ButtonStopClick()
{
    if (!MediaLoaded)
        return;
    MediaCommand("stop z");
    MediaCommand("seek z to 0");
    IsPaused = false;
    emit Sought();
}

void Tapp::SeekAfterStop(int position)
{
    MediaPosition = position;
    MediaCommand("seek z to " + std::to_string(MediaPosition));
    IsPaused = true;
    emit Sought();
}

void Tapp::ButtonRewindClick()
{
    if (!MediaLoaded)
        return;
    MediaCommand("stop z");
    ReadLengthAndPosition();
    SeekAfterStop(MediaPosition > 25 ? MediaPosition - 25 : 0);
}

void Tapp::ButtonForwardClick()
{
    if (!MediaLoaded)
        return;
    MediaCommand("stop z");
    ReadLengthAndPosition();
    SeekAfterStop(MediaPosition < MediaLength - 25 ? MediaPosition + 25 : MediaLength);
}

void Tapp::ButtonFrameForwardClick()
{
    if (!MediaLoaded)
        return;
    MediaCommand("stop z");
    ReadLengthAndPosition();
    SeekAfterStop(MediaPosition < MediaLength - 1 ? MediaPosition + 1 : MediaLength);
}

void Tapp::ButtonFrameBackClick()
{
    if (!MediaLoaded)
        return;
    Timer1->stop();
    ReadLengthAndPosition();
    MediaCommand("stop z");
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
    MediaCommand("stop z");
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
    const std::string mode = MediaQuery("status z mode");
    if (!IsPaused && mode == "stopped") {
        StatusPanel->StatusLabel->SetCaption("Stopped");
        ShownState = TShownState::Stopped;
        ButtonStop->SetDown(true);
        ButtonStop->repaint();
    } else if (mode == "playing") {
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
