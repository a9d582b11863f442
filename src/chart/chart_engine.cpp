#include "chart/chart_engine.h"

#include <cmath>

void ChartEngine::scrollBottomAxis(double d, int64_t times)
{
    if (times <= 0 || d == 0 || pointCount() == 0)
        return;
    const ChartAxisRange range = bottomAxisRange();
    // Each single scroll moves only while the point beyond the edge is still
    // beyond it, so the moves stop after the gap is covered.
    const double gap = d > 0 ? largestX() - range.max : range.min - smallestX();
    if (!(gap > 0))
        return;
    const double needed = std::ceil(gap / std::fabs(d));
    const double moves = needed < static_cast<double>(times) ? needed : static_cast<double>(times);
    setBottomAxisRange(range.min + d * moves, range.max + d * moves);
}

void ChartEngine::setValueAxisRange(const ChartAxisRange& range)
{
    if (range.min > valueAxisRange().max) {
        setValueAxisMax(range.max);
        setValueAxisMin(range.min);
    } else {
        setValueAxisMin(range.min);
        setValueAxisMax(range.max);
    }
}
