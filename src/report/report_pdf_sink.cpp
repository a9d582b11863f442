#include "report/report_pdf_sink.h"

#include "report/data_report.h"
#include "report/report_painter.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

ReportPdfSink::ReportPdfSink(const DataReport& report, const QString& path)
    : ReportFileSink(report, path)
{
}

ReportPdfSink::~ReportPdfSink()
{
    // Ends the painter and the writer before the file goes.
    closeWriter();
}

bool ReportPdfSink::writeStart()
{
    m_writer = std::make_unique<QPdfWriter>(&device());
    m_writer->setTitle(QStringLiteral("Data Report"));
    m_writer->setCreator(QStringLiteral("zqmeter"));
    m_writer->setResolution(kResolution);
    m_writer->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                        QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_writer.get())) {
        setError("Cannot start the PDF.");
        return false;
    }
    return true;
}

bool ReportPdfSink::writeReportPage(int number)
{
    if (!m_painter || !m_painter->isActive())
        return false;
    // The first page written opens the document, whatever its number.
    if (m_pagesWritten > 0 && !m_writer->newPage()) {
        setError("Cannot start a new PDF page.");
        return false;
    }
    ++m_pagesWritten;
    paintReportPage(*m_painter, report().page(number), kResolution / 25.4);
    return true;
}

bool ReportPdfSink::writeEnd()
{
    if (!m_painter || !m_painter->end()) {
        setError("Cannot complete the PDF.");
        return false;
    }
    return true;
}

void ReportPdfSink::closeWriter()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    m_writer.reset();
}
