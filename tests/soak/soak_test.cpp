// A simulated hour of the day-long soak (zq_soak_bench runs the day): the
// meter session on a flaky cable must record only the meter's readings,
// keep its lists bounded and get the link back after every replug.

#include "soak/soak_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

TEST(Soak, AnHourOnAFlakyCableRecordsOnlyTheMetersReadings)
{
    SoakOptions options;
    options.Hours = 1;
    options.Seed = 7;
    // Denser than the day's rates, so that an hour sees every fault often.
    options.ReplugsPerHour = 40;
    options.BurstShare = 0.25;
    options.OtherDevicesPerHour = 40;
    options.ReadErrorsPerHour = 40;
    options.GarbledCountRate = options.CutShortRate = options.RunLongRate = options.FlipRate = 4e-4;

    const SoakResult r = runSoak(options, [](std::string_view line) { std::printf("%.*s\n", int(line.size()), line.data()); });
    EXPECT_TRUE(r.passed()) << joined(r.Failures);

    EXPECT_EQ(r.SimulatedMs, 3600000u);
    EXPECT_GT(r.Replugs, 10u);
    EXPECT_GT(r.Bursts, 0u);
    EXPECT_EQ(r.LinkBack, r.Replugs);
    EXPECT_GT(r.OtherDeviceArrivals, 10u);
    EXPECT_GT(r.ReportsTampered, 100u);
    // The faults did cost frames: garbled ones were dropped, not decoded.
    EXPECT_LT(r.FramesDecoded, r.FramesOnTheLine);
    // Each recorded row was checked against the meter's frame, or came from
    // a frame the line turned into another valid one.
    EXPECT_EQ(r.RowsVerified + r.RowsGarbledOnTheLine, r.RowsRecorded);
    EXPECT_LT(r.RowsGarbledOnTheLine, r.RowsRecorded / 100);
    // Faults cost a few frames, not the hour.
    EXPECT_GT(r.RowsRecorded, r.FramesMeterSent * 9 / 10);
    EXPECT_EQ(r.Stalls, 0u);
}

// The window does not reconnect by itself once a replug lost the link; with
// no one clicking "Connect" the soak must say so, not pass.
TEST(Soak, ALinkNoOneRestoresFailsTheRun)
{
    SoakOptions options;
    options.Hours = 0.25;
    options.Seed = 7;
    options.ReplugsPerHour = 40;
    options.BurstShare = 0;
    options.UserReconnects = false;

    const SoakResult r = runSoak(options, [](std::string_view) {});
    ASSERT_GT(r.Replugs, 0u);
    EXPECT_FALSE(r.passed());
    EXPECT_LT(r.LinkBack, r.Replugs);
    EXPECT_NE(joined(r.Failures).find("the link was not back"), std::string::npos) << joined(r.Failures);
}

}  // namespace
