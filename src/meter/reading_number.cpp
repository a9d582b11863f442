#include "meter/reading_number.h"

#include <charconv>
#include <string>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view withoutBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<double> readingNumber(std::string_view text)
{
    text = withoutBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::size_t at = 0;
    while (at < text.size() && isDigit(text[at]))
        ++at;
    const std::size_t wholeDigits = at;
    std::size_t fractionDigits = 0;
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        ++at;
        while (at < text.size() && isDigit(text[at])) {
            ++at;
            ++fractionDigits;
        }
    }
    if (at != text.size() || (wholeDigits == 0 && fractionDigits == 0))
        return std::nullopt;
    // Rounded once, correctly, from the digits as written.
    std::string digits(text.substr(0, wholeDigits));
    if (digits.empty())
        digits = "0";
    if (fractionDigits > 0)
        digits.append(".").append(text.substr(wholeDigits + 1, fractionDigits));
    double value = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (parsed.ec != std::errc() || parsed.ptr != digits.data() + digits.size())
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<std::int32_t> timeOfDaySeconds(std::string_view text)
{
    text = withoutBlanks(text);
    std::size_t at = 0;
    auto number = [&](std::size_t least, std::size_t most) -> std::optional<int> {
        int value = 0;
        std::size_t digits = 0;
        while (at < text.size() && digits < most && isDigit(text[at])) {
            value = value * 10 + (text[at++] - '0');
            ++digits;
        }
        if (digits < least)
            return std::nullopt;
        return value;
    };
    auto separator = [&] {
        if (at >= text.size() || isDigit(text[at]))
            return false;
        ++at;
        return true;
    };
    const std::optional<int> hours = number(1, 2);
    if (!hours || !separator())
        return std::nullopt;
    const std::optional<int> minutes = number(2, 2);
    if (!minutes || !separator())
        return std::nullopt;
    const std::optional<int> seconds = number(2, 2);
    if (!seconds || at != text.size() || *hours > 23 || *minutes > 59 || *seconds > 59)
        return std::nullopt;
    return *hours * 3600 + *minutes * 60 + *seconds;
}
