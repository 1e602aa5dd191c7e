// Cost of the LED widgets' synchronous repaints: the level bars are
// repainted on every 100 ms poll, the transparent counters re-render the
// panel's picture under them each time.
#include "vrlabel.h"
#include "vrnum.h"
#include "vrprogressbar.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include <benchmark/benchmark.h>

namespace {

void LevelBarRepaint(benchmark::State& state)
{
    TVrProgressBar bar;
    bar.resize(171, 12);
    bar.SetOrientation(voVertical);
    bar.SetMax(200);
    bar.Bevel()->SetOuterStyle(bsNone);
    QImage target(bar.size(), QImage::Format_RGB32);
    int position = 0;
    for (auto _ : state) {
        bar.SetPosition(position = (position + 37) % 201);
        bar.render(&target);
    }
}
BENCHMARK(LevelBarRepaint);

void TransparentCounterRepaint(benchmark::State& state)
{
    QWidget panel;
    panel.resize(323, 138);
    auto* picture = new QLabel(&panel);
    QPixmap skin(323, 138);
    skin.fill(Qt::darkGreen);
    picture->setPixmap(skin);
    picture->setGeometry(0, 0, 323, 138);
    auto* counter = new TVrNum(&panel);
    counter->setGeometry(177, 57, 59, 19);
    counter->SetDigits(6);
    counter->SetMax(999999);
    counter->SetStyle(ns7x13);
    counter->SetTransparent(true);
    QImage target(counter->size(), QImage::Format_RGB32);
    int value = 0;
    for (auto _ : state) {
        counter->SetValue(++value);
        counter->render(&target);
    }
}
BENCHMARK(TransparentCounterRepaint);

void TransparentLabelRepaint(benchmark::State& state)
{
    QWidget panel;
    panel.resize(323, 138);
    auto* label = new TVrLabel(&panel);
    label->setGeometry(91, 100, 206, 18);
    label->SetStyle(lsNone);
    label->SetTransparent(true);
    label->SetAlignment(taLeftJustify);
    QImage target(label->size(), QImage::Format_RGB32);
    int n = 0;
    for (auto _ : state) {
        label->SetCaption(QString("Playing %1").arg(++n));
        label->render(&target);
    }
}
BENCHMARK(TransparentLabelRepaint);

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
