// The text family: a text in a box with a font description, a text colour and
// an effect colour, plain or with a level.
#include <gtest/gtest.h>

#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary;

using namespace vocabulary_test;

// The canonical text of every keyword parses to its kind and writes back byte
// for byte, enabled and disabled, with direct and palette colours.
TEST(TextFactorsTest, CanonicalRoundTrip) {
    struct Case {
        const char* keyword;
        uint32_t kind;
    };
    const Case cases[] = {
        {"Text(", 1001},
        {"TextShadow1(", 1002},
        {"TextShadow2(", 1003},
        {"TextBorder1(", 1004},
        {"TextBorder2(", 1005},
        {"TextShadowBorder1(", 1006},
        {"TextShadowBorder2(", 1007},
        {"TextBlend(", 1008},
        {"TextShadow1Blend(", 1009},
        {"TextShadow2Blend(", 1010},
        {"TextBorder1Blend(", 1011},
        {"TextBorder2Blend(", 1012},
        {"TextShadowBorder1Blend(", 1013},
        {"TextShadowBorder2Blend(", 1014},
    };
    const char* const arguments[] = {
        "10,20,200,40,\"16;b;Serif\",ffffff,0,\"Master\"",
        "-5,0,0,-1,\"12;;Serif\",P40000005,P40000006,\"a\\\"b\\nc\"",
        "0,0,100,20,\"\",80ff0000,P1a,\"\"",
    };
    ASSERT_STREQ(CheckFactorTable(), "");
    for (const Case& c : cases) {
        for (const char* args : arguments)
            ExpectCanonical(std::string(c.keyword) + args + (c.kind > 1007 ? ",128)" : ")"), c.kind);
    }
}

// What the arguments are stored into.
TEST(TextFactorsTest, Fields) {
    QDXFactor f;
    f.Reset();
    f.Alpha = 9;
    ASSERT_TRUE(f.ParseText("Text(10,20,200,40,\"16;b;Serif\",ffffff,0,\"Master\")"));
    EXPECT_EQ(f.Kind, 1001u);
    ExpectRect(f, 10, 20, 200, 40);
    EXPECT_STREQ(f.FontSpec.GetText(), "16;b;Serif");
    EXPECT_STREQ(f.Text.GetText(), "Master");
    EXPECT_EQ(f.Color1, 0xffffffu);
    EXPECT_EQ(f.Color2, 0u);
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.ColorRef2, 0u);
    EXPECT_EQ(f.Alpha, 9);  // the plain forms have no level

    f.Reset();
    f.Color1 = 0x123;
    f.Color2 = 0x456;
    ASSERT_TRUE(f.ParseText("TextBlend(0,0,100,20,\"12;;Serif\",P40000005,P40000006,\"Master\",128)"));
    EXPECT_EQ(f.Kind, 1008u);
    EXPECT_EQ(f.ColorRef1, 0x40000005u);
    EXPECT_EQ(f.ColorRef2, 0x40000006u);
    EXPECT_EQ(f.Color1, 0x123u);  // a palette reference leaves the colour code alone
    EXPECT_EQ(f.Color2, 0x456u);
    EXPECT_EQ(f.Alpha, 128);
    EXPECT_EQ(Write(f), "TextBlend(0,0,100,20,\"12;;Serif\",P40000005,P40000006,\"Master\",128)");

    // A text parsed over a palette colour clears the reference.
    ASSERT_TRUE(f.ParseText("TextBlend(0,0,100,20,\"12;;Serif\",ff,P7,\"Master\",0)"));
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.Color1, 0xffu);
    EXPECT_EQ(f.ColorRef2, 7u);
    EXPECT_EQ(f.Alpha, 0);
}

// The text is unescaped when read and escaped when written; the font
// description is kept byte for byte.
TEST(TextFactorsTest, TextEscapes) {
    struct Case {
        const char* item;     // the text argument as read
        const char* stored;   // Text afterwards
        const char* written;  // the text argument as written
    };
    const Case cases[] = {
        {"\"Line1\\nLine2\"", "Line1\nLine2", "\"Line1\\nLine2\""},
        {"\"a\\tb\"", "a\tb", "\"a\\tb\""},
        {"\"say \\\"hi\\\"\"", "say \"hi\"", "\"say \\\"hi\\\"\""},
        {"\"it\\'s\"", "it's", "\"it\\'s\""},
        {"\"C:\\\\dir\"", "C:\\dir", "\"C:\\\\dir\""},
        {"\"a\\qb\"", "ab", "\"ab\""},  // an escape that stands for nothing
        {"'say \"hi\", (1)'", "say \"hi\", (1)", "\"say \\\"hi\\\", (1)\""},
        {"\"it's\"", "it's", "\"it\\'s\""},
        {"\"\"", "", "\"\""},
        // Double-byte characters whose second byte is a backslash: neither the
        // quote search, the unescaping nor the escaping takes it for one.
        {"\"\x95\x5c\"", "\x95\x5c", "\"\x95\x5c\""},
        {"\"\x95\x5c\\n\x83\x5c\"", "\x95\x5c\n\x83\x5c", "\"\x95\x5c\\n\x83\x5c\""},
        {"\"\x95\x5c\\\"\"", "\x95\x5c\"", "\"\x95\x5c\\\"\""},
        // A backslash before a double-byte character drops it whole.
        {"\"a\\\x95\x5c" "b\"", "ab", "\"ab\""},
    };
    for (const Case& c : cases) {
        const std::string head = "Text(0,0,1,1,\"f\",0,0,";
        ExpectFixedPoint(head + c.item + ")", head + c.written + ")", [&c](const QDXFactor& f, const QDXFactor& g) {
            EXPECT_STREQ(f.Text.GetText(), c.stored);
            EXPECT_STREQ(g.Text.GetText(), c.stored);
        });
    }

    struct FontCase {
        const char* item;
        const char* stored;
        const char* written;
    };
    const FontCase fonts[] = {
        {"\"16;b;Serif\"", "16;b;Serif", "\"16;b;Serif\""},
        {"'16;b;Serif'", "16;b;Serif", "\"16;b;Serif\""},
        {"\"16;;A\\\\B\\\"C\\n\"", "16;;A\\\\B\\\"C\\n", "\"16;;A\\\\B\\\"C\\n\""},  // escapes stay as written
        {"\"16;;\x95\x5c\"", "16;;\x95\x5c", "\"16;;\x95\x5c\""},
        {"\"\"", "", "\"\""},
        {"\"16;b;Serif\"tail", "16;b;Serif", "\"16;b;Serif\""},
    };
    for (const FontCase& c : fonts) {
        SCOPED_TRACE(c.item);
        const std::string text = std::string("TextShadow1Blend(0,0,1,1,") + c.item + ",0,0,\"t\",255)";
        QDXFactor f;
        f.Reset();
        ASSERT_TRUE(f.ParseText(text.c_str()));
        EXPECT_STREQ(f.FontSpec.GetText(), c.stored);
        EXPECT_EQ(Write(f), std::string("TextShadow1Blend(0,0,1,1,") + c.written + ",0,0,\"t\",255)");
    }
}

// Every byte value and the double-byte characters round-trip through the
// escaped written form.
TEST(TextFactorsTest, EveryByteRoundTrips) {
    std::string bytes;
    for (int b = 1; b < 256; ++b) bytes += char(b);
    bytes += "\x95\x5c\x95\x5c\\\x83\x22x";  // second bytes that are a backslash or a quote
    bytes += "\r\n\t'\"\\";
    QDXFactor f;
    f.Reset();
    f.Kind = 1014;
    f.FontSpec.Assign("24;bi;Sans Serif");
    f.Text.Assign(bytes.c_str());
    f.Color1 = 0x80ff0000;
    f.ColorRef2 = 0x12;
    f.Alpha = 7;
    const std::string written = Write(f);
    ASSERT_NE(written, "<write failed>");
    QDXFactor g;
    g.Reset();
    ASSERT_TRUE(ParsesAs(g, written, 1014));
    EXPECT_EQ(std::string(g.Text.GetText()), bytes);
    EXPECT_STREQ(g.FontSpec.GetText(), "24;bi;Sans Serif");
    EXPECT_EQ(g.Color1, 0x80ff0000u);
    EXPECT_EQ(g.ColorRef2, 0x12u);
    EXPECT_EQ(g.Alpha, 7);
    EXPECT_EQ(Write(g), written);
}

// Counts, numbers, colours, quotes and levels that fail: false, Kind
// unchanged, and the fields before the failing argument keep what was read.
TEST(TextFactorsTest, Failures) {
    struct Case {
        const char* text;
        int32_t x1;        // X1 afterwards
        const char* font;  // FontSpec afterwards
    };
    const Case cases[] = {
        // Exact counts: 8 plain, 9 Blend; nothing is read.
        {"Text(1,0,1,1,\"f\",0,0,\"t\",255)", kKeep, "old"},
        {"Text(1,0,1,1,\"f\",0,0)", kKeep, "old"},
        {"TextBlend(1,0,1,1,\"f\",0,0,\"t\")", kKeep, "old"},
        {"TextShadowBorder2Blend(1,0,1,1,\"f\",0,0,\"t\",255,0)", kKeep, "old"},
        {"TextBorder1()", kKeep, "old"},
        // Numbers and colours that do not convert.
        {"Text(x,0,1,1,\"f\",0,0,\"t\")", kKeep, "old"},
        {"Text(1,0,1,,\"f\",0,0,\"t\")", 1, "old"},
        {"TextShadow2(1,0,1,1,\"f\", P5,0,\"t\")", 1, "f"},
        {"TextBorder2(1,0,1,1,\"f\",0,g,\"t\")", 1, "f"},
        // Quoted arguments without a closing delimiter, or not quoted at all.
        {"Text(1,0,1,1,f,0,0,\"t\")", 1, "old"},
        {"Text(1,0,1,1,\"f\",0,0,\")", 1, "f"},
        {"Text(1,0,1,1,\"f\",0,0,\"t\\\")", 1, "f"},  // the delimiter is escaped
        // Levels outside 0..255.
        {"TextBlend(1,0,1,1,\"f\",0,0,\"t\",256)", 1, "f"},
        {"TextBlend(1,0,1,1,\"f\",0,0,\"t\",-1)", 1, "f"},
        {"TextBorder2Blend(1,0,1,1,\"f\",0,0,\"t\",)", 1, "f"},
    };
    for (const Case& c : cases) {
        ExpectReadFromMarkers(
            c.text, false,
            [](QDXFactor& f) { f.FontSpec.Assign("old"); },
            [&c](const QDXFactor& f) {
                EXPECT_EQ(f.X1, c.x1);
                EXPECT_STREQ(f.FontSpec.GetText(), c.font);
            });
    }

    // The text is unescaped as soon as it is read, before the level.
    QDXFactor f;
    f.Reset();
    EXPECT_FALSE(f.ParseText("TextBlend(1,0,1,1,\"f\",0,0,\"a\\nb\",256)"));
    EXPECT_STREQ(f.Text.GetText(), "a\nb");
    EXPECT_EQ(f.Kind, 0u);
}

// Inputs that are not canonical: the written text is a fixed point.
TEST(TextFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        {"Text(+1, 2,3x,04,'f',FF,0x10,'a\\qb')", "Text(1,2,3,4,\"f\",ff,10,\"ab\")"},
        {"TextBlend(0,0,1,1,\"f\",P1A,P0,\"t\",0255", "TextBlend(0,0,1,1,\"f\",P1a,0,\"t\",255)"},
        {"TextShadow1(0,0,1,1,\"f\",-1,0,\"t\")tail", "TextShadow1(0,0,1,1,\"f\",ffffffff,0,\"t\")"},
        {"TextBorder1(0,0,1,1,\"f\"x,0,0,\"t\"y)", "TextBorder1(0,0,1,1,\"f\",0,0,\"t\")"},
    };
    ExpectFixedPoints(cases);
}

// A quoted argument that would not read back as itself is not written: the
// writer fails and leaves its output alone rather than save a text that ends
// the argument early.
TEST(TextFactorsTest, UnwritableQuotedArgument) {
    QDXFactor f;
    f.Reset();
    // A font description holding a bare double quote is refused when read
    // (between other delimiters) and when written.
    EXPECT_FALSE(f.ParseText("Text(0,0,1,1,'16;\"b;Serif',0,0,\"t\")"));
    ASSERT_TRUE(f.ParseText("Text(0,0,1,1,\"f\",0,0,\"t\")"));
    f.FontSpec.Assign("16;\"b;Serif");
    CStr_base<1024> out("before");
    EXPECT_FALSE(f.WriteText(out));
    EXPECT_STREQ(out.GetText(), "before");

    // An escaped one is written as it stands.
    f.FontSpec.Assign("16;\\\"b;Serif");
    EXPECT_EQ(Write(f), "Text(0,0,1,1,\"16;\\\"b;Serif\",0,0,\"t\")");

    // A description ending in a backslash would escape its closing quote.
    f.FontSpec.Assign("16;b;Serif\\");
    EXPECT_FALSE(f.WriteText(out));
    EXPECT_STREQ(out.GetText(), "before");

    // A text ending in a lone lead byte would swallow its closing quote.
    f.FontSpec.Assign("16;b;Serif");
    f.Text.Assign("abc\x95");
    EXPECT_FALSE(f.WriteText(out));
    EXPECT_STREQ(out.GetText(), "before");
    f.Text.Assign("abc\x95\x5c");
    EXPECT_EQ(Write(f), "Text(0,0,1,1,\"16;b;Serif\",0,0,\"abc\x95\x5c\")");
}

}  // namespace
