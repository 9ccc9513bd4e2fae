// A redraw of the largest distribution (10001 bars) at the design size and at a
// large window size, as resizing repeats it, and the first redraw with nothing
// measured yet; the target is 10 ms per redraw.

#include "chart/ChartDraw.h"
#include "core/Fisher.h"
#include "report/Report.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

void RedrawLargest(benchmark::State &state)
{
    TFisherDistribution dist;
    ComputeDistribution(dist, 20000, 10000, 10000);
    const TCriticalBounds bounds = ComputeCriticalBounds(dist);
    TChartOptions options;
    options.krOblChecked = true;
    const TChartData data{dist, 5000, bounds, options};
    TOffscreenImage image(int(state.range(0)), int(state.range(1)));
    clGraphListFisher painter(dist);
    painter.Init(&image);
    for (auto _ : state) {
        Redraw(painter, data);
        benchmark::DoNotOptimize(image.Bitmap().constBits());
    }
    state.counters["bars"] = dist.Count();
}

// The first redraw after the window attaches its image: no label measured yet.
void FirstRedrawLargest(benchmark::State &state)
{
    TFisherDistribution dist;
    ComputeDistribution(dist, 20000, 10000, 10000);
    const TCriticalBounds bounds = ComputeCriticalBounds(dist);
    TChartOptions options;
    options.krOblChecked = true;
    const TChartData data{dist, 5000, bounds, options};
    TOffscreenImage image(875, 473);
    for (auto _ : state) {
        clGraphListFisher painter(dist);
        painter.Init(&image);
        Redraw(painter, data);
        benchmark::DoNotOptimize(image.Bitmap().constBits());
    }
}

void RedrawExample(benchmark::State &state)
{
    TFisherDistribution dist;
    ComputeDistribution(dist, 16, 10, 9);
    const TCriticalBounds bounds = ComputeCriticalBounds(dist);
    TChartOptions options;
    options.krOblChecked = true;
    const TChartData data{dist, 8, bounds, options};
    TOffscreenImage image(875, 473);
    clGraphListFisher painter(dist);
    painter.Init(&image);
    for (auto _ : state)
        Redraw(painter, data);
}

} // namespace

BENCHMARK(RedrawLargest)->Args({875, 473})->Args({1900, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(FirstRedrawLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(RedrawExample)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    // Fonts need a GUI application; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
