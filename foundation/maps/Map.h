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

    CMap_base(const CMap_base&) = delete;
    CMap_base& operator=(const CMap_base&) = delete;
    virtual ~CMap_base() = default;

    static uint32_t BucketOf(uint32_t hash) noexcept { return hash & (NB - 1); }

    // The element holding key, or null.
    Element* Find(const char* key, uint32_t hash = 0) const {
        size_t length;
        if (hash == 0)
            hash = MapKeyHash(key, &length);
        else
            length = std::strlen(key);
        return Lookup(key, hash, length, nullptr);
    }

    // Adds an element for a key that is not present: true, with *value (when value
    // is not null) pointing at the new element's value, which is NOT reset: a
    // recycled element keeps the value it had, so the caller sets it up at once.
    // A present key: false, *value null, nothing changed. A shared map with no
    // store attached cannot add and answers the same way.
    // A refusing add hook of the element array throws the new count (uint32_t);
    // the map is then unchanged.
    bool Insert(const char* key, T** value, uint32_t hash = 0) {
        size_t length;
        if (hash == 0)
            hash = MapKeyHash(key, &length);
        else
            length = std::strlen(key);
        Element* element = nullptr;
        if (Lookup(key, hash, length, nullptr) == nullptr) element = AddElement(key, hash, length);
        if (value != nullptr) *value = element != nullptr ? &element->m_value : nullptr;
        return element != nullptr;
    }

    // True when the key was present and is now gone.
    bool Remove(const char* key, uint32_t hash = 0) {
        size_t length;
        if (hash == 0)
            hash = MapKeyHash(key, &length);
        else
            length = std::strlen(key);
        Element* previous = nullptr;
        Element* element = Lookup(key, hash, length, &previous);
        if (element == nullptr) return false;
        CheckIndex(element);
        Unlink(element, previous, BucketOf(hash));
        GiveBack(element);
        return true;
    }

    // Gives the element of oldKey the key newKey, keeping its value and its place
    // in the element array; it moves to the head of its new bucket. True when
    // renamed or when both keys are equal; false when newKey is present (even if
    // oldKey is absent) or oldKey is absent.
    bool RenameKey(const char* oldKey, const char* newKey) {
        if (std::strcmp(oldKey, newKey) == 0) return true;
        size_t oldLength, newLength;
        const uint32_t oldHash = MapKeyHash(oldKey, &oldLength);
        const uint32_t newHash = MapKeyHash(newKey, &newLength);
        if (Lookup(newKey, newHash, newLength, nullptr) != nullptr) return false;
        Element* previous = nullptr;
        Element* element = Lookup(oldKey, oldHash, oldLength, &previous);
        if (element == nullptr) return false;

        const bool interned = newLength > kMaxInlineKey;
        const char* internText = nullptr;
        const uint32_t internIndex = interned ? detail::InternMapKey(newKey, &internText) : 0;

        Unlink(element, previous, BucketOf(oldHash));
        if (interned)
            element->SetInternedKey(internIndex, internText);
        else
            element->SetInlineKey(newKey, newLength);
        element->m_hash = newHash;
        Element*& head = m_buckets[BucketOf(newHash)];
        element->m_next = head;
        head = element;
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

protected:
    CMap_base() noexcept = default;

    // Walks the key's chain comparing hashes first, then the inline text or the
    // interned entry. An inline key is at most kMaxInlineKey bytes, so the key's
    // length alone tells which of the two can match.
    Element* Lookup(const char* key, uint32_t hash, size_t length, Element** previousOut) const {
        Element* previous = nullptr;
        Element* e = m_buckets[BucketOf(hash)];
        if (length <= kMaxInlineKey) {
            for (; e != nullptr; previous = e, e = e->m_next) {
                if (e->m_hash == hash && !e->IsInterned() && std::memcmp(e->m_key, key, length + 1) == 0) break;
            }
        } else {
            for (; e != nullptr; previous = e, e = e->m_next) {
                if (e->m_hash == hash && e->IsInterned() && std::strcmp(e->GetInternedText(), key) == 0) break;
            }
        }
        if (previousOut != nullptr) *previousOut = previous;
        return e;
    }

    // Takes an element from the array for a key known to be absent and links it at
    // the head of its bucket. Null when no array is attached.
    Element* AddElement(const char* key, uint32_t hash, size_t length) {
        if (m_elements == nullptr) return nullptr;
        // Intern before taking an element: a failure then leaves the array as it was
        // (an unused table entry is harmless, the table only ever grows).
        const bool interned = length > kMaxInlineKey;
        const char* internText = nullptr;
        const uint32_t internIndex = interned ? detail::InternMapKey(key, &internText) : 0;

        const uint32_t position = m_elements->GetCount();
        Element* element = m_elements->AddNew();
        element->m_index = position;
        if (interned)
            element->SetInternedKey(internIndex, internText);
        else
            element->SetInlineKey(key, length);
        element->m_hash = hash;
        Element*& head = m_buckets[BucketOf(hash)];
        element->m_next = head;
        head = element;
        return element;
    }

    void Unlink(Element* element, Element* previous, uint32_t bucket) noexcept {
        if (previous != nullptr)
            previous->m_next = element->m_next;
        else
            m_buckets[bucket] = element->m_next;
        element->m_next = nullptr;
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

    void ClearBuckets() noexcept {
        for (uint32_t b = 0; b < NB; ++b) m_buckets[b] = nullptr;
    }

    ElementArray* m_elements = nullptr;
    Element* m_buckets[NB] = {};
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
    void RemoveAll() {
        for (uint32_t b = 0; b < NB; ++b) {
            while (CMapElement<T, K>* head = this->m_buckets[b]) {
                this->CheckIndex(head);
                this->Unlink(head, nullptr, b);
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
        size_t length;
        const uint32_t hash = MapKeyHash(key, &length);
        CMapElement<T, K>* e = this->Lookup(key, hash, length, nullptr);
        if (e == nullptr) e = this->AddElement(key, hash, length);
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
