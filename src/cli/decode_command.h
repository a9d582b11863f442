#pragma once

#include <iosfwd>
#include <string>
#include <vector>

/// zqmeter-cli decode [--decimal C]: decodes meter frames read from @p in,
/// one per line, and writes one JSON object per frame to @p out.
/// Returns the exit status (2 for a malformed command line).
int runDecodeCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                     std::ostream& err);
