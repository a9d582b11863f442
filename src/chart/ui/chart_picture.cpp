#include "chart/ui/chart_picture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

#include <qcustomplot.h>

namespace {

QString failure(const QString& fileName, const QString& reason)
{
    return QStringLiteral("Cannot save the picture to %1: %2").arg(fileName, reason);
}

}  // namespace

QString saveChartPicture(QCustomPlot& plot, const QString& fileName)
{
    const QImage image =
        plot.toPixmap(plot.width(), plot.height(), 1.0).toImage().convertToFormat(QImage::Format_RGB888);
    QByteArray bitmap;
    QBuffer buffer(&bitmap);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "BMP"))
        return failure(fileName, QStringLiteral("the chart could not be drawn"));

    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile()) {
        // A device or pipe cannot be renamed over; write to it in place
        // (a full disk such as /dev/full fails here).
        QFile device(fileName);
        if (!device.open(QIODevice::WriteOnly) || device.write(bitmap) != bitmap.size() || !device.flush())
            return failure(fileName, device.errorString());
        return {};
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return failure(fileName, file.errorString());
    if (file.write(bitmap) != bitmap.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(fileName, reason);
    }
    if (!file.commit())
        return failure(fileName, file.errorString());
    return {};
}

QString chartSavedMessage(const QString& fileName) { return QStringLiteral("Graphic has saved on %1").arg(fileName); }
