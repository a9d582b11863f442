// The tab-separated record file reader on any bytes. Input: a byte that
// picks the size of the pieces the bytes are handed over in, then the file.
// Whatever the pieces, the rows read are the same; every row is one the
// table may hold; and what was read, the rows before a failing line too,
// writes back and reads again as its text image: the same No or none, each
// text without leading blanks, "NULL" for an empty or missing one.

#include "record_fuzz_support.h"

#include "record/record_file.h"
#include "record/text_table_file.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input = fuzz_record::piecedInput(data, size);
    if (!input)
        return 0;
    const auto [chunk, bytes] = *input;

    RecordTable whole;
    const bool ok = TextTableFile::parse(bytes, whole);
    const fuzz_record::Content read = fuzz_record::contentOf(whole);
    fuzz_record::checkRows(whole);

    RecordTable pieces;
    FUZZ_CHECK(TextTableFile::parse(bytes, pieces, chunk) == ok);
    FUZZ_CHECK(fuzz_record::contentOf(pieces) == read);

    const std::string& file = fuzz_record::scratchFile(".txt");
    FUZZ_CHECK(saveRecordFile(file, whole.reader()));
    RecordFileLoad again = readRecordFile(file);
    FUZZ_CHECK(again.ok);
    FUZZ_CHECK(fuzz_record::contentOf(again.rows).rows == fuzz_record::textImageOf(whole));
    return 0;
}
