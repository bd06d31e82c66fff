// The blend-mode family: nineteen modes, each in a full and a colour-only
// form, all with the same nine arguments.
#include <gtest/gtest.h>

#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary_test;

const char* const kModes[] = {"Mul",       "Add",      "Sub",     "Screen", "Overlay",    "HardLight",  "ColorBurn",
                              "ColorDodge", "Exclusion", "Difference", "Lighten", "Darken", "Xor",   "Div",
                              "RevMul",     "SoftLight", "VividLight", "LinearLight", "LinearBurn"};

// Every keyword, full and colour-only, in its own code; enabled and disabled.
TEST(BlendModeFactorsTest, EveryRowRoundTrips) {
    ASSERT_EQ(std::size(kModes), 19u);
    EXPECT_STREQ(vocabulary::CheckFactorTable(), "");
    for (uint32_t m = 1; m <= 19; ++m) {
        for (const bool colourOnly : {false, true}) {
            const std::string keyword = std::string(kModes[m - 1]) + (colourOnly ? "C(" : "(");
            SCOPED_TRACE(keyword);
            const uint32_t kind = (colourOnly ? 1250 : 1200) + m;
            const vocabulary::FactorRow* row = vocabulary::FindFactorKind(kind);
            ASSERT_NE(row, nullptr);
            EXPECT_STREQ(row->keyword, keyword.c_str());
            ExpectCanonical(keyword + "-3,20,100,50,2,\"Master\",7,-8,128)", kind, [](const QDXFactor& f) {
                ExpectRect(f, -3, 20, 100, 50);
                EXPECT_EQ(f.Options, 2u);
                EXPECT_STREQ(f.SourceName.GetText(), "Master");
                EXPECT_EQ(f.X3, 7);
                EXPECT_EQ(f.Y3, -8);
                EXPECT_EQ(f.Alpha, 128);
            });
        }
    }
    // The codes between the two runs, and around them, do not exist.
    for (const uint32_t kind : {1200u, 1220u, 1235u, 1250u, 1270u})
        EXPECT_EQ(vocabulary::FindFactorKind(kind), nullptr) << kind;
}

// Only the fields of the family are touched; the others keep the reset values.
TEST(BlendModeFactorsTest, OtherFieldsKeepTheirValues) {
    QDXFactor f;
    f.Reset();
    f.Width = 33;
    f.Color1 = 0x123456;
    f.Real1 = 1.5;
    ASSERT_TRUE(ParsesAs(f, "Mul(10,20,100,50,0,\"Master\",0,0,255)", 1201));
    EXPECT_EQ(f.Width, 33);
    EXPECT_EQ(f.Color1, 0x123456u);
    EXPECT_EQ(f.Real1, 1.5);
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_EQ(Write(f), "Mul(10,20,100,50,0,\"Master\",0,0,255)");
}

// Accepted inputs: what is stored, and the canonical text they are written
// as (which must read back to itself).
TEST(BlendModeFactorsTest, AcceptedForms) {
    struct Case {
        const char* text;
        uint32_t kind;
        uint32_t options;
        const char* name;
        int32_t x1, x2;
        uint32_t alpha;
        const char* written;
    };
    const Case cases[] = {
        {"Mul(10,20,100,50,0,\"Master\",0,0,255)", 1201, 0, "Master", 10, 100, 255,
         "Mul(10,20,100,50,0,\"Master\",0,0,255)"},
        {"ScreenC(10,20,100,50,1,\"Master\",5,5,128)", 1254, 1, "Master", 10, 100, 128,
         "ScreenC(10,20,100,50,1,\"Master\",5,5,128)"},
        // Items after the ninth are ignored and not written.
        {"Mul(10,20,100,50,0,\"Master\",0,0,255,7)", 1201, 0, "Master", 10, 100, 255,
         "Mul(10,20,100,50,0,\"Master\",0,0,255)"},
        {"Mul(10,20,100,50,0,\"Master\",0,0,255,x,y,z", 1201, 0, "Master", 10, 100, 255,
         "Mul(10,20,100,50,0,\"Master\",0,0,255)"},
        // The method wraps and is written signed.
        {"Mul(0,0,1,1,-1,\"A\",0,0,0)", 1201, 4294967295u, "A", 0, 1, 0, "Mul(0,0,1,1,-1,\"A\",0,0,0)"},
        {"Mul(0,0,1,1,4294967295,\"A\",0,0,0)", 1201, 4294967295u, "A", 0, 1, 0, "Mul(0,0,1,1,-1,\"A\",0,0,0)"},
        {"Mul(0,0,1,1,2147483648,\"A\",0,0,0)", 1201, 2147483648u, "A", 0, 1, 0,
         "Mul(0,0,1,1,-2147483648,\"A\",0,0,0)"},
        // Any method number reads, whatever the mode knows.
        {"Mul(0,0,1,1,3,\"A\",0,0,0)", 1201, 3, "A", 0, 1, 0, "Mul(0,0,1,1,3,\"A\",0,0,0)"},
        {"XorC(0,0,1,1,99,\"A\",0,0,0)", 1263, 99, "A", 0, 1, 0, "XorC(0,0,1,1,99,\"A\",0,0,0)"},
        // Zero and negative sizes are stored as written.
        {"Div(5,5,0,-4,0,\"A\",0,0,1)", 1214, 0, "A", 5, 0, 1, "Div(5,5,0,-4,0,\"A\",0,0,1)"},
        // An empty name; a name in another delimiter, and text after it.
        {"Sub(0,0,1,1,0,\"\",0,0,9)", 1203, 0, "", 0, 1, 9, "Sub(0,0,1,1,0,\"\",0,0,9)"},
        {"Sub(0,0,1,1,0,'Ma ster',0,0,9)", 1203, 0, "Ma ster", 0, 1, 9, "Sub(0,0,1,1,0,\"Ma ster\",0,0,9)"},
        {"Sub(0,0,1,1,0,\"Top\"junk,0,0,9)", 1203, 0, "Top", 0, 1, 9, "Sub(0,0,1,1,0,\"Top\",0,0,9)"},
        // Numbers read their leading part; blanks before a number are skipped.
        {"Add(12abc, 20,+100,50,1x,\"A\",0,0, 64z)", 1202, 1, "A", 12, 100, 64, "Add(12,20,100,50,1,\"A\",0,0,64)"},
        {"LinearBurnC(1,2,3,4,0,\"A\",5,6,0)", 1269, 0, "A", 1, 3, 0, "LinearBurnC(1,2,3,4,0,\"A\",5,6,0)"},
    };
    for (const Case& c : cases) {
        ExpectFixedPoint(c.text, c.written, [&c](const QDXFactor& f, const QDXFactor& g) {
            EXPECT_EQ(f.Kind, c.kind);
            EXPECT_EQ(f.Options, c.options);
            EXPECT_STREQ(f.SourceName.GetText(), c.name);
            EXPECT_EQ(f.X1, c.x1);
            EXPECT_EQ(f.X2, c.x2);
            EXPECT_EQ(f.Alpha, c.alpha);
            EXPECT_EQ(g.Options, f.Options);
        });
    }
}

// Refused inputs leave Kind as it was; items read before the failing one keep
// their new values, the ones after it are untouched.
TEST(BlendModeFactorsTest, RefusedForms) {
    struct Case {
        const char* text;
        int32_t x1;     // X1 afterwards
        int32_t y3;     // Y3 afterwards
        uint32_t alpha; // Alpha afterwards
    };
    const Case cases[] = {
        // The level is required.
        {"Mul(10,20,100,50,0,\"Master\",0,0)", kKeep, kKeep, 9},
        {"Mul()", kKeep, kKeep, 9},
        {"Mul(", kKeep, kKeep, 9},
        // The level's range.
        {"Mul(10,20,100,50,0,\"Master\",0,0,256)", 10, 0, 9},
        {"Mul(10,20,100,50,0,\"Master\",0,0,-1)", 10, 0, 9},
        {"Mul(10,20,100,50,0,\"Master\",0,0,x)", 10, 0, 9},
        {"Mul(10,20,100,50,0,\"Master\",0,0,)", 10, 0, 9},
        // Numbers that do not convert.
        {"Mul(x,20,100,50,0,\"Master\",0,0,255)", kKeep, kKeep, 9},
        {"Mul(10,20,100,50,,\"Master\",0,0,255)", 10, kKeep, 9},
        {"Mul(10,20,100,50,m,\"Master\",0,0,255)", 10, kKeep, 9},
        {"Mul(10,20,100,50,0,\"Master\",0, ,255)", 10, kKeep, 9},
        // Names: one byte, unterminated, empty item. (A lone double quote
        // runs to the end of the text when the list is split, so it already
        // fails the count.)
        {"Mul(10,20,100,50,0,x,0,0,255)", 10, kKeep, 9},
        {"Mul(10,20,100,50,0,xMaster,0,0,255)", 10, kKeep, 9},
        {"Mul(10,20,100,50,0,,0,0,255)", 10, kKeep, 9},
        {"Mul(10,20,100,50,0,\",0,0,255)", kKeep, kKeep, 9},
        {"Mul(10,20,100,50,0,\"Master,0,0,255)", kKeep, kKeep, 9},
        // No keyword of the family.
        {"mul(10,20,100,50,0,\"Master\",0,0,255)", kKeep, kKeep, 9},
        {" Mul(10,20,100,50,0,\"Master\",0,0,255)", kKeep, kKeep, 9},
        {"Mul (10,20,100,50,0,\"Master\",0,0,255)", kKeep, kKeep, 9},
        {"MulCC(10,20,100,50,0,\"Master\",0,0,255)", kKeep, kKeep, 9},
        {"!!Mul(10,20,100,50,0,\"Master\",0,0,255)", kKeep, kKeep, 9},
    };
    for (const Case& c : cases) {
        ExpectReadFromMarkers(c.text, false, [&c](const QDXFactor& f) {
            EXPECT_EQ(f.X1, c.x1);
            EXPECT_EQ(f.Y3, c.y3);
            EXPECT_EQ(f.Alpha, c.alpha);
        });
    }
}

// A parse into a used factor replaces the name entirely, and a longer name
// than the class's inline room is kept whole.
TEST(BlendModeFactorsTest, NameIsReplacedWhole) {
    QDXFactor f;
    f.Reset();
    const std::string longName(200, 'n');
    const std::string text = "Overlay(0,0,1,1,1,\"" + longName + "\",0,0,255)";
    ASSERT_TRUE(f.ParseText(text.c_str()));
    EXPECT_EQ(std::string(f.SourceName.GetText()), longName);
    EXPECT_EQ(Write(f), text);
    ASSERT_TRUE(f.ParseText("OverlayC(0,0,1,1,1,\"B\",0,0,255)"));
    EXPECT_STREQ(f.SourceName.GetText(), "B");
    EXPECT_EQ(f.Kind, 1255u);
}

}  // namespace
