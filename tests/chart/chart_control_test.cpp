#include "chart/chart_control.h"
#include "chart/memory_chart_engine.h"
#include "test_case_name.h"

#include <gtest/gtest.h>

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
