#include "meter/dial_geometry.h"

#include <gtest/gtest.h>

namespace {

DialRange rangeOfType(int32_t type)
{
    DialRange range;
    range.SelectDialRange(type);
    return range;
}

TEST(DialGeometry, ArcOfTheLayoutPanel)
{
    const DialGeometry geometry(kDialPanelWidth, kDialPanelHeight);
    EXPECT_EQ(geometry.chord(), 329.0f);
    EXPECT_EQ(geometry.rise(), 93.0f);
    EXPECT_NEAR(geometry.radius(), 191.98521, 1e-4);
    EXPECT_NEAR(geometry.arcDegrees(), 117.92999, 1e-4);
    EXPECT_NEAR(geometry.startDegrees(), 31.035007, 1e-5);
}

// The needle at the centre and at both ends is the same on every range,
// since only the ratio of value to span counts.
TEST(DialGeometry, NeedleAtCentreAndEndsOnEveryRange)
{
    const DialGeometry geometry(kDialPanelWidth, kDialPanelHeight);
    for (int32_t type : {0, 1, 3}) {
        const DialRange range = rangeOfType(type);
        SCOPED_TRACE(type);
        const DialNeedle centre = geometry.needle(range.DialCentre, range.DialStep);
        EXPECT_EQ(centre.tip, (DialPoint{185, 34}));
        EXPECT_EQ(centre.base, (DialPoint{184, 403}));
        const DialNeedle left = geometry.needle(0, range.DialStep);
        EXPECT_EQ(left.tip, (DialPoint{20, 127}));
        EXPECT_EQ(left.base, (DialPoint{485, 403}));
        const DialNeedle right = geometry.needle(10 * range.DialStep, range.DialStep);
        EXPECT_EQ(right.tip, (DialPoint{349, 127}));
        EXPECT_EQ(right.base, (DialPoint{-116, 403}));
    }
}

TEST(DialGeometry, NeedleBeyondTheScaleIsNotClampedButStaysFinite)
{
    const DialGeometry geometry(kDialPanelWidth, kDialPanelHeight);
    const DialNeedle below = geometry.needle(-180, 120);
    EXPECT_LT(below.tip.x, 20);
    EXPECT_GT(below.tip.y, 127);
    const DialNeedle above = geometry.needle(1300, 120);
    EXPECT_GT(above.tip.x, 349);
    for (int32_t far : {-2'000'000'000, -100'000, 100'000, 2'000'000'000}) {
        const DialNeedle needle = geometry.needle(far, 120);
        EXPECT_LT(std::abs(needle.base.x), 300'000) << far;
        EXPECT_EQ(needle.base.y, 403);
    }
}

TEST(DialGeometry, ScaleOfSixDivisions)
{
    const DialGeometry geometry(kDialPanelWidth, kDialPanelHeight);
    const DialScale scale = geometry.scale(rangeOfType(0));
    ASSERT_EQ(scale.labels.size(), 9u);
    EXPECT_EQ(scale.labels.front().text, "-600");
    EXPECT_EQ(scale.labels.front().topLeft, (DialPoint{0, 107}));
    EXPECT_EQ(scale.labels.back().text, "600");
    EXPECT_EQ(scale.labels.back().topLeft, (DialPoint{349, 107}));
    ASSERT_EQ(scale.majorMarks.size(), 9u);
    EXPECT_EQ(scale.majorMarks.front(), (DialPoint{15, 120}));
    ASSERT_EQ(scale.band.size(), 1201u);
    EXPECT_EQ(scale.band.front(), (DialPoint{17, 121}));
    EXPECT_EQ(scale.band[600], (DialPoint{185, 27}));
    EXPECT_EQ(scale.band.back(), (DialPoint{352, 121}));
}

TEST(DialGeometry, OtherRangesMarkAndLabelTheirOwnSteps)
{
    const DialGeometry geometry(kDialPanelWidth, kDialPanelHeight);
    const DialScale degrees = geometry.scale(rangeOfType(1));
    EXPECT_EQ(degrees.majorMarks.size(), 3u);  // steps 0, 25 and 50
    EXPECT_EQ(degrees.labels.size(), 9u);
    EXPECT_EQ(degrees.labels[3].text, "-90");
    EXPECT_EQ(degrees.band.size(), 721u);
    const DialScale powerFactor = geometry.scale(rangeOfType(3));
    EXPECT_TRUE(powerFactor.majorMarks.empty());
    EXPECT_EQ(powerFactor.labels.back().text, "1");
    EXPECT_EQ(powerFactor.band.size(), 2001u);
}

}  // namespace
