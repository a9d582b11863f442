#pragma once

#include "chart/chart_engine.h"

#include <QSharedPointer>

class QCPGraph;
class QCPGraphData;
class QCustomPlot;
template <class DataType>
class QCPDataContainer;

/// The chart engine on a QCustomPlot styled by applyChartLook: its graphs 0
/// (the area) and 1 (the line) draw from one shared data container whose x
/// values are the point numbers, 16 bytes a point for both. Nothing here
/// walks the points: the ends of the sorted container give the smallest and
/// largest x, and the graphs draw only the page in view. Every change asks
/// for one queued replot, so a burst of changes paints once.
class QCustomPlotChartEngine : public ChartEngine {
public:
    /// @p plot must have its two series (applyChartLook) and outlive this
    /// object; the series' points are replaced by the shared container.
    explicit QCustomPlotChartEngine(QCustomPlot& plot);

    void addPointToEverySeries(double value) override;
    int64_t pointCount() const override;
    double smallestX() const override;
    double largestX() const override;
    void clearEverySeries() override;

    ChartAxisRange bottomAxisRange() const override;
    void setBottomAxisRange(double min, double max) override;

    bool areaVisible() const override;
    void setAreaVisible(bool visible) override;

    ChartAxisRange valueAxisRange() const override;
    void setValueAxisMin(double min) override;
    void setValueAxisMax(double max) override;

    /// The container both series draw from.
    QSharedPointer<QCPDataContainer<QCPGraphData>> data() const { return data_; }

private:
    void changed();

    QCustomPlot& plot_;
    QCPGraph* area_;
    QSharedPointer<QCPDataContainer<QCPGraphData>> data_;
    /// The range as paged; the axis shows it, widened when it has no width.
    ChartAxisRange bottom_;
};
