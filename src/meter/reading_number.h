#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

/// The number a reading text of the record table stands for: blanks around
/// it ignored, an optional "+" or "-", then digits optionally followed by
/// "." or "," and more digits (possibly none, as in "7."), or "." or ","
/// followed by digits (".5"). None for anything else: "OL", an empty text,
/// "NULL", a display such as "0@". Either separator is taken, whatever the
/// locale, since tables recorded under both meet in one file.
std::optional<double> readingNumber(std::string_view text);

/// Seconds since midnight of a Time text: hours of one or two digits, then
/// minutes and seconds of two digits each, any one non-digit between them
/// (the system's time separator); hours up to 23, minutes and seconds up to
/// 59; blanks around it ignored. None otherwise.
std::optional<std::int32_t> timeOfDaySeconds(std::string_view text);
