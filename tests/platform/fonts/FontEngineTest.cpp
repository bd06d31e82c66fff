// The font engine with real faces: IPA Gothic (fonts-ipafont-gothic) must be
// installed, or these tests skip with a message. Glyph pixels are never
// compared exactly: a rendering is checked against one made here with the same
// face file through FreeType directly, by its ink bounding box (each edge
// within 1 pixel) and its total coverage (within 2 %).
#include "platform/Cp932.h"
#include "platform/fonts/FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// What fontconfig (the system's configuration, not the engine's) knows.
class SystemFonts {
public:
    SystemFonts() : m_config(FcInitLoadConfigAndFonts()) {}
    ~SystemFonts() { FcConfigDestroy(m_config); }
    // The file of the family, or "" when no installed face has that family.
    std::string FileOf(const char* family) const {
        FcPattern* p = FcNameParse(reinterpret_cast<const FcChar8*>(family));
        FcObjectSet* os = FcObjectSetBuild(FC_FILE, nullptr);
        FcFontSet* set = FcFontList(m_config, p, os);
        std::string file;
        FcChar8* f = nullptr;
        if (set && set->nfont > 0 && FcPatternGetString(set->fonts[0], FC_FILE, 0, &f) == FcResultMatch) {
            file = reinterpret_cast<const char*>(f);
        }
        if (set) FcFontSetDestroy(set);
        FcObjectSetDestroy(os);
        FcPatternDestroy(p);
        return file;
    }
    bool AnyFaceHas(char32_t c) const {
        FcPattern* p = FcPatternCreate();
        FcCharSet* cs = FcCharSetCreate();
        FcCharSetAddChar(cs, c);
        FcPatternAddCharSet(p, FC_CHARSET, cs);
        FcObjectSet* os = FcObjectSetBuild(FC_FILE, nullptr);
        FcFontSet* set = FcFontList(m_config, p, os);
        const bool has = set && set->nfont > 0;
        if (set) FcFontSetDestroy(set);
        FcObjectSetDestroy(os);
        FcCharSetDestroy(cs);
        FcPatternDestroy(p);
        return has;
    }

private:
    FcConfig* m_config;
};

struct Plane {
    int32_t width, height;
    std::vector<uint8_t> pixels;
    Plane(int32_t w, int32_t h) : width(w), height(h), pixels(size_t(w) * size_t(h), 0) {}
    platform::CoveragePlane View() { return {pixels.data(), width, width, height}; }
};

struct Ink {
    int32_t left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;  // inclusive
    int64_t mass = 0;
    bool Empty() const { return mass == 0; }
};

Ink InkOf(const Plane& p) {
    Ink ink;
    for (int32_t y = 0; y < p.height; ++y) {
        for (int32_t x = 0; x < p.width; ++x) {
            const uint8_t v = p.pixels[size_t(y) * size_t(p.width) + size_t(x)];
            if (!v) continue;
            ink.mass += v;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

void ExpectNear(const Ink& ours, const Ink& ref, const std::string& what) {
    ASSERT_FALSE(ref.Empty()) << what;
    EXPECT_NEAR(ours.left, ref.left, 1) << what;
    EXPECT_NEAR(ours.top, ref.top, 1) << what;
    EXPECT_NEAR(ours.right, ref.right, 1) << what;
    EXPECT_NEAR(ours.bottom, ref.bottom, 1) << what;
    EXPECT_NEAR(double(ours.mass), double(ref.mass), double(ref.mass) * 0.02) << what;
}

// The reference: one line through FreeType directly, at em pixels, the pen
// moving by whole pixels, the baseline at winAscent scaled to the em, glyph
// coverage combined by the larger value.
Plane ReferenceLine(const std::string& file, FT_UInt em, const std::u32string& text, int32_t x0, int32_t y0,
                    int32_t w, int32_t h) {
    Plane p(w, h);
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return p;
    if (FT_New_Face(lib, file.c_str(), 0, &face) == 0 && FT_Set_Pixel_Sizes(face, 0, em) == 0) {
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const int32_t baseline = y0 + int32_t((int64_t(os2->usWinAscent) * em + face->units_per_EM / 2) / face->units_per_EM);
        int32_t pen = x0;
        for (char32_t c : text) {
            if (FT_Load_Char(face, c, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP) != 0) continue;
            if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) continue;
            const FT_Bitmap& bm = face->glyph->bitmap;
            for (int32_t y = 0; y < int32_t(bm.rows); ++y) {
                for (int32_t x = 0; x < int32_t(bm.width); ++x) {
                    const int32_t px = pen + face->glyph->bitmap_left + x, py = baseline - face->glyph->bitmap_top + y;
                    if (px < 0 || py < 0 || px >= w || py >= h) continue;
                    uint8_t& d = p.pixels[size_t(py) * size_t(w) + size_t(px)];
                    d = std::max(d, bm.buffer[y * bm.pitch + x]);
                }
            }
            pen += int32_t((face->glyph->advance.x + 32) >> 6);
        }
    }
    if (face) FT_Done_Face(face);
    FT_Done_FreeType(lib);
    return p;
}

class FontEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ipaGothic = system.FileOf("IPAGothic");
        if (ipaGothic.empty()) GTEST_SKIP() << "IPA Gothic is not installed (fonts-ipafont-gothic): no real-face tests";
    }
    Plane Draw(const platform::FontRequest& request, const std::u32string& text, int32_t w, int32_t h) {
        Plane p(w, h);
        auto face = engine.Open(request);
        EXPECT_NE(face, nullptr) << request.face;
        if (!face) return p;
        platform::CoveragePlane view = p.View();
        face->DrawText(text.data(), text.size(), view, 4, 4, w, h);
        return p;
    }
    SystemFonts system;
    std::string ipaGothic;
    platform::FontEngine engine;
};

const std::u32string kSample = U"日本語の文章、カタカナとひらがな。Kanji 漢字 123";

TEST_F(FontEngineTest, JapaneseLineMatchesFreeTypeDirectlyAtSeveralSizes) {
    for (int32_t em : {9, 12, 16, 24, 40}) {
        const int32_t w = em * 40, h = em * 2 + 8;
        const Plane ours = Draw({"IPAGothic", -em}, kSample, w, h);
        const Plane ref = ReferenceLine(ipaGothic, FT_UInt(em), kSample, 4, 4, w, h);
        ExpectNear(InkOf(ours), InkOf(ref), "em " + std::to_string(em));
    }
}

TEST_F(FontEngineTest, HeightsAreEmSizesWhenNegativeAndCellHeightsWhenPositive) {
    auto em16 = engine.Open({"IPAGothic", -16});
    ASSERT_NE(em16, nullptr);
    const platform::FontMetrics& m = em16->Metrics();
    EXPECT_EQ(m.height, m.ascent + m.descent);
    EXPECT_GE(m.height, 16);  // the cell holds the em
    EXPECT_LE(m.height, 24);
    EXPECT_EQ(em16->MeasureText(U"日本", 2), 32);  // a full-width glyph advances one em

    for (int32_t cell : {7, 16, 23, 100}) {
        auto f = engine.Open({"IPAGothic", cell});
        ASSERT_NE(f, nullptr) << cell;
        EXPECT_EQ(f->Metrics().height, cell) << cell;
        EXPECT_EQ(f->Metrics().ascent + f->Metrics().descent, cell) << cell;
    }
    // The positive height of the em-16 face's cell is the same face.
    auto cell = engine.Open({"IPAGothic", m.height});
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->MeasureText(U"日本", 2), 32);
}

TEST_F(FontEngineTest, ExtremeHeightsOpenWithSaneMetrics) {
    for (int32_t height : {INT32_MIN, -100000, 0, 1, -1, INT32_MAX}) {
        auto f = engine.Open({"IPAGothic", height});
        ASSERT_NE(f, nullptr) << height;
        EXPECT_GT(f->Metrics().height, 0) << height;
        EXPECT_LE(f->Metrics().height, 8192) << height;
    }
}

TEST_F(FontEngineTest, CharactersOutsideCodePage932AreDrawnNotReplaced) {
    auto face = engine.Open({"ＭＳ ゴシック", -16});
    ASSERT_NE(face, nullptr);
    Plane question(40, 40);
    platform::CoveragePlane qv = question.View();
    face->DrawText(U"?", 1, qv, 4, 4, 40, 40);
    // é € ß ♫ small katakana ku, circled katakana a, yin yang, high voltage,
    // Hangul han, bitcoin sign.
    const std::u32string samples = U"\u00E9\u20AC\u00DF\u266B\u31F0\u32D0\u262F\u26A1\uD55C\u20BF";
    int drawn = 0;
    for (char32_t c : samples) {
        const char16_t u = char16_t(c);
        bool usedDefault = false;
        ASSERT_GT(platform::Utf16ToCp932Size(&u, 1, &usedDefault), 0);
        ASSERT_TRUE(usedDefault) << "U+" << std::hex << uint32_t(c) << " has a code page 932 form";
        Plane p(40, 40);
        platform::CoveragePlane v = p.View();
        face->DrawText(&c, 1, v, 4, 4, 40, 40);
        if (system.AnyFaceHas(c)) {
            EXPECT_FALSE(InkOf(p).Empty()) << "U+" << std::hex << uint32_t(c);
            EXPECT_NE(p.pixels, question.pixels) << "U+" << std::hex << uint32_t(c);
            EXPECT_GT(face->MeasureText(&c, 1), 0) << "U+" << std::hex << uint32_t(c);
            ++drawn;
        } else {
            // No installed face has it: nothing is drawn and the pen stays.
            EXPECT_TRUE(InkOf(p).Empty()) << "U+" << std::hex << uint32_t(c);
            EXPECT_EQ(face->MeasureText(&c, 1), 0) << "U+" << std::hex << uint32_t(c);
        }
    }
    EXPECT_GE(drawn, 4);
}

TEST_F(FontEngineTest, ACharacterTheFaceLacksFallsBackToAnotherFace) {
    // The first character IPA Gothic lacks that another installed face has.
    FT_Library lib = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&lib), 0);
    FT_Face ipa = nullptr;
    ASSERT_EQ(FT_New_Face(lib, ipaGothic.c_str(), 0, &ipa), 0);
    char32_t lacking = 0;
    for (char32_t c : U"\u262F\u26A1\u0149\u01C5\u2654\u263A") {
        if (c && FT_Get_Char_Index(ipa, c) == 0 && system.AnyFaceHas(c)) {
            lacking = c;
            break;
        }
    }
    FT_Done_Face(ipa);
    FT_Done_FreeType(lib);
    if (!lacking) GTEST_SKIP() << "no installed face has a character IPA Gothic lacks";
    auto face = engine.Open({"IPAGothic", -20});
    ASSERT_NE(face, nullptr);
    const std::u32string text = std::u32string(U"あ") + lacking + U"い";
    Plane p(120, 40), alone(120, 40);
    platform::CoveragePlane v = p.View(), va = alone.View();
    face->DrawText(text.data(), text.size(), v, 0, 0, 120, 40);
    face->DrawText(U"あい", 2, va, 0, 0, 120, 40);
    EXPECT_GT(InkOf(p).mass, InkOf(alone).mass);
    EXPECT_GT(face->MeasureText(text.data(), text.size()), face->MeasureText(U"あい", 2));
}

TEST_F(FontEngineTest, WindowsFaceNamesStandForJapaneseFaces) {
    const char* names[] = {"ＭＳ ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝", "ＭＳ Ｐ明朝", "メイリオ",
                           "MS UI Gothic", "MS Gothic", "MS PGothic", "MS Mincho", "Meiryo"};
    for (const char* name : names) {
        EXPECT_TRUE(engine.FaceCoversLanguage(name, "ja")) << name;
        const Plane p = Draw({name, -16}, U"あ", 40, 40);
        EXPECT_FALSE(InkOf(p).Empty()) << name;
    }
    // A name nobody has still draws Japanese (the ja preference of Open).
    EXPECT_FALSE(InkOf(Draw({"No Such Face", -16}, U"あ", 40, 40)).Empty());
    if (!system.FileOf("DejaVu Sans").empty()) {
        EXPECT_FALSE(engine.FaceCoversLanguage("DejaVu Sans", "ja"));
    }
    EXPECT_FALSE(engine.FaceCoversLanguage("IPAGothic", nullptr));
}

TEST_F(FontEngineTest, BoldAndItalicAreSynthesisedForAnUprightRegularFace) {
    const std::u32string bar = U"|||";
    const Plane regular = Draw({"IPAGothic", -32}, bar, 120, 60);
    const Plane bold = Draw({"IPAGothic", -32, 700}, bar, 120, 60);
    const Plane semibold = Draw({"IPAGothic", -32, 600}, bar, 120, 60);
    const Plane italic = Draw({"IPAGothic", -32, 400, true}, bar, 120, 60);
    const Ink r = InkOf(regular), b = InkOf(bold), i = InkOf(italic);
    EXPECT_GT(double(b.mass), double(r.mass) * 1.2);
    EXPECT_EQ(semibold.pixels, bold.pixels);
    // Upright bars: the top row's ink starts where the bottom row's does;
    // italic: further right at the top.
    auto firstInk = [](const Plane& p, int32_t y) {
        for (int32_t x = 0; x < p.width; ++x) {
            if (p.pixels[size_t(y) * size_t(p.width) + size_t(x)] > 128) return x;
        }
        return -1;
    };
    EXPECT_NEAR(firstInk(regular, r.top + 1), firstInk(regular, r.bottom - 1), 1);
    EXPECT_GE(firstInk(italic, i.top + 1) - firstInk(italic, i.bottom - 1), 3);
}

TEST_F(FontEngineTest, BarsLieInsideTheCell) {
    for (int32_t em : {8, 12, 16, 32, 64}) {
        auto f = engine.Open({"IPAGothic", -em, 400, false, true, true});
        ASSERT_NE(f, nullptr);
        const platform::FontMetrics& m = f->Metrics();
        EXPECT_GE(m.underlinePosition, 0) << em;
        EXPECT_LE(m.underlinePosition + m.underlineThickness, m.descent) << em;
        EXPECT_GT(m.strikeOutPosition, 0) << em;
        EXPECT_LE(m.strikeOutPosition, m.ascent) << em;
        Plane p(em * 4, em * 3);
        platform::CoveragePlane v = p.View();
        f->DrawText(U"\u3000\u3000", 2, v, 0, 0, p.width, p.height);  // ideographic spaces: only the bars
        const int32_t under = m.ascent + m.underlinePosition, strike = m.ascent - m.strikeOutPosition;
        for (int32_t x = 0; x < p.width; ++x) {
            const uint8_t expect = x < 2 * em ? 255 : 0;
            EXPECT_EQ(p.pixels[size_t(under) * size_t(p.width) + size_t(x)], expect) << em << " underline x " << x;
            EXPECT_EQ(p.pixels[size_t(strike) * size_t(p.width) + size_t(x)], expect) << em << " strike x " << x;
        }
    }
}

TEST_F(FontEngineTest, AFaceOutlivesItsEngineAndWarmDrawsRepeatTheFirst) {
    std::unique_ptr<platform::FontFace> face;
    {
        platform::FontEngine shortLived;
        face = shortLived.Open({"ＭＳ ゴシック", -16});
    }
    ASSERT_NE(face, nullptr);
    Plane cold(400, 40), warm(400, 40);
    platform::CoveragePlane cv = cold.View(), wv = warm.View();
    face->DrawText(kSample.data(), kSample.size(), cv, 0, 0, 400, 40);
    face->DrawText(kSample.data(), kSample.size(), wv, 0, 0, 400, 40);
    EXPECT_FALSE(InkOf(cold).Empty());
    EXPECT_EQ(cold.pixels, warm.pixels);
}

}  // namespace
