#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The fields of the record table, in table, grid and file order.
enum class RecordField : std::uint8_t { No, Time, Value, Unit, V_Value, V_Unit, I_Value, I_Unit };

constexpr std::size_t kRecordFieldCount = 8;
/// Longest stored text [bytes of the system code page].
constexpr std::size_t kRecordTextWidth = 20;

/// Change state of a row as the data packet writes it (4 = inserted).
using RecordRowState = std::uint8_t;
constexpr RecordRowState kRowInserted = 4;

enum class RecordFieldType : std::uint8_t { Integer, Text };

/// "No", "Time", ... "I_Unit".
std::string_view recordFieldName(RecordField field);
RecordFieldType recordFieldType(RecordField field);
/// The field named @p name without regard to case ("v_value", "V_value").
std::optional<RecordField> recordFieldByName(std::string_view name);
inline RecordField recordField(std::size_t index) { return static_cast<RecordField>(index); }
inline std::size_t recordFieldIndex(RecordField field) { return static_cast<std::size_t>(field); }

/// A text as the table stores it: its first 20 bytes, each control byte
/// (0 to 31) replaced by "?", then without trailing blanks. Neither file
/// form can carry a control byte back (the text form splits fields at them,
/// XML 1.0 refuses most of them), so none ever enters the table. The view
/// is of @p text when nothing needs replacing, else of @p scratch, which
/// may be where @p text lies.
std::string_view storedRecordText(std::string_view text, char (&scratch)[kRecordTextWidth]);
/// Whether @p text is as the table stores it: storedRecordText gives it back.
bool isStoredRecordText(std::string_view text);


/// A row as a file reader hands it to the table without building a
/// RecordRow: the texts point into the reader's own buffer and must
/// already be as the table stores them (see storedRecordText).
struct RecordRowFields {
    std::array<std::string_view, kRecordFieldCount - 1> texts{};  ///< Time .. I_Unit
    std::uint8_t present = 0;  ///< bit i - 1 set: text field i has a value
    bool hasNo = false;
    std::int32_t no = 0;
};

/// One row on its way into the table, built field by field. Each field may
/// lack a value; a set text is kept as the table will store it. Holds no
/// heap memory, so a loader may fill millions of them.
class RecordRow {
public:
    std::optional<std::int32_t> no() const { return hasNo_ ? std::optional<std::int32_t>(no_) : std::nullopt; }
    void setNo(std::int32_t no) { no_ = no; hasNo_ = true; }

    /// Text of field @p field (not No); none when it has no value.
    std::optional<std::string_view> text(RecordField field) const;
    /// Stores @p text as the table will (see storedRecordText); field is not No.
    void setText(RecordField field, std::string_view text);

    /// Sets any field from a text as a loader reads it: No must be a whole
    /// number (parseWholeNumber; false and no change otherwise); texts always
    /// succeed.
    bool setField(RecordField field, std::string_view text);
    /// Removes the value of @p field.
    void clearField(RecordField field);
    bool hasValue(RecordField field) const;

    friend bool operator==(const RecordRow& a, const RecordRow& b);

private:
    struct Text {
        std::array<char, kRecordTextWidth> bytes{};
        std::uint8_t length = 0;
        bool present = false;
    };
    std::array<Text, kRecordFieldCount - 1> texts_{};
    std::int32_t no_ = 0;
    bool hasNo_ = false;
};
