// The format-1.0 gradations: D and non-D forms, the colour model in the
// keyword, the alpha gradations and the mix gradations with their points.
#include <gtest/gtest.h>

#include <string>

#include "tests/document/legacy/LegacyEquivalence.h"

namespace {

using legacy_test::Equivalence;
using legacy_test::ExpectEquivalent;
using legacy_test::ExpectRefused;
using legacy_test::LegacyParsesAs;

const char kPoints[] =
    "array(mixgradinfo(50,50,0,40,1,1,1,1,1,0,0,0,1,MIX),,mixgradinfo(10,10,0,20,1,1,1,1,1,ff0000,1,ADD))";

TEST(LegacyGradations, EveryKeywordReadsAsItsCurrentText) {
    const std::string points = kPoints;
    const Equivalence cases[] = {
        // The D forms are the current keywords without a final letter.
        {"GradationHD(0,0,100,100,ff0000,P40010000#80)", 501, "GradationH(0,0,100,100,ff0000,P40010000#80)"},
        {"GradationVD(1,2,3,4,80ff0000,P7)", 502, "GradationV(1,2,3,4,80ff0000,P7)"},
        {"GradationHVD(0,0,10,10,1,P2#3,4,P5#ff)", 503, "GradationHV(0,0,10,10,1,P2#3,4,P5#ff)"},
        {"MixGradation(0,0,100,100,P40010000#80," + points + ")", 504,
         "MixGradation(0,0,100,100,P40010000#80," + points + ")"},
        // The colour model moves from the keyword into item 4.
        {"HSVGradationHD(0,0,100,100,ff,255,ff00,128)", 505, "GradationColorSpaceH(0,0,100,100,0,ff,255,ff00,128)"},
        {"HSLGradationHD(0,0,100,100,ff,255,ff00,128)", 505, "GradationColorSpaceH(0,0,100,100,1,ff,255,ff00,128)"},
        {"HSVGradationVD(5,6,7,8,80000001,0,2,1)", 506, "GradationColorSpaceV(5,6,7,8,0,80000001,0,2,1)"},
        {"HSLGradationVD(5,6,7,8,80000001,0,2,1)", 506, "GradationColorSpaceV(5,6,7,8,1,80000001,0,2,1)"},
        {"HSVGradationHVD(0,0,100,100,ff,0,ff,255,ff,128,ff,255)", 507,
         "GradationColorSpaceHV(0,0,100,100,0,ff,0,ff,255,ff,128,ff,255)"},
        {"HSLGradationHVD(0,0,100,100,1,10,2,20,3,30,4,40)", 507,
         "GradationColorSpaceHV(0,0,100,100,1,1,10,2,20,3,30,4,40)"},
        // The alpha gradations and the mix gradations keep their names.
        {"GradationHA(0,0,100,100,0,255)", 601, "GradationHA(0,0,100,100,0,255)"},
        {"GradationVA(0,0,100,100,7,8)", 602, "GradationVA(0,0,100,100,7,8)"},
        {"GradationHVA(0,0,100,100,1,2,3,4)", 603, "GradationHVA(0,0,100,100,1,2,3,4)"},
        {"MixGradationA(0,0,100,100,128,array())", 604, "MixGradationA(0,0,100,100,128,array())"},
        {"MixGradationA(0,0,100,100,0," + points + ")", 604, "MixGradationA(0,0,100,100,0," + points + ")"},
        // Without D: the current C forms, whose palette form is "P%x" alone.
        {"GradationH(0,0,100,100,ff0000,P40010000#80)", 701, "GradationHC(0,0,100,100,ff0000,P40010000)"},
        {"GradationV(0,0,100,100,P1,ff00ff00)", 702, "GradationVC(0,0,100,100,P1,ff00ff00)"},
        {"GradationHV(0,0,100,100,1,P2,3,P4)", 703, "GradationHVC(0,0,100,100,1,P2,3,P4)"},
        {"MixGradationC(0,0,100,100,ff," + points + ")", 704, "MixGradationC(0,0,100,100,ff," + points + ")"},
        {"HSVGradationH(0,0,10,10,ff,ff00)", 705, "GradationColorSpaceHC(0,0,10,10,0,ff,ff00)"},
        {"HSLGradationH(0,0,10,10,ff,ff00)", 705, "GradationColorSpaceHC(0,0,10,10,1,ff,ff00)"},
        {"HSVGradationV(0,0,10,10,ff,ff00)", 706, "GradationColorSpaceVC(0,0,10,10,0,ff,ff00)"},
        {"HSLGradationV(0,0,10,10,ff,ff00)", 706, "GradationColorSpaceVC(0,0,10,10,1,ff,ff00)"},
        {"HSVGradationHV(0,0,10,10,1,2,3,4)", 707, "GradationColorSpaceHVC(0,0,10,10,0,1,2,3,4)"},
        {"HSLGradationHV(0,0,10,10,1,2,3,4)", 707, "GradationColorSpaceHVC(0,0,10,10,1,1,2,3,4)"},
    };
    for (const Equivalence& c : cases) ExpectEquivalent(c);
}

TEST(LegacyGradations, ColourFormsOfTheThreeGroups) {
    QDXFactor f;
    // "P%x#%x": the number after "#" becomes the top byte.
    ASSERT_TRUE(LegacyParsesAs(f, "GradationHD(0,0,100,100,ff0000,P40010000#80)", 501));
    EXPECT_EQ(f.Color1, 0xff0000u);
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.ColorRef2, 0x40010000u);
    EXPECT_EQ(f.Color2, 0x80000000u);
    // "P%x": the reference alone, the rest of the item ignored.
    ASSERT_TRUE(LegacyParsesAs(f, "GradationH(0,0,100,100,ff0000,P40010000#80)", 701));
    EXPECT_EQ(f.ColorRef2, 0x40010000u);
    EXPECT_EQ(f.Color2, 0u);
    // The colour-model forms: alphas beside their colours, the model in Options.
    ASSERT_TRUE(LegacyParsesAs(f, "HSLGradationHVD(0,0,100,100,ff,0,ff,255,ff,128,ff,255)", 507));
    EXPECT_EQ(f.Alpha, 0);
    EXPECT_EQ(f.ByteParam1, 255);
    EXPECT_EQ(f.ByteParam2, 128);
    EXPECT_EQ(f.ByteParam3, 255);
    EXPECT_EQ(f.Options, 1u);
}

TEST(LegacyGradations, MixGradationPoints) {
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, std::string("MixGradation(0,0,100,100,ff,") + kPoints + ")", 504));
    ASSERT_EQ(f.GradationCount, 2u);
    ASSERT_EQ(f.GradationColors.GetCount(), 2u);
    EXPECT_EQ(*f.GradationColors.GetAt(0), 0u);  // long form
    EXPECT_EQ(*f.GradationColors.GetAt(1), 0xff0000u);  // short form: its colour code
    const MixGradationPoint& second = f.GradationPoints.GetBuffer()[1];
    EXPECT_EQ(second.x, 10.0);
    EXPECT_EQ(second.fullRadius, 20.0);
    EXPECT_EQ(second.red, 0.0);
    EXPECT_EQ(second.mode, 1);

    // An empty list, and a list of empty items only: no points at all.
    for (const char* list : {"array()", "array(,,)"}) {
        ASSERT_TRUE(LegacyParsesAs(f, std::string("MixGradation(0,0,100,100,ff,") + list + ")", 504));
        EXPECT_EQ(f.GradationCount, 0u);
        EXPECT_EQ(f.GradationPoints.GetCount(), 0u);
        EXPECT_EQ(f.GradationColors.GetCount(), 0u);
    }
    // 2000 items, empty ones included, are the most a list may hold.
    ASSERT_TRUE(LegacyParsesAs(f, "MixGradationC(0,0,1,1,ff,array(" + std::string(1999, ',') + "))", 704));
    EXPECT_EQ(f.GradationCount, 0u);
}

TEST(LegacyGradations, Refused) {
    const std::string point = "mixgradinfo(50,50,0,40,1,1,1,1,1,0,0,0,1,MIX)";
    ExpectRefused({
        "GradationHD(0,0,100,100,ff0000)",                              // exactly 6
        "GradationHD(0,0,100,100,ff0000,ff,ff)",
        "HSVGradationHD(0,0,100,100,P40010000,255,ff,255)",             // no palette form
        "HSLGradationHVD(0,0,100,100,ff,0,ff,255,ff,128,ff,256)",       // alpha above 255
        "HSVGradationHD(0,0,100,100,ff,-1,ff,255)",
        "GradationHA(0,0,100,100,0,256)",
        "MixGradationA(0,0,100,100,300,array())",
        "MixGradation(0,0,100,100,ff,points())",                        // no "array(" prefix
        "MixGradation(0,0,100,100,ff, array())",
        "MixGradation(0,0,100,100,ff,array(" + std::string(2000, ',') + "))",  // 2001 items
        "MixGradation(0,0,100,100,ff,array(mixgradinfo(50,50,0,40,1,1,1,1,1,0,0,0,1,mix)))",
        "MixGradation(0,0,100,100,ff,array(mixgradinfo(50,50,0,40,1,1,1,1,1,0,0,0,1, MIX)))",
        "MixGradation(0,0,100,100,ff,array(mixgradinfo(50,50,0,40,1,1,1,1,1,0,0,1,MIX)))",  // 13 values
        "MixGradation(0,0,100,100,ff,array(mixgradinfo(50,50,0,40,1,1,1,1,1,zz,1,ADD)))",   // colour code
        "MixGradation(0,0,100,100,ff,array(" + point + ",point(1)))",
        "MixGradation(0,0,100,100,ff,array(" + point + ", ))",          // a blank item is a point
        "GradationColorSpaceH(0,0,100,100,0,ff,255,ff00,128)",          // a current keyword only
    });
}

}  // namespace
