#include "chart/memory_chart_engine.h"

void MemoryChartEngine::clearEverySeries()
{
    // A cleared chart gives its memory back; a long run may have held millions.
    std::vector<double>().swap(values_);
}
