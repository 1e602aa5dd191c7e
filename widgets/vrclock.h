#pragma once

#include "vrnum.h"
#include "vrtimer.h"

#include <QDateTime>

#include <cstdint>

enum TVrClockType { ctRealTime, ctElapsed, ctCustom };

// Hours and minutes (and optionally seconds) as LED digits with colon
// separators. A custom clock shows whatever its owner stores; the other
// types run on their own timer.
class TVrClock : public TVrCustomNum {
    Q_OBJECT
public:
    explicit TVrClock(QWidget* parent = nullptr);
    ~TVrClock() override;

    uint8_t Hours() const { return FHours; }
    void SetHours(uint8_t value) { Assign(FHours, value); }
    uint8_t Minutes() const { return FMinutes; }
    void SetMinutes(uint8_t value) { Assign(FMinutes, value); }
    uint8_t Seconds() const { return FSeconds; }
    void SetSeconds(uint8_t value) { Assign(FSeconds, value); }
    TVrClockType ClockType() const { return FClockType; }
    void SetClockType(TVrClockType value);
    bool Active() const { return FActive; }
    void SetActive(bool value);
    bool ShowSeconds() const { return FShowSeconds; }
    void SetShowSeconds(bool value) { Assign(FShowSeconds, value); }
    bool Blink() const { return FBlink; }
    void SetBlink(bool value);

    TVrTimer* TickTimer() { return FTickTimer; }

    // Where the clock reads the current date and time; the system clock
    // unless replaced (tests use a fixed source).
    using ClockSource = std::function<QDateTime()>;
    void SetClockSource(ClockSource source) { FNow = std::move(source); }
    const QImage& Separator() const { return FSeparator; }

    // Reads the time into the fields, flips the blink phase, repaints when
    // something visible changed and fires OnClockTick.
    void Tick();

    std::function<void(QObject* sender, uint16_t seconds)> OnClockTick;

signals:
    void clockTick(uint16_t seconds);

protected:
    void LoadImages() override;
    void Loaded() override;
    int RowWidth() const override;
    void Paint() override;

private:
    void LoadSeparator();

    uint8_t FHours = 0;
    uint8_t FMinutes = 0;
    uint8_t FSeconds = 0;
    TVrClockType FClockType = ctRealTime;
    bool FActive = false;
    bool FShowSeconds = false;
    bool FBlink = false;
    bool FBlinkOn = false;
    QDateTime FStartTime;
    QImage FSeparator;
    TVrTimer* FTickTimer = nullptr;
    ClockSource FNow = [] { return QDateTime::currentDateTime(); };
};
