#include "vrclock.h"

namespace {

constexpr qint64 kMsPerDay = 24 * 60 * 60 * 1000;

} // namespace

TVrClock::TVrClock(QWidget* parent)
    : TVrCustomNum(parent)
{
    resize(140, height());
    LoadSeparator();
    FTickTimer = new TVrTimer(this);
    FTickTimer->SetOnTimer([this] { Tick(); });
    FTickTimer->SetEnabled(false);
}

TVrClock::~TVrClock()
{
    delete FTickTimer; // no tick may arrive while the clock is half destroyed
    FTickTimer = nullptr;
}

void TVrClock::LoadImages()
{
    TVrCustomNum::LoadImages();
    LoadSeparator();
}

void TVrClock::LoadSeparator()
{
    FSeparator = QImage(artnames::path(StyleArt(Style()).separator));
    Palette()->RecolorBitmap(FSeparator);
}

void TVrClock::SetClockType(TVrClockType value)
{
    if (FClockType == value)
        return;
    FClockType = value;
    if (value == ctRealTime || value == ctElapsed) {
        FHours = 0;
        FMinutes = 0;
        FSeconds = 0;
    } else if (FActive) {
        SetActive(false);
    }
    RequestRepaint();
}

void TVrClock::SetActive(bool value)
{
    if (FClockType == ctCustom)
        value = false;
    if (FActive == value)
        return;
    FActive = value;
    FBlinkOn = true;
    RequestRepaint();
    if (FActive)
        FStartTime = FNow();
    FTickTimer->SetEnabled(FActive);
}

void TVrClock::SetBlink(bool value)
{
    if (FBlink == value)
        return;
    FBlink = value;
    FBlinkOn = true;
    RequestRepaint();
}

void TVrClock::Loaded()
{
    if (FClockType != ctCustom)
        Tick();
}

void TVrClock::Tick()
{
    const uint8_t oldMinutes = FMinutes;
    qint64 ms = 0;
    const QDateTime now = FNow();
    if (FClockType == ctRealTime)
        ms = now.time().msecsSinceStartOfDay();
    else if (FClockType == ctElapsed)
        ms = FStartTime.isValid() ? FStartTime.msecsTo(now) : 0; // immune to DST shifts
    // Only the time-of-day part is shown; a clock set back never goes negative.
    ms = ((ms % kMsPerDay) + kMsPerDay) % kMsPerDay;
    const qint64 seconds = ms / 1000;
    FHours = uint8_t(seconds / 3600);
    FMinutes = uint8_t(seconds / 60 % 60);
    FSeconds = uint8_t(seconds % 60);
    FBlinkOn = !FBlinkOn;
    if (FShowSeconds || FBlink || FMinutes != oldMinutes)
        RequestRepaint();
    if (OnClockTick)
        OnClockTick(this, FSeconds);
    emit clockTick(FSeconds);
}

int TVrClock::RowWidth() const
{
    const int digits = FShowSeconds ? 6 : 4;
    const int separators = FShowSeconds ? 2 : 1;
    const int gaps = FShowSeconds ? 7 : 4;
    return digits * FCellWidth + separators * FSeparator.width() + gaps * Spacing();
}

void TVrClock::Paint()
{
    const int rowWidth = RowWidth();
    AdjustBounds();
    PrepareImage();

    int x = (width() - rowWidth) / 2;
    const int y = (height() - FCellHeight) / 2;
    QString text = QString::asprintf("%.2d:%.2d", FHours, FMinutes);
    if (FShowSeconds)
        text += QString::asprintf(":%.2d", FSeconds);
    const bool showSeparators = FClockType == ctCustom || !FBlink || FBlinkOn;
    for (QChar c : text) {
        if (c == QLatin1Char(':')) {
            if (showSeparators && !FSeparator.isNull())
                DrawMasked(FSeparator, FSeparator.rect(), x, y, FSeparator.pixel(0, FSeparator.height() - 1) & 0xffffff);
            x += FSeparator.width() + Spacing();
        } else {
            DrawCell(c.digitValue(), x, y);
            x += FCellWidth + Spacing();
        }
    }
    PresentImage();
}
