#include "report/data_report.h"
#include "report_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace {

struct Placed {
    std::string text;
    double left;
    double top;
    double points;
    bool bold;
};

std::string describe(const Placed& p)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "'%s' at %.2f,%.2f %.0fpt%s", p.text.c_str(), p.left, p.top,
                  p.points, p.bold ? " bold" : "");
    return buffer;
}

std::vector<std::string> describe(const ReportPage& page)
{
    std::vector<std::string> out;
    for (const ReportItem& item : page.items)
        out.push_back(describe(Placed{item.text, item.leftMm, item.topMm, item.font.pointSize, item.font.bold}));
    return out;
}

// What a page must hold, positions written out from the page's top-left corner.
std::vector<std::string> expectedPage(int number, int firstNo, int lines, const std::string& date)
{
    std::vector<Placed> placed = {
        {"Data Report", 70.06, 12.12, 14, true},
        {"Print Date:", 168.75, 15.29, 7, false},
        {date, 181.45, 15.29, 7, false},
        {"No", 18.47, 24.81, 10, false},
        {"Time", 37.52, 24.81, 10, false},
        {"Value", 65.83, 24.81, 10, false},
        {"Unit", 86.20, 24.81, 10, false},
        {"v_value", 106.31, 24.81, 10, false},
        {"v_unit", 134.88, 24.81, 10, false},
        {"i_value", 156.05, 24.81, 10, false},
        {"i_unit", 177.22, 24.81, 10, false},
    };
    const double lefts[] = {18.47, 35.40, 65.03, 86.20, 106.31, 134.88, 156.05, 177.22};
    for (int line = 0; line < lines; ++line) {
        const int r = firstNo - 1 + line;
        char time[16];
        std::snprintf(time, sizeof time, "10:%02d:%02d", (r / 60) % 60, r % 60);
        const std::string texts[] = {std::to_string(r + 1), time, "1." + std::to_string(r), "KW", "230.0",
                                     "v", "5.00", "A"};
        for (int c = 0; c < 8; ++c)
            placed.push_back({texts[c], lefts[c], 33.28 + 6.61 * line, 10, false});
    }
    placed.push_back({std::to_string(number), 188.86, 280.65, 8, false});
    std::vector<std::string> out;
    for (const Placed& p : placed)
        out.push_back(describe(p));
    return out;
}

struct PageCase {
    int rows;
    int pages;
    int page;
    int firstNo;
    int lines;
};

class DataReportPages : public testing::TestWithParam<PageCase> {};

TEST_P(DataReportPages, PageHoldsItsBandsAtTheirPlaces)
{
    const PageCase c = GetParam();
    const auto rows = makeReportRows(c.rows);
    const DataReport report(*rows, "10.12.26");
    ASSERT_EQ(report.pageCount(), c.pages);
    const ReportPage page = report.page(c.page);
    EXPECT_EQ(page.number, c.page);
    EXPECT_EQ(page.rowCount, c.lines);
    EXPECT_EQ(describe(page), expectedPage(c.page, c.firstNo, c.lines, "10.12.26"));
}

INSTANTIATE_TEST_SUITE_P(Rows, DataReportPages,
                         testing::Values(PageCase{0, 1, 1, 1, 0},     // empty table: one page
                                         PageCase{1, 1, 1, 1, 1},
                                         PageCase{37, 1, 1, 1, 37},   // exactly one full page
                                         PageCase{38, 2, 1, 1, 37},
                                         PageCase{38, 2, 2, 38, 1},   // second page, one line
                                         PageCase{100, 3, 1, 1, 37},
                                         PageCase{100, 3, 3, 75, 26}));

// The rows of makeReportRows, computed rather than stored, so a source can
// hold as many as an int counts.
class GeneratedRows final : public ReportRows {
public:
    explicit GeneratedRows(int rows) : rows_(rows) {}
    int rowCount() const override { return rows_; }
    int fieldCount() const override { return 8; }
    std::string fieldName(int field) const override
    {
        static const char* const names[] = {"No", "Time", "Value", "Unit", "V_Value", "V_Unit", "I_Value", "I_Unit"};
        return field >= 0 && field < 8 ? names[field] : "";
    }
    std::optional<std::string> fieldText(int row, int field) const override
    {
        if (row < 0 || row >= rows_ || field < 0 || field >= 8)
            return std::nullopt;
        char time[16];
        std::snprintf(time, sizeof time, "10:%02d:%02d", (row / 60) % 60, row % 60);
        const std::string texts[] = {std::to_string(row + 1), time, "1." + std::to_string(row), "KW", "230.0",
                                     "v", "5.00", "A"};
        return texts[field];
    }

private:
    int rows_;
};

TEST(DataReport, LastPagesOfTheLargestReportHoldTheirRows)
{
    const PageCase cases[] = {
        {2'147'483'647, 58'040'099, 58'040'099, 2'147'483'627, 21},
        {2'147'483'647, 58'040'099, 58'040'098, 2'147'483'590, 37},
        {2'147'483'627, 58'040'099, 58'040'099, 2'147'483'627, 1},
        {2'147'483'626, 58'040'098, 58'040'098, 2'147'483'590, 37},  // last page full
    };
    for (const PageCase& c : cases) {
        const GeneratedRows rows(c.rows);
        const DataReport report(rows, "d");
        ASSERT_EQ(report.pageCount(), c.pages) << c.rows;
        const DataReport::DetailRows detail = report.detailRowsOf(c.page);
        EXPECT_EQ(detail.first, c.firstNo - 1) << c.rows << " page " << c.page;
        EXPECT_EQ(detail.end, c.firstNo - 1 + c.lines) << c.rows << " page " << c.page;
        EXPECT_EQ(describe(report.page(c.page)), expectedPage(c.page, c.firstNo, c.lines, "d"))
            << c.rows << " page " << c.page;
    }
}

TEST(DataReport, TitleIsCentredInItsBox)
{
    const auto rows = makeReportRows(0);
    const ReportPage page = DataReport(*rows, "x").page(1);
    ASSERT_FALSE(page.items.empty());
    EXPECT_TRUE(page.items[0].hasBox());
    EXPECT_DOUBLE_EQ(page.items[0].boxWidthMm, 69.59);
    EXPECT_DOUBLE_EQ(page.items[0].boxHeightMm, 6.61);
    for (std::size_t i = 1; i < page.items.size(); ++i)
        EXPECT_FALSE(page.items[i].hasBox()) << page.items[i].text;
}

TEST(DataReport, EmptyOrMissingValuePrintsNothing)
{
    ReportRowList rows({"No", "Time", "Value", "Unit", "V_Value", "V_Unit", "I_Value", "I_Unit"});
    rows.addRow({"1", "10:00:00", "1.5", "KW", "", "v", std::nullopt, "A"});
    const ReportPage page = DataReport(rows, "d").page(1);
    std::vector<std::string> detail;
    for (const ReportItem& item : page.items) {
        if (std::abs(item.topMm - 33.28) < 1e-9)
            detail.push_back(item.text);
    }
    EXPECT_EQ(detail, (std::vector<std::string>{"1", "10:00:00", "1.5", "KW", "v", "A"}));
    const DataReport report(rows, "d");
    EXPECT_EQ(report.detailText(0, 4), std::optional<std::string>(""));
    EXPECT_EQ(report.detailText(0, 6), std::nullopt);
}

TEST(DataReport, BindsFieldsWithoutRegardToCase)
{
    ReportRowList rows({"NO", "time", "VALUE", "unit", "v_value", "V_UNIT", "i_Value", "I_unit"});
    rows.addRow({"7", "t", "v", "u", "vv", "vu", "iv", "iu"});
    const DataReport report(rows, "d");
    for (int c = 0; c < DataReport::kColumnCount; ++c)
        EXPECT_TRUE(report.detailText(0, c).has_value()) << c;
}

TEST(DataReport, HoldsTheRowsItWasMadeWith)
{
    auto rows = makeReportRows(37);
    const DataReport report(*rows, "d");
    for (int i = 0; i < 5; ++i)
        rows->addRow({"99", "t", "v", "u", "vv", "vu", "iv", "iu"});
    EXPECT_EQ(report.rowCount(), 37);
    EXPECT_EQ(report.pageCount(), 1);
    EXPECT_EQ(report.page(1).rowCount, 37);
    EXPECT_EQ(report.page(2).number, 0);
    EXPECT_EQ(report.detailText(37, 0), std::nullopt);
}

TEST(DataReport, PageCountFollowsTheRowCount)
{
    const std::pair<int, int> cases[] = {{0, 1}, {1, 1}, {37, 1}, {38, 2}, {74, 2}, {75, 3},
                                         {10'000'000, 270'271}, {2'147'483'647, 58'040'099}};
    for (const auto& [rows, pages] : cases)
        EXPECT_EQ(DataReport::pageCountFor(rows), pages) << rows;
}

TEST(DataReport, PagesOutsideTheReportAreEmpty)
{
    const auto rows = makeReportRows(3);
    const DataReport report(*rows, "d");
    for (int number : {0, -1, 2})
        EXPECT_TRUE(report.page(number).items.empty()) << number;
}

TEST(DataReport, NoPrintDateLeavesItsPlaceEmpty)
{
    const auto rows = makeReportRows(0);
    const ReportPage page = DataReport(*rows, "").page(1);
    for (const ReportItem& item : page.items)
        EXPECT_FALSE(item.text.empty());
    EXPECT_EQ(page.items.size(), 2u + 8u + 1u);
}

}  // namespace
