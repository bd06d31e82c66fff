#pragma once
// Number-keyed hash maps: CNumMap_base and CNumMapSingle, the twins of the
// string-keyed maps for an unsigned 32-bit key (the tile font's glyph cache,
// keyed by character code).
//
// Bucket = key mod NB (1007 for the glyph cache). Chains run newest first;
// iteration visits buckets ascending and each chain from its head. Elements live
// in a chunked array and never move; removal unlinks an element and gives it back
// by exchange with the last element in use, whose index field is corrected.
// Values are not reset when an element is recycled. Iterate safely as with the
// text maps: check that Find(position key) still yields the position's element
// before using it, and advance before using what was taken (ForEach).
#include <cstdint>
#include <type_traits>

#include "foundation/containers/ArrayAuto.h"

template <class T, unsigned NB, class KT, class HT>
class CNumMap_base;

template <class T, class KT>
class CNumMapElement {
    static_assert(std::is_integral_v<KT> && std::is_unsigned_v<KT>, "keys are unsigned integers");

public:
    CNumMapElement() = default;
    CNumMapElement(const CNumMapElement&) = delete;
    CNumMapElement& operator=(const CNumMapElement&) = delete;

    KT GetKey() const noexcept { return m_key; }
    T& GetValue() noexcept { return m_value; }
    const T& GetValue() const noexcept { return m_value; }
    CNumMapElement* GetNext() const noexcept { return m_next; }
    uint32_t GetIndex() const noexcept { return m_index; }

private:
    template <class, unsigned, class, class>
    friend class CNumMap_base;

    KT m_key = 0;
    T m_value{};
    CNumMapElement* m_next = nullptr;
    uint32_t m_index = 0;
};

template <class T, class KT>
class CNumMapSingleObject : public CArrayAuto<CNumMapElement<T, KT>> {};

// Iteration position: bucket (NB past the end), element (null past the end), key.
template <class KT>
struct CNumMapPosition {
    uint32_t bucket = 0;
    void* element = nullptr;
    KT key = 0;
};

template <class T, unsigned NB, class KT, class HT>
class CNumMap_base {
    static_assert(NB != 0, "a map needs buckets");

public:
    using Element = CNumMapElement<T, KT>;
    using ElementArray = CNumMapSingleObject<T, KT>;
    using Position = CNumMapPosition<KT>;
    static constexpr uint32_t kBuckets = NB;

    CNumMap_base(const CNumMap_base&) = delete;
    CNumMap_base& operator=(const CNumMap_base&) = delete;
    virtual ~CNumMap_base() = default;

    static uint32_t BucketOf(KT key) noexcept { return static_cast<uint32_t>(key % NB); }

    Element* Find(KT key) const noexcept {
        Element* e = m_buckets[BucketOf(key)];
        while (e != nullptr && e->m_key != key) e = e->m_next;
        return e;
    }

    // Adds an element for key and returns its value (not reset: a recycled element
    // keeps its old value). A present key is thrown as uint32_t; a refusing add hook
    // throws the new count (uint32_t) and the map is unchanged.
    T* Add(KT key) {
        if (Find(key) != nullptr) throw static_cast<uint32_t>(key);
        const uint32_t position = m_elements->GetCount();
        Element* element = m_elements->AddNew();
        element->m_index = position;
        element->m_key = key;
        Element*& head = m_buckets[BucketOf(key)];
        element->m_next = head;
        head = element;
        return &element->m_value;
    }

    // True when the key was present and is now gone.
    bool Remove(KT key) {
        const uint32_t bucket = BucketOf(key);
        Element* previous = nullptr;
        Element* e = m_buckets[bucket];
        while (e != nullptr && e->m_key != key) {
            previous = e;
            e = e->m_next;
        }
        if (e == nullptr) return false;
        const uint32_t index = e->m_index;
        if (index >= m_elements->GetCount()) throw static_cast<uint32_t>(index);
        if (previous != nullptr)
            previous->m_next = e->m_next;
        else
            m_buckets[bucket] = e->m_next;
        e->m_next = nullptr;
        m_elements->GetLast()->m_index = index;
        m_elements->RemoveAtSwap(index);
        return true;
    }

    // Empties the map; the elements stay in the array for reuse.
    void RemoveAll() {
        for (uint32_t b = 0; b < NB; ++b) m_buckets[b] = nullptr;
        m_elements->RemoveAll();
    }

    uint32_t GetCount() const noexcept { return m_elements->GetCount(); }

    void GetFirst(Position& pos) const noexcept { MoveTo(pos, 0); }

    // Advances pos; always true. A position past the end stays so.
    bool GetNext(Position& pos) const noexcept {
        const Element* current = static_cast<const Element*>(pos.element);
        if (current == nullptr) return true;
        if (current->m_next != nullptr) {
            pos.element = current->m_next;
            pos.key = current->m_next->m_key;
        } else {
            MoveTo(pos, pos.bucket + 1);
        }
        return true;
    }

    static Element* GetElement(const Position& pos) noexcept { return static_cast<Element*>(pos.element); }

    bool IsCurrent(const Position& pos) const noexcept {
        return pos.element != nullptr && Find(pos.key) == pos.element;
    }

    // Safe iteration; fn(KT key, T& value) may remove the element it was given.
    template <class F>
    void ForEach(F&& fn) {
        Position pos;
        GetFirst(pos);
        while (IsCurrent(pos)) {
            Element* element = GetElement(pos);
            const KT key = pos.key;
            GetNext(pos);
            fn(key, element->m_value);
        }
    }

    ElementArray* GetElementArray() const noexcept { return m_elements; }

protected:
    CNumMap_base() noexcept = default;

    void MoveTo(Position& pos, uint32_t from) const noexcept {
        for (uint32_t b = from; b < NB; ++b) {
            if (m_buckets[b] != nullptr) {
                pos.bucket = b;
                pos.element = m_buckets[b];
                pos.key = m_buckets[b]->m_key;
                return;
            }
        }
        pos.bucket = NB;
        pos.element = nullptr;
        pos.key = 0;
    }

    ElementArray* m_elements = nullptr;
    Element* m_buckets[NB] = {};
};

// A number-keyed map that owns its element array.
template <class T, unsigned NB, class KT, class HT>
class CNumMapSingle : public CNumMap_base<T, NB, KT, HT> {
public:
    CNumMapSingle() noexcept { this->m_elements = &m_store; }
    ~CNumMapSingle() override = default;

    CNumMapSingleObject<T, KT>& GetStore() noexcept { return m_store; }

private:
    CNumMapSingleObject<T, KT> m_store;
};
