#include "meter/ui/svg_picture.h"

#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

SvgPicture::SvgPicture(const QString& resource, QWidget* parent)
    : QWidget(parent), renderer_(new QSvgRenderer(resource, this))
{
    setAttribute(Qt::WA_TranslucentBackground);
}

bool SvgPicture::isValid() const { return renderer_->isValid(); }

void SvgPicture::paintEvent(QPaintEvent*)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (rendered_.size() != pixels) {
        rendered_ = QPixmap(pixels);
        rendered_.fill(Qt::transparent);
        QPainter canvas(&rendered_);
        canvas.setRenderHint(QPainter::Antialiasing);
        renderer_->render(&canvas, QRectF(QPointF(0, 0), QSizeF(pixels)));
        rendered_.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, rendered_);
}

void SvgPicture::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}
