#pragma once

#include "report/data_report.h"

#include <QWidget>

/// One page of a report on screen: white paper the size of an A4 sheet at
/// the zoom given, with its texts. Lays out and paints only that page.
class ReportPageView final : public QWidget {
    Q_OBJECT
public:
    explicit ReportPageView(QWidget* parent = nullptr);

    /// Shows page @p number of @p report (which must outlive the view, or
    /// be replaced before it goes).
    void showPage(const DataReport* report, int number);
    int pageNumber() const { return page_.number; }
    const ReportPage& page() const { return page_; }

    /// Screen pixels a millimetre of paper takes.
    void setDotsPerMm(double dotsPerMm);
    double dotsPerMm() const { return dotsPerMm_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ReportPage page_;
    double dotsPerMm_ = 3.0;
};
