// Rotated draws against pixman's nearest-neighbour affine transform, on the
// same buffers (square canvases of 1024 and 2048 pixels, a source of the same
// size turned by 30 degrees about its centre at scale 1):
//   fast  BlitRotated straight onto the canvas
//         vs pixman SRC with a rotation transform and the NEAREST filter
//         (the same work: one nearest sample per covered pixel);     aim: speed >= 0.8
//   full  the renderer's quality path: the canvas enlarged 4 times, BlitRotated
//         at 4 times the geometry, Downsample4x4, copied back
//         vs the same pixman call at 1x: speed is the share of the fast
//         reference the quality path costs (16 samples per pixel plus the
//         enlargement and the reduction), reported, not aimed at;
//   full-kernel  only the 4x BlitRotated of the quality path
//         vs pixman's nearest transform onto the same 4x buffer;     aim: speed >= 0.8
// Each benchmark times both sides in the same iteration, taking turns at going
// first, and reports speed = pixman time / our time with both times per call.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <numbers>

#include "bench/BenchSupport.h"

namespace {

using bench::Compare;
using bench::Scene;

constexpr double kAngle = 30.0;

// pixman maps destination points to source points: about the centre, by the
// inverse of the clockwise turn.
void SetRotation(pixman_image_t* source, int32_t w, int32_t h, double scale) {
    const double a = kAngle * std::numbers::pi / 180;
    pixman_f_transform f;
    pixman_f_transform_init_identity(&f);
    pixman_f_transform_translate(&f, nullptr, -w * scale / 2, -h * scale / 2);
    pixman_f_transform_rotate(&f, nullptr, std::cos(-a), std::sin(-a));
    pixman_f_transform_scale(&f, nullptr, 1 / scale, 1 / scale);
    pixman_f_transform_translate(&f, nullptr, w / 2.0, h / 2.0);
    pixman_transform t;
    pixman_transform_from_pixman_f_transform(&t, &f);
    pixman_image_set_transform(source, &t);
    pixman_image_set_filter(source, PIXMAN_FILTER_NEAREST, nullptr, 0);
}

int32_t SideOf(const benchmark::State& state) { return state.range(0) == 0 ? 1024 : 2048; }

void BM_RotateFastVsPixmanNearest(benchmark::State& state) {
    const int32_t n = SideOf(state);
    Scene scene(n, n, bench::kRandom, bench::OpaqueCanvas, 1);
    SetRotation(scene.pixSource, n, n, 1.0);
    Compare(
        state, scene,
        [&] { scene.target.BlitRotated(0, 0, n, n, 0, 0, kAngle, 1, 1, scene.source, 0, 0, n, n, 0.5, 0.5); },
        [&] {
            pixman_image_composite32(PIXMAN_OP_SRC, scene.pixSource, nullptr, scene.pixTarget, 0, 0, 0, 0, 0, 0, n,
                                     n);
        });
}

void BM_RotateFullVsPixmanNearest(benchmark::State& state) {
    const int32_t n = SideOf(state);
    Scene scene(n, n, bench::kRandom, bench::OpaqueCanvas, 1);
    SetRotation(scene.pixSource, n, n, 1.0);
    CSprite scratch;
    scratch.ResizeUncleared(4 * n, 4 * n);
    scratch.FillRect(0, 0, 4 * n, 4 * n, 0);  // its pages touched before the timing
    Compare(
        state, scene,
        [&] {
            scratch.DrawCopyStretched(0, 0, 4 * n, 4 * n, scene.target, 0, 0, n, n);
            scratch.BlitRotated(0, 0, 4 * n, 4 * n, 0, 0, kAngle, 4, 4, scene.source, 0, 0, n, n, 0.5, 0.5);
            scratch.Downsample4x4(0, 0, 4 * n, 4 * n);
            scene.target.DrawCopy(0, 0, scratch, 0, 0, n, n);
        },
        [&] {
            pixman_image_composite32(PIXMAN_OP_SRC, scene.pixSource, nullptr, scene.pixTarget, 0, 0, 0, 0, 0, 0, n,
                                     n);
        });
}

void BM_RotateFullKernelVsPixmanNearest(benchmark::State& state) {
    const int32_t n = SideOf(state);
    Scene scene(n, n, bench::kRandom, bench::OpaqueCanvas, 1);
    SetRotation(scene.pixSource, n, n, 4.0);
    CSprite scratch;
    scratch.ResizeUncleared(4 * n, 4 * n);
    scratch.FillRect(0, 0, 4 * n, 4 * n, 0);  // its pages touched before the timing
    pixman_image_t* pixScratch = bench::WrapForPixman(scratch);
    Compare(
        state, scene,
        [&] { scratch.BlitRotated(0, 0, 4 * n, 4 * n, 0, 0, kAngle, 4, 4, scene.source, 0, 0, n, n, 0.5, 0.5); },
        [&] {
            pixman_image_composite32(PIXMAN_OP_SRC, scene.pixSource, nullptr, pixScratch, 0, 0, 0, 0, 0, 0, 4 * n,
                                     4 * n);
        });
    pixman_image_unref(pixScratch);
}

void Sides(benchmark::internal::Benchmark* b) {
    b->ArgNames({"side"});
    b->Arg(0)->Arg(1);
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

// side 0 = 1024 x 1024, 1 = 2048 x 2048.
BENCHMARK(BM_RotateFastVsPixmanNearest)->Apply(Sides);
BENCHMARK(BM_RotateFullVsPixmanNearest)->Apply(Sides);
BENCHMARK(BM_RotateFullKernelVsPixmanNearest)->Apply(Sides);
