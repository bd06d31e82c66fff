// Layout of FontFace over a synthetic source of exact boxes: where each glyph
// lands, line breaks, clipping, decorations and the measured width, to the
// pixel. Pictures: '.' is 0, '#' full coverage (the bars), a letter the box of
// that character, '*' any other value.
#include "tests/platform/fonts/SyntheticGlyphs.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using testfonts::SyntheticGlyphs;

// Small boxes so that pictures stay readable: a line is 5 rows (ascent 3,
// descent 2); a glyph is a 2 x 4 box from the top of its line, one row below
// the baseline; the pen moves 3 pixels. Underline: the row 1 below the
// baseline (the last row of the line). Strike-out: the row 2 above it.
SyntheticGlyphs::Style SmallStyle() {
    SyntheticGlyphs::Style s;
    s.ascent = 3;
    s.descent = 2;
    s.advance = 3;
    s.boxLeft = 0;
    s.boxTop = 3;
    s.boxWidth = 2;
    s.boxHeight = 4;
    s.underlinePosition = 1;
    s.underlineThickness = 1;
    s.strikeOutPosition = 2;
    s.strikeOutThickness = 1;
    return s;
}

std::string Picture(const std::vector<uint8_t>& pixels, int32_t width, int32_t height) {
    std::string out;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t v = pixels[size_t(y) * size_t(width) + size_t(x)];
            char c = '*';
            if (v == 0) c = '.';
            else if (v == 255) c = '#';
            else {
                for (char32_t l = U'A'; l <= U'Z'; ++l) {
                    if (SyntheticGlyphs::Level(l) == v) c = char(l);
                }
                if (v == SyntheticGlyphs::Level(U'\t')) c = 't';
            }
            out += c;
        }
        out += '\n';
    }
    return out;
}

struct DrawCase {
    const char* name;
    std::u32string text;
    bool underline, strikeOut;
    int32_t left, top, right, bottom;  // the box
    std::u32string missing;  // characters the source has no glyph for
    std::vector<std::string> expected;  // rows of the 12 x 10 plane
};

TEST(FontLayoutTest, DrawsLinesGlyphsBarsAndClipsToTheBoxAndPlane) {
    const DrawCase cases[] = {
        {"two glyphs from the top-left of the box", U"AB", false, false, 1, 1, 12, 10, U"",
         {"............",
          ".AA.BB......",
          ".AA.BB......",
          ".AA.BB......",
          ".AA.BB......",
          "............",
          "............",
          "............",
          "............",
          "............"}},
        {"CR, LF and CR LF each end one line; LF CR is two", U"A\rB\r\nC\n\rD", false, false, 0, 0, 12, 30, U"",
         {"AA..........",
          "AA..........",
          "AA..........",
          "AA..........",
          "............",
          "BB..........",
          "BB..........",
          "BB..........",
          "BB..........",
          "............"}},
        {"each line one line height below the last (box above the plane)", U"A\r\nB\r\nC", false, false, 0, -5, 12,
         30, U"",
         {"BB..........",
          "BB..........",
          "BB..........",
          "BB..........",
          "............",
          "CC..........",
          "CC..........",
          "CC..........",
          "CC..........",
          "............"}},
        {"a tab is a glyph like any other, without expansion", U"A\tB", false, false, 0, 0, 12, 10, U"",
         {"AA.tt.BB....",
          "AA.tt.BB....",
          "AA.tt.BB....",
          "AA.tt.BB....",
          "............",
          "............",
          "............",
          "............",
          "............",
          "............"}},
        {"a character without a glyph draws nothing and keeps the pen", U"AxB", false, false, 0, 0, 12, 10, U"x",
         {"AA.BB.......",
          "AA.BB.......",
          "AA.BB.......",
          "AA.BB.......",
          "............",
          "............",
          "............",
          "............",
          "............",
          "............"}},
        {"clipped to the box on every side", U"ABCD\nEFGH", false, false, 2, 1, 9, 8, U"",
         {"............",
          "..AA.BB.C...",
          "..AA.BB.C...",
          "..AA.BB.C...",
          "..AA.BB.C...",
          "............",
          "..EE.FF.G...",
          "..EE.FF.G...",
          "............",
          "............"}},
        {"clipped to the plane when the box lies partly outside", U"ABCDE\nF", false, false, -2, -2, 40, 40, U"",
         {".BB.CC.DD.EE",
          ".BB.CC.DD.EE",
          "............",
          "............",
          "............",
          "............",
          "............",
          "............",
          "............",
          "............"}},
        {"underline and strike-out across each line's drawn width", U"ABC\nD", true, true, 0, 0, 12, 10, U"",
         {"AA.BB.CC....",
          "#########...",
          "AA.BB.CC....",
          "AA.BB.CC....",
          "#########...",
          "DD..........",
          "###.........",
          "DD..........",
          "DD..........",
          "###........."}},
        {"an empty line has no bars; bars are clipped like glyphs", U"\nAB", true, false, 0, 0, 5, 10, U"",
         {"............",
          "............",
          "............",
          "............",
          "............",
          "AA.BB.......",
          "AA.BB.......",
          "AA.BB.......",
          "AA.BB.......",
          "#####......."}},
        {"a box empty or outside the plane draws nothing", U"AB", true, true, 12, 0, 20, 10, U"",
         {"............",
          "............",
          "............",
          "............",
          "............",
          "............",
          "............",
          "............",
          "............",
          "............"}},
    };
    constexpr int32_t W = 12, H = 10;
    for (const DrawCase& c : cases) {
        platform::FontFace face(std::make_unique<SyntheticGlyphs>(SmallStyle(), c.missing), c.underline, c.strikeOut);
        std::vector<uint8_t> pixels(W * H, 0);
        platform::CoveragePlane plane{pixels.data(), W, W, H};
        face.DrawText(c.text.data(), c.text.size(), plane, c.left, c.top, c.right, c.bottom);
        std::string expected;
        for (const std::string& row : c.expected) expected += row + "\n";
        EXPECT_EQ(Picture(pixels, W, H), expected) << c.name;
    }
}

TEST(FontLayoutTest, CoverageTakesTheLargerValueAndTheStrideIsHonoured) {
    // Advance 1 with 2-pixel boxes: neighbours overlap by a column, and the
    // larger of the two levels wins there (never their sum); a pixel the plane
    // held already keeps its value when it is the larger. The plane is a
    // window into wider rows: bytes beyond its width stay untouched.
    SyntheticGlyphs::Style s = SmallStyle();
    s.advance = 1;
    platform::FontFace face(std::make_unique<SyntheticGlyphs>(s), false, false);
    constexpr int32_t stride = 8;
    std::vector<uint8_t> pixels(stride * 4, 7);
    for (int32_t y = 0; y < 4; ++y) pixels[size_t(y) * stride] = 0;
    pixels[2 * stride + 1] = 254;
    platform::CoveragePlane plane{pixels.data(), stride, 4, 4};
    const std::u32string text = U"AZB";
    face.DrawText(text.data(), text.size(), plane, 0, 0, 4, 4);
    const uint8_t a = SyntheticGlyphs::Level(U'A'), z = SyntheticGlyphs::Level(U'Z'), b = SyntheticGlyphs::Level(U'B');
    ASSERT_LT(a, z);
    ASSERT_GT(z, b);
    for (int32_t y = 0; y < 4; ++y) {
        const uint8_t* row = pixels.data() + size_t(y) * stride;
        EXPECT_EQ(row[0], a) << y;
        EXPECT_EQ(row[1], y == 2 ? 254 : z) << y;
        EXPECT_EQ(row[2], z) << y;
        EXPECT_EQ(row[3], b) << y;
        for (int32_t x = 4; x < stride; ++x) EXPECT_EQ(row[x], 7) << x << "," << y;
    }
}

TEST(FontLayoutTest, MeasuresTheWidestLineOfAdvances) {
    struct Row {
        const char* name;
        std::u32string text;
        int32_t width;
    };
    const Row rows[] = {
        {"empty", U"", 0},
        {"one line", U"ABC", 9},
        {"the widest of several lines", U"A\r\nBCD\nEF\rG", 9},
        {"a line break is not a glyph", U"\r\n\r\n", 0},
        {"a tab is a glyph", U"\t\t", 6},
        {"a character without a glyph has no advance", U"AxxB", 6},
    };
    platform::FontFace face(std::make_unique<SyntheticGlyphs>(SmallStyle(), U"x"), true, true);
    for (const Row& r : rows) EXPECT_EQ(face.MeasureText(r.text.data(), r.text.size()), r.width) << r.name;
}

TEST(FontLayoutTest, LinesBelowTheBoxAreNotLaidOut) {
    // A long text in a one-line box asks the source for the first line only.
    auto source = std::make_unique<SyntheticGlyphs>(SmallStyle());
    SyntheticGlyphs* glyphs = source.get();
    platform::FontFace face(std::move(source), false, false);
    std::u32string text;
    for (int i = 0; i < 1000; ++i) text += U"AB\n";
    std::vector<uint8_t> pixels(12 * 10, 0);
    platform::CoveragePlane plane{pixels.data(), 12, 12, 10};
    face.DrawText(text.data(), text.size(), plane, 0, 0, 12, 5);
    EXPECT_EQ(glyphs->calls, 2);
}

}  // namespace
