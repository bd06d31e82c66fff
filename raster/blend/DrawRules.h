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

// ---------------------------------------------------------------------------
// Tone forms: the rules above applied to the source tinted toward a colour
// (ToneTint), the tint mixed unrounded; am is the strength, 0..256.

// Alpha: K = sA x am: 65280 (opaque source at full strength) writes the tinted colour
// with alpha 255, below 256 nothing; otherwise the union of K >> 8 over the
// destination alpha, with the tint mixed unrounded.
struct AlphaTone {
    ToneTint tint;
    uint32_t am;

    bool DrawsNothing() const noexcept { return am == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t k = (s >> 24) * am;
        if (k >= 65280) return tint.Bytes(s) | kAlphaBits;
        if (k < 256) return d;
        const uint32_t t = Union(k >> 8, d >> 24);
        return ToneMix(tint, s, d, UnionWeight(t)) | (t << 24);
    }
};

// AlphaC of the tint: I = strength x sA at 16-bit precision weighs the unrounded tint,
// (256 x d x (65536 - I) + t16 x I) >> 24 per channel.
struct AlphaToneC {
    ToneTint tint;
    uint32_t strength;

    bool DrawsNothing() const noexcept { return strength == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t weight = strength * (s >> 24);
        if (weight >= 65280) return (d & kAlphaBits) | tint.Bytes(s);
        if (weight < 256) return d;
        uint32_t out = d & kAlphaBits;
        for (int c = 0; c < 3; ++c) {
            const int shift = 16 - 8 * c;
            const uint64_t dc = (d >> shift) & 0xFF;
            out |= static_cast<uint32_t>((256 * dc * (65536 - weight) + uint64_t{tint.Wide(s, c)} * weight) >> 24)
                   << shift;
        }
        return out;
    }
};

// Blend: am = 256 writes the tinted colour with alpha 255; otherwise as BlendLevel
// with am as the level and the tint mixed unrounded.
struct BlendTone {
    ToneTint tint;
    uint32_t am;

    bool DrawsNothing() const noexcept { return am == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        if (am == 256) return tint.Bytes(s) | kAlphaBits;
        const uint32_t t = Union(am, d >> 24);
        return ToneMix(tint, s, d, UnionWeight(t)) | (t << 24);
    }
};

// Layer: am = 256 writes the tinted colour with the source alpha; otherwise as
// LayerOpacity with am as the opacity and the tint mixed unrounded.
struct LayerTone {
    ToneTint tint;
    uint32_t am;

    bool DrawsNothing() const noexcept { return am == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = s >> 24;
        if (sA == 0) return d;
        if (am == 256) return tint.Bytes(s) | (sA << 24);
        const uint32_t dA = d >> 24;
        const uint32_t t = Union(am, dA);
        const uint32_t alpha = (((256 - am) * dA) >> 8) + ((am * sA) >> 8);
        return ToneMix(tint, s, d, UnionWeight(t)) | (alpha << 24);
    }
};

// Back, full form. A transparent destination takes the tinted colour and the alpha of
// BehindOpacity with am as the strength; otherwise the destination's 16-bit
// weight O = (dA x R[M]) >> 7 and the tint's P = 65537 - O (they add up to
// 65537) mix the unrounded tint: (t16 x P + 256 x d x O) >> 24 per channel.
struct BackTone {
    ToneTint tint;
    uint32_t am;

    bool DrawsNothing() const noexcept { return am == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t dA = d >> 24;
        if (dA == 255) return d;
        if (dA == 0) return tint.Bytes(s) | (pixel::CarriedAlpha(s, am) << 24);
        const uint32_t m = dA + (((256 - dA) * (s >> 24) * am) >> 16);
        const uint64_t o = (dA * ReciprocalTable[m]) >> 7;
        const uint64_t p = 65537 - o;
        uint32_t out = m << 24;
        for (int c = 0; c < 3; ++c) {
            const int shift = 16 - 8 * c;
            const uint64_t dc = (d >> shift) & 0xFF;
            out |= static_cast<uint32_t>((tint.Wide(s, c) * p + 256 * dc * o) >> 24) << shift;
        }
        return out;
    }
};

// Back, colour only. Unlike BackC it writes the tinted colour into fully transparent
// destination pixels (their alpha stays 0); otherwise the weights of BackTone
// with the strength, alpha kept.
struct BackToneC {
    ToneTint tint;
    uint32_t strength;

    bool DrawsNothing() const noexcept { return strength == 0; }
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t dA = d >> 24;
        if (dA == 255) return d;
        if (dA == 0) return tint.Bytes(s);
        const uint32_t c = dA + (((s >> 24) * (256 - dA) * strength) >> 16);
        const uint64_t k = (dA * ReciprocalTable[c]) >> 7;
        uint32_t out = d & kAlphaBits;
        for (int ch = 0; ch < 3; ++ch) {
            const int shift = 16 - 8 * ch;
            const uint64_t dc = (d >> shift) & 0xFF;
            out |= static_cast<uint32_t>((256 * dc * k + tint.Wide(s, ch) * (65537 - k)) >> 24) << shift;
        }
        return out;
    }
};

}  // namespace blend
