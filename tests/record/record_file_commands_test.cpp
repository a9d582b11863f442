#include "record/record_file.h"
#include "record/record_file_commands.h"
#include "record_file_test_support.h"

#include <gtest/gtest.h>

#ifdef __linux__
#include <sys/mount.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

using namespace record_file_test;

namespace {

using Icon = RecordFileMessage::Icon;

std::string tempDir(const std::string& leaf)
{
    const std::string dir = ::testing::TempDir() + "zq_cmd_" + std::to_string(::getpid()) + "_" + leaf;
    std::error_code ignored;
    std::filesystem::create_directory(dir, ignored);
    return dir;
}

/// Removes the folders of a test when it ends (after an unmount, if any).
struct TempDirs : ::testing::Environment {
    void TearDown() override
    {
        std::error_code ignored;
        for (const char* leaf : {"forms", "open", "failxls", "failxml", "tmpfs", "mode"})
            std::filesystem::remove_all(::testing::TempDir() + "zq_cmd_" + std::to_string(::getpid()) + "_" + leaf,
                                        ignored);
    }
};
const auto* const kTempDirs = ::testing::AddGlobalTestEnvironment(new TempDirs);

void fill(RecordTable& table, int rows)
{
    for (int i = 1; i <= rows; ++i)
        table.appendRow(makeRow(i, {"12:00:00", std::to_string(i), "KW", "230", "v", "5", "A"}));
}

/// Counts freezes, so a test can see the views released at the end.
struct Views : RecordTableListener {
    void recordTableChanged(const RecordTableChange&) override { ++changes; }
    int changes = 0;
};

class RecordFileCommandsTest : public ::testing::Test {
protected:
    RecordFileCommandsTest() { table.addListener(&views); }
    ~RecordFileCommandsTest() override { table.removeListener(&views); }

    RecordTable table;
    Views views;
    RecordFileCommands files{table};
};

TEST_F(RecordFileCommandsTest, SaveAsChoosesTheFormByExtension)
{
    fill(table, 3);
    int repaints = 0;
    files.repaintWindow = [&] { ++repaints; };
    const std::string dir = tempDir("forms");
    // "b.XML": a name of its own also where names ignore case.
    for (const char* leaf : {"a.xls", "a.txt", "b.XML", "a.xml", "a.xml.bak"})
        files.Save_asClick(dir + "/" + leaf);

    EXPECT_EQ(readFile(dir + "/a.xml").rfind("<?xml", 0), 0u);
    for (const char* leaf : {"a.xls", "a.txt", "b.XML", "a.xml.bak"})
        EXPECT_EQ(readFile(dir + "/" + leaf).rfind("No\tTime", 0), 0u) << leaf;
    // The data packet has no message; each text save has one and a repaint.
    ASSERT_EQ(files.messages().size(), 4u);
    EXPECT_EQ(files.messages()[0], (RecordFileMessage{"Save table to specified file: " + dir + "/a.xls Scuss!",
                                                      "Information", Icon::Information}));
    EXPECT_EQ(repaints, 4);
    EXPECT_FALSE(table.viewsFrozen());
    EXPECT_EQ(table.currentRow(), std::optional<std::size_t>(2));
    // Opening the capital-letter file reads it as text.
    files.OpenClick(dir + "/b.XML");
    EXPECT_EQ(table.rowCount(), 6u);
    EXPECT_EQ(files.messages().size(), 4u);
}

TEST_F(RecordFileCommandsTest, OpenAppendsTextReplacesByPacketAndReportsFailure)
{
    const std::string dir = tempDir("open");
    writeFile(dir + "/one.txt", "h\r\n1\ta\r\n2\tb\r\n");
    writeFile(dir + "/bad.txt", "h\r\n3\tc\r\nbad\r\n4\td\r\n");
    files.OpenClick(dir + "/one.txt");
    files.OpenClick(dir + "/bad.txt");
    EXPECT_EQ(table.rowCount(), 3u);  // the row before the bad line stays
    ASSERT_EQ(files.messages().size(), 1u);
    EXPECT_EQ(files.messages()[0], (RecordFileMessage{"Failed to Load File!", "Error", Icon::Error}));

    files.Save_asClick(dir + "/all.xml");
    fill(table, 2);
    files.OpenClick(dir + "/all.xml");
    EXPECT_EQ(describe(table), (std::vector<std::string>{"1|a|~|~|~|~|~|~", "2|b|~|~|~|~|~|~", "3|c|~|~|~|~|~|~"}));
    files.OpenClick(dir + "/missing.xml");
    EXPECT_EQ(table.rowCount(), 3u);
    EXPECT_EQ(files.messages().back().text, "Failed to Load File!");
    EXPECT_FALSE(table.viewsFrozen());
}

// A save that cannot be written says so and leaves what was there: the old
// file under that name, and no temporary file beside it.
class RecordFileFailedSave : public ::testing::TestWithParam<std::string> {};

TEST_P(RecordFileFailedSave, ShowsTheErrorAndLeavesNoFile)
{
    const std::string ext = GetParam();
    const std::string dir = tempDir("fail" + ext.substr(1));
    std::filesystem::create_directory(dir + "/folder" + ext);
    std::vector<std::string> names{dir + "/no such folder/records" + ext, dir + "/folder" + ext};
    std::vector<std::string> kept{"folder" + ext};
#ifndef _WIN32
    // The disk-full device under a name of this form.
    ::symlink("/dev/full", (dir + "/full" + ext).c_str());
    names.insert(names.begin(), dir + "/full" + ext);
    kept.push_back("full" + ext);
#endif
    RecordTable table;
    fill(table, 10);
    RecordFileCommands files(table);
    for (const std::string& name : names) {
        files.Save_asClick(name);
        ASSERT_FALSE(files.messages().empty()) << name;
        EXPECT_EQ(files.messages().back(),
                  (RecordFileMessage{"Could not save table to specified file: " + name, "Error", Icon::Error}));
        EXPECT_FALSE(table.viewsFrozen());
    }
    EXPECT_EQ(files.messages().size(), names.size());
#ifndef _WIN32
    for (const std::string& name : filesIn("/dev"))
        EXPECT_NE(name.rfind("full.", 0), 0u) << "left in /dev: " << name;
#endif
    std::vector<std::string> left = filesIn(dir);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, kept);
    EXPECT_EQ(table.rowCount(), 10u);
}

INSTANTIATE_TEST_SUITE_P(Forms, RecordFileFailedSave, ::testing::Values(".xls", ".xml"),
                         [](const auto& info) { return info.param.substr(1); });

#ifdef __linux__
// A file system that fills up half-way through: the previous file stays.
TEST(RecordFileFullDisk, OldFileIntactNoTemporaryLeft)
{
    const std::string dir = tempDir("tmpfs");
    if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        std::string dir;
        ~Unmount() { ::umount(dir.c_str()); }
    } unmount{dir};
    RecordTable table;
    fill(table, 5000);  // about 200 KB either way
    RecordFileCommands files(table);
    for (const char* leaf : {"/old.xls", "/old.xml"}) {
        const std::string name = dir + leaf;
        writeFile(name, "previous contents");
        files.Save_asClick(name);
        ASSERT_FALSE(files.messages().empty());
        EXPECT_EQ(files.messages().back().text, "Could not save table to specified file: " + name);
        EXPECT_EQ(readFile(name), "previous contents");
    }
    std::vector<std::string> left = filesIn(dir);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"old.xls", "old.xml"}));
}

#endif

#ifndef _WIN32
TEST(RecordFileSave, ReplacesAnExistingFileKeepingItsMode)
{
    const std::string dir = tempDir("mode");
    const std::string name = dir + "/kept.txt";
    writeFile(name, "old");
    ::chmod(name.c_str(), 0640);
    RecordTable table;
    fill(table, 1);
    ASSERT_TRUE(saveRecordFile(name, table.reader()));
    struct stat info {};
    ASSERT_EQ(::stat(name.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(readFile(name).substr(0, 2), "No");
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"kept.txt"});
}
#endif

// Bytes as they are on every system: no CR put before a line end, none taken away.
TEST(RecordFileSave, WritesTheSameBytesEverywhere)
{
    const std::string dir = tempDir("mode");
    RecordTable table;
    table.appendRow(makeRow(1, {"12:00:00", "0.886", "KW", "230", "v", "5", "A"}));
    ASSERT_TRUE(saveRecordFile(dir + "/bytes.txt", table.reader()));
    EXPECT_EQ(readFile(dir + "/bytes.txt"),
              "No\tTime\tValue\tUnit\tV_Value\tV_Unit\tI_Value\tI_Unit\r\n1\t12:00:00\t0.886\tKW\t230\tv\t5\tA\r\n");
}

}  // namespace
