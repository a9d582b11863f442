// Statistics of the record table: the cost of one add() as the table grows
// (it must not grow with it), how close ten million rows come to an exact
// mean and stddev, and `zqmeter-cli stats` over a text file against the plain
// load of that file.
//
//   zq_statistics_bench [FOLDER [ROWS]]   (default: ., 10000000)

#include "cli/convert_command.h"
#include "cli/stats_command.h"
#include "meter/reading_number.h"
#include "record/record_file.h"
#include "record/record_statistics.h"
#include "record/record_table.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <streambuf>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

/// CPU time of the calling thread [s]: on a shared machine it says more
/// about the code than the wall clock does.
double cpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long fileSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return static_cast<long>(in.tellg());
}

/// A row as the meter records one a second: a load that drifts over the
/// day with some noise, shown to four digits as the LCD shows it, units that
/// change now and then, an overload now and then, the clock passing midnight.
RecordRow reading(std::size_t i)
{
    static const char* const units[] = {"KW", "KVA", "KVAr", "PF"};
    RecordRow row;
    row.setNo(static_cast<std::int32_t>(i % 10000000 + 1));
    const std::size_t s = (43200 + i) % 86400;
    char text[24];
    std::snprintf(text, sizeof text, "%02zu:%02zu:%02zu", s / 3600, s / 60 % 60, s % 60);
    row.setText(RecordField::Time, text);
    const double noise = static_cast<double>(i * 2654435761u % 1000) / 1000.0 - 0.5;
    const double load = 1.5 + std::sin(static_cast<double>(i) / 7200.0) + 0.05 * noise;
    std::snprintf(text, sizeof text, "%.3f", load);
    row.setText(RecordField::Value, i % 1009 == 0 ? "OL" : text);
    row.setText(RecordField::Unit, units[i / 997 % 4]);
    row.setText(RecordField::V_Value, i % 2 ? "230.1" : "229.9");
    row.setText(RecordField::V_Unit, "V");
    std::snprintf(text, sizeof text, "%.2f", load * 4.35);
    row.setText(RecordField::I_Value, text);
    row.setText(RecordField::I_Unit, "A");
    return row;
}

/// Mean and population stddev of every (field, unit) in two passes of long
/// double, to hold the running figures against.
std::map<std::pair<int, std::string>, std::pair<long double, long double>> reference(const RecordTable& table)
{
    const RecordField values[] = {RecordField::Value, RecordField::V_Value, RecordField::I_Value};
    const RecordField units[] = {RecordField::Unit, RecordField::V_Unit, RecordField::I_Unit};
    struct Sums {
        long double n = 0, sum = 0, squares = 0;
    };
    std::map<std::pair<int, std::string>, Sums> sums;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t row = 0; row < table.rowCount(); ++row) {
            for (int k = 0; k < 3; ++k) {
                const std::optional<std::string_view> text = table.text(row, values[k]);
                const std::optional<double> x = text ? readingNumber(*text) : std::nullopt;
                if (!x)
                    continue;
                Sums& s = sums[{k, std::string(table.text(row, units[k]).value_or(""))}];
                if (pass == 0) {
                    s.n += 1;
                    s.sum += *x;
                } else {
                    const long double d = *x - s.sum / s.n;
                    s.squares += d * d;
                }
            }
        }
    }
    std::map<std::pair<int, std::string>, std::pair<long double, long double>> result;
    for (const auto& [key, s] : sums)
        result[key] = {s.sum / s.n, std::sqrt(s.squares / s.n)};
    return result;
}

/// An output that drops what it is given, as a terminal that keeps up would.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : ".";
    const std::size_t rows = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 10000000;
    constexpr std::size_t kBlock = 100000;

    // --- add() as the table grows ------------------------------------------
    RecordTable table;
    RecordStatistics statistics;
    std::vector<double> blockNs;  // CPU ns per add() of each block
    double addSeconds = 0;
    for (std::size_t first = 0; first < rows + kBlock; first += kBlock) {
        for (std::size_t i = first; i < first + kBlock; ++i)
            table.appendRow(reading(i));
        const double start = cpuSeconds();
        for (std::size_t i = first; i < first + kBlock; ++i)
            statistics.add(table, i);
        const double spent = cpuSeconds() - start;
        addSeconds += spent;
        blockNs.push_back(spent / kBlock * 1e9);
    }
    std::printf("add(): ns per row (CPU), blocks of %zu rows\n", kBlock);
    std::vector<std::size_t> marks = {0, 1000000, rows};
    std::sort(marks.begin(), marks.end());
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
    for (std::size_t at : marks)
        if (at <= rows)
            std::printf("  at %9zu rows: %7.1f\n", at, blockNs[at / kBlock]);
    const auto [least, most] = std::minmax_element(blockNs.begin(), blockNs.end());
    std::printf("  all %zu rows: mean %.1f, fastest block %.1f, slowest block %.1f\n", table.rowCount(),
                addSeconds / static_cast<double>(table.rowCount()) * 1e9, *least, *most);

    // --- numbers ----------------------------------------------------------------
    const auto exact = reference(table);
    double worstMean = 0, worstStddev = 0;
    for (const StatisticsGroup& group : statistics.groups()) {
        if (!group.mean)
            continue;
        const int k = group.field == RecordField::Value ? 0 : group.field == RecordField::V_Value ? 1 : 2;
        const auto& [mean, stddev] = exact.at({k, group.unit});
        worstMean = std::max(worstMean, static_cast<double>(std::fabs((*group.mean - mean) / mean)));
        worstStddev = std::max(worstStddev, static_cast<double>(std::fabs((*group.stddev - stddev) / stddev)));
    }
    std::printf("against two passes in long double, largest relative error: mean %.2g, stddev %.2g\n", worstMean,
                worstStddev);
    std::printf("%s", statistics.text().c_str());

    // --- stats against the plain load ---------------------------------------------
    const std::string file = folder + "/statistics_bench_" + std::to_string(::getpid()) + ".txt";
    if (!saveRecordFile(file, table.reader())) {
        std::fprintf(stderr, "could not write %s\n", file.c_str());
        return 1;
    }
    const std::size_t fileRows = table.rowCount();
    table.clear();
    statistics.clear();
    const double megabytes = static_cast<double>(fileSize(file)) / 1e6;

    std::ostringstream messages;
    NullBuffer drop;
    std::ostream nowhere(&drop);
    double bestLoad = 1e30, bestStats = 1e30, bestOf = 1e30;
    double bestLoadCpu = 1e30, bestStatsCpu = 1e30;
    for (int round = 0; round < 3; ++round) {
        {
            RecordTable loaded;
            const Clock::time_point start = Clock::now();
            const double cpu = cpuSeconds();
            if (!openRecordFileHeadless(loaded, file, messages))
                return 1;
            bestLoad = std::min(bestLoad, seconds(start));
            bestLoadCpu = std::min(bestLoadCpu, cpuSeconds() - cpu);
            const double ofStart = cpuSeconds();
            const RecordStatistics whole = RecordStatistics::of(loaded, loaded.rowCount());
            bestOf = std::min(bestOf, cpuSeconds() - ofStart);
            if (whole.rows() != fileRows)
                return 1;
        }
        const Clock::time_point start = Clock::now();
        const double cpu = cpuSeconds();
        if (runStatsCommand({file}, nowhere, messages) != 0)
            return 1;
        bestStats = std::min(bestStats, seconds(start));
        bestStatsCpu = std::min(bestStatsCpu, cpuSeconds() - cpu);
    }
    ::unlink(file.c_str());
    std::printf("text file of %zu rows, %.0f MB (best of 3):\n", fileRows, megabytes);
    std::printf("  plain load:      %6.2f s (CPU %6.2f s), %6.0f MB/s, %5.2f M rows/s\n", bestLoad, bestLoadCpu,
                megabytes / bestLoad, static_cast<double>(fileRows) / bestLoad / 1e6);
    std::printf("  stats command:   %6.2f s (CPU %6.2f s), %6.0f MB/s, %5.2f M rows/s\n", bestStats, bestStatsCpu,
                megabytes / bestStats, static_cast<double>(fileRows) / bestStats / 1e6);
    std::printf("  of() alone:      %6.2f s CPU, %.1f ns a row\n", bestOf, bestOf / static_cast<double>(fileRows) * 1e9);
    std::printf("  stats over load: +%.0f %% (wall), +%.0f %% (CPU)\n", (bestStats / bestLoad - 1) * 100,
                (bestStatsCpu / bestLoadCpu - 1) * 100);
    return 0;
}
