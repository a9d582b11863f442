#pragma once

#include <QString>

class QCustomPlot;

/// BtSaveClick's picture: draws @p plot at its current size into a Windows
/// bitmap and writes it to @p fileName, creating or replacing it. The bitmap
/// goes to a temporary file beside the target, renamed over it only when
/// complete, so a failed save (unwritable folder, full disk) leaves no
/// truncated picture under the chosen name and the old file, if any, as it
/// was. Returns an empty text on success, or the error naming the file.
QString saveChartPicture(QCustomPlot& plot, const QString& fileName);

/// The confirmation shown after a save: "Graphic has saved on <file>".
QString chartSavedMessage(const QString& fileName);
