#pragma once

#include <iosfwd>
#include <string>
#include <vector>

/// zqmeter-cli capture FILE [--demo]: connects to the cable as the program
/// does and writes every input report to FILE in the replay format, with
/// "#" comment lines carrying time stamps, until interrupted (Ctrl+C).
/// Returns the exit status: 1 when there is no cable to connect to, the file
/// cannot be written or the link is lost, 2 for a malformed command line.
int runCaptureCommand(const std::vector<std::string>& args, std::ostream& err);
