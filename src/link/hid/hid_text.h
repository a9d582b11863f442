#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// UTF-16 from UTF-8; malformed sequences become U+FFFD.
std::u16string HidUtf8ToUtf16(std::string_view text);
/// UTF-8 from UTF-16; unpaired surrogates become U+FFFD.
std::string HidUtf16ToUtf8(std::u16string_view text);
/// Copies @p text into @p buffer of @p bufferBytes bytes, cut to the buffer,
/// with a terminating NUL when there is room for it.
void HidCopyText(std::u16string_view text, char16_t* buffer, uint32_t bufferBytes);
