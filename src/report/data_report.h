#pragma once

#include "report/report_page.h"
#include "report/report_rows.h"

#include <array>
#include <string>
#include <string_view>

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
    int rowCount() const { return m_rowCount; }

    /// Pages: at least one, even for no rows.
    int pageCount() const { return pageCountFor(m_rowCount); }

    /// Pages a report of @p rowCount rows has.
    static int pageCountFor(int rowCount);

    const std::string& printDate() const { return m_printDate; }

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

    const ReportRows& rows() const { return m_rows; }

private:
    const ReportRows& m_rows;
    std::string m_printDate;
    int m_rowCount;
    std::array<int, kColumnCount> m_fieldOfColumn;
};
