// Insert and find of string keys: CMapSingle<int, 64, 32> (64 buckets, as the
// document's object map) against std::unordered_map<std::string, int> on the same
// keys. Keys look like object names ("Layer_0042_x"), short enough to be inline;
// one variant uses long keys that the map interns.
//
// The bucket count is fixed at 64 by the maps' users, so chains hold about n / 64
// elements; past 512 keys the map keeps a lookup table beside them, and find,
// insert and remove stay O(1) expected at every size. Long keys are interned
// once per process: after the first run of BM_MapInsert with long keys, its
// insertions find their keys in the interned-key table.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/maps/Map.h"

namespace {

std::vector<std::string> MakeKeys(size_t n, bool longKeys) {
    std::vector<std::string> keys;
    keys.reserve(n);
    char buffer[96];
    for (size_t i = 0; i < n; ++i) {
        if (longKeys)
            std::snprintf(buffer, sizeof buffer, "Background/Layer_%06zu_with_a_long_descriptive_name", i);
        else
            std::snprintf(buffer, sizeof buffer, "Layer_%06zu_%c", i, static_cast<char>('a' + i % 26));
        keys.emplace_back(buffer);
    }
    return keys;
}

// The same keys in a shuffled order, for lookups that do not follow insertion.
std::vector<const std::string*> Shuffled(const std::vector<std::string>& keys) {
    std::vector<const std::string*> order;
    order.reserve(keys.size());
    for (const std::string& k : keys) order.push_back(&k);
    std::mt19937 rng(12345);
    std::shuffle(order.begin(), order.end(), rng);
    return order;
}

using Map = CMapSingle<int, 64, 32>;

void BM_MapInsert(benchmark::State& state) {
    const auto keys = MakeKeys(static_cast<size_t>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        Map map;
        int* value = nullptr;
        for (size_t i = 0; i < keys.size(); ++i) {
            map.Insert(keys[i].c_str(), &value);
            *value = static_cast<int>(i);
        }
        benchmark::DoNotOptimize(map.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

void BM_StdInsert(benchmark::State& state) {
    const auto keys = MakeKeys(static_cast<size_t>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        std::unordered_map<std::string, int> map;
        for (size_t i = 0; i < keys.size(); ++i) map.emplace(keys[i], static_cast<int>(i));
        benchmark::DoNotOptimize(map.size());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

void BM_MapFind(benchmark::State& state) {
    const auto keys = MakeKeys(static_cast<size_t>(state.range(0)), state.range(1) != 0);
    const auto order = Shuffled(keys);
    Map map;
    int* value = nullptr;
    for (size_t i = 0; i < keys.size(); ++i) {
        map.Insert(keys[i].c_str(), &value);
        *value = static_cast<int>(i);
    }
    int64_t sum = 0;
    for (auto _ : state) {
        for (const std::string* k : order) sum += map.Find(k->c_str())->GetValue();
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

void BM_StdFind(benchmark::State& state) {
    const auto keys = MakeKeys(static_cast<size_t>(state.range(0)), state.range(1) != 0);
    const auto order = Shuffled(keys);
    std::unordered_map<std::string, int> map;
    for (size_t i = 0; i < keys.size(); ++i) map.emplace(keys[i], static_cast<int>(i));
    int64_t sum = 0;
    for (auto _ : state) {
        for (const std::string* k : order) sum += map.find(*k)->second;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

// Insert all keys, then remove them in shuffled order: removal unlinks from a
// chain without walking it.
void BM_MapInsertRemove(benchmark::State& state) {
    const auto keys = MakeKeys(static_cast<size_t>(state.range(0)), state.range(1) != 0);
    const auto order = Shuffled(keys);
    for (auto _ : state) {
        Map map;
        int* value = nullptr;
        for (size_t i = 0; i < keys.size(); ++i) {
            map.Insert(keys[i].c_str(), &value);
            *value = static_cast<int>(i);
        }
        for (const std::string* k : order) map.Remove(k->c_str());
        benchmark::DoNotOptimize(map.GetCount());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

void BM_StdInsertRemove(benchmark::State& state) {
    const auto keys = MakeKeys(static_cast<size_t>(state.range(0)), state.range(1) != 0);
    const auto order = Shuffled(keys);
    for (auto _ : state) {
        std::unordered_map<std::string, int> map;
        for (size_t i = 0; i < keys.size(); ++i) map.emplace(keys[i], static_cast<int>(i));
        for (const std::string* k : order) map.erase(*k);
        benchmark::DoNotOptimize(map.size());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(keys.size()));
}

// (number of keys, long keys). 100 and 1000 are the sizes documents and name sets
// actually have; 100,000 is the stress size.
void Sizes(benchmark::internal::Benchmark* b) {
    for (int64_t n : {100, 1000, 10000, 100000}) b->Args({n, 0});
    b->Args({1000, 1});
    b->Args({100000, 1});
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_MapInsert)->Apply(Sizes);
BENCHMARK(BM_StdInsert)->Apply(Sizes);
BENCHMARK(BM_MapFind)->Apply(Sizes);
BENCHMARK(BM_StdFind)->Apply(Sizes);
BENCHMARK(BM_MapInsertRemove)->Apply(Sizes);
BENCHMARK(BM_StdInsertRemove)->Apply(Sizes);

}  // namespace
