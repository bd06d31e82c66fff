// Whole-sprite operations on a premultiplied format whose alpha byte holds the
// transparency (255 - alpha, roughly) instead of the opacity. They run over
// width x height consecutive pixels of sprites of equal size, ignoring clip
// rectangles, and do nothing before the raster library is started.
#include <algorithm>

#include "raster/blend/KernelFrame.h"

namespace {

bool SameImage(const CSprite& a, const CSprite& b) {
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight();
}

size_t PixelCount(const CSprite& sprite) {
    return static_cast<size_t>(sprite.GetWidth()) * static_cast<size_t>(sprite.GetHeight());
}

uint32_t Channel(uint32_t p, int c) { return (p >> (8 * c)) & 0xFF; }

}  // namespace

// k = sA + (sA >> 7): colour channels become (c x k) >> 8, the alpha byte
// (256 - k) & 0xFF (0 for both sA = 0 and sA = 255).
void CSprite::ConvertToPremultipliedInverse(const CSprite& source) {
    if (RasterPixelMode != 1 || !SameImage(*this, source)) return;
    const size_t count = PixelCount(*this);
    uint32_t* d = m_pixels;
    const uint32_t* s = source.GetPixels();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t sA = s[i] >> 24;
        const uint32_t k = sA + (sA >> 7);
        uint32_t out = ((256 - k) & 0xFF) << 24;
        for (int c = 0; c < 3; ++c) out |= ((Channel(s[i], c) * k) >> 8) << (8 * c);
        d[i] = out;
    }
}

// A straight-alpha source over the premultiplied-inverse destination: colour
// (s x sA + d x (255 - sA)) / 255, transparency scaled by (255 - sA) / 255,
// rounded half up.
void CSprite::DrawOverPremultipliedInverse(const CSprite& source) {
    if (RasterPixelMode != 1 || !SameImage(*this, source)) return;
    const size_t count = PixelCount(*this);
    uint32_t* d = m_pixels;
    const uint32_t* s = source.GetPixels();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t c = s[i] >> 24;
        const uint32_t k = 255 - c;
        uint32_t out = ((((d[i] >> 24) * k * 2 + 255) / 510) & 0xFF) << 24;
        for (int ch = 0; ch < 3; ++ch) out |= ((Channel(s[i], ch) * c + Channel(d[i], ch) * k) / 255) << (8 * ch);
        d[i] = out;
    }
}

// Per channel p + (o x t) / 255 + (t x ((g x (o - q)) / 255)) / 255, with t the
// destination's transparency byte, o and q the channels of the two sources and
// g the second source's alpha (divisions truncate toward zero). The sums form
// the colour of the result, whose alpha byte is 0; a sum outside 0..255 is
// limited to that range rather than spilling into the neighbouring byte.
void CSprite::DrawBehindPremultipliedInverse(const CSprite& source, const CSprite& second) {
    if (RasterPixelMode != 1 || !SameImage(*this, source) || !SameImage(*this, second)) return;
    const size_t count = PixelCount(*this);
    uint32_t* d = m_pixels;
    const uint32_t* s = source.GetPixels();
    const uint32_t* q = second.GetPixels();
    for (size_t i = 0; i < count; ++i) {
        const int32_t t = static_cast<int32_t>(d[i] >> 24);
        const int32_t g = static_cast<int32_t>(q[i] >> 24);
        uint32_t out = 0;
        for (int c = 0; c < 3; ++c) {
            const int32_t p = static_cast<int32_t>(Channel(d[i], c));
            const int32_t o = static_cast<int32_t>(Channel(s[i], c));
            const int32_t r = static_cast<int32_t>(Channel(q[i], c));
            const int32_t sum = p + (o * t) / 255 + (t * ((g * (o - r)) / 255)) / 255;
            out |= static_cast<uint32_t>(std::clamp(sum, 0, 255)) << (8 * c);
        }
        d[i] = out;
    }
}
