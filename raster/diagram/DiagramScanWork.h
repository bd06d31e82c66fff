#pragma once
// The scan converter's work area (raster/diagram/DiagramScan.h explains the
// algorithm). A DiagramInfo owns one, made on its first fill and kept with its
// capacity, so an outline that is filled again and again allocates nothing
// once its first rows have been drawn.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

struct DiagramInfoFactor;

// One crossing of the outline with a sample line: x in sixteenths of a pixel
// and its kind (0 plain, 1 / 6 up / down vertex, 2..5 settled flat ends, 7 / 8
// pending flat ends, 9 sub-path marker).
struct DiagramCrossing {
    int32_t x;
    int32_t kind;

    bool operator==(const DiagramCrossing&) const = default;
};

// One step of a sample line's walk, in walk order: a crossing to insert with
// where it goes within the crossings of equal x, or the move of an earlier
// crossing to the front of them.
struct DiagramCrossingEvent {
    int32_t x;
    int32_t kind;      // settled in place when the pending flat ends settle
    uint32_t place;    // DiagramScan.h: Place
    uint32_t target;   // kMoveToFront: the event that inserted the crossing moved
};

// An element that the walk can meet on a sample line (a Line, CircleCurve, Arc
// or Jump that the look-ahead does not skip), with what the walk needs of it.
struct DiagramScanElement {
    DiagramInfoFactor* factor;
    int32_t x0, y0;   // the current point the element starts from
    int32_t rowMin;   // the sample line at or above its yMin
    int32_t yMax;
};

// A crossing of a row of plain crossings, kept in the order of x of the line
// before so that sorting the next line's crossings is nearly free.
struct DiagramPlainEntry {
    uint32_t element;  // position in DiagramScanWork::elements
    uint32_t piece;    // CircleCurve piece, else 0
    uint32_t slot;     // its row of DiagramScanWork::plainX
    int64_t key;       // x, or INT64_MAX when the piece does not meet the line
};

// A growable array of plain values for the per-line work: clearing keeps the
// storage, growing doubles it, and appending is a compare and a store.
template <class T>
class DiagramBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    uint32_t size() const noexcept { return m_size; }
    bool empty() const noexcept { return m_size == 0; }
    void clear() noexcept { m_size = 0; }
    T* data() noexcept { return m_data.get(); }
    const T* data() const noexcept { return m_data.get(); }
    T* begin() noexcept { return m_data.get(); }
    T* end() noexcept { return m_data.get() + m_size; }
    const T* begin() const noexcept { return m_data.get(); }
    const T* end() const noexcept { return m_data.get() + m_size; }
    T& operator[](uint32_t i) noexcept { return m_data[i]; }
    const T& operator[](uint32_t i) const noexcept { return m_data[i]; }
    T& back() noexcept { return m_data[m_size - 1]; }

    void push_back(const T& v) {
        if (m_size == m_capacity) Reserve(m_size + 1);
        m_data[m_size++] = v;
    }
    // New items are left as they are.
    void resize(uint32_t n) {
        if (n > m_capacity) Reserve(n);
        m_size = n;
    }
    void assign(uint32_t n, const T& v) {
        resize(n);
        for (uint32_t i = 0; i < n; ++i) m_data[i] = v;
    }
    void insert(uint32_t at, const T& v) {
        if (m_size == m_capacity) Reserve(m_size + 1);
        std::memmove(m_data.get() + at + 1, m_data.get() + at, (m_size - at) * sizeof(T));
        m_data[at] = v;
        ++m_size;
    }
    void swap(DiagramBuffer& other) noexcept {
        m_data.swap(other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }

private:
    void Reserve(uint32_t n) {
        if (n <= m_capacity) return;
        uint32_t capacity = m_capacity < 16 ? 16 : m_capacity;
        while (capacity < n) {
            if (capacity > UINT32_MAX / 2) throw std::bad_alloc();
            capacity *= 2;
        }
        std::unique_ptr<T[]> grown(new T[capacity]);
        if (m_size != 0) std::memcpy(grown.get(), m_data.get(), m_size * sizeof(T));
        m_data.swap(grown);
        m_capacity = capacity;
    }

    std::unique_ptr<T[]> m_data;
    uint32_t m_size = 0;
    uint32_t m_capacity = 0;
};

struct DiagramScanWork {
    DiagramBuffer<DiagramScanElement> elements;
    DiagramBuffer<uint32_t> byTop;       // element positions by rowMin
    DiagramBuffer<uint32_t> active;      // elements on the current sample line, in outline order
    DiagramBuffer<uint32_t> arriving;    // elements that join the active list on this line
    DiagramBuffer<uint32_t> merged;
    DiagramBuffer<DiagramCrossingEvent> events;
    DiagramBuffer<uint32_t> pending;     // events of flat ends not settled yet
    DiagramBuffer<uint64_t> keys;        // (x, event) sort keys
    DiagramBuffer<uint32_t> group;       // the crossings of one x while they are placed
    DiagramBuffer<DiagramCrossing> crossings;  // the current sample line's list
    DiagramBuffer<DiagramPlainEntry> plain;    // the crossings of rows of plain crossings
    DiagramBuffer<int64_t> plainX;             // their x on each sample line of the row
    DiagramBuffer<int32_t> delta;        // coverage steps per column of the row
    DiagramBuffer<uint64_t> touched;     // one bit per column with a step
};
