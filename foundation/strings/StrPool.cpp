#include "foundation/strings/StrPool.h"

#include <cstdlib>

#if defined(OC_ASAN_POOLS)
#include <sanitizer/asan_interface.h>
#define OC_POOL_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define OC_POOL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define OC_POOL_POISON(p, n) ((void)(p), (void)(n))
#define OC_POOL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace detail {

alignas(16) constinit const char g_emptyNarrow[16] = {};
alignas(16) constinit const char16_t g_emptyWide[8] = {};

// --- MemoryPoolManager ---

template <class U, unsigned N>
MemoryPoolManager<U, N>::MemoryPoolManager(int32_t useCount) noexcept : m_useCount(useCount) {
    m_runs.SetGrowthStep(102400);
}

template <class U, unsigned N>
MemoryPoolManager<U, N>::~MemoryPoolManager() {
    // The blocks go with the arrays; hand them back to the allocator unpoisoned.
    for (CMemoryBlock<Chunk>* block : m_blocks) {
        if (block->GetBuffer() != nullptr)
            OC_POOL_UNPOISON(block->GetBuffer(), size_t(block->GetCount()) * sizeof(Chunk));
    }
}

template <class U, unsigned N>
U* MemoryPoolManager<U, N>::Alloc() {
    if (m_runs.GetCount() == 0) {
        // Make room for the run record first, so that a failure there cannot
        // strand a new block without a run.
        m_runs.Grow(m_runs.GetCount() + 1);
        CMemoryBlock<Chunk>* block = m_blocks.AddNew();
        Chunk* chunks = block->Alloc(kChunksPerBlock);
        OC_POOL_POISON(chunks, size_t(kChunksPerBlock) * sizeof(Chunk));
        poolinfo* run = m_runs.AddNew();
        run->start = chunks->bytes;
        run->count = kChunksPerBlock;
    }
    poolinfo* run = m_runs.GetLast();
    char* chunk = run->start;
    if (run->count == 1) {
        m_runs.RemoveAt(m_runs.GetCount() - 1);
    } else {
        run->start += kStride;
        --run->count;
    }
    ++m_useCount;
    OC_POOL_UNPOISON(chunk, kChunkBytes);
    return reinterpret_cast<U*>(chunk);
}

template <class U, unsigned N>
int32_t MemoryPoolManager<U, N>::Free(void* chunk) noexcept {
    char* c = static_cast<char*>(chunk);
    OC_POOL_POISON(c, kChunkBytes);
    bool extended = false;
    if (m_runs.GetCount() != 0) {
        poolinfo* last = m_runs.GetLast();
        if (last->start + size_t(last->count) * kStride == c) {
            ++last->count;
            extended = true;
        }
    }
    if (!extended) {
        try {
            poolinfo* run = m_runs.AddNew();
            run->start = c;
            run->count = 1;
        } catch (...) {
            // No memory for the run record: the chunk stays unused until the
            // pool goes; the pool itself stays consistent.
        }
    }
    return --m_useCount;
}

// --- SharedPool ---

template <class U, unsigned N>
typename SharedPool<U, N>::Pool* SharedPool<U, N>::CreateLocked() {
    if (m_pool == nullptr) m_pool = new Pool(m_exited ? 0 : 1);
    return m_pool;
}

template <class U, unsigned N>
bool SharedPool<U, N>::Create() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_pool != nullptr) return false;
    CreateLocked();
    return true;
}

template <class U, unsigned N>
U* SharedPool<U, N>::Alloc() {
    std::lock_guard<std::mutex> guard(m_lock);
    return CreateLocked()->Alloc();
}

template <class U, unsigned N>
void SharedPool<U, N>::Free(void* chunk) noexcept {
    Pool* gone = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_pool == nullptr) return;  // not a chunk of ours; nothing to give it back to
        if (m_pool->Free(chunk) == 0) {
            gone = m_pool;
            m_pool = nullptr;
        }
    }
    delete gone;
}

template <class U, unsigned N>
void SharedPool<U, N>::ExitStep() noexcept {
    Pool* gone = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_exited) return;
        m_exited = true;
        if (m_pool != nullptr && m_pool->Release() == 0) {
            gone = m_pool;
            m_pool = nullptr;
        }
    }
    delete gone;
}

template class MemoryPoolManager<char, 32>;
template class MemoryPoolManager<char, 64>;
template class MemoryPoolManager<char, 128>;
template class MemoryPoolManager<char, 256>;
template class MemoryPoolManager<char, 1024>;
template class MemoryPoolManager<char16_t, 16>;
template class MemoryPoolManager<char16_t, 64>;
template class MemoryPoolManager<char16_t, 256>;
template class SharedPool<char, 32>;
template class SharedPool<char, 64>;
template class SharedPool<char, 128>;
template class SharedPool<char, 256>;
template class SharedPool<char, 1024>;
template class SharedPool<char16_t, 16>;
template class SharedPool<char16_t, 64>;
template class SharedPool<char16_t, 256>;

// --- the process-wide pools ---

namespace {

template <class U, unsigned N>
constinit SharedPool<U, N> g_shared;

template <class U, unsigned N>
void ExitStep() {
    g_shared<U, N>.ExitStep();
}

// Makes the pool and registers its exit step. Exit steps run in the reverse order
// of registration, so a pool made here outlives every static object constructed
// after it; whichever goes last, the pool stays until its last chunk is back.
template <class U, unsigned N>
void Start() {
    if (g_shared<U, N>.Create()) std::atexit(&ExitStep<U, N>);
}

// A pool first used before this initialiser ran (by a string in another static
// initialiser) is made on the spot by the same function.
template <class U, unsigned N>
SharedPool<U, N>& Started() {
    static const bool started = (Start<U, N>(), true);
    (void)started;
    return g_shared<U, N>;
}

struct StartPools {
    StartPools() {
        Started<char, 32>();
        Started<char, 64>();
        Started<char, 128>();
        Started<char, 256>();
        Started<char, 1024>();
        Started<char16_t, 16>();
        Started<char16_t, 64>();
        Started<char16_t, 256>();
    }
};

const StartPools g_startPools;

}  // namespace

template <class U, unsigned N>
U* GlobalPool<U, N>::Alloc() {
    return Started<U, N>().Alloc();
}

template <class U, unsigned N>
void GlobalPool<U, N>::Free(void* chunk) noexcept {
    g_shared<U, N>.Free(chunk);
}

template <class U, unsigned N>
SharedPool<U, N>& GlobalPool<U, N>::Shared() noexcept {
    return g_shared<U, N>;
}

template struct GlobalPool<char, 32>;
template struct GlobalPool<char, 64>;
template struct GlobalPool<char, 128>;
template struct GlobalPool<char, 256>;
template struct GlobalPool<char, 1024>;
template struct GlobalPool<char16_t, 16>;
template struct GlobalPool<char16_t, 64>;
template struct GlobalPool<char16_t, 256>;

}  // namespace detail
