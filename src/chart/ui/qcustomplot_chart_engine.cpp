#include "chart/ui/qcustomplot_chart_engine.h"

#include <qcustomplot.h>

QCustomPlotChartEngine::QCustomPlotChartEngine(QCustomPlot& plot)
    : plot_(plot), area_(plot.graph(0)), data_(QSharedPointer<QCPGraphDataContainer>::create()),
      bottom_{plot.xAxis->range().lower, plot.xAxis->range().upper}
{
    Q_ASSERT(plot.graphCount() >= 2);
    for (int i = 0; i < plot.graphCount(); ++i)
        plot.graph(i)->setData(data_);
}

void QCustomPlotChartEngine::changed() { plot_.replot(QCustomPlot::rpQueuedReplot); }

void QCustomPlotChartEngine::addPointToEverySeries(double value)
{
    // Keys only grow, so the container appends at its end.
    data_->add(QCPGraphData(static_cast<double>(data_->size()), value));
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
    changed();
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
