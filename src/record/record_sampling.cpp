#include "record/record_sampling.h"

#include "meter/meter_reading.h"
#include "meter/whole_number.h"

#include <array>

namespace {

struct LimitChoice {
    RecordSampling::LimitItem item;
    std::string_view name;
    std::string_view caption;
    std::int32_t limit;
};

constexpr std::array<LimitChoice, 6> kLimits{{
    {RecordSampling::LimitItem::set1k, "set1k", "1000", 1000},
    {RecordSampling::LimitItem::set5k, "set5k", "5000", 5000},
    {RecordSampling::LimitItem::set10k, "set10k", "10000", 10000},
    {RecordSampling::LimitItem::set50k, "set50k", "50000", 50000},
    {RecordSampling::LimitItem::set100k, "set100k", "100000", 100000},
    {RecordSampling::LimitItem::setlimit, "setlimit", "Limitless", 10000000},
}};

const LimitChoice& choice(RecordSampling::LimitItem item) { return kLimits[static_cast<std::size_t>(item)]; }

void twoDigits(std::string& out, std::int32_t value)
{
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

}  // namespace

RecordSampling::Offer RecordSampling::INDataToTable(std::int32_t kind, const MeterReading& reading,
                                                     std::int32_t secondsOfDay)
{
    Offer offer;
    if (kind != 1)
        return offer;
    if (limitReached())
        return offer;
    if (recordSI_ && sampleCountdown_ != 0)
        return offer;

    if (repeatSet_ || reading.ValueText != lastSampledValueText_) {
        std::optional<std::int32_t> interval = intervalOf(recordSITimeText_);
        if (!interval) {
            // Ends the handling of this reading: neither recorded nor counted.
            offer.error = conversionError(recordSITimeText_);
            return offer;
        }
        sampleCountdown_ = *interval;

        RecordRow row;
        row.setText(RecordField::Value, reading.ValueText);
        row.setText(RecordField::Time, timeText(secondsOfDay, timeSeparator_));
        row.setNo(nextRecordNo_);
        row.setText(RecordField::V_Value, reading.VValueText);
        row.setText(RecordField::V_Unit, reading.VUnitText);
        row.setText(RecordField::Unit, reading.UnitText);
        row.setText(RecordField::I_Value, reading.IValueText);
        row.setText(RecordField::I_Unit, reading.IUnitText);
        offer.row = cds1.appendRow(row);
        offer.no = nextRecordNo_;
    }
    offer.sampled = true;
    ++nextRecordNo_;
    lastSampledValueText_ = reading.ValueText;
    return offer;
}

void RecordSampling::SampInterTimeTimer()
{
    if (recordSI_ && sampleCountdown_ > 0)
        --sampleCountdown_;
}

std::string RecordSampling::RecordSITimeChange(std::string_view text)
{
    recordSITimeText_ = std::string(text);
    std::optional<std::int32_t> interval = intervalOf(text);
    if (!interval)
        return conversionError(text);
    sampleCountdown_ = *interval;
    return {};
}

void RecordSampling::RecordSITimeKeyPress(char& key)
{
    if (!keepsWholeNumberKey(key))
        key = 0;
}

void RecordSampling::selectLimit(LimitItem item)
{
    recordLimit_ = choice(item).limit;
    checkedLimit_ = item;
}

std::string_view RecordSampling::limitCaption(LimitItem item) { return choice(item).caption; }
std::int32_t RecordSampling::limitOf(LimitItem item) { return choice(item).limit; }

std::optional<RecordSampling::LimitItem> RecordSampling::limitItemByName(std::string_view name)
{
    for (const LimitChoice& limit : kLimits) {
        if (limit.name == name)
            return limit.item;
    }
    return std::nullopt;
}

bool RecordSampling::clearRecords()
{
    const bool hadRows = !cds1.empty();
    if (hadRows)
        cds1.clear();
    nextRecordNo_ = 1;
    return hadRows;
}

std::optional<std::int32_t> RecordSampling::intervalOf(std::string_view text)
{
    if (text.empty() || text == "-" || text == "+")
        return 0;
    return parseWholeNumber(text);
}

std::string RecordSampling::conversionError(std::string_view text)
{
    return "'" + std::string(text) + "' is not a valid integer value";
}

std::string RecordSampling::timeText(std::int32_t secondsOfDay, std::string_view separator)
{
    secondsOfDay %= 86400;
    if (secondsOfDay < 0)
        secondsOfDay += 86400;
    std::string text;
    text.reserve(6 + 2 * separator.size());
    twoDigits(text, secondsOfDay / 3600);
    text += separator;
    twoDigits(text, secondsOfDay / 60 % 60);
    text += separator;
    twoDigits(text, secondsOfDay % 60);
    return text;
}
