// The family of drawing another object through a colour model: the thirty
// adjusted members, the four compositing members, their count rules, the
// model written signed, the interleaved range bounds and the written forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "tests/document/vocabulary/VocabularyTestSupport.h"

namespace {

using namespace vocabulary_test;

enum Scheme { kPlain, kResize, kRotate, kComposite, kRange };

struct Member {
    uint32_t kind;
    const char* keyword;
    Scheme scheme;
    bool level;
};

// Every member, in the order of the kind codes.
const Member kMembers[] = {
    {301, "CopyColorSpace(", kPlain, false},
    {302, "AlphaColorSpace(", kPlain, true},
    {303, "BlendColorSpace(", kPlain, true},
    {304, "LayerColorSpace(", kPlain, true},
    {305, "BackColorSpace(", kPlain, true},
    {316, "CopyColorSpaceC(", kPlain, false},
    {317, "AlphaColorSpaceC(", kPlain, true},
    {318, "BlendColorSpaceC(", kPlain, true},
    {319, "LayerColorSpaceC(", kPlain, true},
    {320, "BackColorSpaceC(", kPlain, true},
    {331, "ResizeColorSpace(", kResize, false},
    {332, "ResizeAlphaColorSpace(", kResize, true},
    {333, "ResizeBlendColorSpace(", kResize, true},
    {334, "ResizeLayerColorSpace(", kResize, true},
    {335, "ResizeBackColorSpace(", kResize, true},
    {346, "ResizeColorSpaceC(", kResize, false},
    {347, "ResizeAlphaColorSpaceC(", kResize, true},
    {348, "ResizeBlendColorSpaceC(", kResize, true},
    {349, "ResizeLayerColorSpaceC(", kResize, true},
    {350, "ResizeBackColorSpaceC(", kResize, true},
    {361, "RotateColorSpace(", kRotate, false},
    {362, "RotateAlphaColorSpace(", kRotate, true},
    {363, "RotateBlendColorSpace(", kRotate, true},
    {364, "RotateLayerColorSpace(", kRotate, true},
    {365, "RotateBackColorSpace(", kRotate, true},
    {376, "RotateColorSpaceC(", kRotate, false},
    {377, "RotateAlphaColorSpaceC(", kRotate, true},
    {378, "RotateBlendColorSpaceC(", kRotate, true},
    {379, "RotateLayerColorSpaceC(", kRotate, true},
    {380, "RotateBackColorSpaceC(", kRotate, true},
    {391, "ColorSpaceAlphaBlend(", kComposite, true},
    {392, "ColorSpaceRangeAlphaBlend(", kRange, true},
    {393, "ColorSpaceAlphaBlendC(", kComposite, true},
    {394, "ColorSpaceRangeAlphaBlendC(", kRange, true},
};

// Whether extra trailing arguments are accepted (and dropped).
bool AcceptsMore(const Member& m) { return m.scheme == kRotate || m.scheme == kComposite; }

DrawGeometry Geometry(const Member& m) {
    return m.scheme == kResize ? kDrawResize : m.scheme == kRotate ? kDrawRotate : kDrawPlain;
}

// The canonical arguments of a member (without the closing bracket), with the
// given colour model text.
std::string Arguments(const Member& m, const char* model) {
    std::string text = DrawPlacement(Geometry(m));
    text += ",";
    text += model;
    if (m.scheme == kRange)
        text += ",-30,30,7,200,-1000,256";
    else if (m.scheme != kComposite)
        text += ",720,-16,300";
    if (m.level) text += ",128";
    return text;
}

// The kind code follows from the keyword's words; every canonical text reads
// into the member's fields and writes back byte for byte, enabled and
// disabled, for an ordinary model and for models with the top bit set (read
// unsigned, written signed). Fields a member does not use keep their reset
// values.
TEST(ColourSpaceFactorsTest, EveryMemberRoundTrips) {
    struct Model {
        const char* text;
        uint32_t value;
    };
    const Model models[] = {{"1", 1}, {"7", 7}, {"-1", 4294967295u}, {"-2147483648", 2147483648u}};
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.keyword);
        if (m.kind <= 380) {
            ExpectDrawCode(m.kind, m.keyword, uint32_t(m.scheme), m.level, 300, "ColorSpace");
        }

        for (const Model& model : models) {
            ExpectCanonical(m.keyword + Arguments(m, model.text) + ")", m.kind, [&m, &model](const QDXFactor& f) {
                ExpectDrawPlacement(f, Geometry(m));
                EXPECT_EQ(f.Options, model.value);
                EXPECT_EQ(f.Alpha, m.level ? 128 : 255);
                switch (m.scheme) {
                case kComposite:
                    EXPECT_EQ(f.SpaceParam1, 0);
                    EXPECT_EQ(f.SpaceParam2, 0);
                    EXPECT_EQ(f.SpaceParam3, 0);
                    break;
                case kRange:
                    EXPECT_EQ(f.SpaceParam1, -30);
                    EXPECT_EQ(f.RangeParam1, 30);
                    EXPECT_EQ(f.SpaceParam2, 7);
                    EXPECT_EQ(f.RangeParam2, 200);
                    EXPECT_EQ(f.SpaceParam3, -1000);
                    EXPECT_EQ(f.RangeParam3, 256);
                    break;
                default:
                    EXPECT_EQ(f.SpaceParam1, 720);
                    EXPECT_EQ(f.SpaceParam2, -16);
                    EXPECT_EQ(f.SpaceParam3, 300);
                    break;
                }
                if (m.scheme != kRange) {
                    EXPECT_EQ(f.RangeParam1, 360);
                    EXPECT_EQ(f.RangeParam2, 256);
                    EXPECT_EQ(f.RangeParam3, 256);
                }
            });
        }
    }
}

// Plain, Resize and range members need exactly their count; Rotate and the
// two compositing members need at least theirs and drop the rest. A refused
// text leaves Kind as it was.
TEST(ColourSpaceFactorsTest, CountRules) {
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.keyword);
        // One and two extra items: the level-less forms get a would-be level.
        ExpectCountRule(m.keyword, Arguments(m, "2"), m.kind, AcceptsMore(m), {",77", ",77,x"},
                        [&m](const QDXFactor& f) { EXPECT_EQ(f.Alpha, m.level ? 128 : 255); });
    }

    // The counts themselves, from the written forms.
    const struct {
        uint32_t kind;
        uint32_t count;
    } counts[] = {{301, 11}, {302, 12}, {331, 13}, {332, 14}, {361, 18}, {362, 19},
                  {391, 9},  {392, 15}, {393, 9},  {394, 15}};
    for (const auto& c : counts) {
        const Member& m = *std::find_if(std::begin(kMembers), std::end(kMembers),
                                        [&](const Member& x) { return x.kind == c.kind; });
        const std::string full = Arguments(m, "0");
        EXPECT_EQ(uint32_t(std::count(full.begin(), full.end(), ',') + 1), c.count) << c.kind;
    }
}

// Single arguments of a few members: the level range, the model scan, the
// shifts and bounds unbounded, non-finite reals refused, and what a failure
// leaves behind (fields read before the failing item keep their new values).
TEST(ColourSpaceFactorsTest, ArgumentTable) {
    struct Case {
        const char* text;
        bool ok;
        uint32_t alpha;
        uint32_t options;
        int32_t space1;
        int32_t range1;
    };
    const Case cases[] = {
        {"CopyColorSpace(0,0,64,64,\"Master\",0,0,1,30,0,0)", true, 9, 1, 30, 360},
        {"CopyColorSpace(0,0,64,64,\"Master\",0,0,1,30,0,0,128)", false, 9, 0, 0, 360},
        {"AlphaColorSpace(0,0,64,64,\"Master\",0,0,1,30,0,0,255)", true, 255, 1, 30, 360},
        {"AlphaColorSpace(0,0,64,64,\"Master\",0,0,1,30,0,0,256)", false, 9, 1, 30, 360},
        {"AlphaColorSpace(0,0,64,64,\"Master\",0,0,1,30,0,0,-1)", false, 9, 1, 30, 360},
        {"AlphaColorSpace(0,0,64,64,\"Master\",0,0,x,30,0,0,1)", false, 9, 0, 0, 360},
        {"AlphaColorSpace(0,0,64,64,\"Master\",0,0,2,y,0,0,1)", false, 9, 2, 0, 360},
        {"BlendColorSpace(0,0,64,64,Master,0,0,2,1,0,0,1)", false, 9, 0, 0, 360},
        {"BlendColorSpace(0,0,64,64,\"Master\",0,0,4294967296,1,0,0,1)", true, 1, 0, 1, 360},
        {"BlendColorSpace(0,0,64,64,\"Master\",0,0,3z,720,0,0,1)", true, 1, 3, 720, 360},
        {"ResizeBackColorSpaceC(0,0,64,64,\"M\",0,0,8,8,0,-1000,0,0,0)", true, 0, 0, -1000, 360},
        {"RotateColorSpace(0,0,1,1,\"R\",0,0,inf,1,1,0,0,1,1,2,3,4,5)", false, 9, 0, 0, 360},
        {"RotateColorSpace(0,0,1,1,\"R\",0,0,90,1,nan,0,0,1,1,2,3,4,5)", false, 9, 0, 0, 360},
        {"RotateColorSpace(0,0,1,1,\"R\",0,0,90,1,1,0,0,1,1,2,3,4,5,6,7)", true, 9, 2, 3, 360},
        {"ColorSpaceAlphaBlend(0,0,64,64,\"Master\",0,0,1)", false, 9, 0, 0, 360},
        {"ColorSpaceAlphaBlend(0,0,64,64,\"Master\",0,0,1,64,99)", true, 64, 1, 0, 360},
        {"ColorSpaceRangeAlphaBlendC(0,0,64,64,\"M\",0,0,0,-30,30,0,256,0,256,255)", true, 255, 0, -30, 30},
        // A bad upper bound: the lower one before it is stored, it is not.
        {"ColorSpaceRangeAlphaBlendC(0,0,64,64,\"M\",0,0,0,-30,u,0,256,0,256,255)", false, 9, 0, -30, 360},
    };
    for (const Case& c : cases) {
        ExpectReadFromMarkers(c.text, c.ok, [&c](const QDXFactor& f) {
            EXPECT_EQ(f.Alpha, c.alpha);
            EXPECT_EQ(f.Options, c.options);
            EXPECT_EQ(f.SpaceParam1, c.space1);
            EXPECT_EQ(f.RangeParam1, c.range1);
        });
    }
}

// The range members keep the lower bounds in SpaceParam, the upper ones in
// RangeParam, and write them back interleaved.
TEST(ColourSpaceFactorsTest, RangeBoundsInterleaved) {
    const char* text = "ColorSpaceRangeAlphaBlend(0,0,64,64,\"Master\",0,0,0,-30,30,1,2,3,4,255)";
    QDXFactor f;
    f.Reset();
    ASSERT_TRUE(f.ParseText(text));
    EXPECT_EQ(f.SpaceParam1, -30);
    EXPECT_EQ(f.RangeParam1, 30);
    EXPECT_EQ(f.SpaceParam2, 1);
    EXPECT_EQ(f.RangeParam2, 2);
    EXPECT_EQ(f.SpaceParam3, 3);
    EXPECT_EQ(f.RangeParam3, 4);
    EXPECT_EQ(Write(f), text);

    // Set in the record, written in the same interleaved order.
    f.SpaceParam1 = 10;
    f.RangeParam1 = 20;
    f.SpaceParam2 = 30;
    f.RangeParam2 = 40;
    f.SpaceParam3 = 50;
    f.RangeParam3 = 60;
    f.Enabled = false;
    EXPECT_EQ(Write(f), "!ColorSpaceRangeAlphaBlend(0,0,64,64,\"Master\",0,0,0,10,20,30,40,50,60,255)");
}

// Non-canonical texts settle on their canonical form, which reads back to
// itself.
TEST(ColourSpaceFactorsTest, WrittenForms) {
    const WrittenCase cases[] = {
        {"CopyColorSpaceC( +0,0x,64,64,'Master'x,0,0,1,30,0,0",
         "CopyColorSpaceC(0,0,64,64,\"Master\",0,0,1,30,0,0)"},
        {"!AlphaColorSpace(1,2,3,4,\"\",5,6,4294967295,-0,+5,007,0255)tail",
         "!AlphaColorSpace(1,2,3,4,\"\",5,6,-1,0,5,7,255)"},
        {"ResizeColorSpace(1,2,3,4,\"s\",5,6,7,8,2147483648,1,2,3)",
         "ResizeColorSpace(1,2,3,4,\"s\",5,6,7,8,-2147483648,1,2,3)"},
        {"RotateBackColorSpaceC(1,2,3,4,\"R\",5,6,1e1,0.1234567896,-2,7,8,9,10,0,1,2,3,64,99)",
         "RotateBackColorSpaceC(1,2,3,4,\"R\",5,6,10.000000000,0.123456790,-2.000000000,7,8,9,10,0,1,2,3,64)"},
        {"ColorSpaceAlphaBlendC(0,0,1,1,\"s\",0,0,-2,12abc,x)", "ColorSpaceAlphaBlendC(0,0,1,1,\"s\",0,0,-2,12)"},
        {"ColorSpaceRangeAlphaBlend(0,0,1,1,\"s\",0,0,0,-30,30,0,256,0,256,+255)",
         "ColorSpaceRangeAlphaBlend(0,0,1,1,\"s\",0,0,0,-30,30,0,256,0,256,255)"},
    };
    for (const WrittenCase& c : cases) {
        ExpectFixedPoint(c.text, c.written,
                         [](const QDXFactor& f, const QDXFactor& g) { EXPECT_EQ(g.Options, f.Options); });
    }
}

// Keywords that begin or end alike are told apart, and the object drawing
// keywords of the plain family are not taken for these. Only the 34 codes
// exist between 301 and 394.
TEST(ColourSpaceFactorsTest, KeywordsAndCodes) {
    const KindCase cases[] = {
        {"ColorSpaceAlphaBlend(0,0,1,1,\"s\",0,0,0,1)", 391},
        {"ColorSpaceAlphaBlendC(0,0,1,1,\"s\",0,0,0,1)", 393},
        {"CopyColorSpace(0,0,1,1,\"s\",0,0,0,0,0,0)", 301},
        {"CopyColorSpaceC(0,0,1,1,\"s\",0,0,0,0,0,0)", 316},
        {"Copy(0,0,1,1,\"s\",0,0,0,0,0,0)", 201},  // the plain family drops the extras
        {"Alpha(0,0,1,1,\"s\",0,0,0,0,0,0)", 202},
    };
    for (const KindCase& c : cases) ExpectKind(c.text, c.kind);
    uint32_t found = 0;
    for (uint32_t kind = 301; kind <= 394; ++kind) {
        const vocabulary::FactorRow* row = vocabulary::FindFactorKind(kind);
        const bool listed = std::any_of(std::begin(kMembers), std::end(kMembers),
                                        [kind](const Member& m) { return m.kind == kind; });
        EXPECT_EQ(row != nullptr, listed) << kind;
        if (row != nullptr) ++found;
    }
    EXPECT_EQ(found, 34u);
    EXPECT_EQ(vocabulary::CheckFactorTable()[0], '\0');
}

}  // namespace
