#include "record/xml_data_packet_reader.h"

#include "meter/whole_number.h"
#include "record/change_log_filter.h"
#include "record/record_file_error.h"
#include "record/record_file_input.h"
#include "record/record_file_job_progress.h"
#include "record/record_table.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t kReadChunk = std::size_t{1} << 20;
/// A chunk that the parser could not finish a token of is doubled, so one
/// huge start tag (PARAMS with the log of millions of rows) is rescanned a
/// few times only, not once per megabyte.
constexpr std::size_t kLargestChunk = std::size_t{1} << 30;

/// Hands @p put, one by one, the code-page bytes that the UTF-8 text
/// @p utf8 from expat stands for, until the text ends or @p put returns
/// false. Parsed as ISO-8859-1, every byte of the file comes back as the
/// character of that number, U+0000 to U+00FF: one byte of UTF-8, or two
/// with a lead byte C2 or C3. A character beyond 255, which only a
/// character reference can give, has no byte in the code page; it becomes
/// "?" rather than a byte it does not stand for.
template <class Put>
void forEachByte(const char* utf8, Put&& put)
{
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p) {
        const unsigned char lead = *p++;
        char byte = '?';
        if (lead < 0x80) {
            byte = static_cast<char>(lead);
        } else if ((lead == 0xC2 || lead == 0xC3) && (*p & 0xC0) == 0x80) {
            byte = static_cast<char>(((lead & 0x03) << 6) | (*p++ & 0x3F));
        } else {
            while ((*p & 0xC0) == 0x80)
                ++p;
        }
        if (!put(byte))
            return;
    }
}

/// The stored text (see storedRecordText) of the UTF-8 value @p utf8: a
/// view of the value itself when it is plain ASCII without control bytes,
/// the usual case, else of its stored bytes in @p into.
std::string_view storedBytesOf(const char* utf8, char (&into)[kRecordTextWidth])
{
    std::size_t length = 0;
    while (utf8[length] && static_cast<unsigned char>(utf8[length]) < 0x80)
        ++length;
    if (!utf8[length])
        return storedRecordText(std::string_view(utf8, length), into);
    std::size_t n = 0;
    forEachByte(utf8, [&](char byte) {
        into[n++] = byte;
        return n < kRecordTextWidth;
    });
    return storedRecordText(std::string_view(into, n), into);
}

std::string bytesOf(const char* utf8)
{
    std::string out;
    forEachByte(utf8, [&](char byte) {
        out += byte;
        return true;
    });
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

/// Integer field types whose every value fits the 32-bit No.
bool fitsNo(std::string_view type)
{
    for (std::string_view ok : {"i4", "i2", "i1", "ui2", "ui1"})
        if (equalsNoCase(type, ok))
            return true;
    return false;
}

bool isText(std::string_view type) { return equalsNoCase(type, "string"); }

constexpr const char* kBadChangeLog = "the CHANGE_LOG of PARAMS is malformed";

class PacketParser {
public:
    PacketParser(RecordTable& table, ChangeLogFilter& filter)
        : table_(table), filter_(filter), parser_(XML_ParserCreate("ISO-8859-1"))
    {
        if (!parser_)
            return;
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &PacketParser::onStart, &PacketParser::onEnd);
        // A data packet declares no entities; refusing them keeps entity
        // expansion from blowing up memory.
        XML_SetEntityDeclHandler(parser_, &PacketParser::onEntity);
    }
    ~PacketParser()
    {
        if (parser_)
            XML_ParserFree(parser_);
    }
    PacketParser(const PacketParser&) = delete;
    PacketParser& operator=(const PacketParser&) = delete;

    bool ok() const { return parser_ != nullptr; }
    /// Feeds @p n bytes read into buffer(); @p last at the end of the file.
    bool parse(std::size_t n, bool last);
    void* buffer(std::size_t n) { return XML_GetBuffer(parser_, static_cast<int>(n)); }
    /// Whether the last parse() ran any handler.
    bool progressed() const { return events_ != eventsBefore_; }
    bool complete();
    /// Why parse() or complete() failed, and on which line.
    const RecordFileError& error() const { return error_; }

private:
    enum class Element : std::uint8_t { Other, Packet, Metadata, Fields, Field, Params, RowData, Row };

    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attributes)
    {
        static_cast<PacketParser*>(self)->start(name, attributes);
    }
    static void XMLCALL onEnd(void* self, const XML_Char*) { static_cast<PacketParser*>(self)->end(); }
    static void XMLCALL onEntity(void* self, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                 const XML_Char*, const XML_Char*, const XML_Char*)
    {
        static_cast<PacketParser*>(self)->fail("the packet declares an entity");
    }

    void start(const char* name, const char** attributes);
    void end()
    {
        // After a stop expat may still report the end of the element it
        // stopped in; the stack no longer matters then.
        if (!failed_)
            stack_.pop_back();
    }
    /// Stops at the element being read, for @p reason.
    void fail(std::string reason)
    {
        failed_ = true;
        error_.reason = std::move(reason);
        error_.line = XML_GetCurrentLineNumber(parser_);
        XML_StopParser(parser_, XML_FALSE);
    }
    Element child(Element parent, std::string_view name) const;
    void field(const char** attributes);
    bool matchFields();
    void params(const char** attributes);
    void row(const char** attributes);
    /// The table field a ROW attribute called @p name fills; none for
    /// another packet field, RowState or an unknown name.
    std::optional<RecordField> rowField(std::string_view name);

    RecordTable& table_;
    ChangeLogFilter& filter_;
    XML_Parser parser_;
    std::vector<Element> stack_;
    bool failed_ = false;
    RecordFileError error_;
    /// Why the fields do not match, once matchFields() failed.
    std::string mismatch_;
    bool sawPacket_ = false;
    bool fieldsMatched_ = false;
    std::uint64_t events_ = 0;
    std::uint64_t eventsBefore_ = 0;

    struct PacketField {
        std::string name;
        std::string type;
    };
    std::vector<PacketField> packetFields_;
    /// Per packet field: the table field it fills.
    std::vector<std::optional<RecordField>> fieldOf_;
    /// The attribute names of the ROW before, with their fields: rows of a
    /// packet all name the same attributes, so this spares the look-up.
    struct Seen {
        const char* interned = nullptr;  ///< expat keeps one copy of each attribute name
        std::string name;
        std::optional<RecordField> field;
        bool rowState = false;
    };
    std::vector<Seen> seen_;
    std::vector<RecordChangeRun> log_;
    /// Per text field: its value's bytes when they are not plain ASCII.
    char decoded_[kRecordFieldCount - 1][kRecordTextWidth];
};

PacketParser::Element PacketParser::child(Element parent, std::string_view name) const
{
    switch (parent) {
    case Element::Packet:
        if (name == "METADATA")
            return Element::Metadata;
        if (name == "ROWDATA")
            return Element::RowData;
        break;
    case Element::Metadata:
        if (name == "FIELDS")
            return Element::Fields;
        if (name == "PARAMS")
            return Element::Params;
        break;
    case Element::Fields:
        if (name == "FIELD")
            return Element::Field;
        break;
    case Element::RowData:
        if (name == "ROW")
            return Element::Row;
        break;
    default:
        break;
    }
    return Element::Other;
}

void PacketParser::start(const char* name, const char** attributes)
{
    ++events_;
    if (failed_)
        return;
    Element element;
    if (stack_.empty()) {
        if (std::strcmp(name, "DATAPACKET") != 0)
            return fail("the first element is not DATAPACKET");
        element = Element::Packet;
        sawPacket_ = true;
    } else {
        element = child(stack_.back(), name);
    }
    stack_.push_back(element);
    switch (element) {
    case Element::Field:
        field(attributes);
        break;
    case Element::Params:
        params(attributes);
        break;
    case Element::RowData:
        if (!matchFields())
            fail(mismatch_);
        break;
    case Element::Row:
        row(attributes);
        break;
    default:
        break;
    }
}

void PacketParser::field(const char** attributes)
{
    PacketField field;
    for (const char** a = attributes; *a; a += 2) {
        if (std::strcmp(a[0], "attrname") == 0)
            field.name = bytesOf(a[1]);
        else if (std::strcmp(a[0], "fieldtype") == 0)
            field.type = bytesOf(a[1]);
    }
    packetFields_.push_back(std::move(field));
}

bool PacketParser::matchFields()
{
    if (fieldsMatched_)
        return true;
    fieldOf_.assign(packetFields_.size(), std::nullopt);
    for (std::size_t i = 0; i < kRecordFieldCount; ++i) {
        const RecordField field = recordField(i);
        bool found = false;
        for (std::size_t p = 0; p < packetFields_.size() && !found; ++p) {
            if (fieldOf_[p] || !equalsNoCase(packetFields_[p].name, recordFieldName(field)))
                continue;
            const std::string& type = packetFields_[p].type;
            const bool integer = recordFieldType(field) == RecordFieldType::Integer;
            if (integer ? !fitsNo(type) : !isText(type)) {
                mismatch_ = "the field " + std::string(recordFieldName(field)) +
                            (integer ? " is not an integer field of 32 bits" : " is not a string field");
                return false;
            }
            fieldOf_[p] = field;
            found = true;
        }
        if (!found) {
            mismatch_ = "the packet has no field " + std::string(recordFieldName(field));
            return false;
        }
    }
    fieldsMatched_ = true;
    return true;
}

void PacketParser::params(const char** attributes)
{
    for (const char** a = attributes; *a; a += 2) {
        if (std::strcmp(a[0], "CHANGE_LOG") != 0)
            continue;
        if (filter_.active() && a[1][0] == '#') {
            ChangeLogFilter::Log* log = filter_.logFor(a[1]);
            if (!log || !log->valid)
                return fail(kBadChangeLog);
            if (log_.empty()) {
                log_ = std::move(log->runs);
            } else {
                for (const RecordChangeRun& run : log->runs)
                    for (std::uint32_t i = 0; i < run.count; ++i)
                        RecordTable::addChangeLogEntry(log_, run.first + i, run.replaces, run.kind);
            }
            continue;
        }
        // Three decimal numbers an entry, separated by blanks.
        const char* p = a[1];
        std::int64_t numbers[3];
        int have = 0;
        for (;;) {
            while (*p == ' ')
                ++p;
            if (!*p)
                break;
            bool negative = false;
            if (*p == '-') {
                negative = true;
                ++p;
            }
            if (*p < '0' || *p > '9')
                return fail(kBadChangeLog);
            std::int64_t value = 0;
            while (*p >= '0' && *p <= '9') {
                value = value * 10 + (*p++ - '0');
                if (value > INT32_MAX)
                    return fail(kBadChangeLog);
            }
            if (*p && *p != ' ')
                return fail(kBadChangeLog);
            numbers[have++] = negative ? -value : value;
            if (have == 3) {
                if (numbers[0] < 0)
                    return fail(kBadChangeLog);
                RecordTable::addChangeLogEntry(log_, static_cast<std::uint32_t>(numbers[0]),
                                               static_cast<std::int32_t>(numbers[1]),
                                               static_cast<std::int32_t>(numbers[2]));
                have = 0;
            }
        }
        if (have != 0)
            fail(kBadChangeLog);
    }
}

std::optional<RecordField> PacketParser::rowField(std::string_view name)
{
    for (std::size_t p = 0; p < packetFields_.size(); ++p)
        if (packetFields_[p].name == name)
            return fieldOf_[p];
    for (std::size_t p = 0; p < packetFields_.size(); ++p)
        if (equalsNoCase(packetFields_[p].name, name))
            return fieldOf_[p];
    return std::nullopt;
}

void PacketParser::row(const char** attributes)
{
    RecordRowFields fields;
    RecordRowState state = 0;
    std::size_t index = 0;
    for (const char** a = attributes; *a; a += 2, ++index) {
        if (index == seen_.size())
            seen_.emplace_back();
        Seen& seen = seen_[index];
        if (seen.interned != a[0]) {
            seen.interned = a[0];
            if (seen.name != a[0]) {
                seen.name = a[0];
                seen.rowState = equalsNoCase(seen.name, "RowState");
                seen.field = seen.rowState ? std::nullopt : rowField(bytesOf(a[0]));
            }
        }
        if (!seen.rowState && !seen.field)
            continue;
        if (seen.rowState || *seen.field == RecordField::No) {
            // Only ASCII digits make a number, so the UTF-8 form reads the
            // same as its bytes would.
            const std::optional<std::int32_t> number = parseWholeNumber(a[1]);
            if (!number)
                return fail(seen.rowState ? "a ROW's RowState is not a whole number" : "a ROW's No is not a whole number of 32 bits");
            if (seen.rowState) {
                if (*number < 0 || *number > 255)
                    return fail("a ROW's RowState is not from 0 to 255");
                state = static_cast<RecordRowState>(*number);
            } else {
                fields.no = *number;
                fields.hasNo = true;
            }
            continue;
        }
        const std::size_t text = recordFieldIndex(*seen.field) - 1;
        fields.texts[text] = storedBytesOf(a[1], decoded_[text]);
        fields.present = static_cast<std::uint8_t>(fields.present | (1u << text));
    }
    table_.appendFields(fields, state);
}

bool PacketParser::parse(std::size_t n, bool last)
{
    eventsBefore_ = events_;
    if (XML_ParseBuffer(parser_, static_cast<int>(n), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
        if (!failed_) {
            // Not well-formed: expat says why and where.
            error_.reason = std::string("not well-formed XML: ") + XML_ErrorString(XML_GetErrorCode(parser_));
            error_.line = XML_GetCurrentLineNumber(parser_);
        }
        return false;
    }
    return !failed_;
}

bool PacketParser::complete()
{
    if (failed_)
        return false;
    if (!sawPacket_) {
        error_ = {"no DATAPACKET element", 0};
        return false;
    }
    // A packet without ROWDATA has no rows, but must still name the fields.
    if (!matchFields()) {
        error_ = {mismatch_, 0};
        return false;
    }
    table_.setChangeLog(log_);
    return true;
}

constexpr const char* kOutOfMemory = "out of memory";

template <class Source>
bool readPacket(RecordTable& table, Source&& source, RecordFileJobProgress* progress, RecordFileError* error)
{
    const auto fail = [&](RecordFileError why) {
        if (error)
            *error = std::move(why);
        return false;
    };
    ChangeLogFilter filter;
    PacketParser parser(table, filter);
    if (!parser.ok())
        return fail({kOutOfMemory, 0});
    std::size_t chunk = kReadChunk;
    std::uint64_t done = 0;
    std::unique_ptr<char[]> input;
    std::size_t inputSize = 0;
    std::string filtered;
    for (;;) {
        if (inputSize != chunk) {
            input.reset();
            input.reset(new char[chunk]);
            inputSize = chunk;
        }
        std::size_t n = 0;
        if (std::string why; !source(input.get(), chunk, n, why))
            return fail({std::move(why), 0});
        filtered.clear();
        const std::uint64_t takenBefore = filter.taken();
        filter.feed(input.get(), n, filtered);
        void* buffer = parser.buffer(std::max<std::size_t>(filtered.size(), 1));
        if (!buffer)
            return fail({kOutOfMemory, 0});
        std::memcpy(buffer, filtered.data(), filtered.size());
        if (!parser.parse(filtered.size(), n == 0))
            return fail(parser.error());
        if (n == 0) {
            if (filter.malformed())
                return fail({kBadChangeLog, 0});
            return parser.complete() || fail(parser.error());
        }
        done += n;
        if (progress) {
            if (progress->cancelRequested())
                return fail({"the load was cancelled", 0});
            progress->setDone(done);
        }
        // Bytes of a change log the filter took out are progress too: the
        // parser has no token to finish there.
        // A short read (a pipe, bytes handed over in small pieces) is no
        // sign of a long token: growing then would allocate up to 1 GiB for
        // a few bytes.
        if (parser.progressed() || filter.taken() != takenBefore)
            chunk = kReadChunk;
        else if (chunk < kLargestChunk && n == chunk)
            chunk *= 2;
    }
}

}  // namespace

bool XmlDataPacketReader::read(RecordFileInput& in, RecordTable& table, RecordFileJobProgress* progress,
                               RecordFileError* error)
{
    if (progress)
        progress->total.store(in.size(), std::memory_order_relaxed);
    return readPacket(
        table,
        [&](char* into, std::size_t size, std::size_t& n, std::string& why) {
            n = in.read(into, size);
            if (in.failed())
                why = in.failure();
            return !in.failed();
        },
        progress, error);
}

bool XmlDataPacketReader::parse(std::string_view bytes, RecordTable& table, std::size_t chunk, RecordFileError* error)
{
    return readPacket(
        table,
        [&](char* into, std::size_t size, std::size_t& n, std::string&) {
            n = std::min({size, chunk, bytes.size()});
            std::memcpy(into, bytes.data(), n);
            bytes.remove_prefix(n);
            return true;
        },
        nullptr, error);
}
