#include "cli/log_csv.h"

#include "record/record_table.h"
#include "record/system_files.h"

#include <cstdio>
#include <ctime>
#include <utility>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

std::string_view digitsAt(std::string_view text)
{
    std::size_t end = 0;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return text.substr(0, end);
}

void appendField(std::string& out, std::string_view latin1)
{
    bool quoted = false;
    for (char c : latin1)
        quoted = quoted || c == ',' || c == '"' || c == '\r' || c == '\n';
    if (quoted)
        out += '"';
    for (char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"') {
            out += "\"\"";
        } else if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | byte >> 6);
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    if (quoted)
        out += '"';
}

std::string_view textOf(const RecordRowAccess& rows, std::size_t row, RecordField field)
{
    return trimmed(rows.text(row, field).value_or(std::string_view()));
}

}  // namespace

std::string isoLocalDateTime(std::chrono::system_clock::time_point time)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    if (!systemFiles::localTime(seconds, local))
        return {};
    char text[40];
    const std::size_t size = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    const long offset = systemFiles::utcOffsetSeconds(seconds, local);
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    std::snprintf(text + size, sizeof text - size, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return text;
}

std::string csvNumber(std::string_view text, std::string_view decimal)
{
    text = trimmed(text);
    std::string number;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        if (text.front() == '-')
            number += '-';
        text.remove_prefix(1);
    }
    const std::string_view whole = digitsAt(text);
    if (whole.empty())
        return {};
    number += whole;
    text.remove_prefix(whole.size());
    if (text.empty())
        return number;
    if (decimal.empty() || !text.starts_with(decimal))
        return {};
    text.remove_prefix(decimal.size());
    const std::string_view fraction = digitsAt(text);
    if (fraction.empty() || fraction.size() != text.size())
        return {};
    number += '.';
    number += fraction;
    return number;
}

void appendCsvLine(std::string& out, std::int64_t no, std::string_view dateTime, const RecordRowAccess& rows,
                   std::size_t row, std::string_view decimal)
{
    out += std::to_string(no);
    out += ',';
    out += dateTime;
    for (const auto& [value, unit] : {std::pair{RecordField::Value, RecordField::Unit},
                                     std::pair{RecordField::V_Value, RecordField::V_Unit},
                                     std::pair{RecordField::I_Value, RecordField::I_Unit}}) {
        out += ',';
        out += csvNumber(textOf(rows, row, value), decimal);
        out += ',';
        appendField(out, textOf(rows, row, unit));
    }
    out += "\r\n";
}
