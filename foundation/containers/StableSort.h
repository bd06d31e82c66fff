#pragma once
// StableSortPointers: a stable sort of an array of pointers (or other small,
// trivially copyable handles) that never touches the heap.
//
// The library sorts indexes of element pointers (the chunked array keeps its
// elements in place and reorders only its index), so the sort moves pointers only
// and calls the comparator on them. Its shape:
//
// - Up to 8 items: fixed comparison sequences (decision trees for 3 and 4, an
//   insertion for 5, tiny merges through a local buffer for 6 to 8).
// - Up to 262144 items: top-down merge sort. Two adjacent runs are merged through
//   one scratch of 16384 pointers that lives in the sort call's stack frame; runs
//   too long for the scratch are cut by binary search into two pairs of smaller
//   runs, whose middle parts swap places by a rotation, and each pair is merged
//   the same way.
// - Above 262144 items: the array is taken as chunks of 16384 items (the
//   remainder belongs to the last chunk). A range of more than 8 chunks is split
//   in half by chunks, both halves are sorted that way and then block-merged; a
//   range of at most 8 chunks is merge-sorted as above. The block merge works
//   with at most one scratch's worth of items at a time: a left run that fits is
//   merged forward out of the scratch, a right run that fits is merged backward
//   out of it, anything larger is cut at a binary-searched split and its middle
//   blocks are rotated into place until the pieces fit.
//
// Stability everywhere: an item is placed before an item that preceded it only
// when it is strictly less (the comparator is a strict "less").
//
// The scratch is 16384 pointers (128 KB on a 64-bit build) on the caller's
// stack: call this on the main (GUI) thread or another thread with a normal
// sized stack, not on a small worker stack.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace detail {

inline constexpr std::size_t kStableSortScratch = 0x4000;   // pointers in the scratch
inline constexpr std::size_t kStableSortChunked = 0x40000;  // above this: chunked sort
inline constexpr std::size_t kStableSortSmall = 8;          // fixed sequences up to this
inline constexpr std::size_t kStableSortCycleRotate = 31;   // rotations by cycles up to this

template <class P, class Less>
class StableSorter {
public:
    StableSorter(Less& less, P* scratch) : m_less(less), m_scratch(scratch) {}

    void Sort(P* a, std::size_t n) {
        if (n <= kStableSortChunked) {
            MergeSort(a, n);
            return;
        }
        const std::size_t chunks = n / kStableSortScratch;
        ChunkSort(a, n, 0, chunks, chunks);
    }

    // Exposed for tests of the pieces; every one leaves a[0, n) sorted or rotated.
    void SmallSort(P* a, std::size_t n) {
        switch (n) {
        case 2: Sort2(a); break;
        case 3: Sort3(a); break;
        case 4: Sort4(a); break;
        case 5: Sort5(a); break;
        case 6: Sort4(a); Sort2(a + 4); SmallMerge(a, 4, 2); break;
        case 7: Sort3(a); Sort4(a + 3); SmallMerge(a, 3, 4); break;
        case 8: Sort4(a); Sort4(a + 4); SmallMerge(a, 4, 4); break;
        default: break;  // 0 or 1 item
        }
    }

    void MergeSort(P* a, std::size_t n) {
        if (n <= kStableSortSmall) {
            SmallSort(a, n);
            return;
        }
        const std::size_t half = n / 2;
        MergeSort(a, half);
        MergeSort(a + half, n - half);
        Merge(a, half, n - half);
    }

    // Merges the sorted runs a[0, m) and a[m, m + k).
    void Merge(P* a, std::size_t m, std::size_t k) {
        for (;;) {
            if (m == 0 || k == 0) return;
            if (m + k <= kStableSortSmall) {
                SmallSort(a, m + k);
                return;
            }
            if (!m_less(a[m], a[m - 1])) return;  // already in order
            if (m + k <= kStableSortScratch) {
                const std::size_t keep = LeadingInPlace(a, m);
                MergeForward(a + keep, m - keep, k);
                return;
            }
            std::size_t i, e;
            Split(a, m, k, i, e);
            Rotate(a + i, m - i, e);
            Merge(a, i, e);
            // The second pair continues in this loop (bounded recursion depth).
            a += i + e;
            m -= i;
            k -= e;
        }
    }

    // Merges the sorted runs a[0, m) and a[m, m + k) of any length, holding at
    // most one scratch's worth of items outside the array at a time.
    void BlockMerge(P* a, std::size_t m, std::size_t k) {
        for (;;) {
            if (m == 0 || k == 0) return;
            if (!m_less(a[m], a[m - 1])) return;
            // Leading items of the left run not greater than the right run's
            // first item are already in place.
            const std::size_t keep = LeadingInPlace(a, m);
            a += keep;
            m -= keep;
            if (m <= kStableSortScratch) {
                MergeForward(a, m, k);
                return;
            }
            if (k <= kStableSortScratch) {
                MergeBackward(a, m, k);
                return;
            }
            std::size_t i, e;
            Split(a, m, k, i, e);
            Rotate(a + i, m - i, e);
            BlockMerge(a, i, e);
            a += i + e;
            m -= i;
            k -= e;
        }
    }

    // Turns a[0, lenA) a[lenA, lenA + lenB) into a[lenA, lenA + lenB) a[0, lenA).
    void Rotate(P* a, std::size_t lenA, std::size_t lenB) {
        for (;;) {
            if (lenA == 0 || lenB == 0) return;
            const std::size_t total = lenA + lenB;
            if (total <= kStableSortCycleRotate) {
                RotateByCycles(a, lenA, total);
                return;
            }
            if (lenA <= lenB && lenA <= kStableSortScratch) {
                Copy(m_scratch, a, lenA);
                Move(a, a + lenA, lenB);
                Copy(a + lenB, m_scratch, lenA);
                return;
            }
            if (lenB < lenA && lenB <= kStableSortScratch) {
                Copy(m_scratch, a + lenA, lenB);
                Move(a + lenB, a, lenA);
                Copy(a, m_scratch, lenB);
                return;
            }
            // Neither range fits the scratch: swap equal blocks in place, which puts
            // one block into its final place per step, and rotate what remains.
            if (lenA <= lenB) {
                // [A][B1 B2], |B1| = |A|  ->  [B1][A][B2], then rotate [A][B2].
                SwapRanges(a, a + lenA, lenA);
                a += lenA;
                lenB -= lenA;
            } else {
                // [A1 A2][B], |A2| = |B|  ->  [A1][B][A2], then rotate [A1][B].
                SwapRanges(a + lenA - lenB, a + lenA, lenB);
                lenA -= lenB;
            }
        }
    }

private:
    static void Copy(P* dst, const P* src, std::size_t n) {
        std::memcpy(static_cast<void*>(dst), static_cast<const void*>(src), n * sizeof(P));
    }
    static void Move(P* dst, const P* src, std::size_t n) {
        std::memmove(static_cast<void*>(dst), static_cast<const void*>(src), n * sizeof(P));
    }
    static void SwapRanges(P* x, P* y, std::size_t n) {
        for (std::size_t j = 0; j < n; ++j) {
            P t = x[j];
            x[j] = y[j];
            y[j] = t;
        }
    }

    static std::size_t Gcd(std::size_t x, std::size_t y) {
        while (y != 0) {
            const std::size_t t = x % y;
            x = y;
            y = t;
        }
        return x;
    }

    // Left rotation of a[0, total) by lenA, following the cycles of the permutation.
    static void RotateByCycles(P* a, std::size_t lenA, std::size_t total) {
        const std::size_t cycles = Gcd(total, lenA);
        for (std::size_t start = 0; start < cycles; ++start) {
            P held = a[start];
            std::size_t j = start;
            for (;;) {
                std::size_t next = j + lenA;
                if (next >= total) next -= total;
                if (next == start) break;
                a[j] = a[next];
                j = next;
            }
            a[j] = held;
        }
    }

    // Number of leading items of a[0, n) that are not greater than x.
    std::size_t UpperBound(const P* a, std::size_t n, const P& x) {
        std::size_t lo = 0;
        while (n > 0) {
            const std::size_t half = n / 2;
            if (m_less(x, a[lo + half])) {
                n = half;
            } else {
                lo += half + 1;
                n -= half + 1;
            }
        }
        return lo;
    }

    // Number of leading items of the left run a[0, m) that are not greater than
    // the right run's first item a[m], given that a[m - 1] is greater. A linear
    // scan: each comparison settles one item the merge would otherwise compare.
    std::size_t LeadingInPlace(const P* a, std::size_t m) {
        std::size_t keep = 0;
        while (!m_less(a[m], a[keep])) ++keep;
        return keep;
    }

    // Number of leading items of a[0, n) that are less than x.
    std::size_t LowerBound(const P* a, std::size_t n, const P& x) {
        std::size_t lo = 0;
        while (n > 0) {
            const std::size_t half = n / 2;
            if (m_less(a[lo + half], x)) {
                lo += half + 1;
                n -= half + 1;
            } else {
                n = half;
            }
        }
        return lo;
    }

    // Cuts the runs L = a[0, m) and R = a[m, m + k) so that L[0, i) and R[0, e)
    // come before every item of L[i, m) and R[e, k) in the merged order; the longer
    // run is cut at its middle.
    void Split(const P* a, std::size_t m, std::size_t k, std::size_t& i, std::size_t& e) {
        const P* r = a + m;
        if (k < m) {
            i = m / 2;
            e = LowerBound(r, k, a[i]);
        } else {
            e = k / 2 + 1;
            i = UpperBound(a, m, r[k / 2]);
        }
    }

    // Merge with the left run held in the scratch; the caller guarantees that the
    // left run fits.
    void MergeForward(P* a, std::size_t m, std::size_t k) {
        Copy(m_scratch, a, m);
        const P* left = m_scratch;
        const P* const leftEnd = m_scratch + m;
        const P* right = a + m;
        const P* const rightEnd = right + k;
        P* out = a;
        while (left != leftEnd && right != rightEnd) {
            if (m_less(*right, *left))
                *out++ = *right++;
            else
                *out++ = *left++;
        }
        // Whatever remains of the right run is already in place.
        Copy(out, left, static_cast<std::size_t>(leftEnd - left));
    }

    // Merge with the right run held in the scratch, filling from the end; the
    // caller guarantees that the right run fits.
    void MergeBackward(P* a, std::size_t m, std::size_t k) {
        Copy(m_scratch, a + m, k);
        const P* left = a + m;               // one past the next left item
        const P* right = m_scratch + k;      // one past the next right item
        P* out = a + m + k;
        while (left != a && right != m_scratch) {
            if (m_less(right[-1], left[-1]))
                *--out = *--left;
            else
                *--out = *--right;
        }
        // Whatever remains of the left run is already in place.
        const std::size_t rest = static_cast<std::size_t>(right - m_scratch);
        Copy(out - rest, m_scratch, rest);
    }

    void ChunkSort(P* a, std::size_t n, std::size_t first, std::size_t count, std::size_t total) {
        P* begin = a + first * kStableSortScratch;
        if (count <= 8) {
            const std::size_t end = first + count == total ? n : (first + count) * kStableSortScratch;
            MergeSort(begin, end - first * kStableSortScratch);
            return;
        }
        const std::size_t half = count / 2;
        ChunkSort(a, n, first, half, total);
        ChunkSort(a, n, first + half, count - half, total);
        const std::size_t mid = (first + half) * kStableSortScratch;
        const std::size_t end = first + count == total ? n : (first + count) * kStableSortScratch;
        BlockMerge(begin, mid - first * kStableSortScratch, end - mid);
    }

    void Sort2(P* a) {
        if (m_less(a[1], a[0])) {
            P t = a[0];
            a[0] = a[1];
            a[1] = t;
        }
    }

    void Sort3(P* a) {
        const P x = a[0], y = a[1], z = a[2];
        if (m_less(y, x)) {
            if (m_less(z, y)) {
                a[0] = z; a[1] = y; a[2] = x;          // z < y < x
            } else if (m_less(z, x)) {
                a[0] = y; a[1] = z; a[2] = x;          // y <= z < x
            } else {
                a[0] = y; a[1] = x;                    // y < x <= z
            }
        } else {
            if (!m_less(z, y)) return;                 // x <= y <= z
            if (m_less(z, x)) {
                a[0] = z; a[1] = x; a[2] = y;          // z < x <= y
            } else {
                a[1] = z; a[2] = y;                    // x <= z < y
            }
        }
    }

    // Two ordered pairs, then their merge: at most five comparisons.
    void Sort4(P* a) {
        P lo1 = a[0], hi1 = a[1], lo2 = a[2], hi2 = a[3];
        if (m_less(hi1, lo1)) { const P t = lo1; lo1 = hi1; hi1 = t; }
        if (m_less(hi2, lo2)) { const P t = lo2; lo2 = hi2; hi2 = t; }
        if (m_less(lo2, lo1)) {
            a[0] = lo2;
            if (m_less(hi2, lo1)) {
                a[1] = hi2; a[2] = lo1; a[3] = hi1;
            } else if (m_less(hi2, hi1)) {
                a[1] = lo1; a[2] = hi2; a[3] = hi1;
            } else {
                a[1] = lo1; a[2] = hi1; a[3] = hi2;
            }
        } else {
            a[0] = lo1;
            if (!m_less(lo2, hi1)) {
                a[1] = hi1; a[2] = lo2; a[3] = hi2;
            } else if (m_less(hi2, hi1)) {
                a[1] = lo2; a[2] = hi2; a[3] = hi1;
            } else {
                a[1] = lo2; a[2] = hi1; a[3] = hi2;
            }
        }
    }

    // The first four sorted; the fifth goes before the first item greater than it.
    void Sort5(P* a) {
        Sort4(a);
        const P x = a[4];
        std::size_t at = 0;
        while (at < 4 && !m_less(x, a[at])) ++at;
        for (std::size_t j = 4; j > at; --j) a[j] = a[j - 1];
        a[at] = x;
    }

    // Merges a[0, m) and a[m, m + k), m <= 4, through a local buffer.
    void SmallMerge(P* a, std::size_t m, std::size_t k) {
        P held[4];
        for (std::size_t j = 0; j < m; ++j) held[j] = a[j];
        const P* left = held;
        const P* const leftEnd = held + m;
        const P* right = a + m;
        const P* const rightEnd = right + k;
        P* out = a;
        while (left != leftEnd && right != rightEnd) {
            if (m_less(*right, *left))
                *out++ = *right++;
            else
                *out++ = *left++;
        }
        while (left != leftEnd) *out++ = *left++;
    }

    Less& m_less;
    P* m_scratch;
};

}  // namespace detail

// Sorts items[0, count) stably by `less` (a strict weak order on P: less(x, y) is
// true when x must come before y). P is a pointer or another small trivially
// copyable handle; only the handles move. No heap allocation.
template <class P, class Less>
void StableSortPointers(P* items, std::size_t count, Less less) {
    static_assert(std::is_trivially_copyable_v<P>, "the sort moves handles with memcpy");
    if (count < 2) return;
    P scratch[detail::kStableSortScratch];
    detail::StableSorter<P, Less> sorter(less, scratch);
    sorter.Sort(items, count);
}
