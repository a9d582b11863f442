// Input reports per second through the frame assembly and the decoder, as a
// connected program receives them, headless. Run: zq_replay_bench

#include "app/meter_session.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

using Report = std::array<uint8_t, 8>;  // count byte and up to 7 serial bytes

// What the cable delivers for one meter frame: its 26 bytes in reports of at
// most 7, then the idle reports until the next frame (about 40 at 12 ms).
std::vector<Report> cableStream()
{
    const char* frames[] = {"000123422205105182075418DA", "100045122301104122080000DA",
                            "300095032301104122080001DA", "500500022301104122080000DA"};
    std::vector<Report> reports;
    for (const char* frame : frames) {
        for (std::size_t at = 0; at < 26; at += 7) {
            Report report{};
            const std::size_t n = std::min<std::size_t>(7, 26 - at);
            report[0] = static_cast<uint8_t>(0xF0 | n);
            for (std::size_t i = 0; i < n; ++i) {
                const char c = frame[at + i];
                report[1 + i] = static_cast<uint8_t>(0x30 | (c <= '9' ? c - '0' : c - 'A' + 10));
            }
            reports.push_back(report);
        }
        for (int idle = 0; idle < 40; ++idle)
            reports.push_back(Report{0xF0});
    }
    return reports;
}

void BM_ReadQ7(benchmark::State& bench)
{
    MeterSession session;
    session.FormCreate(".");
    const std::vector<Report> stream = cableStream();
    std::size_t i = 0;
    for (auto _ : bench) {
        const Report& report = stream[i];
        session.link().assembleReport(0, report.data(), static_cast<uint16_t>(report.size()));
        session.lcd().takeChanges();
        if (++i == stream.size())
            i = 0;
    }
    bench.counters["reports/s"] =
        benchmark::Counter(static_cast<double>(bench.iterations()), benchmark::Counter::kIsRate);
    bench.counters["frames"] = static_cast<double>(session.decoder().decodedFrames());
}
BENCHMARK(BM_ReadQ7);

}  // namespace

BENCHMARK_MAIN();
