#pragma once

#include "record/record_row.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class RecordRowAccess;

/// The figures of one reading field under one unit text: the rows whose
/// unit field (Unit, V_Unit, I_Unit) holds @ref unit, a missing unit
/// counting as the empty text.
struct StatisticsGroup {
    RecordField field = RecordField::Value;  ///< Value, V_Value or I_Value
    std::string unit;
    std::uint64_t count = 0;    ///< rows whose value text is a number (readingNumber)
    std::uint64_t skipped = 0;  ///< the group's other rows: "OL", empty, missing, "NULL"
    // The next six are none when count is 0.
    std::optional<double> min;
    std::optional<std::int32_t> minNo;  ///< No of the first row reaching min; none when it has no No
    std::optional<double> max;
    std::optional<std::int32_t> maxNo;
    std::optional<double> mean;
    std::optional<double> stddev;       ///< population; 0 for a single value
    double holdSeconds = 0;             ///< sum of dt over the numeric rows
    /// Sum of value x dt / 3600 (KWh, KVAh, KVArh, Ah); present only for Value
    /// in "KW", "KVA" or "KVAr" and I_Value in "A".
    std::optional<double> integralHours;

    friend bool operator==(const StatisticsGroup&, const StatisticsGroup&) = default;
};

/// Statistics of the reading fields of a record table, kept up to date row
/// by row as the table grows.
///
/// Groups: for Value, V_Value and I_Value, in that order, one group per
/// distinct text of the row's unit field, in the order the units first
/// appear. Time: dt of a row is the seconds from its Time to the next row's
/// Time (any units), plus 86400 when negative (past midnight); 0 for the last
/// row and where either text is not a time (timeOfDaySeconds). A value holds
/// until the next row.
///
/// add() costs O(1) whatever the number of rows: the sums run along, and the
/// previous row's share of hold and integral is added once the new row tells
/// its dt. Mean and variance are Welford's, the integral a compensated sum,
/// so ten million rows lose no digits worth showing.
///
/// Not bound to a table. One thread at a time, const members included
/// (groups() fills a cache); a result of of() made on a job thread may be
/// moved to the main thread. After the table is emptied or replaced,
/// clear() and add its rows again (or take of() of them).
class RecordStatistics {
public:
    /// Takes in row @p row of @p rows, which must follow the row added last
    /// (rows are added in table order, from row 0).
    void add(const RecordRowAccess& rows, std::size_t row);
    /// Back to no rows.
    void clear();

    /// The statistics of rows [0, @p count) of @p rows; works on a
    /// RecordTableReader on any thread.
    static RecordStatistics of(const RecordRowAccess& rows, std::size_t count);

    /// Value's groups, then V_Value's, then I_Value's, each in the order
    /// their units first appeared. Valid until the next add() or clear().
    const std::vector<StatisticsGroup>& groups() const;
    /// Rows added.
    std::uint64_t rows() const { return rows_; }
    /// Sum of every row's dt.
    double durationSeconds() const { return static_cast<double>(durationSeconds_); }

    /// The figures as plain text, one line per group and a last line with
    /// the rows and the duration, each ending in '\n', e.g.
    /// "Value KW: 1234 readings (5 skipped), min 0.886 (No 17), max 1.732
    /// (No 3), mean 1.2, stddev 0.1, held 3600 s, 1.2 KWh". Minimum and
    /// maximum as read, the other figures to six significant digits.
    std::string text() const;

private:
    /// One group as it runs along.
    struct Running {
        std::string unit;
        bool integrates = false;
        std::uint64_t count = 0;
        std::uint64_t skipped = 0;
        double mean = 0;
        double squares = 0;  ///< Welford's sum of squared deviations from the mean
        double min = 0;
        double max = 0;
        std::optional<std::int32_t> minNo;
        std::optional<std::int32_t> maxNo;
        std::int64_t holdSeconds = 0;
        double integral = 0;  ///< sum of value x dt [unit x s], with
        double integralCompensation = 0;  ///< the low-order part it lost
    };
    /// The groups of one reading field.
    struct Field {
        std::vector<Running> groups;
        std::map<std::string, std::size_t, std::less<>> byUnit;
        std::size_t lastGroup = 0;  ///< where the previous row went; units seldom change
    };
    /// What the row added last contributes once its dt is known.
    struct Pending {
        std::size_t group = 0;
        bool number = false;
        double value = 0;
    };

    /// A value text met before and what readingNumber made of it.
    struct Parsed {
        const char* at = nullptr;  ///< where it was met: the key, checked against the bytes
        std::uint8_t length = 0;
        bool number = false;
        char bytes[kRecordTextWidth] = {};
        double value = 0;
    };
    static constexpr std::size_t kParsedSlots = 1024;  ///< for each reading field

    Running& groupOf(std::size_t field, std::string_view unit);
    /// readingNumber(@p text), remembered; false for no number.
    bool numberOf(std::size_t field, std::string_view text, double& value);

    std::array<Field, 3> fields_;
    std::vector<Parsed> parsed_;  ///< kParsedSlots a field, made by the first add()
    std::array<Pending, 3> pending_{};
    std::int32_t lastTime_ = -1;  ///< seconds since midnight of the row added last, -1 for none
    std::uint64_t rows_ = 0;
    std::int64_t durationSeconds_ = 0;

    mutable std::vector<StatisticsGroup> groups_;
    mutable bool groupsStale_ = false;
};
