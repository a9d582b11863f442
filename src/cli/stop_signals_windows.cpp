#include "cli/stop_signals.h"

#include <windows.h>

namespace {

std::atomic<bool>* stopFlag = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    std::atomic<bool>* const stop = stopFlag;
    // A second one ends a log that is stuck on its way out.
    if (!stop || stop->exchange(true))
        return FALSE;
    return TRUE;
}

}  // namespace

// Windows raises no signal for a broken pipe or a file-size limit: those are
// failed writes already.
StopSignals::StopSignals(std::atomic<bool>& stop)
{
    stopFlag = &stop;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    stopFlag = nullptr;
}
