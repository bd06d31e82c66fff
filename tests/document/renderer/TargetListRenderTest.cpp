// TargetList and Foreach: the index range, disabled entries, the entry names
// as template arguments (resolved where the Foreach stands), the references
// through GhostFactors, the nesting limit and the messages.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/document/renderer/ShapeRenderTestSupport.h"

namespace shape_render_test {
namespace {

// "が複雑すぎて処理できません。\n"
const std::string kForeachTooComplex =
    "\x82\xAA\x95\xA1\x8E\x47\x82\xB7\x82\xAC\x82\xC4\x8F\x88\x97\x9D\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "の参照先がリストではありません。\n"
const std::string kForeachNoList =
    "\x82\xCC\x8E\x51\x8F\xC6\x90\xE6\x82\xAA\x83\x8A\x83\x58\x83\x67\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9"
    "\x82\xF1\x81\x42\n";
// "の一斉適用に失敗しました。\n"
const std::string kForeachApplyFailed =
    "\x82\xCC\x88\xEA\x90\xC4\x93\x4B\x97\x70\x82\xC9\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";

using TargetListRenderTest = ShapeDocumentTest;

// Each application of the repeated factor, a faint SquareA, raises the alpha
// once more, so the canvas tells how many entries were applied.
TEST_F(TargetListRenderTest, ForeachRangeAndDisabledEntries) {
    // Five entries; entry 3 is disabled.
    const std::string list =
        "!TargetList(FTI(\"a\",\"\",\"\",\"\"),FTI(\"b\",\"\",\"\",\"\"),FTI(\"c\",\"\",\"\",\"\"),"
        "!FTI(\"d\",\"\",\"\",\"\"),FTI(\"e\",\"\",\"\",\"\"))";
    const struct {
        const char* range;  // the Foreach's first and last index
        int applied;
    } cases[] = {
        {"0,-1", 4},
        {"2,-1", 2},  // 2, 3 (disabled), 4
        {"2,-2", 1},  // the first index only
        {"2,10", 2},  // a last index beyond the list ends with it
        {"7,-1", 0},  // a first index beyond the list: nothing, and true
        {"4,-2", 1},
        {"3,3", 0},   // the disabled entry alone
        {"0,0", 1},
        {"0,1", 2},
        {"1,-3", 3},  // any other negative last index runs to the end
        {"-1,-1", 0},  // a first index below 0 gives nothing
        {"-1,2", 0},
        {"-2,-2", 0},
        {"0,2147483647", 4},  // last + 1 and first + 1 taken beyond 32 bits
        {"2147483647,-2", 0},
        {"-2147483648,-1", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.range);
        QDXObject& object =
            Add("Obj", "Render(4,4,0,array(!SquareA(0,0,64,64,40)," + list + ",Foreach(0,1," + c.range + ")))");
        ASSERT_TRUE(Draw(object)) << Text();
        CSprite expected = raster_test::Filled(4, 4, 0);
        for (int i = 0; i < c.applied; ++i) expected.FillTileCoverage(0, 0, 64, 64, 16, 40);
        EXPECT_EQ(raster_test::Pixels(object.Canvas), raster_test::Pixels(expected));
    }

    // The short form runs the whole list.
    QDXObject& object = Add("Obj", "Render(4,4,0,array(!SquareA(0,0,64,64,40)," + list + ",Foreach(0,1)))");
    ASSERT_TRUE(Draw(object)) << Text();
    CSprite expected = raster_test::Filled(4, 4, 0);
    for (int i = 0; i < 4; ++i) expected.FillTileCoverage(0, 0, 64, 64, 16, 40);
    EXPECT_EQ(raster_test::Pixels(object.Canvas), raster_test::Pixels(expected));
}

// The entry's names stand for "_Template1".."_Template4" in the repeated
// factor; they are resolved where the Foreach stands, so inside a ghost an
// entry may name the ghost's own template arguments.
TEST_F(TargetListRenderTest, EntryNamesAreTheTemplateArguments) {
    Add("Left", "Render(1,1,0,array(Square(0,0,32,64,ff0000)))");
    Add("Right", "Render(1,1,0,array(Square(32,0,64,64,ff)))");
    QDXObject& object = Add("Obj",
                            "Render(4,4,0,array(!GhostObject(\"_Template2\",\"\",\"\",\"\",\"\"),"
                            "!TargetList(FTI(\"x\",\"Left\",\"\",\"\"),FTI(\"y\",\"Right\",\"\",\"\")),Foreach(0,1)))");
    ASSERT_TRUE(Draw(object)) << Text();
    EXPECT_EQ(*object.Canvas.PixelAt(0, 0), 0xFFFF0000u);
    EXPECT_EQ(*object.Canvas.PixelAt(3, 3), 0xFF0000FFu);

    // A Foreach inside a ghost object: its entry "_Template1" is the ghost's
    // first template argument, itself the outer entry's second name.
    Add("Inner",
        "Render(1,1,0,array(!GhostObject(\"_Template1\",\"\",\"\",\"\",\"\"),"
        "!TargetList(FTI(\"_Template1\",\"\",\"\",\"\")),Foreach(0,1)))");
    QDXObject& nested = Add("Nested",
                            "Render(4,4,0,array(!GhostObject(\"_Template1\",\"_Template2\",\"\",\"\",\"\"),"
                            "!TargetList(FTI(\"Inner\",\"Right\",\"\",\"\")),Foreach(0,1)))");
    ASSERT_TRUE(Draw(nested)) << Text();
    EXPECT_EQ(*nested.Canvas.PixelAt(0, 0), 0u);
    EXPECT_EQ(*nested.Canvas.PixelAt(3, 3), 0xFF0000FFu);

    // A factor that draws "_Template1" looks for the entry's object.
    QDXObject& copy = Add("Obj",
                          "Render(4,4,0,array(!Copy(0,0,4,4,\"_Template1\",0,0),"
                          "!TargetList(FTI(\"Nope\",\"\",\"\",\"\")),Foreach(0,1)))");
    EXPECT_FALSE(Draw(copy));
    EXPECT_EQ(Text(), "\"Obj?0\"" + kNamedIn + "\"Nope\"" + kMissing + Named("Obj?2", kForeachApplyFailed));
}

TEST_F(TargetListRenderTest, ForeachReferences) {
    Add("Lib", "Render(1,1,0,array(TargetList(FTI(\"a\",\"\",\"\",\"\")),SquareA(0,0,64,64,40)))");
    const std::string entry = "TargetList(FTI(\"a\",\"\",\"\",\"\"))";
    const struct {
        const char* name;
        std::string factors;  // the Foreach is always factor 2
        bool result;
        std::string text;
        bool draws = false;
    } cases[] = {
        {"the repeated factor beyond the list", "SquareA(0,0,64,64,40)," + entry + ",Foreach(3,1)", false,
         Named("Obj?2", kBadReference)},
        {"a negative list reference", "SquareA(0,0,64,64,40)," + entry + ",Foreach(0,-1)", false,
         Named("Obj?2", kBadReference)},
        {"the list is no TargetList", "SquareA(0,0,64,64,40)," + entry + ",Foreach(0,0)", false,
         Named("Obj?2", kForeachNoList)},
        {"an empty list", "SquareA(0,0,64,64,40),TargetList(),Foreach(0,1)", true, ""},
        {"repeating the TargetList", "SquareA(0,0,64,64,40)," + entry + ",Foreach(1,1)", true, ""},
        {"through GhostFactors", "GhostFactor(\"Lib\",1),GhostFactor(\"Lib\",0),Foreach(0,1)", true, "", true},
        {"a GhostFactor to a missing object", "GhostFactor(\"None\",1)," + entry + ",Foreach(0,1)", false,
         "\"Obj?0\"" + kNamedIn + "\"None\"" + kMissing},
        {"a GhostFactor to a missing factor", "SquareA(0,0,64,64,40),GhostFactor(\"Lib\",2),Foreach(0,1)", false,
         Named("Obj?1", kBadReference)},
        {"a GhostFactor to a factor that is no list", "SquareA(0,0,64,64,40),GhostFactor(\"Lib\",1),Foreach(0,1)",
         false, Named("Obj?2", kForeachNoList)},
        {"the repeated factor fails", "FrameRefA(7,16)," + entry + ",Foreach(0,1)", false,
         Named("Obj?0", kBadReference) + Named("Obj?2", kForeachApplyFailed)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDXObject& object = Add("Obj", "Render(4,4,0,array(" + c.factors + "))");
        // The Foreach's operands need not be enabled.
        object.Factors.GetAt(0)->Enabled = false;
        object.Factors.GetAt(1)->Enabled = false;
        EXPECT_EQ(Draw(object), c.result);
        EXPECT_EQ(Text(), c.text);
        EXPECT_EQ(*object.Canvas.PixelAt(1, 1) != 0, c.draws);
    }
}

// A Foreach that repeats itself opens eleven levels; the twelfth fails, and
// every open level adds its own line.
TEST_F(TargetListRenderTest, NestingLimit) {
    QDXObject& object = Add("Obj", "Render(4,4,0,array(Foreach(0,1),!TargetList(FTI(\"a\",\"\",\"\",\"\"))))");
    EXPECT_FALSE(Draw(object));
    std::string expected = Named("Obj?0", kForeachTooComplex);
    for (int i = 0; i < 11; ++i) expected += Named("Obj?0", kForeachApplyFailed);
    EXPECT_EQ(Text(), expected);
    EXPECT_EQ(DefaultDocumentRenderer().Context().ForeachDepth, 0);

    // A chain of distinct Foreach factors, each repeating the one before it
    // and the first the square: eleven levels draw, twelve fail at the
    // innermost.
    auto chain = [](int levels) {
        std::string factors = "!SquareA(0,0,64,64,40),!TargetList(FTI(\"a\",\"\",\"\",\"\"))";
        for (int level = 0; level < levels; ++level)
            factors += std::string(level + 1 < levels ? ",!" : ",") + "Foreach(" +
                       std::to_string(level == 0 ? 0 : level + 1) + ",1)";
        return "Render(4,4,0,array(" + factors + "))";
    };
    QDXObject& deep = Add("Deep", chain(11));
    ASSERT_TRUE(Draw(deep)) << Text();
    EXPECT_NE(*deep.Canvas.PixelAt(0, 0), 0u);
    QDXObject& deeper = Add("Deep", chain(12));
    EXPECT_FALSE(Draw(deeper));
    expected = Named("Deep?2", kForeachTooComplex);
    for (int level = 3; level <= 13; ++level) expected += Named("Deep?" + std::to_string(level), kForeachApplyFailed);
    EXPECT_EQ(Text(), expected);
}

}  // namespace
}  // namespace shape_render_test
