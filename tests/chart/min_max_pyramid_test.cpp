#include "chart/min_max_pyramid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

/// The span as a plain scan finds it, NaN left out.
ChartValueSpan bruteSpan(const std::vector<double>& values, int64_t first, int64_t end)
{
    ChartValueSpan span;
    first = std::max<int64_t>(first, 0);
    end = std::min<int64_t>(end, static_cast<int64_t>(values.size()));
    bool any = false;
    for (int64_t i = first; i < end; ++i) {
        const double v = values[static_cast<std::size_t>(i)];
        if (std::isnan(v))
            continue;
        span.min = any ? std::min(span.min, v) : v;
        span.max = any ? std::max(span.max, v) : v;
        any = true;
    }
    return span;
}

/// Whole numbers within a narrow band, so equal extremes are common, and now
/// and then a far one.
std::vector<double> randomValues(std::size_t count, uint64_t seed)
{
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<int> value(-500, 500);
    std::uniform_int_distribution<int> rare(0, 999);
    std::vector<double> values(count);
    for (double& v : values)
        v = rare(random) == 0 ? value(random) * 100.0 : value(random);
    return values;
}

struct Summarised {
    explicit Summarised(std::vector<double> v) : values(std::move(v))
    {
        for (double value : values)
            pyramid.append(value);
    }
    ChartValueSpan span(int64_t first, int64_t end) const
    {
        return pyramid.span(first, end, [this](int64_t i) {
            ++raw;
            return values[static_cast<std::size_t>(i)];
        });
    }

    std::vector<double> values;
    MinMaxPyramid pyramid;
    mutable int64_t raw = 0;
};

TEST(MinMaxPyramid, EveryStretchOfShortRunsMatchesAScan)
{
    // Around the block sizes of the lowest two levels.
    for (const std::size_t count : {0u, 1u, 2u, 63u, 64u, 65u, 127u, 128u, 129u, 191u, 257u}) {
        const Summarised run(randomValues(count, count));
        ASSERT_EQ(run.pyramid.size(), static_cast<int64_t>(count));
        const int64_t n = static_cast<int64_t>(count);
        for (int64_t first = -1; first <= n + 1; ++first)
            for (int64_t end = first - 1; end <= n + 2; ++end)
                ASSERT_EQ(run.span(first, end), bruteSpan(run.values, first, end))
                    << count << " points, " << first << " to " << end;
    }
}

TEST(MinMaxPyramid, LongRunsMatchAScanAndReadFewRawPoints)
{
    for (const std::size_t count : {4095u, 4096u, 4097u, 64u * 64u * 3u + 17u, 300'007u}) {
        const Summarised run(randomValues(count, count));
        const int64_t n = static_cast<int64_t>(count);
        std::mt19937_64 random(7);
        std::uniform_int_distribution<int64_t> at(0, n);
        std::vector<std::pair<int64_t, int64_t>> stretches = {{0, n}, {1, n}, {0, n - 1}, {64, n - 64}, {63, 65}};
        for (int i = 0; i < 200; ++i) {
            const int64_t a = at(random), b = at(random);
            stretches.emplace_back(std::min(a, b), std::max(a, b) + 1);
        }
        for (const auto& [first, end] : stretches) {
            run.raw = 0;
            ASSERT_EQ(run.span(first, end), bruteSpan(run.values, first, end))
                << count << " points, " << first << " to " << end;
            // The ends of at most two partial blocks, whatever the length.
            EXPECT_LE(run.raw, 2 * MinMaxPyramid::kLowestBlock);
        }
    }
}

TEST(MinMaxPyramid, EachAppendIsSeenAtOnceAcrossBlockBoundaries)
{
    const std::vector<double> values = randomValues(64 * 64 * 2 + 100, 3);
    Summarised run({});
    std::mt19937_64 random(11);
    for (double value : values) {
        run.values.push_back(value);
        run.pyramid.append(value);
        const int64_t n = run.pyramid.size();
        std::uniform_int_distribution<int64_t> at(0, n - 1);
        for (const int64_t first : {int64_t{0}, n - 1, at(random), n - 65 < 0 ? int64_t{0} : n - 65}) {
            ASSERT_EQ(run.span(first, n), bruteSpan(run.values, first, n)) << n << " points from " << first;
        }
    }
}

TEST(MinMaxPyramid, NaNIsNoValue)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values(300, nan);
    values[5] = 4;
    values[200] = -2;
    const Summarised run(values);
    EXPECT_EQ(run.span(0, 300), (ChartValueSpan{-2, 4}));
    EXPECT_TRUE(run.span(6, 200).empty());
    EXPECT_TRUE(run.span(64, 192).empty());
}

TEST(MinMaxPyramid, ClearForgetsThePointsAndTheirMemory)
{
    Summarised run(randomValues(100'000, 5));
    EXPECT_GT(run.pyramid.memoryBytes(), 0u);
    run.pyramid.clear();
    EXPECT_EQ(run.pyramid.size(), 0);
    EXPECT_EQ(run.pyramid.memoryBytes(), 0u);
    run.values = randomValues(1000, 6);
    for (double value : run.values)
        run.pyramid.append(value);
    EXPECT_EQ(run.span(0, 1000), bruteSpan(run.values, 0, 1000));
    EXPECT_EQ(run.span(500, 1000), bruteSpan(run.values, 500, 1000));
}

TEST(MinMaxPyramid, HoldsAboutHalfAByteAPoint)
{
    MinMaxPyramid pyramid;
    const int64_t points = 3'000'000;
    for (int64_t i = 0; i < points; ++i)
        pyramid.append(static_cast<double>(i % 1000));
    // Half a byte, and up to as much again for the reserve a vector grows by.
    EXPECT_LE(static_cast<double>(pyramid.memoryBytes()) / static_cast<double>(points), 1.0);
}

}  // namespace
