// Conditional replacement by key and by threshold.
//
// Every member is one of two loops (one value for every pixel, or a source
// rectangle repeated over the destination) instantiated with a test and a
// write chosen at compile time, so no pixel branches on the variant:
//   test   a mask from the destination pixel alone: all ones where it passes;
//   write  the new pixel from the old one p and the value V: exact (Full
//          members) or mixed at an opacity, for the target written.
// Both take one pixel (uint32_t) or four (Pixels4) with the same expression
// text; only the Data target's opacity rule reads the alpha union table and
// runs one pixel at a time (and only for passing pixels).
//
// The threshold tests compare four unsigned bytes at once: with the channels
// spread into 16-bit lanes (B, R under 0x00FF00FF and G, A shifted down by 8),
// a + 256 - b stays within 1 .. 511 in every lane, so no lane borrows from the
// next and bit 8 of a lane is set exactly where a >= b. The threshold's lanes
// are prepared once per call.
//
// The tiled walk pairs the clipped source corner with the clipped destination
// corner (the two clips are independent); each destination row takes the next
// source row, wrapping after sh rows, and runs in pieces of at most sw pixels
// that each start at the source row's first pixel, so the wrap is a comparison
// per piece rather than a division per pixel.
#include <algorithm>
#include <bit>
#include <cstdint>

#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/PixelVectors.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace key_replace {

using pixel::Load4;
using pixel::Pixels4;
using pixel::Splat;
using pixel::Store4;

constexpr uint32_t kAlpha = pixel::kAlphaBits;
constexpr uint32_t kColour = pixel::kColourBits;

// All ones where the condition holds, from a bool (one pixel) or a vector
// comparison (four).
template <class T, class C>
inline T MaskOf(C condition) noexcept {
    if constexpr (sizeof(T) == sizeof(uint32_t)) {
        return T{0} - static_cast<T>(condition);
    } else {
        return std::bit_cast<T>(condition);
    }
}

// ---- tests on the destination pixel ----

struct FromAlpha {
    uint32_t key;
    explicit FromAlpha(uint8_t k) noexcept : key(k) {}
    template <class T>
    T operator()(T p) const noexcept {
        return MaskOf<T>((p >> 24) == Splat<T>(key));
    }
};

struct FromColor {
    uint32_t key;
    explicit FromColor(uint32_t k) noexcept : key(k & kColour) {}
    template <class T>
    T operator()(T p) const noexcept {
        return MaskOf<T>((p & kColour) == Splat<T>(key));
    }
};

struct FromData {
    uint32_t key;
    explicit FromData(uint32_t k) noexcept : key(k) {}
    template <class T>
    T operator()(T p) const noexcept {
        return MaskOf<T>(p == Splat<T>(key));
    }
};

enum class Condition { GE, LE, GrOr, LeOr };

template <Condition C>
struct Threshold {
    static constexpr uint32_t kLaneBits = 0x01000100u;  // bit 8 of both 16-bit lanes
    uint32_t rb, ga;                                    // the threshold's lanes

    explicit Threshold(uint32_t t) noexcept : rb(t & pixel::kRB), ga((t >> 8) & pixel::kRB) {}

    // Bit 8 of each lane set where a >= b, over the four channels.
    template <class T>
    static T AtLeast(T aRB, T aGA, T bRB, T bGA) noexcept {
        return (aRB + kLaneBits - bRB) & (aGA + kLaneBits - bGA) & kLaneBits;
    }

    template <class T>
    T operator()(T p) const noexcept {
        const T pRB = p & pixel::kRB, pGA = (p >> 8) & pixel::kRB;
        const T tRB = Splat<T>(rb), tGA = Splat<T>(ga);
        const T all = Splat<T>(kLaneBits);
        if constexpr (C == Condition::GE) {
            return MaskOf<T>(AtLeast(pRB, pGA, tRB, tGA) == all);
        } else if constexpr (C == Condition::LE) {
            return MaskOf<T>(AtLeast(tRB, tGA, pRB, pGA) == all);
        } else if constexpr (C == Condition::GrOr) {
            return MaskOf<T>(AtLeast(tRB, tGA, pRB, pGA) != all);
        } else {
            return MaskOf<T>(AtLeast(pRB, pGA, tRB, tGA) != all);
        }
    }
};

using IfGE = Threshold<Condition::GE>;
using IfLE = Threshold<Condition::LE>;
using IfGrOr = Threshold<Condition::GrOr>;
using IfLeOr = Threshold<Condition::LeOr>;

// ---- writes: the new pixel from p and the value v ----

enum class Part { Data, Color, Alpha };

// A single value as the pixel it stands for: an alpha byte moves to the top.
template <Part P, class V>
constexpr uint32_t ValueWord(V value) noexcept {
    if constexpr (P == Part::Alpha) {
        return static_cast<uint32_t>(value & 0xFFu) << 24;
    } else {
        return value;
    }
}

template <Part P>
struct Exact {
    static constexpr bool kVector = true;
    template <class T>
    T operator()(T p, T v) const noexcept {
        if constexpr (P == Part::Data) {
            return v;
        } else if constexpr (P == Part::Color) {
            return (p & kAlpha) | (v & kColour);
        } else {
            return (p & kColour) | (v & kAlpha);
        }
    }
};

// Opacity 1 .. 254. Four pixels mix in 16-bit lanes (B, R and G, A apart):
// every channel times a weight of at most 256 plus its partner's share stays
// below 65536, and the lane products need no 32-bit multiplication.
template <Part P>
struct Mixed {
    static constexpr bool kVector = P != Part::Data;
    uint32_t op;
    pixel::Lanes16 weight, inverse;  // op and 256 - op in every lane

    explicit Mixed(uint8_t opacity) noexcept : op(opacity) {
        const Pixels4 zero = {0, 0, 0, 0};
        weight = pixel::AsLanes(zero + op * 0x00010001u);
        inverse = pixel::AsLanes(zero + (256 - op) * 0x00010001u);
    }

    uint32_t operator()(uint32_t p, uint32_t v) const noexcept {
        if constexpr (P == Part::Alpha) {
            return (p & kColour) | ((((p >> 24) * (256 - op) + (v >> 24) * op) >> 8) << 24);
        } else if constexpr (P == Part::Color) {
            return (p & kAlpha) | pixel::MixColour(p, v, op);
        } else {
            // Union compositing: the colour weight from the pixel's alpha
            // alone, the alpha the two shares added.
            const uint32_t a = p >> 24;
            const uint32_t e = pixel::Union(op, a);
            const uint32_t alpha = (((256 - op) * a) >> 8) + (((v >> 24) * op) >> 8);
            return (alpha << 24) | pixel::MixColour(p, v, pixel::UnionWeight(e));
        }
    }

    Pixels4 operator()(Pixels4 p, Pixels4 v) const noexcept {
        using pixel::AsLanes;
        using pixel::AsPixels;
        if constexpr (P == Part::Alpha) {
            // The alpha alone in the low lane of each pixel; the high lane stays 0.
            const pixel::Lanes16 a = AsLanes(p >> 24) * inverse + AsLanes(v >> 24) * weight;
            return (p & kColour) | ((AsPixels(a) >> 8) << 24);
        } else {
            const pixel::Lanes16 rb = AsLanes(v & pixel::kRB) * weight + AsLanes(p & pixel::kRB) * inverse;
            const pixel::Lanes16 g = AsLanes((v >> 8) & pixel::kRB) * weight + AsLanes((p >> 8) & pixel::kRB) * inverse;
            return (p & kAlpha) | (AsPixels(rb >> 8) & pixel::kRB) | ((AsPixels(g >> 8) & 0xFFu) << 8);
        }
    }
};

// ---- the two loops ----

template <class Test, class Write>
inline void RunPiece(uint32_t* d, const uint32_t* s, int32_t n, const Test& test, const Write& write) noexcept {
    int32_t i = 0;
    if constexpr (Write::kVector) {
        for (; i + 4 <= n; i += 4) {
            const Pixels4 p = Load4(d + i);
            const Pixels4 m = test(p);
            Store4(d + i, (write(p, Load4(s + i)) & m) | (p & ~m));
        }
    }
    for (; i < n; ++i) {
        const uint32_t p = d[i];
        if (test(p) != 0) d[i] = write(p, s[i]);
    }
}

template <class Test, class Write>
void Single(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, const Test& test, const Write& write,
            uint32_t value) {
    sprite.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    uint32_t* row = sprite.PixelAt(x, y);
    const int32_t stride = sprite.GetStride();
    for (; h > 0; --h, row += stride) {
        if constexpr (Write::kVector) {
            pixel::TransformRun(row, w, [&](auto p) {
                using T = decltype(p);
                const T m = test(p);
                return (write(p, Splat<T>(value)) & m) | (p & ~m);
            });
        } else {
            for (int32_t i = 0; i < w; ++i) {
                const uint32_t p = row[i];
                if (test(p) != 0) row[i] = write(p, value);
            }
        }
    }
}

template <class Test, class Write>
void Tiled(CSprite& sprite, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& src, int32_t sx, int32_t sy,
           int32_t sw, int32_t sh, const Test& test, const Write& write) {
    src.ClipRect(sx, sy, sw, sh);
    if (sw <= 0 || sh <= 0) return;
    sprite.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    int32_t sourceRow = 0;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* row = sprite.PixelAt(x, y + j);
        const uint32_t* line = src.PixelAt(sx, sy + sourceRow);
        if (++sourceRow == sh) sourceRow = 0;
        for (int32_t i = 0; i < w; i += sw) RunPiece(row + i, line, std::min(sw, w - i), test, write);
    }
}

}  // namespace key_replace

// ---- the members: one line each ----

#define OC_REPLACE_SINGLE_FULL_DEF(Name, Target, Form, KeyT, ValueT)                                            \
    void CSprite::Name(int32_t x, int32_t y, int32_t w, int32_t h, KeyT key, ValueT value) {                     \
        key_replace::Single(*this, x, y, w, h, key_replace::Form(key), key_replace::Exact<key_replace::Part::Target>{}, \
                            key_replace::ValueWord<key_replace::Part::Target>(value));                           \
    }
#define OC_REPLACE_SINGLE_OPACITY_DEF(Name, Full, Target, Form, KeyT, ValueT)                                   \
    void CSprite::Name(int32_t x, int32_t y, int32_t w, int32_t h, KeyT key, ValueT value, uint8_t opacity) {    \
        if (opacity == 255) return Full(x, y, w, h, key, value);                                                  \
        if (opacity == 0) return;                                                                                 \
        key_replace::Single(*this, x, y, w, h, key_replace::Form(key),                                            \
                            key_replace::Mixed<key_replace::Part::Target>(opacity),                               \
                            key_replace::ValueWord<key_replace::Part::Target>(value));                           \
    }
#define OC_REPLACE_TILED_DEF(Target, Form, KeyT)                                                                    \
    void CSprite::Replace##Target##Form##TiledFull(int32_t x, int32_t y, int32_t w, int32_t h, KeyT key,             \
                                                   const CSprite& src, int32_t sx, int32_t sy, int32_t sw,           \
                                                   int32_t sh) {                                                     \
        key_replace::Tiled(*this, x, y, w, h, src, sx, sy, sw, sh, key_replace::Form(key),                           \
                           key_replace::Exact<key_replace::Part::Target>{});                                        \
    }                                                                                                               \
    void CSprite::Replace##Target##Form##Tiled(int32_t x, int32_t y, int32_t w, int32_t h, KeyT key,                 \
                                               const CSprite& src, int32_t sx, int32_t sy, int32_t sw, int32_t sh,   \
                                               uint8_t opacity) {                                                    \
        if (opacity == 255) return Replace##Target##Form##TiledFull(x, y, w, h, key, src, sx, sy, sw, sh);            \
        if (opacity == 0) return;                                                                                     \
        key_replace::Tiled(*this, x, y, w, h, src, sx, sy, sw, sh, key_replace::Form(key),                           \
                           key_replace::Mixed<key_replace::Part::Target>(opacity));                                 \
    }
#define OC_THRESHOLD_REPLACE_DEF(Target, Condition, ValueT)                                                         \
    void CSprite::Replace##Target##Condition##Full(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t threshold,   \
                                                   ValueT value) {                                                   \
        key_replace::Single(*this, x, y, w, h, key_replace::Condition(threshold),                                    \
                            key_replace::Exact<key_replace::Part::Target>{},                                        \
                            key_replace::ValueWord<key_replace::Part::Target>(value));                              \
    }                                                                                                               \
    void CSprite::Replace##Target##Condition(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t threshold,         \
                                             ValueT value, uint8_t opacity) {                                        \
        if (opacity == 255) return Replace##Target##Condition##Full(x, y, w, h, threshold, value);                    \
        if (opacity == 0) return;                                                                                     \
        key_replace::Single(*this, x, y, w, h, key_replace::Condition(threshold),                                    \
                            key_replace::Mixed<key_replace::Part::Target>(opacity),                                 \
                            key_replace::ValueWord<key_replace::Part::Target>(value));                              \
    }                                                                                                               \
    void CSprite::Replace##Target##Condition##TiledFull(int32_t x, int32_t y, int32_t w, int32_t h,                  \
                                                        uint32_t threshold, const CSprite& src, int32_t sx,          \
                                                        int32_t sy, int32_t sw, int32_t sh) {                        \
        key_replace::Tiled(*this, x, y, w, h, src, sx, sy, sw, sh, key_replace::Condition(threshold),                \
                           key_replace::Exact<key_replace::Part::Target>{});                                        \
    }                                                                                                               \
    void CSprite::Replace##Target##Condition##Tiled(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t threshold,  \
                                                    const CSprite& src, int32_t sx, int32_t sy, int32_t sw,          \
                                                    int32_t sh, uint8_t opacity) {                                   \
        if (opacity == 255) return Replace##Target##Condition##TiledFull(x, y, w, h, threshold, src, sx, sy, sw, sh); \
        if (opacity == 0) return;                                                                                     \
        key_replace::Tiled(*this, x, y, w, h, src, sx, sy, sw, sh, key_replace::Condition(threshold),                \
                           key_replace::Mixed<key_replace::Part::Target>(opacity));                                 \
    }

OC_KEY_REPLACE_SINGLE_FULL(OC_REPLACE_SINGLE_FULL_DEF)
OC_KEY_REPLACE_SINGLE(OC_REPLACE_SINGLE_OPACITY_DEF)
OC_KEY_REPLACE_TILED(OC_REPLACE_TILED_DEF)
OC_THRESHOLD_REPLACE(OC_THRESHOLD_REPLACE_DEF)

#undef OC_REPLACE_SINGLE_FULL_DEF
#undef OC_REPLACE_SINGLE_OPACITY_DEF
#undef OC_REPLACE_TILED_DEF
#undef OC_THRESHOLD_REPLACE_DEF

// ---- wrappers ----

void CSprite::ReplaceAlphaOpacity(int32_t x, int32_t y, int32_t w, int32_t h, uint8_t key, uint8_t value,
                                  uint8_t opacity) {
    if (!IsRasterReady() || opacity == 0) return;
    const uint32_t l = pixel::Weight8(opacity);
    ReplaceAlpha(x, y, w, h, key, static_cast<uint8_t>(((256 - l) * key + l * value) >> 8));
}

void CSprite::ReplaceColorOpacity(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t key, uint32_t value,
                                  uint8_t opacity) {
    if (!IsRasterReady() || opacity == 0) return;
    if (opacity == 255) return ReplaceColor(x, y, w, h, key, value);
    ReplaceColor(x, y, w, h, key, (key & pixel::kAlphaBits) | pixel::MixColour(key, value, opacity));
}

void CSprite::ReplaceDataOpacity(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t key, uint32_t value,
                                 uint8_t opacity) {
    if (!IsRasterReady() || opacity == 0) return;
    if (opacity == 255) return ReplaceData(x, y, w, h, key, value);
    ReplaceData(x, y, w, h, key, pixel::Mix(key, value, opacity));
}

void CSprite::ReplaceAlphaFromColorIfReady(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t key, uint8_t value,
                                           uint8_t opacity) {
    if (IsRasterReady()) ReplaceAlphaFromColor(x, y, w, h, key, value, opacity);
}

void CSprite::ReplaceAlphaFromDataIfReady(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t key, uint8_t value,
                                          uint8_t opacity) {
    if (IsRasterReady()) ReplaceAlphaFromData(x, y, w, h, key, value, opacity);
}

void CSprite::ReplaceColorFromAlphaIfReady(int32_t x, int32_t y, int32_t w, int32_t h, uint8_t key, uint32_t value,
                                           uint8_t opacity) {
    if (IsRasterReady()) ReplaceColorFromAlpha(x, y, w, h, key, value, opacity);
}

void CSprite::ReplaceDataFromAlphaIfReady(int32_t x, int32_t y, int32_t w, int32_t h, uint8_t key, uint32_t value,
                                          uint8_t opacity) {
    if (IsRasterReady()) ReplaceDataFromAlpha(x, y, w, h, key, value, opacity);
}
