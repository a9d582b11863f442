#include "report/data_report.h"

#include <QDate>
#include <QLocale>

#include <algorithm>
#include <utility>

namespace {

constexpr double kPageHeaderTop = DataReport::kMarginMm;
constexpr double kColumnHeaderTop = kPageHeaderTop + DataReport::kPageHeaderHeightMm;
constexpr double kFirstDetailTop = kColumnHeaderTop + DataReport::kColumnHeaderHeightMm;
// The footer sits at the bottom of the printable area, not after the last
// detail line, so the page number stays put on a short last page.
constexpr double kPageFooterTop =
    DataReport::kPageHeightMm - DataReport::kMarginMm - DataReport::kPageFooterHeightMm;

const ReportFont kTitleFont{"Arial", 14.0, true};
const ReportFont kDateFont{"Arial", 7.0, false};
const ReportFont kBodyFont{"Arial", 10.0, false};
const ReportFont kPageNumberFont{"Arial", 8.0, false};

ReportItem textAt(std::string text, const ReportFont& font, double bandLeft, double bandTop)
{
    ReportItem item;
    item.text = std::move(text);
    item.font = font;
    item.leftMm = DataReport::kMarginMm + bandLeft;
    item.topMm = bandTop;
    return item;
}

}  // namespace

const std::array<DataReport::Column, DataReport::kColumnCount> DataReport::kColumns{{
    {"No", "No", 8.47, 8.47},
    {"Time", "Time", 27.52, 25.40},
    {"Value", "Value", 55.83, 55.03},
    {"Unit", "Unit", 76.20, 76.20},
    {"v_value", "V_value", 96.31, 96.31},
    {"v_unit", "V_unit", 124.88, 124.88},
    {"i_value", "I_value", 146.05, 146.05},
    {"i_unit", "I_unit", 167.22, 167.22},
}};

DataReport::DataReport(const ReportRows& rows, std::string printDate)
    : rows_(rows), printDate_(std::move(printDate)), rowCount_(rows.rowCount())
{
    if (rowCount_ < 0)
        rowCount_ = 0;
    for (int c = 0; c < kColumnCount; ++c)
        fieldOfColumn_[c] = rows.findField(kColumns[c].field);
}

int DataReport::pageCountFor(int rowCount)
{
    if (rowCount <= 0)
        return 1;
    return int((static_cast<long long>(rowCount) + kRowsPerPage - 1) / kRowsPerPage);
}

std::optional<std::string> DataReport::detailText(int row, int column) const
{
    if (row < 0 || row >= rowCount_ || column < 0 || column >= kColumnCount)
        return std::nullopt;
    const int field = fieldOfColumn_[column];
    if (field < 0)
        return std::nullopt;
    return rows_.fieldText(row, field);
}

DataReport::DetailRows DataReport::detailRowsOf(int number) const
{
    if (number < 1 || number > pageCount())
        return {};
    const int first = (number - 1) * kRowsPerPage;
    // Counted from the rows left, as first + kRowsPerPage would overflow on
    // the last page of a report near INT_MAX rows.
    return {first, first + std::max(0, std::min(kRowsPerPage, rowCount_ - first))};
}

ReportPage DataReport::page(int number) const
{
    ReportPage page;
    if (number < 1 || number > pageCount())
        return page;
    page.number = number;
    const DetailRows rows = detailRowsOf(number);
    page.firstRow = rows.first;
    page.rowCount = rows.end - rows.first;
    page.items.reserve(3 + kColumnCount * (1 + page.rowCount) + 1);

    ReportItem title = textAt("Data Report", kTitleFont, 60.06, kPageHeaderTop + 2.12);
    title.boxWidthMm = 69.59;
    title.boxHeightMm = 6.61;
    page.items.push_back(std::move(title));
    page.items.push_back(textAt("Print Date:", kDateFont, 158.75, kPageHeaderTop + 5.29));
    if (!printDate_.empty())
        page.items.push_back(textAt(printDate_, kDateFont, 171.45, kPageHeaderTop + 5.29));

    for (const Column& column : kColumns)
        page.items.push_back(textAt(std::string(column.header), kBodyFont, column.headerLeftMm,
                                    kColumnHeaderTop + 4.23));

    for (int line = 0; line < page.rowCount; ++line) {
        const double bandTop = kFirstDetailTop + line * kDetailHeightMm;
        for (int c = 0; c < kColumnCount; ++c) {
            std::optional<std::string> text = detailText(page.firstRow + line, c);
            if (!text || text->empty())
                continue;
            page.items.push_back(textAt(std::move(*text), kBodyFont, kColumns[c].detailLeftMm,
                                        bandTop + 2.12));
        }
    }

    page.items.push_back(
        textAt(std::to_string(number), kPageNumberFont, 178.86, kPageFooterTop + 4.23));
    return page;
}

std::string currentReportPrintDate()
{
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toLatin1().toStdString();
}
