// The frame decoder on frames as the cable assembles them (one hexadecimal
// digit per byte) or as a user types them into "zqmeter-cli decode" (any
// bytes), one decoder for the whole input so that each frame meets the state
// the earlier ones left. Input: a settings byte (bits 0-1 the decimal
// separator, bit 2 raw bytes), then frames of 26 bytes; a shorter tail is
// handed over as an unterminated frame.

#include "fuzz_check.h"

#include "meter/meter_decoder.h"
#include "meter/meter_frame.h"

#include <array>
#include <cmath>
#include <string>
#include <string_view>

namespace {

using E = LcdElement;

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

// What a digit of the seven-segment font can show: a hexadecimal digit, or
// the two characters of the overload indication, or nothing.
bool isLcdDigit(std::string_view caption)
{
    return caption.empty() ||
           (caption.size() == 1 && (kHexDigits.find(caption[0]) != std::string_view::npos || caption[0] == '@'));
}

// A display text: LCD digits with at most one decimal separator.
bool isDisplayText(std::string_view text, const std::string& decimal, bool decimalDigitsOnly)
{
    if (!decimal.empty()) {
        const std::size_t at = text.find(decimal);
        if (at != std::string_view::npos) {
            std::string rest(text.substr(0, at));
            rest += text.substr(at + decimal.size());
            return isDisplayText(rest, std::string(), decimalDigitsOnly);
        }
    }
    for (char c : text) {
        const bool digit = c >= '0' && c <= '9';
        if (decimalDigitsOnly ? !digit : !isLcdDigit(std::string_view(&c, 1)))
            return false;
    }
    return true;
}

bool isUnit(std::string_view unit)
{
    for (std::string_view known : {"", "KW", "KVA", "KVAr", "PF", "o", "Hz"})
        if (unit == known)
            return true;
    return false;
}

struct Snapshot {
    MeterReading reading;
    std::array<std::string, kLcdElementCount> captions;
    std::array<bool, kLcdElementCount> visible;

    explicit Snapshot(const MeterDecoder& decoder) : reading(decoder.reading())
    {
        for (std::size_t i = 0; i < kLcdElementCount; ++i) {
            captions[i] = decoder.lcd().caption(static_cast<E>(i));
            visible[i] = decoder.lcd().visible(static_cast<E>(i));
        }
    }
    bool operator==(const Snapshot& other) const
    {
        return reading.ValueText == other.reading.ValueText && reading.UnitText == other.reading.UnitText &&
               reading.VValueText == other.reading.VValueText && reading.VUnitText == other.reading.VUnitText &&
               reading.IValueText == other.reading.IValueText && reading.IUnitText == other.reading.IUnitText &&
               captions == other.captions && visible == other.visible;
    }
};

void checkDecoded(const MeterDecoder& decoder, const std::string& decimal)
{
    const LcdModel& lcd = decoder.lcd();
    for (E digit : {E::LabelA, E::LabelB, E::LabelC, E::LabelD, E::LCDAA, E::LCDBB, E::LCDCC, E::LCDDD,
                    E::H_Time1, E::H_Time2, E::M_Time1, E::M_Time2, E::stor1, E::stor2})
        FUZZ_CHECK(isLcdDigit(lcd.caption(digit)));
    const MeterReading& reading = decoder.reading();
    std::string_view value = reading.ValueText;
    if (value != "OL") {
        if (!value.empty() && value.front() == '-')
            value.remove_prefix(1);
        FUZZ_CHECK(!value.empty() && isDisplayText(value, decimal, true));
    }
    FUZZ_CHECK(isDisplayText(reading.VValueText, decimal, false));
    FUZZ_CHECK(isDisplayText(reading.IValueText, decimal, false));
    FUZZ_CHECK(isUnit(reading.UnitText));
    FUZZ_CHECK(reading.VUnitText.empty() || reading.VUnitText == "v");
    FUZZ_CHECK(reading.IUnitText.empty() || reading.IUnitText == "A");
    FUZZ_CHECK(decoder.MemoryCount() >= 0 && decoder.MemoryCount() <= 99);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const std::string kDecimals[4] = {".", ",", "", "."};
    const std::string decimal = kDecimals[data[0] & 3];
    const bool raw = (data[0] & 4) != 0;
    ++data;
    --size;

    MeterDecoder decoder(decimal);
    DialRange dial;
    while (size > 0) {
        const std::size_t length = size < kMeterFrameLength ? size : kMeterFrameLength;
        std::string frame;
        for (std::size_t i = 0; i < length; ++i)
            frame += raw ? static_cast<char>(data[i]) : kHexDigits[data[i] & 0x0F];
        data += length;
        size -= length;

        const Snapshot before(decoder);
        const uint64_t decoded = decoder.decodedFrames();
        const uint64_t dropped = decoder.droppedFrames();
        const FrameEffects effects = decoder.ShowDataQ7(frame, dial);

        switch (effects.outcome) {
        case FrameOutcome::Dropped:
            FUZZ_CHECK(isMeterFrame(frame));
            FUZZ_CHECK(decoder.droppedFrames() == dropped + 1 && decoder.decodedFrames() == decoded);
            FUZZ_CHECK(!decoder.lastDropReason().empty());
            FUZZ_CHECK(!effects.logFrame && !effects.rangeChange && !effects.handOn);
            FUZZ_CHECK(Snapshot(decoder) == before);
            break;
        case FrameOutcome::Unterminated:
            FUZZ_CHECK(!isMeterFrame(frame));
            FUZZ_CHECK(decoder.droppedFrames() == dropped && decoder.decodedFrames() == decoded);
            FUZZ_CHECK(effects.logFrame && !effects.rangeChange && !effects.handOn);
            FUZZ_CHECK(decoder.reading().ValueText == before.reading.ValueText);
            break;
        case FrameOutcome::Decoded:
            FUZZ_CHECK(isMeterFrame(frame));
            FUZZ_CHECK(decoder.decodedFrames() == decoded + 1 && decoder.droppedFrames() == dropped);
            FUZZ_CHECK(effects.logFrame);
            // The sum of power (mode 7) hands nothing on; every other frame does.
            FUZZ_CHECK(effects.handOn.has_value() == (frame[0] != '7'));
            checkDecoded(decoder, decimal);
            break;
        }
        if (effects.rangeChange)
            dial.SelectDialRange(effects.rangeChange->dialType);
        if (effects.handOn) {
            FUZZ_CHECK(std::isfinite(effects.handOn->chartValue));
            FUZZ_CHECK(effects.handOn->barPosition >= 1);
            FUZZ_CHECK(effects.handOn->barMax == dial.BarMax);
        }
    }
    return 0;
}
