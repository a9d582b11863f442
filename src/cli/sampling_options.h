#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class RecordSampling;

/// The sampling options the commands that record share: --repeat on|off,
/// --interval N and --limit N, each as the window's control of that name.
struct SamplingOptions {
    /// The Repeat box.
    std::optional<bool> repeat;
    /// Sampling Interval ticked, with this text (a whole number >= 0) in its
    /// seconds edit.
    std::optional<std::string> interval;
    /// The record limit.
    std::optional<std::int32_t> limit;

    /// Takes @p option with its @p value when it is one of the three, not
    /// given before and its value is valid; false for anything else.
    bool take(std::string_view option, const std::string& value);

    /// Starts @p sampling as the window would with these settings: no
    /// change event runs, so the interval's countdown starts at 0 and the
    /// first reading is recorded at once. The limit only when given.
    void applyTo(RecordSampling& sampling) const;
};
