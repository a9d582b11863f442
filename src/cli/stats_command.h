#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class RecordStatistics;

/// zqmeter-cli stats IN...: starts from an empty table, loads each IN in
/// order as convert does (text files append, a data packet replaces), then
/// prints the statistics (statisticsJsonLines) to @p out. Returns 0; 1 when
/// a file failed ("Failed to Load File!" on @p err, nothing on @p out) or
/// @p out could not be written; 2 for a malformed command line.
int runStatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// One JSON object a line per group, keys field, unit, count, skipped, min,
/// min_no, max, max_no, mean, stddev, hold_s and, for the units that have
/// one, integral_h; then {"rows": N, "duration_s": S}. Numbers read back
/// exactly; counts and whole seconds are written as integers.
std::string statisticsJsonLines(const RecordStatistics& statistics);
