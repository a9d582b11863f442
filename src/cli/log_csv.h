#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class RecordRowAccess;

/// The spreadsheet form of `zqmeter-cli log --csv`: comma-separated values
/// as RFC 4180 has them (every line ends in CR LF, a field that holds a
/// comma or a double quote is quoted with inner quotes doubled), in UTF-8.
/// After the header, one line per row: its No, the local date and time it
/// was recorded at, then value, unit, voltage value and unit, current value
/// and unit. A value is a plain decimal number with "." before the fraction,
/// whatever the locale's separator, or empty where the meter showed no
/// number ("OL"); a unit is the meter's text.
inline constexpr std::string_view kLogCsvHeader = "No,DateTime,Value,Unit,V_Value,V_Unit,I_Value,I_Unit\r\n";

/// @p time as ISO 8601 local date and time to the second, with the offset
/// from UTC in force then: "2026-12-10T14:03:05+01:00".
std::string isoLocalDateTime(std::chrono::system_clock::time_point time);

/// The number a reading text stands for, written with "." ("-12.34" for
/// "-12,34" under the decimal comma); empty for a text that is not a plain
/// decimal number (an overload's "OL", a display such as "0@").
/// @p decimal is the separator the decoder put in the texts (its
/// LocaleDecimal; empty: the texts carry none).
std::string csvNumber(std::string_view text, std::string_view decimal);

/// Appends the line of row @p row of @p rows, CR LF included, numbered
/// @p no and stamped @p dateTime (isoLocalDateTime of the moment it was
/// recorded). Texts are of the system code page (Latin-1) and become UTF-8.
void appendCsvLine(std::string& out, std::int64_t no, std::string_view dateTime, const RecordRowAccess& rows,
                   std::size_t row, std::string_view decimal);
