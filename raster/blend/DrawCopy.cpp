// Copies: pixels moved from a source sprite onto a destination without
// compositing (whole pixels, colour only, alpha only), stretched, from an
// indexed source, tinted, blended with a constant level, through a mask sprite,
// with repeated edges, with a scaled alpha, or channel by channel.
#include <algorithm>
#include <cstring>

#include "raster/blend/DrawRules.h"
#include "raster/blend/KernelTable.h"

using namespace blend;

namespace {

// Transparent source pixels clear the destination; the others are copied with
// alpha = the top byte of n x (alpha, red, green), so the red and green bytes
// act as fraction bits and the alpha can exceed (sA x n) >> 8 by one.
struct ScaledAlphaCopy {
    uint32_t n;
    uint32_t operator()(uint32_t s, uint32_t /*d*/) const noexcept {
        if ((s >> 24) == 0) return 0;
        return (s & kColourBits) | (pixel::CarriedAlpha(s, n) << 24);
    }
};

struct WhereDestVisible {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept { return (d >> 24) != 0 ? s : d; }
};
struct WhereSourceVisible {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept { return (s >> 24) != 0 ? s : d; }
};
struct WhereDestEmpty {
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept { return (d >> 24) == 0 ? s : d; }
};

// Four channel weights (alpha, red, green, blue); 255 takes the source byte,
// which the mixing rule gives with weight 256.
struct ChannelMix {
    uint32_t weight[4];  // by shift / 8: blue, green, red, alpha
    uint32_t operator()(uint32_t s, uint32_t d) const noexcept {
        uint32_t out = 0;
        for (int c = 0; c < 4; ++c) {
            const uint32_t k = weight[c];
            const uint32_t dc = (d >> (8 * c)) & 0xFF;
            const uint32_t sc = (s >> (8 * c)) & 0xFF;
            out |= ((dc * (256 - k) + sc * k) >> 8) << (8 * c);
        }
        return out;
    }
};
uint32_t ChannelWeight(uint8_t k) { return k == 255 ? 256u : k; }

// The mask copies: weight m from the mask pixel's alpha (or 255 minus it);
// 0 keeps the destination, 255 copies the source, anything else mixes all four
// channels with weight m.
template <bool kInverse>
void CopyThroughMask(CSprite& target, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                     int32_t w, int32_t h, const CSprite& mask, int32_t mx, int32_t my, int32_t mw, int32_t mh) {
    target.ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 0) return;
    w = std::min(w, mw);
    h = std::min(h, mh);
    int32_t mdx = dx;
    int32_t mdy = dy;
    target.ClipBlit(mdx, mdy, mask, mx, my, w, h);
    if (w <= 0 || h <= 0) return;
    // The second clip moves the destination corner only for a negative mask
    // offset; the source moves with it so that destination, source and mask
    // pixels stay aligned.
    sx += mdx - dx;
    sy += mdy - dy;
    dx = mdx;
    dy = mdy;
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* d = target.PixelAt(dx, dy + y);
        const uint32_t* s = source.PixelAt(sx, sy + y);
        const uint32_t* m = mask.PixelAt(mx, my + y);
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t weight = kInverse ? 255 - (m[x] >> 24) : m[x] >> 24;
            if (weight == 0) continue;
            d[x] = weight == 255 ? s[x] : Mix(d[x], s[x], weight);
        }
    }
}

}  // namespace

#define OC_COPY_KERNELS(X)                                                                                       \
    X(Table, Plain, DrawCopy, Full, _, _, (CopyPixels{}))                                                        \
    X(Table, Plain, DrawCopyC, C, _, _, (CopyForm<Form::C>{}))                                                   \
    X(Table, Plain, DrawCopyA, A, _, _, (CopyForm<Form::A>{}))                                                   \
    X(Table, Stretched, DrawCopyStretched, Full, DrawCopy, _, (CopyPixels{}))                                    \
    X(Table, Stretched, DrawCopyCStretched, C, DrawCopyC, _, (CopyForm<Form::C>{}))                              \
    X(Table, Stretched, DrawCopyAStretched, A, DrawCopyA, _, (CopyForm<Form::A>{}))                              \
    X(Table, PlainLevel, DrawCopyOpacity, Full, _, DrawCopy, (ConstantWeight<Form::Full, false>{level}))         \
    X(Table, PlainLevel, DrawCopyCOpacity, C, _, DrawCopyC, (ConstantWeight<Form::C, false>{level}))             \
    X(Table, StretchedLevel, DrawCopyStretchedOpacity, Full, DrawCopyOpacity, DrawCopyStretched,                 \
      (ConstantWeight<Form::Full, false>{level}))                                                                \
    X(Table, StretchedLevel, DrawCopyCStretchedOpacity, C, DrawCopyCOpacity, DrawCopyCStretched,                 \
      (ConstantWeight<Form::C, false>{level}))                                                                   \
    X(Table, FromIndexed, DrawCopyFromIndexed, Full, DrawCopy, _, (CopyPixels{}))                                \
    X(Table, FromIndexed, DrawCopyAFromIndexed, A, DrawCopyA, _, (CopyForm<Form::A>{}))                          \
    X(Table, FromIndexed, DrawCopyCFromIndexed, C, DrawCopyC, _, (CopyForm<Form::C>{}))                          \
    X(Table, PlainTone, DrawCopyTone, Full, _, _, (CopyTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))       \
    X(Table, StretchedTone, DrawCopyToneStretched, Full, DrawCopyTone, _,                                        \
      (CopyTone{ToneTint(tone, rp, gp, bp), LimitAmount(am)}))                                                   \
    X(Table, Plain, DrawCopyWhereDestVisible, Full, _, _, (WhereDestVisible{}))                                  \
    X(Table, Plain, DrawCopyWhereSourceVisible, Full, _, _, (WhereSourceVisible{}))                              \
    X(Table, Plain, DrawCopyWhereDestEmpty, Full, _, _, (WhereDestEmpty{}))

OC_KERNEL_FAMILY(OC_COPY_KERNELS, CopyKernels)

void CSprite::DrawCopyWhole(int32_t x, int32_t y, const CSprite& source) {
    if (RasterPixelMode == 1) DrawCopy(x, y, source, 0, 0, source.GetWidth(), source.GetHeight());
}

// The rectangle is copied as usual; then the destination columns and rows whose
// source position lies left of, above, right of or below the source receive
// copies of its nearest edge column or row. Each of those copies clips as
// usual, so the corner areas (outside the source both across and down) keep
// their pixels. Only columns and rows inside the requested rectangle and the
// destination's clip rectangle are visited.
void CSprite::DrawCopyClampEdges(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                                 int32_t h) {
    if (RasterPixelMode != 1) return;
    DrawCopy(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    const int64_t width = source.GetWidth();
    const int64_t height = source.GetHeight();
    // Offsets k in [first, end) of the rectangle, limited to [low, high) of the
    // destination when placed at origin + k.
    auto limit = [](int64_t first, int64_t end, int64_t origin, int64_t low, int64_t high, int64_t& from,
                    int64_t& to) {
        from = std::max(first, low - origin);
        to = std::min(end, high - origin);
    };
    int64_t from = 0;
    int64_t to = 0;
    if (sx < 0) {
        limit(0, std::min<int64_t>(-static_cast<int64_t>(sx), w), dx, m_clipLeft, m_clipRight, from, to);
        for (int64_t k = from; k < to; ++k) {
            if (RasterPixelMode != 1) return;
            DrawCopy(static_cast<int32_t>(dx + k), dy, source, 0, sy, 1, h);
        }
    }
    if (sy < 0) {
        limit(0, std::min<int64_t>(-static_cast<int64_t>(sy), h), dy, m_clipTop, m_clipBottom, from, to);
        for (int64_t k = from; k < to; ++k) {
            if (RasterPixelMode != 1) return;
            DrawCopy(dx, static_cast<int32_t>(dy + k), source, sx, 0, w, 1);
        }
    }
    if (static_cast<int64_t>(sx) + w > width) {
        limit(std::max<int64_t>(width, sx) - sx, w, dx, m_clipLeft, m_clipRight, from, to);
        for (int64_t k = from; k < to; ++k) {
            if (RasterPixelMode != 1) return;
            DrawCopy(static_cast<int32_t>(dx + k), dy, source, static_cast<int32_t>(width - 1), sy, 1, h);
        }
    }
    if (static_cast<int64_t>(sy) + h > height) {
        limit(std::max<int64_t>(height, sy) - sy, h, dy, m_clipTop, m_clipBottom, from, to);
        for (int64_t k = from; k < to; ++k) {
            if (RasterPixelMode != 1) return;
            DrawCopy(dx, static_cast<int32_t>(dy + k), source, sx, static_cast<int32_t>(height - 1), w, 1);
        }
    }
}

void CSprite::DrawCopyScaledAlpha(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                                  int32_t h, uint32_t n) {
    if (n >= 256) {
        if (RasterPixelMode == 1) DrawCopy(dx, dy, source, sx, sy, w, h);
        return;
    }
    DrawPlain(*this, dx, dy, source, sx, sy, w, h, ScaledAlphaCopy{n});
}

void CSprite::DrawCopyByMaskAlpha(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                                  int32_t h, const CSprite& mask, int32_t mx, int32_t my, int32_t mw, int32_t mh) {
    CopyThroughMask<false>(*this, dx, dy, source, sx, sy, w, h, mask, mx, my, mw, mh);
}

void CSprite::DrawCopyByInverseMaskAlpha(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                                         int32_t w, int32_t h, const CSprite& mask, int32_t mx, int32_t my,
                                         int32_t mw, int32_t mh) {
    CopyThroughMask<true>(*this, dx, dy, source, sx, sy, w, h, mask, mx, my, mw, mh);
}

void CSprite::ScaleAlpha(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t n) {
    const uint32_t factor = n & 0xFFFF;
    if (factor == 256) return;
    if (ClipRect(x, y, w, h) <= 0) return;
    for (int32_t row = 0; row < h; ++row) {
        uint32_t* p = PixelAt(x, y + row);
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t a = std::min<uint32_t>(255, ((p[i] >> 24) * factor) >> 8);
            p[i] = (p[i] & kColourBits) | (a << 24);
        }
    }
}

void CSprite::DrawChannelCopy(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                              int32_t h, uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue) {
    DrawPlain(*this, dx, dy, source, sx, sy, w, h,
              ChannelMix{{ChannelWeight(blue), ChannelWeight(green), ChannelWeight(red), ChannelWeight(alpha)}});
}
