#include "record/record_row.h"

#include "meter/whole_number.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::array<std::string_view, kRecordFieldCount> kNames{"No",      "Time",   "Value",   "Unit",
                                                                 "V_Value", "V_Unit", "I_Value", "I_Unit"};

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20; }

}  // namespace

std::string_view recordFieldName(RecordField field) { return kNames[recordFieldIndex(field)]; }

RecordFieldType recordFieldType(RecordField field)
{
    return field == RecordField::No ? RecordFieldType::Integer : RecordFieldType::Text;
}

std::optional<RecordField> recordFieldByName(std::string_view name)
{
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (std::equal(name.begin(), name.end(), kNames[i].begin(), kNames[i].end(),
                       [](char a, char b) { return lower(a) == lower(b); }))
            return recordField(i);
    }
    return std::nullopt;
}

std::string_view storedRecordText(std::string_view text, char (&scratch)[kRecordTextWidth])
{
    text = text.substr(0, kRecordTextWidth);
    std::size_t plain = 0;
    while (plain < text.size() && !isControl(text[plain]))
        ++plain;
    if (plain < text.size()) {
        // Byte by byte, as scratch may be where text lies.
        for (std::size_t i = 0; i < text.size(); ++i)
            scratch[i] = isControl(text[i]) ? '?' : text[i];
        text = std::string_view(scratch, text.size());
    }
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

bool isStoredRecordText(std::string_view text)
{
    return text.size() <= kRecordTextWidth && (text.empty() || text.back() != ' ') &&
           std::none_of(text.begin(), text.end(), isControl);
}

std::optional<std::string_view> RecordRow::text(RecordField field) const
{
    const Text& text = texts_[recordFieldIndex(field) - 1];
    if (!text.present)
        return std::nullopt;
    return std::string_view(text.bytes.data(), text.length);
}

void RecordRow::setText(RecordField field, std::string_view value)
{
    Text& text = texts_[recordFieldIndex(field) - 1];
    char scratch[kRecordTextWidth];
    value = storedRecordText(value, scratch);
    std::memcpy(text.bytes.data(), value.data(), value.size());
    text.length = static_cast<std::uint8_t>(value.size());
    text.present = true;
}

bool RecordRow::setField(RecordField field, std::string_view value)
{
    if (field != RecordField::No) {
        setText(field, value);
        return true;
    }
    std::optional<std::int32_t> no = parseWholeNumber(value);
    if (!no)
        return false;
    setNo(*no);
    return true;
}

void RecordRow::clearField(RecordField field)
{
    if (field == RecordField::No)
        hasNo_ = false;
    else
        texts_[recordFieldIndex(field) - 1] = Text{};
}

bool RecordRow::hasValue(RecordField field) const
{
    return field == RecordField::No ? hasNo_ : texts_[recordFieldIndex(field) - 1].present;
}

bool operator==(const RecordRow& a, const RecordRow& b)
{
    if (a.no() != b.no())
        return false;
    for (std::size_t i = 1; i < kRecordFieldCount; ++i) {
        if (a.text(recordField(i)) != b.text(recordField(i)))
            return false;
    }
    return true;
}
