#pragma once
// The loops of the per-pixel colour kernels that work in place, from a source
// sprite, and with a map sprite that gives each pixel its own terms.
//
// A pixel rule is a value type with Colour(p) -> the new 0x00RRGGBB of pixel p
// (alpha ignored). A map rule is a value type with Colour(p, m) -> the same for
// pixel p under map pixel m, called only where m's alpha is not 0: a map pixel
// of alpha 0 leaves an in-place pixel alone and copies the source pixel (or its
// colour, for the colour-only form) in the source-reading forms.
//
// Clipping: in place through ClipRect; with a map, the size is first limited
// to the map rectangle's and the map clipped as a ClipBlit source; from a
// source, ClipBlit; from a source with a map, both in turn. Whatever a clip cuts
// from the left or the top moves every start by the same amount, so the pixels
// that meet are always those at the same offset from their starts. Rows run top
// to bottom, pixels left to right, each pixel read and written once.
#include <algorithm>
#include <cstdint>

#include "raster/blend/KernelFrame.h"
#include "raster/surface/sprite/Sprite.h"

namespace pixel_map {

using blend::Form;

// The result colour c written over destination d by a form: Full takes the
// alpha of the pixel read (a), C keeps d's.
template <Form F>
inline uint32_t Write(uint32_t c, uint32_t a, uint32_t d) noexcept {
    static_assert(F == Form::Full || F == Form::C);
    return ((F == Form::Full ? a : d) & 0xFF000000u) | c;
}

template <class Rule>
void InPlace(CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, const Rule& rule) {
    target.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* d = target.PixelAt(x, y + j);
        for (int32_t i = 0; i < w; ++i) d[i] = (d[i] & 0xFF000000u) | rule.Colour(d[i]);
    }
}

template <class Rule>
void InPlaceMap(CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& map, int32_t mx,
                int32_t my, int32_t mapW, int32_t mapH, const Rule& rule) {
    w = std::min(w, mapW);
    h = std::min(h, mapH);
    target.ClipBlit(x, y, map, mx, my, w, h);
    if (w <= 0 || h <= 0) return;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* d = target.PixelAt(x, y + j);
        const uint32_t* m = map.PixelAt(mx, my + j);
        for (int32_t i = 0; i < w; ++i)
            if ((m[i] >> 24) != 0) d[i] = (d[i] & 0xFF000000u) | rule.Colour(d[i], m[i]);
    }
}

template <Form F, class Rule>
void FromSource(CSprite& target, int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w,
                int32_t h, const Rule& rule) {
    target.ClipBlit(dx, dy, src, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* d = target.PixelAt(dx, dy + j);
        const uint32_t* s = src.PixelAt(sx, sy + j);
        for (int32_t i = 0; i < w; ++i) d[i] = Write<F>(rule.Colour(s[i]), s[i], d[i]);
    }
}

template <Form F, class Rule>
void FromSourceMap(CSprite& target, int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w,
                   int32_t h, const CSprite& map, int32_t mx, int32_t my, int32_t mapW, int32_t mapH,
                   const Rule& rule) {
    w = std::min(w, mapW);
    h = std::min(h, mapH);
    target.ClipBlitPaired(dx, dy, src, sx, sy, map, mx, my, w, h);
    if (w <= 0 || h <= 0) return;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* d = target.PixelAt(dx, dy + j);
        const uint32_t* s = src.PixelAt(sx, sy + j);
        const uint32_t* m = map.PixelAt(mx, my + j);
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t colour = (m[i] >> 24) != 0 ? rule.Colour(s[i], m[i]) : s[i] & 0xFFFFFFu;
            d[i] = Write<F>(colour, s[i], d[i]);
        }
    }
}

}  // namespace pixel_map
