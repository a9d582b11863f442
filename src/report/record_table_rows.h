#pragma once

#include "record/record_table.h"
#include "report/report_rows.h"

/// The rows of a record table for a report: those the table holds when
/// this is made. Rows recorded later, and an emptying or reload of the
/// table meanwhile, leave it unchanged.
class RecordTableRows final : public ReportRows {
public:
    explicit RecordTableRows(const RecordTable& table);

    int rowCount() const override;
    int fieldCount() const override { return int(kRecordFieldCount); }
    std::string fieldName(int field) const override;
    std::optional<std::string> fieldText(int row, int field) const override;

private:
    RecordTableReader reader_;
};
