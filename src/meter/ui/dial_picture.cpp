#include "meter/ui/dial_picture.h"

#include <QPainter>

namespace {

QPoint toQPoint(const DialPoint& point) { return {point.x, point.y}; }

}  // namespace

DialPicture::DialPicture(QWidget* parent) : QWidget(parent) {}

void DialPicture::draw(const std::vector<DialDrawing>& drawings)
{
    if (drawings.empty())
        return;
    if (picture_.isNull()) {
        picture_ = QImage(size(), QImage::Format_RGB32);
        picture_.fill(Qt::white);
    }
    QPainter painter(&picture_);
    for (const DialDrawing& drawing : drawings) {
        if (drawing.kind == DialDrawing::Kind::Scale) {
            drawScale(painter, drawing.scale);
        } else {
            // The white line takes the last needle away, and with it the
            // part of the scale beneath; only a new scale restores that.
            drawLine(painter, drawing.erased, Qt::white);
            drawLine(painter, drawing.needle, Qt::black);
        }
    }
    update();
}

void DialPicture::drawScale(QPainter& painter, const DialScale& scale)
{
    picture_.fill(Qt::white);
    painter.setBrush(Qt::white);

    QFont labelFont = font();
    labelFont.setPointSize(8);
    labelFont.setUnderline(false);
    painter.setFont(labelFont);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    painter.setBackground(Qt::white);
    painter.setBackgroundMode(Qt::OpaqueMode);
    for (const DialLabel& label : scale.labels) {
        const QString text = QString::fromLatin1(label.text.data(), static_cast<qsizetype>(label.text.size()));
        const QRect box = painter.fontMetrics().boundingRect(text);
        painter.drawText(QRect(toQPoint(label.topLeft), box.size()), Qt::AlignLeft | Qt::AlignTop, text);
    }
    painter.setBackgroundMode(Qt::TransparentMode);

    painter.setPen(QPen(Qt::black, 2));
    for (const DialPoint& mark : scale.majorMarks)
        painter.drawEllipse(QRect(toQPoint(mark), QSize(2, 2)));
    painter.setPen(QPen(Qt::black, 4));
    for (const DialPoint& blob : scale.band)
        painter.drawEllipse(QRect(toQPoint(blob), QSize(2, 2)));
}

void DialPicture::drawLine(QPainter& painter, const DialNeedle& needle, const QColor& colour)
{
    painter.setPen(QPen(colour, 3));
    const QPoint line[] = {toQPoint(needle.tip), toQPoint(needle.base)};
    painter.drawPolyline(line, 2);
}

void DialPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (picture_.isNull())
        return;
    painter.drawImage(rect(), picture_);
}
