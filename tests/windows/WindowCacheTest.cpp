// The cached window: the cache size limits, the cleared resize, and what
// Paint draws by visibility, draw mode and level (against direct draws).
#include <gtest/gtest.h>

#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "windows/Window.h"
#include "windows/WndMgr.h"

namespace {

constexpr uint32_t kCopy = 0x70000001, kBlend = 0x70000003, kLayer = 0x70000004, kLayerBlend = 0x70000005;

std::vector<uint32_t> Pixels(const CSprite& s) {
    std::vector<uint32_t> v;
    for (int32_t y = 0; y < s.GetHeight(); ++y)
        for (int32_t x = 0; x < s.GetWidth(); ++x) v.push_back(*s.PixelAt(x, y));
    return v;
}

TEST(WindowCache, CreateCacheLimits) {
    InitRasterLibrary(1);
    struct Case {
        const char* name;
        int32_t width, height;
        bool ok;
    };
    const Case cases[] = {
        {"16384 wide and 257 high", 16384, 257, false},
        {"16384 wide, a strip", 16384, 10, true},
        {"16384 high", 10, 16384, false},
        {"a strip 20000 x 100", 20000, 100, true},
        {"a strip 500001 wide", 500001, 10, false},
        {"a strip 257 high", 20000, 257, false},
        {"ordinary", 100, 50, true},
    };
    for (const Case& c : cases) {
        CQRKWnd w;
        EXPECT_EQ(w.CreateCache(c.width, c.height), c.ok) << c.name;
        EXPECT_EQ(w.GetWidth(), c.width) << c.name;  // the size is recorded either way
        EXPECT_EQ(w.GetCache().HasImage(), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(*w.GetCache().PixelAt(c.width - 1, c.height - 1), 0xFFFFFFFFu) << c.name;
            EXPECT_FALSE(w.ResizeCache(16384, 300)) << c.name;
        }
    }
    raster_test::ResetRasterLibrary();
    CQRKWnd w;
    EXPECT_FALSE(w.CreateCache(10, 10));
    InitRasterLibrary(1);
}

TEST(WindowCache, ResizeToTheSameSizeStillClears) {
    InitRasterLibrary(1);
    CQRKWnd w;
    ASSERT_TRUE(w.CreateCache(8, 8));
    w.GetCache().BuildOpacityMask();
    ASSERT_NE(w.GetCache().GetOpacityMask(), nullptr);
    ASSERT_TRUE(w.ResizeCache(8, 8));
    EXPECT_EQ(Pixels(w.GetCache()), std::vector<uint32_t>(64, 0u));
    EXPECT_EQ(w.GetCache().GetOpacityMask(), nullptr);
    w.ReleaseCache();
    EXPECT_EQ(w.GetWidth(), 0);
    EXPECT_FALSE(w.GetCache().HasImage());
}

// A 16 x 16 window whose cache is half transparent, half a colour; painted
// onto a grey target and compared with the dispatch drawn directly.
TEST(WindowCache, PaintDrawsByVisibilityModeAndLevel) {
    InitRasterLibrary(1);
    struct Case {
        const char* name;
        uint32_t mode;
        uint8_t level;
        bool visible;
        bool mask;
        uint32_t referenceMode;  // 0: the target stays untouched
    };
    const Case cases[] = {
        {"COPY at level 0 draws fully", kCopy, 0, true, false, kCopy},
        {"BLEND at level 0 draws nothing visible", kBlend, 0, true, false, 0},
        {"hidden window", kCopy, 255, false, false, 0},
        {"draw mode 0", 0, 255, true, false, 0},
        {"high-quality bit", kCopy | 0x80, 255, true, false, 0},
        {"LAYERBLEND at 255 with a mask is LAYER", kLayerBlend, 255, true, true, kLayer},
        {"LAYERBLEND at 100", kLayerBlend, 100, true, false, kLayerBlend},
    };
    for (const Case& c : cases) {
        CQRKWndMgr manager;
        CQRKWnd w;
        ASSERT_TRUE(w.NewWindow(0, 0, 16, 16, &manager, nullptr, kQRKLinkTopLevel, c.mode, 0, c.visible, c.level))
            << c.name;
        CSprite& cache = w.GetCache();
        cache.FillRect(0, 0, 16, 16, 0);
        cache.FillRect(0, 0, 16, 8, 0xFF2060A0u);
        cache.FillRect(4, 8, 8, 4, 0x80C04020u);
        if (c.mask) cache.BuildOpacityMask();

        CSprite target, reference;
        ASSERT_TRUE(target.Create(20, 20, false));
        ASSERT_TRUE(reference.Create(20, 20, false));
        target.FillRect(0, 0, 20, 20, 0xFF808080u);
        reference.FillRect(0, 0, 20, 20, 0xFF808080u);
        w.Paint(2, 2, target, 0, 0, 16, 16);
        if (c.referenceMode != 0) reference.BlitByMode(2, 2, cache, 0, 0, 16, 16, c.referenceMode, c.level, 0, 0);
        EXPECT_EQ(Pixels(target), Pixels(reference)) << c.name;
        w.Close();
    }
}

}  // namespace
