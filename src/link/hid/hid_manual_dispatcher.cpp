#include "link/hid/hid_manual_dispatcher.h"

std::size_t THidManualDispatcher::WaitAndRunPending(std::chrono::milliseconds timeout)
{
    WaitForPending(timeout);
    return RunPending();
}
