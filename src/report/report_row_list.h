#pragma once

#include "report/report_rows.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Rows held by the report itself: the rows of a saved report loaded back,
/// or a small table in tests. Each row is kept as one encoded line (the
/// field form of the report file), so millions of rows stay compact.
class ReportRowList final : public ReportRows {
public:
    explicit ReportRowList(std::vector<std::string> fieldNames);

    int rowCount() const override { return int(m_rowStart.size()); }
    int fieldCount() const override { return int(m_fieldNames.size()); }
    std::string fieldName(int field) const override;
    std::optional<std::string> fieldText(int row, int field) const override;

    /// Appends a row; fields beyond fieldCount() are ignored and missing
    /// ones are absent.
    void addRow(const std::vector<std::optional<std::string>>& fields);

    /// Appends a row in its encoded form; false (and nothing added) when
    /// the line is malformed or has another number of fields.
    bool addEncodedRow(std::string_view line);

    /// Reserves room for @p rows rows.
    void reserve(std::size_t rows) { m_rowStart.reserve(rows); }

    /// The encoded form of one field: "\N" for a missing value; a backslash,
    /// tab, line feed and carriage return are written as \\, \t, \n and \r.
    static void encodeField(const std::optional<std::string>& text, std::string& out);

    /// Splits an encoded line into its fields; std::nullopt when it holds
    /// an unknown escape.
    static std::optional<std::vector<std::optional<std::string>>> decodeLine(std::string_view line);

private:
    std::vector<std::string> m_fieldNames;
    std::string m_bytes;
    std::vector<std::uint64_t> m_rowStart;
};
