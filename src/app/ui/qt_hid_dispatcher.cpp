#include "app/ui/qt_hid_dispatcher.h"

void QtHidDispatcher::WakeMainThread()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (RunPending() > 0)
                emit ran();
        },
        Qt::QueuedConnection);
}
