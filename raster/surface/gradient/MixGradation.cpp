// Multi-point gradients: every pixel is coloured from a list of control
// points by a distance-based weighted mix, in double precision.
//
// For the pixel (px, py) and each point in order: the offsets to the point are
// scaled by the side the pixel lies on, d = sqrt((dx sx)^2 + (dy sy)^2), the
// weight w = strength x clamp((d - zeroRadius) / (fullRadius - zeroRadius),
// 0, 1) (equal radii: 1 up to and including the radius, else 0). MIX points
// add w to the weight sum S (starting at 1e-12) and w x channel to M, and
// multiply the keep factor K by 1 - w (0 once w >= 1); ADD and SUB points add
// or subtract w x channel to the offset O. A channel is then
//   (M / S) x (1 - K) + K x base + O,
// clamped to 0..255 and truncated. The operations are evaluated in exactly
// that order with no fused multiply-add (the build sets -ffp-contract=off), so
// results do not depend on the compiler's choices. (Because S starts at
// 1e-12, a pixel fully covered by one MIX point gets c / (1 + 1e-12), one
// below a whole channel value c > 0; the rule is kept as it is so that
// documents render as they always have.)
//
// The work is one square root and one division per point and pixel, so rows
// are evaluated two pixels per SSE2 vector, or four per AVX2 vector where the
// processor has it, each lane doing exactly the scalar operations.
//
// A point whose fields make the arithmetic undefined (NaN, infinities that
// cancel) never turns into an out-of-range float-to-integer conversion: a NaN
// fraction gives the point no weight and a NaN channel becomes 0.
#include "raster/surface/gradient/MixGradation.h"

#include "raster/surface/sprite/Sprite.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// The channels a form writes, as in the linear gradients, with the point field
// each one reads.
struct ArgbSet {
    static constexpr int kCount = 4;
    static constexpr int kShift[4] = {24, 16, 8, 0};
    static constexpr double MixGradationPoint::*kField[4] = {&MixGradationPoint::alpha, &MixGradationPoint::red,
                                                             &MixGradationPoint::green, &MixGradationPoint::blue};
    static constexpr uint32_t kMask = 0xFFFFFFFFu;
};
struct ColourSet {
    static constexpr int kCount = 3;
    static constexpr int kShift[3] = {16, 8, 0};
    static constexpr double MixGradationPoint::*kField[3] = {&MixGradationPoint::red, &MixGradationPoint::green,
                                                             &MixGradationPoint::blue};
    static constexpr uint32_t kMask = 0x00FFFFFFu;
};
struct AlphaSet {
    static constexpr int kCount = 1;
    static constexpr int kShift[1] = {24};
    static constexpr double MixGradationPoint::*kField[1] = {&MixGradationPoint::alpha};
    static constexpr uint32_t kMask = 0xFF000000u;
};

// clamp(f, 0, 1), a NaN giving 0.
inline double Fraction(double f) noexcept {
    if (!(f > 0.0)) return 0.0;
    return f > 1.0 ? 1.0 : f;
}

// The byte of a channel value: clamped to 0..255 and truncated, NaN giving 0.
inline uint32_t ToByte(double v) noexcept {
    if (!(v > 0.0)) return 0;
    if (v > 255.0) return 255;
    return static_cast<uint32_t>(v);
}

// The weight of a point at the pixel (px, py).
inline double Weight(const MixGradationPoint& p, double px, double py) noexcept {
    const double dx = p.x - px;
    const double dy = p.y - py;
    const double sx = dx >= 0.0 ? p.scaleLeft : p.scaleRight;
    const double sy = dy >= 0.0 ? p.scaleUp : p.scaleDown;
    const double ox = dx * sx;
    const double oy = dy * sy;
    const double d = __builtin_sqrt(ox * ox + oy * oy);
    double f;
    if (p.zeroRadius == p.fullRadius) {
        f = d <= p.fullRadius ? 1.0 : 0.0;
    } else {
        f = Fraction((d - p.zeroRadius) / (p.fullRadius - p.zeroRadius));
    }
    return p.strength * f;
}

// The set's bytes of the pixel (px, py).
template <class Set>
uint32_t MixPixel(const MixGradationPoint* points, uint32_t count, const double* base, double px,
                  double py) noexcept {
    constexpr int kC = Set::kCount;
    double sum = 1e-12, keep = 1.0;
    double mixed[kC], offset[kC];
    for (int c = 0; c < kC; ++c) mixed[c] = offset[c] = 0.0;
    for (uint32_t k = 0; k < count; ++k) {
        const MixGradationPoint& p = points[k];
        const int32_t mode = p.mode & 3;
        if (mode == 3) continue;
        const double w = Weight(p, px, py);
        if (mode == kMixGradationMix) {
            sum += w;
            for (int c = 0; c < kC; ++c) mixed[c] += w * (p.*Set::kField[c]);
            keep = w >= 1.0 ? 0.0 : keep * (1.0 - w);
        } else if (mode == kMixGradationAdd) {
            for (int c = 0; c < kC; ++c) offset[c] += w * (p.*Set::kField[c]);
        } else {
            for (int c = 0; c < kC; ++c) offset[c] -= w * (p.*Set::kField[c]);
        }
    }
    uint32_t v = 0;
    for (int c = 0; c < kC; ++c) {
        const double value = (mixed[c] / sum) * (1.0 - keep) + keep * base[c] + offset[c];
        v |= ToByte(value) << Set::kShift[c];
    }
    return v;
}

// GCC inlines the always-inline group helpers into the AVX2 function, so their
// 256-bit values never cross a non-AVX call; clang checks the helpers on their
// own and refuses them, so clang builds (the fuzz build) use the scalar path.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define OC_MIX_GROUPS 1
// 256-bit values pass between the helpers below only inside the function
// compiled for AVX2, where they are all inlined, so the note that such values
// change the calling convention without AVX does not apply.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Several pixels of one row at a time, one double per pixel in each vector
// lane. Every lane performs exactly the operations of MixPixel in the same
// order (IEEE operations are correctly rounded whatever the vector width):
// the selections become compare-and-mask, the clamps max/min, which give the
// same results, NaN included (max(NaN, 0) is 0 here as in Fraction and ToByte).
// Only the row's own terms (dy, its scale and square) are computed once per
// point as plain doubles, as MixPixel computes them.
struct SseLanes {
    using V = __m128d;
    static constexpr int kLanes = 2;
    static V Set1(double v) noexcept { return _mm_set1_pd(v); }
    static V Iota(double v) noexcept { return _mm_set_pd(v + 1.0, v); }
    static V Add(V a, V b) noexcept { return _mm_add_pd(a, b); }
    static V Sub(V a, V b) noexcept { return _mm_sub_pd(a, b); }
    static V Mul(V a, V b) noexcept { return _mm_mul_pd(a, b); }
    static V Div(V a, V b) noexcept { return _mm_div_pd(a, b); }
    static V Sqrt(V a) noexcept { return _mm_sqrt_pd(a); }
    static V Max(V a, V b) noexcept { return _mm_max_pd(a, b); }
    static V Min(V a, V b) noexcept { return _mm_min_pd(a, b); }
    static V GreaterEqual(V a, V b) noexcept { return _mm_cmpge_pd(a, b); }
    static V LessEqual(V a, V b) noexcept { return _mm_cmple_pd(a, b); }
    // mask ? a : b
    static V Select(V mask, V a, V b) noexcept { return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b)); }
    static V And(V mask, V a) noexcept { return _mm_and_pd(mask, a); }
    static V AndNot(V mask, V a) noexcept { return _mm_andnot_pd(mask, a); }
    static __m128i Truncate(V a) noexcept { return _mm_cvttpd_epi32(a); }
};

#define OC_MIX_AVX2 __attribute__((target("avx2")))
struct AvxLanes {
    using V = __m256d;
    static constexpr int kLanes = 4;
    OC_MIX_AVX2 static V Set1(double v) noexcept { return _mm256_set1_pd(v); }
    OC_MIX_AVX2 static V Iota(double v) noexcept { return _mm256_set_pd(v + 3.0, v + 2.0, v + 1.0, v); }
    OC_MIX_AVX2 static V Add(V a, V b) noexcept { return _mm256_add_pd(a, b); }
    OC_MIX_AVX2 static V Sub(V a, V b) noexcept { return _mm256_sub_pd(a, b); }
    OC_MIX_AVX2 static V Mul(V a, V b) noexcept { return _mm256_mul_pd(a, b); }
    OC_MIX_AVX2 static V Div(V a, V b) noexcept { return _mm256_div_pd(a, b); }
    OC_MIX_AVX2 static V Sqrt(V a) noexcept { return _mm256_sqrt_pd(a); }
    OC_MIX_AVX2 static V Max(V a, V b) noexcept { return _mm256_max_pd(a, b); }
    OC_MIX_AVX2 static V Min(V a, V b) noexcept { return _mm256_min_pd(a, b); }
    OC_MIX_AVX2 static V GreaterEqual(V a, V b) noexcept { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
    OC_MIX_AVX2 static V LessEqual(V a, V b) noexcept { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }
    OC_MIX_AVX2 static V Select(V mask, V a, V b) noexcept { return _mm256_blendv_pd(b, a, mask); }
    OC_MIX_AVX2 static V And(V mask, V a) noexcept { return _mm256_and_pd(mask, a); }
    OC_MIX_AVX2 static V AndNot(V mask, V a) noexcept { return _mm256_andnot_pd(mask, a); }
    OC_MIX_AVX2 static __m128i Truncate(V a) noexcept { return _mm256_cvttpd_epi32(a); }
};

// The set's bytes of kLanes pixels from (px, py) on, written to out[0 .. kLanes - 1].
template <class L, class Set>
[[gnu::always_inline]] inline void MixGroup(uint32_t* out, const MixGradationPoint* points, uint32_t count,
                                            const double* base, double px, double py) noexcept {
    using V = typename L::V;
    constexpr int kC = Set::kCount;
    const V zero = L::Set1(0.0), one = L::Set1(1.0);
    const V x = L::Iota(px);
    V sum = L::Set1(1e-12), keep = one;
    V mixed[kC], offset[kC];
    for (int c = 0; c < kC; ++c) mixed[c] = offset[c] = zero;
    for (uint32_t k = 0; k < count; ++k) {
        const MixGradationPoint& p = points[k];
        const int32_t mode = p.mode & 3;
        if (mode == 3) continue;
        const V dx = L::Sub(L::Set1(p.x), x);
        const double dy = p.y - py;
        const double oy = dy * (dy >= 0.0 ? p.scaleUp : p.scaleDown);
        const V ox = L::Mul(dx, L::Select(L::GreaterEqual(dx, zero), L::Set1(p.scaleLeft), L::Set1(p.scaleRight)));
        const V d = L::Sqrt(L::Add(L::Mul(ox, ox), L::Set1(oy * oy)));
        V f;
        if (p.zeroRadius == p.fullRadius) {
            f = L::And(L::LessEqual(d, L::Set1(p.fullRadius)), one);
        } else {
            f = L::Div(L::Sub(d, L::Set1(p.zeroRadius)), L::Set1(p.fullRadius - p.zeroRadius));
            f = L::Min(L::Max(f, zero), one);
        }
        const V w = L::Mul(L::Set1(p.strength), f);
        if (mode == kMixGradationMix) {
            sum = L::Add(sum, w);
            for (int c = 0; c < kC; ++c) mixed[c] = L::Add(mixed[c], L::Mul(w, L::Set1(p.*Set::kField[c])));
            keep = L::AndNot(L::GreaterEqual(w, one), L::Mul(keep, L::Sub(one, w)));
        } else if (mode == kMixGradationAdd) {
            for (int c = 0; c < kC; ++c) offset[c] = L::Add(offset[c], L::Mul(w, L::Set1(p.*Set::kField[c])));
        } else {
            for (int c = 0; c < kC; ++c) offset[c] = L::Sub(offset[c], L::Mul(w, L::Set1(p.*Set::kField[c])));
        }
    }
    const V cover = L::Sub(one, keep), top = L::Set1(255.0);
    __m128i words = _mm_setzero_si128();
    for (int c = 0; c < kC; ++c) {
        const V value =
            L::Add(L::Add(L::Mul(L::Div(mixed[c], sum), cover), L::Mul(keep, L::Set1(base[c]))), offset[c]);
        const __m128i bytes = L::Truncate(L::Min(L::Max(value, zero), top));
        words = _mm_or_si128(words, _mm_sll_epi32(bytes, _mm_cvtsi32_si128(Set::kShift[c])));
    }
    alignas(16) uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), words);
    for (int k = 0; k < L::kLanes; ++k) out[k] = lanes[k];
}
#endif

// The rectangle row by row: groups of L::kLanes pixels, then single pixels.
template <class L, class Set>
[[gnu::always_inline]] inline void MixRows(uint32_t* row, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h,
                                           const MixGradationPoint* points, uint32_t count,
                                           const double* base) noexcept {
    for (int32_t j = 0; j < h; ++j, row += stride) {
        const double py = static_cast<double>(y + j);
        int32_t i = 0;
#if defined(OC_MIX_GROUPS)
        for (; i + L::kLanes <= w; i += L::kLanes) {
            uint32_t v[L::kLanes];
            MixGroup<L, Set>(v, points, count, base, static_cast<double>(x + i), py);
            for (int k = 0; k < L::kLanes; ++k) {
                if constexpr (Set::kMask == 0xFFFFFFFFu) {
                    row[i + k] = v[k];
                } else {
                    row[i + k] = (row[i + k] & ~Set::kMask) | v[k];
                }
            }
        }
#endif
        for (; i < w; ++i) {
            const uint32_t v = MixPixel<Set>(points, count, base, static_cast<double>(x + i), py);
            if constexpr (Set::kMask == 0xFFFFFFFFu) {
                row[i] = v;
            } else {
                row[i] = (row[i] & ~Set::kMask) | v;
            }
        }
    }
}

#if defined(OC_MIX_GROUPS)
template <class Set>
void MixRowsSse(uint32_t* row, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h,
                const MixGradationPoint* points, uint32_t count, const double* base) noexcept {
    MixRows<SseLanes, Set>(row, stride, x, y, w, h, points, count, base);
}

template <class Set>
OC_MIX_AVX2 void MixRowsAvx(uint32_t* row, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h,
                            const MixGradationPoint* points, uint32_t count, const double* base) noexcept {
    MixRows<AvxLanes, Set>(row, stride, x, y, w, h, points, count, base);
}
#pragma GCC diagnostic pop

#else
// Single pixels only: MixRows takes no groups without OC_MIX_GROUPS.
struct ScalarLanes {};
#endif

template <class Set>
void MixRect(uint32_t* row, int32_t stride, int32_t x, int32_t y, int32_t w, int32_t h,
             const MixGradationPoint* points, uint32_t count, uint32_t baseWord) noexcept {
    double base[Set::kCount];
    for (int c = 0; c < Set::kCount; ++c) base[c] = static_cast<double>((baseWord >> Set::kShift[c]) & 0xFFu);
#if defined(OC_MIX_GROUPS)
    if (gradient_detail::UseWideVectors()) {
        MixRowsAvx<Set>(row, stride, x, y, w, h, points, count, base);
    } else {
        MixRowsSse<Set>(row, stride, x, y, w, h, points, count, base);
    }
#else
    MixRows<ScalarLanes, Set>(row, stride, x, y, w, h, points, count, base);
#endif
}

bool g_baselineOnly = false;

}  // namespace

bool gradient_detail::UseWideVectors() noexcept {
#if defined(__GNUC__) && defined(__x86_64__)
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    return hasAvx2 && !g_baselineOnly;
#else
    return false;
#endif
}

void raster_test::UseBaselineGradientVectors(bool on) { g_baselineOnly = on; }

void CSprite::MixGradation(int32_t x, int32_t y, int32_t w, int32_t h, const MixGradationPoint* points,
                           uint32_t count, uint32_t base) {
    if (ClipRect(x, y, w, h) == 0) return;
    MixRect<ArgbSet>(PixelAt(x, y), m_stride, x, y, w, h, points, count, base);
}

void CSprite::MixGradationC(int32_t x, int32_t y, int32_t w, int32_t h, const MixGradationPoint* points,
                            uint32_t count, uint32_t base) {
    if (ClipRect(x, y, w, h) == 0) return;
    MixRect<ColourSet>(PixelAt(x, y), m_stride, x, y, w, h, points, count, base);
}

void CSprite::MixGradationA(int32_t x, int32_t y, int32_t w, int32_t h, const MixGradationPoint* points,
                            uint32_t count, uint32_t baseAlpha) {
    if (ClipRect(x, y, w, h) == 0) return;
    MixRect<AlphaSet>(PixelAt(x, y), m_stride, x, y, w, h, points, count, (baseAlpha & 0xFFu) << 24);
}
