#pragma once

#include <cstddef>
#include <string_view>

class RecordFileInput;
struct RecordFileError;
class RecordTable;
struct RecordFileJobProgress;

/// Reads an XML data packet into an empty table being built: its rows with
/// their change states and its change log. The packet names no encoding and
/// holds bytes of the system code page, so it is parsed as ISO-8859-1 and
/// every character handed back is that byte again; a character reference
/// beyond 255 becomes one "?". Texts are stored as storedRecordText makes
/// them, so a reference to a control character stores "?" too.
///
/// The table's eight fields are matched to the packet's FIELD elements by
/// name without regard to case, in any order; No must be an integer field
/// that fits 32 bits, the texts string fields of any width; other fields
/// are ignored.
class XmlDataPacketReader {
public:
    /// Fills @p table, which must be empty, with the packet read from @p in.
    /// False for a file that cannot be read, that is not well-formed XML or
    /// not a data packet, lacks one of the eight fields or gives one an
    /// incompatible type, or holds a value that does not fit its field; then
    /// @p table holds some rows and must be dropped. @p progress, optional,
    /// counts bytes read; @p error, optional, is told why it failed and,
    /// where one element or token is to blame, on which line.
    static bool read(RecordFileInput& in, RecordTable& table, RecordFileJobProgress* progress = nullptr,
                     RecordFileError* error = nullptr);

    /// read() on bytes in memory, handed to the parser in pieces of
    /// @p chunk bytes.
    static bool parse(std::string_view bytes, RecordTable& table, std::size_t chunk = 1 << 20,
                      RecordFileError* error = nullptr);
};
