#include "record/record_statistics.h"

#include "meter/reading_number.h"
#include "record/record_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr std::array<RecordField, 3> kValueFields = {RecordField::Value, RecordField::V_Value, RecordField::I_Value};
constexpr std::array<RecordField, 3> kUnitFields = {RecordField::Unit, RecordField::V_Unit, RecordField::I_Unit};
constexpr std::int32_t kDaySeconds = 86400;

bool integrates(std::size_t field, std::string_view unit)
{
    if (kValueFields[field] == RecordField::Value)
        return unit == "KW" || unit == "KVA" || unit == "KVAr";
    return kValueFields[field] == RecordField::I_Value && unit == "A";
}

/// Neumaier's compensated sum: @p low keeps what @p sum could not hold.
void addCompensated(double& sum, double& low, double term)
{
    const double next = sum + term;
    if (std::fabs(sum) >= std::fabs(term))
        low += (sum - next) + term;
    else
        low += (term - next) + sum;
    sum = next;
}

/// Byte for byte, without a library call for texts of a few bytes.
bool sameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

std::string shortest(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

/// Six significant digits, but never rounded inside the whole part, so a
/// large integral keeps its units (2777778, not 2.77778e+06).
std::string readable(double value)
{
    int precision = 6;
    const double magnitude = std::fabs(value);
    if (magnitude >= 1e5 && magnitude < 1e17) {
        const auto whole = static_cast<long long>(std::llround(magnitude));
        int digits = 0;
        for (long long rest = whole; rest > 0; rest /= 10)
            ++digits;
        precision = std::max(precision, digits);
    }
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    return std::string(buffer, result.ptr);
}

}  // namespace

RecordStatistics::Running& RecordStatistics::groupOf(std::size_t field, std::string_view unit)
{
    Field& f = fields_[field];
    if (f.lastGroup < f.groups.size() && sameText(f.groups[f.lastGroup].unit, unit))
        return f.groups[f.lastGroup];
    auto found = f.byUnit.find(unit);
    if (found == f.byUnit.end()) {
        found = f.byUnit.emplace(std::string(unit), f.groups.size()).first;
        Running& group = f.groups.emplace_back();
        group.unit = std::string(unit);
        group.integrates = integrates(field, unit);
    }
    f.lastGroup = found->second;
    return f.groups[f.lastGroup];
}

bool RecordStatistics::numberOf(std::size_t field, std::string_view text, double& value)
{
    // Readings repeat: a meter shows a few thousand values at most, and the
    // table stores each text once, so the place of a text finds it again far
    // quicker than parsing it. The bytes decide; the place only picks the slot.
    if (parsed_.empty())
        parsed_.resize(kParsedSlots * kValueFields.size());
    const auto key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(text.data()));
    static_assert(kParsedSlots == std::size_t{1} << 10);
    Parsed& parsed = parsed_[field * kParsedSlots + ((key * 0x9E3779B97F4A7C15ull) >> 54)];
    if (parsed.at != text.data() || !sameText(std::string_view(parsed.bytes, parsed.length), text)) {
        const std::optional<double> number = readingNumber(text);
        parsed.number = number.has_value();
        parsed.value = number.value_or(0);
        const bool fits = text.size() <= kRecordTextWidth;
        parsed.at = fits ? text.data() : nullptr;
        parsed.length = static_cast<std::uint8_t>(fits ? text.size() : 0);
        if (fits)
            std::copy(text.begin(), text.end(), parsed.bytes);
    }
    value = parsed.value;
    return parsed.number;
}

void RecordStatistics::add(const RecordRowAccess& rows, std::size_t row)
{
    std::int32_t time = -1;
    if (std::optional<std::string_view> text = rows.text(row, RecordField::Time))
        time = timeOfDaySeconds(*text).value_or(-1);

    // The previous row's dt is known now: its values held until this row.
    if (lastTime_ >= 0 && time >= 0) {
        std::int32_t dt = time - lastTime_;
        if (dt < 0)
            dt += kDaySeconds;
        durationSeconds_ += dt;
        for (std::size_t k = 0; k < pending_.size(); ++k) {
            const Pending& pending = pending_[k];
            if (!pending.number)
                continue;
            Running& group = fields_[k].groups[pending.group];
            group.holdSeconds += dt;
            if (group.integrates)
                addCompensated(group.integral, group.integralCompensation, pending.value * dt);
        }
    }

    std::optional<std::optional<std::int32_t>> no;  // read only when a minimum or maximum moves
    auto noOfRow = [&] {
        if (!no)
            no = rows.no(row);
        return *no;
    };
    for (std::size_t k = 0; k < kValueFields.size(); ++k) {
        const std::optional<std::string_view> unit = rows.text(row, kUnitFields[k]);
        Running& group = groupOf(k, unit.value_or(std::string_view()));
        Pending& pending = pending_[k];
        pending.group = fields_[k].lastGroup;
        const std::optional<std::string_view> text = rows.text(row, kValueFields[k]);
        pending.number = text && numberOf(k, *text, pending.value);
        if (!pending.number) {
            ++group.skipped;
            continue;
        }
        const double x = pending.value;
        ++group.count;
        // The reciprocal depends on the count alone, which keeps the division
        // out of the chain from one mean to the next.
        const double share = 1.0 / static_cast<double>(group.count);
        const double delta = x - group.mean;
        group.mean += delta * share;
        group.squares += delta * (x - group.mean);
        if (group.count == 1 || x < group.min) {
            group.min = x;
            group.minNo = noOfRow();
        }
        if (group.count == 1 || x > group.max) {
            group.max = x;
            group.maxNo = noOfRow();
        }
    }
    lastTime_ = time;
    ++rows_;
    groupsStale_ = true;
}

void RecordStatistics::clear()
{
    *this = RecordStatistics();
}

RecordStatistics RecordStatistics::of(const RecordRowAccess& rows, std::size_t count)
{
    RecordStatistics statistics;
    for (std::size_t row = 0; row < count; ++row)
        statistics.add(rows, row);
    return statistics;
}

const std::vector<StatisticsGroup>& RecordStatistics::groups() const
{
    if (!groupsStale_)
        return groups_;
    groups_.clear();
    for (std::size_t k = 0; k < fields_.size(); ++k) {
        for (const Running& running : fields_[k].groups) {
            StatisticsGroup& group = groups_.emplace_back();
            group.field = kValueFields[k];
            group.unit = running.unit;
            group.count = running.count;
            group.skipped = running.skipped;
            group.holdSeconds = static_cast<double>(running.holdSeconds);
            if (running.integrates)
                group.integralHours = (running.integral + running.integralCompensation) / 3600.0;
            if (running.count == 0)
                continue;
            group.min = running.min;
            group.minNo = running.minNo;
            group.max = running.max;
            group.maxNo = running.maxNo;
            group.mean = running.mean;
            group.stddev = std::sqrt(std::max(0.0, running.squares) / static_cast<double>(running.count));
        }
    }
    groupsStale_ = false;
    return groups_;
}

std::string RecordStatistics::text() const
{
    std::string text;
    for (const StatisticsGroup& group : groups()) {
        text += recordFieldName(group.field);
        text += ' ';
        text += group.unit.empty() ? std::string("(no unit)") : group.unit;
        text += ": " + std::to_string(group.count) + (group.count == 1 ? " reading" : " readings");
        text += " (" + std::to_string(group.skipped) + " skipped)";
        if (group.count > 0) {
            auto extreme = [&](const char* name, double value, std::optional<std::int32_t> no) {
                text += std::string(", ") + name + ' ' + shortest(value);
                if (no)
                    text += " (No " + std::to_string(*no) + ')';
            };
            extreme("min", *group.min, group.minNo);
            extreme("max", *group.max, group.maxNo);
            text += ", mean " + readable(*group.mean) + ", stddev " + readable(*group.stddev);
            text += ", held " + readable(group.holdSeconds) + " s";
            if (group.integralHours)
                text += ", " + readable(*group.integralHours) + ' ' + group.unit + 'h';
        }
        text += '\n';
    }
    text += std::to_string(rows_) + (rows_ == 1 ? " row" : " rows") + ", " + readable(durationSeconds()) + " s\n";
    return text;
}
