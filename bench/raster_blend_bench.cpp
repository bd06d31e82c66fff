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

#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

enum SourceKind { kOpaque = 0, kSmooth = 1, kRandom = 2 };

struct Scene {
    CSprite source;
    CSprite target;
    std::vector<uint32_t> initial;
    pixman_image_t* pixSource = nullptr;
    pixman_image_t* pixTarget = nullptr;

    Scene(int32_t w, int32_t h, SourceKind kind, bool layer = false) {
        InitRasterLibrary(1);
        source.Create(w, h, false);
        target.Create(w, h, false);
        std::mt19937 rng(1);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint32_t a = 255;
                if (kind == kSmooth) a = static_cast<uint32_t>((x * 255 / w + y * 255 / h) / 2);
                if (kind == kRandom) a = rng() & 0xFF;
                uint32_t p = a << 24;
                for (int c = 0; c < 3; ++c) p |= ((rng() & 0xFF) * a / 255) << (8 * c);
                *source.PixelAt(x, y) = p;
                const uint32_t da = layer ? rng() & 0xFF : 255;
                uint32_t q = da << 24;
                for (int c = 0; c < 3; ++c) q |= ((rng() & 0xFF) * da / 255) << (8 * c);
                *target.PixelAt(x, y) = q;
            }
        initial.assign(target.GetPixels(), target.GetPixels() + static_cast<size_t>(w) * h);
        pixSource = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, source.GetPixels(), source.GetStride() * 4);
        pixTarget = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, target.GetPixels(), target.GetStride() * 4);
    }
    void Reset() { std::memcpy(target.GetPixels(), initial.data(), initial.size() * 4); }
    ~Scene() {
        pixman_image_unref(pixSource);
        pixman_image_unref(pixTarget);
    }
};

const int32_t kSizes[2][2] = {{1920, 1080}, {4096, 4096}};

template <class Ours, class Reference>
void Compare(benchmark::State& state, Scene& scene, Ours ours, Reference reference) {
    using Clock = std::chrono::steady_clock;
    double oursSeconds = 0;
    double referenceSeconds = 0;
    bool oursFirst = true;
    auto timed = [&scene](auto& f) {
        scene.Reset();
        const auto t0 = Clock::now();
        f();
        return std::chrono::duration<double>(Clock::now() - t0).count();
    };
    for (auto _ : state) {
        if (oursFirst) {
            oursSeconds += timed(ours);
            referenceSeconds += timed(reference);
        } else {
            referenceSeconds += timed(reference);
            oursSeconds += timed(ours);
        }
        oursFirst = !oursFirst;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["speed"] = oursSeconds > 0 ? referenceSeconds / oursSeconds : 0;
    state.counters["kernel_ms"] = oursSeconds / n * 1e3;
    state.counters["reference_ms"] = referenceSeconds / n * 1e3;
}

void BM_DrawCopyVsMemcpy(benchmark::State& state) {
    const int32_t w = kSizes[state.range(0)][0], h = kSizes[state.range(0)][1];
    Scene scene(w, h, static_cast<SourceKind>(state.range(1)));
    Compare(
        state, scene,
        [&] {
            scene.target.DrawCopy(0, 0, scene.source, 0, 0, w, h);
            benchmark::ClobberMemory();
        },
        [&] {
            for (int32_t y = 0; y < h; ++y)
                std::memcpy(scene.target.PixelAt(0, y), scene.source.PixelAt(0, y), static_cast<size_t>(w) * 4);
            benchmark::ClobberMemory();
        });
}

void BM_DrawAlphaVsPixmanOver(benchmark::State& state) {
    const int32_t w = kSizes[state.range(0)][0], h = kSizes[state.range(0)][1];
    Scene scene(w, h, static_cast<SourceKind>(state.range(1)), state.range(2) != 0);
    Compare(
        state, scene,
        [&] {
            scene.target.DrawAlpha(0, 0, scene.source, 0, 0, w, h);
            benchmark::ClobberMemory();
        },
        [&] {
            pixman_image_composite32(PIXMAN_OP_OVER, scene.pixSource, nullptr, scene.pixTarget, 0, 0, 0, 0, 0, 0, w,
                                     h);
            benchmark::ClobberMemory();
        });
}

void BM_DrawAlphaOpacityVsPixmanOverMask(benchmark::State& state) {
    const int32_t w = kSizes[state.range(0)][0], h = kSizes[state.range(0)][1];
    Scene scene(w, h, static_cast<SourceKind>(state.range(1)));
    constexpr uint8_t kOpacity = 180;
    const pixman_color_t level = {0, 0, 0, static_cast<uint16_t>(kOpacity * 257)};
    pixman_image_t* mask = pixman_image_create_solid_fill(&level);
    Compare(
        state, scene,
        [&] {
            scene.target.DrawAlphaOpacity(0, 0, scene.source, 0, 0, w, h, kOpacity);
            benchmark::ClobberMemory();
        },
        [&] {
            pixman_image_composite32(PIXMAN_OP_OVER, scene.pixSource, mask, scene.pixTarget, 0, 0, 0, 0, 0, 0, w, h);
            benchmark::ClobberMemory();
        });
    pixman_image_unref(mask);
}

void SizesAndSources(benchmark::internal::Benchmark* b) {
    b->ArgNames({"size", "source"});
    for (int size = 0; size < 2; ++size)
        for (int kind = kOpaque; kind <= kRandom; ++kind) b->Args({size, kind});
    b->Unit(benchmark::kMillisecond);
}

void SizesSourcesAndCanvases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"size", "source", "canvas"});
    for (int canvas = 0; canvas < 2; ++canvas)
        for (int size = 0; size < 2; ++size)
            for (int kind = kOpaque; kind <= kRandom; ++kind) b->Args({size, kind, canvas});
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

// size 0 = 1920 x 1080, 1 = 4096 x 4096; source 0 = opaque, 1 = smooth alpha, 2 = random alpha;
// canvas 0 = opaque destination, 1 = destination with random alpha.
BENCHMARK(BM_DrawCopyVsMemcpy)->Apply(SizesAndSources);
BENCHMARK(BM_DrawAlphaVsPixmanOver)->Apply(SizesSourcesAndCanvases);
BENCHMARK(BM_DrawAlphaOpacityVsPixmanOverMask)->Apply(SizesAndSources);
