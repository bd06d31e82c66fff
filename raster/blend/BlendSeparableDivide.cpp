// ColorBurn and ColorDodge (one DivisionTable product per channel), carried by
// the Alpha and Merge methods, and the colour-only draws gated by the
// destination's own alpha.
#include "raster/blend/SeparableFormulas.h"

using namespace blend;

namespace {

// dA = 0 keeps the pixel, 255 takes the source colour, otherwise the source
// colour over the destination colour with the weight dA itself.
struct DestAlphaCopyC {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        const uint32_t dA = d >> 24;
        if (dA == 0) return d;
        if (dA == 255) return (d & kAlphaBits) | (s & kColourBits);
        return (d & kAlphaBits) | (Mix(d, s, dA) & kColourBits);
    }
};

// Every covered pixel (dA != 0) takes the source colour.
struct DestCoveredCopyC {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        return (d >> 24) == 0 ? d : (d & kAlphaBits) | (s & kColourBits);
    }
};

// Every covered pixel gets the source colour mixed over with the level.
struct DestCoveredBlendC {
    uint32_t level;
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        return (d >> 24) == 0 ? d : (d & kAlphaBits) | (Mix(d, s, level) & kColourBits);
    }
};

}  // namespace

#define OC_SEPARABLE_DIVIDE_KERNELS(X)                                       \
    OC_SEPARABLE_MODE(X, ColorBurn, ::blend::separable::ColorBurnFormula)    \
    OC_SEPARABLE_MODE(X, ColorDodge, ::blend::separable::ColorDodgeFormula)  \
    X(Table, Plain, DrawCopyCDestAlpha, C, _, _, (DestAlphaCopyC{}))         \
    X(Table, Plain, DrawCopyCDestCovered, C, _, _, (DestCoveredCopyC{}))     \
    X(Hand, PlainOpacity, DrawBlendCDestCovered, C, _, _, _)

OC_KERNEL_FAMILY(OC_SEPARABLE_DIVIDE_KERNELS, SeparableDivideKernels)

// The level is a plain weight, not an opacity: 255 and 0 take the same loop.
void CSprite::DrawBlendCDestCovered(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                                    int32_t w, int32_t h, uint8_t level) {
    DrawPlain(*this, dx, dy, source, sx, sy, w, h, DestCoveredBlendC{level});
}
