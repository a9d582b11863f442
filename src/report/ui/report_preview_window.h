#pragma once

#include "report/data_report.h"
#include "report/report_file_sinks.h"

#include <QDialog>
#include <QPrinter>

#include <memory>

class QLabel;
class QScrollArea;
class QSpinBox;
class ReportPageView;

/// The report's preview: one page in view at a time, zoom, paging, print,
/// printer setup, save and export, load a saved report.
class ReportPreviewWindow final : public QDialog {
    Q_OBJECT
public:
    enum class Zoom { FitPage, Actual, PageWidth };

    /// Previews a report over @p rows (taken as they are now) printed on
    /// @p printDate.
    ReportPreviewWindow(std::unique_ptr<ReportRows> rows, std::string printDate, QWidget* parent = nullptr);
    ~ReportPreviewWindow() override;

    const DataReport& report() const { return *report_; }
    int currentPage() const { return currentPage_; }
    const ReportPageView& pageView() const { return *view_; }
    Zoom zoom() const { return zoom_; }

    void showPage(int number);
    void firstPage() { showPage(1); }
    void priorPage() { showPage(currentPage_ - 1); }
    void nextPage() { showPage(currentPage_ + 1); }
    void lastPage() { showPage(report_->pageCount()); }
    void setZoom(Zoom zoom);

    /// Writes the whole report to @p path in @p form, with a progress
    /// dialog; false when it failed (@p error says why) or was cancelled
    /// (@p error empty).
    bool exportTo(ReportFileForm form, const QString& path, QString& error);
    /// Shows the saved report in @p path instead; false, with the shown
    /// report kept, when it cannot be loaded (@p error says why) or loading
    /// was cancelled (@p error empty).
    bool loadFrom(const QString& path, QString& error);

    /// Asks for a file and form, then exports.
    void save();
    /// Asks for a saved report, then loads it.
    void load();
    /// The printer dialog, then prints the pages chosen.
    void print();
    /// The page setup dialog of the printer.
    void printerSetup();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setReport(std::unique_ptr<ReportRows> rows, std::string printDate);
    void applyZoom();
    void updateControls();
    bool havePrinter();
    void tellError(const QString& error);

    std::unique_ptr<ReportRows> rows_;
    std::unique_ptr<DataReport> report_;
    int currentPage_ = 1;
    Zoom zoom_ = Zoom::FitPage;
    QPrinter printer_;

    QScrollArea* scroll_ = nullptr;
    ReportPageView* view_ = nullptr;
    QSpinBox* pageNumber_ = nullptr;
    QLabel* pageCount_ = nullptr;
    QAction* first_ = nullptr;
    QAction* prior_ = nullptr;
    QAction* next_ = nullptr;
    QAction* last_ = nullptr;
};
