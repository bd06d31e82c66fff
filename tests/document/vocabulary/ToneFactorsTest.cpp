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

using vocabulary_test::Write;

enum Geometry { kPlain, kResize, kRotate };

struct Member {
    uint32_t kind;
    const char* keyword;
    Geometry geometry;
    bool level;
};

// Every member, in the order of the kind codes.
const Member kMembers[] = {
    {401, "CopyTone(", kPlain, false},           {402, "AlphaTone(", kPlain, true},
    {403, "BlendTone(", kPlain, true},           {404, "LayerTone(", kPlain, true},
    {405, "BackTone(", kPlain, true},            {416, "CopyToneC(", kPlain, false},
    {417, "AlphaToneC(", kPlain, true},          {418, "BlendToneC(", kPlain, true},
    {419, "LayerToneC(", kPlain, true},          {420, "BackToneC(", kPlain, true},
    {431, "ResizeTone(", kResize, false},        {432, "ResizeAlphaTone(", kResize, true},
    {433, "ResizeBlendTone(", kResize, true},    {434, "ResizeLayerTone(", kResize, true},
    {435, "ResizeBackTone(", kResize, true},     {446, "ResizeToneC(", kResize, false},
    {447, "ResizeAlphaToneC(", kResize, true},   {448, "ResizeBlendToneC(", kResize, true},
    {449, "ResizeLayerToneC(", kResize, true},   {450, "ResizeBackToneC(", kResize, true},
    {461, "RotateTone(", kRotate, false},        {462, "RotateAlphaTone(", kRotate, true},
    {463, "RotateBlendTone(", kRotate, true},    {464, "RotateLayerTone(", kRotate, true},
    {465, "RotateBackTone(", kRotate, true},     {476, "RotateToneC(", kRotate, false},
    {477, "RotateAlphaToneC(", kRotate, true},   {478, "RotateBlendToneC(", kRotate, true},
    {479, "RotateLayerToneC(", kRotate, true},   {480, "RotateBackToneC(", kRotate, true},
};

// The canonical arguments of a member (without the closing bracket), every
// item a value of its own so that a field read from the wrong item shows. The
// tone amounts lie outside 0..256 on purpose: they are stored as read.
std::string Arguments(const Member& m, const char* colour = "ff00ff") {
    std::string text = "-10,20,100,-50,\"Master\",";
    switch (m.geometry) {
    case kPlain:
        text += "3,4";
        break;
    case kResize:
        text += "3,4,30,40";
        break;
    case kRotate:
        text += "5,6,45.000000000,1.500000000,-0.250000000,3,4,30,40";
        break;
    }
    text += ",-5,300,7,128,";
    text += colour;
    if (m.level) text += ",77";
    return text;
}

uint32_t Count(const Member& m) {
    const uint32_t base = m.geometry == kPlain ? 12 : m.geometry == kResize ? 14 : 19;
    return base + (m.level ? 1 : 0);
}

// The kind code follows from the keyword's words, and every canonical text
// reads into the member's fields and writes back byte for byte: enabled and
// disabled, with a colour code and with a palette reference. Fields the
// geometry does not use keep their reset values.
TEST(ToneFactorsTest, EveryMemberRoundTrips) {
    const char* const bases[] = {"Copy", "Alpha", "Blend", "Layer", "Back"};
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.keyword);
        // code = 400 + 30 x geometry + 15 x colour-only + base word
        const uint32_t rest = m.kind - 400;
        const uint32_t k = (rest - 1) % 15 + 1;
        const bool colourOnly = (rest - k) / 15 % 2 == 1;
        std::string keyword = m.geometry == kPlain ? "" : m.geometry == kResize ? "Resize" : "Rotate";
        if (!(k == 1 && m.geometry != kPlain)) keyword += bases[k - 1];
        keyword += "Tone";
        if (colourOnly) keyword += "C";
        keyword += "(";
        EXPECT_EQ(keyword, m.keyword);
        EXPECT_EQ(uint32_t(m.geometry), (rest - k) / 30);
        EXPECT_EQ(m.level, k != 1);

        for (const char* colour : {"ff00ff", "P40000005"}) {
            for (const char* mark : {"", "!"}) {
                const std::string text = std::string(mark) + m.keyword + Arguments(m, colour) + ")";
                SCOPED_TRACE(text);
                QDXFactor f;
                f.Reset();
                ASSERT_TRUE(f.ParseText(text.c_str()));
                EXPECT_EQ(f.Kind, m.kind);
                EXPECT_EQ(f.Enabled, *mark == '\0');
                EXPECT_EQ(f.X1, -10);
                EXPECT_EQ(f.Y1, 20);
                EXPECT_EQ(f.X2, 100);
                EXPECT_EQ(f.Y2, -50);
                EXPECT_STREQ(f.SourceName.GetText(), "Master");
                EXPECT_EQ(f.X3, 3);
                EXPECT_EQ(f.Y3, 4);
                EXPECT_EQ(f.X4, m.geometry == kPlain ? 1 : 30);
                EXPECT_EQ(f.Y4, m.geometry == kPlain ? 1 : 40);
                EXPECT_EQ(f.X5, m.geometry == kRotate ? 5 : 0);
                EXPECT_EQ(f.Y5, m.geometry == kRotate ? 6 : 0);
                EXPECT_EQ(f.Real1, m.geometry == kRotate ? 45.0 : 0.0);
                EXPECT_EQ(f.Real4, m.geometry == kRotate ? 1.5 : 1.0);
                EXPECT_EQ(f.Real5, m.geometry == kRotate ? -0.25 : 1.0);
                EXPECT_EQ(f.IntParam3, -5);
                EXPECT_EQ(f.IntParam4, 300);
                EXPECT_EQ(f.IntParam5, 7);
                EXPECT_EQ(f.IntParam6, 128);
                const bool palette = colour[0] == 'P';
                EXPECT_EQ(f.ColorRef1, palette ? 0x40000005u : 0u);
                EXPECT_EQ(f.Color1, palette ? 0u : 0xff00ffu);
                EXPECT_EQ(f.Alpha, m.level ? 77 : 255);
                EXPECT_EQ(Write(f), text);
            }
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
        const std::string fewer = full.substr(0, full.rfind(','));
        QDXFactor f;
        f.Reset();
        f.Kind = 5;
        EXPECT_FALSE(f.ParseText((std::string(m.keyword) + fewer + ")").c_str()));
        EXPECT_EQ(f.Kind, 5u);

        // One and two extra items: the level-less forms get a would-be level.
        for (const char* extra : {",66", ",66,x"}) {
            f.Reset();
            f.Kind = 5;
            const std::string more = std::string(m.keyword) + full + extra + ")";
            SCOPED_TRACE(more);
            if (m.geometry != kRotate) {
                EXPECT_FALSE(f.ParseText(more.c_str()));
                EXPECT_EQ(f.Kind, 5u);
            } else {
                ASSERT_TRUE(f.ParseText(more.c_str()));
                EXPECT_EQ(f.Kind, m.kind);
                EXPECT_EQ(f.Alpha, m.level ? 77 : 255);
                EXPECT_EQ(Write(f), std::string(m.keyword) + full + ")");
            }
        }
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
        SCOPED_TRACE(c.text);
        QDXFactor f;
        f.Reset();
        f.Kind = 5;
        f.Alpha = 9;
        f.Color1 = 0x123;
        f.ColorRef1 = 0x55;  // the frame clears it before reading
        f.IntParam3 = 77;
        EXPECT_EQ(f.ParseText(c.text), c.ok);
        EXPECT_EQ(f.Kind == 5u, !c.ok);
        EXPECT_EQ(f.Alpha, c.alpha);
        EXPECT_EQ(f.Color1, c.colour);
        EXPECT_EQ(f.ColorRef1, c.ref);
        EXPECT_EQ(f.IntParam3, c.amount);
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
    struct Case {
        const char* text;
        const char* written;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        f.Reset();
        ASSERT_TRUE(f.ParseText(c.text));
        const std::string once = Write(f);
        EXPECT_EQ(once, c.written);
        QDXFactor g;
        g.Reset();
        ASSERT_TRUE(g.ParseText(once.c_str()));
        EXPECT_EQ(g.Kind, f.Kind);
        EXPECT_EQ(g.Enabled, f.Enabled);
        EXPECT_EQ(Write(g), once);
    }
}

// The codes between the runs are not kinds of this family.
TEST(ToneFactorsTest, OnlyTheThirtyCodes) {
    uint32_t found = 0;
    for (uint32_t kind = 401; kind <= 480; ++kind) {
        const vocabulary::FactorRow* row = vocabulary::FindFactorKind(kind);
        if (row == nullptr) continue;
        ++found;
        const uint32_t k = (kind - 400 - 1) % 15 + 1;
        EXPECT_LE(k, 5u) << kind;
    }
    EXPECT_EQ(found, 30u);
    EXPECT_EQ(vocabulary::CheckFactorTable()[0], '\0');
}

}  // namespace
