// The object renderer: render states, the recipe loop, masks, the bitmap,
// link and built-in kinds, and what a failure or an exception leaves behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>

#include "document/model/QDXCtrl.h"
#include "document/renderer/ObjectRender.h"
#include "tests/document/renderer/RenderTestSupport.h"

// Inside the support's namespace, so that its names come before any
// file-local name of another test compiled in the same unity batch.
namespace rendertest {
namespace {

constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kRed = 0xFFFF0000u;

// The mask pattern: an alpha per position with 0, 255 and partial values, so
// that a mask read from the wrong place shows.
uint8_t MaskAlpha(int32_t x, int32_t y) {
    static constexpr uint8_t kLevels[7] = {0, 255, 40, 80, 120, 160, 200};
    return kLevels[(x * 3 + y * 5) % 7];
}
constexpr int32_t kMaskSide = 10;

bool DrawMaskPattern(QDXObject* object, bool, CStr_base<64>*) {
    if (!object->Canvas.RecreateIfReady(kMaskSide, kMaskSide)) return false;
    object->Width = object->Height = kMaskSide;
    for (int32_t y = 0; y < kMaskSide; ++y)
        for (int32_t x = 0; x < kMaskSide; ++x) *object->Canvas.PixelAt(x, y) = uint32_t(MaskAlpha(x, y)) << 24 | 0x00123456u;
    return true;
}

// drawn where the mask is opaque, saved where it is clear, mixed between.
uint32_t Merged(uint32_t drawn, uint32_t saved, uint8_t alpha) {
    const uint32_t j = 255u - alpha;
    if (j == 0) return drawn;
    if (j == 255) return saved;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t d = (drawn >> shift) & 0xFF;
        const uint32_t s = (saved >> shift) & 0xFF;
        out |= ((d * (256 - j) + s * j) >> 8) << shift;
    }
    return out;
}

int g_builtInCalls = 0;
bool g_builtInFails = false;
bool g_builtInThrows = false;

bool CountedBuiltIn(QDXObject* object, bool, CStr_base<64>* errorText) {
    ++g_builtInCalls;
    if (g_builtInThrows) throw std::bad_alloc();
    if (g_builtInFails) {
        if (errorText != nullptr) errorText->Append("built-in failed\n");
        return false;
    }
    object->Canvas.FillRect(0, 0, object->Canvas.GetWidth(), object->Canvas.GetHeight(), 0xFF00FF00u);
    return true;
}

class ObjectRenderTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        g_builtInCalls = 0;
        g_builtInFails = false;
        g_builtInThrows = false;
    }
};

// ---- render states ----

TEST_F(ObjectRenderTest, RecipeWithoutFactorsIsItsBackground) {
    Add("R", Recipe(3, 2, "", "ff0000ff"));
    Object("R").Factors.RemoveAll();
    ASSERT_TRUE(Render("R"));
    EXPECT_EQ(text, "");
    EXPECT_EQ(Object("R").RenderState, QDXObject::kDrawn);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(Pixel("R", x, y), kBlue);
}

TEST_F(ObjectRenderTest, FastPictureIsKeptForFastAndRedrawnForFull) {
    BranchOverride paint(kFillKind, Paint);
    Add("R", Recipe(4, 4, "Fill(0,0,4,4,ff0000,255)"));
    QDXObject& r = Object("R");

    ASSERT_TRUE(Render("R", true));
    EXPECT_EQ(g_seen.size(), 1u);
    EXPECT_TRUE(g_seen.back().fast);
    EXPECT_EQ(g_seen.back().level, 0);
    EXPECT_TRUE(r.DrawnFast);
    EXPECT_EQ(r.Canvas.GetOpacityMask(), nullptr);  // no mask after a fast draw

    ASSERT_TRUE(Render("R", true));  // drawn fast counts as drawn for fast
    EXPECT_EQ(g_seen.size(), 1u);

    ASSERT_TRUE(Render("R", false));  // a full request redraws once
    EXPECT_EQ(g_seen.size(), 2u);
    EXPECT_FALSE(g_seen.back().fast);
    EXPECT_EQ(g_seen.back().level, 16);
    EXPECT_FALSE(r.DrawnFast);
    EXPECT_NE(r.Canvas.GetOpacityMask(), nullptr);

    ASSERT_TRUE(Render("R", false));
    ASSERT_TRUE(Render("R", true));  // a full picture serves a fast request
    EXPECT_EQ(g_seen.size(), 2u);
}

TEST_F(ObjectRenderTest, ForcedFastFlagsMakeEveryDrawFast) {
    BranchOverride paint(kFillKind, Paint);
    Add("R", Recipe(2, 2, "Fill(0,0,2,2,ff0000,255)"));
    Object("R").FastDraw = true;
    ASSERT_TRUE(Render("R", false));
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_TRUE(g_seen[0].fast);
    EXPECT_TRUE(Object("R").DrawnFast);

    Add("S", Recipe(2, 2, "Fill(0,0,2,2,ff0000,255)"));
    doc.ForceFast = true;
    ASSERT_TRUE(Render("S", false));
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_TRUE(g_seen[1].fast);
}

TEST_F(ObjectRenderTest, NewRequestedSizeRecreatesAndRedraws) {
    BranchOverride paint(kFillKind, Paint);
    Add("R", Recipe(4, 4, "Fill(0,0,1,1,ff0000,255)", "ff0000ff"));
    QDXObject& r = Object("R");
    ASSERT_TRUE(Render("R"));
    r.Width = 6;
    r.Height = 3;
    ASSERT_TRUE(Render("R"));
    EXPECT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(r.Canvas.GetWidth(), 6);
    EXPECT_EQ(r.Canvas.GetHeight(), 3);
    EXPECT_EQ(Pixel("R", 5, 2), kBlue);
    EXPECT_EQ(Pixel("R", 0, 0), kRed);
}

TEST_F(ObjectRenderTest, RefusedCanvasLeavesTheStateAlone) {
    Add("R", Recipe(4, 4, ""));
    QDXObject& r = Object("R");
    r.Factors.RemoveAll();
    ASSERT_TRUE(Render("R"));
    // Beyond the sprite size rule: the recreation is refused.
    r.Width = 1 << 20;
    r.Height = 1 << 20;
    EXPECT_FALSE(Render("R"));
    EXPECT_EQ(text, kCanvasMemory);
    EXPECT_EQ(r.RenderState, QDXObject::kDrawn);
    EXPECT_EQ(r.Canvas.GetWidth(), 4);
}

TEST_F(ObjectRenderTest, ObjectBeingDrawnAnswersFalseSilently) {
    Add("R", Recipe(2, 2, ""));
    Object("R").RenderState = QDXObject::kDrawing;
    Object("R").Canvas.RecreateIfReady(2, 2);
    EXPECT_FALSE(Render("R"));
    EXPECT_EQ(text, "");
    EXPECT_EQ(Object("R").RenderState, QDXObject::kDrawing);
}

// ---- the recipe loop ----

TEST_F(ObjectRenderTest, DisabledFactorsAreSkipped) {
    BranchOverride paint(kFillKind, Paint);
    Add("R", Recipe(2, 1, "Fill(0,0,1,1,ff0000,255),!Fill(1,0,1,1,ff0000,255)", "ff0000ff"));
    ASSERT_TRUE(Render("R"));
    EXPECT_EQ(Pixel("R", 0, 0), kRed);
    EXPECT_EQ(Pixel("R", 1, 0), kBlue);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].factor, "R?0");
}

TEST_F(ObjectRenderTest, FailureLeavesStateZeroAndWhatWasDrawn) {
    BranchOverride paint(kFillKind, Paint);
    // Kind 0 has no branch.
    Add("R", Recipe(2, 1, "Fill(0,0,1,1,ff0000,255),Fill(1,0,1,1,ff0000,255)", "ff0000ff"));
    Object("R").Factors.GetAt(1)->Kind = 0;
    EXPECT_FALSE(Render("R"));
    EXPECT_EQ(text, Quoted("R?1") + kUnknownKind);
    EXPECT_EQ(Object("R").RenderState, QDXObject::kNotDrawn);
    EXPECT_EQ(Pixel("R", 0, 0), kRed);
    EXPECT_FALSE(Object("R").ActiveMask.IsActive());
}

TEST_F(ObjectRenderTest, GhostFactorBorrowsAFactorOfAnotherObject) {
    BranchOverride paint(kFillKind, Paint);
    Add("Lib", Recipe(2, 2, "Fill(0,0,1,1,ff0000,255),!Fill(1,1,1,1,00ff00,255)"));
    struct Row {
        const char* name;
        std::string factors;
        bool ok;
        std::string message;
        size_t frames;
    } rows[] = {
        {"drawn as if it stood here", "GhostFactor(\"Lib\",0)", true, "", 1},
        {"option bit 0 skips a disabled target", "GhostFactor(\"Lib\",1,1)", true, "", 0},
        {"without the bit a disabled target is drawn", "GhostFactor(\"Lib\",1,0)", true, "", 1},
        {"index past the list", "GhostFactor(\"Lib\",2)", false, Quoted("R?0") + kInvalidReference, 0},
        {"negative index", "GhostFactor(\"Lib\",-1)", false, Quoted("R?0") + kInvalidReference, 0},
        {"missing object", "GhostFactor(\"Nope\",0)", false, FactorNames("R?0", "Nope", kNotFound), 0},
        {"_PrevObject first is the empty name", "GhostFactor(\"_PrevObject\",0)", false, FactorNames("R?0", "", kNotFound),
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        g_seen.clear();
        doc.DeleteObject("R");
        Add("R", Recipe(2, 2, row.factors));
        EXPECT_EQ(Render("R"), row.ok);
        EXPECT_EQ(text, row.message);
        ASSERT_EQ(g_seen.size(), row.frames);
        if (row.frames == 1) {
            EXPECT_EQ(g_seen[0].object, "R");  // this object's list and canvas
        }
    }
    // A borrowed factor is drawn on this canvas with this object's scales.
    g_seen.clear();
    Add("S", "Render(4,4,0,2.0,2.0,1.0,array(GhostFactor(\"Lib\",0)))");
    ASSERT_TRUE(Render("S"));
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].x[1], 2);
    EXPECT_EQ(Pixel("S", 1, 1), kRed);
    EXPECT_EQ(Object("Lib").RenderState, QDXObject::kNotDrawn);
}

TEST_F(ObjectRenderTest, GhostFactorOntoAGhostFactorFails) {
    Add("Lib", Recipe(2, 2, "GhostFactor(\"Lib\",0)"));
    Add("R", Recipe(2, 2, "GhostFactor(\"Lib\",0)"));
    EXPECT_FALSE(Render("R"));
    EXPECT_EQ(text, kGhostCreate);
    EXPECT_EQ(Object("R").RenderState, QDXObject::kNotDrawn);
}

TEST_F(ObjectRenderTest, PrevObjectInTheRecipeKeepsTheLastNamedSource) {
    BranchOverride capture(kCopyKind, Capture);
    Add("A", Recipe(1, 1, ""));
    Add("B", Recipe(1, 1, ""));
    Object("A").Factors.RemoveAll();
    Object("B").Factors.RemoveAll();
    Add("R", Recipe(2, 2,
                    "Copy(0,0,1,1,\"A\",0,0),Copy(0,0,1,1,\"_PrevObject\",0,0),"
                    "Copy(0,0,1,1,\"_PrevObject\",0,0),Copy(0,0,1,1,\"B\",0,0),Copy(0,0,1,1,\"_PrevObject\",0,0)"));
    ASSERT_TRUE(Render("R")) << text;
    ASSERT_EQ(g_seen.size(), 5u);
    const char* expected[] = {"A", "A", "A", "B", "B"};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(g_seen[i].source, expected[i]) << i;

    // A GhostObject names a source too; a SetMask changes it as well.
    g_seen.clear();
    Add("S", Recipe(2, 2, "GhostObject(\"A\",\"\",\"\",\"\",\"\"),Copy(0,0,1,1,\"_PrevObject\",0,0)"));
    ASSERT_TRUE(Render("S")) << text;
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].source, "A");

    g_seen.clear();
    Add("T", Recipe(2, 2, "SetMask(0,0,2,2,\"B\",0,0),Copy(0,0,1,1,\"_PrevObject\",0,0)"));
    ASSERT_TRUE(Render("T")) << text;
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].source, "B");

    // First in the list it is the empty name.
    Add("U", Recipe(2, 2, "Copy(0,0,1,1,\"_PrevObject\",0,0)"));
    EXPECT_FALSE(Render("U"));
    EXPECT_EQ(text, FactorNames("U?0", "", kNotFound));
}

// ---- masks ----

class MaskTest : public ObjectRenderTest {
protected:
    void SetUp() override {
        ObjectRenderTest::SetUp();
        ASSERT_TRUE(doc.CreateBuiltInObject("M", DrawMaskPattern, nullptr));
    }
};

TEST_F(MaskTest, RectangleOnlyMaskClipsAndRestoresNothing) {
    BranchOverride paint(kFillKind, Paint);
    for (const char* name : {"\"\"", "\"_Template3\"", "\"_TemplateX\""}) {
        SCOPED_TRACE(name);
        doc.DeleteObject("R");
        // Draws red into the rectangle (2, 1, 3 x 2) only; after ClearMask the
        // whole canvas is open again.
        Add("R", Recipe(6, 4,
                        std::string("SetMask(2,1,3,2,") + name +
                            ",0,0),Fill(0,0,6,4,ff0000,255),ClearMask(),Fill(0,3,1,1,ff0000,255)",
                        "ff0000ff"));
        ASSERT_TRUE(Render("R")) << text;
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 6; ++x) {
                const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
                const bool corner = x == 0 && y == 3;
                EXPECT_EQ(Pixel("R", x, y), inside || corner ? kRed : kBlue) << x << "," << y;
            }
    }
}

TEST_F(MaskTest, RectangleOnlyMaskIsNotScaled) {
    BranchOverride paint(kFillKind, Paint);
    Add("R", "Render(6,6,ff0000ff,2.0,2.0,1.0,array(SetMask(1,1,2,2,\"\",0,0),Fill(0,0,3,3,ff0000,255)))");
    ASSERT_TRUE(Render("R")) << text;
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(Pixel("R", x, y), x >= 1 && x < 3 && y >= 1 && y < 3 ? kRed : kBlue) << x << "," << y;
}

// What was drawn under an object mask survives only where the mask is opaque,
// whether ClearMask closes the mask or the end of the draw does; the mask
// lines up with the canvas rectangle also when that starts off the canvas.
TEST_F(MaskTest, ObjectMaskKeepsTheDrawingWhereTheMaskIsOpaque) {
    BranchOverride paint(kFillKind, Paint);
    struct Row {
        int32_t x, y, w, h, maskX, maskY;
        bool clear;
    } rows[] = {
        {0, 0, 8, 8, 0, 0, true},   {0, 0, 8, 8, 0, 0, false}, {1, 2, 8, 8, 0, 0, true},
        {0, 0, 8, 8, 1, 2, true},   {-2, -3, 8, 8, 0, 0, true}, {-2, -3, 8, 8, 0, 0, false},
        {-1, -1, 8, 8, 2, 2, true}, {3, -2, 4, 20, 1, 0, true}, {-5, 0, 4, 8, 0, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.x << "," << row.y << " " << row.w << "x" << row.h << " from "
                                          << row.maskX << "," << row.maskY << (row.clear ? " ClearMask" : ""));
        doc.DeleteObject("R");
        std::string factors = "SetMask(" + std::to_string(row.x) + "," + std::to_string(row.y) + "," +
                              std::to_string(row.w) + "," + std::to_string(row.h) + ",\"M\"," +
                              std::to_string(row.maskX) + "," + std::to_string(row.maskY) +
                              "),Fill(0,0,8,8,ff0000,255)";
        if (row.clear) factors += ",ClearMask()";
        Add("R", Recipe(8, 8, factors, "ff0000ff"));
        ASSERT_TRUE(Render("R")) << text;
        QDXObject& r = Object("R");
        EXPECT_FALSE(r.ActiveMask.IsActive());
        EXPECT_EQ(r.Canvas.GetClipRight(), 8);
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 8; ++x) {
                const int32_t mx = row.maskX + x - row.x;
                const int32_t my = row.maskY + y - row.y;
                const bool inRect = x >= row.x && x < row.x + row.w && y >= row.y && y < row.y + row.h;
                const bool inMask = mx >= 0 && mx < kMaskSide && my >= 0 && my < kMaskSide;
                const uint32_t expected = inRect && inMask ? Merged(kRed, kBlue, MaskAlpha(mx, my)) : kBlue;
                EXPECT_EQ(Pixel("R", x, y), expected) << x << "," << y;
            }
    }
}

TEST_F(MaskTest, MaskObjectThatCannotBeDrawnFails) {
    BranchOverride paint(kFillKind, Paint);
    // Missing, the object itself (being drawn), and an object that fails.
    Add("Bad", Recipe(2, 2, "Fill(0,0,1,1,0,255)"));
    Object("Bad").Factors.GetAt(0)->Kind = 0;
    struct Row {
        const char* name;
        std::string expected;
    } rows[] = {
        {"Nope", FactorNames("R?1", "Nope", kNotFound)},
        {"R", FactorNames("R?1", "R", kDrawFailed)},
        {"Bad", Quoted("Bad?0") + kUnknownKind + FactorNames("R?1", "Bad", kDrawFailed)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        doc.DeleteObject("R");
        Add("R", Recipe(4, 4, std::string("SetMask(1,1,2,2,\"\",0,0),SetMask(0,0,4,4,\"") + row.name + "\",0,0)"));
        EXPECT_FALSE(Render("R"));
        EXPECT_EQ(text, row.expected);
        QDXObject& r = Object("R");
        EXPECT_EQ(r.RenderState, QDXObject::kNotDrawn);
        EXPECT_FALSE(r.ActiveMask.IsActive());
        EXPECT_EQ(r.Canvas.GetClipLeft(), 0);
        EXPECT_EQ(r.Canvas.GetClipRight(), 4);
    }
}

// BeginMask itself: the saved region is the clipped rectangle, the origin the
// mask position that goes with the clipped corner.
TEST_F(MaskTest, BeginMaskRecordsTheClippedRectangle) {
    Add("R", Recipe(8, 8, ""));
    QDXObject& r = Object("R");
    ASSERT_TRUE(r.Canvas.RecreateIfReady(8, 8));
    CSprite mask;
    ASSERT_TRUE(mask.RecreateIfReady(10, 10));
    ASSERT_TRUE(BeginMask(r, -2, -3, 8, 8, &mask, 1, 1, nullptr));
    EXPECT_EQ(r.Canvas.GetClipLeft(), 0);
    EXPECT_EQ(r.Canvas.GetClipTop(), 0);
    EXPECT_EQ(r.Canvas.GetClipRight(), 6);
    EXPECT_EQ(r.Canvas.GetClipBottom(), 5);
    EXPECT_EQ(r.MaskX, 3);
    EXPECT_EQ(r.MaskY, 4);
    EXPECT_EQ(r.SavedRegion.GetWidth(), 6);
    EXPECT_EQ(r.SavedRegion.GetHeight(), 5);
    r.EndMask();

    // Nothing left after clipping: open over an empty rectangle, nothing saved.
    ASSERT_TRUE(BeginMask(r, 20, 0, 4, 4, &mask, 0, 0, nullptr));
    EXPECT_TRUE(r.ActiveMask.IsActive());
    EXPECT_FALSE(r.SavedRegion.HasImage());
    r.EndMask();
    EXPECT_EQ(r.Canvas.GetClipRight(), 8);
    // Corners far out: the sums stay in range.
    ASSERT_TRUE(BeginMask(r, INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX, &mask, 0, 0, nullptr));
    r.EndMask();
    ASSERT_TRUE(BeginMask(r, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, &mask, 0, 0, nullptr));
    r.EndMask();
}

// ---- bitmap, link and built-in kinds ----

TEST_F(ObjectRenderTest, BitmapDecodesItsStoredImages) {
    CSprite colour;
    ASSERT_TRUE(colour.RecreateIfReady(3, 2));
    CSprite alpha;
    ASSERT_TRUE(alpha.RecreateIfReady(3, 2));
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x) {
            *colour.PixelAt(x, y) = 0xFF000000u | uint32_t(x * 40) << 16 | uint32_t(y * 90);
            *alpha.PixelAt(x, y) = uint32_t(x * 100 + y * 20) << 24 | 0x00FFFFFFu;
        }
    Add("One", "WebP(\"" + WebPText(colour) + "\")");
    Add("Two", "WebPA(\"" + WebPText(colour) + "\",\"" + WebPText(alpha) + "\")");
    for (const char* name : {"One", "Two"}) {
        SCOPED_TRACE(name);
        QDXObject& b = Object(name);
        ASSERT_TRUE(Render(name)) << text;
        EXPECT_EQ(text, "");
        EXPECT_EQ(b.RenderState, QDXObject::kImageReady);
        EXPECT_EQ(b.Width, 3);
        EXPECT_EQ(b.Height, 2);
        EXPECT_NE(b.Canvas.GetOpacityMask(), nullptr);
        const bool withAlpha = std::string(name) == "Two";
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 3; ++x) {
                const uint32_t a = withAlpha ? *alpha.PixelAt(x, y) & 0xFF000000u : 0xFF000000u;
                EXPECT_EQ(Pixel(name, x, y), a | (*colour.PixelAt(x, y) & 0xFFFFFFu)) << x << "," << y;
            }
    }
    // Used as a source it is ready as it is.
    EXPECT_TRUE(Render("One"));
}

TEST_F(ObjectRenderTest, BitmapThatCannotBeDecodedFailsWithAMessage) {
    CSprite colour;
    ASSERT_TRUE(colour.RecreateIfReady(2, 2));
    const std::string good = WebPText(colour);
    struct Row {
        const char* name;
        std::string text;
    } rows[] = {
        {"outside the alphabet", "WebP(\"ab!cd\")"},
        {"not WebP", "WebP(\"0123456789abcdef\")"},
        {"alpha outside the alphabet", "WebPA(\"" + good + "\",\"ab!cd\")"},
        {"alpha not WebP", "WebPA(\"" + good + "\",\"0123456789\")"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        doc.DeleteObject("B");
        Add("B", row.text);
        EXPECT_FALSE(Render("B"));
        EXPECT_EQ(text, Quoted("B") + kImageUnreadable);
        EXPECT_EQ(Object("B").RenderState, QDXObject::kNotDrawn);
    }
    // An empty stored text: false, nothing said.
    Object("B").ImageText.Free();
    Object("B").AlphaText.Free();
    EXPECT_FALSE(Render("B"));
    EXPECT_EQ(text, "");
}

// A document whose links load without files.
class LinkDocument : public CQDXCtrl {
public:
    bool LoadExternalImage(const char* name, CSprite& canvas, CStr_base<64>* errorText) override {
        calls += std::string("image:") + name + ";";
        if (!succeed) {
            if (errorText != nullptr) errorText->Append("no image\n");
            return false;
        }
        canvas.Release();
        return canvas.RecreateIfReady(5, 3);
    }
    bool RenderExternalObject(const char* reference, CSprite& canvas, CStr_base<64>* errorText) override {
        calls += std::string("object:") + reference + ";";
        if (!succeed) {
            if (errorText != nullptr) errorText->Append("no object\n");
            return false;
        }
        canvas.Release();
        if (!canvas.RecreateIfReady(2, 7)) return false;
        canvas.FillRect(0, 0, 2, 7, 0xFF112233u);
        return true;
    }
    std::string calls;
    bool succeed = true;
};

TEST_F(ObjectRenderTest, LinksAreDelegatedToTheDocument) {
    LinkDocument links;
    ASSERT_TRUE(links.AddObjectFromText("I", "LinkPath(\"pic.png\")"));
    ASSERT_TRUE(links.AddObjectFromText("D", "QDXLinkPath(\"other.qdx?Obj\")"));
    QDXObject& image = links.Objects.Find("I")->GetValue();
    QDXObject& object = links.Objects.Find("D")->GetValue();
    CStr_base<64> error;
    ASSERT_TRUE(image.Render(false, &error));
    ASSERT_TRUE(object.Render(false, &error));
    EXPECT_EQ(links.calls, "image:pic.png;object:other.qdx?Obj;");
    EXPECT_EQ(std::string(error.GetText()), "");
    EXPECT_EQ(image.RenderState, QDXObject::kImageReady);
    EXPECT_EQ(image.Width, 5);
    EXPECT_EQ(image.Height, 3);
    EXPECT_EQ(object.Width, 2);
    EXPECT_EQ(object.Height, 7);
    EXPECT_NE(object.Canvas.GetOpacityMask(), nullptr);
    ASSERT_TRUE(object.Render(false, &error));  // ready: not loaded again
    EXPECT_EQ(links.calls, "image:pic.png;object:other.qdx?Obj;");

    links.succeed = false;
    ASSERT_TRUE(links.AddObjectFromText("J", "LinkPath(\"gone.png\")"));
    QDXObject& gone = links.Objects.Find("J")->GetValue();
    EXPECT_FALSE(gone.Render(false, &error));
    EXPECT_EQ(std::string(error.GetText()), "no image\n");  // its own message only
    EXPECT_EQ(gone.RenderState, QDXObject::kNotDrawn);
}

TEST_F(ObjectRenderTest, BuiltInDrawsThroughItsCallback) {
    ASSERT_TRUE(doc.CreateBuiltInObject("B", CountedBuiltIn, nullptr));
    QDXObject& b = Object("B");
    ASSERT_TRUE(Render("B", true));
    EXPECT_EQ(b.RenderState, QDXObject::kDrawn);
    EXPECT_TRUE(b.DrawnFast);
    EXPECT_EQ(b.Canvas.GetOpacityMask(), nullptr);
    ASSERT_TRUE(Render("B", false));
    EXPECT_EQ(g_builtInCalls, 2);
    EXPECT_NE(b.Canvas.GetOpacityMask(), nullptr);

    g_builtInFails = true;
    b.RenderState = QDXObject::kNotDrawn;
    EXPECT_FALSE(Render("B"));
    EXPECT_EQ(text, "built-in failed\n");
    EXPECT_EQ(b.RenderState, QDXObject::kNotDrawn);
}

TEST_F(ObjectRenderTest, UnknownKindDrawsNothing) {
    Add("R", Recipe(2, 2, ""));
    Object("R").Kind = 9;
    EXPECT_FALSE(Render("R"));
    EXPECT_EQ(text, "");
}

// ---- failures that escape a draw ----

// A built-in that throws, drawn as the source of a factor under a mask: the
// draw ends with the out-of-memory message, every object on the way is left
// not drawn with no mask open, and the next draw finds no cycle.
TEST_F(ObjectRenderTest, ExceptionInsideADrawLeavesEverythingAsBefore) {
    BranchOverride capture(kCopyKind, Capture);
    ASSERT_TRUE(doc.CreateBuiltInObject("Thrower", CountedBuiltIn, nullptr));
    ASSERT_TRUE(doc.CreateBuiltInObject("M", DrawMaskPattern, nullptr));
    Add("Inner", Recipe(4, 4, "Copy(0,0,1,1,\"Thrower\",0,0)"));
    Add("R", Recipe(4, 4, "SetMask(0,0,2,2,\"M\",0,0),GhostObject(\"G\",\"\",\"\",\"\",\"\")"));
    Add("G", Recipe(4, 4, "Copy(0,0,1,1,\"Inner\",0,0)"));
    g_builtInThrows = true;
    EXPECT_FALSE(Render("R"));
    EXPECT_EQ(text, kNoMemoryToDraw);
    for (const char* name : {"R", "Inner", "Thrower"}) EXPECT_EQ(Object(name).RenderState, QDXObject::kNotDrawn) << name;
    QDXObject& r = Object("R");
    EXPECT_FALSE(r.ActiveMask.IsActive());
    EXPECT_EQ(r.Canvas.GetClipRight(), 4);
    EXPECT_EQ(r.Canvas.GetClipBottom(), 4);

    g_builtInThrows = false;
    ASSERT_TRUE(Render("R")) << text;
    EXPECT_EQ(CountOf(text, kCyclic), 0u);
    EXPECT_EQ(Object("Inner").RenderState, QDXObject::kDrawn);
}

TEST_F(ObjectRenderTest, ExceptionInABranchInsideAGhostLowersTheCounters) {
    BranchOverride thrower(kFillKind, Throw);
    Add("G", Recipe(2, 2, "Fill(0,0,1,1,0,255)"));
    Add("H", Recipe(2, 2, "GhostObject(\"G\",\"\",\"\",\"\",\"\")"));
    Add("R", Recipe(2, 2, "GhostObject(\"H\",\"\",\"\",\"\",\"\")"));
    EXPECT_FALSE(Render("R"));
    EXPECT_EQ(text, kNoMemoryToDraw);
    EXPECT_EQ(Object("R").RenderState, QDXObject::kNotDrawn);
    // TearDown checks the depth counters.
}

// A chain of objects each drawing the next: the renderer stops at its depth
// limit with a message instead of running out of stack; a chain well inside
// the limit draws.
TEST_F(ObjectRenderTest, LongChainsOfSourcesStopAtTheDepthLimit) {
    BranchOverride capture(kCopyKind, Capture);
    const auto name = [](int i) { return "O" + std::to_string(i); };
    const auto build = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const std::string factors =
                i + 1 < count ? "Copy(0,0,1,1,\"" + name(i + 1) + "\",0,0)" : std::string("Fill(0,0,1,1,0,255)");
            ASSERT_TRUE(doc.AddObjectFromText(name(i).c_str(), Recipe(1, 1, factors).c_str()));
        }
        Object(name(count - 1).c_str()).Factors.RemoveAll();
    };
    build(300);
    ASSERT_TRUE(Render("O0")) << text.substr(0, 200);
    EXPECT_EQ(Object("O299").RenderState, QDXObject::kDrawn);

    doc.RemoveAllObjects();
    build(3000);
    EXPECT_FALSE(Render("O0"));
    EXPECT_EQ(CountOf(text, kRenderTooDeep), 1u);
    EXPECT_LT(text.find(kRenderTooDeep), text.find(kCannotDraw));  // innermost first
    EXPECT_GT(CountOf(text, kCannotDraw), 100u);
    EXPECT_EQ(Object("O0").RenderState, QDXObject::kNotDrawn);
    EXPECT_EQ(Object("O2999").RenderState, QDXObject::kNotDrawn);
    // The document still draws once the chain is cut.
    Object("O100").Factors.RemoveAll();
    ASSERT_TRUE(Render("O0")) << text.substr(0, 200);
}

}  // namespace
}  // namespace rendertest
