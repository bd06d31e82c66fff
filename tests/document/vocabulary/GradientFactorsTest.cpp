// The gradient family: two- and four-colour gradients, mixed gradients with
// their point lists, colour-model and interpolating gradients, in their ARGB,
// alpha-only and colour-only forms.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary;

using namespace vocabulary_test;

// Two points as written: one in component form, one in palette form.
constexpr const char* kTwoPoints =
    "array(mixgradinfo(1.500000000,-2.250000000,30.000000000,10.000000000,1.000000000,2.000000000,3.000000000,"
    "4.000000000,255.000000000,12.000000000,34.000000000,56.000000000,0.750000000,MIX),"
    "mixgradinfo(0.000000000,0.000000000,5.000000000,50.000000000,0.500000000,0.250000000,0.125000000,"
    "0.062500000,128.000000000,40000005,1.000000000,SUB))";

// The canonical text of every keyword parses to its kind and writes back byte
// for byte, enabled and disabled; the colour rows with direct colours and
// with palette references.
TEST(GradientFactorsTest, CanonicalRoundTrip) {
    const std::string mix = std::string(",") + kTwoPoints + ")";
    const KindCase cases[] = {
        {"GradationH(1,-2,64,32,80ff0000,ff00ff00)", 501},
        {"GradationH(1,-2,64,32,P40000005#80,P40000006#0)", 501},
        {"GradationV(0,0,10,20,ff,P40000005#ff)", 502},
        {"GradationHV(0,0,10,20,1,2,3,4)", 503},
        {"GradationHV(0,0,10,20,P1#1,P2#2,P3#3,P4#4)", 503},
        {"MixGradation(0,0,64,64,80ff0000" + mix, 504},
        {"MixGradation(0,0,64,64,P40000005#80,array())", 504},
        {"GradationColorSpaceH(0,0,64,64,0,1ff,255,40000,0)", 505},
        {"GradationColorSpaceV(0,0,64,64,1,0,1,ffffffff,2)", 506},
        {"GradationColorSpaceHV(0,0,64,64,2,1,10,2,20,3,30,4,40)", 507},
        {"InterpolationGradationH(-1,-2,3,4)", 508},
        {"InterpolationGradationV(1,2,3,4)", 509},
        {"InterpolationGradationColorSpaceH(0,0,8,8,1,-3)", 510},
        {"InterpolationGradationColorSpaceV(0,0,8,8,2,3)", 511},
        {"GradationHA(0,0,8,8,0,255)", 601},
        {"GradationVA(0,0,8,8,255,0)", 602},
        {"GradationHVA(0,0,8,8,1,2,3,4)", 603},
        {"MixGradationA(0,0,8,8,200" + mix, 604},
        {"MixGradationA(0,0,8,8,0,array())", 604},
        {"InterpolationGradationHA(0,0,8,8)", 605},
        {"InterpolationGradationVA(0,0,8,8)", 606},
        {"GradationHC(0,0,8,8,ff0000,ff)", 701},
        {"GradationHC(0,0,8,8,P40000005,P6)", 701},
        {"GradationVC(0,0,8,8,P40000005,abc)", 702},
        {"GradationHVC(0,0,8,8,1,P2,3,P4)", 703},
        {"MixGradationC(0,0,64,64,ff" + mix, 704},
        {"MixGradationC(0,0,64,64,P7#10,array())", 704},
        {"GradationColorSpaceHC(0,0,8,8,0,1,2)", 705},
        {"GradationColorSpaceVC(0,0,8,8,7,fffffff,0)", 706},
        {"GradationColorSpaceHVC(0,0,8,8,-1,1,2,3,4)", 707},
        {"InterpolationGradationHC(0,0,8,8)", 708},
        {"InterpolationGradationVC(0,0,8,8)", 709},
        {"InterpolationGradationColorSpaceHC(0,0,8,8,0,0)", 710},
        {"InterpolationGradationColorSpaceVC(0,0,8,8,-2147483648,2147483647)", 711},
    };
    ExpectCanonicalTable(cases);
    // Every kind of the family has a row, and no code in between has one.
    for (uint32_t kind = 500; kind <= 712; ++kind) {
        const bool member = (kind >= 501 && kind <= 511) || (kind >= 601 && kind <= 606) ||
                            (kind >= 701 && kind <= 711);
        EXPECT_EQ(FindFactorKind(kind) != nullptr, member) << kind;
    }
}

// Where each member stores its colours, alphas, model and hue turns.
TEST(GradientFactorsTest, Fields) {
    QDXFactor f;
    f.Reset();
    f.ColorRef3 = 9;  // the frame clears every reference
    ASSERT_TRUE(ParsesAs(f, "GradationHV(1,2,3,4,P11#80,22,P33,44)", 503));
    ExpectRect(f, 1, 2, 3, 4);
    EXPECT_EQ(f.ColorRef1, 0x11u);
    EXPECT_EQ(f.Color1, 0x80000000u);
    EXPECT_EQ(f.Color2, 0x22u);
    EXPECT_EQ(f.ColorRef2, 0u);
    EXPECT_EQ(f.ColorRef3, 0x33u);
    EXPECT_EQ(f.Color3, 0u);  // a reference without "#" has alpha 0
    EXPECT_EQ(f.Color4, 0x44u);
    EXPECT_EQ(Write(f), "GradationHV(1,2,3,4,P11#80,22,P33#0,44)");

    f.Reset();
    ASSERT_TRUE(f.ParseText("GradationColorSpaceHV(0,0,8,8,2,a,1,b,2,c,3,d,4)"));
    EXPECT_EQ(f.Options, 2u);
    EXPECT_EQ(f.Color1, 0xau);
    EXPECT_EQ(f.Color2, 0xbu);
    EXPECT_EQ(f.Color3, 0xcu);
    EXPECT_EQ(f.Color4, 0xdu);
    EXPECT_EQ(f.Alpha, 1);
    EXPECT_EQ(f.ByteParam1, 2);
    EXPECT_EQ(f.ByteParam2, 3);
    EXPECT_EQ(f.ByteParam3, 4);

    f.Reset();
    ASSERT_TRUE(f.ParseText("GradationColorSpaceV(0,0,8,8,1,a,7,b,9)"));
    EXPECT_EQ(f.Alpha, 7);
    EXPECT_EQ(f.ByteParam1, 9);

    f.Reset();
    ASSERT_TRUE(f.ParseText("GradationHVA(0,0,8,8,10,20,30,40)"));
    EXPECT_EQ(f.Alpha, 10);
    EXPECT_EQ(f.ByteParam1, 20);
    EXPECT_EQ(f.ByteParam2, 30);
    EXPECT_EQ(f.ByteParam3, 40);

    f.Reset();
    ASSERT_TRUE(f.ParseText("InterpolationGradationColorSpaceHC(0,0,8,8,7,-12)"));
    EXPECT_EQ(f.Options, 7u);  // no model: parses, draws nothing
    EXPECT_EQ(f.SpaceParam1, -12);

    // The forms without colours or alphas leave them alone.
    f.Reset();
    f.Color1 = 0x123;
    f.Alpha = 5;
    f.Options = 9;
    ASSERT_TRUE(f.ParseText("InterpolationGradationHA(0,0,8,8)"));
    EXPECT_EQ(f.Color1, 0x123u);
    EXPECT_EQ(f.Alpha, 5);
    EXPECT_EQ(f.Options, 9u);
    ASSERT_TRUE(f.ParseText("GradationVA(0,0,8,8,1,2)"));
    EXPECT_EQ(f.Color1, 0x123u);
    EXPECT_EQ(f.Kind, 602u);
}

// Colour forms: the acolour's "#" byte, the colour form's reference alone,
// the hex colours that have no palette form.
TEST(GradientFactorsTest, ColourForms) {
    struct Case {
        const char* text;
        const char* written;
        uint32_t colour2, ref2;
    };
    const Case cases[] = {
        {"GradationH(0,0,1,1,0,P40000005#80)", "GradationH(0,0,1,1,0,P40000005#80)", 0x80000000, 0x40000005},
        {"GradationH(0,0,1,1,0,P40000005)", "GradationH(0,0,1,1,0,P40000005#0)", 0, 0x40000005},
        {"GradationH(0,0,1,1,0,P40000005#1ff)", "GradationH(0,0,1,1,0,P40000005#ff)", 0xff000000, 0x40000005},
        {"GradationH(0,0,1,1,0,P40000005#)", "GradationH(0,0,1,1,0,P40000005#0)", 0, 0x40000005},
        {"GradationH(0,0,1,1,0,80FFEEDD)", "GradationH(0,0,1,1,0,80ffeedd)", 0x80ffeedd, 0},
        {"GradationHC(0,0,1,1,0,P40000005#80)", "GradationHC(0,0,1,1,0,P40000005)", 0xbad, 0x40000005},
        {"GradationVC(0,0,1,1,0,0x12)", "GradationVC(0,0,1,1,0,12)", 0x12, 0},
        {"GradationColorSpaceHC(0,0,1,1,0,0,c0ffffff)", "GradationColorSpaceHC(0,0,1,1,0,0,c0ffffff)", 0xc0ffffff,
         0},
    };
    for (const Case& c : cases) {
        ExpectFixedPoint(
            c.text, c.written, [](QDXFactor& f) { f.Color2 = 0xbad; },
            [&c](const QDXFactor& f, const QDXFactor&) {
                EXPECT_EQ(f.Color2, c.colour2);
                EXPECT_EQ(f.ColorRef2, c.ref2);
            });
    }
}

// Counts are exact; alphas lie in 0..255; the hex colours take no palette
// form. A refused text leaves Kind as it was.
TEST(GradientFactorsTest, Failures) {
    const char* const cases[] = {
        "GradationH(0,0,1,1,ff)",
        "GradationH(0,0,1,1,ff,ff,ff)",
        "GradationHV(0,0,1,1,1,2,3)",
        "GradationHVC(0,0,1,1,1,2,3,4,5)",
        "MixGradation(0,0,1,1,ff)",
        "MixGradation(0,0,1,1,ff,array(),1)",
        "GradationColorSpaceH(0,0,1,1,0,ff,255,ff)",
        "GradationColorSpaceHV(0,0,1,1,0,1,2,3,4,5,6,7)",
        "InterpolationGradationH(0,0,1)",
        "InterpolationGradationV(0,0,1,1,1)",
        "InterpolationGradationColorSpaceH(0,0,1,1,0)",
        "GradationColorSpaceHC(0,0,1,1,0,1,2,3)",
        "GradationHA(0,0,1,1,1)",
        // Alphas outside 0..255 or not numbers.
        "GradationColorSpaceH(0,0,1,1,0,ff,256,ff,0)",
        "GradationColorSpaceV(0,0,1,1,0,ff,0,ff,-1)",
        "GradationHVA(0,0,1,1,1,2,3,256)",
        "GradationHA(0,0,1,1,x,0)",
        "MixGradationA(0,0,1,1,300,array())",
        // No palette form, no number.
        "GradationColorSpaceHC(0,0,1,1,0,P1,2)",
        "GradationColorSpaceH(0,0,1,1,0,ff,0,P5,0)",
        "GradationColorSpaceH(0,0,1,1,x,ff,0,ff,0)",
        "InterpolationGradationColorSpaceV(0,0,1,1,1,x)",
        "GradationH(0,0,1,1,ff,zz)",
        "GradationH(x,0,1,1,ff,ff)",
        "GradationHC(0,0,1,1,ff,p5)",
        // Keyword case and spacing.
        "gradationH(0,0,1,1,ff,ff)",
        "GradationH (0,0,1,1,ff,ff)",
    };
    for (const char* text : cases) ExpectKind(text, 0);
}

// The model is read unsigned and written "%d"; the alphas of the colour-model
// forms are written "%d", those of the alpha forms "%u": the same digits.
TEST(GradientFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        {"GradationColorSpaceH(0,0,1,1,4294967295,ff,0,ff,255)", "GradationColorSpaceH(0,0,1,1,-1,ff,0,ff,255)"},
        {"GradationColorSpaceHVC(0,0,1,1,2147483648,1,2,3,4)", "GradationColorSpaceHVC(0,0,1,1,-2147483648,1,2,3,4)"},
        {"InterpolationGradationColorSpaceV(0,0,1,1,-7,+4)", "InterpolationGradationColorSpaceV(0,0,1,1,-7,4)"},
        {"GradationColorSpaceHV(0,0,1,1,0,FF,0255,0x10,1,A,2,b,3z)",
         "GradationColorSpaceHV(0,0,1,1,0,ff,255,10,1,a,2,b,3)"},
        {"GradationHVA(0,0,1,1,255, 0,+7,9x)", "GradationHVA(0,0,1,1,255,0,7,9)"},
        {"GradationV( 1,2x,3,4,-1,FF", "GradationV(1,2,3,4,ffffffff,ff)"},
        {"InterpolationGradationVC(1,2,3,4)tail", "InterpolationGradationVC(1,2,3,4)"},
        {"!GradationColorSpaceVC(0,0,1,1,7,a,b)", "!GradationColorSpaceVC(0,0,1,1,7,a,b)"},
    };
    for (const WrittenCase& c : cases) {
        ExpectFixedPoint(c.text, c.written,
                         [](const QDXFactor& f, const QDXFactor& g) { EXPECT_EQ(g.Options, f.Options); });
    }
}

// ---- the point list ----

void ExpectPoint(const MixGradationPoint& p, const double (&values)[13], int32_t mode) {
    EXPECT_EQ(p.x, values[0]);
    EXPECT_EQ(p.y, values[1]);
    EXPECT_EQ(p.zeroRadius, values[2]);
    EXPECT_EQ(p.fullRadius, values[3]);
    EXPECT_EQ(p.scaleLeft, values[4]);
    EXPECT_EQ(p.scaleUp, values[5]);
    EXPECT_EQ(p.scaleRight, values[6]);
    EXPECT_EQ(p.scaleDown, values[7]);
    EXPECT_EQ(p.alpha, values[8]);
    EXPECT_EQ(p.red, values[9]);
    EXPECT_EQ(p.green, values[10]);
    EXPECT_EQ(p.blue, values[11]);
    EXPECT_EQ(p.strength, values[12]);
    EXPECT_EQ(p.mode, mode);
}

// The values of a point go to the record in text order: the scales are read
// left, up, right, down; the palette form has a colour word in place of red,
// green and blue.
TEST(GradientFactorsTest, PointFields) {
    QDXFactor f;
    f.Reset();
    const std::string text = std::string("MixGradation(0,0,64,64,ff,") + kTwoPoints + ")";
    ASSERT_TRUE(ParsesAs(f, text, 504));
    ASSERT_EQ(f.GradationCount, 2u);
    ASSERT_EQ(f.GradationPoints.GetCount(), 2u);
    ASSERT_EQ(f.GradationColors.GetCount(), 2u);
    ExpectPoint(f.GradationPoints.GetBuffer()[0], {1.5, -2.25, 30, 10, 1, 2, 3, 4, 255, 12, 34, 56, 0.75}, 0);
    ExpectPoint(f.GradationPoints.GetBuffer()[1], {0, 0, 5, 50, 0.5, 0.25, 0.125, 0.0625, 128, 0, 0, 0, 1}, 2);
    EXPECT_EQ(*f.GradationColors.GetAt(0), 0u);
    EXPECT_EQ(*f.GradationColors.GetAt(1), 0x40000005u);

    // The modes, and the scales apart in the record.
    ASSERT_TRUE(ParsesAs(f,
                         "MixGradationA(0,0,1,1,9,array(mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,ADD),"
                         "mixgradinfo(1,2,3,4,5,6,7,8,9,ff,13,MIX)))",
                         604));
    EXPECT_EQ(f.Alpha, 9);
    ASSERT_EQ(f.GradationCount, 2u);
    ExpectPoint(f.GradationPoints.GetBuffer()[0], {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, 1);
    ExpectPoint(f.GradationPoints.GetBuffer()[1], {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 13}, 0);
    EXPECT_EQ(*f.GradationColors.GetAt(1), 0xffu);
    EXPECT_EQ(f.GradationPoints.GetBuffer()[0].scaleLeft, 5.0);
    EXPECT_EQ(f.GradationPoints.GetBuffer()[0].scaleUp, 6.0);
    EXPECT_EQ(f.GradationPoints.GetBuffer()[0].scaleRight, 7.0);
    EXPECT_EQ(f.GradationPoints.GetBuffer()[0].scaleDown, 8.0);

    // Written in text order too.
    EXPECT_EQ(Write(f),
              "MixGradationA(0,0,1,1,9,array(mixgradinfo(1.000000000,2.000000000,3.000000000,4.000000000,"
              "5.000000000,6.000000000,7.000000000,8.000000000,9.000000000,10.000000000,11.000000000,"
              "12.000000000,13.000000000,ADD),mixgradinfo(1.000000000,2.000000000,3.000000000,4.000000000,"
              "5.000000000,6.000000000,7.000000000,8.000000000,9.000000000,ff,13.000000000,MIX)))");
}

// Lists that read, and what they are written as.
TEST(GradientFactorsTest, PointListForms) {
    const std::string p = "mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,MIX)";
    const std::string pw =
        "mixgradinfo(1.000000000,2.000000000,3.000000000,4.000000000,5.000000000,6.000000000,7.000000000,"
        "8.000000000,9.000000000,10.000000000,11.000000000,12.000000000,13.000000000,MIX)";
    struct Case {
        std::string text;
        std::string written;
        uint32_t count;
    };
    const Case cases[] = {
        {"MixGradation(0,0,1,1,ff,array())", "MixGradation(0,0,1,1,ff,array())", 0},
        {"MixGradation(0,0,1,1,ff,array(,,))", "MixGradation(0,0,1,1,ff,array())", 0},
        {"MixGradation(0,0,1,1,ff,array(", "MixGradation(0,0,1,1,ff,array())", 0},
        {"MixGradationC(0,0,1,1,ff,array(," + p + ",," + p + ",))",
         "MixGradationC(0,0,1,1,ff,array(" + pw + "," + pw + "))", 2},
        // No closing brackets: the lists end with the text.
        {"MixGradationC(0,0,1,1,ff,array(" + p, "MixGradationC(0,0,1,1,ff,array(" + pw + "))", 1},
        // Values read as "%lf" does; nine decimals are written.
        {"MixGradation(0,0,1,1,ff,array(mixgradinfo(1e1, 2x,0x10,-0,.5,5.,1.0000000004,-1.0000000006,0,0,0,0,1,SUB)))",
         "MixGradation(0,0,1,1,ff,array(mixgradinfo(10.000000000,2.000000000,16.000000000,-0.000000000,0.500000000,"
         "5.000000000,1.000000000,-1.000000001,0.000000000,0.000000000,0.000000000,0.000000000,1.000000000,SUB)))",
         1},
        // A palette-form point whose colour word is 0 is written in component
        // form, with red, green and blue 0.
        {"MixGradation(0,0,1,1,ff,array(mixgradinfo(1,2,3,4,5,6,7,8,9,0,13,ADD)))",
         "MixGradation(0,0,1,1,ff,array(mixgradinfo(1.000000000,2.000000000,3.000000000,4.000000000,5.000000000,"
         "6.000000000,7.000000000,8.000000000,9.000000000,0.000000000,0.000000000,0.000000000,13.000000000,ADD)))",
         1},
        {"MixGradation(0,0,1,1,ff,array(mixgradinfo(1,2,3,4,5,6,7,8,9,0xABC,13,ADD)))",
         "MixGradation(0,0,1,1,ff,array(mixgradinfo(1.000000000,2.000000000,3.000000000,4.000000000,5.000000000,"
         "6.000000000,7.000000000,8.000000000,9.000000000,abc,13.000000000,ADD)))",
         1},
    };
    for (const Case& c : cases) {
        ExpectFixedPoint(c.text, c.written, [&c](const QDXFactor& f, const QDXFactor&) {
            EXPECT_EQ(f.GradationCount, c.count);
            EXPECT_EQ(f.GradationPoints.GetCount(), c.count);
            EXPECT_EQ(f.GradationColors.GetCount(), c.count);
            if (c.count == 0) {
                EXPECT_EQ(f.GradationPoints.GetBuffer(), nullptr);
            }
        });
    }

    // A new list replaces the old one.
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText(("MixGradation(0,0,1,1,ff,array(" + p + "," + p + "," + p + "))").c_str()));
    ASSERT_EQ(f.GradationCount, 3u);
    ASSERT_TRUE(f.ParseText("MixGradation(0,0,1,1,ff,array(mixgradinfo(1,2,3,4,5,6,7,8,9,ff,13,ADD)))"));
    EXPECT_EQ(f.GradationCount, 1u);
    EXPECT_EQ(f.GradationPoints.GetCount(), 1u);
    ASSERT_EQ(f.GradationColors.GetCount(), 1u);
    EXPECT_EQ(*f.GradationColors.GetAt(0), 0xffu);
    ASSERT_TRUE(f.ParseText("MixGradation(0,0,1,1,ff,array())"));
    EXPECT_EQ(f.GradationCount, 0u);
    EXPECT_EQ(f.GradationPoints.GetCount(), 0u);
    EXPECT_EQ(f.GradationColors.GetCount(), 0u);
}

std::string PointList(uint32_t points, uint32_t empties, const char* last = nullptr) {
    std::string text = "MixGradation(3,4,5,6,P40000005#80,array(";
    for (uint32_t i = 0; i < points; ++i) {
        if (last != nullptr && i + 1 == points) {
            text += last;
        } else {
            text += "mixgradinfo(" + std::to_string(i) + ",2,3,4,5,6,7,8,9,10,11,12,13,ADD)";
        }
        text += ",";
    }
    for (uint32_t i = 0; i < empties; ++i) text += ",";
    if (text.back() == ',') text.pop_back();
    return text + "))";
}

// A list that fails half-way leaves the factor exactly as it was: its points,
// colour words and count, the fields read before the list, Kind and the mark.
TEST(GradientFactorsTest, FailedListLeavesFactorUnchanged) {
    const std::string good = "mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,MIX)";
    const std::string cases[] = {
        "MixGradation(7,7,7,7,ff,array(" + good + "," + good + ",mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,mix)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,MIXED)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13, MIX)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,MIX)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,14,MIX)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo(1,2,3,4,5,6,7,8,9,10,MIX)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo(1,2,3,4,5,6,7,8,9,P5,13,MIX)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,inf,MIX)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo(nan,2,3,4,5,6,7,8,9,10,11,12,13,MIX)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo(1,2,3,4,5,6,7,8,x,10,11,12,13,MIX)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo(1,2,3,4,5,6,7,8,9,ff,-inf,ADD)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ",MixGradInfo(1,2,3,4,5,6,7,8,9,10,11,12,13,MIX)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ", mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,MIX)))",
        "MixGradation(7,7,7,7,ff,array(" + good + ", ))",  // an item of blanks is a point
        "MixGradation(7,7,7,7,ff,array(" + good + ",mixgradinfo()))",
        "MixGradation(7,7,7,7,ff,list(" + good + "))",
        "MixGradation(7,7,7,7,ff, array(" + good + "))",
        "MixGradation(7,7,7,7,ff,Array(" + good + "))",
        "MixGradationA(7,7,7,7,256,array(" + good + "))",
        "MixGradationC(7,7,7,7,zz,array(" + good + "))",
        PointList(2, 0, ("mixgradinfo(" + std::string(3000, '1') + std::string(1500, ',') + "MIX)").c_str()),
        PointList(2001, 0),
        PointList(1990, 11),
        PointList(3, 1998),
        PointList(2000, 1),
        PointList(1500, 0, "mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,sub)"),
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 200));
        QDXFactor f;
        f.Reset();
        ASSERT_TRUE(f.ParseText("!MixGradationC(1,2,3,4,P9#20,array(mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,ADD),"
                                "mixgradinfo(-1,-2,-3,-4,-5,-6,-7,-8,-9,abc,-13,SUB)))"));
        f.Alpha = 33;
        const std::string before = Write(f);
        const MixGradationPoint* block = f.GradationPoints.GetBuffer();
        EXPECT_FALSE(f.ParseText(text.c_str()));
        EXPECT_EQ(f.Kind, 704u);
        EXPECT_FALSE(f.Enabled);
        EXPECT_EQ(f.X1, 1);
        EXPECT_EQ(f.Y2, 4);
        EXPECT_EQ(f.ColorRef1, 9u);
        EXPECT_EQ(f.Color1, 0x20000000u);
        EXPECT_EQ(f.Alpha, 33);
        EXPECT_EQ(f.GradationCount, 2u);
        ASSERT_EQ(f.GradationPoints.GetCount(), 2u);
        EXPECT_EQ(f.GradationPoints.GetBuffer(), block);
        ASSERT_EQ(f.GradationColors.GetCount(), 2u);
        EXPECT_EQ(*f.GradationColors.GetAt(0), 0u);
        EXPECT_EQ(*f.GradationColors.GetAt(1), 0xabcu);
        ExpectPoint(f.GradationPoints.GetBuffer()[1], {-1, -2, -3, -4, -5, -6, -7, -8, -9, 0, 0, 0, -13}, 2);
        EXPECT_EQ(Write(f), before);
    }
}

// The list bound counts empty items: 2000 items read, whatever their mix.
TEST(GradientFactorsTest, PointLimit) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText(PointList(2000, 0).c_str()));
    ASSERT_EQ(f.GradationCount, 2000u);
    EXPECT_EQ(f.GradationPoints.GetCount(), 2000u);
    EXPECT_EQ(f.GradationColors.GetCount(), 2000u);
    EXPECT_EQ(f.GradationPoints.GetBuffer()[1999].x, 1999.0);

    // Written and read back: the same text. A short list after the long one
    // reads as well.
    const std::string written = Write(f);
    QDXFactor g;
    g.Reset();
    ASSERT_TRUE(g.ParseText(written.c_str()));
    EXPECT_EQ(g.GradationCount, 2000u);
    EXPECT_EQ(Write(g), written);
    ASSERT_TRUE(g.ParseText(PointList(2, 0).c_str()));
    EXPECT_EQ(g.GradationCount, 2u);
    EXPECT_EQ(g.GradationPoints.GetBuffer()[1].x, 1.0);

    ASSERT_TRUE(f.ParseText(PointList(1990, 10).c_str()));
    EXPECT_EQ(f.GradationCount, 1990u);
    ASSERT_TRUE(f.ParseText(PointList(2, 1998).c_str()));
    EXPECT_EQ(f.GradationCount, 2u);
    EXPECT_EQ(f.GradationColors.GetCount(), 2u);
}

// A point mode outside MIX, ADD and SUB, or a count beyond the points or
// colour words, fails the write and leaves the output as it was.
TEST(GradientFactorsTest, UnwritablePoints) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText(PointList(3, 0).c_str()));
    CStr_base<1024> out;
    out.Assign("unchanged");
    for (const int32_t mode : {3, -1, 7}) {
        SCOPED_TRACE(mode);
        f.GradationPoints.GetBuffer()[2].mode = mode;
        EXPECT_FALSE(f.WriteText(out));
        EXPECT_STREQ(out.GetText(), "unchanged");
    }
    f.GradationPoints.GetBuffer()[2].mode = 2;
    ASSERT_TRUE(f.WriteText(out));
    EXPECT_NE(std::string(out.GetText()).find("SUB)))"), std::string::npos);

    out.Assign("unchanged");
    f.GradationCount = 4;
    EXPECT_FALSE(f.WriteText(out));
    EXPECT_STREQ(out.GetText(), "unchanged");
    f.GradationCount = 3;
    f.GradationColors.RemoveAt(2);
    EXPECT_FALSE(f.WriteText(out));
    EXPECT_STREQ(out.GetText(), "unchanged");
    // Fewer than the points and words: the first ones are written.
    f.GradationCount = 1;
    ASSERT_TRUE(f.WriteText(out));
    const std::string one = out.GetText();
    EXPECT_EQ(one.find("),mixgradinfo("), std::string::npos);
    EXPECT_EQ(one.substr(one.size() - 7), ",ADD)))");
}

// Read in place, without the frame's scratch record, a list that fails
// half-way leaves the three gradation fields in agreement: no points.
TEST(GradientFactorsTest, FailedListInPlaceStaysConsistent) {
    const FactorRow* row = FindFactorKind(504);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(ParsesWhole(*row));
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText(PointList(4, 0).c_str()));
    f.Kind = 5;
    f.ColorRef1 = 0;  // as the frame does
    EXPECT_FALSE(ParseArguments(f, *row,
                                "1,1,1,1,ff,array(mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,MIX),"
                                "mixgradinfo(1,2,3,4,5,6,7,8,9,10,11,12,13,ADD),mixgradinfo(1,2,3)))"));
    EXPECT_EQ(f.Kind, 5u);
    EXPECT_EQ(f.GradationCount, 0u);
    EXPECT_EQ(f.GradationPoints.GetCount(), 0u);
    EXPECT_EQ(f.GradationColors.GetCount(), 0u);
    f.Kind = 504;
    EXPECT_EQ(Write(f), "MixGradation(1,1,1,1,ff,array())");
}

// Keywords that end or begin another are told apart.
TEST(GradientFactorsTest, KeywordsApart) {
    const KindCase cases[] = {
        {"GradationHV(0,0,1,1,1,2,3,4)", 503},
        {"GradationHVA(0,0,1,1,1,2,3,4)", 603},
        {"GradationHVC(0,0,1,1,1,2,3,4)", 703},
        {"GradationH(0,0,1,1,1,2)", 501},
        {"GradationHA(0,0,1,1,1,2)", 601},
        {"MixGradation(0,0,1,1,1,array())", 504},
        {"MixGradationA(0,0,1,1,1,array())", 604},
        {"InterpolationGradationColorSpaceVC(0,0,1,1,1,2)", 711},
        {"InterpolationGradationVC(0,0,1,1)", 709},
        {"GradationColorSpaceHVC(0,0,1,1,0,1,2,3,4)", 707},
    };
    for (const KindCase& c : cases) {
        ExpectKind(c.text, c.kind);
        ExpectKeyword(c.text, c.kind);
    }
}

}  // namespace
