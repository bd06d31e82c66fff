#pragma once
// Ring queues over one buffer.
//
// CQueueCtrl<T> keeps Capacity elements in a ring with a read position (the oldest
// element), a write position (where the next element goes) and a count. Positions
// run from 0 to Capacity inclusive: Capacity stands for the same place as 0 and
// wraps on its next use. A full queue grows by its growth step beyond the need,
// or refuses when the growth step is 0.
//
// The typed queues hold constructed objects (made by Create and Resize, destroyed
// by Free and the destructor). CQueueCtrl<unsigned char> is a byte ring with block
// Write and Read; CQueueCtrl_UseVirtualAlloc<unsigned char> is the same ring over
// page-aligned memory taken directly from the system.
//
// Queues never throw on allocation: Create and Resize report failure with false.
// Taking from or looking at an empty queue throws the int 1.
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/PageMemory.h"

template <class T>
class CQueueCtrl {
public:
    CQueueCtrl() noexcept = default;
    CQueueCtrl(const CQueueCtrl&) = delete;
    CQueueCtrl& operator=(const CQueueCtrl&) = delete;

    virtual ~CQueueCtrl() { delete[] m_buffer; }

    // Makes a buffer of n elements; false when one is already held or the
    // allocation fails. The growth step does not change.
    virtual bool Create(uint32_t n) {
        if (m_buffer != nullptr) return false;
        T* buffer = NewBuffer(n);
        if (buffer == nullptr) return false;
        m_buffer = buffer;
        m_read = m_write = m_count = 0;
        m_capacity = n;
        return true;
    }

    // Moves the queued elements, in queue order, into a new buffer of
    // max(n, Count) elements: this queue never loses elements by resizing.
    // Without a buffer it is Create. On failure the queue is unchanged.
    virtual bool Resize(uint32_t n) {
        if (m_buffer == nullptr) return Create(n);
        const uint32_t capacity = n > m_count ? n : m_count;
        T* buffer = NewBuffer(capacity);
        if (buffer == nullptr) return false;
        if (!TransferOldest(buffer, m_count)) {
            delete[] buffer;
            return false;
        }
        delete[] m_buffer;
        m_buffer = buffer;
        m_read = 0;
        m_write = m_count;
        m_capacity = capacity;
        return true;
    }

    // Destroys the elements and releases the buffer; false when none is held.
    virtual bool Free() {
        if (m_buffer == nullptr) return false;
        delete[] m_buffer;
        m_buffer = nullptr;
        m_read = m_write = m_count = m_capacity = 0;
        return true;
    }

    // Queues a copy of value; false (queueing nothing) when the queue is full and
    // cannot grow.
    bool Push(const T& value) {
        if (!MakeRoomForOne()) return false;
        const uint32_t slot = m_write == m_capacity ? 0 : m_write;
        m_buffer[slot] = value;
        Commit(slot);
        return true;
    }
    bool Push(T&& value) {
        if (!MakeRoomForOne()) return false;
        const uint32_t slot = m_write == m_capacity ? 0 : m_write;
        m_buffer[slot] = std::move(value);
        Commit(slot);
        return true;
    }

    // Takes the oldest element. The pointer stays valid until the slot is written again.
    T* PopFront() {
        if (m_count == 0) throw 1;
        const uint32_t slot = m_read == m_capacity ? 0 : m_read;
        m_read = slot + 1;
        --m_count;
        return &m_buffer[slot];
    }

    // Takes the newest element.
    T* PopBack() {
        if (m_count == 0) throw 1;
        const uint32_t slot = m_write == 0 ? m_capacity - 1 : m_write - 1;
        m_write = slot;
        --m_count;
        return &m_buffer[slot];
    }

    // The newest element, left in the queue.
    T* PeekNewest() {
        if (m_count == 0) throw 1;
        return &m_buffer[m_write == 0 ? m_capacity - 1 : m_write - 1];
    }

    // --- byte ring ---

    // Appends len bytes; grows by the growth step beyond the need when they do not
    // fit, or returns false and writes nothing.
    bool Write(const void* source, uint32_t len)
        requires std::is_same_v<T, unsigned char>
    {
        if (uint64_t(m_count) + len > m_capacity) {
            const uint64_t need = uint64_t(m_growthStep) + m_count + len;
            if (m_growthStep == 0 || need > UINT32_MAX || !Resize(static_cast<uint32_t>(need)))
                return false;
        }
        if (len == 0) return true;
        const auto* src = static_cast<const unsigned char*>(source);
        if (uint64_t(m_write) + len <= m_capacity) {
            std::memcpy(m_buffer + m_write, src, len);
            m_write += len;
        } else {
            const uint32_t first = m_capacity - m_write;
            std::memcpy(m_buffer + m_write, src, first);
            std::memcpy(m_buffer, src + first, len - first);
            m_write = len - first;
        }
        m_count += len;
        return true;
    }

    // Takes the len oldest bytes; false, reading nothing, when fewer are queued.
    bool Read(void* destination, uint32_t len)
        requires std::is_same_v<T, unsigned char>
    {
        if (len > m_count) return false;
        if (len == 0) return true;
        auto* dst = static_cast<unsigned char*>(destination);
        if (uint64_t(m_read) + len <= m_capacity) {
            std::memcpy(dst, m_buffer + m_read, len);
            m_read += len;
        } else {
            const uint32_t first = m_capacity - m_read;
            std::memcpy(dst, m_buffer + m_read, first);
            std::memcpy(dst + first, m_buffer, len - first);
            m_read = len - first;
        }
        m_count -= len;
        return true;
    }

    // --- state ---
    void SetGrowthStep(uint32_t step) noexcept { m_growthStep = step; }
    uint32_t GetGrowthStep() const noexcept { return m_growthStep; }
    uint32_t GetCount() const noexcept { return m_count; }
    uint32_t GetCapacity() const noexcept { return m_capacity; }
    uint32_t GetReadPosition() const noexcept { return m_read; }
    uint32_t GetWritePosition() const noexcept { return m_write; }
    bool IsEmpty() const noexcept { return m_count == 0; }
    // The ring's storage (Capacity elements), null when none is held.
    T* GetBuffer() noexcept { return m_buffer; }
    const T* GetBuffer() const noexcept { return m_buffer; }

protected:
    // Moves (or copies, when moving could throw) the n oldest queued elements into
    // destination[0..n-1] in queue order; n is at most Count. False when an element
    // copy throws; the queue keeps its elements then.
    bool TransferOldest(T* destination, uint32_t n) noexcept {
        if (n == 0) return true;
        const uint32_t start = m_read == m_capacity ? 0 : m_read;
        const uint32_t tail = m_capacity - start;
        const uint32_t first = n < tail ? n : tail;
        if constexpr (std::is_trivially_copyable_v<T>) {
            std::memcpy(destination, m_buffer + start, sizeof(T) * first);
            if (n > first) std::memcpy(destination + first, m_buffer, sizeof(T) * (n - first));
            return true;
        } else {
            try {
                for (uint32_t i = 0; i < first; ++i) Transfer(destination[i], m_buffer[start + i]);
                for (uint32_t i = first; i < n; ++i) Transfer(destination[i], m_buffer[i - first]);
            } catch (...) {
                return false;
            }
            return true;
        }
    }

    T* m_buffer = nullptr;
    uint32_t m_read = 0;
    uint32_t m_write = 0;
    uint32_t m_count = 0;
    uint32_t m_capacity = 0;
    uint32_t m_growthStep = 0;

private:
    static T* NewBuffer(uint32_t n) noexcept {
        try {
            return new T[n];
        } catch (...) {
            return nullptr;
        }
    }

    static void Transfer(T& to, T& from) {
        if constexpr (std::is_nothrow_move_assignable_v<T>)
            to = std::move(from);
        else
            to = from;
    }

    bool MakeRoomForOne() {
        if (m_count < m_capacity) return true;
        const uint64_t need = uint64_t(m_count) + 1 + m_growthStep;
        return m_growthStep != 0 && need <= UINT32_MAX && Resize(static_cast<uint32_t>(need));
    }

    void Commit(uint32_t slot) noexcept {
        m_write = slot + 1;
        ++m_count;
    }
};

// Only the byte ring has a page-backed form.
template <class T>
class CQueueCtrl_UseVirtualAlloc;

// The byte ring over whole pages committed from the system. Unlike the other
// queues, resizing below Count keeps only the oldest bytes.
template <>
class CQueueCtrl_UseVirtualAlloc<unsigned char> : public CQueueCtrl<unsigned char> {
public:
    CQueueCtrl_UseVirtualAlloc() noexcept = default;

    ~CQueueCtrl_UseVirtualAlloc() override { ReleaseAll(); }

    bool Create(uint32_t n) override {
        if (m_buffer != nullptr) return false;
        auto* buffer = static_cast<unsigned char*>(platform::CommitPages(n));
        if (buffer == nullptr) return false;
        m_buffer = buffer;
        m_read = m_write = m_count = 0;
        m_capacity = n;
        return true;
    }

    bool Resize(uint32_t n) override {
        if (m_buffer == nullptr) return Create(n);
        auto* buffer = static_cast<unsigned char*>(platform::CommitPages(n));
        if (buffer == nullptr) return false;
        const uint32_t keep = m_count < n ? m_count : n;
        TransferOldest(buffer, keep);
        platform::ReleasePages(m_buffer, m_capacity);
        m_buffer = buffer;
        m_read = 0;
        m_write = keep;
        m_count = keep;
        m_capacity = n;
        return true;
    }

    bool Free() override {
        if (m_buffer == nullptr) return false;
        ReleaseAll();
        return true;
    }

private:
    void ReleaseAll() noexcept {
        // The base destructor deletes a remaining buffer, so it must not see ours.
        platform::ReleasePages(m_buffer, m_capacity);
        m_buffer = nullptr;
        m_read = m_write = m_count = m_capacity = 0;
    }
};
