#include "report/record_table_rows.h"

#include <climits>

RecordTableRows::RecordTableRows(const RecordTable& table) : m_reader(table.reader()) {}

int RecordTableRows::rowCount() const
{
    return m_reader.rowCount() > std::size_t(INT_MAX) ? INT_MAX : int(m_reader.rowCount());
}

std::string RecordTableRows::fieldName(int field) const
{
    if (field < 0 || field >= fieldCount())
        return {};
    return std::string(recordFieldName(recordField(std::size_t(field))));
}

std::optional<std::string> RecordTableRows::fieldText(int row, int field) const
{
    if (row < 0 || std::size_t(row) >= m_reader.rowCount() || field < 0 || field >= fieldCount())
        return std::nullopt;
    return m_reader.fieldText(std::size_t(row), recordField(std::size_t(field)));
}
