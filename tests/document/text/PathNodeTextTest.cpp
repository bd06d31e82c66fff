// Path nodes and target entries: their item texts read and written.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "document/model/QDXFactor.h"

namespace {

// A node with every field set to something a parse must overwrite.
QDXPath DirtyNode() {
    QDXPath node;
    node.X = node.Y = node.X2 = node.Y2 = 99;
    node.Type = 9;
    node.CurveFlag = true;
    node.Enabled = false;
    return node;
}

TEST(PathNodeTextTest, ParseAndWriteTable) {
    struct Case {
        const char* text;
        int32_t type, x, y, x2, y2;
        bool curve, enabled;
        const char* written;  // what WriteText gives for the parsed node
    };
    const Case cases[] = {
        {"Line(1,2)", 1, 1, 2, 0, 0, false, true, "Line(1,2)"},
        {"!Line(1,2)", 1, 1, 2, 0, 0, false, false, "!Line(1,2)"},
        {"Line(-2147483648,2147483647)", 1, INT32_MIN, INT32_MAX, 0, 0, false, true,
         "Line(-2147483648,2147483647)"},
        {"Line( 1,\t2)", 1, 1, 2, 0, 0, false, true, "Line(1,2)"},
        {"Line(1x,2y)", 1, 1, 2, 0, 0, false, true, "Line(1,2)"},
        {"Line(1,2)tail", 1, 1, 2, 0, 0, false, true, "Line(1,2)"},
        {"Line(1,2", 1, 1, 2, 0, 0, false, true, "Line(1,2)"},
        {"CircleCurve(1,2,3,4,t)", 2, 1, 2, 3, 4, true, true, "CircleCurve(1,2,3,4,t)"},
        {"!CircleCurve(-1,-2,-3,-4,t)", 2, -1, -2, -3, -4, true, false, "!CircleCurve(-1,-2,-3,-4,t)"},
        {"CircleCurve(1,2,3,4,f)", 2, 1, 2, 3, 4, false, true, "CircleCurve(1,2,3,4,f)"},
        {"CircleCurve(1,2,3,4,true)", 2, 1, 2, 3, 4, false, true, "CircleCurve(1,2,3,4,f)"},
        {"CircleCurve(1,2,3,4,T)", 2, 1, 2, 3, 4, false, true, "CircleCurve(1,2,3,4,f)"},
        {"CircleCurve(1,2,3,4, t)", 2, 1, 2, 3, 4, false, true, "CircleCurve(1,2,3,4,f)"},
        {"CircleCurve(1,2,3,4,)", 2, 1, 2, 3, 4, false, true, "CircleCurve(1,2,3,4,f)"},
        {"Arc(1,2,3,4)", 3, 1, 2, 3, 4, false, true, "Arc(1,2,3,4)"},
        {"!Arc(1,2,3,4)", 3, 1, 2, 3, 4, false, false, "!Arc(1,2,3,4)"},
        {"Jump(5,6)", 4, 5, 6, 0, 0, false, true, "Jump(5,6)"},
        {"!Jump(1,2)", 4, 1, 2, 0, 0, false, false, "Jump(1,2)"},  // the mark is kept, not written
        {"Return", 5, 0, 0, 0, 0, false, true, "Return"},
        {"!Return", 5, 0, 0, 0, 0, false, false, "Return"},
        {"Tip", 6, 0, 0, 0, 0, false, true, "Tip"},
        {"Separator", 7, 0, 0, 0, 0, false, true, "Separator"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXPath node = DirtyNode();
        ASSERT_TRUE(node.ParseText(c.text));
        EXPECT_EQ(node.Type, c.type);
        EXPECT_EQ(node.X, c.x);
        EXPECT_EQ(node.Y, c.y);
        EXPECT_EQ(node.X2, c.x2);
        EXPECT_EQ(node.Y2, c.y2);
        EXPECT_EQ(node.CurveFlag, c.curve);
        EXPECT_EQ(node.Enabled, c.enabled);
        CStr_base<64> out("old");
        EXPECT_TRUE(node.WriteText(out));
        EXPECT_STREQ(out.GetText(), c.written);
    }
    const char* const failures[] = {
        "Return()",
        "Return ",
        "Tipx",
        "Separator()",
        "",
        "!",
        "!!Line(1,2)",
        " Line(1,2)",
        "line(1,2)",
        "Line(1)",
        "Line(1,2,3)",
        "Line(,2)",
        "Line(1, )",
        "Line(a,2)",
        "Line()",
        "Arc(1,2,3)",
        "Arc(1,2,3,4,5)",
        "CircleCurve(1,2,3,4)",
        "CircleCurve(1,2,3,x,t)",
        "Jump(1,2,3)",
        "Move(1,2)",
    };
    for (const char* text : failures) {
        QDXPath node = DirtyNode();
        EXPECT_FALSE(node.ParseText(text)) << text;
    }
}

TEST(PathNodeTextTest, WriteRefusesUnknownTypesAndKeepsTheOutput) {
    for (int32_t type : {0, 8, -1, 100}) {
        QDXPath node;
        node.Type = type;
        CStr_base<64> out("unchanged");
        EXPECT_FALSE(node.WriteText(out)) << type;
        EXPECT_STREQ(out.GetText(), "unchanged");
    }
}

// Nodes in the form a parse leaves them: the fields a type does not store are
// 0, the curve flag only on a CircleCurve, the mark only where it is written.
TEST(PathNodeTextTest, RandomNodesRoundTrip) {
    std::mt19937 rng(11);
    CStr_base<64> text;
    for (int i = 0; i < 20000; ++i) {
        QDXPath node;
        node.Type = 1 + static_cast<int32_t>(rng() % 7);
        const int32_t stored = node.Type == 1 || node.Type == 4 ? 2 : (node.Type <= 3 ? 4 : 0);
        int32_t* fields[4] = {&node.X, &node.Y, &node.X2, &node.Y2};
        for (int32_t f = 0; f < stored; ++f) *fields[f] = static_cast<int32_t>(rng());
        node.CurveFlag = node.Type == 2 && (rng() & 1) != 0;
        node.Enabled = node.Type > 3 || (rng() & 1) != 0;

        ASSERT_TRUE(node.WriteText(text));
        QDXPath back = DirtyNode();
        ASSERT_TRUE(back.ParseText(text.GetText())) << text.GetText();
        EXPECT_EQ(back.Type, node.Type);
        EXPECT_EQ(back.X, node.X);
        EXPECT_EQ(back.Y, node.Y);
        EXPECT_EQ(back.X2, node.X2);
        EXPECT_EQ(back.Y2, node.Y2);
        EXPECT_EQ(back.CurveFlag, node.CurveFlag);
        EXPECT_EQ(back.Enabled, node.Enabled);
        if (HasFailure()) break;
    }
}

// An entry whose names must all be replaced by a parse.
void MakeDirty(QDXForeachTargetInfo& entry) {
    for (CStr_base<64>& name : entry.Names) name.Assign("old");
    entry.Enabled = false;
}

TEST(TargetEntryTextTest, ParseTable) {
    struct Case {
        const char* text;
        bool ok;
        const char* names[4];
        bool enabled;
    };
    const Case cases[] = {
        {"FTI(\"a\",\"b\",\"c\",\"d\")", true, {"a", "b", "c", "d"}, true},
        {"!FTI(\"a\",\"b\",\"c\",\"d\")", true, {"a", "b", "c", "d"}, false},
        {"FTI(\"a\",\"b\",\"\",\"d\")", true, {"a", "b", "", "d"}, true},
        // A blank after the comma is the item's quote byte: the name is the rest.
        {"FTI(\"a\", b,\"c\",\"d\")", true, {"a", "b", "c", "d"}, true},
        // Names are written between double quotes as they are: a name that
        // would not read back that way (a double quote, an escape or a lead
        // byte taking the closing quote) is refused.
        {"FTI(\"a\", \"b\",\"c\",\"d\")", false, {}, false},
        {"FTI(\"a\",'b\\',\"c\",\"d\")", false, {}, false},
        {"FTI(\"a\",'b\x81',\"c\",\"d\")", false, {}, false},
        // Any byte opens a name; without its twin the name runs to the item's end.
        {"FTI('a','b','c','d')", true, {"a", "b", "c", "d"}, true},
        {"FTI(xabc,xdefx,\"c\",\"d\")", true, {"abc", "def", "c", "d"}, true},
        {"FTI(,\"b\",\"c\",\"d\")", true, {"", "b", "c", "d"}, true},
        {"FTI(\",\"b\",\"c\",\"d\")", false, {}, false},  // the quotes pair up otherwise: one item
        {"FTI(\"a\"tail,\"b\",\"c\",\"d\")tail", true, {"a", "b", "c", "d"}, true},
        // Escapes are stepped over and kept; a CP932 character whose second
        // byte is a backslash does not escape the quote after it.
        {"FTI(\"a\\\"b\",\"\x95\x5c\",\"c\",\"d\")", true, {"a\\\"b", "\x95\x5c", "c", "d"}, true},
        {"FTI(\"a\",\"b\",\"c\")", false, {}, false},
        {"FTI(\"a\",\"b\",\"c\",\"d\",\"e\")", false, {}, false},
        {"FTI()", false, {}, false},
        {"fti(\"a\",\"b\",\"c\",\"d\")", false, {}, false},
        {" FTI(\"a\",\"b\",\"c\",\"d\")", false, {}, false},
        {"!!FTI(\"a\",\"b\",\"c\",\"d\")", false, {}, false},
        {"", false, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXForeachTargetInfo entry;
        MakeDirty(entry);
        ASSERT_EQ(entry.ParseText(c.text), c.ok);
        if (!c.ok) continue;
        for (int i = 0; i < 4; ++i) EXPECT_STREQ(entry.Names[i].GetText(), c.names[i]) << i;
        EXPECT_EQ(entry.Enabled, c.enabled);
    }
}

TEST(TargetEntryTextTest, WriteForms) {
    QDXForeachTargetInfo entry;
    const char* names[4] = {"a", "b", "", "d"};
    for (int i = 0; i < 4; ++i) entry.Names[i].Assign(names[i]);
    CStr_base<64> out("old text");
    EXPECT_TRUE(entry.WriteText(out));
    EXPECT_STREQ(out.GetText(), "FTI(\"a\",\"b\",\"\",\"d\")");
    entry.Enabled = false;
    EXPECT_TRUE(entry.WriteText(out));
    EXPECT_STREQ(out.GetText(), "!FTI(\"a\",\"b\",\"\",\"d\")");
    entry.Clear();
    EXPECT_TRUE(entry.WriteText(out));
    EXPECT_STREQ(out.GetText(), "FTI(\"\",\"\",\"\",\"\")");
    // The output may be one of the entry's own names.
    entry.Names[0].Assign("x");
    entry.Names[3].Assign("y");
    EXPECT_TRUE(entry.WriteText(entry.Names[0]));
    EXPECT_STREQ(entry.Names[0].GetText(), "FTI(\"x\",\"\",\"\",\"y\")");
}

// Object names hold neither quotes nor backslashes; anything else, including
// commas, brackets, blanks and double-byte characters (second byte 0x5C too),
// comes back as it was.
TEST(TargetEntryTextTest, RandomEntriesRoundTrip) {
    static const char* const kPieces[] = {"a", "Z", "0", "_", " ", ",", "(", ")", "[", "}", "'", "?", "!",
                                          "\x95\x5c", "\x82\xa0", "\xe0\x40", "\x81\x7c"};
    std::mt19937 rng(5);
    CStr_base<64> text;
    for (int i = 0; i < 5000; ++i) {
        QDXForeachTargetInfo entry;
        for (CStr_base<64>& name : entry.Names) {
            const int pieces = static_cast<int>(rng() % 6);
            for (int j = 0; j < pieces; ++j) name.Append(kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])]);
        }
        entry.Enabled = (rng() & 1) != 0;
        ASSERT_TRUE(entry.WriteText(text));
        QDXForeachTargetInfo back;
        MakeDirty(back);
        back.Enabled = !entry.Enabled;
        ASSERT_TRUE(back.ParseText(text.GetText())) << text.GetText();
        for (int n = 0; n < 4; ++n) EXPECT_STREQ(back.Names[n].GetText(), entry.Names[n].GetText());
        EXPECT_EQ(back.Enabled, entry.Enabled);
        if (HasFailure()) break;
    }
}

}  // namespace
