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
// Keys too long for a map element's inline key area are interned: stored once per
// process in an append-only table, and referred to by their index. Entries are
// never changed or removed, so an index (and the address of an entry's text)
// stays valid for the life of the process. The table is guarded by one global
// lock, held for one lookup or one search-and-append at a time.
#include <cstddef>
#include <cstdint>

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

// Returns the index of the table entry equal to key, appending one when none is
// equal. The first equal entry wins; since entries are only appended when no
// equal one exists, a text has exactly one index. When text is not null it
// receives the entry's text, which stays valid and unchanged for the life of the
// process.
uint32_t InternMapKey(const char* key, const char** text = nullptr);

// The text of entry index. The pointer stays valid for the life of the process
// (entries are never changed, moved or freed). An index not below the table's
// count is a broken invariant and is thrown as uint32_t.
const char* GetInternedMapKey(uint32_t index);

// Number of entries in the table.
uint32_t GetInternedMapKeyCount();

}  // namespace detail
