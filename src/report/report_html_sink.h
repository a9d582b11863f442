#pragma once

#include "report/report_file_sink.h"

/// HTML: one sheet of A4 per page, each text placed where the page has it.
/// The texts stay in the system code page, which the document declares.
class ReportHtmlSink final : public ReportFileSink {
public:
    using ReportFileSink::ReportFileSink;

protected:
    bool writeStart() override;
    bool writeReportPage(int number) override;
    bool writeEnd() override;
};
