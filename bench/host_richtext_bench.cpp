// The tile font's rich text with the interface font (the start-up scene's
// creation: cells 23 x 23, the interface face at 11 points, proportional):
// a 100-character line of mixed Japanese and ASCII with a colour tag (and, in
// the "Outline" forms, an outline tag) drawn with DrawRichTextA, type 2 on a
// cleared rectangle as the text resources draw,
//   - warm: every glyph cached,
//   - cold: the glyph cache emptied before each draw, so every Japanese
//     character is rendered by the font service into its slot,
//   - measuring the same line (type -1, the empty rectangle, bounds out).
// Each is timed in turns against the reference it replaces: the same line
// (tags removed) drawn by CQRKFont::DrawStringW, the font service rendering
// the whole string every time. "x_faster" is reference time / ours.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/TimeInTurns.h"
#include "host/text/TileFont.h"
#include "platform/Cp932.h"
#include "platform/fonts/FontEngine.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

// "メイリオ": aliased to an installed Japanese face.
constexpr const char* kInterfaceFace = "\x83\x81\x83\x43\x83\x8A\x83\x49";

const std::u16string& Plain() {
    static const std::u16string text = [] {
        const std::u16string pieces[] = {u"ファイル", u"File ", u"編集", u"Edit 12.5% ", u"表示", u"View ",
                                         u"オブジェクト", u"Object-A ", u"保存しました", u"(saved) "};
        std::u16string out;
        for (size_t i = 0; out.size() < 100; ++i) out += pieces[i % 10];
        out.resize(100);
        return out;
    }();
    return text;
}

std::string Cp932(const std::u16string& text) {
    std::string out(platform::Utf16ToCp932MaxBytes(text.size()) + 1, '\0');
    const ptrdiff_t n = platform::Utf16ToCp932(text.data(), text.size(), out.data(), out.size(), nullptr);
    out.resize(n < 0 ? 0 : size_t(n));
    return out;
}

// The line with tags: "%" doubled, a colour, a link id and maybe an outline.
std::string MakeTagged(bool outline) {
    std::u16string t = outline ? u"%c[203040,405060]%o[b1]%rb[3]" : u"%c[203040,405060]%rb[3]";
    for (char16_t c : Plain()) {
        t += c;
        if (c == u'%') t += u'%';
    }
    return Cp932(t);
}

struct Fixture {
    platform::FontEngine engine;
    CQRKTileFontCore tile;
    CQRKFont reference;
    CSprite target;
    bool ok = false;

    Fixture() {
        InitRasterLibrary(1);
        ok = tile.CreateA(engine, 23, 23, 0x000000, 0xFFFFFF, kInterfaceFace, 110, 0x100, nullptr);
        std::u16string face;
        face.resize(8);
        const ptrdiff_t n = platform::Cp932ToUtf16(kInterfaceFace, 8, face.data(), face.size());
        face.resize(n < 0 ? 0 : size_t(n));
        ok = ok && reference.CreateFontPlain(engine, 2000, 30, 0x203040, 0xFFFFFF, face.c_str(), 110, 128);
        target.Create(2000, 40, false);
    }
    void DrawOurs(const std::string& text, int32_t type) {
        platform::Rect bounds{};
        if (type < 0) {
            tile.DrawRichTextA(text.c_str(), target, 0, 0, 0, 0, -1, &bounds, nullptr, 128);
        } else {
            target.FillRect(0, 0, 2000, 40, 0);
            tile.DrawRichTextA(text.c_str(), target, 0, 0, 2000, 40, type, &bounds, nullptr, 128);
        }
        benchmark::DoNotOptimize(bounds);
    }
    void DrawReference() {
        reference.Cached = false;
        target.FillRect(0, 0, 2000, 40, 0);
        reference.DrawStringW(Plain().c_str(), target, 0, 0, 2000, 30, 2, 0, 128);
    }
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

void Run(benchmark::State& state, bool cold, int32_t type, bool outline) {
    Fixture& f = Shared();
    if (!f.ok) {
        state.SkipWithError("the interface face does not open");
        return;
    }
    const std::string text = MakeTagged(outline);
    f.reference.Flags = outline ? 3u << CQRKFont::kEffectShift : 0;
    f.DrawOurs(text, 2);  // warm the cache
    double ours = 0, reference = 0;
    bench::TimeInTurns(
        state, [&] { if (cold) f.tile.EmptyGlyphCache(); }, [&] { f.DrawOurs(text, type); },
        [&] { f.DrawReference(); }, ours, reference);
    state.SetItemsProcessed(int64_t(state.iterations()) * 100);
    state.counters["ours_us"] = ours / double(state.iterations()) * 1e6;
    state.counters["DrawString_us"] = reference / double(state.iterations()) * 1e6;
    state.counters["x_faster"] = ours > 0 ? reference / ours : 0;
}

void BM_RichTextWarm(benchmark::State& state) { Run(state, false, 2, false); }
void BM_RichTextCold(benchmark::State& state) { Run(state, true, 2, false); }
void BM_RichTextMeasure(benchmark::State& state) { Run(state, false, -1, false); }
void BM_RichTextOutlineWarm(benchmark::State& state) { Run(state, false, 2, true); }
void BM_RichTextOutlineCold(benchmark::State& state) { Run(state, true, 2, true); }

BENCHMARK(BM_RichTextWarm);
BENCHMARK(BM_RichTextCold);
BENCHMARK(BM_RichTextMeasure);
BENCHMARK(BM_RichTextOutlineWarm);
BENCHMARK(BM_RichTextOutlineCold);

}  // namespace
