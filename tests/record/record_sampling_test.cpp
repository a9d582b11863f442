#include "record/record_sampling.h"

#include "meter/meter_reading.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// One user or meter action in a sampling scenario.
struct Step {
    enum Op { Offer, OfferMany, Tick, Edit, Limit, Clear, IntervalOn, RepeatOff } op;
    std::string arg;
    int times = 1;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    std::size_t rows;             // rows in the table at the end
    std::vector<int> firstNos;    // No of the first rows, in order
    int lastNo;                   // No of the last row, 0 for none
    int next;                     // NextRecordNo at the end
    int errors = 0;               // message boxes asked for
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

MeterReading readingOf(const std::string& value)
{
    MeterReading reading;
    reading.ValueText = value;
    reading.UnitText = "KW";
    reading.VValueText = "230.1";
    reading.VUnitText = "v";
    reading.IValueText = "1.234";
    reading.IUnitText = "A";
    return reading;
}

class SamplingCase : public testing::TestWithParam<Case> {};

TEST_P(SamplingCase, RowsAndNumbering)
{
    const Case& c = GetParam();
    RecordTable table;
    RecordSampling sampling(table);
    int errors = 0;
    int clock = 0;
    for (const Step& step : c.steps) {
        for (int i = 0; i < step.times; ++i) {
            switch (step.op) {
            case Step::Offer:
            case Step::OfferMany: {
                const std::string value = step.op == Step::OfferMany ? std::to_string(i) : step.arg;
                errors += !sampling.INDataToTable(1, readingOf(value), clock).error.empty();
                break;
            }
            case Step::Tick:
                ++clock;
                sampling.SampInterTimeTimer();
                break;
            case Step::Edit: errors += !sampling.RecordSITimeChange(step.arg).empty(); break;
            case Step::Limit: sampling.selectLimit(*RecordSampling::limitItemByName(step.arg)); break;
            case Step::Clear: sampling.clearRecords(); break;
            case Step::IntervalOn: sampling.setRecordSI(true); break;
            case Step::RepeatOff: sampling.setRepeatSet(false); break;
            }
        }
    }
    ASSERT_EQ(table.rowCount(), c.rows);
    for (std::size_t i = 0; i < c.firstNos.size(); ++i)
        EXPECT_EQ(table.no(i), c.firstNos[i]) << "row " << i;
    if (c.rows > 0) {
        EXPECT_EQ(table.no(c.rows - 1), c.lastNo);
    }
    EXPECT_EQ(sampling.NextRecordNo(), c.next);
    EXPECT_EQ(errors, c.errors);
}

using S = Step;
// Readings arrive about once a second in the interval cases: tick, offer.
const std::vector<Step> kTenSeconds{{S::Tick, ""}, {S::Offer, "5"}};

std::vector<Step> join(std::vector<std::vector<Step>> parts)
{
    std::vector<Step> steps;
    for (auto& part : parts)
        steps.insert(steps.end(), part.begin(), part.end());
    return steps;
}

std::vector<Step> repeat(const std::vector<Step>& steps, int times)
{
    std::vector<Step> out;
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), steps.begin(), steps.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SamplingCase,
    testing::Values(
        Case{"StartUpRecordsEveryReading", {{S::Offer, "1", 3}}, 3, {1, 2, 3}, 3, 4},
        Case{"RepeatOffSkipsEqualValueButConsumesItsNumber",
             {{S::RepeatOff, ""}, {S::Offer, "1.23"}, {S::Offer, "1.23"}, {S::Offer, "1.24"}}, 2, {1, 3}, 3, 4},
        Case{"RepeatOffSkipsAnEmptyFirstValue", {{S::RepeatOff, ""}, {S::Offer, ""}}, 0, {}, 0, 2},
        Case{"LimitReachedAddsNothingThenClearRestarts",
             {{S::Limit, "set1k"}, {S::Offer, "1", 1001}}, 1000, {1, 2}, 1000, 1001},
        Case{"ClearAfterTheLimitStartsAgainAtOne",
             {{S::Limit, "set1k"}, {S::Offer, "1", 1001}, {S::Clear, ""}, {S::Offer, "1"}}, 1, {1}, 1, 2},
        Case{"LimitBelowNextStopsAndLimitlessResumes",
             {{S::OfferMany, "", 4999}, {S::Limit, "set1k"}, {S::Offer, "x", 3}, {S::Limit, "setlimit"},
              {S::Offer, "y"}},
             5000, {1}, 5000, 5001},
        Case{"IntervalTenRecordsOncePerTenTicks",
             join({{{S::IntervalOn, ""}, {S::Offer, "5"}}, repeat(kTenSeconds, 25)}), 3, {1, 2, 3}, 3, 4},
        Case{"IntervalZeroTypedRecordsEveryReading",
             join({{{S::IntervalOn, ""}, {S::Offer, "5"}, {S::Edit, "0"}}, repeat(kTenSeconds, 4)}), 5,
             {1, 2, 3, 4, 5}, 5, 6},
        Case{"EmptiedEditRecordsEveryReading",
             join({{{S::IntervalOn, ""}, {S::Offer, "5"}, {S::Edit, ""}, {S::Offer, "5", 3}}}), 4, {1, 2, 3, 4}, 4,
             5},
        Case{"PastedNegativeIntervalStopsIntervalRecording",
             join({{{S::IntervalOn, ""}, {S::Edit, "-5"}}, repeat(kTenSeconds, 20)}), 0, {}, 0, 1},
        Case{"PastedTextIsReportedAgainWhenARowIsDue",
             join({{{S::IntervalOn, ""}, {S::Offer, "5"}, {S::Edit, "abc"}}, repeat(kTenSeconds, 10)}), 1, {1}, 1,
             2, 2},
        Case{"NonNumericIntervalDropsTheReadingUncounted",
             {{S::Edit, "abc"}, {S::Offer, "5", 2}, {S::Edit, "3"}, {S::Offer, "5"}}, 1, {1}, 1, 2, 3},
        Case{"ClearOnAnEmptyTableResetsTheNumbering",
             {{S::RepeatOff, ""}, {S::Offer, "", 4}, {S::Clear, ""}}, 0, {}, 0, 1}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(RecordSampling, RowHoldsTheReadingAndTheTimeOfDay)
{
    RecordTable table;
    RecordSampling sampling(table);
    sampling.setTimeSeparator(".");
    MeterReading reading = readingOf("123456789012345678901");  // 21 characters
    reading.UnitText = "KVAr  ";
    RecordSampling::Offer offer = sampling.INDataToTable(1, reading, 13 * 3600 + 5 * 60 + 9);
    ASSERT_EQ(offer.row, 0u);
    EXPECT_EQ(offer.no, 1);
    EXPECT_EQ(table.fieldText(0, "time"), "13.05.09");
    EXPECT_EQ(table.fieldText(0, "Value"), "12345678901234567890");
    EXPECT_EQ(table.fieldText(0, "unit"), "KVAr");
    EXPECT_EQ(table.fieldText(0, "v_value"), "230.1");
    EXPECT_EQ(table.fieldText(0, "V_unit"), "v");
    EXPECT_EQ(table.fieldText(0, "i_value"), "1.234");
    EXPECT_EQ(table.fieldText(0, "I_Unit"), "A");
    EXPECT_EQ(table.currentRow(), 0u);
    EXPECT_EQ(sampling.LastSampledValueText(), reading.ValueText);
}

TEST(RecordSampling, OtherKindsDoNothing)
{
    RecordTable table;
    RecordSampling sampling(table);
    EXPECT_FALSE(sampling.INDataToTable(0, readingOf("1"), 0).sampled);
    EXPECT_FALSE(sampling.INDataToTable(2, readingOf("1"), 0).sampled);
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(sampling.NextRecordNo(), 1);
}

TEST(RecordSampling, IntervalRuleAndKeyFilter)
{
    const struct {
        const char* text;
        std::optional<int> interval;
    } cases[] = {{"", 0}, {"-", 0}, {"+", 0}, {"10", 10}, {"007", 7}, {"-5", -5}, {"+3", 3},
                 {"abc", std::nullopt}, {"1 ", std::nullopt}, {"99999999999", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(RecordSampling::intervalOf(c.text), c.interval) << c.text;

    for (int code = 1; code < 256; ++code) {
        char key = static_cast<char>(code);
        RecordSampling::RecordSITimeKeyPress(key);
        const bool kept = (code >= '0' && code <= '9') || code == 8;
        EXPECT_EQ(key, kept ? static_cast<char>(code) : '\0') << code;
    }
}

TEST(RecordSampling, LimitItemsMoveTheCheckMark)
{
    RecordTable table;
    RecordSampling sampling(table);
    EXPECT_TRUE(sampling.marked(RecordSampling::LimitItem::set10k));
    const struct {
        void (RecordSampling::*click)();
        RecordSampling::LimitItem item;
        int limit;
        const char* caption;
    } items[] = {{&RecordSampling::set1kClick, RecordSampling::LimitItem::set1k, 1000, "1000"},
                 {&RecordSampling::set5kClick, RecordSampling::LimitItem::set5k, 5000, "5000"},
                 {&RecordSampling::set10kClick, RecordSampling::LimitItem::set10k, 10000, "10000"},
                 {&RecordSampling::set50kClick, RecordSampling::LimitItem::set50k, 50000, "50000"},
                 {&RecordSampling::set100kClick, RecordSampling::LimitItem::set100k, 100000, "100000"},
                 {&RecordSampling::setlimitClick, RecordSampling::LimitItem::setlimit, 10000000, "Limitless"}};
    for (const auto& item : items) {
        (sampling.*item.click)();
        EXPECT_EQ(sampling.RecordLimit(), item.limit);
        EXPECT_EQ(RecordSampling::limitCaption(item.item), item.caption);
        for (const auto& other : items)
            EXPECT_EQ(sampling.marked(other.item), other.item == item.item);
    }
}

// The deletion is a step of its own, taken once the warning was answered;
// it tells whether the chart goes too.
TEST(RecordSampling, ClearRecordsReportsWhetherTheChartGoes)
{
    RecordTable table;
    RecordSampling sampling(table);
    EXPECT_EQ(RecordSampling::kClearWarning, " Warning:all Records will be deleted! ");
    sampling.INDataToTable(1, readingOf("1"), 0);
    sampling.INDataToTable(1, readingOf("2"), 0);
    EXPECT_TRUE(sampling.clearRecords());
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.changeLog().size(), 0u);
    EXPECT_EQ(sampling.NextRecordNo(), 1);

    // Repeat off: the numbering moved on without a row; it restarts all the same.
    sampling.setRepeatSet(false);
    sampling.INDataToTable(1, readingOf("2"), 0);
    ASSERT_EQ(sampling.NextRecordNo(), 2);
    EXPECT_FALSE(sampling.clearRecords());
    EXPECT_EQ(sampling.NextRecordNo(), 1);
}

// The rule that refuses readings at the limit, and what lets them in again.
TEST(RecordSampling, LimitReachedUntilRaisedOrEmptied)
{
    RecordTable table;
    RecordSampling sampling(table);
    sampling.setRecordLimit(3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(sampling.limitReached()) << i;
        EXPECT_TRUE(sampling.INDataToTable(1, readingOf("1"), 0).row) << i;
    }
    EXPECT_TRUE(sampling.limitReached());
    EXPECT_FALSE(sampling.INDataToTable(1, readingOf("1"), 0).sampled);

    sampling.set1kClick();
    EXPECT_FALSE(sampling.limitReached());
    sampling.setRecordLimit(2);  // below the rows held: stopped again
    EXPECT_TRUE(sampling.limitReached());
    sampling.clearRecords();
    EXPECT_FALSE(sampling.limitReached());
    EXPECT_TRUE(sampling.INDataToTable(1, readingOf("1"), 0).row);
}

}  // namespace
