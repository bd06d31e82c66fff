#pragma once
// CMemoryBlock<T>: owns one heap buffer of T together with its element count.
//
// The buffer is one array allocation: class-type elements are default-constructed,
// plain elements are left uninitialised. Every failure of Alloc, including a call
// while a buffer is already held, is reported as std::bad_alloc and leaves the
// block as it was.
#include <cstdint>
#include <new>

template <class T>
class CMemoryBlock {
public:
    CMemoryBlock() noexcept = default;

    CMemoryBlock(const CMemoryBlock&) = delete;
    CMemoryBlock& operator=(const CMemoryBlock&) = delete;

    CMemoryBlock(CMemoryBlock&& other) noexcept : m_buffer(other.m_buffer), m_count(other.m_count) {
        other.m_buffer = nullptr;
        other.m_count = 0;
    }
    CMemoryBlock& operator=(CMemoryBlock&& other) noexcept {
        if (this != &other) {
            Free();
            m_buffer = other.m_buffer;
            m_count = other.m_count;
            other.m_buffer = nullptr;
            other.m_count = 0;
        }
        return *this;
    }

    virtual ~CMemoryBlock() { delete[] m_buffer; }

    // Makes a buffer of n elements and returns it.
    T* Alloc(uint32_t n) {
        if (m_buffer != nullptr) throw std::bad_alloc();
        T* p;
        try {
            p = new T[n];
        } catch (...) {
            throw std::bad_alloc();
        }
        m_buffer = p;
        m_count = n;
        return p;
    }

    // Destroys the elements and frees the buffer; nothing when none is held.
    void Free() noexcept {
        if (m_buffer == nullptr) return;
        T* p = m_buffer;
        m_count = 0;
        m_buffer = nullptr;
        delete[] p;
    }

    T* GetBuffer() noexcept { return m_buffer; }
    const T* GetBuffer() const noexcept { return m_buffer; }
    uint32_t GetCount() const noexcept { return m_count; }

private:
    T* m_buffer = nullptr;
    uint32_t m_count = 0;
};
