#include "cli/json_line.h"

#include <charconv>
#include <cmath>

void JsonLine::appendString(std::string& out, std::string_view value)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x80) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

void JsonLine::appendNumber(std::string& out, double value)
{
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

std::string JsonLine::pair(int64_t x, int64_t y)
{
    return '[' + std::to_string(x) + ',' + std::to_string(y) + ']';
}

void JsonLine::appendKey(std::string_view key)
{
    if (!first_)
        text_ += ',';
    first_ = false;
    appendString(text_, key);
    text_ += ':';
}

JsonLine& JsonLine::string(std::string_view key, std::string_view value)
{
    appendKey(key);
    appendString(text_, value);
    return *this;
}

JsonLine& JsonLine::integer(std::string_view key, int64_t value)
{
    appendKey(key);
    text_ += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::number(std::string_view key, double value)
{
    appendKey(key);
    appendNumber(text_, value);
    return *this;
}

JsonLine& JsonLine::boolean(std::string_view key, bool value)
{
    appendKey(key);
    text_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::null(std::string_view key)
{
    appendKey(key);
    text_ += "null";
    return *this;
}

JsonLine& JsonLine::optionalInteger(std::string_view key, std::optional<int64_t> value)
{
    return value ? integer(key, *value) : null(key);
}

JsonLine& JsonLine::optionalNumber(std::string_view key, std::optional<double> value)
{
    return value ? number(key, *value) : null(key);
}

JsonLine& JsonLine::raw(std::string_view key, std::string_view json)
{
    appendKey(key);
    text_ += json;
    return *this;
}

std::string JsonLine::finish()
{
    text_ += '}';
    return std::move(text_);
}
