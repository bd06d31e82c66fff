// Arithmetic blend families against pixman's ADD on the same buffers:
//   BlendAddImmediate  vs pixman ADD a8r8g8b8 -> a8r8g8b8 (aim: speed >= 0.67, within 1.5x)
//   BlendMulImmediate  vs pixman ADD                      (aim: speed >= 0.67)
// Sprites of 1920 x 1080; sources opaque or with random alpha, onto an opaque
// canvas that is restored before every timed call. pixman's ADD is a
// saturating byte add of premultiplied pixels, the same work as Add Immediate
// and the cheapest operator it has, so it is the floor for these kernels.
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

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

struct Scene {
    CSprite source;
    CSprite target;
    std::vector<uint32_t> initial;
    pixman_image_t* pixSource = nullptr;
    pixman_image_t* pixTarget = nullptr;

    explicit Scene(bool randomAlpha) {
        InitRasterLibrary(1);
        source.Create(kWidth, kHeight, false);
        target.Create(kWidth, kHeight, false);
        std::mt19937 rng(1);
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                const uint32_t a = randomAlpha ? rng() & 0xFF : 255;
                uint32_t p = a << 24;
                for (int c = 0; c < 3; ++c) p |= ((rng() & 0xFF) * a / 255) << (8 * c);
                *source.PixelAt(x, y) = p;
                *target.PixelAt(x, y) = 0xFF000000u | (rng() & 0x7F7F7F);
            }
        initial.assign(target.GetPixels(), target.GetPixels() + static_cast<size_t>(kWidth) * kHeight);
        pixSource = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, source.GetPixels(),
                                             source.GetStride() * 4);
        pixTarget = pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, target.GetPixels(),
                                             target.GetStride() * 4);
    }
    void Reset() { std::memcpy(target.GetPixels(), initial.data(), initial.size() * 4); }
    ~Scene() {
        pixman_image_unref(pixSource);
        pixman_image_unref(pixTarget);
    }
};

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

using Member = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);

void VsPixmanAdd(benchmark::State& state, Member member) {
    Scene scene(state.range(0) != 0);
    Compare(
        state, scene,
        [&] {
            (scene.target.*member)(0, 0, scene.source, 0, 0, kWidth, kHeight);
            benchmark::ClobberMemory();
        },
        [&] {
            pixman_image_composite32(PIXMAN_OP_ADD, scene.pixSource, nullptr, scene.pixTarget, 0, 0, 0, 0, 0, 0,
                                     kWidth, kHeight);
            benchmark::ClobberMemory();
        });
}

void BM_AddImmediateVsPixmanAdd(benchmark::State& state) { VsPixmanAdd(state, &CSprite::BlendAddImmediate); }
void BM_MulImmediateVsPixmanAdd(benchmark::State& state) { VsPixmanAdd(state, &CSprite::BlendMulImmediate); }
void BM_SubImmediateVsPixmanAdd(benchmark::State& state) { VsPixmanAdd(state, &CSprite::BlendSubImmediate); }

void Sources(benchmark::internal::Benchmark* b) {
    b->ArgNames({"random_alpha"});
    b->Arg(0)->Arg(1);
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_AddImmediateVsPixmanAdd)->Apply(Sources);
BENCHMARK(BM_MulImmediateVsPixmanAdd)->Apply(Sources);
BENCHMARK(BM_SubImmediateVsPixmanAdd)->Apply(Sources);
