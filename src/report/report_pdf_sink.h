#pragma once

#include "report/report_file_sink.h"

#include <memory>

class QPainter;
class QPdfWriter;

/// PDF on A4 portrait, one page per report page, fonts embedded.
class ReportPdfSink final : public ReportFileSink {
public:
    ReportPdfSink(const DataReport& report, const QString& path);
    ~ReportPdfSink() override;

    /// Dots per inch of the PDF's coordinates.
    static constexpr int kResolution = 1200;

protected:
    bool writeStart() override;
    bool writeReportPage(int number) override;
    bool writeEnd() override;
    void closeWriter() override;

private:
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    int m_pagesWritten = 0;
};
