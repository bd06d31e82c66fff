// Rich text over the synthetic face with cells 10 x 15 (fixed width mode
// unless a row says otherwise): pen positions through the detail records,
// bounds through measuring, and pixels only where the layout decides them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/text/TileFont.h"
#include "tests/host/text/TileFontTestSupport.h"

namespace {

using tilefont_test::MakeFont;
using tilefont_test::Utf8;

constexpr int32_t kW = 10;
constexpr int32_t kH = 15;

struct Glyph {
    int32_t x, y;
    std::string tail;  // the record's text after its state part
};

class RichTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(MakeFont(font, kW, kH, 0));
        target.Create(400, 200, false);
    }

    // The records of a measuring call at (0, 0) in a 400 x 200 rectangle.
    std::vector<CQRKTileFont_DrawDetail*> Records(const char16_t* text, int32_t type = -1) {
        details.RemoveAll();
        EXPECT_TRUE(font.DrawRichText(text, target, 0, 0, 400, 200, type, &bounds, &details, 128));
        return {details.begin(), details.end()};
    }
    // The glyphs (records whose text has a state part) with what follows the
    // state part ("...%y[n]").
    std::vector<Glyph> Glyphs(const char16_t* text, int32_t type = -1) {
        std::vector<Glyph> out;
        for (CQRKTileFont_DrawDetail* d : Records(text, type)) {
            const std::string t = Utf8(d->text);
            const size_t y = t.find("%y[");
            if (y == std::string::npos) continue;
            out.push_back({d->x, d->y, t.substr(t.find(']', y) + 1)});
        }
        return out;
    }
    std::string State(const char16_t* text) {
        auto r = Records(text);
        return r.empty() ? std::string() : Utf8(r.back()->text);
    }

    CQRKTileFontCore font;
    CSprite target;
    CQRKTileFontDetailList details;
    platform::Rect bounds{};
};

TEST_F(RichTextTest, TagsAndMalformedTagsLayOutTheseGlyphs) {
    struct Row {
        const char16_t* text;
        std::vector<int32_t> xs;
        std::string tails;  // the glyphs' source units, joined
    } rows[] = {
        {u"", {}, ""},
        {u"AB", {0, 10}, "AB"},
        {u"%%", {0}, "%"},
        {u"%5", {0}, "5"},               // "%" before a non-tag letter goes
        {u"%KA", {0}, "A"},              // %K without "[": both go
        {u"%c[0000FFxA", {0}, "A"},      // the x is consumed
        {u"AB%c[12", {0, 10}, "AB"},     // the text ends inside the tag
        {u"%ctA", {0, 10}, "tA"},        // %ct without "[": only "%c" goes
        {u"%rbA", {0, 10}, "bA"},
        {u"%xrA", {0}, "A"},             // %xr without "[": all three go
        {u"%ehA", {0}, "A"},
        {u"%eA", {0}, "A"},
        {u"%whA", {0, 10}, "hA"},
        {u"%o[zz]A", {0, 10, 20, 30, 40}, "[zz]A"},  // unknown form: "%o" goes
        {u"%x[12A", {0}, "A"},           // digits not closed: no effect
        {u"%x[30]A", {30}, "A"},
        {u"%x[-5]A", {-5}, "A"},
        {u"A%xr[7]B%xr[-2]C", {0, 17, 25}, "ABC"},
        {u"%y[9]A%yr[-4]B", {0, 10}, "AB"},
        {u"%wh[25]AB", {0, 25}, "AB"},
        {u"%wf[30]\x3042\x3044", {0, 30}, "\xE3\x81\x82\xE3\x81\x84"},
        {u"\x3042" "A", {0, 20}, "\xE3\x81\x82" "A"},  // full width: 2 W
        {u"%tvAB", {0, 6}, "AB"},        // proportional: the face's advance 6
        {u"%z[200]AB", {0, 20}, "AB"},
        {u"%z[200]%d[z]AB", {0, 10}, "AB"},
        {u"A%llB", {0, 0}, "AB"},
        {u"%ll%x[5]\tA", {18}, "A"},     // tab width 3 x 6 = 18
        {u"%o[dsb2]%msA", {0}, "A"},
        {u"%a[1,2]A", {0, 0}, "%a[1,2]A"},  // icon cells 0 x 0: no advance
        {u"%eh[0]A", {0, 1}, "%eh[0]A"}, // empty sheet: width 0, advance wh 1
    };
    for (const Row& row : rows) {
        const std::vector<Glyph> glyphs = Glyphs(row.text);
        std::vector<int32_t> xs;
        std::string tails;
        for (const Glyph& g : glyphs) {
            xs.push_back(g.x);
            tails += g.tail;
        }
        EXPECT_EQ(xs, row.xs) << Utf8(CUStr_base<64>(row.text));
        EXPECT_EQ(tails, row.tails) << Utf8(CUStr_base<64>(row.text));
    }
}

TEST_F(RichTextTest, StateTextsCarryTheDrawingState) {
    struct Row {
        const char16_t* text;
        std::string state;  // the record of the last glyph
    } rows[] = {
        {u"A", "%c[000000,000000]%s[FFFFFF]%mf%o[]%b[0]%wh[1]%wf[2]%we[10]%h[15]%z[100]%x[0]%y[0]A"},
        {u"%c[FF]A", "%c[FF0000,FF0000]%s[FFFFFF]%mf%o[]%b[0]%wh[1]%wf[2]%we[10]%h[15]%z[100]%x[0]%y[0]A"},
        {u"%c[123456,ABCDEF]%s[1]%ms%o[s1]%b[7]%wh[3]%wf[4]%we[5]%h[6]%z[50]%x[8]%y[9]A",
         "%c[123456,ABCDEF]%s[100000]%ms%o[s1]%b[7]%wh[3]%wf[4]%we[5]%h[6]%z[50]%x[8]%y[9]A"},
        {u"%ct[00FF00]%cb[0000FF]A", "%c[00FF00,0000FF]%s[FFFFFF]%mf%o[]%b[0]%wh[1]%wf[2]%we[10]%h[15]%z[100]%x[0]%y[0]A"},
        {u"%c[0000FFxA", "%c[000000,000000]%s[FFFFFF]%mf%o[]%b[0]%wh[1]%wf[2]%we[10]%h[15]%z[100]%x[0]%y[0]A"},
        {u"%c[11,22xA", "%c[110000,000000]%s[FFFFFF]%mf%o[]%b[0]%wh[1]%wf[2]%we[10]%h[15]%z[100]%x[0]%y[0]A"},
        {u"%o[d]A", "%c[000000,000000]%s[FFFFFF]%mf%o[]%o[d]%b[0]%wh[1]%wf[2]%we[10]%h[15]%z[100]%x[0]%y[0]A"},
        {u"%o[dsb2]A", "%c[000000,000000]%s[FFFFFF]%mf%o[dsb2]%b[0]%wh[1]%wf[2]%we[10]%h[15]%z[100]%x[0]%y[0]A"},
        // %d[cz] restores the colours and the zoom, not the effect or widths.
        {u"%c[FF]%z[200]%o[s2]%wh[9]%d[cz]A",
         "%c[000000,000000]%s[FFFFFF]%mf%o[s2]%b[0]%wh[9]%wf[2]%we[10]%h[15]%z[100]%x[0]%y[0]A"},
        {u"%s[12]%d[csmtowhzlr]A", "%c[000000,000000]%s[FFFFFF]%mf%o[]%b[0]%wh[1]%wf[2]%we[10]%h[15]%z[100]%x[0]%y[0]A"},
        // Letters out of order stop %d: the "c" after "z" and the "]" are text.
        {u"%c[FF]%z[200]%d[zc]", "%c[FF0000,FF0000]%s[FFFFFF]%mf%o[]%b[0]%wh[1]%wf[2]%we[10]%h[15]%z[100]%x[10]%y[0]]"},
    };
    for (const Row& row : rows) EXPECT_EQ(State(row.text), row.state) << Utf8(CUStr_base<64>(row.text));
}

TEST_F(RichTextTest, ARecordRedrawsItsGlyphInPlace) {
    const auto records = Records(u"%c[102030]%o[b1]%x[7]%y[3]%z[150]\x3042");
    ASSERT_EQ(records.size(), 1u);
    const CUStr_base<64> again = records[0]->text;
    const int32_t x = records[0]->x, w = records[0]->w;
    const auto second = Records(again.GetText());
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0]->x, x);
    EXPECT_EQ(second[0]->w, w);
    EXPECT_EQ(Utf8(second[0]->text), Utf8(again));
}

TEST_F(RichTextTest, MarkersAndLinkIds) {
    const auto records = Records(u"%rb[5]A%r[3]%K[abc]%k[x");
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0]->id, 5);
    EXPECT_EQ(records[1]->id, 3 * 512);
    EXPECT_EQ(records[1]->x, 10);
    EXPECT_EQ(records[1]->w, 0);
    EXPECT_EQ(Utf8(records[1]->text), "");
    EXPECT_EQ(records[2]->id, 0);
    EXPECT_EQ(Utf8(records[2]->text), "%K[abc");
    EXPECT_EQ(Utf8(records[3]->text), "%k[x");
    // %d[r] gives the link id back.
    EXPECT_EQ(Records(u"%rb[5]%d[r]A")[0]->id, -1);
}

TEST_F(RichTextTest, IconsAdvanceByTheirZoomedCell) {
    font.SetIconCellSize(16, 12);
    const auto records = Records(u"A%z[200]%a[1,2]B");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1]->x, 10);
    EXPECT_EQ(records[1]->w, 32);
    EXPECT_EQ(records[1]->h, 24);
    EXPECT_EQ(Utf8(records[1]->text), "%z[200]%x[10]%y[0]%a[1,2]");
    EXPECT_EQ(records[2]->x, 42);
}

TEST_F(RichTextTest, BoundsOfLaidOutText) {
    struct Row {
        const char16_t* text;
        int32_t x, y;
        platform::Rect bounds;
    } rows[] = {
        {u"", 7, 9, {7, 9, 7, 9}},
        {u"A", 0, 0, {0, 0, 16, 21}},
        {u"AB", 5, 5, {5, 5, 31, 26}},
        {u"A\nB", 0, 0, {0, 0, 16, 36}},
        {u"%z[200]A", 0, 0, {0, 0, 32, 42}},
        {u"\t", 0, 0, {0, 0, 24, 21}},       // a lone tab: its own extent
        {u"%x[500]A", 0, 0, {500, 0, 516, 21}},  // beyond the rectangle: still counted
    };
    for (const Row& row : rows) {
        platform::Rect r{};
        ASSERT_TRUE(font.DrawRichText(row.text, target, row.x, row.y, 100, 50, -1, &r, nullptr, 128));
        EXPECT_EQ(r.left, row.bounds.left) << Utf8(CUStr_base<64>(row.text));
        EXPECT_EQ(r.top, row.bounds.top) << Utf8(CUStr_base<64>(row.text));
        EXPECT_EQ(r.right, row.bounds.right) << Utf8(CUStr_base<64>(row.text));
        EXPECT_EQ(r.bottom, row.bounds.bottom) << Utf8(CUStr_base<64>(row.text));
    }
}

TEST_F(RichTextTest, TypeZeroAdvancesDrawnGlyphsFourMore) {
    struct Row {
        int32_t type, w;
        std::vector<int32_t> xs;
    } rows[] = {
        {1, 400, {0, 10, 20}},
        {0, 400, {0, 14, 28}},
        {0, 14, {0, 14, 24}},  // the third starts outside: type-1 advance after the second
        {-1, 400, {0, 10, 20}},
    };
    for (const Row& row : rows) {
        details.RemoveAll();
        ASSERT_TRUE(font.DrawRichText(u"ABC", target, 0, 0, row.w, 100, row.type, nullptr, &details, 128));
        std::vector<int32_t> xs;
        for (auto* d : details) xs.push_back(d->x);
        EXPECT_EQ(xs, row.xs) << row.type << " " << row.w;
    }
}

// Tabs move to the next multiple of the tab width (entry 9, three spaces).
TEST(RichTextTabTest, TabsAndAZeroTabWidth) {
    struct Row {
        int32_t advance;  // the face's advance, so the tab width is three times it
        const char16_t* text;
        int32_t x;
    } rows[] = {
        {10, u"%x[5]\tA", 30},
        {10, u"%x[30]\tA", 60},
        {10, u"\t\tA", 60},
        {0, u"%x[5]\tA", 6},  // tab width 0 taken as 1
    };
    for (const Row& row : rows) {
        CQRKTileFontCore font;
        ASSERT_TRUE(MakeFont(font, kW, kH, 0, row.advance));
        CSprite target;
        CQRKTileFontDetailList details;
        ASSERT_TRUE(font.DrawRichText(row.text, target, 0, 0, 400, 100, -1, nullptr, &details, 128));
        ASSERT_EQ(details.GetCount(), 1u);
        EXPECT_EQ(details.GetAt(0)->x, row.x) << row.advance << " " << Utf8(CUStr_base<64>(row.text));
    }
}

TEST(RichTextAlignTest, CentredAndRightLinesAreMeasuredOnce) {
    // Cells 47 wide: "AB" measures 47 + 47 + 6 = 100.
    CQRKTileFontCore font;
    ASSERT_TRUE(MakeFont(font, 47, kH, 0));
    CSprite target;
    struct Row {
        const char16_t* text;
        std::vector<int32_t> xs;
    } rows[] = {
        {u"%lcAB", {51, 98}},
        {u"%lcAB\nA", {51, 98, 74}},     // (200 - 53) / 2 + 1 on the next line
        {u"%lrAB\nA", {100, 147, 147}},
        {u"%lcAB%llA", {51, 98, 0}},
        {u"%z[200]%lcA", {48}},          // measured zoomed: 2 x (47 + 6) = 106 wide
    };
    for (const Row& row : rows) {
        CQRKTileFontDetailList details;
        ASSERT_TRUE(font.DrawRichText(row.text, target, 0, 0, 200, 100, -1, nullptr, &details, 128));
        std::vector<int32_t> xs;
        for (auto* d : details) xs.push_back(d->x);
        EXPECT_EQ(xs, row.xs) << Utf8(CUStr_base<64>(row.text));
    }
    // Thousands of alignment tags on one line: linear work per tag, no
    // nesting of measurements.
    std::u16string many;
    for (int i = 0; i < 3000; ++i) many += u"%lc";
    many += u"AB";
    CQRKTileFontDetailList details;
    ASSERT_TRUE(font.DrawRichText(many.c_str(), target, 0, 0, 200, 100, -1, nullptr, &details, 128));
    ASSERT_EQ(details.GetCount(), 2u);
    EXPECT_EQ(details.GetAt(0)->x, 51);
}

TEST_F(RichTextTest, HugeArgumentsSaturateAndTheLayoutStaysBounded) {
    const auto records = Records(u"%z[99999999999999999999]A%x[99999999999999999999]B%x[-99999999999]C"
                                 u"%h[4294967296]\nD%r[99999999999]");
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0]->w, 10 * 100);  // the zoom stops at 10000 percent
    EXPECT_EQ(records[1]->x, 1 << 30);
    EXPECT_EQ(records[2]->x, -(1 << 30));
    EXPECT_EQ(records[3]->y, 1 << 30);
    EXPECT_EQ(records[4]->id, INT32_MAX);
}

// Pixels: the glyph box of "A" drawn with Alpha onto a transparent target, at
// 100 and 200 percent. The box lies 2 + 1 right of the pen and 2 + 1 below.
TEST_F(RichTextTest, ZoomStretchesTheGlyphToTwiceItsCell) {
    struct Row {
        const char16_t* text;
        int32_t left, top, right, bottom;  // alpha extent, exclusive
    } rows[] = {
        {u"A", 3, 3, 7, 12},
        {u"%z[200]A", 6, 6, 14, 24},
    };
    for (const Row& row : rows) {
        CSprite t;
        t.Create(80, 80, false);
        ASSERT_TRUE(font.DrawRichText(row.text, t, 0, 0, 80, 80, 3, nullptr, nullptr, 128));
        int32_t l = 99, tp = 99, r = -1, b = -1;
        for (int32_t y = 0; y < 80; ++y)
            for (int32_t x = 0; x < 80; ++x)
                if ((*t.PixelAt(x, y) >> 24) != 0) {
                    l = std::min(l, x), tp = std::min(tp, y), r = std::max(r, x + 1), b = std::max(b, y + 1);
                }
        EXPECT_EQ(l, row.left) << Utf8(CUStr_base<64>(row.text));
        EXPECT_EQ(tp, row.top);
        EXPECT_EQ(r, row.right);
        EXPECT_EQ(b, row.bottom);
    }
}

TEST_F(RichTextTest, DrawingStaysInsideTheRectangleAndRestoresTheClip) {
    target.SetClipRect(2, 2, 300, 150);
    ASSERT_TRUE(font.DrawRichText(u"AAAAAAAAAA", target, 0, 0, 25, 50, 3, nullptr, nullptr, 128));
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 25; x < 400; ++x) ASSERT_EQ(*target.PixelAt(x, y), 0u) << x << "," << y;
    EXPECT_NE(*target.PixelAt(3, 3) >> 24, 0u);
    EXPECT_EQ(target.GetClipLeft(), 2);
    EXPECT_EQ(target.GetClipTop(), 2);
    EXPECT_EQ(target.GetClipRight(), 300);
    EXPECT_EQ(target.GetClipBottom(), 150);
}

TEST_F(RichTextTest, EveryReturnRestoresTheEffectColourAndTheClip) {
    CQRKFont_base& renderer = font.GetGlyphRenderer();
    const uint32_t effect = renderer.EffectColour;
    target.SetClipRect(1, 1, 399, 199);
    // A bad type fails at the first glyph to be drawn.
    platform::Rect r{-1, -1, -1, -1};
    EXPECT_FALSE(font.DrawRichText(u"%s[123456]A", target, 0, 0, 100, 50, 7, &r, nullptr, 128));
    EXPECT_EQ(renderer.EffectColour, effect);
    EXPECT_EQ(r.left, -1);  // bounds not written
    EXPECT_EQ(target.GetClipLeft(), 1);
    EXPECT_EQ(target.GetClipRight(), 399);
    // Outside the rectangle a bad type draws nothing and fails nothing.
    EXPECT_TRUE(font.DrawRichText(u"%s[123456]%x[200]A", target, 0, 0, 100, 50, 7, nullptr, nullptr, 128));
    EXPECT_EQ(renderer.EffectColour, effect);
    EXPECT_TRUE(font.DrawRichText(u"%s[123456]A", target, 0, 0, 100, 50, 1, nullptr, nullptr, 128));
    EXPECT_EQ(renderer.EffectColour, effect);
}

TEST_F(RichTextTest, CodePage932FrontEndAndMeasure) {
    // "あA" in code page 932.
    const platform::Rect a = font.MeasureRichTextA("\x82\xA0" "A");
    const platform::Rect w = font.MeasureRichText(u"\x3042" "A");
    EXPECT_EQ(a.right, w.right);
    EXPECT_EQ(w.right, 20 + 16);
    EXPECT_EQ(w.bottom, 21);
}

}  // namespace
