#include "record/record_table.h"
#include "report/ui/data_report_preview.h"
#include "report/ui/report_page_view.h"
#include "report/ui/report_preview_window.h"
#include "report/ui/report_printer_sink.h"
#include "report/report_job.h"
#include "report_fixture.h"
#include "snapshot.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace {

// Runs @p check on the modal window that comes up next, once it is up.
void whenModalShows(std::function<void(QWidget*)> check)
{
    QTimer::singleShot(0, [check = std::move(check)]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            check(modal);
            return;
        }
        QTimer::singleShot(10, [check = std::move(check)]() mutable { whenModalShows(std::move(check)); });
    });
}

void trigger(ReportPreviewWindow& window, const char* action)
{
    QAction* found = window.findChild<QAction*>(QString::fromLatin1(action));
    ASSERT_NE(found, nullptr) << action;
    found->trigger();
}

RecordRow recordRow(int no)
{
    RecordRow row;
    row.setNo(no);
    row.setText(RecordField::Time, "10:00:00");
    row.setText(RecordField::Value, "1.5");
    row.setText(RecordField::Unit, "KW");
    return row;
}

class GridListener : public RecordTableListener {
public:
    void recordTableChanged(const RecordTableChange& change) override { changes.push_back(change); }
    std::vector<RecordTableChange> changes;
};

TEST(ReportPreview, PagesThroughTheReport)
{
    ReportPreviewWindow window(makeReportRows(100), "10.12.26");
    window.show();
    EXPECT_EQ(window.currentPage(), 1);
    EXPECT_EQ(window.findChild<QLabel*>("PageCount")->text(), QStringLiteral(" of 3 "));
    EXPECT_FALSE(window.findChild<QAction*>("PriorPage")->isEnabled());

    const std::pair<const char*, int> steps[] = {{"NextPage", 2}, {"NextPage", 3}, {"NextPage", 3},
                                                 {"FirstPage", 1}, {"PriorPage", 1}, {"LastPage", 3},
                                                 {"PriorPage", 2}};
    for (const auto& [action, page] : steps) {
        trigger(window, action);
        EXPECT_EQ(window.currentPage(), page) << action;
        EXPECT_EQ(window.pageView().pageNumber(), page) << action;
        EXPECT_EQ(window.findChild<QSpinBox*>("PageNumber")->value(), page) << action;
    }
    EXPECT_FALSE(window.findChild<QAction*>("NextPage")->isEnabled() && window.currentPage() == 3);

    // A page number typed in jumps there; one past the end goes to the last.
    window.findChild<QSpinBox*>("PageNumber")->setValue(1);
    EXPECT_EQ(window.currentPage(), 1);
    window.showPage(99);
    EXPECT_EQ(window.currentPage(), 3);
    EXPECT_EQ(window.pageView().page().rowCount, 26);
    QApplication::processEvents();
    saveSnapshot(window, QStringLiteral("report_preview_last_page"));
}

TEST(ReportPreview, ZoomsToPageWidthActualSizeAndWholePage)
{
    ReportPreviewWindow window(makeReportRows(3), "d");
    window.resize(700, 800);
    window.show();
    QApplication::processEvents();
    const ReportPageView& view = window.pageView();

    trigger(window, "Zoom100");
    EXPECT_DOUBLE_EQ(view.dotsPerMm(), view.logicalDpiX() / 25.4);
    trigger(window, "ZoomFit");
    const QSize viewport = window.findChild<QWidget*>("PageArea")->size();
    EXPECT_LE(view.height(), viewport.height());
    EXPECT_LE(view.width(), viewport.width());
    const double fit = view.dotsPerMm();
    trigger(window, "ZoomWidth");
    EXPECT_GT(view.dotsPerMm(), fit);
    EXPECT_LE(view.width(), viewport.width());
    saveSnapshot(window, QStringLiteral("report_preview_width"));
}

TEST(ReportPreview, SavedReportLoadsBackIntoTheSamePages)
{
    QTemporaryDir dir;
    ReportPreviewWindow window(makeReportRows(40), "10.12.26");
    QString error;
    ASSERT_TRUE(window.exportTo(ReportFileForm::Report, dir.filePath("r.zqr"), error)) << error.toStdString();

    ReportPreviewWindow other(makeReportRows(1), "other");
    ASSERT_TRUE(other.loadFrom(dir.filePath("r.zqr"), error)) << error.toStdString();
    EXPECT_EQ(other.report().pageCount(), 2);
    EXPECT_EQ(other.report().printDate(), "10.12.26");
    EXPECT_EQ(other.currentPage(), 1);
    for (int page = 1; page <= 2; ++page) {
        const ReportPage a = window.report().page(page);
        const ReportPage b = other.report().page(page);
        ASSERT_EQ(a.items.size(), b.items.size());
        for (std::size_t i = 0; i < a.items.size(); ++i) {
            EXPECT_EQ(a.items[i].text, b.items[i].text);
            EXPECT_EQ(a.items[i].topMm, b.items[i].topMm);
        }
    }

    // A file that is not a saved report keeps what is shown.
    ASSERT_FALSE(other.loadFrom(dir.filePath("missing.zqr"), error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(other.report().pageCount(), 2);
}

TEST(ReportPreview, PrintingHonoursThePageRanges)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    const auto rows = makeReportRows(200);  // six pages
    const DataReport report(*rows, "d");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("printed.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    const QPageRanges ranges = QPageRanges::fromString(QStringLiteral("2,4-5"));
    ReportJob job(std::make_unique<ReportPrinterSink>(report, printer, ranges), ranges.firstPage(),
                  ranges.lastPage());
    ASSERT_EQ(job.run(), ReportJob::Status::Done) << job.errorText();

    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {dir.filePath("printed.pdf"), QStringLiteral("-")});
    pdftotext.waitForFinished(30000);
    const QStringList pages = QString::fromLatin1(pdftotext.readAllStandardOutput()).split(QLatin1Char('\f'));
    ASSERT_EQ(pages.size(), 4);  // three pages and what follows the last feed
    // Each printed page starts with its first row's number and ends with its own.
    const std::pair<int, int> expected[] = {{38, 2}, {112, 4}, {149, 5}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(pages[i].contains(QStringLiteral("\n%1\n").arg(expected[i].first))) << i;
        EXPECT_TRUE(pages[i].trimmed().endsWith(QString::number(expected[i].second))) << i;
    }
}

TEST(ReportPreview, PrintWithoutPrinterSaysSo)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is installed here";
    ReportPreviewWindow window(makeReportRows(3), "d");
    QString text;
    whenModalShows([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            text = box->text();
            box->accept();
        }
    });
    trigger(window, "Print");
    EXPECT_TRUE(text.contains(QStringLiteral("No printer is installed"))) << text.toStdString();
}

TEST(ReportPreview, PrintDataFreezesTheGridAndRecordingGoesOn)
{
    RecordTable table;
    GridListener grid;
    table.addListener(&grid);
    for (int no = 1; no <= 38; ++no)
        table.appendRow(recordRow(no));
    grid.changes.clear();

    bool frozenMeanwhile = false;
    int pagesMeanwhile = 0;
    whenModalShows([&](QWidget* modal) {
        auto* preview = qobject_cast<ReportPreviewWindow*>(modal);
        ASSERT_NE(preview, nullptr);
        frozenMeanwhile = table.viewsFrozen();
        // Readings recorded while the preview is open.
        for (int no = 39; no <= 80; ++no)
            table.appendRow(recordRow(no));
        pagesMeanwhile = preview->report().pageCount();
        preview->accept();
    });
    showDataReportPreview(table, nullptr);

    EXPECT_TRUE(frozenMeanwhile);
    EXPECT_EQ(pagesMeanwhile, 2);
    EXPECT_FALSE(table.viewsFrozen());
    // The grid hears of the rows recorded meanwhile once the preview closes.
    ASSERT_EQ(grid.changes.size(), 1u);
    EXPECT_EQ(grid.changes[0].rowCount, 80u);
    table.removeListener(&grid);
}

}  // namespace
