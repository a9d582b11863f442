#include "report/ui/report_printer_sink.h"

#include "report/data_report.h"
#include "report/report_painter.h"

#include <QPrinter>

ReportPrinterSink::ReportPrinterSink(const DataReport& report, QPrinter& printer, QPageRanges ranges)
    : m_report(report), m_printer(printer), m_ranges(std::move(ranges))
{
}

ReportPrinterSink::~ReportPrinterSink()
{
    if (m_painter.isActive())
        abort();
}

bool ReportPrinterSink::begin()
{
    m_printer.setFullPage(true);
    if (!m_painter.begin(&m_printer)) {
        m_error = "The printer could not be started.";
        return false;
    }
    return true;
}

bool ReportPrinterSink::writePage(int number)
{
    if (!m_ranges.isEmpty() && !m_ranges.contains(number))
        return true;
    if (m_pagesPrinted > 0 && !m_printer.newPage()) {
        m_error = "The printer did not take the next page.";
        return false;
    }
    ++m_pagesPrinted;
    paintReportPage(m_painter, m_report.page(number), m_printer.resolution() / 25.4);
    return true;
}

bool ReportPrinterSink::finish()
{
    if (!m_painter.end()) {
        m_error = "The printer did not complete the job.";
        return false;
    }
    return true;
}

void ReportPrinterSink::abort()
{
    m_printer.abort();
    if (m_painter.isActive())
        m_painter.end();
}
