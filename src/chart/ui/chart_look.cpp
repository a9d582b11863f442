#include "chart/ui/chart_look.h"

#include "chart/ui/chart_envelope_graph.h"

#include <QFont>
#include <QLinearGradient>

#include <qcustomplot.h>

namespace {

/// Arial at a character height of @p pixels; fontconfig stands in its
/// metric twin where it is missing.
QFont arial(int pixels, bool italic = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setItalic(italic);
    return font;
}

/// Four minor ticks between two major ones, whatever the step.
class FourSubTicks : public QCPAxisTicker {
protected:
    int getSubTickCount(double) override { return 4; }
};

const QColor kSilver(192, 192, 192);

}  // namespace

void applyChartLook(QCustomPlot& plot)
{
    plot.setInteractions({});
    plot.legend->setVisible(false);

    QLinearGradient wall(0, 0, 0, 1);
    wall.setCoordinateMode(QGradient::ObjectMode);
    wall.setColorAt(0, kSilver);
    wall.setColorAt(1, Qt::white);
    plot.setBackground(QBrush(wall));
    plot.axisRect()->setBackground(Qt::white);

    plot.plotLayout()->insertRow(0);
    auto* title = new QCPTextElement(&plot, QStringLiteral("  "), arial(13));
    title->setTextColor(Qt::black);
    plot.plotLayout()->addElement(0, 0, title);

    // The back wall's silver outline: the upper and right axes, bare.
    plot.axisRect()->setupFullAxesBox();
    for (QCPAxis* side : {plot.xAxis2, plot.yAxis2}) {
        side->setBasePen(QPen(kSilver));
        side->setTicks(false);
        side->setTickLabels(false);
    }
    for (QCPAxis* axis : {plot.xAxis, plot.yAxis})
        axis->setTickLabelFont(arial(11));
    plot.xAxis->setRange(0, 100);
    plot.yAxis->setRange(-11000, 11000);
    plot.yAxis->setTicker(QSharedPointer<QCPAxisTicker>(new FourSubTicks));
    plot.yAxis->setTickLength(0, 3);
    plot.yAxis->setSubTickLength(0, 3);

    // Series 0 is the area: filled down to the zero line, as one stacked
    // area is; series 1 the line over it. Both draw a page of millions of
    // points from the summaries the chart engine attaches to them.
    QCPGraph* Series2 = new ChartEnvelopeGraph(plot.xAxis, plot.yAxis);
    Series2->setObjectName(QStringLiteral("Series2"));
    Series2->setName(QStringLiteral("Series2"));
    Series2->setPen(QPen(QColor(0, 128, 255)));
    Series2->setBrush(QColor(255, 255, 128));
    Series2->setSelectable(QCP::stNone);
    QCPGraph* Series1 = new ChartEnvelopeGraph(plot.xAxis, plot.yAxis);
    Series1->setObjectName(QStringLiteral("Series1"));
    Series1->setName(QStringLiteral("Series1"));
    Series1->setPen(QPen(QColor(128, 255, 0)));
    Series1->setSelectable(QCP::stNone);
    Series1->removeFromLegend();
}
