// The tile font: cell sizes and the ASCII strip from the face, the width
// table, and the glyph cache (eviction by the oldest call, surrogate pairs,
// re-creation).
#include <gtest/gtest.h>

#include <string>

#include "host/text/TileFont.h"
#include "tests/host/text/TileFontTestSupport.h"

namespace {

using tilefont_test::MakeFont;
using tilefont_test::SyntheticFaces;

// The columns of an ASCII cell that hold any alpha.
std::pair<int32_t, int32_t> InkColumns(const CSprite& strip, int32_t cellX, int32_t W, int32_t H) {
    int32_t first = -1, last = -1;
    for (int32_t x = 0; x < W; ++x)
        for (int32_t y = 0; y < H; ++y)
            if ((*strip.PixelAt(cellX + x, y) >> 24) != 0) {
                if (first < 0) first = x;
                last = x;
            }
    return {first, last};
}

TEST(TileFontTest, CellSizeFromTheFaceTakesTheLargerHalfOfAnOddWidth) {
    CQRKTileFontCore font;
    // Widest character 7 (odd): W = 4; height 8 + 3 = 11: H = 15.
    ASSERT_TRUE(MakeFont(font, 0, 0, 0x100, 7));
    EXPECT_EQ(font.GetCellWidth(), 4);
    EXPECT_EQ(font.GetCellHeight(), 15);
    EXPECT_EQ(font.GetDefaultExternalWidth(), 4);
    EXPECT_EQ(font.GetFontVersion(), 1u);
}

TEST(TileFontTest, WidthTableHoldsMeasuredWidthsAndATabOfThreeSpaces) {
    CQRKTileFontCore font;
    ASSERT_TRUE(MakeFont(font, 23, 23, 0x100, 6));
    const int32_t* widths = font.GetWidthTable();
    EXPECT_EQ(widths[32], 6);
    EXPECT_EQ(widths[9], 3 * widths[32]);
    for (int c = 33; c <= 126; ++c) EXPECT_EQ(widths[c], 6) << c;
    EXPECT_EQ(widths[0], 0);
    EXPECT_EQ(widths[127], 0);
    EXPECT_EQ(widths[200], 0);
}

TEST(TileFontTest, CentredModeCentresANarrowGlyphInItsCellProportionalLeavesItLeft) {
    struct Row {
        uint32_t flags;
        int32_t first, last;  // ink columns of "i" in its 23-pixel cell
    } rows[] = {
        {0x80, 8 + 1, 8 + 4},  // advance 6 centred: (23 - 6) / 2 = 8, box 1..4 beyond
        {0x100, 1, 4},
        {0x000, 1, 4},
    };
    for (const Row& row : rows) {
        CQRKTileFontCore font;
        ASSERT_TRUE(MakeFont(font, 23, 23, row.flags));
        const auto ink = InkColumns(font.GetAsciiStrip(), 'i' * 23, 23, 23);
        EXPECT_EQ(ink.first, row.first) << row.flags;
        EXPECT_EQ(ink.second, row.last) << row.flags;
        // Cells 0-32 and 127 stay empty.
        EXPECT_EQ(InkColumns(font.GetAsciiStrip(), 32 * 23, 23, 23).first, -1);
        EXPECT_EQ(InkColumns(font.GetAsciiStrip(), 127 * 23, 23, 23).first, -1);
    }
}

class TileFontCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeFont(font, 4, 11, 0));
        target.Create(600, 400, false);
    }
    // Draws the characters first, first + 1, ... (count of them), 64 to a line.
    bool DrawRun(char16_t first, int32_t count) {
        std::u16string text;
        for (int32_t i = 0; i < count; ++i) {
            if (i != 0 && i % 64 == 0) text += u'\n';
            text += char16_t(first + i);
        }
        return font.DrawRichText(text.c_str(), target, 0, 0, 600, 400, 3, nullptr, nullptr, 128);
    }
    CQRKTileFontCore font;
    CSprite target;
};

TEST_F(TileFontCacheTest, The1025thDistinctGlyphOfOneCallEvictsEveryGlyphAndDrawingSucceeds) {
    ASSERT_TRUE(DrawRun(0x4E00, 1024));
    EXPECT_EQ(font.GetGlyphCount(), 1024);
    ASSERT_TRUE(DrawRun(0x5000, 1025));
    // At the 1025th every cached glyph carried the current stamp: all went.
    EXPECT_EQ(font.GetGlyphCount(), 1);
    EXPECT_GE(font.FindCachedSlot(0x5000 + 1024), 0);
    EXPECT_EQ(font.FindCachedSlot(0x5000), -1);
}

TEST_F(TileFontCacheTest, GlyphsOfAnOlderCallGoBeforeThoseOfANewerOne) {
    ASSERT_TRUE(DrawRun(0x4E00, 1000));  // call 1
    ASSERT_TRUE(DrawRun(0x6000, 24));    // call 2 fills the cache
    ASSERT_TRUE(DrawRun(0x4E00, 1));     // call 3 uses one glyph of call 1 again
    EXPECT_EQ(font.GetGlyphCount(), 1024);
    ASSERT_TRUE(DrawRun(0x7000, 1));  // a miss on a full cache
    EXPECT_EQ(font.FindCachedSlot(0x4E01), -1);  // call 1's glyphs are gone
    EXPECT_EQ(font.FindCachedSlot(0x4E00 + 999), -1);
    EXPECT_GE(font.FindCachedSlot(0x4E00), 0);  // refreshed by call 3
    EXPECT_GE(font.FindCachedSlot(0x6000), 0);
    EXPECT_GE(font.FindCachedSlot(0x7000), 0);
    EXPECT_EQ(font.GetGlyphCount(), 24 + 1 + 1);
    // Slots stay distinct through the eviction.
    std::vector<bool> used(1024, false);
    for (char16_t c : {char16_t(0x4E00), char16_t(0x7000)}) {
        const int32_t s = font.FindCachedSlot(c);
        ASSERT_FALSE(used[size_t(s)]);
        used[size_t(s)] = true;
    }
    for (int32_t i = 0; i < 24; ++i) {
        const int32_t s = font.FindCachedSlot(0x6000 + uint32_t(i));
        ASSERT_FALSE(used[size_t(s)]) << i;
        used[size_t(s)] = true;
    }
}

TEST_F(TileFontCacheTest, ASurrogatePairIsOneKeyAndOneGlyph) {
    CQRKTileFontDetailList details;
    ASSERT_TRUE(font.DrawRichText(u"\xD842\xDF9F" "A", target, 0, 0, 600, 400, 3, nullptr, &details, 128));
    EXPECT_EQ(font.GetGlyphCount(), 1);
    EXPECT_GE(font.FindCachedSlot(0xDF9Fu << 16 | 0xD842u), 0);
    ASSERT_EQ(details.GetCount(), 2u);
    EXPECT_EQ(details.GetAt(1)->x, 8);  // one full-width cell (2 W) before the "A"
    const CUStr_base<64>& text = details.GetAt(0)->text;
    ASSERT_GE(text.GetLength(), 2);
    EXPECT_EQ(text.GetText()[text.GetLength() - 2], 0xD842);
    EXPECT_EQ(text.GetText()[text.GetLength() - 1], 0xDF9F);
}

TEST_F(TileFontCacheTest, StampsFollowCallsAndMeasuringLeavesTheCacheAlone) {
    ASSERT_TRUE(DrawRun(0x4E00, 1));
    const uint64_t stamp = font.GetCachedStamp(0x4E00);
    EXPECT_EQ(stamp, font.GetDrawStamp());
    platform::Rect r{};
    ASSERT_TRUE(font.DrawRichText(u"\x4E00\x4E01", target, 0, 0, 600, 400, -1, &r, nullptr, 128));
    EXPECT_EQ(font.GetCachedStamp(0x4E00), stamp);
    EXPECT_EQ(font.FindCachedSlot(0x4E01), -1);
    EXPECT_EQ(font.GetDrawStamp(), stamp + 1);
}

TEST_F(TileFontCacheTest, ReCreationEmptiesTheCache) {
    ASSERT_TRUE(DrawRun(0x4E00, 10));
    ASSERT_EQ(font.GetGlyphCount(), 10);
    ASSERT_TRUE(MakeFont(font, 6, 13, 0));
    EXPECT_EQ(font.GetGlyphCount(), 0);
    EXPECT_EQ(font.FindCachedSlot(0x4E00), -1);
    EXPECT_EQ(font.GetCellWidth(), 6);
    EXPECT_EQ(font.GetFontVersion(), 2u);
    EXPECT_EQ(font.GetGlyphRenderer().Canvas.GetWidth(), 2 * 6 + 10);  // made anew for the new cells
    ASSERT_TRUE(DrawRun(0x4E00, 10));
    EXPECT_EQ(font.GetGlyphCount(), 10);
}

TEST(TileFontTest, AnUncreatedFontCannotRenderACharacterButMeasures) {
    InitRasterLibrary(1);
    CQRKTileFontCore font;
    CSprite target;
    target.Create(64, 64, false);
    target.SetClipRect(1, 2, 60, 61);
    EXPECT_FALSE(font.DrawRichText(u"\x3042", target, 0, 0, 64, 64, 3, nullptr, nullptr, 128));
    EXPECT_EQ(target.GetClipLeft(), 1);
    EXPECT_EQ(target.GetClipBottom(), 61);
    platform::Rect r{};
    EXPECT_TRUE(font.DrawRichText(u"\x3042", target, 0, 0, 64, 64, -1, &r, nullptr, 128));
}

}  // namespace
