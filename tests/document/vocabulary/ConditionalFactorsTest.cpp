// The conditional replacement family: pixels of a region that meet a
// condition replaced by a named source rectangle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary;

using namespace vocabulary_test;

enum Condition { kFromAlpha, kFromColor, kFromData, kIf };

struct Member {
    const char* keyword;
    uint32_t kind;
    Condition condition;
};

const Member kMembers[] = {
    {"ReplaceCopyFromAlpha(", 1301, kFromAlpha},
    {"ReplaceCopyFromColor(", 1302, kFromColor},
    {"ReplaceCopyFromData(", 1303, kFromData},
    {"ReplaceCopyIfGE(", 1304, kIf},
    {"ReplaceCopyIfLE(", 1305, kIf},
    {"ReplaceCopyIfGrOr(", 1306, kIf},
    {"ReplaceCopyIfLeOr(", 1307, kIf},
    {"ReplaceDrawFromAlpha(", 1351, kFromAlpha},
    {"ReplaceDrawFromColor(", 1352, kFromColor},
    {"ReplaceDrawFromData(", 1353, kFromData},
    {"ReplaceDrawIfGE(", 1354, kIf},
    {"ReplaceDrawIfLE(", 1355, kIf},
    {"ReplaceDrawIfGrOr(", 1356, kIf},
    {"ReplaceDrawIfLeOr(", 1357, kIf},
    {"ReplaceDrawAlpha(", 1381, kFromAlpha},
    {"ReplaceDrawAlphaFromColor(", 1382, kFromColor},
    {"ReplaceDrawAlphaFromData(", 1383, kFromData},
    {"ReplaceDrawAlphaIfGE(", 1384, kIf},
    {"ReplaceDrawAlphaIfLE(", 1385, kIf},
    {"ReplaceDrawAlphaIfGrOr(", 1386, kIf},
    {"ReplaceDrawAlphaIfLeOr(", 1387, kIf},
};

const char kHead[] = "0,-1,64,64,\"Master\",2,3,8,-8,";

// The canonical text of every keyword parses to its kind and writes back byte
// for byte, enabled and disabled, with direct and palette colours.
TEST(ConditionalFactorsTest, CanonicalRoundTrip) {
    ASSERT_STREQ(CheckFactorTable(), "");
    for (const Member& m : kMembers) {
        // The tenth argument by condition: a level, a colour, an acolour.
        std::vector<const char*> tenth;
        if (m.condition == kFromAlpha)
            tenth = {"0", "255"};
        else if (m.condition == kFromColor)
            tenth = {"ff0000", "0", "P40000005"};
        else
            tenth = {"80ff0000", "0", "P40000005#80", "P1a#0"};
        for (const char* value : tenth) ExpectCanonical(std::string(m.keyword) + kHead + value + ",128)", m.kind);
    }
}

// Where each condition stores its last two arguments, and what it leaves.
TEST(ConditionalFactorsTest, Fields) {
    for (const char* text : {"ReplaceCopyFromAlpha(0,0,64,64,\"Master\",0,0,8,8,0,255)",
                             "ReplaceDrawAlpha(0,0,64,64,\"Master\",0,0,8,8,0,255)"}) {
        SCOPED_TRACE(text);
        QDXFactor f;
        f.Reset();
        f.Color1 = 0x123;
        f.ByteParam2 = 7;
        ASSERT_TRUE(f.ParseText(text));
        EXPECT_EQ(f.X1, 0);
        EXPECT_EQ(f.X2, 64);
        EXPECT_EQ(f.Y2, 64);
        EXPECT_STREQ(f.SourceName.GetText(), "Master");
        EXPECT_EQ(f.X4, 8);
        EXPECT_EQ(f.Y4, 8);
        EXPECT_EQ(f.Alpha, 0);
        EXPECT_EQ(f.ByteParam2, 255);
        EXPECT_EQ(f.Color1, 0x123u);  // no colour in the FromAlpha members
        EXPECT_EQ(Write(f), text);
    }

    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "ReplaceDrawIfGE(1,2,3,4,\"Master\",5,6,7,8,808080,128)", 1354));
    ExpectRect(f, 1, 2, 3, 4);
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y3, 6);
    EXPECT_EQ(f.X4, 7);
    EXPECT_EQ(f.Y4, 8);
    EXPECT_EQ(f.Color1, 0x808080u);
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.Alpha, 128);  // the strength of an If member
    EXPECT_EQ(f.ByteParam2, 255);

    f.Reset();
    ASSERT_TRUE(f.ParseText("ReplaceCopyFromData(0,0,1,1,\"\",0,0,1,1,ff0000,9)"));
    EXPECT_EQ(f.Color1, 0xff0000u);
    EXPECT_EQ(f.ByteParam2, 9);  // the strength of a From member
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_STREQ(f.SourceName.GetText(), "");
}

// The colour forms of the tenth argument: what is stored and written back.
TEST(ConditionalFactorsTest, Colours) {
    constexpr uint32_t kOld = 0x5a5a5a;
    struct Case {
        Condition condition;
        const char* item;
        uint32_t ref;
        uint32_t colour;
        const char* written;
    };
    const Case cases[] = {
        // An acolour keeps the level of a palette reference in the top byte.
        {kFromData, "P1A#80", 0x1a, 0x80000000, "P1a#80"},
        {kIf, "P1A#80", 0x1a, 0x80000000, "P1a#80"},
        {kIf, "P1A#180", 0x1a, 0x80000000, "P1a#80"},  // only the low byte survives
        {kFromData, "P1A", 0x1a, 0, "P1a#0"},
        {kIf, "P1A#", 0x1a, 0, "P1a#0"},
        {kFromData, "P0", 0, 0, "0"},  // no reference: the colour is 0
        {kIf, "FF0000", 0, 0xff0000, "ff0000"},
        {kIf, "0x80FF0000", 0, 0x80ff0000, "80ff0000"},
        // A colour has no level: the "#" part is dropped.
        {kFromColor, "P1A#80", 0x1a, kOld, "P1a"},
        {kFromColor, "P0", 0, kOld, "5a5a5a"},  // no reference: the colour stays
        {kFromColor, "FF0000", 0, 0xff0000, "ff0000"},
        {kFromColor, "-1", 0, 0xffffffff, "ffffffff"},
    };
    for (const Case& c : cases) {
        const char* keyword = c.condition == kFromColor  ? "ReplaceDrawAlphaFromColor("
                              : c.condition == kFromData ? "ReplaceCopyFromData("
                                                         : "ReplaceDrawIfLeOr(";
        const std::string text = std::string(keyword) + kHead + c.item + ",255)";
        SCOPED_TRACE(text);
        QDXFactor f;
        f.Reset();
        f.Color1 = kOld;
        f.ColorRef1 = 0x77;
        ASSERT_TRUE(f.ParseText(text.c_str()));
        EXPECT_EQ(f.ColorRef1, c.ref);
        EXPECT_EQ(f.Color1, c.colour);
        const std::string written = std::string(keyword) + kHead + c.written + ",255)";
        EXPECT_EQ(Write(f), written);
        ExpectFixedPoint(
            written, written, [](QDXFactor& g) { g.Color1 = kOld; }, [](const QDXFactor&, const QDXFactor&) {});
    }
}

// Counts, levels, names, numbers and colours that fail: false, Kind
// unchanged, and the fields before the failing argument keep what was read.
TEST(ConditionalFactorsTest, Failures) {
    struct Case {
        const char* text;
        int32_t x1;  // X1 afterwards
        int32_t y4;  // Y4 afterwards
    };
    const Case cases[] = {
        // Exactly eleven: no short form, nothing beyond is ignored.
        {"ReplaceCopyFromAlpha(1,0,64,64,\"Master\",0,0,8,8,0)", kKeep, kKeep},
        {"ReplaceCopyFromAlpha(1,0,64,64,\"Master\",0,0,8,8,0,255,0)", kKeep, kKeep},
        {"ReplaceDrawAlpha(1,0,64,64,\"Master\",0,0,8,8,0)", kKeep, kKeep},
        {"ReplaceDrawIfGE(1,0,64,64,\"Master\",0,0,8,8,ff,255,)", kKeep, kKeep},
        {"ReplaceDrawAlphaFromData()", kKeep, kKeep},
        // Levels and strengths outside 0..255.
        {"ReplaceCopyFromAlpha(1,0,64,64,\"Master\",0,0,8,3,256,255)", 1, 3},
        {"ReplaceCopyFromAlpha(1,0,64,64,\"Master\",0,0,8,3,0,-1)", 1, 3},
        {"ReplaceDrawFromColor(1,0,64,64,\"Master\",0,0,8,3,ff,256)", 1, 3},
        {"ReplaceCopyIfGrOr(1,0,64,64,\"Master\",0,0,8,3,ff,x)", 1, 3},
        // Colours that do not convert: a blank before the P, no digits.
        {"ReplaceDrawFromData(1,0,64,64,\"Master\",0,0,8,3, P1a#80,255)", 1, 3},
        {"ReplaceDrawFromColor(1,0,64,64,\"Master\",0,0,8,3,Pxyz,255)", 1, 3},
        {"ReplaceDrawIfLE(1,0,64,64,\"Master\",0,0,8,3,,255)", 1, 3},
        // Names without their closing delimiter, or not quoted.
        {"ReplaceCopyIfLE(1,0,64,64,Master,0,0,8,3,ff,255)", 1, kKeep},
        {"ReplaceCopyIfLE(1,0,64,64,\"Master,0,0,8,3,ff,255)", kKeep, kKeep},
        // Numbers that do not convert.
        {"ReplaceCopyIfGE(1,0,64,64,\"Master\",0,0,8,y,ff,255)", 1, kKeep},
        {"ReplaceDrawAlphaIfGrOr(z,0,64,64,\"Master\",0,0,8,3,ff,255)", kKeep, kKeep},
    };
    for (const Case& c : cases) {
        ExpectReadFromMarkers(
            c.text, false,
            [](QDXFactor& f) { f.Y4 = kKeep; },
            [&c](const QDXFactor& f) {
                EXPECT_EQ(f.X1, c.x1);
                EXPECT_EQ(f.Y4, c.y4);
            });
    }
}

// Inputs that are not canonical: the written text is a fixed point.
TEST(ConditionalFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        {"ReplaceCopyFromAlpha(+1, 2,3x,04,'Master',0,0,8,8,0255,7)",
         "ReplaceCopyFromAlpha(1,2,3,4,\"Master\",0,0,8,8,255,7)"},
        {"ReplaceDrawAlphaIfGE(0,0,1,1,\"M\"x,0,0,1,1,P 1A#80,1",
         "ReplaceDrawAlphaIfGE(0,0,1,1,\"M\",0,0,1,1,P1a#80,1)"},
        {"ReplaceDrawFromColor(0,0,1,1,\"M\",0,0,1,1,0XABCDEF,1)tail",
         "ReplaceDrawFromColor(0,0,1,1,\"M\",0,0,1,1,abcdef,1)"},
    };
    ExpectFixedPoints(cases);
}

// "ReplaceDrawAlpha(" takes no text of its longer relatives, and the codes
// between the groups do not exist.
TEST(ConditionalFactorsTest, KeywordsApart) {
    const KindCase cases[] = {
        {"ReplaceDrawAlpha(0,0,1,1,\"s\",0,0,1,1,0,0)", 1381},
        {"ReplaceDrawAlphaFromAlpha(0,0,1,1,\"s\",0,0,1,1,0,0)", 0},
        {"ReplaceDrawAlphaFromColor(0,0,1,1,\"s\",0,0,1,1,0,0)", 1382},
        {"ReplaceDraw(0,0,1,1,\"s\",0,0,1,1,0,0)", 0},
        {"ReplaceCopyIfGe(0,0,1,1,\"s\",0,0,1,1,0,0)", 0},
    };
    for (const KindCase& c : cases) ExpectKeyword(c.text, c.kind);
    for (const uint32_t kind : {1300u, 1308u, 1350u, 1358u, 1380u, 1388u}) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(FindFactorKind(kind), nullptr);
    }
}

}  // namespace
