#pragma once

#include "meter/dial_range.h"
#include "meter/frame_effects.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Stands in for the main window: keeps the dial range and applies the
/// effects of each frame in the main window's order, recording every step.
struct RecordingOutputs {
    DialRange dial;
    std::vector<std::string> calls;
    std::optional<int32_t> needle;
    int32_t barMax = 60;
    int32_t barPosition = 20;
    std::optional<double> chartValue;
    int32_t offered = 0;
    std::vector<std::string> frameLog;

    void clearCalls()
    {
        calls.clear();
        needle.reset();
        chartValue.reset();
    }

    FrameOutcome apply(const FrameEffects& effects, std::string_view frame)
    {
        if (effects.logFrame)
            frameLog.emplace_back(frame);
        if (const auto& change = effects.rangeChange) {
            calls.push_back("SelectDialRange(" + std::to_string(change->dialType) + ")");
            dial.SelectDialRange(change->dialType);
            calls.push_back("KDsetup");
            calls.push_back("SetValueMin(" + std::to_string(int(-change->chartLimit)) + ")");
            calls.push_back("SetValueMax(" + std::to_string(int(change->chartLimit)) + ")");
        }
        if (const auto& on = effects.handOn) {
            calls.push_back("KDrun");
            needle = on->needle;
            calls.push_back("BarMax");
            barMax = on->barMax;
            calls.push_back("BarPosition");
            barPosition = on->barPosition;
            calls.push_back("INDataToTable(1)");
            ++offered;
            calls.push_back("AddPoint");
            chartValue = on->chartValue;
            calls.push_back("page 7");
        }
        return effects.outcome;
    }
};
