#pragma once

#include <optional>
#include <string>
#include <string_view>

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
