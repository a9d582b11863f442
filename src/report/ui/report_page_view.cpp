#include "report/ui/report_page_view.h"

#include "report/data_report.h"
#include "report/report_painter.h"

#include <QPainter>
#include <QPaintEvent>

#include <cmath>

ReportPageView::ReportPageView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ReportPage"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(sizeHint());
}

void ReportPageView::showPage(const DataReport* report, int number)
{
    page_ = report ? report->page(number) : ReportPage{};
    update();
}

void ReportPageView::setDotsPerMm(double dotsPerMm)
{
    if (dotsPerMm <= 0.0 || dotsPerMm == dotsPerMm_)
        return;
    dotsPerMm_ = dotsPerMm;
    setFixedSize(sizeHint());
    update();
}

QSize ReportPageView::sizeHint() const
{
    return QSize(int(std::lround(DataReport::kPageWidthMm * dotsPerMm_)),
                 int(std::lround(DataReport::kPageHeightMm * dotsPerMm_)));
}

void ReportPageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintReportPage(painter, page_, dotsPerMm_);
}
