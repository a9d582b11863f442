#include "record/record_statistics.h"

#include "record/record_table.h"
#include "test_case_name.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

/// A row as "No|Time|Value|Unit|V_Value|V_Unit|I_Value|I_Unit": "~" or a
/// field left off the end has no value.
RecordRow rowOf(const std::string& fields)
{
    RecordRow row;
    std::size_t field = 0;
    std::size_t at = 0;
    while (at <= fields.size() && field < kRecordFieldCount) {
        std::size_t end = fields.find('|', at);
        if (end == std::string::npos)
            end = fields.size();
        const std::string text = fields.substr(at, end - at);
        if (text != "~") {
            EXPECT_TRUE(row.setField(recordField(field), text)) << fields;
        }
        ++field;
        at = end + 1;
    }
    return row;
}

RecordTable tableOf(const std::vector<std::string>& rows)
{
    RecordTable table;
    for (const std::string& row : rows)
        table.appendRow(rowOf(row));
    return table;
}

constexpr double kNone = NAN;

struct Group {
    RecordField field;
    std::string unit;
    std::uint64_t count;
    std::uint64_t skipped;
    double min = kNone;  // NAN: none
    std::optional<std::int32_t> minNo;
    double max = kNone;
    std::optional<std::int32_t> maxNo;
    double mean = kNone;
    double stddev = kNone;
    double hold = 0;
    double integral = kNone;  // NAN: none
};

struct Case {
    const char* name;
    std::vector<std::string> rows;
    std::vector<Group> groups;
    std::uint64_t rowCount;
    double duration;
};

/// A group of rows without a single number.
Group noNumbers(RecordField field, const std::string& unit, std::uint64_t skipped)
{
    return Group{field, unit, 0, skipped, kNone, std::nullopt, kNone, std::nullopt, kNone, kNone, 0, kNone};
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

constexpr RecordField V = RecordField::Value;
constexpr RecordField VV = RecordField::V_Value;
constexpr RecordField IV = RecordField::I_Value;

const Case kCases[] = {
    {"EmptyTable", {}, {}, 0, 0},
    {"GroupsPerFieldInTheOrderUnitsAppear",
     {"1|10:00:00|1|KW|230|V|2|A", "2|10:00:01|0.5|PF|231|V|3|A", "3|10:00:02|4|KW|229|V|1|mA",
      "4|10:00:03|2|KVA|230|V|2|A"},
     {{V, "KW", 2, 0, 1, 1, 4, 3, 2.5, 1.5, 2, 5.0 / 3600},
      {V, "PF", 1, 0, 0.5, 2, 0.5, 2, 0.5, 0, 1},
      {V, "KVA", 1, 0, 2, 4, 2, 4, 2, 0, 0, 0},
      {VV, "V", 4, 0, 229, 3, 231, 2, 230, std::sqrt(0.5), 3},
      {IV, "A", 3, 0, 2, 1, 3, 2, 7.0 / 3, std::sqrt(2.0 / 9), 2, 5.0 / 3600},
      {IV, "mA", 1, 0, 1, 3, 1, 3, 1, 0, 1}},
     4, 3},
    {"TextsThatAreNoNumberAreSkipped",
     {"1|10:00:00|OL|KW", "2|10:00:01||KW", "3|10:00:02|~|KW", "4|10:00:03|NULL|KW", "5|10:00:04|0@|KW",
      "6|10:00:05|1,5|KW", "7|10:00:06|-.5|KW", "8|10:00:07|7.|KW"},
     {{V, "KW", 3, 5, -0.5, 7, 7, 8, 8.0 / 3, std::sqrt(90.5 / 9), 2, 1.0 / 3600},
      noNumbers(VV, "", 8),
      noNumbers(IV, "", 8)},
     8, 7},
    {"AMissingUnitIsTheEmptyUnit",
     {"1|10:00:00|1|~|2||3", "2|10:00:01|4||5|~|6|~"},
     {{V, "", 2, 0, 1, 1, 4, 2, 2.5, 1.5, 1},
      {VV, "", 2, 0, 2, 1, 5, 2, 3.5, 1.5, 1},
      {IV, "", 2, 0, 3, 1, 6, 2, 4.5, 1.5, 1}},
     2, 1},
    {"ExtremesNameTheFirstRowReachingThem",
     {"10|~|3|KW", "11|~|1|KW", "12|~|5|KW", "13|~|1|KW", "14|~|5|KW"},
     {{V, "KW", 5, 0, 1, 11, 5, 12, 3, std::sqrt(3.2), 0, 0}, noNumbers(VV, "", 5), noNumbers(IV, "", 5)},
     5, 0},
    {"AnExtremeOnARowWithoutNoHasNone",
     {"~|~|1|KW", "7|~|1|KW", "8|~|2|KW"},
     {{V, "KW", 3, 0, 1, std::nullopt, 2, 8, 4.0 / 3, std::sqrt(2.0 / 9), 0, 0}, noNumbers(VV, "", 3), noNumbers(IV, "", 3)},
     3, 0},
    {"PopulationStddev",
     {"1|~|2|V", "2|~|4|V", "3|~|4|V", "4|~|4|V", "5|~|5|V", "6|~|5|V", "7|~|7|V", "8|~|9|V"},
     {{V, "V", 8, 0, 2, 1, 9, 8, 5, 2, 0}, noNumbers(VV, "", 8), noNumbers(IV, "", 8)},
     8, 0},
    // 23:59:58 -> 00:00:02 crosses midnight: 4 s. The same second twice is 0.
    {"DtAcrossMidnight",
     {"1|23:59:58|2|KW", "2|00:00:02|3|KW", "3|00:00:02|5|KW", "4|00:00:12|1|KW"},
     {{V, "KW", 4, 0, 1, 4, 5, 3, 2.75, std::sqrt(2.1875), 14, (2 * 4 + 3 * 0 + 5 * 10) / 3600.0},
      noNumbers(VV, "", 4),
      noNumbers(IV, "", 4)},
     4, 14},
    // A Time that is no time gives 0 to the row before it and to itself.
    {"DtIsZeroBesideATextThatIsNoTime",
     {"1|9:00:00|1|KW", "2|NULL|1|KW", "3|09:00:10|1|KW", "4|~|1|KW", "5|9:00:30|1|KW", "6|9.00.40|1|KW",
      "7|9:0:50|1|KW"},
     {{V, "KW", 7, 0, 1, 1, 1, 1, 1, 0, 10, 10 / 3600.0}, noNumbers(VV, "", 7), noNumbers(IV, "", 7)},
     7, 10},
    // A value holds until the next row, whatever that row's units; a
    // skipped value holds nothing, but its time still counts as duration.
    {"HoldUntilTheNextRowOfAnyUnit",
     {"1|10:00:00|2|KW|~|~|1|A", "2|10:00:30|3|KVA|~|~|OL|A", "3|10:01:30|4|KW|~|~|2|A",
      "4|10:03:30|5|KVAr|~|~|3|mA"},
     {{V, "KW", 2, 0, 2, 1, 4, 3, 3, 1, 150, (2 * 30 + 4 * 120) / 3600.0},
      {V, "KVA", 1, 0, 3, 2, 3, 2, 3, 0, 60, 3 * 60 / 3600.0},
      {V, "KVAr", 1, 0, 5, 4, 5, 4, 5, 0, 0, 0},
      noNumbers(VV, "", 4),
      {IV, "A", 2, 1, 1, 1, 2, 3, 1.5, 0.5, 150, (1 * 30 + 2 * 120) / 3600.0},
      {IV, "mA", 1, 0, 3, 4, 3, 4, 3, 0, 0}},
     4, 210},
    // Integrals for Value in KW, KVA, KVAr and I_Value in A only, byte for byte.
    {"IntegralsOnlyForTheFourUnits",
     {"1|10:00:00|1|A|1|KW|1|KW", "2|10:00:01|1|kW|1|V|1|a", "3|10:00:02|1|KW|1|V|1|A"},
     {{V, "A", 1, 0, 1, 1, 1, 1, 1, 0, 1},
      {V, "kW", 1, 0, 1, 2, 1, 2, 1, 0, 1},
      {V, "KW", 1, 0, 1, 3, 1, 3, 1, 0, 0, 0},
      {VV, "KW", 1, 0, 1, 1, 1, 1, 1, 0, 1},
      {VV, "V", 2, 0, 1, 2, 1, 2, 1, 0, 1},
      {IV, "KW", 1, 0, 1, 1, 1, 1, 1, 0, 1},
      {IV, "a", 1, 0, 1, 2, 1, 2, 1, 0, 1},
      {IV, "A", 1, 0, 1, 3, 1, 3, 1, 0, 0, 0}},
     3, 2},
};

void expectOptional(const char* what, const std::optional<double>& actual, double expected)
{
    if (std::isnan(expected)) {
        EXPECT_FALSE(actual) << what << " = " << *actual;
        return;
    }
    ASSERT_TRUE(actual) << what;
    EXPECT_NEAR(*actual, expected, 1e-12 * std::max(1.0, std::fabs(expected))) << what;
}

void expectGroup(const StatisticsGroup& actual, const Group& expected)
{
    SCOPED_TRACE(std::string(recordFieldName(expected.field)) + " '" + expected.unit + "'");
    EXPECT_EQ(actual.field, expected.field);
    EXPECT_EQ(actual.unit, expected.unit);
    EXPECT_EQ(actual.count, expected.count);
    EXPECT_EQ(actual.skipped, expected.skipped);
    expectOptional("min", actual.min, expected.min);
    EXPECT_EQ(actual.minNo, expected.minNo);
    expectOptional("max", actual.max, expected.max);
    EXPECT_EQ(actual.maxNo, expected.maxNo);
    expectOptional("mean", actual.mean, expected.mean);
    expectOptional("stddev", actual.stddev, expected.stddev);
    EXPECT_EQ(actual.holdSeconds, expected.hold);
    expectOptional("integral", actual.integralHours, expected.integral);
}

class StatisticsCase : public testing::TestWithParam<Case> {};

TEST_P(StatisticsCase, Figures)
{
    const Case& c = GetParam();
    const RecordTable table = tableOf(c.rows);
    const RecordStatistics statistics = RecordStatistics::of(table, table.rowCount());
    const std::vector<StatisticsGroup>& groups = statistics.groups();
    ASSERT_EQ(groups.size(), c.groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i)
        expectGroup(groups[i], c.groups[i]);
    EXPECT_EQ(statistics.rows(), c.rowCount);
    EXPECT_EQ(statistics.durationSeconds(), c.duration);
}

TEST_P(StatisticsCase, EachFieldCountsEveryRowOnce)
{
    const Case& c = GetParam();
    const RecordTable table = tableOf(c.rows);
    const RecordStatistics statistics = RecordStatistics::of(table, table.rowCount());
    for (RecordField field : {V, VV, IV}) {
        std::uint64_t rows = 0;
        for (const StatisticsGroup& group : statistics.groups())
            if (group.field == field)
                rows += group.count + group.skipped;
        EXPECT_EQ(rows, c.rows.size()) << recordFieldName(field);
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, StatisticsCase, testing::ValuesIn(kCases), CaseName());

/// A recording of many rows that changes units, skips values and crosses
/// midnight, with a text that is no time now and then.
RecordRow recordedRow(std::size_t i)
{
    static const char* const units[] = {"KW", "KVA", "KVAr", "PF", ""};
    RecordRow row;
    if (i % 101 != 50)
        row.setNo(static_cast<std::int32_t>(i + 1));
    const std::size_t s = (86000 + i * 7) % 86400;
    const std::string time = std::to_string(s / 3600) + ":" + std::to_string(s / 600 % 6) +
                             std::to_string(s / 60 % 10) + ":" + std::to_string(s / 10 % 6) + std::to_string(s % 10);
    row.setText(RecordField::Time, i % 97 == 3 ? "NULL" : time);
    row.setText(RecordField::Value, i % 13 == 0 ? "OL" : std::to_string(i % 37) + "." + std::to_string(i % 9));
    row.setText(RecordField::Unit, units[i / 50 % 5]);
    row.setText(RecordField::V_Value, std::to_string(220 + i % 20) + ",5");
    row.setText(RecordField::V_Unit, "V");
    if (i % 11 != 0)
        row.setText(RecordField::I_Value, std::to_string(i % 7) + ".25");
    row.setText(RecordField::I_Unit, i % 300 < 150 ? "A" : "mA");
    return row;
}

TEST(RecordStatistics, AddingRowByRowEqualsTheWholeTable)
{
    RecordTable table;
    RecordStatistics running;
    for (std::size_t i = 0; i < 3000; ++i) {
        running.add(table, table.appendRow(recordedRow(i)));
        if (i == 1000) {
            EXPECT_EQ(running.groups(), RecordStatistics::of(table, table.rowCount()).groups());
        }
    }
    const RecordStatistics whole = RecordStatistics::of(table.reader(), table.rowCount());
    EXPECT_EQ(running.groups(), whole.groups());
    EXPECT_EQ(running.rows(), whole.rows());
    EXPECT_EQ(running.durationSeconds(), whole.durationSeconds());
    EXPECT_EQ(running.text(), whole.text());
    EXPECT_EQ(running.groups().size(), 5u + 1u + 2u);

    running.clear();
    EXPECT_TRUE(running.groups().empty());
    EXPECT_EQ(running.rows(), 0u);
    EXPECT_EQ(running.durationSeconds(), 0);
    for (std::size_t row = 0; row < 500; ++row)
        running.add(table, row);
    EXPECT_EQ(running.groups(), RecordStatistics::of(table, 500).groups());
}

TEST(RecordStatistics, StddevOfValuesFarFromZero)
{
    // 1e9 +- 0.1: the sum of squares of a naive formula loses every digit.
    RecordTable table;
    RecordStatistics statistics;
    for (std::size_t i = 0; i < 200000; ++i) {
        RecordRow row;
        row.setText(RecordField::Value, i % 2 ? "1000000000.1" : "999999999.9");
        statistics.add(table, table.appendRow(row));
    }
    const StatisticsGroup& group = statistics.groups().front();
    EXPECT_NEAR(*group.mean, 1e9, 1e-6);
    EXPECT_NEAR(*group.stddev, 0.1, 1e-6);
}

TEST(RecordStatistics, Text)
{
    const RecordTable table = tableOf({"17|23:00:00|0.886|KW|230|V|OL|A", "3|23:30:00|1.732|KW|NULL|NULL|1.5|A",
                                       "~|00:00:00|2|||||", "4|00:00:00|1234567.891|KVA"});
    EXPECT_EQ(RecordStatistics::of(table, table.rowCount()).text(),
              "Value KW: 2 readings (0 skipped), min 0.886 (No 17), max 1.732 (No 3), mean 1.309, stddev 0.423, "
              "held 3600 s, 1.309 KWh\n"
              "Value (no unit): 1 reading (0 skipped), min 2, max 2, mean 2, stddev 0, held 0 s\n"
              "Value KVA: 1 reading (0 skipped), min 1234567.891 (No 4), max 1234567.891 (No 4), mean 1234568, "
              "stddev 0, held 0 s, 0 KVAh\n"
              "V_Value V: 1 reading (0 skipped), min 230 (No 17), max 230 (No 17), mean 230, stddev 0, held 1800 s\n"
              "V_Value NULL: 0 readings (1 skipped)\n"
              "V_Value (no unit): 0 readings (2 skipped)\n"
              "I_Value A: 1 reading (1 skipped), min 1.5 (No 3), max 1.5 (No 3), mean 1.5, stddev 0, held 1800 s, "
              "0.75 Ah\n"
              "I_Value (no unit): 0 readings (2 skipped)\n"
              "4 rows, 3600 s\n");
}

}  // namespace
