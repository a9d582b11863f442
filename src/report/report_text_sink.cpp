#include "report/report_text_sink.h"

#include "report/data_report.h"

#include <cmath>

namespace {

// Texts whose tops lie closer than this share a line (the title and the
// print date of the page header do).
constexpr double kSameLineMm = 4.0;

int columnOf(double leftMm)
{
    return std::max(0, int(std::lround((leftMm - DataReport::kMarginMm) / ReportTextSink::kColumnMm)));
}

void place(std::string& line, int column, const std::string& text)
{
    // A text that runs into the next keeps one blank before it.
    int at = column;
    if (!line.empty() && at < int(line.size()) + 1)
        at = int(line.size()) + 1;
    line.append(std::size_t(at) - line.size(), ' ');
    // A line break or form feed inside a text would break the page apart.
    for (char c : text)
        line += (c == '\n' || c == '\r' || c == '\f' || c == '\t') ? ' ' : c;
}

}  // namespace

bool ReportTextSink::writeReportPage(int number)
{
    const ReportPage page = report().page(number);
    std::string out;
    if (m_pagesWritten++ > 0)
        out += '\f';
    std::string line;
    double lineTop = -100.0;
    for (const ReportItem& item : page.items) {
        if (item.topMm - lineTop >= kSameLineMm) {
            if (lineTop >= 0.0)
                out += line + '\n';
            line.clear();
            lineTop = item.topMm;
        }
        int column = columnOf(item.leftMm);
        if (item.hasBox()) {
            const int width = int(std::lround(item.boxWidthMm / kColumnMm));
            column += std::max(0, (width - int(item.text.size())) / 2);
        }
        place(line, column, item.text);
    }
    if (lineTop >= 0.0)
        out += line + '\n';
    return write(out);
}
