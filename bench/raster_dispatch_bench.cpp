// The high-quality stretched draw against a plain nearest-sampled stretch.
//
// Source 1024 x 768 (random colours, smooth alpha) drawn onto 512 x 384:
//   HighQuality: BlitByModeStretched with COPY | high quality (nearest stretch
//                to 2048 x 1536 in the scaling sprite, 4 x 4 box filter, copy)
//   Nearest:     DrawCopyStretched of the same rectangles
// The Ratio benchmark times both in the same iteration, taking turns at going
// first, and reports cost = high-quality time / nearest time. Mirror and
// Downsample4x4 report their own throughput for comparison.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "bench/BenchSupport.h"
#include "raster/surface/sprite/DrawMode.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr uint32_t kHighQualityCopy = 0x70000081u;

struct Scene {
    CSprite source, destination;
    Scene() {
        InitRasterLibrary(1);
        source.Create(1024, 768, false);
        destination.Create(512, 384, true);
        std::mt19937 rng(5);
        for (int32_t y = 0; y < 768; ++y)
            for (int32_t x = 0; x < 1024; ++x)
                *source.PixelAt(x, y) = (static_cast<uint32_t>((x + y) & 0xFF) << 24) | (rng() & 0xFFFFFFu);
        // The first high-quality draw makes the scaling sprite; keep that out of the timings.
        destination.BlitByModeStretched(0, 0, 512, 384, source, 0, 0, 1024, 768, kHighQualityCopy, 255, 0, 0);
    }
    void HighQuality() {
        destination.BlitByModeStretched(0, 0, 512, 384, source, 0, 0, 1024, 768, kHighQualityCopy, 255, 0, 0);
    }
    void Nearest() { destination.DrawCopyStretched(0, 0, 512, 384, source, 0, 0, 1024, 768); }
};

void BM_HighQuality(benchmark::State& state) {
    Scene s;
    for (auto _ : state) {
        s.HighQuality();
        benchmark::ClobberMemory();
    }
}

void BM_Nearest(benchmark::State& state) {
    Scene s;
    for (auto _ : state) {
        s.Nearest();
        benchmark::ClobberMemory();
    }
}

void BM_HighQualityVsNearestRatio(benchmark::State& state) {
    Scene s;
    double hq = 0, nearest = 0;
    bench::TimeInTurns(
        state, [] {}, [&] { s.HighQuality(); }, [&] { s.Nearest(); }, hq, nearest);
    const double n = static_cast<double>(state.iterations());
    state.counters["hq_ms"] = hq / n * 1e3;
    state.counters["nearest_ms"] = nearest / n * 1e3;
    state.counters["cost_hq_over_nearest"] = nearest > 0 ? hq / nearest : 0;
}

void BM_Mirror(benchmark::State& state) {
    Scene s;
    const int32_t type = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        s.source.Mirror(0, 0, 1024, 768, type);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024 * 768 * 4);
}

void BM_Downsample4x4(benchmark::State& state) {
    Scene s;
    CSprite work;
    work.Create(1024, 768, false);
    for (auto _ : state) {
        state.PauseTiming();
        work.DrawCopy(0, 0, s.source, 0, 0, 1024, 768);
        state.ResumeTiming();
        work.Downsample4x4(0, 0, 1024, 768);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 1024 * 768 * 4);
}

}  // namespace

BENCHMARK(BM_HighQuality)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Nearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HighQualityVsNearestRatio)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mirror)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Downsample4x4)->Unit(benchmark::kMillisecond);
