#pragma once
// The two-picture mix shared by the cross-fades and the mask transitions.
#include <cstdint>

#include "raster/surface/sprite/PixelRules.h"

namespace transition_detail {

// mix(p1, p2, k): k (0..256) is the weight of p2, 256 - k that of p1.
//  - both visible: the mixing rule on every channel, alpha included;
//  - one visible: its colour, its alpha scaled by its weight with the carry
//    from red and green (the top byte of the 32-bit product (p >> 8) x weight);
//  - neither: 0.
inline uint32_t Mix(uint32_t p1, uint32_t p2, uint32_t k) noexcept {
    const bool v1 = (p1 >> 24) != 0;
    const bool v2 = (p2 >> 24) != 0;
    if (v1 && v2) return pixel::Mix(p1, p2, k);
    if (v1) return (p1 & pixel::kColourBits) | (pixel::CarriedAlpha(p1, 256 - k) << 24);
    if (v2) return (p2 & pixel::kColourBits) | (pixel::CarriedAlpha(p2, k) << 24);
    return 0;
}

// A source pixel with its alpha scaled by k (0..256): 0 where it is not visible.
inline uint32_t ScaleVisible(uint32_t p, uint32_t k) noexcept {
    if ((p >> 24) == 0) return 0;
    return (p & pixel::kColourBits) | (pixel::CarriedAlpha(p, k) << 24);
}

}  // namespace transition_detail
