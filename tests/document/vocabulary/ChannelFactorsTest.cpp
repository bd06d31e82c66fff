// The channel and alpha arithmetic family: a named source object combined with
// a region of the canvas.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary;

using namespace vocabulary_test;

// The canonical text of every keyword parses to its kind and writes back byte
// for byte, enabled and disabled.
TEST(ChannelFactorsTest, CanonicalRoundTrip) {
    const KindCase cases[] = {
        {"Primary(1,-2,64,32,\"src\",5,-6)", 901},
        {"ChannelCopy(0,0,64,64,\"Master\",0,0,255,0,0,255)", 902},
        {"MulSaturationBitmap(0,0,64,64,\"Map\",3,4,65536,-1,0,3)", 903},
        {"MulAddBrightnessBitmap(-10,20,0,-5,\"Map\",0,7)", 904},
        {"Hue(0,0,64,64,2,\"Master\",0,0)", 931},
        {"Saturation(1,2,3,4,0,\"a b\",5,6)", 932},
        {"HueSaturation(1,2,3,4,1,\"x\",5,6)", 933},
        {"Luminosity(0,0,64,64,7,\"Master\",0,0)", 934},
        {"CopyA(0,0,64,64,\"Master\",0,0)", 961},
        {"MulA(1,2,3,4,\"m\",5,6)", 962},
        {"AddA(1,2,3,4,\"m\",5,6)", 963},
        {"SubA(1,2,3,4,\"m\",5,6)", 964},
        {"XorA(1,2,3,4,\"m\",5,6)", 965},
        {"DivA(1,2,3,4,\"m\",5,6)", 966},
        {"RevMulA(-2147483648,2147483647,0,0,\"\",-1,1)", 967},
    };
    ExpectCanonicalTable(cases);
}

// What each member stores, and what it leaves at the reset values.
TEST(ChannelFactorsTest, Fields) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "ChannelCopy(1,2,3,4,\"Master\",5,6,255,0,1,254)", 902));
    ExpectRect(f, 1, 2, 3, 4);
    EXPECT_STREQ(f.SourceName.GetText(), "Master");
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y3, 6);
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_EQ(f.ByteParam1, 0);
    EXPECT_EQ(f.ByteParam2, 1);
    EXPECT_EQ(f.ByteParam3, 254);
    EXPECT_EQ(f.Options, 0u);

    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "MulSaturationBitmap(0,0,64,64,\"Master\",0,0,65536,0,-7,3)", 903));
    EXPECT_EQ(f.ColorExMatrix[0], 65536);
    EXPECT_EQ(f.ColorExMatrix[11], 0);
    EXPECT_EQ(f.ColorExMatrix[22], -7);
    EXPECT_EQ(f.ColorExMatrix[33], 65536);  // not a field of the family
    EXPECT_EQ(f.ColorExMatrix[1], 0);
    EXPECT_EQ(f.Options, 3u);
    EXPECT_EQ(f.Alpha, 255);

    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "Hue(1,2,3,4,2,\"Master\",5,6)", 931));
    EXPECT_EQ(f.Options, 2u);
    EXPECT_STREQ(f.SourceName.GetText(), "Master");
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y3, 6);

    // The members without levels, weights or option words leave them alone.
    for (const char* text : {"Primary(1,2,3,4,\"s\",5,6)", "MulAddBrightnessBitmap(1,2,3,4,\"s\",5,6)",
                             "CopyA(1,2,3,4,\"s\",5,6)", "RevMulA(1,2,3,4,\"s\",5,6)"}) {
        SCOPED_TRACE(text);
        f.Reset();
        f.Alpha = f.ByteParam1 = f.ByteParam2 = f.ByteParam3 = 7;
        f.Options = 9;
        f.ColorExMatrix[0] = 11;
        ASSERT_TRUE(f.ParseText(text));
        EXPECT_EQ(f.Alpha, 7);
        EXPECT_EQ(f.ByteParam1, 7);
        EXPECT_EQ(f.ByteParam3, 7);
        EXPECT_EQ(f.Options, 9u);
        EXPECT_EQ(f.ColorExMatrix[0], 11);
        EXPECT_EQ(f.Y3, 6);
    }
}

// Count rules, levels, names and numbers that fail: false, Kind unchanged,
// and the fields before the failing argument keep what was read.
TEST(ChannelFactorsTest, Failures) {
    struct Case {
        const char* text;
        int32_t x1;  // X1 afterwards
        int32_t y3;  // Y3 afterwards
        const char* name;
    };
    const Case cases[] = {
        // Fewer than the least count: nothing read.
        {"CopyA(0,0,64,64,\"Master\",0)", kKeep, kKeep, "old"},
        {"Primary(0,0,64,64,\"Master\",0)", kKeep, kKeep, "old"},
        {"MulAddBrightnessBitmap(1,2,3)", kKeep, kKeep, "old"},
        {"Hue(0,0,64,64,2,\"Master\",0)", kKeep, kKeep, "old"},
        // Exact counts: ChannelCopy 11 only, MulSaturationBitmap 11 or 7.
        {"ChannelCopy(0,0,64,64,\"Master\",0,0,255,0,0,255,1)", kKeep, kKeep, "old"},
        {"ChannelCopy(0,0,64,64,\"Master\",0,0,255,0,0)", kKeep, kKeep, "old"},
        {"MulSaturationBitmap(0,0,64,64,\"Master\",0,0,1)", kKeep, kKeep, "old"},
        {"MulSaturationBitmap(0,0,64,64,\"Master\",0,0,1,2)", kKeep, kKeep, "old"},
        {"MulSaturationBitmap(0,0,64,64,\"Master\",0,0,1,2,3)", kKeep, kKeep, "old"},
        {"MulSaturationBitmap(0,0,64,64,\"Master\",0,0,1,2,3,4,5)", kKeep, kKeep, "old"},
        {"MulSaturationBitmap(0,0,64,64,\"Master\")", kKeep, kKeep, "old"},
        // Levels outside 0..255 or not numbers; the fields before them are kept.
        {"ChannelCopy(1,0,64,64,\"Master\",0,3,256,0,0,255)", 1, 3, "Master"},
        {"ChannelCopy(1,0,64,64,\"Master\",0,3,255,-1,0,255)", 1, 3, "Master"},
        {"ChannelCopy(1,0,64,64,\"Master\",0,3,255,0,0,x)", 1, 3, "Master"},
        // Position 5 of a colour-model composite is a number.
        {"Hue(1,0,64,64,\"Master\",0,0,2)", 1, kKeep, "old"},
        // A name without its closing delimiter swallows the rest of the list,
        // so the count fails first; an item that is no name fails itself.
        {"CopyA(1,0,64,64,\"Master,0,0)", kKeep, kKeep, "old"},
        {"MulSaturationBitmap(1,0,64,64,'Master,0,0)", kKeep, kKeep, "old"},
        {"CopyA(1,0,64,64,Master,0,0)", 1, kKeep, "old"},
        {"MulSaturationBitmap(1,0,64,64,Master,0,0)", 1, kKeep, "old"},
        // Numbers that do not convert.
        {"CopyA(x,0,64,64,\"Master\",0,0)", kKeep, kKeep, "old"},
        {"MulA(1,0,64,64,\"Master\",0,y)", 1, kKeep, "Master"},
        {"MulSaturationBitmap(1,0,64,64,\"Master\",0,-5,1,2,3,z)", 1, -5, "Master"},
        {"Luminosity(1,0,64,64,,\"Master\",0,0)", 1, kKeep, "old"},
        {"CopyA(inf,0,64,64,\"Master\",0,0)", kKeep, kKeep, "old"},
        {"ChannelCopy(1,0,64,64,\"Master\",0,3,nan,0,0,255)", 1, 3, "Master"},
    };
    for (const Case& c : cases) {
        ExpectReadFromMarkers(c.text, false, [&c](const QDXFactor& f) {
            EXPECT_EQ(f.X1, c.x1);
            EXPECT_EQ(f.Y3, c.y3);
            EXPECT_STREQ(f.SourceName.GetText(), c.name);
        });
    }
}

// Inputs that are not canonical: the written text, which reads back to
// itself.
TEST(ChannelFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        // Extra arguments are dropped by the members with a least count.
        {"CopyA(0,0,64,64,\"Master\",0,0,99,\"Predict\")", "CopyA(0,0,64,64,\"Master\",0,0)"},
        {"Hue(0,0,64,64,2,\"Master\",0,0,x,y)", "Hue(0,0,64,64,2,\"Master\",0,0)"},
        {"MulAddBrightnessBitmap(0,0,1,1,\"M\",2,3,)", "MulAddBrightnessBitmap(0,0,1,1,\"M\",2,3)"},
        // Single quotes, numbers with a tail or a sign, an unclosed list.
        {"Primary(0,0,64,64,'src',0,0)", "Primary(0,0,64,64,\"src\",0,0)"},
        {"XorA(+1, 2,3x,4,\"s\",5,6", "XorA(1,2,3,4,\"s\",5,6)"},
        {"ChannelCopy(0,0,1,1,\"s\",0,0,0255,+7,12z,0)", "ChannelCopy(0,0,1,1,\"s\",0,0,255,7,12,0)"},
        // The short form of 903 writes the weights and grey definition of a
        // reset factor.
        {"MulSaturationBitmap(0,0,64,64,\"Master\",0,0)",
         "MulSaturationBitmap(0,0,64,64,\"Master\",0,0,65536,65536,65536,0)"},
        // Option words are read unsigned and written signed: the same 32 bits.
        {"Saturation(0,0,1,1,4294967295,\"s\",0,0)", "Saturation(0,0,1,1,-1,\"s\",0,0)"},
        {"Luminosity(0,0,1,1,-1,\"s\",0,0)", "Luminosity(0,0,1,1,-1,\"s\",0,0)"},
        {"HueSaturation(0,0,1,1,2147483648,\"s\",0,0)", "HueSaturation(0,0,1,1,-2147483648,\"s\",0,0)"},
        {"MulSaturationBitmap(0,0,1,1,\"s\",0,0,1,2,3,4294967294)",
         "MulSaturationBitmap(0,0,1,1,\"s\",0,0,1,2,3,-2)"},
    };
    for (const WrittenCase& c : cases) {
        ExpectFixedPoint(c.text, c.written,
                         [](const QDXFactor& f, const QDXFactor& g) { EXPECT_EQ(g.Options, f.Options); });
    }

    // The seven-argument 903 keeps whatever weights the factor held.
    QDXFactor f;
    f.Reset();
    f.ColorExMatrix[0] = 1;
    f.ColorExMatrix[11] = 2;
    f.ColorExMatrix[22] = 3;
    f.Options = 2;
    ASSERT_TRUE(f.ParseText("!MulSaturationBitmap(0,0,64,64,\"Master\",0,0)"));
    EXPECT_EQ(Write(f), "!MulSaturationBitmap(0,0,64,64,\"Master\",0,0,1,2,3,2)");
}

// No keyword of the family is taken for another one that it ends or begins.
TEST(ChannelFactorsTest, KeywordsApart) {
    const KindCase cases[] = {
        {"Saturation(0,0,1,1,0,\"s\",0,0)", 932},
        {"HueSaturation(0,0,1,1,0,\"s\",0,0)", 933},
        {"Hue(0,0,1,1,0,\"s\",0,0)", 931},
        {"MulSaturationBitmap(0,0,1,1,\"s\",0,0)", 903},
        {"MulA(0,0,1,1,\"s\",0,0)", 962},
        {"RevMulA(0,0,1,1,\"s\",0,0)", 967},
        {"copyA(0,0,1,1,\"s\",0,0)", 0},
        {"CopyA (0,0,1,1,\"s\",0,0)", 0},
        {"Primary", 0},
    };
    for (const KindCase& c : cases) {
        ExpectKeyword(c.text, c.kind);
        if (c.kind != 0) ExpectKind(c.text, c.kind);
    }
    // The codes between the groups do not exist.
    for (const uint32_t kind : {905u, 930u, 935u, 960u, 968u, 1000u}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(FindFactorKind(kind), nullptr);
    }
}

}  // namespace
