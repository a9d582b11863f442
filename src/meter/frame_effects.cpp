#include "meter/frame_effects.h"

FrameOutcome applyFrameEffects(const FrameEffects& effects, std::string_view frame, FrameEffectsTarget& target)
{
    if (effects.logFrame)
        target.logFrame(frame);
    if (const auto& change = effects.rangeChange) {
        target.SelectDialRange(change->dialType);
        target.KDsetup(1);
        // The minimum first: the range is symmetric, so it never passes the maximum on the way.
        target.SetValueMin(-change->chartLimit);
        target.SetValueMax(change->chartLimit);
    }
    if (const auto& reading = effects.handOn) {
        target.KDrun(reading->needle);
        target.movePBar2(reading->barMax, reading->barPosition);
        target.INDataToTable(1);
        target.AddPoint(reading->chartValue);
    }
    return effects.outcome;
}
