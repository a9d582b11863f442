#include "chart/value_axis_fit.h"
#include "test_case_name.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct FitCase {
    std::string name;
    ChartValueSpan readings;
    ChartAxisRange fixed;
    ChartAxisRange fitted;
};

std::ostream& operator<<(std::ostream& out, const FitCase& c) { return out << c.name; }

class FittedRange : public testing::TestWithParam<FitCase> {};

TEST_P(FittedRange, ShowsTheReadingsWithAMargin)
{
    const FitCase& c = GetParam();
    const ChartAxisRange fitted = fittedValueRange(c.readings, c.fixed);
    EXPECT_DOUBLE_EQ(fitted.min, c.fitted.min);
    EXPECT_DOUBLE_EQ(fitted.max, c.fitted.max);
}

const ChartAxisRange kWatts{-1000, 1000};

INSTANTIATE_TEST_SUITE_P(
    ValueAxisFit, FittedRange,
    testing::Values(
        // 5 % of the spread above and below.
        FitCase{"a load that varies", {200, 1200}, kWatts, {150, 1250}},
        FitCase{"negative readings", {-900, -100}, kWatts, {-940, -60}},
        FitCase{"readings beyond the fixed range", {-3000, 5000}, kWatts, {-3400, 5400}},
        // At least a tenth of the magnitude, centred.
        FitCase{"a flat line", {1200, 1200}, kWatts, {1140, 1260}},
        FitCase{"a jittering line", {1199, 1201}, kWatts, {1139.95, 1260.05}},
        FitCase{"a narrow spread", {1150, 1250}, kWatts, {1137.5, 1262.5}},
        // At least a fiftieth of the fixed range where the magnitude is small.
        FitCase{"a flat line at zero", {0, 0}, kWatts, {-20, 20}},
        FitCase{"a spread about zero", {-5, 5}, kWatts, {-20, 20}},
        FitCase{"a small unit", {0.5, 0.5}, {-1, 1}, {0.475, 0.525}},
        FitCase{"a fixed range given the wrong way round", {0, 0}, {1000, -1000}, {-20, 20}},
        FitCase{"nothing to go by", {0, 0}, {0, 0}, {-0.5, 0.5}},
        // Nothing to fit: the fixed range.
        FitCase{"no readings", {}, kWatts, kWatts},
        FitCase{"an infinite reading", {-kInf, 3}, kWatts, kWatts},
        FitCase{"a spread too wide to pad", {-1.7e308, 1.7e308}, kWatts, kWatts}),
    CaseName());

}  // namespace
