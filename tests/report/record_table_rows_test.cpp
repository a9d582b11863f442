#include "report/data_report.h"
#include "report/record_table_rows.h"

#include <gtest/gtest.h>

namespace {

RecordRow recordRow(int no, std::string_view value)
{
    RecordRow row;
    row.setNo(no);
    row.setText(RecordField::Time, "10:00:00");
    row.setText(RecordField::Value, value);
    row.setText(RecordField::Unit, "KW");
    row.setText(RecordField::V_Value, "");
    row.setText(RecordField::V_Unit, "v");
    row.setText(RecordField::I_Value, "5.00");
    row.setText(RecordField::I_Unit, "A");
    return row;
}

TEST(RecordTableRows, ReportKeepsTheRowsOfWhenItOpened)
{
    RecordTable table;
    for (int i = 1; i <= 3; ++i)
        table.appendRow(recordRow(i, "1." + std::to_string(i)));
    const RecordTableRows rows(table);
    const DataReport report(rows, "d");

    // Readings recorded while the preview is open, then the table emptied.
    for (int i = 4; i <= 40; ++i)
        table.appendRow(recordRow(i, "2.0"));
    EXPECT_EQ(report.rowCount(), 3);
    EXPECT_EQ(report.pageCount(), 1);
    table.clear();
    EXPECT_EQ(report.detailText(2, 0), std::optional<std::string>("3"));
    EXPECT_EQ(report.detailText(2, 2), std::optional<std::string>("1.3"));
    EXPECT_EQ(report.detailText(2, 4), std::optional<std::string>(""));
    EXPECT_EQ(report.detailText(3, 0), std::nullopt);
}

TEST(RecordTableRows, MissingValueStaysMissing)
{
    RecordTable table;
    RecordRow row = recordRow(1, "1.0");
    row.clearField(RecordField::I_Value);
    row.clearField(RecordField::No);
    table.appendRow(row);
    const RecordTableRows rows(table);
    EXPECT_EQ(rows.fieldText(0, 0), std::nullopt);
    EXPECT_EQ(rows.fieldText(0, 6), std::nullopt);
    EXPECT_EQ(rows.fieldText(0, 4), std::optional<std::string>(""));
    EXPECT_EQ(rows.findField("v_VALUE"), 4);
}

}  // namespace
