#pragma once

#include "link/hid/hid_dispatcher.h"

#include <algorithm>
#include <chrono>
#include <cstddef>

/// Main-thread dispatcher for programs without an event loop (tests, the
/// command line): the caller's own loop calls RunPending or WaitAndRunPending.
class THidManualDispatcher : public THidDispatcher {
public:
    /// Main thread. Waits up to @p timeout for a hand-over when none is
    /// queued, then runs what is queued. Returns how many ran.
    std::size_t WaitAndRunPending(std::chrono::milliseconds timeout);

    /// Main thread. Runs hand-overs until @p done returns true or @p timeout
    /// has passed; true when @p done did.
    template <typename Done>
    bool RunUntil(Done done, std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline)
                return false;
            WaitAndRunPending(std::min<std::chrono::milliseconds>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                    std::chrono::milliseconds(1),
                std::chrono::milliseconds(50)));
        }
        return true;
    }

    /// Main thread. Waits at most @p timeout until something is queued.
    using THidDispatcher::WaitForPending;

protected:
    void WakeMainThread() override {}
};
