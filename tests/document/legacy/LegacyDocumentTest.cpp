// A whole document of format 1.0: palettes under the old "Pallet" wording,
// object names whose second byte is 0x5C (a backslash value inside a
// two-byte character), and factors of every legacy family. It loads, saves in
// format 1.2, and the saved text loads back to the same state.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "tests/document/legacy/LegacyTestSupport.h"

namespace {

// "表" and "ソ" in code page 932: both end in the byte 0x5C.
const std::string kTable = "\x95\x5C";
const std::string kSo = "\x83\x5C";

std::string PalletLine(const char* keyword, const std::vector<std::string>& first) {
    std::string line = keyword;
    for (uint32_t i = 0; i < 1024; ++i) {
        if (i != 0) line += ',';
        if (i < first.size()) line += first[i];
    }
    return line + ")";
}

std::string LegacyDocument(const std::string& objects) {
    return "QDXTextFormat1.0\n[Pallet]\n" + PalletLine("Pallet1(", {"ff0000", "00ff00", "1234"}) + "\n" +
           PalletLine("Pallet2(", {"", "ff0000#0000ff#1"}) + "\nPallet4()\n[QDXObject]\n" + objects +
           "\n[MetaData]\nold meta data";
}

// One object per family, the source objects named with the 0x5C trail byte,
// one more object whose own name ends in it and which refers to itself.
std::string EveryFamily() {
    const std::string src = "\"" + kTable + "\"";
    return kTable + "=Render(16,16,ffffff,array(Square(0,0,256,256,P40010000)))\n" +
           kSo + "=Render(16,16,0,1,1,1,array(!CircleAlpha(80,81,40),LineAlpha(0,0,16,16,16)))\n" +
           "Shapes=Render(64,64,0,array(Diagram(16,32,ff,qdxpath(Line(1,2),!CircleCurve(3,4,5,6,t),Return)),"
           "Arc2(0,1,160,161,80,81,0.5,3.14159,16,1.5,2.5,0.25,4,ff),FrameRefAlpha(0,24),"
           "Frame(16,32,24,P40010001,qdxpath(Line(1,2),Separator))))\n" +
           "Draws=Render(64,64,0,2,2,1,array(Draw(0,0,16,16," + src + ",0,0),AlphaBlendC(0,0,8,8," + src +
           ",1,1,77),ResizeLayer(0,0,64,32,'" + kSo + "',1,2,3,4),Rotate(0,0,100,100," + src +
           ",50,50,45,32768),!RotateAlphaBlend(0,0,100,100," + src + ",50,50,45,1.5,2,3,4,5,6,77)))\n" +
           "Tones=Render(64,64,0,array(DrawTone(0,0,64,32," + src + ",8,8,256,128,0,256,FF0000),"
           "RotateLayerBlendToneC(0,0,100,100," + src + ",50,50,45,131072,1,2,3,4,P40010002,9)))\n" +
           "Spaces=Render(64,64,0,array(DrawHSL(0,0,64,32," + src + ",8,8,30,-20,10),"
           "RotateAlphaHSLYC(0,0,100,100," + src + ",50,50,45,65536,1,2,3),"
           "HSVAlphaBlend(0,0,10,10," + src + ",0,0),HSLRangeAlphaBlendC(0,0,10,10," + src +
           ",0,0,-30,30,0,256,0,256,200)))";
}

std::string Save(CQDXCtrl& doc) {
    CStr_base<16384> text;
    EXPECT_TRUE(doc.SaveString(text));
    return text.GetText();
}

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    std::sort(lines.begin(), lines.end());
    return lines;
}

const QDXObject* Find(CQDXCtrl& doc, const std::string& name) {
    const auto* entry = doc.Objects.Find(CStr_base<64>(name.c_str()).GetText());
    return entry != nullptr ? &entry->GetValue() : nullptr;
}

TEST(LegacyDocument, LoadsSavesAsCurrentFormatAndReadsBackTheSame) {
    CQDXCtrl first;
    ASSERT_EQ(first.LoadString(LegacyDocument(EveryFamily()).c_str()), 0);
    // The "Pallet" wording was read.
    EXPECT_EQ(first.PaletteTables->Palette1[0], 0xff0000u);
    EXPECT_EQ(first.PaletteTables->Palette1[2], 0x1234u);
    const QDXObject* draws = Find(first, "Draws");
    ASSERT_NE(draws, nullptr);
    ASSERT_EQ(draws->Factors.GetCount(), 5u);
    EXPECT_EQ(draws->Factors.GetAt(0)->SourceName.GetText(), kTable);
    EXPECT_EQ(draws->Factors.GetAt(2)->SourceName.GetText(), kSo);
    EXPECT_FALSE(draws->Factors.GetAt(4)->Enabled);
    ASSERT_NE(Find(first, kSo), nullptr);

    const std::string saved = Save(first);
    EXPECT_EQ(saved.rfind("QDXTextFormat1.2\n[Palette]\n", 0), 0u) << saved.substr(0, 40);
    CQDXCtrl second;
    ASSERT_EQ(second.LoadString(saved.c_str()), 0) << saved;
    // The same lines: objects that share a bucket of the object map are saved
    // in the order of loading, which a load reverses.
    EXPECT_EQ(SortedLines(Save(second)), SortedLines(saved));
    for (uint32_t i = 0; i < 1024; ++i) ASSERT_EQ(second.PaletteTables->Palette1[i], first.PaletteTables->Palette1[i]);
    EXPECT_STREQ(second.MetaData.GetText(), first.MetaData.GetText());

    for (const std::string& name : {kTable, kSo, std::string("Shapes"), std::string("Draws"), std::string("Tones"),
                                    std::string("Spaces")}) {
        SCOPED_TRACE(name);
        const QDXObject* a = Find(first, name);
        const QDXObject* b = Find(second, name);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(a->Width, b->Width);
        EXPECT_EQ(a->Height, b->Height);
        ASSERT_EQ(a->Factors.GetCount(), b->Factors.GetCount());
        for (uint32_t k = 0; k < a->Factors.GetCount(); ++k) {
            EXPECT_NE(a->Factors.GetAt(k)->Kind, 0u);
            EXPECT_STREQ(a->Factors.GetAt(k)->Name.GetText(), b->Factors.GetAt(k)->Name.GetText());
            EXPECT_EQ(legacy_test::Describe(*a->Factors.GetAt(k)), legacy_test::Describe(*b->Factors.GetAt(k))) << k;
        }
    }
}

// A factor the legacy vocabulary refuses, anywhere in the document, fails the
// whole load with code 4 and leaves nothing of it behind: among them a name
// holding a double quote that no backslash escapes, which would be written
// back raw and make the saved document unreadable.
TEST(LegacyDocument, ARefusedFactorFailsTheWholeLoad) {
    const std::vector<std::string> bad = {
        "Draw(0,0,8,8,'a\"b',0,0)",
        "Line(0,0,16,16,16,ff0000,255)",  // the current form, with its alpha item
        "LineA(0,0,16,16,16)",
        "",
    };
    for (const std::string& factor : bad) {
        SCOPED_TRACE(factor);
        CQDXCtrl doc;
        const std::string text = LegacyDocument(EveryFamily() + "\nLast=Render(8,8,0,array(Box(0,0,1,1,1,ff)," +
                                                factor + "))");
        EXPECT_EQ(doc.LoadString(text.c_str()), 4);
        EXPECT_EQ(Find(doc, "Draws"), nullptr);
        EXPECT_EQ(Find(doc, "Last"), nullptr);
        EXPECT_EQ(doc.PaletteTables->Palette1[0], 0u);
        EXPECT_TRUE(doc.MetaData.IsEmpty());
    }
}

}  // namespace
