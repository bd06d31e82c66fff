// A format-1.0 document holding the gradations, region and source factors,
// replace draws, colour matrices, mapping matrices, filters, texts and
// structure factors, with source names whose trail byte is 0x5C: it loads,
// saves in format 1.2, and the saved text loads back to the same factors.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "tests/document/legacy/LegacyEquivalence.h"

namespace {

// "表" in code page 932: its second byte is 0x5C.
const std::string kTable = "\x95\x5C";

std::string Pallet() {
    std::string line = "Pallet1(ff0000,00ff00";
    for (uint32_t i = 2; i < 1024; ++i) line += ',';
    return line + ")";
}

struct ObjectText {
    std::string name;
    std::string factors;  // the items of "array("
};

std::vector<ObjectText> Objects() {
    const std::string src = "\"" + kTable + "\"";
    const std::string matrix = legacy_test::Repeat("65536", 42);
    return {
        {kTable, "Square(0,0,256,256,P40010000)"},
        {"Gradations",
         "GradationHD(0,0,100,100,ff0000,P40010000#80),!HSLGradationHVD(0,0,9,9,1,2,3,4,5,6,7,8),"
         "GradationV(0,0,9,9,P40010001,ff),MixGradationA(0,0,9,9,128,array(mixgradinfo(50,50,0,40,1,1,1,1,1,0,0,0,"
         "1,MIX),mixgradinfo(10,10,0,20,1,1,1,1,1,ff0000,1,ADD)))"},
        {"Fills",
         "FillBlend(0,0,9,9,P40010000,128),ReplaceColor(0,0,9,9,ff,ff00),SetAlphaColor(0,0,9,9,ff,1),"
         "Screen(0,0,9,9," + src + ",1,2),Hue(0,0,9,9," + src + ",3,4),AlphaSub(0,0,9,9," + src + ",5,6)"},
        {"Replaces",
         "ReplaceDrawCIfGE(0,0,9,9," + src + ",0,0,9,9,P40010000,128,200),MaskDrawFromAlpha(0,0,9,9," + src +
             ",0,0,9,9,7),ReplaceDataFromPixel(0,0,9,9,1,1,ff,255),ApplyColorMatrix(0,0,9,9," +
             legacy_test::Repeat("2", 20) + ",255)"},
        {"Filters",
         "XYMappingMatrix(0,0,9,9,1,1," + src + ",2,2,3,3,0.5," + matrix + ",255,3),RAMappingMatrix(0,0,9,9,1,1," +
             src + ",2,2,3,3,0.5,2," + matrix + ",255,-1),BlurColor(0,0,9,9,3),RasterScroll(0,0,9,9,0.5,1,2,0.25,3,4)"},
        {"Texts", "TextShadow1Blend(0,0,90,20,\"F\",ff,P40010000,\"a\\\"b\\n,c\",77),Text(0,0,9,9,'F',0,0,'x')"},
        {"Structure",
         "GhostFactor(" + src + ",0),DrawFrame(0,0,9,9," + src + ",1,1,2,2,255,1),ExInfo(0,0,9,9,10,1," + src +
             ",\"t\"),DiagramTransform2(0," + src + ",0)"},
    };
}

std::string LegacyDocument() {
    std::string text = "QDXTextFormat1.0\n[Pallet]\n" + Pallet() + "\n[QDXObject]\n";
    for (const ObjectText& object : Objects()) text += object.name + "=Render(64,64,0,array(" + object.factors + "))\n";
    return text + "[MetaData]\n";
}

const QDXObject* Find(CQDXCtrl& doc, const std::string& name) {
    const auto* entry = doc.Objects.Find(CStr_base<64>(name.c_str()).GetText());
    return entry != nullptr ? &entry->GetValue() : nullptr;
}

TEST(LegacyDocumentFamilies, LoadsSavesAndReadsBackTheSame) {
    CQDXCtrl first;
    ASSERT_EQ(first.LoadString(LegacyDocument().c_str()), 0);
    CStr_base<16384> saved;
    ASSERT_TRUE(first.SaveString(saved));
    EXPECT_EQ(std::string(saved.GetText()).rfind("QDXTextFormat1.2\n", 0), 0u);
    CQDXCtrl second;
    ASSERT_EQ(second.LoadString(saved.GetText()), 0) << saved.GetText();

    for (const ObjectText& object : Objects()) {
        SCOPED_TRACE(object.name);
        const QDXObject* a = Find(first, object.name);
        const QDXObject* b = Find(second, object.name);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        ASSERT_EQ(a->Factors.GetCount(), b->Factors.GetCount());
        for (uint32_t k = 0; k < a->Factors.GetCount(); ++k) {
            EXPECT_NE(a->Factors.GetAt(k)->Kind, 0u) << k;
            EXPECT_EQ(legacy_test::Describe(*a->Factors.GetAt(k)), legacy_test::Describe(*b->Factors.GetAt(k))) << k;
        }
    }
    // Spot checks of what the old forms turned into.
    const QDXObject* structure = Find(second, "Structure");
    ASSERT_NE(structure, nullptr);
    EXPECT_EQ(structure->Factors.GetAt(0)->SourceName.GetText(), kTable);
    EXPECT_EQ(structure->Factors.GetAt(2)->Options, 6u);  // old draw mode 10: AlphaC
    EXPECT_FALSE(Find(second, "Gradations")->Factors.GetAt(1)->Enabled);
    EXPECT_STREQ(Find(second, "Texts")->Factors.GetAt(0)->Text.GetText(), "a\"b\n,c");
}

// A name holding a bare double quote, in any family, fails the whole load;
// the same names with another byte in its place load.
TEST(LegacyDocumentFamilies, ANameWithADoubleQuoteFailsTheLoad) {
    const std::pair<const char*, int> cases[] = {
        {"Screen(0,0,9,9,'a\"b',0,0)", 4},   {"Screen(0,0,9,9,'a-b',0,0)", 0},
        {"GhostFactor('a\"b',0)", 4},        {"GhostFactor('a-b',0)", 0},
        {"MaskDrawFromAlpha(0,0,9,9,'a\"b',0,0,9,9,7)", 4}, {"MaskDrawFromAlpha(0,0,9,9,'a-b',0,0,9,9,7)", 0},
    };
    for (const auto& [factor, code] : cases) {
        SCOPED_TRACE(factor);
        CQDXCtrl doc;
        const std::string text = "QDXTextFormat1.0\n[Pallet]\n" + Pallet() + "\n[QDXObject]\nA=Render(8,8,0,array(" +
                                 factor + "))\n[MetaData]\n";
        EXPECT_EQ(doc.LoadString(text.c_str()), code);
        EXPECT_EQ(Find(doc, "A") != nullptr, code == 0);
    }
}

}  // namespace
