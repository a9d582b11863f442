// The XML data packet reader on any bytes, through the load the program
// uses: read into a table of its own, then committed to the record table,
// which holds two rows before. Input: a byte that picks the size of the
// pieces the bytes are handed to the parser in, then the packet. Whatever
// the pieces, the outcome is the same; a failed load leaves the record
// table as it was; a packet read whole replaces it with rows the table may
// hold, which write back and read again as the same rows, states and log.

#include "record_fuzz_support.h"

#include "record/record_file.h"
#include "record/xml_data_packet_reader.h"

#include <string_view>

namespace {

RecordTable tableBefore()
{
    RecordTable table;
    RecordRow row;
    row.setNo(1);
    row.setText(RecordField::Time, "12:00:00");
    row.setText(RecordField::Value, "-12.34");
    row.setText(RecordField::Unit, "KW");
    table.appendRow(row);
    row.setNo(2);
    row.clearField(RecordField::Unit);
    table.appendRow(row);
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input = fuzz_record::piecedInput(data, size);
    if (!input)
        return 0;
    const auto [chunk, bytes] = *input;

    RecordFileLoad load;
    load.form = RecordFileForm::XmlDataPacket;
    load.ok = XmlDataPacketReader::parse(bytes, load.rows);
    const bool ok = load.ok;
    const fuzz_record::Content read = fuzz_record::contentOf(load.rows);

    RecordTable pieces;
    FUZZ_CHECK(XmlDataPacketReader::parse(bytes, pieces, chunk) == ok);
    if (ok)
        FUZZ_CHECK(fuzz_record::contentOf(pieces) == read);

    RecordTable table = tableBefore();
    const fuzz_record::Content before = fuzz_record::contentOf(table);
    FUZZ_CHECK(commitRecordFileLoad(table, std::move(load)) == ok);
    if (!ok) {
        FUZZ_CHECK(fuzz_record::contentOf(table) == before);
        return 0;
    }
    FUZZ_CHECK(fuzz_record::contentOf(table) == read);
    fuzz_record::checkRows(table);

    const std::string& file = fuzz_record::scratchFile(".xml");
    FUZZ_CHECK(saveRecordFile(file, table.reader()));
    RecordFileLoad again = readRecordFile(file);
    FUZZ_CHECK(again.ok);
    FUZZ_CHECK(fuzz_record::contentOf(again.rows) == read);
    return 0;
}
