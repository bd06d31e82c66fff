#include "raster/surface/sprite/Sprite.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"

namespace {

// Gives tests the fields that only the indexed conversion sets.
class TestSprite : public CSprite {
public:
    void SetDepthCode(uint32_t code) { m_flags = code; }
    const unsigned char* StorageStart() const { return m_storage.GetBuffer(); }
};

class SpriteTest : public ::testing::Test {
protected:
    void SetUp() override { InitRasterLibrary(1); }
};

class SpriteNotReadyTest : public ::testing::Test {
protected:
    void SetUp() override { raster_test::ResetRasterLibrary(); }
    void TearDown() override { InitRasterLibrary(1); }
};

void ExpectEmpty(const CSprite& s) {
    EXPECT_FALSE(s.HasImage());
    EXPECT_EQ(s.GetPixels(), nullptr);
    EXPECT_EQ(s.GetPixelOrigin(), nullptr);
    EXPECT_EQ(s.GetWidth(), 0);
    EXPECT_EQ(s.GetHeight(), 0);
    EXPECT_EQ(s.GetStride(), 0);
    EXPECT_EQ(s.GetClipLeft(), 0);
    EXPECT_EQ(s.GetClipTop(), 0);
    EXPECT_EQ(s.GetClipRight(), 0);
    EXPECT_EQ(s.GetClipBottom(), 0);
    EXPECT_EQ(s.GetOpacityMask(), nullptr);
    EXPECT_EQ(s.GetFlags(), 0u);
    EXPECT_EQ(s.GetStorageSize(), 0u);
}

// ---- Construction and storage ----

TEST_F(SpriteTest, DefaultAndReleasedSpritesAreEmpty) {
    CSprite s;
    ExpectEmpty(s);
    ASSERT_TRUE(s.Create(3, 2, true));
    s.Release();
    ExpectEmpty(s);
    s.Release();  // nothing to release
    ExpectEmpty(s);
}

TEST_F(SpriteTest, CreateLaysOutPixelsMaskAreaAndSpare) {
    struct Case {
        int32_t w, h;
        bool opaque;
        uint32_t bytes;  // w*h*4 + 4 + ceil(w/16)*ceil(h/4)
    };
    const Case cases[] = {{17, 5, true, 17 * 5 * 4 + 4 + 2 * 2}, {16, 4, false, 256 + 4 + 1}, {1, 1, true, 4 + 4 + 1},
                          {0, 7, false, 4}, {33, 0, true, 4}};
    for (const Case& c : cases) {
        CSprite s;
        ASSERT_TRUE(s.Create(c.w, c.h, c.opaque)) << c.w << "x" << c.h;
        EXPECT_EQ(s.GetStorageSize(), c.bytes) << c.w << "x" << c.h;
        EXPECT_EQ(s.GetWidth(), c.w);
        EXPECT_EQ(s.GetHeight(), c.h);
        EXPECT_EQ(s.GetStride(), c.w);
        EXPECT_EQ(s.GetPixels(), s.GetPixelOrigin());
        EXPECT_EQ(s.GetClipRight(), c.w);
        EXPECT_EQ(s.GetClipBottom(), c.h);
        for (int32_t i = 0; i < c.w * c.h; ++i) ASSERT_EQ(s.GetPixels()[i], c.opaque ? 0xFFFFFFFFu : 0u);
    }
}

TEST_F(SpriteTest, CreateZeroByZeroHasADummyImageAndNoBlock) {
    CSprite s;
    ASSERT_TRUE(s.Create(0, 0, false));
    EXPECT_TRUE(s.HasImage());
    EXPECT_NE(s.GetPixels(), nullptr);
    EXPECT_EQ(s.GetStorageSize(), 0u);
    EXPECT_FALSE(s.Create(0, 0, false));  // it counts as having an image
    s.Release();
    ExpectEmpty(s);
}

TEST_F(SpriteTest, CreateRefusesAnImageOrANegativeSizeOrMoreThan32BitBytes) {
    CSprite s;
    ASSERT_TRUE(s.Create(10, 10, false));
    s.GetPixels()[5] = 0x12345678;
    uint32_t* before = s.GetPixels();
    EXPECT_FALSE(s.Create(10, 10, true));
    EXPECT_EQ(s.GetPixels(), before);
    EXPECT_EQ(s.GetPixels()[5], 0x12345678u);
    EXPECT_EQ(s.GetPixels()[6], 0u);

    const int32_t refused[][2] = {{-1, 5}, {5, -1}, {-1, -1}, {65536, 16384}, {INT32_MAX, INT32_MAX}, {32768, 32768}};
    for (const auto& r : refused) {
        CSprite e;
        EXPECT_FALSE(e.Create(r[0], r[1], false)) << r[0] << "x" << r[1];
        ExpectEmpty(e);
    }
}

TEST(SpriteSizeRule, AcceptsSmallSidesAndShortStrips) {
    struct Case {
        int32_t w, h;
        bool allowed;
    };
    const Case cases[] = {
        {16383, 16383, true}, {16384, 256, true},  {16384, 257, false},  {500000, 256, true}, {500001, 1, false},
        {256, 16384, false},  {1, 16384, false},   {100, 100, true},     {0, 0, true},        {-1, 10, true},
        {10, -1, true},       {16384, 0, true},    {500000, 257, false}, {-1, -1, true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSpriteSizeAllowed(c.w, c.h), c.allowed) << c.w << "x" << c.h;
}

TEST_F(SpriteTest, CreateWithinLimitsAppliesTheSizeRule) {
    CSprite a, b, c, d;
    EXPECT_TRUE(a.CreateWithinLimits(16384, 256, false));
    EXPECT_FALSE(b.CreateWithinLimits(16384, 257, false));
    EXPECT_FALSE(c.CreateWithinLimits(500001, 1, false));
    EXPECT_FALSE(d.CreateWithinLimits(-3, 4, false));
    ExpectEmpty(b);
    ExpectEmpty(c);
    ExpectEmpty(d);
}

TEST_F(SpriteTest, ResizeGrowsInQuarterMebibyteStepsAndNeverShrinks) {
    struct Step {
        int32_t w, h;
        uint32_t blockBytes;  // expected block size after the resize
    };
    const Step steps[] = {
        {100, 100, 262144},  // needed 40175
        {200, 200, 262144},  // needed 160650 keeps the block
        {256, 256, 524288},  // needed 263168
        {10, 10, 524288},    // smaller: the block stays
        {0, 0, 524288},
    };
    TestSprite s;
    for (const Step& st : steps) {
        ASSERT_TRUE(s.ResizeUncleared(st.w, st.h)) << st.w;
        EXPECT_EQ(s.GetStorageSize(), st.blockBytes) << st.w << "x" << st.h;
        EXPECT_EQ(s.GetWidth(), st.w);
        EXPECT_EQ(s.GetStride(), st.w);
        EXPECT_EQ(reinterpret_cast<const unsigned char*>(s.GetPixels()), s.StorageStart());
    }
    // needed + 4 exactly 262144 (160 x 408: 261120 + 10 x 102) is not enough.
    CSprite exact;
    ASSERT_TRUE(exact.ResizeUncleared(160, 408));
    EXPECT_EQ(exact.GetStorageSize(), 524288u);
}

TEST_F(SpriteTest, ResizeResetsClipMaskAndDepthAndRecreateClears) {
    TestSprite s;
    ASSERT_TRUE(s.Create(32, 8, true));
    s.SetClipRect(2, 2, 5, 5);
    s.BuildOpacityMask();
    s.SetDepthCode(3);
    ASSERT_NE(s.GetOpacityMask(), nullptr);
    ASSERT_TRUE(s.ResizeUncleared(16, 4));
    EXPECT_EQ(s.GetOpacityMask(), nullptr);
    EXPECT_EQ(s.GetDepthCode(), 0u);
    EXPECT_EQ(s.GetClipLeft(), 0);
    EXPECT_EQ(s.GetClipTop(), 0);
    EXPECT_EQ(s.GetClipRight(), 16);
    EXPECT_EQ(s.GetClipBottom(), 4);

    for (int32_t i = 0; i < 64; ++i) s.GetPixels()[i] = 0xFFFFFFFF;
    ASSERT_TRUE(s.RecreateIfReady(8, 8));
    for (int32_t i = 0; i < 64; ++i) ASSERT_EQ(s.GetPixels()[i], 0u);
}

TEST_F(SpriteTest, ResizeRefusesNegativeAndRuledOutSizesAndKeepsTheImage) {
    CSprite s;
    ASSERT_TRUE(s.ResizeUncleared(4, 4));
    s.GetPixels()[0] = 0xAABBCCDD;
    const int32_t refused[][2] = {{-1, 4}, {4, -1}, {16384, 257}, {500001, 1}};
    for (const auto& r : refused) {
        EXPECT_FALSE(s.ResizeUncleared(r[0], r[1]));
        EXPECT_FALSE(s.RecreateIfReady(r[0], r[1]));
    }
    EXPECT_EQ(s.GetWidth(), 4);
    EXPECT_EQ(s.GetPixels()[0], 0xAABBCCDDu);
}

// A resize that cannot get its new block must leave the old image usable.
// Runs in a child process whose address space is limited so that the big
// allocation fails; returns 0 when the old image survived. The address
// sanitizer aborts on a failed allocation instead of throwing, so its build
// skips the test.
#if !defined(__SANITIZE_ADDRESS__)
int ResizeUnderMemoryLimit() {
    CSprite s;
    if (!s.ResizeUncleared(64, 64)) return 2;
    for (int32_t i = 0; i < 64 * 64; ++i) s.GetPixels()[i] = static_cast<uint32_t>(i) * 2654435761u;
    const uint32_t* before = s.GetPixels();
    // Room for what the process has plus 64 MiB, far less than the 1 GiB asked for.
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    if (pages <= 0) return 3;
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = static_cast<rlim_t>(pages) * 4096 + (rlim_t{64} << 20);
    if (setrlimit(RLIMIT_AS, &limit) != 0) return 3;
    bool threw = false;
    try {
        s.ResizeUncleared(16000, 16000);
    } catch (const std::bad_alloc&) {
        threw = true;
    }
    if (!threw) return 4;
    if (s.GetPixels() != before || s.GetWidth() != 64 || s.GetHeight() != 64 || s.GetStorageSize() != 262144)
        return 5;
    for (int32_t i = 0; i < 64 * 64; ++i)
        if (s.GetPixels()[i] != static_cast<uint32_t>(i) * 2654435761u) return 6;
    return 0;
}
#endif

TEST_F(SpriteTest, FailedResizeAllocationKeepsTheOldImage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer aborts on a failed allocation instead of throwing";
#else
    EXPECT_EXIT(std::_Exit(ResizeUnderMemoryLimit()), ::testing::ExitedWithCode(0), "");
#endif
}

TEST_F(SpriteTest, MoveHandsTheBlockOver) {
    CSprite a;
    ASSERT_TRUE(a.Create(5, 3, true));
    uint32_t* pixels = a.GetPixels();
    CSprite b(std::move(a));
    ExpectEmpty(a);
    EXPECT_EQ(b.GetPixels(), pixels);
    EXPECT_EQ(b.GetWidth(), 5);
    CSprite c;
    ASSERT_TRUE(c.Create(1, 1, false));
    c = std::move(b);
    ExpectEmpty(b);
    EXPECT_EQ(c.GetPixels(), pixels);
    EXPECT_EQ(c.GetClipRight(), 5);
}

// ---- Ready guard ----

TEST_F(SpriteNotReadyTest, GuardedOperationsDoNothingBeforeStartUp) {
    CSprite s;
    EXPECT_FALSE(s.CreateWithinLimits(4, 4, true));
    EXPECT_FALSE(s.ResizeUncleared(4, 4));
    EXPECT_FALSE(s.RecreateIfReady(4, 4));
    ExpectEmpty(s);

    ASSERT_TRUE(s.Create(4, 4, true));  // Create itself is not guarded
    s.BuildOpacityMask();
    EXPECT_EQ(s.GetOpacityMask(), nullptr);
    EXPECT_FALSE(s.IsTransparentIfReady());
    for (int32_t y = -1; y <= 4; ++y)
        for (int32_t x = -1; x <= 4; ++x) EXPECT_EQ(s.GetPixelRGB(x, y), 0u);

    InitRasterLibrary(0);  // still not ready
    EXPECT_FALSE(s.RecreateIfReady(4, 4));
    EXPECT_TRUE(InitRasterLibrary(1));
    EXPECT_TRUE(s.RecreateIfReady(4, 4));
    EXPECT_TRUE(s.IsTransparentIfReady());
}

// ---- Clipping ----

TEST_F(SpriteTest, SetClipRectClampsToTheImage) {
    struct Case {
        int32_t l, t, r, b;
        int32_t el, et, er, eb;
    };
    const Case cases[] = {
        {-5, -5, 1000, 1000, 0, 0, 100, 50},  // clamped to the image
        {60, 10, 40, 20, 60, 10, 60, 20},     // right before left: empty
        {10, 5, -1, -1, 10, 5, 0, 0},         // negative right/bottom: 0
        {200, 70, 300, 300, 100, 50, 100, 50},
        {1, 2, 3, 4, 1, 2, 3, 4},
    };
    CSprite s;
    ASSERT_TRUE(s.Create(100, 50, false));
    for (const Case& c : cases) {
        s.SetClipRect(c.l, c.t, c.r, c.b);
        EXPECT_EQ(s.GetClipLeft(), c.el) << c.l;
        EXPECT_EQ(s.GetClipTop(), c.et) << c.t;
        EXPECT_EQ(s.GetClipRight(), c.er) << c.r;
        EXPECT_EQ(s.GetClipBottom(), c.eb) << c.b;
    }
}

TEST_F(SpriteTest, ClipRectTable) {
    struct Case {
        const char* name;
        int32_t clip[4];
        int32_t x, y, w, h;
        int32_t ex, ey, ew, eh;
    };
    const Case cases[] = {
        {"top-left overhang", {0, 0, 100, 100}, -10, -10, 30, 30, 0, 0, 20, 20},
        {"right of the clip", {0, 0, 100, 100}, 150, 0, 10, 10, 150, 0, 0, 0},
        {"inside", {10, 10, 50, 50}, 20, 20, 5, 6, 20, 20, 5, 6},
        {"cut at both sides", {10, 10, 50, 50}, 0, 0, 100, 100, 10, 10, 40, 40},
        {"ends before the clip", {10, 10, 50, 50}, 0, 0, 10, 100, 10, 10, 0, 0},
        {"negative width", {0, 0, 100, 100}, 20, 20, -5, 10, 20, 20, 0, 0},
        {"huge values do not overflow", {0, 0, 100, 100}, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 0, 0},
        {"huge extent", {0, 0, 100, 100}, 5, 5, INT32_MAX, INT32_MAX, 5, 5, 95, 95},
    };
    CSprite s;
    ASSERT_TRUE(s.Create(100, 100, false));
    for (const Case& c : cases) {
        s.SetClipRect(c.clip[0], c.clip[1], c.clip[2], c.clip[3]);
        int32_t x = c.x, y = c.y, w = c.w, h = c.h;
        const int32_t result = s.ClipRect(x, y, w, h);
        EXPECT_EQ(result, c.ew) << c.name;
        EXPECT_EQ(w, c.ew) << c.name;
        EXPECT_EQ(h, c.eh) << c.name;
        if (c.ew != 0) {
            EXPECT_EQ(x, c.ex) << c.name;
            EXPECT_EQ(y, c.ey) << c.name;
        }
        int32_t bx = c.x, by = c.y, bw = c.w, bh = c.h;
        EXPECT_EQ(ClipRectToBounds(c.clip[0], c.clip[1], c.clip[2], c.clip[3], bx, by, bw, bh), c.ew) << c.name;
        EXPECT_EQ(bw, c.ew) << c.name;
        EXPECT_EQ(bh, c.eh) << c.name;
    }
}

TEST_F(SpriteTest, ClipBlitTable) {
    struct Case {
        const char* name;
        int32_t dx, dy, sx, sy, w, h;
        int32_t edx, edy, esx, esy, ew, eh;
    };
    // Destination 100 x 80 with clip 10, 10, 90, 70; source 40 x 30.
    const Case cases[] = {
        {"inside", 20, 20, 0, 0, 40, 30, 20, 20, 0, 0, 40, 30},
        {"source left overhang moves the destination", 20, 20, -3, 0, 10, 5, 23, 20, 0, 0, 7, 5},
        {"source top overhang", 20, 20, 0, -4, 10, 10, 20, 24, 0, 0, 10, 6},
        {"source right and bottom cut", 20, 20, 35, 25, 10, 10, 20, 20, 35, 25, 5, 5},
        {"destination left and top cut move the source", 5, 0, 0, 0, 20, 20, 10, 10, 5, 10, 15, 10},
        {"destination right and bottom cut", 85, 65, 0, 0, 20, 20, 85, 65, 0, 0, 5, 5},
        {"source wholly outside", 20, 20, 50, 0, 10, 10, 0, 0, 0, 0, 0, 0},
        {"overhang larger than the width", 20, 20, -20, 0, 10, 10, 0, 0, 0, 0, 0, 0},
        {"destination wholly outside", 95, 20, 0, 0, 10, 10, 0, 0, 0, 0, 0, 0},
        {"extreme values", INT32_MIN, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 0, 0, 0, 0},
    };
    CSprite dst, src;
    ASSERT_TRUE(dst.Create(100, 80, false));
    ASSERT_TRUE(src.Create(40, 30, false));
    dst.SetClipRect(10, 10, 90, 70);
    for (const Case& c : cases) {
        int32_t dx = c.dx, dy = c.dy, sx = c.sx, sy = c.sy, w = c.w, h = c.h;
        dst.ClipBlit(dx, dy, src, sx, sy, w, h);
        EXPECT_EQ(w, c.ew) << c.name;
        EXPECT_EQ(h, c.eh) << c.name;
        if (c.ew == 0) continue;
        EXPECT_EQ(dx, c.edx) << c.name;
        EXPECT_EQ(dy, c.edy) << c.name;
        EXPECT_EQ(sx, c.esx) << c.name;
        EXPECT_EQ(sy, c.esy) << c.name;
    }
}

// Whatever goes in, a non-empty result lies inside the clip rectangle and the
// source image.
TEST_F(SpriteTest, ClipBlitResultsStayInBoundsOnRandomInput) {
    std::mt19937 rng(1234);
    auto pick = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
    CSprite dst, src;
    ASSERT_TRUE(dst.Create(64, 48, false));
    ASSERT_TRUE(src.Create(37, 21, false));
    for (int n = 0; n < 20000; ++n) {
        dst.SetClipRect(pick(-5, 70), pick(-5, 50), pick(-5, 70), pick(-5, 50));
        int32_t dx = pick(-80, 80), dy = pick(-80, 80), sx = pick(-60, 60), sy = pick(-60, 60);
        int32_t w = pick(-10, 90), h = pick(-10, 90);
        const int32_t odx = dx, osx = sx, ody = dy, osy = sy;
        dst.ClipBlit(dx, dy, src, sx, sy, w, h);
        if (w == 0 || h == 0) {
            ASSERT_EQ(w, 0);
            ASSERT_EQ(h, 0);
            continue;
        }
        ASSERT_GT(w, 0);
        ASSERT_GT(h, 0);
        ASSERT_GE(dx, dst.GetClipLeft());
        ASSERT_LE(dx + w, dst.GetClipRight());
        ASSERT_GE(dy, dst.GetClipTop());
        ASSERT_LE(dy + h, dst.GetClipBottom());
        ASSERT_GE(sx, 0);
        ASSERT_LE(sx + w, 37);
        ASSERT_GE(sy, 0);
        ASSERT_LE(sy + h, 21);
        ASSERT_EQ(dx - sx, odx - osx);  // the copy is not shifted
        ASSERT_EQ(dy - sy, ody - osy);
    }
}

TEST_F(SpriteTest, ClipBlitToBoundsClipsTheDestinationOnly) {
    int32_t dx = -5, dy = 3, sx = 100, sy = 200, w = 20, h = 10;
    EXPECT_EQ(ClipBlitToBounds(0, 0, 10, 10, dx, dy, sx, sy, w, h), 0);  // new dx is 0 here, and not empty
    EXPECT_EQ(sx, 105);
    EXPECT_EQ(w, 10);
    EXPECT_EQ(h, 7);
    dx = 4, dy = 3, sx = 0, sy = 0, w = 20, h = 10;
    EXPECT_EQ(ClipBlitToBounds(2, 0, 10, 10, dx, dy, sx, sy, w, h), 4);
    dx = 40, dy = 3, sx = 0, sy = 0, w = 20, h = 10;
    EXPECT_EQ(ClipBlitToBounds(0, 0, 10, 10, dx, dy, sx, sy, w, h), 0);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

TEST_F(SpriteTest, ClipBlitIndexedUsesPixelsPerWordAndSkipsTheHeader) {
    struct Case {
        const char* name;
        uint32_t depth;
        int32_t widthWords, height;
        int32_t sx, sy, w, h;
        int32_t ew, eh;
    };
    const Case cases[] = {
        {"1 bit: 6 words are 192 pixels", 1, 6, 4, 180, 0, 50, 50, 12, 3},
        {"2 bits: 8 words are 128 pixels", 2, 8, 10, 120, 5, 50, 50, 8, 4},
        {"4 bits: 20 words are 160 pixels", 3, 20, 3, 0, 0, 200, 200, 160, 2},
        {"8 bits: 260 words are 1040 pixels", 4, 260, 2, 1000, 0, 2000, 5, 40, 1},
        {"8 bits but 259 words: header does not fit", 4, 259, 10, 0, 0, 5, 5, 0, 0},
        {"1 bit but 5 words", 1, 5, 10, 0, 0, 5, 5, 0, 0},
        {"depth code 0 is not indexed", 0, 300, 10, 0, 0, 5, 5, 0, 0},
        {"depth code 5 is unknown", 5, 300, 10, 0, 0, 5, 5, 0, 0},
        {"header row only", 2, 8, 1, 0, 0, 5, 5, 0, 0},
    };
    CSprite dst;
    ASSERT_TRUE(dst.Create(4000, 100, false));
    for (const Case& c : cases) {
        TestSprite src;
        ASSERT_TRUE(src.Create(c.widthWords, c.height, false));
        src.SetDepthCode(c.depth);
        int32_t dx = 0, dy = 0, sx = c.sx, sy = c.sy, w = c.w, h = c.h;
        dst.ClipBlitIndexed(dx, dy, src, sx, sy, w, h);
        EXPECT_EQ(w, c.ew) << c.name;
        EXPECT_EQ(h, c.eh) << c.name;
    }
}

struct StretchResult {
    int32_t dx, dy, dw, dh;
    int64_t stepX, stepY, startX, startY;
    int32_t sx, sy, sw, sh;
};

StretchResult Stretch(const CSprite& dst, const CSprite& src, int32_t dx, int32_t dy, int32_t dw, int32_t dh,
                      int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    StretchResult r{dx, dy, dw, dh, -1, -1, -1, -1, sx, sy, sw, sh};
    dst.ClipBlitStretched(r.dx, r.dy, r.dw, r.dh, r.stepX, r.stepY, r.startX, r.startY, src, r.sx, r.sy, r.sw, r.sh);
    return r;
}

TEST_F(SpriteTest, ClipBlitStretchedWorkedExamples) {
    CSprite dst, src;
    ASSERT_TRUE(dst.Create(200, 100, false));
    ASSERT_TRUE(src.Create(10, 10, false));

    // Ten source pixels into 100 at dx = -50: the left half is clipped away.
    StretchResult r = Stretch(dst, src, -50, 0, 100, 10, 0, 0, 10, 10);
    EXPECT_EQ(r.stepX, 6553);
    EXPECT_EQ(r.startX, 3276 + 50 * 6553);
    EXPECT_EQ(r.dx, 0);
    EXPECT_EQ(r.dw, 50);
    EXPECT_EQ(r.stepY, 65536);
    EXPECT_EQ(r.startY, 32768);

    // Source overhang on the left: 2 of 10 source columns gone, so 20 of 100
    // destination columns.
    r = Stretch(dst, src, 0, 0, 100, 10, -2, 0, 10, 10);
    EXPECT_EQ(r.sx, 0);
    EXPECT_EQ(r.sw, 8);
    EXPECT_EQ(r.dx, 20);
    EXPECT_EQ(r.dw, 80);
    EXPECT_EQ(r.stepX, 8 * 65536 / 80);

    // Source overhang at the bottom: rows 5..14 of a 10-row source.
    r = Stretch(dst, src, 0, 0, 10, 40, 0, 5, 10, 10);
    EXPECT_EQ(r.sh, 5);
    EXPECT_EQ(r.dh, 20);
    EXPECT_EQ(r.stepY, 65536 / 4);

    // Destination cut at the bottom and the clip's top.
    dst.SetClipRect(0, 30, 200, 50);
    r = Stretch(dst, src, 0, 20, 10, 40, 0, 0, 10, 10);
    EXPECT_EQ(r.dy, 30);
    EXPECT_EQ(r.dh, 20);
    EXPECT_EQ(r.startY, 65536 / 4 / 2 + 10 * (65536 / 4));
    dst.SetClipRect(0, 0, 200, 100);

    // Empty source: outputs untouched apart from dw = dh = 0.
    r = Stretch(dst, src, 0, 0, 10, 10, 0, 0, 0, 10);
    EXPECT_EQ(r.dw, 0);
    EXPECT_EQ(r.dh, 0);
    EXPECT_EQ(r.stepX, -1);
    EXPECT_EQ(r.startX, -1);

    // A source rectangle wholly right of the image.
    r = Stretch(dst, src, 0, 0, 100, 10, 12, 0, 3, 10);
    EXPECT_EQ(r.dw, 0);
    EXPECT_EQ(r.dh, 0);
}

// Every sample a kernel takes for the clipped rectangle lies inside the clipped
// source rectangle and the source image; wide sources (beyond the 32767 that
// 32-bit steps allow) and extreme ratios included.
TEST_F(SpriteTest, ClipBlitStretchedNeverSamplesOutsideTheSource) {
    struct Source {
        int32_t w, h;
    };
    const Source sources[] = {{1, 1}, {10, 7}, {40000, 1}, {65536, 2}, {500000, 1}, {3, 70000}};
    std::mt19937 rng(99);
    auto pick = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
    auto anyOf = [&](std::initializer_list<int32_t> v) { return *(v.begin() + pick(0, int32_t(v.size()) - 1)); };
    CSprite dst;
    ASSERT_TRUE(dst.Create(300, 200, false));
    for (const Source& s : sources) {
        CSprite src;
        ASSERT_TRUE(src.Create(s.w, s.h, false));
        for (int n = 0; n < 5000; ++n) {
            dst.SetClipRect(pick(-10, 300), pick(-10, 200), pick(0, 310), pick(0, 210));
            auto extent = [&](int32_t size) {
                return anyOf({pick(-5, 5), pick(1, size + 5), size, 65535, 65536, 70000, INT32_MAX, 1, 2});
            };
            auto origin = [&](int32_t size) {
                return anyOf({pick(-size - 5, size + 5), 0, -70000, 70000, INT32_MIN, pick(-3, 3)});
            };
            const int32_t dx = anyOf({pick(-400, 400), -65537, 65537, 0}), dy = anyOf({pick(-400, 400), 0});
            const int32_t dw = extent(400), dh = extent(300);
            const int32_t sx = origin(s.w), sy = origin(s.h), sw = extent(s.w), sh = extent(s.h);
            const StretchResult r = Stretch(dst, src, dx, dy, dw, dh, sx, sy, sw, sh);
            if (r.dw <= 0 || r.dh <= 0) {
                ASSERT_EQ(r.dw, 0);
                ASSERT_EQ(r.dh, 0);
                continue;
            }
            SCOPED_TRACE(::testing::Message() << "src " << s.w << "x" << s.h << " d " << dx << "," << dy << ","
                                              << dw << "," << dh << " s " << sx << "," << sy << "," << sw << ","
                                              << sh);
            ASSERT_GE(r.dx, dst.GetClipLeft());
            ASSERT_LE(r.dx + r.dw, dst.GetClipRight());
            ASSERT_GE(r.dy, dst.GetClipTop());
            ASSERT_LE(r.dy + r.dh, dst.GetClipBottom());
            ASSERT_GT(r.sw, 0);
            ASSERT_GT(r.sh, 0);
            ASSERT_GE(r.sx, 0);
            ASSERT_GE(r.sy, 0);
            ASSERT_LE(int64_t(r.sx) + r.sw, s.w);
            ASSERT_LE(int64_t(r.sy) + r.sh, s.h);
            // Samples grow with i, so the first and the last bound them all.
            const int64_t firstX = r.startX >> 16, lastX = (r.startX + int64_t(r.dw - 1) * r.stepX) >> 16;
            const int64_t firstY = r.startY >> 16, lastY = (r.startY + int64_t(r.dh - 1) * r.stepY) >> 16;
            ASSERT_GE(r.stepX, 0);
            ASSERT_GE(r.stepY, 0);
            ASSERT_GE(firstX, 0);
            ASSERT_LT(lastX, r.sw);
            ASSERT_GE(firstY, 0);
            ASSERT_LT(lastY, r.sh);
        }
    }
}

TEST_F(SpriteTest, ClipBlitStretchedWideSourceScalesWithoutOverflow) {
    // 40000 source columns into 100: 40000 x 65536 is past 32 bits; the step
    // is 400 pixels.
    CSprite dst, src;
    ASSERT_TRUE(dst.Create(100, 1, false));
    ASSERT_TRUE(src.Create(40000, 1, false));
    const StretchResult r = Stretch(dst, src, 0, 0, 100, 1, 0, 0, 40000, 1);
    EXPECT_EQ(r.dw, 100);
    EXPECT_EQ(r.stepX, int64_t(40000) * 65536 / 100);
    EXPECT_EQ(r.startX, r.stepX / 2);
    EXPECT_EQ((r.startX + 99 * r.stepX) >> 16, 39800);
}

// ---- Mask and queries ----

TEST_F(SpriteTest, OpacityMaskOfSeventeenByFiveHasOneInformativeByte) {
    CSprite s;
    ASSERT_TRUE(s.Create(17, 5, true));
    s.BuildOpacityMask();
    const uint8_t* mask = s.GetOpacityMask();
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(s.GetMaskStride(), 2);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(s.GetPixels() + 17 * 5), mask);
    EXPECT_EQ(mask[0], 0xAA);  // four opaque blocks
    EXPECT_EQ(mask[1], 0x00);  // column 16 is not a whole block
    EXPECT_EQ(mask[2], 0x00);  // row 4 is not a whole group
    EXPECT_EQ(mask[3], 0x00);
}

TEST_F(SpriteTest, OpacityMaskBitPairs) {
    // 24 x 8: one whole cell and a partial cell of two blocks per row group.
    CSprite s;
    ASSERT_TRUE(s.Create(24, 8, false));
    auto fillBlock = [&](int32_t bx, int32_t by, uint32_t v) {
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 4; ++x) *s.PixelAt(bx * 4 + x, by * 4 + y) = v;
    };
    // Row group 0: opaque, transparent, mixed, opaque-but-one | opaque, transparent with colour.
    fillBlock(0, 0, 0xFF000000);
    fillBlock(1, 0, 0x00000000);
    fillBlock(2, 0, 0x80FFFFFF);
    fillBlock(3, 0, 0xFF123456);
    *s.PixelAt(15, 3) = 0xFE123456;
    fillBlock(4, 0, 0xFFFFFFFF);
    fillBlock(5, 0, 0x00FFFFFF);
    // Row group 1: all opaque but the last block has one transparent pixel.
    for (int32_t b = 0; b < 6; ++b) fillBlock(b, 1, 0xFF000000);
    *s.PixelAt(23, 7) = 0x00000000;
    s.BuildOpacityMask();
    const uint8_t* m = s.GetOpacityMask();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m[0], 0x90);  // 10 01 00 00
    EXPECT_EQ(m[1], 0x90);  // 10 01 | two absent blocks
    EXPECT_EQ(m[2], 0xAA);
    EXPECT_EQ(m[3], 0x80);  // 10 00 (mixed)

    // The mask is a snapshot: pixels changed later do not change it; a resize drops it.
    fillBlock(0, 0, 0);
    EXPECT_EQ(m[0], 0x90);
    ASSERT_TRUE(s.ResizeUncleared(24, 8));
    EXPECT_EQ(s.GetOpacityMask(), nullptr);
}

TEST_F(SpriteTest, IsRectTransparent) {
    CSprite s;
    ASSERT_TRUE(s.Create(10, 10, false));
    for (int32_t i = 0; i < 100; ++i) s.GetPixels()[i] = 0x00FFFFFF;  // colour without alpha
    EXPECT_TRUE(s.IsRectTransparent(0, 0, 10, 10));
    EXPECT_TRUE(s.IsTransparentIfReady());
    *s.PixelAt(7, 8) = 0x01000000;
    EXPECT_FALSE(s.IsRectTransparent(0, 0, 10, 10));
    EXPECT_FALSE(s.IsTransparentIfReady());
    EXPECT_TRUE(s.IsRectTransparent(0, 0, 7, 10));
    EXPECT_FALSE(s.IsRectTransparent(7, 8, 1, 1));
    s.SetClipRect(0, 0, 5, 5);
    EXPECT_TRUE(s.IsRectTransparent(6, 6, 4, 4));  // wholly outside the clip
    EXPECT_TRUE(s.IsRectTransparent(-100, -100, 50, 50));
}

TEST_F(SpriteTest, GetPixelRGBClearsAlphaAndIsZeroOutside) {
    CSprite s;
    ASSERT_TRUE(s.Create(3, 2, false));
    *s.PixelAt(2, 1) = 0x12345678;
    EXPECT_EQ(s.GetPixelRGB(2, 1), 0x345678u);
    const int32_t outside[][2] = {{-1, 0}, {0, -1}, {3, 0}, {0, 2}, {INT32_MAX, 0}, {0, INT32_MIN}};
    for (const auto& p : outside) EXPECT_EQ(s.GetPixelRGB(p[0], p[1]), 0u) << p[0] << "," << p[1];
    CSprite empty;
    EXPECT_EQ(empty.GetPixelRGB(0, 0), 0u);
}

TEST_F(SpriteTest, AndPixelsAndCountMatchingPixels) {
    CSprite a, b;
    ASSERT_TRUE(a.Create(4, 4, true));
    ASSERT_TRUE(b.Create(4, 4, false));
    a.SetClipRect(1, 1, 3, 3);
    a.AndPixels(0, 0, 4, 4, 0xFF00FF00);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) {
            const bool inside = x >= 1 && x < 3 && y >= 1 && y < 3;
            EXPECT_EQ(*a.PixelAt(x, y), inside ? 0xFF00FF00u : 0xFFFFFFFFu) << x << "," << y;
        }
    for (int32_t i = 0; i < 16; ++i) b.GetPixels()[i] = 0x0000FF00;
    // Within the clip the green bytes match, alpha differs.
    EXPECT_EQ(a.CountMatchingPixels(0, 0, b, 0, 0, 4, 4, 0x0000FF00), 4);
    EXPECT_EQ(a.CountMatchingPixels(0, 0, b, 0, 0, 4, 4, 0xFF00FF00), 0);
    EXPECT_EQ(a.CountMatchingPixels(2, 2, b, 0, 0, 4, 4, 0x0000FF00), 1);
    EXPECT_EQ(a.CountMatchingPixels(0, 0, b, 5, 0, 4, 4, 0), 0);  // nothing left
}

}  // namespace
