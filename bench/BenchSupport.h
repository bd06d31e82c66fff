// Set-up shared by the raster benchmarks: filled sprite pairs wrapped for
// pixman, and timing two operations against each other in the same iteration.
#pragma once

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "bench/TimeInTurns.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace bench {

// How the source's alpha varies: 255 everywhere, a gradient (long runs of
// slowly changing alpha), or random per pixel.
enum SourceAlpha { kOpaque = 0, kSmooth = 1, kRandom = 2 };

// A premultiplied pixel of alpha a with random colours that never exceed it,
// so the same bytes are valid for pixman too.
inline uint32_t RandomPremultiplied(std::mt19937& rng, uint32_t a) {
    uint32_t p = a << 24;
    for (int c = 0; c < 3; ++c) p |= ((rng() & 0xFF) * a / 255) << (8 * c);
    return p;
}

// Destination fillings: each draws one pixel from rng.
inline uint32_t OpaqueCanvas(std::mt19937& rng) { return RandomPremultiplied(rng, 255); }
inline uint32_t LayerCanvas(std::mt19937& rng) { return RandomPremultiplied(rng, rng() & 0xFF); }
// Opaque with every channel below 0x80, so additive kernels do not saturate at once.
inline uint32_t DimOpaqueCanvas(std::mt19937& rng) { return 0xFF000000u | (rng() & 0x7F7F7F); }

using CanvasFill = uint32_t (*)(std::mt19937&);

inline pixman_image_t* WrapForPixman(CSprite& sprite) {
    return pixman_image_create_bits(PIXMAN_a8r8g8b8, sprite.GetWidth(), sprite.GetHeight(), sprite.GetPixels(),
                                    sprite.GetStride() * 4);
}

// A source and a target of the same size, both also seen as pixman images;
// Reset() restores the target before each timed call.
struct Scene {
    CSprite source;
    CSprite target;
    std::vector<uint32_t> initial;
    pixman_image_t* pixSource = nullptr;
    pixman_image_t* pixTarget = nullptr;

    Scene(int32_t w, int32_t h, SourceAlpha kind, CanvasFill canvas, uint32_t seed) {
        InitRasterLibrary(1);
        source.Create(w, h, false);
        target.Create(w, h, false);
        std::mt19937 rng(seed);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                uint32_t a = 255;
                if (kind == kSmooth) a = static_cast<uint32_t>((x * 255 / w + y * 255 / h) / 2);
                if (kind == kRandom) a = rng() & 0xFF;
                *source.PixelAt(x, y) = RandomPremultiplied(rng, a);
                *target.PixelAt(x, y) = canvas(rng);
            }
        initial.assign(target.GetPixels(), target.GetPixels() + static_cast<size_t>(w) * h);
        pixSource = WrapForPixman(source);
        pixTarget = WrapForPixman(target);
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    ~Scene() {
        pixman_image_unref(pixSource);
        pixman_image_unref(pixTarget);
    }
    void Reset() { std::memcpy(target.GetPixels(), initial.data(), initial.size() * 4); }
};


// Times a kernel against a reference on the scene and reports
// speed = reference time / kernel time (above 1: the kernel is faster) with
// both times per call in milliseconds.
template <class Ours, class Reference>
void Compare(benchmark::State& state, Scene& scene, Ours&& ours, Reference&& reference,
             const char* referenceCounter = "reference_ms") {
    double oursSeconds = 0, referenceSeconds = 0;
    TimeInTurns(state, [&scene] { scene.Reset(); }, ours, reference, oursSeconds, referenceSeconds);
    const double n = static_cast<double>(state.iterations());
    state.counters["speed"] = oursSeconds > 0 ? referenceSeconds / oursSeconds : 0;
    state.counters["kernel_ms"] = oursSeconds / n * 1e3;
    state.counters[referenceCounter] = referenceSeconds / n * 1e3;
}

}  // namespace bench
