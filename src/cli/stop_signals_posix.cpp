#include "cli/stop_signals.h"

#include <csignal>

namespace {

std::atomic<bool>* stopFlag = nullptr;
struct sigaction previousInt {}, previousTerm {}, previousPipe {}, previousFileSize {};

extern "C" void onStopSignal(int number)
{
    if (stopFlag)
        stopFlag->store(true);
    // A second one ends a log that is stuck on its way out.
    std::signal(number, SIG_DFL);
}

}  // namespace

StopSignals::StopSignals(std::atomic<bool>& stop)
{
    stopFlag = &stop;
    struct sigaction onStop {};
    onStop.sa_handler = onStopSignal;
    sigemptyset(&onStop.sa_mask);
    ::sigaction(SIGINT, &onStop, &previousInt);
    ::sigaction(SIGTERM, &onStop, &previousTerm);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, &previousPipe);
    ::sigaction(SIGXFSZ, &ignore, &previousFileSize);
}

StopSignals::~StopSignals()
{
    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
    ::sigaction(SIGPIPE, &previousPipe, nullptr);
    ::sigaction(SIGXFSZ, &previousFileSize, nullptr);
    stopFlag = nullptr;
}
