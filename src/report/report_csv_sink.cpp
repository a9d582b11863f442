#include "report/report_csv_sink.h"

#include "report/data_report.h"

namespace {

void appendField(std::string& out, std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

bool ReportCsvSink::writeStart()
{
    std::string out;
    for (int c = 0; c < DataReport::kColumnCount; ++c) {
        if (c > 0)
            out += ',';
        appendField(out, DataReport::kColumns[std::size_t(c)].header);
    }
    out += "\r\n";
    return write(out);
}

bool ReportCsvSink::writeReportPage(int number)
{
    const DataReport::DetailRows rows = report().detailRowsOf(number);
    std::string out;
    for (int row = rows.first; row < rows.end; ++row) {
        for (int c = 0; c < DataReport::kColumnCount; ++c) {
            if (c > 0)
                out += ',';
            appendField(out, report().detailText(row, c).value_or(std::string()));
        }
        out += "\r\n";
    }
    return write(out);
}
