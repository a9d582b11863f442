#include "meter/reading_number.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

TEST(ReadingNumber, TakesTheNumbersOfRecordedTextsAndNothingElse)
{
    const struct {
        const char* text;
        std::optional<double> number;
    } cases[] = {
        {"1.234", 1.234},   {"1,234", 1.234},    {"  -0.5 ", -0.5},   {"+12", 12},     {"7.", 7},
        {"7,", 7},          {".5", 0.5},         {",25", 0.25},       {"0000.10", 0.1}, {"-.5", -0.5},
        {"OL", std::nullopt}, {"", std::nullopt}, {"NULL", std::nullopt}, {".", std::nullopt},
        {"-", std::nullopt},  {"+", std::nullopt}, {"1.2.3", std::nullopt}, {"1 2", std::nullopt},
        {"0@", std::nullopt}, {"1e3", std::nullopt}, {"--1", std::nullopt}, {"1.2-", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        EXPECT_EQ(readingNumber(c.text), c.number);
    }
}

TEST(ReadingNumber, TimeOfDayIsHoursMinutesSecondsWithAnySeparator)
{
    const struct {
        const char* text;
        std::optional<int> seconds;
    } cases[] = {
        {"00:00:00", 0},          {"23:59:59", 86399},     {"8:05:09", 8 * 3600 + 309}, {" 12.30.00 ", 45000},
        {"12h30m00", 45000},      {"24:00:00", std::nullopt}, {"12:60:00", std::nullopt}, {"12:00:60", std::nullopt},
        {"123:00:00", std::nullopt}, {"12:0:00", std::nullopt}, {"12:00", std::nullopt}, {"12::00:00", std::nullopt},
        {"12:00:00x", std::nullopt}, {"", std::nullopt},        {"NULL", std::nullopt},  {"1200:00", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        EXPECT_EQ(timeOfDaySeconds(c.text), c.seconds);
    }
}
