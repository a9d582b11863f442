#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// What the report reads of a table: its rows in order and each field's
/// display text. Row and field indices start at 0; texts are 8-bit strings
/// in the system code page.
class ReportRows {
public:
    virtual ~ReportRows() = default;

    /// Rows the source holds now.
    virtual int rowCount() const = 0;

    /// Number of fields a row has.
    virtual int fieldCount() const = 0;

    /// Name of field @p field, as the source spells it.
    virtual std::string fieldName(int field) const = 0;

    /// Display text of field @p field of row @p row; std::nullopt for a
    /// missing value (as opposed to a stored, empty one) and for a row or
    /// field the source does not have.
    virtual std::optional<std::string> fieldText(int row, int field) const = 0;

    /// Index of the field named @p name, compared without regard to ASCII
    /// case; -1 when there is none.
    int findField(std::string_view name) const;
};

/// Rows held by the report itself: the rows of a saved report loaded back,
/// or a small table in tests. Each row is kept as one encoded line (the
/// field form of the report file), so millions of rows stay compact.
class ReportRowList final : public ReportRows {
public:
    explicit ReportRowList(std::vector<std::string> fieldNames);

    int rowCount() const override { return int(rowStart_.size()); }
    int fieldCount() const override { return int(fieldNames_.size()); }
    std::string fieldName(int field) const override;
    std::optional<std::string> fieldText(int row, int field) const override;

    /// Appends a row; fields beyond fieldCount() are ignored and missing
    /// ones are absent.
    void addRow(const std::vector<std::optional<std::string>>& fields);

    /// Appends a row in its encoded form; false (and nothing added) when
    /// the line is malformed or has another number of fields.
    bool addEncodedRow(std::string_view line);

    /// Reserves room for @p rows rows.
    void reserve(std::size_t rows) { rowStart_.reserve(rows); }

    /// The encoded form of one field: "\N" for a missing value; a backslash,
    /// tab, line feed and carriage return are written as \\, \t, \n and \r.
    static void encodeField(const std::optional<std::string>& text, std::string& out);

    /// Splits an encoded line into its fields; std::nullopt when it holds
    /// an unknown escape.
    static std::optional<std::vector<std::optional<std::string>>> decodeLine(std::string_view line);

private:
    std::vector<std::string> fieldNames_;
    std::string bytes_;
    std::vector<std::uint64_t> rowStart_;
};
