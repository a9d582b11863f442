#pragma once

#include "record/record_file_error.h"
#include "record/record_table.h"

#include <string>
#include <string_view>

struct RecordFileJobProgress;

/// The two record file forms, chosen by the file name alone.
enum class RecordFileForm { Text, XmlDataPacket };

/// XmlDataPacket when the name's extension (its last dot and what follows)
/// is exactly ".xml", byte for byte; Text for anything else (".XML" too).
RecordFileForm recordFileForm(std::string_view fileName);

/// Writes @p rows to @p fileName in the form its name chooses, creating or
/// replacing it atomically. False when the file could not be written or
/// @p progress asked to cancel; the previous file of that name is then as it
/// was and no other file is left. Any thread.
bool saveRecordFile(const std::string& fileName, const RecordTableReader& rows,
                    RecordFileJobProgress* progress = nullptr);

/// A file read into a table of its own, off the main thread, waiting to be
/// committed to the record table in one step.
struct RecordFileLoad {
    RecordFileForm form = RecordFileForm::Text;
    /// Whether the whole file was read.
    bool ok = false;
    /// Text: the rows of the lines before a failing one. Data packet: the
    /// packet's rows and log, to be used only when ok.
    RecordTable rows;
    /// Why the file did not load whole, when not ok.
    RecordFileError error;
};

/// Reads @p fileName in the form its name chooses into a new table. Any
/// thread; the result belongs to the calling thread until committed.
RecordFileLoad readRecordFile(const std::string& fileName, RecordFileJobProgress* progress = nullptr);

/// Puts what @p load read into @p table on @p table's thread, in O(segments):
/// a data packet read whole replaces the content (rows, states, log); one
/// that failed changes nothing; text rows are appended, those before a
/// failing line too. Returns load.ok.
bool commitRecordFileLoad(RecordTable& table, RecordFileLoad&& load);

/// LoadTable(file name, table, empty first): empties @p table first when
/// @p emptyFirst, then reads @p fileName into it (see commitRecordFileLoad).
/// On the table's thread, all at once. False for a file that failed
/// ("Failed to Load File!"); @p error, optional, is then told why.
bool LoadTable(const std::string& fileName, RecordTable& table, bool emptyFirst, RecordFileError* error = nullptr);
