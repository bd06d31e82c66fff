#include "foundation/containers/MemoryBlock.h"
#include "foundation/containers/QueueCtrl.h"
#include "foundation/containers/ArrayAuto.h"
#include "platform/PageMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Counts the lives of class-type elements.
struct Life {
    static inline int constructed = 0;
    static inline int destroyed = 0;
    static inline bool failConstruction = false;
    std::string text;
    Life() {
        if (failConstruction) throw std::runtime_error("no");
        ++constructed;
    }
    Life(const Life& other) : text(other.text) { ++constructed; }
    Life& operator=(const Life&) = default;
    Life& operator=(Life&&) noexcept = default;
    ~Life() { ++destroyed; }
    static void Reset() {
        constructed = 0;
        destroyed = 0;
        failConstruction = false;
    }
};

// ---------------------------------------------------------------- CMemoryBlock

TEST(MemoryBlock, AllocFreeAndTheHeldBufferRule) {
    CMemoryBlock<char[32]> block;
    EXPECT_EQ(block.GetBuffer(), nullptr);
    EXPECT_EQ(block.GetCount(), 0u);
    block.Free();  // nothing held: nothing happens

    char(*chunks)[32] = block.Alloc(5);
    ASSERT_NE(chunks, nullptr);
    EXPECT_EQ(block.GetBuffer(), chunks);
    EXPECT_EQ(block.GetCount(), 5u);
    chunks[4][31] = 'z';

    // A second Alloc while a buffer is held fails and keeps the old one.
    EXPECT_THROW(block.Alloc(7), std::bad_alloc);
    EXPECT_EQ(block.GetBuffer(), chunks);
    EXPECT_EQ(block.GetCount(), 5u);
    EXPECT_EQ(block.GetBuffer()[4][31], 'z');

    block.Free();
    EXPECT_EQ(block.GetBuffer(), nullptr);
    EXPECT_EQ(block.GetCount(), 0u);
    block.Free();
    EXPECT_NE(block.Alloc(3), nullptr) << "a freed block can allocate again";
    EXPECT_EQ(block.GetCount(), 3u);
}

TEST(MemoryBlock, ClassElementsLiveWithTheBufferAndFailuresBecomeBadAlloc) {
    Life::Reset();
    {
        CMemoryBlock<Life> block;
        block.Alloc(4)[3].text = "x";
        EXPECT_EQ(Life::constructed, 4);
        block.Free();
        EXPECT_EQ(Life::destroyed, 4);
        block.Alloc(2);
    }
    EXPECT_EQ(Life::destroyed, 6) << "the destructor destroys the held elements";

    // Any exception of the allocation, an element constructor's included, comes
    // out as std::bad_alloc and leaves the block empty.
    Life::Reset();
    Life::failConstruction = true;
    CMemoryBlock<Life> failing;
    EXPECT_THROW(failing.Alloc(3), std::bad_alloc);
    EXPECT_EQ(failing.GetBuffer(), nullptr);
    EXPECT_EQ(failing.GetCount(), 0u);
    Life::Reset();

    // Blocks hand their buffer over when moved (the pools keep them in arrays).
    CMemoryBlock<int> a;
    int* p = a.Alloc(10);
    CMemoryBlock<int> b(std::move(a));
    EXPECT_EQ(a.GetBuffer(), nullptr);
    EXPECT_EQ(a.GetCount(), 0u);
    EXPECT_EQ(b.GetBuffer(), p);
    EXPECT_EQ(b.GetCount(), 10u);
}

// ---------------------------------------------------------------- typed queues

std::vector<std::string> Drain(CQueueCtrl<std::string>& q) {
    std::vector<std::string> out;
    while (q.GetCount() != 0) out.push_back(*q.PopFront());
    return out;
}

TEST(QueueCtrl, RingOrderAcrossTheWrap) {
    CQueueCtrl<std::string> q;
    ASSERT_TRUE(q.Create(4));
    EXPECT_FALSE(q.Create(4)) << "a queue holding a buffer refuses Create";
    for (const char* s : {"a", "b", "c", "d"}) EXPECT_TRUE(q.Push(s));
    EXPECT_FALSE(q.Push("x")) << "full without a growth step";
    EXPECT_EQ(q.GetCount(), 4u);
    EXPECT_EQ(q.GetWritePosition(), 4u);

    EXPECT_EQ(*q.PopFront(), "a");
    EXPECT_TRUE(q.Push("e"));
    EXPECT_EQ(q.GetWritePosition(), 1u) << "write position 4 wraps to slot 0";
    EXPECT_EQ(q.GetBuffer()[0], "e");
    EXPECT_EQ(*q.PeekNewest(), "e");
    EXPECT_EQ(*q.PopBack(), "e");
    EXPECT_EQ(q.GetWritePosition(), 0u);
    EXPECT_EQ(*q.PopBack(), "d") << "write position 0 takes from the last slot";
    EXPECT_EQ(q.GetWritePosition(), 3u);
    EXPECT_EQ(*q.PeekNewest(), "c");
    EXPECT_EQ(q.GetCount(), 2u);

    // Read position at Capacity wraps on its next use.
    EXPECT_TRUE(q.Push("f"));
    EXPECT_TRUE(q.Push("g"));
    EXPECT_EQ(Drain(q), (std::vector<std::string>{"b", "c", "f", "g"}));
}

TEST(QueueCtrl, EmptyQueuesThrowOneAndRefusalsChangeNothing) {
    CQueueCtrl<std::string> q;
    EXPECT_FALSE(q.Free()) << "no buffer";
    EXPECT_FALSE(q.Push("x")) << "no buffer and no growth step";
    EXPECT_EQ(q.GetCapacity(), 0u);
    for (int round = 0; round < 2; ++round) {
        for (auto op : {&CQueueCtrl<std::string>::PopFront, &CQueueCtrl<std::string>::PopBack,
                        &CQueueCtrl<std::string>::PeekNewest}) {
            try {
                (q.*op)();
                ADD_FAILURE() << "an empty queue must throw";
            } catch (int v) {
                EXPECT_EQ(v, 1);
            }
        }
        if (round == 0) {
            ASSERT_TRUE(q.Create(2));  // second round: a buffer, nothing queued
        }
    }
    EXPECT_TRUE(q.Free());
    EXPECT_EQ(q.GetCapacity(), 0u);
    EXPECT_EQ(q.GetBuffer(), nullptr);
    EXPECT_FALSE(q.Free());

    // A growth step lets a queue without a buffer start by itself.
    q.SetGrowthStep(3);
    EXPECT_TRUE(q.Push("first"));
    EXPECT_EQ(q.GetCapacity(), 4u);
}

TEST(QueueCtrl, FullQueueGrowsByTheStepKeepingQueueOrder) {
    CQueueCtrl<std::string> q;
    ASSERT_TRUE(q.Create(4));
    for (const char* s : {"a", "b", "c", "d"}) q.Push(s);
    q.PopFront();
    q.Push("e");  // b c d | e wrapped to slot 0
    q.SetGrowthStep(4);
    EXPECT_TRUE(q.Push("f"));
    EXPECT_EQ(q.GetCapacity(), 9u);
    EXPECT_EQ(q.GetReadPosition(), 0u);
    EXPECT_EQ(q.GetWritePosition(), 5u);
    const std::string* buf = q.GetBuffer();
    EXPECT_EQ((std::vector<std::string>(buf, buf + 5)), (std::vector<std::string>{"b", "c", "d", "e", "f"}));
    EXPECT_EQ(Drain(q), (std::vector<std::string>{"b", "c", "d", "e", "f"}));
}

TEST(QueueCtrl, ResizeNeverLosesElementsAndOwnsEachOnce) {
    Life::Reset();
    {
        CQueueCtrl<Life> q;
        ASSERT_TRUE(q.Resize(6)) << "Resize without a buffer creates";
        EXPECT_EQ(Life::constructed, 6);
        Life v;
        for (const char* s : {"1", "2", "3", "4", "5", "6"}) {
            v.text = s;
            q.Push(v);
        }
        q.PopFront();
        v.text = "7";
        q.Push(v);  // 2..6 then 7 wrapped to slot 0

        ASSERT_TRUE(q.Resize(2));
        EXPECT_EQ(q.GetCapacity(), 6u) << "capacity never drops below Count";
        ASSERT_TRUE(q.Resize(8));
        EXPECT_EQ(q.GetCapacity(), 8u);
        std::vector<std::string> got;
        while (!q.IsEmpty()) got.push_back(q.PopFront()->text);
        EXPECT_EQ(got, (std::vector<std::string>{"2", "3", "4", "5", "6", "7"}));

        // A failed allocation leaves the queue as it was.
        q.Push(v);
        Life::failConstruction = true;
        EXPECT_FALSE(q.Resize(20));
        q.SetGrowthStep(5);
        for (int i = 0; i < 7; ++i) q.Push(v);
        EXPECT_FALSE(q.Push(v)) << "growth fails, Push refuses";
        Life::failConstruction = false;
        EXPECT_EQ(q.GetCapacity(), 8u);
        EXPECT_EQ(q.GetCount(), 8u);
        EXPECT_EQ(q.PeekNewest()->text, "7");

        EXPECT_TRUE(q.Free());
        EXPECT_EQ(Life::constructed, Life::destroyed + 1) << "after Free only the local value lives";
    }
    EXPECT_EQ(Life::constructed, Life::destroyed);
}

TEST(QueueCtrl, MoveOnlyElementsMoveWhenTheQueueGrows) {
    CQueueCtrl<CArrayAuto<int>> q;
    q.SetGrowthStep(1);
    std::vector<int*> elements;
    for (int i = 0; i < 5; ++i) {
        CArrayAuto<int> a;
        *a.AddNew() = i;
        elements.push_back(a.GetAt(0));
        ASSERT_TRUE(q.Push(std::move(a)));
    }
    EXPECT_GE(q.GetCapacity(), 5u);
    for (int i = 0; i < 5; ++i) {
        CArrayAuto<int>* a = q.PopFront();
        ASSERT_EQ(a->GetCount(), 1u);
        EXPECT_EQ(a->GetAt(0), elements[i]) << "the array's elements were handed over, not copied";
        EXPECT_EQ(*a->GetAt(0), i);
    }
}

// ---------------------------------------------------------------- byte rings

std::vector<unsigned char> Bytes(std::initializer_list<int> values) {
    std::vector<unsigned char> out;
    for (int v : values) out.push_back(static_cast<unsigned char>(v));
    return out;
}

template <class Ring>
void CheckWrapAndShortReads(Ring& ring) {
    ASSERT_TRUE(ring.Create(8));
    std::vector<unsigned char> out(8);
    ASSERT_TRUE(ring.Write(Bytes({0, 0, 0, 0, 0, 0}).data(), 6));
    ASSERT_TRUE(ring.Read(out.data(), 6));
    ASSERT_EQ(ring.GetReadPosition(), 6u);
    ASSERT_EQ(ring.GetWritePosition(), 6u);

    ASSERT_TRUE(ring.Write(Bytes({1, 2, 3, 4, 5, 6}).data(), 6));
    EXPECT_EQ(ring.GetWritePosition(), 4u);
    const unsigned char* b = ring.GetBuffer();
    EXPECT_EQ(std::vector<unsigned char>(b, b + 8), Bytes({3, 4, 5, 6, 0, 0, 1, 2}));

    EXPECT_FALSE(ring.Write(Bytes({7, 8, 9}).data(), 3)) << "full without a growth step";
    EXPECT_FALSE(ring.Read(out.data(), 7)) << "only 6 queued";
    EXPECT_EQ(ring.GetCount(), 6u);
    EXPECT_EQ(ring.GetReadPosition(), 6u);

    out.assign(8, 0xEE);
    ASSERT_TRUE(ring.Read(out.data(), 6));
    EXPECT_EQ(out, Bytes({1, 2, 3, 4, 5, 6, 0xEE, 0xEE}));
    EXPECT_EQ(ring.GetReadPosition(), 4u);
    EXPECT_TRUE(ring.Write(nullptr, 0));
    EXPECT_TRUE(ring.Read(nullptr, 0));
}

TEST(ByteRing, WritesAndReadsWrapAtTheEnd) {
    CQueueCtrl<unsigned char> heap;
    CheckWrapAndShortReads(heap);
    CQueueCtrl_UseVirtualAlloc<unsigned char> pages;
    CheckWrapAndShortReads(pages);
}

// Runs a random mix of writes, reads and resizes against a std::deque model.
template <class Ring>
void CheckAgainstModel(Ring& ring, bool resizeKeepsOldestOnly, uint32_t seed) {
    std::mt19937 rng(seed);
    std::deque<unsigned char> model;
    ASSERT_TRUE(ring.Create(16));
    std::vector<unsigned char> data(64), out(64);
    unsigned char next = 0;
    for (int step = 0; step < 4000; ++step) {
        const int op = int(rng() % 10);
        const uint32_t len = rng() % 40;
        if (op < 5) {
            ring.SetGrowthStep(step % 500 < 250 ? 0 : 7);
            for (uint32_t i = 0; i < len; ++i) data[i] = next++;
            const bool fits = model.size() + len <= ring.GetCapacity();
            const bool ok = ring.Write(data.data(), len);
            ASSERT_EQ(ok, fits || ring.GetGrowthStep() != 0) << "step " << step;
            if (!fits && ok) {
                ASSERT_EQ(ring.GetCapacity(), model.size() + len + 7) << "step " << step;
            }
            if (ok) model.insert(model.end(), data.begin(), data.begin() + len);
            if (!ok) next = static_cast<unsigned char>(next - len);
        } else if (op < 9) {
            const bool ok = ring.Read(out.data(), len);
            ASSERT_EQ(ok, len <= model.size()) << "step " << step;
            if (ok) {
                ASSERT_TRUE(std::equal(out.begin(), out.begin() + len, model.begin())) << "step " << step;
                model.erase(model.begin(), model.begin() + len);
            }
        } else {
            const uint32_t n = 1 + rng() % 60;
            ASSERT_TRUE(ring.Resize(n));
            if (resizeKeepsOldestOnly) {
                if (model.size() > n) model.resize(n);
                ASSERT_EQ(ring.GetCapacity(), n);
            } else {
                ASSERT_EQ(ring.GetCapacity(), std::max<size_t>(n, model.size()));
            }
            ASSERT_EQ(ring.GetReadPosition(), 0u);
            ASSERT_EQ(ring.GetWritePosition(), model.size());
        }
        ASSERT_EQ(ring.GetCount(), model.size()) << "step " << step;
    }
}

TEST(ByteRing, MatchesAQueueModelThroughGrowthAndResizes) {
    CQueueCtrl<unsigned char> heap;
    CheckAgainstModel(heap, false, 1);
    CQueueCtrl_UseVirtualAlloc<unsigned char> pages;
    CheckAgainstModel(pages, true, 2);
}

TEST(PageRing, PageAlignedBuffersAndShrinkingResize) {
    CQueueCtrl_UseVirtualAlloc<unsigned char> ring;
    EXPECT_FALSE(ring.Free());
    EXPECT_FALSE(ring.Create(0)) << "the system gives no pages for zero bytes";
    EXPECT_EQ(ring.GetBuffer(), nullptr);

    ASSERT_TRUE(ring.Create(6));
    EXPECT_FALSE(ring.Create(6));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(ring.GetBuffer()) % platform::PageSize(), 0u);
    ASSERT_TRUE(ring.Write(Bytes({9, 9, 9}).data(), 3));
    unsigned char out[8];
    ASSERT_TRUE(ring.Read(out, 3));
    ASSERT_TRUE(ring.Write(Bytes({1, 2, 3, 4, 5}).data(), 5));  // wraps

    ASSERT_TRUE(ring.Resize(2));
    EXPECT_EQ(ring.GetCount(), 2u) << "the page ring keeps only the oldest bytes";
    EXPECT_EQ(ring.GetCapacity(), 2u);
    EXPECT_EQ(ring.GetWritePosition(), 2u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(ring.GetBuffer()) % platform::PageSize(), 0u);
    ASSERT_TRUE(ring.Read(out, 2));
    EXPECT_EQ(std::vector<unsigned char>(out, out + 2), Bytes({1, 2}));

    // Growth through Write goes through the page ring's own Resize.
    ring.SetGrowthStep(100000);
    ASSERT_TRUE(ring.Write(Bytes({7}).data(), 1));
    ASSERT_TRUE(ring.Write(Bytes({8, 9}).data(), 2));
    EXPECT_EQ(ring.GetCapacity(), 100003u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(ring.GetBuffer()) % platform::PageSize(), 0u);
    ASSERT_TRUE(ring.Read(out, 3));
    EXPECT_EQ(std::vector<unsigned char>(out, out + 3), Bytes({7, 8, 9}));

    EXPECT_TRUE(ring.Free());
    EXPECT_EQ(ring.GetBuffer(), nullptr);
    EXPECT_EQ(ring.GetCapacity(), 0u);
    EXPECT_FALSE(ring.Free());
    ASSERT_TRUE(ring.Resize(4096)) << "Resize without pages creates";
    EXPECT_EQ(ring.GetCapacity(), 4096u);
}

TEST(PageMemory, CommitsZeroedAlignedPages) {
    EXPECT_EQ(platform::CommitPages(0), nullptr);
    const size_t bytes = platform::PageSize() * 3 + 5;
    auto* p = static_cast<unsigned char*>(platform::CommitPages(bytes));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % platform::PageSize(), 0u);
    for (size_t i = 0; i < bytes; i += 997) EXPECT_EQ(p[i], 0u);
    p[bytes - 1] = 1;
    platform::ReleasePages(p, bytes);
    platform::ReleasePages(nullptr, 0);
}

}  // namespace
