#pragma once

class RecordFileOutput;
class RecordTableReader;
struct RecordFileJobProgress;

/// Writes the record table as the XML data packet (".xml"): one line, no
/// line end, the declaration without an encoding followed by two blanks,
/// the field list, PARAMS with the change log when it has entries, and one
/// ROW per row (RowState only when not 0, fields without a value left out).
/// Attribute values are the stored bytes with < > & ' " CR LF TAB and
/// backslash replaced by references; bytes above 127 go out unchanged. The
/// table holds no other control byte (see storedRecordText), none that
/// XML 1.0 cannot carry.
class XmlDataPacketWriter {
public:
    /// Writes every row of @p rows and their change log. Stops early, false,
    /// when @p progress asks to cancel. Does not commit @p out. @p progress,
    /// optional, counts rows.
    static bool write(const RecordTableReader& rows, RecordFileOutput& out,
                      RecordFileJobProgress* progress = nullptr);
};
