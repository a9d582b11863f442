#pragma once

#include "report/report_item.h"

#include <vector>

/// One laid-out page of a report.
struct ReportPage {
    int number = 0;    ///< 1-based
    int firstRow = 0;  ///< index of the first detail row on the page
    int rowCount = 0;  ///< detail rows on the page
    std::vector<ReportItem> items;
};
