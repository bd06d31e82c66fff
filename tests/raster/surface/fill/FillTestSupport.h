#pragma once
// Shared pieces of the fill tests: random sprites, a rectangle model of the
// clipping, and plain per-channel arithmetic to compare the fills against.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace fill_test {

using raster_test::Filled;
using raster_test::Pixels;

class FillTest : public raster_test::ReadyLibraryTest {
protected:
    std::mt19937 rng{20240611};

    uint32_t Random32() { return static_cast<uint32_t>(rng()); }
    int32_t RandomIn(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }

    // Alpha 0, 255 and in-between in about equal parts: every branch of the
    // alpha rules gets its share.
    uint32_t RandomPixel() {
        const uint32_t colour = Random32() & 0x00FFFFFFu;
        switch (rng() % 3) {
            case 0: return colour;
            case 1: return colour | 0xFF000000u;
            default: return colour | (Random32() << 24);
        }
    }

    // Opacities with the special values (0, 255, the quarter shortcuts) often.
    uint8_t RandomOpacity() {
        static const uint8_t kSpecial[] = {0, 1, 64, 127, 128, 129, 192, 254, 255};
        if (rng() % 2 == 0) return kSpecial[rng() % std::size(kSpecial)];
        return static_cast<uint8_t>(rng());
    }

    CSprite RandomSprite(int32_t w, int32_t h) {
        return raster_test::Painted(w, h, [this](int32_t, int32_t) { return RandomPixel(); });
    }

    // A clip rectangle that is the whole image half of the time, otherwise a
    // part of it that is not empty.
    void RandomClip(CSprite& s) {
        if (rng() % 2 == 0) return;
        const int32_t l = RandomIn(0, (s.GetWidth() - 1) / 2), t = RandomIn(0, (s.GetHeight() - 1) / 2);
        s.SetClipRect(l, t, RandomIn(l + 1, s.GetWidth()), RandomIn(t + 1, s.GetHeight()));
    }
};

struct Rect {
    int32_t x, y, w, h;
};

inline uint32_t Byte(uint32_t p, int k) { return (p >> (8 * k)) & 0xFFu; }
inline uint32_t Alpha(uint32_t p) { return p >> 24; }
inline uint32_t WithAlpha(uint32_t p, uint32_t a) { return (p & 0x00FFFFFFu) | (a << 24); }
inline uint32_t WithColour(uint32_t p, uint32_t c) { return (p & 0xFF000000u) | (c & 0x00FFFFFFu); }

// (c * w + p * (256 - w)) >> 8 for R, G and B one at a time; alpha byte 0.
inline uint32_t Mix(uint32_t c, uint32_t p, uint32_t w) {
    uint32_t out = 0;
    for (int k = 0; k < 3; ++k) out |= ((Byte(c, k) * w + Byte(p, k) * (256 - w)) >> 8) << (8 * k);
    return out;
}

inline uint32_t UnionAlpha(uint32_t upper, uint32_t lower) { return AlphaUnionTable[upper * 256 + lower] & 0xFFu; }
inline uint32_t UnionWeight(uint32_t upper, uint32_t lower) { return (AlphaUnionTable[upper * 256 + lower] >> 8) + 1; }

// The pixels of `before` with `rule` applied inside rectangle r cut to the clip
// rectangle (the plain intersection, computed in 64 bits).
inline std::vector<uint32_t> ModelRect(const CSprite& s, std::vector<uint32_t> before, Rect r,
                                       const std::function<uint32_t(uint32_t)>& rule) {
    const int64_t x0 = std::max<int64_t>(r.x, s.GetClipLeft()), x1 = std::min<int64_t>(int64_t{r.x} + r.w, s.GetClipRight());
    const int64_t y0 = std::max<int64_t>(r.y, s.GetClipTop()), y1 = std::min<int64_t>(int64_t{r.y} + r.h, s.GetClipBottom());
    for (int64_t y = y0; y < y1; ++y)
        for (int64_t x = x0; x < x1; ++x) {
            uint32_t& p = before[static_cast<size_t>(y * s.GetWidth() + x)];
            p = rule(p);
        }
    return before;
}

// The pixels of `before` with rule(p, other) applied where destination pixel
// (r.x + i, r.y + j) lies in the clip rectangle and the other sprite's pixel
// (ox + i, oy + j) lies in its image.
inline std::vector<uint32_t> ModelBlit(const CSprite& s, std::vector<uint32_t> before, Rect r, const CSprite& other,
                                       int32_t ox, int32_t oy,
                                       const std::function<uint32_t(uint32_t, uint32_t)>& rule) {
    for (int64_t j = 0; j < r.h; ++j)
        for (int64_t i = 0; i < r.w; ++i) {
            const int64_t x = r.x + i, y = r.y + j, sx = ox + i, sy = oy + j;
            if (x < s.GetClipLeft() || x >= s.GetClipRight() || y < s.GetClipTop() || y >= s.GetClipBottom()) continue;
            if (sx < 0 || sy < 0 || sx >= other.GetWidth() || sy >= other.GetHeight()) continue;
            uint32_t& p = before[static_cast<size_t>(y * s.GetWidth() + x)];
            p = rule(p, *other.PixelAt(static_cast<int32_t>(sx), static_cast<int32_t>(sy)));
        }
    return before;
}

}  // namespace fill_test
