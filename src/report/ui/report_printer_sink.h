#pragma once

#include "report/report_page_sink.h"

#include <QPageRanges>
#include <QPainter>

class DataReport;
class QPrinter;

/// Pages of a report to a printer, on the whole sheet. Pages outside
/// @p ranges (when it is not empty) are passed over.
class ReportPrinterSink final : public ReportPageSink {
public:
    ReportPrinterSink(const DataReport& report, QPrinter& printer, QPageRanges ranges);
    ~ReportPrinterSink() override;

    bool begin() override;
    bool writePage(int number) override;
    bool finish() override;
    void abort() override;
    std::string errorText() const override { return m_error; }

private:
    const DataReport& m_report;
    QPrinter& m_printer;
    QPageRanges m_ranges;
    QPainter m_painter;
    int m_pagesPrinted = 0;
    std::string m_error;
};
