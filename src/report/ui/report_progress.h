#pragma once

#include <QString>

#include <functional>

class QWidget;

/// Runs a long task in slices on the caller's thread with a progress
/// dialog that can cancel it; events (meter readings among them) go on
/// being handled between slices. @p step does one slice and returns false
/// when the task has ended; @p done gives the units done of @p total.
/// Returns false when the user cancelled (the task is then left for the
/// caller to drop).
bool runWithProgress(QWidget* parent, const QString& label, int total, const std::function<bool()>& step,
                     const std::function<int()>& done);
