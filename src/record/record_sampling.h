#pragma once

#include "record/record_table.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

struct MeterReading;

/// The sampling rules of the record table and their state: which offered
/// readings become rows of cds1, the record limit menu, the interval edit
/// and its countdown, and the delete command. GUI-free: the window forwards
/// its handlers here and renders what they changed; messages come back as
/// returned texts, never printed.
///
/// The start state is the window's after its creation step: Repeat on,
/// interval off with the text "10", limit 10000 with its check mark.
class RecordSampling {
public:
    /// Items of the " RecordSet" menu, in menu order.
    enum class LimitItem : std::uint8_t { set1k, set5k, set10k, set50k, set100k, setlimit };

    /// What INDataToTable did with a reading.
    struct Offer {
        bool sampled = false;                 ///< counted (NextRecordNo moved on)
        std::optional<std::size_t> row;       ///< index of the row it added
        std::optional<std::int32_t> no;       ///< No of that row
        std::string error;                    ///< interval text not a number: the message box text
    };

    /// Records into @p table, which must outlive this object.
    explicit RecordSampling(RecordTable& table) : cds1(table) {}

    // --- state ------------------------------------------------------------
    std::int32_t NextRecordNo() const { return nextRecordNo_; }
    std::int32_t RecordLimit() const { return recordLimit_; }
    std::int32_t SampleCountdown() const { return sampleCountdown_; }
    const std::string& LastSampledValueText() const { return lastSampledValueText_; }
    /// Check box RepeatSet: on records repeated value texts too.
    bool RepeatSet() const { return repeatSet_; }
    void setRepeatSet(bool on) { repeatSet_ = on; }
    /// Check box RecordSI: on records at most one reading per interval.
    /// Turning it on or off has no handler: the countdown keeps its value.
    bool RecordSI() const { return recordSI_; }
    void setRecordSI(bool on) { recordSI_ = on; }
    /// Text of the edit RecordSITime.
    const std::string& RecordSITimeText() const { return recordSITimeText_; }
    /// Puts @p text in the edit without its change event, as a program
    /// starting with other settings does; later edits go through
    /// RecordSITimeChange.
    void setRecordSITimeText(std::string text) { recordSITimeText_ = std::move(text); }
    /// Numbers the next recorded row @p no: the command line's --append
    /// goes on after a file's last No, and the limit counts those numbers.
    void setNextRecordNo(std::int32_t no) { nextRecordNo_ = no; }
    /// A record limit of the caller's own (the command line's --limit);
    /// the menu's check mark stays where it is.
    void setRecordLimit(std::int32_t limit) { recordLimit_ = limit; }
    /// The system's time separator, between hours, minutes and seconds of
    /// Time (":" unless set).
    void setTimeSeparator(std::string separator) { timeSeparator_ = std::move(separator); }
    const std::string& timeSeparator() const { return timeSeparator_; }

    // --- handlers ---------------------------------------------------------
    /// Offers a reading (kind 1; other kinds do nothing) at @p secondsOfDay
    /// [s since midnight, 0 .. 86399] and applies every sampling rule. A
    /// recorded row becomes the table's current row.
    Offer INDataToTable(std::int32_t kind, const MeterReading& reading, std::int32_t secondsOfDay);
    /// The 1-s tick of SampInterTime.
    void SampInterTimeTimer();
    /// The edit's text became @p text: SampleCountdown takes its interval at
    /// once. Returns the message box text when @p text is not a whole number
    /// (nothing else changes then beyond the stored text), else empty.
    std::string RecordSITimeChange(std::string_view text);
    /// Key filter of the edit: any key but "0".."9" and backspace (8)
    /// becomes 0 (discarded); see keepsWholeNumberKey.
    static void RecordSITimeKeyPress(char& key);

    void set1kClick() { selectLimit(LimitItem::set1k); }
    void set5kClick() { selectLimit(LimitItem::set5k); }
    void set10kClick() { selectLimit(LimitItem::set10k); }
    void set50kClick() { selectLimit(LimitItem::set50k); }
    void set100kClick() { selectLimit(LimitItem::set100k); }
    void setlimitClick() { selectLimit(LimitItem::setlimit); }
    /// Sets RecordLimit from @p item and moves the check mark to it.
    void selectLimit(LimitItem item);
    /// Whether @p item carries the check mark.
    bool marked(LimitItem item) const { return checkedLimit_ == item; }
    /// "1000" .. "Limitless", and the limit an item sets.
    static std::string_view limitCaption(LimitItem item);
    static std::int32_t limitOf(LimitItem item);
    /// The item named @p name ("set1k" .. "setlimit").
    static std::optional<LimitItem> limitItemByName(std::string_view name);

    /// The delete command comes in two steps, so that nothing is lost before
    /// the user agreed: the caller asks kClearWarning with OK and Cancel, and
    /// only on OK calls clearRecords().
    static constexpr std::string_view kClearWarning = " Warning:all Records will be deleted! ";
    /// The delete command's deletion: empties the table if it has rows and
    /// restarts the numbering at 1. Returns true when the table had rows:
    /// the caller must then clear the chart (ClearChart).
    bool clearRecords();

    /// Readings are refused because the numbering went past RecordLimit;
    /// raising the limit or clearRecords lets them in again.
    bool limitReached() const { return recordLimit_ < nextRecordNo_; }

    /// The interval of an edit text: 0 for "", "-" and "+", else the whole
    /// number (parseWholeNumber); none when the text is not one.
    static std::optional<std::int32_t> intervalOf(std::string_view text);
    /// The message shown when @p text is not a whole number.
    static std::string conversionError(std::string_view text);
    /// "hh:mm:ss" with @p separator.
    static std::string timeText(std::int32_t secondsOfDay, std::string_view separator);

    RecordTable& cds1;

private:
    std::int32_t nextRecordNo_ = 1;
    std::int32_t recordLimit_ = 10000;
    std::int32_t sampleCountdown_ = 0;
    std::string lastSampledValueText_;
    bool repeatSet_ = true;
    bool recordSI_ = false;
    std::string recordSITimeText_ = "10";
    std::string timeSeparator_ = ":";
    LimitItem checkedLimit_ = LimitItem::set10k;
};
