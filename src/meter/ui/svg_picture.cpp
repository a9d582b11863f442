#include "meter/ui/svg_picture.h"

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
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer_->render(&painter, QRectF(rect()));
}
