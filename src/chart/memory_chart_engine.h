#pragma once

#include "chart/chart_engine.h"

#include <vector>

/// The chart engine in memory, for the tests and the command line. It starts
/// as the layout has the chart: bottom axis 0 to 100, value axis -11000 to
/// 11000, no points, the area shown.
class MemoryChartEngine : public ChartEngine {
public:
    void addPointToEverySeries(double value) override { values_.push_back(value); }
    int64_t pointCount() const override { return static_cast<int64_t>(values_.size()); }
    double smallestX() const override { return 0; }
    double largestX() const override { return static_cast<double>(values_.size()) - 1; }
    void clearEverySeries() override;
    /// Scans the points: the tests and the command line hold few, and a
    /// summary would cost the soak's accounted memory.
    ChartValueSpan valueSpan(int64_t firstX, int64_t lastX) const override;

    ChartAxisRange bottomAxisRange() const override { return bottom_; }
    void setBottomAxisRange(double min, double max) override { bottom_ = {min, max}; }

    bool areaVisible() const override { return areaVisible_; }
    void setAreaVisible(bool visible) override { areaVisible_ = visible; }

    ChartAxisRange valueAxisRange() const override { return value_; }
    void setValueAxisMin(double min) override { value_.min = min; }
    void setValueAxisMax(double max) override { value_.max = max; }

    /// The values of the series, by x.
    const std::vector<double>& values() const { return values_; }

private:
    std::vector<double> values_;
    ChartAxisRange bottom_{0, 100};
    ChartAxisRange value_{-11000, 11000};
    bool areaVisible_ = true;
};
