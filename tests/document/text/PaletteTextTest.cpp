// The palette section: reading, writing, strip rendering and palette references.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "document/model/QDXPalette.h"
#include "foundation/strings/Str.h"
#include "raster/colour/ColorModel.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

// Puts the raster library in the wanted state and restores the old one after.
class RasterState {
public:
    explicit RasterState(bool ready) : m_wasReady(RasterPixelMode == 1) { Set(ready); }
    ~RasterState() { Set(m_wasReady); }

private:
    static void Set(bool ready) {
        if (!ready) {
            raster_test::ResetRasterLibrary();
        } else if (RasterPixelMode != 1) {
            EXPECT_TRUE(InitRasterLibrary(1));
        }
    }
    bool m_wasReady;
};

// A line of 1024 items: item i from the map, every other one empty.
std::string Line(const char* keyword, const std::vector<std::pair<int, std::string>>& items,
                 int count = QDXPalette::kEntries) {
    std::vector<std::string> all(count);
    for (const auto& [index, text] : items) all[index] = text;
    std::string line = keyword;
    for (int i = 0; i < count; ++i) {
        if (i != 0) line += ',';
        line += all[i];
    }
    return line + ")";
}

std::unique_ptr<QDXPalette> NewPalette() { return std::make_unique<QDXPalette>(); }

uint32_t Pixel(const CSprite& sprite, int32_t x, int32_t y) { return *sprite.PixelAt(x, y); }

bool SameTables(const QDXPalette& a, const QDXPalette& b) {
    for (uint32_t i = 0; i < QDXPalette::kEntries; ++i) {
        if (a.Palette1[i] != b.Palette1[i]) return false;
        const Palette2Entry &p = a.Palette2[i], &q = b.Palette2[i];
        if (p.StartColor != q.StartColor || p.EndColor != q.EndColor || p.Length != q.Length) return false;
        const Palette4Entry &r = a.Palette4[i], &s = b.Palette4[i];
        for (int c = 0; c < 4; ++c) {
            if (r.CornerColors[c] != s.CornerColors[c]) return false;
        }
        if (r.StripWidth != s.StripWidth || r.StripHeight != s.StripHeight) return false;
    }
    return true;
}

TEST(PaletteTextTest, ParseAcceptsAndRefusesTable) {
    RasterState ready(true);
    const std::string empty1 = Line("Palette1(", {});
    struct Case {
        std::string text;
        bool ok;
    };
    const Case cases[] = {
        {"Palette1()", true},
        {"Palette2()", true},
        {"Palette4()", true},
        {"Palette1()tail", true},  // text after the list is ignored
        {"Palette1()\nPalette2()\nPalette4()", true},
        {"Palette1( )", false},  // one item, not 1024
        {"Palette1()\n", false},  // the empty last line
        {"", false},
        {"Palette3()", false},
        {" Palette1()", false},
        {"palette1()", false},
        {"Palette1()\n\nPalette2()", false},
        {empty1, true},
        {Line("Palette1(", {}, 1023), false},
        {Line("Palette1(", {}, 1025), false},
        {Line("Palette1(", {{0, "ff"}, {1023, "80FF0000"}}), true},
        {Line("Palette1(", {{5, " 0x1f"}}), true},  // scanned as "%x": blanks and "0x" taken
        {Line("Palette1(", {{5, "12abc"}}), true},
        {Line("Palette1(", {{5, " "}}), false},
        {Line("Palette1(", {{5, "zz"}}), false},
        {Line("Palette2(", {{0, "ff0000#0000ff#256"}}), true},
        {Line("Palette2(", {{0, "ff0000#0000ff#257"}}), false},
        {Line("Palette2(", {{0, "ff0000#0000ff#-1"}}), false},  // wraps to 4294967295
        {Line("Palette2(", {{0, "ff0000#0000ff"}}), false},
        {Line("Palette2(", {{0, "ff0000#0000ff#"}}), false},
        {Line("Palette2(", {{0, "ff0000 #0000ff#2"}}), false},
        {Line("Palette2(", {{0, "ff0000# 0000ff# 2 junk"}}), true},
        {Line("Palette4(", {{0, "1#2#3#4#256#256"}}), true},
        {Line("Palette4(", {{0, "1#2#3#4#257#2"}}), false},
        {Line("Palette4(", {{0, "1#2#3#4#2#257"}}), false},
        {Line("Palette4(", {{0, "1#2#3#4#5"}}), false},
        {Line("Palette4(", {{0, "1#2#3#4"}}), false},
        {"Palette2()\n" + Line("Palette1(", {}) + "\nPalette4()", true},
        {"Palette2()\n" + Line("Palette1(", {}, 3), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size() < 80 ? c.text : c.text.substr(0, 80) + "...");
        auto palette = NewPalette();
        EXPECT_EQ(palette->ParseText(c.text.c_str()), c.ok);
    }
}

TEST(PaletteTextTest, StripTablesAreMadeOnlyForAStrip) {
    RasterState ready(true);
    auto palette = NewPalette();
    // Entries too short for a strip render nothing, so no table of strips is made.
    ASSERT_TRUE(palette->ParseText((Line("Palette2(", {{4, "ff0000#00ff00#1"}}) + "\n" +
                                    Line("Palette4(", {{5, "1#2#3#4#3#1"}}))
                                       .c_str()));
    EXPECT_FALSE(palette->Palette2Strips.IsMade());
    EXPECT_FALSE(palette->Palette4Strips.IsMade());
    EXPECT_FALSE(std::as_const(*palette).Palette2Strips[4].HasImage());

    ASSERT_TRUE(palette->ParseText(Line("Palette4(", {{5, "1#2#3#4#3#2"}}).c_str()));
    EXPECT_FALSE(palette->Palette2Strips.IsMade());
    ASSERT_TRUE(palette->Palette4Strips.IsMade());
    EXPECT_EQ(palette->Palette4Strips[5].GetHeight(), 2);
    // Once made, an entry that no longer wants its strip releases it.
    ASSERT_TRUE(palette->ParseText(Line("Palette4(", {{5, "1#2#3#4#3#1"}}).c_str()));
    EXPECT_FALSE(palette->Palette4Strips[5].HasImage());
}

TEST(PaletteTextTest, EmptyFormAndUnnamedTables) {
    RasterState ready(true);
    auto palette = NewPalette();
    ASSERT_TRUE(palette->ParseText((Line("Palette1(", {{3, "123456"}}) + "\n" +
                                    Line("Palette2(", {{4, "ff0000#00ff00#8"}}) + "\n" +
                                    Line("Palette4(", {{5, "1#2#3#4#3#3"}}))
                                       .c_str()));
    EXPECT_EQ(palette->Palette1[3], 0x123456u);
    EXPECT_EQ(palette->Palette2[4].Length, 8u);
    EXPECT_EQ(palette->Palette2Strips[4].GetWidth(), 8);
    EXPECT_EQ(palette->Palette4Strips[5].GetWidth(), 3);

    // A section naming only Palette2 leaves the other two tables and their strips.
    ASSERT_TRUE(palette->ParseText(Line("Palette2(", {{7, "1#2#3"}}).c_str()));
    EXPECT_EQ(palette->Palette1[3], 0x123456u);
    EXPECT_EQ(palette->Palette2[4].Length, 0u);
    EXPECT_FALSE(palette->Palette2Strips[4].HasImage());
    EXPECT_EQ(palette->Palette2[7].Length, 3u);
    EXPECT_EQ(palette->Palette4[5].StripWidth, 3u);
    EXPECT_TRUE(palette->Palette4Strips[5].HasImage());

    // The empty forms zero their table and release its strips.
    ASSERT_TRUE(palette->ParseText("Palette1()\nPalette2()"));
    EXPECT_EQ(palette->Palette1[3], 0u);
    EXPECT_EQ(palette->Palette2[7].Length, 0u);
    EXPECT_FALSE(palette->Palette2Strips[7].HasImage());
    EXPECT_TRUE(palette->Palette4Strips[5].HasImage());
    ASSERT_TRUE(palette->ParseText("Palette4()"));
    EXPECT_EQ(palette->Palette4[5].StripWidth, 0u);
    EXPECT_EQ(palette->Palette4[5].CornerColors[0], 0u);
    EXPECT_FALSE(palette->Palette4Strips[5].HasImage());

    // A table may come twice: the last one wins.
    ASSERT_TRUE(palette->ParseText(
        (Line("Palette1(", {{0, "1"}}) + "\n" + Line("Palette1(", {{1, "2"}})).c_str()));
    EXPECT_EQ(palette->Palette1[0], 0u);
    EXPECT_EQ(palette->Palette1[1], 2u);
}

TEST(PaletteTextTest, StripsFollowTheirEntries) {
    RasterState ready(true);
    auto palette = NewPalette();
    // Length 1: no strip; 2 and more: a Length x 1 strip; 0 after a strip: released.
    ASSERT_TRUE(palette->ParseText(Line("Palette2(", {{0, "ff#ff#1"}, {1, "ff#ff#2"}, {2, "ff#ff#256"}}).c_str()));
    EXPECT_FALSE(palette->Palette2Strips[0].HasImage());
    EXPECT_EQ(palette->Palette2Strips[1].GetWidth(), 2);
    EXPECT_EQ(palette->Palette2Strips[1].GetHeight(), 1);
    EXPECT_EQ(palette->Palette2Strips[2].GetWidth(), 256);

    // Same size: the strip is kept and redrawn; another size: made anew.
    const uint32_t* kept = palette->Palette2Strips[2].GetPixels();
    ASSERT_TRUE(palette->ParseText(Line("Palette2(", {{1, "ff#ff#1"}, {2, "ff0000#0000ff#256"}}).c_str()));
    EXPECT_FALSE(palette->Palette2Strips[1].HasImage());
    EXPECT_EQ(palette->Palette2Strips[2].GetPixels(), kept);
    EXPECT_EQ(Pixel(palette->Palette2Strips[2], 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel(palette->Palette2Strips[2], 255, 0), 0xFF0000FFu);
    ASSERT_TRUE(palette->ParseText(Line("Palette2(", {{2, "ff0000#0000ff#3"}}).c_str()));
    EXPECT_EQ(palette->Palette2Strips[2].GetWidth(), 3);

    // Rectangles need both sizes at least 2.
    ASSERT_TRUE(palette->ParseText(Line("Palette4(", {{0, "1#2#3#4#1#5"}, {1, "1#2#3#4#5#1"}, {2, "1#2#3#4#2#2"}}).c_str()));
    EXPECT_FALSE(palette->Palette4Strips[0].HasImage());
    EXPECT_FALSE(palette->Palette4Strips[1].HasImage());
    EXPECT_EQ(palette->Palette4Strips[2].GetWidth(), 2);
    EXPECT_EQ(palette->Palette4Strips[2].GetHeight(), 2);
    ASSERT_TRUE(palette->ParseText(Line("Palette4(", {{2, "1#2#3#4#2#3"}}).c_str()));
    EXPECT_EQ(palette->Palette4Strips[2].GetHeight(), 3);
}

TEST(PaletteTextTest, StripsAreColouredInTheModelOfTheFirstColour) {
    RasterState ready(true);
    auto palette = NewPalette();
    // RGB: the ends exact, opaque, top bits of the colours ignored.
    // HSV / HSL / HSLY: both colours taken apart as colour-space codes.
    const uint32_t hsvRed = (1u << 30) | (0u << 18) | (256u << 9) | 256u;           // hue 0
    const uint32_t hsvBlue = (1u << 30) | (240u << 18) | (256u << 9) | 256u;        // hue 240
    const uint32_t hslNegative = (2u << 30) | (1u << 28) | ((1024u - 120u) << 18) | (256u << 9) | 128u;  // hue -120
    const uint32_t hslGreen = (120u << 18) | (256u << 9) | 128u;  // no model bits of its own
    const uint32_t hslyGrey = (3u << 30) | (0u << 18) | (0u << 9) | 200u;
    const uint32_t capped = (3u << 30) | (60u << 18) | (511u << 9) | 511u;  // saturation and luma capped at 256
    char items[4][64];
    std::snprintf(items[0], sizeof items[0], "3fff0000#c00000ff#5");
    std::snprintf(items[1], sizeof items[1], "%x#%x#4", hsvRed, hsvBlue);
    std::snprintf(items[2], sizeof items[2], "%x#%x#4", hslNegative, hslGreen);
    std::snprintf(items[3], sizeof items[3], "%x#%x#4", hslyGrey, capped);
    ASSERT_TRUE(palette->ParseText(
        Line("Palette2(", {{0, items[0]}, {1, items[1]}, {2, items[2]}, {3, items[3]}}).c_str()));

    const QDXStripTable& strips = palette->Palette2Strips;
    EXPECT_EQ(Pixel(strips[0], 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel(strips[0], 4, 0), 0xFF0000FFu);
    EXPECT_EQ(Pixel(strips[1], 0, 0), 0xFF000000u | HSVToRGB(0, 256, 256));
    EXPECT_EQ(Pixel(strips[1], 3, 0), 0xFF000000u | HSVToRGB(240, 256, 256));
    EXPECT_EQ(Pixel(strips[2], 0, 0), 0xFF000000u | HSLToRGB(-120, 256, 128));
    EXPECT_EQ(Pixel(strips[2], 3, 0), 0xFF000000u | HSLToRGB(120, 256, 128));
    EXPECT_EQ(Pixel(strips[3], 0, 0), 0xFF000000u | HSLYToRGB(0, 0, 200));
    EXPECT_EQ(Pixel(strips[3], 3, 0), 0xFF000000u | HSLYToRGB(60, 256, 256));

    // Rectangles: the four corners exact.
    char rect[2][96];
    std::snprintf(rect[0], sizeof rect[0], "ff0000#00ff00#0000ff#ffffff#4#3");
    std::snprintf(rect[1], sizeof rect[1], "%x#%x#%x#%x#3#2", hsvRed, hsvBlue, hslGreen, capped);
    ASSERT_TRUE(palette->ParseText(Line("Palette4(", {{0, rect[0]}, {9, rect[1]}}).c_str()));
    const CSprite& r = palette->Palette4Strips[0];
    EXPECT_EQ(Pixel(r, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel(r, 3, 0), 0xFF00FF00u);
    EXPECT_EQ(Pixel(r, 0, 2), 0xFF0000FFu);
    EXPECT_EQ(Pixel(r, 3, 2), 0xFFFFFFFFu);
    const CSprite& m = palette->Palette4Strips[9];
    EXPECT_EQ(Pixel(m, 0, 0), 0xFF000000u | HSVToRGB(0, 256, 256));
    EXPECT_EQ(Pixel(m, 2, 0), 0xFF000000u | HSVToRGB(240, 256, 256));
    EXPECT_EQ(Pixel(m, 0, 1), 0xFF000000u | HSVToRGB(120, 256, 128));
    EXPECT_EQ(Pixel(m, 2, 1), 0xFF000000u | HSVToRGB(60, 256, 256));
}

TEST(PaletteTextTest, StripsNeedAStartedRasterLibrary) {
    auto palette = NewPalette();
    {
        RasterState notReady(false);
        EXPECT_FALSE(palette->ParseText(Line("Palette2(", {{0, "ff#ff#2"}}).c_str()));
        EXPECT_FALSE(palette->ParseText(Line("Palette4(", {{0, "1#2#3#4#2#2"}}).c_str()));
        // Entries without strips need nothing of it.
        EXPECT_TRUE(palette->ParseText(Line("Palette2(", {{0, "ff#ff#1"}}).c_str()));
    }
}

TEST(PaletteTextTest, ResolveColorReadsTheTables) {
    RasterState ready(true);
    auto palette = NewPalette();
    char hsv[16];
    const uint32_t hsvCode = (1u << 30) | (200u << 18) | (100u << 9) | 150u;
    std::snprintf(hsv, sizeof hsv, "%x", hsvCode);
    ASSERT_TRUE(palette->ParseText((Line("Palette1(", {{0, "3f123456"}, {1023, hsv}}) + "\n" +
                                    Line("Palette2(", {{5, "000000#ff0000#16"}, {6, "000000#ff0000#10"}, {7, "ff0000#ff0000#1"}}) + "\n" +
                                    Line("Palette4(", {{5, "ff0000#00ff00#0000ff#ffffff#4#3"}}))
                                       .c_str()));
    const uint32_t p2 = 0x80000000u, p4 = 0xC0000000u;
    struct Case {
        uint32_t reference;
        uint32_t colour;
    };
    const Case cases[] = {
        {0, 0},
        {0x3FFFFFFFu, 0},                                   // below 0x40000000: no reference
        {0x40000000u, 0x123456},                            // only 24 bits of an RGB code
        {0x40000000u | (1023u << 16), DecodeColorCode(hsvCode)},
        {0x7C000000u, 0x123456},                            // bits 29-26 unused
        {0x40000000u | (7u << 16), 0},                      // empty entry
        {p2 | (5u << 16) | (10u << 8), Pixel(palette->Palette2Strips[5], 10, 0) & 0xFFFFFF},
        {p2 | (5u << 16) | (15u << 8), 0xFF0000},
        {p2 | (5u << 16) | (16u << 8), 0},                  // not below Length
        {p2 | (6u << 16) | (10u << 8), 0},
        {p2 | (6u << 16) | (9u << 8) | 0x77, 0xFF0000},     // the row is ignored
        {p2 | (7u << 16), 0},                               // length 1: no strip
        {p2 | 0x3C000000u | (5u << 16) | (15u << 8), 0xFF0000},  // bits 29-26 unused
        {p4 | (5u << 16) | (0u << 8) | 0, 0xFF0000},
        {p4 | (5u << 16) | (3u << 8) | 0, 0x00FF00},
        {p4 | (5u << 16) | (0u << 8) | 2, 0x0000FF},
        {p4 | (5u << 16) | (3u << 8) | 2, 0xFFFFFF},
        {p4 | (5u << 16) | (4u << 8) | 0, 0},               // outside the width
        {p4 | (5u << 16) | (0u << 8) | 3, 0},               // outside the height
        {p4 | (6u << 16), 0},
    };
    EXPECT_NE(Pixel(palette->Palette2Strips[5], 10, 0) & 0xFFFFFF, 0u);
    for (const Case& c : cases) {
        EXPECT_EQ(palette->ResolveColor(c.reference), c.colour) << std::hex << c.reference;
    }
    // Strip lookups give 0 while the raster library is not started.
    RasterState notReady(false);
    EXPECT_EQ(palette->ResolveColor(p2 | (5u << 16) | (15u << 8)), 0u);
    EXPECT_EQ(palette->ResolveColor(p4 | (5u << 16)), 0u);
    EXPECT_EQ(palette->ResolveColor(0x40000000u), 0x123456u);
}

TEST(PaletteTextTest, WrittenForm) {
    auto palette = NewPalette();
    CStr_base<16384> out("old");
    EXPECT_TRUE(palette->WriteText(out));
    EXPECT_STREQ(out.GetText(), "Palette1()\nPalette2()\nPalette4()");

    palette->Palette1[0] = 0xff;
    palette->Palette1[1023] = 0x80ff0000;
    palette->Palette2[1] = Palette2Entry{0x12, 0xabcdef, 3};
    palette->Palette2[2] = Palette2Entry{0, 0, 1};
    palette->Palette4[1023] = Palette4Entry{{1, 2, 0x3000000, 0xc0000000}, 2, 256};
    EXPECT_TRUE(palette->WriteText(out));
    const std::string expected = Line("Palette1(", {{0, "0000ff"}, {1023, "80ff0000"}}) + "\n" +
                                 Line("Palette2(", {{1, "000012#abcdef#3"}, {2, "000000#000000#1"}}) + "\n" +
                                 Line("Palette4(", {{1023, "000001#000002#3000000#c0000000#2#256"}});
    EXPECT_EQ(std::string(out.GetText()), expected);
}

// The hand-made number writer gives the bytes of the library's formatter.
TEST(PaletteTextTest, WrittenItemsMatchTheFormatter) {
    std::mt19937 engine(9);
    auto rng = [&engine] { return static_cast<uint32_t>(engine()) >> (engine() % 32); };
    auto palette = NewPalette();
    std::string expected[3];
    const char* keywords[3] = {"Palette1(", "Palette2(", "Palette4("};
    for (int t = 0; t < 3; ++t) expected[t] = keywords[t];
    CStr_base<64> item;
    for (uint32_t i = 0; i < QDXPalette::kEntries; ++i) {
        palette->Palette1[i] = rng() | 1;
        palette->Palette2[i] = Palette2Entry{rng(), rng(), rng() | 1};
        palette->Palette4[i] = Palette4Entry{{rng(), rng(), rng(), rng()}, rng(), rng() | 1};
        item.Format("%06x,", palette->Palette1[i]);
        expected[0] += item.GetText();
        const Palette2Entry& e2 = palette->Palette2[i];
        item.Format("%06x#%06x#%u,", e2.StartColor, e2.EndColor, e2.Length);
        expected[1] += item.GetText();
        const Palette4Entry& e4 = palette->Palette4[i];
        item.Format("%06x#%06x#%06x#%06x#%u#%u,", e4.CornerColors[0], e4.CornerColors[1], e4.CornerColors[2],
                    e4.CornerColors[3], e4.StripWidth, e4.StripHeight);
        expected[2] += item.GetText();
    }
    for (std::string& line : expected) line.back() = ')';
    CStr_base<16384> out;
    ASSERT_TRUE(palette->WriteText(out));
    EXPECT_EQ(std::string(out.GetText()), expected[0] + "\n" + expected[1] + "\n" + expected[2]);
}

// Random palettes: what is written reads back to the same tables, and the text
// of the read palette is the same text again.
TEST(PaletteTextTest, RandomPalettesRoundTrip) {
    RasterState ready(true);
    std::mt19937 engine(3);
    auto rng = [&engine] { return static_cast<uint32_t>(engine()); };
    for (int round = 0; round < 6; ++round) {
        auto palette = NewPalette();
        const int entries = round == 0 ? 1024 : static_cast<int>(rng() % 60);
        for (int i = 0; i < entries; ++i) {
            palette->Palette1[rng() % 1024] = rng() >> (rng() % 32);
            palette->Palette2[rng() % 1024] = Palette2Entry{rng(), rng() >> 8, rng() % 257};
            palette->Palette4[rng() % 1024] =
                Palette4Entry{{rng(), rng(), rng() >> 8, rng() & 0xFF}, rng() % 40, rng() % 40};
        }
        if (round == 1) palette->Palette4[7] = Palette4Entry{{1, 2, 3, 4}, 256, 256};
        CStr_base<16384> text;
        ASSERT_TRUE(palette->WriteText(text));
        auto back = NewPalette();
        ASSERT_TRUE(back->ParseText(text.GetText()));
        EXPECT_TRUE(SameTables(*palette, *back)) << round;
        for (uint32_t i = 0; i < QDXPalette::kEntries; ++i) {
            const uint32_t length = back->Palette2[i].Length;
            EXPECT_EQ(back->Palette2Strips[i].GetWidth(), length >= 2 ? int32_t(length) : 0) << i;
            const Palette4Entry& e = back->Palette4[i];
            const bool strip = e.StripWidth >= 2 && e.StripHeight >= 2;
            EXPECT_EQ(back->Palette4Strips[i].GetWidth(), strip ? int32_t(e.StripWidth) : 0) << i;
            EXPECT_EQ(back->Palette4Strips[i].GetHeight(), strip ? int32_t(e.StripHeight) : 0) << i;
        }
        CStr_base<16384> again;
        ASSERT_TRUE(back->WriteText(again));
        EXPECT_STREQ(again.GetText(), text.GetText());
        if (HasFailure()) break;
    }
}

}  // namespace
