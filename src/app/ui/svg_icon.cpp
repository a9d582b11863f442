#include "app/ui/svg_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

QIcon svgIcon(const QString& resource, std::initializer_list<QSize> sizes)
{
    QSvgRenderer renderer(resource);
    QIcon icon;
    if (!renderer.isValid())
        return icon;
    for (const QSize& size : sizes) {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
