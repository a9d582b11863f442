#include "record/record_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Entry = std::tuple<std::int64_t, std::int32_t, std::int32_t>;

std::vector<Entry> entries(const RecordChangeLog& log)
{
    std::vector<Entry> out;
    log.forEach([&](std::int64_t record, std::int32_t replaces, std::int32_t kind) {
        out.emplace_back(record, replaces, kind);
    });
    EXPECT_EQ(out.size(), log.size());
    return out;
}

RecordRow rowOf(std::int32_t no, const std::string& value = "1.23")
{
    RecordRow row;
    row.setNo(no);
    row.setText(RecordField::Time, "12:00:00");
    row.setText(RecordField::Value, value);
    row.setText(RecordField::Unit, "KW");
    return row;
}

struct Counter : RecordTableListener {
    std::vector<RecordTableChange> changes;
    void recordTableChanged(const RecordTableChange& change) override { changes.push_back(change); }
};

TEST(RecordRow, FieldNamesMatchWithoutCase)
{
    const struct {
        const char* name;
        std::optional<RecordField> field;
    } cases[] = {{"No", RecordField::No},         {"TIME", RecordField::Time},      {"value", RecordField::Value},
                 {"Unit", RecordField::Unit},     {"v_value", RecordField::V_Value}, {"V_unit", RecordField::V_Unit},
                 {"I_value", RecordField::I_Value}, {"i_UNIT", RecordField::I_Unit}, {"VValue", std::nullopt},
                 {"", std::nullopt},              {"No ", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(recordFieldByName(c.name), c.field) << c.name;
    EXPECT_EQ(recordFieldType(RecordField::No), RecordFieldType::Integer);
    EXPECT_EQ(recordFieldType(RecordField::I_Unit), RecordFieldType::Text);
}

TEST(RecordRow, TextsAreCutMarkControlBytesAndLoseTrailingBlanks)
{
    using namespace std::string_literals;
    const struct {
        std::string given;
        std::string stored;
    } cases[] = {{"abc", "abc"},
                 {"abc   ", "abc"},
                 {"  abc", "  abc"},
                 {"123456789012345678901", "12345678901234567890"},
                 {"1234567890123456789 x", "1234567890123456789"},
                 {"   ", ""},
                 {"", ""},
                 // Neither file form carries a control byte back.
                 {"a\tb\t", "a?b?"},
                 {"\0"s, "?"},
                 {"a\0b\x01\x1f\r\n"s, "a?b????"},
                 {"ab \x01  ", "ab ?"},
                 {"1234567890123456789 \x01", "1234567890123456789"},
                 {"\x7f\x80\xa1\xc6\xff ", "\x7f\x80\xa1\xc6\xff"}};
    for (const auto& c : cases) {
        RecordRow row;
        row.setText(RecordField::Value, c.given);
        EXPECT_EQ(row.text(RecordField::Value), std::string_view(c.stored)) << c.given;
        char scratch[kRecordTextWidth];
        EXPECT_EQ(storedRecordText(c.given, scratch), c.stored) << c.given;
        EXPECT_TRUE(isStoredRecordText(c.stored)) << c.given;
        EXPECT_EQ(isStoredRecordText(c.given), c.given == c.stored) << c.given;
        // In place, as a reader decoding into its own buffer does.
        const std::size_t n = std::min(c.given.size(), kRecordTextWidth);
        std::copy_n(c.given.begin(), n, scratch);
        EXPECT_EQ(storedRecordText(std::string_view(scratch, n), scratch), c.stored) << c.given;
    }
}

TEST(RecordRow, SetFieldNeedsAWholeNumberForNo)
{
    const struct {
        const char* text;
        std::optional<std::int32_t> no;
    } cases[] = {{"17", 17},          {"-3", -3},          {"+4", 4},
                 {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt},
                 {"", std::nullopt},  {"1.5", std::nullopt}, {" 1", std::nullopt}, {"x", std::nullopt}};
    for (const auto& c : cases) {
        RecordRow row;
        EXPECT_EQ(row.setField(RecordField::No, c.text), c.no.has_value()) << c.text;
        EXPECT_EQ(row.no(), c.no) << c.text;
    }
}

TEST(RecordTable, MissingValueIsKeptApartFromEmptyText)
{
    RecordTable table;
    RecordRow row;
    row.setText(RecordField::Value, "");
    table.appendRow(row);
    EXPECT_EQ(table.text(0, RecordField::Value), std::string_view());
    EXPECT_EQ(table.text(0, RecordField::V_Value), std::nullopt);
    EXPECT_EQ(table.no(0), std::nullopt);
    EXPECT_EQ(table.fieldText(0, "value"), std::string());
    EXPECT_EQ(table.fieldText(0, "no"), std::nullopt);
    EXPECT_EQ(table.fieldText(0, "nonsense"), std::nullopt);
    EXPECT_EQ(table.row(0), row);
}

TEST(RecordTable, RecordedRowsAreInsertionsInStateAndLog)
{
    RecordTable table;
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(table.appendRow(rowOf(i)), static_cast<std::size_t>(i - 1));
    EXPECT_EQ(table.currentRow(), 2u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(table.rowState(i), kRowInserted);
    EXPECT_EQ(entries(table.changeLog()), (std::vector<Entry>{{1, 0, 4}, {2, 0, 4}, {3, 0, 4}}));
    EXPECT_EQ(table.fieldText(1, "No"), "2");

    table.clear();
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.currentRow(), std::nullopt);
    EXPECT_EQ(table.changeLog().size(), 0u);
    table.appendRow(rowOf(9));
    EXPECT_EQ(entries(table.changeLog()), (std::vector<Entry>{{1, 0, 4}}));
}

TEST(RecordTable, LoadedPacketKeepsItsStatesAndLogAndRecordingLogsAfterIt)
{
    RecordTable table;
    table.appendRow(rowOf(1));
    Counter views;
    table.addListener(&views);

    // A packet of three rows: two unchanged, one inserted, and its own log.
    RecordTable loaded;
    loaded.appendRow(rowOf(10), 0);
    loaded.appendRow(rowOf(11), 0);
    loaded.appendRow(rowOf(12), kRowInserted);
    std::vector<RecordChangeRun> log;
    RecordTable::addChangeLogEntry(log, 3, 0, 4);
    loaded.setChangeLog(std::move(log));

    table.replaceContent(std::move(loaded));
    EXPECT_TRUE(loaded.empty());
    ASSERT_EQ(views.changes.size(), 1u);
    EXPECT_TRUE(views.changes[0].reset);
    EXPECT_EQ(views.changes[0].rowCount, 3u);
    EXPECT_EQ(table.currentRow(), 0u);
    EXPECT_EQ(table.no(0), 10);
    EXPECT_EQ(entries(table.changeLog()), (std::vector<Entry>{{3, 0, 4}}));

    table.appendRow(rowOf(2));
    EXPECT_EQ((std::vector<int>{table.rowState(0), table.rowState(1), table.rowState(2), table.rowState(3)}),
              (std::vector<int>{0, 0, 4, 4}));
    EXPECT_EQ(entries(table.changeLog()), (std::vector<Entry>{{3, 0, 4}, {4, 0, 4}}));
    EXPECT_EQ(views.changes.back().firstNewRow, 3u);
    EXPECT_EQ(views.changes.back().currentRow, 3u);
    table.removeListener(&views);
}

TEST(RecordTable, ChangeLogEntriesMergeIntoRuns)
{
    std::vector<RecordChangeRun> runs;
    for (std::uint32_t r = 1; r <= 1000; ++r)
        RecordTable::addChangeLogEntry(runs, r, 0, 4);
    RecordTable::addChangeLogEntry(runs, 1002, 0, 4);
    RecordTable::addChangeLogEntry(runs, 1003, 5, 4);
    RecordTable::addChangeLogEntry(runs, 1004, 5, 4);
    ASSERT_EQ(runs.size(), 3u) << "a run breaks at a gap and at another replaced record";
    EXPECT_EQ(runs[0].count, 1000u);
    EXPECT_EQ(runs[2].count, 2u);
    RecordTable table;
    table.setChangeLog(runs);
    std::vector<Entry> log = entries(table.changeLog());
    ASSERT_EQ(log.size(), 1003u);
    EXPECT_EQ(log[999], Entry(1000, 0, 4));
    EXPECT_EQ(log[1000], Entry(1002, 0, 4));
    EXPECT_EQ(log[1002], Entry(1004, 5, 4));
}

TEST(RecordTable, AppendingALoadedTableAddsItsRowsAsInsertions)
{
    RecordTable table;
    table.appendRow(rowOf(1));
    Counter views;
    table.addListener(&views);
    RecordTable loaded;
    loaded.appendRow(rowOf(7, "a"));
    loaded.appendRow(rowOf(8, "b"));
    table.appendRowsOf(std::move(loaded));
    EXPECT_TRUE(loaded.empty());
    ASSERT_EQ(table.rowCount(), 3u);
    EXPECT_EQ(table.fieldText(2, "value"), "b");
    EXPECT_EQ(table.currentRow(), 2u);
    EXPECT_EQ(entries(table.changeLog()), (std::vector<Entry>{{1, 0, 4}, {2, 0, 4}, {3, 0, 4}}));
    ASSERT_EQ(views.changes.size(), 1u);
    EXPECT_FALSE(views.changes[0].reset);
    EXPECT_EQ(views.changes[0].firstNewRow, 1u);
    table.appendRow(rowOf(2, "c"));
    EXPECT_EQ(table.fieldText(3, "value"), "c");
    table.removeListener(&views);
}

TEST(RecordTable, FrozenViewsHearOneChangeOnRelease)
{
    RecordTable table;
    Counter views;
    table.addListener(&views);
    table.appendRow(rowOf(1));
    ASSERT_EQ(views.changes.size(), 1u);

    table.freezeViews();
    table.freezeViews();
    table.appendRow(rowOf(2));
    table.appendRow(rowOf(3));
    table.releaseViews();
    EXPECT_EQ(views.changes.size(), 1u) << "still frozen once";
    table.releaseViews();
    ASSERT_EQ(views.changes.size(), 2u);
    EXPECT_FALSE(views.changes[1].reset);
    EXPECT_EQ(views.changes[1].firstNewRow, 1u);
    EXPECT_EQ(views.changes[1].rowCount, 3u);
    EXPECT_EQ(views.changes[1].currentRow, 2u);

    table.freezeViews();
    table.appendRow(rowOf(4));
    table.clear();
    table.appendRow(rowOf(1));
    table.releaseViews();
    ASSERT_EQ(views.changes.size(), 3u);
    EXPECT_TRUE(views.changes[2].reset);
    EXPECT_EQ(views.changes[2].rowCount, 1u);

    table.freezeViews();
    table.releaseViews();
    EXPECT_EQ(views.changes.size(), 3u) << "nothing changed, nothing to say";
    table.releaseViews();  // unmatched: ignored
    table.removeListener(&views);
}

TEST(RecordTable, ReaderKeepsItsRowsWhenTheTableIsEmptied)
{
    RecordTable table;
    table.appendRow(rowOf(1, "first"));
    table.appendRow(rowOf(2, "second"));
    RecordTableReader reader = table.reader();
    table.appendRow(rowOf(3, "third"));
    table.clear();
    ASSERT_EQ(reader.rowCount(), 2u);
    EXPECT_EQ(reader.fieldText(1, "Value"), "second");
    EXPECT_EQ(reader.text(0, RecordField::Value), std::string_view("first"));
    EXPECT_EQ(entries(reader.changeLog()), (std::vector<Entry>{{1, 0, 4}, {2, 0, 4}}));
}

TEST(RecordTable, UniqueTextsSpanSegmentsAndStayReadable)
{
    // Enough distinct texts to fill a segment's dictionary several times.
    RecordTable table;
    constexpr int kRows = 300000;
    for (int i = 0; i < kRows; ++i) {
        RecordRow row;
        row.setNo(i);
        const std::string tag = std::to_string(i);
        for (std::size_t f = 1; f < kRecordFieldCount; ++f)
            row.setText(recordField(f), std::string(1, static_cast<char>('a' + f)) + tag);
        table.appendRow(row);
    }
    ASSERT_EQ(table.rowCount(), static_cast<std::size_t>(kRows));
    for (int i : {0, 1, 74897, 74898, 149796, 200000, kRows - 1}) {
        EXPECT_EQ(table.no(static_cast<std::size_t>(i)), i);
        EXPECT_EQ(table.fieldText(static_cast<std::size_t>(i), "I_Unit"), "h" + std::to_string(i));
        EXPECT_EQ(table.fieldText(static_cast<std::size_t>(i), "Time"), "b" + std::to_string(i));
    }
    EXPECT_LT(table.memoryBytes() / kRows, 200u);
}

}  // namespace
