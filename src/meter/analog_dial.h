#pragma once

#include "meter/dial_geometry.h"
#include "meter/dial_range.h"

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

/// The analog dial's own state: the needle drawn last (both ends (0, 0)
/// at start) and, for a view that draws the picture, the drawings asked
/// for since it last took them.
class AnalogDial {
public:
    explicit AnalogDial(int32_t panelWidth = kDialPanelWidth, int32_t panelHeight = kDialPanelHeight);

    /// Clears the picture and draws the scale of @p range.
    void KDsetup(const DialRange& range);

    /// Erases the needle drawn last and draws the needle for @p value.
    void KDrun(int32_t value, const DialRange& range);

    DialPoint LastNeedleTip;
    DialPoint LastNeedleBase;

    /// Drawings are kept for a view only once one asks for them; a
    /// headless program keeps none.
    void keepDrawings(bool keep);
    std::vector<DialDrawing> takeDrawings();

    const DialGeometry& geometry() const { return geometry_; }

private:
    DialGeometry geometry_;
    bool keepDrawings_ = false;
    std::vector<DialDrawing> drawings_;
};
