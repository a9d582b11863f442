// What the journal adds to a recorded row on the table's thread, from the
// first row to the last, and whether its writer keeps up: rows go into a
// table with the journal following it and into one without, block by
// block, and the difference per row is printed for every block. Prints
// figures, asserts nothing.
//
//   zq_journal_bench [rows] [folder]     (default 10000000, /tmp)

#include "record/record_journal.h"
#include "record/record_table.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double nsSince(Clock::time_point start) { return std::chrono::duration<double, std::nano>(Clock::now() - start).count(); }

std::string decimal(std::int64_t value, int decimals)
{
    std::string digits = std::to_string(value);
    while (static_cast<int>(digits.size()) <= decimals)
        digits.insert(0, "0");
    digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
    return digits;
}

/// A row as a site gives them: wandering power and voltage, the time of day.
RecordRow rowOf(std::int64_t n)
{
    RecordRow row;
    row.setNo(static_cast<std::int32_t>(n + 1));
    const std::int64_t seconds = (n / 2) % 86400;
    char time[16];
    std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    row.setText(RecordField::Time, time);
    row.setText(RecordField::Value, decimal(1000 + (n * 7919) % 4000, 3));
    row.setText(RecordField::Unit, "KW");
    row.setText(RecordField::V_Value, decimal(2150 + (n * 31) % 300, 1));
    row.setText(RecordField::V_Unit, "v");
    row.setText(RecordField::I_Value, decimal((n * 131) % 20000, 2));
    row.setText(RecordField::I_Unit, "A");
    return row;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::int64_t rows = argc > 1 ? std::atoll(argv[1]) : 10'000'000;
    const std::string base = argc > 2 ? argv[2] : "/tmp";
    std::string folder = base + "/zq-journal-bench-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }

    RecordTable plain;
    RecordTable journaled;
    RecordJournal journal(journaled);
    if (const std::string why = journal.start(folder); !why.empty()) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }

    const std::int64_t blocks = 10;
    const std::int64_t perBlock = rows / blocks;
    std::printf("%lld rows in %lld blocks; ns a row on the table's thread\n", static_cast<long long>(rows),
                static_cast<long long>(blocks));
    std::printf("%-22s %12s %12s %12s\n", "rows", "no journal", "journal", "added");
    double worstAdded = 0;
    for (std::int64_t block = 0; block < blocks; ++block) {
        const std::int64_t first = block * perBlock;
        // Rows are made apart, so the figures hold only the table and the journal.
        double plainNs = 0, journaledNs = 0;
        constexpr std::int64_t kBatch = 4096;
        for (std::int64_t at = first; at < first + perBlock; at += kBatch) {
            const std::int64_t end = std::min(at + kBatch, first + perBlock);
            static RecordRow batch[kBatch];
            for (std::int64_t n = at; n < end; ++n)
                batch[n - at] = rowOf(n);
            auto start = Clock::now();
            for (std::int64_t n = at; n < end; ++n)
                plain.appendRow(batch[n - at]);
            plainNs += nsSince(start);
            start = Clock::now();
            for (std::int64_t n = at; n < end; ++n)
                journaled.appendRow(batch[n - at]);
            journaledNs += nsSince(start);
        }
        const double added = (journaledNs - plainNs) / static_cast<double>(perBlock);
        worstAdded = std::max(worstAdded, added);
        char label[64];
        std::snprintf(label, sizeof label, "%lld .. %lld", static_cast<long long>(first + 1),
                      static_cast<long long>(first + perBlock));
        std::printf("%-22s %12.0f %12.0f %12.0f\n", label, plainNs / static_cast<double>(perBlock),
                    journaledNs / static_cast<double>(perBlock), added);
    }
    const auto start = Clock::now();
    const std::string failure = journal.flush();
    const double flushMs = nsSince(start) / 1e6;
    struct stat info {};
    ::stat(journal.path().c_str(), &info);
    std::printf("worst block: %.0f ns a row added by the journal (target: at most 5000)\n", worstAdded);
    std::printf("writer behind at the end: %.0f ms to write and flush the rest; journal %.1f MiB%s%s\n", flushMs,
                static_cast<double>(info.st_size) / (1024.0 * 1024.0), failure.empty() ? "" : "; failed: ",
                failure.c_str());
    journal.finish(true);
    ::rmdir(folder.c_str());
    return failure.empty() ? 0 : 1;
}
