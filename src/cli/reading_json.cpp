#include "cli/reading_json.h"

#include "app/main_window_state.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Element indices sorted by name in byte order, worked out once.
const std::array<LcdElement, kLcdElementCount>& elementsByName()
{
    static const auto sorted = [] {
        std::array<LcdElement, kLcdElementCount> elements{};
        for (std::size_t i = 0; i < kLcdElementCount; ++i)
            elements[i] = static_cast<LcdElement>(i);
        std::sort(elements.begin(), elements.end(), [](LcdElement a, LcdElement b) {
            return lcdElementName(a) < lcdElementName(b);
        });
        return elements;
    }();
    return sorted;
}

}  // namespace

void appendReadingState(JsonLine& line, const MainWindowState& state)
{
    const MeterReading& reading = state.reading();
    const MeterDecoder& decoder = state.decoder();
    const MainWindowState::FrameCalls& calls = state.lastFrameCalls();

    line.string("ValueText", reading.ValueText)
        .string("UnitText", reading.UnitText)
        .string("VValueText", reading.VValueText)
        .string("VUnitText", reading.VUnitText)
        .string("IValueText", reading.IValueText)
        .string("IUnitText", reading.IUnitText)
        .integer("MemoryCount", decoder.MemoryCount())
        .integer("WholePart", decoder.WholePart())
        .boolean("PfMode", decoder.PfMode())
        .boolean("SigmaWMode", decoder.SigmaWMode())
        .string("DialDivisions", state.Dial().DialDivisions)
        .integer("DialFullScale", state.Dial().DialFullScale)
        .integer("DialCentre", state.Dial().DialCentre)
        .integer("BarMax", state.Dial().BarMax)
        .integer("DialStep", state.Dial().DialStep)
        .boolean("ScaleDrawn", calls.scaleDrawn)
        .optionalInteger("Needle", calls.needle)
        .raw("NeedleTip", JsonLine::pair(state.analogDial().LastNeedleTip.x, state.analogDial().LastNeedleTip.y))
        .raw("NeedleBase", JsonLine::pair(state.analogDial().LastNeedleBase.x, state.analogDial().LastNeedleBase.y))
        .integer("BarMaxSet", state.BarMaxSet())
        .integer("BarPosition", state.BarPosition())
        .optionalNumber("ChartValue", calls.chartValue)
        .number("ValueMin", state.ValueAxisMin())
        .number("ValueMax", state.ValueAxisMax())
        .boolean("Offered", calls.offered);

    const LcdModel& lcd = state.lcd();
    std::string visible = "[";
    std::string captions = "{";
    for (LcdElement element : elementsByName()) {
        if (lcd.visible(element)) {
            if (visible.size() > 1)
                visible += ',';
            JsonLine::appendString(visible, lcdElementName(element));
        }
        if (lcdElementKind(element) == LcdElementKind::Label) {
            if (captions.size() > 1)
                captions += ',';
            JsonLine::appendString(captions, lcdElementName(element));
            captions += ':';
            JsonLine::appendString(captions, lcd.caption(element));
        }
    }
    line.raw("Visible", visible + "]").raw("Captions", captions + "}");
}
