#pragma once

#include "chart/chart_engine.h"

/// The value-axis range that fits @p readings, the span of the readings in
/// view, when the axis would otherwise show @p fixed:
/// - the readings' span with 5 % of it added above and below;
/// - at least a tenth of the readings' magnitude and a fiftieth of the fixed
///   range's height (one unit if both are nothing), centred on the
///   readings, so a flat line or one that only jitters lies in the middle of
///   a band instead of magnifying its last digit to the chart's height;
/// - @p fixed itself when there is nothing to fit: no readings, or one that
///   is not finite.
ChartAxisRange fittedValueRange(const ChartValueSpan& readings, const ChartAxisRange& fixed);
