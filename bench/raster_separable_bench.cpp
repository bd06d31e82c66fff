// Separable blend modes (Merge method, full form) against pixman's PDF
// separable operators on the same buffers, 1920 x 1080:
//   Screen, Overlay, SoftLight, ColorDodge, and Multiply (the Mul family's
//   Merge member) vs PIXMAN_OP_SCREEN, OVERLAY, SOFT_LIGHT, COLOR_DODGE,
//   MULTIPLY (aim: speed >= 3).
// The source has smooth alpha (a gradient); the destination is an opaque
// canvas (canvas 0) or a layer with random alpha (canvas 1). Colours never
// exceed their alpha, so the same bytes are valid premultiplied pixels for
// pixman. The destination is restored before every timed call; both sides are
// timed in the same iteration, taking turns at going first, and the output
// reports speed = pixman time / kernel time (above 1: the kernel is faster).
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

    explicit Scene(bool layer) {
        InitRasterLibrary(1);
        source.Create(kWidth, kHeight, false);
        target.Create(kWidth, kHeight, false);
        std::mt19937 rng(7);
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                const uint32_t a = static_cast<uint32_t>((x * 255 / kWidth + y * 255 / kHeight) / 2);
                uint32_t p = a << 24;
                for (int c = 0; c < 3; ++c) p |= ((rng() & 0xFF) * a / 255) << (8 * c);
                *source.PixelAt(x, y) = p;
                const uint32_t da = layer ? rng() & 0xFF : 255;
                uint32_t q = da << 24;
                for (int c = 0; c < 3; ++c) q |= ((rng() & 0xFF) * da / 255) << (8 * c);
                *target.PixelAt(x, y) = q;
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

using MergeFn = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);

struct Mode {
    MergeFn member;
    pixman_op_t op;
};

const Mode kModes[] = {
    {&CSprite::BlendScreenMerge, PIXMAN_OP_SCREEN},         {&CSprite::BlendOverlayMerge, PIXMAN_OP_OVERLAY},
    {&CSprite::BlendSoftLightMerge, PIXMAN_OP_SOFT_LIGHT},  {&CSprite::BlendColorDodgeMerge, PIXMAN_OP_COLOR_DODGE},
    {&CSprite::BlendMulMerge, PIXMAN_OP_MULTIPLY},
};

void BM_SeparableMergeVsPixman(benchmark::State& state) {
    const Mode& mode = kModes[state.range(0)];
    Scene scene(state.range(1) != 0);
    using Clock = std::chrono::steady_clock;
    auto timed = [&scene](auto&& f) {
        scene.Reset();
        const auto t0 = Clock::now();
        f();
        benchmark::ClobberMemory();
        return std::chrono::duration<double>(Clock::now() - t0).count();
    };
    auto ours = [&] { (scene.target.*mode.member)(0, 0, scene.source, 0, 0, kWidth, kHeight); };
    auto reference = [&] {
        pixman_image_composite32(mode.op, scene.pixSource, nullptr, scene.pixTarget, 0, 0, 0, 0, 0, 0, kWidth,
                                 kHeight);
    };
    double oursSeconds = 0, referenceSeconds = 0;
    bool oursFirst = true;
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
    state.counters["pixman_ms"] = referenceSeconds / n * 1e3;
}

void ModesAndCanvases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"mode", "canvas"});
    for (int canvas = 0; canvas < 2; ++canvas)
        for (int mode = 0; mode < static_cast<int>(sizeof(kModes) / sizeof(kModes[0])); ++mode)
            b->Args({mode, canvas});
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

// mode 0 Screen, 1 Overlay, 2 SoftLight, 3 ColorDodge, 4 Multiply;
// canvas 0 = opaque destination, 1 = destination with random alpha.
BENCHMARK(BM_SeparableMergeVsPixman)->Apply(ModesAndCanvases);
