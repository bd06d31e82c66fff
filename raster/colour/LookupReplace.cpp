// Replacement by lookup maps and arrays.
//
// A map is a colour lookup table held in a sprite: the column channel of a
// selected pixel picks the column (from mx), the row channel, when there is
// one, the row (from my). The 256 row starts are taken once per call, so a
// selected pixel costs two shifts, two masks and one load.
//
// An array is a list of key/value pairs in a sprite's first two rows, and a
// pixel takes the value of the leftmost key it matches. Searching the list
// for every selected pixel would cost w x h x n; instead each call builds a
// small open-addressed table from the compared key to the first index that
// holds it (a later duplicate is never reached by a left-to-right search, so
// it stays out), and a pixel costs one probe sequence. With raw keys a key is
// compared as stored, so one with bits outside the mask can never equal a
// masked pixel and stays out as well. The table takes at most two slots per
// key: up to kStackSlots it lives on the stack, beyond that it is allocated
// for the call, and when that allocation fails (or the list is too long for
// the table's bound) the plain search runs instead, with the same results.
// Lists of a few keys are searched directly: a table would not pay. Runs of
// equal pixels reuse the previous answer.
#include "raster/colour/LookupReplace.h"

#include <cstdint>
#include <memory>
#include <new>

#include "raster/surface/sprite/Sprite.h"

namespace lookup_replace {
namespace {

enum class Target { Data, Color, Alpha };

// Pixel p after it takes the value v.
template <Target T>
inline uint32_t Write(uint32_t p, uint32_t v) noexcept {
    if constexpr (T == Target::Data) return v;
    if constexpr (T == Target::Color) return (p & 0xFF000000u) | (v & 0x00FFFFFFu);
    if constexpr (T == Target::Alpha) return (v & 0xFF000000u) | (p & 0x00FFFFFFu);
}

template <Target T>
void ReplaceMap(CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t mask, uint32_t key,
                int32_t columnChannel, int32_t rowChannel, const CSprite& map, int32_t mx, int32_t my) {
    target.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    if (mx < 0 || mx > 32767 || mx + 256 > map.GetWidth()) return;
    const int32_t columnShift = ChannelShift(columnChannel);
    if (columnShift < 0) return;
    // A one-row map is a block whose 256 rows are all row my.
    int32_t rowShift = 0;
    int64_t rowStep = 0;
    if (rowChannel == 0) {
        if (my < 0 || my >= map.GetHeight()) return;
    } else {
        rowShift = ChannelShift(rowChannel);
        if (rowShift < 0 || my < 0 || my > 32767 || my + 256 > map.GetHeight()) return;
        rowStep = map.GetStride();
    }
    const uint32_t* rows[256];
    const uint32_t* origin = map.PixelAt(mx, my);
    for (int32_t r = 0; r < 256; ++r) rows[r] = origin + r * rowStep;

    const uint32_t want = key & mask;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* d = target.PixelAt(x, y + j);
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t p = d[i];
            if ((p & mask) != want) continue;
            d[i] = Write<T>(p, rows[(p >> rowShift) & 0xFFu][(p >> columnShift) & 0xFFu]);
        }
    }
}

// Up to this many keys the list is searched directly.
constexpr int32_t kDirectSearchKeys = 8;

// Compared key -> first index, open addressing with linear probing, at most
// half full.
class FirstKeyTable {
public:
    static constexpr uint32_t kStackSlots = 1024;
    // The bound of the table (8 MiB): lists of up to half as many keys, more
    // than the widest strip a sprite may have.
    static constexpr uint32_t kMaxSlots = uint32_t{1} << 20;

    FirstKeyTable() = default;
    FirstKeyTable(const FirstKeyTable&) = delete;
    FirstKeyTable& operator=(const FirstKeyTable&) = delete;

    // Enters keys[0..n) compared through keyMask, leaving out those that can
    // never equal a pixel masked by mask. False when the table cannot be had.
    bool Build(const uint32_t* keys, int32_t n, uint32_t keyMask, uint32_t mask) {
        uint32_t slots = 16;
        while (slots < 2 * static_cast<uint64_t>(n)) {
            if (slots >= kMaxSlots) return false;
            slots <<= 1;
        }
        if (slots <= kStackSlots) {
            m_slots = m_stack;
        } else {
            m_heap.reset(new (std::nothrow) Slot[slots]);
            if (!m_heap) return false;
            m_slots = m_heap.get();
        }
        m_slotMask = slots - 1;
        for (uint32_t s = 0; s < slots; ++s) m_slots[s].index = kEmpty;
        for (int32_t k = 0; k < n; ++k) {
            const uint32_t compared = keys[k] & keyMask;
            if ((compared & ~mask) != 0) continue;
            uint32_t s = Hash(compared) & m_slotMask;
            while (m_slots[s].index != kEmpty && m_slots[s].key != compared) s = (s + 1) & m_slotMask;
            if (m_slots[s].index == kEmpty) m_slots[s] = {compared, k};
        }
        return true;
    }

    // The first index whose key equals q, or -1.
    int32_t Find(uint32_t q) const noexcept {
        uint32_t s = Hash(q) & m_slotMask;
        while (m_slots[s].index != kEmpty) {
            if (m_slots[s].key == q) return m_slots[s].index;
            s = (s + 1) & m_slotMask;
        }
        return -1;
    }

private:
    static constexpr int32_t kEmpty = -1;
    struct Slot {
        uint32_t key;
        int32_t index;
    };

    // Masked keys often differ in one byte only: mix every bit into the low ones.
    static uint32_t Hash(uint32_t k) noexcept {
        k ^= k >> 16;
        k *= 0x85EBCA6Bu;
        k ^= k >> 13;
        k *= 0xC2B2AE35u;
        k ^= k >> 16;
        return k;
    }

    Slot m_stack[kStackSlots];
    std::unique_ptr<Slot[]> m_heap;
    Slot* m_slots = nullptr;
    uint32_t m_slotMask = 0;
};

// Every pixel of the clipped rectangle whose masked value `find` maps to an
// index takes that index's value.
template <Target T, class Find>
void ArrayLoop(CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t mask, const uint32_t* values,
               const Find& find) {
    bool cached = false;
    uint32_t lastQ = 0;
    int32_t lastIndex = -1;
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* d = target.PixelAt(x, y + j);
        for (int32_t i = 0; i < w; ++i) {
            const uint32_t p = d[i];
            const uint32_t q = p & mask;
            if (!cached || q != lastQ) {
                lastIndex = find(q);
                lastQ = q;
                cached = true;
            }
            if (lastIndex >= 0) d[i] = Write<T>(p, values[lastIndex]);
        }
    }
}

template <Target T>
void ReplaceArray(CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t mask, const CSprite& array,
                  uint8_t rawKeys) {
    target.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    if (array.GetHeight() < 2) return;
    const int32_t n = array.GetWidth();
    if (n <= 0) return;
    const uint32_t* keys = array.PixelAt(0, 0);
    const uint32_t* values = array.PixelAt(0, 1);
    const uint32_t keyMask = rawKeys != 0 ? 0xFFFFFFFFu : mask;

    // The plain search, pixel by pixel; also the only one that stays right
    // when the array is the sprite being changed.
    auto linear = [&](uint32_t q) -> int32_t {
        for (int32_t k = 0; k < n; ++k)
            if ((keys[k] & keyMask) == q) return k;
        return -1;
    };
    if (n > kDirectSearchKeys && &array != &target) {
        FirstKeyTable table;
        if (table.Build(keys, n, keyMask, mask)) {
            ArrayLoop<T>(target, x, y, w, h, mask, values, [&](uint32_t q) { return table.Find(q); });
            return;
        }
    }
    if (&array == &target) {
        // Keys and values may change under the loop: no answer is reused.
        for (int32_t j = 0; j < h; ++j) {
            uint32_t* d = target.PixelAt(x, y + j);
            for (int32_t i = 0; i < w; ++i) {
                const int32_t k = linear(d[i] & mask);
                if (k >= 0) d[i] = Write<T>(d[i], values[k]);
            }
        }
        return;
    }
    ArrayLoop<T>(target, x, y, w, h, mask, values, linear);
}

}  // namespace
}  // namespace lookup_replace

#define OC_LOOKUP_MAP_MEMBER(Name, TargetForm)                                                                   \
    void CSprite::Name(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t mask, uint32_t key,                 \
                       int32_t columnChannel, int32_t rowChannel, const CSprite& map, int32_t mx, int32_t my) { \
        lookup_replace::ReplaceMap<lookup_replace::Target::TargetForm>(*this, x, y, w, h, mask, key,            \
                                                                       columnChannel, rowChannel, map, mx, my);  \
    }
OC_LOOKUP_MAP_MEMBER(ReplaceDataMap, Data)
OC_LOOKUP_MAP_MEMBER(ReplaceColorMap, Color)
OC_LOOKUP_MAP_MEMBER(ReplaceAlphaMap, Alpha)
#undef OC_LOOKUP_MAP_MEMBER

#define OC_LOOKUP_ARRAY_MEMBER(Name, TargetForm)                                                                \
    void CSprite::Name(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t mask, const CSprite& array,        \
                       uint8_t rawKeys) {                                                                      \
        lookup_replace::ReplaceArray<lookup_replace::Target::TargetForm>(*this, x, y, w, h, mask, array, rawKeys); \
    }
OC_LOOKUP_ARRAY_MEMBER(ReplaceDataArray, Data)
OC_LOOKUP_ARRAY_MEMBER(ReplaceColorArray, Color)
OC_LOOKUP_ARRAY_MEMBER(ReplaceAlphaArray, Alpha)
#undef OC_LOOKUP_ARRAY_MEMBER
