#include "app/locale_decimal.h"

#include <windows.h>

namespace {

/// One item of the system default locale as 8-bit text of the system code
/// page; empty when the locale cannot be asked.
std::string systemLocaleItem(LCTYPE item)
{
    // The separators are at most three characters and a NUL.
    char text[10] = {};
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, item, text, sizeof text) == 0)
        return {};
    return text;
}

}  // namespace

std::string systemLocaleDecimal() { return systemLocaleItem(LOCALE_SDECIMAL); }

std::string systemTimeSeparator()
{
    std::string separator = systemLocaleItem(LOCALE_STIME);
    return separator.empty() ? std::string(":") : separator;
}
