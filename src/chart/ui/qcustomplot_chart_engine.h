#pragma once

#include "chart/chart_engine.h"
#include "chart/min_max_pyramid.h"

#include <QSharedPointer>

#include <memory>

class QCPGraph;
class QCPGraphData;
class QCustomPlot;
template <class DataType>
class QCPDataContainer;

/// The chart engine on a QCustomPlot styled by applyChartLook: its graphs 0
/// (the area) and 1 (the line) draw from one shared data container whose x
/// values are the point numbers, 16 bytes a point for both, and the block
/// summaries of its values (MinMaxPyramid, half a byte a point) go with it.
/// Nothing here walks the points: the ends of the sorted container give the
/// smallest and largest x, the summaries the span of any page, and the
/// graphs draw only the page in view, a page of millions from the summaries
/// (ChartEnvelopeGraph). Every change asks for one queued replot, so a burst
/// of changes paints once.
class QCustomPlotChartEngine : public ChartEngine {
public:
    /// @p plot must have its two series (applyChartLook) and outlive this
    /// object; the series' points are replaced by the shared container, and
    /// those that are ChartEnvelopeGraphs draw from its summaries.
    explicit QCustomPlotChartEngine(QCustomPlot& plot);

    void addPointToEverySeries(double value) override;
    int64_t pointCount() const override;
    double smallestX() const override;
    double largestX() const override;
    void clearEverySeries() override;
    ChartValueSpan valueSpan(int64_t firstX, int64_t lastX) const override;

    ChartAxisRange bottomAxisRange() const override;
    void setBottomAxisRange(double min, double max) override;

    bool areaVisible() const override;
    void setAreaVisible(bool visible) override;

    ChartAxisRange valueAxisRange() const override;
    void setValueAxisMin(double min) override;
    void setValueAxisMax(double max) override;

    /// The container both series draw from.
    QSharedPointer<QCPDataContainer<QCPGraphData>> data() const { return data_; }
    /// The summaries of its values.
    const MinMaxPyramid& summaries() const { return *summaries_; }

private:
    void changed();

    QCustomPlot& plot_;
    QCPGraph* area_;
    QSharedPointer<QCPDataContainer<QCPGraphData>> data_;
    std::shared_ptr<MinMaxPyramid> summaries_;
    /// The range as paged; the axis shows it, widened when it has no width.
    ChartAxisRange bottom_;
};
