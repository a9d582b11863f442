#include "chart/ui/chart_picture.h"

#include <QBuffer>
#include <QFileDevice>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

#include <qcustomplot.h>

#include <cerrno>
#include <cstring>

namespace {

QString failure(const QString& fileName, const QString& reason)
{
    return QStringLiteral("Cannot save the picture to %1: %2").arg(fileName, reason);
}

/// The device's error text, or the system's for @p error when the device
/// has none to give.
QString systemReason(const QFileDevice& file, int error)
{
    const QString reason = file.errorString();
    if (error != 0 && (reason.isEmpty() || reason == QStringLiteral("Unknown error")))
        return QString::fromLocal8Bit(std::strerror(error));
    return reason;
}

}  // namespace

QImage chartPicture(QCustomPlot& plot)
{
    return plot.toPixmap(plot.width(), plot.height(), 1.0).toImage();
}

QString writeChartPicture(const QImage& picture, const QString& fileName)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB888);
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
    // Flushed here rather than by commit(), and the system's own error kept:
    // a disk that fills up part-way through is otherwise reported as
    // "Unknown error" and the user would not learn why.
    errno = 0;
    if (file.write(bitmap) != bitmap.size() || !file.flush()) {
        const int error = errno;
        const QString reason = systemReason(file, error);
        file.cancelWriting();
        return failure(fileName, reason);
    }
    errno = 0;
    if (!file.commit())
        return failure(fileName, systemReason(file, errno));
    return {};
}

QString chartSavedMessage(const QString& fileName) { return QStringLiteral("Graphic has saved on %1").arg(fileName); }
