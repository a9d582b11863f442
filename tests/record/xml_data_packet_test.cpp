#include "record/change_log_filter.h"
#include "record/record_file.h"
#include "record/xml_data_packet_reader.h"
#include "record_file_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace record_file_test;

namespace {

const std::string kHead =
    "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"No\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"Time\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"V_Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"V_Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"I_Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"I_Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "</FIELDS>";

std::string tempName(const std::string& leaf)
{
    return ::testing::TempDir() + "zq_xml_" + std::to_string(::getpid()) + "_" + leaf;
}

std::string written(const RecordTable& table)
{
    const std::string path = tempName("written.xml");
    EXPECT_TRUE(saveRecordFile(path, table.reader()));
    std::string bytes = readFile(path);
    ::unlink(path.c_str());
    return bytes;
}

TEST(XmlDataPacket, EmptyTableByteForByte)
{
    EXPECT_EQ(written(RecordTable()), kHead + "<PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>");
}

TEST(XmlDataPacket, ThreeRecordedRowsByteForByteAndBack)
{
    RecordTable table;
    table.appendRow(makeRow(1, {"12:00:01", "1.234", "KW", "230.1", "v", "5.02", "A"}));
    table.appendRow(makeRow(2, {"12:00:02", "OL", "KW", "", "", "0.00", "A"}));
    table.appendRow(makeRow(-3, {"12:00:03", std::nullopt, "KW", "1", "v", "2", "A"}));
    const std::string bytes = written(table);
    EXPECT_EQ(bytes, kHead +
                         "<PARAMS CHANGE_LOG=\"1 0 4 2 0 4 3 0 4\"/></METADATA><ROWDATA>"
                         "<ROW RowState=\"4\" No=\"1\" Time=\"12:00:01\" Value=\"1.234\" Unit=\"KW\" "
                         "V_Value=\"230.1\" V_Unit=\"v\" I_Value=\"5.02\" I_Unit=\"A\"/>"
                         "<ROW RowState=\"4\" No=\"2\" Time=\"12:00:02\" Value=\"OL\" Unit=\"KW\" "
                         "V_Value=\"\" V_Unit=\"\" I_Value=\"0.00\" I_Unit=\"A\"/>"
                         "<ROW RowState=\"4\" No=\"-3\" Time=\"12:00:03\" Unit=\"KW\" "
                         "V_Value=\"1\" V_Unit=\"v\" I_Value=\"2\" I_Unit=\"A\"/>"
                         "</ROWDATA></DATAPACKET>");

    RecordTable loaded;
    ASSERT_TRUE(XmlDataPacketReader::parse(bytes, loaded));
    EXPECT_EQ(describe(loaded), describe(table));
    EXPECT_EQ(logText(loaded), "1 0 4 2 0 4 3 0 4");
    // Rows recorded after the load are logged after the packet's.
    loaded.appendRow(makeRow(4, {"x", "", "", "", "", "", ""}));
    EXPECT_EQ(logText(loaded), "1 0 4 2 0 4 3 0 4 4 0 4");
}

TEST(XmlDataPacket, EscapesAndHighBytesRoundTrip)
{
    // The table holds CR, LF and TAB as "?" (see storedRecordText).
    const std::string special = "<>&'\"\r\n\t\\ \x7F\xB0\xA1\xC6";
    const std::string stored = "<>&'\"???\\ \x7F\xB0\xA1\xC6";
    RecordTable table;
    table.appendRow(makeRow(1, {special, "a", "b", "c", "d", "e", "f"}));
    const std::string bytes = written(table);
    EXPECT_NE(bytes.find("Time=\"&lt;&gt;&amp;&apos;&quot;???&#092; \x7F\xB0\xA1\xC6\""), std::string::npos);
    RecordTable loaded;
    ASSERT_TRUE(XmlDataPacketReader::parse(bytes, loaded, 5));
    ASSERT_EQ(loaded.rowCount(), 1u);
    EXPECT_EQ(loaded.text(0, RecordField::Time), std::optional<std::string_view>(stored));
}

struct TextCase {
    const char* name;
    std::string value;   ///< the attribute value as the file has it
    std::string stored;  ///< the text the table holds
};

class XmlDataPacketText : public ::testing::TestWithParam<TextCase> {};

// Parsed as ISO-8859-1, a byte of the file is the character of that
// number; a character beyond 255 has no byte in the code page.
TEST_P(XmlDataPacketText, StoresTheBytesTheValueStandsFor)
{
    const TextCase& c = GetParam();
    const std::string packet = kHead + "</METADATA><ROWDATA><ROW No=\"1\" Value=\"" + c.value +
                               "\"/></ROWDATA></DATAPACKET>";
    for (std::size_t chunk : {std::size_t{1} << 20, std::size_t{1}}) {
        RecordTable table;
        ASSERT_TRUE(XmlDataPacketReader::parse(packet, table, chunk)) << "chunk " << chunk;
        ASSERT_EQ(table.rowCount(), 1u);
        EXPECT_EQ(table.text(0, RecordField::Value), std::optional<std::string_view>(c.stored)) << "chunk " << chunk;
        // And what it stores goes back into a packet that reads the same.
        RecordTable again;
        ASSERT_TRUE(XmlDataPacketReader::parse(written(table), again));
        EXPECT_EQ(describe(again), describe(table));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlDataPacketText,
    ::testing::Values(
        TextCase{"Ascii", "1.234", "1.234"},
        TextCase{"HighBytesAsThemselves", "\xB0\xA1\xC6\x80\xFF", "\xB0\xA1\xC6\x80\xFF"},
        TextCase{"EachByteOfWhatLooksLikeUtf8", "\xE2\x82\xAC\xC4\x96", "\xE2\x82\xAC\xC4\x96"},
        TextCase{"ReferencesUpTo255", "&#176;&#xA1;&#198;&#255;&#128;&#127;", "\xB0\xA1\xC6\xFF\x80\x7F"},
        TextCase{"ReferencesBeyond255AreOneQuestionMarkEach", "a&#256;b&#300;c&#1046;d&#8364;e&#x10000;f",
                 "a?b?c?d?e?f"},
        // XML 1.0 has references to these control characters only.
        TextCase{"ReferencesToControlCharacters", "&#9;x&#13;&#10;", "?x??"},
        TextCase{"LiteralTabAndLineEndAreBlanksInAValue", "a\tb\r\nc ", "a b c"},
        TextCase{"CutAfter20Bytes", "&#300;&#300;&#300;&#300;&#300;&#300;&#300;&#300;&#300;&#300;"
                                    "&#300;&#300;&#300;&#300;&#300;&#300;&#300;&#300;&#300;&#300;&#300;x",
                 std::string(20, '?')},
        TextCase{"TrailingBlanksGoAfterTheCut", "1234567890123456789 &#300;", "1234567890123456789"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XmlDataPacket, RowWithoutNoReopensFromBothForms)
{
    const std::string packet = kHead + "</METADATA><ROWDATA><ROW Time=\"t\"/><ROW/></ROWDATA></DATAPACKET>";
    RecordTable table;
    ASSERT_TRUE(XmlDataPacketReader::parse(packet, table));
    ASSERT_EQ(describe(table), (std::vector<std::string>{"[0] ~|t|~|~|~|~|~|~", "[0] ~|~|~|~|~|~|~|~"}));

    RecordTable again;
    ASSERT_TRUE(XmlDataPacketReader::parse(written(table), again));
    EXPECT_EQ(describe(again), describe(table));

    const std::string path = tempName("without-no.txt");
    ASSERT_TRUE(saveRecordFile(path, table.reader()));
    EXPECT_EQ(readFile(path), "No\tTime\tValue\tUnit\tV_Value\tV_Unit\tI_Value\tI_Unit\r\n"
                              "NULL\tt\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\r\n"
                              "NULL\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\tNULL\r\n");
    RecordTable text;
    ASSERT_TRUE(LoadTable(path, text, false));
    EXPECT_EQ(describe(text), (std::vector<std::string>{"~|t|NULL|NULL|NULL|NULL|NULL|NULL",
                                                        "~|NULL|NULL|NULL|NULL|NULL|NULL|NULL"}));
    ::unlink(path.c_str());
}

// A packet as another program writes it: rows unchanged since its load
// (no RowState), inserted ones, its own log, other field order and case.
const std::string kForeign =
    "<?xml version=\"1.0\" standalone=\"yes\"?>\n<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"i_unit\" fieldtype=\"string\" WIDTH=\"4\"/>"
    "<FIELD attrname=\"TIME\" fieldtype=\"string\" WIDTH=\"40\"/>"
    "<FIELD attrname=\"Extra\" fieldtype=\"r8\"/>"
    "<FIELD attrname=\"No\" fieldtype=\"i4\"/>"
    "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"V_Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"V_Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "<FIELD attrname=\"I_Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
    "</FIELDS><PARAMS LCID=\"1033\" CHANGE_LOG=\"3 0 4 4 1 8\"/></METADATA>\n<ROWDATA>"
    "<ROW No=\"10\" TIME=\"10:00:00\" Extra=\"1.5\" i_unit=\"A\"/>"
    "<ROW No=\"11\" Value=\"&#8364;&#176;\"/>"
    "<ROW RowState=\"4\" No=\"12\" Value=\"x\"/>"
    "<ROW RowState=\"8\" Value=\"y\"/>"
    "</ROWDATA></DATAPACKET>\n";

TEST(XmlDataPacket, ReadsAForeignPacketAndWritesItBack)
{
    RecordTable table;
    ASSERT_TRUE(XmlDataPacketReader::parse(kForeign, table, 7));
    EXPECT_EQ(describe(table), (std::vector<std::string>{
                                   "[0] 10|10:00:00|~|~|~|~|~|A",
                                   "[0] 11|~|?\xB0|~|~|~|~|~",
                                   "12|~|x|~|~|~|~|~",
                                   "[8] ~|~|y|~|~|~|~|~",
                               }));
    EXPECT_EQ(logText(table), "3 0 4 4 1 8");
    const std::string bytes = written(table);
    EXPECT_NE(bytes.find("<PARAMS CHANGE_LOG=\"3 0 4 4 1 8\"/></METADATA><ROWDATA><ROW No=\"10\" Time=\"10:00:00\" "
                         "I_Unit=\"A\"/>"),
              std::string::npos);
    EXPECT_NE(bytes.find("<ROW RowState=\"8\" Value=\"y\"/></ROWDATA>"), std::string::npos);
}

struct BadPacket {
    const char* name;
    std::string bytes;
    /// What the error tells: the start of its reason and the line.
    std::string reason;
    std::uint64_t line;
};

class XmlDataPacketFailure : public ::testing::TestWithParam<BadPacket> {};

TEST_P(XmlDataPacketFailure, FailsAndLeavesTheTableAsItWas)
{
    const std::string path = tempName(std::string(GetParam().name) + ".xml");
    writeFile(path, GetParam().bytes);
    RecordTable table;
    table.appendRow(makeRow(1, {"kept", "", "", "", "", "", ""}));
    RecordFileError error;
    EXPECT_FALSE(LoadTable(path, table, false, &error));
    EXPECT_TRUE(error.reason.starts_with(GetParam().reason)) << error.reason;
    EXPECT_EQ(error.line, GetParam().line);
    EXPECT_EQ(describe(table), (std::vector<std::string>{"1|kept||||||"}));
    EXPECT_EQ(logText(table), "1 0 4");
    table.appendRow(makeRow(2, {"after", "", "", "", "", "", ""}));
    EXPECT_EQ(table.rowCount(), 2u);
    ::unlink(path.c_str());
}

std::string withFields(const std::string& fields, const std::string& rest = "<ROWDATA></ROWDATA></DATAPACKET>")
{
    return "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields + "</FIELDS></METADATA>" + rest;
}

std::string allFieldsBut(const std::string& skip, const std::string& replacement = "")
{
    std::string fields;
    for (std::size_t i = 0; i < kRecordFieldCount; ++i) {
        const std::string name(recordFieldName(recordField(i)));
        if (name == skip)
            fields += replacement;
        else
            fields += "<FIELD attrname=\"" + name + "\" fieldtype=\"" + (i == 0 ? "i4" : "string") + "\"/>";
    }
    return fields;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlDataPacketFailure,
    ::testing::Values(
        BadPacket{"Empty", "", "not well-formed XML: no element found", 1},
        BadPacket{"NotXml", "No\tTime\r\n1\t12:00:00\r\n", "not well-formed XML: syntax error", 1},
        BadPacket{"NotWellFormed", withFields(allFieldsBut("")).substr(0, 120), "not well-formed XML", 1},
        BadPacket{"OtherRoot", "<TABLE><METADATA/></TABLE>", "the first element is not DATAPACKET", 1},
        BadPacket{"NoFields", "<DATAPACKET Version=\"2.0\"><ROWDATA></ROWDATA></DATAPACKET>",
                  "the packet has no field No", 1},
        BadPacket{"FieldMissing", withFields(allFieldsBut("V_Unit")), "the packet has no field V_Unit", 1},
        BadPacket{"NoAsText", withFields(allFieldsBut("No", "<FIELD attrname=\"No\" fieldtype=\"string\"/>")),
                  "the field No is not an integer field of 32 bits", 1},
        BadPacket{"NoTooWide", withFields(allFieldsBut("No", "<FIELD attrname=\"No\" fieldtype=\"i8\"/>")),
                  "the field No is not an integer field of 32 bits", 1},
        BadPacket{"TextAsNumber", withFields(allFieldsBut("Unit", "<FIELD attrname=\"Unit\" fieldtype=\"i4\"/>")),
                  "the field Unit is not a string field", 1},
        BadPacket{"NoNotANumber",
                  withFields(allFieldsBut(""), "<ROWDATA>\n<ROW No=\"1\"/>\n<ROW No=\"x\"/></ROWDATA></DATAPACKET>"),
                  "a ROW's No is not a whole number", 3},
        BadPacket{"BadRowState",
                  withFields(allFieldsBut(""), "<ROWDATA><ROW RowState=\"four\"/></ROWDATA></DATAPACKET>"),
                  "a ROW's RowState is not a whole number", 1},
        BadPacket{"BadChangeLog",
                  "<DATAPACKET><METADATA><FIELDS>" + allFieldsBut("") +
                      "</FIELDS>\n<PARAMS CHANGE_LOG=\"1 0\"/></METADATA></DATAPACKET>",
                  "the CHANGE_LOG of PARAMS is malformed", 2},
        BadPacket{"EntityDeclared", "<!DOCTYPE DATAPACKET [<!ENTITY a \"aaaa\">]>" + withFields(allFieldsBut("")),
                  "the packet declares an entity", 1},
        BadPacket{"RowsThenGarbage",
                  withFields(allFieldsBut(""), "<ROWDATA><ROW No=\"1\"/><ROW No=\"2\"/></ROWDATA></DATAPACKET>\njunk"),
                  "not well-formed XML: junk after document element", 2}),
    [](const auto& info) { return std::string(info.param.name); });

struct LogCase {
    const char* name;
    std::string params;  ///< what stands between FIELDS and the end of METADATA
    std::string rowData;
    bool ok;
    std::string log;
};

class XmlDataPacketChangeLog : public ::testing::TestWithParam<LogCase> {};

// The change log is read beside the parser rather than by it; a document
// type declaration leaves it to the parser, so both ways must agree.
TEST_P(XmlDataPacketChangeLog, ReadsTheLogAsTheParserHandsItOver)
{
    const LogCase& c = GetParam();
    const std::string packet = "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + allFieldsBut("") + "</FIELDS>" +
                               c.params + "</METADATA><ROWDATA>" + c.rowData + "</ROWDATA></DATAPACKET>";
    for (const std::string& bytes : {packet, "<!DOCTYPE DATAPACKET>" + packet}) {
        for (std::size_t chunk : {std::size_t{1} << 20, std::size_t{1}, std::size_t{5}}) {
            RecordTable table;
            const bool ok = XmlDataPacketReader::parse(bytes, table, chunk);
            EXPECT_EQ(ok, c.ok) << bytes.substr(0, 20) << " chunk " << chunk;
            if (ok && c.ok) {
                EXPECT_EQ(logText(table), c.log) << bytes.substr(0, 20) << " chunk " << chunk;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlDataPacketChangeLog,
    ::testing::Values(
        LogCase{"Plain", "<PARAMS CHANGE_LOG=\"1 0 4 2 0 4\"/>", "<ROW No=\"1\"/><ROW No=\"2\"/>", true,
                "1 0 4 2 0 4"},
        LogCase{"SingleQuotesBlanksAroundEquals", "<PARAMS\n LCID = '1' CHANGE_LOG = '3 0 4'/>", "", true, "3 0 4"},
        LogCase{"TabsAndLineEndsReadAsBlanks", "<PARAMS CHANGE_LOG=\" 1\t0\r\n4  2 0\n4 \"/>", "", true,
                "1 0 4 2 0 4"},
        LogCase{"ReferencesStandForTheirCharacter", "<PARAMS CHANGE_LOG=\"1&#32;0&#x20;&#52;\"></PARAMS>", "", true,
                "1 0 4"},
        LogCase{"EmptyValue", "<PARAMS CHANGE_LOG=\"\"/>", "", true, ""},
        LogCase{"OtherAttributesOnly", "<PARAMS LCID=\"1 0 4\" change_log=\"x\"/>", "", true, ""},
        LogCase{"CommentAndInstructionPassUnread",
                "<!-- <PARAMS CHANGE_LOG=\"x\"/> --><?pi <PARAMS CHANGE_LOG=\"y\"?>"
                "<PARAMS CHANGE_LOG=\"2 0 4\"/><![CDATA[<PARAMS CHANGE_LOG=\"z\"/>]]>",
                "", true, "2 0 4"},
        LogCase{"ParamsElsewhereIgnored", "<PARAMS CHANGE_LOG=\"5 0 4\"/>", "<PARAMS CHANGE_LOG=\"bad\"/>", true,
                "5 0 4"},
        LogCase{"TwoParamsBothCount", "<PARAMS CHANGE_LOG=\"1 0 4\"/><PARAMS CHANGE_LOG=\"2 0 4 7 1 8\"/>", "",
                true, "1 0 4 2 0 4 7 1 8"},
        LogCase{"ValueLookingLikeTheStandIn", "<PARAMS CHANGE_LOG=\"#0\"/>", "", false, ""},
        LogCase{"TabByReferenceIsNoBlank", "<PARAMS CHANGE_LOG=\"1 0 4&#9;2 0 4\"/>", "", false, ""},
        LogCase{"NegativeRecord", "<PARAMS CHANGE_LOG=\"-1 0 4\"/>", "", false, ""},
        LogCase{"NumberBeyond32Bits", "<PARAMS CHANGE_LOG=\"1 0 2147483648\"/>", "", false, ""},
        LogCase{"SignWithoutDigits", "<PARAMS CHANGE_LOG=\"1 - 4\"/>", "", false, ""},
        LogCase{"UnknownEntity", "<PARAMS CHANGE_LOG=\"1 0 &four;\"/>", "", false, ""},
        LogCase{"LessThanInValue", "<PARAMS CHANGE_LOG=\"1 0 4<\"/>", "", false, ""},
        LogCase{"ControlByteInValue", "<PARAMS CHANGE_LOG=\"1 0 4\x01\"/>", "", false, ""},
        LogCase{"BrokenValueInIgnoredParams", "", "<PARAMS CHANGE_LOG=\"1 &amp 4\"/>", false, ""},
        LogCase{"DuplicateAttribute", "<PARAMS CHANGE_LOG=\"1 0 4\" CHANGE_LOG=\"1 0 4\"/>", "", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XmlDataPacket, TheParserNeverHoldsTheChangeLog)
{
    // However the bytes arrive, the parser gets a stand-in a few bytes long.
    const std::string bytes = "<METADATA><PARAMS CHANGE_LOG=\"1 0 4 2 0 4 3 0 4\"/></METADATA>";
    for (std::size_t chunk : {std::size_t{1}, std::size_t{4}, bytes.size()}) {
        ChangeLogFilter filter;
        std::string out;
        for (std::size_t at = 0; at < bytes.size(); at += chunk)
            filter.feed(bytes.data() + at, std::min(chunk, bytes.size() - at), out);
        EXPECT_EQ(out, "<METADATA><PARAMS CHANGE_LOG=\"#0\"/></METADATA>") << "chunk " << chunk;
        const ChangeLogFilter::Log* log = filter.logFor("#0");
        ASSERT_NE(log, nullptr);
        ASSERT_TRUE(log->valid);
        ASSERT_EQ(log->runs.size(), 1u);
        EXPECT_EQ(log->runs[0].first, 1u);
        EXPECT_EQ(log->runs[0].count, 3u);
        EXPECT_EQ(filter.logFor("#1"), nullptr);
    }
}

TEST(XmlDataPacket, ReplacesTheTableOnSuccess)
{
    const std::string path = tempName("replace.xml");
    writeFile(path, kForeign);
    RecordTable table;
    table.appendRow(makeRow(1, {"gone", "", "", "", "", "", ""}));
    ASSERT_TRUE(LoadTable(path, table, false));
    EXPECT_EQ(table.rowCount(), 4u);
    EXPECT_EQ(logText(table), "3 0 4 4 1 8");
    ::unlink(path.c_str());
}

}  // namespace
