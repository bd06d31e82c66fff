// The format-1.0 shapes: each keyword reads the fields of its current kind,
// and the record it leaves is one the current vocabulary writes and reads back.
#include <gtest/gtest.h>

#include <string>

#include "tests/document/legacy/LegacyTestSupport.h"

namespace {

using legacy_test::ExpectSameThroughWriter;
using legacy_test::LegacyParsesAs;
using legacy_test::ResetNamed;

struct ShapeCase {
    const char* text;
    uint32_t kind;
};

// One representative text per keyword, with distinct values in every item.
const ShapeCase kEveryShape[] = {
    {"DiagramAlpha(16,32,qdxpath(Line(1,2),!CircleCurve(3,4,5,6,t),Arc(7,8,9,10),Jump(1,1),Return,Tip,Separator))", 1},
    {"LineAlpha(16,32,160,320,24)", 2},
    {"CircleCurveAlpha(0,1,160,2,80,3,16,t)", 3},
    {"ArcAlpha(0,1,160,161,80,81,0.5,3.14159,16)", 4},
    {"Arc2Alpha(0,1,160,161,80,81,0.5,3.14159,16,1.5,2.5,0.25,4)", 5},
    {"CircleAlpha(80,81,40)", 6},
    {"EllipseAlpha(0,1,160,161,80,81)", 7},
    {"BoxAlpha(0,1,160,161,8)", 8},
    {"SquareAlpha(0,1,160,161)", 9},
    {"PieAlpha(0,1,160,161,80,81,-1,7.5)", 10},
    {"FrameAlpha(16,32,24,qdxpath(Line(1,2),Line(3,4)))", 11},
    {"FrameRefAlpha(3,24)", 12},
    {"Diagram(16,32,P40010000,qdxpath(Line(1,2)))", 101},
    {"Line(16,32,160,320,16,ff0000)", 102},
    {"CircleCurve(0,1,160,2,80,3,16,f,P40010002)", 103},
    {"Arc(0,1,160,161,80,81,0.5,3.14159,16,12ab)", 104},
    {"Arc2(0,1,160,161,80,81,0.5,3.14159,16,1.5,2.5,0.25,4,ff)", 105},
    {"Circle(80,81,40,ff)", 106},
    {"Ellipse(0,1,160,161,80,81,ff00)", 107},
    {"Box(0,1,160,161,8,ff)", 108},
    {"Square(0,1,160,161,ff)", 109},
    {"Pie(0,1,160,161,80,81,-1,7.5,ff)", 110},
    {"Frame(16,32,24,ff,qdxpath(Line(1,2)))", 111},
    {"FrameRef(3,24,P40010001)", 112},
};

TEST(LegacyShapes, EveryKeywordReadsAsItsCurrentKind) {
    for (const ShapeCase& c : kEveryShape) {
        QDXFactor f;
        ASSERT_TRUE(LegacyParsesAs(f, c.text, c.kind));
        EXPECT_EQ(f.Alpha, 255) << c.text;
        ExpectSameThroughWriter(f, c.text);
        // One item fewer or more is refused: every count is exact.
        // (the first item, a number, taken away or doubled).
        std::string shorter = c.text;
        const size_t open = shorter.find('(') + 1;
        shorter.erase(open, shorter.find(',') + 1 - open);
        std::string longer = c.text;
        longer.insert(open, "1,");
        QDXFactor g;
        ResetNamed(g);
        EXPECT_FALSE(g.ParseLegacyText(shorter.c_str())) << shorter;
        ResetNamed(g);
        EXPECT_FALSE(g.ParseLegacyText(longer.c_str())) << longer;
    }
}

TEST(LegacyShapes, FieldsOfTheLine) {
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "Line(16,32,160,320,16,ff0000)", 102));
    EXPECT_EQ(f.X1, 16);
    EXPECT_EQ(f.Y1, 32);
    EXPECT_EQ(f.X2, 160);
    EXPECT_EQ(f.Y2, 320);
    EXPECT_EQ(f.Width, 16);
    EXPECT_EQ(f.Color1, 0xff0000u);
    EXPECT_EQ(f.ColorRef1, 0u);
    // The same text is a current one too, and reads the same.
    QDXFactor current;
    ResetNamed(current);
    ASSERT_TRUE(current.ParseText("Line(16,32,160,320,16,ff0000)"));
    EXPECT_EQ(legacy_test::Describe(current), legacy_test::Describe(f));
    // The legacy "Line(" has no alpha item, although the current one has.
    ResetNamed(f);
    EXPECT_FALSE(f.ParseLegacyText("Line(16,32,160,320,16,ff0000,128)"));
}

TEST(LegacyShapes, FieldsOfCircleFrameRefAndArc) {
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "Circle(80,81,40,ff)", 106));
    EXPECT_EQ(f.X3, 80);
    EXPECT_EQ(f.Y3, 81);
    EXPECT_EQ(f.Width, 40);
    EXPECT_EQ(f.X1, 0);
    EXPECT_EQ(f.X2, 0);
    ASSERT_TRUE(LegacyParsesAs(f, "FrameRef(3,16,ff)", 112));
    EXPECT_EQ(f.RefNumber1, 3);
    ASSERT_TRUE(LegacyParsesAs(f, "ArcAlpha(0,0,160,160,80,80,0,9.5,16)", 4));
    EXPECT_EQ(f.Real2, 9.5);  // not reduced to one turn
    ASSERT_TRUE(LegacyParsesAs(f, "Arc2Alpha(0,1,2,3,4,5,0.5,1.5,16,6,7,8,9)", 5));
    EXPECT_EQ(f.Real4, 6.0);
    EXPECT_EQ(f.Real7, 9.0);
    EXPECT_EQ(f.Real3, 0.0);
}

TEST(LegacyShapes, PathItemMustBeTheLastItem) {
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "Diagram(0,0,ff,qdxpath())", 101));
    EXPECT_EQ(f.Path.GetCount(), 0u);
    ResetNamed(f);
    EXPECT_FALSE(f.ParseLegacyText("Diagram(0,0,ff,path())"));
    ResetNamed(f);
    EXPECT_FALSE(f.ParseLegacyText("Diagram(0,0,qdxpath(Line(1,2)),ff)"));
}

}  // namespace
