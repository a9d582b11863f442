#include "record/record_file.h"
#include "record/record_file_output.h"
#include "record/text_table_file.h"
#include "record/xml_data_packet_reader.h"
#include "record_file_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace record_file_test;
using namespace std::string_literals;

namespace {

const std::string kHeader = "No\tTime\tValue\tUnit\tV_Value\tV_Unit\tI_Value\tI_Unit\r\n";

std::string tempName(const std::string& leaf)
{
    return ::testing::TempDir() + "zq_text_" + std::to_string(::getpid()) + "_" + leaf;
}

std::string written(const RecordTable& table)
{
    const std::string path = tempName("written.txt");
    EXPECT_TRUE(saveRecordFile(path, table.reader()));
    std::string bytes = readFile(path);
    ::unlink(path.c_str());
    return bytes;
}

/// @p table saved as @p leaf (its extension picks the form) and read back.
RecordTable reopened(const RecordTable& table, const std::string& leaf)
{
    const std::string path = tempName(leaf);
    EXPECT_TRUE(saveRecordFile(path, table.reader()));
    RecordFileLoad load = readRecordFile(path);
    EXPECT_TRUE(load.ok) << leaf;
    ::unlink(path.c_str());
    return std::move(load.rows);
}

TEST(TextTableFile, WritesHeaderTabsNullAndCrLfByteForByte)
{
    RecordTable table;
    EXPECT_EQ(written(table), kHeader);

    table.appendRow(makeRow(1, {"12:00:01", "1.234", "KW", "230.1", "v", "5.02", "A"}));
    table.appendRow(makeRow(2, {"12:00:02", "OL", "KW", "", "", "0.00", "A"}));
    // Leading blanks go, inner ones stay (quoted); the table holds control
    // bytes as "?".
    table.appendRow(makeRow(-7, {" \t x y\x01", "\xA1\xC6", "\x1F", std::nullopt, "", " ", "\xB0"}));
    table.appendRow(makeRow(std::nullopt, {"a", "b", "c", "d", "e", "f", "g"}));
    EXPECT_EQ(written(table), kHeader +
                                  "1\t12:00:01\t1.234\tKW\t230.1\tv\t5.02\tA\r\n"
                                  "2\t12:00:02\tOL\tKW\tNULL\tNULL\t0.00\tA\r\n"
                                  "-7\t\"? x y?\"\t\xA1\xC6\t?\tNULL\tNULL\tNULL\t\xB0\r\n"
                                  "NULL\ta\tb\tc\td\te\tf\tg\r\n");
}

struct QuotingCase {
    const char* name;
    std::string text;     ///< as the table holds it
    std::string written;  ///< the field in the file
    std::string read;     ///< the text read back
};

class TextTableQuoting : public ::testing::TestWithParam<QuotingCase> {};

// The reader splits at blanks and takes a field that starts with a quote
// as quoted: such texts go out quoted, all others as they are.
TEST_P(TextTableQuoting, WritesATextSoThatItReadsBack)
{
    const QuotingCase& c = GetParam();
    RecordTable table;
    table.appendRow(makeRow(1, {c.text, "end"}));
    const std::string bytes = written(table);
    EXPECT_EQ(bytes, kHeader + "1\t" + c.written + "\tend\tNULL\tNULL\tNULL\tNULL\tNULL\r\n");
    RecordTable loaded;
    ASSERT_TRUE(TextTableFile::parse(bytes, loaded));
    ASSERT_EQ(loaded.rowCount(), 1u);
    EXPECT_EQ(loaded.text(0, RecordField::Time), std::optional<std::string_view>(c.read));
    EXPECT_EQ(loaded.text(0, RecordField::Value), std::optional<std::string_view>("end"));
    EXPECT_EQ(written(loaded), bytes) << "written again, the same bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextTableQuoting,
    ::testing::Values(QuotingCase{"Plain", "12:00:01", "12:00:01", "12:00:01"},
                      QuotingCase{"InnerBlank", "K W", "\"K W\"", "K W"},
                      QuotingCase{"LeadingBlanksGoFirst", "   K W", "\"K W\"", "K W"},
                      QuotingCase{"LeadingBlanksOfAPlainText", "  KW", "KW", "KW"},
                      QuotingCase{"StartsWithAQuote", "\"hi\"", "\"\"\"hi\"\"\"", "\"hi\""},
                      QuotingCase{"LoneQuote", "\"", "\"\"\"\"", "\""},
                      QuotingCase{"QuoteInsideAsItIs", "a\"b", "a\"b", "a\"b"},
                      QuotingCase{"QuoteAndBlankInside", "a\"b c", "\"a\"\"b c\"", "a\"b c"},
                      QuotingCase{"ControlBytesAreQuestionMarks", "a\x01\x1f", "a??", "a??"},
                      QuotingCase{"TheWordNullStays", "NULL", "NULL", "NULL"},
                      QuotingCase{"EmptyIsNull", "", "NULL", "NULL"},
                      QuotingCase{"BlanksOnlyAreNull", "   ", "NULL", "NULL"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextTableFile, QuotesATextWithABlankAnywhereAtAnyLength)
{
    RecordTable table;
    std::vector<std::string> texts;
    for (std::size_t n = 1; n <= kRecordTextWidth; ++n) {
        texts.push_back(std::string(n, 'x'));
        for (std::size_t blank = 1; blank + 1 < n; ++blank) {
            std::string text(n, 'x');
            text[blank] = ' ';
            texts.push_back(text);
        }
    }
    for (const std::string& text : texts)
        table.appendRow(makeRow(1, {text}));
    const std::string bytes = written(table);
    std::string expected = kHeader;
    for (const std::string& text : texts) {
        const bool quoted = text.find(' ') != std::string::npos;
        expected += "1\t" + (quoted ? "\"" + text + "\"" : text) + "\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\r\n";
    }
    EXPECT_EQ(bytes, expected);
    RecordTable loaded;
    ASSERT_TRUE(TextTableFile::parse(bytes, loaded));
    ASSERT_EQ(loaded.rowCount(), texts.size());
    for (std::size_t r = 0; r < texts.size(); ++r)
        EXPECT_EQ(loaded.text(r, RecordField::Time), std::optional<std::string_view>(texts[r]));
}

TEST(TextTableFile, LongestLinesFitTheirRoom)
{
    // Twenty quotes double to 42 bytes in every text. Short rows between
    // the longest ones shift where a line falls in the writer's buffer, so
    // some longest line starts just short of its end.
    RecordTable table;
    const std::string quotes(kRecordTextWidth, '"');
    std::string longest = "-2147483648";
    for (int f = 0; f < 7; ++f)
        longest += "\t\"" + std::string(2 * kRecordTextWidth, '"') + "\"";
    longest += "\r\n";
    const std::string shortest = "1\tx\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\r\n";
    std::string expected = kHeader;
    constexpr int kRows = 30000;
    for (int i = 0; i < kRows; ++i) {
        if (i % 3 == 2 || i % 7 == 0) {
            table.appendRow(makeRow(1, {"x"}));
            expected += shortest;
        } else {
            table.appendRow(makeRow(INT32_MIN, {quotes, quotes, quotes, quotes, quotes, quotes, quotes}));
            expected += longest;
        }
    }
    const std::string bytes = written(table);
    ASSERT_TRUE(bytes == expected) << "the bytes written differ";
    RecordTable loaded;
    ASSERT_TRUE(TextTableFile::parse(bytes, loaded));
    ASSERT_EQ(loaded.rowCount(), static_cast<std::size_t>(kRows));
    EXPECT_EQ(describe(loaded.row(kRows - 2)), describe(table.row(kRows - 2)));
    EXPECT_EQ(describe(loaded.row(kRows - 1)), "1|x|NULL|NULL|NULL|NULL|NULL|NULL");
}

struct ReadCase {
    const char* name;
    std::string bytes;
    bool ok;
    std::vector<std::string> rows;
};

class TextTableRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(TextTableRead, GivesTheRowsOrFailsAtTheLine)
{
    const ReadCase& c = GetParam();
    // Whole, and byte by byte: a line, a field or CR LF may straddle chunks.
    for (std::size_t chunk : {std::size_t{1} << 20, std::size_t{1}, std::size_t{3}}) {
        RecordTable table;
        EXPECT_EQ(TextTableFile::parse(c.bytes, table, chunk), c.ok) << "chunk " << chunk;
        EXPECT_EQ(describe(table), c.rows) << "chunk " << chunk;
    }
}

const std::string k21 = "123456789012345678901";

struct FailureCase {
    const char* name;
    std::string bytes;
    std::uint64_t line;
    std::string reason;
};

const std::string kBadNo = "the first field (No) is neither a whole number of 32 bits nor NULL";

// What "Failed to Load File!" is followed by: the line to mend and why.
TEST(TextTableFile, TellsTheFailingLineAndWhy)
{
    const FailureCase cases[] = {
        {"a letter in No", "h\n1\ta\nx1\tb\n", 3, kBadNo},
        {"every line end counts once", "h\r1\ta\n2\tb\r\n3\tc\n\rzz", 6, kBadNo},
        {"blank lines count", "h\n\n \t \nNULLL\n", 4, kBadNo},
        {"a quoted No", "h\n1\n\"\"\ta\n", 3, kBadNo},
        {"nine fields", "h\n1\ta\n2\t12:00:02\t1.23\tK W\t230\tv\t5\tA\n", 3, "more than eight fields"},
        {"nine fields, one quoted", "h\n1 2 3 4 5 6 7 8 \"9\"\n", 2, "more than eight fields"},
        {"the last line without its end", "h\n1\nzz", 3, kBadNo},
        {"nothing at all", "", 0, "it holds no line, not even the header"},
    };
    for (const FailureCase& c : cases) {
        for (std::size_t chunk : {std::size_t{1} << 20, std::size_t{1}, std::size_t{3}}) {
            SCOPED_TRACE(std::string(c.name) + ", chunk " + std::to_string(chunk));
            RecordTable table;
            RecordFileError error;
            EXPECT_FALSE(TextTableFile::parse(c.bytes, table, chunk, &error));
            EXPECT_EQ(error.line, c.line);
            EXPECT_EQ(error.reason, c.reason);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextTableRead,
    ::testing::Values(
        ReadCase{"HeaderOnly", kHeader, true, {}},
        ReadCase{"FirstLineDroppedWhateverItHolds", "1\tdropped\r\n2\tkept\r\n", true, {"2|kept|~|~|~|~|~|~"}},
        ReadCase{"WrittenLineWithNullKeptAsText", kHeader + "3\t12:00:01\tOL\tKW\tNULL\tNULL\t0.00\tA\r\n", true,
                 {"3|12:00:01|OL|KW|NULL|NULL|0.00|A"}},
        ReadCase{"LineEndsCrLfCrAndLf", "h\r1\ta\n2\tb\r\n3\tc\n\r4\td", true,
                 {"1|a|~|~|~|~|~|~", "2|b|~|~|~|~|~|~", "3|c|~|~|~|~|~|~", "4|d|~|~|~|~|~|~"}},
        ReadCase{"EmptyAndBlankLinesSkipped", "h\r\n\r\n \t \r\n5\r\n", true, {"5|~|~|~|~|~|~|~"}},
        ReadCase{"RunsOfSeparatorsCountOnceLeadingSkipped", "h\n \t 6 \x01\x1f  x\t\t y \n", true,
                 {"6|x|y|~|~|~|~|~"}},
        ReadCase{"QuotedFieldsWithDoubledQuotesAndBlanks", "h\n\"7\"\t\"K W\"\t\"say \"\"hi\"\"\"\t\"\"\n", true,
                 {"7|K W|say \"hi\"||~|~|~|~"}},
        ReadCase{"TextAfterClosingQuoteStartsAField", "h\n8 \"a\"b\n", true, {"8|a|b|~|~|~|~|~"}},
        ReadCase{"QuoteInsidePlainFieldIsText", "h\n9 a\"b\n", true, {"9|a\"b|~|~|~|~|~|~"}},
        ReadCase{"TextCutTo20", "h\n10\t" + k21 + "\n", true, {"10|12345678901234567890|~|~|~|~|~|~"}},
        ReadCase{"BytesAbove127Kept", "h\n11\t\xB0\t\xA1\xC6\n", true, {"11|\xB0|\xA1\xC6|~|~|~|~|~"}},
        ReadCase{"NumbersSignedWithin32Bits", "h\n-2147483648\n+2147483647\n007\n", true,
                 {"-2147483648|~|~|~|~|~|~|~", "2147483647|~|~|~|~|~|~|~", "7|~|~|~|~|~|~|~"}},
        ReadCase{"LeadingZerosBeyondTenDigitsAndANulByte", std::string("h\n-0000000000002147483648\t\0" "z\n", 29),
                 true, {"-2147483648|?z|~|~|~|~|~|~"}},
        // A NUL is no separator; the table stores it, and every control
        // byte of a quoted field, as "?".
        ReadCase{"NulAndControlBytesInTextsAreQuestionMarks",
                 "h\n1\ta\0b\t\0\t\"c\x01\x1f d\"\t\"\0\"\t12345678901234567890\0x\n"s, true,
                 {"1|a?b|?|c?? d|?|12345678901234567890|~|~"}},
        ReadCase{"NullFirstFieldIsARowWithoutNo", "h\nNULL\ta\n\"NULL\"\tb\n NULL \n", true,
                 {"~|a|~|~|~|~|~|~", "~|b|~|~|~|~|~|~", "~|~|~|~|~|~|~|~"}},
        ReadCase{"NullInOtherCaseFails", "h\n1\ta\nnull\tb\n", false, {"1|a|~|~|~|~|~|~"}},
        ReadCase{"NullWithMoreFails", "h\nNULLL\tb\n", false, {}},
        ReadCase{"NullCutShortFails", "h\nNUL\tb\n", false, {}},
        ReadCase{"NullWithNulFails", "h\nNULL\0\tb\n"s, false, {}},
        ReadCase{"NumberJustBeyondEitherEndFails", "h\n1\n-2147483649\n", false, {"1|~|~|~|~|~|~|~"}},
        ReadCase{"DoubleSignOrTrailingLetterFails", "h\n--1\n", false, {}},
        ReadCase{"TrailingLetterFails", "h\n12a\tb\n", false, {}},
        ReadCase{"EightFieldsIsTheMost", "h\n1 2 3 4 5 6 7 8\n", true, {"1|2|3|4|5|6|7|8"}},
        ReadCase{"NineFieldsFailRowsBeforeStay", "h\n1\ta\n2\t12:00:02\t1.23\tK W\t230\tv\t5\tA\n3\tc\n", false,
                 {"1|a|~|~|~|~|~|~"}},
        ReadCase{"FirstFieldNotANumberFails", "h\n1\ta\nx1\tb\n", false, {"1|a|~|~|~|~|~|~"}},
        ReadCase{"NumberBeyond32BitsFails", "h\n2147483648\n", false, {}},
        ReadCase{"SignAloneFails", "h\n-\ta\n", false, {}},
        ReadCase{"EmptyQuotedNumberFails", "h\n\"\"\ta\n", false, {}},
        ReadCase{"LineWithoutNoFails", kHeader + "\ta\tb\tc\td\te\tf\tg\r\n", false, {}},
        ReadCase{"LastLineWithoutLineEndFails", "h\n1\nzz", false, {"1|~|~|~|~|~|~|~"}},
        ReadCase{"NoLineAtAllFails", "", false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextTableFile, RoundTripKeepsEveryField)
{
    RecordTable table;
    table.appendRow(makeRow(1, {"12:00:01", "-1.234", "KVAr", "230.1", "v", "5.02", "A"}));
    table.appendRow(makeRow(2, {"23:59:59", "0.97", "PF", "", "", "0.00", "A"}));
    table.appendRow(makeRow(3, {"00:00:00", "\xB0\xA1\xC6", "o", "12345678901234567890", "v", "x", "A"}));
    const std::string path = tempName("round.xls");
    ASSERT_TRUE(saveRecordFile(path, table.reader()));

    RecordTable loaded;
    loaded.appendRow(makeRow(99, {"keep", "", "", "", "", "", ""}));
    ASSERT_TRUE(LoadTable(path, loaded, false));
    EXPECT_EQ(describe(loaded), (std::vector<std::string>{
                                    "99|keep||||||",
                                    "1|12:00:01|-1.234|KVAr|230.1|v|5.02|A",
                                    "2|23:59:59|0.97|PF|NULL|NULL|0.00|A",
                                    "3|00:00:00|\xB0\xA1\xC6|o|12345678901234567890|v|x|A",
                                }));
    // Appending: a second open adds the same rows once more.
    ASSERT_TRUE(LoadTable(path, loaded, false));
    EXPECT_EQ(loaded.rowCount(), 7u);
    ASSERT_TRUE(LoadTable(path, loaded, true));
    EXPECT_EQ(loaded.rowCount(), 3u);
    ::unlink(path.c_str());
}

// A sheet saved by a spreadsheet as tab-separated text: LF line ends,
// quotes around fields that hold a blank or a quote, no trailing CR LF.
TEST(TextTableFile, ReadsASheetSavedByASpreadsheet)
{
    const std::string sheet =
        "No\tTime\tValue\tUnit\tV_Value\tV_Unit\tI_Value\tI_Unit\n"
        "1\t12:00:01\t1.234\tKW\t230.1\tv\t5.02\tA\n"
        "2\t\"12:00:02\"\t\"1,5\"\t\"K\"\"W\"\t\"230 .1\"\tv\t5.02\tA\n"
        "3\t12:00:03\tOL\tKW\t\t\t0.00\tA";
    RecordTable table;
    ASSERT_TRUE(TextTableFile::parse(sheet, table));
    EXPECT_EQ(describe(table), (std::vector<std::string>{
                                   "1|12:00:01|1.234|KW|230.1|v|5.02|A",
                                   "2|12:00:02|1,5|K\"W|230 .1|v|5.02|A",
                                   // Empty cells vanish in the run of tabs.
                                   "3|12:00:03|OL|KW|0.00|A|~|~",
                               }));
}

// What a packet may hold, saved as text: a row without No, texts with a
// blank inside, leading blanks, a leading quote, references the code page
// has no byte for or that stand for control characters.
TEST(TextTableFile, APacketSavedAsTextReopensAsItsTextImage)
{
    std::string fields;
    for (std::size_t i = 0; i < kRecordFieldCount; ++i)
        fields += "<FIELD attrname=\"" + std::string(recordFieldName(recordField(i))) + "\" fieldtype=\"" +
                  (i == 0 ? "i4" : "string") + "\"/>";
    const std::string packet = "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields +
                               "</FIELDS></METADATA><ROWDATA>"
                               "<ROW Time=\"12:00:01\" Value=\"K W\" Unit=\"  lead\" V_Value=\"&quot;q\" "
                               "V_Unit=\"a&#300;b&#1046;\" I_Value=\"\"/>"
                               "<ROW RowState=\"8\" No=\"2\" Time=\"&#9;x&#13;&#10;\"/>"
                               "</ROWDATA></DATAPACKET>";
    RecordTable table;
    ASSERT_TRUE(XmlDataPacketReader::parse(packet, table));
    ASSERT_EQ(describe(table), (std::vector<std::string>{"[0] ~|12:00:01|K W|  lead|\"q|a?b?||~",
                                                         "[8] 2|?x??|~|~|~|~|~|~"}));

    const RecordTable text = reopened(table, "image.xls");
    EXPECT_EQ(describe(text), (std::vector<std::string>{"~|12:00:01|K W|lead|\"q|a?b?|NULL|NULL",
                                                        "2|?x??|NULL|NULL|NULL|NULL|NULL|NULL"}));
    EXPECT_EQ(written(text), written(table)) << "the text image writes the same bytes";
    const RecordTable packetAgain = reopened(text, "image.xml");
    EXPECT_EQ(describe(packetAgain), describe(text));
    EXPECT_EQ(logText(packetAgain), logText(text));
}

// NUL and other control bytes of a text file used to reach the packet as
// they were, which its parser then refused.
TEST(TextTableFile, ControlBytesOfATextFileReopenFromAPacket)
{
    RecordTable table;
    ASSERT_TRUE(TextTableFile::parse("h\n1\ta\0b\t\"c\x01\x1f d\"\t\0\r\nNULL\tx\r\n"s, table));
    const std::vector<std::string> rows{"1|a?b|c?? d|?|~|~|~|~", "~|x|~|~|~|~|~|~"};
    ASSERT_EQ(describe(table), rows);
    const RecordTable packet = reopened(table, "control.xml");
    EXPECT_EQ(describe(packet), rows);
    EXPECT_EQ(logText(packet), "1 0 4 2 0 4");
}

TEST(TextTableFile, UnreadableFileFails)
{
    RecordTable table;
    RecordFileError error;
    const std::string missing = tempName("missing.txt");
    EXPECT_FALSE(LoadTable(missing, table, false, &error));
    EXPECT_EQ(error.describe(missing), missing + ": it cannot be opened: No such file or directory");
    EXPECT_FALSE(LoadTable(::testing::TempDir(), table, false, &error));  // a folder
#ifdef _WIN32
    EXPECT_EQ(error.describe("folder"), "folder: it cannot be opened: Is a directory");  // Windows opens no folder
#else
    EXPECT_EQ(error.describe("folder"), "folder: it cannot be read: Is a directory");
#endif
    EXPECT_TRUE(table.empty());
}

}  // namespace
