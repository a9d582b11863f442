#include "chart/value_axis_fit.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMargin = 0.05;
constexpr double kShareOfMagnitude = 0.1;
constexpr double kShareOfFixedRange = 0.02;

}  // namespace

ChartAxisRange fittedValueRange(const ChartValueSpan& readings, const ChartAxisRange& fixed)
{
    if (readings.empty() || !std::isfinite(readings.min) || !std::isfinite(readings.max))
        return fixed;
    const double spread = readings.max - readings.min;
    const double magnitude = std::max(std::fabs(readings.min), std::fabs(readings.max));
    double least = std::max(kShareOfMagnitude * magnitude, kShareOfFixedRange * std::fabs(fixed.max - fixed.min));
    if (!(least > 0) || !std::isfinite(least))
        least = 1;
    const double padded = spread * (1 + 2 * kMargin);
    if (!std::isfinite(padded))
        return fixed;
    if (padded >= least)
        return {readings.min - kMargin * spread, readings.max + kMargin * spread};
    const double centre = readings.min + spread / 2;
    return {centre - least / 2, centre + least / 2};
}
