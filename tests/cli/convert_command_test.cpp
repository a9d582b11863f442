#include "cli/convert_command.h"
#include "record/record_table.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

const std::string kHeader = "No\tTime\tValue\tUnit\tV_Value\tV_Unit\tI_Value\tI_Unit\r\n";

class ConvertCommand : public ::testing::Test {
protected:
    ~ConvertCommand() override
    {
        for (const char* leaf : {"a.txt", "b.xls", "ab.xml", "ab.txt", "good.txt", "bad.txt", "one.txt", "r.txt",
                                 "r.xml"})
            ::unlink(path(leaf).c_str());
    }

    std::string path(const std::string& leaf) const
    {
        return ::testing::TempDir() + "zq_convert_" + std::to_string(::getpid()) + "_" + leaf;
    }
    void write(const std::string& leaf, const std::string& bytes) const
    {
        std::ofstream(path(leaf), std::ios::binary) << bytes;
    }
    std::string read(const std::string& leaf) const
    {
        std::ifstream in(path(leaf), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    int run(std::vector<std::string> args)
    {
        out.str("");
        err.str("");
        return runConvertCommand(args, out, err);
    }

    std::ostringstream out, err;
};

TEST_F(ConvertCommand, TextFilesAppendInOrderIntoAPacketAndBack)
{
    write("a.txt", kHeader + "1\t12:00:01\t1.23\tKW\t230\tv\t5\tA\r\n");
    write("b.xls", "header\n2 12:00:02 OL KW NULL NULL 0.00 A\n");
    ASSERT_EQ(run({path("a.txt"), path("b.xls"), path("ab.xml")}), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    const std::string packet = read("ab.xml");
    EXPECT_NE(packet.find("CHANGE_LOG=\"1 0 4 2 0 4\""), std::string::npos);

    ASSERT_EQ(run({path("ab.xml"), path("ab.txt")}), 0);
    EXPECT_EQ(err.str(), "Save table to specified file: " + path("ab.txt") + " Scuss!\n");
    EXPECT_EQ(read("ab.txt"), kHeader +
                                  "1\t12:00:01\t1.23\tKW\t230\tv\t5\tA\r\n"
                                  "2\t12:00:02\tOL\tKW\tNULL\tNULL\t0.00\tA\r\n");
}

TEST_F(ConvertCommand, LoadFailureSavesNothing)
{
    write("good.txt", kHeader + "1\ta\r\n");
    write("bad.txt", kHeader + "x\ta\r\n");
    EXPECT_EQ(run({path("good.txt"), path("bad.txt"), path("never.xml")}), 1);
    EXPECT_EQ(err.str(), "Failed to Load File!\n" + path("bad.txt") + ": line 2: the first field (No) is neither a whole number of 32 bits nor NULL\n");
    EXPECT_FALSE(std::ifstream(path("never.xml")).good());
}

TEST_F(ConvertCommand, SaveFailureAndUsage)
{
    write("one.txt", kHeader + "1\ta\r\n");
    EXPECT_EQ(run({path("one.txt"), "/dev/full"}), 1);
    EXPECT_EQ(err.str(), "Could not save table to specified file: /dev/full\n");
    EXPECT_EQ(run({path("one.txt")}), 2);
    EXPECT_EQ(run({}), 2);
}

TEST_F(ConvertCommand, HeadlessOpenAndSaveForReplay)
{
    write("r.txt", kHeader + "5\ta\r\n");
    RecordTable table;
    std::ostringstream messages;
    EXPECT_TRUE(openRecordFileHeadless(table, path("r.txt"), messages));
    EXPECT_FALSE(openRecordFileHeadless(table, path("missing.txt"), messages));
    EXPECT_EQ(messages.str(), "Failed to Load File!\n" + path("missing.txt") + ": it cannot be opened: No such file or directory\n");
    EXPECT_EQ(table.rowCount(), 1u);
    messages.str("");
    EXPECT_TRUE(saveRecordFileHeadless(table, path("r.xml"), messages));
    EXPECT_EQ(messages.str(), "");
    EXPECT_FALSE(saveRecordFileHeadless(table, path("no folder/r.xml"), messages));
    EXPECT_EQ(messages.str(), "Could not save table to specified file: " + path("no folder/r.xml") + "\n");
}

}  // namespace
