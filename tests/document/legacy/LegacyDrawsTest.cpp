// The format-1.0 draws of another object: plain, tone and colour-space draws
// and the colour-space blends. Each legacy text is paired with the current
// text of the same kind that must read to the same record (the old mode words
// and model words become the current keyword's items, missing alphas 255, a
// short Rotate form the long form with its derived values).
#include <gtest/gtest.h>

#include <string>

#include "tests/document/legacy/LegacyTestSupport.h"

namespace {

using legacy_test::Describe;
using legacy_test::ExpectSameThroughWriter;
using legacy_test::LegacyParsesAs;
using legacy_test::ResetNamed;

struct Pair {
    const char* legacy;
    const char* current;
};

void ExpectPairs(const Pair* pairs, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const Pair& p = pairs[i];
        SCOPED_TRACE(p.legacy);
        QDXFactor old, now;
        ResetNamed(old);
        ResetNamed(now);
        ASSERT_TRUE(old.ParseLegacyText(p.legacy));
        ASSERT_TRUE(now.ParseText(p.current)) << p.current;
        EXPECT_EQ(Describe(old), Describe(now));
        ExpectSameThroughWriter(old, p.legacy);
    }
}

TEST(LegacyDraws, ObjectDrawsReadAsTheirCurrentKinds) {
    const Pair pairs[] = {
        {"Draw(0,0,64,32,\"pic\",8,8)", "Copy(0,0,64,32,\"pic\",8,8)"},
        {"Draw(0,0,64,32,\"pic\",8,8,x,y)", "Copy(0,0,64,32,\"pic\",8,8)"},
        {"Alpha(0,0,64,32,\"pic\",8,8,100)", "Alpha(0,0,64,32,\"pic\",8,8,255)"},  // no alpha item
        {"Layer(0,0,64,32,\"pic\",8,8)", "Layer(0,0,64,32,\"pic\",8,8,255)"},
        {"AlphaBlend(0,0,64,32,\"pic\",8,8,100)", "Alpha(0,0,64,32,\"pic\",8,8,100)"},
        {"AlphaBlend(0,0,64,32,\"pic\",8,8)", "Alpha(0,0,64,32,\"pic\",8,8,255)"},
        {"BlendC(0,0,64,32,\"pic\",8,8,9,junk)", "BlendC(0,0,64,32,\"pic\",8,8,9)"},
        {"LayerBlendC(0,0,64,32,\"pic\",8,8,5)", "LayerC(0,0,64,32,\"pic\",8,8,5)"},
        {"DrawC(1,2,3,4,'pic',5,6)", "CopyC(1,2,3,4,\"pic\",5,6)"},
        {"Resize(0,0,64,32,\"pic\",1,2,3,4)", "Resize(0,0,64,32,\"pic\",1,2,3,4)"},
        {"ResizeLayer(0,0,64,32,\"pic\",1,2,3,4)", "ResizeLayer(0,0,64,32,\"pic\",1,2,3,4,255)"},
        {"ResizeAlphaBlendC(0,0,64,32,\"pic\",1,2,3,4,7)", "ResizeAlphaC(0,0,64,32,\"pic\",1,2,3,4,7)"},
        {"Rotate(0,0,100,100,\"pic\",50,50,45,32768)",
         "Rotate(0,0,100,100,\"pic\",50,50,45,0.5,0.5,0,0,10000,10000)"},
        {"RotateAlphaBlend(0,0,100,100,\"pic\",50,50,45,1.5,2,3,4,5,6,77)",
         "RotateAlpha(0,0,100,100,\"pic\",50,50,45,1.5,2,3,4,5,6,77)"},
        {"RotateLayerC(0,0,100,100,\"pic\",50,50,-30,131072)",
         "RotateLayerC(0,0,100,100,\"pic\",50,50,-30,2,2,0,0,10000,10000,255)"},
        {"RotateBlendC(0,0,100,100,\"pic\",50,50,-30,65536,12)",
         "RotateBlendC(0,0,100,100,\"pic\",50,50,-30,1,1,0,0,10000,10000,12)"},
    };
    ExpectPairs(pairs, std::size(pairs));
}

TEST(LegacyDraws, ToneDrawsReadAsTheirCurrentKinds) {
    const Pair pairs[] = {
        {"DrawTone(0,0,64,32,\"pic\",8,8,256,128,0,256,FF0000)", "CopyTone(0,0,64,32,\"pic\",8,8,256,128,0,256,FF0000)"},
        {"DrawTone(0,0,64,32,\"pic\",8,8,-5,1000,0,256,P40010000)",
         "CopyTone(0,0,64,32,\"pic\",8,8,-5,1000,0,256,P40010000)"},
        {"DrawAlphaTone(0,0,64,32,\"pic\",8,8,1,2,3,4,ff)", "AlphaTone(0,0,64,32,\"pic\",8,8,1,2,3,4,ff,255)"},
        {"DrawLayerBlendToneC(0,0,64,32,\"pic\",8,8,1,2,3,4,ff,9)", "LayerToneC(0,0,64,32,\"pic\",8,8,1,2,3,4,ff,9)"},
        {"ResizeAlphaTone(0,0,64,32,\"pic\",1,2,3,4,5,6,7,8,ff)",
         "ResizeAlphaTone(0,0,64,32,\"pic\",1,2,3,4,5,6,7,8,ff,255)"},
        {"ResizeBlendToneC(0,0,64,32,\"pic\",1,2,3,4,5,6,7,8,ff,3)",
         "ResizeBlendToneC(0,0,64,32,\"pic\",1,2,3,4,5,6,7,8,ff,3)"},
        {"RotateTone(0,0,100,100,\"pic\",50,50,45,131072,1,2,3,4,ff)",
         "RotateTone(0,0,100,100,\"pic\",50,50,45,2,2,0,0,10000,10000,1,2,3,4,ff)"},
        {"RotateAlphaBlendTone(0,0,100,100,\"pic\",50,50,45,32768,1,2,3,4,ff,40)",
         "RotateAlphaTone(0,0,100,100,\"pic\",50,50,45,0.5,0.5,0,0,10000,10000,1,2,3,4,ff,40)"},
        {"RotateLayerToneC(0,0,100,100,\"pic\",50,50,45,1,2,5,6,7,8,1,2,3,4,ff)",
         "RotateLayerToneC(0,0,100,100,\"pic\",50,50,45,1,2,5,6,7,8,1,2,3,4,ff,255)"},
    };
    ExpectPairs(pairs, std::size(pairs));
}

TEST(LegacyDraws, ColourSpaceDrawsCarryTheirModelAsOptions) {
    const Pair pairs[] = {
        {"DrawHSL(0,0,64,32,\"pic\",8,8,30,-20,10)", "CopyColorSpace(0,0,64,32,\"pic\",8,8,1,30,-20,10)"},
        {"DrawHSV(0,0,64,32,\"pic\",8,8,30,-20,10)", "CopyColorSpace(0,0,64,32,\"pic\",8,8,0,30,-20,10)"},
        {"DrawHSLY(0,0,64,32,\"pic\",8,8,720,-999,999)", "CopyColorSpace(0,0,64,32,\"pic\",8,8,2,720,-999,999)"},
        {"AlphaHSLY(0,0,64,32,\"pic\",8,8,1,2,3)", "AlphaColorSpace(0,0,64,32,\"pic\",8,8,2,1,2,3,255)"},
        {"AlphaBlendHSLY(0,0,64,32,\"pic\",8,8,1,2,3,100)", "AlphaColorSpace(0,0,64,32,\"pic\",8,8,2,1,2,3,100)"},
        {"LayerBlendHSVC(0,0,64,32,\"pic\",8,8,1,2,3,128)", "LayerColorSpaceC(0,0,64,32,\"pic\",8,8,0,1,2,3,128)"},
        {"ResizeBlendHSL(0,0,64,32,\"pic\",1,2,3,4,5,6,7,8)",
         "ResizeBlendColorSpace(0,0,64,32,\"pic\",1,2,3,4,1,5,6,7,8)"},
        {"ResizeLayerHSLYC(0,0,64,32,\"pic\",1,2,3,4,5,6,7)",
         "ResizeLayerColorSpaceC(0,0,64,32,\"pic\",1,2,3,4,2,5,6,7,255)"},
        {"RotateHSV(0,0,100,100,\"pic\",50,50,45,32768,10,0,0)",
         "RotateColorSpace(0,0,100,100,\"pic\",50,50,45,0.5,0.5,0,0,10000,10000,0,10,0,0)"},
        {"RotateAlphaBlendHSL(0,0,100,100,\"pic\",50,50,45,1,2,3,4,5,6,7,8,9,60)",
         "RotateAlphaColorSpace(0,0,100,100,\"pic\",50,50,45,1,2,3,4,5,6,1,7,8,9,60)"},
        {"HSVAlphaBlend(0,0,10,10,\"a\",0,0)", "ColorSpaceAlphaBlend(0,0,10,10,\"a\",0,0,0,255)"},
        {"HSVAlphaBlend(0,0,10,10,\"a\",0,0,100)", "ColorSpaceAlphaBlend(0,0,10,10,\"a\",0,0,0,100)"},
        // A current argument list under the legacy keyword: item 7 is the alpha.
        {"HSVAlphaBlend(0,0,10,10,\"a\",0,0,2,200)", "ColorSpaceAlphaBlend(0,0,10,10,\"a\",0,0,0,2)"},
        {"HSLYAlphaBlendC(0,0,10,10,\"a\",0,0)", "ColorSpaceAlphaBlendC(0,0,10,10,\"a\",0,0,2,255)"},
        {"HSLRangeAlphaBlend(0,0,10,10,\"a\",0,0,-30,30,0,256,0,256,255)",
         "ColorSpaceRangeAlphaBlend(0,0,10,10,\"a\",0,0,1,-30,30,0,256,0,256,255)"},
        {"HSLYRangeAlphaBlendC(0,0,10,10,\"a\",0,0,1,2,3,4,5,6,7)",
         "ColorSpaceRangeAlphaBlendC(0,0,10,10,\"a\",0,0,2,1,2,3,4,5,6,7)"},
    };
    ExpectPairs(pairs, std::size(pairs));
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "HSLRangeAlphaBlend(0,0,10,10,\"a\",0,0,-30,30,0,256,0,256,255)", 392));
    EXPECT_EQ(f.SpaceParam1, -30);
    EXPECT_EQ(f.RangeParam1, 30);
    EXPECT_EQ(f.RangeParam2, 256);
}

TEST(LegacyDraws, RefusedTexts) {
    const char* const refused[] = {
        // alphas outside 0..255, not numbers, or missing where required
        "Blend(0,0,64,32,\"pic\",8,8,256)",
        "Blend(0,0,64,32,\"pic\",8,8,-1)",
        "Blend(0,0,64,32,\"pic\",8,8,)",
        "LayerBlendHSVC(0,0,64,32,\"pic\",8,8,1,2,3,256)",
        "LayerBlendHSVC(0,0,64,32,\"pic\",8,8,1,2,3,-1)",
        "HSVAlphaBlend(0,0,10,10,\"a\",0,0,256)",
        "DrawBlendTone(0,0,64,32,\"pic\",8,8,1,2,3,4,ff)",
        "DrawBlendTone(0,0,64,32,\"pic\",8,8,1,2,3,4,ff,300)",
        // counts
        "Draw(0,0,64,32,\"pic\",8)",
        "Resize(0,0,64,32,\"pic\",1,2,3,4,5)",
        "ResizeBlend(0,0,64,32,\"pic\",1,2,3,4)",
        "Rotate(0,0,100,100,\"pic\",50,50,45,32768,1)",
        "Rotate(0,0,100,100,\"pic\",50,50,45,1,1,0,0,10,10,1)",
        "RotateBlend(0,0,100,100,\"pic\",50,50,45,1,1,0,0,10,10)",
        "DrawAlphaTone(0,0,64,32,\"pic\",8,8,1,2,3,4,ff,1)",
        "RotateTone(0,0,100,100,\"pic\",50,50,45,1,1,2,3,4,ff,1)",
        "RotateBlendTone(0,0,100,100,\"pic\",50,50,45,1,1,0,0,10,10,1,2,3,4,ff)",
        "DrawHSV(0,0,64,32,\"pic\",8,8,1,2,3,4)",
        "BlendHSV(0,0,64,32,\"pic\",8,8,1,2,3)",
        "AlphaHSV(0,0,64,32,\"pic\",8,8,1,2,3,100)",
        "RotateHSV(0,0,100,100,\"pic\",50,50,45,1,1,2,3,4)",
        "RotateBlendHSV(0,0,100,100,\"pic\",50,50,45,1,1,2,3)",
        "HSVAlphaBlend(0,0,10,10,\"a\",0)",
        "HSLRangeAlphaBlend(0,0,10,10,\"a\",0,0,1,2,3,4,5,6)",
        "HSLRangeAlphaBlend(0,0,10,10,\"a\",0,0,1,2,3,4,5,6,7,8)",
        // items that do not convert
        "DrawHSV(0,0,64,32,\"pic\",8,8,1,,3)",
        "DrawTone(0,0,64,32,\"pic\",8,8,1,2,3,4,\"ff\")",
        "DrawTone(0,0,64,32,\"pic\",8,8,1,2,3,4,)",
        // names: no closing delimiter, a blank as the delimiter
        "Draw(0,0,64,32,\"pic,8,8)",
        "Draw(0,0,64,32, \"pic\",8,8)",
        "Draw(0,0,64,32,p,8,8)",
    };
    for (const char* text : refused) {
        QDXFactor f;
        ResetNamed(f);
        EXPECT_FALSE(f.ParseLegacyText(text)) << text;
        EXPECT_EQ(f.Kind, 0u) << text;
    }
}

// The name item may use any delimiter and keeps its escapes as written. A name
// holding a double quote that no backslash escapes would be written back raw
// between double quotes and make the saved document unreadable, so it is
// refused; an escaped one reads back as written.
TEST(LegacyDraws, NamesThatWouldNotReadBackAreRefused) {
    struct Case {
        const char* item;
        const char* name;  // null: refused
    };
    const Case cases[] = {
        {"\"pic\"", "pic"},
        {"\"\"", ""},
        {"'pic'", "pic"},
        {"|pic|", "pic"},
        {"\"a\\\\b\"", "a\\\\b"},  // escapes kept as written
        {"\"a\\\"b\"", "a\\\"b"},  // a, backslash, double quote, b
        {"'a\"b'", nullptr},
        {"'a\\'", nullptr},  // the closing quote escaped away
    };
    for (const Case& c : cases) {
        const std::string text = std::string("Draw(0,0,8,8,") + c.item + ",0,0)";
        SCOPED_TRACE(text);
        QDXFactor f;
        ResetNamed(f);
        ASSERT_EQ(f.ParseLegacyText(text.c_str()), c.name != nullptr);
        if (c.name == nullptr) continue;
        EXPECT_STREQ(f.SourceName.GetText(), c.name);
        ExpectSameThroughWriter(f, text);
    }
}

TEST(LegacyDraws, CodePage932TrailBytesAreNotDelimiters) {
    // 0x95 0x5C is one character whose second byte is a backslash; 0x83 0x7B
    // has "{" as its second byte. Neither escapes nor brackets anything.
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "Draw(0,0,8,8,\"\x95\x5C\",0,0)", 201));
    EXPECT_STREQ(f.SourceName.GetText(), "\x95\x5C");
    ASSERT_TRUE(LegacyParsesAs(f, "Draw(0,0,8,8,\"\x83\x7B\",1,2)", 201));
    EXPECT_STREQ(f.SourceName.GetText(), "\x83\x7B");
    EXPECT_EQ(f.Y3, 2);
}

}  // namespace
