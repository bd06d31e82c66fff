// Linear gradients: two-colour runs across (H) or down (V) a rectangle and
// four-corner runs (HV), each for the whole pixel, the colour only (C) or the
// alpha only (A).
//
// Every channel is a GradientRun: a signed accumulator with 20 fraction bits
// that loses one step per pixel, ends forced exact. A channel set says which
// bytes of the pixel a form writes; the loops are written once over the set.
//
// The rows of the horizontal and four-corner forms are written a group of
// pixels at a time: pixel i of a run is exactly acc0 - i * step (the repeated
// subtraction never overflows, every value lying between the two ends), so
// k lanes start at acc0, acc0 - step, ... and all lose k * step per group.
// Packing a channel is one shift pair per lane; the divisions happen once per
// run (once per row in the four-corner forms). Groups are four pixels, or
// eight in the four-corner forms where the processor has AVX2 (every pixel of
// those is computed, so they are the ones that gain from it).
#include <algorithm>
#include <cstring>

#include "raster/surface/fill/FillPixels.h"
#include "raster/surface/gradient/GradientRun.h"
#include "raster/surface/gradient/MixGradation.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

using fill_detail::Load4;
using fill_detail::Pixels4;
using fill_detail::Store4;

// The channels a form writes: their count, their bit positions in the pixel
// (alpha first) and the mask of the bytes written; the other bytes are kept.
struct ArgbSet {
    static constexpr int kCount = 4;
    static constexpr int kShift[4] = {24, 16, 8, 0};
    static constexpr uint32_t kMask = 0xFFFFFFFFu;
};
struct ColourSet {
    static constexpr int kCount = 3;
    static constexpr int kShift[3] = {16, 8, 0};
    static constexpr uint32_t kMask = 0x00FFFFFFu;
};
struct AlphaSet {
    static constexpr int kCount = 1;
    static constexpr int kShift[1] = {24};
    static constexpr uint32_t kMask = 0xFF000000u;
};

// The written bytes from value, the others from the old pixel (a plain store
// for the whole-pixel set).
template <class Set, class T>
inline T Merge(T old, T value) noexcept {
    if constexpr (Set::kMask == 0xFFFFFFFFu) {
        (void)old;
        return value;
    } else {
        return (old & ~Set::kMask) | value;
    }
}

// Channel c of an argument word, 0..255.
template <class Set>
inline int32_t ByteOf(uint32_t word, int c) noexcept {
    return static_cast<int32_t>((word >> Set::kShift[c]) & 0xFFu);
}

// The same as a run end with 20 fraction bits.
template <class Set>
inline int32_t EndOf(uint32_t word, int c) noexcept {
    return ByteOf<Set>(word, c) << 20;
}

// The pixel bytes of accumulators holding values 0..255 (non-negative, so the
// arithmetic shift is a plain one).
template <class Set>
inline uint32_t Pack(const int32_t* acc) noexcept {
    uint32_t v = 0;
    for (int c = 0; c < Set::kCount; ++c) v |= static_cast<uint32_t>(acc[c] >> 20) << Set::kShift[c];
    return v;
}

// Vectors of kLanes accumulators and of kLanes pixel words.
template <int kLanes>
struct LaneTypes;
template <>
struct LaneTypes<4> {
    using Lanes = int32_t __attribute__((vector_size(16)));
    using Words = uint32_t __attribute__((vector_size(16)));
};
template <>
struct LaneTypes<8> {
    using Lanes = int32_t __attribute__((vector_size(32)));
    using Words = uint32_t __attribute__((vector_size(32)));
};

// One row of n + 1 pixels running from the accumulators `left` to `right`
// (20 fraction bits per channel): pixel i < n gets left - i * step with
// step = (left - right) / n, pixel n gets right. kLanes pixels per group.
template <class Set, int kLanes>
[[gnu::always_inline]] inline void RunRow(uint32_t* row, int32_t n, const int32_t* left,
                                          const int32_t* right) noexcept {
    using Lanes = typename LaneTypes<kLanes>::Lanes;
    using Words = typename LaneTypes<kLanes>::Words;
    constexpr int kC = Set::kCount;
    int32_t step[kC];
    for (int c = 0; c < kC; ++c) step[c] = GradientRun::Between(left[c], right[c], n).step;
    int32_t i = 0;
    if (n >= kLanes) {
        Lanes lane = {};
        for (int k = 0; k < kLanes; ++k) lane[k] = k;
        Lanes acc[kC];
        for (int c = 0; c < kC; ++c) acc[c] = left[c] - lane * step[c];
        for (; i + kLanes <= n; i += kLanes) {
            Words v = {};
            for (int c = 0; c < kC; ++c) {
                v |= reinterpret_cast<Words>(acc[c] >> 20) << Set::kShift[c];
                acc[c] -= kLanes * step[c];
            }
            if constexpr (Set::kMask != 0xFFFFFFFFu) {
                Words old;
                std::memcpy(&old, row + i, sizeof old);
                v |= old & ~Set::kMask;
            }
            std::memcpy(row + i, &v, sizeof v);
        }
    }
    for (; i < n; ++i) {
        int32_t acc[kC];
        for (int c = 0; c < kC; ++c) acc[c] = left[c] - i * step[c];
        row[i] = Merge<Set>(row[i], Pack<Set>(acc));
    }
    row[n] = Merge<Set>(row[n], Pack<Set>(right));
}

// Writes the set's bytes of value into w pixels.
template <class Set>
void FillRow(uint32_t* row, int32_t w, uint32_t value) noexcept {
    if constexpr (Set::kMask == 0xFFFFFFFFu) {
        std::fill_n(row, w, value);
    } else {
        const Pixels4 v4 = {value, value, value, value};
        int32_t i = 0;
        for (; i + 4 <= w; i += 4) Store4(row + i, Merge<Set>(Load4(row + i), v4));
        for (; i < w; ++i) row[i] = Merge<Set>(row[i], value);
    }
}

// Copies the set's bytes of `from` into `to` (w pixels).
template <class Set>
void CopyRow(uint32_t* to, const uint32_t* from, int32_t w) noexcept {
    if constexpr (Set::kMask == 0xFFFFFFFFu) {
        std::memcpy(to, from, static_cast<size_t>(w) * sizeof(uint32_t));
    } else {
        const Pixels4 mask = {Set::kMask, Set::kMask, Set::kMask, Set::kMask};
        int32_t i = 0;
        for (; i + 4 <= w; i += 4) Store4(to + i, Merge<Set>(Load4(to + i), Load4(from + i) & mask));
        for (; i < w; ++i) to[i] = Merge<Set>(to[i], from[i] & Set::kMask);
    }
}

template <class Set>
void Horizontal(uint32_t* row, int32_t stride, int32_t w, int32_t h, uint32_t left, uint32_t right) noexcept {
    int32_t a[Set::kCount], b[Set::kCount];
    for (int c = 0; c < Set::kCount; ++c) {
        a[c] = EndOf<Set>(left, c);
        b[c] = EndOf<Set>(right, c);
    }
    RunRow<Set, 4>(row, w - 1, a, b);
    for (uint32_t* to = row + stride; --h > 0; to += stride) CopyRow<Set>(to, row, w);
}

template <class Set>
void Vertical(uint32_t* row, int32_t stride, int32_t w, int32_t h, uint32_t top, uint32_t bottom) noexcept {
    GradientRun run[Set::kCount];
    for (int c = 0; c < Set::kCount; ++c) {
        run[c] = GradientRun::Make(ByteOf<Set>(top, c), ByteOf<Set>(bottom, c), h - 1);
    }
    for (int32_t j = 0; j < h - 1; ++j, row += stride) {
        uint32_t v = 0;
        for (int c = 0; c < Set::kCount; ++c) {
            v |= static_cast<uint32_t>(run[c].Value()) << Set::kShift[c];
            run[c].Advance();
        }
        FillRow<Set>(row, w, v);
    }
    FillRow<Set>(row, w, bottom & Set::kMask);
}

template <class Set, int kLanes>
[[gnu::always_inline]] inline void FourCorners(uint32_t* row, int32_t stride, int32_t w, int32_t h, uint32_t topLeft,
                                               uint32_t topRight, uint32_t bottomLeft, uint32_t bottomRight) noexcept {
    constexpr int kC = Set::kCount;
    const int32_t n = w - 1, m = h - 1;
    GradientRun leftEdge[kC], rightEdge[kC];
    for (int c = 0; c < kC; ++c) {
        leftEdge[c] = GradientRun::Make(ByteOf<Set>(topLeft, c), ByteOf<Set>(bottomLeft, c), m);
        rightEdge[c] = GradientRun::Make(ByteOf<Set>(topRight, c), ByteOf<Set>(bottomRight, c), m);
    }
    for (int32_t j = 0; j < m; ++j, row += stride) {
        int32_t l[kC], r[kC];
        for (int c = 0; c < kC; ++c) {
            l[c] = leftEdge[c].acc;
            r[c] = rightEdge[c].acc;
            leftEdge[c].Advance();
            rightEdge[c].Advance();
        }
        RunRow<Set, kLanes>(row, n, l, r);
    }
    int32_t l[kC], r[kC];
    for (int c = 0; c < kC; ++c) {
        l[c] = EndOf<Set>(bottomLeft, c);
        r[c] = EndOf<Set>(bottomRight, c);
    }
    RunRow<Set, kLanes>(row, n, l, r);
}

// The four-corner forms compute every pixel, so they take eight-pixel groups
// where the processor has 256-bit integer vectors (chosen once at run time).
template <class Set>
void FourCornersGroupsOf4(uint32_t* row, int32_t stride, int32_t w, int32_t h, uint32_t topLeft, uint32_t topRight,
                          uint32_t bottomLeft, uint32_t bottomRight) noexcept {
    FourCorners<Set, 4>(row, stride, w, h, topLeft, topRight, bottomLeft, bottomRight);
}

#if defined(__GNUC__) && defined(__x86_64__)
template <class Set>
__attribute__((target("avx2"))) void FourCornersGroupsOf8(uint32_t* row, int32_t stride, int32_t w, int32_t h,
                                                          uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft,
                                                          uint32_t bottomRight) noexcept {
    FourCorners<Set, 8>(row, stride, w, h, topLeft, topRight, bottomLeft, bottomRight);
}
#endif

template <class Set>
void FourCornerRect(uint32_t* row, int32_t stride, int32_t w, int32_t h, uint32_t topLeft, uint32_t topRight,
                    uint32_t bottomLeft, uint32_t bottomRight) noexcept {
#if defined(__GNUC__) && defined(__x86_64__)
    if (gradient_detail::UseWideVectors()) {
        FourCornersGroupsOf8<Set>(row, stride, w, h, topLeft, topRight, bottomLeft, bottomRight);
        return;
    }
#endif
    FourCornersGroupsOf4<Set>(row, stride, w, h, topLeft, topRight, bottomLeft, bottomRight);
}

inline uint32_t AlphaWord(uint32_t alpha) noexcept { return (alpha & 0xFFu) << 24; }

}  // namespace

void CSprite::GradationH(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t left, uint32_t right) {
    if (ClipRect(x, y, w, h) < 2) return;
    Horizontal<ArgbSet>(PixelAt(x, y), m_stride, w, h, left, right);
}

void CSprite::GradationHC(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t left, uint32_t right) {
    if (ClipRect(x, y, w, h) < 2) return;
    Horizontal<ColourSet>(PixelAt(x, y), m_stride, w, h, left, right);
}

void CSprite::GradationHA(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t leftAlpha, uint32_t rightAlpha) {
    if (ClipRect(x, y, w, h) < 2) return;
    Horizontal<AlphaSet>(PixelAt(x, y), m_stride, w, h, AlphaWord(leftAlpha), AlphaWord(rightAlpha));
}

void CSprite::GradationV(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t top, uint32_t bottom) {
    if (ClipRect(x, y, w, h) == 0 || h < 2) return;
    Vertical<ArgbSet>(PixelAt(x, y), m_stride, w, h, top, bottom);
}

void CSprite::GradationVC(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t top, uint32_t bottom) {
    if (ClipRect(x, y, w, h) == 0 || h < 2) return;
    Vertical<ColourSet>(PixelAt(x, y), m_stride, w, h, top, bottom);
}

void CSprite::GradationVA(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t topAlpha, uint32_t bottomAlpha) {
    if (ClipRect(x, y, w, h) == 0 || h < 2) return;
    Vertical<AlphaSet>(PixelAt(x, y), m_stride, w, h, AlphaWord(topAlpha), AlphaWord(bottomAlpha));
}

void CSprite::GradationHAIfReady(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t leftAlpha,
                                 uint32_t rightAlpha) {
    if (RasterPixelMode == 1) GradationHA(x, y, w, h, leftAlpha, rightAlpha);
}

void CSprite::GradationVAIfReady(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t topAlpha,
                                 uint32_t bottomAlpha) {
    if (RasterPixelMode == 1) GradationVA(x, y, w, h, topAlpha, bottomAlpha);
}

void CSprite::GradationHV(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t topLeft, uint32_t topRight,
                          uint32_t bottomLeft, uint32_t bottomRight) {
    if (ClipRect(x, y, w, h) < 2 || h < 2) return;
    FourCornerRect<ArgbSet>(PixelAt(x, y), m_stride, w, h, topLeft, topRight, bottomLeft, bottomRight);
}

void CSprite::GradationHVC(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t topLeft, uint32_t topRight,
                           uint32_t bottomLeft, uint32_t bottomRight) {
    if (ClipRect(x, y, w, h) < 2 || h < 2) return;
    FourCornerRect<ColourSet>(PixelAt(x, y), m_stride, w, h, topLeft, topRight, bottomLeft, bottomRight);
}

void CSprite::GradationHVA(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t topLeft, uint32_t topRight,
                           uint32_t bottomLeft, uint32_t bottomRight) {
    if (ClipRect(x, y, w, h) < 2 || h < 2) return;
    FourCornerRect<AlphaSet>(PixelAt(x, y), m_stride, w, h, AlphaWord(topLeft), AlphaWord(topRight),
                          AlphaWord(bottomLeft), AlphaWord(bottomRight));
}
