// The text factors: the font description's grammar, the document's font map
// (one font per font description, removed only when its creation fails), the
// growth of the font's string canvas and of the document's scratch canvas, the
// messages, and the drawing itself with a synthetic face of exact boxes.
//
// The synthetic face is put into the document's font map as the first draw
// would have made it (a created font, its canvas (level + 11) pixels square),
// so the factors find it and never ask the font service.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/RenderTable.h"
#include "document/renderer/TextRender.h"
#include "raster/surface/sprite/DrawMode.h"
#include "tests/document/renderer/RenderTestSupport.h"
#include "platform/image/ImageCodec.h"
#include "tests/platform/fonts/SyntheticGlyphs.h"
#include "tests/support/TempFolder.h"

namespace {

using rendertest::RenderTest;

// "フォント指定"
const std::string kTextDescriptionHead = "\x83t\x83H\x83\x93\x83g\x8Ew\x92\xE8";
// "フォント"
const std::string kTextFontHead = "\x83t\x83H\x83\x93\x83g";
// "を解釈できません。\n"
const std::string kTextDescriptionUnreadable = "\x82\xF0\x89\xF0\x8E\xDF\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "を利用できません。\n"
const std::string kTextUnavailable = "\x82\xF0\x97\x98\x97p\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";

std::string TextT1(const std::string& description) { return kTextDescriptionHead + rendertest::Quoted(description) + kTextDescriptionUnreadable; }
std::string TextT2(const std::string& description) { return kTextFontHead + rendertest::Quoted(description) + kTextUnavailable; }
std::string TextT3(const std::string& description) { return kTextFontHead + rendertest::Quoted(description) + rendertest::kDrawFailed; }

// ---- the grammar ----

struct DescriptionCase {
    const char* description;
    bool ok;
    int32_t size, level, weight;
    bool italic, underline, strikeOut;
    const char* face;
};

TEST(TextFontDescriptionTest, GrammarTable) {
    const std::string face30(30, 'f');
    const std::string face31(31, 'f');
    const std::string description30 = "90;;" + face30;
    const std::string description31 = "90;;" + face31;
    const DescriptionCase cases[] = {
        {"90;b;Face", true, 90, 0, 700, false, false, false, "Face"},
        {"120;;", true, 120, 0, 400, false, false, false, ""},  // empty face passes the parse
        {description30.c_str(), true, 90, 0, 400, false, false, false, face30.c_str()},
        {description31.c_str(), false, 0, 0, 0, false, false, false, ""},
        {"90;b;Face;", false, 0, 0, 0, false, false, false, ""},  // four fields
        {"90;b", false, 0, 0, 0, false, false, false, ""},
        {"90", false, 0, 0, 0, false, false, false, ""},
        {"", false, 0, 0, 0, false, false, false, ""},
        {"90;qQ;F", true, 90, 1, 400, false, false, false, "F"},
        {"90;Q;F", true, 90, 3, 400, false, false, false, "F"},
        {"90;Qq;F", true, 90, 1, 400, false, false, false, "F"},
        {"90;B;F", true, 90, 0, 400, false, false, false, "F"},  // upper case is not bold
        {"90;xsuiby;F", true, 90, 0, 700, true, true, true, "F"},
        {"90;SUI;F", true, 90, 0, 400, false, false, false, "F"},
        {"abc;;F", true, 0, 0, 400, false, false, false, "F"},
        {"  -12x;;F", true, -12, 0, 400, false, false, false, "F"},
        {"+7;;F", true, 7, 0, 400, false, false, false, "F"},
        {"99999999999;;F", true, INT32_MAX, 0, 400, false, false, false, "F"},
        {"-99999999999;;F", true, INT32_MIN, 0, 400, false, false, false, "F"},
        // A ";" trail byte inside a two-byte character does not separate.
        {"90;\x81;b;F\x81;x", true, 90, 0, 700, false, false, false, "F\x81;x"},
        // Style letters as trail bytes of two-byte characters are no letters.
        {"90;\x81q\x81Q\x81\x62;F", true, 90, 0, 400, false, false, false, "F"},
    };
    for (const DescriptionCase& c : cases) {
        SCOPED_TRACE(c.description);
        TextFontDescription description;
        ASSERT_EQ(ParseTextFontDescription(c.description, description), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(description.Size, c.size);
        EXPECT_EQ(description.Level, c.level);
        EXPECT_EQ(description.Weight, c.weight);
        EXPECT_EQ(description.Italic, c.italic);
        EXPECT_EQ(description.Underline, c.underline);
        EXPECT_EQ(description.StrikeOut, c.strikeOut);
        EXPECT_STREQ(description.Face.GetText(), c.face);
    }
}

// ---- drawing through the document ----

constexpr uint32_t kTextRed = 0xFFFF0000u;
constexpr uint32_t kTextBlue = 0xFF0000FFu;
constexpr uint32_t kTextBackground = 0xFF204060u;

class TextRenderTest : public RenderTest {
protected:
    // A created font of the font description with the synthetic face, as the
    // first draw would have put it into the map.
    CQRKFont& SyntheticFont(const char* description, int32_t level) {
        CQRKFont* font = nullptr;
        EXPECT_TRUE(doc.Fonts.Insert(description, &font));
        font->Face = std::make_unique<platform::FontFace>(std::make_unique<testfonts::SyntheticGlyphs>(), false, false);
        EXPECT_TRUE(font->Canvas.CreateWithinLimits(level + 11, level + 11, false));
        font->Created = true;
        font->Flags = uint32_t(level);
        font->TextFormat = CQRKFont::kNoPrefix;
        return *font;
    }
    CQRKFont* FindFont(const char* description) {
        auto* element = doc.Fonts.Find(description);
        return element != nullptr ? &element->GetValue() : nullptr;
    }
    static std::string Hex(uint32_t v) {
        char text[16];
        std::snprintf(text, sizeof text, "%x", v);
        return text;
    }
    // A factor's text: keyword(x,y,w,h,"description",colour,effect,"text"[,opacity])
    static std::string TextFactor(const char* keyword, int x, int y, int w, int h, const std::string& description,
                                  uint32_t colour, uint32_t effect, const std::string& text, int opacity = -1) {
        std::string f = std::string(keyword) + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) +
                        "," + std::to_string(h) + ",\"" + description + "\"," + Hex(colour) + "," + Hex(effect) + ",\"" +
                        text + "\"";
        if (opacity >= 0) f += "," + std::to_string(opacity);
        return f + ")";
    }
    // Renders one object of the given factors over the opaque background.
    bool Draw(const std::string& factors, int w = 40, int h = 24, const char* background = "ff204060") {
        doc.DeleteObject("O");
        Add("O", rendertest::Recipe(w, h, factors, background));
        return Render("O");
    }
    std::vector<uint32_t> Pixels(const char* name) {
        const CSprite& canvas = Object(name).Canvas;
        std::vector<uint32_t> out;
        for (int32_t y = 0; y < canvas.GetHeight(); ++y)
            for (int32_t x = 0; x < canvas.GetWidth(); ++x) out.push_back(*canvas.PixelAt(x, y));
        return out;
    }
};

TEST_F(TextRenderTest, UnreadableDescriptionLeavesTheMapAlone) {
    const std::string face31(31, 'f');
    for (const std::string& description : std::vector<std::string>{"90;b;F;", "90;b", "90;;" + face31}) {
        SCOPED_TRACE(description);
        EXPECT_FALSE(Draw(TextFactor("Text(", 0, 0, 10, 10, description, kTextRed, 0, "A")));
        EXPECT_EQ(text, TextT1(description));
        EXPECT_EQ(doc.Fonts.GetCount(), 0u);
    }
}

// A font that cannot be made (here: the raster library not started) leaves
// the map; so does the font a removed element still held, which must not pass
// for a created one when the element is handed out again.
TEST_F(TextRenderTest, FontThatCannotBeMadeLeavesTheMap) {
    Add("O", rendertest::Recipe(40, 24, TextFactor("Text(", 0, 0, 10, 10, "90;;New", kTextRed, 0, "A"), "ff204060"));
    QDXObject& object = Object("O");
    CQRKFont& old = SyntheticFont("90;;Old", 0);
    ASSERT_TRUE(doc.Fonts.Remove("90;;Old"));
    ASSERT_TRUE(old.Created);

    raster_test::ResetRasterLibrary();
    CSprite canvas;
    ASSERT_TRUE(canvas.Create(40, 24, false));
    CStr_base<64> error;
    FactorCall call;
    call.Context = &DefaultDocumentRenderer().Context();
    call.Canvas = &canvas;
    call.Document = &doc;
    call.Object = &object;
    call.ErrorText = &error;
    const bool drawn = RenderFactor(*object.Factors.GetAt(0), call);
    ASSERT_TRUE(InitRasterLibrary(1));
    EXPECT_FALSE(drawn);
    EXPECT_EQ(std::string(error.GetText()), TextT2("90;;New"));
    EXPECT_EQ(doc.Fonts.GetCount(), 0u);

    // A call without a document has no font map to draw with.
    error.Free();
    call.Document = nullptr;
    EXPECT_FALSE(RenderFactor(*object.Factors.GetAt(0), call));
    EXPECT_EQ(std::string(error.GetText()), TextT3("90;;New"));
}

TEST_F(TextRenderTest, GrowthOfTheStringCanvasInStepsOf16TimesTheLevel) {
    struct Case {
        int32_t level;
        int32_t w, h;
        int32_t canvasW, canvasH;  // after the draw
    };
    // Level 0 starts 11 x 11 (room 1 x 1), level 1 12 x 12 (room 1 x 1),
    // level 3 14 x 14 (room 1 x 1).
    const Case cases[] = {
        {0, 20, 5, 32 + 10, 16 + 10},
        {0, 1, 1, 11, 11},  // room enough: untouched
        {0, 16, 17, 16 + 10, 32 + 10},
        {1, 20, 5, 32 * 2 + 10, 16 * 2 + 10},
        {3, 20, 5, 32 * 4 + 10, 16 * 4 + 10},
        {3, 1, 40, 14, 48 * 4 + 10},  // only the short side grows; the other keeps its room (1)
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        const std::string description = "90;;F" + std::to_string(n++);
        CQRKFont& font = SyntheticFont(description.c_str(), c.level);
        EXPECT_TRUE(Draw(TextFactor("Text(", 0, 0, c.w, c.h, description, kTextRed, 0, "A"))) << text;
        EXPECT_EQ(font.Canvas.GetWidth(), c.canvasW);
        EXPECT_EQ(font.Canvas.GetHeight(), c.canvasH);
    }
    // A grown canvas is kept: a draw that fits leaves it as it is.
    const std::string description = "90;q;G";
    CQRKFont& font = SyntheticFont(description.c_str(), 1);
    Draw(TextFactor("Text(", 0, 0, 20, 20, description, kTextRed, 0, "A"));
    ASSERT_EQ(font.Canvas.GetWidth(), 74);
    const uint32_t* pixels = font.Canvas.PixelAt(0, 0);
    Draw(TextFactor("Text(", 0, 0, 32, 32, description, kTextRed, 0, "A"));
    EXPECT_EQ(font.Canvas.GetWidth(), 74);
    EXPECT_EQ(font.Canvas.PixelAt(0, 0), pixels);
}

TEST_F(TextRenderTest, ScratchCanvasGrowsInStepsOf16AndNeverShrinks) {
    SyntheticFont("90;;F", 0);
    const struct {
        int32_t w, h, scratchW, scratchH;
    } steps[] = {{17, 5, 32, 16}, {3, 3, 32, 16}, {32, 16, 32, 16}, {33, 2, 48, 16}, {1, 17, 48, 32}};
    for (const auto& s : steps) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        Draw(TextFactor("Text(", 0, 0, s.w, s.h, "90;;F", kTextRed, 0, "A"), 64, 64);
        EXPECT_EQ(doc.Scratch.GetWidth(), s.scratchW);
        EXPECT_EQ(doc.Scratch.GetHeight(), s.scratchH);
    }
}

TEST_F(TextRenderTest, CanvasGrowthFailsForAFontNeverCreatedOrACanvasRefused) {
    // Never created: the font stays, nothing is made, the next draw tries again.
    CQRKFont& font = SyntheticFont("90;;F", 0);
    font.Created = false;
    EXPECT_FALSE(Draw(TextFactor("Text(", 0, 0, 20, 5, "90;;F", kTextRed, 0, "A")));
    EXPECT_EQ(text, TextT3("90;;F"));
    EXPECT_EQ(FindFont("90;;F"), &font);
    EXPECT_EQ(font.Canvas.GetWidth(), 11);
    // No growth needed, but a font never created cannot render the string: a
    // message rather than the scratch's earlier picture laid over the canvas.
    EXPECT_FALSE(Draw(TextFactor("Text(", 0, 0, 1, 1, "90;;F", kTextRed, 0, "A")));
    EXPECT_EQ(text, TextT3("90;;F"));

    // Too large a canvas: released, the font stays.
    CQRKFont& big = SyntheticFont("90;Q;F", 3);
    big.ImageWidth = big.ImageHeight = 7;
    EXPECT_FALSE(Draw(TextFactor("Text(", 0, 0, 2000000000, 5, "90;Q;F", kTextRed, 0, "A")));
    EXPECT_EQ(text, TextT3("90;Q;F"));
    EXPECT_EQ(FindFont("90;Q;F"), &big);
    EXPECT_EQ(big.Canvas.GetWidth(), 0);
    EXPECT_EQ(big.ImageWidth, 0);  // the old extent means nothing without its canvas
    // ... and a later draw that fits makes it again.
    EXPECT_TRUE(Draw(TextFactor("Text(", 0, 0, 8, 8, "90;Q;F", kTextRed, 0, "A")));
    EXPECT_EQ(big.Canvas.GetWidth(), 16 * 4 + 10);
}

TEST_F(TextRenderTest, ScratchRefusedIsOutOfMemory) {
    // A string canvas made earlier with room for a box the canvas rule refuses
    // for the scratch (16384 wide and more than 256 high).
    CQRKFont& font = SyntheticFont("90;;F", 0);
    font.Canvas.Release();
    ASSERT_TRUE(font.Canvas.Create(16384 + 10, 257 + 10, false));
    ASSERT_TRUE(doc.Scratch.CreateWithinLimits(16, 16, false));
    EXPECT_FALSE(Draw(TextFactor("Text(", 0, 0, 16384, 257, "90;;F", kTextRed, 0, "A")));
    EXPECT_EQ(text, rendertest::kNoMemoryToDraw);
    EXPECT_EQ(doc.Scratch.GetWidth(), 0);  // released
    EXPECT_EQ(FindFont("90;;F"), &font);
}

TEST_F(TextRenderTest, AKindWithoutDrawingFailsAfterTheFontIsPrepared) {
    SyntheticFont("90;;F", 0);
    rendertest::BranchOverride route(1015, FindRenderBranch(1001));
    Add("O", rendertest::Recipe(40, 24, TextFactor("Text(", 2, 3, 20, 18, "90;;F", kTextRed, kTextBlue, "A"),
                                "ff204060"));
    Object("O").Factors.GetAt(0)->Kind = 1015;
    EXPECT_FALSE(Render("O"));
    EXPECT_EQ(text.rfind("\"O?0\"" + rendertest::kUnknownKind, 0), 0u) << text;
    CQRKFont* font = FindFont("90;;F");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->TextColour, kTextRed);
    EXPECT_EQ(font->EffectColour, kTextBlue);
    EXPECT_EQ(font->Canvas.GetWidth(), 32 + 10);
    EXPECT_EQ(doc.Scratch.GetWidth(), 32);
}

TEST_F(TextRenderTest, EmptyBoxDrawsNothingAndSucceeds) {
    SyntheticFont("90;;F", 0);
    for (const auto& [w, h] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{-5, 10}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        EXPECT_TRUE(Draw(TextFactor("Text(", 0, 0, w, h, "90;;F", kTextRed, 0, "AB")));
        EXPECT_EQ(text, "");
        for (uint32_t p : Pixels("O")) ASSERT_EQ(p, kTextBackground);
    }
}

TEST_F(TextRenderTest, EffectBitsReplacedBeforeEachDraw) {
    CQRKFont& font = SyntheticFont("90;q;F", 1);
    font.Flags |= CQRKFont::kPattern | CQRKFont::kWiden;
    const struct {
        const char* keyword;
        uint32_t effect;
        bool blend;
    } rows[] = {{"Text(", 0, false},           {"TextShadow1(", 1, false},     {"TextShadow2(", 2, false},
                {"TextBorder1(", 3, false},    {"TextBorder2(", 4, false},     {"TextShadowBorder1(", 5, false},
                {"TextShadowBorder2(", 6, false}, {"TextBlend(", 0, true},     {"TextShadow1Blend(", 1, true},
                {"TextShadow2Blend(", 2, true}, {"TextBorder1Blend(", 3, true}, {"TextBorder2Blend(", 4, true},
                {"TextShadowBorder1Blend(", 5, true}, {"TextShadowBorder2Blend(", 6, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.keyword);
        EXPECT_TRUE(Draw(TextFactor(row.keyword, 0, 0, 10, 10, "90;q;F", kTextRed, kTextBlue, "A", row.blend ? 128 : -1)))
            << text;
        EXPECT_EQ(font.Flags, 1u | (row.effect << CQRKFont::kEffectShift));
    }
}

// The drawn pixels: the factor's result is the font's string image composited
// by the kind's rule, and nothing of an earlier draw remains.
TEST_F(TextRenderTest, DrawsTheStringImageByTheKindsRule) {
    SyntheticFont("90;;F", 0);
    ASSERT_TRUE(Draw(TextFactor("Text(", 3, 2, 30, 14, "90;;F", kTextRed, 0, "AB"))) << text;
    const std::vector<uint32_t> text1 = Pixels("O");

    // The same string image made by the font directly, laid over a copy of the
    // background with the full-opacity rule.
    CQRKFont reference;
    reference.Face = std::make_unique<platform::FontFace>(std::make_unique<testfonts::SyntheticGlyphs>(), false, false);
    ASSERT_TRUE(reference.Canvas.CreateWithinLimits(30 + 10 + 16, 14 + 10 + 16, false));
    reference.Created = true;
    reference.TextColour = reference.SecondColour = kTextRed;
    CSprite image, expected;
    ASSERT_TRUE(image.CreateWithinLimits(32, 16, false));
    ASSERT_TRUE(reference.DrawString("AB", image, 0, 0, 30, 14, false, 0));
    ASSERT_TRUE(expected.CreateWithinLimits(40, 24, false));
    expected.FillRect(0, 0, 40, 24, kTextBackground);
    DrawSpriteMixAlpha(expected, 3, 2, image, 0, 0, 30, 14);
    for (int32_t y = 0; y < 24; ++y)
        for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(text1[size_t(y * 40 + x)], *expected.PixelAt(x, y)) << x << "," << y;

    // Something was drawn, in the text colour, inside the box only. The first
    // glyph's box is 1 right of the pen, rows 0..8 of the line (ascent 8, top 7).
    const uint32_t inside = text1[size_t((2 + 4) * 40 + 3 + 2)];
    EXPECT_GT((inside >> 16) & 0xFF, (kTextBackground >> 16) & 0xFF);  // towards red
    EXPECT_LT(inside & 0xFF, kTextBackground & 0xFF);
    EXPECT_EQ(text1[size_t(1 * 40 + 3 + 2)], kTextBackground);

    // Blend at 255 equals Text; at 0 leaves the canvas as it was.
    ASSERT_TRUE(Draw(TextFactor("TextBlend(", 3, 2, 30, 14, "90;;F", kTextRed, 0, "AB", 255))) << text;
    EXPECT_EQ(Pixels("O"), text1);
    ASSERT_TRUE(Draw(TextFactor("TextBlend(", 3, 2, 30, 14, "90;;F", kTextRed, 0, "AB", 0))) << text;
    for (uint32_t p : Pixels("O")) ASSERT_EQ(p, kTextBackground);
}

TEST_F(TextRenderTest, TwoFactorsShareOneFontWithTheirOwnColours) {
    SyntheticFont("90;;F", 0);
    // Red "A" at the left, blue "A" at the right, the same font.
    ASSERT_TRUE(Draw(TextFactor("Text(", 0, 0, 12, 12, "90;;F", kTextRed, 0, "A") + "," +
                     TextFactor("Text(", 20, 0, 12, 12, "90;;F", kTextBlue, 0, "A"),
                     40, 24, "ff000000"))
        << text;
    EXPECT_EQ(doc.Fonts.GetCount(), 1u);
    const CSprite& canvas = Object("O").Canvas;
    const uint32_t left = *canvas.PixelAt(2, 4);
    const uint32_t right = *canvas.PixelAt(22, 4);
    // Over black, the same coverage in red and in blue.
    EXPECT_GT((left >> 16) & 0xFF, 0u);
    EXPECT_EQ(left & 0x0000FFFFu, 0u);
    EXPECT_EQ(right & 0x00FFFF00u, 0u);
    EXPECT_EQ((left >> 16) & 0xFF, right & 0xFF);
}

// ---- a real Japanese face (skipped where none is installed) ----
// Glyph pixels of a real face are never compared exactly: only where the ink
// lies and how much of it there is.

// "ＭＳ ゴシック", one of the Windows names the documents use.
const std::string kTextMsGothic = "\x82l\x82r \x83S\x83V\x83\x62\x83N";
// "日本語の文字、ABC"
const std::string kTextSample = "\x93\xFA\x96{\x8C\xEA\x82\xCC\x95\xB6\x8E\x9A\x81\x41\x41\x42\x43";

bool TextHasJapaneseFace() {
    platform::FontEngine engine;
    return engine.FaceCoversLanguage("IPAGothic", "ja");
}

// Ink over a black background: the bounding box and the summed red channel.
struct TextInk {
    int32_t left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;  // right, bottom inclusive
    int64_t mass = 0;
    template <class PixelAt>
    TextInk(int32_t w, int32_t h, PixelAt pixel) {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t red = (pixel(x, y) >> 16) & 0xFF;
                if (red == 0) continue;
                mass += red;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    }
};

TEST_F(TextRenderTest, JapaneseTextWithARealFace) {
    if (!TextHasJapaneseFace()) GTEST_SKIP() << "no Japanese face installed";
    // 120 tenths of a point: a 16-pixel em. Seven full-width characters and
    // three half-width ones: about 136 pixels.
    const auto drawInk = [&](const std::string& styles) {
        const std::string description = "120;" + styles + ";" + kTextMsGothic;
        EXPECT_TRUE(Draw(TextFactor("Text(", 4, 4, 150, 24, description, kTextRed, 0, kTextSample), 160, 32, "ff000000"))
            << text;
        const CSprite& canvas = Object("O").Canvas;
        return TextInk(160, 32, [&](int32_t x, int32_t y) { return *canvas.PixelAt(x, y); });
    };
    const TextInk plain = drawInk("");
    CQRKFont* font = FindFont(("120;;" + kTextMsGothic).c_str());
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(font->Created);
    EXPECT_EQ(font->TextFormat, CQRKFont::kNoPrefix);
    EXPECT_EQ(font->Flags & CQRKFont::kLevelMask, 0u);
    // Inside the box, starting near its top-left corner, about the size asked for.
    EXPECT_GE(plain.left, 4);
    EXPECT_LE(plain.left, 8);
    EXPECT_GE(plain.top, 4);
    EXPECT_LE(plain.bottom, 4 + 24 - 1);
    EXPECT_GE(plain.bottom - plain.top + 1, 12);
    EXPECT_NEAR(plain.right - plain.left + 1, 136, 10);

    // Drawn at 4x and reduced: the same place and size, about the same ink.
    const TextInk fine = drawInk("Q");
    EXPECT_NEAR(fine.left, plain.left, 2);
    EXPECT_NEAR(fine.right, plain.right, 3);
    EXPECT_NEAR(fine.top, plain.top, 2);
    EXPECT_NEAR(double(fine.mass), double(plain.mass), 0.2 * double(plain.mass));
    EXPECT_EQ(FindFont(("120;Q;" + kTextMsGothic).c_str())->Flags & CQRKFont::kLevelMask, 3u);

    // Bold carries more ink; a second font of its own in the map.
    const TextInk bold = drawInk("b");
    EXPECT_GT(bold.mass, plain.mass + plain.mass / 10);
    EXPECT_EQ(doc.Fonts.GetCount(), 3u);
}

// The render tool draws a document's Japanese text into a PNG.
class TextRenderToolTest : public testsupport::TempFolderTest {};

TEST_F(TextRenderToolTest, JapaneseTextThroughTheRenderTool) {
    if (!TextHasJapaneseFace()) GTEST_SKIP() << "no Japanese face installed";
    const std::string factor = "Text(4,4,150,24,\"120;;" + kTextMsGothic + "\",ff000000,0,\"" + kTextSample + "\")";
    testsupport::WriteText(Path("doc.qdx"), "QDXTextFormat1.2\n[Palette]\nPalette1()\nPalette2()\nPalette4()\n"
                                            "[QDXObject]\nJa=" +
                                                rendertest::Recipe(160, 32, factor, "ffffffff") + "\n[MetaData]\n");
    const std::string png = Path("ja.png");
    const std::string command = std::string(OC_QDXRENDER) + " " + Path("doc.qdx") + " Ja " + png + " 2>" + Path("err.txt");
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << testsupport::ReadText(Path("err.txt"));
    if (const char* keep = std::getenv("OC_TEXT_PNG")) std::system(("cp " + png + " " + keep).c_str());

    platform::DecodedPixels decoded;
    ASSERT_TRUE(platform::DecodeImageFile(png.c_str(), decoded));
    ASSERT_EQ(decoded.width, 160);
    ASSERT_EQ(decoded.height, 32);
    // Black text on white: ink is what is darker than white.
    const TextInk ink(160, 32, [&](int32_t x, int32_t y) { return ~decoded.Row(y)[x] & 0x00FFFFFFu; });
    EXPECT_GE(ink.left, 4);
    EXPECT_GE(ink.top, 4);
    EXPECT_LE(ink.bottom, 27);
    EXPECT_NEAR(ink.right - ink.left + 1, 136, 10);
    EXPECT_GT(ink.mass, 255 * 100);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 160; ++x) ASSERT_EQ(decoded.Row(y)[x] >> 24, 0xFFu) << x << "," << y;  // opaque
}

}  // namespace
