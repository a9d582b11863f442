#include "report/ui/report_preview_window.h"

#include "report/report_file_loader.h"
#include "report/report_job.h"
#include "report/ui/report_page_view.h"
#include "report/ui/report_printer_sink.h"

#include <QAction>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <chrono>
#include <functional>

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

// Runs a long task in slices on the caller's thread with a progress
// dialog that can cancel it; events (meter readings among them) go on
// being handled between slices. @p step does one slice and returns false
// when the task has ended; @p done gives the units done of @p total.
// Returns false when the user cancelled (the task is then left for the
// caller to drop).
bool runWithProgress(QWidget* parent, const QString& label, int total, const std::function<bool()>& step,
                     const std::function<int()>& done)
{
    QProgressDialog progress(label, QStringLiteral("Cancel"), 0, std::max(1, total), parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(400);
    progress.setAutoReset(false);
    progress.setAutoClose(false);

    bool cancelled = false;
    bool busy = false;
    QEventLoop loop;
    QTimer slices;
    slices.setInterval(0);
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        loop.quit();
    });
    QObject::connect(&slices, &QTimer::timeout, &loop, [&] {
        // setValue() lets events run; a timeout arriving then must not nest.
        if (cancelled || busy)
            return;
        busy = true;
        const bool more = step();
        progress.setValue(std::min(done(), progress.maximum()));
        busy = false;
        if (!more)
            loop.quit();
    });
    slices.start();
    loop.exec();
    slices.stop();
    return !cancelled;
}

}  // namespace

ReportPreviewWindow::ReportPreviewWindow(std::unique_ptr<ReportRows> rows, std::string printDate,
                                         QWidget* parent)
    : QDialog(parent), printer_(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QStringLiteral("Print Preview - Data Report"));
    setSizeGripEnabled(true);

    // One copy, no duplex, all pages, automatic paper bin, A4 portrait.
    printer_.setCopyCount(1);
    printer_.setDuplex(QPrinter::DuplexNone);
    printer_.setPrintRange(QPrinter::AllPages);
    printer_.setPaperSource(QPrinter::Auto);
    printer_.setPageSize(QPageSize(QPageSize::A4));
    printer_.setPageOrientation(QPageLayout::Portrait);
    printer_.setFullPage(true);

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
    first_ = add("FirstPage", "First", QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { firstPage(); });
    prior_ = add("PriorPage", "Prior", QKeySequence(Qt::Key_PageUp), [this] { priorPage(); });
    pageNumber_ = new QSpinBox(this);
    pageNumber_->setObjectName(QStringLiteral("PageNumber"));
    pageNumber_->setKeyboardTracking(false);
    pageNumber_->setAccelerated(true);
    toolBar->addWidget(pageNumber_);
    pageCount_ = new QLabel(this);
    pageCount_->setObjectName(QStringLiteral("PageCount"));
    toolBar->addWidget(pageCount_);
    next_ = add("NextPage", "Next", QKeySequence(Qt::Key_PageDown), [this] { nextPage(); });
    last_ = add("LastPage", "Last", QKeySequence(Qt::CTRL | Qt::Key_End), [this] { lastPage(); });
    toolBar->addSeparator();
    add("Print", "Print...", QKeySequence::Print, [this] { print(); });
    add("PrinterSetup", "Printer Setup...", QKeySequence(), [this] { printerSetup(); });
    add("SaveReport", "Save...", QKeySequence::Save, [this] { save(); });
    add("LoadReport", "Load...", QKeySequence::Open, [this] { load(); });
    toolBar->addSeparator();
    add("ClosePreview", "Close", QKeySequence(), [this] { accept(); });
    connect(pageNumber_, &QSpinBox::valueChanged, this, [this](int number) { showPage(number); });

    view_ = new ReportPageView;
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("PageArea"));
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(view_);
    scroll_->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(scroll_, 1);

    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1024, 768);
    resize(std::min(900, screen.width()), std::min(1000, screen.height() - 40));

    setReport(std::move(rows), std::move(printDate));
}

ReportPreviewWindow::~ReportPreviewWindow() = default;

void ReportPreviewWindow::setReport(std::unique_ptr<ReportRows> rows, std::string printDate)
{
    auto report = std::make_unique<DataReport>(*rows, std::move(printDate));
    view_->showPage(nullptr, 0);
    report_ = std::move(report);
    rows_ = std::move(rows);
    currentPage_ = 0;
    {
        const QSignalBlocker block(pageNumber_);
        pageNumber_->setRange(1, report_->pageCount());
    }
    pageCount_->setText(QStringLiteral(" of %1 ").arg(report_->pageCount()));
    showPage(1);
}

void ReportPreviewWindow::showPage(int number)
{
    number = std::clamp(number, 1, report_->pageCount());
    if (number == currentPage_)
        return;
    currentPage_ = number;
    view_->showPage(report_.get(), number);
    scroll_->verticalScrollBar()->setValue(0);
    updateControls();
}

void ReportPreviewWindow::updateControls()
{
    {
        const QSignalBlocker block(pageNumber_);
        pageNumber_->setValue(currentPage_);
    }
    first_->setEnabled(currentPage_ > 1);
    prior_->setEnabled(currentPage_ > 1);
    next_->setEnabled(currentPage_ < report_->pageCount());
    last_->setEnabled(currentPage_ < report_->pageCount());
}

void ReportPreviewWindow::setZoom(Zoom zoom)
{
    zoom_ = zoom;
    applyZoom();
}

void ReportPreviewWindow::applyZoom()
{
    const QSize room = scroll_->maximumViewportSize() - QSize(8, 8);
    double dotsPerMm = view_->logicalDpiX() / 25.4;
    switch (zoom_) {
    case Zoom::Actual: break;
    case Zoom::FitPage:
        dotsPerMm = std::min(room.width() / DataReport::kPageWidthMm, room.height() / DataReport::kPageHeightMm);
        break;
    case Zoom::PageWidth: {
        // Leave room for the vertical scroll bar that a page this wide needs.
        const int bar = scroll_->verticalScrollBar()->sizeHint().width();
        dotsPerMm = (room.width() - bar) / DataReport::kPageWidthMm;
        break;
    }
    }
    view_->setDotsPerMm(std::max(0.5, dotsPerMm));
}

bool ReportPreviewWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The page area's own size, once its layout has set it, decides the fit.
    if (watched == scroll_ && event->type() == QEvent::Resize && zoom_ != Zoom::Actual)
        applyZoom();
    return QDialog::eventFilter(watched, event);
}

bool ReportPreviewWindow::exportTo(ReportFileForm form, const QString& path, QString& error)
{
    error.clear();
    ReportJob job(makeReportFileSink(form, *report_, path), 1, report_->pageCount());
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
    printer_.setFromTo(0, 0);
    printer_.setPrintRange(QPrinter::AllPages);
    QPrintDialog dialog(&printer_, this);
    dialog.setMinMax(1, report_->pageCount());
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCurrentPage |
                      QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted)
        return;

    int first = 1;
    int last = report_->pageCount();
    QPageRanges ranges;
    switch (printer_.printRange()) {
    case QPrinter::PageRange:
        ranges = printer_.pageRanges();
        if (!ranges.isEmpty()) {
            first = std::max(first, ranges.firstPage());
            last = std::min(last, ranges.lastPage());
        }
        break;
    case QPrinter::CurrentPage: first = last = currentPage_; break;
    default: break;
    }
    if (first > last)
        return;
    ReportJob job(std::make_unique<ReportPrinterSink>(*report_, printer_, ranges), first, last);
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
    QPageSetupDialog dialog(&printer_, this);
    dialog.exec();
}
