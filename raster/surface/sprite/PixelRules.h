#pragma once
// The basic pixel rules of the raster layer, written once.
//
// Pixels are 0xAARRGGBB with straight alpha. Every rule is integer arithmetic
// truncated by shifts:
//   mix        mix(L, U, w) = (L x (256 - w) + U x w) >> 8 per channel, w in
//              0..256 the weight of the upper colour U;
//   union      T = AlphaUnionTable[upper alpha][lower alpha]: the combined
//              alpha is T & 0xFF = a + (((256 - a) x b) >> 8), the upper
//              colour's weight (T >> 8) + 1;
//   lay-over   a colour laid over a pixel at an alpha a of 1..255: the colour
//              mixed in at the union weight, the alpha becomes the union alpha;
//   weight     an 8-bit opacity v weighs v + (v >> 7), so 255 weighs 256 and
//              0 nothing.
// Every kernel family (compositing kernels, fills, transitions, the scan
// converter's coverage spans) uses these, so one rule cannot drift apart in
// two places.
#include <cstdint>

#include "raster/surface/sprite/RasterLibrary.h"

namespace pixel {

constexpr uint32_t kAlphaBits = 0xFF000000u;
constexpr uint32_t kColourBits = 0x00FFFFFFu;
constexpr uint32_t kRB = 0x00FF00FFu;
constexpr uint32_t kG = 0x0000FF00u;

// An 8-bit opacity as a weight 0..256.
constexpr uint32_t Weight8(uint32_t v) noexcept { return v + (v >> 7); }

// The four channels spread into 16-bit lanes of a 64-bit word (B, R, G, A from
// the bottom), so that one multiplication weighs all four without carries: each
// lane holds at most 255 x 256.
constexpr uint64_t SpreadLanes(uint32_t p) noexcept {
    const uint64_t x = p;
    return (x | (x << 24)) & 0x00FF00FF00FF00FFull;
}
constexpr uint32_t JoinLanes(uint64_t lanes) noexcept {
    lanes &= 0x00FF00FF00FF00FFull;
    return static_cast<uint32_t>(lanes | (lanes >> 24));
}

// mix(lower, upper, w) on all four channels.
constexpr uint32_t Mix(uint32_t lower, uint32_t upper, uint32_t w) noexcept {
    return JoinLanes((SpreadLanes(lower) * (256 - w) + SpreadLanes(upper) * w) >> 8);
}

// mix(lower, upper, w) on the colour channels; the alpha byte of the result is
// 0. Red and blue share one multiplication under 0x00FF00FF, green goes alone:
// every channel sum stays below 65536, so the packed form is exact.
constexpr uint32_t MixColour(uint32_t lower, uint32_t upper, uint32_t w) noexcept {
    const uint32_t v = 256 - w;
    const uint32_t rb = ((upper & kRB) * w + (lower & kRB) * v) >> 8;
    const uint32_t g = ((upper & kG) * w + (lower & kG) * v) >> 8;
    return (rb & kRB) | (g & kG);
}

// AlphaUnionTable[upper][lower].
inline uint32_t Union(uint32_t upperAlpha, uint32_t lowerAlpha) noexcept {
    return AlphaUnionTable[(upperAlpha << 8) | lowerAlpha];
}
constexpr uint32_t UnionWeight(uint32_t entry) noexcept { return (entry >> 8) + 1; }
constexpr uint32_t UnionAlpha(uint32_t entry) noexcept { return entry & 0xFFu; }

// The union alpha computed directly: upper alpha a (0..255) over lower alpha b.
constexpr uint32_t AlphaOver(uint32_t a, uint32_t b) noexcept { return a + (((256 - a) * b) >> 8); }

// The colour of `colour` laid over d at alpha a (1..255): colour mixed in at
// the union weight, alpha the union alpha.
inline uint32_t LayOver(uint32_t d, uint32_t colour, uint32_t a) noexcept {
    const uint32_t e = Union(a, d >> 24);
    return (UnionAlpha(e) << 24) | MixColour(d, colour, UnionWeight(e));
}

// The alpha byte of p scaled by k (0..256), colour kept.
constexpr uint32_t ScaleAlpha(uint32_t p, uint32_t k) noexcept {
    return (p & kColourBits) | ((((p >> 24) * k) >> 8) << 24);
}

// The alpha of p scaled by k (0..256) with the red and green bytes as fraction
// bits: the top byte of the 32-bit product (p >> 8) x k. It is (A x k) >> 8 or
// one more, where the carry from red and green reaches the alpha; the scaled
// copies, the transitions and the masked fills keep this form.
constexpr uint32_t CarriedAlpha(uint32_t p, uint32_t k) noexcept { return ((p >> 8) * k) >> 24; }

}  // namespace pixel
