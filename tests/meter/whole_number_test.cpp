#include "meter/whole_number.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace {

TEST(WholeNumber, AnOptionalSignAndDigitsWithin32Bits)
{
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {"0", 0},
        {"17", 17},
        {"+4", 4},
        {"-3", -3},
        {"007", 7},
        {"-0", 0},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"00000000000000000000012", 12},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"+-1", std::nullopt},
        {"--1", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"1.5", std::nullopt},
        {"12a", std::nullopt},
        {"0x10", std::nullopt},
        {"\xD9\xA3", std::nullopt},  // a digit of another script
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseWholeNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(WholeNumber, EditsKeepOnlyDigitsAndBackspace)
{
    for (int code = 0; code < 256; ++code) {
        const bool kept = (code >= '0' && code <= '9') || code == 8;
        EXPECT_EQ(keepsWholeNumberKey(static_cast<char>(code)), kept) << code;
    }
}

}  // namespace
