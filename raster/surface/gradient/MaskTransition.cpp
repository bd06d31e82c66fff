// Mask transitions: every pixel passes from a first picture to a second one at
// its own moment, read from a mask sprite.
//
// A progress value becomes a position p in 0..255. Each visible mask pixel holds
// thresholds (a start, a middle and an end position); before the start the
// pixel shows the first picture, after the end the second, and in between the
// weight S of the second picture runs from the low to the high weight along two
// easing curves: the first curve from the start to the middle, the second from
// the middle to the end. The curves are evaluated once per call into two tables
// of 257 weights indexed by the position within a threshold span scaled to
// 0..256; the scaling multiplies by ReciprocalTable instead of dividing, so
// the per-pixel work is integer products and table reads.
//
// Two layouts of the mask bytes (three thresholds; thresholds with a level) and
// three forms (two sources at full opacity, two sources at an opacity, one
// source revealed over the destination) share one loop.
#include <algorithm>
#include <cstdint>

#include "raster/filter/Easing.h"
#include "raster/surface/gradient/TransitionMix.h"
#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

using transition_detail::Mix;

constexpr int32_t kMaxProgress = 0x400000;
constexpr int32_t kMaxWeight = 256;

// Progress position 0..255: 255 once the progress reaches the total. With the
// progress and the total both 0 or below there is no span to divide by: p = 0.
int32_t ProgressPosition(int32_t progress, int32_t total) noexcept {
    const int32_t c = std::clamp(progress, 0, kMaxProgress);
    const int32_t divisor = std::max(total, c);
    if (divisor <= 0) return 0;
    return c * 255 / divisor;
}

enum class Layout { Thresholds, Level };
enum class Kind { Full, Opacity, Reveal };

// The two weight tables of a call: A rises along the first curve, B falls
// along the second. Entry 256 repeats entry 255.
struct WeightTables {
    int32_t a[257];
    int32_t b[257];
};

template <Layout L>
void BuildTables(WeightTables& t, int32_t span, uint32_t firstCurve, uint32_t secondCurve) {
    for (int32_t i = 0; i < 256; ++i) {
        const int32_t rise = EaseValue(firstCurve, i, 255, span);
        // span - ease in 64 bits: an overshooting curve cannot overflow here.
        const int64_t fall = static_cast<int64_t>(span) - EaseValue(secondCurve, i, 255, span);
        if constexpr (L == Layout::Thresholds) {
            t.a[i] = rise / 2;
            t.b[i] = static_cast<int32_t>(fall / 2);
        } else {
            t.a[i] = rise;
            t.b[i] = static_cast<int32_t>(std::clamp<int64_t>(fall, INT32_MIN, INT32_MAX));
        }
    }
    t.a[256] = t.a[255];
    t.b[256] = t.b[255];
}

// Position `pos` within a span of n (1..255) positions as an index 0..256:
// (pos x ReciprocalTable[n]) >> 15 in unsigned 32 bits. The callers only reach
// here with 0 < pos <= n, which keeps the index at most 256; the limit makes
// that visible to a reader of the tables.
inline uint32_t SpanIndex(int32_t pos, int32_t n) noexcept {
    const uint32_t index = (static_cast<uint32_t>(pos & 0xFF) * ReciprocalTable[n & 0xFF]) >> 15;
    return index < 256 ? index : 256;
}

// Weight of the second picture at position p for a visible mask pixel m.
template <Layout L>
inline int32_t Weight(uint32_t m, int32_t p, int32_t lo, int32_t hi, const WeightTables& t) noexcept {
    const int32_t b = static_cast<int32_t>(m & 0xFF);
    const int32_t g = static_cast<int32_t>((m >> 8) & 0xFF);
    const int32_t r = static_cast<int32_t>((m >> 16) & 0xFF);
    if constexpr (L == Layout::Thresholds) {
        if (p <= b) return lo;
        if (p >= r) return hi;
        if (p <= g) return lo + t.a[SpanIndex(p - b, g - b)];
        return hi - t.b[SpanIndex(p - g, r - g)];
    } else {
        const int32_t a = static_cast<int32_t>(m >> 24);
        if (p <= b) return lo;
        if (a <= p) return hi;
        if (p <= r) {
            const int32_t level = g >= 128 ? g + 1 : g;
            return lo + static_cast<int32_t>(static_cast<int64_t>(level) * t.a[SpanIndex(p - b, r - b)] / 256);
        }
        return hi - static_cast<int32_t>(static_cast<int64_t>(255 - g) * t.b[SpanIndex(p - r, a - r)] / 256);
    }
}

// Draws v with alpha a over d: 255 replaces (full opacity), 0 leaves, others
// are laid over d.
template <Kind K>
inline void Put(uint32_t& d, uint32_t v, uint32_t opacity) noexcept {
    uint32_t a = v >> 24;
    if constexpr (K == Kind::Opacity) {
        a = (opacity * a) >> 8;
        if (a != 0) d = pixel::LayOver(d, v, a);
    } else {
        if (a == 255) d = v;
        else if (a != 0) d = pixel::LayOver(d, v, a);
    }
}

struct Rect {
    int32_t x, y, w, h;
};

// The shared loop. `first` is null for the reveal form.
template <Layout L, Kind K>
void RunTransition(CSprite& dest, Rect r, const CSprite* first, int32_t sx1, int32_t sy1, const CSprite& second,
                   int32_t sx2, int32_t sy2, const CSprite& mask, Rect m, int32_t progress, int32_t total,
                   int32_t lowWeight, int32_t highWeight, uint32_t firstCurve, uint32_t secondCurve,
                   uint32_t opacity) {
    if (dest.ClipRect(r.x, r.y, r.w, r.h) == 0) return;
    if (first != nullptr) first->ClipRect(sx1, sy1, r.w, r.h);
    if (r.w > 0) second.ClipRect(sx2, sy2, r.w, r.h);
    if (r.w <= 0 || r.h <= 0) return;
    if (mask.ClipRect(m.x, m.y, m.w, m.h) == 0) return;

    const int32_t p = ProgressPosition(progress, total);
    const int32_t lo = std::clamp(lowWeight, 0, kMaxWeight);
    const int32_t hi = std::clamp(highWeight, 0, kMaxWeight);
    WeightTables tables;
    BuildTables<L>(tables, hi - lo, firstCurve, secondCurve);

    int32_t maskRow = 0;
    for (int32_t row = 0; row < r.h; ++row) {
        uint32_t* d = dest.PixelAt(r.x, r.y + row);
        const uint32_t* s1 = first != nullptr ? first->PixelAt(sx1, sy1 + row) : nullptr;
        const uint32_t* s2 = second.PixelAt(sx2, sy2 + row);
        const uint32_t* mrow = mask.PixelAt(m.x, m.y + maskRow);
        int32_t maskCol = 0;
        for (int32_t i = 0; i < r.w; ++i) {
            const uint32_t mp = mrow[maskCol];
            if (++maskCol == m.w) maskCol = 0;
            const uint32_t p1 = s1 != nullptr ? s1[i] : 0;
            uint32_t v = p1;
            if ((mp >> 24) != 0) {
                const int32_t weight = Weight<L>(mp, p, lo, hi, tables);
                if (weight == 0) {
                    v = p1;
                } else if (static_cast<uint32_t>(weight) < 256) {
                    v = Mix(p1, s2[i], static_cast<uint32_t>(weight));
                } else {
                    v = s2[i];
                }
            }
            Put<K>(d[i], v, opacity);
        }
        if (++maskRow == m.h) maskRow = 0;
    }
}

// The two-source forms at an opacity: 0 draws nothing, 255 is the full form.
template <Layout L>
void RunTransitionAtOpacity(CSprite& dest, Rect r, const CSprite& first, int32_t sx1, int32_t sy1,
                            const CSprite& second, int32_t sx2, int32_t sy2, const CSprite& mask, Rect m,
                            int32_t progress, int32_t total, int32_t lowWeight, int32_t highWeight,
                            uint32_t firstCurve, uint32_t secondCurve, uint8_t opacity) {
    if (opacity == 0) return;
    if (opacity == 255)
        RunTransition<L, Kind::Full>(dest, r, &first, sx1, sy1, second, sx2, sy2, mask, m, progress, total,
                                     lowWeight, highWeight, firstCurve, secondCurve, 255);
    else
        RunTransition<L, Kind::Opacity>(dest, r, &first, sx1, sy1, second, sx2, sy2, mask, m, progress, total,
                                        lowWeight, highWeight, firstCurve, secondCurve, opacity);
}

}  // namespace

void CSprite::MaskTransition(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& first, int32_t sx1,
                             int32_t sy1, const CSprite& second, int32_t sx2, int32_t sy2, const CSprite& mask,
                             int32_t mx, int32_t my, int32_t mw, int32_t mh, int32_t progress, int32_t total,
                             int32_t lowWeight, int32_t highWeight, uint32_t firstCurve, uint32_t secondCurve) {
    RunTransition<Layout::Thresholds, Kind::Full>(*this, {x, y, w, h}, &first, sx1, sy1, second, sx2, sy2, mask,
                                                  {mx, my, mw, mh}, progress, total, lowWeight, highWeight,
                                                  firstCurve, secondCurve, 255);
}

void CSprite::MaskTransitionOpacity(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& first, int32_t sx1,
                                    int32_t sy1, const CSprite& second, int32_t sx2, int32_t sy2,
                                    const CSprite& mask, int32_t mx, int32_t my, int32_t mw, int32_t mh,
                                    int32_t progress, int32_t total, int32_t lowWeight, int32_t highWeight,
                                    uint32_t firstCurve, uint32_t secondCurve, uint8_t opacity) {
    RunTransitionAtOpacity<Layout::Thresholds>(*this, {x, y, w, h}, first, sx1, sy1, second, sx2, sy2, mask,
                                               {mx, my, mw, mh}, progress, total, lowWeight, highWeight,
                                               firstCurve, secondCurve, opacity);
}

void CSprite::MaskTransitionLevel(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& first, int32_t sx1,
                                  int32_t sy1, const CSprite& second, int32_t sx2, int32_t sy2, const CSprite& mask,
                                  int32_t mx, int32_t my, int32_t mw, int32_t mh, int32_t progress, int32_t total,
                                  int32_t lowWeight, int32_t highWeight, uint32_t firstCurve,
                                  uint32_t secondCurve) {
    RunTransition<Layout::Level, Kind::Full>(*this, {x, y, w, h}, &first, sx1, sy1, second, sx2, sy2, mask,
                                             {mx, my, mw, mh}, progress, total, lowWeight, highWeight, firstCurve,
                                             secondCurve, 255);
}

void CSprite::MaskTransitionLevelOpacity(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& first,
                                         int32_t sx1, int32_t sy1, const CSprite& second, int32_t sx2, int32_t sy2,
                                         const CSprite& mask, int32_t mx, int32_t my, int32_t mw, int32_t mh,
                                         int32_t progress, int32_t total, int32_t lowWeight, int32_t highWeight,
                                         uint32_t firstCurve, uint32_t secondCurve, uint8_t opacity) {
    RunTransitionAtOpacity<Layout::Level>(*this, {x, y, w, h}, first, sx1, sy1, second, sx2, sy2, mask,
                                          {mx, my, mw, mh}, progress, total, lowWeight, highWeight, firstCurve,
                                          secondCurve, opacity);
}

void CSprite::MaskReveal(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx, int32_t sy,
                         const CSprite& mask, int32_t mx, int32_t my, int32_t mw, int32_t mh, int32_t progress,
                         int32_t total, int32_t lowWeight, int32_t highWeight, uint32_t firstCurve,
                         uint32_t secondCurve) {
    RunTransition<Layout::Thresholds, Kind::Reveal>(*this, {x, y, w, h}, nullptr, 0, 0, source, sx, sy, mask,
                                                    {mx, my, mw, mh}, progress, total, lowWeight, highWeight,
                                                    firstCurve, secondCurve, 255);
}

void CSprite::MaskRevealLevel(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                              int32_t sy, const CSprite& mask, int32_t mx, int32_t my, int32_t mw, int32_t mh,
                              int32_t progress, int32_t total, int32_t lowWeight, int32_t highWeight,
                              uint32_t firstCurve, uint32_t secondCurve) {
    RunTransition<Layout::Level, Kind::Reveal>(*this, {x, y, w, h}, nullptr, 0, 0, source, sx, sy, mask,
                                               {mx, my, mw, mh}, progress, total, lowWeight, highWeight, firstCurve,
                                               secondCurve, 255);
}
