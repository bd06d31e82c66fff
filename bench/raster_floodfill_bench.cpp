// Flood fill of a 4096 x 4096 canvas: speed and the span stack's memory.
//
// Shapes: a plain region (every pixel), serpentine one-pixel corridors along
// the rows and along the columns, a comb (one open row, teeth one pixel wide),
// a perfect maze of two-pixel cells, and random noise at 70% open pixels (a
// percolating blob full of holes, the hardest case for a span stack). Each
// iteration fills the seed's region with the other of two values, so the next
// iteration finds the same region again without a reset.
//
// Reported per shape:
//   Mpixel/s          filled pixels per second (items_per_second / 1e6)
//   region_pixels     pixels of the region
//   stack_peak_bytes  largest byte size of the span stack during one fill
//   stack_per_side    stack_peak_bytes / (width + height): O(width + height)
//                     means this stays a small constant as the canvas grows
//   image_bytes       the canvas itself, for scale
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "raster/surface/fill/FloodFill.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr uint32_t kWall = 0xFF000000u;
constexpr uint32_t kA = 0xFF3366AAu;
constexpr uint32_t kB = 0xFFAA6633u;

enum Shape { kPlain, kSerpentineRows, kSerpentineColumns, kComb, kMaze, kNoise };

void Draw(CSprite& s, Shape shape) {
    const int32_t w = s.GetWidth(), h = s.GetHeight();
    std::mt19937 rng(1234);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            bool wall = false;
            switch (shape) {
                case kPlain: break;
                case kSerpentineRows: wall = y % 2 == 1 && x != ((y / 2) % 2 == 0 ? w - 1 : 0); break;
                case kSerpentineColumns: wall = x % 2 == 1 && y != ((x / 2) % 2 == 0 ? h - 1 : 0); break;
                case kComb: wall = y > 0 && x % 2 == 1; break;
                case kMaze: wall = true; break;
                case kNoise: wall = rng() % 10 >= 7; break;
            }
            *s.PixelAt(x, y) = wall ? kWall : kA;
        }
    *s.PixelAt(0, 0) = kA;
    if (shape != kMaze) return;
    // Depth-first carving of a perfect maze over cells at even coordinates.
    const int32_t cw = w / 2, ch = h / 2;
    std::vector<uint8_t> seen(size_t(cw) * ch, 0);
    std::vector<std::pair<int32_t, int32_t>> path{{0, 0}};
    seen[0] = 1;
    const int32_t steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    while (!path.empty()) {
        const auto [cx, cy] = path.back();
        int32_t order[4] = {0, 1, 2, 3};
        std::shuffle(order, order + 4, rng);
        bool moved = false;
        for (int32_t k : order) {
            const int32_t nx = cx + steps[k][0], ny = cy + steps[k][1];
            if (nx < 0 || ny < 0 || nx >= cw || ny >= ch || seen[size_t(ny) * cw + nx]) continue;
            seen[size_t(ny) * cw + nx] = 1;
            *s.PixelAt(2 * cx + steps[k][0], 2 * cy + steps[k][1]) = kA;
            *s.PixelAt(2 * nx, 2 * ny) = kA;
            path.push_back({nx, ny});
            moved = true;
            break;
        }
        if (!moved) path.pop_back();
    }
}

long MaxRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_FloodFill(benchmark::State& state, Shape shape, int32_t side) {
    InitRasterLibrary(1);
    CSprite s;
    if (!s.Create(side, side, false)) {
        state.SkipWithError("no canvas");
        return;
    }
    Draw(s, shape);
    int64_t region = 0;
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) region += *s.PixelAt(x, y) == kA;
    const long rssBefore = MaxRssKiB();
    uint64_t peak = 0;
    bool toB = true;
    for (auto _ : state) {
        s.FloodFill(0, 0, side, side, 0, 0, toB ? kB : kA);
        toB = !toB;
        peak = std::max(peak, raster_test::FloodFillLastPeakBytes());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * region);
    state.counters["region_pixels"] = double(region);
    state.counters["stack_peak_bytes"] = double(peak);
    state.counters["stack_per_side"] = double(peak) / double(side + side);
    state.counters["image_bytes"] = double(side) * side * 4;
    state.counters["maxrss_growth_KiB"] = double(MaxRssKiB() - rssBefore);
}

void Register() {
    struct Named {
        const char* name;
        Shape shape;
    };
    const Named shapes[] = {{"plain", kPlain},       {"serpentine_rows", kSerpentineRows},
                            {"serpentine_columns", kSerpentineColumns}, {"comb", kComb},
                            {"maze", kMaze},         {"noise70", kNoise}};
    for (int32_t side : {1024, 4096})
        for (const Named& n : shapes)
            benchmark::RegisterBenchmark(("FloodFill/" + std::to_string(side) + "/" + n.name).c_str(), BM_FloodFill,
                                         n.shape, side)
                ->Unit(benchmark::kMillisecond);
}

const int kRegistered = (Register(), 0);

}  // namespace
