// The family of tone drawing of another object: the thirty keywords, their
// count rules, the tone values, the tint colour, the level and the written
// forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary_test;

using Member = DrawMember;

// Every member, in the order of the kind codes.
const Member kMembers[] = {
    {401, "CopyTone(", kDrawPlain, false},         {402, "AlphaTone(", kDrawPlain, true},
    {403, "BlendTone(", kDrawPlain, true},         {404, "LayerTone(", kDrawPlain, true},
    {405, "BackTone(", kDrawPlain, true},          {416, "CopyToneC(", kDrawPlain, false},
    {417, "AlphaToneC(", kDrawPlain, true},        {418, "BlendToneC(", kDrawPlain, true},
    {419, "LayerToneC(", kDrawPlain, true},        {420, "BackToneC(", kDrawPlain, true},
    {431, "ResizeTone(", kDrawResize, false},      {432, "ResizeAlphaTone(", kDrawResize, true},
    {433, "ResizeBlendTone(", kDrawResize, true},  {434, "ResizeLayerTone(", kDrawResize, true},
    {435, "ResizeBackTone(", kDrawResize, true},   {446, "ResizeToneC(", kDrawResize, false},
    {447, "ResizeAlphaToneC(", kDrawResize, true}, {448, "ResizeBlendToneC(", kDrawResize, true},
    {449, "ResizeLayerToneC(", kDrawResize, true}, {450, "ResizeBackToneC(", kDrawResize, true},
    {461, "RotateTone(", kDrawRotate, false},      {462, "RotateAlphaTone(", kDrawRotate, true},
    {463, "RotateBlendTone(", kDrawRotate, true},  {464, "RotateLayerTone(", kDrawRotate, true},
    {465, "RotateBackTone(", kDrawRotate, true},   {476, "RotateToneC(", kDrawRotate, false},
    {477, "RotateAlphaToneC(", kDrawRotate, true}, {478, "RotateBlendToneC(", kDrawRotate, true},
    {479, "RotateLayerToneC(", kDrawRotate, true}, {480, "RotateBackToneC(", kDrawRotate, true},
};

// The canonical arguments of a member (without the closing bracket), every
// item a value of its own so that a field read from the wrong item shows. The
// tone amounts lie outside 0..256 on purpose: they are stored as read.
std::string Arguments(const Member& m, const char* colour = "ff00ff") {
    std::string text = DrawPlacement(m.geometry);
    text += ",-5,300,7,128,";
    text += colour;
    if (m.level) text += ",77";
    return text;
}

uint32_t Count(const Member& m) {
    const uint32_t base = m.geometry == kDrawPlain ? 12 : m.geometry == kDrawResize ? 14 : 19;
    return base + (m.level ? 1 : 0);
}

// The kind code follows from the keyword's words, and every canonical text
// reads into the member's fields and writes back byte for byte: enabled and
// disabled, with a colour code and with a palette reference. Fields the
// geometry does not use keep their reset values.
TEST(ToneFactorsTest, EveryMemberRoundTrips) {
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.keyword);
        ExpectDrawCode(m.kind, m.keyword, uint32_t(m.geometry), m.level, 400, "Tone");

        for (const char* colour : {"ff00ff", "P40000005"}) {
            ExpectCanonical(m.keyword + Arguments(m, colour) + ")", m.kind, [&m, colour](const QDXFactor& f) {
                ExpectDrawPlacement(f, m.geometry);
                EXPECT_EQ(f.IntParam3, -5);
                EXPECT_EQ(f.IntParam4, 300);
                EXPECT_EQ(f.IntParam5, 7);
                EXPECT_EQ(f.IntParam6, 128);
                const bool palette = colour[0] == 'P';
                EXPECT_EQ(f.ColorRef1, palette ? 0x40000005u : 0u);
                EXPECT_EQ(f.Color1, palette ? 0u : 0xff00ffu);
                EXPECT_EQ(f.Alpha, m.level ? 77 : 255);
            });
        }
    }
}

// Plain and Resize forms need exactly their count; Rotate forms need at least
// theirs and drop the rest. A refused text leaves Kind as it was.
TEST(ToneFactorsTest, CountRules) {
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.keyword);
        const std::string full = Arguments(m);
        EXPECT_EQ(Count(m), uint32_t(std::count(full.begin(), full.end(), ',') + 1));
        // One and two extra items: the level-less forms get a would-be level.
        ExpectCountRule(m.keyword, full, m.kind, m.geometry == kDrawRotate, {",66", ",66,x"},
                        [&m](const QDXFactor& f) { EXPECT_EQ(f.Alpha, m.level ? 77 : 255); });
    }
}

// Single arguments of a few members: the level range, the tint colour's two
// forms, the tone values, the number scans, and what a failure leaves behind
// (fields read before the failing item keep their new values; Kind does not
// change).
TEST(ToneFactorsTest, ArgumentTable) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t alpha;
        uint32_t colour;
        uint32_t ref;
        int32_t amount;  // IntParam3
    };
    const Case cases[] = {
        {"AlphaTone(0,0,8,8,\"S\",0,0,1,2,3,256,ff,0)", true, 0, 0xff, 0, 1},
        {"AlphaTone(0,0,8,8,\"S\",0,0,1,2,3,256,ff,255)", true, 255, 0xff, 0, 1},
        {"AlphaTone(0,0,8,8,\"S\",0,0,1,2,3,256,ff,256)", false, 9, 0xff, 0, 1},
        {"AlphaTone(0,0,8,8,\"S\",0,0,1,2,3,256,ff,-1)", false, 9, 0xff, 0, 1},
        {"AlphaTone(0,0,8,8,\"S\",0,0,1,2,3,256,ff,x)", false, 9, 0xff, 0, 1},
        // Tone values have no range.
        {"CopyTone(0,0,8,8,\"S\",0,0,-5,300,-2147483648,2147483647,ff)", true, 9, 0xff, 0, -5},
        {"CopyTone(0,0,8,8,\"S\",0,0,x,2,3,4,ff)", false, 9, 0x123, 0, 77},
        // A palette reference leaves the colour code as it was (reset: 0 here,
        // the old value when parsed in place); anything after its digits, a
        // "#" part included, is dropped.
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4,P40000005)", true, 9, 0x123, 0x40000005, 1},
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4,P40000005#80)", true, 9, 0x123, 0x40000005, 1},
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4,P 1f)", true, 9, 0x123, 0x1f, 1},
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4,P0)", true, 9, 0x123, 0, 1},
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4,0xFF00FF)", true, 9, 0xff00ff, 0, 1},
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4,-1)", true, 9, 0xffffffff, 0, 1},
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4,abcz)", true, 9, 0xabc, 0, 1},
        // Neither "P%x" nor "%x" reads these.
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4, P5)", false, 9, 0x123, 0, 1},
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4,p5)", false, 9, 0x123, 0, 1},
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4,Pz)", false, 9, 0x123, 0, 1},
        {"CopyTone(0,0,8,8,\"S\",0,0,1,2,3,4,)", false, 9, 0x123, 0, 1},
        // A reference read before a failing level stays.
        {"BackToneC(0,0,8,8,\"S\",0,0,1,2,3,4,P7,300)", false, 9, 0x123, 7, 1},
        {"ResizeBlendTone(0,0,8,8,\"S\",0,0,9,9,1,2,3,4,ab,12x)", true, 12, 0xab, 0, 1},
        {"ResizeBlendTone(0,0,8,8,S,0,0,9,9,1,2,3,4,ab,12)", false, 9, 0x123, 0, 77},
        // Angles and scales must be finite.
        {"RotateTone(0,0,8,8,\"S\",0,0,inf,1,1,0,0,9,9,1,2,3,4,ff)", false, 9, 0x123, 0, 77},
        {"RotateTone(0,0,8,8,\"S\",0,0,45,1,1,0,0,9,9,1,2,3,4,ff,1,2)", true, 9, 0xff, 0, 1},
        {"RotateAlphaTone(0,0,8,8,\"S\",0,0,45,1,1,0,0,9,9,1,2,3,4,ff)", false, 9, 0x123, 0, 77},
        {"RotateAlphaTone(0,0,8,8,\"S\",0,0,45,1,nan,0,0,9,9,1,2,3,4,ff,5)", false, 9, 0x123, 0, 77},
    };
    for (const Case& c : cases) {
        ExpectReadFromMarkers(
            c.text, c.ok,
            [](QDXFactor& f) {
                f.Color1 = 0x123;
                f.ColorRef1 = 0x55;  // the frame clears it before reading
                f.IntParam3 = kKeep;
            },
            [&c](const QDXFactor& f) {
                EXPECT_EQ(f.Alpha, c.alpha);
                EXPECT_EQ(f.Color1, c.colour);
                EXPECT_EQ(f.ColorRef1, c.ref);
                EXPECT_EQ(f.IntParam3, c.amount);
            });
    }
}

// A colour code is written only when there is no palette reference: a record
// holding both writes the reference, and reads back with the colour code 0.
TEST(ToneFactorsTest, ReferenceHidesColourCode) {
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText("LayerTone(1,2,3,4,\"S\",5,6,7,8,9,10,ff00ff,11)"));
    f.ColorRef1 = 0xABC;
    const std::string text = Write(f);
    EXPECT_EQ(text, "LayerTone(1,2,3,4,\"S\",5,6,7,8,9,10,Pabc,11)");
    QDXFactor g;
    g.Reset();
    ASSERT_TRUE(g.ParseText(text.c_str()));
    EXPECT_EQ(g.ColorRef1, 0xABCu);
    EXPECT_EQ(g.Color1, 0u);
    f.ColorRef1 = 0;
    EXPECT_EQ(Write(f), "LayerTone(1,2,3,4,\"S\",5,6,7,8,9,10,ff00ff,11)");
}

// Non-canonical texts settle on their canonical form, which reads back to
// itself.
TEST(ToneFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        {"CopyTone( +1,2x,3,4,'Obj',5,6,007,-0,+9,256,0X00FF00FF", "CopyTone(1,2,3,4,\"Obj\",5,6,7,0,9,256,ff00ff)"},
        {"!BlendToneC(1,2,3,4,\"\"x,5,6,7,8,9,10,P40000005#80,255)tail",
         "!BlendToneC(1,2,3,4,\"\",5,6,7,8,9,10,P40000005,255)"},
        {"ResizeBackTone(1,2,3,4,\"S\",5,6,7,8,9,10,11,12,P0,0)", "ResizeBackTone(1,2,3,4,\"S\",5,6,7,8,9,10,11,12,0,0)"},
        {"ResizeToneC(1,2,3,4,\"S\",5,6,7,8,9,10,11,12,P 00AbC)", "ResizeToneC(1,2,3,4,\"S\",5,6,7,8,9,10,11,12,Pabc)"},
        {"RotateTone(1,2,3,4,\"R\",5,6,45,1,1,7,8,9,10,11,12,13,14,ff,99,x)",
         "RotateTone(1,2,3,4,\"R\",5,6,45.000000000,1.000000000,1.000000000,7,8,9,10,11,12,13,14,ff)"},
        {"RotateBackToneC(1,2,3,4,\"R\",5,6,1e1,0.1234567896,-2,7,8,9,10,11,12,13,14,-1,64,99)",
         "RotateBackToneC(1,2,3,4,\"R\",5,6,10.000000000,0.123456790,-2.000000000,7,8,9,10,11,12,13,14,ffffffff,64)"},
    };
    ExpectFixedPoints(cases);
}

// The codes between the runs are not kinds of this family.
TEST(ToneFactorsTest, OnlyTheThirtyCodes) { ExpectDrawCodes(401, 480, 30); }

}  // namespace
