#pragma once

#include <QObject>

/// MaxrecordKeyPress on the page-size edit: installed on it as an event
/// filter, it drops every typed character that ChartPanelState::
/// MaxrecordKeyPress does not keep. Shortcuts (Ctrl+V and the like) and keys
/// that type nothing pass; pasted text meets the page-size rule when
/// Timer_range fires.
class MaxrecordKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
