// The session's statistics of cds1 and its limits of the main reading.

#include "app/meter_session.h"
#include "meter/reading_number.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kFrame = "000123422205105182075418DA";

struct Session {
    MeterSession session;
    Session()
    {
        session.FormCreate(".");
        session.setTimeOfDay([] { return 8 * 3600; });
    }
    void record(int readings)
    {
        for (int i = 0; i < readings; ++i)
            session.ShowDataQ7(kFrame);
    }
    double reading() const { return *readingNumber(session.decoder().reading().ValueText); }
};

}  // namespace

TEST(SessionStatistics, FollowTheTableRowByRowAndStartAgainWhenItIsEmptied)
{
    Session s;
    int told = 0;
    s.session.onStatisticsChanged = [&] { ++told; };
    s.record(3);
    const RecordStatistics& statistics = s.session.statistics();
    EXPECT_EQ(statistics.rows(), 3u);
    EXPECT_EQ(told, 3);
    EXPECT_EQ(statistics.groups().front().count, 3u);
    // Without a poster everything is taken at once: nothing is pending.
    EXPECT_FALSE(s.session.statisticsPending());
    // Equal to the statistics of the whole table computed afresh.
    EXPECT_EQ(statistics.groups(), RecordStatistics::of(s.session.cds1(), s.session.cds1().rowCount()).groups());

    s.session.cds1().clear();
    EXPECT_EQ(s.session.statistics().rows(), 0u);
    EXPECT_TRUE(s.session.statistics().groups().empty());
    s.record(1);
    EXPECT_EQ(s.session.statistics().rows(), 1u);
}

TEST(SessionStatistics, ALimitCrossedAndClearedIsAnEventOnce)
{
    Session s;
    s.record(1);
    const double value = s.reading();
    EXPECT_EQ(s.session.limitEventCount(), 0u);  // no limits: nothing judged

    s.session.setLimits(ReadingLimits(value - 0.1, std::nullopt, 0));
    s.record(3);
    ASSERT_EQ(s.session.limitEventCount(), 1u);
    const MeterSession::LimitEvent& event = s.session.limitEvents().back();
    EXPECT_EQ(event.which, ReadingLimits::Which::High);
    EXPECT_EQ(event.kind, ReadingLimits::Kind::Crossed);
    EXPECT_EQ(event.time, "08:00:00");
    EXPECT_EQ(event.unit, s.session.decoder().reading().UnitText);
    char limit[32];
    std::snprintf(limit, sizeof limit, "%.10g", value - 0.1);
    const std::string valueText = s.session.decoder().reading().ValueText;
    EXPECT_EQ(MeterSession::limitEventText(event),
              "08:00:00 high limit " + std::string(limit) + " crossed: " +
                  valueText.substr(valueText.find_first_not_of(' ')) + " " + event.unit);

    // Raised above the reading: it is inside again, said once.
    s.session.setLimits(ReadingLimits(value + 1, std::nullopt, 0));
    s.record(2);
    EXPECT_EQ(s.session.limitEventCount(), 1u);  // new limits start inside
    EXPECT_EQ(s.session.limits().state(), ReadingLimits::State::Inside);
}

TEST(SessionStatistics, OnlyTheNewestLimitEventsAreKept)
{
    Session s;
    s.record(1);
    const double value = s.reading();
    // A limit at the reading, crossed and cleared by turns: every reading is an event.
    for (std::size_t i = 0; i < MeterSession::kLimitEventLimit + 10; ++i) {
        s.session.setLimits(ReadingLimits(value - 1, std::nullopt, 0));
        s.record(1);
    }
    EXPECT_EQ(s.session.limitEventCount(), MeterSession::kLimitEventLimit + 10);
    EXPECT_EQ(s.session.limitEvents().size(), MeterSession::kLimitEventLimit);
}
