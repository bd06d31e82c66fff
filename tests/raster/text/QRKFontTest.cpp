// Fonts as alpha images, over a synthetic face of exact boxes so that every
// pixel of the string image is known: each character is a 4 x 9 box of its own
// coverage level, one pixel right of the pen and 7 rows above the baseline,
// with a 6-pixel advance (ascent 8, descent 3, line 11).
//
// One test uses the real font service with an installed Japanese face.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/fonts/FontEngine.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"
#include "raster/text/QRKFont.h"
#include "tests/platform/fonts/SyntheticGlyphs.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Pixels;
using testfonts::SyntheticGlyphs;

constexpr uint32_t kTextColour = 0x123456;
constexpr uint32_t kEffectColour = 0xC08040;

// The synthetic face's geometry (SyntheticGlyphs' default style).
constexpr int32_t kAdvance = 6;
constexpr int32_t kBoxLeft = 1;
constexpr int32_t kBoxWidth = 4;
constexpr int32_t kBoxTopRow = 1;  // ascent 8 - box top 7
constexpr int32_t kBoxHeight = 9;
constexpr int32_t kLine = 11;

class QRKFontTest : public raster_test::ReadyLibraryTest {
protected:
    void SetUp() override {
        raster_test::ReadyLibraryTest::SetUp();
        raster_test::ResetRasterScratch();
    }
    void TearDown() override {
        raster_test::ReadyLibraryTest::TearDown();
        raster_test::ResetRasterScratch();
    }

    // A created font over the synthetic face; glyphs counts the glyph calls.
    std::unique_ptr<CQRKFont> MakeFont(int32_t w, int32_t h, SyntheticGlyphs** glyphs = nullptr) {
        auto source = std::make_unique<SyntheticGlyphs>();
        if (glyphs != nullptr) *glyphs = source.get();
        auto font = std::make_unique<CQRKFont>();
        EXPECT_TRUE(font->CreateFromFace(std::make_unique<platform::FontFace>(std::move(source), false, false), w, h,
                                         kTextColour, kEffectColour));
        return font;
    }
};

// The string image as the box model gives it: one line of text from the pen
// at (inset + 5, 5), clipped to the text box and the canvas; coverage as alpha,
// colour 0. Everything else of the canvas is 0.
std::vector<uint32_t> BoxModel(const CSprite& canvas, const std::u32string& text, int32_t w, int32_t h,
                               int32_t inset) {
    const int32_t cw = canvas.GetWidth(), ch = canvas.GetHeight();
    std::vector<uint32_t> out(size_t(cw) * ch, 0);
    const int32_t boxLeft = std::max(inset + 5, 0), boxRight = std::min(w - inset + 5, cw);
    const int32_t boxBottom = std::min(h + 5, ch);
    for (size_t i = 0; i < text.size(); ++i) {
        const int32_t x0 = inset + 5 + kAdvance * int32_t(i) + kBoxLeft;
        for (int32_t y = 5 + kBoxTopRow; y < 5 + kBoxTopRow + kBoxHeight && y < boxBottom; ++y)
            for (int32_t x = std::max(x0, boxLeft); x < x0 + kBoxWidth && x < boxRight; ++x)
                out[size_t(y) * cw + x] = uint32_t(SyntheticGlyphs::Level(text[i])) << 24;
    }
    return out;
}

TEST_F(QRKFontTest, CanvasIsSizedFromTheFaceMetricsPlusMargins) {
    struct Row {
        const char* name;
        int32_t w, h;
        int32_t canvasW, canvasH;
    } rows[] = {
        {"both from metrics", 0, 0, kAdvance + 10, kLine + 10},
        {"width given", 40, 0, 50, kLine + 10},
        {"height given", 0, 30, kAdvance + 10, 40},
        {"both given", 100, 20, 110, 30},
        {"strip wider than 16384", 20000, 100, 20010, 110},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto font = MakeFont(r.w, r.h);
        EXPECT_TRUE(font->Created);
        EXPECT_EQ(font->Canvas.GetWidth(), r.canvasW);
        EXPECT_EQ(font->Canvas.GetHeight(), r.canvasH);
        EXPECT_EQ(font->TextColour, kTextColour);
        EXPECT_EQ(font->SecondColour, kTextColour);
        EXPECT_EQ(font->EffectColour, kEffectColour);
        // Created already: nothing changes, and the new face is dropped.
        EXPECT_TRUE(font->CreateFromFace(
            std::make_unique<platform::FontFace>(std::make_unique<SyntheticGlyphs>(), false, false), 7, 7, 0, 0));
        EXPECT_EQ(font->Canvas.GetWidth(), r.canvasW);
        EXPECT_EQ(font->TextColour, kTextColour);
    }
}

TEST_F(QRKFontTest, CreationRefusesSizesBeyondTheCanvasRuleAndAnUnstartedLibrary) {
    struct Row {
        const char* name;
        int32_t w, h;
    } rows[] = {
        {"square beyond 16384", 16380, 16380},
        {"strip too high", 20000, 300},
        {"negative", -20, 5},
        {"overflowing margins", INT32_MAX - 3, 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CQRKFont font;
        EXPECT_FALSE(font.CreateFromFace(
            std::make_unique<platform::FontFace>(std::make_unique<SyntheticGlyphs>(), false, false), r.w, r.h, 0, 0));
        EXPECT_FALSE(font.Created);
        EXPECT_EQ(font.Face, nullptr);
        EXPECT_FALSE(font.Canvas.HasImage());
    }
    CQRKFont font;
    EXPECT_FALSE(font.CreateFromFace(nullptr, 10, 10, 0, 0));
    raster_test::ResetRasterLibrary();
    EXPECT_FALSE(font.CreateFromFace(
        std::make_unique<platform::FontFace>(std::make_unique<SyntheticGlyphs>(), false, false), 10, 10, 0, 0));
    EXPECT_FALSE(font.Created);
}

TEST_F(QRKFontTest, RenderPlacesTheTextInItsBoxAsAlphaWithMarginsClear) {
    struct Row {
        const char* name;
        std::u32string text;
        int32_t w, h, inset;
    } rows[] = {
        {"one line", U"AB", 30, 11, 0},
        {"clipped on the right inside the last glyph", U"ABCD", 20, 11, 0},
        {"inset narrows both sides", U"ABCD", 20, 11, 2},
        {"clipped at the bottom", U"AB", 30, 7, 0},
        {"empty text", U"", 30, 11, 0},
        {"inset beyond the width", U"AB", 10, 11, 8},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto font = MakeFont(30, 11);
        // Old pixels everywhere, as effects and earlier strings leave them.
        raster_test::Fill(font->Canvas, 0x80FFFFFF);
        font->ImageWidth = 30;
        font->ImageHeight = 11;
        const std::u16string text(r.text.begin(), r.text.end());
        ASSERT_TRUE(font->RenderString(r.w, r.h, text.c_str(), CQRKFont::kNoPrefix, r.inset));
        EXPECT_EQ(font->ImageWidth, r.w);
        EXPECT_EQ(font->ImageHeight, r.h);
        // The canvas is 40 x 21; every image here has its margins inside it
        // or reaches as far as the previous image did.
        EXPECT_EQ(Pixels(font->Canvas), BoxModel(font->Canvas, r.text, r.w, r.h, r.inset));
    }
}

TEST_F(QRKFontTest, ANarrowerOrLowerStringLeavesNoTraceOfTheOldOne) {
    // Rendering "A" 20 wide after a 60-pixel string: nothing of the old string
    // (nor of the effects spread around it) right of x = 25 or below the image.
    struct Row {
        const char* name;
        int32_t w, h;
    } rows[] = {{"narrower", 20, 11}, {"lower", 60, 4}, {"both", 20, 4}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto font = MakeFont(60, 11);
        ASSERT_TRUE(font->RenderString(60, 11, u"ABCDEFGHIJ", CQRKFont::kNoPrefix, 0));
        font->Canvas.GlyphShadowOutline2(0, 0, 67, 18, kEffectColour);
        ASSERT_TRUE(font->RenderString(r.w, r.h, u"A", CQRKFont::kNoPrefix, 0));
        EXPECT_EQ(Pixels(font->Canvas), BoxModel(font->Canvas, U"A", r.w, r.h, 0));
    }
}

TEST_F(QRKFontTest, RenderingNeedsACreatedFontAndReleaseUndoesCreation) {
    CQRKFont font;
    EXPECT_FALSE(font.RenderString(10, 10, u"A", 0, 0));
    EXPECT_EQ(font.MeasureString(u"A"), -1);

    auto made = MakeFont(40, 20);
    EXPECT_EQ(made->MeasureString(u"AB\r\nABC\nA"), 3 * kAdvance);
    ASSERT_TRUE(made->RenderString(20, 11, u"AB", 0, 0));
    made->Release();
    EXPECT_FALSE(made->Created);
    EXPECT_EQ(made->Face, nullptr);
    EXPECT_FALSE(made->Canvas.HasImage());
    EXPECT_EQ(made->ImageWidth, 0);
    EXPECT_EQ(made->ImageHeight, 0);
    EXPECT_FALSE(made->RenderString(10, 10, u"A", 0, 0));
    EXPECT_EQ(made->MeasureString(u"A"), -1);

    // The cached text of a released font draws nothing and answers false.
    auto cached = MakeFont(40, 20);
    CSprite target = raster_test::Filled(30, 11, 0xFF808080);
    ASSERT_TRUE(cached->DrawStringW(u"AB", target, 0, 0, 30, 11, 1, 0, 128));
    cached->Release();
    raster_test::Fill(target, 0xFF808080);
    EXPECT_FALSE(cached->DrawStringW(u"AB", target, 0, 0, 30, 11, 0, 0, 128));
    EXPECT_EQ(Pixels(target), Pixels(raster_test::Filled(30, 11, 0xFF808080)));
}

TEST_F(QRKFontTest, CodePage932TextIsDecodedAndInvalidTextRefused) {
    auto font = MakeFont(40, 11);
    ASSERT_TRUE(font->RenderStringA(30, 11, "AB", 0, 0));
    EXPECT_EQ(Pixels(font->Canvas), BoxModel(font->Canvas, U"AB", 30, 11, 0));
    // "あ" (0x82 0xA0) is one character.
    ASSERT_TRUE(font->RenderStringA(30, 11, "\x82\xa0" "A", 0, 0));
    EXPECT_EQ(Pixels(font->Canvas), BoxModel(font->Canvas, U"\u3042A", 30, 11, 0));
    // A lead byte at the end is no text.
    EXPECT_FALSE(font->RenderStringA(30, 11, "A\x82", 0, 0));
}

TEST_F(QRKFontTest, CharactersOutsideCodePage932AreDrawnNotReplaced) {
    auto font = MakeFont(40, 11);
    CSprite target = raster_test::Filled(40, 11, 0);
    // U+1F600 (a surrogate pair: one glyph) and U+00E9, neither in code page
    // 932; an unpaired surrogate becomes the replacement character.
    ASSERT_TRUE(font->DrawStringW(u"\U0001F600\u00E9\xD800" "A", target, 0, 0, 30, 11, 0, 0, 128));
    const std::vector<uint32_t> model = BoxModel(font->Canvas, U"\U0001F600\u00E9\uFFFDA", 30, 11, 0);
    for (int32_t y = 0; y < 11; ++y)
        for (int32_t x = 0; x < 30; ++x) {
            const uint32_t alpha = model[size_t(y + 5) * font->Canvas.GetWidth() + x + 5];
            ASSERT_EQ(*target.PixelAt(x, y), alpha == 0 ? 0u : alpha | kTextColour) << x << "," << y;
        }
    EXPECT_NE(SyntheticGlyphs::Level(U'\U0001F600'), SyntheticGlyphs::Level(U'?'));
}

TEST_F(QRKFontTest, TheCacheServesTheSameTextDrawnWithoutInset) {
    SyntheticGlyphs* glyphs = nullptr;
    auto font = MakeFont(40, 11, &glyphs);
    CSprite target = raster_test::Filled(40, 11, 0);
    struct Step {
        const char* name;
        const char16_t* text;
        int32_t inset;
        bool renders;
    } steps[] = {
        {"first draw", u"AB", 0, true},
        {"same text again", u"AB", 0, false},
        {"a prefix of the cached text", u"A", 0, true},
        {"a longer text", u"AB", 0, true},
        {"with an inset", u"AB", 2, true},
        {"with the inset again", u"AB", 2, true},
        {"without inset after an inset image", u"AB", 0, true},
        {"and again", u"AB", 0, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        const int before = glyphs->calls;
        ASSERT_TRUE(font->DrawStringW(s.text, target, 0, 0, 30, 11, 0, s.inset, 128));
        EXPECT_EQ(glyphs->calls != before, s.renders);
        const std::u16string t(s.text);
        EXPECT_EQ(Pixels(font->Canvas), [&] {
            std::vector<uint32_t> m = BoxModel(font->Canvas, std::u32string(t.begin(), t.end()), 30, 11, s.inset);
            for (uint32_t& p : m)
                if (p != 0) p |= kTextColour;
            return m;
        }());
    }
    // The renderer clears the flag before each of its draws.
    font->Cached = false;
    const int before = glyphs->calls;
    ASSERT_TRUE(font->DrawStringW(u"AB", target, 0, 0, 30, 11, 0, 0, 128));
    EXPECT_NE(glyphs->calls, before);
}

TEST_F(QRKFontTest, ReductionsAverageBlocksAndClearTwoPixelsBesideTheResult) {
    // The supersampled "AB" (boxes at image columns 1-4 and 7-10, rows 1-9)
    // reduced by k: the reduced w' x h' holds the block averages, the two
    // columns right of it and the two rows below it are clear, and beyond
    // them the supersampled drawing is left as it was.
    struct Row {
        int32_t k, w, h;
    } rows[] = {{2, 8, 4}, {3, 3, 3}, {3, 6, 2}, {4, 4, 3}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.k);
        auto font = MakeFont(40, 30);
        const int32_t sw = r.w * r.k, sh = r.h * r.k;
        ASSERT_TRUE(font->RenderString(sw, sh, u"AB", 0, 0));
        const std::vector<uint32_t> big = Pixels(font->Canvas);
        const int32_t cw = font->Canvas.GetWidth();
        const auto alphaAt = [&](int32_t x, int32_t y) { return big[size_t(y + 5) * cw + x + 5] >> 24; };
        if (r.k == 2) font->Downsample2x(0, 0, sw, sh);
        if (r.k == 3) font->Downsample3x(0, 0, sw, sh);
        if (r.k == 4) font->Downsample4x(0, 0, sw, sh);
        EXPECT_EQ(font->ImageWidth, r.w);
        EXPECT_EQ(font->ImageHeight, r.h);
        for (int32_t y = 0; y < 20; ++y) {
            for (int32_t x = 0; x < 30; ++x) {
                const uint32_t got = *font->Canvas.PixelAt(x + 5, y + 5);
                if (x < r.w && y < r.h) {
                    uint32_t sum = 0;
                    for (int32_t j = 0; j < r.k; ++j)
                        for (int32_t i = 0; i < r.k; ++i) sum += alphaAt(x * r.k + i, y * r.k + j);
                    ASSERT_EQ(got >> 24, sum / uint32_t(r.k * r.k)) << x << "," << y;
                } else if ((x < r.w + 2 && y < r.h + 2) ) {
                    ASSERT_EQ(got, 0u) << x << "," << y;
                } else {
                    ASSERT_EQ(got, big[size_t(y + 5) * cw + x + 5]) << x << "," << y;
                }
            }
        }
    }
}

TEST_F(QRKFontTest, SupersampledDrawsRenderLargerAndReduce) {
    // Level 1 (2x): "A" over 2 x 2 blocks; its box spans image columns 1-4 and
    // rows 1-9 of the large image, so reduced column 0 and row 0 are quarter
    // covered, the corner a quarter, and the inside fully.
    auto font = MakeFont(40, 30);
    font->Flags = 1;
    CSprite target = raster_test::Filled(8, 6, 0xFFFFFFFF);
    ASSERT_TRUE(font->DrawStringW(u"A", target, 0, 0, 8, 6, 0, 0, 128));
    const uint32_t level = SyntheticGlyphs::Level(U'A');
    const uint32_t rowWeight[6] = {1, 2, 2, 2, 2, 0};  // rows 1-9 over blocks of two
    const uint32_t columnWeight[8] = {1, 2, 1, 0, 0, 0, 0, 0};  // columns 1-4
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const uint32_t alpha = level * rowWeight[y] * columnWeight[x] / 4;
            ASSERT_EQ(*target.PixelAt(x, y), alpha == 0 ? 0u : (alpha << 24) | kTextColour) << x << "," << y;
        }
}

TEST_F(QRKFontTest, WideningGrowsEveryGlyphRowByOnePixelToTheRight) {
    auto font = MakeFont(40, 11);
    font->Flags = CQRKFont::kWiden;
    CSprite target = raster_test::Filled(30, 11, 0xFFFFFFFF);
    ASSERT_TRUE(font->DrawStringW(u"A", target, 0, 0, 30, 11, 0, 0, 128));
    const uint32_t pixel = (uint32_t(SyntheticGlyphs::Level(U'A')) << 24) | kTextColour;
    for (int32_t y = 0; y < 11; ++y)
        for (int32_t x = 0; x < 30; ++x) {
            const bool inked = y >= 1 && y < 10 && x >= 1 && x < 6;
            ASSERT_EQ(*target.PixelAt(x, y), inked ? pixel : 0u) << x << "," << y;
        }
}

TEST_F(QRKFontTest, PatternTilesColourOnlyTheInkedPixels) {
    // A 7 x 6 pattern; tiles of 3 x 4 from (2, 1).
    CSprite pattern = raster_test::Painted(7, 6, [](int32_t x, int32_t y) { return 0xFF000000u | (x << 16) | (y << 8) | 0x5A; });
    struct Row {
        const char* name;
        const CSprite* pattern;
        int32_t tileW, tileH;
        bool coloured;
    } rows[] = {
        {"tiles", &pattern, 3, 4, true},
        {"empty tile width", &pattern, 0, 4, false},
        {"empty tile height", &pattern, 3, 0, false},
        {"no pattern", nullptr, 3, 4, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto font = MakeFont(40, 11);
        font->Flags = CQRKFont::kPattern;
        font->Pattern = r.pattern;
        font->PatternX = 2;
        font->PatternY = 1;
        font->PatternWidth = r.tileW;
        font->PatternHeight = r.tileH;
        CSprite target = raster_test::Filled(20, 11, 0xFFFFFFFF);
        ASSERT_TRUE(font->DrawStringW(u"AB", target, 0, 0, 20, 11, 0, 0, 128));
        const std::vector<uint32_t> model = BoxModel(font->Canvas, U"AB", 20, 11, 0);
        for (int32_t y = 0; y < 11; ++y)
            for (int32_t x = 0; x < 20; ++x) {
                const uint32_t alpha = model[size_t(y + 5) * font->Canvas.GetWidth() + x + 5];
                uint32_t expected = alpha;
                if (alpha != 0 && r.coloured) expected |= *pattern.PixelAt(2 + x % 3, 1 + y % 4) & 0xFFFFFF;
                ASSERT_EQ(*target.PixelAt(x, y), expected) << x << "," << y;
            }
    }
}

TEST_F(QRKFontTest, EffectsAreTheGlyphEffectsOverTheirRectanglesInTheEffectColour) {
    using Effect = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, uint32_t);
    struct Row {
        uint32_t code;
        Effect effect;  // null: none
        int32_t x, y, dw, dh;
    } rows[] = {
        {0, nullptr, 0, 0, 0, 0},
        {1, &CSprite::GlyphShadow1, 5, 5, 2, 2},
        {2, &CSprite::GlyphShadow2, 5, 5, 2, 2},
        {3, &CSprite::GlyphOutline1, 3, 3, 4, 4},
        {4, &CSprite::GlyphOutline2, 3, 3, 4, 4},
        {5, &CSprite::GlyphShadowOutline1, 0, 0, 7, 7},
        {6, &CSprite::GlyphShadowOutline2, 0, 0, 7, 7},
        {7, nullptr, 0, 0, 0, 0},
    };
    const int32_t w = 20, h = 11;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.code);
        auto plain = MakeFont(w, h);
        CSprite scratch = raster_test::Filled(w, h, 0);
        ASSERT_TRUE(plain->DrawStringW(u"AB", scratch, 0, 0, w, h, 0, 0, 128));
        const std::vector<uint32_t> withoutEffect = Pixels(plain->Canvas);
        if (r.effect != nullptr) (plain->Canvas.*r.effect)(r.x, r.y, w + r.dw, h + r.dh, kEffectColour);

        auto font = MakeFont(w, h);
        font->Flags = r.code << CQRKFont::kEffectShift;
        ASSERT_TRUE(font->DrawStringW(u"AB", scratch, 0, 0, w, h, 0, 0, 128));
        EXPECT_EQ(Pixels(font->Canvas), Pixels(plain->Canvas));
        EXPECT_EQ(r.effect != nullptr, Pixels(font->Canvas) != withoutEffect);
    }
}

TEST_F(QRKFontTest, DrawTypesUseTheirKernelsAndUnknownTypesStillCache) {
    std::mt19937 rng(4411);
    CSprite background;
    raster_test::MakeRandom(background, 40, 20, rng);
    auto reference = MakeFont(24, 11);
    CSprite scratch = raster_test::Filled(24, 11, 0);
    ASSERT_TRUE(reference->DrawStringW(u"AB", scratch, 0, 0, 24, 11, 0, 0, 128));
    const CSprite& image = reference->Canvas;

    using Draw = void (*)(CSprite&, const CSprite&);
    struct Row {
        int32_t type;
        Draw expected;
    } rows[] = {
        {0,
         [](CSprite& t, const CSprite& s) {
             t.FillRect(3 + 24, 4, 26 - 24, 13, 0);  // beyond the image width
             t.FillRect(3, 4 + 11, 26, 13 - 11, 0);  // below the image height
             t.DrawCopy(3, 4, s, 5, 5, 24, 11);
         }},
        {1, [](CSprite& t, const CSprite& s) { t.DrawAlphaC(3, 4, s, 5, 5, 24, 11); }},
        {2, [](CSprite& t, const CSprite& s) { t.BlitMax(3, 4, s, 5, 5, 24, 11); }},
        {3, [](CSprite& t, const CSprite& s) { t.DrawAlpha(3, 4, s, 5, 5, 24, 11); }},
        {4, [](CSprite& t, const CSprite& s) { t.DrawAlphaCOpacity(3, 4, s, 5, 5, 24, 11, 100); }},
        {5, [](CSprite& t, const CSprite& s) { t.DrawAlphaOpacity(3, 4, s, 5, 5, 24, 11, 100); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.type);
        CSprite expected, got;
        raster_test::CopyPixels(background, expected);
        raster_test::CopyPixels(background, got);
        r.expected(expected, image);
        auto font = MakeFont(24, 11);
        // First drawn afresh, then from the cache: the same pixels both times.
        for (int pass = 0; pass < 2; ++pass) {
            CSprite target;
            raster_test::CopyPixels(background, target);
            ASSERT_TRUE(font->DrawStringW(u"AB", target, 3, 4, 24, 11, r.type, 0, 100));
            if (r.type == 0) {
                // CopyTo itself with a larger rectangle clears right of and below the image.
                font->CopyTo(3, 4, 26, 13, target);
            }
            EXPECT_EQ(Pixels(target), Pixels(expected)) << "pass " << pass;
        }
    }

    SyntheticGlyphs* glyphs = nullptr;
    auto font = MakeFont(24, 11, &glyphs);
    CSprite target;
    raster_test::CopyPixels(background, target);
    for (int32_t type : {6, -1}) {
        EXPECT_FALSE(font->DrawStringW(type == 6 ? u"AB" : u"CD", target, 3, 4, 24, 11, type, 0, 100));
        EXPECT_EQ(Pixels(target), Pixels(background));
    }
    // "CD" was rendered and cached although nothing was drawn.
    EXPECT_TRUE(font->Cached);
    EXPECT_EQ(std::u16string(font->CachedText.GetText()), u"CD");
    const int before = glyphs->calls;
    EXPECT_TRUE(font->DrawStringW(u"CD", target, 3, 4, 24, 11, 0, 0, 100));
    EXPECT_EQ(glyphs->calls, before);
}

TEST_F(QRKFontTest, CodePage932FrontEndsChooseTheirDrawTypes) {
    CSprite background = raster_test::Filled(30, 11, 0xFF808080);
    auto reference = MakeFont(30, 11);
    CSprite scratch = raster_test::Filled(30, 11, 0);
    ASSERT_TRUE(reference->DrawStringW(u"AB", scratch, 0, 0, 30, 11, 0, 0, 128));

    for (bool blend : {false, true}) {
        SCOPED_TRACE(blend);
        CSprite expected, target;
        raster_test::CopyPixels(background, expected);
        raster_test::CopyPixels(background, target);
        if (blend) {
            expected.DrawAlphaC(0, 0, reference->Canvas, 5, 5, 30, 11);
        } else {
            expected.DrawCopy(0, 0, reference->Canvas, 5, 5, 30, 11);
        }
        auto font = MakeFont(30, 11);
        ASSERT_TRUE(font->DrawString("AB", target, 0, 0, 30, 11, blend, 0));
        EXPECT_EQ(Pixels(target), Pixels(expected));
    }
    auto font = MakeFont(30, 11);
    CSprite target = raster_test::Filled(30, 11, 0);
    EXPECT_FALSE(font->DrawStringA("A\x82", target, 0, 0, 30, 11, 0, 0, 128));
}

TEST_F(QRKFontTest, BeforeTheLibraryStartsDrawsAnswerWithoutTouchingPixels) {
    auto font = MakeFont(30, 11);
    CSprite target = raster_test::Filled(30, 11, 0xFF808080);
    raster_test::ResetRasterLibrary();
    EXPECT_TRUE(font->DrawStringW(u"AB", target, 0, 0, 30, 11, 0, 0, 128));
    EXPECT_TRUE(font->DrawStringW(u"AB", target, 0, 0, 30, 11, 3, 0, 128));
    InitRasterLibrary(1);
    EXPECT_EQ(Pixels(target), Pixels(raster_test::Filled(30, 11, 0xFF808080)));
}

TEST(QRKFontRealFace, AJapaneseTextRendersWithTheJapaneseGothic) {
    InitRasterLibrary(1);
    platform::FontEngine engine;
    const char16_t* face = u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";  // ＭＳ ゴシック
    if (!engine.FaceCoversLanguage("\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF", "ja"))
        GTEST_SKIP() << "no Japanese face installed";
    CQRKFont font;
    ASSERT_TRUE(font.CreateFont(engine, 0, 0, 0xFFFFFF, 0, face, 120, 0, false, false, false, 0, 128));
    ASSERT_NE(font.Face, nullptr);
    const platform::FontMetrics& metrics = font.Face->Metrics();
    EXPECT_EQ(font.Canvas.GetWidth(), metrics.maxCharWidth + 10);
    EXPECT_EQ(font.Canvas.GetHeight(), metrics.height + 10);
    // 12 points at 96 dots per inch: a 16-pixel em, so the line is about that.
    EXPECT_GE(metrics.height, 14);
    EXPECT_LE(metrics.height, 24);
    font.Release();

    ASSERT_TRUE(font.CreateFont(engine, 200, 40, 0xFFFFFF, 0, face, 120, 0, false, false, false, 0, 128));
    CSprite target = raster_test::Filled(200, 40, 0);
    ASSERT_TRUE(font.DrawStringW(u"\u65E5\u672C\u8A9E\u306E\u6587\u5B57", target, 0, 0, 200, 40, 3, 0, 255));
    uint64_t mass = 0;
    for (uint32_t p : Pixels(target)) mass += p >> 24;
    EXPECT_GT(mass, 255u * 20) << "six characters leave ink";
    EXPECT_GT(font.MeasureString(u"\u65E5\u672C\u8A9E"), 3 * 12);
}

}  // namespace
