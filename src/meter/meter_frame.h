#pragma once

#include <cstddef>
#include <string_view>

/// Characters of a MeterFrame: one hexadecimal digit per serial byte.
inline constexpr std::size_t kMeterFrameLength = 26;

/// Whether @p text is a whole meter frame as the cable closes it: 26
/// characters whose last two are "DA", the low digits of the frame's CR LF.
/// Only such frames are decoded; the digits themselves are checked by the
/// decoder.
constexpr bool isMeterFrame(std::string_view text)
{
    return text.size() == kMeterFrameLength && text.substr(kMeterFrameLength - 2) == "DA";
}
