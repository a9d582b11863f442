#pragma once

#include "meter/dial_range.h"
#include "meter/frame_effects.h"
#include "meter/lcd_model.h"
#include "meter/meter_reading.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// Decodes meter frames into the current reading and the LCD model, and
/// works out what the reading asks of the dial, bar graph, record table and
/// chart (FrameEffects), which its owner applies. A MeterFrame is 26 characters, one hexadecimal
/// digit per serial byte of the meter's frame:
///
///   1       mode code 0..9          14-17  current digits
///   2       not used                18     current point code
///   3       "B": main digits all 0  19-20  memory counter, tens and units
///   4-7     main digits             21     battery (bit 0), minus (bit 2), danger (bit 3)
///   8       main point code         22     V overload (0), main overload (1), MAX (2), MIN (3)
///   9-12    voltage digits          23     HOLD (0), CLR (1), MEM (3)
///   13      voltage point code      24     sum sign (0), phase marks 3, 2, 1 (bits 1..3)
///                                   25-26  "D", "A" (the frame's CR LF)
///
/// A frame that would fail a conversion part-way (a non-digit where a
/// number is read, a non-hex flag nibble, point code 4..9 on a main
/// display still reading "OL") is checked as a whole first and dropped
/// with no effect; the drops are counted.
class MeterDecoder {
public:
    /// @param localeDecimal decimal separator of the system locale (may be empty)
    explicit MeterDecoder(std::string localeDecimal = ".");

    /// Decodes one frame into the reading and the LCD model and returns what
    /// it asks of the other units. @p dial is the dial range in force; a unit
    /// change computes the hand-on with the range it selects. Main thread only.
    FrameEffects ShowDataQ7(std::string_view frame, const DialRange& dial);

    const MeterReading& reading() const { return reading_; }
    const LcdModel& lcd() const { return lcd_; }
    LcdModel& lcd() { return lcd_; }
    const std::string& LocaleDecimal() const { return localeDecimal_; }
    void setLocaleDecimal(std::string localeDecimal) { localeDecimal_ = std::move(localeDecimal); }

    bool PfMode() const { return pfMode_; }
    bool SigmaWMode() const { return sigmaWMode_; }
    int32_t MemoryCount() const { return memoryCount_; }
    /// Integer part of the main reading of the last decoded frame (0 on overload).
    int32_t WholePart() const { return wholePart_; }
    const std::string& PrevUnitText() const { return prevUnitText_; }

    /// Frames decoded in full so far.
    uint64_t decodedFrames() const { return decodedFrames_; }
    /// Malformed frames dropped so far, and why the last one was.
    uint64_t droppedFrames() const { return droppedFrames_; }
    std::string_view lastDropReason() const { return lastDropReason_; }

    /// "A".."F" give 10..15 (upper case only), "0".."9" their value; anything
    /// else is a conversion failure (nullopt).
    static std::optional<int32_t> HexNibbleValue(char character);

    /// The number a display text stands for, read with LocaleDecimal as the
    /// decimal separator; nullopt when the text is not such a number.
    std::optional<double> TextToNumber(std::string_view text) const;

    /// TextToNumber truncated toward zero; nullopt when that fails or does
    /// not fit 32 bits.
    std::optional<int32_t> TextToWholeNumber(std::string_view text) const;

private:
    struct FrameFields;

    std::optional<FrameFields> checkFrame(std::string_view frame, std::string_view& reason) const;
    std::string valueTextOf(int pointCode, const std::array<std::string_view, 4>& digits) const;
    void applyMode(int mode);
    void applyFlags(const FrameFields& fields);
    void applyVoltage(std::string_view frame, const FrameFields& fields);
    void applyCurrent(std::string_view frame, const FrameFields& fields);
    std::optional<FrameEffects::RangeChange> applyUnitChange();
    FrameEffects::HandOn handOn(const FrameFields& fields, const DialRange& dial);

    std::string localeDecimal_;
    MeterReading reading_;
    LcdModel lcd_;
    std::string prevUnitText_;
    bool pfMode_ = false;
    bool sigmaWMode_ = false;
    int32_t memoryCount_ = 0;
    int32_t wholePart_ = 0;
    uint64_t decodedFrames_ = 0;
    uint64_t droppedFrames_ = 0;
    std::string_view lastDropReason_;
};
