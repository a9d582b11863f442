#pragma once

#include "report/report_rows.h"

#include <memory>
#include <string>

/// A record-like table of @p rows rows: No 1.., Time 10:mm:ss, Value 1.<n>,
/// KW, 230.0 v, 5.00 A.
inline std::unique_ptr<ReportRowList> makeReportRows(int rows)
{
    auto list = std::make_unique<ReportRowList>(std::vector<std::string>{
        "No", "Time", "Value", "Unit", "V_Value", "V_Unit", "I_Value", "I_Unit"});
    for (int r = 0; r < rows; ++r) {
        char time[16];
        std::snprintf(time, sizeof time, "10:%02d:%02d", (r / 60) % 60, r % 60);
        list->addRow({std::to_string(r + 1), std::string(time), "1." + std::to_string(r), "KW", "230.0",
                      "v", "5.00", "A"});
    }
    return list;
}
