#pragma once

#include <iosfwd>
#include <string>
#include <vector>

/// zqmeter-cli dial needle V [--range T] | dial scale [--range T]: the
/// dial's drawing geometry on the layout's 369 x 153 panel, as JSON.
/// Returns the exit status (2 for a malformed command line).
int runDialCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
