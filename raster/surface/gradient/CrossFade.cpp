// Cross-fades: two pictures mixed at one weight everywhere, pixel for pixel or
// each scaled by its own factor and centred in the destination rectangle.
//
// The scaled form walks its sources with 15-bit fractions: the step per
// destination pixel is 2^31 / scale in 1/32768 source pixels, the index grows by
// the whole part of the accumulated fraction. A scale above 10.0 takes the
// destination's size as the picture's size, which at that small a step can run
// past the source rectangle; such samples repeat the source's last column or
// row instead of reading beyond it.
#include <algorithm>
#include <cstdint>

#include "raster/surface/gradient/TransitionMix.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

using transition_detail::Mix;
using transition_detail::ScaleVisible;

constexpr uint32_t kMaxWeight = 256;
constexpr uint32_t kLargestScale = 0xA0000;  // 10.0: above it the picture fills the destination

bool HasPixels(const CSprite& s) noexcept { return s.GetStride() != 0 && s.GetPixels() != nullptr; }

// One scaled source picture placed in the clipped destination rectangle.
struct ScaledPicture {
    const CSprite* sprite = nullptr;
    int32_t sx = 0, sy = 0;       // clipped source origin
    int32_t sw = 0, sh = 0;       // clipped source size (0: no picture)
    uint32_t step = 0;            // 1/32768 source pixels per destination pixel
    int32_t left = 0, top = 0;    // offset of the picture inside the rectangle
    int32_t width = 0, height = 0;  // visible size of the picture (within W x H)

    bool Empty() const noexcept { return width <= 0 || height <= 0; }
};

// Scaled size of one dimension of n source pixels.
int64_t ScaledSize(int32_t n, uint32_t scale, int32_t destSize) noexcept {
    if (n <= 0) return 0;
    if (scale > kLargestScale) return destSize;
    if (n <= 4096) return (static_cast<uint32_t>(n) * scale) >> 16;
    return static_cast<int64_t>(static_cast<double>(scale) / 65536.0 * static_cast<double>(n));
}

ScaledPicture PlacePicture(const CSprite& source, int32_t sx, int32_t sy, int32_t sw, int32_t sh, uint32_t scale,
                           int32_t W, int32_t H) {
    ScaledPicture pic;
    pic.sprite = &source;
    source.ClipRect(sx, sy, sw, sh);
    if (sw <= 0 || !HasPixels(source)) return pic;
    pic.sx = sx;
    pic.sy = sy;
    pic.sw = sw;
    pic.sh = sh;
    pic.step = scale == 0 ? 0 : 0x80000000u / scale;
    const int64_t scaledW = ScaledSize(sw, scale, W);
    const int64_t scaledH = ScaledSize(sh, scale, H);
    pic.left = scaledW < W ? static_cast<int32_t>((W - scaledW) / 2) : 0;
    pic.top = scaledH < H ? static_cast<int32_t>((H - scaledH) / 2) : 0;
    pic.width = static_cast<int32_t>(std::min<int64_t>(scaledW, W));
    pic.height = static_cast<int32_t>(std::min<int64_t>(scaledH, H));
    return pic;
}

// The sample indices of a picture along one axis: 0 first, then the index grows
// by the whole part of the accumulated fraction; never past last.
class Stepper {
public:
    Stepper(uint32_t step, uint32_t last) noexcept : m_step(step), m_last(last) {}
    uint32_t Index() const noexcept { return m_index < m_last ? static_cast<uint32_t>(m_index) : m_last; }
    void Advance() noexcept {
        m_fraction += m_step;
        m_index += m_fraction >> 15;
        m_fraction &= 0x7FFF;
    }

private:
    uint64_t m_index = 0;
    uint64_t m_fraction = 0;
    uint32_t m_step;
    uint32_t m_last;
};

// Calls fn(destination row, picture column, count, source row, column stepper)
// for every row of the picture's area: rows stepped like the columns.
template <class Fn>
void ForEachPictureRow(const ScaledPicture& pic, Fn&& fn) {
    if (pic.Empty()) return;
    Stepper rows(pic.step, static_cast<uint32_t>(pic.sh - 1));
    for (int32_t r = 0; r < pic.height; ++r, rows.Advance()) {
        const uint32_t* src = pic.sprite->PixelAt(pic.sx, pic.sy + static_cast<int32_t>(rows.Index()));
        fn(pic.top + r, src);
    }
}

}  // namespace

void CSprite::CrossFade(int32_t x, int32_t y, const CSprite& first, int32_t sx1, int32_t sy1, const CSprite& second,
                        int32_t sx2, int32_t sy2, int32_t w, int32_t h, uint16_t k) {
    const uint32_t weight = std::min<uint32_t>(k, kMaxWeight);
    const bool has1 = HasPixels(first);
    const bool has2 = HasPixels(second);
    if (weight >= kMaxWeight) {
        if (second.GetWidth() != 0) DrawCopy(x, y, second, sx2, sy2, w, h);
        else FillRect(x, y, w, h, 0);
        return;
    }
    if (!has1 && !has2) {
        FillRect(x, y, w, h, 0);
        return;
    }
    if (!has1) {
        DrawCopyScaledAlpha(x, y, second, sx2, sy2, w, h, weight);
        return;
    }
    if (!has2) {
        DrawCopyScaledAlpha(x, y, first, sx1, sy1, w, h, kMaxWeight - weight);
        return;
    }
    ClipBlit(x, y, first, sx1, sy1, w, h);
    ClipBlit(x, y, second, sx2, sy2, w, h);
    if (w <= 0 || h <= 0) return;
    for (int32_t r = 0; r < h; ++r) {
        uint32_t* d = PixelAt(x, y + r);
        const uint32_t* a = first.PixelAt(sx1, sy1 + r);
        const uint32_t* b = second.PixelAt(sx2, sy2 + r);
        for (int32_t i = 0; i < w; ++i) d[i] = Mix(a[i], b[i], weight);
    }
}

void CSprite::CrossFadeScaled(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& first, int32_t sx1,
                              int32_t sy1, int32_t sw1, int32_t sh1, uint32_t scale1, const CSprite& second,
                              int32_t sx2, int32_t sy2, int32_t sw2, int32_t sh2, uint32_t scale2, uint16_t k) {
    const uint32_t weight = std::min<uint32_t>(k, kMaxWeight);
    if (ClipRect(x, y, w, h) == 0) return;
    const ScaledPicture pic2 = PlacePicture(second, sx2, sy2, sw2, sh2, scale2, w, h);

    if (weight >= kMaxWeight) {
        // The second picture alone, on 0 around it.
        if (pic2.height < h) {
            FillRect(x, y, w, pic2.top, 0);
            FillRect(x, y + pic2.top + pic2.height, w, h - pic2.top - pic2.height, 0);
        }
        if (pic2.width < w && pic2.height > 0) {
            FillRect(x, y + pic2.top, pic2.left, pic2.height, 0);
            FillRect(x + pic2.left + pic2.width, y + pic2.top, w - pic2.left - pic2.width, pic2.height, 0);
        }
        ForEachPictureRow(pic2, [&](int32_t row, const uint32_t* src) {
            uint32_t* d = PixelAt(x + pic2.left, y + row);
            Stepper cols(pic2.step, static_cast<uint32_t>(pic2.sw - 1));
            for (int32_t i = 0; i < pic2.width; ++i, cols.Advance()) d[i] = ScaleVisible(src[cols.Index()], weight);
        });
        return;
    }

    const ScaledPicture pic1 = PlacePicture(first, sx1, sy1, sw1, sh1, scale1, w, h);
    // Each destination row: the stepped row of each picture that covers it.
    Stepper rows1(pic1.step, pic1.sh > 0 ? static_cast<uint32_t>(pic1.sh - 1) : 0);
    Stepper rows2(pic2.step, pic2.sh > 0 ? static_cast<uint32_t>(pic2.sh - 1) : 0);
    for (int32_t r = 0; r < h; ++r) {
        const uint32_t* src1 = nullptr;
        const uint32_t* src2 = nullptr;
        if (!pic1.Empty() && r >= pic1.top && r < pic1.top + pic1.height) {
            src1 = first.PixelAt(pic1.sx, pic1.sy + static_cast<int32_t>(rows1.Index()));
            rows1.Advance();
        }
        if (!pic2.Empty() && r >= pic2.top && r < pic2.top + pic2.height) {
            src2 = second.PixelAt(pic2.sx, pic2.sy + static_cast<int32_t>(rows2.Index()));
            rows2.Advance();
        }
        uint32_t* d = PixelAt(x, y + r);
        Stepper cols1(pic1.step, pic1.sw > 0 ? static_cast<uint32_t>(pic1.sw - 1) : 0);
        Stepper cols2(pic2.step, pic2.sw > 0 ? static_cast<uint32_t>(pic2.sw - 1) : 0);
        for (int32_t i = 0; i < w; ++i) {
            uint32_t q1 = 0;
            uint32_t q2 = 0;
            if (src1 != nullptr && i >= pic1.left && i < pic1.left + pic1.width) {
                q1 = src1[cols1.Index()];
                cols1.Advance();
            }
            if (src2 != nullptr && i >= pic2.left && i < pic2.left + pic2.width) {
                q2 = src2[cols2.Index()];
                cols2.Advance();
            }
            d[i] = Mix(q1, q2, weight);
        }
    }
}
