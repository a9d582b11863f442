#include "record/xml_data_packet_writer.h"

#include "record/record_file_job_progress.h"
#include "record/record_file_output.h"
#include "record/record_table.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" standalone=\"yes\"?>  ";

/// The reference a byte is written as, or empty when it goes out as it is.
constexpr std::array<std::string_view, 256> makeEscapes()
{
    std::array<std::string_view, 256> escapes{};
    escapes['<'] = "&lt;";
    escapes['>'] = "&gt;";
    escapes['&'] = "&amp;";
    escapes['\''] = "&apos;";
    escapes['"'] = "&quot;";
    escapes['\r'] = "&#013;";
    escapes['\n'] = "&#010;";
    escapes['\t'] = "&#009;";
    escapes['\\'] = "&#092;";
    return escapes;
}
constexpr std::array<std::string_view, 256> kEscapes = makeEscapes();

/// Longest escaped text: 20 bytes of six-byte references.
constexpr std::size_t kLongestValue = kRecordTextWidth * 6;

char* appendEscaped(char* at, std::string_view text)
{
    for (char c : text) {
        const std::string_view escape = kEscapes[static_cast<unsigned char>(c)];
        if (escape.empty()) {
            *at++ = c;
        } else {
            for (char e : escape)
                *at++ = e;
        }
    }
    return at;
}

char* appendRaw(char* at, std::string_view text)
{
    for (char c : text)
        *at++ = c;
    return at;
}

void writeFields(RecordFileOutput& out)
{
    out.put("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    for (std::size_t i = 0; i < kRecordFieldCount; ++i) {
        const RecordField field = recordField(i);
        out.put("<FIELD attrname=\"");
        out.put(recordFieldName(field));
        if (recordFieldType(field) == RecordFieldType::Integer)
            out.put("\" fieldtype=\"i4\"/>");
        else
            out.put("\" fieldtype=\"string\" WIDTH=\"20\"/>");
    }
    out.put("</FIELDS>");
}

void writeParams(const RecordChangeLog& log, RecordFileOutput& out)
{
    if (log.size() == 0) {
        out.put("<PARAMS/>");
        return;
    }
    out.put("<PARAMS CHANGE_LOG=\"");
    bool first = true;
    log.forEach([&](std::int64_t record, std::int32_t replaces, std::int32_t kind) {
        char* const start = out.reserve(3 * 21 + 3);
        char* at = start;
        if (!first)
            *at++ = ' ';
        first = false;
        at = std::to_chars(at, at + 20, record).ptr;
        *at++ = ' ';
        at = std::to_chars(at, at + 11, replaces).ptr;
        *at++ = ' ';
        at = std::to_chars(at, at + 11, kind).ptr;
        out.advance(static_cast<std::size_t>(at - start));
    });
    out.put("\"/>");
}

}  // namespace

bool XmlDataPacketWriter::write(const RecordTableReader& rows, RecordFileOutput& out, RecordFileJobProgress* progress)
{
    const std::size_t count = rows.rowCount();
    if (progress)
        progress->total.store(count, std::memory_order_relaxed);
    out.put(kDeclaration);
    writeFields(out);
    writeParams(rows.changeLog(), out);
    out.put("</METADATA><ROWDATA>");

    constexpr std::size_t kLongestRow =
        5 + 16 + (4 + 11 + 2) + (kRecordFieldCount - 1) * (1 + 7 + 2 + kLongestValue + 1) + 2;
    for (std::size_t row = 0; row < count; ++row) {
        char* const start = out.reserve(kLongestRow);
        char* at = appendRaw(start, "<ROW");
        if (const RecordRowState state = rows.rowState(row); state != 0) {
            at = appendRaw(at, " RowState=\"");
            at = std::to_chars(at, at + 3, static_cast<unsigned>(state)).ptr;
            *at++ = '"';
        }
        if (const std::optional<std::int32_t> no = rows.no(row)) {
            at = appendRaw(at, " No=\"");
            at = std::to_chars(at, at + 11, *no).ptr;
            *at++ = '"';
        }
        for (std::size_t i = 1; i < kRecordFieldCount; ++i) {
            const RecordField field = recordField(i);
            const std::optional<std::string_view> text = rows.text(row, field);
            if (!text)
                continue;
            *at++ = ' ';
            at = appendRaw(at, recordFieldName(field));
            *at++ = '=';
            *at++ = '"';
            at = appendEscaped(at, *text);
            *at++ = '"';
        }
        at = appendRaw(at, "/>");
        out.advance(static_cast<std::size_t>(at - start));
        if ((row & 0xFFFF) == 0xFFFF && progress) {
            if (progress->cancelRequested())
                return false;
            progress->setDone(row + 1);
        }
    }
    out.put("</ROWDATA></DATAPACKET>");
    if (progress)
        progress->setDone(count);
    return !out.failed();
}
