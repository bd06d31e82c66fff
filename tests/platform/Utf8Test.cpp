#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf8Test, RoundTripsEveryEncodedLength) {
    struct Row {
        const char* name;
        std::u16string utf16;
        std::string utf8;
    };
    const Row rows[] = {
        {"empty", u"", ""},
        {"ASCII", u"/home/a b", "/home/a b"},
        {"last one-byte, first two-byte", u"\x7F\x80", "\x7F\xC2\x80"},
        {"last two-byte, first three-byte", u"\x7FF\x800", "\xDF\xBF\xE0\xA0\x80"},
        {"Japanese", u"\x65E5\x672C", "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"around the surrogates", u"\xD7FF\xE000\xFFFF", "\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF"},
        {"first and last supplementary", u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
    };
    for (const Row& r : rows) {
        std::string utf8;
        ASSERT_TRUE(platform::Utf16ToUtf8(r.utf16.data(), r.utf16.size(), utf8)) << r.name;
        EXPECT_EQ(utf8, r.utf8) << r.name;
        std::u16string utf16;
        ASSERT_TRUE(platform::Utf8ToUtf16(r.utf8.data(), r.utf8.size(), utf16)) << r.name;
        EXPECT_EQ(utf16, r.utf16) << r.name;
    }
}

TEST(Utf8Test, MalformedUtf8FailsAndKeepsTheOutput) {
    struct Row {
        const char* name;
        std::string bytes;
    };
    const Row rows[] = {
        {"lone continuation byte", "a\x80"},
        {"overlong two-byte", "\xC0\xAF"},
        {"overlong three-byte", "\xE0\x80\xAF"},
        {"overlong four-byte", "\xF0\x80\x80\xAF"},
        {"encoded surrogate", "\xED\xA0\x80"},
        {"above U+10FFFF", "\xF4\x90\x80\x80"},
        {"F5 lead byte", "\xF5\x80\x80\x80"},
        {"truncated at the end", "ab\xE6\x97"},
        {"continuation replaced by ASCII", "\xE6\x41\x41"},
        {"Latin-1 file name", "caf\xE9"},
    };
    for (const Row& r : rows) {
        std::u16string out = u"kept";
        EXPECT_FALSE(platform::Utf8ToUtf16(r.bytes.data(), r.bytes.size(), out)) << r.name;
        EXPECT_EQ(out, u"kept") << r.name;
    }
}

TEST(Utf8Test, UnpairedSurrogateFailsAndKeepsTheOutput) {
    const std::u16string rows[] = {
        std::u16string(u"a") + char16_t(0xD800),
        std::u16string(u"a") + char16_t(0xD800) + u"b",
        std::u16string(u"a") + char16_t(0xDC00),
        std::u16string(1, char16_t(0xDC00)) + char16_t(0xD800),
    };
    for (const std::u16string& text : rows) {
        std::string out = "kept";
        EXPECT_FALSE(platform::Utf16ToUtf8(text.data(), text.size(), out));
        EXPECT_EQ(out, "kept");
    }
}

}  // namespace
