// Channel and per-pixel operations: each pixel of a rectangle (or of the whole
// image) is rewritten from that pixel alone: channels multiplied by factors,
// chosen channels inverted, alpha derived from colour or colour from alpha,
// alpha set where the colour matches a key.
//
// Factors are in 1/256. scale(v, f) = min(|f| * u >> 8, 255) with u = v for
// f >= 0 and u = 255 - v for f < 0. Because the result saturates at 255 for any
// |f| >= 65536 (and u >= 1), the magnitude is capped there, which keeps the
// product within 32 bits for every factor and lets four pixels run at once.
#include <algorithm>
#include <cstdint>

#include "raster/surface/fill/FillPixels.h"
#include "raster/surface/sprite/Sprite.h"

using namespace fill_detail;

namespace {

// One factor, prepared: inverted channel for negative factors, capped magnitude.
struct ChannelScale {
    uint32_t invert;     // 0xFF for a negative factor, else 0
    uint32_t magnitude;  // min(|f|, 65536)

    explicit ChannelScale(int32_t f) noexcept
        : invert(f < 0 ? 0xFFu : 0u),
          magnitude(static_cast<uint32_t>(std::min<int64_t>(f < 0 ? -int64_t{f} : int64_t{f}, 65536))) {}

    // The scaled channel at byte position `shift` of p (result in bits 0-7).
    template <class T>
    T operator()(T p, uint32_t shift) const noexcept {
        const T u = ((p >> shift) & 0xFFu) ^ invert;
        const T q = (u * magnitude) >> 8;
        return q > 255u ? Splat<T>(255u) : q;
    }
};

inline uint32_t InvertMask(uint32_t flags) noexcept {
    return ((flags & 1u) ? 0x000000FFu : 0u) | ((flags & 2u) ? 0x0000FF00u : 0u) |
           ((flags & 4u) ? 0x00FF0000u : 0u) | ((flags & 8u) ? 0xFF000000u : 0u);
}

}  // namespace

void CSprite::MultiplyChannels(int32_t x, int32_t y, int32_t w, int32_t h, int32_t fa, int32_t fr, int32_t fg,
                               int32_t fb) {
    if (ClipRect(x, y, w, h) == 0) return;
    const ChannelScale a(fa), r(fr), g(fg), b(fb);
    TransformRect(PixelAt(x, y), m_stride, w, h, [a, r, g, b](auto p) {
        return (a(p, 24) << 24) | (r(p, 16) << 16) | (g(p, 8) << 8) | b(p, 0);
    });
}

void CSprite::MultiplyAlpha(int32_t x, int32_t y, int32_t w, int32_t h, int32_t f) {
    if (f == 256) return;
    if (ClipRect(x, y, w, h) == 0) return;
    const ChannelScale a(f);
    TransformRect(PixelAt(x, y), m_stride, w, h, [a](auto p) { return (a(p, 24) << 24) | (p & kColour); });
}

void CSprite::MultiplyColor(int32_t x, int32_t y, int32_t w, int32_t h, int32_t fr, int32_t fg, int32_t fb) {
    if (ClipRect(x, y, w, h) == 0) return;
    const ChannelScale r(fr), g(fg), b(fb);
    TransformRect(PixelAt(x, y), m_stride, w, h, [r, g, b](auto p) {
        return (p & kAlpha) | (r(p, 16) << 16) | (g(p, 8) << 8) | b(p, 0);
    });
}

void CSprite::MultiplyAlphaRamp(int32_t x, int32_t y, int32_t w, int32_t h, int32_t fl, int32_t ft, int32_t fr,
                                int32_t fb) {
    if (fl == 256 && ft == 256 && fr == 256 && fb == 256) return;
    if (ClipRect(x, y, w, h) == 0) return;
    // The factor FX(i) x FY(j) in 1/2^24, advanced incrementally: B(i, j) =
    // rowStart(j) + i x columnStep(j). The set-up is exact in 128 bits; the
    // running sums wrap in 64 bits (only absurd factors reach that far).
    using Wide = __int128;
    const Wide stepX = Wide{int64_t{fr} - fl} * 65536 / w;
    const Wide stepY = Wide{int64_t{fb} - ft} * 65536 / h;
    uint64_t rowStart = static_cast<uint64_t>(Wide{fl} * ft * 256);
    const uint64_t rowStartStep = static_cast<uint64_t>(Wide{fl} * stepY / 256);
    uint64_t columnStep = static_cast<uint64_t>(Wide{ft} * stepX / 256);
    const uint64_t columnStepStep = static_cast<uint64_t>((stepX * stepY) >> 24);
    // |B| beyond 2^40 saturates every non-zero alpha either way, and keeps the
    // product below 2^48.
    constexpr int64_t kLimit = int64_t{1} << 40;
    uint32_t* row = PixelAt(x, y);
    for (int32_t j = 0; j < h; ++j, row += m_stride) {
        uint64_t factor = rowStart;
        for (int32_t i = 0; i < w; ++i, factor += columnStep) {
            const int64_t b = std::clamp(static_cast<int64_t>(factor), -kLimit, kLimit);
            const uint32_t p = row[i];
            const int64_t a = static_cast<int64_t>(p >> 24) - (b < 0 ? 255 : 0);
            const int64_t q = std::min<int64_t>(b * a, 0xFF000000);
            row[i] = (p & kColour) | ((static_cast<uint32_t>(q) >> 24) << 24);
        }
        rowStart += rowStartStep;
        columnStep += columnStepStep;
    }
}

void CSprite::InvertChannels(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t flags) {
    const uint32_t mask = InvertMask(flags);
    if (mask == 0) return;
    if (ClipRect(x, y, w, h) == 0) return;
    TransformRect(PixelAt(x, y), m_stride, w, h, [mask](auto p) { return p ^ mask; });
}

void CSprite::CopyInverted(int32_t x, int32_t y, const CSprite& source, int32_t sx, int32_t sy, int32_t w, int32_t h,
                           uint32_t flags) {
    ClipBlit(x, y, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    const uint32_t mask = InvertMask(flags);
    uint32_t* dst = PixelAt(x, y);
    const uint32_t* src = source.PixelAt(sx, sy);
    if (&source == this && dst > src) {
        // Within one image a destination after the source is written from the
        // end backwards, so that no source pixel is overwritten before it is read.
        for (int32_t j = h - 1; j >= 0; --j) {
            uint32_t* d = dst + static_cast<int64_t>(j) * m_stride;
            const uint32_t* s = src + static_cast<int64_t>(j) * m_stride;
            for (int32_t i = w - 1; i >= 0; --i) d[i] = s[i] ^ mask;
        }
        return;
    }
    TransformRect2(dst, m_stride, src, source.m_stride, w, h, [mask](auto, auto s) { return s ^ mask; });
}

void CSprite::StretchCopyInverted(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                                  int32_t sy, int32_t sw, int32_t sh, uint32_t flags) {
    int64_t stepX = 0, stepY = 0, startX = 0, startY = 0;
    ClipBlitStretched(x, y, w, h, stepX, stepY, startX, startY, source, sx, sy, sw, sh);
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    const uint32_t mask = InvertMask(flags);
    // The clip keeps every sample inside the source rectangle; the clamps only
    // make that independent of its arithmetic.
    const int64_t lastColumn = sw - 1, lastRow = sh - 1;
    uint32_t* row = PixelAt(x, y);
    int64_t v = startY;
    for (int32_t j = 0; j < h; ++j, row += m_stride, v += stepY) {
        const uint32_t* line = source.PixelAt(sx, sy + static_cast<int32_t>(std::clamp<int64_t>(v >> 16, 0, lastRow)));
        int64_t u = startX;
        for (int32_t i = 0; i < w; ++i, u += stepX) row[i] = line[std::clamp<int64_t>(u >> 16, 0, lastColumn)] ^ mask;
    }
}

void CSprite::SetAlphaWhereColor(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t key, uint32_t alpha) {
    if (ClipRect(x, y, w, h) == 0) return;
    const uint32_t c = key & kColour;
    const uint32_t a = (alpha & 0xFFu) << 24;
    TransformRect(PixelAt(x, y), m_stride, w, h, [c, a](auto p) { return (p & kColour) == c ? (p & kColour) | a : p; });
}

void CSprite::SetAlphaByColor(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t key, uint32_t alphaIn,
                              uint32_t alphaOut) {
    if (ClipRect(x, y, w, h) == 0) return;
    const uint32_t c = key & kColour;
    const uint32_t in = (alphaIn & 0xFFu) << 24, out = (alphaOut & 0xFFu) << 24;
    TransformRect(PixelAt(x, y), m_stride, w, h, [c, in, out](auto p) {
        using T = decltype(p);
        const T colour = p & kColour;
        return colour | (colour == c ? Splat<T>(in) : Splat<T>(out));
    });
}

void CSprite::AlphaToGray(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (ClipRect(x, y, w, h) == 0) return;
    TransformRect(PixelAt(x, y), m_stride, w, h, [](auto p) { return (p >> 24) * 0x01010101u; });
}

void CSprite::AlphaFromGreen() {
    if (m_pixels == nullptr || m_width <= 0 || m_height <= 0) return;
    TransformRect(m_pixels, m_stride, m_width, m_height, [](auto p) { return (p & kColour) | ((p & kG) << 16); });
}

void CSprite::AlphaFromAverage() {
    if (m_pixels == nullptr || m_width <= 0 || m_height <= 0) return;
    TransformRect(m_pixels, m_stride, m_width, m_height, [](auto p) {
        const auto sum = ((p >> 16) & 0xFFu) + ((p >> 8) & 0xFFu) + (p & 0xFFu);
        // sum / 3 for sum <= 765, without a division.
        return (p & kColour) | (((sum * 43691u) >> 17) << 24);
    });
}
