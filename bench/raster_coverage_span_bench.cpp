// The source-over coverage span (ColourOverSpan::Run) over rows of 1024 pixels,
// against two references on the same buffers:
//   pixman   OVER of a solid colour of alpha a onto a8r8g8b8 (its solid fast
//            path; a = 255 is its fill), the job a span does for a shape's
//            interior (aim: speed >= 1);
//   scalar   the rule one pixel at a time (pixel::LayOver, or a plain store at
//            full weight): what the vector paths gain.
// Coverage 256 at opacity 255 (a = 256, stores only) and coverage 128 (a =
// 128, the lay-over); canvases opaque, transparent (the two rows of the union
// table the span knows without a lookup), a layer of random alpha (a lookup
// per pixel) and a layer of alpha 128 (one lookup per eight pixels). 64 rows of 1024 pixels per call, restored before each.
// Reports speed = reference time / span time and the time per 1024-pixel run.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>

#include "bench/BenchSupport.h"
#include "raster/surface/sprite/CoverageSpans.h"
#include "raster/surface/sprite/PixelRules.h"

namespace {

constexpr int32_t kWidth = 1024, kRows = 64;
constexpr uint32_t kColour = 0x3A9CE1u;

uint32_t TransparentCanvas(std::mt19937& rng) { return rng() & 0x00FFFFFFu; }
uint32_t HalfCanvas(std::mt19937& rng) { return bench::RandomPremultiplied(rng, 128); }
const bench::CanvasFill kCanvases[] = {bench::OpaqueCanvas, TransparentCanvas, bench::LayerCanvas, HalfCanvas};

void Spans(bench::Scene& scene, uint32_t c) {
    const coverage::ColourOverSpan span(kColour, 255);
    for (int32_t y = 0; y < kRows; ++y) span.Run(scene.target.PixelAt(0, y), kWidth, c);
}

void Report(benchmark::State& state) {
    const double runs = static_cast<double>(kRows);
    state.counters["span_ns_per_1024px"] = state.counters["kernel_ms"] * 1e6 / runs;
    state.counters["reference_ns_per_1024px"] = state.counters["reference_ms"] * 1e6 / runs;
}

void BM_SpanVsPixmanOver(benchmark::State& state) {
    const uint32_t c = static_cast<uint32_t>(state.range(0));
    bench::Scene scene(kWidth, kRows, bench::kOpaque, kCanvases[state.range(1)], 1);
    const uint32_t a = c == 256 ? 255 : c;  // opacity 255: a = c
    const pixman_color_t solid = {static_cast<uint16_t>(((kColour >> 16) & 0xFF) * a * 257 / 255),
                                  static_cast<uint16_t>(((kColour >> 8) & 0xFF) * a * 257 / 255),
                                  static_cast<uint16_t>((kColour & 0xFF) * a * 257 / 255),
                                  static_cast<uint16_t>(a * 257)};
    pixman_image_t* source = pixman_image_create_solid_fill(&solid);
    bench::Compare(
        state, scene, [&] { Spans(scene, c); },
        [&] {
            pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, scene.pixTarget, 0, 0, 0, 0, 0, 0, kWidth,
                                     kRows);
        });
    pixman_image_unref(source);
    Report(state);
}

void BM_SpanVsScalarRule(benchmark::State& state) {
    const uint32_t c = static_cast<uint32_t>(state.range(0));
    bench::Scene scene(kWidth, kRows, bench::kOpaque, kCanvases[state.range(1)], 1);
    bench::Compare(
        state, scene, [&] { Spans(scene, c); },
        [&] {
            for (int32_t y = 0; y < kRows; ++y) {
                uint32_t* d = scene.target.PixelAt(0, y);
                if (c == 256) {
                    for (int32_t i = 0; i < kWidth; ++i) d[i] = kColour | 0xFF000000u;
                } else {
                    for (int32_t i = 0; i < kWidth; ++i) d[i] = pixel::LayOver(d[i], kColour, c);
                }
                benchmark::DoNotOptimize(d);
            }
        });
    Report(state);
}

// An edge as a scan converter hands it over: every pixel a run of its own at
// its own coverage (1..255), against the rule inlined in the loop. Shows what
// a run of one costs beyond the rule itself (aim: speed >= 0.9).
void BM_SinglePixelRunsVsScalarRule(benchmark::State& state) {
    bench::Scene scene(kWidth, kRows, bench::kOpaque, kCanvases[state.range(0)], 1);
    auto coverageAt = [](int32_t i) { return static_cast<uint32_t>(i % 255 + 1); };
    bench::Compare(
        state, scene,
        [&] {
            const coverage::ColourOverSpan span(kColour, 255);
            for (int32_t y = 0; y < kRows; ++y) {
                uint32_t* d = scene.target.PixelAt(0, y);
                for (int32_t i = 0; i < kWidth; ++i) span.Run(d + i, 1, coverageAt(i));
            }
        },
        [&] {
            for (int32_t y = 0; y < kRows; ++y) {
                uint32_t* d = scene.target.PixelAt(0, y);
                for (int32_t i = 0; i < kWidth; ++i) d[i] = pixel::LayOver(d[i], kColour, coverageAt(i));
                benchmark::DoNotOptimize(d);
            }
        });
    Report(state);
}

void CoveragesAndCanvases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"coverage", "canvas"});
    for (int64_t c : {256, 128})
        for (int64_t canvas = 0; canvas < 4; ++canvas) b->Args({c, canvas});
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_SpanVsPixmanOver)->Apply(CoveragesAndCanvases);
BENCHMARK(BM_SpanVsScalarRule)->Apply(CoveragesAndCanvases);
BENCHMARK(BM_SinglePixelRunsVsScalarRule)->ArgName("canvas")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace
