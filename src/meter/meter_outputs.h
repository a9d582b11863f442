#pragma once

#include "meter/dial_range.h"

#include <cstdint>
#include <string_view>

/// What the frame decoding drives besides the LCD: the dial and its bar
/// graph, the record table, the trend chart and the hidden frame log. The
/// main window implements it; the decoder never touches a widget.
class MeterOutputs {
public:
    virtual ~MeterOutputs() = default;

    /// Current dial range values (read for the needle, bar and chart value).
    virtual const DialRange& dialRange() const = 0;
    /// Selects dial range type 0, 1 or 3.
    virtual void SelectDialRange(int32_t type) = 0;
    /// Redraws the dial scale; the argument has no effect.
    virtual void KDsetup(int32_t ignored) = 0;
    /// Moves the needle to a needle value (0 .. 10 x DialStep spans the scale).
    virtual void KDrun(int32_t value) = 0;
    /// PBar2.Max, set before the position.
    virtual void setBarMax(int32_t max) = 0;
    /// PBar2.Position; above Max shows a full bar.
    virtual void setBarPosition(int32_t position) = 0;
    /// Offers the current reading to the record table (kind 1).
    virtual void INDataToTable(int32_t kind) = 0;
    /// Value axis range of the trend chart.
    virtual void SetValueMin(double value) = 0;
    virtual void SetValueMax(double value) = 0;
    /// Adds one reading to the trend chart; returns the page now current.
    virtual int32_t AddPoint(double value) = 0;
    /// Whether each reading updates the chart's page indicator.
    virtual bool chartFollowLast() const = 0;
    /// Caption of the page indicator Bt10.
    virtual void showPageNumber(int32_t page) = 0;
    /// Appends the frame text to the hidden frame log ListBox1 and selects it.
    virtual void logFrame(std::string_view frame) = 0;
};
