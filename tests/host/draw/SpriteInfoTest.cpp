// The sprite resource: one-to-one at its natural size, stretched otherwise,
// the windows DrawPart cuts out of the source rectangle (also at the ends of
// the 32-bit range), and references that resolve to no sprite.
#include "host/draw/SpriteInfo.h"

#include <gtest/gtest.h>

#include <climits>

#include "host/HostContext.h"
#include "tests/host/draw/DrawTestSupport.h"

namespace {

using namespace drawtest;

constexpr uint32_t kBackground = 0x00000000u;

// A 10 x 8 coordinate sprite shown through the source rectangle (2, 1, 6, 5).
class SpriteInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeCoordSprite(source, 10, 8);
        MakeFilled(target, 40, 30, kBackground);
        info.SetSprite(CQRKSpriteMgr(&source), draw_mode::kBase | draw_mode::kCopy, 255);
        info.sourceX = 2;
        info.sourceY = 1;
        info.sourceWidth = 6;
        info.sourceHeight = 5;
    }

    // Every target pixel inside (dx, dy, dw, dh) is the source pixel at
    // (ox + i, oy + j); every other pixel is untouched.
    void ExpectDrawn(int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t ox, int32_t oy) {
        for (int32_t y = 0; y < target.GetHeight(); ++y)
            for (int32_t x = 0; x < target.GetWidth(); ++x) {
                const bool inside = x >= dx && x < dx + dw && y >= dy && y < dy + dh;
                const uint32_t want = inside ? CoordPixel(ox + x - dx, oy + y - dy) : kBackground;
                ASSERT_EQ(At(target, x, y), want) << "at " << x << "," << y;
            }
    }

    CSprite source, target;
    QRKWDRSpriteInfo info;
};

TEST_F(SpriteInfoTest, SetSpriteTakesTheWholeSpriteAndCountsTheChange) {
    QRKWDRSpriteInfo fresh;
    EXPECT_EQ(fresh.GetWidth(), 0);
    const uint32_t before = fresh.Changes().GetCount();
    fresh.SetSprite(CQRKSpriteMgr(&source), draw_mode::kBase | draw_mode::kMixAlpha, 77);
    EXPECT_EQ(fresh.Changes().GetCount(), before + 1);
    EXPECT_EQ(fresh.GetWidth(), 10);
    EXPECT_EQ(fresh.GetHeight(), 8);
    EXPECT_EQ(fresh.sourceX, 0);
    EXPECT_EQ(fresh.mode, draw_mode::kBase | draw_mode::kMixAlpha);
    EXPECT_EQ(fresh.level, 77);

    fresh.colourParameter1 = 5;
    fresh.Reset();
    EXPECT_EQ(fresh.Changes().GetCount(), before + 2);
    EXPECT_EQ(fresh.Reference().GetKind(), CQRKSpriteMgr::kNone);
    EXPECT_EQ(fresh.GetWidth(), 0);
    EXPECT_EQ(fresh.mode, QRKWDRSpriteInfo::kDefaultMode);
    EXPECT_EQ(fresh.level, 128);
    EXPECT_EQ(fresh.colourParameter1, 0u);
    EXPECT_FALSE(fresh.Draw(0, 0, 4, 4, target, 0, nullptr)) << "no sprite: nothing to draw";
    EXPECT_FALSE(fresh.DrawPart(0, 0, 4, 4, target, 0, 0));
    EXPECT_EQ(CountNot(target, kBackground), 0);
}

TEST_F(SpriteInfoTest, NaturalSizeCopiesOneToOneAnyOtherSizeStretchesTheWholeRectangle) {
    EXPECT_TRUE(info.Draw(3, 4, 6, 5, target, 0, nullptr));
    ExpectDrawn(3, 4, 6, 5, 2, 1);

    target.FillRect(0, 0, 40, 30, kBackground);
    EXPECT_TRUE(info.DrawItem(99, 0, 0, 12, 10, target));  // twice the size
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 12; ++x) ASSERT_EQ(At(target, x, y), CoordPixel(2 + x / 2, 1 + y / 2)) << x << "," << y;
    EXPECT_EQ(At(target, 12, 0), kBackground);
}

TEST_F(SpriteInfoTest, DrawPartCutsItsWindowOutOfTheSourceRectangle) {
    struct Row {
        const char* name;
        int32_t x, y, w, h, sx, sy;
        bool result;
        int32_t dx, dy, dw, dh, ox, oy;  // drawn rectangle and its source origin
    } rows[] = {
        {"the whole rectangle", 3, 4, 6, 5, 0, 0, true, 3, 4, 6, 5, 2, 1},
        {"offset: the rest up to the rectangle's end", 3, 4, 20, 20, 2, 1, true, 3, 4, 4, 4, 4, 2},
        {"a window narrower than the rest", 3, 4, 2, 3, 1, 1, true, 3, 4, 2, 3, 3, 2},
        {"sx -5: 5 right, 5 narrower", 3, 4, 10, 5, -5, 0, true, 8, 4, 5, 5, 2, 1},
        {"sx -5, room wider than the rectangle", 3, 4, 20, 5, -5, 0, true, 8, 4, 6, 5, 2, 1},
        {"sy -2: 2 down, 2 lower", 3, 4, 6, 4, 0, -2, true, 3, 6, 6, 2, 2, 1},
        {"sx -5 with width exactly 5: nothing left", 3, 4, 5, 5, -5, 0, true, 0, 0, 0, 0, 0, 0},
        {"sx -5 with width 4: negative", 3, 4, 4, 5, -5, 0, false, 0, 0, 0, 0, 0, 0},
        {"sx at the width", 3, 4, 6, 5, 6, 0, false, 0, 0, 0, 0, 0, 0},
        {"sy at the height", 3, 4, 6, 5, 0, 5, false, 0, 0, 0, 0, 0, 0},
        {"sx past the width", 3, 4, 6, 5, 100, 0, false, 0, 0, 0, 0, 0, 0},
        // 2 + INT32_MAX wraps in 32 bits, and the window would run past the
        // rectangle to the end of the sprite.
        {"largest width", 0, 0, INT32_MAX, INT32_MAX, 2, 1, true, 0, 0, 4, 4, 4, 2},
        {"x + 5 past the largest position", INT32_MAX - 2, 0, 10, 5, -5, 0, true, 0, 0, 0, 0, 0, 0},
        {"smallest x and sx", INT32_MIN, 0, INT32_MAX, 5, INT32_MIN, 0, false, 0, 0, 0, 0, 0, 0},
        {"smallest x, sx -1", INT32_MIN, 0, INT32_MAX, 5, -1, 0, true, 0, 0, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        target.FillRect(0, 0, 40, 30, kBackground);
        EXPECT_EQ(info.DrawPart(row.x, row.y, row.w, row.h, target, row.sx, row.sy), row.result);
        ExpectDrawn(row.dx, row.dy, row.dw, row.dh, row.ox, row.oy);
    }
}

// Shared-table references: the named entry is acquired when the resource
// takes the reference.
bool LoadTwelveByFour(const char*, CSprite* sprite) { return sprite->Create(12, 4, true); }

TEST(SpriteInfoSharedTest, ALazilyNamedSpriteIsResolvedWhenTaken) {
    InitRasterLibrary(1);
    CQRKShareSpriteMgr table;
    QRKHostContext host;
    host.shareSprites = &table;
    QRKHostContext* previous = QRKCurrentHost();
    QRKPublishHost(&host);
    {
        CQRKSpriteMgr lazy;
        ASSERT_TRUE(lazy.SetSharedLazy("strip", 10, &LoadTwelveByFour));
        QRKWDRSpriteInfo info;
        info.SetSprite(lazy, draw_mode::kBase | draw_mode::kCopy, 128);
        EXPECT_EQ(info.Reference().GetKind(), CQRKSpriteMgr::kShared);
        EXPECT_EQ(info.GetWidth(), 12);
        EXPECT_EQ(info.GetHeight(), 4);
        EXPECT_EQ(table.Find("strip")->references, 1);

        CQRKSpriteMgr missing;
        ASSERT_TRUE(missing.SetSharedLazy("nothing", 10, nullptr));
        info.SetSprite(missing, draw_mode::kBase | draw_mode::kCopy, 128);
        EXPECT_EQ(table.Find("strip")->references, 0) << "the old reference is given back";
        CSprite target;
        MakeFilled(target, 4, 4, 0);
        EXPECT_TRUE(info.Draw(0, 0, 0, 0, target, 0, nullptr)) << "an entry without pixels draws nothing";
    }
    QRKPublishHost(previous);
}

TEST(SpriteInfoSharedTest, AnEmptyLinkedReferenceResolvesToNothing) {
    CQRKSpriteMgr none;
    EXPECT_EQ(ResolveSpriteReference(none), nullptr);
    QRKWDRSpriteInfo info;
    info.SetSprite(none, draw_mode::kBase | draw_mode::kCopy, 128);
    EXPECT_EQ(info.GetWidth(), 0);
}

}  // namespace
