// The filter and colour-space family: region filters, displacement and
// replacement maps, anti-moire, and the colour-space conversions and
// arithmetic.
#include <gtest/gtest.h>

#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary;

using namespace vocabulary_test;

// The canonical text of every keyword parses to its kind and writes back byte
// for byte, enabled and disabled; the colours both as palette references and
// as colour codes.
TEST(FilterFactorsTest, CanonicalRoundTrip) {
    const KindCase cases[] = {
        {"DistAlpha(0,0,64,64,1.500000000,-8.250000000,255,0)", 1401},
        {"Mirror(-1,2,10,10,3)", 1402},
        {"Mirror(0,0,10,10,-1)", 1402},
        {"BlurC(0,0,100,100,3,0,255)", 1403},
        {"BlurA(1,2,3,4,5,6,7)", 1404},
        {"Blur(0,0,100,100,-2,12,200)", 1405},
        {"RasterScroll(0,0,64,64,0.500000,4,16,-1.250000,-4,16,0)", 1406},
        {"RasterScroll2(0,0,64,64,3.141593,16,0.000000,-8,-2147483648)", 1407},
        {"Mosaic(0,0,64,64,8,-4)", 1408},
        {"DisplacementMap(0,0,64,64,\"Map\",1,2,30,40,-5,6,P3#80,1010101,7777)", 1409},
        {"DisplacementMap(0,0,64,64,\"Map\",1,2,30,40,-5,6,P40000005#0,0,ffffffff)", 1409},
        {"DisplacementMap(0,0,64,64,\"Map\",1,2,30,40,-5,6,ffffff,abc,0)", 1409},
        {"DisplacementMapC(1,1,2,2,\"\",0,0,1,1,0,0,80ff0000,1,2)", 1410},
        {"DisplacementMapC(1,1,2,2,\"m\",0,0,1,1,0,0,P12#ff,1,2)", 1410},
        {"DisplacementMapA(0,0,64,64,\"Map\",1,2,30,40,-5,6,128,10,deadbeef)", 1411},
        {"DisplacementCalc(0,0,64,64,65536,-65536,0,131072)", 1412},
        {"ReplacementMap(0,0,64,64,\"Master\",0,0)", 1413},
        {"ReplacementMapC(-3,4,5,-6,\"a b\",7,-8)", 1414},
        {"ReplacementMapA(0,0,64,64,\"Master\",9,9)", 1415},
        {"ReplacementCalc(0,0,64,64,65536,65536,-100,2000)", 1416},
        {"AntiMoire(8,3,4)", 1417},
        {"AntiMoire(-1,0,255)", 1417},
        {"RGB2ColorSpace(0,0,64,64,2)", 5001},
        {"ColorSpace2RGB(0,0,64,64,1)", 5002},
        {"AddForColorSpace(0,0,64,64,-30,10,0)", 5003},
        {"AddForColorSpaceRange(0,0,64,64,-30,10,0,0,360,0,256,-1,256)", 5004},
        {"AddForColorSpace2(0,0,64,64,\"Master\",1,2,15)", 5005},
        {"SubForColorSpace2(0,0,64,64,\"Master\",1,2,-16)", 5006},
        {"ReplaceFactor(0,0,64,64,\"Master\",0,0,64,64,257,255)", 5007},
    };
    ExpectCanonicalTable(cases);
}

// What the members store, and what they leave at the reset values.
TEST(FilterFactorsTest, Fields) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "DistAlpha(1,2,3,4,1.5,8,200,7)", 1401));
    ExpectRect(f, 1, 2, 3, 4);
    EXPECT_EQ(f.Real4, 1.5);
    EXPECT_EQ(f.Real5, 8.0);
    EXPECT_EQ(f.Alpha, 200);
    EXPECT_EQ(f.ByteParam1, 7);
    EXPECT_EQ(f.ByteParam2, 255);

    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "RasterScroll(1,2,3,4,0.5,5,6,0.25,7,8,0)", 1406));
    EXPECT_EQ(f.Real4, 0.5);
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.X4, 6);
    EXPECT_EQ(f.Real5, 0.25);
    EXPECT_EQ(f.Y3, 7);
    EXPECT_EQ(f.Y4, 8);
    EXPECT_EQ(f.Options, 0u);

    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "RasterScroll2(1,2,3,4,0.5,5,0.25,7,9)", 1407));
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y3, 7);
    EXPECT_EQ(f.X4, 1);
    EXPECT_EQ(f.Y4, 1);
    EXPECT_EQ(f.Options, 9u);

    f.Reset();
    ASSERT_TRUE(f.ParseText("Mosaic(1,2,3,4,8,9)"));
    EXPECT_EQ(f.X3, 8);
    EXPECT_EQ(f.Y3, 9);
    EXPECT_EQ(f.Options, 0u);

    // The displacement maps: rectangle, origin, base colour or level, and
    // the settings words read as hex.
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "DisplacementMap(1,2,3,4,\"Map\",5,6,7,8,9,10,P3,10,0x1F)", 1409));
    EXPECT_STREQ(f.SourceName.GetText(), "Map");
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y3, 6);
    EXPECT_EQ(f.X4, 7);
    EXPECT_EQ(f.Y4, 8);
    EXPECT_EQ(f.X5, 9);
    EXPECT_EQ(f.Y5, 10);
    EXPECT_EQ(f.ColorRef1, 3u);
    EXPECT_EQ(f.Color1, 0u);
    EXPECT_EQ(f.IntParam1, 16u);
    EXPECT_EQ(f.IntParam2, 31u);
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_EQ(Write(f), "DisplacementMap(1,2,3,4,\"Map\",5,6,7,8,9,10,P3#0,10,1f)");

    ASSERT_TRUE(ParsesAs(f, "DisplacementMapC(1,2,3,4,\"Map\",5,6,7,8,9,10,P40000005#180,1,2)", 1410));
    EXPECT_EQ(f.ColorRef1, 0x40000005u);
    EXPECT_EQ(f.Color1, 0x80000000u);  // only the low byte of the level survives

    // A colour code: the frame clears the reference the last parse left.
    ASSERT_TRUE(f.ParseText("DisplacementMap(1,2,3,4,\"Map\",5,6,7,8,9,10,FFFFFF,1,2)"));
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.Color1, 0xFFFFFFu);
    EXPECT_EQ(Write(f), "DisplacementMap(1,2,3,4,\"Map\",5,6,7,8,9,10,ffffff,1,2)");

    f.Reset();
    f.Color1 = 0x12345678;
    ASSERT_TRUE(ParsesAs(f, "DisplacementMapA(1,2,3,4,\"Map\",5,6,7,8,9,10,17,a,B)", 1411));
    EXPECT_EQ(f.Alpha, 17);
    EXPECT_EQ(f.Color1, 0x12345678u);
    EXPECT_EQ(f.IntParam1, 10u);
    EXPECT_EQ(f.IntParam2, 11u);

    // The two "Calc" members fill their matrix entries and no others.
    struct Calc {
        const char* text;
        uint32_t entries[4];
    };
    const Calc calcs[] = {
        {"DisplacementCalc(1,2,3,4,-1,-2,-3,-4)", {0, 11, 22, 33}},
        {"ReplacementCalc(1,2,3,4,-1,-2,-3,-4)", {0, 11, 8, 17}},
    };
    for (const Calc& c : calcs) {
        SCOPED_TRACE(c.text);
        QDXFactor reset;
        reset.Reset();
        f.Reset();
        ASSERT_TRUE(f.ParseText(c.text));
        EXPECT_EQ(f.X1, 1);
        EXPECT_EQ(f.Y2, 4);
        for (uint32_t e = 0; e < QDXFactor::kColorExMatrixSize; ++e) {
            int32_t expected = reset.ColorExMatrix[e];
            for (uint32_t k = 0; k < 4; ++k)
                if (c.entries[k] == e) expected = -int32_t(k + 1);
            EXPECT_EQ(f.ColorExMatrix[e], expected) << "entry " << e;
        }
    }

    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "ReplacementMapA(1,2,3,4,\"Master\",5,6)", 1415));
    EXPECT_STREQ(f.SourceName.GetText(), "Master");
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y3, 6);
    EXPECT_EQ(f.X4, 1);

    // AntiMoire has no region.
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "AntiMoire(8,3,4)", 1417));
    EXPECT_EQ(f.Options, 8u);
    EXPECT_EQ(f.ByteParam1, 3);
    EXPECT_EQ(f.ByteParam2, 4);
    EXPECT_EQ(f.X1, 0);
    EXPECT_EQ(f.Y4, 1);
    EXPECT_EQ(f.Alpha, 255);

    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "AddForColorSpaceRange(1,2,3,4,5,6,7,8,9,10,11,12,13)", 5004));
    EXPECT_EQ(f.IntParam3, 5);
    EXPECT_EQ(f.IntParam4, 6);
    EXPECT_EQ(f.IntParam5, 7);
    EXPECT_EQ(f.SpaceParam1, 8);
    EXPECT_EQ(f.RangeParam1, 9);
    EXPECT_EQ(f.SpaceParam2, 10);
    EXPECT_EQ(f.RangeParam2, 11);
    EXPECT_EQ(f.SpaceParam3, 12);
    EXPECT_EQ(f.RangeParam3, 13);

    // Without windows the limits keep their reset values.
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "AddForColorSpace(1,2,3,4,5,6,7)", 5003));
    EXPECT_EQ(f.IntParam5, 7);
    EXPECT_EQ(f.SpaceParam1, 0);
    EXPECT_EQ(f.RangeParam1, 360);
    EXPECT_EQ(f.RangeParam3, 256);

    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "SubForColorSpace2(1,2,3,4,\"Master\",5,6,15)", 5006));
    EXPECT_STREQ(f.SourceName.GetText(), "Master");
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y3, 6);
    EXPECT_EQ(f.Options, 15u);

    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "ReplaceFactor(1,2,3,4,\"Master\",5,6,7,8,257,254)", 5007));
    EXPECT_EQ(f.X4, 7);
    EXPECT_EQ(f.Y4, 8);
    EXPECT_EQ(f.Options, 257u);
    EXPECT_EQ(f.Alpha, 254);
}

// The blurs: seven arguments, or five with the limits 0 and 255.
TEST(FilterFactorsTest, BlurShortForm) {
    for (const char* keyword : {"BlurC(", "BlurA(", "Blur("}) {
        SCOPED_TRACE(keyword);
        const std::string k = keyword;
        QDXFactor f;
        f.Reset();
        f.Alpha = 9;
        f.ByteParam1 = 9;
        ASSERT_TRUE(f.ParseText((k + "0,0,100,100,3)").c_str()));
        EXPECT_EQ(f.Options, 3u);
        EXPECT_EQ(f.Alpha, 0);
        EXPECT_EQ(f.ByteParam1, 255);
        EXPECT_EQ(Write(f), k + "0,0,100,100,3,0,255)");

        ASSERT_TRUE(f.ParseText((k + "0,0,100,100,4,10,20)").c_str()));
        EXPECT_EQ(f.Options, 4u);
        EXPECT_EQ(f.Alpha, 10);
        EXPECT_EQ(f.ByteParam1, 20);

        for (const char* args : {"0,0,100,100,3,0)", "0,0,100,100,3,0,255,1)", "0,0,100,100)"}) {
            f.Kind = kMarkerKind;
            ExpectRefused(f, k + args);
        }
    }
}

// Count rules: each member refuses any count but its own, except those that
// ignore extra arguments. A refused count stores nothing and Kind stays.
TEST(FilterFactorsTest, CountRules) {
    const KindCase cases[] = {
        {"DistAlpha(0,0,64,64,1.5,8,255)", 0},
        {"DistAlpha(0,0,64,64,1.5,8,255,0,0)", 0},
        {"Mirror(0,0,10,10)", 0},
        {"Mirror(0,0,10,10,1,1)", 0},
        {"RasterScroll(0,0,64,64,0,4,16,0,4)", 0},
        {"RasterScroll(0,0,64,64,0,4,16,0,4,16)", 1406},
        {"RasterScroll(0,0,64,64,0,4,16,0,4,16,0,junk)", 1406},
        {"RasterScroll2(0,0,64,64,0,16,0,16)", 0},
        {"RasterScroll2(0,0,64,64,0,16,0,16,1,1)", 0},
        {"Mosaic(0,0,64,64,8)", 0},
        {"Mosaic(0,0,64,64,8,8,8)", 0},
        {"DisplacementMap(0,0,64,64,\"M\",0,0,1,1,0,0,ff,1)", 0},
        {"DisplacementMapC(0,0,64,64,\"M\",0,0,1,1,0,0,ff,1,2,3)", 0},
        {"DisplacementMapA(0,0,64,64,\"M\",0,0,1,1,0,0,255,1)", 0},
        {"DisplacementCalc(0,0,64,64,1,1,1)", 0},
        {"DisplacementCalc(0,0,64,64,1,1,1,1,1)", 0},
        {"ReplacementCalc(0,0,64,64,1,1,1)", 0},
        {"ReplacementCalc(0,0,64,64,1,1,1,1,1)", 0},
        {"ReplacementMap(0,0,64,64,\"M\",0)", 0},
        {"ReplacementMap(0,0,64,64,\"Master\",0,0,9)", 1413},
        {"ReplacementMapC(0,0,64,64,\"M\",0,0,x,y)", 1414},
        {"AntiMoire(8,3)", 0},
        {"AntiMoire(8,3,4,5)", 0},
        {"RGB2ColorSpace(0,0,64,64)", 0},
        {"ColorSpace2RGB(0,0,64,64,1,1)", 0},
        {"AddForColorSpace(0,0,64,64,1,1)", 0},
        {"AddForColorSpace(0,0,64,64,1,1,1,1)", 0},
        {"AddForColorSpaceRange(0,0,64,64,1,1,1,0,360,0,256,0)", 0},
        {"AddForColorSpaceRange(0,0,64,64,1,1,1,0,360,0,256,0,256,0)", 0},
        {"AddForColorSpace2(0,0,64,64,\"M\",0,0)", 0},
        {"AddForColorSpace2(0,0,64,64,\"M\",0,0,1,2,3)", 5005},
        {"SubForColorSpace2(0,0,64,64,\"M\",0,0,1,\"x\")", 5006},
        {"ReplaceFactor(0,0,64,64,\"M\",0,0,64,64,257)", 0},
        {"ReplaceFactor(0,0,64,64,\"M\",0,0,64,64,257,255,0)", 0},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        ResetWithMarkers(f);
        f.Options = kKeep;
        const bool ok = f.ParseText(c.text.c_str());
        EXPECT_EQ(ok, c.kind != 0);
        if (ok) {
            EXPECT_EQ(f.Kind, c.kind);
        } else {
            EXPECT_EQ(f.Kind, kMarkerKind);
            EXPECT_EQ(f.X1, kKeep);  // the count is checked before anything is read
            EXPECT_EQ(f.Options, uint32_t(kKeep));
        }
    }
}

// Arguments that are refused: false, Kind unchanged, and the fields read
// before the failing one keep their new values while the later ones keep
// theirs.
TEST(FilterFactorsTest, Failures) {
    struct Case {
        const char* text;
        int32_t x1;  // X1 afterwards
        int32_t y3;  // Y3 afterwards
    };
    const Case cases[] = {
        // Levels outside 0..255, in each byte field.
        {"DistAlpha(1,0,64,64,1.5,8,256,0)", 1, kKeep},
        {"DistAlpha(1,0,64,64,1.5,8,255,-1)", 1, kKeep},
        {"Blur(1,0,64,64,3,-1,255)", 1, kKeep},
        {"BlurA(1,0,64,64,3,0,256)", 1, kKeep},
        {"DisplacementMapA(1,0,64,64,\"M\",0,3,1,1,0,0,256,1,2)", 1, 3},
        {"AntiMoire(8,256,4)", kKeep, kKeep},
        {"AntiMoire(8,3,-1)", kKeep, kKeep},
        {"ReplaceFactor(1,0,64,64,\"Master\",0,3,64,64,257,256)", 1, 3},
        // Reals must be finite.
        {"DistAlpha(1,0,64,64,inf,8,255,0)", 1, kKeep},
        {"DistAlpha(1,0,64,64,1,nan,255,0)", 1, kKeep},
        {"RasterScroll(1,0,64,64,-inf,4,16,0,4,16)", 1, kKeep},
        {"RasterScroll2(1,0,64,64,0,16,infinity,16,1)", 1, kKeep},
        // Numbers that do not convert, names without delimiters, colours.
        {"Mirror(1,0,10,10,x)", 1, kKeep},
        {"RasterScroll(1,0,64,64,0,4,16,0,3,16,)", 1, 3},
        {"RasterScroll(1,0,64,64,0,4,16,0,3,16,z,1)", 1, 3},
        {"Mosaic(1,0,64,64,8,)", 1, kKeep},
        {"DisplacementMap(1,0,64,64,\"M\",0,3,1,1,0,0,xyz,1,2)", 1, 3},
        {"DisplacementMap(1,0,64,64,\"M\",0,3,1,1,0,0, P3,1,2)", 1, 3},
        {"DisplacementMapC(1,0,64,64,\"M\",0,3,1,1,0,0,ff,g,2)", 1, 3},
        {"DisplacementMap(1,0,64,64,M,0,3,1,1,0,0,ff,1,2)", 1, kKeep},
        {"ReplacementMap(1,0,64,64,\"M,0,3)", kKeep, kKeep},
        {"DisplacementCalc(1,0,64,64,1,1,1,x)", 1, kKeep},
        {"ReplacementCalc(x,0,64,64,1,1,1,1)", kKeep, kKeep},
        {"AntiMoire(,3,4)", kKeep, kKeep},
        {"RGB2ColorSpace(1,0,64,64,HSV)", 1, kKeep},
        {"AddForColorSpaceRange(1,0,64,64,1,1,1,0,360,0,256,0,x)", 1, kKeep},
        {"AddForColorSpace2(1,0,64,64,\"M\",0,3,)", 1, 3},
        {"SubForColorSpace2(1,0,64,64,\"M\",0,3,nan)", 1, 3},
        {"ReplaceFactor(1,0,64,64,\"M\",0,3,64,64,x,255)", 1, 3},
    };
    for (const Case& c : cases) {
        ExpectReadFromMarkers(c.text, false, [&c](const QDXFactor& f) {
            EXPECT_EQ(f.X1, c.x1);
            EXPECT_EQ(f.Y3, c.y3);
        });
    }

    // A failing settings word leaves the base colour as read, and the
    // failed parse of a Calc member keeps the factors read before it.
    QDXFactor f;
    f.Reset();
    EXPECT_FALSE(f.ParseText("DisplacementMap(1,0,64,64,\"M\",0,3,1,1,0,0,P7#80,1,q)"));
    EXPECT_EQ(f.ColorRef1, 7u);
    EXPECT_EQ(f.Color1, 0x80000000u);
    EXPECT_EQ(f.IntParam1, 1u);
    EXPECT_EQ(f.Kind, 0u);
    f.Reset();
    EXPECT_FALSE(f.ParseText("ReplacementCalc(1,2,3,4,5,6,x,8)"));
    EXPECT_EQ(f.ColorExMatrix[11], 6);
    EXPECT_EQ(f.ColorExMatrix[8], 0);
    EXPECT_EQ(f.ColorExMatrix[17], 0);
    EXPECT_EQ(f.Kind, 0u);
}

// The option word is read unsigned ("%lu") or signed ("%d") by member, always
// written signed: values of 2^31 and more go out negative and read back the
// same.
TEST(FilterFactorsTest, OptionWords) {
    struct Case {
        const char* text;
        uint32_t options;
        const char* written;
    };
    const Case cases[] = {
        {"Mirror(0,0,10,10,-1)", 0xFFFFFFFFu, "Mirror(0,0,10,10,-1)"},
        {"Mirror(0,0,10,10,4294967295)", 0xFFFFFFFFu, "Mirror(0,0,10,10,-1)"},
        {"BlurC(0,0,1,1,2147483648)", 0x80000000u, "BlurC(0,0,1,1,-2147483648,0,255)"},
        {"RasterScroll(0,0,1,1,0,0,0,0,0,0,4294967294)", 0xFFFFFFFEu,
         "RasterScroll(0,0,1,1,0.000000,0,0,0.000000,0,0,-2)"},
        {"RasterScroll(0,0,1,1,0,0,0,0,0,0)", 1u, "RasterScroll(0,0,1,1,0.000000,0,0,0.000000,0,0,1)"},
        {"RasterScroll2(0,0,1,1,0,0,0,0,3000000000)", 3000000000u,
         "RasterScroll2(0,0,1,1,0.000000,0,0.000000,0,-1294967296)"},
        {"AntiMoire(-8,3,4)", uint32_t(-8), "AntiMoire(-8,3,4)"},
        {"AntiMoire(2147483647,3,4)", 0x7FFFFFFFu, "AntiMoire(2147483647,3,4)"},
        {"RGB2ColorSpace(0,0,1,1,-2)", uint32_t(-2), "RGB2ColorSpace(0,0,1,1,-2)"},
        {"ColorSpace2RGB(0,0,1,1,+2)", 2u, "ColorSpace2RGB(0,0,1,1,2)"},
        {"AddForColorSpace2(0,0,1,1,\"s\",0,0,-2147483648)", 0x80000000u,
         "AddForColorSpace2(0,0,1,1,\"s\",0,0,-2147483648)"},
        {"ReplaceFactor(0,0,1,1,\"s\",0,0,1,1,65535,0)", 65535u, "ReplaceFactor(0,0,1,1,\"s\",0,0,1,1,65535,0)"},
        {"ReplaceFactor(0,0,1,1,\"s\",0,0,1,1,-257,0)", uint32_t(-257),
         "ReplaceFactor(0,0,1,1,\"s\",0,0,1,1,-257,0)"},
        // Beyond the 64-bit range the two readings part: "%d" saturates at
        // the largest long (low 32 bits all ones), "%lu" keeps the low bits.
        {"AntiMoire(9223372036854775808,3,4)", 0xFFFFFFFFu, "AntiMoire(-1,3,4)"},
        {"RGB2ColorSpace(0,0,1,1,9223372036854775808)", 0xFFFFFFFFu, "RGB2ColorSpace(0,0,1,1,-1)"},
        {"SubForColorSpace2(0,0,1,1,\"s\",0,0,9223372036854775808)", 0xFFFFFFFFu,
         "SubForColorSpace2(0,0,1,1,\"s\",0,0,-1)"},
        {"ReplaceFactor(0,0,1,1,\"s\",0,0,1,1,9223372036854775808,0)", 0xFFFFFFFFu,
         "ReplaceFactor(0,0,1,1,\"s\",0,0,1,1,-1,0)"},
        {"Mirror(0,0,10,10,9223372036854775808)", 0u, "Mirror(0,0,10,10,0)"},
        {"Blur(0,0,1,1,9223372036854775809)", 1u, "Blur(0,0,1,1,1,0,255)"},
    };
    for (const Case& c : cases) {
        ExpectFixedPoint(c.text, c.written, [&c](const QDXFactor& f, const QDXFactor& g) {
            EXPECT_EQ(f.Options, c.options);
            EXPECT_EQ(g.Options, c.options);
        });
    }
}

// Inputs that are not canonical: the written text, which reads back to
// itself.
TEST(FilterFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        {"DistAlpha(0,0,64,64,1.5,8,255,0)", "DistAlpha(0,0,64,64,1.500000000,8.000000000,255,0)"},
        {"DistAlpha(0,0,64,64,1e-10,0.1234567891,0255,+7)",
         "DistAlpha(0,0,64,64,0.000000000,0.123456789,255,7)"},
        {"Blur(0,0,100,100,3)", "Blur(0,0,100,100,3,0,255)"},
        {"RasterScroll(0,0,64,64,0,4,16,0,4,16)", "RasterScroll(0,0,64,64,0.000000,4,16,0.000000,4,16,1)"},
        {"RasterScroll(0,0,64,64,0,4,16,0,4,16,0,99)", "RasterScroll(0,0,64,64,0.000000,4,16,0.000000,4,16,0)"},
        {"RasterScroll2(0,0,64,64,0.1234567,16,2.5e1,16,1)",
         "RasterScroll2(0,0,64,64,0.123457,16,25.000000,16,1)"},
        {"ReplacementMap(0,0,64,64,\"Master\",0,0,9)", "ReplacementMap(0,0,64,64,\"Master\",0,0)"},
        {"ReplacementMapC(0,0,64,64,'Master',0,0", "ReplacementMapC(0,0,64,64,\"Master\",0,0)"},
        {"DisplacementMap(0,0,64,64,\"M\",0,0,1,1,0,0,P3,10,0XFF)",
         "DisplacementMap(0,0,64,64,\"M\",0,0,1,1,0,0,P3#0,10,ff)"},
        {"DisplacementMapC(0,0,64,64,\"M\",0,0,1,1,0,0,0x80FF00FF,-1,0)",
         "DisplacementMapC(0,0,64,64,\"M\",0,0,1,1,0,0,80ff00ff,ffffffff,0)"},
        {"DisplacementMapC(0,0,64,64,\"M\",0,0,1,1,0,0,P0,1,2)",
         "DisplacementMapC(0,0,64,64,\"M\",0,0,1,1,0,0,0,1,2)"},
        {"DisplacementMapA(0,0,64,64,\"M\",0,0,1,1,0,0, 12z,10,0)",
         "DisplacementMapA(0,0,64,64,\"M\",0,0,1,1,0,0,12,10,0)"},
        {"Mosaic( 1,2x,3,4,5,6) tail", "Mosaic(1,2,3,4,5,6)"},
        {"AddForColorSpace2(0,0,64,64,\"Master\",1,2,3,4)", "AddForColorSpace2(0,0,64,64,\"Master\",1,2,3)"},
        {"SubForColorSpace2(0,0,64,64,\"Master\",1,2,3,)", "SubForColorSpace2(0,0,64,64,\"Master\",1,2,3)"},
        {"DisplacementCalc(0,0,64,64,65536,65536,65536,65536",
         "DisplacementCalc(0,0,64,64,65536,65536,65536,65536)"},
        {"!AntiMoire(08,+3,4)", "!AntiMoire(8,3,4)"},
    };
    ExpectFixedPoints(cases);

    // A reset factor given a kind writes the reset values, and they read
    // back: the Calc members write the identity entries.
    QDXFactor f;
    f.Reset();
    f.Kind = 1416;
    EXPECT_EQ(Write(f), "ReplacementCalc(0,0,0,0,65536,65536,0,0)");
    f.Kind = 1412;
    EXPECT_EQ(Write(f), "DisplacementCalc(0,0,0,0,65536,65536,65536,65536)");
}

// No keyword of the family is taken for another one that it begins.
TEST(FilterFactorsTest, KeywordsApart) {
    const KindCase cases[] = {
        {"Blur(0,0,1,1,1)", 1405},
        {"BlurC(0,0,1,1,1)", 1403},
        {"BlurA(0,0,1,1,1)", 1404},
        {"RasterScroll(0,0,1,1,0,0,0,0,0,0)", 1406},
        {"RasterScroll2(0,0,1,1,0,0,0,0,0)", 1407},
        {"AddForColorSpace(0,0,1,1,0,0,0)", 5003},
        {"AddForColorSpace2(0,0,1,1,\"s\",0,0,0)", 5005},
        {"AddForColorSpaceRange(0,0,1,1,0,0,0,0,0,0,0,0,0)", 5004},
        {"DisplacementMap(0,0,1,1,\"s\",0,0,1,1,0,0,0,0,0)", 1409},
        {"DisplacementMapA(0,0,1,1,\"s\",0,0,1,1,0,0,0,0,0)", 1411},
        {"ReplacementMapC(0,0,1,1,\"s\",0,0)", 1414},
        {"ReplaceFactor(0,0,1,1,\"s\",0,0,1,1,0,0)", 5007},
        {"blur(0,0,1,1,1)", 0},
        {"Blur (0,0,1,1,1)", 0},
        {"BlurB(0,0,1,1,1)", 0},
        {"RasterScroll3(0,0,1,1,0,0,0,0,0)", 0},
        {"!!Mosaic(0,0,1,1,1,1)", 0},
    };
    for (const KindCase& c : cases) ExpectKind(c.text, c.kind);
    // The codes around the family's ranges do not exist.
    for (const uint32_t kind : {1400u, 1418u, 1500u, 5000u, 5008u}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(FindFactorKind(kind), nullptr);
        QDXFactor f;
        f.Reset();
        f.Kind = kind;
        EXPECT_EQ(Write(f), "<write failed>");
    }
}

}  // namespace
