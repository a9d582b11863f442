// kill -9 of a window that records: the journal it leaves loads, and holds
// the rows it recorded. The window runs in a child process of this test
// (started as "--window FOLDER"), reading the demo meter in real time.

#include "app/ui/main_window.h"
#include "link/sim/hid_demo_platform.h"
#include "record/leftover_journal.h"
#include "record/record_table.h"
#include "record/text_table_file.h"

#include <QApplication>

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

/// Rows of the journals in the folder, counted by their lines.
std::size_t journaledRows(const std::string& folder)
{
    std::size_t rows = 0;
    const std::string list = folder + "/list";
    std::system(("ls '" + folder + "' > '" + list + "' 2>/dev/null").c_str());
    std::istringstream names(readFile(list));
    for (std::string name; std::getline(names, name);) {
        if (name.rfind("journal-", 0) != 0)
            continue;
        const std::string bytes = readFile(folder + "/" + name);
        const std::size_t lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
        rows += lines > 0 ? lines - 1 : 0;
    }
    return rows;
}

int runWindow(int argc, char** argv, const std::string& folder)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TFrmTest window(CreateDemoHidPlatform(7));
    window.show();
    window.session().startJournal(folder);
    window.Panel2Click();  // connect to the demo cable
    return application.exec();
}

}  // namespace

TEST(KilledWindow, LeavesAJournalThatLoadsWithTheRowsItRecorded)
{
    const TempFolder temp;
    const std::string& folder = temp.path();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string self = "/proc/self/exe";
        ::execl(self.c_str(), "zq_killed_window_tests", "--window", folder.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The demo meter sends a reading every half second; the journal is on
    // the disk within a second or two of each.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (journaledRows(folder) < 4 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));

    std::vector<LeftoverJournal> found = LeftoverJournal::find(folder);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_GE(found[0].rows(), 4u);
    RecordTable table;
    EXPECT_TRUE(TextTableFile::parse(readFile(found[0].path()), table));
    EXPECT_EQ(table.rowCount(), found[0].rows());
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        EXPECT_EQ(table.no(row), static_cast<std::int32_t>(row + 1));
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--window") == 0)
        return runWindow(argc, argv, argv[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
