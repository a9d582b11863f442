// Record files: save and load speed [MB/s], a load's peak memory against
// the table's own, and the longest the main thread is held up while a
// save or load runs beside recording.
//
//   zq_record_file_bench [FOLDER [ROWS...]]   (default: ., 1000000 10000000)

#include "record/record_file.h"
#include "record/record_file_commands.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <fstream>
#include <malloc.h>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double threadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

/// CPU time of the process [s]: on a shared machine it says more about the
/// code than the wall clock does.
double cpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

/// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
long statusKiB(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    return 0;
}

/// Starts a new peak: the high-water mark falls back to the current size.
void resetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

double mib(double bytes) { return bytes / (1024.0 * 1024.0); }

long fileSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return static_cast<long>(in.tellg());
}

RecordRow reading(std::size_t i)
{
    static const char* const units[] = {"KW", "KVA", "KVAr", "PF"};
    RecordRow row;
    row.setNo(static_cast<std::int32_t>(i + 1));
    const std::size_t s = i % 86400;
    char time[16];
    std::snprintf(time, sizeof time, "%02zu:%02zu:%02zu", s / 3600, s / 60 % 60, s % 60);
    row.setText(RecordField::Time, time);
    row.setText(RecordField::Value, std::to_string(1000 + i % 3000 / 3) + "." + std::to_string(i % 10));
    row.setText(RecordField::Unit, units[i / 997 % 4]);
    row.setText(RecordField::V_Value, std::to_string(220 + i % 20) + ".1");
    row.setText(RecordField::V_Unit, "v");
    row.setText(RecordField::I_Value, std::to_string(i % 50) + ".02");
    row.setText(RecordField::I_Unit, "A");
    return row;
}

/// The main thread of the bench: runs what the file work posts, records a
/// row every millisecond meanwhile and notes the longest gap.
class MainLoop {
public:
    RecordFileJob::Post poster()
    {
        return [this](std::function<void()> f) {
            std::lock_guard lock(mutex_);
            posted_.push_back(std::move(f));
        };
    }
    /// Until @p files is idle: the longest stretch without a turn [ms].
    double run(RecordFileCommands& files, RecordTable& table, std::size_t& nextRow)
    {
        double longest = 0;
        Clock::time_point last = Clock::now();
        while (files.busy()) {
            std::deque<std::function<void()>> due;
            {
                std::lock_guard lock(mutex_);
                due.swap(posted_);
            }
            const double turnCpu = threadCpuSeconds();
            for (auto& f : due)
                f();
            table.appendRow(reading(nextRow++));
            longestCpu_ = std::max(longestCpu_, (threadCpuSeconds() - turnCpu) * 1e3);
            const Clock::time_point now = Clock::now();
            longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            last = Clock::now();
        }
        return longest;
    }

    /// The most CPU time one turn took [ms]: the code's own share of the
    /// longest turn, whatever else the machine was running.
    double longestCpu() const { return longestCpu_; }

private:
    double longestCpu_ = 0;
    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
};

void benchRows(const std::string& folder, std::size_t rows)
{
    std::printf("--- %zu rows\n", rows);
    Clock::time_point start;
    RecordTable table;
    for (std::size_t i = 0; i < rows; ++i)
        table.appendRow(reading(i));
    {
        // The table's own cost of taking rows, which every load pays.
        std::vector<RecordRow> made;
        const std::size_t sample = std::min<std::size_t>(rows, 1000000);
        for (std::size_t i = 0; i < sample; ++i)
            made.push_back(reading(i));
        RecordTable appended;
        const Clock::time_point appending = Clock::now();
        const double appendingCpu = cpuSeconds();
        for (const RecordRow& row : made)
            appended.appendRow(row);
        std::printf("table appendRow alone: %.0f ns a row (%.0f ns of CPU)\n",
                    seconds(appending) * 1e9 / static_cast<double>(sample),
                    (cpuSeconds() - appendingCpu) * 1e9 / static_cast<double>(sample));
    }
    const double tableMiB = mib(static_cast<double>(table.memoryBytes()));
    std::printf("table: %.1f MiB (%.1f bytes a row)\n", tableMiB,
                static_cast<double>(table.memoryBytes()) / static_cast<double>(rows));

    for (const char* ext : {".txt", ".xml"}) {
        const std::string path = folder + "/zq_record_file_bench" + ext;
        // /dev/null shows the writer alone, without the disk.
        const std::string devNull = folder + "/zq_record_file_bench_null" + ext;
        ::unlink(devNull.c_str());
        if (::symlink("/dev/null", devNull.c_str()) == 0) {
            start = Clock::now();
            saveRecordFile(devNull, table.reader());
            const double nullSeconds = seconds(start);
            ::unlink(devNull.c_str());
            std::printf("%s save to /dev/null: %.2f s\n", ext, nullSeconds);
        }
        start = Clock::now();
        double cpu = cpuSeconds();
        if (!saveRecordFile(path, table.reader()))
            std::printf("save to %s failed\n", path.c_str());
        const double saveSeconds = seconds(start);
        const double saveCpu = cpuSeconds() - cpu;
        const double size = static_cast<double>(fileSize(path));
        std::printf("%s save: %.1f MiB in %.2f s = %.0f MB/s (fsync included; %.0f MB/s of CPU)\n", ext, mib(size),
                    saveSeconds, size / 1e6 / saveSeconds, size / 1e6 / saveCpu);

        // Hand freed memory back first, so the peak counts the load alone.
        ::malloc_trim(0);
        const long before = statusKiB("VmRSS");
        resetPeak();
        start = Clock::now();
        cpu = cpuSeconds();
        RecordTable loaded;
        if (!LoadTable(path, loaded, false))
            std::printf("load of %s failed\n", path.c_str());
        const double loadSeconds = seconds(start);
        const double loadCpu = cpuSeconds() - cpu;
        const double peakMiB = static_cast<double>(statusKiB("VmHWM") - before) / 1024.0;
        const double loadedMiB = mib(static_cast<double>(loaded.memoryBytes()));
        std::printf("%s load: %.0f MB/s (%.0f MB/s of CPU); peak %.1f MiB over the start = table %.1f MiB + %.1f MiB\n",
                    ext, size / 1e6 / loadSeconds, size / 1e6 / loadCpu, peakMiB, loadedMiB, peakMiB - loadedMiB);
    }

    // The commands as the window runs them, recording meanwhile.
    for (const char* ext : {".txt", ".xml"}) {
        const std::string path = folder + "/zq_record_file_bench" + ext;
        MainLoop loop;
        RecordTable cds1;
        for (std::size_t i = 0; i < rows; ++i)
            cds1.appendRow(reading(i));
        std::size_t next = rows;
        RecordFileCommands files(cds1);
        files.post = loop.poster();
        files.Save_asClick(path);
        const double saveGap = loop.run(files, cds1, next);
        files.OpenClick(path);
        const double loadGap = loop.run(files, cds1, next);
        std::printf("%s main thread: longest turn %.2f ms during the save, %.2f ms during the load "
                    "(%zu rows recorded meanwhile; its longest turn took %.2f ms of CPU)\n",
                    ext, saveGap, loadGap, next - rows, loop.longestCpu());
        ::unlink(path.c_str());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : ".";
    std::vector<std::size_t> counts;
    for (int i = 2; i < argc; ++i)
        counts.push_back(std::stoul(argv[i]));
    if (counts.empty())
        counts = {1000000, 10000000};
    for (std::size_t rows : counts)
        benchRows(folder, rows);
    return 0;
}
