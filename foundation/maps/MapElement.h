#pragma once
// CMapElement<T, K>: one element of a string-keyed map, and the element arrays.
//
// An element lives in a chunked array (CArrayAuto) and never moves, so a map hands
// out its values by pointer. Removal gives an element back to its array; the next
// insertion into that array hands the same object out again with its old value
// (the map overwrites key, hash, chain link and index, never the value).
//
// Key area of K bytes: a key of at most K - 2 bytes is stored inline with its NUL.
// A longer key is interned (KeyIntern.h): the area then holds a zero first byte,
// the table index at offset 4 and, at offset 8, the address of the entry's text.
// Table entries never change or move, so that address may be read without the
// table's lock: comparing or copying an interned key costs no lock. The last byte
// of the area, which an inline key never reaches, holds two marks: the key is
// interned, and the element's hash is not its key's own (a caller may insert a
// key under a hash of its choosing, which only a lookup with that hash finds).
// (Telling interned keys apart by "hash not 0" would confuse a long key whose
// hash wraps to 0 with the empty key.)
//
// The chain link and the hash come first so that a chain walk, which compares
// hashes before any text, touches one cache line per element.
#include <cstdint>
#include <cstring>

#include "foundation/containers/ArrayAuto.h"

template <class T, unsigned NB, unsigned K>
class CMap_base;

namespace detail {

inline bool LoadEqual8(const char* a, const char* b) noexcept {
    uint64_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    return x == y;
}

inline bool LoadEqual4(const char* a, const char* b) noexcept {
    uint32_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    return x == y;
}

// Whether n bytes at a and b are equal, reading only those bytes. Inline keys are
// short: a few word compares (the last one overlapping) beat a library call.
inline bool BytesEqual(const char* a, const char* b, size_t n) noexcept {
    if (n >= 8) {
        for (size_t i = 0; i + 8 < n; i += 8) {
            if (!LoadEqual8(a + i, b + i)) return false;
        }
        return LoadEqual8(a + n - 8, b + n - 8);
    }
    if (n >= 4) return LoadEqual4(a, b) && LoadEqual4(a + n - 4, b + n - 4);
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

}  // namespace detail

template <class T, unsigned K>
class CMapElement {
    static_assert(K >= 24, "the key area holds an interned index, a text address and a marker");

public:
    // Longest key stored inline; longer keys are interned.
    static constexpr size_t kMaxInlineKey = K - 2;

    CMapElement() = default;
    CMapElement(const CMapElement&) = delete;
    CMapElement& operator=(const CMapElement&) = delete;

    T& GetValue() noexcept { return m_value; }
    const T& GetValue() const noexcept { return m_value; }
    uint32_t GetHash() const noexcept { return m_hash; }
    // Position of this element in its element array.
    uint32_t GetIndex() const noexcept { return m_index; }
    // Next element of the same bucket, null at the chain's end.
    CMapElement* GetNext() const noexcept { return m_next; }

    bool IsInterned() const noexcept { return (m_key[K - 1] & kInternedMark) != 0; }
    // Whether the element's hash is MapKeyHash of its key, as it is unless the
    // caller that inserted it passed another.
    bool HasOwnHash() const noexcept { return (m_key[K - 1] & kForeignHashMark) == 0; }
    uint32_t GetInternedIndex() const noexcept {
        uint32_t index;
        std::memcpy(&index, m_key + 4, sizeof index);
        return index;
    }
    // The text of an interned key (valid for the life of the process).
    const char* GetInternedText() const noexcept {
        const char* text;
        std::memcpy(&text, m_key + 8, sizeof text);
        return text;
    }
    // The key text, inline or interned.
    const char* GetKey() const noexcept { return IsInterned() ? GetInternedText() : m_key; }

    // Whether this element's key is `key` (length bytes). A key's length alone
    // tells whether it is stored inline or interned, so only one of the two can
    // match; an inline comparison stays within the key area.
    bool HasKey(const char* key, size_t length) const noexcept {
        if (length <= kMaxInlineKey) return !IsInterned() && detail::BytesEqual(m_key, key, length + 1);
        return IsInterned() && std::strcmp(GetInternedText(), key) == 0;
    }

private:
    template <class, unsigned, unsigned>
    friend class CMap_base;

    static constexpr char kInternedMark = 1;
    static constexpr char kForeignHashMark = 2;

    // Sets the key and the hash; ownHash tells whether hash is MapKeyHash(key).
    void SetInlineKey(const char* key, size_t length, uint32_t hash, bool ownHash) noexcept {
        std::memcpy(m_key, key, length + 1);
        m_key[K - 1] = ownHash ? 0 : kForeignHashMark;
        m_hash = hash;
    }
    void SetInternedKey(uint32_t index, const char* text, uint32_t hash, bool ownHash) noexcept {
        m_key[0] = 0;
        std::memcpy(m_key + 4, &index, sizeof index);
        std::memcpy(m_key + 8, &text, sizeof text);
        m_key[K - 1] = static_cast<char>(kInternedMark | (ownHash ? 0 : kForeignHashMark));
        m_hash = hash;
    }

    CMapElement* m_next = nullptr;
    uint32_t m_hash = 0;
    uint32_t m_index = 0;
    char m_key[K] = {};
    T m_value{};
};

// The element array of one map.
template <class T, unsigned K>
class CMapSingleObject : public CArrayAuto<CMapElement<T, K>> {};

// An element array shared by many maps, with a reference count. It is made with
// count 1 and deletes itself when a release brings the count to 0 or below; it can
// only be made on the heap and only Release destroys it.
template <class T, unsigned K>
class CMapSharedObject : public CMapSingleObject<T, K> {
public:
    CMapSharedObject() = default;

    void AddRef() noexcept { ++m_refCount; }
    void Release() noexcept {
        if (--m_refCount <= 0) delete this;
    }
    int32_t GetRefCount() const noexcept { return m_refCount; }

protected:
    ~CMapSharedObject() override = default;

private:
    int32_t m_refCount = 1;
};
