#pragma once

#include "meter/meter_outputs.h"

#include <optional>
#include <string>
#include <vector>

/// Stands in for the main window: keeps the dial range and records every
/// call the decoder makes, in order.
class RecordingOutputs : public MeterOutputs {
public:
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

    const DialRange& dialRange() const override { return dial; }
    void SelectDialRange(int32_t type) override
    {
        calls.push_back("SelectDialRange(" + std::to_string(type) + ")");
        dial.SelectDialRange(type);
    }
    void KDsetup(int32_t) override { calls.push_back("KDsetup"); }
    void KDrun(int32_t value) override
    {
        calls.push_back("KDrun");
        needle = value;
    }
    void setBarMax(int32_t max) override
    {
        calls.push_back("BarMax");
        barMax = max;
    }
    void setBarPosition(int32_t position) override
    {
        calls.push_back("BarPosition");
        barPosition = position;
    }
    void INDataToTable(int32_t kind) override
    {
        calls.push_back("INDataToTable(" + std::to_string(kind) + ")");
        ++offered;
    }
    void SetValueMin(double value) override { calls.push_back("SetValueMin(" + std::to_string(int(value)) + ")"); }
    void SetValueMax(double value) override { calls.push_back("SetValueMax(" + std::to_string(int(value)) + ")"); }
    int32_t AddPoint(double value) override
    {
        calls.push_back("AddPoint");
        chartValue = value;
        return 7;
    }
    bool chartFollowLast() const override { return true; }
    void showPageNumber(int32_t page) override { calls.push_back("page " + std::to_string(page)); }
    void logFrame(std::string_view frame) override { frameLog.emplace_back(frame); }
};
