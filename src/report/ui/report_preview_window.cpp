#include "report/ui/report_preview_window.h"

#include "report/report_file_loader.h"
#include "report/report_file_format.h"
#include "report/report_job.h"
#include "report/report_page_sink.h"
#include "report/ui/report_page_view.h"
#include "report/ui/report_printer_sink.h"
#include "report/ui/report_progress.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include <chrono>

namespace {

// A slice of an export or a print: short enough that meter readings,
// which come every half second, are never held up.
constexpr std::chrono::milliseconds kSlice(40);
constexpr int kLoadRowsPerSlice = 20000;

struct FormFilter {
    ReportFileForm form;
    const char* filter;
};

const FormFilter kFilters[] = {
    {ReportFileForm::Report, "Data report (*.zqr)"},
    {ReportFileForm::Pdf, "PDF (*.pdf)"},
    {ReportFileForm::Html, "HTML (*.html *.htm)"},
    {ReportFileForm::Text, "Plain text (*.txt)"},
    {ReportFileForm::Csv, "Comma-separated values (*.csv)"},
};

QString fromLocal(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
}

}  // namespace

ReportPreviewWindow::ReportPreviewWindow(std::unique_ptr<ReportRows> rows, std::string printDate,
                                         QWidget* parent)
    : QDialog(parent), m_printer(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("Print Preview - Data Report"));
    setSizeGripEnabled(true);

    // One copy, no duplex, all pages, automatic paper bin, A4 portrait.
    m_printer.setCopyCount(1);
    m_printer.setDuplex(QPrinter::DuplexNone);
    m_printer.setPrintRange(QPrinter::AllPages);
    m_printer.setPaperSource(QPrinter::Auto);
    m_printer.setPageSize(QPageSize(QPageSize::A4));
    m_printer.setPageOrientation(QPageLayout::Portrait);
    m_printer.setFullPage(true);

    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("PreviewTools"));
    auto add = [&](const char* name, const char* text, const QKeySequence& key, auto slot) {
        QAction* action = toolBar->addAction(QString::fromLatin1(text));
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("ZoomFit", "Whole Page", QKeySequence(), [this] { setZoom(Zoom::FitPage); });
    add("Zoom100", "100 %", QKeySequence(), [this] { setZoom(Zoom::Actual); });
    add("ZoomWidth", "Page Width", QKeySequence(), [this] { setZoom(Zoom::PageWidth); });
    toolBar->addSeparator();
    m_first = add("FirstPage", "First", QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { firstPage(); });
    m_prior = add("PriorPage", "Prior", QKeySequence(Qt::Key_PageUp), [this] { priorPage(); });
    m_pageNumber = new QSpinBox(this);
    m_pageNumber->setObjectName(QStringLiteral("PageNumber"));
    m_pageNumber->setKeyboardTracking(false);
    m_pageNumber->setAccelerated(true);
    toolBar->addWidget(m_pageNumber);
    m_pageCount = new QLabel(this);
    m_pageCount->setObjectName(QStringLiteral("PageCount"));
    toolBar->addWidget(m_pageCount);
    m_next = add("NextPage", "Next", QKeySequence(Qt::Key_PageDown), [this] { nextPage(); });
    m_last = add("LastPage", "Last", QKeySequence(Qt::CTRL | Qt::Key_End), [this] { lastPage(); });
    toolBar->addSeparator();
    add("Print", "Print...", QKeySequence::Print, [this] { print(); });
    add("PrinterSetup", "Printer Setup...", QKeySequence(), [this] { printerSetup(); });
    add("SaveReport", "Save...", QKeySequence::Save, [this] { save(); });
    add("LoadReport", "Load...", QKeySequence::Open, [this] { load(); });
    toolBar->addSeparator();
    add("ClosePreview", "Close", QKeySequence(), [this] { accept(); });
    connect(m_pageNumber, &QSpinBox::valueChanged, this, [this](int number) { showPage(number); });

    m_view = new ReportPageView;
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("PageArea"));
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setWidget(m_view);
    m_scroll->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(m_scroll, 1);

    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1024, 768);
    resize(std::min(900, screen.width()), std::min(1000, screen.height() - 40));

    setReport(std::move(rows), std::move(printDate));
}

ReportPreviewWindow::~ReportPreviewWindow() = default;

void ReportPreviewWindow::setReport(std::unique_ptr<ReportRows> rows, std::string printDate)
{
    auto report = std::make_unique<DataReport>(*rows, std::move(printDate));
    m_view->showPage(nullptr, 0);
    m_report = std::move(report);
    m_rows = std::move(rows);
    m_currentPage = 0;
    {
        const QSignalBlocker block(m_pageNumber);
        m_pageNumber->setRange(1, m_report->pageCount());
    }
    m_pageCount->setText(QStringLiteral(" of %1 ").arg(m_report->pageCount()));
    showPage(1);
}

void ReportPreviewWindow::showPage(int number)
{
    number = std::clamp(number, 1, m_report->pageCount());
    if (number == m_currentPage)
        return;
    m_currentPage = number;
    m_view->showPage(m_report.get(), number);
    m_scroll->verticalScrollBar()->setValue(0);
    updateControls();
}

void ReportPreviewWindow::updateControls()
{
    {
        const QSignalBlocker block(m_pageNumber);
        m_pageNumber->setValue(m_currentPage);
    }
    m_first->setEnabled(m_currentPage > 1);
    m_prior->setEnabled(m_currentPage > 1);
    m_next->setEnabled(m_currentPage < m_report->pageCount());
    m_last->setEnabled(m_currentPage < m_report->pageCount());
}

void ReportPreviewWindow::setZoom(Zoom zoom)
{
    m_zoom = zoom;
    applyZoom();
}

void ReportPreviewWindow::applyZoom()
{
    const QSize room = m_scroll->maximumViewportSize() - QSize(8, 8);
    double dotsPerMm = m_view->logicalDpiX() / 25.4;
    switch (m_zoom) {
    case Zoom::Actual: break;
    case Zoom::FitPage:
        dotsPerMm = std::min(room.width() / DataReport::kPageWidthMm, room.height() / DataReport::kPageHeightMm);
        break;
    case Zoom::PageWidth: {
        // Leave room for the vertical scroll bar that a page this wide needs.
        const int bar = m_scroll->verticalScrollBar()->sizeHint().width();
        dotsPerMm = (room.width() - bar) / DataReport::kPageWidthMm;
        break;
    }
    }
    m_view->setDotsPerMm(std::max(0.5, dotsPerMm));
}

bool ReportPreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The page area's own size, once its layout has set it, decides the fit.
    if (watched == m_scroll && event->type() == QEvent::Resize && m_zoom != Zoom::Actual)
        applyZoom();
    return QDialog::eventFilter(watched, event);
}

bool ReportPreviewWindow::exportTo(ReportFileForm form, const QString& path, QString& error)
{
    error.clear();
    ReportJob job(makeReportFileSink(form, *m_report, path), 1, m_report->pageCount());
    const bool finished = runWithProgress(
        this, QStringLiteral("Saving %1...").arg(QFileInfo(path).fileName()), job.pageTotal(),
        [&] { return job.step(kSlice) == ReportJob::Status::Running; }, [&] { return job.pagesDone(); });
    if (!finished) {
        job.cancel();
        return false;
    }
    if (job.status() != ReportJob::Status::Done) {
        error = fromLocal(job.errorText());
        return false;
    }
    return true;
}

bool ReportPreviewWindow::loadFrom(const QString& path, QString& error)
{
    error.clear();
    ReportFileLoader loader(path);
    if (loader.status() == ReportFileLoader::Status::Running) {
        const bool finished = runWithProgress(
            this, QStringLiteral("Loading %1...").arg(QFileInfo(path).fileName()), loader.rowsExpected(),
            [&] { return loader.step(kLoadRowsPerSlice) == ReportFileLoader::Status::Running; },
            [&] { return loader.rowsRead(); });
        if (!finished)
            return false;
    }
    if (loader.status() != ReportFileLoader::Status::Done) {
        error = fromLocal(loader.errorText());
        return false;
    }
    setReport(loader.takeRows(), loader.printDate());
    return true;
}

void ReportPreviewWindow::save()
{
    QStringList filters;
    for (const FormFilter& f : kFilters)
        filters << QString::fromLatin1(f.filter);
    QString selected = filters.front();
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Report"), QString(),
                                                filters.join(QStringLiteral(";;")), &selected);
    if (path.isEmpty())
        return;
    ReportFileForm form = ReportFileForm::Report;
    for (const FormFilter& f : kFilters) {
        if (selected == QString::fromLatin1(f.filter))
            form = f.form;
    }
    // A name typed with one of the forms' suffixes means that form.
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool known = false;
    for (const FormFilter& f : kFilters) {
        const std::string_view own = reportFileSuffix(f.form);
        if (suffix == QLatin1String(own.data(), qsizetype(own.size())) ||
            (f.form == ReportFileForm::Html && suffix == QLatin1String("htm"))) {
            form = f.form;
            known = true;
        }
    }
    if (!known && suffix.isEmpty()) {
        const std::string_view own = reportFileSuffix(form);
        path += QLatin1Char('.') + QString::fromLatin1(own.data(), qsizetype(own.size()));
    }
    QString error;
    if (!exportTo(form, path, error))
        tellError(error);
}

void ReportPreviewWindow::load()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Load Report"), QString(),
                                                      QString::fromLatin1(kFilters[0].filter));
    QString error;
    if (!path.isEmpty() && !loadFrom(path, error))
        tellError(error);
}

void ReportPreviewWindow::tellError(const QString& error)
{
    if (!error.isEmpty())
        QMessageBox::critical(this, windowTitle(), error);
}

bool ReportPreviewWindow::havePrinter()
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        return true;
    QMessageBox::information(this, windowTitle(),
                             QStringLiteral("No printer is installed on this computer.\n"
                                            "Install a printer, or save the report as PDF and print that."));
    return false;
}

void ReportPreviewWindow::print()
{
    if (!havePrinter())
        return;
    m_printer.setFromTo(0, 0);
    m_printer.setPrintRange(QPrinter::AllPages);
    QPrintDialog dialog(&m_printer, this);
    dialog.setMinMax(1, m_report->pageCount());
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCurrentPage |
                      QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return;

    int first = 1;
    int last = m_report->pageCount();
    QPageRanges ranges;
    switch (m_printer.printRange()) {
    case QPrinter::PageRange:
        ranges = m_printer.pageRanges();
        if (!ranges.isEmpty()) {
            first = std::max(first, ranges.firstPage());
            last = std::min(last, ranges.lastPage());
        }
        break;
    case QPrinter::CurrentPage: first = last = m_currentPage; break;
    default: break;
    }
    if (first > last)
        return;
    ReportJob job(std::make_unique<ReportPrinterSink>(*m_report, m_printer, ranges), first, last);
    const bool finished = runWithProgress(
        this, QStringLiteral("Printing..."), job.pageTotal(),
        [&] { return job.step(kSlice) == ReportJob::Status::Running; }, [&] { return job.pagesDone(); });
    if (!finished) {
        job.cancel();
        return;
    }
    if (job.status() != ReportJob::Status::Done)
        tellError(fromLocal(job.errorText()));
}

void ReportPreviewWindow::printerSetup()
{
    if (!havePrinter())
        return;
    QPageSetupDialog dialog(&m_printer, this);
    dialog.exec();
}
