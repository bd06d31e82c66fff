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
//
// Speed. The interior of a shape arrives as long runs at c = 256 and its edges
// as runs of one pixel, so both ends matter:
//   - runs shorter than kShortRun take the scalar rule with nothing to set up;
//   - longer runs go four pixels at a time through the vector forms of
//     PixelVectors.h, with the scalar rule for the last one to three;
//   - a = 256 on the source-over and pixel-value spans stores without reading
//     (16-byte stores, memset for byte-uniform values);
//   - the lay-over needs the union table per pixel, but two of its rows need
//     no lookup: over an opaque pixel the union weight is a (256 for a = 255)
//     and the alpha stays 255; over a transparent one the weight is 256, so
//     the pixel becomes the colour with alpha a. Four pixels that are all
//     opaque or all transparent take those forms (LayOverRun).
// Every path gives exactly the scalar rule; the tests compare them all.
#include <cstddef>
#include <cstdint>

#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/PixelVectors.h"

namespace coverage {

// Runs below this length take the scalar rule.
constexpr int32_t kShortRun = 4;

// The colour (0xRRGGBB) laid over the n pixels from d on at alpha a (1..255),
// four at a time; pixel::LayOver for each pixel.
void LayOverRun(uint32_t* d, int32_t n, uint32_t colour, uint32_t a) noexcept;

namespace span_detail {

// Four pixels at a time through four(Pixels4), the rest through one(uint32_t).
template <class Four, class One>
inline void Sweep(uint32_t* d, int32_t n, Four four, One one) noexcept {
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) pixel::Store4(d + i, four(pixel::Load4(d + i)));
    for (; i < n; ++i) d[i] = one(d[i]);
}

// n copies of value, without reading.
inline void Store(uint32_t* d, int32_t n, uint32_t value) noexcept {
    if (n < kShortRun) {
        for (int32_t i = 0; i < n; ++i) d[i] = value;
        return;
    }
    pixel::FillWords(d, static_cast<size_t>(n), value);
}

}  // namespace span_detail

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
            span_detail::Store(d, n, colour | pixel::kAlphaBits);
        } else if (n < kShortRun) {
            for (int32_t i = 0; i < n; ++i) d[i] = pixel::LayOver(d[i], colour, a);
        } else {
            LayOverRun(d, n, colour, a);
        }
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
        const uint32_t rgb = colour;
        if (a == 256) {
            const auto put = [rgb](auto p) { return (p & pixel::kAlphaBits) | rgb; };
            span_detail::Sweep(d, n, put, put);
        } else if (n < kShortRun) {
            for (int32_t i = 0; i < n; ++i) d[i] = (d[i] & pixel::kAlphaBits) | pixel::MixColour(d[i], rgb, a);
        } else {
            const pixel::FixedColourMix mix(rgb, a);
            span_detail::Sweep(
                d, n, [&mix](pixel::Pixels4 p) { return (p & pixel::kAlphaBits) | mix(p); },
                [rgb, a](uint32_t p) { return (p & pixel::kAlphaBits) | pixel::MixColour(p, rgb, a); });
        }
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
            const auto opaque = [](auto p) { return p | pixel::kAlphaBits; };
            span_detail::Sweep(d, n, opaque, opaque);
            return;
        }
        // AlphaOver(a, A) = a + (((256 - a) x A) >> 8), four alphas at a time.
        const uint32_t keep = 256 - a;
        span_detail::Sweep(
            d, n,
            [a, keep](pixel::Pixels4 p) { return (p & pixel::kColourBits) | ((a + (((p >> 24) * keep) >> 8)) << 24); },
            [a](uint32_t p) { return (p & pixel::kColourBits) | (pixel::AlphaOver(a, p >> 24) << 24); });
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
        const auto put = [top](auto p) { return (p & pixel::kColourBits) | top; };
        span_detail::Sweep(d, n, put, put);
    }
};

struct PixelValueSpan {
    uint32_t value;
    bool gate;

    PixelValueSpan(uint32_t v, uint8_t gateByte) noexcept : value(v), gate(gateByte != 0) {}

    bool DrawsNothing() const noexcept { return !gate; }
    void Run(uint32_t* d, int32_t n, uint32_t /*c*/) const noexcept { span_detail::Store(d, n, value); }
};

}  // namespace coverage
