// Whatever either reader puts into the table, both forms save it and open
// it again. Input: a byte that picks the size of the pieces, then bytes
// read both as a text file and as a data packet. The rows a text load
// holds (those before a failing line too) and those of a packet read whole
// are saved as a packet, which reopens as the same rows, states and log,
// and as text, which reopens as their text image (see textImageOf); that
// image saved as text again gives the same bytes, and as a packet reopens
// as itself.

#include "record_fuzz_support.h"

#include "record/record_file.h"
#include "record/text_table_file.h"
#include "record/xml_data_packet_reader.h"

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace {

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

/// @p table saved as @p name and opened again as the program opens a file.
RecordTable reopened(const RecordTable& table, const std::string& name, std::string* bytes = nullptr)
{
    const std::string& file = fuzz_record::scratchFile(name);
    FUZZ_CHECK(saveRecordFile(file, table.reader()));
    if (bytes)
        *bytes = bytesOf(file);
    RecordFileLoad load = readRecordFile(file);
    FUZZ_CHECK(load.ok);
    return std::move(load.rows);
}

void checkBothForms(const RecordTable& table)
{
    fuzz_record::checkRows(table);
    const fuzz_record::Content content = fuzz_record::contentOf(table);

    FUZZ_CHECK(fuzz_record::contentOf(reopened(table, "round.xml")) == content);

    std::string text;
    const RecordTable image = reopened(table, "round.txt", &text);
    FUZZ_CHECK(fuzz_record::contentOf(image).rows == fuzz_record::textImageOf(table));
    std::string again;
    FUZZ_CHECK(fuzz_record::contentOf(reopened(image, "image.txt", &again)) == fuzz_record::contentOf(image));
    FUZZ_CHECK(again == text);
    FUZZ_CHECK(fuzz_record::contentOf(reopened(image, "image.xml")) == fuzz_record::contentOf(image));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input = fuzz_record::piecedInput(data, size);
    if (!input)
        return 0;
    const auto [chunk, bytes] = *input;

    RecordTable text;
    TextTableFile::parse(bytes, text, chunk);
    checkBothForms(text);

    RecordTable packet;
    if (XmlDataPacketReader::parse(bytes, packet, chunk))
        checkBothForms(packet);
    return 0;
}
