#pragma once

#include <QDir>
#include <QWidget>

/// Saves a picture of @p widget as <name>.png into $ZQ_SNAPSHOT_DIR, when
/// that is set, so a person can look at what a test drew.
inline void saveSnapshot(QWidget& widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("ZQ_SNAPSHOT_DIR");
    if (!folder.isEmpty())
        widget.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}
