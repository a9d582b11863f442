#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class RecordTable;
struct RecordFileError;

/// Reads the record file @p path into @p table as the open command does;
/// false, with @p error told why, when the file cannot be loaded.
using ReportTableLoader = std::function<bool(const std::string& path, RecordTable& table, RecordFileError& error)>;

/// zqmeter-cli report IN [--pdf OUT] [--html OUT] [--txt OUT] [--csv OUT]:
/// loads IN into an empty table with @p load and writes the data report of
/// all its rows to each output given; with none, prints the page count to
/// @p out. Returns the exit status: 1 when IN cannot be loaded ("Failed to
/// Load File!" and a line telling why) or an output cannot be written, 2 for a malformed command
/// line. A PDF needs a Qt GUI application; one is made on the offscreen
/// platform when there is none.
int runReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     const ReportTableLoader& load);

/// The same, loading IN with LoadTable into an empty table.
int runReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
