#pragma once

#include <iosfwd>
#include <string>
#include <vector>

/// zqmeter-cli chart: runs the trend chart's paging and page-size handlers
/// on an in-memory chart, starting as the window's FormCreate leaves them.
/// Reads one command a line from @p in (add V, first, prior, next, last,
/// maxrecord TEXT, clear, fill 0|1, min X, max X; blank lines and lines
/// starting with "#" skipped) and writes one JSON object a command. Returns
/// the exit status: 0, or 2 for bad arguments or a line that is not a
/// command (named by its number on @p err; nothing after it runs).
int runChartCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
