#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class RecordFileInput;
struct RecordFileError;
class RecordFileOutput;
class RecordRowAccess;
class RecordTable;
class RecordTableReader;
struct RecordFileJobProgress;

/// The tab-separated record file (".xls", ".txt" and any name but ".xml"):
/// a header line of the field names, then one line per row, eight fields
/// joined by tabs; every line ends with CR LF. Bytes of the system code
/// page. A reader splits fields at any run of bytes 1 to 32; a field that
/// starts with a double quote runs to the next lone one, with "" standing
/// for one quote inside.
class TextTableFile {
public:
    /// Writes the header and every row of @p rows, in order: No as decimal
    /// text ("NULL" without a value), each text with bytes 0 to 32 stripped
    /// from both ends and "NULL" where that leaves nothing. A text that then
    /// holds a blank or starts with a double quote goes out quoted, so it
    /// reads back whole; every other one byte for byte. Stops early, false,
    /// when @p progress asks to cancel. Does not commit @p out. @p progress,
    /// optional, counts rows.
    static bool write(const RecordTableReader& rows, RecordFileOutput& out,
                      RecordFileJobProgress* progress = nullptr);

    /// The header line, CR LF included.
    static std::string_view header();
    /// Appends row @p row of @p rows as write() puts it, CR LF included:
    /// a file grown line by line this way reads as one written whole.
    static void appendLine(std::string& out, const RecordRowAccess& rows, std::size_t row);

    /// Appends a row to @p table for every line after the first that holds
    /// a field; a first field that is exactly "NULL" gives a row without a
    /// No. False for a file that cannot be read or holds no line at all, and
    /// at the first line whose first field is neither that nor a 32-bit
    /// whole number, or that has more than eight fields: the rows of the
    /// lines before it stay in @p table, that line adds none. @p progress,
    /// optional, counts bytes read; @p error, optional, is told why it
    /// failed and on which line (every CR LF, CR or LF ends one).
    static bool read(RecordFileInput& in, RecordTable& table, RecordFileJobProgress* progress = nullptr,
                     RecordFileError* error = nullptr);

    /// read() on bytes in memory, handed over in pieces of @p chunk bytes.
    static bool parse(std::string_view bytes, RecordTable& table, std::size_t chunk = 1 << 20,
                      RecordFileError* error = nullptr);
};
