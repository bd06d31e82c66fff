// The family of fills, replacements, masks and matrices: the keywords, their
// count rules, the colour and level arguments, the option words, the matrix
// entries and the written forms.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary;

using namespace vocabulary_test;

// "a,b,c" of the numbers first, first + step, ... (count of them).
std::string Numbers(int32_t first, int32_t step, uint32_t count) {
    std::string text;
    for (uint32_t i = 0; i < count; ++i) {
        if (i != 0) text += ',';
        text += std::to_string(first + int32_t(i) * step);
    }
    return text;
}

// The 36 matrix entries of the canonical matrix texts: signed, large and small.
std::string MatrixText() { return Numbers(-1179648, 65537, 36); }

// A canonical text of every member, with direct colours and with palette
// references (the Map and mask values with and without their "#" alpha).
std::vector<KindCase> CanonicalTexts() {
    return {
        {"Fill(0,0,16,16,ff0000,128)", 801},
        {"Fill(-3,4,-5,6,P40000005,0)", 801},
        {"Fill(0,0,16,16,80ff0000,255)", 801},
        {"ReplaceDataFromAlpha(0,0,8,8,ff0000,200,0,255)", 802},
        {"ReplaceDataFromAlpha(1,2,3,4,P40000005,1,2,3)", 802},
        {"ReplaceDataFromColor(0,0,8,8,ff,200,80123456,17)", 803},
        {"ReplaceDataFromColor(0,0,8,8,P1,0,P40000002,255)", 803},
        {"ReplaceData(0,0,8,8,ff,255,80123456,255)", 804},
        {"ReplaceData(0,0,8,8,P40000001,255,P40000005#80,0)", 804},
        {"ReplaceData(0,0,8,8,0,255,P40000005#0,1)", 804},
        {"FillC(0,0,16,16,ff00ff00,128)", 811},
        {"FillC(0,0,16,16,P40000003,7)", 811},
        {"ReplaceColorFromAlpha(0,0,8,8,ff123456,0,255)", 812},
        {"ReplaceColorFromAlpha(0,0,8,8,P3,0,255)", 812},
        {"ReplaceColor(0,0,8,8,ff0000,ff00,255)", 813},
        {"ReplaceColor(0,0,8,8,P40000001,P40000002,9)", 813},
        {"ReplaceColorFromData(0,0,8,8,ff0000ff,ff00,255)", 814},
        {"ReplaceColorFromData(0,0,8,8,P40000001#ff,P40000002,9)", 814},
        {"FillA(0,0,16,16,0)", 821},
        {"ReplaceAlpha(0,0,8,8,0,255,255)", 822},
        {"ReplaceAlphaFromColor(0,0,8,8,ffffff,0,255)", 823},
        {"ReplaceAlphaFromColor(0,0,8,8,P40000007,10,20)", 823},
        {"ReplaceAlphaFromData(0,0,8,8,ffffffff,0,255)", 824},
        {"ReplaceAlphaFromData(0,0,8,8,P40000007#7f,10,20)", 824},
        {"MaskFill(0,0,8,8,\"m\",1,-2,ff,255,128,ff)", 831},
        {"MaskFill(0,0,8,8,\"Master\",0,0,P40000001,0,1,P40000002#ff)", 831},
        {"MaskFillC(0,0,8,8,\"m\",1,-2,ff000000,255,ff000000)", 832},
        {"MaskFillC(0,0,8,8,\"\",0,0,P5,0,P6#1)", 832},
        {"MaskFillA(0,0,8,8,\"m\",1,-2,0,255,ffffffff)", 833},
        {"MaskFillA(0,0,8,8,\"m\",0,0,3,4,P6#0)", 833},
        {"MaskApplyColorMatrix(0,0,8,8,\"m\",1,-2,ff," + MatrixText() + ",128)", 834},
        {"MaskApplyColorMatrix(0,0,8,8,\"m\",0,0,P40000002#80," + MatrixText() + ",0)", 834},
        {"ReplaceDataMap(0,0,8,8,\"Master\",0,0,f21,0)", 835},
        {"ReplaceDataMap(0,0,8,8,\"Master\",3,4,821,P40000005#80)", 835},
        {"ReplaceColorMap(0,0,8,8,\"Master\",0,0,21,ff00ff00)", 836},
        {"ReplaceColorMap(0,0,8,8,\"Master\",0,0,0,P1#0)", 836},
        {"ReplaceAlphaMap(0,0,8,8,\"Master\",-1,-1,ffffffff,1)", 837},
        {"ReplaceDataArray(0,0,8,8,\"Master\",f)", 838},
        {"ReplaceDataArray(0,0,8,8,\"Master\",0)", 838},
        {"ReplaceColorArray(0,0,8,8,\"Master\",7)", 839},
        {"ReplaceAlphaArray(0,0,8,8,\"Master\",8)", 840},
        {"ReplaceDataFromPixel(0,0,100,100,-1,-1,ff,255,255)", 851},
        {"ReplaceDataFromPixel(0,0,100,100,5,6,P40000005,1,2)", 851},
        {"ApplyColorMatrix(0,0,8,8," + MatrixText() + ",255)", 852},
        {"ApplyFormula(0,0,8,8,15,0,255,1,2,3,4,5,6,-7)", 853},
        {"RegionFill(0,0,100,100,5,5,ff00ff00,255)", 854},
        {"RegionFill(0,0,100,100,5,5,P40000005,0)", 854},
        {"RegionFillC(0,0,100,100,5,5,ff00ff00)", 855},
        {"RegionFillC(0,0,100,100,5,5,P40000005)", 855},
        {"MulSaturation(0,0,8,8,65536,65536,65536,131072,0)", 856},
        {"MulSaturation(0,0,8,8,-1,0,77,-131072,4294967295)", 856},
        {"MulAddBrightness(0,0,8,8,65536,-32768)", 857},
    };
}

// Every canonical text reads to its kind and writes back byte for byte,
// enabled and disabled.
TEST(FillFactorsTest, CanonicalRoundTrip) {
    ExpectCanonicalTable(CanonicalTexts());
    // Every kind of the family has a canonical text above, and the codes
    // between the groups do not exist.
    for (uint32_t kind = 801; kind <= 857; ++kind) {
        SCOPED_TRACE(kind);
        bool listed = false;
        for (const KindCase& c : CanonicalTexts()) listed = listed || c.kind == kind;
        EXPECT_EQ(FindFactorKind(kind) != nullptr, listed);
    }
}

// The text that an object with an empty factor list is given reads as a fill
// and writes back unchanged.
TEST(FillFactorsTest, EmptyListStandIn) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "Fill(0,0,1,1,0,255)", 801));
    EXPECT_EQ(f.X2, 1);
    EXPECT_EQ(f.Y2, 1);
    EXPECT_EQ(f.Color1, 0u);
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_EQ(Write(f), "Fill(0,0,1,1,0,255)");

    // An object read with an empty list holds that factor and writes it.
    CQDXCtrl doc;
    ASSERT_TRUE(doc.AddObjectFromText("Obj", "Render(1,1,0,array())"));
    QDXObject* object = doc.FindObject("Obj", nullptr, nullptr);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->Factors.GetCount(), 1u);
    EXPECT_EQ(object->Factors.GetAt(0)->Kind, 801u);
    CStr_base<16384> out;
    ASSERT_TRUE(object->WriteText(out));
    EXPECT_NE(std::strstr(out.GetText(), ",array(Fill(0,0,1,1,0,255)))"), nullptr) << out.GetText();
}

// Which argument lands in which field, where the members differ.
TEST(FillFactorsTest, Fields) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText("Fill(1,2,16,-16,ff0000,128)"));
    ExpectRect(f, 1, 2, 16, -16);
    EXPECT_EQ(f.Color1, 0xff0000u);
    EXPECT_EQ(f.Alpha, 128);

    // The target level of 802 and 822 is ByteParam1; the strength ByteParam2.
    f.Reset();
    ASSERT_TRUE(f.ParseText("ReplaceDataFromAlpha(0,0,8,8,80ff0000,200,3,250)"));
    EXPECT_EQ(f.Color1, 0x80ff0000u);  // stored whole
    EXPECT_EQ(f.Alpha, 200);
    EXPECT_EQ(f.ByteParam1, 3);
    EXPECT_EQ(f.ByteParam2, 250);
    f.Reset();
    ASSERT_TRUE(f.ParseText("ReplaceAlpha(0,0,8,8,0,255,7)"));
    EXPECT_EQ(f.ByteParam1, 0);
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_EQ(f.ByteParam2, 7);

    // The target level of 812 is Alpha.
    f.Reset();
    f.ByteParam1 = 42;
    ASSERT_TRUE(f.ParseText("ReplaceColorFromAlpha(0,0,8,8,ff,9,10)"));
    EXPECT_EQ(f.Alpha, 9);
    EXPECT_EQ(f.ByteParam2, 10);
    EXPECT_EQ(f.ByteParam1, 42);

    // The target is the first colour of 813, the new colour the second.
    f.Reset();
    ASSERT_TRUE(f.ParseText("ReplaceColor(0,0,8,8,ff0000,00ff00,255)"));
    EXPECT_EQ(f.Color1, 0xff0000u);
    EXPECT_EQ(f.Color2, 0xff00u);

    // Acolour targets: the alpha after "#" goes to the top byte; a reference
    // alone leaves no alpha; a code is the whole value.
    f.Reset();
    f.Color2 = 0x12345678;
    ASSERT_TRUE(f.ParseText("ReplaceData(0,0,8,8,ff,255,P40000005#80,255)"));
    EXPECT_EQ(f.ColorRef2, 0x40000005u);
    EXPECT_EQ(f.Color2, 0x80000000u);
    f.Color2 = 0x12345678;
    ASSERT_TRUE(f.ParseText("ReplaceData(0,0,8,8,ff,255,P40000005,255)"));
    EXPECT_EQ(f.Color2, 0u);
    EXPECT_EQ(Write(f), "ReplaceData(0,0,8,8,ff,255,P40000005#0,255)");
    ASSERT_TRUE(f.ParseText("ReplaceAlphaFromData(0,0,8,8,80ff0000,1,2)"));
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.Color1, 0x80ff0000u);
    // A plain colour given as a reference leaves the colour code as it was.
    f.Color1 = 0xabcdef;
    ASSERT_TRUE(f.ParseText("ReplaceAlphaFromColor(0,0,8,8,P40000003,1,2)"));
    EXPECT_EQ(f.ColorRef1, 0x40000003u);
    EXPECT_EQ(f.Color1, 0xabcdefu);

    // Mask forms: the object, its position, and the mask value in slot 2.
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "MaskFill(0,0,8,8,'m',3,-4,ff,255,128,80000000)", 831));
    EXPECT_STREQ(f.SourceName.GetText(), "m");
    EXPECT_EQ(f.X3, 3);
    EXPECT_EQ(f.Y3, -4);
    EXPECT_EQ(f.Color1, 0xffu);
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_EQ(f.ByteParam2, 128);
    EXPECT_EQ(f.Color2, 0x80000000u);
    EXPECT_EQ(Write(f), "MaskFill(0,0,8,8,\"m\",3,-4,ff,255,128,80000000)");

    // Seeds and picked pixels go to X3/Y3.
    f.Reset();
    ASSERT_TRUE(f.ParseText("RegionFill(0,0,100,100,5,-6,ff00ff00,255)"));
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y3, -6);
    EXPECT_EQ(f.Color1, 0xff00ff00u);

    // Options are whole hex words for Map and Array kinds.
    f.Reset();
    ASSERT_TRUE(f.ParseText("ReplaceAlphaArray(0,0,8,8,\"Master\",0xFFFFFFFF)"));
    EXPECT_EQ(f.Options, 0xffffffffu);
}

// The new colour of the members that build a whole pixel from it is written
// without its top byte; every other colour keeps all 32 bits. The record
// keeps the colour code as it was read.
TEST(FillFactorsTest, NewColourWrittenWith24Bits) {
    const WrittenCase cases[] = {
        {"ReplaceDataFromAlpha(0,0,8,8,80ff0000,200,0,255)", "ReplaceDataFromAlpha(0,0,8,8,ff0000,200,0,255)"},
        {"ReplaceDataFromColor(0,0,8,8,ff000001,1,ff000002,3)", "ReplaceDataFromColor(0,0,8,8,1,1,ff000002,3)"},
        {"ReplaceData(0,0,8,8,ff000000,1,ff000002,3)", "ReplaceData(0,0,8,8,0,1,ff000002,3)"},
        {"!MaskFill(0,0,8,8,\"m\",0,0,12345678,1,2,ff000000)", "!MaskFill(0,0,8,8,\"m\",0,0,345678,1,2,ff000000)"},
        {"ReplaceDataFromPixel(0,0,1,1,2,3,ffffffff,4,5)", "ReplaceDataFromPixel(0,0,1,1,2,3,ffffff,4,5)"},
        // A palette reference is written whole.
        {"ReplaceDataFromAlpha(0,0,8,8,Pff000001,1,2,3)", "ReplaceDataFromAlpha(0,0,8,8,Pff000001,1,2,3)"},
        // The other new colours and the targets keep their top byte.
        {"Fill(0,0,8,8,80ff0000,1)", "Fill(0,0,8,8,80ff0000,1)"},
        {"FillC(0,0,8,8,80ff0000,1)", "FillC(0,0,8,8,80ff0000,1)"},
        {"ReplaceColorFromAlpha(0,0,8,8,80ff0000,1,2)", "ReplaceColorFromAlpha(0,0,8,8,80ff0000,1,2)"},
        {"ReplaceColor(0,0,8,8,80ff0000,81000000,2)", "ReplaceColor(0,0,8,8,80ff0000,81000000,2)"},
        {"ReplaceAlphaFromColor(0,0,8,8,80ff0000,1,2)", "ReplaceAlphaFromColor(0,0,8,8,80ff0000,1,2)"},
        {"MaskFillC(0,0,8,8,\"m\",0,0,80ff0000,1,2)", "MaskFillC(0,0,8,8,\"m\",0,0,80ff0000,1,2)"},
        {"RegionFill(0,0,8,8,0,0,80ff0000,1)", "RegionFill(0,0,8,8,0,0,80ff0000,1)"},
        {"RegionFillC(0,0,8,8,0,0,80ff0000)", "RegionFillC(0,0,8,8,0,0,80ff0000)"},
    };
    for (const WrittenCase& c : cases) {
        // Reading the written text back gives the same text.
        ExpectFixedPoint(c.text, c.written, [](const QDXFactor& f, const QDXFactor& g) {
            EXPECT_EQ(g.Color1 & 0xffffffu, f.Color1 & 0xffffffu);
        });
    }
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText("ReplaceData(0,0,8,8,ff000000,1,2,3)"));
    EXPECT_EQ(f.Color1, 0xff000000u);
}

// The colour matrix: 36 entries in record order, 16.16 values stored as
// written; the mask value comes before them and the strength after.
TEST(FillFactorsTest, ColourMatrices) {
    QDXFactor f;
    f.Reset();
    const std::string matrix = Numbers(0, 1, 36);
    ASSERT_TRUE(ParsesAs(f, ("ApplyColorMatrix(1,2,3,4," + matrix + ",200)"), 852));
    for (uint32_t e = 0; e < 36; ++e) EXPECT_EQ(f.ColorExMatrix[e], int32_t(e));
    EXPECT_EQ(f.Alpha, 200);
    EXPECT_EQ(f.X1, 1);
    EXPECT_EQ(f.Y2, 4);

    f.Reset();
    const std::string masked = "MaskApplyColorMatrix(0,0,8,8,\"m\",5,6,P40000001#7f," + Numbers(100, -7, 36) + ",9)";
    ASSERT_TRUE(ParsesAs(f, masked, 834));
    EXPECT_STREQ(f.SourceName.GetText(), "m");
    EXPECT_EQ(f.X3, 5);
    EXPECT_EQ(f.Y3, 6);
    EXPECT_EQ(f.ColorRef2, 0x40000001u);
    EXPECT_EQ(f.Color2, 0x7f000000u);
    for (uint32_t e = 0; e < 36; ++e) EXPECT_EQ(f.ColorExMatrix[e], 100 - 7 * int32_t(e));
    EXPECT_EQ(f.ByteParam2, 9);
    EXPECT_EQ(f.Alpha, 255);  // not an argument of 834

    // The identity of a reset record (entries 0, 11, 22, 33) is written as it
    // stands.
    f.Reset();
    f.Kind = 852;
    std::string identity = "ApplyColorMatrix(0,0,0,0,";
    for (uint32_t e = 0; e < 36; ++e) identity += e % 11 == 0 ? "65536," : "0,";
    EXPECT_EQ(Write(f), identity + "255)");
}

// The formula coefficients go to entries 20, 21, 22, 25, 26, 27, 24 and are
// written back in that order; the channel flags keep four bits.
TEST(FillFactorsTest, ApplyFormula) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "ApplyFormula(0,0,8,8,255,0,255,1,2,3,4,5,6,7)", 853));
    EXPECT_EQ(f.Options, 15u);
    EXPECT_EQ(f.ByteParam2, 0);
    EXPECT_EQ(f.ByteParam3, 255);
    const uint32_t entries[7] = {20, 21, 22, 25, 26, 27, 24};
    for (uint32_t i = 0; i < 7; ++i) EXPECT_EQ(f.ColorExMatrix[entries[i]], int32_t(i + 1)) << entries[i];
    EXPECT_EQ(f.ColorExMatrix[23], 0);
    EXPECT_EQ(f.ColorExMatrix[0], 65536);  // untouched
    EXPECT_EQ(Write(f), "ApplyFormula(0,0,8,8,15,0,255,1,2,3,4,5,6,7)");

    // Entries the formula does not read keep what they held.
    f.ColorExMatrix[23] = -9;
    ASSERT_TRUE(f.ParseText("ApplyFormula(0,0,8,8,16,1,2,7,6,5,4,3,2,1)"));
    EXPECT_EQ(f.Options, 0u);
    EXPECT_EQ(f.ColorExMatrix[23], -9);
    EXPECT_EQ(Write(f), "ApplyFormula(0,0,8,8,0,1,2,7,6,5,4,3,2,1)");
    ASSERT_TRUE(f.ParseText("ApplyFormula(0,0,8,8,-1,1,2,7,6,5,4,3,2,1)"));
    EXPECT_EQ(f.Options, 15u);

    // The flags are decimal, and masked at once: a later failure keeps them.
    f.Reset();
    f.Options = 0x100;
    f.Kind = 5;
    EXPECT_FALSE(f.ParseText("ApplyFormula(0,0,8,8,1f,1,256,1,2,3,4,5,6,7)"));
    EXPECT_EQ(f.Options, 1u);
    EXPECT_EQ(f.ByteParam2, 1);
    EXPECT_EQ(f.Kind, 5u);
}

// Option words: the data map completes an empty channel set, the data array
// has a short form comparing every channel.
TEST(FillFactorsTest, OptionWords) {
    struct Case {
        const char* text;
        uint32_t options;
        const char* written;
    };
    const Case cases[] = {
        {"ReplaceDataMap(0,0,8,8,\"Master\",0,0,21,0)", 0xf21, "ReplaceDataMap(0,0,8,8,\"Master\",0,0,f21,0)"},
        {"ReplaceDataMap(0,0,8,8,\"Master\",0,0,521,0)", 0x521, "ReplaceDataMap(0,0,8,8,\"Master\",0,0,521,0)"},
        {"ReplaceDataMap(0,0,8,8,\"Master\",0,0,0,0)", 0xf00, "ReplaceDataMap(0,0,8,8,\"Master\",0,0,f00,0)"},
        {"ReplaceDataMap(0,0,8,8,\"Master\",0,0,F0F0F0FF,0)", 0xf0f0ffff,
         "ReplaceDataMap(0,0,8,8,\"Master\",0,0,f0f0ffff,0)"},
        {"ReplaceDataMap(0,0,8,8,\"Master\",0,0,1234,0)", 0x1234, "ReplaceDataMap(0,0,8,8,\"Master\",0,0,1234,0)"},
        {"ReplaceColorMap(0,0,8,8,\"Master\",0,0,21,0)", 0x21, "ReplaceColorMap(0,0,8,8,\"Master\",0,0,21,0)"},
        {"ReplaceAlphaMap(0,0,8,8,\"Master\",0,0,0,0)", 0, "ReplaceAlphaMap(0,0,8,8,\"Master\",0,0,0,0)"},
        {"ReplaceDataArray(0,0,8,8,\"Master\")", 15, "ReplaceDataArray(0,0,8,8,\"Master\",f)"},
        {"ReplaceDataArray(0,0,8,8,\"Master\",3)", 3, "ReplaceDataArray(0,0,8,8,\"Master\",3)"},
        {"MulSaturation(0,0,8,8,1,2,3,4,4294967295)", 0xffffffff, "MulSaturation(0,0,8,8,1,2,3,4,4294967295)"},
        {"MulSaturation(0,0,8,8,1,2,3,4,-2)", 0xfffffffe, "MulSaturation(0,0,8,8,1,2,3,4,4294967294)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        f.Reset();
        f.Options = 0x77;
        ASSERT_TRUE(f.ParseText(c.text));
        EXPECT_EQ(f.Options, c.options);
        EXPECT_EQ(Write(f), c.written);
    }

    // The channel set is completed only once every argument was read.
    QDXFactor f;
    ResetMarked(f);
    ExpectRefused(f, "ReplaceDataMap(0,0,8,8,\"Master\",0,0,21,x)");
    EXPECT_EQ(f.Options, 0x21u);
    // Without the option word, a failing name leaves the option word alone.
    f.Options = 0x77;
    ExpectRefused(f, "ReplaceDataArray(0,0,8,8,Master)");
    EXPECT_EQ(f.Options, 0x77u);
    ExpectRefused(f, "ReplaceColorArray(0,0,8,8,\"Master\")");
    ExpectRefused(f, "ReplaceAlphaArray(0,0,8,8,\"Master\")");
}

// "MulSaturation(" with the factor alone keeps the weights and the grey
// definition; "MulAddBrightness(" uses entries 0 and 8.
TEST(FillFactorsTest, SaturationAndBrightness) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "MulSaturation(0,0,8,8,131072)", 856));
    EXPECT_EQ(f.ColorExMatrix[33], 131072);
    EXPECT_EQ(Write(f), "MulSaturation(0,0,8,8,65536,65536,65536,131072,0)");
    ASSERT_TRUE(f.ParseText("MulSaturation(0,0,8,8,1,2,3,4,3)"));
    EXPECT_EQ(f.ColorExMatrix[0], 1);
    EXPECT_EQ(f.ColorExMatrix[11], 2);
    EXPECT_EQ(f.ColorExMatrix[22], 3);
    EXPECT_EQ(f.ColorExMatrix[33], 4);
    EXPECT_EQ(f.Options, 3u);
    ASSERT_TRUE(f.ParseText("!MulSaturation(1,1,8,8,-5)"));
    EXPECT_EQ(Write(f), "!MulSaturation(1,1,8,8,1,2,3,-5,3)");

    f.Reset();
    ASSERT_TRUE(ParsesAs(f, "MulAddBrightness(0,0,8,8,98304,-65536)", 857));
    EXPECT_EQ(f.ColorExMatrix[0], 98304);
    EXPECT_EQ(f.ColorExMatrix[8], -65536);
    EXPECT_EQ(f.ColorExMatrix[11], 65536);
    EXPECT_EQ(f.ColorExMatrix[33], 65536);
    EXPECT_EQ(f.Options, 0u);
}

// A count outside the member's rule fails before anything is read: every
// canonical text with one argument more, and with one fewer (except the
// members whose short form that is).
TEST(FillFactorsTest, CountRules) {
    for (const KindCase& c : CanonicalTexts()) {
        const size_t close = c.text.rfind(')');
        const size_t lastComma = c.text.rfind(',');
        const std::string more = c.text.substr(0, close) + ",1)";
        const std::string fewer = c.text.substr(0, lastComma) + ")";
        for (const bool dropLast : {false, true}) {
            const std::string& text = dropLast ? fewer : more;
            SCOPED_TRACE(text);
            QDXFactor f;
            ResetWithMarkers(f);
            const bool shortForm = dropLast && c.kind == 838;
            EXPECT_EQ(f.ParseText(text.c_str()), shortForm);
            if (shortForm) continue;
            EXPECT_EQ(f.Kind, kMarkerKind);
            EXPECT_EQ(f.X1, kKeep);
        }
    }
    // The two counts of "MulSaturation(" are nine and five, nothing between.
    for (const char* text : {"MulSaturation(1,0,8,8,1,2,3,4)", "MulSaturation(1,0,8,8,1,2,3)",
                             "MulSaturation(1,0,8,8,1,2)", "MulSaturation(1,0,8,8)",
                             "MulSaturation(1,0,8,8,1,2,3,4,5,6)", "ReplaceDataArray(1,0,8,8)",
                             "Fill(0,0,16,16,ff0000)", "ApplyColorMatrix(1,0,0,0)", "Fill()", "Fill("}) {
        QDXFactor f;
        ResetWithMarkers(f);
        ExpectRefused(f, text);
        EXPECT_EQ(f.X1, kKeep) << text;
    }
}

// Arguments that are not accepted: false, Kind unchanged, and the fields read
// before the failing argument keep their new values.
TEST(FillFactorsTest, Failures) {
    struct Case {
        const char* text;
        int32_t x1;  // X1 afterwards
        int32_t y3;  // Y3 afterwards
        int32_t entry0;  // ColorExMatrix[0] afterwards
    };
    const std::string matrix = "1," + Numbers(2, 0, 35);
    const std::string badMatrix = "1,2,x," + Numbers(2, 0, 33);
    const std::string maskMatrixBadStrength =
        "MaskApplyColorMatrix(1,0,8,8,\"m\",0,3,ff," + matrix + ",256)";
    const std::string maskMatrixBadEntry = "MaskApplyColorMatrix(1,0,8,8,\"m\",0,3,ff," + badMatrix + ",0)";
    const std::string maskMatrixBadValue = "MaskApplyColorMatrix(1,0,8,8,\"m\",0,3,Q," + matrix + ",0)";
    const std::string matrixBadLevel = "ApplyColorMatrix(1,0,8,8," + matrix + ",-1)";
    const std::string matrixBadRegion = "ApplyColorMatrix(1,x,8,8," + matrix + ",0)";
    const std::string matrixReal = "ApplyColorMatrix(1,0,8,8," + matrix + ",nan)";
    const Case cases[] = {
        // Levels outside 0..255 or not numbers, in every byte field.
        {"Fill(1,0,16,16,ff0000,256)", 1, kKeep, 11},
        {"FillA(1,0,16,16,-1)", 1, kKeep, 11},
        {"ReplaceDataFromAlpha(1,0,8,8,ff,0,256,0)", 1, kKeep, 11},
        {"ReplaceAlpha(1,0,8,8,0,0,x)", 1, kKeep, 11},
        {"MaskFillA(1,0,8,8,\"m\",0,3,0,1000,ff)", 1, 3, 11},
        {"RegionFill(1,0,8,8,2,3,ff,)", 1, 3, 11},
        {"ApplyFormula(1,0,8,8,1,0,256,1,2,3,4,5,6,7)", 1, kKeep, 11},
        {"ApplyFormula(1,0,8,8,1,-1,0,1,2,3,4,5,6,7)", 1, kKeep, 11},
        // Colours: neither a reference (P first, upper case) nor a code.
        {"Fill(1,0,16,16, P40000005,1)", 1, kKeep, 11},
        {"Fill(1,0,16,16,p1,1)", 1, kKeep, 11},
        {"ReplaceColor(1,0,8,8,ff,g,1)", 1, kKeep, 11},
        {"MaskFill(1,0,8,8,\"m\",0,3,ff,255,255,#80)", 1, 3, 11},
        {"RegionFillC(1,0,8,8,2,3,)", 1, 3, 11},
        // Names without a closing delimiter: an open quote swallows the rest
        // of the list, so the count fails first; an item that is no name
        // fails itself.
        {"MaskFillC(1,0,8,8,m,0,3,ff,1,ff)", 1, kKeep, 11},
        {"ReplaceColorMap(1,0,8,8,\",0,3,0,0)", kKeep, kKeep, 11},
        // Numbers that do not convert.
        {"ReplaceDataFromPixel(1,0,8,8,2,y,ff,1,1)", 1, kKeep, 11},
        {"ReplaceAlphaMap(1,0,8,8,\"m\",0,3,z,0)", 1, 3, 11},
        {"MulSaturation(1,0,8,8,x)", 1, kKeep, 11},
        {"MulSaturation(1,0,8,8,5,1,1,1,x)", 1, kKeep, 5},
        {"MulAddBrightness(1,0,8,8,5,x)", 1, kKeep, 5},
        {"MulAddBrightness(x,0,8,8,5,1)", kKeep, kKeep, 11},
        // Matrices: entries read before a failure stay changed.
        {maskMatrixBadStrength.c_str(), 1, 3, 1},
        {maskMatrixBadEntry.c_str(), 1, 3, 1},
        {maskMatrixBadValue.c_str(), 1, 3, 11},
        {matrixBadLevel.c_str(), 1, kKeep, 1},
        {matrixBadRegion.c_str(), 1, kKeep, 11},
        {matrixReal.c_str(), 1, kKeep, 1},
    };
    for (const Case& c : cases) {
        ExpectReadFromMarkers(
            c.text, false,
            [](QDXFactor& f) { f.ColorExMatrix[0] = 11; },
            [&c](const QDXFactor& f) {
                EXPECT_EQ(f.X1, c.x1);
                EXPECT_EQ(f.Y3, c.y3);
                EXPECT_EQ(f.ColorExMatrix[0], c.entry0);
            });
    }
}

// Inputs that are not canonical: the written text, which reads back to
// itself.
TEST(FillFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        {"Fill(+1, 2,3x,4,0XFF,0255", "Fill(1,2,3,4,ff,255)"},
        {"Fill(0,0,1,1,0,255)tail", "Fill(0,0,1,1,0,255)"},
        {"FillC(0,0,1,1,P 1a,1)", "FillC(0,0,1,1,P1a,1)"},
        {"ReplaceData(0,0,1,1,ff,1,P5#1ff,1)", "ReplaceData(0,0,1,1,ff,1,P5#ff,1)"},
        {"ReplaceColorFromData(0,0,1,1,P5#,1,2)", "ReplaceColorFromData(0,0,1,1,P5#0,1,2)"},
        {"MaskFillA(0,0,1,1,'a b',0,0,1,2,-1)", "MaskFillA(0,0,1,1,\"a b\",0,0,1,2,ffffffff)"},
        {"ReplaceColorArray(0,0,1,1,\"m\"x,0x1F)", "ReplaceColorArray(0,0,1,1,\"m\",1f)"},
        {"MulSaturation(0,0,1,1,7)", "MulSaturation(0,0,1,1,65536,65536,65536,7,0)"},
        {"ApplyFormula(0,0,1,1,31,010,20,1,2,3,4,5,6,7)", "ApplyFormula(0,0,1,1,15,10,20,1,2,3,4,5,6,7)"},
        {"ReplaceDataArray(0,0,1,1,\"m\")", "ReplaceDataArray(0,0,1,1,\"m\",f)"},
        {"ReplaceDataMap(0,0,1,1,\"m\",0,0,-1,0)", "ReplaceDataMap(0,0,1,1,\"m\",0,0,ffffffff,0)"},
    };
    ExpectFixedPoints(cases);
}

// No keyword of the family is taken for another one that it begins or ends.
// "SetAlphaColor(" is the six-argument form of 823 with full strength; it is
// never written: the factor goes back out as "ReplaceAlphaFromColor(".
TEST(FillFactorsTest, SetAlphaColorAlias) {
    struct Case {
        const char* text;
        const char* written;  // null: refused
    };
    const Case cases[] = {
        {"SetAlphaColor(0,0,8,8,ffffff,0)", "ReplaceAlphaFromColor(0,0,8,8,ffffff,0,255)"},
        {"!SetAlphaColor(1,2,3,4,P40000005,128)", "!ReplaceAlphaFromColor(1,2,3,4,P40000005,128,255)"},
        {"SetAlphaColor(0,0,8,8,ffffff,0,255)", nullptr},  // seven arguments
        {"SetAlphaColor(0,0,8,8,ffffff)", nullptr},
        {"SetAlphaColor(0,0,8,8,ffffff,256)", nullptr},
        {"SetAlphaColor()", nullptr},  // shorter than the kind's own keyword
        {"SetAlphaColor(", nullptr},
        {"SetAlphaColor", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        ResetMarked(f);
        f.ByteParam2 = 9;
        EXPECT_EQ(f.ParseText(c.text), c.written != nullptr);
        if (c.written == nullptr) {
            EXPECT_EQ(f.Kind, kMarkerKind);
            continue;
        }
        EXPECT_EQ(f.Kind, 823u);
        EXPECT_EQ(f.ByteParam2, 255);
        EXPECT_EQ(Write(f), c.written);
    }
    const FactorRow* alias = FindFactorKeyword("SetAlphaColor(0,0,8,8,ffffff,0)");
    ASSERT_NE(alias, nullptr);
    EXPECT_EQ(alias->kind, 823u);
    EXPECT_STREQ(FindFactorKind(823)->keyword, "ReplaceAlphaFromColor(");
}

TEST(FillFactorsTest, KeywordsApart) {
    const KindCase cases[] = {
        {"Fill(0,0,1,1,0,1)", 801},
        {"FillC(0,0,1,1,0,1)", 811},
        {"FillA(0,0,1,1,1)", 821},
        {"RegionFill(0,0,1,1,0,0,0,1)", 854},
        {"RegionFillC(0,0,1,1,0,0,0)", 855},
        {"ReplaceData(0,0,1,1,0,1,0,1)", 804},
        {"ReplaceColor(0,0,1,1,0,0,1)", 813},
        {"ReplaceAlpha(0,0,1,1,0,0,1)", 822},
        {"ReplaceDataArray(0,0,1,1,\"m\")", 838},
        {"MaskFill(0,0,1,1,\"m\",0,0,0,1,1,0)", 831},
        {"ApplyFormula(0,0,1,1,0,0,0,0,0,0,0,0,0,0)", 853},
        {"fill(0,0,1,1,0,1)", 0},
        {"Fill (0,0,1,1,0,1)", 0},
        {" Fill(0,0,1,1,0,1)", 0},
        {"ReplaceDataFrom(0,0,1,1,0,1,0,1)", 0},
        {"MulSaturationX(0,0,1,1,0)", 0},
    };
    for (const KindCase& c : cases) ExpectKind(c.text, c.kind);
}

}  // namespace
