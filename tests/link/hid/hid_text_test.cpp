#include "link/hid/hid_text.h"

#include <gtest/gtest.h>

namespace {

TEST(HidText, Utf8ToUtf16)
{
    const std::pair<std::string, std::u16string> cases[] = {
        {"USB to Serial", u"USB to Serial"},
        {"Me\xC3\x9F" "ger\xC3\xA4t", u"Me\u00DFger\u00E4t"},
        {"\xE2\x82\xAC", u"\u20AC"},
        {"\xF0\x9F\x94\x8C", u"\U0001F50C"},      // surrogate pair
        {"a\xFF" "b", u"a\uFFFD" "b"},             // invalid lead byte
        {"a\xC3", u"a\uFFFD"},                     // cut sequence
        {"\xC0\xAF", u"\uFFFD"},                   // overlong
        {"\xED\xA0\x80", u"\uFFFD"},               // encoded surrogate
    };
    for (const auto& [utf8, utf16] : cases)
        EXPECT_EQ(HidUtf8ToUtf16(utf8), utf16) << utf8;
}

TEST(HidText, Utf16ToUtf8AndCopy)
{
    EXPECT_EQ(HidUtf16ToUtf8(u"Z\u00E4\U0001F50C"), "Z\xC3\xA4\xF0\x9F\x94\x8C");
    EXPECT_EQ(HidUtf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");

    char16_t buffer[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    HidCopyText(u"ab", buffer, 8);
    EXPECT_EQ(buffer[2], u'\0');
    EXPECT_EQ(buffer[3], char16_t{0xFFFF});
    HidCopyText(u"abcdef", buffer, 8);  // cut, no room for the NUL
    EXPECT_EQ(std::u16string(buffer, 4), u"abcd");
}

}  // namespace
