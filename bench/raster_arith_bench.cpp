// Arithmetic blend families against pixman's ADD on the same buffers:
//   BlendAddImmediate  vs pixman ADD a8r8g8b8 -> a8r8g8b8 (aim: speed >= 0.67, within 1.5x)
//   BlendMulImmediate  vs pixman ADD                      (aim: speed >= 0.8)
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

#include <cstdint>

#include "bench/BenchSupport.h"

namespace {

using bench::Compare;
using bench::Scene;

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

using Member = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);

void VsPixmanAdd(benchmark::State& state, Member member) {
    Scene scene(kWidth, kHeight, state.range(0) != 0 ? bench::kRandom : bench::kOpaque, bench::DimOpaqueCanvas, 1);
    Compare(
        state, scene, [&] { (scene.target.*member)(0, 0, scene.source, 0, 0, kWidth, kHeight); },
        [&] {
            pixman_image_composite32(PIXMAN_OP_ADD, scene.pixSource, nullptr, scene.pixTarget, 0, 0, 0, 0, 0, 0,
                                     kWidth, kHeight);
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
