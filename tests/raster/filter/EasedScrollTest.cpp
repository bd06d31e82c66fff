// Eased raster scrolls: every member against a brute-force evaluation of the
// offset rule, the worked examples, and the edges (empty source, far offsets).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "raster/filter/Easing.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Pixels;

class EasedScrollTest : public raster_test::ReadyLibraryTest {};

constexpr uint32_t kUntouched = 0x5A5A5A5Au;

struct Tables {
    std::vector<int64_t> colX, colY, rowX, rowY;  // one entry per clipped column / row
};

// The whole rule, one pixel at a time: clipped rectangle (x, y, w, h) of a
// target whose clip rectangle is the whole sprite, source rectangle clipped to
// the source sprite, offsets in 128 bits, wrap by repeated steps.
void Reference(CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
               int32_t sy, int32_t sw, int32_t sh, int64_t ox, int64_t oy, const Tables& t, bool product, bool tiled) {
    const int32_t x1 = std::min(x + w, target.GetWidth()), y1 = std::min(y + h, target.GetHeight());
    const int32_t cx = std::max(x, 0), cy = std::max(y, 0);
    const int32_t ssx = std::max(sx, 0), ssy = std::max(sy, 0);
    const int32_t ssw = std::min(sx + sw, source.GetWidth()) - ssx, ssh = std::min(sy + sh, source.GetHeight()) - ssy;
    for (int32_t i = 0; cy + i < y1; ++i)
        for (int32_t j = 0; cx + j < x1; ++j) {
            __extension__ typedef __int128 Wide;
            const Wide dx = product ? (Wide(t.rowX[i]) * t.colX[j]) >> 32 : Wide(t.rowX[i]) + t.colX[j];
            const Wide dy = product ? (Wide(t.rowY[i]) * t.colY[j]) >> 32 : Wide(t.rowY[i]) + t.colY[j];
            Wide sc = j + ox + (cx - x) + dx, sr = i + oy + (cy - y) + dy;
            uint32_t& out = *target.PixelAt(cx + j, cy + i);
            if (ssw <= 0 || ssh <= 0) {
                if (!tiled) out = 0;
                continue;
            }
            if (tiled) {
                sc = ((sc - ssx) % ssw + ssw) % ssw + ssx;
                sr = ((sr - ssy) % ssh + ssh) % ssh + ssy;
            } else if (sc < ssx || sc >= ssx + ssw || sr < ssy || sr >= ssy + ssh) {
                out = 0;
                continue;
            }
            out = *source.PixelAt(int32_t(sc), int32_t(sr));
        }
}

struct MemberRow {
    const char* name;
    bool product, tiled, eased;
};
constexpr MemberRow kMembers[] = {
    {"RasterScrollProduct", true, false, false},      {"RasterScrollProductTiled", true, true, false},
    {"RasterScrollSum", false, false, false},         {"RasterScrollSumTiled", false, true, false},
    {"RasterScrollProductEased", true, false, true},  {"RasterScrollProductEasedTiled", true, true, true},
    {"RasterScrollSumEased", false, false, true},     {"RasterScrollSumEasedTiled", false, true, true},
};

struct Ramp {
    int32_t start, end;
    uint32_t type;
};

// start + Ease(type, t, n, end - start) as the members document it.
int64_t RampValue(const Ramp& r, int32_t t, int32_t n, bool product) {
    const int32_t span = int32_t(uint32_t(r.end) - uint32_t(r.start));
    if (product) return int64_t{r.start} + EaseValue64(r.type, t, n, span);
    return int32_t(uint32_t(r.start) + uint32_t(EaseValue(r.type, t, n, span)));
}

void CallMember(const MemberRow& m, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source,
                int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t ox, int32_t oy,
                const std::vector<int32_t>* given, const Ramp* ramps) {
    if (!m.eased) {
        auto fn = m.product ? (m.tiled ? &CSprite::RasterScrollProductTiled : &CSprite::RasterScrollProduct)
                            : (m.tiled ? &CSprite::RasterScrollSumTiled : &CSprite::RasterScrollSum);
        (target.*fn)(x, y, w, h, source, sx, sy, sw, sh, ox, oy, given[0].data(), given[1].data(), given[2].data(),
                     given[3].data());
        return;
    }
    auto fn = m.product ? (m.tiled ? &CSprite::RasterScrollProductEasedTiled : &CSprite::RasterScrollProductEased)
                        : (m.tiled ? &CSprite::RasterScrollSumEasedTiled : &CSprite::RasterScrollSumEased);
    (target.*fn)(x, y, w, h, source, sx, sy, sw, sh, ox, oy, ramps[0].start, ramps[0].end, ramps[0].type,
                 ramps[1].start, ramps[1].end, ramps[1].type, ramps[2].start, ramps[2].end, ramps[2].type,
                 ramps[3].start, ramps[3].end, ramps[3].type);
}

TEST_F(EasedScrollTest, EveryMemberMatchesTheBruteForceRule) {
    std::mt19937 rng(2544);
    for (const MemberRow& m : kMembers) {
        for (int round = 0; round < 40; ++round) {
            SCOPED_TRACE(std::string(m.name) + " round " + std::to_string(round));
            CSprite source;
            raster_test::MakeRandom(source, 13, 11, rng);
            const int32_t sx = int32_t(rng() % 5) - 1, sy = int32_t(rng() % 5) - 1;
            const int32_t sw = 3 + int32_t(rng() % 12), sh = 3 + int32_t(rng() % 10);
            const int32_t x = int32_t(rng() % 9) - 4, y = int32_t(rng() % 9) - 4;
            const int32_t w = 4 + int32_t(rng() % 22), h = 4 + int32_t(rng() % 18);
            const int32_t ox = int32_t(rng() % 21) - 8, oy = int32_t(rng() % 21) - 8;
            const int32_t cw = std::min(x + w, 20) - std::max(x, 0), ch = std::min(y + h, 16) - std::max(y, 0);

            std::vector<int32_t> given[4];
            Ramp ramps[4];
            Tables t;
            std::vector<int64_t>* lists[4] = {&t.colX, &t.colY, &t.rowX, &t.rowY};
            for (int k = 0; k < 4; ++k) {
                const bool column = k < 2;
                if (!m.eased) {
                    given[k].resize(size_t(column ? w : h));
                    for (int32_t& v : given[k])
                        v = m.product ? int32_t(rng() % (8 << 16)) - (4 << 16) : int32_t(rng() % 25) - 12;
                    const int32_t skip = column ? std::max(-x, 0) : std::max(-y, 0);
                    for (int32_t i = 0; i < (column ? cw : ch); ++i) lists[k]->push_back(given[k][size_t(skip + i)]);
                } else {
                    const uint32_t types[] = {0, 3, 7, 11, 14, 18, 0x00020000u | 258, 257};
                    if (m.product)
                        ramps[k] = {int32_t(rng() % (6 << 16)) - (3 << 16), int32_t(rng() % (6 << 16)) - (3 << 16),
                                    types[rng() % 8]};
                    else
                        ramps[k] = {int32_t(rng() % 21) - 10, int32_t(rng() % 21) - 10, types[rng() % 8]};
                    const int32_t n = column ? cw : ch;
                    for (int32_t i = 0; i < n; ++i) lists[k]->push_back(RampValue(ramps[k], i, n, m.product));
                }
            }
            CSprite got = raster_test::Filled(20, 16, kUntouched);
            CSprite want = raster_test::Filled(20, 16, kUntouched);
            CallMember(m, got, x, y, w, h, source, sx, sy, sw, sh, ox, oy, given, ramps);
            Reference(want, x, y, w, h, source, sx, sy, sw, sh, ox, oy, t, m.product, m.tiled);
            ASSERT_EQ(Pixels(got), Pixels(want));
        }
    }
}

TEST_F(EasedScrollTest, WorkedExamples) {
    CSprite source = raster_test::Painted(16, 4, [](int32_t x, int32_t y) { return 0xFF000000u | uint32_t(y << 8 | x); });
    auto row = [](const CSprite& s, int32_t y) {
        std::vector<uint32_t> out;
        for (int32_t x = 0; x < s.GetWidth(); ++x) out.push_back(*s.PixelAt(x, y) & 0xFFFF);
        return out;
    };
    const std::vector<int32_t> zeros(16, 0);
    {
        // colX 1.0 x rowX 5.0: five source pixels right of (ox, oy).
        const std::vector<int32_t> colX(8, 0x10000), rowX(4, 5 * 0x10000);
        CSprite target = raster_test::Filled(8, 1, kUntouched);
        target.RasterScrollProduct(0, 0, 8, 1, source, 0, 0, 16, 4, 2, 1, colX.data(), zeros.data(), rowX.data(),
                                   zeros.data());
        EXPECT_EQ(row(target, 0), (std::vector<uint32_t>{0x107, 0x108, 0x109, 0x10A, 0x10B, 0x10C, 0x10D, 0x10E}));
    }
    {
        // A product of -1 (in 1/2^32) is the floor: one pixel left, not 0.
        const std::vector<int32_t> colX(8, -1), rowX(1, 1);
        CSprite target = raster_test::Filled(8, 1, kUntouched);
        target.RasterScrollProduct(0, 0, 8, 1, source, 0, 0, 16, 4, 4, 0, colX.data(), zeros.data(), rowX.data(),
                                   zeros.data());
        EXPECT_EQ(row(target, 0), (std::vector<uint32_t>{3, 4, 5, 6, 7, 8, 9, 10}));
    }
    {
        // Zero tables from the rectangle's own corner: a copy; past the
        // source rectangle's right edge 0, or its left edge again when tiled.
        CSprite target = raster_test::Filled(8, 1, kUntouched);
        target.RasterScrollSum(0, 0, 8, 1, source, 2, 1, 5, 2, 2, 1, zeros.data(), zeros.data(), zeros.data(),
                               zeros.data());
        EXPECT_EQ(row(target, 0), (std::vector<uint32_t>{0x102, 0x103, 0x104, 0x105, 0x106, 0, 0, 0}));
        target.RasterScrollSumTiled(0, 0, 8, 1, source, 2, 1, 5, 2, 2, 1, zeros.data(), zeros.data(), zeros.data(),
                                    zeros.data());
        EXPECT_EQ(row(target, 0), (std::vector<uint32_t>{0x102, 0x103, 0x104, 0x105, 0x106, 0x102, 0x103, 0x104}));
    }
    {
        // A rectangle starting at x = -3 reads the column tables from index 3
        // and starts the source 3 further right.
        std::vector<int32_t> colX(11, 0);
        colX[3] = 2;  // the first drawn column shows source column 3 + 2
        CSprite target = raster_test::Filled(8, 1, kUntouched);
        target.RasterScrollSum(-3, 0, 11, 1, source, 0, 0, 16, 4, 0, 0, colX.data(), zeros.data(), zeros.data(),
                               zeros.data());
        EXPECT_EQ(row(target, 0), (std::vector<uint32_t>{5, 4, 5, 6, 7, 8, 9, 10}));
        // An eased ramp starts at the clipped rectangle's first column: 0 to
        // 10 linear over the clipped width of 8 gives 0, 1, 2, 3, 5, 6, 7, 8.
        target.RasterScrollSumEased(-3, 0, 11, 1, source, 0, 0, 16, 4, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        EXPECT_EQ(row(target, 0), (std::vector<uint32_t>{3, 5, 7, 9, 12, 14, 0, 0}));
    }
    {
        // Linear 0 to 10 over a clipped width of 5: offsets 0, 2, 4, 6, 8.
        CSprite target = raster_test::Filled(5, 1, kUntouched);
        target.RasterScrollSumEased(0, 0, 5, 1, source, 0, 0, 16, 4, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        EXPECT_EQ(row(target, 0), (std::vector<uint32_t>{0, 3, 6, 9, 12}));
    }
    {
        // A clip rectangle that starts inside the sprite moves the source and
        // the tables with it, as a negative corner does.
        std::vector<int32_t> colX(6, 0);
        colX[2] = 7;
        CSprite target = raster_test::Filled(6, 1, kUntouched);
        target.SetClipRect(2, 0, 6, 1);
        target.RasterScrollSum(0, 0, 6, 1, source, 0, 0, 16, 4, 0, 0, colX.data(), zeros.data(), zeros.data(),
                               zeros.data());
        EXPECT_EQ(row(target, 0), (std::vector<uint32_t>{0x5A5A, 0x5A5A, 9, 3, 4, 5}));
    }
}

TEST_F(EasedScrollTest, EmptySourceAndFarOffsets) {
    std::mt19937 rng(7);
    CSprite source;
    raster_test::MakeRandom(source, 6, 5, rng);
    const std::vector<int32_t> zeros(6, 0);
    // The source rectangle lies wholly outside the source: nothing to sample.
    // The clearing forms write 0 over the rectangle, the tiled forms nothing
    // (and they return).
    for (const MemberRow& m : kMembers) {
        SCOPED_TRACE(m.name);
        CSprite target = raster_test::Filled(6, 4, kUntouched);
        const std::vector<int32_t> given[4] = {zeros, zeros, zeros, zeros};
        const Ramp ramps[4] = {{0, 3, 0}, {0, 3, 0}, {0, 3, 0}, {0, 3, 0}};
        CallMember(m, target, 1, 1, 4, 2, source, 40, 0, 5, 5, 0, 0, given, ramps);
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 6; ++x) {
                const bool inRect = x >= 1 && x < 5 && y >= 1 && y < 3;
                EXPECT_EQ(*target.PixelAt(x, y), inRect && !m.tiled ? 0u : kUntouched) << x << "," << y;
            }
    }
    // Offsets near the 32-bit limits wrap with a true modulo, in the time of
    // any other offset: column sums of INT32_MAX + INT32_MAX.
    const std::vector<int32_t> far(6, INT32_MAX);
    CSprite target = raster_test::Filled(6, 1, kUntouched);
    target.RasterScrollSumTiled(0, 0, 6, 1, source, 1, 1, 4, 3, 1, 1, far.data(), far.data(), far.data(), far.data());
    for (int32_t j = 0; j < 6; ++j) {
        const int64_t d = int64_t{INT32_MAX} * 2;
        EXPECT_EQ(*target.PixelAt(j, 0), *source.PixelAt(int32_t(1 + (j + d) % 4), int32_t(1 + d % 3))) << j;
    }
    // Eased product ramps are 64-bit: a span that wraps in 32 bits is taken
    // as written (end - start = -1 here), and the products do not overflow.
    CSprite big = raster_test::Filled(6, 1, kUntouched);
    big.RasterScrollProductEasedTiled(0, 0, 6, 1, source, 0, 0, 6, 5, 0, 0, INT32_MIN, INT32_MAX, 0, 0, 0, 0,
                                      INT32_MIN, INT32_MAX, 0, 0, 0, 0);
    // colX = rowX = INT32_MIN + (-1 x j / 6) = INT32_MIN: dx = 2^62 >> 32 = 2^30.
    for (int32_t j = 0; j < 6; ++j)
        EXPECT_EQ(*big.PixelAt(j, 0), *source.PixelAt(int32_t((j + (int64_t{1} << 30)) % 6), 0)) << j;
}

TEST_F(EasedScrollTest, EasedRampsLiveInTheScratchBlock) {
    raster_test::ResetRasterScratch();
    CSprite source = raster_test::Filled(4, 4, 0xFF000000u);
    CSprite target = raster_test::Filled(10, 2, kUntouched);
    target.RasterScrollProductEased(0, 0, 10, 2, source, 0, 0, 4, 4, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0);
    EXPECT_GE(RasterScratchBlock().GetCount(), 10u * 2 * 8);
    target.RasterScrollSumEased(0, 0, 10, 2, source, 0, 0, 4, 4, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0);
    EXPECT_GE(RasterScratchBlock().GetCount(), 10u * 2 * 8);  // it never shrinks
}

}  // namespace
