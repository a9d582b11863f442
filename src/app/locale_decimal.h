#pragma once

#include <string>

/// Decimal separator of the system's default locale, as 8-bit text of the
/// system code page; empty when the locale cannot be asked.
std::string systemLocaleDecimal();

/// Separator between hours, minutes and seconds in the system locale's
/// time format, as 8-bit text of the system code page; ":" when the format
/// names none.
std::string systemTimeSeparator();
