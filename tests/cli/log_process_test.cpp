// The real zqmeter-cli log on the demo cable, in real time: what its files
// hold when it is stopped by a signal, killed, or its file fails under it.

#include "record/record_file.h"
#include "record/record_table.h"
#include "record/text_table_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

/// A zqmeter-cli process with its output in pipes, read when it has ended
/// (the log says little, far less than a pipe holds).
class Cli {
public:
    explicit Cli(const std::vector<std::string>& args, std::optional<rlim_t> fileSizeLimit = std::nullopt)
    {
        std::vector<std::string> words{ZQMETER_CLI};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        std::vector<std::string> environment{"TZ=UTC0", "LC_ALL=C.UTF-8", "QT_QPA_PLATFORM=offscreen"};
        std::vector<char*> envp;
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        int out[2], err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0)
            throw std::runtime_error("no pipe");
        // Only calls safe after fork in a process with threads.
        pid_ = ::fork();
        if (pid_ == 0) {
            const int none = ::open("/dev/null", O_RDONLY);
            ::dup2(none, 0);
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            if (fileSizeLimit) {
                const rlimit limit{*fileSizeLimit, *fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Cli()
    {
        if (status_ < 0 && pid_ > 0) {
            ::kill(pid_, SIGKILL);
            wait(5s);
        }
        ::close(out_);
        ::close(err_);
    }
    Cli(const Cli&) = delete;
    Cli& operator=(const Cli&) = delete;

    void signal(int number) const { ::kill(pid_, number); }

    /// Waits for the end; the exit status, 128 + the signal that ended it, or
    /// -1 when it still runs after @p timeout.
    int wait(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (status_ < 0) {
            int raw = 0;
            if (::waitpid(pid_, &raw, WNOHANG) == pid_)
                status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            else if (std::chrono::steady_clock::now() > deadline)
                return -1;
            else
                std::this_thread::sleep_for(10ms);
        }
        out = drain(out_);
        err = drain(err_);
        return status_;
    }

    std::string out;
    std::string err;

private:
    static std::string drain(int fd)
    {
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int status_ = -1;
};

/// Rows of the record file @p path, none when it does not load.
std::optional<std::size_t> rowsIn(const std::string& path)
{
    RecordFileLoad loaded = readRecordFile(path);
    if (!loaded.ok)
        return std::nullopt;
    return loaded.rows.rowCount();
}

/// Waits until @p path holds at least @p rows rows; false after 10 s.
bool waitForRows(const std::string& path, std::size_t rows)
{
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (rowsIn(path).value_or(0) < rows) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

class LogProcess : public ::testing::Test {
protected:
    LogProcess()
    {
        std::string pattern = ::testing::TempDir() + "zq_log_process_XXXXXX";
        folder_ = ::mkdtemp(pattern.data());
    }
    ~LogProcess() override { std::filesystem::remove_all(folder_); }

    std::string path(const std::string& leaf) const { return folder_ + "/" + leaf; }
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

// A signal ends the run cleanly: the summary, exit status 0, and a file that
// loads with exactly the rows the summary counts. Mid-run it loads too.
TEST_F(LogProcess, SignalEndsWithSummaryAndAFileThatLoads)
{
    for (const int number : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(number));
        const std::string file = path("meter-" + std::to_string(number) + ".txt");
        Cli log({"log", file, "--demo"});
        ASSERT_TRUE(waitForRows(file, 3));
        Cli convert({"convert", file, path("copy.xml")});
        EXPECT_EQ(convert.wait(10s), 0) << convert.err;
        log.signal(number);
        ASSERT_EQ(log.wait(10s), 0) << log.err;
        const std::optional<std::size_t> rows = rowsIn(file);
        ASSERT_TRUE(rows);
        EXPECT_EQ(log.out, "zqmeter-cli log: " + std::to_string(*rows) + " rows in " + file + "\n");
    }
}

// A killed log leaves whole lines only: the file loads with what it had.
TEST_F(LogProcess, KilledLogLeavesAFileThatLoads)
{
    const std::string file = path("meter.txt");
    Cli log({"log", file, "--demo"});
    ASSERT_TRUE(waitForRows(file, 3));
    log.signal(SIGKILL);
    EXPECT_EQ(log.wait(10s), 128 + SIGKILL);
    EXPECT_GE(rowsIn(file).value_or(0), 3u);
}

// A disk that fills as the log runs (here a file-size limit, which fails
// the write the same way): the file's name and the system's reason, exit
// status 1, and the rows written before stay in a file that loads.
TEST_F(LogProcess, FullDiskEndsItAndKeepsTheRows)
{
    const std::string file = path("meter.txt");
    const rlim_t kBytes = TextTableFile::header().size() + 4 * 40;  // the header, then a few rows
    Cli log({"log", file, "--demo"}, kBytes);
    ASSERT_EQ(log.wait(15s), 1) << log.err;
    EXPECT_NE(log.err.find("zqmeter-cli log: cannot write " + file + ": File too large\n"), std::string::npos)
        << log.err;
    EXPECT_GE(rowsIn(file).value_or(0), 2u);
    EXPECT_LE(std::filesystem::file_size(file), kBytes);
    EXPECT_EQ(log.out, "");
}

// The folder removed from under the log: noticed at the next flush.
TEST_F(LogProcess, RemovedFolderEndsIt)
{
    const std::string inner = path("logs");
    std::filesystem::create_directory(inner);
    const std::string file = inner + "/meter.txt";
    Cli log({"log", file, "--demo", "--csv", inner + "/meter.csv"});
    ASSERT_TRUE(waitForRows(file, 2));
    std::filesystem::remove_all(inner);
    ASSERT_EQ(log.wait(10s), 1) << log.err;
    EXPECT_NE(log.err.find("zqmeter-cli log: cannot write " + file + ": the file was removed\n"), std::string::npos)
        << log.err;
}

}  // namespace
