// The whole factor vocabulary at once: every kind code and keyword of the
// current format, and a round trip of every kind through its writer and parser.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "document/model/QDXCtrl.h"
#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary;
using vocabulary_test::Write;

struct KindKeyword {
    uint32_t kind;
    const char* keyword;
};

// Every kind of formats 1.1 and 1.2 with its keyword.
constexpr KindKeyword kVocabulary[] = {
    {1, "DiagramA("}, {2, "LineA("}, {3, "CircleCurveA("}, {4, "ArcA("}, {5, "Arc2A("}, {6, "CircleA("},
    {7, "EllipseA("}, {8, "BoxA("}, {9, "SquareA("}, {10, "PieA("}, {11, "FrameA("}, {12, "FrameRefA("},
    {101, "Diagram("}, {102, "Line("}, {103, "CircleCurve("}, {104, "Arc("}, {105, "Arc2("}, {106, "Circle("},
    {107, "Ellipse("}, {108, "Box("}, {109, "Square("}, {110, "Pie("}, {111, "Frame("}, {112, "FrameRef("},
    {201, "Copy("}, {202, "Alpha("}, {203, "Blend("}, {204, "Layer("}, {205, "Back("}, {216, "CopyC("},
    {217, "AlphaC("}, {218, "BlendC("}, {219, "LayerC("}, {220, "BackC("}, {231, "Resize("}, {232, "ResizeAlpha("},
    {233, "ResizeBlend("}, {234, "ResizeLayer("}, {235, "ResizeBack("}, {246, "ResizeC("}, {247, "ResizeAlphaC("},
    {248, "ResizeBlendC("}, {249, "ResizeLayerC("}, {250, "ResizeBackC("}, {261, "Rotate("}, {262, "RotateAlpha("},
    {263, "RotateBlend("}, {264, "RotateLayer("}, {265, "RotateBack("}, {276, "RotateC("}, {277, "RotateAlphaC("},
    {278, "RotateBlendC("}, {279, "RotateLayerC("}, {280, "RotateBackC("}, {301, "CopyColorSpace("},
    {302, "AlphaColorSpace("}, {303, "BlendColorSpace("}, {304, "LayerColorSpace("}, {305, "BackColorSpace("},
    {316, "CopyColorSpaceC("}, {317, "AlphaColorSpaceC("}, {318, "BlendColorSpaceC("}, {319, "LayerColorSpaceC("},
    {320, "BackColorSpaceC("}, {331, "ResizeColorSpace("}, {332, "ResizeAlphaColorSpace("},
    {333, "ResizeBlendColorSpace("}, {334, "ResizeLayerColorSpace("}, {335, "ResizeBackColorSpace("},
    {346, "ResizeColorSpaceC("}, {347, "ResizeAlphaColorSpaceC("}, {348, "ResizeBlendColorSpaceC("},
    {349, "ResizeLayerColorSpaceC("}, {350, "ResizeBackColorSpaceC("}, {361, "RotateColorSpace("},
    {362, "RotateAlphaColorSpace("}, {363, "RotateBlendColorSpace("}, {364, "RotateLayerColorSpace("},
    {365, "RotateBackColorSpace("}, {376, "RotateColorSpaceC("}, {377, "RotateAlphaColorSpaceC("},
    {378, "RotateBlendColorSpaceC("}, {379, "RotateLayerColorSpaceC("}, {380, "RotateBackColorSpaceC("},
    {391, "ColorSpaceAlphaBlend("}, {392, "ColorSpaceRangeAlphaBlend("}, {393, "ColorSpaceAlphaBlendC("},
    {394, "ColorSpaceRangeAlphaBlendC("}, {401, "CopyTone("}, {402, "AlphaTone("}, {403, "BlendTone("},
    {404, "LayerTone("}, {405, "BackTone("}, {416, "CopyToneC("}, {417, "AlphaToneC("}, {418, "BlendToneC("},
    {419, "LayerToneC("}, {420, "BackToneC("}, {431, "ResizeTone("}, {432, "ResizeAlphaTone("},
    {433, "ResizeBlendTone("}, {434, "ResizeLayerTone("}, {435, "ResizeBackTone("}, {446, "ResizeToneC("},
    {447, "ResizeAlphaToneC("}, {448, "ResizeBlendToneC("}, {449, "ResizeLayerToneC("}, {450, "ResizeBackToneC("},
    {461, "RotateTone("}, {462, "RotateAlphaTone("}, {463, "RotateBlendTone("}, {464, "RotateLayerTone("},
    {465, "RotateBackTone("}, {476, "RotateToneC("}, {477, "RotateAlphaToneC("}, {478, "RotateBlendToneC("},
    {479, "RotateLayerToneC("}, {480, "RotateBackToneC("}, {501, "GradationH("}, {502, "GradationV("},
    {503, "GradationHV("}, {504, "MixGradation("}, {505, "GradationColorSpaceH("}, {506, "GradationColorSpaceV("},
    {507, "GradationColorSpaceHV("}, {508, "InterpolationGradationH("}, {509, "InterpolationGradationV("},
    {510, "InterpolationGradationColorSpaceH("}, {511, "InterpolationGradationColorSpaceV("}, {601, "GradationHA("},
    {602, "GradationVA("}, {603, "GradationHVA("}, {604, "MixGradationA("}, {605, "InterpolationGradationHA("},
    {606, "InterpolationGradationVA("}, {701, "GradationHC("}, {702, "GradationVC("}, {703, "GradationHVC("},
    {704, "MixGradationC("}, {705, "GradationColorSpaceHC("}, {706, "GradationColorSpaceVC("},
    {707, "GradationColorSpaceHVC("}, {708, "InterpolationGradationHC("}, {709, "InterpolationGradationVC("},
    {710, "InterpolationGradationColorSpaceHC("}, {711, "InterpolationGradationColorSpaceVC("}, {801, "Fill("},
    {802, "ReplaceDataFromAlpha("}, {803, "ReplaceDataFromColor("}, {804, "ReplaceData("}, {811, "FillC("},
    {812, "ReplaceColorFromAlpha("}, {813, "ReplaceColor("}, {814, "ReplaceColorFromData("}, {821, "FillA("},
    {822, "ReplaceAlpha("}, {823, "ReplaceAlphaFromColor("}, {824, "ReplaceAlphaFromData("}, {831, "MaskFill("},
    {832, "MaskFillC("}, {833, "MaskFillA("}, {834, "MaskApplyColorMatrix("}, {835, "ReplaceDataMap("},
    {836, "ReplaceColorMap("}, {837, "ReplaceAlphaMap("}, {838, "ReplaceDataArray("}, {839, "ReplaceColorArray("},
    {840, "ReplaceAlphaArray("}, {851, "ReplaceDataFromPixel("}, {852, "ApplyColorMatrix("}, {853, "ApplyFormula("},
    {854, "RegionFill("}, {855, "RegionFillC("}, {856, "MulSaturation("}, {857, "MulAddBrightness("},
    {901, "Primary("}, {902, "ChannelCopy("}, {903, "MulSaturationBitmap("}, {904, "MulAddBrightnessBitmap("},
    {931, "Hue("}, {932, "Saturation("}, {933, "HueSaturation("}, {934, "Luminosity("}, {961, "CopyA("},
    {962, "MulA("}, {963, "AddA("}, {964, "SubA("}, {965, "XorA("}, {966, "DivA("}, {967, "RevMulA("},
    {1001, "Text("}, {1002, "TextShadow1("}, {1003, "TextShadow2("}, {1004, "TextBorder1("}, {1005, "TextBorder2("},
    {1006, "TextShadowBorder1("}, {1007, "TextShadowBorder2("}, {1008, "TextBlend("}, {1009, "TextShadow1Blend("},
    {1010, "TextShadow2Blend("}, {1011, "TextBorder1Blend("}, {1012, "TextBorder2Blend("},
    {1013, "TextShadowBorder1Blend("}, {1014, "TextShadowBorder2Blend("}, {1101, "GhostFactor("},
    {1102, "GhostObject("}, {1103, "DrawFrame("}, {1104, "Transform("}, {1105, "DiagramTransform("},
    {1106, "DiagramTransform2("}, {1107, "XYMappingMatrix("}, {1108, "RAMappingMatrix("}, {1109, "ExInfo("},
    {1110, "TargetList("}, {1111, "Foreach("}, {1112, "AffineTransform("}, {1113, "SetMask("}, {1114, "ClearMask()"},
    {1115, "SetMaskRef("}, {1116, "HomographyTransform("}, {1117, "3DDraw("}, {1118, "3DSphere("}, {1201, "Mul("},
    {1202, "Add("}, {1203, "Sub("}, {1204, "Screen("}, {1205, "Overlay("}, {1206, "HardLight("}, {1207, "ColorBurn("},
    {1208, "ColorDodge("}, {1209, "Exclusion("}, {1210, "Difference("}, {1211, "Lighten("}, {1212, "Darken("},
    {1213, "Xor("}, {1214, "Div("}, {1215, "RevMul("}, {1216, "SoftLight("}, {1217, "VividLight("},
    {1218, "LinearLight("}, {1219, "LinearBurn("}, {1251, "MulC("}, {1252, "AddC("}, {1253, "SubC("},
    {1254, "ScreenC("}, {1255, "OverlayC("}, {1256, "HardLightC("}, {1257, "ColorBurnC("}, {1258, "ColorDodgeC("},
    {1259, "ExclusionC("}, {1260, "DifferenceC("}, {1261, "LightenC("}, {1262, "DarkenC("}, {1263, "XorC("},
    {1264, "DivC("}, {1265, "RevMulC("}, {1266, "SoftLightC("}, {1267, "VividLightC("}, {1268, "LinearLightC("},
    {1269, "LinearBurnC("}, {1301, "ReplaceCopyFromAlpha("}, {1302, "ReplaceCopyFromColor("},
    {1303, "ReplaceCopyFromData("}, {1304, "ReplaceCopyIfGE("}, {1305, "ReplaceCopyIfLE("},
    {1306, "ReplaceCopyIfGrOr("}, {1307, "ReplaceCopyIfLeOr("}, {1351, "ReplaceDrawFromAlpha("},
    {1352, "ReplaceDrawFromColor("}, {1353, "ReplaceDrawFromData("}, {1354, "ReplaceDrawIfGE("},
    {1355, "ReplaceDrawIfLE("}, {1356, "ReplaceDrawIfGrOr("}, {1357, "ReplaceDrawIfLeOr("},
    {1381, "ReplaceDrawAlpha("}, {1382, "ReplaceDrawAlphaFromColor("}, {1383, "ReplaceDrawAlphaFromData("},
    {1384, "ReplaceDrawAlphaIfGE("}, {1385, "ReplaceDrawAlphaIfLE("}, {1386, "ReplaceDrawAlphaIfGrOr("},
    {1387, "ReplaceDrawAlphaIfLeOr("}, {1401, "DistAlpha("}, {1402, "Mirror("}, {1403, "BlurC("}, {1404, "BlurA("},
    {1405, "Blur("}, {1406, "RasterScroll("}, {1407, "RasterScroll2("}, {1408, "Mosaic("}, {1409, "DisplacementMap("},
    {1410, "DisplacementMapC("}, {1411, "DisplacementMapA("}, {1412, "DisplacementCalc("}, {1413, "ReplacementMap("},
    {1414, "ReplacementMapC("}, {1415, "ReplacementMapA("}, {1416, "ReplacementCalc("}, {1417, "AntiMoire("},
    {5001, "RGB2ColorSpace("}, {5002, "ColorSpace2RGB("}, {5003, "AddForColorSpace("},
    {5004, "AddForColorSpaceRange("}, {5005, "AddForColorSpace2("}, {5006, "SubForColorSpace2("},
    {5007, "ReplaceFactor("},

};

TEST(VocabularyTest, EveryKindHasItsKeyword) {
    ASSERT_EQ(std::size(kVocabulary), 305u);
    std::set<uint32_t> expected;
    for (const KindKeyword& k : kVocabulary) {
        SCOPED_TRACE(k.keyword);
        expected.insert(k.kind);
        const FactorRow* row = FindFactorKind(k.kind);
        ASSERT_NE(row, nullptr);
        EXPECT_STREQ(row->keyword, k.keyword);
        EXPECT_EQ(FindFactorKeyword(k.keyword), row);
    }
    // Nothing else: the index holds these rows and the one alias.
    uint32_t count = 0;
    const KeywordEntry* entries = GetKeywordOrder(count);
    EXPECT_EQ(count, 306u);
    std::set<uint32_t> seen;
    for (uint32_t e = 0; e < count; ++e) {
        EXPECT_EQ(expected.count(entries[e].row->kind), 1u) << entries[e].keyword;
        seen.insert(entries[e].row->kind);
    }
    EXPECT_EQ(seen.size(), 305u);
    for (uint32_t kind = 0; kind <= kMaxFactorKind + 1; ++kind) {
        if (expected.count(kind) == 0) {
            EXPECT_EQ(FindFactorKind(kind), nullptr) << kind;
        }
    }

    // The alias reads as 823 and is tested right after "ReplaceAlphaFromData(".
    const FactorRow* alias = FindFactorKeyword("SetAlphaColor(");
    ASSERT_NE(alias, nullptr);
    EXPECT_EQ(alias->kind, 823u);
    for (uint32_t e = 1; e < count; ++e) {
        if (std::strcmp(entries[e].keyword, "SetAlphaColor(") == 0) {
            EXPECT_STREQ(entries[e - 1].keyword, "ReplaceAlphaFromData(");
        }
    }
    EXPECT_STREQ(CheckFactorTable(), "");
}

// A record with every slot set to a value that each kind can write and read
// back: small coordinates, finite reals, named objects, one element of each
// list. Palette references replace the direct colours when palette is set.
void FillSample(QDXFactor& f, bool palette, bool enabled) {
    f.Reset();
    f.Enabled = enabled;
    f.X1 = 3, f.Y1 = 4, f.X2 = 40, f.Y2 = 30, f.X3 = 5, f.Y3 = 6, f.X4 = 7, f.Y4 = 8, f.X5 = -9, f.Y5 = 10;
    f.Width = 12;
    f.Options = 1;
    f.SpaceParam1 = 10, f.SpaceParam2 = -20, f.SpaceParam3 = 30;
    f.RangeParam1 = 300, f.RangeParam2 = 200, f.RangeParam3 = 100;
    f.Alpha = 200, f.ByteParam1 = 10, f.ByteParam2 = 20, f.ByteParam3 = 30;
    f.Color1 = 0xff123456, f.Color2 = 0x80abcdef, f.Color3 = 0x00102030, f.Color4 = 0x7f000001;
    if (palette) f.ColorRef1 = 0x40000005, f.ColorRef2 = 0x40000006, f.ColorRef3 = 0x40000007, f.ColorRef4 = 0x40000008;
    f.RefNumber1 = 2, f.RefNumber2 = 1, f.ForeachFirst = 0, f.ForeachLast = 3;
    f.CurveFlag = true;
    f.Real1 = 0.5, f.Real2 = -1.25, f.Real3 = 2.0, f.Real4 = 1.5, f.Real5 = 0.75, f.Real6 = 3.0, f.Real7 = 4.0;
    f.Real8 = 1.0, f.Real9 = 0.125, f.Real10 = -0.25, f.Real11 = 2.5, f.Real12 = 9000.0;
    f.IntParam1 = 0x01020304, f.IntParam2 = 0x5678, f.IntParam3 = 128, f.IntParam4 = 64, f.IntParam5 = 32;
    f.IntParam6 = 200;
    for (uint32_t i = 0; i < QDXFactor::kColorExMatrixSize; ++i) f.ColorExMatrix[i] = int32_t(i * 1000) - 7000;
    for (uint32_t i = 0; i < QDXFactor::kMappingMatrixSize; ++i) {
        f.XYMatrix[i] = int32_t(i * 4096);
        f.RAMatrix[i] = -int32_t(i * 512);
    }
    f.SourceName.Assign("Src");
    f.FontSpec.Assign("Sans,12");
    f.Text.Assign("two\nlines \"quoted\" \\ end");
    for (uint32_t i = 0; i < 4; ++i) f.TemplateNames[i].Format("T%u", i + 1);
    for (const char* node : {"Line(1,2)", "!CircleCurve(1,2,3,4,t)", "Arc(-1,-2,3,4)", "Jump(5,6)", "Return"})
        EXPECT_TRUE(f.Path.AddNew()->ParseText(node));
    EXPECT_TRUE(f.Targets.AddNew()->ParseText("FTI(\"a\",\"b\",\"c\",\"d\")"));
    EXPECT_TRUE(f.Targets.AddNew()->ParseText("!FTI(\"e\",\"\",\"\",\"f\")"));
    MixGradationPoint* points = f.GradationPoints.Alloc(2);
    points[0] = MixGradationPoint{10, 20, 30, 5, 1, 1, 1, 1, 255, 10, 20, 30, 1, kMixGradationMix};
    points[1] = MixGradationPoint{-5, 2.5, 8, 16, 2, 0.5, 1, 3, 128, 0, 0, 0, 0.5, kMixGradationAdd};
    *f.GradationColors.AddNew() = 0;
    *f.GradationColors.AddNew() = 0x40000009;
    f.GradationCount = 2;
}

// Every kind, enabled and disabled, with direct and palette colours: the
// written text reads back as the same kind and writes again byte for byte.
// "ReplaceDataMap(" is the one kind whose reading completes a value (an option
// word without channel bits gets all four), so its first text settles once.
TEST(VocabularyTest, EveryKindRoundTrips) {
    for (const KindKeyword& k : kVocabulary) {
        for (int variant = 0; variant < 4; ++variant) {
            QDXFactor f;
            FillSample(f, variant & 1, !(variant & 2));
            f.Kind = k.kind;
            const std::string text = Write(f);
            SCOPED_TRACE(text);
            ASSERT_EQ(text.rfind(variant & 2 ? std::string("!") + k.keyword : k.keyword, 0), 0u);
            QDXFactor g;
            g.Reset();
            ASSERT_TRUE(g.ParseText(text.c_str()));
            EXPECT_EQ(g.Kind, k.kind);
            EXPECT_EQ(g.Enabled, !(variant & 2));
            const std::string again = Write(g);
            if (k.kind != 835) {
                EXPECT_EQ(again, text);
            }
            QDXFactor h;
            h.Reset();
            ASSERT_TRUE(h.ParseText(again.c_str()));
            EXPECT_EQ(Write(h), again);
        }
    }
}

// One object holding a factor of every kind (and the alias) loads, saves and
// loads again to the same text.
TEST(VocabularyTest, DocumentOfEveryKeywordIsAFixedPoint) {
    std::string factors;
    for (const KindKeyword& k : kVocabulary) {
        QDXFactor f;
        FillSample(f, k.kind % 2 == 0, k.kind % 3 != 0);
        f.Kind = k.kind;
        factors += Write(f) + ",";
    }
    factors += "SetAlphaColor(0,0,8,8,123456,7)";
    const std::string text = "QDXTextFormat1.2\n[Palette]\nPalette1()\nPalette2()\nPalette4()\n[QDXObject]\n"
                             "Src=Render(64,64,0,array(Fill(0,0,64,64,ff0000,255)))\n"
                             "Everything=Render(640,480,ffffff,array(" + factors + "))\n[MetaData]\n";
    CQDXCtrl doc;
    ASSERT_EQ(doc.LoadString(text.c_str()), 0);
    CStr_base<16384> first;
    ASSERT_TRUE(doc.SaveString(first));
    CQDXCtrl again;
    ASSERT_EQ(again.LoadString(first.GetText()), 0);
    CStr_base<16384> second;
    ASSERT_TRUE(again.SaveString(second));
    EXPECT_STREQ(first.GetText(), second.GetText());
    // Every factor came through, the alias as its kind's own keyword.
    const std::string saved = first.GetText();
    for (const KindKeyword& k : kVocabulary) EXPECT_NE(saved.find(k.keyword), std::string::npos) << k.keyword;
    EXPECT_EQ(saved.find("SetAlphaColor("), std::string::npos);
}

}  // namespace
