// Glyph effects: the finishing steps of a text image.
//
// A string is drawn into a sprite as alpha coverage (often 2, 3 or 4 times
// larger), reduced by averaging the alpha of n x n blocks, optionally widened
// by a pixel, and decorated in an effect colour. The reductions add the alpha
// bytes of whole words after one shift and mask each, with no per-channel
// unpacking; they run in place because every block is read before its result
// lands, and results land only on pixels already read.
//
// The drop shadows walk the image bottom-up and right-to-left and change it in
// place, so a position sees the changes made at positions below and right of
// it. The outlines read only the unchanged image and write a work sprite (the
// raster library's shared one), which is then copied back.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

inline bool IsReady() noexcept { return RasterPixelMode == 1; }
inline uint32_t AlphaOf(uint32_t p) noexcept { return p >> 24; }

// V's colour weighted by its alpha against the effect colour, without alpha.
inline uint32_t MixedColour(uint32_t v, uint32_t effect) noexcept {
    const uint32_t a = v >> 24;
    const uint32_t k = a + (a >> 7);
    const uint32_t r = (((v >> 16) & 0xFF) * k + ((effect >> 16) & 0xFF) * (256 - k)) >> 8;
    const uint32_t g = (((v >> 8) & 0xFF) * k + ((effect >> 8) & 0xFF) * (256 - k)) >> 8;
    const uint32_t b = ((v & 0xFF) * k + (effect & 0xFF) * (256 - k)) >> 8;
    return (r << 16) | (g << 8) | b;
}
inline uint32_t Mixed(uint32_t v, uint32_t effect) noexcept { return 0xFF000000u | MixedColour(v, effect); }

// In-place n x n alpha reduction. Term(p) is the alpha of p shifted into the
// position where the sum of n * n terms is kept; Result(sum) the pixel written.
template <int32_t N, class Term, class Result>
void DownsampleAlpha(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, Term term, Result result) {
    sprite.ClipRect(x, y, w, h);
    w -= w % N;
    h -= h % N;
    if (w <= 0 || h <= 0) return;
    const ptrdiff_t stride = sprite.GetStride();
    for (int32_t by = 0; by < h / N; ++by) {
        const uint32_t* block = sprite.PixelAt(x, y + by * N);
        uint32_t* out = sprite.PixelAt(x, y + by);
        for (int32_t bx = 0; bx < w / N; ++bx, block += N) {
            uint32_t sum = 0;
            const uint32_t* row = block;
            for (int32_t j = 0; j < N; ++j, row += stride)
                for (int32_t i = 0; i < N; ++i) sum += term(row[i]);
            out[bx] = result(sum);
        }
    }
}

// The chain of one drop-shadow position P = (c, r); `row` points at P.
// Q = (c + 1, r + 1), S = (c + 2, r + 2) and, for the long form, T = (c + 3, r + 3).
template <bool Long>
inline void ShadowChain(uint32_t* p, ptrdiff_t stride, uint32_t effect) {
    uint32_t* q = p + stride + 1;
    const uint32_t ap = AlphaOf(*p);
    uint32_t remembered;  // X: the pixel whose alpha the chain's end takes
    if (ap < 128) {
        // A transparent pixel starts a chain only in an inside corner.
        if (AlphaOf(p[stride]) < 128 || AlphaOf(p[1]) < 128) return;
        remembered = *p;
    } else if (ap < 255 && AlphaOf(*q) == 0) {
        // An edge pixel over empty space is made solid; Q sets X below.
        *p = Mixed(*p, effect);
        remembered = *p;
    } else {
        remembered = *p;
    }
    if (AlphaOf(*q) < 255) {
        remembered = *q;
        *q = Mixed(*q, effect);
    }
    uint32_t* s = q + stride + 1;
    uint32_t* last = s;
    if constexpr (Long) {
        if (AlphaOf(*s) < 255) *s = Mixed(*s, effect);
        last = s + stride + 1;
    }
    const uint32_t al = AlphaOf(*last);
    if (al < 255) *last = (std::max(al, AlphaOf(remembered)) << 24) | MixedColour(*last, effect);
}

template <bool Long>
void GlyphShadow(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t effect) {
    sprite.ClipRect(x, y, w, h);
    const int32_t wq = w - 4, hq = h - 3;
    if (wq < 0 || hq <= 0) return;
    const ptrdiff_t stride = sprite.GetStride();
    for (int32_t r = y + hq - 1; r >= y + 1; --r) {
        uint32_t* row = sprite.PixelAt(0, r);
        for (int32_t c = x + wq; c >= x; --c) ShadowChain<Long>(row + c, stride, effect);
    }
}

// Neighbourhoods as (row, column) offsets.
struct Offset {
    int8_t row, col;
};
constexpr Offset kOutline1[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
constexpr Offset kOutline2[] = {{0, -1}, {0, 1},  {-1, 0}, {1, 0},   {0, -2},  {0, 2},
                                {-2, 0}, {2, 0},  {-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
constexpr Offset kShadowOutline1[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}, {-1, -1}, {-1, -2}, {-2, -1}, {-2, -2}};
constexpr Offset kShadowOutline2[] = {{0, -1}, {0, 1},   {-1, 0},  {1, 0},   {0, -2},   {0, 2},
                                      {-2, 0}, {2, 0},   {-1, -1}, {-1, 1},  {1, -1},   {1, 1},
                                      {-1, -2}, {-2, -1}, {-2, -2}, {-2, -3}, {-3, -2}, {-3, -3}};

template <size_t K>
void GlyphOutline(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t effect,
                  const Offset (&offsets)[K], int32_t border) {
    if (sprite.ClipRect(x, y, w, h) == 0) return;
    CSprite& work = RasterWorkSprite();
    if (work.GetWidth() < w || work.GetHeight() < h) {
        if (!IsSpriteSizeAllowed(w, h) || !IsReady()) return;
        work.Release();
        if (!work.Create(w, h, true)) return;
    }
    // The work sprite is shared: its clip rectangle may be anyone's.
    work.SetClipRect(0, 0, work.GetWidth(), work.GetHeight());

    const bool ready = IsReady();
    if (ready) {
        // The border strips are kept: top and left `border` wide, right and
        // bottom 2 wide (they overlap where the rectangle is small).
        const int32_t bt = std::min(border, h), bl = std::min(border, w);
        const int32_t rx = std::max(w - 2, 0), by = std::max(h - 2, 0);
        work.DrawCopy(0, 0, sprite, x, y, w, bt);
        work.DrawCopy(0, 0, sprite, x, y, bl, h);
        work.DrawCopy(rx, 0, sprite, x + rx, y, w - rx, h);
        work.DrawCopy(0, by, sprite, x, y + by, w, h - by);
    }

    if (w - 2 >= border && h - 2 >= border) {
        const uint32_t colour = effect & 0x00FFFFFFu;
        const ptrdiff_t stride = sprite.GetStride();
        ptrdiff_t delta[K];
        for (size_t k = 0; k < K; ++k) delta[k] = offsets[k].row * stride + offsets[k].col;
        for (int32_t j = border; j <= h - 3; ++j) {
            const uint32_t* in = sprite.PixelAt(x, y + j);
            uint32_t* out = work.PixelAt(0, j);
            for (int32_t i = border; i <= w - 3; ++i) {
                const uint32_t v = in[i];
                const uint32_t a = AlphaOf(v);
                if (a == 255) {
                    out[i] = v;
                } else if (a != 0) {
                    out[i] = Mixed(v, effect);
                } else {
                    uint32_t largest = 0;
                    for (size_t k = 0; k < K; ++k) largest = std::max(largest, in[i + delta[k]]);
                    out[i] = (largest & 0xFF000000u) | colour;
                }
            }
        }
    }

    if (ready) sprite.DrawCopy(x, y, work, 0, 0, w, h);
}

}  // namespace

void CSprite::DownsampleAlpha2x2(int32_t x, int32_t y, int32_t w, int32_t h) {
    DownsampleAlpha<2>(
        *this, x, y, w, h, [](uint32_t p) { return (p >> 2) & 0x3FC00000u; }, [](uint32_t sum) { return sum; });
}

void CSprite::DownsampleAlpha3x3(int32_t x, int32_t y, int32_t w, int32_t h) {
    DownsampleAlpha<3>(
        *this, x, y, w, h, [](uint32_t p) { return (p >> 4) & 0x0FF00000u; },
        [](uint32_t sum) { return ((sum >> 20) / 9) << 24; });
}

void CSprite::DownsampleAlpha4x4(int32_t x, int32_t y, int32_t w, int32_t h) {
    DownsampleAlpha<4>(
        *this, x, y, w, h, [](uint32_t p) { return (p >> 4) & 0x0FF00000u; }, [](uint32_t sum) { return sum; });
}

void CSprite::DilateFromLeft(int32_t x, int32_t y, int32_t w, int32_t h) {
    if (ClipRect(x, y, w, h) == 0) return;
    for (int32_t r = 0; r < h; ++r) {
        uint32_t* row = PixelAt(x, y + r);
        for (int32_t c = w - 1; c >= 1; --c) row[c] = std::max(row[c], row[c - 1]);
    }
}

void CSprite::GlyphShadow1(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t effectColour) {
    GlyphShadow<false>(*this, x, y, w, h, effectColour);
}

void CSprite::GlyphShadow2(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t effectColour) {
    GlyphShadow<true>(*this, x, y, w, h, effectColour);
}

void CSprite::GlyphOutline1(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t effectColour) {
    GlyphOutline(*this, x, y, w, h, effectColour, kOutline1, 2);
}

void CSprite::GlyphOutline2(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t effectColour) {
    GlyphOutline(*this, x, y, w, h, effectColour, kOutline2, 2);
}

void CSprite::GlyphShadowOutline1(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t effectColour) {
    GlyphOutline(*this, x, y, w, h, effectColour, kShadowOutline1, 5);
}

void CSprite::GlyphShadowOutline2(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t effectColour) {
    GlyphOutline(*this, x, y, w, h, effectColour, kShadowOutline2, 5);
}
