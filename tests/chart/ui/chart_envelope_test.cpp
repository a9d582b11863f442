#include "chart/ui/chart_envelope_graph.h"
#include "chart/ui/chart_look.h"
#include "chart/ui/qcustomplot_chart_engine.h"
#include "snapshot.h"
#include "test_case_name.h"

#include <QImage>

#include <gtest/gtest.h>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>

namespace {

/// A graph that tells what it would hand QCustomPlot to draw.
class ProbeGraph : public ChartEnvelopeGraph {
public:
    using ChartEnvelopeGraph::ChartEnvelopeGraph;

    QVector<QCPGraphData> drawnPoints() const
    {
        QCPGraphDataContainer::const_iterator begin, end;
        getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
        QVector<QCPGraphData> points;
        getOptimizedLineData(&points, begin, end);
        return points;
    }
    std::pair<int64_t, int64_t> visible() const
    {
        QCPGraphDataContainer::const_iterator begin, end;
        getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
        return {begin - data()->constBegin(), end - data()->constBegin()};
    }
};

/// A reading wandering about 400 with now and then a spike, as a load
/// switching on gives.
double wander(std::mt19937_64& random, double& level)
{
    std::normal_distribution<double> step(0, 8);
    std::uniform_int_distribution<int> spike(0, 4999);
    level = 400 + 0.998 * (level - 400) + step(random);
    return spike(random) == 0 ? level + 500 : level;
}

struct EnvelopeCase {
    std::string name;
    int64_t points;
    ChartAxisRange view;
};

std::ostream& operator<<(std::ostream& out, const EnvelopeCase& c) { return out << c.name; }

class Envelope : public testing::TestWithParam<EnvelopeCase> {};

// For every pixel column the drawn points reach exactly as low and as high
// as the points in it, and there are at most two of them a column.
TEST_P(Envelope, EachPixelColumnSpansItsPointsSmallestToLargest)
{
    const EnvelopeCase& c = GetParam();
    QCustomPlot plot;
    plot.resize(371, 265);
    auto* probe = new ProbeGraph(plot.xAxis, plot.yAxis);
    new ProbeGraph(plot.xAxis, plot.yAxis);
    ASSERT_EQ(plot.graphCount(), 2);
    QCustomPlotChartEngine engine(plot);
    std::mt19937_64 random(c.points);
    double level = 0;
    for (int64_t i = 0; i < c.points; ++i)
        engine.addPointToEverySeries(wander(random, level));
    engine.setBottomAxisRange(c.view.min, c.view.max);
    plot.replot(QCustomPlot::rpImmediateRefresh);

    const QCPAxis* axis = plot.xAxis;
    const auto column = [axis](double key) { return static_cast<int64_t>(std::floor(axis->coordToPixel(key))); };
    std::map<int64_t, ChartValueSpan> points, drawn;
    const auto [first, end] = probe->visible();
    for (int64_t i = first; i < end; ++i)
        points[column(static_cast<double>(i))].add(engine.data()->at(static_cast<int>(i))->value);
    const QVector<QCPGraphData> line = probe->drawnPoints();
    for (const QCPGraphData& point : line)
        drawn[column(point.key)].add(point.value);
    EXPECT_EQ(drawn, points);
    EXPECT_LE(line.size(), 2 * static_cast<qsizetype>(points.size()) + 2);
    // The line ends where the points do.
    EXPECT_EQ(line.front().key, static_cast<double>(first));
    EXPECT_EQ(line.back().key, static_cast<double>(end - 1));
    EXPECT_EQ(line.back().value, engine.data()->at(static_cast<int>(end - 1))->value);
}

INSTANTIATE_TEST_SUITE_P(ChartEnvelopeGraph, Envelope,
                         testing::Values(EnvelopeCase{"the run across the width", 200'000, {1, 200'000}},
                                         EnvelopeCase{"the run over half the width", 300'000, {1, 600'000}},
                                         EnvelopeCase{"a page of a longer run", 400'000, {100'001, 200'000}},
                                         EnvelopeCase{"the run within a few pixels", 1'000'000, {1, 2147483647}},
                                         EnvelopeCase{"a few points a pixel", 1'500, {1, 1'000}}),
                         CaseName());

TEST(ChartEnvelopeGraph, APageOfFewPointsIsDrawnAsThePlainGraphDrawsIt)
{
    QCustomPlot plot;
    plot.resize(371, 265);
    auto* summarised = new ProbeGraph(plot.xAxis, plot.yAxis);
    auto* plain = new ProbeGraph(plot.xAxis, plot.yAxis);
    QCustomPlotChartEngine engine(plot);
    plain->setSummaries(nullptr, nullptr);
    std::mt19937_64 random(1);
    double level = 0;
    for (int i = 0; i < 1000; ++i)
        engine.addPointToEverySeries(wander(random, level));
    for (const ChartAxisRange view : {ChartAxisRange{901, 1000}, ChartAxisRange{1, 100}, ChartAxisRange{1, 400}}) {
        engine.setBottomAxisRange(view.min, view.max);
        plot.replot(QCustomPlot::rpImmediateRefresh);
        const QVector<QCPGraphData> a = summarised->drawnPoints(), b = plain->drawnPoints();
        ASSERT_EQ(a.size(), b.size()) << view.min;
        for (qsizetype i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].key, b[i].key);
            EXPECT_EQ(a[i].value, b[i].value);
        }
    }
}

TEST(ChartEnvelopeGraph, SummariesOfOtherPointsAreNotUsed)
{
    QCustomPlot plot;
    plot.resize(371, 265);
    auto* graph = new ProbeGraph(plot.xAxis, plot.yAxis);
    new ProbeGraph(plot.xAxis, plot.yAxis);
    QCustomPlotChartEngine engine(plot);
    for (int i = 0; i < 100'000; ++i)
        engine.addPointToEverySeries(i % 100);
    // The same number of points, other values: the graph must read these.
    auto other = QSharedPointer<QCPGraphDataContainer>::create();
    for (int i = 0; i < 100'000; ++i)
        other->add(QCPGraphData(i, 5000 + i % 7));
    graph->setData(other);
    engine.setBottomAxisRange(1, 100'000);
    plot.replot(QCustomPlot::rpImmediateRefresh);
    ChartValueSpan drawn;
    for (const QCPGraphData& point : graph->drawnPoints())
        drawn.add(point.value);
    EXPECT_EQ(drawn, (ChartValueSpan{5000, 5006}));
}

// What makes the whole run cheap: a stretch of many points a pixel is read
// from the summaries, not from its points (a value changed behind the
// engine's back, which never happens otherwise, shows which were read).
TEST(ChartEnvelopeGraph, ManyPointsAPixelAreDrawnFromTheSummaries)
{
    QCustomPlot plot;
    plot.resize(371, 265);
    auto* graph = new ProbeGraph(plot.xAxis, plot.yAxis);
    new ProbeGraph(plot.xAxis, plot.yAxis);
    QCustomPlotChartEngine engine(plot);
    for (int i = 0; i < 100'000; ++i)
        engine.addPointToEverySeries(i % 100);
    (engine.data()->begin() + 50'000)->value = 1e6;
    engine.setBottomAxisRange(1, 100'000);
    plot.replot(QCustomPlot::rpImmediateRefresh);
    ChartValueSpan drawn;
    for (const QCPGraphData& point : graph->drawnPoints())
        drawn.add(point.value);
    EXPECT_EQ(drawn, (ChartValueSpan{0, 99}));
}

/// The window's chart holding a million points, all in view.
struct WholeRun {
    explicit WholeRun(bool summarised)
    {
        plot.resize(371, 265);
        applyChartLook(plot);
        engine.emplace(plot);
        if (!summarised)
            for (int i = 0; i < plot.graphCount(); ++i)
                static_cast<ChartEnvelopeGraph*>(plot.graph(i))->setSummaries(nullptr, nullptr);
        std::mt19937_64 random(42);
        double level = 400;
        engine->addPointToEverySeries(0);
        for (int i = 0; i < kPoints; ++i)
            engine->addPointToEverySeries(wander(random, level));
        engine->setBottomAxisRange(1, kPoints);
        engine->setValueAxisRange({-1000, 1000});
    }
    QImage picture()
    {
        plot.replot(QCustomPlot::rpImmediateRefresh);
        return plot.toPixmap(plot.width(), plot.height(), 1.0).toImage();
    }

    static constexpr int kPoints = 1'000'000;
    QCustomPlot plot;
    std::optional<QCustomPlotChartEngine> engine;
};

/// The chart's colours, smoothed edges included; the white wall and the grey
/// grid are no colour.
bool isInk(QRgb pixel) { return !(qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel)); }

TEST(ChartEnvelopeGraph, TheWholeRunLooksAsThePlainGraphDrawsIt)
{
    WholeRun summarised(true), plain(false);
    const QImage a = summarised.picture(), b = plain.picture();
    saveSnapshot(summarised.plot, QStringLiteral("chart_whole_run"));
    saveSnapshot(plain.plot, QStringLiteral("chart_whole_run_plain"));
    ASSERT_EQ(a.size(), b.size());
    // Every pixel column is painted from the same top to the same bottom,
    // give or take the smoothing of a pixel.
    int columnsApart = 0;
    for (int x = 0; x < a.width(); ++x) {
        int topA = -1, topB = -1, bottomA = -1, bottomB = -1;
        for (int y = 0; y < a.height(); ++y) {
            if (isInk(a.pixel(x, y))) {
                topA = topA < 0 ? y : topA;
                bottomA = y;
            }
            if (isInk(b.pixel(x, y))) {
                topB = topB < 0 ? y : topB;
                bottomB = y;
            }
        }
        columnsApart += std::abs(topA - topB) > 1 || std::abs(bottomA - bottomB) > 1;
    }
    EXPECT_EQ(columnsApart, 0);
    // Within a column only the shading of the edges may differ: the points
    // lie a fraction of a pixel from where the plain graph puts them, and the
    // fill under the line's stroke reaches the column's lowest point where
    // the plain fill zig-zags up to its highest (a quarter of the stroke's
    // end lets it through).
    const QRgb area = qRgb(255, 255, 128);
    int ink = 0, worst = 0, shaded = 0, areaA = 0, areaB = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb pa = a.pixel(x, y), pb = b.pixel(x, y);
            ink += isInk(pa);
            areaA += pa == area;
            areaB += pb == area;
            const int apart = std::max({std::abs(qRed(pa) - qRed(pb)), std::abs(qGreen(pa) - qGreen(pb)),
                                        std::abs(qBlue(pa) - qBlue(pb))});
            worst = std::max(worst, apart);
            shaded += apart > 8;
        }
    EXPECT_LE(worst, 48);
    EXPECT_LT(shaded, ink / 20) << shaded << " of " << ink;
    EXPECT_GT(ink, a.width() * a.height() / 10);
    EXPECT_NEAR(areaA, areaB, areaB / 50);
    EXPECT_GT(areaB, a.width() * a.height() / 40);
}

}  // namespace
