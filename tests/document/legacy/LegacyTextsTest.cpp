// The format-1.0 text factors: the font description kept as written, the
// text with its escapes decoded, quoted items that hold commas and brackets.
#include <gtest/gtest.h>

#include <string>

#include "tests/document/legacy/LegacyEquivalence.h"

namespace {

using legacy_test::Equivalence;
using legacy_test::ExpectEquivalent;
using legacy_test::ExpectRefused;
using legacy_test::LegacyParsesAs;

TEST(LegacyTexts, EveryKeywordReadsAsItsCurrentText) {
    const char* const plain[] = {"Text(",        "TextShadow1(",       "TextShadow2(",      "TextBorder1(",
                                 "TextBorder2(", "TextShadowBorder1(", "TextShadowBorder2("};
    const char* const blend[] = {"TextBlend(",        "TextShadow1Blend(",       "TextShadow2Blend(",
                                 "TextBorder1Blend(", "TextBorder2Blend(",       "TextShadowBorder1Blend(",
                                 "TextShadowBorder2Blend("};
    const std::string items = "10,20,200,40,\"MS Gothic,12\",ffffff,P40010000,\"a\\\"b\\n(c, d)\"";
    for (uint32_t i = 0; i < 7; ++i) {
        ExpectEquivalent({std::string(plain[i]) + items + ")", 1001 + i, std::string(plain[i]) + items + ")"});
        ExpectEquivalent({std::string(blend[i]) + items + ",77)", 1008 + i, std::string(blend[i]) + items + ",77)"});
    }
}

TEST(LegacyTexts, FontKeptTextDecoded) {
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "Text(10,20,200,40,\"F\",ffffff,P40010000,\"a\\\"b\")", 1001));
    EXPECT_STREQ(f.FontSpec.GetText(), "F");
    EXPECT_EQ(f.Color1, 0xffffffu);
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.ColorRef2, 0x40010000u);
    EXPECT_EQ(f.Color2, 0u);
    EXPECT_STREQ(f.Text.GetText(), "a\"b");
    EXPECT_EQ(f.Alpha, 255);

    struct Case {
        const char* font;
        const char* text;
        const char* fontSpec;
        const char* decoded;
    };
    const Case cases[] = {
        {"\"a\\nb\"", "\"a\\nb\"", "a\\nb", "a\nb"},         // the escape is decoded in the text only
        {"\"F\"", "\"x,(y]\"", "F", "x,(y]"},                  // commas and brackets inside quotes
        {"\"F\"", "'single \"q\"'", "F", "single \"q\""},      // single quotes delimit as well
        {"\"F\"", "\"\"", "F", ""},                            // an empty text
        {"\"F\"", "\"t\\tu\\\\v\\'w\\qx\"", "F", "t\tu\\v'wx"},  // \q is dropped
        {"'F'", "\"\x83\\\"", "F", "\x83\\"},                  // a two-byte character whose trail byte is "\"
    };
    for (const Case& c : cases) {
        const std::string text = std::string("TextBorder1(0,0,9,9,") + c.font + ",0,0," + c.text + ")";
        ASSERT_TRUE(LegacyParsesAs(f, text, 1004));
        EXPECT_STREQ(f.FontSpec.GetText(), c.fontSpec) << text;
        EXPECT_STREQ(f.Text.GetText(), c.decoded) << text;
        legacy_test::ExpectSameThroughWriter(f, text);
    }
}

TEST(LegacyTexts, Refused) {
    ExpectRefused({
        "TextBlend(10,20,200,40,\"F\",ffffff,0,\"t\")",      // 8 items
        "Text(10,20,200,40,\"F\",ffffff,0,\"t\",255)",       // 9 items
        "TextBlend(10,20,200,40,\"F\",ffffff,0,\"t\",256)",
        "Text(10,20,200,40,\"F\",ffffff,0,\"t)",             // the text is not closed
        "Text(10,20,200,40,\"F\",ffffff,0,\"t\\\")",
        "Text(10,20,200,40,F,ffffff,0,\"t\")",               // the font item is no quoted text
        "Text(10,20,200,40,\"F\",zz,0,\"t\")",
        "Text(10,20,200,40,'F\"G',ffffff,0,\"t\")",          // a font with a bare double quote
    });
}

}  // namespace
