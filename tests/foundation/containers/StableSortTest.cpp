#include "foundation/containers/StableSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

struct Rec {
    uint32_t key;
    uint32_t origin;  // position before sorting
};

struct KeyLess {
    uint64_t* calls;
    bool operator()(const Rec* x, const Rec* y) const {
        ++*calls;
        return x->key < y->key;
    }
};

enum class Shape { Random, FewKeys, AllEqual, Sorted, Reversed, SawTooth };

const char* ShapeName(Shape s) {
    switch (s) {
    case Shape::Random: return "random";
    case Shape::FewKeys: return "few keys";
    case Shape::AllEqual: return "all equal";
    case Shape::Sorted: return "sorted";
    case Shape::Reversed: return "reversed";
    case Shape::SawTooth: return "saw tooth";
    }
    return "?";
}

std::vector<Rec> MakeRecords(std::size_t n, Shape shape, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Rec> recs(n);
    for (std::size_t i = 0; i < n; ++i) {
        uint32_t key = 0;
        switch (shape) {
        case Shape::Random: key = static_cast<uint32_t>(rng()); break;
        case Shape::FewKeys: key = static_cast<uint32_t>(rng() % 7); break;
        case Shape::AllEqual: key = 5; break;
        case Shape::Sorted: key = static_cast<uint32_t>(i / 3); break;
        case Shape::Reversed: key = static_cast<uint32_t>((n - i) / 3); break;
        case Shape::SawTooth: key = static_cast<uint32_t>(i % 1000); break;
        }
        recs[i] = {key, static_cast<uint32_t>(i)};
    }
    return recs;
}

// Sorts the same records with StableSortPointers and std::stable_sort and compares
// the resulting permutations of original positions, which checks order and
// stability at once.
void ExpectSameAsStdStableSort(std::size_t n, Shape shape, uint32_t seed) {
    std::vector<Rec> recs = MakeRecords(n, shape, seed);
    std::vector<Rec*> ours(n), reference(n);
    for (std::size_t i = 0; i < n; ++i) ours[i] = reference[i] = &recs[i];

    uint64_t calls = 0;
    StableSortPointers(ours.data(), ours.size(), KeyLess{&calls});
    std::stable_sort(reference.begin(), reference.end(),
                     [](const Rec* x, const Rec* y) { return x->key < y->key; });

    for (std::size_t i = 0; i < n; ++i) {
        if (ours[i] != reference[i]) {
            ADD_FAILURE() << "n=" << n << " shape=" << ShapeName(shape) << " seed=" << seed
                          << ": position " << i << " holds origin " << ours[i]->origin
                          << ", expected " << reference[i]->origin;
            return;
        }
    }
}

TEST(StableSortTest, SmallSizesMatchStdStableSortForEveryShape) {
    for (std::size_t n = 0; n <= 40; ++n)
        for (Shape shape : {Shape::Random, Shape::FewKeys, Shape::AllEqual, Shape::Sorted, Shape::Reversed})
            for (uint32_t seed = 1; seed <= 20; ++seed) ExpectSameAsStdStableSort(n, shape, seed);
}

// Every arrangement of up to 8 items over 3 distinct keys (with their order of
// origin), so each branch of the fixed comparison sequences is taken, ties included.
TEST(StableSortTest, FixedSequencesAreStableForEveryInputUpToEight) {
    for (std::size_t n = 2; n <= 8; ++n) {
        std::size_t combos = 1;
        for (std::size_t i = 0; i < n; ++i) combos *= 3;
        for (std::size_t code = 0; code < combos; ++code) {
            std::vector<Rec> recs(n);
            std::size_t c = code;
            for (std::size_t i = 0; i < n; ++i, c /= 3)
                recs[i] = {static_cast<uint32_t>(c % 3), static_cast<uint32_t>(i)};
            std::vector<Rec*> ours(n);
            for (std::size_t i = 0; i < n; ++i) ours[i] = &recs[i];
            std::vector<Rec*> reference = ours;
            uint64_t calls = 0;
            StableSortPointers(ours.data(), n, KeyLess{&calls});
            std::stable_sort(reference.begin(), reference.end(),
                             [](const Rec* x, const Rec* y) { return x->key < y->key; });
            ASSERT_EQ(ours, reference) << "n=" << n << " code=" << code;
        }
    }
    // Distinct keys in every order: the permutations of 8 cover the trees fully.
    std::vector<uint32_t> keys(8);
    std::iota(keys.begin(), keys.end(), 0u);
    do {
        std::vector<Rec> recs(8);
        std::vector<Rec*> ours(8);
        for (std::size_t i = 0; i < 8; ++i) {
            recs[i] = {keys[i], static_cast<uint32_t>(i)};
            ours[i] = &recs[i];
        }
        uint64_t calls = 0;
        StableSortPointers(ours.data(), 8, KeyLess{&calls});
        for (uint32_t i = 0; i < 8; ++i) ASSERT_EQ(ours[i]->key, i);
    } while (std::next_permutation(keys.begin(), keys.end()));
}

TEST(StableSortTest, FixedSequencesStayWithinTheirComparisonBudget) {
    // Optimal or near-optimal worst cases: a decision tree, not a loop.
    const uint64_t budget[] = {0, 0, 1, 3, 5, 9, 11, 14, 17};
    for (std::size_t n = 0; n <= 8; ++n) {
        std::vector<uint32_t> keys(n);
        std::iota(keys.begin(), keys.end(), 0u);
        uint64_t worst = 0;
        do {
            std::vector<Rec> recs(n);
            std::vector<Rec*> ours(n);
            for (std::size_t i = 0; i < n; ++i) {
                recs[i] = {keys[i], static_cast<uint32_t>(i)};
                ours[i] = &recs[i];
            }
            uint64_t calls = 0;
            StableSortPointers(ours.data(), n, KeyLess{&calls});
            worst = std::max(worst, calls);
        } while (std::next_permutation(keys.begin(), keys.end()));
        EXPECT_LE(worst, budget[n]) << "n=" << n;
    }
}

// Sizes around the scratch (16384), the merge-sort limit (262144) and the chunked
// sort with its block merges (300000: 18 chunks, the last of 21472 items).
TEST(StableSortTest, LargeSizesMatchStdStableSort) {
    const std::size_t sizes[] = {16383, 16384, 16385, 32769, 262144, 262145, 300000};
    for (std::size_t n : sizes)
        for (Shape shape : {Shape::Random, Shape::FewKeys, Shape::SawTooth, Shape::Reversed})
            ExpectSameAsStdStableSort(n, shape, static_cast<uint32_t>(n));
}

TEST(StableSortTest, ChunkedSortOfLongerArraysMatchesStdStableSort) {
    // 16 chunks with a remainder, 37 chunks (uneven halves at every level).
    for (std::size_t n : {std::size_t{16 * 16384 + 1}, std::size_t{37 * 16384 + 12345}})
        for (Shape shape : {Shape::Random, Shape::FewKeys})
            ExpectSameAsStdStableSort(n, shape, 7);
}

TEST(StableSortTest, OrderedInputCostsAboutOneComparisonPerItem) {
    for (std::size_t n : {std::size_t{1000}, std::size_t{300000}}) {
        std::vector<Rec> recs = MakeRecords(n, Shape::Sorted, 1);
        std::vector<Rec*> ptrs(n);
        for (std::size_t i = 0; i < n; ++i) ptrs[i] = &recs[i];
        uint64_t calls = 0;
        StableSortPointers(ptrs.data(), n, KeyLess{&calls});
        EXPECT_LT(calls, 2 * n) << "n=" << n;
        for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(ptrs[i]->origin, i);
    }
}

// The pieces the large sorts rely on, with sizes that take each of their paths.

using Sorter = detail::StableSorter<Rec*, KeyLess>;

TEST(StableSortTest, RotateMovesTheTwoRangesPastEachOther) {
    struct Case {
        const char* name;
        std::size_t lenA, lenB;
    };
    const Case cases[] = {
        {"empty left", 0, 5},       {"empty right", 5, 0},         {"cycles, equal", 6, 6},
        {"cycles, coprime", 7, 24}, {"cycles, limit", 10, 21},     {"scratch, left short", 3, 40},
        {"scratch, right short", 40, 3}, {"scratch, full", 16384, 20000},
        {"block swaps, left longer", 50001, 16385}, {"block swaps, right longer", 17000, 90000},
        {"block swaps, equal", 20000, 20000},
    };
    Rec* scratch[detail::kStableSortScratch];
    uint64_t calls = 0;
    KeyLess less{&calls};
    Sorter sorter(less, scratch);
    for (const Case& c : cases) {
        const std::size_t n = c.lenA + c.lenB;
        std::vector<Rec> recs(n);
        std::vector<Rec*> ptrs(n);
        for (std::size_t i = 0; i < n; ++i) {
            recs[i] = {0, static_cast<uint32_t>(i)};
            ptrs[i] = &recs[i];
        }
        sorter.Rotate(ptrs.data(), c.lenA, c.lenB);
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t expected = i < c.lenB ? c.lenA + i : i - c.lenB;
            ASSERT_EQ(ptrs[i]->origin, expected) << c.name << " at " << i;
        }
    }
}

// Two sorted runs of given lengths, keys drawn so that the runs interleave and
// share equal keys; both merges must give std::stable_sort's result.
TEST(StableSortTest, MergesOfRunsOfAnyLengthsAreStable) {
    struct Case {
        const char* name;
        std::size_t m, k;
    };
    const Case cases[] = {
        {"tiny", 3, 2},
        {"fits scratch", 9000, 7000},
        {"long left, short right", 70000, 300},
        {"short left, long right", 300, 70000},
        {"both long", 60000, 45000},
        {"both long, right just fits", 100000, 16384},
        {"both long, left just over", 16385, 100000},
    };
    for (const Case& c : cases) {
        for (int merge = 0; merge < 2; ++merge) {
            std::mt19937 rng(static_cast<uint32_t>(c.m * 31 + c.k));
            std::vector<Rec> recs(c.m + c.k);
            for (std::size_t i = 0; i < recs.size(); ++i)
                recs[i] = {static_cast<uint32_t>(rng() % 5000), static_cast<uint32_t>(i)};
            auto byKey = [](const Rec& x, const Rec& y) { return x.key < y.key; };
            std::stable_sort(recs.begin(), recs.begin() + static_cast<std::ptrdiff_t>(c.m), byKey);
            std::stable_sort(recs.begin() + static_cast<std::ptrdiff_t>(c.m), recs.end(), byKey);
            for (std::size_t i = 0; i < recs.size(); ++i) recs[i].origin = static_cast<uint32_t>(i);

            std::vector<Rec*> ptrs(recs.size());
            for (std::size_t i = 0; i < recs.size(); ++i) ptrs[i] = &recs[i];
            std::vector<Rec*> reference = ptrs;
            std::stable_sort(reference.begin(), reference.end(),
                             [](const Rec* x, const Rec* y) { return x->key < y->key; });

            Rec* scratch[detail::kStableSortScratch];
            uint64_t calls = 0;
            KeyLess less{&calls};
            Sorter sorter(less, scratch);
            if (merge == 0)
                sorter.Merge(ptrs.data(), c.m, c.k);
            else
                sorter.BlockMerge(ptrs.data(), c.m, c.k);
            EXPECT_EQ(ptrs, reference) << c.name << (merge == 0 ? " (merge)" : " (block merge)");
        }
    }
}

}  // namespace
