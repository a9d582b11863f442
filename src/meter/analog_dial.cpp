#include "meter/analog_dial.h"

AnalogDial::AnalogDial(int32_t panelWidth, int32_t panelHeight) : geometry_(panelWidth, panelHeight) {}

void AnalogDial::KDsetup()
{
    ++scaleDrawings_;
    if (!keepDrawings_)
        return;
    // The scale fills the picture first, so nothing drawn before it shows.
    drawings_.clear();
    DialDrawing drawing;
    drawing.kind = DialDrawing::Kind::Scale;
    drawing.scale = geometry_.scale(range_);
    drawings_.push_back(std::move(drawing));
}

void AnalogDial::KDrun(int32_t value)
{
    const DialNeedle erased{lastNeedleTip_, lastNeedleBase_};
    const DialNeedle needle = geometry_.needle(value, range_.DialStep);
    lastNeedleBase_ = needle.base;
    lastNeedleTip_ = needle.tip;
    needleValue_ = value;
    if (!keepDrawings_)
        return;
    DialDrawing drawing;
    drawing.kind = DialDrawing::Kind::Needle;
    drawing.erased = erased;
    drawing.needle = needle;
    drawings_.push_back(std::move(drawing));
}

void AnalogDial::movePBar2(int32_t max, int32_t position)
{
    pBar2Max_ = max;
    pBar2Position_ = position;
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
