// The format-1.0 region and source factors: fills, replacements with and
// without their strength, alpha arithmetic, the blend modes without a method
// item and the composites without a model item.
#include <gtest/gtest.h>

#include <string>

#include "tests/document/legacy/LegacyEquivalence.h"

namespace {

using legacy_test::Equivalence;
using legacy_test::ExpectEquivalent;
using legacy_test::ExpectRefused;
using legacy_test::LegacyParsesAs;

TEST(LegacyFills, EveryKeywordReadsAsItsCurrentText) {
    const Equivalence cases[] = {
        {"AlphaCopy(0,0,100,100,\"Back\",1,2)", 961, "CopyA(0,0,100,100,\"Back\",1,2)"},
        {"AlphaMul(1,2,3,4,'Back',5,6)", 962, "MulA(1,2,3,4,\"Back\",5,6)"},
        {"AlphaAdd(1,2,3,4,\"B\",5,6)", 963, "AddA(1,2,3,4,\"B\",5,6)"},
        {"AlphaSub(1,2,3,4,\"B\",5,6,7,8,9)", 964, "SubA(1,2,3,4,\"B\",5,6)"},  // items after 6 ignored
        {"FillBlend(0,0,100,100,ff0000,128)", 801, "Fill(0,0,100,100,ff0000,128)"},
        {"FillBlend(0,0,100,100,P40010000,0)", 801, "Fill(0,0,100,100,P40010000,0)"},
        {"SetAlphaLv(0,0,100,100,0)", 821, "FillA(0,0,100,100,0)"},
        {"SetAlphaColor(0,0,100,100,ff,128)", 823, "ReplaceAlphaFromColor(0,0,100,100,ff,128,255)"},
        {"ReplaceColorFromAlpha(0,0,8,8,ff123456,0)", 812, "ReplaceColorFromAlpha(0,0,8,8,ff123456,0,255)"},
        {"ReplaceColorFromAlpha(0,0,8,8,P3,7,64)", 812, "ReplaceColorFromAlpha(0,0,8,8,P3,7,64)"},
        {"ReplaceColor(0,0,100,100,ff,ff00)", 813, "ReplaceColor(0,0,100,100,ff,ff00,255)"},
        {"ReplaceColor(0,0,100,100,P1,P2,64)", 813, "ReplaceColor(0,0,100,100,P1,P2,64)"},
        {"ReplaceDataFromAlpha(0,0,100,100,P40010000,255,0)", 802,
         "ReplaceDataFromAlpha(0,0,100,100,P40010000,255,0,255)"},
        {"ReplaceDataFromAlpha(0,0,100,100,ff0000,1,2,3)", 802, "ReplaceDataFromAlpha(0,0,100,100,ff0000,1,2,3)"},
        {"ReplaceDataFromColor(0,0,8,8,ff,200,80123456)", 803, "ReplaceDataFromColor(0,0,8,8,ff,200,80123456,255)"},
        {"ReplaceDataFromColor(0,0,8,8,P1,0,P40000002,17)", 803,
         "ReplaceDataFromColor(0,0,8,8,P1,0,P40000002,17)"},
        // The blend modes: method 0, the alpha optional.
        {"Screen(0,0,100,100,\"Back\",0,0)", 1204, "Screen(0,0,100,100,0,\"Back\",0,0,255)"},
        {"Screen(0,0,100,100,\"Back\",0,0,128)", 1204, "Screen(0,0,100,100,0,\"Back\",0,0,128)"},
        {"Screen(0,0,100,100,\"Back\",0,0,128,9)", 1204, "Screen(0,0,100,100,0,\"Back\",0,0,128)"},
        {"Mul(1,2,3,4,\"S\",5,6)", 1201, "Mul(1,2,3,4,0,\"S\",5,6,255)"},
        {"Add(1,2,3,4,\"S\",5,6,1)", 1202, "Add(1,2,3,4,0,\"S\",5,6,1)"},
        {"Sub(1,2,3,4,\"S\",5,6,2)", 1203, "Sub(1,2,3,4,0,\"S\",5,6,2)"},
        {"Overlay(1,2,3,4,\"S\",5,6,3)", 1205, "Overlay(1,2,3,4,0,\"S\",5,6,3)"},
        {"HardLight(1,2,3,4,\"S\",5,6,4)", 1206, "HardLight(1,2,3,4,0,\"S\",5,6,4)"},
        {"MulC(1,2,3,4,\"S\",5,6,5)", 1251, "MulC(1,2,3,4,0,\"S\",5,6,5)"},
        {"AddC(1,2,3,4,\"S\",5,6,6)", 1252, "AddC(1,2,3,4,0,\"S\",5,6,6)"},
        {"SubC(1,2,3,4,\"S\",5,6,7)", 1253, "SubC(1,2,3,4,0,\"S\",5,6,7)"},
        {"ScreenC(1,2,3,4,\"S\",5,6,8)", 1254, "ScreenC(1,2,3,4,0,\"S\",5,6,8)"},
        {"OverlayC(1,2,3,4,\"S\",5,6)", 1255, "OverlayC(1,2,3,4,0,\"S\",5,6,255)"},
        {"HardLightC(1,2,3,4,\"S\",5,6,0)", 1256, "HardLightC(1,2,3,4,0,\"S\",5,6,0)"},
        // The composites: model 1 (HSL).
        {"Hue(0,0,100,100,\"Back\",5,6)", 931, "Hue(0,0,100,100,1,\"Back\",5,6)"},
        {"Saturation(0,0,100,100,\"Back\",5,6)", 932, "Saturation(0,0,100,100,1,\"Back\",5,6)"},
        {"HueSaturation(0,0,100,100,\"Back\",5,6,9)", 933, "HueSaturation(0,0,100,100,1,\"Back\",5,6)"},
        {"Luminosity(0,0,100,100,\"Back\",5,6)", 934, "Luminosity(0,0,100,100,1,\"Back\",5,6)"},
        {"Primary(0,0,100,100,\"Back\",5,6)", 901, "Primary(0,0,100,100,\"Back\",5,6)"},
    };
    for (const Equivalence& c : cases) ExpectEquivalent(c);
}

TEST(LegacyFills, FieldsOfTheReplacementsAndTheBlends) {
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "ReplaceDataFromAlpha(0,0,100,100,P40010000,255,0)", 802));
    EXPECT_EQ(f.ColorRef1, 0x40010000u);
    EXPECT_EQ(f.Color1, 0u);
    EXPECT_EQ(f.Alpha, 255);       // new alpha
    EXPECT_EQ(f.ByteParam1, 0);    // key alpha
    EXPECT_EQ(f.ByteParam2, 255);  // strength, absent
    ASSERT_TRUE(LegacyParsesAs(f, "SetAlphaColor(0,0,100,100,ff,128)", 823));
    EXPECT_EQ(f.Alpha, 128);
    EXPECT_EQ(f.ByteParam2, 255);
    ASSERT_TRUE(LegacyParsesAs(f, "Hue(0,0,100,100,\"Back\",5,6)", 931));
    EXPECT_EQ(f.Options, 1u);
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y3, 6);
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_STREQ(f.SourceName.GetText(), "Back");
}

TEST(LegacyFills, Refused) {
    ExpectRefused({
        "Screen(0,0,100,100,\"Back\",0,0,256)",
        "Screen(0,0,100,100,1,\"Back\",0,0,255)",  // the current form: item 4 is no quoted name
        "Screen(0,0,100,100,\"Back\",0)",
        "Hue(0,0,100,100,\"Back\",5)",
        "Hue(0,0,100,100,\"Back,5,6)",             // the name is not closed
        "Mul(0,0,100,100,'Ba\"ck',0,0)",           // a double quote in a name could not be saved
        "FillBlend(0,0,100,100,ff0000)",
        "FillBlend(0,0,100,100,ff0000,128,1)",
        "FillBlend(0,0,100,100, P40010000,128)",
        "SetAlphaColor(0,0,100,100,ff,128,64)",
        "SetAlphaLv(0,0,100,100,-1)",
        "ReplaceColor(0,0,100,100,ff,ff00,300)",
        "ReplaceColor(0,0,100,100,ff)",
        "ReplaceColorFromAlpha(0,0,8,8,ff,0,255,1)",
        "ReplaceDataFromAlpha(0,0,100,100,ff,255)",
        "ReplaceDataFromAlpha(0,0,100,100,ff,255,0,255,1)",
        "ReplaceDataFromColor(0,0,8,8,ff,200,zz)",
        "AlphaCopy(0,0,100,100,\"Back\",1)",
    });
}

}  // namespace
