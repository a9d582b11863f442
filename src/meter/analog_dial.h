#pragma once

#include "meter/dial_geometry.h"
#include "meter/dial_range.h"

#include <cstdint>
#include <optional>
#include <vector>

/// One drawing on the dial picture: the whole scale (which clears the
/// picture first), or a needle move (a white line over the last needle,
/// then the new needle in black).
struct DialDrawing {
    enum class Kind { Scale, Needle } kind = Kind::Scale;
    DialScale scale;     ///< Kind::Scale
    DialNeedle erased;   ///< Kind::Needle: the needle drawn last
    DialNeedle needle;   ///< Kind::Needle: the new needle
};

/// The analog dial KD with its bar graph PBar2, without their widgets: the
/// dial range in force, the needle drawn last (both ends (0, 0) at start),
/// the bar's Max and Position (60 and 20 as laid out) and, for a view that
/// draws the picture, the drawings asked for since it last took them.
class AnalogDial {
public:
    explicit AnalogDial(int32_t panelWidth = kDialPanelWidth, int32_t panelHeight = kDialPanelHeight);

    /// The range values of type 0 (power, frequency), 1 (phase angle) or 3
    /// (power factor); any other type keeps them.
    void SelectDialRange(int32_t type) { range_.SelectDialRange(type); }
    const DialRange& range() const { return range_; }

    /// Clears the picture and draws the scale of the range in force.
    void KDsetup();
    /// Erases the needle drawn last and draws the needle for @p value
    /// (0 .. 10 x DialStep spans the scale).
    void KDrun(int32_t value);
    /// PBar2's Max, then its Position.
    void movePBar2(int32_t max, int32_t position);

    DialPoint LastNeedleTip() const { return lastNeedleTip_; }
    DialPoint LastNeedleBase() const { return lastNeedleBase_; }
    /// The value of the last KDrun; none before the first.
    std::optional<int32_t> needleValue() const { return needleValue_; }
    /// How often the scale was drawn.
    int64_t scaleDrawings() const { return scaleDrawings_; }
    int32_t PBar2Max() const { return pBar2Max_; }
    int32_t PBar2Position() const { return pBar2Position_; }

    /// Drawings are kept for a view only once one asks for them; a
    /// headless program keeps none.
    void keepDrawings(bool keep);
    std::vector<DialDrawing> takeDrawings();

    const DialGeometry& geometry() const { return geometry_; }

private:
    DialGeometry geometry_;
    DialRange range_;
    DialPoint lastNeedleTip_;
    DialPoint lastNeedleBase_;
    std::optional<int32_t> needleValue_;
    int64_t scaleDrawings_ = 0;
    int32_t pBar2Max_ = 60;
    int32_t pBar2Position_ = 20;
    bool keepDrawings_ = false;
    std::vector<DialDrawing> drawings_;
};
