// The text resource (line count, measuring, drawing with its own or the
// host's tile font) and the icon-and-text composite (part polls, part flags,
// the full-redraw mark, cutting at the edges, links and their release).
// The tile font uses the synthetic face of exact boxes: no real glyph takes
// part in an exact comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>

#include "host/HostContext.h"
#include "host/draw/FillInfo.h"
#include "host/draw/FontInfo.h"
#include "host/draw/IconTextInfo.h"
#include "host/draw/SpriteInfo.h"
#include "host/text/TileFont.h"
#include "tests/host/draw/DrawTestSupport.h"
#include "tests/host/text/TileFontTestSupport.h"

namespace {

using namespace drawtest;

constexpr uint32_t kSentinel = 0x80654321u;

TEST(FontInfoTest, LinesAreLineFeedsOutsideTwoByteCharactersPlusOne) {
    struct Row {
        const char* name;
        const char* text;
        int32_t lines;
    } rows[] = {
        {"empty", "", 1},
        {"one character", "a", 1},
        {"character, feed, character, final feed", "a\nb\n", 3},
        {"only feeds", "\n\n", 3},
        {"second byte 0x0A after lead 0x82", "\x82\x0A", 1},
        {"second byte 0x0A after lead 0xE0, then a feed", "\xE0\x0A" "b\n", 2},
        {"a lead byte at the end", "a\n\x82", 2},
        {"a lead byte before the feed's NUL end", "\x9F", 1},
        {"0x80 and 0xA0 are single bytes", "\x80\n\xA0\n", 3},
        {"two-byte characters then feeds", "\x83\x41\x83\x42\n\x81\x40", 2},
    };
    for (const Row& row : rows) EXPECT_EQ(CountTextLines(row.text), row.lines) << row.name;
}

class TextResourceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tilefont_test::MakeFont(font, 8, 14, 0x100)); }
    CQRKTileFontCore font;
};

TEST_F(TextResourceTest, SizeFollowsTheFontAndTheLines) {
    QRKWDRFontInfo text;
    EXPECT_EQ(text.GetWidth(), 0) << "no font of its own and no host";
    EXPECT_EQ(text.GetHeight(), 0);
    text.tileFont = &font;
    EXPECT_EQ(text.GetWidth(), 80);
    EXPECT_STREQ(text.SetText("a\nb\n"), "a\nb\n");
    EXPECT_EQ(text.GetHeight(), 3 * 14);
}

TEST_F(TextResourceTest, DrawClearsItsRectangleAndMergesTheTextAsTheFontDrawsIt) {
    QRKWDRFontInfo text;
    text.tileFont = &font;
    text.SetText("Ab%c[FF0000]c");
    CSprite target, expected;
    MakeFilled(target, 60, 30, kSentinel);
    MakeFilled(expected, 60, 30, kSentinel);
    EXPECT_TRUE(text.Draw(5, 4, 40, 20, target, 0, nullptr));

    expected.FillRect(5, 4, 40, 20, 0);
    ASSERT_TRUE(font.DrawRichTextA("Ab%c[FF0000]c", expected, 5, 4, 40, 20, CQRKTileFontCore::kTypeMax, nullptr,
                                   nullptr, 128));
    int32_t ink = 0;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 60; ++x) {
            ASSERT_EQ(At(target, x, y), At(expected, x, y)) << x << "," << y;
            const bool inside = x >= 5 && x < 45 && y >= 4 && y < 24;
            if (!inside) {
                ASSERT_EQ(At(target, x, y), kSentinel);
            }
            ink += inside && At(target, x, y) != 0;
        }
    EXPECT_GT(ink, 3 * 20) << "three boxes of ink";
}

TEST_F(TextResourceTest, WithoutAFontOfItsOwnItDrawsWithTheHostsTileFont) {
    QRKHostContext host;
    host.tileFont = &font;
    QRKHostContext* previous = QRKCurrentHost();
    QRKPublishHost(&host);
    QRKWDRFontInfo text;
    text.SetText("x");
    EXPECT_EQ(text.ResolveFont(), &font);
    EXPECT_EQ(text.GetWidth(), 80);
    CSprite target;
    MakeFilled(target, 20, 20, kSentinel);
    EXPECT_TRUE(text.DrawItem(3, 0, 0, 20, 20, target));
    EXPECT_GT(20 * 20 - CountNot(target, 0), 0) << "cleared";
    EXPECT_GT(CountNot(target, 0), 0) << "and inked";
    QRKPublishHost(previous);

    text.Reset();
    EXPECT_EQ(text.GetText()[0], 0);
    EXPECT_EQ(text.ResolveFont(), nullptr);
}

// ---- the composite ----

using SpriteRow = QRKWDRIconTextInfo<QRKWDRSpriteInfo, QRKWDRFontInfo>;
using SwatchRow = QRKWDRIconTextInfo<QRKWDRFillInfo, QRKWDRFontInfo>;

int32_t PollParts(IQRKDrawResource& r, CQRKDRConnector& c, bool allow = true) {
    int32_t changed = 0;
    uint8_t extra = 0;
    EXPECT_TRUE(r.PollChange(c, allow, changed, extra));
    return changed;
}

class IconTextTest : public TextResourceTest {
protected:
    void SetUp() override {
        TextResourceTest::SetUp();
        MakeFilled(icon, 6, 6, 0xFF00FF00u);
        row.Icon().SetSprite(CQRKSpriteMgr(&icon), draw_mode::kBase | draw_mode::kCopy, 128);
        row.Text().tileFont = &font;
        row.Text().SetText("ab");
        row.iconX = 1;
        row.iconY = 2;
        row.iconWidth = 6;
        row.iconHeight = 6;
        row.textX = 10;
        row.textY = 1;
        row.textWidth = 30;
        MakeFilled(target, 60, 30, kSentinel);
    }
    // The extent of the pixels that are not the sentinel: (left, top, right, bottom), exclusive.
    std::array<int32_t, 4> Touched(int32_t fromX, int32_t toX) const {
        std::array<int32_t, 4> box{INT32_MAX, INT32_MAX, -1, -1};
        for (int32_t y = 0; y < target.GetHeight(); ++y)
            for (int32_t x = fromX; x < toX; ++x)
                if (At(target, x, y) != kSentinel) {
                    box[0] = std::min(box[0], x);
                    box[1] = std::min(box[1], y);
                    box[2] = std::max(box[2], x + 1);
                    box[3] = std::max(box[3], y + 1);
                }
        return box;
    }
    CSprite icon, target;
    SpriteRow row;
};

TEST_F(IconTextTest, PollsReportWhichPartChanged) {
    CQRKDRConnector holder;
    int32_t changed = 9;
    uint8_t extra = 0;
    EXPECT_FALSE(row.PollChange(holder, true, changed, extra)) << "never connected";
    EXPECT_EQ(changed, 9);

    ASSERT_TRUE(holder.Connect(&row));
    EXPECT_TRUE(row.IconConnector().IsLinked());
    EXPECT_TRUE(row.TextConnector().IsLinked());
    EXPECT_EQ(PollParts(row, holder), 3) << "both parts are new to their connectors";
    EXPECT_EQ(PollParts(row, holder), 0);

    row.Icon().Changes().Increment();
    EXPECT_EQ(PollParts(row, holder, false), 0);
    EXPECT_EQ(PollParts(row, holder), 1);
    row.Text().SetText("cd");
    EXPECT_EQ(PollParts(row, holder), 2);
    row.Icon().Changes().Increment();
    row.Text().SetText("ef");
    EXPECT_EQ(PollParts(row, holder), 3);
    row.MarkStale(holder);
    EXPECT_EQ(PollParts(row, holder), 3);
    EXPECT_EQ(PollParts(row, holder), 0);
    changed = 5;
    EXPECT_TRUE(row.PollChange(holder, true, changed, extra));
    EXPECT_EQ(changed, 0) << "the composite writes its answer whole";
    EXPECT_EQ(extra, 0);

    holder.Disconnect();
    EXPECT_FALSE(row.IconConnector().IsLinked());
    EXPECT_FALSE(row.TextConnector().IsLinked());
}

TEST_F(IconTextTest, PartFlagsChooseThePartsAndResetForcesBoth) {
    CQRKDRConnector holder;
    ASSERT_TRUE(holder.Connect(&row));
    struct Step {
        const char* name;
        bool resetFirst;
        uint32_t flags;
        bool icon, text;
    } steps[] = {
        {"0 draws both", false, 0, true, true},
        {"1 the icon", false, 1, true, false},
        {"2 the text", false, 2, false, true},
        {"3 both", false, 3, true, true},
        {"after Reset, 2 draws both", true, 2, true, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.resetFirst) {
            row.Reset();
            EXPECT_TRUE(row.IsFullRedrawPending());
            // Reset cleared the layout: lay the row out again.
            row.Icon().SetSprite(CQRKSpriteMgr(&icon), draw_mode::kBase | draw_mode::kCopy, 128);
            row.Text().tileFont = &font;
            row.Text().SetText("ab");
            row.iconX = 1, row.iconY = 2, row.iconWidth = 6, row.iconHeight = 6;
            row.textX = 10, row.textY = 1, row.textWidth = 30;
        }
        target.FillRect(0, 0, 60, 30, kSentinel);
        EXPECT_TRUE(row.Draw(0, 0, 60, 30, target, step.flags, &holder));
        EXPECT_FALSE(row.IsFullRedrawPending());
        EXPECT_EQ(At(target, 3, 4) == 0xFF00FF00u, step.icon);
        EXPECT_EQ(At(target, 10, 1) != kSentinel, step.text) << "the text part clears its rectangle";
    }
    // DrawItem draws both without using up the mark.
    row.SetFullRedraw();
    target.FillRect(0, 0, 60, 30, kSentinel);
    EXPECT_TRUE(row.DrawItem(0, 0, 0, 60, 30, target));
    EXPECT_TRUE(row.IsFullRedrawPending());
    EXPECT_EQ(At(target, 3, 4), 0xFF00FF00u);
}

TEST_F(IconTextTest, PartsAreCutAtTheRightAndBottomEdges) {
    CQRKDRConnector holder;
    ASSERT_TRUE(holder.Connect(&row));
    struct Row {
        const char* name;
        int32_t w, h;
        std::array<int32_t, 4> icon, text;  // touched boxes, relative to (2, 3)
    } rows[] = {
        // Text height 14 from y 1: 15 rows are needed.
        {"room for everything", 45, 20, {1, 2, 7, 8}, {10, 1, 40, 15}},
        {"text wider than the room: cut at the right edge", 25, 20, {1, 2, 7, 8}, {10, 1, 25, 15}},
        {"text taller than the room: the remaining height", 45, 9, {1, 2, 7, 8}, {10, 1, 40, 9}},
        {"icon cut at both edges", 5, 6, {1, 2, 5, 6}, {INT32_MAX, INT32_MAX, -1, -1}},
        {"text starting past the right edge", 8, 20, {1, 2, 7, 8}, {INT32_MAX, INT32_MAX, -1, -1}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        target.FillRect(0, 0, 60, 30, kSentinel);
        EXPECT_TRUE(row.Draw(2, 3, r.w, r.h, target, 0, &holder));
        auto shift = [](std::array<int32_t, 4> b) {
            if (b[2] < 0) return b;
            return std::array<int32_t, 4>{b[0] + 2, b[1] + 3, b[2] + 2, b[3] + 3};
        };
        EXPECT_EQ(Touched(0, 2 + 10), shift(r.icon));
        EXPECT_EQ(Touched(2 + 10, 60), shift(r.text));
    }
}

TEST_F(IconTextTest, SizeIsTheFartherPartEdge) {
    EXPECT_EQ(row.GetWidth(), 40);   // text 10 + 30
    EXPECT_EQ(row.GetHeight(), 15);  // text 1 + 14 beyond icon 2 + 6
    row.iconY = 20;
    row.iconWidth = 50;
    EXPECT_EQ(row.GetWidth(), 51);
    EXPECT_EQ(row.GetHeight(), 26);
    row.iconX = INT32_MAX;
    EXPECT_EQ(row.GetWidth(), INT32_MAX);
}

TEST_F(IconTextTest, AMissingIconStillDrawsTheText) {
    CQRKDRConnector holder;
    ASSERT_TRUE(holder.Connect(&row));
    row.Icon().Reset();
    target.FillRect(0, 0, 60, 30, kSentinel);
    EXPECT_TRUE(row.Draw(0, 0, 60, 30, target, 0, &holder));
    EXPECT_EQ(At(target, 3, 4), kSentinel);
    EXPECT_NE(At(target, 10, 1), kSentinel);
}

TEST_F(IconTextTest, DestructionLeavesTheHolderFree) {
    CQRKDRConnector holder;
    {
        SpriteRow temporary;
        ASSERT_TRUE(holder.Connect(&temporary));
        EXPECT_EQ(temporary.Icon().GetHead(), &temporary.IconConnector());
    }
    EXPECT_FALSE(holder.IsLinked());
}

TEST_F(IconTextTest, AColourSwatchIconIsAFill) {
    SwatchRow swatch;
    CQRKDRConnector holder;
    ASSERT_TRUE(holder.Connect(&swatch));
    swatch.Icon().colour = 0x3366CC;
    swatch.Icon().Changes().Increment();
    swatch.iconWidth = 4;
    swatch.iconHeight = 3;
    swatch.Text().tileFont = &font;
    EXPECT_EQ(PollParts(swatch, holder), 3);
    EXPECT_TRUE(swatch.Draw(0, 0, 60, 30, target, 1, &holder));
    EXPECT_EQ(At(target, 3, 2), 0xFF3366CCu);
    EXPECT_EQ(At(target, 4, 2), kSentinel);
    EXPECT_EQ(At(target, 3, 3), kSentinel);
}

// A text part that refuses links: the icon link stays made.
class RefusingText : public QRKWDRFontInfo {
public:
    bool OnConnect(CQRKDRConnector&) override { return false; }
};

TEST(IconTextRefusalTest, ARefusingTextPartRefusesTheCompositeLink) {
    QRKWDRIconTextInfo<QRKWDRFillInfo, RefusingText> row;
    CQRKDRConnector holder;
    EXPECT_FALSE(holder.Connect(&row));
    EXPECT_FALSE(holder.IsLinked());
    EXPECT_TRUE(row.IconConnector().IsLinked());
    EXPECT_FALSE(row.TextConnector().IsLinked());
    int32_t changed = 0;
    uint8_t extra = 0;
    EXPECT_FALSE(row.PollChange(holder, true, changed, extra));
}

}  // namespace
