#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class RecordTable;

/// zqmeter-cli convert IN... OUT: starts from an empty table, loads each IN
/// in order as the open command does (LoadTable with empty first off: text
/// files append, a data packet replaces), then saves to OUT as the save
/// command does (exactly ".xml": the data packet; anything else: text).
/// Messages go to @p err. Returns 0, 1 when a file failed (a failed load
/// saves nothing), 2 for a malformed command line.
int runConvertCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// The open command without a window: LoadTable(@p fileName, @p table,
/// false). On a failure prints "Failed to Load File!" to @p err, then a line
/// with the file, the line and what was wrong, and returns false (rows of
/// a text file before its failing line stay).
bool openRecordFileHeadless(RecordTable& table, const std::string& fileName, std::ostream& err);

/// The save command without a window, given the chosen name: writes the form
/// its extension picks and prints the message the window would show (the
/// text form's success message too) to @p err. False when the file could
/// not be written.
bool saveRecordFileHeadless(RecordTable& table, const std::string& fileName, std::ostream& err);
