// Cost of one tick of the main window's position poll (Timer1Timer) with a
// medium loaded, in the real program's windows.
//
//   timer1_bench <clip> [google benchmark options]
//
// Playing: the tick alone while the clip plays (peaks, length, position,
// slider, clocks, counters, mode and buttons). Paused: the tick followed by
// the repaints it causes (a paused clip brings no video frames, so the event
// processing holds only what the tick asked for).
#include "gtabbutton.h"
#include "mediacommands.h"
#include "norravaapplication.h"
#include "tapp.h"
#include "uapp.h"
#include "vumeter.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <vector>

namespace {

Tapp* gApp = nullptr;

// Lets the program's own events (frames, paints) run for a while.
void runEventsFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void startPlaying()
{
    gApp->ButtonPlayClick();
    runEventsFor(300);
}

void BM_Timer1Timer_Playing(benchmark::State& state)
{
    startPlaying();
    gApp->Timer1->stop(); // ticks come from the benchmark only
    for (auto _ : state)
        gApp->Timer1Timer();
    state.SetLabel(gApp->StatusPanel ? "playing" : "");
    gApp->Timer1->start();
}
BENCHMARK(BM_Timer1Timer_Playing)->Unit(benchmark::kMicrosecond);

void BM_Timer1Timer_PausedWithRepaint(benchmark::State& state)
{
    startPlaying();
    gApp->ButtonPauseClick();
    runEventsFor(300);
    gApp->Timer1->stop();
    for (auto _ : state) {
        gApp->Timer1Timer();
        QCoreApplication::processEvents();
    }
    gApp->Timer1->start();
}
BENCHMARK(BM_Timer1Timer_PausedWithRepaint)->Unit(benchmark::kMicrosecond);

// The tick's parts, while playing, to see where its time goes.
void BM_Part_MediaQueries(benchmark::State& state)
{
    startPlaying();
    gApp->Timer1->stop();
    for (auto _ : state) {
        benchmark::DoNotOptimize(mediacommands::status(mediacommands::kLength));
        benchmark::DoNotOptimize(mediacommands::status(mediacommands::kPosition));
        benchmark::DoNotOptimize(mediacommands::status(mediacommands::kMode));
    }
    gApp->Timer1->start();
}
BENCHMARK(BM_Part_MediaQueries)->Unit(benchmark::kMicrosecond);

void BM_Part_ReadPeaks(benchmark::State& state)
{
    for (auto _ : state)
        gApp->Vumeter->ReadPeaks();
}
BENCHMARK(BM_Part_ReadPeaks)->Unit(benchmark::kMicrosecond);

void BM_Part_ButtonRepaint(benchmark::State& state)
{
    for (auto _ : state)
        gApp->ButtonPlay->repaint();
}
BENCHMARK(BM_Part_ButtonRepaint)->Unit(benchmark::kMicrosecond);

// The tick in the running program: the real timer fires every 100 ms while
// the clip plays, and each tick's own time is taken around the timer's
// event (frames and paints between ticks are not counted). The time shown
// is the median tick of each 2 s run (wall clock); the CPU column counts
// the whole process over the run, playback included, and means nothing here.
class TickClock : public QObject {
public:
    QElapsedTimer clock;
    std::vector<double> ticks;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Timer)
            return false;
        clock.start();
        watched->event(event);
        ticks.push_back(double(clock.nsecsElapsed()) / 1000.0);
        return true;
    }
};

void BM_Timer1Tick_InRunningPlayer(benchmark::State& state)
{
    startPlaying();
    TickClock tickClock;
    gApp->Timer1->installEventFilter(&tickClock);
    for (auto _ : state) {
        tickClock.ticks.clear();
        runEventsFor(2000);
        std::sort(tickClock.ticks.begin(), tickClock.ticks.end());
        if (tickClock.ticks.empty()) {
            state.SkipWithError("no tick came");
            break;
        }
        const std::vector<double>& t = tickClock.ticks;
        state.SetIterationTime(t[t.size() / 2] / 1e6);
        state.counters["ticks"] = double(t.size());
        state.counters["p90_us"] = t[std::min(t.size() - 1, t.size() * 9 / 10)];
        state.counters["max_us"] = t.back();
    }
    gApp->Timer1->removeEventFilter(&tickClock);
}
BENCHMARK(BM_Timer1Tick_InRunningPlayer)->UseManualTime()->Iterations(3)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    NorravaApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 2 || !QFileInfo(argv[1]).isFile()) {
        std::fprintf(stderr, "usage: timer1_bench <clip> [benchmark options]\n");
        return 2;
    }
    const QString clip = QFileInfo(argv[1]).absoluteFilePath();
    std::unique_ptr<TAppWindows> windows = CreateWindows();
    gApp = windows->app.get();
    gApp->ShowMediaMessage = [](const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    gApp->show();
    runEventsFor(200);
    gApp->LoadTheFile(clip);
    for (int i = 0; i < 2000 && gApp->Loading(); ++i)
        runEventsFor(10);
    if (!gApp->MediaLoaded) {
        std::fprintf(stderr, "timer1_bench: %s did not load\n", argv[1]);
        return 1;
    }
    runEventsFor(300);

    int benchArgc = argc - 1;
    argv[1] = argv[0];
    benchmark::Initialize(&benchArgc, argv + 1);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    windows.reset();
    return 0;
}
