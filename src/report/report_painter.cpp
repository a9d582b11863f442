#include "report/report_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <optional>

namespace {

QFont fontFor(const ReportFont& font, double dotsPerMm, int deviceDpi)
{
    QFont qfont;
    // Where Arial is missing, Liberation Sans has the same metrics.
    qfont.setFamilies({QString::fromLatin1(font.family.c_str()), QStringLiteral("Liberation Sans")});
    qfont.setStyleHint(QFont::SansSerif);
    // The device turns points into its own dots; scale them so a point is
    // 1/72 inch at the painter's scale instead.
    qfont.setPointSizeF(font.pointSize * dotsPerMm * 25.4 / double(deviceDpi));
    qfont.setBold(font.bold);
    return qfont;
}

}  // namespace

void paintReportPage(QPainter& painter, const ReportPage& page, double dotsPerMm)
{
    QPaintDevice* device = painter.device();
    const int dpi = device ? device->logicalDpiY() : 96;
    painter.save();
    painter.setPen(Qt::black);
    const ReportFont* current = nullptr;
    double ascent = 0.0;
    std::optional<QFontMetricsF> metrics;
    for (const ReportItem& item : page.items) {
        if (!current || !(*current == item.font)) {
            const QFont font = fontFor(item.font, dotsPerMm, dpi);
            painter.setFont(font);
            metrics.emplace(font, device);
            ascent = metrics->ascent();
            current = &item.font;
        }
        const QString text = QString::fromLatin1(item.text.data(), qsizetype(item.text.size()));
        // Drawn at its baseline: laying out a box per text costs several
        // times more, and a page has some three hundred of them.
        double left = item.leftMm * dotsPerMm;
        double top = item.topMm * dotsPerMm;
        if (item.hasBox()) {
            left += (item.boxWidthMm * dotsPerMm - metrics->horizontalAdvance(text)) / 2.0;
            top += (item.boxHeightMm * dotsPerMm - metrics->height()) / 2.0;
        }
        painter.drawText(QPointF(left, top + ascent), text);
    }
    painter.restore();
}
