// The family of drawing another object: the thirty keywords, their count
// rules, the level, the source name and the written forms.
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
    {201, "Copy(", kDrawPlain, false},         {202, "Alpha(", kDrawPlain, true},
    {203, "Blend(", kDrawPlain, true},         {204, "Layer(", kDrawPlain, true},
    {205, "Back(", kDrawPlain, true},          {216, "CopyC(", kDrawPlain, false},
    {217, "AlphaC(", kDrawPlain, true},        {218, "BlendC(", kDrawPlain, true},
    {219, "LayerC(", kDrawPlain, true},        {220, "BackC(", kDrawPlain, true},
    {231, "Resize(", kDrawResize, false},      {232, "ResizeAlpha(", kDrawResize, true},
    {233, "ResizeBlend(", kDrawResize, true},  {234, "ResizeLayer(", kDrawResize, true},
    {235, "ResizeBack(", kDrawResize, true},   {246, "ResizeC(", kDrawResize, false},
    {247, "ResizeAlphaC(", kDrawResize, true}, {248, "ResizeBlendC(", kDrawResize, true},
    {249, "ResizeLayerC(", kDrawResize, true}, {250, "ResizeBackC(", kDrawResize, true},
    {261, "Rotate(", kDrawRotate, false},      {262, "RotateAlpha(", kDrawRotate, true},
    {263, "RotateBlend(", kDrawRotate, true},  {264, "RotateLayer(", kDrawRotate, true},
    {265, "RotateBack(", kDrawRotate, true},   {276, "RotateC(", kDrawRotate, false},
    {277, "RotateAlphaC(", kDrawRotate, true}, {278, "RotateBlendC(", kDrawRotate, true},
    {279, "RotateLayerC(", kDrawRotate, true}, {280, "RotateBackC(", kDrawRotate, true},
};

// The canonical arguments of a member (without the closing bracket).
std::string Arguments(const Member& m) {
    std::string text = DrawPlacement(m.geometry);
    if (m.level) text += ",128";
    return text;
}

uint32_t Count(const Member& m) {
    const uint32_t base = m.geometry == kDrawPlain ? 7 : m.geometry == kDrawResize ? 9 : 14;
    return base + (m.level ? 1 : 0);
}

// The kind code follows from the keyword's words, and every canonical text
// reads into the member's fields and writes back byte for byte, enabled and
// disabled. Fields the geometry does not use keep their reset values.
TEST(ObjectDrawFactorsTest, EveryMemberRoundTrips) {
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.keyword);
        ExpectDrawCode(m.kind, m.keyword, uint32_t(m.geometry), m.level, 200, "");
        ExpectCanonical(m.keyword + Arguments(m) + ")", m.kind, [&m](const QDXFactor& f) {
            ExpectDrawPlacement(f, m.geometry);
            EXPECT_EQ(f.Alpha, m.level ? 128 : 255);
        });
    }
}

// Plain and Rotate forms need at least their count and drop the rest; Resize
// forms need exactly theirs. A refused text leaves Kind as it was.
TEST(ObjectDrawFactorsTest, CountRules) {
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.keyword);
        const std::string full = Arguments(m);
        // One and two extra items: the level-less forms get a would-be level.
        ExpectCountRule(m.keyword, full, m.kind, m.geometry != kDrawResize, {",77", ",77,x"},
                        [&m](const QDXFactor& f) { EXPECT_EQ(f.Alpha, m.level ? 128 : 255); });
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
        ExpectReadFromMarkers(c.text, c.ok, [&c](const QDXFactor& f) {
            EXPECT_EQ(f.Alpha, c.alpha);
            EXPECT_STREQ(f.SourceName.GetText(), c.name);
            EXPECT_EQ(f.X3, c.x3);
        });
    }
}

// Non-canonical texts settle on their canonical form, which reads back to
// itself.
TEST(ObjectDrawFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        {"Copy(10,20,100,50,\"Master\",0,0,128)", "Copy(10,20,100,50,\"Master\",0,0)"},
        {"!CopyC( +10,20x,100,50,\"Master\"x,0,0", "!CopyC(10,20,100,50,\"Master\",0,0)"},
        {"Alpha(1,2,3,4,'Obj',5,6,007)", "Alpha(1,2,3,4,\"Obj\",5,6,7)"},
        {"ResizeLayerC(1,2,-3,-4,\"\",5,6,0,0,255)tail", "ResizeLayerC(1,2,-3,-4,\"\",5,6,0,0,255)"},
        {"Rotate(1,2,3,4,\"R\",5,6,45,1,1,7,8,9,10)",
         "Rotate(1,2,3,4,\"R\",5,6,45.000000000,1.000000000,1.000000000,7,8,9,10)"},
        {"RotateBackC(1,2,3,4,\"R\",5,6,1e1,0.1234567896,-2,7,8,9,10,64,99)",
         "RotateBackC(1,2,3,4,\"R\",5,6,10.000000000,0.123456790,-2.000000000,7,8,9,10,64)"},
    };
    ExpectFixedPoints(cases);
}

// The codes between the runs are not kinds of this family.
TEST(ObjectDrawFactorsTest, OnlyTheThirtyCodes) { ExpectDrawCodes(201, 280, 30); }

}  // namespace
