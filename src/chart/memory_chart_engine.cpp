#include "chart/memory_chart_engine.h"

#include <algorithm>

void MemoryChartEngine::clearEverySeries()
{
    // A cleared chart gives its memory back; a long run may have held millions.
    std::vector<double>().swap(values_);
}

ChartValueSpan MemoryChartEngine::valueSpan(int64_t firstX, int64_t lastX) const
{
    ChartValueSpan span;
    const int64_t end = std::min<int64_t>(lastX + 1, pointCount());
    for (int64_t x = std::max<int64_t>(firstX, 0); x < end; ++x)
        span.add(values_[static_cast<std::size_t>(x)]);
    return span;
}
