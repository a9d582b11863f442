// The trend chart with 1 thousand, 1 million and 10 million points held: one
// reading added and the chart repainted (offscreen, the view following), the
// same with the whole run in view (in a few pixels, across the width, and
// with the value axis fitted to the readings), one page change and its
// repaint, and the memory a point costs, its summaries included. Run:
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

/// Readings added and repainted with @p pageSize points a page.
void addWithPageSize(benchmark::State& bench, HeldChart& chart, int32_t pageSize)
{
    chart.control->SetPageSize(pageSize);
    QCoreApplication::processEvents();
    int64_t i = 0;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(chart.control->AddPoint(static_cast<double>(++i % 700)));
        QCoreApplication::processEvents();
    }
}

// A page size that puts the whole run in view: the one case where a replot
// covers every point (drawn from their summaries, a pixel column at a time).
// The run takes the first few pixels of a page this long.
void BM_AddPointAndReplotWholeRunInView(benchmark::State& bench)
{
    HeldChart chart(bench.range(0));
    addWithPageSize(bench, chart, std::numeric_limits<int32_t>::max());
}
BENCHMARK(BM_AddPointAndReplotWholeRunInView)->Arg(1'000'000)->Arg(10'000'000)->Iterations(20)
    ->Unit(benchmark::kMillisecond);

// The whole run across the chart's width: every pixel column holds tens of
// thousands of points.
void BM_AddPointAndReplotRunAcrossTheWidth(benchmark::State& bench)
{
    HeldChart chart(bench.range(0));
    addWithPageSize(bench, chart, static_cast<int32_t>(bench.range(0) + 1000));
}
BENCHMARK(BM_AddPointAndReplotRunAcrossTheWidth)->Arg(1'000'000)->Arg(10'000'000)->Iterations(200)
    ->Unit(benchmark::kMillisecond);

// The same with the value axis fitted to the readings: the page's span was
// worked out once, each reading only widens it.
void BM_AddPointAndReplotRunAcrossTheWidthFitted(benchmark::State& bench)
{
    HeldChart chart(bench.range(0));
    chart.control->setFitValueAxis(true);
    addWithPageSize(bench, chart, static_cast<int32_t>(bench.range(0) + 1000));
}
BENCHMARK(BM_AddPointAndReplotRunAcrossTheWidthFitted)->Arg(1'000'000)->Arg(10'000'000)->Iterations(200)
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
