#include "chart/ui/chart_enlarger.h"

#include <QWidget>

ChartEnlarger::ChartEnlarger(QWidget& window, QWidget& chart, QWidget& enlarge, QWidget& restore)
    : window_(window), chart_(chart), TbFd(enlarge), TbSx(restore)
{
}

bool ChartEnlarger::enlarged() const { return chart_.y() <= 50; }

void ChartEnlarger::TbSxClick()
{
    if (!enlarged()) {
        TbFd.hide();
        TbSx.show();
        saved_ = chart_.geometry();
        // The window's outer size, frame and title bar included: the margins
        // leave the chart inside the client area below the top strip.
        const QSize frame = window_.frameGeometry().size();
        chart_.setGeometry(2, 30, frame.width() - 12, frame.height() - 75);
        chart_.raise();
    } else {
        TbSx.hide();
        TbFd.show();
        chart_.setGeometry(saved_);
    }
}
