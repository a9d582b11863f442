#pragma once

#include "report/report_file_sink.h"

/// Plain text: each line of a page as one line of text, each text at the
/// character column of its place on the page (2 mm a column from the left
/// margin), pages parted by a form feed.
class ReportTextSink final : public ReportFileSink {
public:
    using ReportFileSink::ReportFileSink;

    /// Millimetres a character column stands for.
    static constexpr double kColumnMm = 2.0;

protected:
    bool writeReportPage(int number) override;

private:
    int m_pagesWritten = 0;
};
