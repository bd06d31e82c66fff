#pragma once
// CArrayAuto<T>: the library's general-purpose array, with elements that never move.
//
// Elements are made in chunks (one array allocation per chunk) and stay where they
// were made until the whole array is emptied (FreeAll or destruction). The array
// keeps a separate index of element pointers: every reordering (removal, insertion,
// swap, sorting) rearranges only that index, so owners may hold plain pointers to
// elements across additions and removals.
//
// Removing an element does not destroy it: its slot moves past the elements in use
// and the same object, with its old content, is handed out by the next addition.
// Class-type elements are default-constructed once, when their chunk is made, and
// destroyed when their chunk goes; plain elements are never initialised by the array.
//
// Two virtual hooks run when elements enter (OnAdd, which may refuse) and leave
// (OnRemove) use. By default they call the optional owner callbacks with the
// owner's 64-bit user value.
//
// Bad positions throw the position as uint32_t; a refused addition throws the
// requested count as uint32_t; GetLast on an empty array throws the int 0.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

template <class T>
class CArrayAuto {
public:
    // (run of index slots, number of slots, user value, the array)
    using AddCallback = bool (*)(T** slots, uint32_t count, uint64_t user, CArrayAuto<T>* array);
    using RemoveCallback = void (*)(T** slots, uint32_t count, uint64_t user, CArrayAuto<T>* array);

    CArrayAuto() noexcept = default;

    CArrayAuto(const CArrayAuto&) = delete;
    CArrayAuto& operator=(const CArrayAuto&) = delete;

    // Moving hands over the elements, the index and the settings (growth step,
    // callbacks, user value); the source is left empty with its settings kept.
    CArrayAuto(CArrayAuto&& other) noexcept { TakeStorage(other); }

    CArrayAuto& operator=(CArrayAuto&& other) noexcept {
        if (this != &other) {
            FreeAll();
            TakeStorage(other);
        }
        return *this;
    }

    // Runs only the base remove hook (the user callback): a derived part is gone
    // by the time the base destructor runs.
    virtual ~CArrayAuto() { Release(false); }

    // --- settings, normally set once right after construction ---
    void SetGrowthStep(uint32_t step) noexcept { m_growthStep = step; }
    uint32_t GetGrowthStep() const noexcept { return m_growthStep; }
    void SetAddCallback(AddCallback callback) noexcept { m_addCallback = callback; }
    AddCallback GetAddCallback() const noexcept { return m_addCallback; }
    void SetRemoveCallback(RemoveCallback callback) noexcept { m_removeCallback = callback; }
    RemoveCallback GetRemoveCallback() const noexcept { return m_removeCallback; }
    void SetUserValue(uint64_t value) noexcept { m_userValue = value; }
    uint64_t GetUserValue() const noexcept { return m_userValue; }

    // --- state ---
    uint32_t GetCount() const noexcept { return m_count; }
    // Number of element objects made so far (the sum of all chunk sizes).
    uint32_t GetReserved() const noexcept { return m_reserved; }
    // Number of pointer slots in the index.
    uint32_t GetIndexSize() const noexcept { return m_indexSize; }

    // --- element access ---
    T* GetAt(uint32_t i) {
        if (i >= m_count) throw static_cast<uint32_t>(i);
        return m_index[i];
    }
    const T* GetAt(uint32_t i) const {
        if (i >= m_count) throw static_cast<uint32_t>(i);
        return m_index[i];
    }
    T* GetLast() {
        if (m_count == 0) throw 0;
        return m_index[m_count - 1];
    }
    const T* GetLast() const {
        if (m_count == 0) throw 0;
        return m_index[m_count - 1];
    }

    // The index slots of the elements in use, in array order: `for (T* e : array)`.
    // Null when nothing was ever made. Reordering the slots in place (for example
    // sorting them) is allowed; writing other pointers into them is not.
    T** GetIndex() noexcept { return m_index; }
    T* const* GetIndex() const noexcept { return m_index; }
    T** begin() noexcept { return m_index; }
    T** end() noexcept { return m_index + m_count; }
    const T* const* begin() const noexcept { return m_index; }
    const T* const* end() const noexcept { return m_index + m_count; }

    // --- growth and addition ---

    // Makes sure at least n element objects exist; Count does not change.
    void Grow(uint32_t n) {
        if (m_reserved >= n) return;
        uint32_t k = n - m_reserved;
        if (k < m_growthStep) k = m_growthStep;
        const uint64_t newReserved = uint64_t(m_reserved) + k;
        if (newReserved > UINT32_MAX) throw std::bad_alloc();

        std::unique_ptr<Chunk> chunk(new Chunk);
        chunk->block = new T[k];
        chunk->size = k;

        if (newReserved > m_indexSize) {
            // The index at least doubles, so that filling an array one element at
            // a time copies each slot a bounded number of times; a first index
            // fits its first chunk exactly, so an array that stays small (the
            // common case) pays for no slots it never uses.
            uint64_t slots = uint64_t(m_indexSize) * 2;
            if (slots < newReserved) slots = newReserved;
            if (slots > UINT32_MAX) slots = UINT32_MAX;
            T** index = new T*[slots];  // on failure the chunk goes with its elements
            if (m_reserved != 0) std::memcpy(index, m_index, sizeof(T*) * m_reserved);
            delete[] m_index;
            m_index = index;
            m_indexSize = static_cast<uint32_t>(slots);
        }

        Chunk* c = chunk.release();
        if (m_lastChunk != nullptr)
            m_lastChunk->next = c;
        else
            m_firstChunk = c;
        m_lastChunk = c;

        T** slot = m_index + m_reserved;
        for (uint32_t e = 0; e < k; ++e) slot[e] = &c->block[e];
        m_reserved = static_cast<uint32_t>(newReserved);

        if (uint64_t(m_growthStep) * 10 < m_reserved) m_growthStep *= 5;
    }

    // Makes at least n elements in use; never shrinks. Returns the new Count.
    // A refusing add hook throws n; chunks made before the refusal stay.
    uint32_t SetCount(uint32_t n) {
        if (m_reserved < n)
            Grow(n);
        else if (m_count >= n)
            return m_count;
        if (!OnAdd(m_index + m_count, n - m_count)) throw static_cast<uint32_t>(n);
        m_count = n;
        return n;
    }

    // Appends one element and returns it. A refusing add hook throws Count + 1.
    T* AddNew() {
        if (m_count == UINT32_MAX) throw std::bad_alloc();
        const uint32_t old = m_count;
        SetCount(old + 1);
        return m_index[old];
    }

    // Adds one element at position i (i == Count appends); later ones move up.
    T* InsertAt(uint32_t i) {
        if (i > m_count) throw static_cast<uint32_t>(i);
        AddNew();
        const uint32_t last = m_count - 1;
        if (i != last) {
            T* added = m_index[last];
            std::memmove(m_index + i + 1, m_index + i, sizeof(T*) * (last - i));
            m_index[i] = added;
        }
        return m_index[i];
    }

    // --- removal ---

    // Removes the element at i keeping the order of the rest; returns the new Count.
    uint32_t RemoveAt(uint32_t i) {
        if (i >= m_count) throw static_cast<uint32_t>(i);
        T* removed = m_index[i];
        const uint32_t last = m_count - 1;
        std::memmove(m_index + i, m_index + i + 1, sizeof(T*) * (last - i));
        m_index[last] = removed;
        m_count = last;
        OnRemove(m_index + last, 1);
        return m_count;
    }

    // Removes the element at i by moving the last element into its place;
    // returns the new Count.
    uint32_t RemoveAtSwap(uint32_t i) {
        if (i >= m_count) throw static_cast<uint32_t>(i);
        const uint32_t last = m_count - 1;
        m_count = last;
        T* removed = m_index[i];
        m_index[i] = m_index[last];
        m_index[last] = removed;
        OnRemove(m_index + last, 1);
        return m_count;
    }

    void Swap(uint32_t i, uint32_t j) {
        if (i >= m_count) throw static_cast<uint32_t>(i);
        if (j >= m_count) throw static_cast<uint32_t>(j);
        T* t = m_index[i];
        m_index[i] = m_index[j];
        m_index[j] = t;
    }

    // Count becomes 0; the elements, chunks and index stay for reuse.
    void RemoveAll() {
        const uint32_t old = m_count;
        m_count = 0;
        OnRemove(m_index, old);
    }

    // Empties the array and gives back all storage. Growth step, callbacks and
    // user value stay, so the array can be filled again.
    void FreeAll() { Release(true); }

    // --- hooks, overridable by derived arrays ---

    // The slots are about to come into use; returning false refuses the addition.
    virtual bool OnAdd(T** slots, uint32_t count) {
        if (m_addCallback == nullptr) return true;
        return m_addCallback(slots, count, m_userValue, this);
    }

    // The slots have just left use.
    virtual void OnRemove(T** slots, uint32_t count) {
        if (m_removeCallback != nullptr) m_removeCallback(slots, count, m_userValue, this);
    }

private:
    struct Chunk {
        T* block = nullptr;
        uint32_t size = 0;
        Chunk* next = nullptr;
        ~Chunk() { delete[] block; }
    };

    void Release(bool virtualHook) {
        const uint32_t old = m_count;
        m_count = 0;
        if (virtualHook)
            OnRemove(m_index, old);
        else
            CArrayAuto::OnRemove(m_index, old);
        delete[] m_index;
        m_index = nullptr;
        m_indexSize = 0;
        Chunk* c = m_firstChunk;
        m_firstChunk = nullptr;
        m_lastChunk = nullptr;
        m_reserved = 0;
        while (c != nullptr) {
            Chunk* next = c->next;
            delete c;
            c = next;
        }
    }

    void TakeStorage(CArrayAuto& other) noexcept {
        m_reserved = other.m_reserved;
        m_count = other.m_count;
        m_indexSize = other.m_indexSize;
        m_growthStep = other.m_growthStep;
        m_firstChunk = other.m_firstChunk;
        m_lastChunk = other.m_lastChunk;
        m_index = other.m_index;
        m_addCallback = other.m_addCallback;
        m_removeCallback = other.m_removeCallback;
        m_userValue = other.m_userValue;
        other.m_reserved = 0;
        other.m_count = 0;
        other.m_indexSize = 0;
        other.m_firstChunk = nullptr;
        other.m_lastChunk = nullptr;
        other.m_index = nullptr;
    }

    uint32_t m_reserved = 0;
    uint32_t m_count = 0;
    uint32_t m_indexSize = 0;
    uint32_t m_growthStep = 10;
    Chunk* m_firstChunk = nullptr;
    Chunk* m_lastChunk = nullptr;
    T** m_index = nullptr;
    AddCallback m_addCallback = nullptr;
    RemoveCallback m_removeCallback = nullptr;
    uint64_t m_userValue = 0;
};
