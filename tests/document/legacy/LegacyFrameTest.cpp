// The frame of the format-1.0 vocabulary: keyword lookup, the disabled mark,
// splitting and count rules, the shared argument forms, the failure rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "document/legacy/LegacyTable.h"
#include "tests/document/legacy/LegacyTestSupport.h"

namespace {

using legacy_test::Describe;
using legacy_test::LegacyParsesAs;
using legacy_test::ResetNamed;

TEST(LegacyFrame, TablesAreConsistentAndEveryKeywordFindsItsRow) {
    EXPECT_STREQ(legacy::CheckLegacyTable(), "");
    uint32_t count = 0;
    const legacy::LegacyRow* const* rows = legacy::GetLegacyRows(count);
    ASSERT_GT(count, 0u);
    for (uint32_t i = 0; i < count; ++i) {
        const std::string keyword = rows[i]->keyword;
        EXPECT_EQ(legacy::FindLegacyKeyword((keyword + "1,2)").c_str()), rows[i]) << keyword;
        // No keyword begins another: the lookup by key and the prefix test agree.
        for (uint32_t j = 0; j < count; ++j)
            if (i != j) {
                EXPECT_NE(std::strncmp(rows[j]->keyword, rows[i]->keyword, keyword.size()), 0) << keyword;
            }
    }
}

struct TextCase {
    const char* text;
    uint32_t kind;  // 0: refused
    int enabled;    // -1: not checked
};

TEST(LegacyFrame, KeywordAndDisabledMark) {
    const TextCase cases[] = {
        {"LineAlpha(1,2,3,4,5)", 2, 1},
        {"!LineAlpha(1,2,3,4,5)", 2, 0},
        {"!!LineAlpha(1,2,3,4,5)", 0, -1},
        {" LineAlpha(1,2,3,4,5)", 0, -1},
        {"! LineAlpha(1,2,3,4,5)", 0, -1},
        {"lineAlpha(1,2,3,4,5)", 0, -1},
        {"LineA(16,32,160,320,16)", 0, -1},  // the current keyword is not a legacy one
        {"Nothing(1)", 0, -1},
        {"", 0, -1},
        {"!", 0, -1},
        {"LineAlpha", 0, -1},
        {"LineAlpha(1,2,3,4,5) trailing text", 2, 1},
        {"LineAlpha(1,2,3,4,5", 2, 1},  // a missing ")" is accepted
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        ResetNamed(f);
        f.ColorRef2 = 7;  // the frame clears every reference, matched or not
        EXPECT_EQ(f.ParseLegacyText(c.text), c.kind != 0);
        EXPECT_EQ(f.Kind, c.kind);
        EXPECT_EQ(f.ColorRef2, 0u);
        if (c.enabled >= 0) {
            EXPECT_EQ(f.Enabled, c.enabled != 0);
        }
    }
}

TEST(LegacyFrame, TrailingTextAndMissingBracketGiveTheSameRecord) {
    QDXFactor plain, trailing, open;
    ASSERT_TRUE(LegacyParsesAs(plain, "LineAlpha(1,2,3,4,5)", 2));
    ASSERT_TRUE(LegacyParsesAs(trailing, "LineAlpha(1,2,3,4,5),junk(", 2));
    ASSERT_TRUE(LegacyParsesAs(open, "LineAlpha(1,2,3,4,5", 2));
    EXPECT_EQ(Describe(trailing), Describe(plain));
    EXPECT_EQ(Describe(open), Describe(plain));
}

// Counts and the number forms: the C scanner's acceptance rules.
TEST(LegacyFrame, CountsAndNumbers) {
    struct Case {
        const char* text;
        bool ok;
        int32_t x1;  // Ints[0] when accepted
    };
    const Case cases[] = {
        {"LineAlpha(1,2,3,4)", false, 0},
        {"LineAlpha(1,2,3,4,5,6)", false, 0},
        {"LineAlpha()", false, 0},  // one empty item
        {"LineAlpha(1,,3,4,5)", false, 0},
        {"LineAlpha( 1,2,3,4,5)", true, 1},
        {"LineAlpha(1x,2,3,4,5)", true, 1},
        {"LineAlpha(+7,2,3,4,5)", true, 7},
        {"LineAlpha(-7,2,3,4,5)", true, -7},
        {"LineAlpha(x1,2,3,4,5)", false, 0},
        {"LineAlpha(-,2,3,4,5)", false, 0},
        // Beyond 32 bits: the low 32 bits, as the scanner of a 64-bit system.
        {"LineAlpha(4294967297,2,3,4,5)", true, 1},
        {"LineAlpha((1,2),2,3,4,5)", false, 0},  // a bracketed item is one item, and no number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        ResetNamed(f);
        EXPECT_EQ(f.ParseLegacyText(c.text), c.ok);
        if (c.ok) {
            EXPECT_EQ(f.X1, c.x1);
        }
        if (!c.ok) {
            EXPECT_EQ(f.Kind, 0u);
        }
    }
}

TEST(LegacyFrame, RealsFollowTheScannerAndMustBeFinite) {
    struct Case {
        const char* item;
        bool ok;
        double value;
    };
    const Case cases[] = {
        {"3.14159", true, 3.14159}, {" 1e2", true, 100.0},  {"-0.5x", true, -0.5}, {"0x10", true, 16.0},
        {".5", true, 0.5},          {"", false, 0},         {"e5", false, 0},
        // A saved document must read back: the current vocabulary refuses these.
        {"inf", false, 0},          {"nan", false, 0},      {"1e999", false, 0},
    };
    for (const Case& c : cases) {
        const std::string text = std::string("ArcAlpha(0,0,160,160,80,80,") + c.item + ",1,16)";
        SCOPED_TRACE(text);
        QDXFactor f;
        ResetNamed(f);
        EXPECT_EQ(f.ParseLegacyText(text.c_str()), c.ok);
        if (c.ok) {
            EXPECT_EQ(f.Real1, c.value);
        }
    }
}

TEST(LegacyFrame, ColourForms) {
    struct Case {
        const char* item;
        bool ok;
        uint32_t colour, ref;
    };
    const Case cases[] = {
        {"ff0000", true, 0xff0000, 0},        {"P40010000", true, 0, 0x40010000}, {"FF00FF", true, 0xff00ff, 0},
        {" P40010000", false, 0, 0},          {"p40010000", false, 0, 0},        {"", false, 0, 0},
        {"\"ff\"", false, 0, 0},              {"0xff", true, 0xff, 0},           {"Pzz", false, 0, 0},
        {"P 12", true, 0, 0x12},  // the hex scan skips blanks after the P
    };
    for (const Case& c : cases) {
        const std::string text = std::string("Line(16,32,160,320,16,") + c.item + ")";
        SCOPED_TRACE(text);
        QDXFactor f;
        ResetNamed(f);
        EXPECT_EQ(f.ParseLegacyText(text.c_str()), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(f.Color1, c.colour);
        EXPECT_EQ(f.ColorRef1, c.ref);
    }
}

TEST(LegacyFrame, FlagIsTrueOnlyForALoneT) {
    const std::pair<const char*, bool> cases[] = {{"t", true}, {"f", false}, {"x", false}, {"", false},
                                                  {" t", false}, {"tt", false}, {"T", false}};
    for (const auto& [item, flag] : cases) {
        const std::string text = std::string("CircleCurveAlpha(0,0,160,0,80,0,16,") + item + ")";
        QDXFactor f;
        ASSERT_TRUE(LegacyParsesAs(f, text, 3));
        EXPECT_EQ(f.CurveFlag, flag) << text;
    }
}

TEST(LegacyFrame, PathForm) {
    struct Case {
        std::string path;
        bool ok;
        uint32_t nodes;
    };
    const Case cases[] = {
        {"qdxpath()", true, 0},
        {"qdxpath(Line(1,2),,Line(3,4))", true, 2},
        {"qdxpath(!Line(1,2),CircleCurve(1,2,3,4,t),Arc(1,2,3,4),Jump(5,6),Return,Tip,Separator)", true, 7},
        {"qdxpath(Line(1,2),Bogus)", false, 0},
        {"path(Line(1,2))", false, 0},
        {" qdxpath(Line(1,2))", false, 0},
        {"qdxpath(" + std::string(10000, ',') + ")", false, 0},  // 10001 items, all empty
        {"qdxpath(" + std::string(9999, ',') + ")", true, 0},
    };
    for (const Case& c : cases) {
        const std::string text = "Diagram(0,0,ff," + c.path + ")";
        SCOPED_TRACE(text.substr(0, 80));
        QDXFactor f;
        ResetNamed(f);
        EXPECT_EQ(f.ParseLegacyText(text.c_str()), c.ok);
        if (c.ok) {
            EXPECT_EQ(f.Path.GetCount(), c.nodes);
        }
    }
}

}  // namespace
