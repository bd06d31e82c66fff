// The factor renderer's frame: scaling, palette colours, source objects drawn
// on demand, ghost objects and the common failures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "document/model/QDXCtrl.h"
#include "document/renderer/FactorFrame.h"
#include "tests/document/renderer/RenderTestSupport.h"

// Inside the support's namespace, so that its names come before any
// file-local name of another test compiled in the same unity batch.
namespace rendertest {
namespace {

// ---- the scaling rules ----

TEST(FactorScaling, CoordinatesRoundHalfAwayFromZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        int32_t v;
        double scale;
        int32_t expected;
    } rows[] = {
        {-3, 0.5, -2},  {3, 0.5, 2},   {-1, 0.5, -1}, {1, 0.5, 1},   {0, 0.5, 0},     {5, 1.0, 5},
        {-7, 1.0, -7},  {10, 2.0, 20}, {-10, 2.0, -20}, {7, 0.25, 2}, {-7, 0.25, -2}, {6, 0.25, 2},
        {-6, 0.25, -2}, {3, -0.5, -1}, {-3, -0.5, 1}, {1, 1.0000001, 1},
        // Saturated at the ends of the range, never wrapped.
        {INT32_MAX, 2.0, INT32_MAX}, {INT32_MIN, 2.0, INT32_MIN + 1}, {INT32_MIN, 1.0, INT32_MIN},
        {1000, 1e300, INT32_MAX},    {-1000, 1e300, -INT32_MAX},      {5, inf, INT32_MAX},
        {5, nan, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ScaleCoordinate(row.v, row.scale), row.expected) << row.v << " x " << row.scale;
}

TEST(FactorScaling, WidthsTruncateAfterAddingAHalf) {
    struct Row {
        int32_t width;
        double scale;
        int32_t expected;
    } rows[] = {
        {16, 0.25, 4},  {16, 1.0, 16}, {3, 0.5, 2}, {1, 0.4, 0}, {1, 0.5, 1}, {0, 3.0, 0},
        {-5, 1.0, -4},  {16, 0.0, 0},  {INT32_MAX, 4.0, INT32_MAX}, {INT32_MIN, 4.0, INT32_MIN},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ScaleWidth(row.width, row.scale), row.expected) << row.width << " x " << row.scale;
}

// ---- the prepared frame ----

class FactorRenderTest : public RenderTest {
protected:
    // A factor of kind with the ten coordinates, named as the first factor of R.
    void Prepare(QDXFactor& f, uint32_t kind) {
        f.Kind = kind;
        f.AssignName("R", 0);
        const int32_t v[5] = {10, -3, 3, -1, 7};
        f.X1 = f.Y1 = v[0];
        f.X2 = f.Y2 = v[1];
        f.X3 = f.Y3 = v[2];
        f.X4 = f.Y4 = v[3];
        f.X5 = f.Y5 = v[4];
        f.Width = 16;
        f.Alpha = 77;
    }
    FactorCall Call(RenderContext& context, QDXObject& object, bool fast, CStr_base<64>* error) {
        FactorCall call;
        call.Context = &context;
        call.Canvas = &object.Canvas;
        call.Document = &doc;
        call.Object = &object;
        call.Fast = fast;
        call.ErrorText = error;
        return call;
    }
};

TEST_F(FactorRenderTest, CoordinatesAreScaledByKind) {
    Add("R", Recipe(4, 4, ""));
    QDXObject& r = Object("R");
    struct Row {
        uint32_t kind;
        const char* what;
        bool sourcePositions;  // x2, y2, x3, y3 kept as written
    } rows[] = {
        {1, "shape", false}, {112, "FrameRef", false}, {201, "Copy", true}, {1001, "text", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        BranchOverride capture(row.kind, Capture);
        g_seen.clear();
        QDXFactor f;
        Prepare(f, row.kind);
        f.SourceName.Assign("_Template1");  // the built-in, for the source-drawing kinds
        RenderContext context;
        CStr_base<64> error;
        FactorCall call = Call(context, r, false, &error);
        call.ScaleX = 2.0;
        call.ScaleY = 0.5;
        call.ScaleThickness = 0.25;
        ASSERT_TRUE(RenderFactor(f, call)) << error.GetText();
        ASSERT_EQ(g_seen.size(), 1u);
        const SeenFrame& seen = g_seen[0];
        const int32_t x[5] = {20, -6, row.sourcePositions ? 3 : 6, row.sourcePositions ? -1 : -2, 14};
        const int32_t y[5] = {5, -2, row.sourcePositions ? 3 : 2, row.sourcePositions ? -1 : -1, 4};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(seen.x[i], x[i]) << "x" << i;
            EXPECT_EQ(seen.y[i], y[i]) << "y" << i;
        }
        EXPECT_EQ(seen.w, 4);
        EXPECT_EQ(seen.opacity, 77);
        EXPECT_EQ(seen.source, row.kind == 201 ? "_Template1" : "");
        // The factor's own fields are not touched.
        EXPECT_EQ(f.X1, 10);
        EXPECT_EQ(f.Width, 16);

        // At scale 1.0 the integers pass as they are; the width still rounds.
        g_seen.clear();
        call.ScaleX = call.ScaleY = 1.0;
        call.ScaleThickness = 0.5;
        f.Width = 5;
        ASSERT_TRUE(RenderFactor(f, call));
        ASSERT_EQ(g_seen.size(), 1u);
        EXPECT_EQ(g_seen[0].x[1], -3);
        EXPECT_EQ(g_seen[0].y[4], 7);
        EXPECT_EQ(g_seen[0].w, 3);
    }
}

TEST_F(FactorRenderTest, FastFlagAndLevel) {
    BranchOverride capture(kFillKind, Capture);
    Add("R", Recipe(4, 4, ""));
    QDXObject& r = Object("R");
    struct Row {
        bool fast, forceFast, expectFast;
        int32_t level;
    } rows[] = {{false, false, false, 16}, {true, false, true, 0}, {false, true, true, 0}, {true, true, true, 0}};
    for (const Row& row : rows) {
        g_seen.clear();
        doc.ForceFast = row.forceFast;
        QDXFactor f;
        Prepare(f, kFillKind);
        RenderContext context;
        ASSERT_TRUE(RenderFactor(f, Call(context, r, row.fast, nullptr)));
        ASSERT_EQ(g_seen.size(), 1u);
        EXPECT_EQ(g_seen[0].fast, row.expectFast);
        EXPECT_EQ(g_seen[0].level, row.level);
    }
}

// Palette references give the current palette colour under the colour's own
// top byte, and the result is written into the factor.
TEST_F(FactorRenderTest, PaletteColoursAreResolvedIntoTheFactor) {
    BranchOverride capture(kFillKind, Capture);
    Add("R", Recipe(4, 4, ""));
    doc.PaletteTables->Palette1[5] = 0x00123456u;
    QDXFactor f;
    Prepare(f, kFillKind);
    f.Color1 = 0xAB999999u;
    f.ColorRef1 = 0x40050000u;  // Palette1 entry 5
    f.Color2 = 0x77654321u;     // no reference: as stored
    f.Color3 = 0xCC112233u;
    f.ColorRef3 = 0x80030500u;  // Palette2 entry 3, column 5: past its (empty) strip
    f.Color4 = 0x01020304u;
    f.ColorRef4 = 0x40050000u;
    RenderContext context;
    ASSERT_TRUE(RenderFactor(f, Call(context, Object("R"), false, nullptr)));
    ASSERT_EQ(g_seen.size(), 1u);
    const uint32_t expected[4] = {0xAB123456u, 0x77654321u, 0xCC000000u, 0x01123456u};
    const uint32_t written[4] = {f.Color1, f.Color2, f.Color3, f.Color4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g_seen[0].c[i], expected[i]) << i;
        EXPECT_EQ(written[i], expected[i]) << i;
    }
    // The next draw sees the palette as it is then.
    doc.PaletteTables->Palette1[5] = 0x00ABCDEFu;
    ASSERT_TRUE(RenderFactor(f, Call(context, Object("R"), false, nullptr)));
    EXPECT_EQ(f.Color1, 0xABABCDEFu);
    EXPECT_EQ(f.Color4, 0x01ABCDEFu);
}

// ---- dispatch failures ----

TEST_F(FactorRenderTest, KindsWithoutTheirOwnBranch) {
    Add("R", Recipe(4, 4, ""));
    struct Row {
        uint32_t kind;
        std::string expected;
    } rows[] = {
        {0, Quoted("R?0") + kUnknownKind},
        {9999, Quoted("R?0") + kUnknownKind},
        {QDXFactor::kSetMaskRef, Quoted("R?0") + kUnknownKind},
        {QDXFactor::kGhostFactor, kGhostCreate},
        {1114, kMaskNotGhosted},
    };
    for (const Row& row : rows) {
        QDXFactor f;
        Prepare(f, row.kind);
        RenderContext context;
        CStr_base<64> error("before\n");
        EXPECT_FALSE(RenderFactor(f, Call(context, Object("R"), false, &error))) << row.kind;
        EXPECT_EQ(error.GetText(), "before\n" + row.expected) << row.kind;  // appended, never replaced
        EXPECT_FALSE(RenderFactor(f, Call(context, Object("R"), false, nullptr)));  // no text: same outcome
        EXPECT_EQ(context.RenderDepth, 0);
    }
}

// ---- source objects ----

TEST_F(FactorRenderTest, SourceObjectsAreDrawnOnDemand) {
    BranchOverride capture(kCopyKind, Capture);
    Add("S", Recipe(2, 2, ""));
    Object("S").Factors.RemoveAll();
    Add("R", Recipe(2, 2, "Copy(0,0,1,1,\"S\",0,0)"));
    ASSERT_TRUE(Render("R", true));
    EXPECT_EQ(Object("S").RenderState, QDXObject::kDrawn);
    EXPECT_TRUE(Object("S").DrawnFast);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].source, "S");

    // A full draw of a factor whose source was drawn fast redraws the source.
    g_seen.clear();
    QDXFactor& copy = *Object("R").Factors.GetAt(0);
    RenderContext context;
    ASSERT_TRUE(RenderFactor(copy, Call(context, Object("R"), false, nullptr)));
    EXPECT_FALSE(Object("S").DrawnFast);
    EXPECT_NE(Object("S").Canvas.GetOpacityMask(), nullptr);
    // A fast draw takes the full picture as it is.
    Object("S").Background = 0xFFFFFFFFu;
    ASSERT_TRUE(RenderFactor(copy, Call(context, Object("R"), true, nullptr)));
    EXPECT_EQ(*Object("S").Canvas.PixelAt(0, 0), 0u);
}

TEST_F(FactorRenderTest, SourceFailures) {
    Add("Bad", Recipe(2, 2, "Fill(0,0,1,1,0,255)"));
    Object("Bad").Factors.GetAt(0)->Kind = 0;
    Add("Plain", Recipe(2, 2, ""));
    Object("Plain").Factors.RemoveAll();
    struct Row {
        const char* name;
        std::string factors;
        std::string expected;
    } rows[] = {
        {"missing", "Copy(0,0,1,1,\"Nope\",0,0)", FactorNames("R?0", "Nope", kNotFound)},
        {"failing source: its message, then F5", "Copy(0,0,1,1,\"Bad\",0,0)",
         Quoted("Bad?0") + kUnknownKind + FactorNames("R?0", "Bad", kCannotDraw)},
        {"itself", "Copy(0,0,1,1,\"R\",0,0)", Cyclic("R?0", "R")},
        // Without a branch of its own the kind fails only after its source is drawn.
        {"no branch yet", "CopyColorSpace(0,0,1,1,\"Plain\",0,0,0,0,0,0)", Quoted("R?0") + kUnknownKind},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        doc.DeleteObject("R");
        Add("R", Recipe(2, 2, row.factors));
        EXPECT_FALSE(Render("R"));
        EXPECT_EQ(text, row.expected);
    }
    EXPECT_EQ(Object("Plain").RenderState, QDXObject::kDrawn);
    EXPECT_EQ(Object("Bad").RenderState, QDXObject::kNotDrawn);

    // A cycle through two objects: the inner one reports it, the outer one
    // cannot draw its source.
    Add("P", Recipe(2, 2, "Copy(0,0,1,1,\"Q\",0,0)"));
    Add("Q", Recipe(2, 2, "Copy(0,0,1,1,\"P\",0,0)"));
    EXPECT_FALSE(Render("P"));
    EXPECT_EQ(text, Cyclic("Q?0", "P") + FactorNames("P?0", "Q", kCannotDraw));
    EXPECT_EQ(Object("P").RenderState, QDXObject::kNotDrawn);
    EXPECT_EQ(Object("Q").RenderState, QDXObject::kNotDrawn);
}

// ---- ghost objects ----

TEST_F(FactorRenderTest, GhostObjectDrawsTheFactorsOfAnotherObjectHere) {
    BranchOverride capture(kCopyKind, Capture);
    for (const char* name : {"A", "X", "Y"}) {
        Add(name, Recipe(1, 1, ""));
        Object(name).Factors.RemoveAll();
    }
    Add("G", Recipe(9, 9, "Copy(0,0,1,1,\"_Template1\",0,0),Copy(0,0,1,1,\"_Template2\",0,0)"));
    // At the top level a template name is the built-in of that name.
    Add("R", "Render(4,4,0,2.0,1.0,1.0,array(GhostObject(\"G\",\"A\",\"_Template1\",\"\",\"\")))");
    ASSERT_TRUE(Render("R")) << text;
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].source, "A");
    EXPECT_EQ(g_seen[1].source, "_Template1");
    EXPECT_EQ(g_seen[0].object, "G");  // G's list, R's canvas and scales
    EXPECT_EQ(g_seen[0].x[1], 2);
    EXPECT_EQ(g_seen[0].templates[0], "A");
    EXPECT_EQ(g_seen[0].templates[1], "_Template1");
    EXPECT_EQ(Object("G").RenderState, QDXObject::kNotDrawn);

    // Nested: the inner ghost's template names are resolved where it stands.
    g_seen.clear();
    Add("H", Recipe(1, 1, "GhostObject(\"G\",\"_Template2\",\"X\",\"\",\"\")"));
    Add("S", Recipe(4, 4, "GhostObject(\"H\",\"Y\",\"A\",\"\",\"\")"));
    ASSERT_TRUE(Render("S")) << text;
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].source, "A");
    EXPECT_EQ(g_seen[1].source, "X");
}

TEST_F(FactorRenderTest, GhostObjectOfABitmapOrLinkDrawsNothing) {
    CSprite pixels;
    ASSERT_TRUE(pixels.RecreateIfReady(2, 2));
    Add("B", "WebP(\"" + WebPText(pixels) + "\")");
    Add("L", "LinkPath(\"nowhere.png\")");
    Add("R", Recipe(2, 2, "GhostObject(\"B\",\"\",\"\",\"\",\"\"),GhostObject(\"L\",\"\",\"\",\"\",\"\")"));
    ASSERT_TRUE(Render("R")) << text;
    EXPECT_EQ(text, "");
    EXPECT_EQ(Object("B").RenderState, QDXObject::kNotDrawn);
    EXPECT_EQ(Object("L").RenderState, QDXObject::kNotDrawn);
}

TEST_F(FactorRenderTest, GhostObjectOfItselfStopsAfter101Expansions) {
    Add("R", Recipe(2, 2, "GhostObject(\"R\",\"\",\"\",\"\",\"\")"));
    EXPECT_FALSE(Render("R"));
    std::string expected = Quoted("R?0") + kGhostTooDeep;
    for (int i = 0; i < 101; ++i) expected += Quoted("R?0") + kGhostFailed;
    EXPECT_EQ(text, expected);
    EXPECT_EQ(Object("R").RenderState, QDXObject::kNotDrawn);
    // Again: the counter went back to 0.
    EXPECT_FALSE(Render("R"));
    EXPECT_EQ(text, expected);
}

TEST_F(FactorRenderTest, GhostObjectFailures) {
    Add("Lib", Recipe(2, 2, "Fill(0,0,1,1,0,255)"));
    struct Row {
        const char* name;
        std::string ghost;  // the factors of G
        std::string expected;
    } rows[] = {
        {"missing object", "", FactorNames("R?0", "Nope", kNotFound)},
        {"GhostFactor target missing", "GhostFactor(\"_Template1\",0)", FactorNames("G?0", "Zed", kNotFound)},
        {"GhostFactor index", "GhostFactor(\"Lib\",1)", Quoted("G?0") + kInvalidReference},
        {"GhostFactor onto a GhostFactor", "GhostFactor(\"G\",0)", kGhostCreate + Quoted("G?0") + kGhostFailed},
        {"ClearMask", "ClearMask()", kMaskNotGhosted + Quoted("G?0") + kGhostFailed},
        {"SetMaskRef", "SetMaskRef(0)", Quoted("G?0") + kUnknownKind + Quoted("G?0") + kGhostFailed},
        {"a failing factor", "Copy(0,0,1,1,\"Nope\",0,0)",
         FactorNames("G?0", "Nope", kNotFound) + Quoted("G?0") + kGhostFailed},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        doc.DeleteObject("G");
        doc.DeleteObject("R");
        if (!row.ghost.empty()) Add("G", Recipe(2, 2, row.ghost));
        Add("R", Recipe(2, 2, "GhostObject(\"" + std::string(row.ghost.empty() ? "Nope" : "G") +
                                  "\",\"Zed\",\"\",\"\",\"\")"));
        EXPECT_FALSE(Render("R"));
        EXPECT_EQ(text, row.expected);
    }
}

TEST_F(FactorRenderTest, GhostFactorInsideAGhostBorrowsWithTheTemplates) {
    BranchOverride paint(kFillKind, Paint);
    Add("Lib", Recipe(2, 2, "Fill(0,0,1,1,ff0000,255),!Fill(1,1,1,1,ff0000,255)"));
    Add("G", Recipe(2, 2, "GhostFactor(\"_Template1\",0),GhostFactor(\"_Template1\",1,1),GhostFactor(\"Lib\",1)"));
    Add("R", Recipe(2, 2, "GhostObject(\"G\",\"Lib\",\"\",\"\",\"\")"));
    ASSERT_TRUE(Render("R")) << text;
    ASSERT_EQ(g_seen.size(), 2u);  // the disabled target under option bit 0 is skipped
    EXPECT_EQ(g_seen[0].factor, "Lib?0");
    EXPECT_EQ(g_seen[0].object, "G");
    EXPECT_EQ(g_seen[1].factor, "Lib?1");
    EXPECT_EQ(*Object("R").Canvas.PixelAt(1, 1), 0xFFFF0000u);
}

// Inside a ghost the running "_PrevObject" takes each source name as written,
// "_PrevObject" included, so a second "_PrevObject" names the built-in.
TEST_F(FactorRenderTest, PrevObjectInsideAGhostIsTakenAsWritten) {
    BranchOverride capture(kCopyKind, Capture);
    Add("A", Recipe(1, 1, ""));
    Object("A").Factors.RemoveAll();
    Add("G", Recipe(2, 2,
                    "Copy(0,0,1,1,\"_PrevObject\",0,0),Copy(0,0,1,1,\"A\",0,0),Copy(0,0,1,1,\"_PrevObject\",0,0),"
                    "Copy(0,0,1,1,\"_PrevObject\",0,0)"));
    Add("R", Recipe(2, 2, "Copy(0,0,1,1,\"A\",0,0),GhostObject(\"G\",\"\",\"\",\"\",\"\")"));
    // The ghost's list starts with the empty name, not the caller's "A".
    EXPECT_FALSE(Render("R"));
    EXPECT_EQ(text, FactorNames("G?0", "", kNotFound) + Quoted("G?0") + kGhostFailed);

    Object("G").Factors.GetAt(0)->Enabled = false;
    g_seen.clear();
    ASSERT_TRUE(Render("R")) << text;
    ASSERT_EQ(g_seen.size(), 4u);
    EXPECT_EQ(g_seen[1].source, "A");
    EXPECT_EQ(g_seen[2].source, "A");
    EXPECT_EQ(g_seen[3].source, "_PrevObject");
}

}  // namespace
}  // namespace rendertest
