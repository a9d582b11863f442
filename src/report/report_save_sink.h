#pragma once

#include "report/report_file_sink.h"

/// The report's own file form (report_file_format.h).
class ReportSaveSink final : public ReportFileSink {
public:
    using ReportFileSink::ReportFileSink;

protected:
    bool writeStart() override;
    bool writeReportPage(int number) override;
};
