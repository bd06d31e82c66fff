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
// of the area, which an inline key never reaches, marks an interned key. (Telling
// interned keys apart by "hash not 0" would confuse a long key whose hash wraps
// to 0 with the empty key.)
//
// The chain link and the hash come first so that a chain walk, which compares
// hashes before any text, touches one cache line per element.
#include <cstdint>
#include <cstring>

#include "foundation/containers/ArrayAuto.h"

template <class T, unsigned NB, unsigned K>
class CMap_base;

template <class T, unsigned K>
class CMapElement {
    static_assert(K >= 24, "the key area holds an interned index, a text address and a marker");

public:
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

    bool IsInterned() const noexcept { return m_key[K - 1] != 0; }
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

private:
    template <class, unsigned, unsigned>
    friend class CMap_base;

    void SetInlineKey(const char* key, size_t length) noexcept {
        std::memcpy(m_key, key, length + 1);
        m_key[K - 1] = 0;
    }
    void SetInternedKey(uint32_t index, const char* text) noexcept {
        m_key[0] = 0;
        std::memcpy(m_key + 4, &index, sizeof index);
        std::memcpy(m_key + 8, &text, sizeof text);
        m_key[K - 1] = 1;
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
