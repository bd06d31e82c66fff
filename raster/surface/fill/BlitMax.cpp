// Larger-pixel merges: the destination takes the source pixel where the source
// wins the comparison. With the sprite as its own source the rows and pixels
// are walked so that every source pixel is read before it can be written, as
// if the source were a copy.
#include "raster/surface/sprite/Sprite.h"

namespace {

// p := s where Wins(s, p).
struct Larger {
    static bool Wins(uint32_t s, uint32_t p) noexcept { return s >= p; }
};
struct HigherAlpha {
    static bool Wins(uint32_t s, uint32_t p) noexcept { return (s >> 24) > (p >> 24); }
};

template <class Rule>
void MergeRow(uint32_t* d, const uint32_t* s, int32_t w) noexcept {
    if (d > s && d < s + w) {
        for (int32_t i = w - 1; i >= 0; --i)
            if (Rule::Wins(s[i], d[i])) d[i] = s[i];
    } else {
        for (int32_t i = 0; i < w; ++i)
            if (Rule::Wins(s[i], d[i])) d[i] = s[i];
    }
}

template <class Rule>
void Merge(CSprite& target, int32_t x, int32_t y, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
           int32_t h) {
    if (!target.HasImage() || !source.HasImage()) return;
    target.ClipBlit(x, y, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return;
    const bool bottomUp = &target == &source && (y > sy || (y == sy && x > sx));
    for (int32_t j = 0; j < h; ++j) {
        const int32_t r = bottomUp ? h - 1 - j : j;
        MergeRow<Rule>(target.PixelAt(x, y + r), source.PixelAt(sx, sy + r), w);
    }
}

}  // namespace

void CSprite::BlitMax(int32_t x, int32_t y, const CSprite& source, int32_t sx, int32_t sy, int32_t w, int32_t h) {
    Merge<Larger>(*this, x, y, source, sx, sy, w, h);
}

void CSprite::BlitMaxAlpha(int32_t x, int32_t y, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                           int32_t h) {
    Merge<HigherAlpha>(*this, x, y, source, sx, sy, w, h);
}

void CSprite::StretchBlitMax(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                             int32_t sy, int32_t sw, int32_t sh) {
    if (m_pixels == nullptr || !source.HasImage()) return;
    int64_t stepX = 0, stepY = 0, startX = 0, startY = 0;
    ClipBlitStretched(x, y, w, h, stepX, stepY, startX, startY, source, sx, sy, sw, sh);
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || stepX < 0 || stepY < 0 || startX < 0 || startY < 0) return;
    // Every sample stays inside the source rectangle: the clip promises it, and
    // the counts are held to it here too so that no position can leave it.
    const int64_t limitX = int64_t{sw} << 16, limitY = int64_t{sh} << 16;
    if (startX >= limitX || startY >= limitY) return;
    if (stepX > 0 && startX + (w - 1) * stepX >= limitX) w = static_cast<int32_t>((limitX - 1 - startX) / stepX + 1);
    if (stepY > 0 && startY + (h - 1) * stepY >= limitY) h = static_cast<int32_t>((limitY - 1 - startY) / stepY + 1);
    int64_t v = startY;
    for (int32_t j = 0; j < h; ++j, v += stepY) {
        const uint32_t* s = source.PixelAt(sx, sy + static_cast<int32_t>(v >> 16));
        uint32_t* d = PixelAt(x, y + j);
        int64_t u = startX;
        for (int32_t i = 0; i < w; ++i, u += stepX) {
            const uint32_t p = s[u >> 16];
            if (p >= d[i]) d[i] = p;
        }
    }
}
