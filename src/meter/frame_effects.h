#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

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

/// The units a frame's effects go to, under the names of their steps.
class FrameEffectsTarget {
public:
    virtual ~FrameEffectsTarget() = default;

    virtual void logFrame(std::string_view frame) = 0;
    virtual void SelectDialRange(int32_t type) = 0;
    /// Redraws the dial scale; the argument has no effect.
    virtual void KDsetup(int32_t ignored) = 0;
    virtual void SetValueMin(double value) = 0;
    virtual void SetValueMax(double value) = 0;
    virtual void KDrun(int32_t needle) = 0;
    virtual void movePBar2(int32_t max, int32_t position) = 0;
    virtual void INDataToTable(int32_t kind) = 0;
    /// Adds the reading to the trend chart (and, following the newest
    /// page, shows the page number).
    virtual void AddPoint(double value) = 0;
};

/// Hands @p effects of @p frame on to @p target, in the one order the
/// program applies them; returns their outcome.
FrameOutcome applyFrameEffects(const FrameEffects& effects, std::string_view frame, FrameEffectsTarget& target);
