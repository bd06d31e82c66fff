// Colour-model four-corner gradients over a 1920 x 1080 sprite: every pixel
// costs one conversion from the model to RGB. Reports Mpixel/s for the HSV,
// HSL and HSLY forms (whole pixel and colour only), with the RGB four-corner
// gradient of the same size as a yardstick.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/BenchSupport.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

struct Canvas {
    CSprite sprite;
    Canvas() {
        InitRasterLibrary(1);
        sprite.Create(kWidth, kHeight, true);
    }
};

void Report(benchmark::State& state) {
    state.counters["Mpixel"] = benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                                                    benchmark::Counter::kIsRate);
}

enum Model { kHSV, kHSL, kHSLY };

// The members of each model, indexed by Model.
constexpr decltype(&CSprite::GradationHSVHV) kWhole[] = {&CSprite::GradationHSVHV, &CSprite::GradationHSLHV,
                                                          &CSprite::GradationHSLYHV};
constexpr decltype(&CSprite::GradationHSVHVC) kColourOnly[] = {&CSprite::GradationHSVHVC, &CSprite::GradationHSLHVC,
                                                                &CSprite::GradationHSLYHVC};

// Corners that cross the hue circle one and a half times and vary saturation,
// third component and alpha, so no conversion takes a shortcut.
void BM_ColourModelHV(benchmark::State& state, Model model, bool colourOnly) {
    Canvas c;
    CSprite& s = c.sprite;
    // The third component of corners 0, 2 and 3: HSV's value runs high, the
    // lightness and luma around the middle.
    const bool hsv = model == kHSV;
    const int32_t t0 = hsv ? 256 : 30, t2 = hsv ? 100 : 220, t3 = hsv ? 90 : 128;
    for (auto _ : state) {
        if (colourOnly)
            (s.*kColourOnly[model])(0, 0, kWidth, kHeight, -200, 256, t0, 340, 60, 200, 20, 128, t2, 540, 256, t3);
        else
            (s.*kWhole[model])(0, 0, kWidth, kHeight, -200, 256, t0, 255, 340, 60, 200, 128, 20, 128, t2, 0, 540,
                               256, t3, 200);
        benchmark::ClobberMemory();
    }
    Report(state);
}

// The widest hue span the clamp allows across each row (about one degree per
// pixel): neighbouring pixels rarely share their components.
void BM_ColourModelHVDense(benchmark::State& state, Model model) {
    Canvas c;
    CSprite& s = c.sprite;
    for (auto _ : state) {
        (s.*kWhole[model])(0, 0, kWidth, kHeight, -1023, 256, 256, 255, 1023, 0, 40, 0, 1023, 40, 256, 0, -1023, 256,
                           0, 255);
        benchmark::ClobberMemory();
    }
    Report(state);
}

void BM_RgbHV(benchmark::State& state, bool colourOnly) {
    Canvas c;
    CSprite& s = c.sprite;
    for (auto _ : state) {
        if (colourOnly)
            s.GradationHVC(0, 0, kWidth, kHeight, 0xFF102030, 0x80F0E0D0, 0x00FF0000, 0xC00000FF);
        else
            s.GradationHV(0, 0, kWidth, kHeight, 0xFF102030, 0x80F0E0D0, 0x00FF0000, 0xC00000FF);
        benchmark::ClobberMemory();
    }
    Report(state);
}

}  // namespace

BENCHMARK_CAPTURE(BM_ColourModelHV, GradationHSVHV, kHSV, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ColourModelHV, GradationHSVHVC, kHSV, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ColourModelHV, GradationHSLHV, kHSL, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ColourModelHV, GradationHSLHVC, kHSL, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ColourModelHV, GradationHSLYHV, kHSLY, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ColourModelHV, GradationHSLYHVC, kHSLY, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ColourModelHVDense, GradationHSVHV, kHSV)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ColourModelHVDense, GradationHSLHV, kHSL)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ColourModelHVDense, GradationHSLYHV, kHSLY)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RgbHV, GradationHV, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RgbHV, GradationHVC, true)->Unit(benchmark::kMillisecond);
