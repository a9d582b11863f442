#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// Why a record file did not load, told after "Failed to Load File!" so the
/// file can be mended.
struct RecordFileError {
    /// What was wrong; empty while nothing was.
    std::string reason;
    /// The line it was found on, from 1; 0 when no one line is to blame (the
    /// file cannot be opened, holds no line, lacks a part).
    std::uint64_t line = 0;

    /// "FILE: line N: REASON", or "FILE: REASON" without a line.
    std::string describe(std::string_view fileName) const;
};
