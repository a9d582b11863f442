#include "chart/chart_control.h"
#include "chart/memory_chart_engine.h"
#include "chart/value_axis_fit.h"
#include "test_case_name.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Step {
    enum Kind { Add, First, Prior, Next, Last, PageSize, Clear } kind;
    int64_t n = 1;  // readings to add, or the page size
};

struct Expected {
    double axisMin, axisMax;
    int32_t currentPage, pageCount;
    bool browsing;
    std::optional<int32_t> returned;
    int64_t points;
    int32_t pageSize = 100;
};

struct PagingCase {
    std::string name;
    std::vector<Step> steps;
    Expected expected;
};

std::ostream& operator<<(std::ostream& out, const PagingCase& c) { return out << c.name; }

class Paging : public testing::TestWithParam<PagingCase> {};

TEST_P(Paging, MovesTheViewAndKeepsThePageNumbers)
{
    MemoryChartEngine chart;
    TChartControl control(chart, 100);
    std::optional<int32_t> returned;
    for (const Step& step : GetParam().steps) {
        switch (step.kind) {
        case Step::Add:
            for (int64_t i = 0; i < step.n; ++i)
                returned = control.AddPoint(static_cast<double>(i % 7));
            break;
        case Step::First: returned = control.FirstPage(); break;
        case Step::Prior: returned = control.PriorPage(); break;
        case Step::Next: returned = control.NextPage(); break;
        case Step::Last: returned = control.LastPage(); break;
        case Step::PageSize:
            control.SetPageSize(static_cast<int32_t>(step.n));
            returned.reset();
            break;
        case Step::Clear: returned = control.ClearChart(); break;
        }
    }
    const Expected& want = GetParam().expected;
    EXPECT_EQ(chart.bottomAxisRange(), (ChartAxisRange{want.axisMin, want.axisMax}));
    EXPECT_EQ(control.CurrentPage(), want.currentPage);
    EXPECT_EQ(control.PageCount(), want.pageCount);
    EXPECT_EQ(control.Browsing(), want.browsing);
    EXPECT_EQ(returned, want.returned);
    EXPECT_EQ(chart.pointCount(), want.points);
    EXPECT_EQ(control.PageSize(), want.pageSize);
}

using S = Step;
const S kFirst{S::First}, kPrior{S::Prior}, kNext{S::Next}, kLast{S::Last}, kClear{S::Clear};
S add(int64_t n) { return {S::Add, n}; }
S pageSize(int64_t n) { return {S::PageSize, n}; }

INSTANTIATE_TEST_SUITE_P(
    TChartControl, Paging,
    testing::Values(
        PagingCase{"created", {}, {1, 100, 1, 1, false, std::nullopt, 1}},
        PagingCase{"100 readings fill page 1", {add(100)}, {1, 100, 1, 1, false, 1, 101}},
        PagingCase{"reading 101 moves to page 2", {add(101)}, {101, 200, 2, 2, false, 2, 102}},
        PagingCase{"150 readings", {add(150)}, {101, 200, 2, 2, false, 2, 151}},
        PagingCase{"first page browses", {add(150), kFirst}, {1, 100, 1, 2, true, 1, 151}},
        PagingCase{"a reading while browsing keeps the view", {add(150), kFirst, add(1)}, {1, 100, 1, 2, true, 1, 152}},
        PagingCase{"last page follows again", {add(150), kFirst, add(1), kLast}, {101, 200, 2, 2, false, 2, 152}},
        PagingCase{"following resumes after last", {add(150), kFirst, kLast, add(51)}, {201, 300, 3, 3, false, 3, 202}},
        PagingCase{"next on the last page changes nothing", {add(150), kNext}, {101, 200, 2, 2, false, 2, 151}},
        PagingCase{"prior on page 1 changes nothing", {add(50), kPrior}, {1, 100, 1, 1, false, 1, 51}},
        PagingCase{"prior on page 1 keeps browsing", {add(150), kFirst, kPrior}, {1, 100, 1, 2, true, 1, 151}},
        PagingCase{"prior pages back once", {add(350), kPrior, kPrior}, {101, 200, 2, 4, true, 2, 351}},
        PagingCase{"next short of the last page browses", {add(350), kFirst, kNext}, {101, 200, 2, 4, true, 2, 351}},
        PagingCase{"next onto the last page follows", {add(350), kPrior, kNext}, {301, 400, 4, 4, false, 4, 351}},
        PagingCase{"page size 50 with 149 readings", {add(149), pageSize(50)}, {101, 150, 3, 3, false, std::nullopt, 150, 50}},
        PagingCase{"reading 150 at page size 50 keeps the view", {add(149), pageSize(50), add(1)}, {101, 150, 3, 3, false, 3, 151, 50}},
        PagingCase{"reading 151 at page size 50 moves", {add(149), pageSize(50), add(2)}, {151, 200, 4, 4, false, 4, 152, 50}},
        PagingCase{"page size ends browsing", {add(150), kFirst, pageSize(50)}, {101, 150, 3, 3, false, std::nullopt, 151, 50}},
        PagingCase{"same page size changes nothing", {add(150), kFirst, pageSize(100)}, {1, 100, 1, 2, true, std::nullopt, 151}},
        PagingCase{"page size below 1 is ignored", {add(150), pageSize(0)}, {101, 200, 2, 2, false, std::nullopt, 151}},
        PagingCase{"clear keeps the placeholder", {add(150), kClear}, {1, 100, 1, 2, false, 1, 1}},
        PagingCase{"the reading after a clear is on page 1", {add(150), kClear, add(1)}, {1, 100, 1, 1, false, 1, 2}},
        PagingCase{"a clear while browsing follows again", {add(250), kFirst, kClear, add(101)}, {101, 200, 2, 2, false, 2, 102}},
        // The scroll is refused (nothing lies beyond the view), the page number moves all the same.
        PagingCase{"next after a clear moves only the number", {add(150), kClear, kNext}, {1, 100, 2, 2, false, 2, 1}},
        PagingCase{"first across a million pages", {add(1'000'000), pageSize(1), kFirst}, {1, 1, 1, 1'000'000, true, 1, 1'000'001, 1}},
        PagingCase{"last across a million pages", {add(1'000'000), pageSize(1), kFirst, kLast},
                   {1'000'000, 1'000'000, 1'000'000, 1'000'000, false, 1'000'000, 1'000'001, 1}}),
    CaseName());

TEST(TChartControl, TheFirstReadingIsDrawnAtXOne)
{
    MemoryChartEngine chart;
    TChartControl control(chart, 100);
    control.AddPoint(42.5);
    ASSERT_EQ(chart.values().size(), 2u);
    EXPECT_EQ(chart.values()[0], 0);
    EXPECT_EQ(chart.values()[1], 42.5);
    EXPECT_EQ(chart.largestX(), 1);
}

TEST(TChartControl, FillShowsOrHidesTheArea)
{
    MemoryChartEngine chart;
    chart.setAreaVisible(false);
    TChartControl control(chart, 100);
    EXPECT_TRUE(control.Fill());
    EXPECT_TRUE(chart.areaVisible());
    control.SetFill(false);
    EXPECT_FALSE(chart.areaVisible());
    // Only a change of the flag reaches the chart.
    chart.setAreaVisible(true);
    control.SetFill(false);
    EXPECT_TRUE(chart.areaVisible());
    control.SetFill(true);
    control.SetFill(false);
    EXPECT_FALSE(chart.areaVisible());
}

TEST(TChartControl, ValueAxisTakesOnlyNewValues)
{
    MemoryChartEngine chart;
    TChartControl control(chart, 100);
    // Both start at 0, so a zero leaves the layout's range.
    control.SetValueMin(0);
    control.SetValueMax(0);
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{-11000, 11000}));
    control.SetValueMin(-1000);
    control.SetValueMax(1000);
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{-1000, 1000}));
    chart.setValueAxisMax(5);
    control.SetValueMax(1000);
    EXPECT_EQ(chart.valueAxisRange().max, 5);
    EXPECT_EQ(control.ValueMin(), -1000);
    EXPECT_EQ(control.ValueMax(), 1000);
}

/// The reading at x: a different band on every page of 100, so a page's
/// span tells which readings went into it.
double readingAt(int64_t x)
{
    return 1000.0 + 50.0 * static_cast<double>((x - 1) / 100) + 3.0 * static_cast<double>(x % 37);
}

/// The x of the readings the fitted axis is expected to show.
struct Readings {
    int64_t first, last;
};

struct FitStep {
    enum Kind { Add, First, Prior, Next, Last, PageSize, Clear, FitOn } kind;
    int64_t n = 1;
};

struct FitCase {
    std::string name;
    std::vector<FitStep> steps;
    std::optional<Readings> shown;  // none: the fixed range
};

std::ostream& operator<<(std::ostream& out, const FitCase& c) { return out << c.name; }

class FitToTheView : public testing::TestWithParam<FitCase> {};

TEST_P(FitToTheView, TheValueAxisShowsTheReadingsInViewAndNoOthers)
{
    MemoryChartEngine chart;
    TChartControl control(chart, 100);
    control.SetValueMin(-1000);
    control.SetValueMax(1000);
    for (const FitStep& step : GetParam().steps) {
        switch (step.kind) {
        case FitStep::Add:
            for (int64_t i = 0; i < step.n; ++i)
                control.AddPoint(readingAt(chart.pointCount()));
            break;
        case FitStep::First: control.FirstPage(); break;
        case FitStep::Prior: control.PriorPage(); break;
        case FitStep::Next: control.NextPage(); break;
        case FitStep::Last: control.LastPage(); break;
        case FitStep::PageSize: control.SetPageSize(static_cast<int32_t>(step.n)); break;
        case FitStep::Clear: control.ClearChart(); break;
        case FitStep::FitOn: control.setFitValueAxis(true); break;
        }
    }
    ChartValueSpan span;
    if (const auto& shown = GetParam().shown)
        for (int64_t x = shown->first; x <= shown->last; ++x)
            span.add(readingAt(x));
    EXPECT_EQ(chart.valueAxisRange(), fittedValueRange(span, {-1000, 1000}));
    EXPECT_TRUE(control.fitsValueAxis());
}

using F = FitStep;
const F kFitOn{F::FitOn}, kFitFirst{F::First}, kFitPrior{F::Prior}, kFitNext{F::Next}, kFitLast{F::Last},
    kFitClear{F::Clear};
F adding(int64_t n) { return {F::Add, n}; }
F pageOf(int64_t n) { return {F::PageSize, n}; }

INSTANTIATE_TEST_SUITE_P(
    TChartControl, FitToTheView,
    testing::Values(
        FitCase{"no readings yet", {kFitOn}, std::nullopt},
        FitCase{"readings arriving", {kFitOn, adding(50)}, Readings{1, 50}},
        FitCase{"a full page", {kFitOn, adding(100)}, Readings{1, 100}},
        FitCase{"the next page drops the last one", {kFitOn, adding(150)}, Readings{101, 150}},
        FitCase{"turned on with readings held", {adding(150), kFitOn}, Readings{101, 150}},
        FitCase{"turned on then readings on page 3", {kFitOn, adding(250)}, Readings{201, 250}},
        FitCase{"the first page", {kFitOn, adding(150), kFitFirst}, Readings{1, 100}},
        FitCase{"readings while browsing are not in view", {kFitOn, adding(150), kFitFirst, adding(30)},
                Readings{1, 100}},
        FitCase{"back to the last page", {kFitOn, adding(150), kFitFirst, adding(30), kFitLast}, Readings{101, 180}},
        FitCase{"a page back", {kFitOn, adding(350), kFitPrior}, Readings{201, 300}},
        FitCase{"a page on", {kFitOn, adding(350), kFitFirst, kFitNext}, Readings{101, 200}},
        FitCase{"the whole run in view", {kFitOn, adding(350), pageOf(1000)}, Readings{1, 350}},
        FitCase{"the whole run in view, growing", {kFitOn, adding(350), pageOf(1000), adding(20)}, Readings{1, 370}},
        FitCase{"a smaller page", {kFitOn, adding(149), pageOf(50)}, Readings{101, 149}},
        FitCase{"a page of one", {kFitOn, adding(149), pageOf(1), kFitPrior}, Readings{148, 148}},
        FitCase{"cleared", {kFitOn, adding(250), kFitClear}, std::nullopt},
        FitCase{"readings after a clear", {kFitOn, adding(250), kFitClear, adding(5)}, Readings{1, 5}},
        // After a clear the page number may run ahead of the view.
        FitCase{"next after a clear", {kFitOn, adding(150), kFitClear, kFitNext}, std::nullopt},
        FitCase{"the view left of page 1 holds no reading", {kFitOn, adding(150), kFitClear, kFitNext, kFitPrior},
                std::nullopt},
        FitCase{"readings again after the view ran ahead", {kFitOn, adding(150), kFitClear, kFitNext, adding(120)},
                Readings{101, 120}}),
    CaseName());

TEST(TChartControl, EndingTheFitRestoresTheRangeTheAxisWouldHaveHad)
{
    MemoryChartEngine chart;
    TChartControl control(chart, 100);
    EXPECT_FALSE(control.fitsValueAxis());
    // Before any unit: the layout's range (whose fiftieth is the least height).
    control.setFitValueAxis(true);
    control.AddPoint(1200);
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{980, 1420}));
    control.setFitValueAxis(false);
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{-11000, 11000}));

    // A unit change while fitting is kept for afterwards; the axis stays
    // fitted to the readings, within the new unit's least height.
    control.setFitValueAxis(true);
    control.SetValueMin(-400);
    control.SetValueMax(400);
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{1140, 1260}));
    EXPECT_EQ(control.ValueMin(), -400);
    EXPECT_EQ(control.ValueMax(), 400);
    control.setFitValueAxis(false);
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{-400, 400}));
    // Turning it off again changes nothing, and the unit's range works as before.
    control.setFitValueAxis(false);
    control.SetValueMax(1000);
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{-400, 1000}));
}

TEST(TChartControl, AFlatLineAtZeroFitsAFiftiethOfTheUnitsRange)
{
    MemoryChartEngine chart;
    TChartControl control(chart, 100);
    control.setFitValueAxis(true);
    control.SetValueMin(-1000);
    control.SetValueMax(1000);
    for (int i = 0; i < 10; ++i)
        control.AddPoint(0);
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{-20, 20}));
}

TEST(TChartControl, NaNReadingsAreLeftOutOfTheFit)
{
    MemoryChartEngine chart;
    TChartControl control(chart, 100);
    control.setFitValueAxis(true);
    control.AddPoint(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{-11000, 11000}));
    control.AddPoint(200);
    control.AddPoint(std::numeric_limits<double>::quiet_NaN());
    control.AddPoint(1200);
    EXPECT_EQ(chart.valueAxisRange(), (ChartAxisRange{150, 1250}));
}

/// Counts the points the fit asks about.
class CountingChartEngine : public MemoryChartEngine {
public:
    ChartValueSpan valueSpan(int64_t firstX, int64_t lastX) const override
    {
        asked += std::max<int64_t>(0, std::min(lastX, pointCount() - 1) - std::max<int64_t>(firstX, 0) + 1);
        return MemoryChartEngine::valueSpan(firstX, lastX);
    }
    mutable int64_t asked = 0;
};

TEST(TChartControl, TheFitLooksAtANewReadingAloneAndAtAMovedViewOnce)
{
    CountingChartEngine chart;
    TChartControl control(chart, 1'000'000);
    for (int i = 0; i < 5000; ++i)
        control.AddPoint(i % 10);
    EXPECT_EQ(chart.asked, 0);  // nothing while the fit is off

    control.setFitValueAxis(true);
    EXPECT_EQ(chart.asked, 5000);
    for (int i = 0; i < 20'000; ++i)
        control.AddPoint(i % 700);
    EXPECT_EQ(chart.asked, 25'000);
    EXPECT_EQ(chart.valueAxisRange(), fittedValueRange({0, 699}, {-11000, 11000}));

    control.SetPageSize(10'000);  // the view moves to x 20001 to 30000
    EXPECT_EQ(chart.asked, 30'000);
    control.FirstPage();
    EXPECT_EQ(chart.asked, 40'000);
    control.AddPoint(5);  // not in view
    EXPECT_EQ(chart.asked, 40'000);
}

struct ScrollCase {
    std::string name;
    ChartAxisRange axis;
    int64_t points;  // x runs 0 .. points - 1
    double d;
    int64_t times;
};

class Scroll : public testing::TestWithParam<ScrollCase> {};

// Counting the moves at once must land where scrolling one step at a time does.
TEST_P(Scroll, ManyTimesAtOnceEqualsOneAtATime)
{
    const ScrollCase& c = GetParam();
    MemoryChartEngine atOnce, stepwise;
    for (MemoryChartEngine* chart : {&atOnce, &stepwise}) {
        for (int64_t i = 0; i < c.points; ++i)
            chart->addPointToEverySeries(1);
        chart->setBottomAxisRange(c.axis.min, c.axis.max);
    }
    atOnce.scrollBottomAxis(c.d, c.times);
    for (int64_t i = 0; i < c.times; ++i)
        stepwise.scrollBottomAxis(c.d);
    EXPECT_EQ(atOnce.bottomAxisRange(), stepwise.bottomAxisRange());
}

INSTANTIATE_TEST_SUITE_P(ChartEngine, Scroll,
                         testing::Values(ScrollCase{"up while points lie beyond", {1, 100}, 351, 100, 10},
                                         ScrollCase{"up exactly to the edge", {1, 100}, 201, 100, 5},
                                         ScrollCase{"up refused at the newest page", {101, 200}, 151, 100, 3},
                                         ScrollCase{"up fewer times than possible", {1, 100}, 1001, 100, 3},
                                         ScrollCase{"down to the placeholder", {301, 400}, 401, -100, 10},
                                         ScrollCase{"down refused on page 1", {1, 100}, 50, -100, 2},
                                         ScrollCase{"down with an odd step", {95, 101}, 102, -7, 40},
                                         ScrollCase{"no times", {1, 100}, 500, 100, 0},
                                         ScrollCase{"only the placeholder", {1, 100}, 1, 100, 4}),
                         CaseName());

}  // namespace
