// The frame resource: the panel frame (cuts 4, 12, 4, 12 on 16 x 16) at
// 100 x 50, 8 x 8 and 7 x 8; the tiled centre; invalid layers; the blend
// index of each layer; frames at the ends of the 32-bit range.
#include "host/draw/FrameInfo.h"

#include <gtest/gtest.h>

#include <climits>
#include <new>

#include "tests/host/draw/DrawTestSupport.h"

namespace {

using namespace drawtest;
using Layer = QRKWDRFrameInfo::FrameLayer;

constexpr uint32_t kSentinel = 0x00ABCDEFu;
constexpr uint32_t kStretchCopy = 5;  // edge mode 1, blend index 1
constexpr uint32_t kTileCopy = 6;     // edge mode 2, blend index 1

// One layer of a 16 x 16 coordinate sprite held by the layer itself.
void BuildPanel(QRKWDRFrameInfo& frame, uint32_t flags, int32_t x1 = 4, int32_t x2 = 12, int32_t y1 = 4,
                int32_t y2 = 12) {
    Layer* layer = frame.AllocateLayers(1);
    MakeCoordSprite(layer->sprite, 16, 16);
    layer->x1 = x1;
    layer->x2 = x2;
    layer->y1 = y1;
    layer->y2 = y2;
    layer->flags = flags;
    frame.Changes().Increment();
}

// The source column (row) a destination column (row) of a nine-slice of
// `length` must show: borders one-to-one, the centre any column of [a, b)
// when stretched (checked for order separately) or the tile pattern.
struct Axis {
    int32_t a, b, size;  // cuts and sprite side
    bool tiled;
    // -1: any centre column.
    int32_t Expect(int32_t i, int32_t length) const {
        const int32_t far = size - b;
        if (i < a) return i;
        if (i >= length - far) return b + (i - (length - far));
        if (tiled) return a + (i - a) % (b - a);
        return -1;
    }
};

// Every pixel of (x, y, w, h) shows the source pixel the nine-slice rule
// asks for; the stretched centre samples ascending over the whole centre;
// every pixel outside is untouched.
void ExpectNineSlice(const CSprite& t, int32_t x, int32_t y, int32_t w, int32_t h, const Axis& ax, const Axis& ay) {
    for (int32_t ty = 0; ty < t.GetHeight(); ++ty) {
        int32_t lastX = -1;
        for (int32_t tx = 0; tx < t.GetWidth(); ++tx) {
            const uint32_t p = At(t, tx, ty);
            if (tx < x || tx >= x + w || ty < y || ty >= y + h) {
                ASSERT_EQ(p, kSentinel) << "outside at " << tx << "," << ty;
                continue;
            }
            ASSERT_TRUE(IsCoordPixel(p)) << "undrawn at " << tx << "," << ty;
            const int32_t ex = ax.Expect(tx - x, w), ey = ay.Expect(ty - y, h);
            if (ex >= 0) {
                ASSERT_EQ(CoordX(p), ex) << "column at " << tx << "," << ty;
            } else {
                ASSERT_TRUE(CoordX(p) >= ax.a && CoordX(p) < ax.b && CoordX(p) >= lastX) << tx << "," << ty;
            }
            if (ey >= 0) {
                ASSERT_EQ(CoordY(p), ey) << "row at " << tx << "," << ty;
            } else {
                ASSERT_TRUE(CoordY(p) >= ay.a && CoordY(p) < ay.b) << tx << "," << ty;
            }
            lastX = CoordX(p);
        }
    }
}

TEST(FrameInfoTest, ThePanelFrameStretchesItsCentreBetweenFourPixelBorders) {
    QRKWDRFrameInfo frame;
    BuildPanel(frame, kStretchCopy);
    CSprite target;
    MakeFilled(target, 110, 60, kSentinel);
    EXPECT_TRUE(frame.Draw(3, 2, 100, 50, target, 0, nullptr));
    ExpectNineSlice(target, 3, 2, 100, 50, {4, 12, 16, false}, {4, 12, 16, false});
    // The 92 x 42 centre reaches both ends of the source centre.
    EXPECT_EQ(CoordX(At(target, 3 + 4, 20)), 4);
    EXPECT_EQ(CoordX(At(target, 3 + 95, 20)), 11);
    EXPECT_EQ(CoordY(At(target, 50, 2 + 4)), 4);
    EXPECT_EQ(CoordY(At(target, 50, 2 + 45)), 11);
}

TEST(FrameInfoTest, ThePanelFrameAtItsBordersSizeIsFourCornersAndBelowItNothing) {
    struct Row {
        const char* name;
        int32_t w, h;
        bool result;
    } rows[] = {
        {"8 x 8: the four corners", 8, 8, true},
        {"7 x 8: narrower than the borders", 7, 8, false},
        {"8 x 7: lower than the borders", 8, 7, false},
        {"0 x 0", 0, 0, false},
        {"negative width", -8, 8, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (uint32_t flags : {kStretchCopy, kTileCopy}) {
            QRKWDRFrameInfo frame;
            BuildPanel(frame, flags);
            CSprite target;
            MakeFilled(target, 12, 12, kSentinel);
            EXPECT_EQ(frame.DrawFrame(1, 2, target, row.w, row.h), row.result);
            if (row.result) {
                ExpectNineSlice(target, 1, 2, 8, 8, {4, 12, 16, false}, {4, 12, 16, false});
            } else {
                EXPECT_EQ(CountNot(target, kSentinel), 0);
            }
        }
    }
}

TEST(FrameInfoTest, ATiledCentreRepeatsWholeTilesAndEndsWithAShortOne) {
    QRKWDRFrameInfo frame;
    BuildPanel(frame, kTileCopy);
    CSprite target;
    MakeFilled(target, 40, 40, kSentinel);
    // Centre 20 x 13: per row two whole 8-pixel tiles and one of 4; rows
    // likewise 8 and 5.
    EXPECT_TRUE(frame.DrawFrame(2, 3, target, 28, 21));
    ExpectNineSlice(target, 2, 3, 28, 21, {4, 12, 16, true}, {4, 12, 16, true});
    EXPECT_EQ(CoordX(At(target, 2 + 4 + 16 + 3, 10)), 4 + 3);
    EXPECT_EQ(CoordY(At(target, 10, 3 + 4 + 8 + 4)), 4 + 4);
}

TEST(FrameInfoTest, UnequalBordersKeepTheirOwnWidths) {
    // Left 2, right 5 (16 - 11), top 3, bottom 1 (16 - 15).
    for (uint32_t flags : {kStretchCopy, kTileCopy}) {
        QRKWDRFrameInfo frame;
        BuildPanel(frame, flags, 2, 11, 3, 15);
        CSprite target;
        MakeFilled(target, 50, 50, kSentinel);
        EXPECT_TRUE(frame.DrawFrame(4, 5, target, 40, 30));
        const bool tiled = flags == kTileCopy;
        ExpectNineSlice(target, 4, 5, 40, 30, {2, 11, 16, tiled}, {3, 15, 16, tiled});
    }
}

TEST(FrameInfoTest, AnInvalidLayerStopsTheFrameAfterTheLayersBeforeIt) {
    struct Row {
        const char* name;
        int32_t x1, x2, y1, y2;
        uint32_t flags;
        bool pixels;
    } rows[] = {
        {"edge mode 0", 4, 12, 4, 12, 4, true},
        {"edge mode 3", 4, 12, 4, 12, 7, true},
        {"negative cut", -1, 12, 4, 12, kStretchCopy, true},
        {"x1 not before x2", 8, 8, 4, 12, kStretchCopy, true},
        {"y1 after y2", 4, 12, 12, 4, kStretchCopy, true},
        {"x2 past the sprite", 4, 17, 4, 12, kStretchCopy, true},
        {"y2 past the sprite", 4, 12, 4, 17, kStretchCopy, true},
        {"no pixels", 4, 12, 4, 12, kStretchCopy, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QRKWDRFrameInfo frame;
        Layer* layers = frame.AllocateLayers(2);
        MakeCoordSprite(layers[0].sprite, 16, 16);
        layers[0].x1 = 4, layers[0].x2 = 12, layers[0].y1 = 4, layers[0].y2 = 12;
        layers[0].flags = kStretchCopy;
        if (row.pixels) MakeFilled(layers[1].sprite, 16, 16, 0xFF000000u);
        layers[1].x1 = row.x1, layers[1].x2 = row.x2, layers[1].y1 = row.y1, layers[1].y2 = row.y2;
        layers[1].flags = row.flags;
        CSprite target;
        MakeFilled(target, 30, 30, kSentinel);
        EXPECT_FALSE(frame.DrawFrame(0, 0, target, 20, 20));
        ExpectNineSlice(target, 0, 0, 20, 20, {4, 12, 16, false}, {4, 12, 16, false});
    }
    // A layer whose reference shows no sprite is invalid too.
    QRKWDRFrameInfo frame;
    BuildPanel(frame, kStretchCopy);
    frame.GetLayers()[0].reference.Reset();
    CSprite target;
    MakeFilled(target, 30, 30, kSentinel);
    EXPECT_FALSE(frame.DrawFrame(0, 0, target, 20, 20));
    EXPECT_EQ(CountNot(target, kSentinel), 0);
}

TEST(FrameInfoTest, ALayerMayDrawFromAnotherSprite) {
    CSprite shared;
    MakeCoordSprite(shared, 16, 16);
    QRKWDRFrameInfo frame;
    Layer* layer = frame.AllocateLayers(1);
    EXPECT_EQ(layer->reference.GetSprite(), &layer->sprite) << "a layer starts on its own sprite";
    layer->reference.AttachSprite(&shared);
    layer->x1 = 4, layer->x2 = 12, layer->y1 = 4, layer->y2 = 12;
    layer->flags = kStretchCopy;
    CSprite target;
    MakeFilled(target, 30, 30, kSentinel);
    EXPECT_TRUE(frame.DrawFrame(0, 0, target, 30, 30));
    ExpectNineSlice(target, 0, 0, 30, 30, {4, 12, 16, false}, {4, 12, 16, false});
}

TEST(FrameInfoTest, LayersAreAllocatedOnceUntilReset) {
    QRKWDRFrameInfo frame;
    CSprite empty;
    EXPECT_TRUE(frame.DrawFrame(0, 0, empty, 10, 10)) << "no layers: nothing to do";
    BuildPanel(frame, kStretchCopy);
    EXPECT_THROW(frame.AllocateLayers(1), std::bad_alloc);
    EXPECT_EQ(frame.GetLayerCount(), 1u);
    const uint32_t before = frame.Changes().GetCount();
    EXPECT_TRUE(frame.Reset());
    EXPECT_EQ(frame.Changes().GetCount(), before + 1);
    EXPECT_EQ(frame.GetLayerCount(), 0u);
    EXPECT_NE(frame.AllocateLayers(2), nullptr);
}

// Each blend index draws with its mode: the corners (unscaled) of an 8 x 8
// frame and the centre (stretched) of a larger one against the draw-mode
// dispatch.
TEST(FrameInfoTest, TheBlendIndexChoosesTheDrawMode) {
    using namespace draw_mode;
    const uint32_t modes[8] = {kCopy, kCopy, kAlpha, kLayer, kMixAlpha, kMixLayer, kCopyA, kCopy};
    // A half-transparent source over a half-transparent background.
    CSprite source;
    MakeCoordSprite(source, 16, 16);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) *source.PixelAt(x, y) = (uint32_t((x * 16 + y) & 0xFF) << 24) | 0x3060A0u;
    for (uint32_t index = 0; index < 8; ++index) {
        SCOPED_TRACE(index);
        for (uint32_t edgeMode : {1u, 2u}) {
            QRKWDRFrameInfo frame;
            Layer* layer = frame.AllocateLayers(1);
            layer->reference.AttachSprite(&source);
            layer->x1 = 4, layer->x2 = 12, layer->y1 = 4, layer->y2 = 12;
            layer->flags = edgeMode | index << 2;
            CSprite drawn, expected;
            MakeFilled(drawn, 30, 30, 0x80808080u);
            MakeFilled(expected, 30, 30, 0x80808080u);
            EXPECT_TRUE(frame.DrawFrame(1, 1, drawn, 16, 16)) << "the sprite's own size";
            const uint32_t code = kBase | modes[index];
            // Centre 8 x 8 = the source centre one-to-one in both edge modes.
            expected.BlitByMode(1, 1, source, 0, 0, 16, 16, code, 255, 0, 0);
            for (int32_t y = 0; y < 30; ++y)
                for (int32_t x = 0; x < 30; ++x) ASSERT_EQ(At(drawn, x, y), At(expected, x, y)) << x << "," << y;

            MakeFilled(drawn, 30, 30, 0x80808080u);
            MakeFilled(expected, 30, 30, 0x80808080u);
            EXPECT_TRUE(frame.DrawFrame(1, 1, drawn, 24, 24));
            if (edgeMode == 1) {
                expected.BlitByModeStretched(5, 5, 16, 16, source, 4, 4, 8, 8, code, 255, 0, 0);
                for (int32_t y = 5; y < 21; ++y)
                    for (int32_t x = 5; x < 21; ++x) ASSERT_EQ(At(drawn, x, y), At(expected, x, y)) << x << "," << y;
            }
        }
    }
}

TEST(FrameInfoTest, FramesAtTheEndsOfThe32BitRange) {
    struct Row {
        const char* name;
        uint32_t flags;
        int32_t x, y, w, h;
        int32_t drawn;  // pixels of the 64 x 64 target that change
    } rows[] = {
        {"right edge past the largest position", kStretchCopy, INT32_MAX - 50, 0, 100, 40, 0},
        {"tiled, right edge past the largest position", kTileCopy, INT32_MAX - 50, 0, 100, 40, 0},
        {"tiled, the largest width from 0: the visible part only", kTileCopy, 0, 0, INT32_MAX, 40, 64 * 40},
        {"tiled, the largest size from 0", kTileCopy, 0, 0, INT32_MAX, INT32_MAX, 64 * 64},
        {"tiled from the smallest position", kTileCopy, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0},
        {"stretched from the smallest position", kStretchCopy, INT32_MIN, 0, INT32_MAX, 40, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QRKWDRFrameInfo frame;
        BuildPanel(frame, row.flags);
        CSprite target;
        MakeFilled(target, 64, 64, kSentinel);
        EXPECT_TRUE(frame.DrawFrame(row.x, row.y, target, row.w, row.h));
        EXPECT_EQ(CountNot(target, kSentinel), row.drawn);
    }
    // The visible part of a tiled frame of the largest width is its left
    // border and its tiles.
    QRKWDRFrameInfo frame;
    BuildPanel(frame, kTileCopy);
    CSprite target;
    MakeFilled(target, 64, 64, kSentinel);
    frame.DrawFrame(0, 0, target, INT32_MAX, 40);
    for (int32_t x = 0; x < 64; ++x) {
        ASSERT_EQ(CoordX(At(target, x, 0)), x < 4 ? x : 4 + (x - 4) % 8) << x;
        ASSERT_EQ(CoordY(At(target, x, 39)), 15) << x;
    }
}

}  // namespace
