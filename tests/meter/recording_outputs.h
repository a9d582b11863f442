#pragma once

#include "meter/dial_range.h"
#include "meter/frame_effects.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Stands in for the units a frame's effects go to: keeps the dial range
/// and writes down every step applyFrameEffects takes.
struct RecordingOutputs : FrameEffectsTarget {
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
        return applyFrameEffects(effects, frame, *this);
    }

    void logFrame(std::string_view frame) override { frameLog.emplace_back(frame); }
    void SelectDialRange(int32_t type) override
    {
        calls.push_back("SelectDialRange(" + std::to_string(type) + ")");
        dial.SelectDialRange(type);
    }
    void KDsetup(int32_t) override { calls.push_back("KDsetup"); }
    void SetValueMin(double value) override { calls.push_back("SetValueMin(" + std::to_string(int(value)) + ")"); }
    void SetValueMax(double value) override { calls.push_back("SetValueMax(" + std::to_string(int(value)) + ")"); }
    void KDrun(int32_t value) override
    {
        calls.push_back("KDrun");
        needle = value;
    }
    void movePBar2(int32_t max, int32_t position) override
    {
        calls.push_back("PBar2");
        barMax = max;
        barPosition = position;
    }
    void INDataToTable(int32_t kind) override
    {
        calls.push_back("INDataToTable(" + std::to_string(kind) + ")");
        ++offered;
    }
    void AddPoint(double value) override
    {
        calls.push_back("AddPoint");
        chartValue = value;
    }
};
