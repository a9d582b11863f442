#include "report/report_sinks.h"

#include "report/report_csv_sink.h"
#include "report/report_file_format.h"
#include "report/report_html_sink.h"
#include "report/report_pdf_sink.h"
#include "report/report_save_sink.h"
#include "report/report_text_sink.h"

std::unique_ptr<ReportPageSink> makeReportFileSink(ReportFileForm form, const DataReport& report,
                                                   const QString& path)
{
    switch (form) {
    case ReportFileForm::Report: return std::make_unique<ReportSaveSink>(report, path);
    case ReportFileForm::Pdf: return std::make_unique<ReportPdfSink>(report, path);
    case ReportFileForm::Html: return std::make_unique<ReportHtmlSink>(report, path);
    case ReportFileForm::Text: return std::make_unique<ReportTextSink>(report, path);
    case ReportFileForm::Csv: return std::make_unique<ReportCsvSink>(report, path);
    }
    return nullptr;
}

std::string_view reportFileSuffix(ReportFileForm form)
{
    switch (form) {
    case ReportFileForm::Report: return ReportFileFormat::kSuffix;
    case ReportFileForm::Pdf: return "pdf";
    case ReportFileForm::Html: return "html";
    case ReportFileForm::Text: return "txt";
    case ReportFileForm::Csv: return "csv";
    }
    return {};
}
