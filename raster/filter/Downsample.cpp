// In-place n x n reducers for supersampled drawing.
//
// Each block's sums are kept in two 32-bit words of two 16-bit lanes (alpha
// with green, red with blue); 16 x 255 fits a lane with room to spare. Colour
// is averaged over the pixels that are not fully transparent, so transparent
// pixels lend no colour to an edge; alpha is averaged over the whole block
// (plain) or over the same pixels (OpaqueAlpha). A block fully covered divides
// all four lanes by a shift when n x n is a power of two. The result of a block
// goes to a position at or before its first pixel in both directions, and rows
// of blocks are processed top to bottom, so nothing is overwritten before it is
// read.
#include "raster/surface/sprite/Sprite.h"

namespace {

template <int N, bool kOpaqueAlpha>
void Reduce(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!sprite.HasImage()) return;
    if (sprite.ClipRect(x, y, w, h) < N || h < N) return;
    const int32_t blocksX = w / N;
    const int32_t blocksY = h / N;
    const int64_t stride = sprite.GetStride();
    constexpr uint32_t kFull = N * N;
    constexpr int kShift = (N == 2) ? 2 : (N == 4) ? 4 : 0;
    for (int32_t by = 0; by < blocksY; ++by) {
        const uint32_t* blockRow = sprite.PixelAt(x, y + by * N);
        uint32_t* out = sprite.PixelAt(x, y + by);
        for (int32_t bx = 0; bx < blocksX; ++bx, blockRow += N) {
            uint32_t ag = 0, rb = 0, k = 0;
            const uint32_t* p = blockRow;
            for (int v = 0; v < N; ++v, p += stride) {
                for (int u = 0; u < N; ++u) {
                    const uint32_t px = p[u];
                    const uint32_t visible = (px >> 24) != 0 ? 1u : 0u;
                    const uint32_t keep = 0u - visible;
                    ag += ((px >> 8) & 0x00FF00FFu) & keep;
                    rb += (px & 0x00FF00FFu) & keep;
                    k += visible;
                }
            }
            uint32_t result;
            if (k == 0) {
                // Nothing visible: the bottom-right pixel as it stands.
                result = blockRow[(N - 1) * stride + (N - 1)];
            } else if (kShift != 0 && k == kFull) {
                result = (((ag >> kShift) & 0x00FF00FFu) << 8) | ((rb >> kShift) & 0x00FF00FFu);
            } else {
                const uint32_t sa = ag >> 16;
                const uint32_t g = (ag & 0xFFFFu) / k;
                const uint32_t r = (rb >> 16) / k;
                const uint32_t b = (rb & 0xFFFFu) / k;
                const uint32_t a = kOpaqueAlpha ? sa / k : sa / kFull;
                result = (a << 24) | (r << 16) | (g << 8) | b;
            }
            out[bx] = result;
        }
    }
}

}  // namespace

void CSprite::Downsample2x2(int32_t x, int32_t y, int32_t w, int32_t h) { Reduce<2, false>(*this, x, y, w, h); }
void CSprite::Downsample3x3(int32_t x, int32_t y, int32_t w, int32_t h) { Reduce<3, false>(*this, x, y, w, h); }
void CSprite::Downsample4x4(int32_t x, int32_t y, int32_t w, int32_t h) { Reduce<4, false>(*this, x, y, w, h); }
void CSprite::Downsample2x2OpaqueAlpha(int32_t x, int32_t y, int32_t w, int32_t h) {
    Reduce<2, true>(*this, x, y, w, h);
}
void CSprite::Downsample3x3OpaqueAlpha(int32_t x, int32_t y, int32_t w, int32_t h) {
    Reduce<3, true>(*this, x, y, w, h);
}
void CSprite::Downsample4x4OpaqueAlpha(int32_t x, int32_t y, int32_t w, int32_t h) {
    Reduce<4, true>(*this, x, y, w, h);
}
