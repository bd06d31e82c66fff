// The first-use build of the fixed-point trigonometric tables, measured
// against one frame at 60 Hz (16.7 ms), the budget of the first frame that
// would need them:
//   PolarAndTrig  InitTrigTables: the 2048 x 2048 radius/angle table, sine,
//                 arc sine, circle root and square root;
//   All           every table (the sphere ratio too), as the raster library's
//                 start-up builds them.
// Reported: the build time and frames = build time / 16.7 ms. A build of more
// than a frame is why the start-up builds the tables rather than the first
// kernel that reads them; there is no aim beyond that.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "raster/filter/TrigTables.h"

namespace {

constexpr double kFrameSeconds = 1.0 / 60;

template <class Build>
void TimeBuild(benchmark::State& state, Build build) {
    double total = 0;
    for (auto _ : state) {
        auto tables = std::make_unique<CTrigTables>();
        const auto start = std::chrono::steady_clock::now();
        build(*tables);
        const auto end = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(tables->Polar());
        const double seconds = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        tables.reset();  // freed outside the measured span
    }
    state.counters["frames"] = total / static_cast<double>(state.iterations()) / kFrameSeconds;
}

void BM_TrigTablesBuildAll(benchmark::State& state) {
    TimeBuild(state, [](CTrigTables& t) { t.InitSphereRatioTable(); });
}

void BM_TrigTablesBuildPolarAndTrig(benchmark::State& state) {
    TimeBuild(state, [](CTrigTables& t) { t.InitTrigTables(); });
}

}  // namespace

BENCHMARK(BM_TrigTablesBuildAll)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TrigTablesBuildPolarAndTrig)->UseManualTime()->Unit(benchmark::kMillisecond);
