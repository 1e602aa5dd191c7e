// Cost of one peak reading, as the poll timer takes it on every tick. With
// a sound server (PULSE_SERVER or the session's) the meter watches the
// default sink; without one it measures the closed meter.
#include "vumeter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <thread>

static void BM_ReadPeaks(benchmark::State& state)
{
    TVumeter meter;
    meter.SetMessageHook([](const QString& message) { std::fprintf(stderr, "%s\n", qPrintable(message)); });
    meter.OpenMixer();
    state.SetLabel(meter.IsOpen() ? "open" : "closed (no sound server)");
    for (auto _ : state) {
        meter.ReadPeaks();
        benchmark::DoNotOptimize(meter.LeftPeak);
        benchmark::DoNotOptimize(meter.RightPeak);
    }
    meter.CloseMixer();
}
BENCHMARK(BM_ReadPeaks);

// What the open meter costs in the background: a second of ticks every
// 100 ms, counting the CPU of the whole process (the libpulse thread too).
static void BM_OpenMeterSecond(benchmark::State& state)
{
    TVumeter meter;
    meter.SetMessageHook([](const QString& message) { std::fprintf(stderr, "%s\n", qPrintable(message)); });
    meter.OpenMixer();
    state.SetLabel(meter.IsOpen() ? "open" : "closed (no sound server)");
    for (auto _ : state) {
        for (int tick = 0; tick < 10; ++tick) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            meter.ReadPeaks();
        }
    }
    meter.CloseMixer();
}
BENCHMARK(BM_OpenMeterSecond)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
