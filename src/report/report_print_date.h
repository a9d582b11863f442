#pragma once

#include <string>

/// Today's date in the system's short date format, as the report prints
/// it (8-bit, system code page).
std::string currentReportPrintDate();
