// The replacement factor.
//
// One pass over the source rectangle counts, per key value k, how often each
// value v of every chosen channel X occurs with it (H_X[k][v], four 256 x 256
// tables of 32-bit counts in the shared scratch block) and how many pixels
// have k at all. The mode of each row (the smallest value among equal counts)
// becomes the replacement M_X[k]; key values without a source pixel take the
// row of the occurring key value on their side of the midpoint (the lower
// half of the gap, (p + n) >> 1 not rounded up, goes to the lower neighbour
// only below the midpoint), those outside the occurring range the nearest end.
// One pass over the destination then writes M_X[own key value] into each
// chosen channel: at full opacity a byte insertion from one word per key
// value, below it (M x op + d x (256 - op)) >> 8 per channel, the red byte
// first moved by 256 on the side that makes the two less than half a circle
// apart (exactly 128 apart mixes as is).
//
// The two rectangles are independent: destination pixels are looked up by
// their key value, never paired with source pixels by position.
#include <cstdint>
#include <cstring>

#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

namespace replace_factor {
namespace {

constexpr uint32_t kTableEntries = 256 * 256;
constexpr uint32_t kHistogramBytes = 4 * kTableEntries * sizeof(uint32_t);  // 1 MiB
constexpr int32_t kHueChannel = 2;  // the red byte

int32_t KeyChannel(int32_t selector) noexcept {
    switch (selector) {
    case 8: return 3;
    case 4: return 2;
    case 2: return 1;
    case 1: return 0;
    default: return -1;
    }
}

inline uint32_t Byte(uint32_t p, int32_t channel) noexcept { return (p >> (8 * channel)) & 0xFFu; }

inline uint32_t Mix(uint32_t d, uint32_t m, uint32_t op) noexcept { return (m * op + d * (256 - op)) >> 8; }

inline uint32_t MixHue(uint32_t d, uint32_t m, uint32_t op) noexcept {
    if (d > m && d - m > 128) m += 256;
    else if (d <= m && m - d > 128) d += 256;
    return Mix(d, m, op) & 0xFFu;
}

}  // namespace
}  // namespace replace_factor

void CSprite::ReplaceFactor(int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& src, int32_t sx, int32_t sy,
                            int32_t sw, int32_t sh, int32_t selector, int32_t mask, uint8_t opacity) {
    using namespace replace_factor;
    if (opacity == 0) return;
    ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    src.ClipRect(sx, sy, sw, sh);
    if (sw <= 0 || sh <= 0) return;
    // Grown before the selector is judged, as every call with something to
    // do grows it; throws std::bad_alloc (block left empty) when it cannot.
    uint32_t* const histograms =
        reinterpret_cast<uint32_t*>(RasterScratch().ScratchBytes(kHistogramBytes, kHistogramBytes));

    const int32_t key = KeyChannel(selector);
    if (key < 0) return;
    int32_t chosen[3];
    int32_t chosenCount = 0;
    for (int32_t c = 3; c >= 0; --c)
        if (c != key && ((mask >> c) & 1) != 0) chosen[chosenCount++] = c;
    if (chosenCount == 0) return;
    // Only the tables of the chosen channels are read: only they are cleared.
    for (int32_t n = 0; n < chosenCount; ++n)
        std::memset(histograms + chosen[n] * kTableEntries, 0, kTableEntries * sizeof(uint32_t));

    // Histograms.
    uint32_t count[256] = {};
    for (int32_t j = 0; j < sh; ++j) {
        const uint32_t* s = src.PixelAt(sx, sy + j);
        for (int32_t i = 0; i < sw; ++i) {
            const uint32_t p = s[i];
            const uint32_t k = Byte(p, key);
            ++count[k];
            for (int32_t n = 0; n < chosenCount; ++n)
                ++histograms[chosen[n] * kTableEntries + k * 256 + Byte(p, chosen[n])];
        }
    }

    // Modes of the occurring key values, and the donor of every key value.
    uint8_t mode[4][256] = {};
    uint8_t donor[256];
    int32_t previous = -1;
    for (int32_t k = 0; k < 256; ++k) {
        if (count[k] == 0) continue;
        for (int32_t n = 0; n < chosenCount; ++n) {
            const uint32_t* row = histograms + chosen[n] * kTableEntries + k * 256;
            uint32_t best = 0;
            for (uint32_t v = 1; v < 256; ++v)
                if (row[v] > row[best]) best = v;
            mode[chosen[n]][k] = static_cast<uint8_t>(best);
        }
        if (previous < 0) {
            for (int32_t q = 0; q < k; ++q) donor[q] = static_cast<uint8_t>(k);
        } else {
            const int32_t middle = (previous + k) >> 1;
            for (int32_t q = previous + 1; q < k; ++q) donor[q] = static_cast<uint8_t>(q < middle ? previous : k);
        }
        donor[k] = static_cast<uint8_t>(k);
        previous = k;
    }
    for (int32_t q = previous + 1; q < 256; ++q) donor[q] = static_cast<uint8_t>(previous);

    // The new bytes of every key value, in place in a pixel word.
    uint32_t insert[256];
    uint32_t keep = 0xFFFFFFFFu;
    for (int32_t n = 0; n < chosenCount; ++n) keep &= ~(0xFFu << (8 * chosen[n]));
    for (int32_t k = 0; k < 256; ++k) {
        uint32_t word = 0;
        for (int32_t n = 0; n < chosenCount; ++n) word |= uint32_t{mode[chosen[n]][donor[k]]} << (8 * chosen[n]);
        insert[k] = word;
    }

    if (opacity == 255) {
        for (int32_t j = 0; j < h; ++j) {
            uint32_t* d = PixelAt(x, y + j);
            for (int32_t i = 0; i < w; ++i) d[i] = (d[i] & keep) | insert[Byte(d[i], key)];
        }
        return;
    }
    const uint32_t op = opacity;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* d = PixelAt(x, y + j);
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t p = d[i];
            const uint32_t m = insert[Byte(p, key)];
            uint32_t out = p & keep;
            for (int32_t n = 0; n < chosenCount; ++n) {
                const int32_t c = chosen[n];
                const uint32_t mixed = c == kHueChannel ? MixHue(Byte(p, c), Byte(m, c), op)
                                                        : Mix(Byte(p, c), Byte(m, c), op);
                out |= mixed << (8 * c);
            }
            d[i] = out;
        }
    }
}
