// A simulated day of logging with a flaky cable: the meter session on the
// simulated platform with a driven clock, faults at random, every recorded
// row compared with what the meter sent, memory and lists watched.
// Run: zq_soak_bench [--hours H] [--seed N] [--replugs PER_HOUR] [--burst-share F]
//        [--others PER_HOUR] [--read-errors PER_HOUR] [--garbled RATE] [--cut RATE]
//        [--long RATE] [--flip RATE] [--rss-slack MIB] [--no-reconnect]
// Rates of line faults are per input report. Exit status 1 when a check failed.

#include "soak/soak_driver.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    SoakOptions options;
    struct Flag {
        const char* name;
        double* value;
    };
    double seed = static_cast<double>(options.Seed);
    const Flag flags[] = {
        {"--hours", &options.Hours},           {"--seed", &seed},
        {"--replugs", &options.ReplugsPerHour}, {"--burst-share", &options.BurstShare},
        {"--others", &options.OtherDevicesPerHour}, {"--read-errors", &options.ReadErrorsPerHour},
        {"--garbled", &options.GarbledCountRate}, {"--cut", &options.CutShortRate},
        {"--long", &options.RunLongRate},       {"--flip", &options.FlipRate},
        {"--rss-slack", &options.RssSlackMiB},
    };
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-reconnect") == 0) {
            options.UserReconnects = false;
            continue;
        }
        bool known = false;
        for (const Flag& flag : flags) {
            if (std::strcmp(argv[i], flag.name) == 0 && i + 1 < argc) {
                char* end = nullptr;
                *flag.value = std::strtod(argv[++i], &end);
                known = end && *end == '\0';
                break;
            }
        }
        if (!known) {
            std::fprintf(stderr, "usage: %s [--hours H] [--seed N] [--replugs R] [--burst-share F] [--others R]"
                                 " [--read-errors R] [--garbled P] [--cut P] [--long P] [--flip P] [--rss-slack MIB] [--no-reconnect]\n",
                         argv[0]);
            return 2;
        }
    }
    options.Seed = static_cast<uint64_t>(seed);

    const auto start = std::chrono::steady_clock::now();
    const SoakResult result = runSoak(options, [](std::string_view text) {
        std::printf("%.*s\n", static_cast<int>(text.size()), text.data());
        std::fflush(stdout);
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("real time %.1f s (%.0f simulated seconds a second)\n", seconds,
                static_cast<double>(result.SimulatedMs) / 1000.0 / seconds);
    return result.passed() ? 0 : 1;
}
