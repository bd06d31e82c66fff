// Format against the C runtime's snprintf on the document writer's typical line:
// a factor with an indent, four coordinates, a colour and a count, written into
// a reused string (as the writer does) versus a fixed char buffer.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>

#include "foundation/strings/Format.h"

namespace {

constexpr const char* kLine = "%sFill(%d,%d,%d,%d,%x,%u)";
constexpr const char* kIndent = "\t\t";

struct Values {
    int32_t x, y, w, h;
    uint32_t colour, count;
    void Step(uint32_t i) {
        x = static_cast<int32_t>(i % 2000) - 300;
        y = static_cast<int32_t>(i % 1500);
        w = 640 + static_cast<int32_t>(i % 37);
        h = 480;
        colour = 0xFF000000u | (i * 2654435761u >> 8);
        count = i;
    }
};

void BM_FormatFactorLine(benchmark::State& state) {
    CStr_base<1024> line;
    Values v{};
    uint32_t i = 0;
    for (auto _ : state) {
        v.Step(++i);
        line.Format(kLine, kIndent, v.x, v.y, v.w, v.h, v.colour, v.count);
        benchmark::DoNotOptimize(line.GetText());
    }
}
BENCHMARK(BM_FormatFactorLine);

void BM_SnprintfFactorLine(benchmark::State& state) {
    char line[1024];
    Values v{};
    uint32_t i = 0;
    for (auto _ : state) {
        v.Step(++i);
        std::snprintf(line, sizeof line, kLine, kIndent, v.x, v.y, v.w, v.h, v.colour, v.count);
        benchmark::DoNotOptimize(line);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SnprintfFactorLine);

// A settings line with a floating value: the C runtime does the conversion, so
// this shows the cost of the locale switch around it.
void BM_FormatSettingsDouble(benchmark::State& state) {
    CStr_base<1024> line;
    double d = 0.5;
    for (auto _ : state) {
        d += 0.25;
        line.Format("%s=%F\n", "Zoom", d);
        benchmark::DoNotOptimize(line.GetText());
    }
}
BENCHMARK(BM_FormatSettingsDouble);

void BM_SnprintfSettingsDouble(benchmark::State& state) {
    char line[1024];
    double d = 0.5;
    for (auto _ : state) {
        d += 0.25;
        std::snprintf(line, sizeof line, "%s=%f\n", "Zoom", d);
        benchmark::DoNotOptimize(line);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SnprintfSettingsDouble);

}  // namespace
