#include "cli/stats_command.h"

#include "record/record_statistics.h"
#include "record/record_table.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace {

const std::string kHeader = "No\tTime\tValue\tUnit\tV_Value\tV_Unit\tI_Value\tI_Unit\r\n";

class StatsCommand : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(folder.file(name), std::ios::binary) << bytes;
        return folder.file(name);
    }
    int run(const std::vector<std::string>& args)
    {
        out.str("");
        err.str("");
        return runStatsCommand(args, out, err);
    }

    TempFolder folder;
    std::ostringstream out, err;
};

TEST_F(StatsCommand, OneLinePerGroupThenTheRows)
{
    const std::string file = write("a.txt", kHeader +
                                                "1\t23:59:30\t1.5\tKW\t230.1\tV\t2\tA\r\n"
                                                "2\t00:00:30\t0.1\tKW\t229.9\tV\tOL\tA\r\n"
                                                "3\t00:01:00\t2.5\tKW\tNULL\tNULL\t4\tA\r\n"
                                                "NULL\t00:01:00\t0.96\tPF\t230.1\tV\t3.5\tA\r\n");
    ASSERT_EQ(run({file}), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str(),
              "{\"field\":\"Value\",\"unit\":\"KW\",\"count\":3,\"skipped\":0,\"min\":0.1,\"min_no\":2,\"max\":2.5,"
              "\"max_no\":3,\"mean\":1.3666666666666667,\"stddev\":0.9843215373488933,\"hold_s\":90,"
              "\"integral_h\":0.025833333333333333}\n"
              "{\"field\":\"Value\",\"unit\":\"PF\",\"count\":1,\"skipped\":0,\"min\":0.96,\"min_no\":null,"
              "\"max\":0.96,\"max_no\":null,\"mean\":0.96,\"stddev\":0,\"hold_s\":0}\n"
              "{\"field\":\"V_Value\",\"unit\":\"V\",\"count\":3,\"skipped\":0,\"min\":229.9,\"min_no\":2,"
              "\"max\":230.1,\"max_no\":1,\"mean\":230.03333333333333,\"stddev\":0.09428090415820098,"
              "\"hold_s\":90}\n"
              "{\"field\":\"V_Value\",\"unit\":\"NULL\",\"count\":0,\"skipped\":1,\"min\":null,\"min_no\":null,"
              "\"max\":null,\"max_no\":null,\"mean\":null,\"stddev\":null,\"hold_s\":0}\n"
              "{\"field\":\"I_Value\",\"unit\":\"A\",\"count\":3,\"skipped\":1,\"min\":2,\"min_no\":1,\"max\":4,"
              "\"max_no\":3,\"mean\":3.1666666666666665,\"stddev\":0.8498365855987975,\"hold_s\":60,"
              "\"integral_h\":0.03333333333333333}\n"
              "{\"rows\":4,\"duration_s\":90}\n");
}

TEST_F(StatsCommand, FilesLoadInOrderAsConvertLoadsThem)
{
    // A packet replaces what came before it; text files append.
    const std::string first = write("first.txt", kHeader + "1\t10:00:00\t9\tKVA\r\n");
    const std::string packet =
        write("p.xml",
              "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
              "<FIELD attrname=\"No\" fieldtype=\"i4\"/><FIELD attrname=\"Time\" fieldtype=\"string\" WIDTH=\"20\"/>"
              "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
              "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
              "<FIELD attrname=\"V_Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
              "<FIELD attrname=\"V_Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
              "<FIELD attrname=\"I_Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
              "<FIELD attrname=\"I_Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
              "</FIELDS><PARAMS/></METADATA><ROWDATA>"
              "<ROW No=\"5\" Time=\"12:00:00\" Value=\"2\" Unit=\"KW\"/>"
              "</ROWDATA></DATAPACKET>");
    const std::string second = write("second.txt", kHeader + "6\t12:00:10\t4\tKW\r\n");
    const std::string third = write("third.txt", "any header\n7 12:00:20 OL KW\n");
    ASSERT_EQ(run({first, packet, second, third}), 0) << err.str();
    EXPECT_EQ(out.str(),
              "{\"field\":\"Value\",\"unit\":\"KW\",\"count\":2,\"skipped\":1,\"min\":2,\"min_no\":5,\"max\":4,"
              "\"max_no\":6,\"mean\":3,\"stddev\":1,\"hold_s\":20,\"integral_h\":0.016666666666666666}\n"
              "{\"field\":\"V_Value\",\"unit\":\"\",\"count\":0,\"skipped\":3,\"min\":null,\"min_no\":null,"
              "\"max\":null,\"max_no\":null,\"mean\":null,\"stddev\":null,\"hold_s\":0}\n"
              "{\"field\":\"I_Value\",\"unit\":\"\",\"count\":0,\"skipped\":3,\"min\":null,\"min_no\":null,"
              "\"max\":null,\"max_no\":null,\"mean\":null,\"stddev\":null,\"hold_s\":0}\n"
              "{\"rows\":3,\"duration_s\":20}\n");
}

TEST_F(StatsCommand, AFailingFilePrintsNoFigures)
{
    const std::string good = write("good.txt", kHeader + "1\t10:00:00\t1\tKW\r\n");
    const std::string bad = write("bad.txt", kHeader + "2\t10:00:01\t1\tKW\r\nx\t10:00:02\t1\tKW\r\n");
    const std::string missing = folder.file("missing.txt");
    const std::string packet = folder.file("x.xml");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{good, bad}, bad + ": line 3: the first field (No) is neither a whole number of 32 bits nor NULL"},
        {{missing, good}, missing + ": it cannot be opened: No such file or directory"},
        {{good, packet}, packet + ": it cannot be opened: No such file or directory"},
    };
    for (const auto& [args, why] : cases) {
        EXPECT_EQ(run(args), 1) << why;
        EXPECT_EQ(err.str(), "Failed to Load File!\n" + why + "\n");
        EXPECT_EQ(out.str(), "");
    }
}

TEST_F(StatsCommand, EmptyTableAndUsage)
{
    ASSERT_EQ(run({write("empty.txt", kHeader)}), 0);
    EXPECT_EQ(out.str(), "{\"rows\":0,\"duration_s\":0}\n");
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(err.str(), "usage: zqmeter-cli stats IN...\n");
    EXPECT_EQ(out.str(), "");
}

TEST_F(StatsCommand, NumbersReadBackExactly)
{
    // A mean that needs seventeen digits, seconds whose shortest double form
    // would be "1e+05" written as integers, and a Latin-1 unit.
    RecordTable table;
    const char* const times[] = {"00:00:00", "23:59:59", "03:46:40"};
    for (int i = 0; i < 3; ++i) {
        RecordRow row;
        row.setNo(i + 1);
        row.setText(RecordField::Time, times[i]);
        row.setText(RecordField::Value, i == 2 ? "0.2" : "0.1");
        row.setText(RecordField::Unit, "\xB0" "C");
        table.appendRow(row);
    }
    const RecordStatistics statistics = RecordStatistics::of(table, table.rowCount());
    const std::string lines = statisticsJsonLines(statistics);
    EXPECT_NE(lines.find("\"unit\":\"\\u00b0C\""), std::string::npos) << lines;
    EXPECT_NE(lines.find("\"hold_s\":100000}"), std::string::npos) << lines;
    EXPECT_NE(lines.find("{\"rows\":3,\"duration_s\":100000}"), std::string::npos) << lines;
    const std::size_t mean = lines.find("\"mean\":") + 7;
    const std::string digits = lines.substr(mean, lines.find(',', mean) - mean);
    EXPECT_EQ(std::strtod(digits.c_str(), nullptr), *statistics.groups().front().mean) << digits;
    EXPECT_GE(digits.size(), 17u) << digits;
}

}  // namespace
