// The tab-separated record file reader on any bytes. Input: a byte that
// picks the size of the pieces the bytes are handed over in, then the file.
// Whatever the pieces, the rows read are the same; every row is one the
// table may hold and has its number; and what was read writes back and
// reads again as the same rows, where the form can carry them: it has no
// quoting, so a text with a blank or control byte inside, one that starts
// with a double quote, or an empty one (written as "NULL") comes back
// otherwise.

#include "record_fuzz_support.h"

#include "record/record_file.h"
#include "record/text_table_file.h"

#include <string_view>

namespace {

bool textFormCarries(std::string_view text)
{
    if (text.empty() || text.front() == '"' || text.front() == '\0' || text.back() == '\0')
        return false;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 1 && static_cast<unsigned char>(c) <= 32)
            return false;
    return true;
}

bool textFormCarries(const RecordTable& table)
{
    for (std::size_t r = 0; r < table.rowCount(); ++r)
        for (std::size_t i = 1; i < kRecordFieldCount; ++i)
            if (const auto text = table.text(r, recordField(i)); text && !textFormCarries(*text))
                return false;
    return true;
}

}  // namespace

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
    for (std::size_t r = 0; r < whole.rowCount(); ++r)
        FUZZ_CHECK(whole.no(r).has_value());

    RecordTable pieces;
    FUZZ_CHECK(TextTableFile::parse(bytes, pieces, chunk) == ok);
    FUZZ_CHECK(fuzz_record::contentOf(pieces) == read);

    if (!ok || !textFormCarries(whole))
        return 0;
    const std::string& file = fuzz_record::scratchFile(".txt");
    FUZZ_CHECK(saveRecordFile(file, whole.reader()));
    RecordFileLoad again = readRecordFile(file);
    FUZZ_CHECK(again.ok);
    // The form writes a text without a value as "NULL".
    FUZZ_CHECK(fuzz_record::contentOf(again.rows).rows == fuzz_record::contentOf(whole, "4:NULL").rows);
    return 0;
}
