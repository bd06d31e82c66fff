#pragma once
// The pixel rules of the five draw kinds (Copy, Alpha, Blend, Layer, Back) that
// more than one geometry uses: the one-to-one, stretched, masked and indexed
// draws of the blend families and the rotated draws of the filters. Alpha's
// rules are the Alpha method of KernelFrame.h with the source colour as blend
// colour; the mixing weights of BlendC and LayerC are ConstantWeight there.
#include <cstdint>
#include <cstring>

#include "raster/blend/KernelFrame.h"

namespace blend {

// Whole pixels; rows move as blocks.
struct CopyPixels {
    uint32_t operator()(uint32_t s, uint32_t /*d*/) const noexcept { return s; }
    void Row(uint32_t* d, const uint32_t* s, int32_t n) const noexcept {
        std::memmove(d, s, static_cast<size_t>(n) * 4);
    }
};

// The source written by a form: C takes its colour bytes, A its alpha byte.
template <Form F>
struct CopyForm {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept { return ApplyForm<F>(d, s); }
};

// The tinted colour with the source alpha scaled by am (AM 0 writes alpha 0).
struct CopyTone {
    ToneTint tint;
    uint32_t am;
    uint32_t operator()(uint32_t s, uint32_t /*d*/) const noexcept {
        return tint.Bytes(s) | ((((s >> 24) * am) >> 8) << 24);
    }
};

// Opacity 255: the source colour with alpha 255, also where it is transparent.
struct BlendOpaque {
    uint32_t operator()(uint32_t s, uint32_t /*d*/) const noexcept { return s | kAlphaBits; }
};

struct BlendLevel {
    uint32_t opacity;
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t t = Union(opacity, d >> 24);
        return (Mix(d, s, UnionWeight(t)) & kColourBits) | (t << 24);
    }
};

template <Form F>
struct LayerReplace {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept { return (s >> 24) != 0 ? ApplyForm<F>(d, s) : d; }
};

// Colour from the union of the opacity over the destination alpha; the alpha
// mixes the two alphas by the opacity, each product shifted on its own.
struct LayerOpacity {
    uint32_t opacity;
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = s >> 24;
        if (sA == 0) return d;
        const uint32_t dA = d >> 24;
        const uint32_t t = Union(opacity, dA);
        const uint32_t alpha = (((256 - opacity) * dA) >> 8) + ((opacity * sA) >> 8);
        return (Mix(d, s, UnionWeight(t)) & kColourBits) | (alpha << 24);
    }
};

// Full form: a transparent destination takes the source pixel whole. C form:
// transparent destination pixels stay as they are.
template <Form F>
struct Behind {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t dA = d >> 24;
        if (dA == 255) return d;
        if (dA == 0) return F == Form::Full ? s : d;
        const uint32_t t = Union(dA, s >> 24);
        return ApplyForm<F>(d, (Mix(s, d, UnionWeight(t)) & kColourBits) | (t << 24));
    }
};

// Combined alpha c = dA + ((256 - dA) x sA x strength) >> 16 and the
// destination's weight (dA x R[c]) >> 15. Full form over a transparent
// destination: the source colour with alpha = the top byte of the 32-bit
// product strength x (source >> 8), which can be one more than
// (strength x sA) >> 8 by the carry from the red and green bytes.
template <Form F>
struct BehindOpacity {
    uint32_t opacity;
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t dA = d >> 24;
        if (dA == 255) return d;
        if (dA == 0) return F == Form::Full ? (s & kColourBits) | (pixel::CarriedAlpha(s, opacity) << 24) : d;
        const uint32_t c = dA + (((256 - dA) * (s >> 24) * opacity) >> 16);
        const uint32_t w = (dA * ReciprocalTable[c]) >> 15;
        return ApplyForm<F>(d, (Mix(s, d, w) & kColourBits) | (c << 24));
    }
};

}  // namespace blend
