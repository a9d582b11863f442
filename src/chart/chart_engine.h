#pragma once

#include <cstdint>
#include <limits>

/// A range of one chart axis, in axis units.
struct ChartAxisRange {
    double min = 0;
    double max = 0;

    friend bool operator==(const ChartAxisRange&, const ChartAxisRange&) = default;
};

/// The smallest and the largest of some point values; empty (min above max)
/// until a value is added. NaN is no value and leaves the span as it was.
struct ChartValueSpan {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();

    bool empty() const { return !(min <= max); }
    void add(double value)
    {
        if (value < min)
            min = value;
        if (value > max)
            max = value;
    }
    void add(const ChartValueSpan& other)
    {
        if (other.min < min)
            min = other.min;
        if (other.max > max)
            max = other.max;
    }

    friend bool operator==(const ChartValueSpan&, const ChartValueSpan&) = default;
};

/// What the trend chart's paging asks of the chart engine. The chart has two
/// series (0: the area, 1: the line) that always hold the same points, so an
/// engine may keep them in one store. A point's x value is the number of
/// points the series held before it. Implemented on a QCustomPlot for the
/// window and in memory for the tests and the command line.
class ChartEngine {
public:
    virtual ~ChartEngine() = default;

    /// Appends @p value to every series, in series order, at x = the points
    /// the series held before.
    virtual void addPointToEverySeries(double value) = 0;
    /// Points of series 0.
    virtual int64_t pointCount() const = 0;
    /// Smallest and largest x of the series; only called when pointCount() > 0.
    virtual double smallestX() const = 0;
    virtual double largestX() const = 0;
    /// Removes every point of every series.
    virtual void clearEverySeries() = 0;
    /// Smallest and largest value of the points with x from @p firstX to
    /// @p lastX, both included; x values that hold no point are left out, so
    /// the span is empty when none does. Asked once for a page when the view
    /// moves and then for each new point alone, so an engine may scan, but
    /// one that holds summaries answers a page of millions at once.
    virtual ChartValueSpan valueSpan(int64_t firstX, int64_t lastX) const = 0;

    virtual ChartAxisRange bottomAxisRange() const = 0;
    virtual void setBottomAxisRange(double min, double max) = 0;

    /// Whether series 0 (the area) is shown; the line is always shown.
    virtual bool areaVisible() const = 0;
    virtual void setAreaVisible(bool visible) = 0;

    virtual ChartAxisRange valueAxisRange() const = 0;
    virtual void setValueAxisMin(double min) = 0;
    virtual void setValueAxisMax(double max) = 0;
    /// Both ends at once, in the order that never puts the minimum above the
    /// maximum on the way (an axis may swap ends it is given the wrong way
    /// round).
    void setValueAxisRange(const ChartAxisRange& range);

    /// Scroll the bottom axis by @p d with limit check, @p times times over:
    /// each time, d > 0 moves the range up by d only while the largest x lies
    /// above the axis maximum, d < 0 moves it down by |d| only while the
    /// smallest x lies below the axis minimum, otherwise nothing moves. The
    /// moves are counted in one step and the range is set once, so paging
    /// across a hundred thousand pages costs no more than across one.
    void scrollBottomAxis(double d, int64_t times = 1);
};
