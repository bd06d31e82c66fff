#pragma once
// Helpers every raster test folder needs: a fixture with the raster library
// ready, sprites written pixel by pixel (without the members under test),
// pixel dumps to compare, random pixels, and the union drawing rule written
// out channel by channel.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace raster_test {

// Starts the raster library for each test and starts it again afterwards, in
// case the test stopped it (a second start-up is a harmless refusal).
class ReadyLibraryTest : public ::testing::Test {
protected:
    void SetUp() override { InitRasterLibrary(1); }
    void TearDown() override { InitRasterLibrary(1); }
};

// Writes pixel(x, y) into every pixel, row by row (so a pixel function that
// draws random numbers draws them in reading order).
template <class PixelFn>
void Paint(CSprite& s, PixelFn pixel) {
    for (int32_t y = 0; y < s.GetHeight(); ++y)
        for (int32_t x = 0; x < s.GetWidth(); ++x) *s.PixelAt(x, y) = pixel(x, y);
}

// A new w x h sprite painted with pixel(x, y).
template <class PixelFn>
CSprite Painted(int32_t w, int32_t h, PixelFn pixel) {
    CSprite s;
    EXPECT_TRUE(s.Create(w, h, false));
    Paint(s, pixel);
    return s;
}

// A new w x h sprite of one value.
inline CSprite Filled(int32_t w, int32_t h, uint32_t value) {
    return Painted(w, h, [value](int32_t, int32_t) { return value; });
}

// Gives an existing sprite a fresh w x h image (contents undefined).
inline void Make(CSprite& s, int32_t w, int32_t h) {
    s.Release();
    ASSERT_TRUE(s.Create(w, h, false));
}

inline void Fill(CSprite& s, uint32_t value) {
    Paint(s, [value](int32_t, int32_t) { return value; });
}

// Loads row-major pixels into a sprite of the matching size.
inline void Load(CSprite& s, const std::vector<uint32_t>& px) {
    Paint(s, [&](int32_t x, int32_t y) { return px[static_cast<size_t>(y) * s.GetWidth() + x]; });
}

// The pixels row by row.
inline std::vector<uint32_t> Pixels(const CSprite& s) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < s.GetHeight(); ++y)
        for (int32_t x = 0; x < s.GetWidth(); ++x) out.push_back(*s.PixelAt(x, y));
    return out;
}

// Makes `to` a pixel copy of `from` (the clip rectangle is not copied).
inline void CopyPixels(const CSprite& from, CSprite& to) {
    Make(to, from.GetWidth(), from.GetHeight());
    Paint(to, [&](int32_t x, int32_t y) { return *from.PixelAt(x, y); });
}

// A pixel whose alpha is 0 or 255 about a quarter of the time each, so that
// every branch of the alpha rules is taken often.
inline uint32_t RandomPixel(std::mt19937& rng) {
    uint32_t alpha = rng() & 0xFF;
    switch (rng() & 3) {
        case 0: alpha = 0; break;
        case 1: alpha = 255; break;
        default: break;
    }
    return (rng() & 0x00FFFFFFu) | (alpha << 24);
}

inline void FillRandom(CSprite& s, std::mt19937& rng) {
    Paint(s, [&](int32_t, int32_t) { return RandomPixel(rng); });
}

// Gives an existing sprite a fresh w x h image of random pixels.
inline void MakeRandom(CSprite& s, int32_t w, int32_t h, std::mt19937& rng) {
    Make(s, w, h);
    FillRandom(s, rng);
}

// A new w x h sprite of raw random words.
inline CSprite RandomWords(int32_t w, int32_t h, std::mt19937& rng) {
    return Painted(w, h, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
}

// The union drawing of colour v at alpha a over d: the alpha from the union
// table, R, G and B mixed by the table's weight.
inline uint32_t LayOver(uint32_t d, uint32_t v, uint32_t a) {
    const uint32_t e = AlphaUnionTable[a * 256 + (d >> 24)];
    const uint32_t w = (e >> 8) + 1;
    uint32_t out = (e & 0xFF) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t vc = (v >> shift) & 0xFF;
        const uint32_t dc = (d >> shift) & 0xFF;
        out |= ((vc * w + dc * (256 - w)) >> 8) << shift;
    }
    return out;
}

}  // namespace raster_test
