// The family of drawing another object: the thirty keywords, their count
// rules, the level, the source name and the written forms.
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
    {201, "Copy(", kPlain, false},          {202, "Alpha(", kPlain, true},
    {203, "Blend(", kPlain, true},          {204, "Layer(", kPlain, true},
    {205, "Back(", kPlain, true},           {216, "CopyC(", kPlain, false},
    {217, "AlphaC(", kPlain, true},         {218, "BlendC(", kPlain, true},
    {219, "LayerC(", kPlain, true},         {220, "BackC(", kPlain, true},
    {231, "Resize(", kResize, false},       {232, "ResizeAlpha(", kResize, true},
    {233, "ResizeBlend(", kResize, true},   {234, "ResizeLayer(", kResize, true},
    {235, "ResizeBack(", kResize, true},    {246, "ResizeC(", kResize, false},
    {247, "ResizeAlphaC(", kResize, true},  {248, "ResizeBlendC(", kResize, true},
    {249, "ResizeLayerC(", kResize, true},  {250, "ResizeBackC(", kResize, true},
    {261, "Rotate(", kRotate, false},       {262, "RotateAlpha(", kRotate, true},
    {263, "RotateBlend(", kRotate, true},   {264, "RotateLayer(", kRotate, true},
    {265, "RotateBack(", kRotate, true},    {276, "RotateC(", kRotate, false},
    {277, "RotateAlphaC(", kRotate, true},  {278, "RotateBlendC(", kRotate, true},
    {279, "RotateLayerC(", kRotate, true},  {280, "RotateBackC(", kRotate, true},
};

// The canonical arguments of a member (without the closing bracket).
std::string Arguments(const Member& m) {
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
    if (m.level) text += ",128";
    return text;
}

uint32_t Count(const Member& m) {
    const uint32_t base = m.geometry == kPlain ? 7 : m.geometry == kResize ? 9 : 14;
    return base + (m.level ? 1 : 0);
}

// The kind code follows from the keyword's words, and every canonical text
// reads into the member's fields and writes back byte for byte, enabled and
// disabled. Fields the geometry does not use keep their reset values.
TEST(ObjectDrawFactorsTest, EveryMemberRoundTrips) {
    const char* const bases[] = {"Copy", "Alpha", "Blend", "Layer", "Back"};
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.keyword);
        // code = 200 + 30 x geometry + 15 x colour-only + base word
        const uint32_t rest = m.kind - 200;
        const uint32_t k = (rest - 1) % 15 + 1;
        const bool colourOnly = (rest - k) / 15 % 2 == 1;
        std::string keyword = m.geometry == kPlain ? "" : m.geometry == kResize ? "Resize" : "Rotate";
        if (!(k == 1 && m.geometry != kPlain)) keyword += bases[k - 1];
        if (colourOnly) keyword += "C";
        keyword += "(";
        EXPECT_EQ(keyword, m.keyword);
        EXPECT_EQ(uint32_t(m.geometry), (rest - k) / 30);
        EXPECT_EQ(m.level, k != 1);

        for (const char* mark : {"", "!"}) {
            const std::string text = std::string(mark) + m.keyword + Arguments(m) + ")";
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
            EXPECT_EQ(f.Alpha, m.level ? 128 : 255);
            EXPECT_EQ(f.X4, m.geometry == kPlain ? 1 : 30);
            EXPECT_EQ(f.Y4, m.geometry == kPlain ? 1 : 40);
            EXPECT_EQ(f.X5, m.geometry == kRotate ? 5 : 0);
            EXPECT_EQ(f.Y5, m.geometry == kRotate ? 6 : 0);
            EXPECT_EQ(f.Real1, m.geometry == kRotate ? 45.0 : 0.0);
            EXPECT_EQ(f.Real4, m.geometry == kRotate ? 1.5 : 1.0);
            EXPECT_EQ(f.Real5, m.geometry == kRotate ? -0.25 : 1.0);
            EXPECT_EQ(Write(f), text);
        }
    }
}

// Plain and Rotate forms need at least their count and drop the rest; Resize
// forms need exactly theirs. A refused text leaves Kind as it was.
TEST(ObjectDrawFactorsTest, CountRules) {
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.keyword);
        const std::string full = Arguments(m);
        const std::string fewer = full.substr(0, full.rfind(','));
        QDXFactor f;
        f.Reset();
        f.Kind = 5;
        EXPECT_FALSE(f.ParseText((std::string(m.keyword) + fewer + ")").c_str()));
        EXPECT_EQ(f.Kind, 5u);

        // One and two extra items: the level-less forms get a would-be level.
        for (const char* extra : {",77", ",77,x"}) {
            f.Reset();
            f.Kind = 5;
            const std::string more = std::string(m.keyword) + full + extra + ")";
            SCOPED_TRACE(more);
            if (m.geometry == kResize) {
                EXPECT_FALSE(f.ParseText(more.c_str()));
                EXPECT_EQ(f.Kind, 5u);
            } else {
                ASSERT_TRUE(f.ParseText(more.c_str()));
                EXPECT_EQ(f.Kind, m.kind);
                EXPECT_EQ(f.Alpha, m.level ? 128 : 255);
                EXPECT_EQ(Write(f), std::string(m.keyword) + full + ")");
            }
        }
        EXPECT_EQ(Count(m), uint32_t(std::count(full.begin(), full.end(), ',') + 1));
    }
}

// Single arguments of a few members: the level range, the name rules, the
// number scans (a leading number is read; non-finite angles and scales are
// refused), and what a failure leaves behind.
TEST(ObjectDrawFactorsTest, ArgumentTable) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t alpha;
        const char* name;
        int32_t x3;
    };
    const Case cases[] = {
        // The level-less forms never touch Alpha (the reset before a parse
        // makes it 255); an extra item is not a level.
        {"Copy(10,20,100,50,\"Master\",0,0)", true, 9, "Master", 0},
        {"Copy(10,20,100,50,\"Master\",0,0,128)", true, 9, "Master", 0},
        {"Alpha(10,20,100,50,\"Master\",0,0)", false, 9, "old", 0},  // the level is required: nothing read
        {"Alpha(10,20,100,50,\"Master\",0,0,255)", true, 255, "Master", 0},
        {"Alpha(10,20,100,50,\"Master\",0,0,0)", true, 0, "Master", 0},
        {"Alpha(10,20,100,50,\"Master\",0,0,256)", false, 9, "Master", 0},
        {"Alpha(10,20,100,50,\"Master\",0,0,-1)", false, 9, "Master", 0},
        {"Alpha(10,20,100,50,\"Master\",0,0,x)", false, 9, "Master", 0},
        {"Alpha(10,20,100,50,\"Master\",0,0,12x)", true, 12, "Master", 0},
        {"Blend(10,20,100,50,\"\",7,0,1)", true, 1, "", 7},
        {"Blend(10,20,100,50,\"Master\"x,7,0,1)", true, 1, "Master", 7},
        {"Blend(10,20,100,50,'Master',7,0,1)", true, 1, "Master", 7},
        // Names are written between double quotes as they are: one holding a
        // double quote would not read back, so it is refused.
        {"Blend(10,20,100,50,'Mas\"ter',7,0,1)", false, 9, "old", 0},
        {"Blend(10,20,100,50,Master,7,0,1)", false, 9, "old", 0},
        {"Blend(10,20,100,50,\"Master,7,0,1)", false, 9, "old", 0},
        {"Blend(10,20,100,50,,7,0,1)", false, 9, "old", 0},
        // Fields before the failing item keep their new values.
        {"Layer(10,20,100,50,\"Master\",7,y,1)", false, 9, "Master", 7},
        {"Back(10,20,100,50,\"Master\",12ab,0,1)", true, 1, "Master", 12},
        {"ResizeBack(10,20,100,50,\"Src\",7,0,1,1,300)", false, 9, "Src", 7},
        {"ResizeC(10,20,100,50,\"Src\",7,0,1,1)", true, 9, "Src", 7},
        {"Rotate(1,2,3,4,\"R\",5,6,45,1,1,7,8,9,10)", true, 9, "R", 7},
        {"Rotate(1,2,3,4,\"R\",5,6,45,1,1,7,8,9,10,11,12)", true, 9, "R", 7},
        {"Rotate(1,2,3,4,\"R\",5,6,x,1,1,7,8,9,10)", false, 9, "R", 0},
        // Angles and scales must be finite: the item fails like one that does
        // not read.
        {"Rotate(1,2,3,4,\"R\",5,6,inf,1,1,7,8,9,10)", false, 9, "R", 0},
        {"RotateC(1,2,3,4,\"R\",5,6,45,nan,1,7,8,9,10)", false, 9, "R", 0},
        {"RotateBlend(1,2,3,4,\"R\",5,6,45,1,-inf,7,8,9,10,3)", false, 9, "R", 0},
        {"RotateBlend(1,2,3,4,\"R\",5,6,-720,-2,0,7,8,9,10,3)", true, 3, "R", 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QDXFactor f;
        f.Reset();
        f.Kind = 5;
        f.Alpha = 9;
        f.SourceName.Assign("old");
        EXPECT_EQ(f.ParseText(c.text), c.ok);
        EXPECT_EQ(f.Kind == 5u, !c.ok);
        EXPECT_EQ(f.Alpha, c.alpha);
        EXPECT_STREQ(f.SourceName.GetText(), c.name);
        EXPECT_EQ(f.X3, c.x3);
    }
}

// Non-canonical texts settle on their canonical form, which reads back to
// itself.
TEST(ObjectDrawFactorsTest, WrittenForms) {
    struct Case {
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        {"Copy(10,20,100,50,\"Master\",0,0,128)", "Copy(10,20,100,50,\"Master\",0,0)"},
        {"!CopyC( +10,20x,100,50,\"Master\"x,0,0", "!CopyC(10,20,100,50,\"Master\",0,0)"},
        {"Alpha(1,2,3,4,'Obj',5,6,007)", "Alpha(1,2,3,4,\"Obj\",5,6,7)"},
        {"ResizeLayerC(1,2,-3,-4,\"\",5,6,0,0,255)tail", "ResizeLayerC(1,2,-3,-4,\"\",5,6,0,0,255)"},
        {"Rotate(1,2,3,4,\"R\",5,6,45,1,1,7,8,9,10)",
         "Rotate(1,2,3,4,\"R\",5,6,45.000000000,1.000000000,1.000000000,7,8,9,10)"},
        {"RotateBackC(1,2,3,4,\"R\",5,6,1e1,0.1234567896,-2,7,8,9,10,64,99)",
         "RotateBackC(1,2,3,4,\"R\",5,6,10.000000000,0.123456790,-2.000000000,7,8,9,10,64)"},
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
TEST(ObjectDrawFactorsTest, OnlyTheThirtyCodes) {
    uint32_t found = 0;
    for (uint32_t kind = 201; kind <= 280; ++kind) {
        const vocabulary::FactorRow* row = vocabulary::FindFactorKind(kind);
        if (row == nullptr) continue;
        ++found;
        const uint32_t k = (kind - 200 - 1) % 15 + 1;
        EXPECT_LE(k, 5u) << kind;
    }
    EXPECT_EQ(found, 30u);
    EXPECT_EQ(vocabulary::CheckFactorTable()[0], '\0');
}

}  // namespace
