#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Whole numbers as the program reads them from texts and keys: the record
// numbers of a file, the sampling interval, the chart's page size and the
// command line's numbers all follow this one rule.

/// An optional "+" or "-", then one or more decimal digits (leading zeros
/// allowed), within 32 bits; nothing else, blanks included.
std::optional<std::int32_t> parseWholeNumber(std::string_view text);

/// Whether an edit that takes a whole number keeps the typed character
/// @p key: the digits "0" to "9" and backspace (8).
bool keepsWholeNumberKey(char key);
