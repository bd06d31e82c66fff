// Div: the destination divided by the source, channel by channel, scaled so
// that a white source keeps the destination; results saturate at 255. The
// quotient is a table multiplication, Q(d, s) = min(0xFFFFFF, d x
// DivisionTable[s]) = 255 x d / s in 8.16 fixed point, q = Q >> 16.
//   Immediate  every byte q(d, s) (a transparent source clears the alpha and
//              keeps the colour); with an opacity each byte moves from d toward
//              the unrounded quotient, (d x (256 - op) x 65536 + op x Q) >> 24,
//              and a transparent source still lowers the alpha to
//              (dA x (256 - op)) >> 8.
//   Alpha      the colour moves toward the quotient by a' = sA + (sA >> 7),
//              (d x (256 - a') x 65536 + Q x a') >> 24; the alpha is divided at
//              full strength.
//   Merge      the Merge method with the quotient as blend colour.
//   A          the alpha alone, as the Immediate alpha.
// The C forms keep the destination alpha and leave a pixel under a transparent
// source (or a zero effective alpha) unchanged.
//
// Also the frame-difference operations, which nothing else shares.
#include "raster/blend/ArithRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;
using namespace blend::arith;

namespace {

inline uint32_t Quotient(uint32_t d, uint32_t s) noexcept {
    const uint32_t q = d * DivisionTable[s];  // at most 255 x 0xFFFFFF
    return q > 0xFFFFFFu ? 0xFFFFFFu : q;
}
// d moved toward the quotient by the weight w (0..256), at 8.16 precision.
inline uint32_t TowardQuotient(uint32_t d, uint32_t s, uint32_t w) noexcept {
    return static_cast<uint32_t>((uint64_t{d} * (256 - w) * 65536 + uint64_t{w} * Quotient(d, s)) >> 24);
}
// The alpha a transparent source leaves with an opacity.
inline uint32_t FadedAlpha(uint32_t d, uint32_t opacity) noexcept { return ((d >> 24) * (256 - opacity)) >> 8; }

template <Form F, bool kOpacity>
struct DivImmediateRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        if (sA == 0) {
            if constexpr (F == Form::C) return d;
            return ApplyForm<F>(d, (d & kColourBits) | ((kOpacity ? FadedAlpha(d, opacity) : 0) << 24));
        }
        auto channel = [&](int shift) {
            if constexpr (kOpacity) return TowardQuotient(Byte(d, shift), Byte(s, shift), opacity);
            return Quotient(Byte(d, shift), Byte(s, shift)) >> 16;
        };
        return ApplyForm<F>(d, ColourBytes(channel(kAlpha), channel));
    }
};

template <Form F, bool kOpacity>
struct DivAlphaRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        const uint32_t a = ScaledSourceAlpha<kOpacity>(sA, opacity);
        if (a == 0) {
            if constexpr (F == Form::C) return d;
            return (d & kColourBits) | ((kOpacity ? FadedAlpha(d, opacity) : 0) << 24);
        }
        const uint32_t weight = Expand(a);
        const uint32_t alpha =
            kOpacity ? TowardQuotient(Alpha(d), sA, opacity) : Quotient(Alpha(d), sA) >> 16;
        return ApplyForm<F>(d, ColourBytes(alpha, [&](int shift) {
                                return TowardQuotient(Byte(d, shift), Byte(s, shift), weight);
                            }));
    }
};

// The blend colour of the Merge method: the integer quotient per channel.
struct DivQuotient {
    static uint32_t Blend(uint32_t s, uint32_t d) noexcept {
        return ColourBytes(0, [&](int shift) { return Quotient(Byte(d, shift), Byte(s, shift)) >> 16; });
    }
};
template <Form F, bool kOpacity>
using DivMergeRule = MergeMethodRule<DivQuotient, F, kOpacity>;

template <bool kOpacity>
struct DivAlphaOnlyRule {
    uint32_t opacity = 255;

    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t sA = Alpha(s);
        uint32_t alpha;
        if (sA == 0) {
            alpha = kOpacity ? FadedAlpha(d, opacity) : 0;
        } else {
            alpha = kOpacity ? TowardQuotient(Alpha(d), sA, opacity) : Quotient(Alpha(d), sA) >> 16;
        }
        return (alpha << 24) | (d & kColourBits);
    }
};

// Frame differences.
struct KeepChangedRule {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        if (s == d) return 0;
        return (s >> 24) == 0 ? s | 0x01000000u : s;
    }
};
// Each byte (a - b) modulo 256: the high bit of every byte is worked out apart
// so that no borrow crosses into the next byte.
inline uint32_t WrapSubtractBytes(uint32_t a, uint32_t b) noexcept {
    return ((a | 0x80808080u) - (b & 0x7F7F7F7Fu)) ^ ((a ^ ~b) & 0x80808080u);
}
struct WrapSubtractRule {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept { return WrapSubtractBytes(d, s); }
};

}  // namespace

#define OC_DIV_KERNELS(X)                                                   \
    OC_ARITH_METHOD(X, Div, , Full, Immediate, DivImmediateRule)            \
    OC_ARITH_METHOD(X, Div, , Full, Alpha, DivAlphaRule)                    \
    OC_ARITH_METHOD(X, Div, , Full, Merge, DivMergeRule)                    \
    OC_ARITH_METHOD(X, Div, C, C, Immediate, DivImmediateRule)              \
    OC_ARITH_METHOD(X, Div, C, C, Alpha, DivAlphaRule)                      \
    OC_ARITH_METHOD(X, Div, C, C, Merge, DivMergeRule)                      \
    OC_ARITH_ALPHA_ONLY(X, Div, DivAlphaOnlyRule)                           \
    X(Table, Plain, KeepChangedPixels, Full, _, _, (KeepChangedRule{}))     \
    X(Table, Plain, WrapSubtract, Full, _, _, (WrapSubtractRule{}))

OC_KERNEL_FAMILY(OC_DIV_KERNELS, DivKernels)

void CSprite::WrapSubtractToSource(int32_t dx, int32_t dy, CSprite& source, int32_t sx, int32_t sy, int32_t w,
                                   int32_t h) const {
    ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    const uint32_t* d = PixelAt(dx, dy);
    uint32_t* s = source.PixelAt(sx, sy);
    for (int32_t y = 0; y < h; ++y, d += m_stride, s += source.GetStride())
        for (int32_t x = 0; x < w; ++x) s[x] = WrapSubtractBytes(d[x], s[x]);
}
