#pragma once
// The two-picture mix shared by the cross-fades and the mask transitions.
#include <cstdint>

namespace transition_detail {

// mix(p1, p2, k): k (0..256) is the weight of p2, 256 - k that of p1.
//  - both visible: (c1 x (256 - k) + c2 x k) >> 8 on every channel, two
//    channels per multiplication (A with G, R with B: each 16-bit lane holds at
//    most 255 x 256, so no lane carries into the next);
//  - one visible: its colour, its alpha scaled by its weight as the top byte of
//    the 32-bit product (p >> 8) x weight;
//  - neither: 0.
inline uint32_t Mix(uint32_t p1, uint32_t p2, uint32_t k) noexcept {
    const bool v1 = (p1 >> 24) != 0;
    const bool v2 = (p2 >> 24) != 0;
    if (v1 && v2) {
        const uint32_t k1 = 256 - k;
        const uint32_t rb = ((p1 & 0x00FF00FFu) * k1 + (p2 & 0x00FF00FFu) * k) >> 8;
        const uint32_t ag = ((p1 >> 8) & 0x00FF00FFu) * k1 + ((p2 >> 8) & 0x00FF00FFu) * k;
        return (rb & 0x00FF00FFu) | (ag & 0xFF00FF00u);
    }
    if (v1) return (p1 & 0x00FFFFFFu) | (((p1 >> 8) * (256 - k)) & 0xFF000000u);
    if (v2) return (p2 & 0x00FFFFFFu) | (((p2 >> 8) * k) & 0xFF000000u);
    return 0;
}

// A source pixel with its alpha scaled by k (0..256): 0 where it is not visible.
inline uint32_t ScaleVisible(uint32_t p, uint32_t k) noexcept {
    if ((p >> 24) == 0) return 0;
    return (p & 0x00FFFFFFu) | (((p >> 8) * k) & 0xFF000000u);
}

}  // namespace transition_detail
