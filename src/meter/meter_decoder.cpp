#include "meter/meter_decoder.h"

#include "meter/meter_frame.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

using E = LcdElement;

bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c) { return c - '0'; }

bool testBit(int32_t nibble, int bit) { return (nibble >> bit) & 1; }

// Elements shown for point codes 1, 2 and 3 of each display.
constexpr std::array kMainPoints{E::Point3, E::Point2, E::Point1};
constexpr std::array kVoltagePoints{E::point33, E::point22, E::point11};
constexpr std::array kCurrentPoints{E::T_Point3, E::T_Point2, E::T_Point1};

// The two overload characters of the LCD font sit in the middle digits.
constexpr std::array<std::string_view, 4> kOverloadDigits{"", "0", "@", ""};

std::array<std::string_view, 4> digitsAt(std::string_view frame, std::size_t first)
{
    return {frame.substr(first, 1), frame.substr(first + 1, 1), frame.substr(first + 2, 1),
            frame.substr(first + 3, 1)};
}

std::optional<int32_t> truncateToInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double whole = std::trunc(value);
    if (whole < std::numeric_limits<int32_t>::min() || whole > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(whole);
}

// value x 1000 through a text of at most 15 significant digits, so that
// 0.57 x 1000 = 569.99999999999994 counts as 570 and not 569.
std::optional<int32_t> thousandthsOf(double value)
{
    char text[64];
    const auto formatted =
        std::to_chars(text, text + sizeof text, value * 1000.0, std::chars_format::general, 15);
    double rounded = 0;
    const auto parsed = std::from_chars(text, formatted.ptr, rounded);
    if (parsed.ec != std::errc())
        return std::nullopt;
    return truncateToInt32(rounded);
}

enum class Switch : uint8_t { Unchanged, Show, Hide };

struct CaptionChange {
    std::optional<E> element;
    std::string_view caption;
};

// Mode codes 0 to 5: the main unit and its labels. Codes 6 to 9 change no unit.
struct ModeRow {
    std::string_view unit;
    E unitLabel;                 // shown
    CaptionChange unitCaption;   // caption given to the unit label, if any
    std::array<std::optional<E>, 3> hidden;
    Switch ac;
    CaptionChange extraCaption;  // a further caption change of the row
};

constexpr std::array<ModeRow, 6> kModes{{
    {"KW", E::kwh, {E::kwh, "KW"}, {E::hz, E::Lab0, E::cos_dis}, Switch::Show, {}},
    {"KVA", E::kvar, {E::kvar, "KVA"}, {E::kwh, E::hz, E::cos_dis}, Switch::Show, {}},
    {"KVAr", E::kvar, {E::kvar, "KVAr"}, {E::hz, E::Lab0, E::cos_dis}, Switch::Show, {E::kwh, "KW"}},
    {"PF", E::cos_dis, {E::cos_dis, "Cos"}, {E::hz}, Switch::Hide, {}},
    {"o", E::Lab0, {}, {E::hz}, Switch::Unchanged, {E::cos_dis, ""}},
    {"Hz", E::hz, {}, {E::cos_dis}, Switch::Unchanged, {}},
}};

constexpr int kModePowerFactor = 3;
constexpr int kModeSumOfPower = 7;

// Labels the power-meter modes never show again.
constexpr std::array kPeakLabels{E::PEAK, E::PEAK1, E::PEAK2, E::THD, E::KW};

// Dial range type and chart value range for each main unit.
struct UnitRange {
    std::string_view unit;
    int32_t dialType;
    double chartLimit;
};

constexpr std::array<UnitRange, 6> kUnitRanges{{
    {"KVAr", 0, 1000}, {"KW", 0, 1000}, {"KVA", 0, 1000}, {"Hz", 0, 1000},
    {"PF", 3, 1}, {"o", 1, 400},
}};

// The sum sign is A1 C6 in the system code page; mode 7 adds a "W".
constexpr std::string_view kSumSign = "\xA1\xC6";
constexpr std::string_view kSumOfPower = "\xA1\xC6W";

}  // namespace

/// Everything of a frame that is converted, checked before any step acts.
struct MeterDecoder::FrameFields {
    int mode = 0;
    int mainCode = 0;
    int voltageCode = 0;
    int currentCode = 0;
    int32_t f21 = 0, f22 = 0, f23 = 0, f24 = 0;
    int32_t memoryCount = 0;
    bool negative = false;
    bool overloaded = false;
    std::array<std::string_view, 4> mainDigits;
    std::string valueText;   // ValueText after step 8
    double value = 0;        // the main reading, when not overloaded
    int32_t wholePart = 0;   // its integer part, 0 on overload
    int32_t thousandths = 0; // value x 1000 for the power-factor needle
};

MeterDecoder::MeterDecoder(std::string localeDecimal) : localeDecimal_(std::move(localeDecimal)) {}

std::optional<int32_t> MeterDecoder::HexNibbleValue(char character)
{
    if (character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    if (isDecimalDigit(character))
        return digitValue(character);
    return std::nullopt;
}

std::optional<double> MeterDecoder::TextToNumber(std::string_view text) const
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    std::string_view whole = text;
    std::string_view fraction;
    if (!localeDecimal_.empty()) {
        const std::size_t at = text.find(localeDecimal_);
        if (at != std::string_view::npos) {
            whole = text.substr(0, at);
            fraction = text.substr(at + localeDecimal_.size());
        }
    }
    const std::size_t digitCount = whole.size() + fraction.size();
    if (digitCount == 0 || digitCount > 18)
        return std::nullopt;
    int64_t mantissa = 0;
    for (std::string_view part : {whole, fraction}) {
        for (char c : part) {
            if (!isDecimalDigit(c))
                return std::nullopt;
            mantissa = mantissa * 10 + digitValue(c);
        }
    }
    // An exact integer over an exact power of ten: one correctly rounded
    // division, the same double a decimal parser gives.
    double value = static_cast<double>(mantissa);
    if (!fraction.empty())
        value /= std::pow(10.0, static_cast<double>(fraction.size()));
    return negative ? -value : value;
}

std::optional<int32_t> MeterDecoder::TextToWholeNumber(std::string_view text) const
{
    const auto value = TextToNumber(text);
    if (!value)
        return std::nullopt;
    return truncateToInt32(*value);
}

std::string MeterDecoder::valueTextOf(int pointCode, const std::array<std::string_view, 4>& digits) const
{
    // Point code 1 puts the separator before the last digit, 3 after the first.
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (pointCode >= 1 && pointCode <= 3 && i == digits.size() - static_cast<std::size_t>(pointCode))
            text += localeDecimal_;
        text += digits[i];
    }
    return text;
}

std::optional<MeterDecoder::FrameFields> MeterDecoder::checkFrame(std::string_view frame,
                                                                  std::string_view& reason) const
{
    FrameFields fields;
    if (!isDecimalDigit(frame[0])) {
        reason = "mode code is not a decimal digit";
        return std::nullopt;
    }
    fields.mode = digitValue(frame[0]);
    for (std::size_t at : {7u, 12u, 17u}) {
        if (!isDecimalDigit(frame[at])) {
            reason = "point code is not a decimal digit";
            return std::nullopt;
        }
    }
    if (!isDecimalDigit(frame[18]) || !isDecimalDigit(frame[19])) {
        reason = "memory counter is not a decimal number";
        return std::nullopt;
    }
    fields.mainCode = digitValue(frame[7]);
    fields.voltageCode = digitValue(frame[12]);
    fields.currentCode = digitValue(frame[17]);
    fields.memoryCount = digitValue(frame[18]) * 10 + digitValue(frame[19]);

    std::array<int32_t*, 4> nibbles{&fields.f21, &fields.f22, &fields.f23, &fields.f24};
    for (std::size_t i = 0; i < nibbles.size(); ++i) {
        const auto nibble = HexNibbleValue(frame[20 + i]);
        if (!nibble) {
            reason = "flag nibble is not a hexadecimal digit";
            return std::nullopt;
        }
        *nibbles[i] = *nibble;
    }
    fields.negative = testBit(fields.f21, 2);
    fields.overloaded = testBit(fields.f22, 1);

    if (fields.overloaded)
        fields.mainDigits = kOverloadDigits;
    else if (frame[2] == 'B')
        fields.mainDigits = {"0", "0", "0", "0"};
    else
        fields.mainDigits = digitsAt(frame, 3);

    // Codes 4 to 9 keep the previous text, which an overload left as "OL".
    if (fields.mainCode <= 3)
        fields.valueText = std::string(fields.negative ? "-" : "") + valueTextOf(fields.mainCode, fields.mainDigits);
    else
        fields.valueText = reading_.ValueText;

    if (!fields.overloaded) {
        const auto value = TextToNumber(fields.valueText);
        const auto whole = value ? truncateToInt32(*value) : std::nullopt;
        if (!whole) {
            reason = fields.valueText == "OL" ? "point code keeps an overloaded main reading"
                                              : "main digits are not a number";
            return std::nullopt;
        }
        fields.value = *value;
        fields.wholePart = *whole;
        if (fields.mode == kModePowerFactor) {
            const auto thousandths = thousandthsOf(*value);
            if (!thousandths) {
                reason = "power factor out of range";
                return std::nullopt;
            }
            fields.thousandths = *thousandths;
        }
    }
    // The cable sends only hexadecimal digits, but a typed frame may hold
    // anything; the voltage and current digits go to the LCD as they are.
    for (char c : frame) {
        if (!HexNibbleValue(c)) {
            reason = "a digit is not a hexadecimal digit";
            return std::nullopt;
        }
    }
    return fields;
}

FrameEffects MeterDecoder::ShowDataQ7(std::string_view frame, const DialRange& dial)
{
    FrameEffects effects;
    const bool terminated = isMeterFrame(frame);
    std::optional<FrameFields> fields;
    if (terminated) {
        std::string_view reason;
        fields = checkFrame(frame, reason);
        if (!fields) {
            ++droppedFrames_;
            lastDropReason_ = reason;
            return effects;
        }
    }

    lcd_.show(E::CONok);
    lcd_.hide(E::CONokN);
    pfMode_ = false;
    sigmaWMode_ = false;

    lcd_.DispInit(0);
    lcd_.show(E::rsUSB);
    effects.logFrame = true;

    if (!terminated) {
        effects.outcome = FrameOutcome::Unterminated;
        return effects;
    }

    memoryCount_ = fields->memoryCount;
    if (memoryCount_ >= 99)
        lcd_.show(E::LabFUL);
    lcd_.setCaption(E::stor1, frame.substr(18, 1));
    lcd_.setCaption(E::stor2, frame.substr(19, 1));

    constexpr std::array kMainDigits{E::LabelA, E::LabelB, E::LabelC, E::LabelD};
    for (std::size_t i = 0; i < kMainDigits.size(); ++i)
        lcd_.setCaption(kMainDigits[i], fields->mainDigits[i]);
    if (fields->mainCode >= 1 && fields->mainCode <= 3)
        lcd_.show(kMainPoints[fields->mainCode - 1]);
    reading_.ValueText = fields->valueText;
    wholePart_ = fields->wholePart;

    applyMode(fields->mode);
    applyFlags(*fields);
    lcd_.setCaption(E::wsg, sigmaWMode_ ? kSumOfPower : kSumSign);

    lcd_.hide(E::Labtime);
    for (E digit : {E::H_Time1, E::H_Time2, E::M_Time1, E::M_Time2})
        lcd_.show(digit);
    applyVoltage(frame, *fields);
    applyCurrent(frame, *fields);
    effects.rangeChange = applyUnitChange();

    if (!sigmaWMode_) {
        DialRange range = dial;
        if (effects.rangeChange)
            range.SelectDialRange(effects.rangeChange->dialType);
        effects.handOn = handOn(*fields, range);
    } else if (fields->overloaded) {
        reading_.ValueText = "OL";
    }

    lcd_.setVisible(E::Image1, lcd_.visible(E::cos_dis));
    lcd_.setVisible(E::LabelF, fields->negative);
    ++decodedFrames_;
    effects.outcome = FrameOutcome::Decoded;
    return effects;
}

void MeterDecoder::applyMode(int mode)
{
    if (mode == kModeSumOfPower)
        sigmaWMode_ = true;
    if (mode < 0 || mode >= static_cast<int>(kModes.size()))
        return;

    lcd_.setCaption(E::KVA, "V");
    lcd_.setCaption(E::kvar1, "A");
    lcd_.show(E::kvar1);
    lcd_.show(E::LcdAuto);
    for (E label : kPeakLabels)
        lcd_.hide(label);
    reading_.VUnitText = "v";
    reading_.IUnitText = "A";

    const ModeRow& row = kModes[static_cast<std::size_t>(mode)];
    reading_.UnitText = row.unit;
    for (const CaptionChange& change : {row.unitCaption, row.extraCaption}) {
        if (change.element)
            lcd_.setCaption(*change.element, change.caption);
    }
    for (const std::optional<E>& hidden : row.hidden) {
        if (hidden)
            lcd_.hide(*hidden);
    }
    lcd_.show(row.unitLabel);
    if (row.ac != Switch::Unchanged)
        lcd_.setVisible(E::AC, row.ac == Switch::Show);
    if (mode == kModePowerFactor)
        pfMode_ = true;
}

void MeterDecoder::applyFlags(const FrameFields& fields)
{
    struct FlagBit {
        int32_t FrameFields::*nibble;
        int bit;
        E element;
    };
    static constexpr std::array<FlagBit, 12> kFlagBits{{
        {&FrameFields::f21, 0, E::power},
        {&FrameFields::f21, 2, E::LabelF},
        {&FrameFields::f21, 3, E::danger},
        {&FrameFields::f22, 2, E::Labmax},
        {&FrameFields::f22, 3, E::Labmin},
        {&FrameFields::f23, 0, E::LCDHold},
        {&FrameFields::f23, 1, E::Labclr},
        {&FrameFields::f23, 3, E::labMEM},
        {&FrameFields::f24, 0, E::wsg},
        {&FrameFields::f24, 1, E::ol3},
        {&FrameFields::f24, 2, E::ol2},
        {&FrameFields::f24, 3, E::ol1},
    }};
    for (const FlagBit& flag : kFlagBits) {
        if (testBit(fields.*flag.nibble, flag.bit))
            lcd_.show(flag.element);
    }
}

void MeterDecoder::applyVoltage(std::string_view frame, const FrameFields& fields)
{
    const auto digits = testBit(fields.f22, 0) ? kOverloadDigits : digitsAt(frame, 8);
    constexpr std::array kVoltageDigits{E::LCDAA, E::LCDBB, E::LCDCC, E::LCDDD};
    for (std::size_t i = 0; i < kVoltageDigits.size(); ++i)
        lcd_.setCaption(kVoltageDigits[i], digits[i]);
    if (fields.voltageCode > 3)
        return;
    for (int code = 1; code <= 3; ++code)
        lcd_.setVisible(kVoltagePoints[code - 1], code == fields.voltageCode);
    reading_.VValueText = valueTextOf(fields.voltageCode, digits);
}

void MeterDecoder::applyCurrent(std::string_view frame, const FrameFields& fields)
{
    const auto digits = digitsAt(frame, 13);
    constexpr std::array kCurrentDigits{E::H_Time1, E::H_Time2, E::M_Time1, E::M_Time2};
    for (std::size_t i = 0; i < kCurrentDigits.size(); ++i)
        lcd_.setCaption(kCurrentDigits[i], digits[i]);
    if (fields.currentCode > 3)
        return;
    for (int code = 1; code <= 3; ++code)
        lcd_.setVisible(kCurrentPoints[code - 1], code == fields.currentCode);
    reading_.IValueText = valueTextOf(fields.currentCode, digits);
}

std::optional<FrameEffects::RangeChange> MeterDecoder::applyUnitChange()
{
    if (reading_.UnitText == prevUnitText_)
        return std::nullopt;
    prevUnitText_ = reading_.UnitText;
    for (const UnitRange& range : kUnitRanges) {
        if (range.unit == reading_.UnitText)
            return FrameEffects::RangeChange{range.dialType, range.chartLimit};
    }
    return std::nullopt;
}

FrameEffects::HandOn MeterDecoder::handOn(const FrameFields& fields, const DialRange& dial)
{
    const bool overloaded = fields.overloaded;
    const bool negative = fields.negative;
    FrameEffects::HandOn out;

    if (pfMode_)
        out.needle = overloaded ? (negative ? 0 : 2000) : dial.DialCentre + fields.thousandths;
    else
        out.needle = overloaded ? 10 * dial.DialStep : dial.DialCentre + fields.wholePart;

    out.barMax = dial.BarMax;
    if (overloaded)
        out.barPosition = out.barMax;
    else if (pfMode_)
        out.barPosition = fields.thousandths > 1 ? fields.thousandths : 1;
    else
        out.barPosition = std::abs(fields.wholePart) > 1 ? std::abs(fields.wholePart) : 1;

    out.chartValue = fields.value;
    if (overloaded) {
        const double limit = pfMode_ ? 1.0 : static_cast<double>(dial.DialFullScale);
        out.chartValue = negative ? -limit : limit;
        reading_.ValueText = "OL";
    }
    return out;
}
