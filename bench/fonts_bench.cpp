// A 200-character Japanese paragraph at a 16-pixel em into a coverage plane:
// cold (a new engine and face each time: fontconfig's start, the match, every
// glyph rasterised), with the face open but its glyph cache empty, and warm
// (every glyph cached), against FreeType directly (one face kept open, every
// glyph loaded and rendered each time, as a renderer without a cache does).
// items_per_second is characters per second.
#include <benchmark/benchmark.h>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>
#include <vector>

#include "platform/fonts/FontEngine.h"

namespace {

constexpr int32_t kEm = 16, kWidth = 44 * kEm, kHeight = 8 * 24;

// 200 characters (line breaks not counted), five lines of 40.
const std::u32string& Paragraph() {
    static const std::u32string text = [] {
        const std::u32string words =
            U"吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした所で"
            U"ニャーニャー泣いていた事だけは記憶している。吾輩はここで始めて人間というものを見た。しかもあとで"
            U"聞くとそれは書生という人間中で一番獰悪な種族であったそうだ。この書生というのは時々我々を捕えて煮て"
            U"食うという話である。しかしその当時は何という考もなかったから別段恐しいとも思わなかった。ただ彼の掌に"
            U"載せられてスーと持ち上げられた時何だかフワフワした感じがあったばかりである。";
        std::u32string out;
        for (size_t i = 0; i < 200; ++i) {
            if (i && i % 40 == 0) out += U"\r\n";
            out += words[i % words.size()];
        }
        return out;
    }();
    return text;
}

struct Plane {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(size_t(kWidth) * kHeight);
    platform::CoveragePlane View() { return {pixels.data(), kWidth, kWidth, kHeight}; }
};

const platform::FontRequest kRequest{"ＭＳ ゴシック", -kEm};

// Opens the face and draws the paragraph once; false (with the reason) when
// no face opens.
bool OpenAndDraw(benchmark::State& state, platform::FontEngine& engine, Plane& plane) {
    auto face = engine.Open(kRequest);
    if (!face) {
        state.SkipWithError("no face opens");
        return false;
    }
    const std::u32string& text = Paragraph();
    platform::CoveragePlane view = plane.View();
    face->DrawText(text.data(), text.size(), view, 0, 0, kWidth, kHeight);
    benchmark::DoNotOptimize(plane.pixels.data());
    return true;
}

void BM_ColdEngineAndFace(benchmark::State& state) {
    Plane plane;
    for (auto _ : state) {
        platform::FontEngine engine;
        if (!OpenAndDraw(state, engine, plane)) return;
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 200);
}

void BM_ColdFace(benchmark::State& state) {
    Plane plane;
    platform::FontEngine engine;
    for (auto _ : state) {
        if (!OpenAndDraw(state, engine, plane)) return;
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 200);
}

void BM_Warm(benchmark::State& state) {
    Plane plane;
    const std::u32string& text = Paragraph();
    platform::FontEngine engine;
    auto face = engine.Open(kRequest);
    if (!face) {
        state.SkipWithError("no face opens");
        return;
    }
    platform::CoveragePlane view = plane.View();
    face->DrawText(text.data(), text.size(), view, 0, 0, kWidth, kHeight);
    for (auto _ : state) {
        std::fill(plane.pixels.begin(), plane.pixels.end(), uint8_t(0));
        face->DrawText(text.data(), text.size(), view, 0, 0, kWidth, kHeight);
        benchmark::DoNotOptimize(plane.pixels.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 200);
}

// The reference: the same file through FreeType, nothing cached.
void BM_FreeTypeDirect(benchmark::State& state) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("IPAGothic"));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcChar8* file = nullptr;
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    if (!match || FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch || FT_Init_FreeType(&lib) != 0 ||
        FT_New_Face(lib, reinterpret_cast<const char*>(file), 0, &face) != 0) {
        state.SkipWithError("IPA Gothic does not open");
    } else {
        FT_Set_Pixel_Sizes(face, 0, kEm);
        Plane plane;
        const std::u32string& text = Paragraph();
        for (auto _ : state) {
            int32_t pen = 0, baseline = kEm;
            for (char32_t c : text) {
                if (c == U'\r') continue;
                if (c == U'\n') {
                    pen = 0;
                    baseline += kEm + 4;
                    continue;
                }
                if (FT_Load_Char(face, c, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP) != 0) continue;
                FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
                const FT_Bitmap& bm = face->glyph->bitmap;
                for (int32_t y = 0; y < int32_t(bm.rows); ++y) {
                    const int32_t py = baseline - face->glyph->bitmap_top + y;
                    if (py < 0 || py >= kHeight) continue;
                    for (int32_t x = 0; x < int32_t(bm.width); ++x) {
                        const int32_t px = pen + face->glyph->bitmap_left + x;
                        if (px < 0 || px >= kWidth) continue;
                        uint8_t& d = plane.pixels[size_t(py) * kWidth + size_t(px)];
                        d = std::max(d, bm.buffer[y * bm.pitch + x]);
                    }
                }
                pen += int32_t((face->glyph->advance.x + 32) >> 6);
            }
            benchmark::DoNotOptimize(plane.pixels.data());
        }
        state.SetItemsProcessed(int64_t(state.iterations()) * 200);
    }
    if (face) FT_Done_Face(face);
    if (lib) FT_Done_FreeType(lib);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
}

BENCHMARK(BM_ColdEngineAndFace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColdFace)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Warm)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FreeTypeDirect)->Unit(benchmark::kMicrosecond);

}  // namespace
