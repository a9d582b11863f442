#include "meter/analog_dial.h"

AnalogDial::AnalogDial(int32_t panelWidth, int32_t panelHeight) : geometry_(panelWidth, panelHeight) {}

void AnalogDial::KDsetup(const DialRange& range)
{
    if (!keepDrawings_)
        return;
    // The scale fills the picture first, so nothing drawn before it shows.
    drawings_.clear();
    DialDrawing drawing;
    drawing.kind = DialDrawing::Kind::Scale;
    drawing.scale = geometry_.scale(range);
    drawings_.push_back(std::move(drawing));
}

void AnalogDial::KDrun(int32_t value, const DialRange& range)
{
    const DialNeedle erased{LastNeedleTip, LastNeedleBase};
    const DialNeedle needle = geometry_.needle(value, range.DialStep);
    LastNeedleBase = needle.base;
    LastNeedleTip = needle.tip;
    if (!keepDrawings_)
        return;
    DialDrawing drawing;
    drawing.kind = DialDrawing::Kind::Needle;
    drawing.erased = erased;
    drawing.needle = needle;
    drawings_.push_back(std::move(drawing));
}

void AnalogDial::keepDrawings(bool keep)
{
    keepDrawings_ = keep;
    if (!keep)
        drawings_.clear();
}

std::vector<DialDrawing> AnalogDial::takeDrawings()
{
    std::vector<DialDrawing> taken;
    taken.swap(drawings_);
    return taken;
}
