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
    m_page = report ? report->page(number) : ReportPage{};
    update();
}

void ReportPageView::setDotsPerMm(double dotsPerMm)
{
    if (dotsPerMm <= 0.0 || dotsPerMm == m_dotsPerMm)
        return;
    m_dotsPerMm = dotsPerMm;
    setFixedSize(sizeHint());
    update();
}

QSize ReportPageView::sizeHint() const
{
    return QSize(int(std::lround(DataReport::kPageWidthMm * m_dotsPerMm)),
                 int(std::lround(DataReport::kPageHeightMm * m_dotsPerMm)));
}

void ReportPageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintReportPage(painter, m_page, m_dotsPerMm);
}
