#include "chart/ui/qcustomplot_chart_engine.h"

#include "chart/ui/chart_envelope_graph.h"

#include <qcustomplot.h>

QCustomPlotChartEngine::QCustomPlotChartEngine(QCustomPlot& plot)
    : plot_(plot), area_(plot.graph(0)), data_(QSharedPointer<QCPGraphDataContainer>::create()),
      summaries_(std::make_shared<MinMaxPyramid>()), bottom_{plot.xAxis->range().lower, plot.xAxis->range().upper}
{
    Q_ASSERT(plot.graphCount() >= 2);
    for (int i = 0; i < plot.graphCount(); ++i) {
        plot.graph(i)->setData(data_);
        if (auto* envelope = dynamic_cast<ChartEnvelopeGraph*>(plot.graph(i)))
            envelope->setSummaries(summaries_, data_.data());
    }
}

void QCustomPlotChartEngine::changed() { plot_.replot(QCustomPlot::rpQueuedReplot); }

void QCustomPlotChartEngine::addPointToEverySeries(double value)
{
    // Keys only grow, so the container appends at its end.
    data_->add(QCPGraphData(static_cast<double>(data_->size()), value));
    summaries_->append(value);
    changed();
}

int64_t QCustomPlotChartEngine::pointCount() const { return data_->size(); }

double QCustomPlotChartEngine::smallestX() const { return data_->constBegin()->key; }

double QCustomPlotChartEngine::largestX() const { return (data_->constEnd() - 1)->key; }

void QCustomPlotChartEngine::clearEverySeries()
{
    // Qt 6 keeps a cleared vector's capacity; a long run may have held
    // millions of points.
    data_->clear();
    data_->squeeze();
    summaries_->clear();
    changed();
}

ChartValueSpan QCustomPlotChartEngine::valueSpan(int64_t firstX, int64_t lastX) const
{
    const auto origin = data_->constBegin();
    return summaries_->span(firstX, lastX + 1, [origin](int64_t i) { return (origin + i)->value; });
}

ChartAxisRange QCustomPlotChartEngine::bottomAxisRange() const { return bottom_; }

void QCustomPlotChartEngine::setBottomAxisRange(double min, double max)
{
    bottom_ = {min, max};
    // A page of one point spans no width, which the axis refuses; show that
    // point in the middle of one unit instead.
    if (max - min < 1)
        plot_.xAxis->setRange(min - 0.5, max + 0.5);
    else
        plot_.xAxis->setRange(min, max);
    changed();
}

bool QCustomPlotChartEngine::areaVisible() const { return area_->visible(); }

void QCustomPlotChartEngine::setAreaVisible(bool visible)
{
    area_->setVisible(visible);
    changed();
}

ChartAxisRange QCustomPlotChartEngine::valueAxisRange() const
{
    const QCPRange range = plot_.yAxis->range();
    return {range.lower, range.upper};
}

void QCustomPlotChartEngine::setValueAxisMin(double min)
{
    plot_.yAxis->setRangeLower(min);
    changed();
}

void QCustomPlotChartEngine::setValueAxisMax(double max)
{
    plot_.yAxis->setRangeUpper(max);
    changed();
}
