// The factor text frame: the disabled mark, the keyword lookup, the count rules,
// the argument types and what a failed parse leaves; the writer's frame.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"

namespace {

using namespace vocabulary;

TEST(FactorFrameTest, TableIsConsistent) { EXPECT_STREQ(CheckFactorTable(), ""); }

// Texts through the frame, with the fields the frame and the argument types
// decide. Each parse starts from a reset factor with a few markers set.
TEST(FactorFrameTest, ParseTable) {
    constexpr uint32_t kKeep = 0xABCDEF;  // Color1 before the parse
    struct Case {
        const char* text;
        bool ok;
        uint32_t kind;  // expected Kind (7 when the parse fails: the marker)
        bool enabled;
        uint32_t alpha, color1, colorRef1;
        int32_t x1;
    };
    const Case cases[] = {
        {"Line(0,0,16,16,16,ff0000)", true, 102, true, 255, 0xff0000, 0, 0},
        {"!Line(0,0,16,16,16,ff0000,128)", true, 102, false, 128, 0xff0000, 0, 0},
        {"!!Line(0,0,16,16,16,ff0000,128)", false, 7, false, 9, kKeep, 0, 5},
        {" Line(0,0,16,16,16,ff0000)", false, 7, true, 9, kKeep, 0, 5},
        {"line(0,0,16,16,16,ff0000)", false, 7, true, 9, kKeep, 0, 5},
        {"Line(1x,2,3,4,5,ff)", true, 102, true, 255, 0xff, 0, 1},
        {"Line(,2,3,4,5,ff)", false, 7, true, 255, kKeep, 0, 5},  // alpha (255) set first
        {"Line(  -3,2,3,4,5,ff)", true, 102, true, 255, 0xff, 0, -3},
        {"Line(0,0,16,16,16,ff,256)", false, 7, true, 9, kKeep, 0, 5},
        {"Line(0,0,16,16,16,ff,-1)", false, 7, true, 9, kKeep, 0, 5},
        {"Line(0,0,16,16,16,ff,1,2)", false, 7, true, 9, kKeep, 0, 5},
        {"Line(0,0,16,16,16,P40000005)", true, 102, true, 255, kKeep, 0x40000005, 0},
        {"Line(0,0,16,16,16,P 40000005)", true, 102, true, 255, kKeep, 0x40000005, 0},
        {"Line(0,0,16,16,16, P40000005)", false, 7, true, 255, kKeep, 0, 0},
        {"Line(0,0,16,16,16,p40000005)", false, 7, true, 255, kKeep, 0, 0},
        {"Line(0,0,16,16,16,P0)", true, 102, true, 255, kKeep, 0, 0},
        {"Line(0,0,16,16,16,0xFF)", true, 102, true, 255, 0xff, 0, 0},
        {"Line(0,0,16,16,16,-1)", true, 102, true, 255, 0xffffffff, 0, 0},
        {"Line(0,0,16,16,16,ff0000", true, 102, true, 255, 0xff0000, 0, 0},   // no closing bracket
        {"Line(0,0,16,16,16,ff0000)xyz,1", true, 102, true, 255, 0xff0000, 0, 0},  // tail ignored
        {"Line(0,0,16,16,16,ff0000) ", true, 102, true, 255, 0xff0000, 0, 0},
        {"Line", false, 7, true, 9, kKeep, 0, 5},
        {"Line()", false, 7, true, 9, kKeep, 0, 5},
        {"", false, 7, true, 9, kKeep, 0, 5},
        {"!", false, 7, false, 9, kKeep, 0, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        f.Reset();
        f.Kind = 7;
        f.Alpha = 9;
        f.Color1 = kKeep;
        f.ColorRef1 = 0x55;  // the frame clears every reference first
        f.ColorRef4 = 0x66;
        f.X1 = 5;
        f.Enabled = !c.enabled;
        EXPECT_EQ(f.ParseText(c.text), c.ok);
        EXPECT_EQ(f.Kind, c.kind);
        EXPECT_EQ(f.Enabled, c.enabled);
        EXPECT_EQ(f.Alpha, c.alpha);
        EXPECT_EQ(f.Color1, c.color1);
        EXPECT_EQ(f.ColorRef1, c.colorRef1);
        EXPECT_EQ(f.ColorRef4, 0u);
        EXPECT_EQ(f.X1, c.x1);
    }
}

// A failed parse of a row without a list keeps what it read before the failing
// item (Kind excepted); a row with a list is read all or nothing.
TEST(FactorFrameTest, FailureKeepsKindAndEarlierFields) {
    QDXFactor f;
    f.Reset();
    f.Kind = 33;
    f.Alpha = 9;
    f.Enabled = true;
    f.ColorRef2 = 5;
    ASSERT_TRUE(f.Path.AddNew()->ParseText("Jump(7,7)"));
    EXPECT_FALSE(f.ParseText("!Diagram(4,5,P40000005,77,qdxpath(Line(1,1),Line(2)))"));
    EXPECT_EQ(f.Kind, 33u);
    EXPECT_EQ(f.X1, 0);
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.ColorRef2, 5u);
    EXPECT_TRUE(f.Enabled);
    EXPECT_EQ(f.Alpha, 9);
    ASSERT_EQ(f.Path.GetCount(), 1u);
    EXPECT_EQ(f.Path.GetAt(0)->Type, QDXPath::kJump);

    // The same text read whole replaces everything it names.
    EXPECT_TRUE(f.ParseText("!Diagram(4,5,P40000005,77,qdxpath(Line(1,1),Line(2,2)))"));
    EXPECT_EQ(f.Kind, 101u);
    EXPECT_EQ(f.X1, 4);
    EXPECT_EQ(f.ColorRef1, 0x40000005u);
    EXPECT_EQ(f.ColorRef2, 0u);
    EXPECT_FALSE(f.Enabled);
    EXPECT_EQ(f.Alpha, 77);
    EXPECT_EQ(f.Path.GetCount(), 2u);
    f.Kind = 33;
    f.Enabled = true;

    // The other shapes store the alpha (or 255) before anything else.
    f.X1 = 1;
    f.Alpha = 9;
    EXPECT_FALSE(f.ParseText("LineA(7,q,0,0,16)"));
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_EQ(f.X1, 7);
    f.X1 = 1;
    EXPECT_FALSE(f.ParseText("LineA(7,0,0,0,16,300)"));
    EXPECT_EQ(f.X1, 1);  // the alpha failed before X1 was read
    EXPECT_EQ(f.Kind, 33u);
}

// Reals must be finite wherever the frame reads them: "inf" and "nan" scan as
// reals but would reach integer conversions when the factor is drawn.
TEST(FactorFrameTest, NonFiniteRealsRefused) {
    for (const char* text : {"Arc2A(1,2,3,4,5,6,inf,1.5,7,1,1,1,1)", "Arc2A(1,2,3,4,5,6,0.5,-INF,7,1,1,1,1)",
                             "Arc2A(1,2,3,4,5,6,nan,1.5,7,1,1,1,1)", "Arc2A(1,2,3,4,5,6,0.5,1.5,7,1,nan(1),1,1)"}) {
        SCOPED_TRACE(text);
        QDXFactor f;
        f.Reset();
        EXPECT_FALSE(f.ParseText(text));
        EXPECT_EQ(f.Kind, 0u);
    }
    QDXFactor f;
    f.Reset();
    EXPECT_TRUE(f.ParseText("Arc2A(1,2,3,4,5,6,1e300,-0.0,7,1,1,1,1)"));
}

// The argument types the shape family does not use, through rows of a test's
// own: acolour, name, hex, ulong, and the count rules exact / at least / none.
constexpr FactorField kTestFields[] = {AColour(0, 2), Name(1, &QDXFactor::SourceName), Hex(2, &QDXFactor::Options),
                                       ULong(3, &QDXFactor::IntParam1), Real(4, &QDXFactor::Real3, 6)};
constexpr FactorRow kExactRow = {9001, "Test(", CountRule::kExact, 5, 0, kTestFields};
constexpr FactorRow kAtLeastRow = {9002, "TestL(", CountRule::kAtLeast, 5, 0, kTestFields};
constexpr FactorRow kNoneRow = {9003, "Clear()", CountRule::kNone, 0, 0, FieldList()};

TEST(FactorFrameTest, ArgumentTypesTable) {
    struct Case {
        const FactorRow* row;
        const char* args;
        bool ok;
        uint32_t color2, colorRef2;
        const char* name;
        uint32_t options, intParam1;
        const char* written;  // WriteRow's text for the result (null: not checked)
    };
    const Case cases[] = {
        {&kExactRow, "P40000005#80,\"Obj\",1F,7,0.5)", true, 0x80000000, 0x40000005, "Obj", 0x1f, 7,
         "Test(P40000005#80,\"Obj\",1f,7,0.500000)"},
        {&kExactRow, "P40000005#1ff,\"\",0x1F,-1,1)", true, 0xff000000, 0x40000005, "", 0x1f, 0xffffffff,
         "Test(P40000005#ff,\"\",1f,4294967295,1.000000)"},
        {&kExactRow, "P40000005,'single',ff,0,0)", true, 0, 0x40000005, "single", 0xff, 0, nullptr},
        {&kExactRow, "P40000005#,\"a\\\"b\"tail,0,0,0)", true, 0, 0x40000005, "a\\\"b", 0, 0, nullptr},
        {&kExactRow, "80ff0000,\"x\",0,0,0)", true, 0x80ff0000, 0, "x", 0, 0, "Test(80ff0000,\"x\",0,0,0.000000)"},
        {&kExactRow, "zz,\"x\",0,0,0)", false, 0x12, 0x34, "old", 3, 4, nullptr},
        {&kExactRow, "ff,x,0,0,0)", false, 0xff, 0, "old", 3, 4, nullptr},  // one byte: no closing delimiter
        {&kExactRow, "ff,abc,0,0,0)", false, 0xff, 0, "old", 3, 4, nullptr},  // "a" never closes
        {&kExactRow, "ff,\"x\",g,0,0)", false, 0xff, 0, "x", 3, 4, nullptr},
        {&kExactRow, "ff,\"x\",0,0,0,0)", false, 0x12, 0x34, "old", 3, 4, nullptr},  // count 6
        {&kAtLeastRow, "ff,\"x\",0,0,0,junk,more)", true, 0xff, 0, "x", 0, 0, "TestL(ff,\"x\",0,0,0.000000)"},
        {&kAtLeastRow, "ff,\"x\",0,0)", false, 0x12, 0x34, "old", 3, 4, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        QDXFactor f;
        f.Reset();
        f.Color2 = 0x12;
        f.ColorRef2 = 0x34;
        f.SourceName.Assign("old");
        f.Options = 3;
        f.IntParam1 = 4;
        f.Kind = 7;
        if (c.ok || c.colorRef2 != 0x34) f.ColorRef2 = 0;  // as the frame would have
        EXPECT_EQ(ParseArguments(f, *c.row, c.args), c.ok);
        EXPECT_EQ(f.Kind, c.ok ? c.row->kind : 7u);
        EXPECT_EQ(f.Color2, c.color2);
        EXPECT_EQ(f.ColorRef2, c.colorRef2);
        EXPECT_STREQ(f.SourceName.GetText(), c.name);
        EXPECT_EQ(f.Options, c.options);
        EXPECT_EQ(f.IntParam1, c.intParam1);
        if (c.written != nullptr) {
            CStr_base<1024> out;
            ASSERT_TRUE(WriteRow(f, *c.row, out));
            EXPECT_STREQ(out.GetText(), c.written);
        }
    }

    // A form without arguments: anything after its ")" is ignored, and it
    // writes back as the bare keyword.
    QDXFactor f;
    f.Reset();
    EXPECT_TRUE(ParseArguments(f, kNoneRow, " whatever"));
    EXPECT_EQ(f.Kind, 9003u);
    f.Enabled = false;
    CStr_base<1024> out("old");
    ASSERT_TRUE(WriteRow(f, kNoneRow, out));
    EXPECT_STREQ(out.GetText(), "!Clear()");
}

// Writer frame: the mark, unknown kinds, replaced output, unwritable nodes.
TEST(FactorWriterTest, Frame) {
    QDXFactor f;
    f.Reset();
    CStr_base<1024> out("previous text");
    EXPECT_FALSE(f.WriteText(out));  // Kind 0
    EXPECT_STREQ(out.GetText(), "previous text");
    for (uint32_t kind : {13u, 100u, 113u, 5008u, 0xFFFFFFFFu}) {
        f.Kind = kind;
        EXPECT_FALSE(f.WriteText(out)) << kind;
        EXPECT_STREQ(out.GetText(), "previous text");
    }

    ASSERT_TRUE(f.ParseText("!CircleA(1,2,3,4)"));
    ASSERT_TRUE(f.WriteText(out));
    EXPECT_STREQ(out.GetText(), "!CircleA(1,2,3,4)");
    QDXFactor g;
    g.Reset();
    ASSERT_TRUE(g.ParseText(out.GetText()));
    EXPECT_FALSE(g.Enabled);

    // A longer previous text is replaced, not appended to or kept past the end.
    out.Assign(std::string(3000, 'x').c_str());
    f.Enabled = true;
    ASSERT_TRUE(f.WriteText(out));
    EXPECT_STREQ(out.GetText(), "CircleA(1,2,3,4)");

    // A node type outside 1..7 fails the factor even though its head could be
    // written, and out keeps what it held.
    ASSERT_TRUE(f.ParseText("Frame(1,2,3,ff,qdxpath(Line(1,1),Arc(1,2,3,4)))"));
    out.Assign("kept");
    for (int32_t type : {0, 8, -1}) {
        f.Path.GetAt(1)->Type = type;
        EXPECT_FALSE(f.WriteText(out)) << type;
        EXPECT_STREQ(out.GetText(), "kept");
    }
    f.Path.GetAt(1)->Type = QDXPath::kArc;
    ASSERT_TRUE(f.WriteText(out));
    EXPECT_STREQ(out.GetText(), "Frame(1,2,3,ff,255,qdxpath(Line(1,1),Arc(1,2,3,4)))");
}

// Reals: nine decimals through the writer, the same bytes the formatter gives
// for odd values too.
TEST(FactorWriterTest, RealAndIntegerForms) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText("Pie(0,0,0,0,0,0,1.570796327,0,ff)"));
    const double values[] = {1.570796327, -0.0, 1e300, -2.5e-12, 0.1234567895, 123456789.987654321};
    const int32_t ints[] = {INT32_MIN, -1, 0, INT32_MAX};
    for (double v : values) {
        for (int32_t i : ints) {
            f.Real1 = v;
            f.X1 = i;
            f.Color1 = uint32_t(i);
            CStr_base<1024> out;
            ASSERT_TRUE(f.WriteText(out));
            CStr_base<1024> expected;
            expected.Format("Pie(%d,0,0,0,0,0,%.9f,0.000000000,%x,255)", i, v, uint32_t(i));
            EXPECT_STREQ(out.GetText(), expected.GetText());
            QDXFactor g;
            g.Reset();
            ASSERT_TRUE(g.ParseText(out.GetText()));
            CStr_base<1024> again;
            ASSERT_TRUE(g.WriteText(again));
            EXPECT_STREQ(again.GetText(), out.GetText());
            EXPECT_EQ(g.X1, i);
        }
    }
    f.Real1 = 1.570796327;
    CStr_base<1024> out;
    ASSERT_TRUE(f.WriteText(out));
    QDXFactor g;
    g.Reset();
    ASSERT_TRUE(g.ParseText(out.GetText()));
    EXPECT_EQ(g.Real1, 1.570796327);
}

}  // namespace
