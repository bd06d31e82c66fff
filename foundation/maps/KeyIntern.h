#pragma once
// Key hashing and the process-wide table of long keys, shared by every
// string-keyed map.
//
// The hash is part of the system's observable behaviour: bucket = hash & (NB - 1)
// decides the iteration order of every map, and that order is the byte order of
// the settings file and of a document's object list. It is the sum over the key's
// bytes of (257 + position) x byte, each byte taken as a signed 8-bit value and
// the first position 0, in 32-bit wrap-around arithmetic.
//
// That hash is weak: keys that differ in a digit or two ("Object12345",
// "Object12354") often sum to the same 32 bits. Where only speed depends on the
// hash (a large map's lookup table, the index of the long-key table), a strong
// 64-bit hash of the key bytes is used instead.
//
// Keys too long for a map element's inline key area are interned: stored once per
// process in an append-only table, and referred to by their index. Entries are
// never changed or removed, so an index (and the address of an entry's text)
// stays valid for the life of the process. The table is guarded by one global
// lock, held for one lookup or one search-and-append at a time; a hash index over
// the entries makes the search O(1) expected.
#include <cstddef>
#include <cstdint>
#include <cstring>

// Hash of a NUL-terminated key; also reports the key's length when asked.
inline uint32_t MapKeyHash(const char* key, size_t* length = nullptr) noexcept {
    uint32_t hash = 0;
    uint32_t weight = 257;
    const char* p = key;
    for (; *p != '\0'; ++p, ++weight)
        hash += weight * static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
    if (length != nullptr) *length = static_cast<size_t>(p - key);
    return hash;
}

namespace detail {

// 64 x 64 -> 128-bit product folded to 64 bits: every input bit reaches every
// output bit in one multiplication.
inline uint64_t FoldedProduct(uint64_t a, uint64_t b) noexcept {
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
}

inline uint64_t LoadBytes8(const unsigned char* p) noexcept {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline uint64_t LoadBytes4(const unsigned char* p) noexcept {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Strong 64-bit hash of `length` bytes (a multiply-fold hash in the manner of
// wyhash). Reads only the given bytes: short keys by overlapping 4- and 8-byte
// loads within them, 16 bytes per step beyond that.
inline uint64_t KeyBytesHash(const char* key, size_t length) noexcept {
    constexpr uint64_t k0 = 0xa0761d6478bd642full;
    constexpr uint64_t k1 = 0xe7037ed1a0b428dbull;
    constexpr uint64_t k2 = 0x8ebc6af09c88c6e3ull;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(key);
    uint64_t seed = k2;
    uint64_t a = 0;
    uint64_t b = 0;
    if (length <= 16) {
        if (length >= 4) {
            const size_t step = (length >> 3) << 2;  // 0 for 4..7 bytes, 4 for 8..16
            a = (LoadBytes4(p) << 32) | LoadBytes4(p + step);
            b = (LoadBytes4(p + length - 4) << 32) | LoadBytes4(p + length - 4 - step);
        } else if (length > 0) {
            a = (uint64_t(p[0]) << 16) | (uint64_t(p[length >> 1]) << 8) | p[length - 1];
        }
    } else {
        size_t rest = length;
        while (rest > 16) {
            seed = FoldedProduct(LoadBytes8(p) ^ k1, LoadBytes8(p + 8) ^ seed);
            p += 16;
            rest -= 16;
        }
        // The last 16 bytes of the key, overlapping bytes already taken.
        a = LoadBytes8(p + rest - 16);
        b = LoadBytes8(p + rest - 8);
    }
    return FoldedProduct(k0 ^ length, FoldedProduct(a ^ k1, b ^ seed));
}

// Returns the index of the table entry equal to key, appending one when none is
// equal. The first equal entry wins; since entries are only appended when no
// equal one exists, a text has exactly one index. When text is not null it
// receives the entry's text, which stays valid and unchanged for the life of the
// process.
uint32_t InternMapKey(const char* key, const char** text = nullptr);

// The same for a key whose length and KeyBytesHash the caller already knows.
uint32_t InternMapKey(const char* key, size_t length, uint64_t bytesHash, const char** text);

// The text of entry index. The pointer stays valid for the life of the process
// (entries are never changed, moved or freed). An index not below the table's
// count is a broken invariant and is thrown as uint32_t.
const char* GetInternedMapKey(uint32_t index);

// Number of entries in the table.
uint32_t GetInternedMapKeyCount();

}  // namespace detail
