#pragma once
// MapLookupTable<E>: the lookup table of a large string-keyed map.
//
// A map's buckets are fixed in number (their order is the map's iteration order,
// which other code relies on), so a map of n keys has chains of about n / NB
// elements, and the key hash that picks the bucket is weak besides. Once a map
// grows past a threshold it therefore keeps this table beside its chains: an
// open-addressing table (linear probing, backward-shift deletion, at most 5/8
// full) from a strong hash of the key bytes (KeyBytesHash) to the element, which
// makes Find, Insert, Remove and RenameKey O(1) expected. The chains stay exactly
// as they are; the table only finds elements in them.
//
// An element matches a lookup exactly as in a chain walk: same key text and the
// hash asked for. A lookup that lets the map compute the hash asks for the key's
// own hash, which the element records as a mark (MapElement.h), so such a
// lookup, the common one, needs no map hash at all. Keys inserted under hashes of
// the caller's choosing can put several elements with one text in the table;
// they share a probe run and the hash tells them apart.
//
// Each slot also holds the element's predecessor in its chain, so that an
// element found through the table can be unlinked without walking its chain.
// Every change to a chain updates the table: a new head becomes its old head's
// predecessor, an unlinked element's successor takes its predecessor.
//
// Slots hold element addresses, never array positions: elements never move, but
// in a shared store a removal in another map changes the array position of this
// map's elements.
//
// The table never throws: when it cannot get memory it says so and the map goes
// on without it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "foundation/maps/KeyIntern.h"

namespace detail {

template <class E>
class MapLookupTable {
public:
    struct Slot {
        E* element;   // null: empty slot
        E* previous;  // the element before this one in its chain, null for a head
        uint64_t hash;  // KeyBytesHash of the element's key
    };

    MapLookupTable() noexcept = default;
    MapLookupTable(const MapLookupTable&) = delete;
    MapLookupTable& operator=(const MapLookupTable&) = delete;
    ~MapLookupTable() { delete[] m_slots; }

    bool IsActive() const noexcept { return m_slots != nullptr; }
    uint32_t GetCount() const noexcept { return m_count; }
    uint32_t GetCapacity() const noexcept { return m_slots != nullptr ? m_mask + 1 : 0; }

    // Makes room for `count` entries (the table becomes active if it was not).
    // False when memory is short; the table is then unchanged.
    bool Reserve(uint32_t count) noexcept {
        if (m_slots != nullptr && count <= MaxEntries(m_mask + 1)) return true;
        uint64_t size = 16;
        while (MaxEntries(size) < count) size *= 2;
        if (size > (uint64_t(1) << 32)) return false;
        Slot* slots = new (std::nothrow) Slot[size]();
        if (slots == nullptr) return false;
        const uint32_t mask = static_cast<uint32_t>(size - 1);
        if (m_slots != nullptr) {
            for (uint64_t i = 0; i <= m_mask; ++i) {
                const Slot& s = m_slots[i];
                if (s.element == nullptr) continue;
                uint32_t j = static_cast<uint32_t>(s.hash) & mask;
                while (slots[j].element != nullptr) j = (j + 1) & mask;
                slots[j] = s;
            }
            delete[] m_slots;
        }
        m_slots = slots;
        m_mask = mask;
        return true;
    }

    // Empties the table and gives its memory back (it becomes inactive).
    void Free() noexcept {
        delete[] m_slots;
        m_slots = nullptr;
        m_mask = 0;
        m_count = 0;
    }

    // The slot of the element holding key (length bytes, KeyBytesHash bytesHash)
    // with map hash `hash`, or with its key's own hash when `hash` is 0; null when
    // there is none.
    Slot* Find(const char* key, size_t length, uint32_t hash, uint64_t bytesHash) const noexcept {
        for (uint32_t i = static_cast<uint32_t>(bytesHash) & m_mask;; i = (i + 1) & m_mask) {
            Slot& s = m_slots[i];
            if (s.element == nullptr) return nullptr;
            if (s.hash == bytesHash && (hash == 0 ? s.element->HasOwnHash() : s.element->GetHash() == hash) &&
                s.element->HasKey(key, length))
                return &s;
        }
    }

    // The slot of element e, whose key has KeyBytesHash slotHash; null when e is
    // not in the table.
    Slot* FindElement(const E* e, uint64_t slotHash) const noexcept {
        for (uint32_t i = static_cast<uint32_t>(slotHash) & m_mask;; i = (i + 1) & m_mask) {
            Slot& s = m_slots[i];
            if (s.element == nullptr) return nullptr;
            if (s.element == e) return &s;
        }
    }

    // Adds an entry for an element not in the table. Room must have been made
    // (Reserve) for it.
    void Add(E* e, E* previous, uint64_t slotHash) noexcept {
        uint32_t i = static_cast<uint32_t>(slotHash) & m_mask;
        while (m_slots[i].element != nullptr) i = (i + 1) & m_mask;
        m_slots[i] = Slot{e, previous, slotHash};
        ++m_count;
    }

    // Removes the entry in slot s. Entries further along its probe run move back
    // to close the gap, so slot pointers taken before are stale afterwards.
    void Erase(Slot* s) noexcept {
        uint32_t hole = static_cast<uint32_t>(s - m_slots);
        uint32_t j = hole;
        for (;;) {
            j = (j + 1) & m_mask;
            Slot& next = m_slots[j];
            if (next.element == nullptr) break;
            // The entry at j may fill the hole unless its home slot lies cyclically
            // in (hole, j]: it would then be found before the hole is reached.
            const uint32_t home = static_cast<uint32_t>(next.hash) & m_mask;
            if (((j - home) & m_mask) >= ((j - hole) & m_mask)) {
                m_slots[hole] = next;
                hole = j;
            }
        }
        m_slots[hole].element = nullptr;
        --m_count;
    }

private:
    // Most entries a table of `size` slots takes.
    static uint64_t MaxEntries(uint64_t size) noexcept { return size / 2 + size / 8; }

    Slot* m_slots = nullptr;
    uint32_t m_mask = 0;
    uint32_t m_count = 0;
};

}  // namespace detail
