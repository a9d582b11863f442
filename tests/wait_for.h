#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

/// Runs the event loop until @p done or @p ms have passed; whether @p done.
inline bool waitFor(const std::function<bool()>& done, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}
