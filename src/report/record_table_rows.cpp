#include "report/record_table_rows.h"

#include <climits>

RecordTableRows::RecordTableRows(const RecordTable& table) : reader_(table.reader()) {}

int RecordTableRows::rowCount() const
{
    return reader_.rowCount() > std::size_t(INT_MAX) ? INT_MAX : int(reader_.rowCount());
}

std::string RecordTableRows::fieldName(int field) const
{
    if (field < 0 || field >= fieldCount())
        return {};
    return std::string(recordFieldName(recordField(std::size_t(field))));
}

std::optional<std::string> RecordTableRows::fieldText(int row, int field) const
{
    if (row < 0 || std::size_t(row) >= reader_.rowCount() || field < 0 || field >= fieldCount())
        return std::nullopt;
    return reader_.fieldText(std::size_t(row), recordField(std::size_t(field)));
}
