// The cost of the About box's animation: one frame is a clear of the
// 317 x 337 surface, 2048 point plots and one 188 x 190 copy to the window.
// The timer paces frames 25 ms apart, so a frame must cost far less.
#include "aboutform.h"
#include "dibcanvas.h"
#include "solidrenderer.h"

#include <QApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

const QRect AnimationRect(65, 49, 188, 190);

struct Scene {
    Scene()
        : palette(TSolidRenderer::SpectrumPalette())
        , surface(317, 337, dfIndexed8, &palette)
        , window(317, 337, QImage::Format_RGB32)
    {
        BuildTrigTables();
        renderer.BuildShapes(BannerLines);
        renderer.PrepareMorph();
        surface.SetFillColor(0x000000);
        window.fill(Qt::black);
    }
    TLogPalette palette;
    TDIBUltra surface;
    TSolidRenderer renderer;
    QImage window; // stands in for the window's backing store
};

void BM_AnimationFrame(benchmark::State& state)
{
    Scene scene;
    for (auto _ : state) {
        scene.renderer.AnimateTick(scene.surface);
        QPainter canvas(&scene.window);
        scene.surface.Canvas().CopyTo(canvas, AnimationRect, AnimationRect);
    }
    benchmark::DoNotOptimize(scene.window.constBits());
}
BENCHMARK(BM_AnimationFrame)->Unit(benchmark::kMicrosecond);

void BM_ClearSurface(benchmark::State& state)
{
    Scene scene;
    for (auto _ : state) {
        scene.surface.Clear();
        benchmark::DoNotOptimize(scene.surface.Bits());
    }
}
BENCHMARK(BM_ClearSurface)->Unit(benchmark::kMicrosecond);

void BM_PlotPoints(benchmark::State& state)
{
    Scene scene;
    BuildRotation(32, 762, 0);
    for (auto _ : state) {
        scene.renderer.DrawFrame(scene.surface, 1, 25);
        benchmark::DoNotOptimize(scene.surface.Bits());
    }
}
BENCHMARK(BM_PlotPoints)->Unit(benchmark::kMicrosecond);

void BM_CopyToWindow(benchmark::State& state)
{
    Scene scene;
    for (auto _ : state) {
        QPainter canvas(&scene.window);
        scene.surface.Canvas().CopyTo(canvas, AnimationRect, AnimationRect);
    }
    benchmark::DoNotOptimize(scene.window.constBits());
}
BENCHMARK(BM_CopyToWindow)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv); // the banner lines need fonts
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
