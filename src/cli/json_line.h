#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// Builds one JSON object on one line, keys in the order they are added.
/// Strings are 8-bit text: bytes 0x80 and above are written as the code
/// point of the same value (A1 becomes \u00a1), so any byte string
/// round-trips through a JSON reader as Latin-1.
class JsonLine {
public:
    JsonLine() : text_("{") {}

    JsonLine& string(std::string_view key, std::string_view value);
    JsonLine& integer(std::string_view key, int64_t value);
    JsonLine& number(std::string_view key, double value);
    JsonLine& boolean(std::string_view key, bool value);
    JsonLine& null(std::string_view key);
    JsonLine& optionalInteger(std::string_view key, std::optional<int64_t> value);
    JsonLine& optionalNumber(std::string_view key, std::optional<double> value);

    /// Raw JSON for a key whose value the caller has already written.
    JsonLine& raw(std::string_view key, std::string_view json);

    /// Closes the object and returns it (no line end).
    std::string finish();

    static void appendString(std::string& out, std::string_view value);
    static void appendNumber(std::string& out, double value);
    /// The JSON array [x,y].
    static std::string pair(int64_t x, int64_t y);

private:
    void appendKey(std::string_view key);

    std::string text_;
    bool first_ = true;
};
