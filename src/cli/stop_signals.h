#pragma once

#include <atomic>

/// While it lives, Ctrl+C (and a polite kill: SIGTERM, or the console
/// closing on Windows) sets @p stop instead of ending the process, so a log
/// flushes its files and says how it ended; a second one ends the process.
/// A pipe read no more or a file-size limit is a write that fails, to be
/// told and ended like a full disk, not a signal that ends the process with
/// the files unflushed. One at a time; the earlier handling is back after it.
class StopSignals {
public:
    explicit StopSignals(std::atomic<bool>& stop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
};
