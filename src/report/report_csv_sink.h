#pragma once

#include "report/report_file_sink.h"

/// Comma-separated values: the column header line once, then one line per
/// row of the report, fields parted by ",". A field holding a comma, a
/// quote or a line break is quoted, its quotes doubled.
class ReportCsvSink final : public ReportFileSink {
public:
    using ReportFileSink::ReportFileSink;

protected:
    bool writeStart() override;
    bool writeReportPage(int number) override;
};
