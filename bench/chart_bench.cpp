// The trend chart with 1 thousand, 1 million and 10 million points held: one
// reading added and the chart repainted (offscreen, the view following), one
// page change and its repaint, and the memory a point costs. Run:
// zq_chart_bench (QT_QPA_PLATFORM=offscreen unless a display is wanted).

#include "chart/chart_control.h"
#include "chart/ui/chart_look.h"
#include "chart/ui/qcustomplot_chart_engine.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <qcustomplot.h>

#include <malloc.h>

#include <fstream>
#include <limits>
#include <memory>
#include <optional>

namespace {

/// Resident memory of the process [bytes], from /proc, once the allocator
/// has handed back what it holds free (blocks left behind by the growing
/// container are no cost of the points).
double residentBytes()
{
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4096.0;
}

/// The window's chart at its laid-out size, shown, holding @p points readings.
struct HeldChart {
    explicit HeldChart(int64_t points)
    {
        plot.resize(371, 265);
        applyChartLook(plot);
        plot.show();
        engine.emplace(plot);
        control.emplace(*engine, 100);
        control->SetValueMin(-1000);
        control->SetValueMax(1000);
        QCoreApplication::processEvents();
        const double before = residentBytes();
        for (int64_t i = 0; i < points; ++i)
            control->AddPoint(static_cast<double>(i % 1000) - 500);
        bytesPerPoint = points > 0 ? (residentBytes() - before) / static_cast<double>(points) : 0;
        QCoreApplication::processEvents();
        QObject::connect(&plot, &QCustomPlot::afterReplot, [this] { ++replots; });
    }

    QCustomPlot plot;
    std::optional<QCustomPlotChartEngine> engine;
    std::optional<TChartControl> control;
    double bytesPerPoint = 0;
    int64_t replots = 0;
};

void BM_AddPointAndReplot(benchmark::State& bench)
{
    HeldChart chart(bench.range(0));
    int64_t i = 0;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(chart.control->AddPoint(static_cast<double>(++i % 700)));
        QCoreApplication::processEvents();
    }
    bench.counters["replots/reading"] =
        static_cast<double>(chart.replots) / static_cast<double>(bench.iterations());
    if (bench.range(0) >= 1'000'000)
        bench.counters["bytes/point"] = chart.bytesPerPoint;
}
BENCHMARK(BM_AddPointAndReplot)->Arg(1'000)->Arg(1'000'000)->Arg(10'000'000)->Iterations(1000)
    ->Unit(benchmark::kMicrosecond);

// A page size that puts the whole run in view: the one case where a replot
// draws every point (sampled down to the pixels by the engine).
void BM_AddPointAndReplotWholeRunInView(benchmark::State& bench)
{
    HeldChart chart(bench.range(0));
    chart.control->SetPageSize(std::numeric_limits<int32_t>::max());
    QCoreApplication::processEvents();
    int64_t i = 0;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(chart.control->AddPoint(static_cast<double>(++i % 700)));
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_AddPointAndReplotWholeRunInView)->Arg(1'000'000)->Arg(10'000'000)->Iterations(20)
    ->Unit(benchmark::kMillisecond);

// Alternates the first and the last page: the longest jumps there are.
void BM_PageChangeAndReplot(benchmark::State& bench)
{
    HeldChart chart(bench.range(0));
    bool first = true;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(first ? chart.control->FirstPage() : chart.control->LastPage());
        first = !first;
        QCoreApplication::processEvents();
    }
    bench.counters["replots/change"] =
        static_cast<double>(chart.replots) / static_cast<double>(bench.iterations());
}
BENCHMARK(BM_PageChangeAndReplot)->Arg(1'000)->Arg(1'000'000)->Arg(10'000'000)->Iterations(1000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
