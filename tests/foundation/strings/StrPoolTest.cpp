#include "foundation/strings/StrPool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "foundation/strings/Str.h"

namespace {

using detail::MemoryPoolManager;
using detail::SharedPool;

template <class Pool>
const char* ChunkAt(const Pool& pool, uint32_t block, uint32_t index) {
    return reinterpret_cast<const char*>(pool.GetBlockStart(block)) + size_t(index) * Pool::kStride;
}

TEST(StrPoolTest, FirstAllocMakesOneBlockAndOneRun) {
    MemoryPoolManager<char, 64> pool(1);
    EXPECT_EQ(pool.GetBlockCount(), 0u);
    EXPECT_EQ(pool.GetRunCount(), 0u);

    char* chunk = pool.Alloc();
    EXPECT_EQ(pool.GetBlockCount(), 1u);
    EXPECT_EQ(chunk, ChunkAt(pool, 0, 0));
    ASSERT_EQ(pool.GetRunCount(), 1u);
    EXPECT_EQ(pool.GetRun(0).start, ChunkAt(pool, 0, 1));
    EXPECT_EQ(pool.GetRun(0).count, 16384u - 1);
    EXPECT_EQ(pool.GetUseCount(), 2);
    std::memset(chunk, 0x5A, 64);  // the whole chunk is usable
    EXPECT_EQ(pool.Free(chunk), 1);
}

TEST(StrPoolTest, ChunkSizesPerBlock) {
    EXPECT_EQ((MemoryPoolManager<char, 32>::kChunksPerBlock), 32768u);
    EXPECT_EQ((MemoryPoolManager<char, 64>::kChunksPerBlock), 16384u);
    EXPECT_EQ((MemoryPoolManager<char, 128>::kChunksPerBlock), 8192u);
    EXPECT_EQ((MemoryPoolManager<char, 256>::kChunksPerBlock), 4096u);
    EXPECT_EQ((MemoryPoolManager<char, 1024>::kChunksPerBlock), 1024u);
    EXPECT_EQ((MemoryPoolManager<char16_t, 16>::kChunksPerBlock), 65536u);
    EXPECT_EQ((MemoryPoolManager<char16_t, 64>::kChunksPerBlock), 16384u);
    EXPECT_EQ((MemoryPoolManager<char16_t, 256>::kChunksPerBlock), 4096u);
}

TEST(StrPoolTest, FreedChunksAreReusedLastInFirstOut) {
    MemoryPoolManager<char, 128> pool(1);
    char* first = pool.Alloc();
    char* second = pool.Alloc();
    // Neither lies at the end of the block's run: each becomes a run of its own.
    pool.Free(second);
    pool.Free(first);
    ASSERT_EQ(pool.GetRunCount(), 3u);
    EXPECT_EQ(pool.GetRun(1).start, second);
    EXPECT_EQ(pool.GetRun(1).count, 1u);
    EXPECT_EQ(pool.GetRun(2).start, first);
    EXPECT_EQ(pool.GetUseCount(), 1);

    EXPECT_EQ(pool.Alloc(), first);
    EXPECT_EQ(pool.Alloc(), second);
    EXPECT_EQ(pool.Alloc(), ChunkAt(pool, 0, 2));
    EXPECT_EQ(pool.GetRunCount(), 1u);
    EXPECT_EQ(pool.GetUseCount(), 4);
}

TEST(StrPoolTest, RisingFreesCollapseIntoOneRunAndBlocksStay) {
    MemoryPoolManager<char, 1024> pool(1);
    const uint32_t perBlock = pool.kChunksPerBlock;
    std::vector<char*> chunks;
    for (uint32_t i = 0; i < perBlock; ++i) chunks.push_back(pool.Alloc());
    EXPECT_EQ(pool.GetRunCount(), 0u);
    EXPECT_EQ(pool.GetBlockCount(), 1u);

    for (char* c : chunks) pool.Free(c);  // rising addresses
    ASSERT_EQ(pool.GetRunCount(), 1u);
    EXPECT_EQ(pool.GetRun(0).start, chunks[0]);
    EXPECT_EQ(pool.GetRun(0).count, perBlock);

    // One more than a block's worth appends a second block.
    chunks.clear();
    for (uint32_t i = 0; i <= perBlock; ++i) chunks.push_back(pool.Alloc());
    EXPECT_EQ(pool.GetBlockCount(), 2u);
    EXPECT_EQ(chunks.back(), ChunkAt(pool, 1, 0));
    for (char* c : chunks) pool.Free(c);
    EXPECT_EQ(pool.GetBlockCount(), 2u);
    EXPECT_EQ(pool.GetUseCount(), 1);
    // Runs that touch are not merged: the second block's first chunk stays a run
    // of its own beside the rest of that block.
    ASSERT_EQ(pool.GetRunCount(), 3u);
    EXPECT_EQ(pool.GetRun(0).start, ChunkAt(pool, 1, 1));
    EXPECT_EQ(pool.GetRun(1).count, perBlock);
    EXPECT_EQ(pool.GetRun(2).start, ChunkAt(pool, 1, 0));
}

TEST(StrPoolTest, SharedPoolLivesUntilItsLastChunk) {
    SharedPool<char, 64> shared;
    EXPECT_EQ(shared.Peek(), nullptr);
    char* a = shared.Alloc();  // made on first use, with the owner's share
    char* b = shared.Alloc();
    ASSERT_NE(shared.Peek(), nullptr);
    EXPECT_EQ(shared.Peek()->GetUseCount(), 3);

    shared.ExitStep();  // chunks still out: the pool stays and takes them back
    ASSERT_NE(shared.Peek(), nullptr);
    EXPECT_EQ(shared.Peek()->GetUseCount(), 2);
    shared.ExitStep();  // the owner's share is dropped only once
    EXPECT_EQ(shared.Peek()->GetUseCount(), 2);
    shared.Free(b);
    ASSERT_NE(shared.Peek(), nullptr);
    shared.Free(a);
    EXPECT_EQ(shared.Peek(), nullptr);  // the last chunk took the pool with it

    // A late request makes a pool without an owner share, gone with its chunk.
    char* late = shared.Alloc();
    ASSERT_NE(shared.Peek(), nullptr);
    EXPECT_EQ(shared.Peek()->GetUseCount(), 1);
    std::memset(late, 1, 64);
    shared.Free(late);
    EXPECT_EQ(shared.Peek(), nullptr);
}

TEST(StrPoolTest, SharedPoolWithoutChunksGoesAtTheExitStep) {
    SharedPool<char16_t, 16> shared;
    EXPECT_TRUE(shared.Create());
    EXPECT_FALSE(shared.Create());
    EXPECT_EQ(shared.Peek()->GetUseCount(), 1);
    shared.ExitStep();
    EXPECT_EQ(shared.Peek(), nullptr);
}

TEST(StrPoolTest, BuffersAreRoundedAndReleasedByCapacity) {
    struct Case {
        uint32_t request;
        uint32_t capacity;
    } narrow[] = {{1, 32}, {32, 32}, {33, 64}, {64, 64}, {65, 128}, {200, 256}, {257, 1024}, {1024, 1024}, {1025, 1025}};
    for (const Case& c : narrow) {
        uint32_t capacity = c.request;
        char* buffer = detail::AllocNarrowBuffer(capacity);
        EXPECT_EQ(capacity, c.capacity) << c.request;
        std::memset(buffer, 'x', capacity);
        detail::ReleaseNarrowBuffer(buffer, capacity);
        if (capacity <= 1024) {
            // Went back to the pool it came from: the next chunk of that size is it.
            uint32_t again = c.request;
            char* next = detail::AllocNarrowBuffer(again);
            EXPECT_EQ(next, buffer) << c.request;
            detail::ReleaseNarrowBuffer(next, again);
        }
    }
    detail::ReleaseNarrowBuffer(const_cast<char*>(detail::g_emptyNarrow), 0);  // the sentinel is left alone

    for (uint32_t units : {16u, 64u, 256u}) {
        char16_t* buffer = detail::AllocWideBuffer(units);
        for (uint32_t i = 0; i < units; ++i) buffer[i] = char16_t(i);
        detail::ReleaseWideBuffer(buffer, units);
        char16_t* next = detail::AllocWideBuffer(units);
        EXPECT_EQ(next, buffer) << units;
        detail::ReleaseWideBuffer(next, units);
    }
    // Other sizes are exact arrays (the sanitizer run checks their size and release).
    char16_t* odd = detail::AllocWideBuffer(128);
    odd[127] = 1;
    detail::ReleaseWideBuffer(odd, 128);
    detail::ReleaseWideBuffer(const_cast<char16_t*>(detail::g_emptyWide), 0);
    EXPECT_EQ(detail::g_emptyWide[0], 0);
    EXPECT_EQ(detail::g_emptyNarrow[0], 0);
}

TEST(StrPoolTest, StringsOnSeveralThreadsNeverShareAChunk) {
    // Each thread stamps its strings with its own byte and checks the stamp is
    // still whole before giving the buffer back; two threads handed the same
    // chunk would overwrite each other.
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            const char stamp = char('A' + t);
            std::vector<CStr_base<64>> held(16);
            uint32_t seed = uint32_t(t) * 7919u + 1;
            for (int round = 0; round < kRounds; ++round) {
                seed = seed * 1103515245u + 12345u;
                CStr_base<64>& s = held[(seed >> 8) % held.size()];
                for (int32_t i = 0; i < s.GetLength(); ++i)
                    if (s.GetText()[i] != stamp) ++failures[t];
                const uint32_t length = (seed >> 16) % 900;
                s.Free();
                s.Reserve(length + 2);
                std::memset(s.GetBuffer(), stamp, length);
                s.SetLength(int32_t(length));
            }
        });
    }
    for (std::thread& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

#if defined(OC_ASAN_POOLS)
// Sanitizer builds keep catching misuse of pooled buffers.
TEST(StrPoolDeathTest, UseAfterFreeAndOverrunAreReported) {
    EXPECT_DEATH(
        {
            CStr_base<64> s("abc");
            volatile const char* p = s.GetText();
            s.Free();
            volatile char c = p[0];
            (void)c;
        },
        "AddressSanitizer");
    EXPECT_DEATH(
        {
            CStr_base<64> s("abc");
            volatile char* p = s.GetBuffer();
            p[s.GetCapacity()] = 1;
        },
        "AddressSanitizer");
    EXPECT_DEATH(
        {
            char16_t* w = detail::AllocWideBuffer(16);
            volatile char16_t* p = w;
            p[16] = 1;
        },
        "AddressSanitizer");
}
#endif

}  // namespace
