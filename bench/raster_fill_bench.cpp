// Rectangle fills against memset of the same bytes.
//
// FillRect over a whole 1920 x 1080 and 4096 x 4096 sprite, with a value whose
// four bytes differ (the vector store loop) and with 0 (handed to memset), and
// over a rectangle one pixel narrower on each side (row by row). The *Ratio
// benchmarks time FillRect and memset within the same iteration and report
//   speed = memset time / FillRect time   (1: as fast as memset; aim >= 0.8).
// A few other fills report their throughput for comparison.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "bench/BenchSupport.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

struct Canvas {
    CSprite sprite;
    Canvas(int32_t w, int32_t h) {
        InitRasterLibrary(1);
        sprite.Create(w, h, true);
    }
    size_t Bytes() const { return size_t(sprite.GetWidth()) * size_t(sprite.GetHeight()) * 4; }
};

enum Shape { kWhole, kInset };

void Fill(CSprite& s, Shape shape, uint32_t value) {
    if (shape == kWhole) {
        s.FillRect(0, 0, s.GetWidth(), s.GetHeight(), value);
    } else {
        s.FillRect(1, 1, s.GetWidth() - 2, s.GetHeight() - 2, value);
    }
}

// The bytes FillRect writes, written by memset (row by row for the inset shape).
void Memset(CSprite& s, Shape shape, int byte) {
    if (shape == kWhole) {
        std::memset(s.GetPixels(), byte, size_t(s.GetWidth()) * size_t(s.GetHeight()) * 4);
    } else {
        for (int32_t y = 1; y < s.GetHeight() - 1; ++y)
            std::memset(s.PixelAt(1, y), byte, size_t(s.GetWidth() - 2) * 4);
    }
}

void BM_FillRect(benchmark::State& state, int32_t w, int32_t h, Shape shape, uint32_t value) {
    Canvas c(w, h);
    for (auto _ : state) {
        Fill(c.sprite, shape, value);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.Bytes()));
}

void BM_Memset(benchmark::State& state, int32_t w, int32_t h, Shape shape) {
    Canvas c(w, h);
    for (auto _ : state) {
        Memset(c.sprite, shape, 0x5A);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.Bytes()));
}

// Both in the same iteration, taking turns at going first.
void BM_Ratio(benchmark::State& state, int32_t w, int32_t h, Shape shape, uint32_t value) {
    Canvas c(w, h);
    double fill = 0, set = 0;
    bench::TimeInTurns(
        state, [] {}, [&] { Fill(c.sprite, shape, value); }, [&] { Memset(c.sprite, shape, 0x5A); }, fill, set);
    state.counters["speed_vs_memset"] = fill > 0 ? set / fill : 0;
}

template <class F>
void BM_Other(benchmark::State& state, int32_t w, int32_t h, F fill) {
    Canvas c(w, h);
    for (auto _ : state) {
        fill(c.sprite);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(c.Bytes()));
}

void Register() {
    struct Size {
        const char* name;
        int32_t w, h;
    };
    for (const Size& s : {Size{"1920x1080", 1920, 1080}, Size{"4096x4096", 4096, 4096}}) {
        const std::string n = s.name;
        benchmark::RegisterBenchmark(("FillRect/" + n + "/value").c_str(), BM_FillRect, s.w, s.h, kWhole, 0xFF336699u);
        benchmark::RegisterBenchmark(("FillRect/" + n + "/zero").c_str(), BM_FillRect, s.w, s.h, kWhole, 0u);
        benchmark::RegisterBenchmark(("FillRect/" + n + "/inset_value").c_str(), BM_FillRect, s.w, s.h, kInset,
                                     0xFF336699u);
        benchmark::RegisterBenchmark(("Memset/" + n).c_str(), BM_Memset, s.w, s.h, kWhole);
        benchmark::RegisterBenchmark(("Memset/" + n + "/inset").c_str(), BM_Memset, s.w, s.h, kInset);
        benchmark::RegisterBenchmark(("FillRectRatio/" + n + "/value").c_str(), BM_Ratio, s.w, s.h, kWhole,
                                     0xFF336699u);
        benchmark::RegisterBenchmark(("FillRectRatio/" + n + "/zero").c_str(), BM_Ratio, s.w, s.h, kWhole, 0u);
        benchmark::RegisterBenchmark(("FillRectRatio/" + n + "/inset_value").c_str(), BM_Ratio, s.w, s.h, kInset,
                                     0xFF336699u);
        const int32_t w = s.w, h = s.h;
        benchmark::RegisterBenchmark(("FillRectC/" + n).c_str(), BM_Other<void (*)(CSprite&)>, w, h,
                                     [](CSprite& sp) { sp.FillRectC(0, 0, sp.GetWidth(), sp.GetHeight(), 0x336699); });
        benchmark::RegisterBenchmark(
            ("FillRectCOpacity/" + n + "/100").c_str(), BM_Other<void (*)(CSprite&)>, w, h,
            [](CSprite& sp) { sp.FillRectCOpacity(0, 0, sp.GetWidth(), sp.GetHeight(), 0x336699, 100); });
        benchmark::RegisterBenchmark(
            ("FillRectCOpacity/" + n + "/128").c_str(), BM_Other<void (*)(CSprite&)>, w, h,
            [](CSprite& sp) { sp.FillRectCOpacity(0, 0, sp.GetWidth(), sp.GetHeight(), 0x336699, 128); });
        benchmark::RegisterBenchmark(
            ("FillRectOpacity/" + n + "/100").c_str(), BM_Other<void (*)(CSprite&)>, w, h,
            [](CSprite& sp) { sp.FillRectOpacity(0, 0, sp.GetWidth(), sp.GetHeight(), 0x336699, 100); });
    }
}

const int kRegistered = (Register(), 0);

}  // namespace
