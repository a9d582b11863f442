#pragma once

#include <iosfwd>
#include <string>
#include <vector>

/// zqmeter-cli replay [--decimal C] [--repeat on|off] [--interval N]
/// [--limit N] [--clock HH:MM:SS] [--open FILE]... [--save FILE]: feeds input
/// reports read from @p in (one per line, hexadecimal bytes separated by
/// blanks, report ID first) to the frame assembly, decoder and record table
/// of a connected program and prints one JSON object per frame closed, then
/// a summary. Time is simulated: "# t=S" [s] and "# +N ms" lines move the
/// clock on, running the sampling interval's 1-s ticks due on the way.
///
/// The record files of --open are loaded before the first report, the table
/// is saved to --save after the last; their messages go to @p err. Returns
/// the exit status: 1 for a line that is neither a report nor a time that
/// moves on, a file that fails to load or a failed save; 2 for a malformed
/// command line.
int runReplayCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err);
