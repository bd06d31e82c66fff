#pragma once
// Coverage span operations: one colour or value put onto pixels at a coverage.
//
// Everything that rasterises (the scan converter's fills and strokes, glyph
// text, the renderer's masks) ends in "this colour over these pixels at
// coverage x opacity". A scan converter hands its results over as spans: runs
// of pixels in one row that share one coverage c (1..256; 256 is a fully
// covered pixel). An operation composites a span:
//   Run(d, n, c)   n pixels from d on, all at coverage c;
//   DrawsNothing() true when the value or opacity leaves every pixel alone
//                  (tested once, before any pixel is read).
// The weight of a pixel is a = (c x v') >> 8 with v' = v + (v >> 7) for the
// 8-bit opacity or value v; a = 0 leaves the pixel unchanged, and a = 256 (v =
// 255 at full coverage) has a shortcut that writes without reading.
//
// The operations (pixel rules from PixelRules.h):
//   ColourOverSpan  source-over: a = 256 stores colour | 0xFF000000, otherwise
//                   the colour is laid over the pixel at alpha a;
//   ColourOnlySpan  the colour bytes mixed toward the colour at weight a, the
//                   alpha byte kept;
//   AlphaUnionSpan  alpha := union of a over the pixel's alpha (never lowers
//                   it), a = 256 gives 255, colour kept;
//   MaskValueSpan   alpha := a (a = 256 gives 255), colour kept; its
//                   whole-pixel form writes the value itself instead
//                   (MaskValueSpan::Whole), for samplers that count any
//                   coverage as full;
//   PixelValueSpan  every covered pixel becomes the value, all four bytes.
#include <cstdint>

#include "raster/surface/sprite/PixelRules.h"

namespace coverage {

struct ColourOverSpan {
    uint32_t colour;  // 0xRRGGBB (the top byte is ignored)
    uint32_t weight;  // v' = 0..256

    ColourOverSpan(uint32_t rgb, uint8_t opacity) noexcept
        : colour(rgb & pixel::kColourBits), weight(pixel::Weight8(opacity)) {}

    bool DrawsNothing() const noexcept { return weight == 0; }
    void Run(uint32_t* d, int32_t n, uint32_t c) const noexcept {
        const uint32_t a = (c * weight) >> 8;
        if (a == 0) return;
        if (a == 256) {
            const uint32_t v = colour | pixel::kAlphaBits;
            for (int32_t i = 0; i < n; ++i) d[i] = v;
            return;
        }
        for (int32_t i = 0; i < n; ++i) d[i] = pixel::LayOver(d[i], colour, a);
    }
};

struct ColourOnlySpan {
    uint32_t colour;
    uint32_t weight;

    ColourOnlySpan(uint32_t rgb, uint8_t opacity) noexcept
        : colour(rgb & pixel::kColourBits), weight(pixel::Weight8(opacity)) {}

    bool DrawsNothing() const noexcept { return weight == 0; }
    void Run(uint32_t* d, int32_t n, uint32_t c) const noexcept {
        const uint32_t a = (c * weight) >> 8;
        if (a == 0) return;
        if (a == 256) {
            for (int32_t i = 0; i < n; ++i) d[i] = (d[i] & pixel::kAlphaBits) | colour;
            return;
        }
        for (int32_t i = 0; i < n; ++i) d[i] = (d[i] & pixel::kAlphaBits) | pixel::MixColour(d[i], colour, a);
    }
};

struct AlphaUnionSpan {
    uint32_t weight;

    explicit AlphaUnionSpan(uint8_t opacity) noexcept : weight(pixel::Weight8(opacity)) {}

    bool DrawsNothing() const noexcept { return weight == 0; }
    void Run(uint32_t* d, int32_t n, uint32_t c) const noexcept {
        const uint32_t a = (c * weight) >> 8;
        if (a == 0) return;
        if (a == 256) {
            for (int32_t i = 0; i < n; ++i) d[i] |= pixel::kAlphaBits;
            return;
        }
        for (int32_t i = 0; i < n; ++i) d[i] = (d[i] & pixel::kColourBits) | (pixel::AlphaOver(a, d[i] >> 24) << 24);
    }
};

struct MaskValueSpan {
    uint32_t weight;  // v'
    uint32_t full;    // the alpha of a fully covered pixel

    // Coverage-weighted: a fully covered pixel gets min(v', 255).
    explicit MaskValueSpan(uint8_t value) noexcept
        : weight(pixel::Weight8(value)), full(weight >= 256 ? 255u : weight) {}
    // Whole-pixel sampling: every covered pixel gets the value itself. Callers
    // pass only full coverage.
    static MaskValueSpan Whole(uint8_t value) noexcept {
        MaskValueSpan s(value);
        s.full = value;
        return s;
    }

    bool DrawsNothing() const noexcept { return weight == 0; }
    void Run(uint32_t* d, int32_t n, uint32_t c) const noexcept {
        const uint32_t a = c == 256 ? full : (c * weight) >> 8;
        if (a == 0) return;
        const uint32_t top = (a > 255 ? 255u : a) << 24;
        for (int32_t i = 0; i < n; ++i) d[i] = (d[i] & pixel::kColourBits) | top;
    }
};

struct PixelValueSpan {
    uint32_t value;
    bool gate;

    PixelValueSpan(uint32_t v, uint8_t gateByte) noexcept : value(v), gate(gateByte != 0) {}

    bool DrawsNothing() const noexcept { return !gate; }
    void Run(uint32_t* d, int32_t n, uint32_t /*c*/) const noexcept {
        for (int32_t i = 0; i < n; ++i) d[i] = value;
    }
};

}  // namespace coverage
