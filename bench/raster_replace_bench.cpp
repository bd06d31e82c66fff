// Conditional replacement over a 1920 x 1080 sprite against memcpy of the same
// bytes (a copy reads and writes each pixel once, as an in-place replacement
// does).
//
// Inputs: noise (random pixels, a quarter of them the key, so the test result
// changes from pixel to pixel) and smooth (a gradient whose alpha and colour
// change slowly, with long runs of keyed pixels). Each benchmark restores the
// sprite untimed before every call, times the member and memcpy in the same
// iteration taking turns, and reports
//   speed = memcpy time / member time   (1: memory speed; aim >= 0.7 for the
//   exact and colour-mixing members, which run four pixels at a time)
// with Mpixel/s of the member.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/TimeInTurns.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr int32_t kW = 1920, kH = 1080;
constexpr uint32_t kKey = 0x80336699u;

enum Input { kNoise, kSmooth };

struct Scene {
    CSprite target, tile;
    std::vector<uint32_t> initial, copy;

    explicit Scene(Input input) {
        InitRasterLibrary(1);
        target.Create(kW, kH, false);
        tile.Create(64, 64, false);
        std::mt19937 rng(3);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                uint32_t p;
                if (input == kNoise) {
                    p = (rng() & 3) == 0 ? kKey : static_cast<uint32_t>(rng());
                } else {
                    p = ((x / 64 + y / 64) & 1) != 0 ? kKey
                                                     : (uint32_t((x * 255) / kW) << 24) | (uint32_t(y & 0xFF) << 8);
                }
                *target.PixelAt(x, y) = p;
            }
        for (int32_t y = 0; y < 64; ++y)
            for (int32_t x = 0; x < 64; ++x) *tile.PixelAt(x, y) = static_cast<uint32_t>(rng());
        initial.assign(target.GetPixels(), target.GetPixels() + size_t(kW) * kH);
        copy.resize(initial.size());
    }
    void Reset() { std::memcpy(target.GetPixels(), initial.data(), initial.size() * 4); }
};

using Member = std::function<void(Scene&)>;

void BM_Replace(benchmark::State& state, Input input, Member member) {
    Scene scene(input);
    double ours = 0, reference = 0;
    bench::TimeInTurns(
        state, [&] { scene.Reset(); }, [&] { member(scene); },
        [&] { std::memcpy(scene.copy.data(), scene.target.GetPixels(), scene.initial.size() * 4); }, ours,
        reference);
    state.counters["speed_vs_memcpy"] = ours > 0 ? reference / ours : 0;
    state.counters["Mpixel/s"] = ours > 0 ? double(state.iterations()) * kW * kH / ours / 1e6 : 0;
}

void Register() {
    const std::pair<const char*, Member> members[] = {
        {"DataFromColorFull", [](Scene& s) { s.target.ReplaceDataFromColorFull(0, 0, kW, kH, kKey, 0xFF102030u); }},
        {"ColorFromColor/128", [](Scene& s) { s.target.ReplaceColorFromColor(0, 0, kW, kH, kKey, 0x102030u, 128); }},
        {"AlphaFromData/128", [](Scene& s) { s.target.ReplaceAlphaFromData(0, 0, kW, kH, kKey, 0x20, 128); }},
        {"DataFromAlpha/128 (union)",
         [](Scene& s) { s.target.ReplaceDataFromAlpha(0, 0, kW, kH, 0x80, 0xFF102030u, 128); }},
        {"DataIfGETiledFull", [](Scene& s) {
             s.target.ReplaceDataIfGETiledFull(0, 0, kW, kH, 0x40404040u, s.tile, 0, 0, 64, 64);
         }},
        {"ColorIfLeOrTiled/128", [](Scene& s) {
             s.target.ReplaceColorIfLeOrTiled(0, 0, kW, kH, 0x80808080u, s.tile, 0, 0, 64, 64, 128);
         }},
    };
    for (const auto& [name, member] : members) {
        for (const auto& [inputName, input] : {std::pair{"noise", kNoise}, std::pair{"smooth", kSmooth}}) {
            benchmark::RegisterBenchmark(("Replace/" + std::string(name) + "/" + inputName).c_str(), BM_Replace,
                                         input, member);
        }
    }
}

const int kRegistered = (Register(), 0);

}  // namespace
