// Copy and tone-copy kernels.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;

class CopyKernelsTest : public KernelTest {
protected:
    std::mt19937 rng{3};
};

Draw Level(blend::PlainLevelFn f, uint32_t level) {
    return [f, level](CSprite& t, const CSprite& s) { (t.*f)(0, 0, s, 0, 0, 1, 1, level); };
}

TEST_F(CopyKernelsTest, KnownAnswers) {
    ExpectCases({
        {"Copy takes the whole pixel", Plain(&CSprite::DrawCopy), 0x00445566, 0xFF112233, 0x00445566},
        {"CopyC keeps the destination alpha", Plain(&CSprite::DrawCopyC), 0xFF445566, 0x40112233, 0x40445566},
        {"CopyA keeps the destination colour", Plain(&CSprite::DrawCopyA), 0xFF445566, 0x40112233, 0xFF112233},
        {"Copy blend 128, all four channels", Level(&CSprite::DrawCopyOpacity, 128), 0xFF000000, 0x00FFFFFF,
         0x7F7F7F7F},
        {"CopyC blend 128", Level(&CSprite::DrawCopyCOpacity, 128), 0xFF000000, 0x00FFFFFF, 0x007F7F7F},
        {"Copy blend 300 copies", Level(&CSprite::DrawCopyOpacity, 300), 0x12345678, 0x9ABCDEF0, 0x12345678},
        {"Copy blend 0 draws nothing", Level(&CSprite::DrawCopyOpacity, 0), 0x12345678, 0x9ABCDEF0, 0x9ABCDEF0},
        {"CopyTone at strength 0 writes the tint with alpha 0",
         Tone(&CSprite::DrawCopyTone, 0x00FF0000, 256, 0, 0, 0), 0xFF102030, 0x80ABCDEF, 0x00FF2030},
        {"CopyTone without tint scales only the alpha", Tone(&CSprite::DrawCopyTone, 0x00FF0000, 0, 0, 0, 128),
         0xFF102030, 0x80ABCDEF, 0x7F102030},
        {"CopyTone mixes each channel by its amount", Tone(&CSprite::DrawCopyTone, 0x00FFFFFF, 128, 64, 0, 256),
         0x80000000, 0xFFFFFFFF, 0x807F3F00},
        {"WhereDestVisible over alpha 0", Plain(&CSprite::DrawCopyWhereDestVisible), 0x00123456, 0x00ABCDEF,
         0x00ABCDEF},
        {"WhereDestVisible over alpha 1", Plain(&CSprite::DrawCopyWhereDestVisible), 0x00123456, 0x01ABCDEF,
         0x00123456},
        {"WhereSourceVisible, source alpha 0", Plain(&CSprite::DrawCopyWhereSourceVisible), 0x00123456, 0x01ABCDEF,
         0x01ABCDEF},
        {"WhereSourceVisible, source alpha 1", Plain(&CSprite::DrawCopyWhereSourceVisible), 0x01123456, 0xFFABCDEF,
         0x01123456},
        {"WhereDestEmpty over alpha 0", Plain(&CSprite::DrawCopyWhereDestEmpty), 0x80123456, 0x00ABCDEF, 0x80123456},
        {"WhereDestEmpty over alpha 1", Plain(&CSprite::DrawCopyWhereDestEmpty), 0x80123456, 0x01ABCDEF, 0x01ABCDEF},
    });
}

TEST_F(CopyKernelsTest, ScaledAlphaCopy) {
    auto scaled = [](uint32_t n) {
        return [n](CSprite& t, const CSprite& s) { t.DrawCopyScaledAlpha(0, 0, s, 0, 0, 1, 1, n); };
    };
    struct Row {
        const char* name;
        uint32_t n, source, expected;
    } rows[] = {
        {"transparent source clears the destination", 128, 0x00ABCDEF, 0x00000000},
        {"alpha halved", 128, 0x80FFFFFF, 0x40FFFFFF},
        {"red and green act as fraction bits: one more than (2 x 255) >> 8", 255, 0x02FFFFFF, 0x02FFFFFF},
        {"without fraction bits", 255, 0x02000000, 0x01000000},
        {"256 copies", 256, 0x12345678, 0x12345678},
        {"any n above 256 copies", 0xFFFFFFFF, 0x00345678, 0x00345678},
    };
    for (const auto& r : rows) EXPECT_EQ(OnePixel(r.source, 0xFFABCDEF, scaled(r.n)), r.expected) << r.name;
    raster_test::ResetRasterLibrary();
    const uint32_t notReady = OnePixel(0x12345678, 0xFFABCDEF, scaled(256));
    InitRasterLibrary(1);
    EXPECT_EQ(notReady, 0xFFABCDEFu);
}

TEST_F(CopyKernelsTest, ScaleAlpha) {
    struct Row {
        const char* name;
        uint32_t n, before, after;
    } rows[] = {
        {"512 doubles", 512, 0x40123456, 0x80123456},
        {"512 stops at 255", 512, 0x90123456, 0xFF123456},
        {"0 makes transparent", 0, 0xFF123456, 0x00123456},
        {"128 halves", 128, 0xFF123456, 0x7F123456},
        {"256 returns at once", 256, 0x80123456, 0x80123456},
        {"65792 has the low 16 bits 256", 65792, 0x80123456, 0x80123456},
        {"65664 has the low 16 bits 128", 65664, 0x80123456, 0x40123456},
    };
    for (const auto& r : rows) {
        CSprite s;
        Make(s, 3, 2);
        Fill(s, r.before);
        s.SetClipRect(1, 0, 3, 1);
        s.ScaleAlpha(-5, -5, 100, 100, r.n);
        EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{r.before, r.after, r.after, r.before, r.before, r.before}))
            << r.name;
    }
}

TEST_F(CopyKernelsTest, ChannelCopyWeighsEachChannelOnItsOwn) {
    // alpha taken, red kept, green mixed at 128, blue taken.
    EXPECT_EQ(OnePixel(0x10FF80C0, 0xF0204060,
                       [](CSprite& t, const CSprite& s) { t.DrawChannelCopy(0, 0, s, 0, 0, 1, 1, 255, 0, 128, 255); }),
              0x102060C0u);
    // weight k mixes (d x (256 - k) + s x k) >> 8.
    EXPECT_EQ(OnePixel(0xFFFFFFFF, 0x00000000,
                       [](CSprite& t, const CSprite& s) { t.DrawChannelCopy(0, 0, s, 0, 0, 1, 1, 1, 64, 192, 254); }),
              0x003FBFFDu);
}

// A 4 x 3 source drawn with sx = -2, sy = -1, w = 8, h = 6: the two left columns
// repeat column 0, the row above row 0, the two right columns column 3, the two
// rows below row 2; the four corner blocks are not written.
TEST_F(CopyKernelsTest, ClampEdgesRepeatsTheNearestEdge) {
    CSprite source;
    Make(source, 4, 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) *source.PixelAt(x, y) = 0xFF000000u | static_cast<uint32_t>(x << 4 | y);
    CSprite target;
    Make(target, 12, 9);
    Fill(target, 0x12345678);
    target.DrawCopyClampEdges(2, 1, source, -2, -1, 8, 6);
    for (int32_t j = 0; j < 9; ++j)
        for (int32_t i = 0; i < 12; ++i) {
            const int32_t vx = i - 2 - 2, vy = j - 1 - 1;  // virtual source position
            const bool insideRect = i >= 2 && i < 10 && j >= 1 && j < 7;
            const bool xIn = vx >= 0 && vx < 4, yIn = vy >= 0 && vy < 3;
            uint32_t expected = 0x12345678;
            if (insideRect && (xIn || yIn)) {
                const int32_t cx = vx < 0 ? 0 : vx > 3 ? 3 : vx;
                const int32_t cy = vy < 0 ? 0 : vy > 2 ? 2 : vy;
                expected = *source.PixelAt(cx, cy);
            }
            EXPECT_EQ(*target.PixelAt(i, j), expected) << i << "," << j;
        }
}

// A rectangle that lies wholly beside the source fills only its own columns.
TEST_F(CopyKernelsTest, ClampEdgesStaysInsideTheRectangle) {
    CSprite source;
    Make(source, 4, 3);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x) *source.PixelAt(x, y) = 0xFF000000u | static_cast<uint32_t>(x << 4 | y);
    CSprite target;
    Make(target, 20, 3);
    Fill(target, 0);
    target.DrawCopyClampEdges(10, 0, source, 7, 0, 3, 3);   // right of the source
    target.DrawCopyClampEdges(2, 0, source, -9, 0, 3, 3);   // left of the source
    for (int32_t i = 0; i < 20; ++i) {
        const bool right = i >= 10 && i < 13, left = i >= 2 && i < 5;
        const uint32_t expected = right ? 0xFF000030u : left ? 0xFF000000u : 0u;
        EXPECT_EQ(*target.PixelAt(i, 1) & 0xFFFFFFF0u, expected) << i;
    }
    // Not ready: nothing.
    raster_test::ResetRasterLibrary();
    Fill(target, 0);
    target.DrawCopyClampEdges(0, 0, source, -2, -1, 8, 6);
    InitRasterLibrary(1);
    EXPECT_EQ(Pixels(target), std::vector<uint32_t>(60, 0));
}

TEST_F(CopyKernelsTest, MaskCopies) {
    CSprite source, target, mask;
    Make(source, 4, 1);
    Make(target, 4, 1);
    Make(mask, 6, 1);
    Fill(source, 0x00000000);
    Fill(target, 0xFFFFFFFF);
    const uint32_t maskAlpha[6] = {0, 255, 128, 0, 255, 255};
    for (int i = 0; i < 6; ++i) *mask.PixelAt(i, 0) = maskAlpha[i] << 24 | 0x123456;
    // Weight = mask alpha: 0 keeps, 255 copies, 128 mixes.
    target.DrawCopyByMaskAlpha(0, 0, source, 0, 0, 4, 1, mask, 0, 0, 6, 1);
    EXPECT_EQ(Pixels(target), (std::vector<uint32_t>{0xFFFFFFFF, 0, 0x7F7F7F7F, 0xFFFFFFFF}));
    // Inverse: kept where the mask is opaque, copied where it is transparent,
    // and weight 255 - 128 = 127; mw limits the width.
    Fill(target, 0xFFFFFFFF);
    target.DrawCopyByInverseMaskAlpha(0, 0, source, 0, 0, 4, 1, mask, 0, 0, 3, 1);
    EXPECT_EQ(Pixels(target), (std::vector<uint32_t>{0, 0xFFFFFFFF, 0x80808080, 0xFFFFFFFF}));
    // The mask offset selects the mask pixels.
    Fill(target, 0xFFFFFFFF);
    target.DrawCopyByMaskAlpha(0, 0, source, 0, 0, 4, 1, mask, 2, 0, 9, 9);
    EXPECT_EQ(Pixels(target), (std::vector<uint32_t>{0x7F7F7F7F, 0xFFFFFFFF, 0, 0}));
    // A negative mask offset moves destination and source along with the mask:
    // mask pixel 0 meets destination and source pixel 1.
    for (int i = 0; i < 4; ++i) *source.PixelAt(i, 0) = static_cast<uint32_t>(i);
    Fill(target, 0xFFFFFFFF);
    target.DrawCopyByInverseMaskAlpha(0, 0, source, 0, 0, 4, 1, mask, -1, 0, 9, 9);
    EXPECT_EQ(Pixels(target), (std::vector<uint32_t>{0xFFFFFFFF, 1, 0xFFFFFFFF, 0x80808081}));
}

TEST_F(CopyKernelsTest, IndexedSourceTakesTheMostSignificantBitsFirst) {
    TestSprite indexed;
    Make(indexed, 6, 2);
    *indexed.PixelAt(4, 0) = 0xFF000000;  // palette entry 0
    *indexed.PixelAt(5, 0) = 0xFFFFFFFF;  // palette entry 1
    *indexed.PixelAt(0, 1) = 0x80000000;
    indexed.SetDepthCode(1);
    CSprite target;
    Make(target, 33, 1);
    target.DrawCopyFromIndexed(0, 0, indexed, 0, 0, 33, 1);
    EXPECT_EQ(*target.PixelAt(0, 0), 0xFFFFFFFFu);
    for (int32_t x = 1; x < 33; ++x) EXPECT_EQ(*target.PixelAt(x, 0), 0xFF000000u) << x;
}

TEST_F(CopyKernelsTest, WholeSourceCopyWaitsForTheLibrary) {
    CSprite source, target;
    Make(source, 2, 2);
    Fill(source, 0x11223344);
    Make(target, 4, 4);
    target.DrawCopyWhole(1, 2, source);
    EXPECT_EQ(*target.PixelAt(1, 2), 0x11223344u);
    EXPECT_EQ(*target.PixelAt(2, 3), 0x11223344u);
    EXPECT_EQ(*target.PixelAt(0, 2), 0u);
    EXPECT_EQ(*target.PixelAt(1, 1), 0u);
    Fill(target, 0);
    raster_test::ResetRasterLibrary();
    target.DrawCopyWhole(0, 0, source);
    InitRasterLibrary(1);
    EXPECT_EQ(Pixels(target), std::vector<uint32_t>(16, 0));
}

// Source and destination may be the same sprite when the rectangles do not overlap.
TEST_F(CopyKernelsTest, CopyWithinOneSprite) {
    CSprite s;
    Make(s, 8, 2);
    for (int32_t x = 0; x < 8; ++x) *s.PixelAt(x, 0) = static_cast<uint32_t>(x);
    s.DrawCopy(0, 1, s, 2, 0, 5, 1);
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(*s.PixelAt(x, 1), static_cast<uint32_t>(x + 2));
    EXPECT_EQ(*s.PixelAt(5, 1), 0u);
}

}  // namespace
