// The shape and path family, and the round trip of every keyword of the table.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary;

using namespace vocabulary_test;

TEST(ShapeFactorsTest, ParseTable) {
    // X1, Y1 (kKeep) and the path's one node before the parse.
    struct Case {
        const char* text;
        bool ok;
        uint32_t kind;  // 0: the marker kind 5 stays
        uint32_t alpha;
        int32_t x1, y1, x3, y3, width, ref;
        bool curve;
        int32_t nodes;  // path nodes afterwards
    };
    const Case cases[] = {
        {"LineA(0,0,160,160,16)", true, 2, 255, 0, 0, 0, 0, 16, 0, false, 1},
        {"LineA(0,0,160,160,16,64)", true, 2, 64, 0, 0, 0, 0, 16, 0, false, 1},
        {"LineA(0,0,160,160)", false, 0, 9, kKeep, kKeep, 0, 0, 16, 0, false, 1},
        {"Circle(80,80,32,ff)", true, 106, 255, kKeep, kKeep, 80, 80, 32, 0, false, 1},
        {"CircleA(80,80,32)", true, 6, 255, kKeep, kKeep, 80, 80, 32, 0, false, 1},
        {"CircleCurve(0,0,32,0,16,0,8,t,0)", true, 103, 255, 0, 0, 16, 0, 8, 0, true, 1},
        {"CircleCurve(0,0,32,0,16,0,8,f,0)", true, 103, 255, 0, 0, 16, 0, 8, 0, false, 1},
        {"CircleCurve(0,0,32,0,16,0,8,T,0)", true, 103, 255, 0, 0, 16, 0, 8, 0, false, 1},
        {"CircleCurve(0,0,32,0,16,0,8,,0)", true, 103, 255, 0, 0, 16, 0, 8, 0, false, 1},
        {"CircleCurve(0,0,32,0,16,0,8, t,0)", true, 103, 255, 0, 0, 16, 0, 8, 0, false, 1},
        {"CircleCurve(0,0,32,0,16,0,8,tt,0)", true, 103, 255, 0, 0, 16, 0, 8, 0, false, 1},
        {"CircleCurveA(0,0,32,0,16,0,8,t,3)", true, 3, 3, 0, 0, 16, 0, 8, 0, true, 1},
        {"Diagram(0,0,0,qdxpath(Line(1,1)))", true, 101, 255, 0, 0, 0, 0, 16, 0, false, 1},
        {"Diagram(0,0,0,255,qdxpath(Line(1,1)))", true, 101, 255, 0, 0, 0, 0, 16, 0, false, 1},
        {"DiagramA(3,4,qdxpath(Line(1,1),Return,Line(2,2)))", true, 1, 255, 3, 4, 0, 0, 16, 0, false, 3},
        {"Diagram(0,0,0,qdxpath())", true, 101, 255, 0, 0, 0, 0, 16, 0, false, 0},
        {"Diagram(0,0,0,qdxpath(,,))", true, 101, 255, 0, 0, 0, 0, 16, 0, false, 0},
        {"Diagram(0,0,0,qdxpath(Line(1,1),,Tip,))", true, 101, 255, 0, 0, 0, 0, 16, 0, false, 2},
        {"Diagram(0,0,0,qdxpath(Line(1,1)", true, 101, 255, 0, 0, 0, 0, 16, 0, false, 1},
        {"Diagram(0,0,0,path(Line(1,1)))", false, 0, 9, kKeep, kKeep, 0, 0, 16, 0, false, 1},
        {"Diagram(0,0,0, qdxpath(Line(1,1)))", false, 0, 9, kKeep, kKeep, 0, 0, 16, 0, false, 1},
        {"Diagram(0,0,0,Qdxpath(Line(1,1)))", false, 0, 9, kKeep, kKeep, 0, 0, 16, 0, false, 1},
        // A blank item is not empty: it is a node, and no node form reads it.
        {"Diagram(0,0,0,qdxpath(Line(1,1), ))", false, 0, 9, kKeep, kKeep, 0, 0, 16, 0, false, 1},
        // A row with a list is read all or nothing: a failing node leaves the
        // factor as it was.
        {"Frame(0,0,5,0,qdxpath(Line(1,1),Line(2),Line(3,3)))", false, 0, 9, kKeep, kKeep, 0, 0, 16, 0, false, 1},
        {"FrameA(1,2,5,qdxpath(Line(1,1)))", true, 11, 255, 1, 2, 0, 0, 5, 0, false, 1},
        {"FrameA(1,2,5,7,qdxpath())", true, 11, 7, 1, 2, 0, 0, 5, 0, false, 0},
        {"FrameA(1,2,5,7)", false, 0, 9, kKeep, kKeep, 0, 0, 16, 0, false, 1},  // the alpha item is no list
        {"FrameRefA(3,16)", true, 12, 255, kKeep, kKeep, 0, 0, 16, 3, false, 1},
        {"FrameRef(3,20,ff,1)", true, 112, 1, kKeep, kKeep, 0, 0, 20, 3, false, 1},
        {"FrameRef(-4,20,ff,1)", true, 112, 1, kKeep, kKeep, 0, 0, 20, -4, false, 1},
        {"Square(1,2,3,4,ff,8,9)", false, 0, 9, kKeep, kKeep, 0, 0, 16, 0, false, 1},
        {"Arc2A(1,2,3,4,5,6,0.5,1.5,7,1,1,1,1)", true, 5, 255, 1, 2, 5, 6, 7, 0, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        ResetMarked(f);
        f.Alpha = kKeepAlpha;
        f.X1 = f.Y1 = kKeep;
        ASSERT_TRUE(f.Path.AddNew()->ParseText("Jump(7,7)"));
        EXPECT_EQ(f.ParseText(c.text), c.ok);
        EXPECT_EQ(f.Kind, c.ok ? c.kind : kMarkerKind);
        EXPECT_EQ(f.Alpha, c.alpha);
        EXPECT_EQ(f.X1, c.x1);
        EXPECT_EQ(f.Y1, c.y1);
        EXPECT_EQ(f.X3, c.x3);
        EXPECT_EQ(f.Y3, c.y3);
        EXPECT_EQ(f.Width, c.width);
        EXPECT_EQ(f.RefNumber1, c.ref);
        EXPECT_EQ(f.CurveFlag, c.curve);
        EXPECT_EQ(int32_t(f.Path.GetCount()), c.nodes);
    }
}

TEST(ShapeFactorsTest, FieldsOfTheLongForms) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "Arc2(1,2,3,4,5,6,0.25,-0.5,7,2,3,4,5,P80010203,99)", 105));
    EXPECT_EQ(f.X2, 3);
    EXPECT_EQ(f.Y2, 4);
    EXPECT_EQ(f.Real1, 0.25);
    EXPECT_EQ(f.Real2, -0.5);
    EXPECT_EQ(f.Real3, 0.0);  // not a field of Arc2
    EXPECT_EQ(f.Real4, 2.0);
    EXPECT_EQ(f.Real5, 3.0);
    EXPECT_EQ(f.Real6, 4.0);
    EXPECT_EQ(f.Real7, 5.0);
    EXPECT_EQ(f.Width, 7);
    EXPECT_EQ(f.ColorRef1, 0x80010203u);
    EXPECT_EQ(f.Color1, 0u);
    EXPECT_EQ(f.Alpha, 99);

    // The alpha forms leave the colour alone.
    f.Color1 = 0x123;
    ASSERT_TRUE(ParsesAs(f, "EllipseA(1,2,3,4,5,6)", 7));
    EXPECT_EQ(f.Color1, 0x123u);
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.Y3, 6);
}

// The list limit counts the items before the empty ones are dropped.
TEST(ShapeFactorsTest, PathLimit) {
    auto list = [](uint32_t nodes, uint32_t empties) {
        std::string text = "Diagram(0,0,ff,qdxpath(";
        for (uint32_t i = 0; i < nodes; ++i) text += "Line(" + std::to_string(i) + ",1),";
        for (uint32_t i = 0; i < empties; ++i) text += ",";
        if (text.back() == ',') text.pop_back();
        return text + "))";
    };
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText(list(10000, 0).c_str()));
    EXPECT_EQ(f.Path.GetCount(), 10000u);
    EXPECT_EQ(f.Path.GetAt(9999)->X, 9999);

    // Write and read back: the same text.
    const std::string written = Write(f);
    QDXFactor g;
    g.Reset();
    ASSERT_TRUE(g.ParseText(written.c_str()));
    EXPECT_EQ(Write(g), written);

    // 10001 items fail with the path untouched, whether or not some are empty.
    f.Kind = 3;
    EXPECT_FALSE(f.ParseText(list(10001, 0).c_str()));
    EXPECT_FALSE(f.ParseText(list(9990, 11).c_str()));
    EXPECT_EQ(f.Path.GetCount(), 10000u);
    EXPECT_EQ(f.Kind, 3u);
    ASSERT_TRUE(f.ParseText(list(9990, 10).c_str()));  // 10000 items, 9990 nodes
    EXPECT_EQ(f.Path.GetCount(), 9990u);
}

// Written forms: the colour as a reference or a code, the empty path, the
// disabled mark, the nodes as their own writer gives them.
TEST(ShapeFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        {"Line(0,0,16,16,16,P40000005)", "Line(0,0,16,16,16,P40000005,255)"},
        {"Line(0,0,16,16,16,00FF00,0)", "Line(0,0,16,16,16,ff00,0)"},
        {"Diagram(0,0,0,qdxpath())", "Diagram(0,0,0,255,qdxpath())"},
        {"!DiagramA(0,0,qdxpath(,,))", "!DiagramA(0,0,255,qdxpath())"},
        {"Frame(1,2,3,P40000005,qdxpath(Line(1,1),!Line(2,2),!Jump(3,3),!Return,CircleCurve(1,2,3,4,t)))",
         "Frame(1,2,3,P40000005,255,qdxpath(Line(1,1),!Line(2,2),Jump(3,3),Return,CircleCurve(1,2,3,4,t)))"},
        {"CircleCurve(1,2,3,4,5,6,7,x,0)", "CircleCurve(1,2,3,4,5,6,7,f,0,255)"},
        {"Arc(1,2,3,4,5,6,1.5e0,-2,7,0xFFfF00)", "Arc(1,2,3,4,5,6,1.500000000,-2.000000000,7,ffff00,255)"},
        {"Pie(+1,2,3,4,5,6,0.1234567896,3,ff,9", "Pie(1,2,3,4,5,6,0.123456790,3.000000000,ff,9)"},
        {"Circle( 1,2x,3,-1)tail", "Circle(1,2,3,ffffffff,255)"},
        {"Box(1,2,3,4,5,P 1f)", "Box(1,2,3,4,5,P1f,255)"},
    };
    for (const WrittenCase& c : cases) {
        ExpectFixedPoint(c.text, c.written, [](const QDXFactor& f, const QDXFactor& g) {
            EXPECT_EQ(g.ColorRef1, f.ColorRef1);
            EXPECT_EQ(g.Path.GetCount(), f.Path.GetCount());
        });
    }

    // A reference is written alone; the colour code under it survives a read.
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText("Square(1,2,3,4,P40000005)"));
    f.Color1 = 0xabcdef;
    EXPECT_EQ(Write(f), "Square(1,2,3,4,P40000005,255)");
    QDXFactor g;
    g.Reset();
    g.Color1 = 0x111;
    ASSERT_TRUE(g.ParseText(Write(f).c_str()));
    EXPECT_EQ(g.Color1, 0x111u);
    EXPECT_EQ(g.ColorRef1, 0x40000005u);
}

// Every keyword of the table: a canonical text parses to its kind and writes
// back byte for byte, enabled and disabled, with a direct colour and with a
// palette reference. Rows with hooks are covered by their family's tests.
std::string Sample(const FactorField& field, bool reference) {
    char buffer[64];
    switch (field.type) {
    case ArgType::kInt:
        return std::to_string((field.position % 2 ? -7 : 11) * (field.position + 1));
    case ArgType::kReal:
        std::snprintf(buffer, sizeof buffer, "%.*f", int(field.precision), 0.125 + field.position);
        return buffer;
    case ArgType::kHex:
        return "1a2b";
    case ArgType::kULong:
        return "4000000000";
    case ArgType::kULongInt:
        return "-7";
    case ArgType::kColour:
        return reference ? "P40000005" : "a1b2c";
    case ArgType::kAColour:
        return reference ? "P40000005#80" : "80ff0000";
    case ArgType::kAlpha:
        return "200";
    case ArgType::kName:
        return "\"Obj\"";
    case ArgType::kFlag:
        return field.position % 2 ? "t" : "f";
    case ArgType::kList:
        if (std::strcmp(field.slot.list->opening, "qdxpath(") == 0) {
            if (reference) return "qdxpath()";
            return "qdxpath(Line(1,2),!CircleCurve(1,2,3,4,t),Arc(-1,-2,3,4),Jump(5,6),Return,Tip,Separator)";
        }
        if (std::strcmp(field.slot.list->opening, "array(") == 0) {
            if (reference) return "array()";
            return "array(mixgradinfo(1.000000000,2.000000000,30.000000000,5.000000000,1.000000000,0.500000000,"
                   "2.000000000,1.500000000,255.000000000,10.000000000,20.000000000,30.000000000,1.000000000,MIX),"
                   "mixgradinfo(-5.000000000,2.500000000,8.000000000,16.000000000,1.000000000,1.000000000,"
                   "1.000000000,1.000000000,128.000000000,40000009,0.500000000,SUB))";
        }
        ADD_FAILURE() << "no sample for the list " << field.slot.list->opening;
        return "";
    }
    return "";
}

TEST(FactorRoundTripTest, EveryKeyword) {
    uint32_t count = 0;
    const KeywordEntry* entries = GetKeywordOrder(count);
    ASSERT_GE(count, 24u);
    uint32_t tested = 0;
    for (uint32_t e = 0; e < count; ++e) {
        const FactorRow& row = *entries[e].row;
        if (row.parseHook != nullptr || row.writeHook != nullptr) continue;
        if (FindFactorKind(row.kind) != &row) continue;  // aliases: see the dispatch test
        const FactorField* const* order = WriteOrder(row);
        for (const bool reference : {false, true}) {
            std::string text = row.keyword;
            if (row.rule != CountRule::kNone) {
                for (uint32_t k = 0; k < row.fields.count; ++k) {
                    if (k != 0) text += ",";
                    text += Sample(*order[k], reference);
                }
                text += ")";
            }
            ExpectCanonical(text, row.kind);
        }
        ++tested;
    }
    EXPECT_GE(tested, 24u);
}

// The path list is written node by node without the formatter: it must give
// exactly the bytes each node's own text form gives, for every type, both
// marks and the extreme coordinates.
TEST(ShapeFactorsTest, PathListWritesEachNodeAsItsTextForm) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText("Diagram(0,0,ff,qdxpath(Line(1,1)))"));
    f.Path.RemoveAll();
    const int32_t values[] = {0, -1, 7, INT32_MIN, INT32_MAX, 123456};
    std::string expected;
    CStr_base<64> node;
    int v = 0;
    for (int32_t type = QDXPath::kLine; type <= QDXPath::kSeparator; ++type) {
        for (bool enabled : {true, false}) {
            for (bool flag : {false, true}) {
                QDXPath* p = f.Path.AddNew();
                *p = QDXPath{};
                p->Type = type;
                p->X = values[v++ % 6];
                p->Y = values[v++ % 6];
                p->X2 = values[v++ % 6];
                p->Y2 = values[v++ % 6];
                p->CurveFlag = flag;
                p->Enabled = enabled;
                ASSERT_TRUE(p->WriteText(node));
                expected += std::string(expected.empty() ? "" : ",") + node.GetText();
            }
        }
    }
    CStr_base<1024> out;
    ASSERT_TRUE(f.WriteText(out));
    EXPECT_EQ(std::string(out.GetText()), "Diagram(0,0,ff,255,qdxpath(" + expected + "))");
}

}  // namespace
