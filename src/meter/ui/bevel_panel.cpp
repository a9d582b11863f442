#include "meter/ui/bevel_panel.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

void drawBevel(QPainter& painter, QRect& rect, BevelPanel::Bevel bevel, int width, const QPalette& palette)
{
    if (bevel == BevelPanel::Bevel::None)
        return;
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    const QColor topLeft = bevel == BevelPanel::Bevel::Raised ? light : dark;
    const QColor bottomRight = bevel == BevelPanel::Bevel::Raised ? dark : light;
    for (int i = 0; i < width; ++i) {
        painter.setPen(topLeft);
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
        rect.adjust(1, 1, -1, -1);
    }
}

}  // namespace

BevelPanel::BevelPanel(QWidget* parent) : QWidget(parent), color_(palette().color(QPalette::Button)) {}

void BevelPanel::setBevels(Bevel outer, Bevel inner, int bevelWidth, int borderWidth)
{
    outer_ = outer;
    inner_ = inner;
    bevelWidth_ = bevelWidth;
    borderWidth_ = borderWidth;
    update();
}

void BevelPanel::setColor(const QColor& color)
{
    color_ = color;
    update();
}

void BevelPanel::setCaption(const QString& caption)
{
    if (caption_ == caption)
        return;
    caption_ = caption;
    update();
}

void BevelPanel::setCaptionColor(const QColor& color)
{
    if (captionColor_ == color)
        return;
    captionColor_ = color;
    update();
}

void BevelPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), color_);
    QRect frame = rect();
    drawBevel(painter, frame, outer_, bevelWidth_, palette());
    frame.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    drawBevel(painter, frame, inner_, bevelWidth_, palette());
    if (!caption_.isEmpty()) {
        painter.setPen(captionColor_);
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, caption_);
    }
}

void BevelPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}
