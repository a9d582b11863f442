#pragma once

#include "report/report_rows.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// A font of the report. The family is the one the layout names; the
/// painter falls back to a metric-compatible face where it is missing.
struct ReportFont {
    std::string family = "Arial";
    double pointSize = 10.0;
    bool bold = false;

    friend bool operator==(const ReportFont&, const ReportFont&) = default;
};

/// One text placed on a page. Positions and sizes are in millimetres from
/// the page's top-left corner. A text with a box (boxWidthMm > 0) is centred
/// in it; any other text is left-aligned with its top-left corner at
/// (leftMm, topMm) and sized to its text.
struct ReportItem {
    std::string text;  ///< 8-bit, system code page
    ReportFont font;
    double leftMm = 0.0;
    double topMm = 0.0;
    double boxWidthMm = 0.0;
    double boxHeightMm = 0.0;

    bool hasBox() const { return boxWidthMm > 0.0; }
};

/// One laid-out page of a report.
struct ReportPage {
    int number = 0;    ///< 1-based
    int firstRow = 0;  ///< index of the first detail row on the page
    int rowCount = 0;  ///< detail rows on the page
    std::vector<ReportItem> items;
};

/// The data report of the record table: a page header with the title and
/// the print date, the column header, 37 detail lines a page and the page
/// number at the foot, on A4 portrait.
///
/// The report holds a row count taken when it is made: rows the source
/// gains afterwards are not in it. Pages are laid out on demand, one at a
/// time, so a report over millions of rows costs nothing up front.
class DataReport {
public:
    static constexpr double kPageWidthMm = 210.0;
    static constexpr double kPageHeightMm = 297.0;
    static constexpr double kMarginMm = 10.0;
    static constexpr double kPageHeaderHeightMm = 10.58;
    static constexpr double kColumnHeaderHeightMm = 10.58;
    static constexpr double kDetailHeightMm = 6.61;
    static constexpr double kPageFooterHeightMm = 10.58;
    static constexpr int kRowsPerPage = 37;
    static constexpr int kColumnCount = 8;

    /// One column: the header text, the field it binds (by name, any case)
    /// and the band-relative left edges of the header and of the detail text.
    struct Column {
        std::string_view header;
        std::string_view field;
        double headerLeftMm;
        double detailLeftMm;
    };
    static const std::array<Column, kColumnCount> kColumns;

    /// Lays out @p rows as they are now; @p printDate is printed as given.
    /// @p rows must outlive the report and must not lose rows while the
    /// report is in use (it may gain some).
    DataReport(const ReportRows& rows, std::string printDate);

    /// Rows in the report: the source's row count when the report was made.
    int rowCount() const { return rowCount_; }

    /// Pages: at least one, even for no rows.
    int pageCount() const { return pageCountFor(rowCount_); }

    /// Pages a report of @p rowCount rows has.
    static int pageCountFor(int rowCount);

    const std::string& printDate() const { return printDate_; }

    /// Page @p number (1 to pageCount()); an out-of-range number gives an
    /// empty page with number 0.
    ReportPage page(int number) const;

    /// Rows [first, end) that page @p number details; empty out of range.
    struct DetailRows {
        int first = 0;
        int end = 0;
    };
    DetailRows detailRowsOf(int number) const;

    /// Text of column @p column (0 to 7) on row @p row, as the detail line
    /// prints it; std::nullopt where nothing is printed (missing value,
    /// unbound field or a row outside the report).
    std::optional<std::string> detailText(int row, int column) const;

    const ReportRows& rows() const { return rows_; }

private:
    const ReportRows& rows_;
    std::string printDate_;
    int rowCount_;
    std::array<int, kColumnCount> fieldOfColumn_;
};

/// Today's date in the system's short date format, as the report prints
/// it (8-bit, system code page).
std::string currentReportPrintDate();
