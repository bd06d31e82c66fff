// The cell map's marking rules on a bare grid: which cells a window claims,
// which it takes over, which become dirty.
#include "windows/CellMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "raster/surface/sprite/DrawMode.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// A grid of its own; the window and the free mark are only addresses.
struct Grid {
    std::vector<uint16_t> flags;
    std::vector<IQRKWnd*> owners;
    QRKCellMap map;
    int markDummy = 0;
    int windowDummy = 0;
    int lowerDummy = 0;

    Grid(int32_t width, int32_t height) {
        map.columns = (width + 15) / 16;
        map.rows = (height + 15) / 16;
        flags.assign(static_cast<size_t>(map.columns * map.rows) + 1, 0);
        owners.assign(flags.size(), nullptr);
        map.flags = flags.data();
        map.owners = owners.data();
        map.freeMark = Mark();
        qrk_cells::ResetCells(map, qrk_cells::kDirty);
    }
    IQRKWnd* Mark() { return reinterpret_cast<IQRKWnd*>(&markDummy); }
    IQRKWnd* Window() { return reinterpret_cast<IQRKWnd*>(&windowDummy); }
    IQRKWnd* Lower() { return reinterpret_cast<IQRKWnd*>(&lowerDummy); }

    // One letter per cell, rows separated by '/': 'T' taken over by the
    // window (clean), 'c' claimed by it (dirty), '.' free, 'L' the lower window.
    std::string Owners() const {
        std::string s;
        for (int32_t r = 0; r < map.rows; ++r) {
            if (r) s += '/';
            for (int32_t c = 0; c < map.columns; ++c) {
                const size_t i = static_cast<size_t>(r * map.columns + c);
                const void* o = owners[i];
                if (o == &windowDummy) s += flags[i] == qrk_cells::kClean ? 'T' : 'c';
                else if (o == &lowerDummy) s += 'L';
                else if (o == &markDummy) s += '.';
                else s += '?';
            }
        }
        return s;
    }
    std::string Dirty() const {
        std::string s;
        for (int32_t r = 0; r < map.rows; ++r) {
            if (r) s += '/';
            for (int32_t c = 0; c < map.columns; ++c) s += flags[static_cast<size_t>(r * map.columns + c)] ? '-' : 'D';
        }
        return s;
    }
};

constexpr uint32_t kCopy = draw_mode::Code(draw_mode::kCopy);
constexpr uint32_t kAlpha = draw_mode::Code(draw_mode::kAlpha);
constexpr uint32_t kBlend = draw_mode::Code(draw_mode::kBlend);

TEST(CellMapTest, WindowCellsByDrawModeAndPosition) {
    struct Case {
        const char* name;
        int32_t x, y, w, h;
        uint32_t mode;
        const char* owners;  // 64 x 64 screen: 4 x 4 cells
    };
    const Case cases[] = {
        // Columns 0 and 2 partial (edges at 8 and 40), column 1 covered whole.
        {"copy at (8,0,32,32)", 8, 0, 32, 32, kCopy, "cTc./cTc./..../...."},
        {"copy on cell lines", 16, 16, 32, 32, kCopy, "..../.TT./.TT./...."},
        // The left edge is off the screen: nothing visible is cut.
        {"copy at x=-5", -5, 0, 21, 16, kCopy, "T.../..../..../...."},
        {"copy cut at the top and bottom", 0, 8, 32, 32, kCopy, "cc../TT../cc../...."},
        {"copy inside one cell", 4, 4, 8, 8, kCopy, "c.../..../..../...."},
        {"copy over the whole screen and beyond", -100, -100, 300, 300, kCopy, "TTTT/TTTT/TTTT/TTTT"},
        {"alpha claims all", 16, 16, 32, 32, kAlpha, "..../.cc./.cc./...."},
        {"blend claims all", 8, 0, 32, 32, kBlend, "ccc./ccc./..../...."},
        {"mirrored copy is not opaque", 16, 16, 32, 32, kCopy | draw_mode::kMirrorHorizontal, "..../.cc./.cc./...."},
        {"off the screen", 64, 0, 16, 16, kCopy, "..../..../..../...."},
        {"left of the screen", -40, 0, 16, 16, kCopy, "..../..../..../...."},
    };
    for (const Case& c : cases) {
        Grid g(64, 64);
        qrk_cells::ClaimWindowCells(g.map, g.Window(), c.x, c.y, c.w, c.h, c.mode);
        EXPECT_EQ(g.Owners(), c.owners) << c.name;
    }
}

TEST(CellMapTest, ClaimingKeepsALowerOwnerTakingOverReplacesIt) {
    Grid g(64, 16);
    qrk_cells::ClaimWindowCells(g.map, g.Lower(), 0, 0, 64, 16, kAlpha);
    qrk_cells::ClaimWindowCells(g.map, g.Window(), 8, 0, 40, 16, kCopy);
    // Column 0 (cut by the edge at x 8) stays with the lower window, which
    // claimed it first; columns 1 and 2 are taken over and clean.
    EXPECT_EQ(g.Owners(), "LTTL");
    EXPECT_EQ(g.Dirty(), "D--D");
}

TEST(CellMapTest, FarOffWindowsDoNotWrapAround) {
    // Positions near the 32-bit limits: the sums are 64-bit, nothing wraps
    // onto the screen.
    Grid g(64, 64);
    qrk_cells::ClaimWindowCells(g.map, g.Window(), int64_t{INT32_MAX} - 10, 0, INT32_MAX, 64, kCopy);
    qrk_cells::ClaimWindowCells(g.map, g.Window(), int64_t{INT32_MIN}, int64_t{INT32_MIN}, INT32_MAX, INT32_MAX, kCopy);
    EXPECT_EQ(g.Owners(), "..../..../..../....");
    qrk_cells::ResetCells(g.map, qrk_cells::kClean);
    qrk_cells::MarkWindowRectDirty(g.map, int64_t{INT32_MAX}, 0, INT32_MAX, 10, 0, 0, INT32_MAX, 10);
    EXPECT_FALSE(qrk_cells::AnyDirty(g.map));
}

TEST(CellMapTest, DirtyRectanglesAreClippedToTheWindow) {
    struct Case {
        const char* name;
        int64_t sx, sy;
        int32_t w, h, l, t, r, b;
        const char* dirty;
    };
    const Case cases[] = {
        {"inside one cell", 16, 16, 32, 32, 0, 0, 4, 4, "----/-D--/----/----"},
        {"across a cell line", 16, 16, 32, 32, 10, 10, 20, 20, "----/-DD-/-DD-/----"},
        {"clipped to the window's right and bottom", 0, 0, 20, 20, 0, 0, 200, 200, "DD--/DD--/----/----"},
        {"negative left and top clipped", 16, 16, 16, 16, -50, -50, 1, 1, "----/-D--/----/----"},
        {"window partly off the screen", -8, -8, 24, 24, 0, 0, 24, 24, "D---/----/----/----"},
        {"empty after clipping", 0, 0, 16, 16, 20, 0, 30, 10, "----/----/----/----"},
    };
    for (const Case& c : cases) {
        Grid g(64, 64);
        qrk_cells::ResetCells(g.map, qrk_cells::kClean);
        qrk_cells::MarkWindowRectDirty(g.map, c.sx, c.sy, c.w, c.h, c.l, c.t, c.r, c.b);
        EXPECT_EQ(g.Dirty(), c.dirty) << c.name;
    }
}

TEST(CellMapTest, ScreenRectanglesTruncateTowardZero) {
    Grid g(64, 48);
    qrk_cells::ResetCells(g.map, qrk_cells::kClean);
    qrk_cells::MarkRectDirty(g.map, -20, -20, 1, 1);  // columns max(0, -1) .. 0
    qrk_cells::MarkRectDirty(g.map, 60, 40, 1000, 1000);
    EXPECT_EQ(g.Dirty(), "D---/----/---D");
}

class OpaqueCellsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitRasterLibrary(1); }

    // A 48 x 48 cache, opaque except for a transparent 4 x 4 block at (bx, by).
    static void MakeCache(CSprite& cache, int32_t holeX, int32_t holeY) {
        ASSERT_TRUE(cache.Create(48, 48, true));
        if (holeX >= 0) cache.FillRect(holeX, holeY, 4, 4, 0);
        cache.BuildOpacityMask();
        ASSERT_NE(cache.GetOpacityMask(), nullptr);
    }
};

TEST_F(OpaqueCellsTest, CellsTakenOverOnlyWhereEveryBlockIsOpaque) {
    struct Case {
        const char* name;
        int32_t x, y, holeX, holeY;
        const char* owners;  // 80 x 64 screen: 5 x 4 cells
    };
    const Case cases[] = {
        {"aligned, fully opaque", 16, 0, -1, 0, ".TTT./.TTT./.TTT./....."},
        {"aligned, hole in the middle cell", 16, 0, 20, 20, ".TTT./.TcT./.TTT./....."},
        // Edges at 8 and 56 cut columns 0 and 3; only columns 1 and 2 can be
        // taken over. The offset 8 is a multiple of 4: four blocks a cell.
        {"offset by 8", 8, 0, -1, 0, "cTTc./cTTc./cTTc./....."},
        // Offset 2: five blocks a cell; a hole at cache x 44 is overlapped by
        // the cell at screen column 2 (x 32..47 = cache 30..45).
        {"offset by 2 sees the neighbouring block", 2, 0, 44, 0, "cTcc./cTTc./cTTc./....."},
        {"edge off the screen makes column 0 the edge", -8, 16, -1, 0, "...../cTc../cTc../cTc.."},
    };
    for (const Case& c : cases) {
        Grid g(80, 64);
        CSprite cache;
        MakeCache(cache, c.holeX, c.holeY);
        qrk_cells::ClaimOpaqueCells(g.map, g.Window(), c.x, c.y, 48, 48, cache);
        EXPECT_EQ(g.Owners(), c.owners) << c.name;
    }
}

TEST_F(OpaqueCellsTest, AreaIsCutToTheCache) {
    // The window is larger than its cache: only the cache's cells count.
    Grid g(80, 64);
    CSprite cache;
    MakeCache(cache, -1, 0);
    qrk_cells::ClaimOpaqueCells(g.map, g.Window(), 0, 0, 80, 64, cache);
    EXPECT_EQ(g.Owners(), "TTT../TTT../TTT../.....");
}

TEST(CellMapTest, OpaqueModes) {
    struct Case {
        uint32_t number;
        uint8_t level;
        bool hides;
    };
    const Case cases[] = {
        {draw_mode::kAlpha, 0, true},         {draw_mode::kLayer, 17, true},
        {draw_mode::kMixAlpha, 255, true},    {draw_mode::kMixLayer, 1, true},
        {draw_mode::kLayerBlend, 255, true},  {draw_mode::kLayerBlend, 254, false},
        {draw_mode::kAlphaBlend, 255, true},  {draw_mode::kMixLayerBlend, 255, true},
        {draw_mode::kMixAlphaBlend, 128, false}, {draw_mode::kBlend, 255, false},
        {draw_mode::kCopy, 255, false},       {draw_mode::kAdd, 255, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qrk_cells::OpaqueBlocksHide(draw_mode::Code(c.number), c.level), c.hides)
            << std::hex << c.number << " level " << std::dec << int{c.level};
    }
}

}  // namespace
