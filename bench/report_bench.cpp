// Data report over ten million rows: the time from the print command to
// the first page painted in the preview, a jump to the last page, and the
// export speed of each file form. Prints figures; no pass or fail.
//
//     zq_report_bench [rows] [pages to export]

#include "record/record_table.h"
#include "report/data_report.h"
#include "report/record_table_rows.h"
#include "report/report_file_sinks.h"
#include "report/report_job.h"
#include "report/ui/data_report_preview.h"
#include "report/ui/report_page_view.h"
#include "report/ui/report_preview_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void fill(RecordTable& table, int rows)
{
    RecordRow row;
    char time[16];
    char value[16];
    for (int i = 0; i < rows; ++i) {
        row.setNo(i + 1);
        std::snprintf(time, sizeof time, "%02d:%02d:%02d", (i / 3600) % 24, (i / 60) % 60, i % 60);
        std::snprintf(value, sizeof value, "%d.%02d", (i / 100) % 1000, i % 100);
        row.setText(RecordField::Time, time);
        row.setText(RecordField::Value, value);
        row.setText(RecordField::Unit, "KW");
        row.setText(RecordField::V_Value, "230.1");
        row.setText(RecordField::V_Unit, "v");
        row.setText(RecordField::I_Value, "5.03");
        row.setText(RecordField::I_Unit, "A");
        table.appendRow(row);
    }
}

// Catches the first paint of the preview's page, then measures a jump to
// the last page and closes the preview.
class FirstPaint : public QObject {
public:
    Clock::time_point start;
    double firstPaintMs = -1.0;
    double lastPageMs = -1.0;
    int pages = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && firstPaintMs < 0.0 &&
            watched->objectName() == QLatin1String("ReportPage")) {
            firstPaintMs = msSince(start);
            QTimer::singleShot(0, this, [this] { jumpAndClose(); });
        }
        return false;
    }

private:
    void jumpAndClose()
    {
        auto* preview = qobject_cast<ReportPreviewWindow*>(QApplication::activeModalWidget());
        if (!preview)
            return;
        auto* view = preview->findChild<ReportPageView*>();
        const auto jump = Clock::now();
        preview->lastPage();
        view->repaint();
        lastPageMs = msSince(jump);
        pages = preview->report().pageCount();
        preview->accept();
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10'000'000;
    const int exportPages = argc > 2 ? std::atoi(argv[2]) : 2000;

    RecordTable table;
    auto start = Clock::now();
    fill(table, rows);
    std::printf("table of %d rows filled in %.0f ms\n", rows, msSince(start));

    FirstPaint probe;
    application.installEventFilter(&probe);
    probe.start = Clock::now();
    showDataReportPreview(table, nullptr);
    application.removeEventFilter(&probe);
    std::printf("print command to first page painted: %.1f ms (goal < 300)\n", probe.firstPaintMs);
    std::printf("jump to the last page (%d) painted:   %.2f ms (goal < 50)\n", probe.pages, probe.lastPageMs);

    const RecordTableRows reportRows(table);
    const DataReport report(reportRows, "10.12.26");
    start = Clock::now();
    for (int page = 1; page <= 1000; ++page)
        (void)report.page(report.pageCount() - page + 1);
    std::printf("page layout: %.1f us a page\n", msSince(start));

    QTemporaryDir dir;
    const std::pair<ReportFileForm, const char*> forms[] = {
        {ReportFileForm::Pdf, "PDF"}, {ReportFileForm::Html, "HTML"}, {ReportFileForm::Text, "text"},
        {ReportFileForm::Csv, "CSV"}, {ReportFileForm::Report, "saved report"}};
    const int last = std::min(exportPages, report.pageCount());
    for (const auto& [form, name] : forms) {
        ReportJob job(makeReportFileSink(form, report, dir.filePath(QStringLiteral("out"))), 1, last);
        start = Clock::now();
        const auto status = job.run();
        const double ms = msSince(start);
        std::printf("%-12s export: %d pages in %.0f ms, %.0f pages a second%s\n", name, last, ms,
                    last / (ms / 1000.0), status == ReportJob::Status::Done ? "" : " (FAILED)");
    }
    return 0;
}
