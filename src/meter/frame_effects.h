#pragma once

#include <cstdint>
#include <optional>

/// What ShowDataQ7 did with a frame.
enum class FrameOutcome : uint8_t {
    Decoded,       ///< applied in full
    Unterminated,  ///< not a MeterFrame: only the link icon, the annunciator
                   ///< reset and the frame log changed
    Dropped,       ///< malformed: nothing changed at all
};

/// What a decoded frame asks of the units beyond the LCD model, for the
/// owner to apply in this order: the frame log, the range change, then the
/// hand-on. The decoder computes it and changes nothing outside itself.
struct FrameEffects {
    /// The main unit changed to one with a dial range: SelectDialRange(dialType),
    /// KDsetup, then the chart's value range -chartLimit .. chartLimit.
    struct RangeChange {
        int32_t dialType = 0;
        double chartLimit = 0;
    };
    /// The reading for the dial, bar graph, record table and chart: KDrun(needle),
    /// the bar's Max then Position, INDataToTable(1), AddPoint(chartValue).
    struct HandOn {
        int32_t needle = 0;
        int32_t barMax = 0;
        int32_t barPosition = 0;
        double chartValue = 0;
    };

    FrameOutcome outcome = FrameOutcome::Dropped;
    /// Whether the frame text goes to the frame log (every frame not dropped).
    bool logFrame = false;
    std::optional<RangeChange> rangeChange;
    /// Absent for frames not decoded and for sum-of-power frames.
    std::optional<HandOn> handOn;
};
