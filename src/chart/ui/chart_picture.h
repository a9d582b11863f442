#pragma once

#include <QImage>
#include <QString>

class QCustomPlot;

/// BtSaveClick's picture of @p plot at its current size and look. Main
/// thread: it draws the widget. Only the page in view is drawn, so this
/// costs the same however many points the chart holds.
QImage chartPicture(QCustomPlot& plot);

/// Writes @p picture to @p fileName as a Windows bitmap, creating or
/// replacing it. The bitmap goes to a temporary file beside the target,
/// renamed over it only when complete, so a failed save (unwritable folder,
/// full disk) leaves no truncated picture under the chosen name and the old
/// file, if any, as it was. Any thread. Returns an empty text on success,
/// or the error naming the file and the system's reason.
QString writeChartPicture(const QImage& picture, const QString& fileName);

/// The confirmation shown after a save: "Graphic has saved on <file>".
QString chartSavedMessage(const QString& fileName);
