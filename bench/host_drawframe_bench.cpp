// The panel frame (cuts 4, 12, 4, 12 on a 16 x 16 sprite, COPY) drawn over a
// whole 1920 x 1080 window:
//   Stretch   edges and centre stretched: five stretched copies, four corners
//   Tile      edges and centre tiled from 8 x 8 pieces (about 32,000 copies)
// against one memcpy of the same 1920 x 1080 pixels (the least that writing
// every pixel once can cost). Reports speed = memcpy time / frame time and
// both times per call. Aim: under 2 ms a frame (a window redraws its frame
// only when it changes size or content), i.e. speed above about 0.2.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/TimeInTurns.h"
#include "host/draw/FrameInfo.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

void DrawFrame1080p(benchmark::State& state, uint32_t flags) {
    InitRasterLibrary(1);
    QRKWDRFrameInfo frame;
    QRKWDRFrameInfo::FrameLayer* layer = frame.AllocateLayers(1);
    layer->sprite.Create(16, 16, false);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) *layer->sprite.PixelAt(x, y) = 0xFF000000u | uint32_t(x * 4096 + y * 16);
    layer->x1 = 4, layer->x2 = 12, layer->y1 = 4, layer->y2 = 12;
    layer->flags = flags;

    CSprite target;
    target.Create(kWidth, kHeight, false);
    std::vector<uint32_t> from(size_t(kWidth) * kHeight, 0xFF336699u), to(from.size());

    double frameSeconds = 0, copySeconds = 0;
    bool ok = true;
    bench::TimeInTurns(
        state, [] {}, [&] { ok &= frame.DrawFrame(0, 0, target, kWidth, kHeight); },
        [&] { std::memcpy(to.data(), from.data(), from.size() * sizeof(uint32_t)); }, frameSeconds, copySeconds);
    if (!ok) state.SkipWithError("DrawFrame refused the frame");
    const double n = double(state.iterations());
    state.counters["frame_ms"] = frameSeconds / n * 1e3;
    state.counters["memcpy_ms"] = copySeconds / n * 1e3;
    state.counters["speed"] = copySeconds / frameSeconds;
}

void BM_DrawFrameStretch(benchmark::State& state) { DrawFrame1080p(state, 1 | 1 << 2); }
void BM_DrawFrameTile(benchmark::State& state) { DrawFrame1080p(state, 2 | 1 << 2); }

BENCHMARK(BM_DrawFrameStretch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawFrameTile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
