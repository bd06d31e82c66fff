// Saturation scaling by grey definition, in place and from a source sprite.
//
// Each channel c of a pixel moves away from (or toward) the pixel's grey level
// L by a 16.16 factor k: v = L x 65536 + k x (c - L), and the channel becomes
// 0 below 0, 255 from 2^24 up, else v >> 16 (truncated). The grey level is the
// channel maximum, the mid-range (max + min) >> 1 or the HSLY luma. The mean
// is folded into the factor instead: m = ((65536 - k) x 1366) >> 12 once, then
// v = c x k + (R + G + B) x m, which is the rule with a mean a little above a
// third (k = 0 gives ((R + G + B) x 21856) >> 16).
//
// Weighted rules clamp each weight to -2560 .. 2560 and, unless all three are
// exactly 1.0 (then the unweighted rule runs with k as received), clamp k to
// -10.0 .. 10.0 and give each channel its own factor F = ((k - 65536) x w) /
// 256 + 65536 (truncated toward zero); their mean grey is ((R + G + B) x
// 21845) >> 16. A map pixel gives the factor per pixel: magnitude g x 4 from
// its low 16 bits, sign from bit 23, blended toward 1.0 by the alpha weight aw:
// A = ((+-g x 4 - 65536) x aw + 2^24) / 256 (toward zero); map factors are not
// clamped.
//
// Products are taken in 64 bits: document factors of any 32-bit value (beyond
// about 24.0 for the mean rule and 128.0 for the others 32-bit products wrap)
// then still end clamped to 0 or 255 by the sign of the true value; inside
// those bounds the results are those of 32-bit arithmetic.
#include "raster/colour/ColorModel.h"
#include "raster/colour/PixelMapFrame.h"

namespace saturation {

using pixel_map::Form;

enum class Grey { Mean, Max, Mid, Luma };

inline uint32_t Channel(int64_t v) noexcept {
    if (v < 0) return 0;
    if (v >= (int64_t{1} << 24)) return 255;
    return static_cast<uint32_t>(v >> 16);
}

inline int32_t ClampTo(int32_t v, int32_t limit) noexcept { return v < -limit ? -limit : v > limit ? limit : v; }

// The grey level of the max, mid and luma definitions; for Mean the weighted
// rules' (R + G + B) x 21845 >> 16.
template <Grey G>
inline int32_t GreyLevel(int32_t r, int32_t g, int32_t b) noexcept {
    if constexpr (G == Grey::Mean) return ((r + g + b) * 21845) >> 16;
    if constexpr (G == Grey::Max) return std::max(r, std::max(g, b));
    if constexpr (G == Grey::Mid) return (std::max(r, std::max(g, b)) + std::min(r, std::min(g, b))) >> 1;
    if constexpr (G == Grey::Luma) return LumaOf(static_cast<uint32_t>((r << 16) | (g << 8) | b));
}

// One factor for all three channels.
template <Grey G>
struct Plain {
    int64_t k;
    int64_t m;  // the folded mean term (Mean only)

    explicit Plain(int32_t factor) noexcept : k(factor), m(((int64_t{65536} - factor) * 1366) >> 12) {}

    uint32_t Colour(uint32_t p) const noexcept {
        const int32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        if constexpr (G == Grey::Mean) {
            const int64_t sum = int64_t{r + g + b} * m;
            return Channel(r * k + sum) << 16 | Channel(g * k + sum) << 8 | Channel(b * k + sum);
        } else {
            const int32_t l = GreyLevel<G>(r, g, b);
            const int64_t base = int64_t{l} << 16;
            return Channel(base + k * (r - l)) << 16 | Channel(base + k * (g - l)) << 8 |
                   Channel(base + k * (b - l));
        }
    }
};

// A factor per channel (weights already clamped, not all 256).
template <Grey G>
struct Weighted {
    int64_t f[3];

    Weighted(int32_t k, const int32_t (&weights)[3]) noexcept {
        for (int i = 0; i < 3; ++i) f[i] = (int64_t{k} - 65536) * weights[i] / 256 + 65536;
    }

    uint32_t Colour(uint32_t p) const noexcept {
        const int32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        const int32_t l = GreyLevel<G>(r, g, b);
        const int64_t base = int64_t{l} << 16;
        // A factor of 0 gives base, that is L, like the rule.
        return Channel(base + f[0] * (r - l)) << 16 | Channel(base + f[1] * (g - l)) << 8 |
               Channel(base + f[2] * (b - l));
    }
};

struct Weights {
    int32_t w[3];
    bool unit;  // all three exactly 1.0: the unweighted rule runs
};
inline Weights ClampWeights(int32_t wR, int32_t wG, int32_t wB) noexcept {
    Weights out{{ClampTo(wR, 2560), ClampTo(wG, 2560), ClampTo(wB, 2560)}, false};
    out.unit = out.w[0] == 256 && out.w[1] == 256 && out.w[2] == 256;
    return out;
}

// The factor a map pixel m (alpha not 0) gives. kSetIsPositive: the in-place
// members read a set bit 23 as positive, the source-reading ones as negative.
template <bool kSetIsPositive>
inline int32_t MapFactor(uint32_t m) noexcept {
    const int32_t magnitude = static_cast<int32_t>(m & 0xFFFF) * 4;
    const bool set = (m & 0x800000u) != 0;
    const int32_t value = set == kSetIsPositive ? magnitude : -magnitude;
    const int32_t aw = static_cast<int32_t>(pixel::Weight8(m >> 24));
    return ((value - 65536) * aw + 16777216) / 256;
}

template <Grey G, bool kSetIsPositive>
struct PlainMap {
    uint32_t Colour(uint32_t p, uint32_t m) const noexcept { return Plain<G>(MapFactor<kSetIsPositive>(m)).Colour(p); }
};

template <Grey G, bool kSetIsPositive>
struct WeightedMap {
    int32_t w[3];
    uint32_t Colour(uint32_t p, uint32_t m) const noexcept {
        return Weighted<G>(MapFactor<kSetIsPositive>(m), w).Colour(p);
    }
};

// In place.
template <Grey G>
void Immediate(CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, int32_t k) {
    pixel_map::InPlace(s, x, y, w, h, Plain<G>(k));
}
template <Grey G>
void ImmediateWeighted(CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, int32_t k, int32_t wR, int32_t wG,
                       int32_t wB) {
    const Weights weights = ClampWeights(wR, wG, wB);
    if (weights.unit) return Immediate<G>(s, x, y, w, h, k);
    pixel_map::InPlace(s, x, y, w, h, Weighted<G>(ClampTo(k, 655360), weights.w));
}
template <Grey G>
void Map(CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& map, int32_t mx, int32_t my,
         int32_t mapW, int32_t mapH) {
    pixel_map::InPlaceMap(s, x, y, w, h, map, mx, my, mapW, mapH, PlainMap<G, true>{});
}
template <Grey G>
void MapWeighted(CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& map, int32_t mx, int32_t my,
                 int32_t mapW, int32_t mapH, int32_t wR, int32_t wG, int32_t wB) {
    const Weights weights = ClampWeights(wR, wG, wB);
    if (weights.unit) return Map<G>(s, x, y, w, h, map, mx, my, mapW, mapH);
    pixel_map::InPlaceMap(s, x, y, w, h, map, mx, my, mapW, mapH,
                          WeightedMap<G, true>{{weights.w[0], weights.w[1], weights.w[2]}});
}

// From a source.
template <Form F, Grey G>
void Draw(CSprite& d, int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w, int32_t h,
          int32_t k) {
    pixel_map::FromSource<F>(d, dx, dy, src, sx, sy, w, h, Plain<G>(k));
}
template <Form F, Grey G>
void DrawWeighted(CSprite& d, int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w,
                  int32_t h, int32_t k, int32_t wR, int32_t wG, int32_t wB) {
    const Weights weights = ClampWeights(wR, wG, wB);
    if (weights.unit) return Draw<F, G>(d, dx, dy, src, sx, sy, w, h, k);
    pixel_map::FromSource<F>(d, dx, dy, src, sx, sy, w, h, Weighted<G>(ClampTo(k, 655360), weights.w));
}
template <Form F, Grey G>
void DrawMap(CSprite& d, int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w, int32_t h,
             const CSprite& map, int32_t mx, int32_t my, int32_t mapW, int32_t mapH) {
    pixel_map::FromSourceMap<F>(d, dx, dy, src, sx, sy, w, h, map, mx, my, mapW, mapH, PlainMap<G, false>{});
}
template <Form F, Grey G>
void DrawMapWeighted(CSprite& d, int32_t dx, int32_t dy, const CSprite& src, int32_t sx, int32_t sy, int32_t w,
                     int32_t h, const CSprite& map, int32_t mx, int32_t my, int32_t mapW, int32_t mapH, int32_t wR,
                     int32_t wG, int32_t wB) {
    const Weights weights = ClampWeights(wR, wG, wB);
    if (weights.unit) return DrawMap<F, G>(d, dx, dy, src, sx, sy, w, h, map, mx, my, mapW, mapH);
    pixel_map::FromSourceMap<F>(d, dx, dy, src, sx, sy, w, h, map, mx, my, mapW, mapH,
                                WeightedMap<G, false>{{weights.w[0], weights.w[1], weights.w[2]}});
}

}  // namespace saturation

using saturation::Grey;

#define OC_SAT_IMMEDIATE int32_t x, int32_t y, int32_t w, int32_t h, int32_t k
#define OC_SAT_MAP \
    int32_t x, int32_t y, int32_t w, int32_t h, const CSprite &map, int32_t mx, int32_t my, int32_t mapW, int32_t mapH
#define OC_SAT_WEIGHTS int32_t wR, int32_t wG, int32_t wB
#define OC_SAT_DRAW int32_t dx, int32_t dy, const CSprite &src, int32_t sx, int32_t sy, int32_t w, int32_t h
#define OC_SAT_DRAW_MAP OC_SAT_DRAW, const CSprite &map, int32_t mx, int32_t my, int32_t mapW, int32_t mapH
#define OC_SAT_DRAW_ARGS dx, dy, src, sx, sy, w, h
#define OC_SAT_MAP_ARGS map, mx, my, mapW, mapH

// One grey definition: its four in-place members and eight source members.
#define OC_SAT_DEFINE(name, grey)                                                                               \
    void CSprite::MulSaturation##name(OC_SAT_IMMEDIATE) { saturation::Immediate<grey>(*this, x, y, w, h, k); }  \
    void CSprite::MulSaturation##name##Weighted(OC_SAT_IMMEDIATE, OC_SAT_WEIGHTS) {                            \
        saturation::ImmediateWeighted<grey>(*this, x, y, w, h, k, wR, wG, wB);                                  \
    }                                                                                                           \
    void CSprite::MulSaturation##name##Map(OC_SAT_MAP) {                                                        \
        saturation::Map<grey>(*this, x, y, w, h, OC_SAT_MAP_ARGS);                                              \
    }                                                                                                           \
    void CSprite::MulSaturation##name##MapWeighted(OC_SAT_MAP, OC_SAT_WEIGHTS) {                                \
        saturation::MapWeighted<grey>(*this, x, y, w, h, OC_SAT_MAP_ARGS, wR, wG, wB);                          \
    }                                                                                                           \
    OC_SAT_DEFINE_DRAW(name, grey, Full, )                                                                      \
    OC_SAT_DEFINE_DRAW(name, grey, C, C)

#define OC_SAT_DEFINE_DRAW(name, grey, form, c)                                                                 \
    void CSprite::DrawMulSaturation##c##name(OC_SAT_DRAW, int32_t k) {                                          \
        saturation::Draw<Form::form, grey>(*this, OC_SAT_DRAW_ARGS, k);                                         \
    }                                                                                                           \
    void CSprite::DrawMulSaturation##c##name##Weighted(OC_SAT_DRAW, int32_t k, OC_SAT_WEIGHTS) {                \
        saturation::DrawWeighted<Form::form, grey>(*this, OC_SAT_DRAW_ARGS, k, wR, wG, wB);                     \
    }                                                                                                           \
    void CSprite::DrawMulSaturation##c##name##Map(OC_SAT_DRAW_MAP) {                                            \
        saturation::DrawMap<Form::form, grey>(*this, OC_SAT_DRAW_ARGS, OC_SAT_MAP_ARGS);                        \
    }                                                                                                           \
    void CSprite::DrawMulSaturation##c##name##MapWeighted(OC_SAT_DRAW_MAP, OC_SAT_WEIGHTS) {                    \
        saturation::DrawMapWeighted<Form::form, grey>(*this, OC_SAT_DRAW_ARGS, OC_SAT_MAP_ARGS, wR, wG, wB);    \
    }

using pixel_map::Form;

OC_SAT_DEFINE(Mean, Grey::Mean)
OC_SAT_DEFINE(Max, Grey::Max)
OC_SAT_DEFINE(Mid, Grey::Mid)
OC_SAT_DEFINE(Luma, Grey::Luma)

// The selectors: grey code 0 mean, 1 max, 2 mid, 3 luma; any other does nothing.
#define OC_SAT_SELECT(prefix, suffix, ...)                      \
    switch (grey) {                                             \
    case 0: return prefix##Mean##suffix(__VA_ARGS__);           \
    case 1: return prefix##Max##suffix(__VA_ARGS__);            \
    case 2: return prefix##Mid##suffix(__VA_ARGS__);            \
    case 3: return prefix##Luma##suffix(__VA_ARGS__);           \
    default: return;                                            \
    }

void CSprite::MulSaturationByGrey(OC_SAT_IMMEDIATE, uint32_t grey) { OC_SAT_SELECT(MulSaturation, , x, y, w, h, k) }
void CSprite::MulSaturation(OC_SAT_IMMEDIATE, OC_SAT_WEIGHTS, uint32_t grey) {
    OC_SAT_SELECT(MulSaturation, Weighted, x, y, w, h, k, wR, wG, wB)
}
void CSprite::MulSaturationMapByGrey(OC_SAT_MAP, uint32_t grey) {
    OC_SAT_SELECT(MulSaturation, Map, x, y, w, h, OC_SAT_MAP_ARGS)
}
void CSprite::MulSaturationBitmap(OC_SAT_MAP, OC_SAT_WEIGHTS, uint32_t grey) {
    OC_SAT_SELECT(MulSaturation, MapWeighted, x, y, w, h, OC_SAT_MAP_ARGS, wR, wG, wB)
}

#define OC_SAT_DEFINE_DRAW_SELECTORS(c)                                                                    \
    void CSprite::DrawMulSaturation##c##ByGrey(OC_SAT_DRAW, int32_t k, uint32_t grey) {                     \
        OC_SAT_SELECT(DrawMulSaturation##c, , OC_SAT_DRAW_ARGS, k)                                          \
    }                                                                                                      \
    void CSprite::DrawMulSaturation##c##WeightedByGrey(OC_SAT_DRAW, int32_t k, OC_SAT_WEIGHTS, uint32_t grey) { \
        OC_SAT_SELECT(DrawMulSaturation##c, Weighted, OC_SAT_DRAW_ARGS, k, wR, wG, wB)                      \
    }                                                                                                      \
    void CSprite::DrawMulSaturation##c##MapByGrey(OC_SAT_DRAW_MAP, uint32_t grey) {                         \
        OC_SAT_SELECT(DrawMulSaturation##c, Map, OC_SAT_DRAW_ARGS, OC_SAT_MAP_ARGS)                         \
    }                                                                                                      \
    void CSprite::DrawMulSaturation##c##MapWeightedByGrey(OC_SAT_DRAW_MAP, OC_SAT_WEIGHTS, uint32_t grey) { \
        OC_SAT_SELECT(DrawMulSaturation##c, MapWeighted, OC_SAT_DRAW_ARGS, OC_SAT_MAP_ARGS, wR, wG, wB)     \
    }

OC_SAT_DEFINE_DRAW_SELECTORS()
OC_SAT_DEFINE_DRAW_SELECTORS(C)

#undef OC_SAT_DEFINE_DRAW_SELECTORS
#undef OC_SAT_SELECT
#undef OC_SAT_DEFINE_DRAW
#undef OC_SAT_DEFINE
#undef OC_SAT_MAP_ARGS
#undef OC_SAT_DRAW_ARGS
#undef OC_SAT_DRAW_MAP
#undef OC_SAT_DRAW
#undef OC_SAT_WEIGHTS
#undef OC_SAT_MAP
#undef OC_SAT_IMMEDIATE
