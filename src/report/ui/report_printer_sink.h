#pragma once

#include "report/report_job.h"

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
    std::string errorText() const override { return error_; }

private:
    const DataReport& report_;
    QPrinter& printer_;
    QPageRanges ranges_;
    QPainter painter_;
    int pagesPrinted_ = 0;
    std::string error_;
};
