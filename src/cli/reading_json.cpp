#include "cli/reading_json.h"

#include "app/meter_session.h"

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

void appendReadingState(JsonLine& line, const MeterSession& session)
{
    const MeterDecoder& decoder = session.decoder();
    const MeterReading& reading = decoder.reading();
    const MeterSession::FrameCalls& calls = session.lastFrameCalls();
    const AnalogDial& dial = session.dial();
    const DialRange& range = dial.range();
    const ChartAxisRange valueAxis = session.chart().valueAxisRange();

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
        .string("DialDivisions", range.DialDivisions)
        .integer("DialFullScale", range.DialFullScale)
        .integer("DialCentre", range.DialCentre)
        .integer("BarMax", range.BarMax)
        .integer("DialStep", range.DialStep)
        .boolean("ScaleDrawn", calls.scaleDrawn)
        .optionalInteger("Needle", calls.needle)
        .raw("NeedleTip", JsonLine::pair(dial.LastNeedleTip().x, dial.LastNeedleTip().y))
        .raw("NeedleBase", JsonLine::pair(dial.LastNeedleBase().x, dial.LastNeedleBase().y))
        .integer("BarMaxSet", dial.PBar2Max())
        .integer("BarPosition", dial.PBar2Position())
        .optionalNumber("ChartValue", calls.chartValue)
        .number("ValueMin", valueAxis.min)
        .number("ValueMax", valueAxis.max)
        .boolean("Offered", calls.offered);

    const LcdModel& lcd = session.lcd();
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
