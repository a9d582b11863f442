// The file commands with their work on a thread of its own, as in the
// window: the test thread plays the main thread and keeps recording.

#include "record/record_file.h"
#include "record/record_file_commands.h"
#include "record/text_table_file.h"
#include "record_file_test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>

using namespace record_file_test;

namespace {

/// The main thread's queue: the worker posts, the test runs what arrived.
class MainQueue {
public:
    RecordFileJob::Post poster()
    {
        return [this](std::function<void()> f) {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(f));
            ready_.notify_one();
        };
    }
    /// Waits for one posted function and runs it.
    bool runOne()
    {
        std::function<void()> f;
        {
            std::unique_lock lock(mutex_);
            if (!ready_.wait_for(lock, std::chrono::seconds(60), [&] { return !queue_.empty(); }))
                return false;
            f = std::move(queue_.front());
            queue_.pop_front();
        }
        f();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> queue_;
};

std::string tempName(const std::string& leaf)
{
    return ::testing::TempDir() + "zq_thread_" + std::to_string(::getpid()) + "_" + leaf;
}

RecordRow reading(int no) { return makeRow(no, {"12:00:00", std::to_string(no), "KW", "230", "v", "5", "A"}); }

class RecordFileThreads : public ::testing::Test {
protected:
    RecordFileThreads()
    {
        files.post = queue.poster();
        files.jobStarted = [this](std::shared_ptr<const RecordFileJobProgress> p) { progress = std::move(p); };
    }

    RecordTable table;
    MainQueue queue;
    RecordFileCommands files{table};
    std::shared_ptr<const RecordFileJobProgress> progress;
};

TEST_F(RecordFileThreads, SaveWritesTheRowsHeldAtItsStartWhileRecordingGoesOn)
{
    constexpr int kRows = 200000;
    for (int i = 1; i <= kRows; ++i)
        table.appendRow(reading(i));
    for (const char* leaf : {"save.xls", "save.xml"}) {
        const std::string name = tempName(leaf);
        const std::size_t held = table.rowCount();
        files.Save_asClick(name);
        ASSERT_TRUE(files.busy());
        ASSERT_TRUE(progress);
        EXPECT_EQ(progress->kind, RecordFileJobProgress::Kind::Save);
        EXPECT_TRUE(table.viewsFrozen());
        // Recording while the file is written.
        for (int i = 0; i < 1000; ++i)
            table.appendRow(reading(static_cast<int>(held) + i + 1));
        files.OpenClick(name);  // one command at a time: ignored
        ASSERT_TRUE(queue.runOne());
        EXPECT_FALSE(files.busy());
        EXPECT_TRUE(progress->finished.load());
        EXPECT_FALSE(table.viewsFrozen());

        RecordTable saved;
        ASSERT_TRUE(LoadTable(name, saved, false));
        ASSERT_EQ(saved.rowCount(), held) << leaf;
        EXPECT_EQ(saved.no(held - 1), std::optional<std::int32_t>(static_cast<std::int32_t>(held)));
        ::unlink(name.c_str());
    }
    EXPECT_EQ(table.rowCount(), static_cast<std::size_t>(kRows + 2000));
}

TEST_F(RecordFileThreads, RowsRecordedDuringALoadComeBeforeItsRows)
{
    RecordTable source;
    constexpr int kRows = 100000;
    for (int i = 1; i <= kRows; ++i)
        source.appendRow(reading(-i));
    for (const char* leaf : {"load.txt", "load.xml"}) {
        const std::string name = tempName(leaf);
        ASSERT_TRUE(saveRecordFile(name, source.reader()));
        table.clear();
        table.appendRow(reading(1));
        files.OpenClick(name);
        ASSERT_TRUE(files.busy());
        for (int i = 2; i <= 500; ++i)
            table.appendRow(reading(i));
        ASSERT_TRUE(queue.runOne());
        EXPECT_TRUE(files.messages().empty());
        if (std::string(leaf) == "load.xml") {
            // The packet replaces everything, recorded rows included.
            ASSERT_EQ(table.rowCount(), static_cast<std::size_t>(kRows));
            EXPECT_EQ(table.no(0), std::optional<std::int32_t>(-1));
        } else {
            ASSERT_EQ(table.rowCount(), static_cast<std::size_t>(500 + kRows));
            for (int i = 0; i < 500; ++i)
                ASSERT_EQ(table.no(i), std::optional<std::int32_t>(i + 1));
            for (int i = 0; i < kRows; ++i)
                ASSERT_EQ(table.no(500 + i), std::optional<std::int32_t>(-i - 1));
        }
        ::unlink(name.c_str());
    }
}

TEST_F(RecordFileThreads, DestroyedWhileSavingLeavesNoFile)
{
    for (int i = 1; i <= 300000; ++i)
        table.appendRow(reading(i));
    const std::string dir = tempName("abandon");
    std::filesystem::create_directory(dir);
    {
        RecordFileCommands early(table);
        early.post = queue.poster();
        early.Save_asClick(dir + "/never.xml");
    }
    // The worker stopped on the cancel, or finished and posted an ending
    // that must find nothing to do.
    queue.runOne();
    EXPECT_TRUE(filesIn(dir).empty() || filesIn(dir) == std::vector<std::string>{"never.xml"});
    for (const std::string& name : filesIn(dir))
        EXPECT_EQ(name.find(".zqsave-"), std::string::npos);
    std::filesystem::remove_all(dir);
}

}  // namespace
