#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A timer driven by a worker thread of its own, created paused. With
// SyncEvent (the default) each tick is handed to the GUI thread and the
// worker waits until it has run; otherwise OnTimer runs on the worker.
// Once the timer is destroyed no tick reaches it.
class TVrTimer : public QObject {
    Q_OBJECT
public:
    explicit TVrTimer(QObject* parent = nullptr);
    ~TVrTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t value);
    bool SyncEvent() const { return FSyncEvent; }
    void SetSyncEvent(bool value);
    TThreadPriority Priority() const { return FPriority; }
    void SetPriority(TThreadPriority value);
    void SetOnTimer(std::function<void()> handler);
    bool HasOnTimer() const { return bool(FOnTimer); }

    // Runs one tick as the worker would deliver it.
    void Timer();

private:
    struct Worker;
    void UpdateWorker();

    bool FEnabled = true;
    uint32_t FInterval = 1000;
    bool FSyncEvent = true;
    TThreadPriority FPriority = tpNormal;
    bool FDestroying = false;
    std::function<void()> FOnTimer;
    std::shared_ptr<Worker> FWorker;
};
