// Compositing kernels against references on the same buffers:
//   DrawCopy          vs memcpy of the same rows          (aim: speed >= 0.8)
//   DrawAlpha         vs pixman OVER a8r8g8b8 -> a8r8g8b8 (aim: >= 1 on smooth alpha, >= 0.5 on random alpha)
//   DrawAlphaOpacity  vs pixman OVER with a solid mask of the same opacity (the same operation)
// Sprites of 1920 x 1080 and 4096 x 4096; sources opaque, with smooth alpha (a
// gradient: long runs of slowly changing alpha) or random alpha. The source
// colours never exceed their alpha, so the same bytes are valid premultiplied
// pixels for pixman. The destination is an opaque canvas (canvas 0) or a layer
// with random alpha (canvas 1, DrawAlpha only: every group of pixels needs the
// union table); it is restored before every timed call.
//
// Each benchmark times both sides in the same iteration, taking turns at going
// first, and reports speed = reference time / kernel time (above 1: the kernel
// is faster) together with both times per call.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>

#include "bench/BenchSupport.h"

namespace {

using bench::Compare;
using bench::Scene;

const int32_t kSizes[2][2] = {{1920, 1080}, {4096, 4096}};

// The source kind is the second argument; see the list below.
bench::SourceAlpha SourceArg(const benchmark::State& state) {
    return static_cast<bench::SourceAlpha>(state.range(1));
}

void BM_DrawCopyVsMemcpy(benchmark::State& state) {
    const int32_t w = kSizes[state.range(0)][0], h = kSizes[state.range(0)][1];
    Scene scene(w, h, SourceArg(state), bench::OpaqueCanvas, 1);
    Compare(
        state, scene, [&] { scene.target.DrawCopy(0, 0, scene.source, 0, 0, w, h); },
        [&] {
            for (int32_t y = 0; y < h; ++y)
                std::memcpy(scene.target.PixelAt(0, y), scene.source.PixelAt(0, y), static_cast<size_t>(w) * 4);
        });
}

void BM_DrawAlphaVsPixmanOver(benchmark::State& state) {
    const int32_t w = kSizes[state.range(0)][0], h = kSizes[state.range(0)][1];
    Scene scene(w, h, SourceArg(state), state.range(2) != 0 ? bench::LayerCanvas : bench::OpaqueCanvas, 1);
    Compare(
        state, scene, [&] { scene.target.DrawAlpha(0, 0, scene.source, 0, 0, w, h); },
        [&] {
            pixman_image_composite32(PIXMAN_OP_OVER, scene.pixSource, nullptr, scene.pixTarget, 0, 0, 0, 0, 0, 0, w,
                                     h);
        });
}

void BM_DrawAlphaOpacityVsPixmanOverMask(benchmark::State& state) {
    const int32_t w = kSizes[state.range(0)][0], h = kSizes[state.range(0)][1];
    Scene scene(w, h, SourceArg(state), bench::OpaqueCanvas, 1);
    constexpr uint8_t kOpacity = 180;
    const pixman_color_t level = {0, 0, 0, static_cast<uint16_t>(kOpacity * 257)};
    pixman_image_t* mask = pixman_image_create_solid_fill(&level);
    Compare(
        state, scene, [&] { scene.target.DrawAlphaOpacity(0, 0, scene.source, 0, 0, w, h, kOpacity); },
        [&] {
            pixman_image_composite32(PIXMAN_OP_OVER, scene.pixSource, mask, scene.pixTarget, 0, 0, 0, 0, 0, 0, w, h);
        });
    pixman_image_unref(mask);
}

void SizesAndSources(benchmark::internal::Benchmark* b) {
    b->ArgNames({"size", "source"});
    for (int size = 0; size < 2; ++size)
        for (int kind = bench::kOpaque; kind <= bench::kRandom; ++kind) b->Args({size, kind});
    b->Unit(benchmark::kMillisecond);
}

void SizesSourcesAndCanvases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"size", "source", "canvas"});
    for (int canvas = 0; canvas < 2; ++canvas)
        for (int size = 0; size < 2; ++size)
            for (int kind = bench::kOpaque; kind <= bench::kRandom; ++kind) b->Args({size, kind, canvas});
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

// size 0 = 1920 x 1080, 1 = 4096 x 4096; source 0 = opaque, 1 = smooth alpha, 2 = random alpha;
// canvas 0 = opaque destination, 1 = destination with random alpha.
BENCHMARK(BM_DrawCopyVsMemcpy)->Apply(SizesAndSources);
BENCHMARK(BM_DrawAlphaVsPixmanOver)->Apply(SizesSourcesAndCanvases);
BENCHMARK(BM_DrawAlphaOpacityVsPixmanOverMask)->Apply(SizesAndSources);
