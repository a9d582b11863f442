#pragma once

#include <QObject>

class QKeyEvent;

/// The key filter of the edits that take a whole number (the sampling
/// interval RecordSITime and the chart's page size Maxrecord): installed on
/// an edit as an event filter, it drops each printable character that is
/// not a digit (keepsWholeNumberKey), whatever its code. Keys that type no
/// printable character pass, so Tab, Return, Esc, Delete, Backspace and the
/// arrows work as in any edit, and so do shortcuts (Ctrl+V and the like);
/// pasted text meets the edit's own rule when it is read.
class DigitKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /// Whether the filter drops @p key.
    static bool drops(const QKeyEvent& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
