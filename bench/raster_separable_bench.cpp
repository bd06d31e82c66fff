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

#include <cstdint>

#include "bench/BenchSupport.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

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
    bench::Scene scene(kWidth, kHeight, bench::kSmooth,
                       state.range(1) != 0 ? bench::LayerCanvas : bench::OpaqueCanvas, 7);
    bench::Compare(
        state, scene, [&] { (scene.target.*mode.member)(0, 0, scene.source, 0, 0, kWidth, kHeight); },
        [&] {
            pixman_image_composite32(mode.op, scene.pixSource, nullptr, scene.pixTarget, 0, 0, 0, 0, 0, 0, kWidth,
                                     kHeight);
        },
        "pixman_ms");
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
