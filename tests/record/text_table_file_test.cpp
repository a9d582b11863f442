#include "record/record_file.h"
#include "record/record_file_output.h"
#include "record/text_table_file.h"
#include "record_file_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace record_file_test;

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

TEST(TextTableFile, WritesHeaderTabsNullAndCrLfByteForByte)
{
    RecordTable table;
    EXPECT_EQ(written(table), kHeader);

    table.appendRow(makeRow(1, {"12:00:01", "1.234", "KW", "230.1", "v", "5.02", "A"}));
    table.appendRow(makeRow(2, {"12:00:02", "OL", "KW", "", "", "0.00", "A"}));
    // Leading and trailing blanks and control bytes go; inner ones stay.
    table.appendRow(makeRow(-7, {" \t x y\x01", "\xA1\xC6", "\x1F", std::nullopt, "", " ", "\xB0"}));
    table.appendRow(makeRow(std::nullopt, {"a", "b", "c", "d", "e", "f", "g"}));
    EXPECT_EQ(written(table), kHeader +
                                  "1\t12:00:01\t1.234\tKW\t230.1\tv\t5.02\tA\r\n"
                                  "2\t12:00:02\tOL\tKW\tNULL\tNULL\t0.00\tA\r\n"
                                  "-7\tx y\t\xA1\xC6\tNULL\tNULL\tNULL\tNULL\t\xB0\r\n"
                                  "\ta\tb\tc\td\te\tf\tg\r\n");
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
                 true, {std::string("-2147483648|\0" "z|~|~|~|~|~|~", 26)}},
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

TEST(TextTableFile, UnreadableFileFails)
{
    RecordTable table;
    EXPECT_FALSE(LoadTable(tempName("missing.txt"), table, false));
    EXPECT_FALSE(LoadTable(::testing::TempDir(), table, false));  // a folder
    EXPECT_TRUE(table.empty());
}

}  // namespace
