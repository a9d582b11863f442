#pragma once

#include "link/hid/hid_dispatcher.h"

#include <QObject>

/// The main thread for the HID layer, on Qt's event loop: a read thread's
/// hand-over wakes it with a queued call that runs what is pending and then
/// tells the window to show what changed.
class QtHidDispatcher : public QObject, public THidDispatcher {
    Q_OBJECT
public:
    explicit QtHidDispatcher(QObject* parent = nullptr) : QObject(parent) {}

signals:
    /// Pending hand-overs ran on the main thread.
    void ran();

protected:
    void WakeMainThread() override;
};
