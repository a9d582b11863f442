#pragma once

#include <atomic>
#include <cstdint>

/// How far a file job has come, shared by the thread doing it and the views
/// that show it: a save counts rows, a load bytes of the file.
struct RecordFileJobProgress {
    enum class Kind : std::uint8_t { Save, Load };

    explicit RecordFileJobProgress(Kind kind) : kind(kind) {}

    const Kind kind;
    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> total{0};
    /// Set by the owner to make the job give up early (a save then leaves
    /// no file, a load changes nothing).
    std::atomic<bool> cancelled{false};
    /// Set on the main thread when the work is over, just before its ending runs.
    std::atomic<bool> finished{false};

    bool cancelRequested() const { return cancelled.load(std::memory_order_relaxed); }
    void setDone(std::uint64_t value) { done.store(value, std::memory_order_relaxed); }
};
