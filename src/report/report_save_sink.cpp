#include "report/report_save_sink.h"

#include "report/data_report.h"
#include "report/report_file_format.h"
#include "report/report_row_list.h"

bool ReportSaveSink::writeStart()
{
    std::string out = ReportFileFormat::kMagic;
    out += "\ndate\t";
    ReportRowList::encodeField(report().printDate(), out);
    out += "\nfields";
    for (const DataReport::Column& column : DataReport::kColumns) {
        out += '\t';
        out += column.field;
    }
    out += "\nrows\t" + std::to_string(report().rowCount()) + '\n';
    return write(out);
}

bool ReportSaveSink::writeReportPage(int number)
{
    const DataReport::DetailRows rows = report().detailRowsOf(number);
    std::string out;
    for (int row = rows.first; row < rows.end; ++row) {
        for (int c = 0; c < DataReport::kColumnCount; ++c) {
            if (c > 0)
                out += '\t';
            ReportRowList::encodeField(report().detailText(row, c), out);
        }
        out += '\n';
    }
    return write(out);
}
