#include "foundation/containers/ArrayAuto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

// The unsigned 32-bit value an operation throws as a bad position or count,
// or nothing when it throws no such value.
std::optional<uint32_t> ThrownU32(const std::function<void()>& f) {
    try {
        f();
    } catch (uint32_t v) {
        return v;
    }
    return std::nullopt;
}

std::vector<int> Values(const CArrayAuto<int>& a) {
    std::vector<int> out;
    for (const int* e : a) out.push_back(*e);
    return out;
}

CArrayAuto<int>* Filled(CArrayAuto<int>& a, std::initializer_list<int> values) {
    for (int v : values) *a.AddNew() = v;
    return &a;
}

// Counts the lives of class-type elements.
struct Tracked {
    static inline int constructed = 0;
    static inline int destroyed = 0;
    static inline int throwAt = -1;  // construction number that throws, -1 for none
    std::string text;
    Tracked() {
        if (constructed == throwAt) throw std::runtime_error("refused");
        ++constructed;
    }
    ~Tracked() { ++destroyed; }
    static void Reset() {
        constructed = 0;
        destroyed = 0;
        throwAt = -1;
    }
};

TEST(ArrayAuto, GrowthStepsChunksAndIndexSize) {
    struct Row {
        const char* name;
        uint32_t added;  // elements added one at a time to a new array
        uint32_t reserved, growthStep, indexSize;
    };
    const Row rows[] = {
        {"first element makes a chunk of 10 and an index of 10 slots", 1, 10, 10, 10},
        {"ten chunks of 10: the index doubles 10, 20, 40, 80, 160", 100, 100, 10, 160},
        {"step becomes 50 once 110 exist", 110, 110, 50, 160},
        {"111th element makes a chunk of 50", 111, 160, 50, 160},
        {"step becomes 250 once 510 exist", 510, 510, 250, 640},
        {"chunk of 250 doubles the index", 511, 760, 250, 1280},
        {"760 made still fit 1280 slots", 760, 760, 250, 1280},
        {"1010 made still fit 1280 slots", 761, 1010, 250, 1280},
    };
    for (const Row& r : rows) {
        CArrayAuto<int> a;
        EXPECT_EQ(a.GetReserved(), 0u) << r.name;
        EXPECT_EQ(a.GetIndexSize(), 0u) << r.name;
        EXPECT_EQ(a.GetIndex(), nullptr) << r.name;
        for (uint32_t i = 0; i < r.added; ++i) a.AddNew();
        EXPECT_EQ(a.GetCount(), r.added) << r.name;
        EXPECT_EQ(a.GetReserved(), r.reserved) << r.name;
        EXPECT_EQ(a.GetGrowthStep(), r.growthStep) << r.name;
        EXPECT_EQ(a.GetIndexSize(), r.indexSize) << r.name;
    }

    // Grow makes one chunk large enough for the request.
    CArrayAuto<int> big;
    big.Grow(5000);
    EXPECT_EQ(big.GetCount(), 0u);
    EXPECT_EQ(big.GetReserved(), 5000u);
    EXPECT_EQ(big.GetIndexSize(), 5000u) << "a first index fits its chunk exactly";
    EXPECT_EQ(big.GetGrowthStep(), 50u);
    big.Grow(4000);
    EXPECT_EQ(big.GetReserved(), 5000u);
}

// Filling an array one element at a time must not copy the index once per
// chunk: it grows geometrically, so a large array sees few index sizes.
TEST(ArrayAuto, IndexGrowsGeometrically) {
    for (uint32_t step : {1u, 10u, 1000u}) {
        CArrayAuto<int> a;
        a.SetGrowthStep(step);
        std::set<uint32_t> sizes;
        for (int i = 0; i < 200000; ++i) {
            *a.AddNew() = i;
            sizes.insert(a.GetIndexSize());
            ASSERT_GE(a.GetIndexSize(), a.GetReserved());
        }
        EXPECT_LE(sizes.size(), 20u) << "step " << step;
        EXPECT_LE(a.GetIndexSize(), 2 * a.GetReserved()) << "step " << step;
        for (int i = 0; i < 200000; i += 997) ASSERT_EQ(*a.GetAt(uint32_t(i)), i);
    }
}

TEST(ArrayAuto, ElementsNeverMoveAndRemovedOnesAreReused) {
    CArrayAuto<int> a;
    std::vector<int*> made;
    for (int i = 0; i < 3000; ++i) {
        int* e = a.AddNew();
        *e = i;
        made.push_back(e);
    }
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(a.GetAt(i), made[i]);

    // Reorder and remove: the same objects, with their contents, only change slots.
    for (int i = 0; i < 1000; ++i) a.RemoveAt(i);
    for (int i = 0; i < 500; ++i) a.RemoveAtSwap(i * 2);
    a.Swap(0, a.GetCount() - 1);
    a.InsertAt(7);
    std::set<int*> inUse;
    for (int* e : a) inUse.insert(e);
    EXPECT_EQ(inUse.size(), a.GetCount());
    for (int* e : a) EXPECT_EQ(e, made[*e]) << "element " << *e << " moved or changed";

    // Refilling reuses the removed objects: no new chunk is made.
    const uint32_t reserved = a.GetReserved();
    a.SetCount(reserved);
    const std::set<int*> all(a.begin(), a.end());
    EXPECT_EQ(a.GetReserved(), reserved);
    EXPECT_EQ(all.size(), reserved);
    EXPECT_TRUE(std::includes(all.begin(), all.end(), inUse.begin(), inUse.end()));
    std::set<int*> removed(made.begin(), made.end());
    for (int* e : inUse) removed.erase(e);
    EXPECT_TRUE(std::includes(all.begin(), all.end(), removed.begin(), removed.end()));
}

TEST(ArrayAuto, OrderOfRemovalInsertionAndSwap) {
    {
        CArrayAuto<int> a;
        Filled(a, {1, 2, 3});
        int* first = a.GetAt(0);
        EXPECT_EQ(a.RemoveAt(0), 2u);
        EXPECT_EQ(Values(a), (std::vector<int>{2, 3}));
        int* again = a.AddNew();
        EXPECT_EQ(again, first);
        EXPECT_EQ(*again, 1) << "a removed element keeps its content";
    }
    {
        CArrayAuto<int> a;
        Filled(a, {1, 2, 3});
        EXPECT_EQ(a.RemoveAtSwap(0), 2u);
        EXPECT_EQ(Values(a), (std::vector<int>{3, 2}));
        EXPECT_EQ(*a.AddNew(), 1);
    }
    {
        CArrayAuto<int> a;
        Filled(a, {1, 2, 3});
        *a.InsertAt(1) = 9;
        *a.InsertAt(0) = 8;
        *a.InsertAt(a.GetCount()) = 7;
        EXPECT_EQ(Values(a), (std::vector<int>{8, 1, 9, 2, 3, 7}));
        a.RemoveAt(5);
        a.RemoveAt(2);
        EXPECT_EQ(Values(a), (std::vector<int>{8, 1, 2, 3}));
        a.Swap(0, 3);
        a.Swap(2, 2);
        EXPECT_EQ(Values(a), (std::vector<int>{3, 1, 2, 8}));
        EXPECT_EQ(*a.GetLast(), 8);
    }
    {
        CArrayAuto<int> a;
        Filled(a, {1, 2, 3, 4, 5, 6, 7, 8});
        EXPECT_EQ(a.SetCount(5), 8u) << "SetCount never shrinks";
        EXPECT_EQ(a.SetCount(12), 12u);
        EXPECT_EQ(a.GetReserved(), 20u);
        a.RemoveAll();
        EXPECT_EQ(a.GetCount(), 0u);
        EXPECT_EQ(a.GetReserved(), 20u);
        EXPECT_EQ(*a.AddNew(), 1) << "RemoveAll keeps elements for reuse, in order";
    }
}

TEST(ArrayAuto, BadPositionsThrowThePositionAndChangeNothing) {
    CArrayAuto<int> a;
    Filled(a, {1, 2, 3});
    const CArrayAuto<int>& c = a;
    struct Row {
        const char* name;
        std::function<void()> op;
        uint32_t thrown;
    };
    const Row rows[] = {
        {"GetAt(Count)", [&] { a.GetAt(3); }, 3},
        {"GetAt(max)", [&] { a.GetAt(4294967295u); }, 4294967295u},
        {"const GetAt(Count)", [&] { c.GetAt(3); }, 3},
        {"RemoveAt(Count)", [&] { a.RemoveAt(3); }, 3},
        {"RemoveAtSwap(Count)", [&] { a.RemoveAtSwap(3); }, 3},
        {"Swap: first position checked first", [&] { a.Swap(5, 9); }, 5},
        {"Swap: then the second", [&] { a.Swap(1, 9); }, 9},
        {"InsertAt(Count + 1)", [&] { a.InsertAt(4); }, 4},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ThrownU32(r.op), std::optional<uint32_t>(r.thrown)) << r.name;
        EXPECT_EQ(Values(a), (std::vector<int>{1, 2, 3})) << r.name;
        EXPECT_EQ(a.GetReserved(), 10u) << r.name;
    }

    CArrayAuto<int> empty;
    EXPECT_EQ(ThrownU32([&] { empty.GetAt(0); }), std::optional<uint32_t>(0u));
    try {
        empty.GetLast();
        ADD_FAILURE() << "GetLast on an empty array must throw";
    } catch (int v) {
        EXPECT_EQ(v, 0);
    }
    EXPECT_THROW(static_cast<const CArrayAuto<int>&>(empty).GetLast(), int);
}

// Records what the hooks and callbacks see.
struct HookLog {
    std::vector<std::pair<std::string, std::vector<int>>> calls;
    bool refuse = false;
    const CArrayAuto<int>* array = nullptr;
};

bool AddCallback(int** slots, uint32_t n, uint64_t user, CArrayAuto<int>* array) {
    auto* log = reinterpret_cast<HookLog*>(user);
    log->array = array;
    std::vector<int> seen;
    for (uint32_t i = 0; i < n; ++i) seen.push_back(*slots[i]);
    log->calls.emplace_back("add", seen);
    return !log->refuse;
}

void RemoveCallback(int** slots, uint32_t n, uint64_t user, CArrayAuto<int>* array) {
    auto* log = reinterpret_cast<HookLog*>(user);
    log->array = array;
    std::vector<int> seen;
    for (uint32_t i = 0; i < n; ++i) seen.push_back(*slots[i]);
    log->calls.emplace_back("remove", seen);
}

TEST(ArrayAuto, CallbacksSeeTheSlotsAndMayRefuseAdditions) {
    HookLog log;  // outlives the array, whose destructor still calls back
    // Plain elements are not initialised by the array; give the reserve known
    // values before the callbacks look at them.
    CArrayAuto<int> a;
    a.SetCount(10);
    for (uint32_t i = 0; i < 10; ++i) *a.GetAt(i) = int(i) + 100;
    a.RemoveAll();

    a.SetAddCallback(AddCallback);
    a.SetRemoveCallback(RemoveCallback);
    a.SetUserValue(reinterpret_cast<uintptr_t>(&log));

    a.SetCount(3);
    a.RemoveAt(1);
    a.RemoveAtSwap(0);
    a.AddNew();
    a.RemoveAll();
    const std::vector<std::pair<std::string, std::vector<int>>> expected = {
        {"add", {100, 101, 102}},
        {"remove", {101}},
        {"remove", {100}},  // [100, 102] -> [102], the removed one seen at the end
        {"add", {100}},     // the last removed is first in line
        {"remove", {102, 100}},
    };
    EXPECT_EQ(log.calls, expected);
    EXPECT_EQ(log.array, &a);

    // A refusing hook: AddNew throws the new count; Count stays; the same element
    // is offered again.
    log.calls.clear();
    a.SetCount(2);
    log.refuse = true;
    int* offered = a.GetIndex()[2];
    EXPECT_EQ(ThrownU32([&] { a.AddNew(); }), std::optional<uint32_t>(3u));
    EXPECT_EQ(ThrownU32([&] { a.InsertAt(0); }), std::optional<uint32_t>(3u));
    EXPECT_EQ(ThrownU32([&] { a.SetCount(40); }), std::optional<uint32_t>(40u));
    EXPECT_EQ(a.GetCount(), 2u);
    EXPECT_EQ(a.GetReserved(), 40u) << "chunks made before a refusal stay";
    log.refuse = false;
    EXPECT_EQ(a.AddNew(), offered);
}

struct DerivedArray : CArrayAuto<int> {
    std::vector<uint32_t>* overrideCalls;
    explicit DerivedArray(std::vector<uint32_t>* calls) : overrideCalls(calls) {}
    void OnRemove(int** slots, uint32_t n) override {
        overrideCalls->push_back(n);
        CArrayAuto<int>::OnRemove(slots, n);
    }
};

TEST(ArrayAuto, FreeAllRunsTheOverrideButDestructionOnlyTheBaseHook) {
    HookLog log;
    std::vector<uint32_t> overrideCalls;
    {
        DerivedArray a(&overrideCalls);
        a.SetRemoveCallback(RemoveCallback);
        a.SetUserValue(reinterpret_cast<uintptr_t>(&log));
        for (int i = 0; i < 120; ++i) *a.AddNew() = i;
        a.FreeAll();
        EXPECT_EQ(overrideCalls, std::vector<uint32_t>{120});
        ASSERT_EQ(log.calls.size(), 1u);
        EXPECT_EQ(log.calls[0].second.size(), 120u);
        EXPECT_EQ(a.GetCount(), 0u);
        EXPECT_EQ(a.GetReserved(), 0u);
        EXPECT_EQ(a.GetIndexSize(), 0u);
        EXPECT_EQ(a.GetIndex(), nullptr);

        // Settings survive FreeAll: the step reached before is kept.
        EXPECT_EQ(a.GetGrowthStep(), 50u);
        *a.AddNew() = 7;
        EXPECT_EQ(a.GetReserved(), 50u);
        overrideCalls.clear();
        log.calls.clear();
    }
    EXPECT_TRUE(overrideCalls.empty());
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0], (std::pair<std::string, std::vector<int>>{"remove", {7}}));
}

TEST(ArrayAuto, ClassElementsAreMadeOncePerChunkAndDestroyedWithIt) {
    Tracked::Reset();
    {
        CArrayAuto<Tracked> a;
        a.AddNew()->text = "kept";
        EXPECT_EQ(Tracked::constructed, 10);
        for (int i = 0; i < 9; ++i) a.AddNew();
        a.RemoveAt(0);
        EXPECT_EQ(a.AddNew()->text, "kept");
        a.RemoveAll();
        a.SetCount(10);
        EXPECT_EQ(Tracked::constructed, 10) << "reuse constructs nothing";
        EXPECT_EQ(Tracked::destroyed, 0) << "removal destroys nothing";
        a.FreeAll();
        EXPECT_EQ(Tracked::destroyed, 10);
        a.SetCount(25);
        EXPECT_EQ(Tracked::constructed, 35);
    }
    EXPECT_EQ(Tracked::destroyed, 35);

    // An element constructor that throws while a chunk is made: the exception
    // passes on, the partly made chunk goes, the array is unchanged.
    Tracked::Reset();
    {
        CArrayAuto<Tracked> a;
        a.SetCount(4);
        Tracked* first = a.GetAt(0);
        Tracked::throwAt = 13;
        EXPECT_THROW(a.SetCount(11), std::runtime_error);
        EXPECT_EQ(Tracked::destroyed, 3);
        EXPECT_EQ(a.GetCount(), 4u);
        EXPECT_EQ(a.GetReserved(), 10u);
        EXPECT_EQ(a.GetAt(0), first);
        Tracked::throwAt = -1;
        a.SetCount(11);
        EXPECT_EQ(a.GetReserved(), 20u);
    }
    EXPECT_EQ(Tracked::constructed, Tracked::destroyed);
}

TEST(ArrayAuto, SizesThatWouldOverflowFailWithoutChangingTheArray) {
    CArrayAuto<int> a;
    a.AddNew();
    a.SetGrowthStep(4294967295u);
    EXPECT_THROW(a.Grow(11), std::bad_alloc);
    EXPECT_EQ(a.GetReserved(), 10u);
    EXPECT_EQ(a.GetCount(), 1u);
    EXPECT_EQ(a.GetIndexSize(), 10u);
}

TEST(ArrayAuto, ArrayElementTypesAndMoves) {
    CArrayAuto<double[4]> quads;
    for (int i = 0; i < 30; ++i) (*quads.AddNew())[3] = i * 0.5;
    EXPECT_EQ((*quads.GetAt(29))[3], 14.5);

    CArrayAuto<int> a;
    a.SetGrowthStep(3);
    Filled(a, {1, 2, 3, 4});
    int* second = a.GetAt(1);
    CArrayAuto<int> b(std::move(a));
    EXPECT_EQ(a.GetCount(), 0u);
    EXPECT_EQ(a.GetReserved(), 0u);
    EXPECT_EQ(Values(b), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(b.GetAt(1), second);
    EXPECT_EQ(b.GetGrowthStep(), 3u);

    CArrayAuto<int> c;
    Filled(c, {9});
    c = std::move(b);
    EXPECT_EQ(Values(c), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(b.GetCount(), 0u);
    *b.AddNew() = 5;  // a moved-from array is usable again
    EXPECT_EQ(Values(b), std::vector<int>{5});
}

}  // namespace
