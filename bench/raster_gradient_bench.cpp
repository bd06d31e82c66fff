// Linear and multi-point gradients over whole sprites, in Mpixel/s.
//
// GradationHV (and its C and A forms), GradationH and GradationV over
// 1920 x 1080; the four-corner form is also timed against FillRect of the same
// rectangle in the same iteration (speed_vs_fill = FillRect time / gradient
// time: 1 means the gradient costs no more than a plain fill). pixels_per_s is
// printed with SI prefixes (5.5G/s = 5500 Mpixel/s). MixGradation
// with 8 points of mixed modes over 1920 x 1080 and 480 x 270.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "raster/surface/gradient/MixGradation.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

using Draw = void (*)(CSprite&);

void ReportPixels(benchmark::State& state, const CSprite& s) {
    const double pixels = double(s.GetWidth()) * double(s.GetHeight());
    state.counters["pixels_per_s"] =
        benchmark::Counter(pixels * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Gradient(benchmark::State& state, int32_t w, int32_t h, Draw draw) {
    InitRasterLibrary(1);
    CSprite s;
    s.Create(w, h, true);
    for (auto _ : state) {
        draw(s);
        benchmark::ClobberMemory();
    }
    ReportPixels(state, s);
}

void BM_VersusFill(benchmark::State& state, int32_t w, int32_t h, Draw draw) {
    InitRasterLibrary(1);
    CSprite s;
    s.Create(w, h, true);
    double gradient = 0, fill = 0;
    bench::TimeInTurns(
        state, [] {}, [&] { draw(s); }, [&] { s.FillRect(0, 0, w, h, 0xFF336699u); }, gradient, fill);
    state.counters["speed_vs_fill"] = gradient > 0 ? fill / gradient : 0;
    state.counters["Mpixel_per_s"] = gradient > 0 ? double(w) * h * double(state.iterations()) / gradient / 1e6 : 0;
}

// Eight points spread over the sprite: discs, rings, stretched and shifting
// points, in all three modes.
std::vector<MixGradationPoint> EightPoints(int32_t w, int32_t h) {
    std::vector<MixGradationPoint> points;
    for (int k = 0; k < 8; ++k) {
        MixGradationPoint p{};
        p.x = w * (0.1 + 0.11 * k);
        p.y = h * (0.2 + 0.08 * ((k * 5) % 8));
        p.zeroRadius = (k % 2 == 0) ? w * 0.4 : w * 0.05;
        p.fullRadius = (k % 2 == 0) ? w * 0.05 : w * 0.3;
        p.scaleUp = 1.0 + 0.25 * (k % 3);
        p.scaleDown = 1.0;
        p.scaleLeft = 0.75 + 0.5 * (k % 2);
        p.scaleRight = 1.0;
        p.alpha = 255;
        p.red = (k * 37) % 256;
        p.green = (k * 91) % 256;
        p.blue = (k * 53) % 256;
        p.strength = 0.6 + 0.05 * k;
        p.mode = k < 6 ? kMixGradationMix : (k == 6 ? kMixGradationAdd : kMixGradationSub);
        points.push_back(p);
    }
    return points;
}

template <int Form>
void BM_Mix(benchmark::State& state, int32_t w, int32_t h) {
    InitRasterLibrary(1);
    CSprite s;
    s.Create(w, h, true);
    const std::vector<MixGradationPoint> points = EightPoints(w, h);
    for (auto _ : state) {
        if constexpr (Form == 0) s.MixGradation(0, 0, w, h, points.data(), 8, 0xFF808080u);
        if constexpr (Form == 1) s.MixGradationC(0, 0, w, h, points.data(), 8, 0xFF808080u);
        if constexpr (Form == 2) s.MixGradationA(0, 0, w, h, points.data(), 8, 0x80u);
        benchmark::ClobberMemory();
    }
    ReportPixels(state, s);
}

void Register() {
    const int32_t w = 1920, h = 1080;
    const std::string n = "/1920x1080";
    struct Entry {
        const char* name;
        Draw draw;
    };
    const Entry entries[] = {
        {"GradationHV",
         [](CSprite& s) { s.GradationHV(0, 0, 1920, 1080, 0xFF102030u, 0xFFF0E0D0u, 0x80FF0000u, 0x2000FF7Fu); }},
        {"GradationHVC",
         [](CSprite& s) { s.GradationHVC(0, 0, 1920, 1080, 0x102030u, 0xF0E0D0u, 0xFF0000u, 0x00FF7Fu); }},
        {"GradationHVA", [](CSprite& s) { s.GradationHVA(0, 0, 1920, 1080, 0x10, 0xF0, 0x80, 0x20); }},
        {"GradationH", [](CSprite& s) { s.GradationH(0, 0, 1920, 1080, 0xFF102030u, 0x80F0E0D0u); }},
        {"GradationHC", [](CSprite& s) { s.GradationHC(0, 0, 1920, 1080, 0x102030u, 0xF0E0D0u); }},
        {"GradationHA", [](CSprite& s) { s.GradationHA(0, 0, 1920, 1080, 0x10, 0xF0); }},
        {"GradationV", [](CSprite& s) { s.GradationV(0, 0, 1920, 1080, 0xFF102030u, 0x80F0E0D0u); }},
        {"GradationVC", [](CSprite& s) { s.GradationVC(0, 0, 1920, 1080, 0x102030u, 0xF0E0D0u); }},
        {"GradationVA", [](CSprite& s) { s.GradationVA(0, 0, 1920, 1080, 0x10, 0xF0); }},
    };
    for (const Entry& e : entries) benchmark::RegisterBenchmark((e.name + n).c_str(), BM_Gradient, w, h, e.draw);
    benchmark::RegisterBenchmark(("GradationHVVersusFill" + n).c_str(), BM_VersusFill, w, h, entries[0].draw);
    benchmark::RegisterBenchmark("MixGradation8/1920x1080", BM_Mix<0>, 1920, 1080)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("MixGradationC8/1920x1080", BM_Mix<1>, 1920, 1080)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("MixGradationA8/1920x1080", BM_Mix<2>, 1920, 1080)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("MixGradation8/480x270", BM_Mix<0>, 480, 270);
}

const int kRegistered = (Register(), 0);

}  // namespace
