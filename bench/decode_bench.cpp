// Frames decoded per second: the decoder, the LCD model and the rest of
// the meter session, no painting. Run: zq_decode_bench

#include "app/meter_session.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string>

namespace {

// A mix a meter sends: power readings, units switching, flags, overloads.
const std::array<std::string, 8> kFrames{
    "000123422205105182075418DA", "000123522205105182075418DA", "100045122301104122080000DA",
    "200012312299105022080100DA", "300095032301104122080001DA", "400012312301104122080000DA",
    "500500022301104122080000DA", "000123402205105182070200DA",
};

void BM_ShowDataQ7(benchmark::State& bench)
{
    MeterSession session;
    session.FormCreate(".");
    std::size_t i = 0;
    for (auto _ : bench) {
        benchmark::DoNotOptimize(session.ShowDataQ7(kFrames[i]));
        session.lcd().takeChanges();
        i = (i + 1) % kFrames.size();
    }
    bench.counters["frames/s"] = benchmark::Counter(static_cast<double>(bench.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ShowDataQ7);

}  // namespace

BENCHMARK_MAIN();
