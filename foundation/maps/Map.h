#pragma once
// String-keyed hash maps: CMap_base and its forms CMapSingle (owns its element
// array), CMapShared / CMapSharedAuto (draw their elements from one array shared
// with other maps) and CMapSharedCarry (holds a reference to such a shared array).
//
// Keys are NUL-terminated code-page-932 texts compared byte-wise. NB buckets (a
// power of two) live in the map object; bucket = MapKeyHash(key) & (NB - 1). A
// chain is a singly linked list through the elements, newest first. Wherever an
// operation takes a hash argument, 0 means "compute it from the key".
//
// Iteration order is part of the system's behaviour (it fixes the byte order of
// the settings file and of a document's object list): buckets ascending, each
// chain from its head; an insertion or a RenameKey puts its element at the head.
//
// Elements never move (MapElement.h): value pointers stay valid while the key is
// in the map. Removal unlinks an element and gives it back to its array by
// exchange with the last element in use, whose index field is then corrected;
// the element is recycled, with its old value, by a later insertion.
//
// The bucket count is fixed, so a large map has long chains. Past a threshold of
// keys (8 per bucket by default) a map keeps a lookup table beside its chains
// (MapLookup.h) that finds, adds and removes in O(1) expected; it only finds
// elements, the chains alone decide the iteration order. Small maps never build
// one.
//
// Safe iteration (ForEach does exactly this): GetFirst; while the position holds
// an element, stop unless Find(position key) still yields the position's element;
// take key and value; GetNext; then use them. The caller may thus remove the
// element it has just read; when the element the position moved on to is removed
// or renamed, the iteration stops at the check instead of reading a recycled one.
#include <cstdint>
#include <cstring>
#include <new>

#include "foundation/containers/StrArray.h"
#include "foundation/maps/KeyIntern.h"
#include "foundation/maps/MapElement.h"
#include "foundation/maps/MapLookup.h"
#include "foundation/strings/Str.h"

// An iteration position: bucket (NB past the end), the current element (null
// past the end) and a copy of its key (empty past the end).
struct CMapPosition {
    uint32_t bucket = 0;
    void* element = nullptr;
    CStr_base<64> key;
};

template <class T, unsigned NB, unsigned K>
class CMap_base {
    static_assert(NB != 0 && (NB & (NB - 1)) == 0, "the bucket count must be a power of two");

public:
    using Element = CMapElement<T, K>;
    using ElementArray = CMapSingleObject<T, K>;
    static constexpr uint32_t kBuckets = NB;
    // Longest key stored inline; longer keys are interned.
    static constexpr size_t kMaxInlineKey = K - 2;
    // A map with more keys than this keeps a lookup table beside its chains
    // (MapLookup.h): chains then average 8 elements, and smaller maps, the
    // common case, pay nothing for it.
    static constexpr uint32_t kDefaultLookupThreshold = 8 * NB;

    CMap_base(const CMap_base&) = delete;
    CMap_base& operator=(const CMap_base&) = delete;
    virtual ~CMap_base() = default;

    static uint32_t BucketOf(uint32_t hash) noexcept { return hash & (NB - 1); }

    // The element holding key, or null.
    Element* Find(const char* key, uint32_t hash = 0) const {
        size_t length;
        if (m_lookup.IsActive()) {
            length = std::strlen(key);
            auto* slot = m_lookup.Find(key, length, hash, detail::KeyBytesHash(key, length));
            return slot != nullptr ? slot->element : nullptr;
        }
        if (hash == 0)
            hash = MapKeyHash(key, &length);
        else
            length = std::strlen(key);
        return FindInChain(key, hash, length);
    }

    // Adds an element for a key that is not present: true, with *value (when value
    // is not null) pointing at the new element's value, which is NOT reset: a
    // recycled element keeps the value it had, so the caller sets it up at once.
    // A present key: false, *value null, nothing changed. A shared map with no
    // store attached cannot add and answers the same way.
    // A refusing add hook of the element array throws the new count (uint32_t);
    // the map is then unchanged.
    bool Insert(const char* key, T** value, uint32_t hash = 0) {
        const KeyRef k = MakeKey(key, hash);
        Element* element = nullptr;
        if (Lookup(k).element == nullptr) element = AddElement(k);
        if (value != nullptr) *value = element != nullptr ? &element->m_value : nullptr;
        return element != nullptr;
    }

    // True when the key was present and is now gone.
    bool Remove(const char* key, uint32_t hash = 0) {
        const Found found = Lookup(MakeKey(key, hash));
        if (found.element == nullptr) return false;
        CheckIndex(found.element);
        Unlink(found);
        --m_keyCount;
        GiveBack(found.element);
        // A map that has shrunk well below the threshold gives its table back; the
        // gap between building and freeing keeps a map that hovers around the
        // threshold from rebuilding the table again and again.
        if (m_lookup.IsActive() && m_keyCount <= m_lookupThreshold / 2) m_lookup.Free();
        return true;
    }

    // Gives the element of oldKey the key newKey, keeping its value and its place
    // in the element array; it moves to the head of its new bucket. True when
    // renamed or when both keys are equal; false when newKey is present (even if
    // oldKey is absent) or oldKey is absent.
    bool RenameKey(const char* oldKey, const char* newKey) {
        if (std::strcmp(oldKey, newKey) == 0) return true;
        const KeyRef from = MakeKey(oldKey, 0);
        const KeyRef to = MakeKey(newKey, 0);
        if (Lookup(to).element != nullptr) return false;
        const Found found = Lookup(from);
        if (found.element == nullptr) return false;
        Element* element = found.element;

        const bool interned = to.length > kMaxInlineKey;
        const char* internText = nullptr;
        const uint32_t internIndex =
            interned ? detail::InternMapKey(newKey, to.length, to.BytesHash(), &internText) : 0;

        Unlink(found);
        if (interned)
            element->SetInternedKey(internIndex, internText, to.Hash(), true);
        else
            element->SetInlineKey(newKey, to.length, to.Hash(), true);
        LinkAtHead(element, to);
        return true;
    }

    // Sets pos to the first element in iteration order (or past the end).
    void GetFirst(CMapPosition& pos) const { MoveTo(pos, 0); }

    // Advances pos; always returns true. A position already past the end stays so.
    bool GetNext(CMapPosition& pos) const {
        const Element* current = static_cast<const Element*>(pos.element);
        if (current == nullptr) return true;
        if (current->m_next != nullptr) {
            pos.element = current->m_next;
            pos.key.Assign(current->m_next->GetKey());
            return true;
        }
        MoveTo(pos, pos.bucket + 1);
        return true;
    }

    // The element a position holds (null past the end).
    static Element* GetElement(const CMapPosition& pos) noexcept { return static_cast<Element*>(pos.element); }

    // Whether the position still holds the element its key names: the check of
    // every safe iteration step.
    bool IsCurrent(const CMapPosition& pos) const {
        return pos.element != nullptr && Find(pos.key.GetText()) == pos.element;
    }

    // Safe iteration over (key, value) in iteration order; fn(const char* key, T&
    // value). fn may remove the element it was given.
    template <class F>
    void ForEach(F&& fn) {
        CMapPosition pos;
        CStr_base<64> key;
        GetFirst(pos);
        while (IsCurrent(pos)) {
            Element* element = GetElement(pos);
            key.Assign(pos.key.GetText());
            GetNext(pos);
            fn(static_cast<const char*>(key.GetText()), element->m_value);
        }
    }

    // Replaces the array's contents with copies of all keys in iteration order.
    bool GetKeys(CStrArray_base<64>& keys) const {
        keys.RemoveAll();
        for (uint32_t b = 0; b < NB; ++b) {
            for (const Element* e = m_buckets[b]; e != nullptr; e = e->m_next) keys.Add(e->GetKey());
        }
        return true;
    }

    // The element array (the shared store for a shared map; null while none is
    // attached).
    ElementArray* GetElementArray() const noexcept { return m_elements; }
    // Head of bucket b's chain (b below NB).
    Element* GetBucketHead(uint32_t b) const noexcept { return m_buckets[b]; }

    // The lookup table: built once the map holds more than `threshold` keys, given
    // back when it falls to half that or is emptied. It changes only speed, never
    // a result or the iteration order. A new threshold takes effect at once.
    void SetLookupThreshold(uint32_t threshold) noexcept {
        m_lookupThreshold = threshold;
        m_lookup.Free();
        if (m_keyCount > threshold) BuildLookup(m_keyCount);
    }
    uint32_t GetLookupThreshold() const noexcept { return m_lookupThreshold; }
    bool HasLookupTable() const noexcept { return m_lookup.IsActive(); }

    // Whether the lookup table (when there is one) holds exactly the map's
    // elements, each with its chain predecessor. A self-check for tests.
    bool CheckLookupTable() const {
        if (!m_lookup.IsActive()) return true;
        uint32_t count = 0;
        for (uint32_t b = 0; b < NB; ++b) {
            const Element* previous = nullptr;
            for (const Element* e = m_buckets[b]; e != nullptr; previous = e, e = e->m_next, ++count) {
                const auto* slot = m_lookup.FindElement(e, SlotHashOf(e));
                if (slot == nullptr || slot->previous != previous) return false;
            }
        }
        return count == m_keyCount && m_lookup.GetCount() == m_keyCount;
    }

protected:
    CMap_base() noexcept = default;

    using LookupTable = detail::MapLookupTable<Element>;

    // A key as the operations take it: text, length, the hash the caller passed (0:
    // the key's own), and on demand the map hash and the strong hash of its bytes.
    struct KeyRef {
        // The map hash is computed with the length in one pass unless `lazy` (a map
        // with a lookup table seldom needs it).
        KeyRef(const char* key, uint32_t givenHash, bool lazy) noexcept : text(key), given(givenHash) {
            if (givenHash != 0) {
                length = std::strlen(key);
                hash = givenHash;
                hasHash = true;
            } else if (lazy) {
                length = std::strlen(key);
            } else {
                hash = MapKeyHash(key, &length);
                hasHash = true;
            }
        }
        uint32_t Hash() const noexcept {
            if (!hasHash) {
                hash = MapKeyHash(text);
                hasHash = true;
            }
            return hash;
        }
        // Whether Hash() is MapKeyHash of the key.
        bool IsOwnHash() const noexcept { return given == 0 || given == MapKeyHash(text); }
        uint64_t BytesHash() const noexcept {
            if (!hasBytesHash) {
                bytesHash = detail::KeyBytesHash(text, length);
                hasBytesHash = true;
            }
            return bytesHash;
        }

        const char* text;
        size_t length;
        uint32_t given;
        mutable uint32_t hash = 0;
        mutable bool hasHash = false;
        mutable bool hasBytesHash = false;
        mutable uint64_t bytesHash = 0;
    };

    KeyRef MakeKey(const char* key, uint32_t hash) const noexcept { return KeyRef(key, hash, m_lookup.IsActive()); }

    // An element found for a key, with its chain predecessor and, when the map has
    // a lookup table, its slot there.
    struct Found {
        Element* element = nullptr;
        Element* previous = nullptr;
        typename LookupTable::Slot* slot = nullptr;
    };

    // Finds the element of key k: through the lookup table when there is one,
    // else by walking the key's chain comparing hashes first. Either way an element
    // matches when its hash and its key text equal k's.
    Found Lookup(const KeyRef& k) const {
        Found found;
        if (m_lookup.IsActive()) {
            if (auto* slot = m_lookup.Find(k.text, k.length, k.given, k.BytesHash())) {
                found.element = slot->element;
                found.previous = slot->previous;
                found.slot = slot;
            }
            return found;
        }
        Element* previous = nullptr;
        const uint32_t hash = k.Hash();
        for (Element* e = m_buckets[BucketOf(hash)]; e != nullptr; previous = e, e = e->m_next) {
            if (e->m_hash == hash && e->HasKey(k.text, k.length)) {
                found.element = e;
                found.previous = previous;
                return found;
            }
        }
        return found;
    }

    // Walks the chain of `hash`: the hash first, then the text. A key's length
    // tells whether it is stored inline or interned, so the walk looks at one kind.
    Element* FindInChain(const char* key, uint32_t hash, size_t length) const noexcept {
        Element* e = m_buckets[BucketOf(hash)];
        if (length <= kMaxInlineKey) {
            for (; e != nullptr; e = e->m_next) {
                if (e->m_hash == hash && !e->IsInterned() && detail::BytesEqual(e->m_key, key, length + 1)) return e;
            }
        } else {
            for (; e != nullptr; e = e->m_next) {
                if (e->m_hash == hash && e->IsInterned() && std::strcmp(e->GetInternedText(), key) == 0) return e;
            }
        }
        return nullptr;
    }

    // The lookup table's hash of an element's key.
    static uint64_t SlotHashOf(const Element* e) noexcept {
        const char* key = e->GetKey();
        return detail::KeyBytesHash(key, std::strlen(key));
    }

    // Takes an element from the array for a key known to be absent and links it at
    // the head of its bucket. Null when no array is attached.
    Element* AddElement(const KeyRef& k) {
        if (m_elements == nullptr) return nullptr;
        // Intern before taking an element: a failure then leaves the array as it was
        // (an unused table entry is harmless, the table only ever grows).
        const bool interned = k.length > kMaxInlineKey;
        const char* internText = nullptr;
        const uint32_t internIndex = interned ? detail::InternMapKey(k.text, k.length, k.BytesHash(), &internText) : 0;
        // Room in the lookup table comes next (it cannot fail: without memory the
        // map goes on without a table), so that nothing can fail once the element
        // is taken.
        PrepareLookup(m_keyCount + 1);

        const uint32_t hash = k.Hash();
        const bool ownHash = k.IsOwnHash();

        const uint32_t position = m_elements->GetCount();
        Element* element = m_elements->AddNew();
        element->m_index = position;
        if (interned)
            element->SetInternedKey(internIndex, internText, hash, ownHash);
        else
            element->SetInlineKey(k.text, k.length, hash, ownHash);
        LinkAtHead(element, k);
        ++m_keyCount;
        return element;
    }

    // Makes the lookup table ready for `count` keys: builds it when count passes
    // the threshold, grows it when needed. Without memory the table is dropped.
    void PrepareLookup(uint32_t count) noexcept {
        if (m_lookup.IsActive()) {
            if (!m_lookup.Reserve(count)) m_lookup.Free();
        } else if (count > m_lookupThreshold) {
            BuildLookup(count);
        }
    }

    // Builds the lookup table over the elements in the chains, with room for
    // `count` keys.
    void BuildLookup(uint32_t count) noexcept {
        if (!m_lookup.Reserve(count)) return;
        for (uint32_t b = 0; b < NB; ++b) {
            Element* previous = nullptr;
            for (Element* e = m_buckets[b]; e != nullptr; previous = e, e = e->m_next)
                m_lookup.Add(e, previous, SlotHashOf(e));
        }
    }

    // Links an element with key k (its key and hash already set) in front of its
    // bucket's chain; the old head, if any, gets it as predecessor.
    void LinkAtHead(Element* element, const KeyRef& k) noexcept {
        Element*& head = m_buckets[BucketOf(element->m_hash)];
        Element* oldHead = head;
        element->m_next = oldHead;
        head = element;
        if (m_lookup.IsActive()) {
            m_lookup.Add(element, nullptr, k.BytesHash());
            if (oldHead != nullptr) m_lookup.FindElement(oldHead, SlotHashOf(oldHead))->previous = element;
        }
    }

    // Unlinks a found element from its chain and from the lookup table; its
    // successor takes its predecessor. `found` comes from Lookup with the table as
    // it is now, so it carries the element's slot when there is a table.
    void Unlink(const Found& found) noexcept {
        Element* element = found.element;
        Element* next = element->m_next;
        if (found.previous != nullptr)
            found.previous->m_next = next;
        else
            m_buckets[BucketOf(element->m_hash)] = next;
        element->m_next = nullptr;
        if (m_lookup.IsActive()) {
            // The successor's slot first: erasing moves slots, not updating does.
            if (next != nullptr) m_lookup.FindElement(next, SlotHashOf(next))->previous = found.previous;
            m_lookup.Erase(found.slot);
        }
    }

    // An element's index field must name its slot in the array; anything else is a
    // broken invariant, thrown as the index before the map is touched.
    void CheckIndex(const Element* element) const {
        if (element->m_index >= m_elements->GetCount()) throw static_cast<uint32_t>(element->m_index);
    }

    // Removes an unlinked element from the array by exchange with the last element
    // in use. The last element's index field is corrected before the array's remove
    // hook runs, so the fields are right even if the hook throws.
    void GiveBack(Element* element) {
        const uint32_t index = element->m_index;
        m_elements->GetLast()->m_index = index;
        m_elements->RemoveAtSwap(index);
    }

    // Points pos at the head of the first non-empty bucket from `from` on.
    void MoveTo(CMapPosition& pos, uint32_t from) const {
        for (uint32_t b = from; b < NB; ++b) {
            if (m_buckets[b] != nullptr) {
                pos.bucket = b;
                pos.element = m_buckets[b];
                pos.key.Assign(m_buckets[b]->GetKey());
                return;
            }
        }
        pos.bucket = NB;
        pos.element = nullptr;
        pos.key.Free();
    }

    // Forgets every element: all buckets empty, no lookup table, no keys.
    void ClearBuckets() noexcept {
        for (uint32_t b = 0; b < NB; ++b) m_buckets[b] = nullptr;
        m_lookup.Free();
        m_keyCount = 0;
    }

    ElementArray* m_elements = nullptr;
    Element* m_buckets[NB] = {};
    // Keys in this map (for a shared map, its own share of the store).
    uint32_t m_keyCount = 0;
    uint32_t m_lookupThreshold = kDefaultLookupThreshold;
    LookupTable m_lookup;
};

// A map that owns its element array.
template <class T, unsigned NB, unsigned K>
class CMapSingle : public CMap_base<T, NB, K> {
public:
    CMapSingle() noexcept { this->m_elements = &m_store; }
    // The member array goes with the map: its remove hook runs on the elements in
    // use, then every element is destroyed.
    ~CMapSingle() override = default;

    // Empties the map: the array's count becomes 0 (its remove hook runs over the
    // old elements, which stay for reuse) and every bucket becomes empty.
    void RemoveAll() {
        this->ClearBuckets();
        m_store.RemoveAll();
    }

    // Number of keys (every element in use of the own array belongs to this map).
    uint32_t GetCount() const noexcept { return m_store.GetCount(); }

    CMapSingleObject<T, K>& GetStore() noexcept { return m_store; }

private:
    CMapSingleObject<T, K> m_store;
};

// A map whose elements come from a reference-counted array shared with other
// maps. It starts with no store; AttachStore attaches one and takes a reference,
// which the destructor gives back after removing this map's elements.
template <class T, unsigned NB, unsigned K>
class CMapShared : public CMap_base<T, NB, K> {
public:
    using Store = CMapSharedObject<T, K>;

    CMapShared() noexcept = default;
    ~CMapShared() override {
        if (Store* store = GetStore()) {
            RemoveAll();
            store->Release();
        }
    }

    // Attaches store and adds one reference to it. False, without change, when a
    // store is already attached or store is null.
    bool AttachStore(Store* store) noexcept {
        if (store == nullptr || this->m_elements != nullptr) return false;
        store->AddRef();
        this->m_elements = store;
        return true;
    }

    Store* GetStore() const noexcept { return static_cast<Store*>(this->m_elements); }

    // Removes every element of this map from the shared array, bucket by bucket,
    // each by exchange with the array's last element in use.
    // The lookup table goes first: the map is about to be empty.
    void RemoveAll() {
        this->m_lookup.Free();
        for (uint32_t b = 0; b < NB; ++b) {
            while (CMapElement<T, K>* head = this->m_buckets[b]) {
                this->CheckIndex(head);
                typename CMap_base<T, NB, K>::Found found;
                found.element = head;
                this->Unlink(found);
                --this->m_keyCount;
                this->GiveBack(head);
            }
        }
    }
};

// A shared map that can add on lookup.
template <class T, unsigned NB, unsigned K>
class CMapSharedAuto : public CMapShared<T, NB, K> {
public:
    // The value of key, adding the key when absent (a recycled element keeps its
    // old value: set it at once). A key that cannot be added (no store attached) is
    // thrown as char* pointing at the key text.
    T* GetOrAdd(const char* key) {
        const auto k = this->MakeKey(key, 0);
        CMapElement<T, K>* e = this->Lookup(k).element;
        if (e == nullptr) e = this->AddElement(k);
        if (e == nullptr) throw const_cast<char*>(key);
        return &e->GetValue();
    }
};

// Holds one reference to a shared store.
template <class T, unsigned K>
class CMapSharedCarry {
public:
    using Store = CMapSharedObject<T, K>;

    CMapSharedCarry() noexcept = default;
    CMapSharedCarry(const CMapSharedCarry&) = delete;
    CMapSharedCarry& operator=(const CMapSharedCarry&) = delete;
    virtual ~CMapSharedCarry() {
        if (m_store != nullptr) m_store->Release();
    }

    // Makes a new store with reference count 1. False, without change, when a store
    // is already held; false with no store when it cannot be allocated.
    bool Create() noexcept {
        if (m_store != nullptr) return false;
        m_store = new (std::nothrow) Store;
        return m_store != nullptr;
    }

    Store* GetStore() const noexcept { return m_store; }

private:
    Store* m_store = nullptr;
};
