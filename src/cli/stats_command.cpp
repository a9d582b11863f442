#include "cli/stats_command.h"

#include "cli/convert_command.h"
#include "cli/json_line.h"
#include "record/record_statistics.h"
#include "record/record_table.h"

#include <cmath>
#include <ostream>

namespace {

/// Seconds are whole by the time rule; written as integers they stay
/// "86400" where the shortest form of the double would be "8.64e+04".
JsonLine& seconds(JsonLine& line, std::string_view key, double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0)
        return line.integer(key, static_cast<std::int64_t>(value));
    return line.number(key, value);
}

std::optional<std::int64_t> wide(std::optional<std::int32_t> no)
{
    return no ? std::optional<std::int64_t>(*no) : std::nullopt;
}

}  // namespace

std::string statisticsJsonLines(const RecordStatistics& statistics)
{
    std::string lines;
    for (const StatisticsGroup& group : statistics.groups()) {
        JsonLine line;
        line.string("field", recordFieldName(group.field))
            .string("unit", group.unit)
            .integer("count", static_cast<std::int64_t>(group.count))
            .integer("skipped", static_cast<std::int64_t>(group.skipped))
            .optionalNumber("min", group.min)
            .optionalInteger("min_no", wide(group.minNo))
            .optionalNumber("max", group.max)
            .optionalInteger("max_no", wide(group.maxNo))
            .optionalNumber("mean", group.mean)
            .optionalNumber("stddev", group.stddev);
        seconds(line, "hold_s", group.holdSeconds);
        if (group.integralHours)
            line.number("integral_h", *group.integralHours);
        lines += line.finish();
        lines += '\n';
    }
    JsonLine last;
    last.integer("rows", static_cast<std::int64_t>(statistics.rows()));
    seconds(last, "duration_s", statistics.durationSeconds());
    lines += last.finish();
    lines += '\n';
    return lines;
}

int runStatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        err << "usage: zqmeter-cli stats IN...\n";
        return 2;
    }
    RecordTable table;
    for (const std::string& file : args)
        if (!openRecordFileHeadless(table, file, err))
            return 1;
    out << statisticsJsonLines(RecordStatistics::of(table, table.rowCount()));
    out.flush();
    return out ? 0 : 1;
}
