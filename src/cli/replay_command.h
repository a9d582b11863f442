#pragma once

#include <iosfwd>
#include <string>
#include <vector>

/// zqmeter-cli replay [--decimal C]: feeds input reports read from @p in
/// (one per line, hexadecimal bytes separated by blanks, report ID first)
/// to the frame assembly of a connected program and prints one JSON object
/// per frame closed, then a summary. Returns the exit status: 1 for a line
/// that is not hexadecimal bytes, 2 for a malformed command line.
int runReplayCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err);
