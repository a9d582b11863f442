#pragma once

#include "meter/dial_range.h"

#include <cstdint>
#include <string>
#include <vector>

/// A pixel position on the dial picture.
struct DialPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const DialPoint&, const DialPoint&) = default;
};

/// One scale label: its text and the top-left corner it is drawn at.
struct DialLabel {
    std::string text;
    DialPoint topLeft;
};

/// Everything KDsetup draws, in drawing order.
struct DialScale {
    std::vector<DialLabel> labels;
    std::vector<DialPoint> majorMarks;  ///< corner M of each mark's 2 x 2 box
    std::vector<DialPoint> band;        ///< corner B of each band blob's 2 x 2 box
};

/// Both ends of a needle line, drawn from the tip towards the base.
struct DialNeedle {
    DialPoint tip;
    DialPoint base;
};

/// The arc of the dial for a panel of the given size [px]: a chord across
/// the panel less 20 px side margins, rising to 30 px below its top.
/// Quantities are rounded to single precision where the meter's drawing
/// did so, and rounded to pixels half to even, so the pixels match it.
class DialGeometry {
public:
    DialGeometry(int32_t panelWidth, int32_t panelHeight);

    /// The scale of the range's divisions ("6", "10" or "7") and step.
    DialScale scale(const DialRange& range) const;

    /// The needle for a needle value (0 and 10 x DialStep are the ends of
    /// the scale; values beyond them point beyond the ends). Far outside the
    /// scale the angle is held 5 degrees off the horizontal, so the base
    /// point stays finite; inside the scale nothing is limited.
    DialNeedle needle(int32_t value, int32_t dialStep) const;

    float chord() const { return c_; }
    float rise() const { return h_; }
    float radius() const { return r_; }
    float arcDegrees() const { return a_; }
    float startDegrees() const { return s0_; }

private:
    float stepAngle(float step, float steps) const;
    DialPoint pointAt(float angle, int k) const;

    float c_, h_, r_, a_, s0_;
};

/// The layout's dial panel KD is 369 x 153 pixels.
inline constexpr int32_t kDialPanelWidth = 369;
inline constexpr int32_t kDialPanelHeight = 153;
