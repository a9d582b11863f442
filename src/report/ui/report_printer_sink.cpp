#include "report/ui/report_printer_sink.h"

#include "report/data_report.h"
#include "report/report_painter.h"

#include <QPrinter>

ReportPrinterSink::ReportPrinterSink(const DataReport& report, QPrinter& printer, QPageRanges ranges)
    : report_(report), printer_(printer), ranges_(std::move(ranges))
{
}

ReportPrinterSink::~ReportPrinterSink()
{
    if (painter_.isActive())
        abort();
}

bool ReportPrinterSink::begin()
{
    printer_.setFullPage(true);
    if (!painter_.begin(&printer_)) {
        error_ = "The printer could not be started.";
        return false;
    }
    return true;
}

bool ReportPrinterSink::writePage(int number)
{
    if (!ranges_.isEmpty() && !ranges_.contains(number))
        return true;
    if (pagesPrinted_ > 0 && !printer_.newPage()) {
        error_ = "The printer did not take the next page.";
        return false;
    }
    ++pagesPrinted_;
    paintReportPage(painter_, report_.page(number), printer_.resolution() / 25.4);
    return true;
}

bool ReportPrinterSink::finish()
{
    if (!painter_.end()) {
        error_ = "The printer did not complete the job.";
        return false;
    }
    return true;
}

void ReportPrinterSink::abort()
{
    printer_.abort();
    if (painter_.isActive())
        painter_.end();
}
