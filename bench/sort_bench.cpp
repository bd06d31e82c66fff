// Sorting a string array of 300000 items (the chunked sort with block merges)
// against std::stable_sort of the same pointers with the same comparator.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "foundation/containers/StrArray.h"

namespace {

constexpr int kItems = 300000;

// Shape 0: random texts of 4 to 12 letters. Shape 1: object-like names with a
// long common prefix and many duplicates. Shape 2: already sorted.
void FillNames(CStrArray_base<64>& array, int shape) {
    std::mt19937 rng(2024);
    char text[64];
    for (int i = 0; i < kItems; ++i) {
        switch (shape) {
        case 0: {
            const int len = 4 + static_cast<int>(rng() % 9);
            for (int j = 0; j < len; ++j) text[j] = static_cast<char>('a' + rng() % 26);
            text[len] = 0;
            break;
        }
        case 1:
            std::snprintf(text, sizeof text, "Scene/Character/Parts_%05u", static_cast<unsigned>(rng() % 50000));
            break;
        default:
            std::snprintf(text, sizeof text, "item%08d", i);
            break;
        }
        array.Add(text);
    }
}

struct Fixture {
    CStrArray_base<64> array;
    std::vector<CStr_base<64>*> original;
    explicit Fixture(int shape) {
        FillNames(array, shape);
        original.assign(array.begin(), array.end());
    }
    void Restore() { std::memcpy(array.GetIndex(), original.data(), original.size() * sizeof(original[0])); }
};

void BM_StrArraySort(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        f.Restore();
        state.ResumeTiming();
        f.array.Sort();
        benchmark::DoNotOptimize(f.array.GetIndex());
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

void BM_StdStableSortOfPointers(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    std::vector<CStr_base<64>*> pointers;
    for (auto _ : state) {
        state.PauseTiming();
        pointers = f.original;
        state.ResumeTiming();
        std::stable_sort(pointers.begin(), pointers.end(), CStrArray_base<64>::TextLess{});
        benchmark::DoNotOptimize(pointers.data());
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

}  // namespace

BENCHMARK(BM_StrArraySort)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdStableSortOfPointers)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
