#include "meter/reading_limits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Limits = ReadingLimits;

/// "H+" crossed the high limit, "H-" cleared it, "L+" and "L-" the low one.
std::string tokenOf(const std::vector<Limits::Event>& events)
{
    if (events.empty())
        return "-";
    std::string token;
    for (const Limits::Event& event : events) {
        token += event.which == Limits::Which::High ? 'H' : 'L';
        token += event.kind == Limits::Kind::Crossed ? '+' : '-';
    }
    return token;
}

/// Offers each reading, "VALUE" in KW or "UNIT VALUE", and gives one token a
/// reading, joined by blanks.
std::string trace(Limits& limits, const std::vector<std::string>& readings)
{
    std::string result;
    for (const std::string& reading : readings) {
        const std::size_t blank = reading.find(' ');
        const std::string unit = blank == std::string::npos ? "KW" : reading.substr(0, blank);
        const std::string value = blank == std::string::npos ? reading : reading.substr(blank + 1);
        if (!result.empty())
            result += ' ';
        result += tokenOf(limits.offerReading(value, unit));
    }
    return result;
}

TEST(ReadingLimits, SequencesOfReadingsGiveTheirEvents)
{
    const struct Case {
        const char* name;
        std::optional<double> high;
        std::optional<double> low;
        double hysteresis;
        std::vector<std::string> readings;
        const char* events;
    } cases[] = {
        {"only high, no hysteresis: equal is not above, and stays high until below",
         1.5, std::nullopt, 0, {"1.0", "1.5", "1.51", "1.5", "1.49", "1.6"}, "- - H+ - H- H+"},
        {"high with hysteresis: exactly at high - H stays high, below it clears",
         1.5, std::nullopt, 0.1, {"1.6", "1.45", "1.4", "1.3999", "1.45", "1.6"}, "H+ - - H- - H+"},
        {"only low with hysteresis: exactly at low + H stays low, above it clears",
         std::nullopt, 0.5, 0.1, {"0.6", "0.5", "0.49", "0.55", "0.6", "0.6001", "0.49"}, "- - L+ - - L- L+"},
        {"either decimal separator, negative readings",
         std::nullopt, -1.0, 0, {"-0,5", "-1.2", "-1", "-0,99"}, "- L+ - L-"},
        {"a jump from beyond one limit to beyond the other clears, then crosses",
         1.5, 0.5, 0.1, {"2.0", "0.1", "2.0", "1.0", "0.45", "0.55", "0.65"}, "H+ H-L+ L-H+ H- L+ - L-"},
        {"the boundaries of 1.1 - 0.2 and 0.7 + 0.2 are 0.9 as the meter shows it",
         1.1, 0.7, 0.2, {"1.2", "0.9", "0.8999", "0.6", "0.9", "0.9001"}, "H+ - H- L+ - L-"},
        {"overlapping bands: a reading beyond a limit wins over the other's hysteresis",
         1.0, 0.9, 0.2, {"1.1", "0.85", "0.95", "1.05", "0.95"}, "H+ H-L+ - L-H+ -"},
        {"no number keeps the state",
         1.5, std::nullopt, 0, {"1.6", "OL", "", "-OL", "1.55", "OL", "1.4"}, "H+ - - - - - H-"},
        {"a change of unit starts inside without an event; the new unit's readings are judged",
         1.5, std::nullopt, 0.1,
         {"1.6", "KVA 1.6", "KVA 1.0", "1.0", "1.6", "PF 0.9", "1.6", "KVA OL", "KVA 1.0", "KVA 1.7"},
         "H+ H+ H- - H+ - H+ - - H+"},
        {"low and high equal: the limit itself is inside, or keeps the state beyond it",
         1.0, 1.0, 0, {"1.0", "1.01", "1.0", "0.99", "1.0", "1.01"}, "- H+ - H-L+ - L-H+"},
        {"no limits: nothing is ever beyond", std::nullopt, std::nullopt, 0.5, {"1e9", "-5", "0", "999"},
         "- - - -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Limits limits(c.high, c.low, c.hysteresis);
        EXPECT_EQ(trace(limits, c.readings), c.events);
    }
}

TEST(ReadingLimits, StateAndUnitAsTheyStand)
{
    Limits limits(1.5, 0.5, 0.1);
    EXPECT_EQ(limits.state(), Limits::State::Inside);
    EXPECT_EQ(limits.offer(1.6), (std::vector<Limits::Event>{{Limits::Which::High, Limits::Kind::Crossed}}));
    EXPECT_EQ(limits.state(), Limits::State::High);
    EXPECT_EQ(limits.limit(Limits::Which::High), 1.5);
    EXPECT_EQ(limits.limit(Limits::Which::Low), 0.5);
    // What is no finite number gives nothing and keeps the state.
    EXPECT_TRUE(limits.offer(std::numeric_limits<double>::quiet_NaN()).empty());
    EXPECT_TRUE(limits.offer(-std::numeric_limits<double>::infinity()).empty());
    EXPECT_EQ(limits.state(), Limits::State::High);
    limits.setUnit("KW");
    EXPECT_EQ(limits.state(), Limits::State::Inside) << "the first unit set is a change from none";
    EXPECT_EQ(limits.offer(0.4), (std::vector<Limits::Event>{{Limits::Which::Low, Limits::Kind::Crossed}}));
    limits.setUnit("KW");
    EXPECT_EQ(limits.state(), Limits::State::Low) << "the same unit again changes nothing";
    limits.setUnit("KVA");
    EXPECT_EQ(limits.state(), Limits::State::Inside);
    EXPECT_EQ(limits.unit(), "KVA");
}

TEST(ReadingLimits, OnlyLimitsThatCanBeWatchedAreTaken)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct Case {
        std::optional<double> high;
        std::optional<double> low;
        double hysteresis;
        bool valid;
    } cases[] = {
        {1.5, 0.5, 0.1, true},          {1.5, std::nullopt, 0, true}, {std::nullopt, -2, 3, true},
        {1, 1, 0, true},                {std::nullopt, std::nullopt, 0, true},
        {0.5, 1.5, 0, false},           {1.5, 0.5, -0.1, false},      {1.5, 0.5, nan, false},
        {1.5, 0.5, inf, false},         {inf, std::nullopt, 0, false}, {std::nullopt, nan, 0, false},
    };
    for (const Case& c : cases) {
        std::ostringstream name;
        name << "high " << c.high.value_or(nan) << " low " << c.low.value_or(nan) << " H " << c.hysteresis;
        SCOPED_TRACE(name.str());
        EXPECT_EQ(Limits::valid(c.high, c.low, c.hysteresis), c.valid);
        if (c.valid)
            EXPECT_NO_THROW(Limits(c.high, c.low, c.hysteresis));
        else
            EXPECT_THROW(Limits(c.high, c.low, c.hysteresis), std::invalid_argument);
    }
}

}  // namespace
