#pragma once
// Fixed-size chunk pools behind the string buffers.
//
// Narrow strings take their buffers of 32, 64, 128, 256 and 1024 bytes, wide strings
// theirs of 16, 64 and 256 UTF-16 units, from one pool per size instead of the
// general heap. A pool keeps large blocks cut into equal chunks and a stack of free
// runs (consecutive free chunks). Alloc takes the first chunk of the last run, Free
// extends the last run when the chunk lies right behind it and otherwise pushes a
// run of one, so both are constant time and reuse is last-in first-out. Blocks are
// never given back while the pool lives; free runs are not merged.
//
// A chunk carries no header: its owner knows the size class from its own capacity
// and must return the chunk to the pool of exactly that size.
//
// Lifetime. Each size class has one process-wide pool, made on first use (or by the
// library's static initialiser, whichever comes first) and reached through a global
// pointer. Its use count is 1 for the static owner plus 1 per chunk handed out.
// At exit the owner's share is dropped; the pool frees all its memory when the
// count reaches 0, that is after the last string holding one of its chunks has
// gone, whatever the order of the static destructors. A chunk asked for after the
// pool destroyed itself (a string growing in a late static destructor) comes from
// a fresh pool without an owner share, which goes again with its last chunk.
//
// In sanitizer builds (OC_ASAN_POOLS) free chunks are poisoned and every chunk is
// followed by a poisoned guard, so use after free and overruns of pooled strings
// are reported as they would be for heap buffers.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/containers/MemoryBlock.h"

namespace detail {

// The shared empty texts of all narrow and all wide strings. Zero-filled, read-only
// storage: an empty string points here with capacity 0, and nothing ever writes
// into it (a write would fault).
extern const char g_emptyNarrow[16];
extern const char16_t g_emptyWide[8];

// Bytes of guard behind every chunk in sanitizer builds.
#if defined(OC_ASAN_POOLS)
inline constexpr size_t kPoolGuardBytes = 32;
#else
inline constexpr size_t kPoolGuardBytes = 0;
#endif

// One pool of chunks of N units of type U. Not locked: SharedPool locks around it.
// Tests make their own instances.
template <class U, unsigned N>
class MemoryPoolManager {
public:
    static constexpr uint32_t kChunkUnits = N;
    static constexpr size_t kChunkBytes = N * sizeof(U);
    // Blocks of 1 MB of narrow chunks or 2 MB of wide ones.
    static constexpr uint32_t kChunksPerBlock = (uint32_t(1) << 20) / N;
    // Distance between consecutive chunks of a block, in bytes.
    static constexpr size_t kStride = kChunkBytes + kPoolGuardBytes;

    // One free run: `count` consecutive free chunks from `start`.
    struct poolinfo {
        char* start;
        uint32_t count;
    };

    // A new pool holds no chunk memory; the use count starts at `useCount`.
    explicit MemoryPoolManager(int32_t useCount) noexcept;
    // Frees every block, whatever the use count.
    ~MemoryPoolManager();

    MemoryPoolManager(const MemoryPoolManager&) = delete;
    MemoryPoolManager& operator=(const MemoryPoolManager&) = delete;

    // One chunk of N units; raises the use count. Throws std::bad_alloc when a
    // block cannot be made.
    U* Alloc();
    // Gives back a chunk of this pool; returns the use count afterwards.
    int32_t Free(void* chunk) noexcept;
    // Drops one share of the use count; returns the count afterwards.
    int32_t Release() noexcept { return --m_useCount; }

    int32_t GetUseCount() const noexcept { return m_useCount; }
    uint32_t GetBlockCount() const noexcept { return m_blocks.GetCount(); }
    // First chunk of block i.
    const U* GetBlockStart(uint32_t i) const {
        return reinterpret_cast<const U*>(m_blocks.GetAt(i)->GetBuffer());
    }
    uint32_t GetRunCount() const noexcept { return m_runs.GetCount(); }
    const poolinfo& GetRun(uint32_t i) const { return *m_runs.GetAt(i); }

private:
    struct Chunk {
        alignas(16) char bytes[kStride];
    };

    CArrayAuto<CMemoryBlock<Chunk>> m_blocks;
    CArrayAuto<poolinfo> m_runs;
    int32_t m_useCount;
};

// A pool reached through one pointer, with its lock and its lifetime rules: made
// on first use with a share for the static owner, the owner's share dropped by
// ExitStep, destroyed by whichever of ExitStep and Free brings the use count to 0.
// After that a new Alloc makes a fresh pool without an owner share. Constant-
// initialised and trivially destructible, so the process-wide instances stay
// usable until the very end of the program.
template <class U, unsigned N>
class SharedPool {
public:
    using Pool = MemoryPoolManager<U, N>;

    constexpr SharedPool() noexcept = default;

    // Makes the pool if there is none (with the owner's share unless the exit step
    // has run). Returns whether this call made it.
    bool Create();
    U* Alloc();
    void Free(void* chunk) noexcept;
    // Drops the static owner's share (once).
    void ExitStep() noexcept;

    // The pool, null when there is none (not locked; for tests).
    const Pool* Peek() const noexcept { return m_pool; }

private:
    Pool* CreateLocked();

    std::mutex m_lock;
    Pool* m_pool = nullptr;
    bool m_exited = false;
};

// The process-wide pool of chunks of N units of U. Alloc throws std::bad_alloc
// when memory runs out.
template <class U, unsigned N>
struct GlobalPool {
    static U* Alloc();
    static void Free(void* chunk) noexcept;
    static SharedPool<U, N>& Shared() noexcept;
};

// The narrow string pools (N bytes) and the wide ones (N UTF-16 units).
template <unsigned N>
using NarrowPool = GlobalPool<char, N>;
template <unsigned N>
using WidePool = GlobalPool<char16_t, N>;

// A narrow buffer of at least `capacity` bytes (capacity > 0): sizes up to 1024 are
// raised to the next pool size and taken from that pool, larger ones are arrays of
// exactly that size. `capacity` receives the size obtained.
inline char* AllocNarrowBuffer(uint32_t& capacity) {
    if (capacity <= 32) {
        capacity = 32;
        return NarrowPool<32>::Alloc();
    }
    if (capacity <= 64) {
        capacity = 64;
        return NarrowPool<64>::Alloc();
    }
    if (capacity <= 128) {
        capacity = 128;
        return NarrowPool<128>::Alloc();
    }
    if (capacity <= 256) {
        capacity = 256;
        return NarrowPool<256>::Alloc();
    }
    if (capacity <= 1024) {
        capacity = 1024;
        return NarrowPool<1024>::Alloc();
    }
    return new char[capacity];
}

// Gives back a narrow buffer by its capacity: a pool size returns the chunk to that
// pool, 0 is the empty sentinel (left alone), anything else is an array.
inline void ReleaseNarrowBuffer(char* buffer, uint32_t capacity) noexcept {
    switch (capacity) {
    case 0: return;
    case 32: NarrowPool<32>::Free(buffer); return;
    case 64: NarrowPool<64>::Free(buffer); return;
    case 128: NarrowPool<128>::Free(buffer); return;
    case 256: NarrowPool<256>::Free(buffer); return;
    case 1024: NarrowPool<1024>::Free(buffer); return;
    default: delete[] buffer; return;
    }
}

// A wide buffer of exactly `units` units (units > 0): 16, 64 and 256 units come
// from the wide pools, every other size is an array. Sizes are not rounded.
inline char16_t* AllocWideBuffer(uint32_t units) {
    switch (units) {
    case 16: return WidePool<16>::Alloc();
    case 64: return WidePool<64>::Alloc();
    case 256: return WidePool<256>::Alloc();
    default: return new char16_t[units];
    }
}

// Gives back a wide buffer by its capacity in units; 0 is the sentinel.
inline void ReleaseWideBuffer(char16_t* buffer, uint32_t capacity) noexcept {
    switch (capacity) {
    case 0: return;
    case 16: WidePool<16>::Free(buffer); return;
    case 64: WidePool<64>::Free(buffer); return;
    case 256: WidePool<256>::Free(buffer); return;
    default: delete[] buffer; return;
    }
}

}  // namespace detail
