#include "foundation/strings/UStr.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/Utf8.h"

namespace {

std::u16string Text(const CUStr_base<64>& s) { return std::u16string(s.GetText(), size_t(s.GetLength())); }

std::u16string Units(std::initializer_list<char16_t> units) { return std::u16string(units); }

int32_t WidePoolUse(unsigned size) {
    const auto* pool16 = detail::WidePool<16>::Shared().Peek();
    const auto* pool64 = detail::WidePool<64>::Shared().Peek();
    const auto* pool256 = detail::WidePool<256>::Shared().Peek();
    switch (size) {
    case 16: return pool16 ? pool16->GetUseCount() : 0;
    case 64: return pool64 ? pool64->GetUseCount() : 0;
    default: return pool256 ? pool256->GetUseCount() : 0;
    }
}

// --- storage ---

TEST(UStrTest, ReserveGrowsByTheNarrowTableAndTakesPoolsOnlyAtExactSizes) {
    const int32_t base64 = WidePoolUse(64);
    const int32_t base256 = WidePoolUse(256);
    CUStr_base<64> s(u"keep");
    ASSERT_EQ(s.GetCapacity(), 64u);
    EXPECT_EQ(WidePoolUse(64), base64 + 1);
    struct Step {
        uint32_t request;
        uint32_t capacity;
        int32_t in64;   // chunks this string holds from the 64-unit pool
        int32_t in256;  // ... and from the 256-unit pool
    };
    const Step steps[] = {
        {63, 64, 1, 0},       // below the capacity: nothing
        {64, 128, 0, 0},      // equal to the capacity grows; 128 is an array
        {128, 192, 0, 0},
        {192, 256, 0, 1},     // exactly 256: the pool
        {256, 320, 0, 0},
        {1000, 1000, 0, 0},   // the request is larger than capacity + step
        {1000, 1064, 0, 0},
        {1064, 1320, 0, 0},   // step 256 from 1024 on
        {4096, 4096, 0, 0},
        {4096, 5120, 0, 0},   // step 1024 from 4096 on
    };
    for (const Step& step : steps) {
        s.Reserve(step.request);
        EXPECT_EQ(s.GetCapacity(), step.capacity) << step.request;
        EXPECT_EQ(WidePoolUse(64), base64 + step.in64) << step.request;
        EXPECT_EQ(WidePoolUse(256), base256 + step.in256) << step.request;
        EXPECT_EQ(Text(s), u"keep");
    }

    CUStr_base<64> empty;
    EXPECT_EQ(empty.GetCapacity(), 0u);
    empty.Reserve(0);  // even an empty request takes the first step
    EXPECT_EQ(empty.GetCapacity(), 64u);
    EXPECT_EQ(WidePoolUse(64), base64 + 1);
    empty.Free();
    EXPECT_EQ(WidePoolUse(64), base64);
    EXPECT_EQ(empty.GetCapacity(), 0u);

    CUStr_base<1024> large(u"x");
    EXPECT_EQ(large.GetCapacity(), 1024u);
    CUStr_base<32> small(u"x");
    EXPECT_EQ(small.GetCapacity(), 32u);
    small.Reserve(32);
    EXPECT_EQ(small.GetCapacity(), 64u);
    EXPECT_EQ(WidePoolUse(64), base64 + 1);
}

TEST(UStrTest, EmptyStringsShareTheSentinelAndCopiesOwnTheirBuffers) {
    CUStr_base<64> a;
    EXPECT_EQ(a.GetLength(), 0);
    EXPECT_EQ(a.GetText()[0], 0);
    CUStr_base<64> b;
    EXPECT_EQ(a.GetText(), b.GetText());

    CUStr_base<64> src(u"\x65E5\x672C");
    CUStr_base<64> copy(src);
    EXPECT_NE(copy.GetText(), src.GetText());
    EXPECT_EQ(Text(copy), u"\x65E5\x672C");
    const char16_t* buffer = src.GetText();
    CUStr_base<64> moved(std::move(src));
    EXPECT_EQ(moved.GetText(), buffer);
    EXPECT_EQ(src.GetCapacity(), 0u);
    EXPECT_EQ(src.GetLength(), 0);
    copy = a;
    EXPECT_EQ(Text(copy), u"");
    copy = std::move(moved);
    EXPECT_EQ(copy.GetText(), buffer);
}

TEST(UStrTest, SourcesInsideTheOwnBufferSurviveGrowth) {
    CUStr_base<64> s(std::u16string(40, u'a').c_str());
    s.Append(s.GetText());  // 80 units: grows past 64 while reading itself
    EXPECT_EQ(Text(s), std::u16string(80, u'a'));
    s.Assign(s.GetText() + 75);
    EXPECT_EQ(Text(s), u"aaaaa");
    s.AppendN(s.GetText(), -1);
    EXPECT_EQ(Text(s), u"aaaaaaaaaa");
}

TEST(UStrTest, AppendNKeepsSurrogatePairsWhole) {
    const std::u16string pairText = u"a\U0001F600b";  // a, high, low, b
    const std::u16string loneHighAtEnd = Units({u'a', 0xD83D});
    const std::u16string highBeforeNonLow = Units({0xD83D, u'x', u'y'});
    struct Row {
        const char* name;
        std::u16string text;
        int32_t n;
        std::u16string appended;      // by AppendN
        std::u16string appendedUnits; // by AppendUnitsN
    };
    const Row rows[] = {
        {"whole text", pairText, -1, pairText, pairText},
        {"limit inside the pair", pairText, 2, u"a", Units({u'a', 0xD83D})},
        {"limit after the pair", pairText, 3, u"a\U0001F600", u"a\U0001F600"},
        {"limit beyond the text", pairText, 100, pairText, pairText},
        {"nothing", pairText, 0, u"", u""},
        {"lone high surrogate at the end", loneHighAtEnd, -1, u"a", loneHighAtEnd},
        {"high surrogate takes what follows", highBeforeNonLow, 2, Units({0xD83D, u'x'}), Units({0xD83D, u'x'})},
    };
    for (const Row& r : rows) {
        CUStr_base<64> s(u"<");
        const char16_t* returned = s.AppendN(r.text.c_str(), r.n);
        EXPECT_EQ(returned, s.GetText()) << r.name;
        EXPECT_EQ(Text(s), u"<" + r.appended) << r.name;
        CUStr_base<64> t(u"<");
        t.AppendUnitsN(r.text.c_str(), r.n);
        EXPECT_EQ(Text(t), u"<" + r.appendedUnits) << r.name;
    }
}

TEST(UStrTest, LengthOverflowThrowsZeroAndKeepsTheText) {
    CUStr_base<64> s(u"abc");
    for (bool units : {false, true}) {
        try {
            if (units)
                s.AppendUnitsN(u"x", INT32_MAX - 4);
            else
                s.AppendN(u"x", INT32_MAX - 4);
            ADD_FAILURE() << "no throw";
        } catch (int e) {
            EXPECT_EQ(e, 0);
        }
        EXPECT_EQ(Text(s), u"abc");
    }
}

// --- code page 932 ---

TEST(UStrTest, FromCP932DecodesOrFailsToEmpty) {
    CUStr_base<64> s(u"old text");
    EXPECT_TRUE(s.FromCP932("a\x82\xA0\\\x95\x5C\xA0\xB1", false));
    EXPECT_EQ(Text(s), u"a\x3042\\\x8868\xF8F0\xFF71");

    EXPECT_TRUE(s.FromCP932("ab", true));
    EXPECT_EQ(Text(s), u"\xFEFF" u"ab");

    EXPECT_TRUE(s.FromCP932("", false));
    EXPECT_EQ(Text(s), u"");

    struct Row {
        const char* name;
        const char* text;
        bool mark;
        std::u16string left;
    };
    const Row rows[] = {
        {"lead byte at the end", "abc\x82", false, u""},
        {"invalid trail byte", "\x82\x20xyz", false, u""},
        {"undefined code", "\x85\x40", false, u""},
        {"invalid, with the mark", "\xEB\x40", true, u"\xFEFF"},
    };
    for (const Row& r : rows) {
        CUStr_base<64> t(u"previous");
        EXPECT_FALSE(t.FromCP932(r.text, r.mark)) << r.name;
        EXPECT_EQ(Text(t), r.left) << r.name;
    }
}

TEST(UStrTest, FromCP932ReservesTheExactSizeOnce) {
    // 100 double-byte and 200 single-byte characters need 301 units with the NUL,
    // reserved with 5 spare units.
    std::string text;
    for (int i = 0; i < 100; ++i) text += "\x82\xA0xy";
    CUStr_base<64> s;
    ASSERT_TRUE(s.FromCP932(text.c_str(), false));
    EXPECT_EQ(s.GetLength(), 300);
    EXPECT_EQ(s.GetCapacity(), 306u);
}

struct WideRow {
    const char* name;
    std::u16string wide;
    bool escape;
    std::string narrow;
};

const WideRow kWideRows[] = {
    {"ASCII, escape on", u"file_01.txt", true, "file_01.txt"},
    {"fully covered Japanese", u"\x65E5\x672C\x8A9E\xFF71\\", true, "\x93\xFA\x96\x7B\x8C\xEA\xB1\\"},
    {"special bytes", u"\x0080\xF8F0\xF8F3", true, "\x80\xA0\xFF"},
    {"supplementary character", u"A\U0001F600", true, "A%u[1F600]"},
    {"supplementary without escape", u"A\U0001F600", false, "A?"},
    {"selector on a covered character", u"\x845B\U000E0100", true, "%u[845B+17]"},
    {"selector on a missing character", u"\x00E9\xFE0F", true, "%u[E9+16]"},
    {"selector on a missing supplementary", u"\U00020BB7\U000E0101", true, "%u[20BB7+18]"},
    {"first selector", u"\x845B\xFE00", true, "%u[845B+1]"},
    {"last selector", u"\x845B\U000E01EF", true, "%u[845B+256]"},
    {"lone high surrogate", Units({u'x', 0xD83D, u'y'}), true, "x%u[D83D]y"},
    {"lone low surrogate at the end", Units({u'x', 0xDE00}), true, "x%u[DE00]"},
    {"real question marks", u"?a?\U0001F600?", true, "?a?%u[1F600]?"},
    {"iconv's look-alike", u"\x00A5" u"100", true, "%u[A5]100"},
    {"look-alike without escape", u"\x00A5" u"100", false, "?100"},
    {"ASCII keycap keeps its selector apart", u"#\xFE0F\x20E3", true, "#%u[FE0F]%u[20E3]"},
    {"selector after a selector", u"\xFE0F\xFE0F", true, "%u[FE0F+16]"},
    {"between covered text", u"\x3042\U0001F600\x3044", true, "\x82\xA0%u[1F600]\x82\xA2"},
    {"empty", u"", true, ""},
};

TEST(UStrTest, FromWideWritesEscapesForMissingCharactersAndSelectors) {
    for (const WideRow& r : kWideRows) {
        CStr_base<64> s("previous");
        EXPECT_TRUE(s.FromWide(r.wide.c_str(), r.escape)) << r.name;
        EXPECT_EQ(std::string(s.GetText()), r.narrow) << r.name;
        EXPECT_EQ(s.GetLength(), int32_t(r.narrow.size())) << r.name;
    }
}

TEST(UStrTest, FromWideDirectPathReservesTheExactSize) {
    CStr_base<64> s;
    const std::u16string text(300, u'\x3042');  // 600 bytes + NUL + 5
    ASSERT_TRUE(s.FromWide(text.c_str(), true));
    EXPECT_EQ(s.GetLength(), 600);
    EXPECT_EQ(s.GetCapacity(), 1024u);  // 606 raised to the narrow pool size
    const std::u16string longer(700, u'\x3042');
    ASSERT_TRUE(s.FromWide(longer.c_str(), true));
    EXPECT_EQ(s.GetCapacity(), 1406u);
}

TEST(UStrTest, EscapeStepHandlesConvertersThatWriteTwoMarksPerPair) {
    // Our converter writes one "?" per supplementary character; the escape step also
    // takes a converter that writes two, telling them apart by counting.
    struct Row {
        const char* name;
        std::u16string wide;
        std::string converted;
        std::string expected;
    };
    const Row rows[] = {
        {"one mark", u"A\U0001F600?", "A??", "A%u[1F600]?"},
        {"two marks", u"A\U0001F600?", "A???", "A%u[1F600]?"},
        {"two marks, two pairs", u"\U0001F600\U00020BB7", "????", "%u[1F600]%u[20BB7]"},
        {"two marks for a selector pair", u"\x845B\U000E0100x", "\x8A\x8B??x", "%u[845B+17]x"},
        {"two marks, selector pair on a missing pair", u"\U00020BB7\U000E0101", "????", "%u[20BB7+18]"},
    };
    for (const Row& r : rows) {
        CStr_base<64> target;
        detail::AppendWithEscapes(target, r.converted.c_str(), r.wide.c_str(), r.wide.size());
        EXPECT_STREQ(target.GetText(), r.expected.c_str()) << r.name;
    }
}

// FromWide with escapes, back through FromCP932 and DecodeEscapes.
std::u16string RoundTrip(const std::u16string& wide) {
    CStr_base<64> narrow;
    EXPECT_TRUE(narrow.FromWide(wide.c_str(), true));
    CUStr_base<64> back;
    EXPECT_TRUE(back.FromCP932(narrow.GetText(), false)) << narrow.GetText();
    back.DecodeEscapes();
    return Text(back);
}

TEST(UStrTest, EscapesRoundTripEveryText) {
    for (const WideRow& r : kWideRows) {
        if (r.escape) {
            EXPECT_EQ(RoundTrip(r.wide), r.wide) << r.name;
        }
    }
    // Generated texts over the awkward cases: missing BMP and supplementary
    // characters, both kinds of selector after anything, unpaired surrogates,
    // look-alikes, real "?", and the characters of the escape syntax itself.
    const std::u16string pieces[] = {
        u"a",      u"?",      u"[",      u"]",      u"+",      u"u",      u"F",      u"9",
        u"\x3042", u"\x845B", u"\x00E9", u"\x00A5", u"\x2014", u"\xF8F1", u"\x0080", u"\xFF71",
        u"\xFE00", u"\xFE0F", u"\U000E0100", u"\U000E01EF", u"\U0001F600", u"\U00020BB7",
        Units({0xD800}), Units({0xDFFF}), u"\x4E02", u"\xAC00", u"\x1F00", u"\x0101",
    };
    constexpr size_t kPieces = sizeof pieces / sizeof pieces[0];
    uint32_t seed = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::u16string text;
        const int count = 1 + round % 12;
        for (int i = 0; i < count; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += pieces[(seed >> 16) % kPieces];
        }
        ASSERT_EQ(RoundTrip(text), text) << "round " << round;
    }
}

TEST(UStrTest, DecodeEscapesReadsWhatItCanAndDropsTheRest) {
    struct Row {
        const char* name;
        std::u16string text;
        std::u16string decoded;
    };
    const Row rows[] = {
        {"protected by %%", u"%%u[41]", u"%%u[41]"},
        {"below U+0080", u"%u[41]", u"]"},
        {"no closing bracket", u"%u[3042", u"\x3042"},
        {"escape alone at the end", u"ab%u[", u"ab"},
        {"lower-case digits", u"%u[30a2]", u"\x30A2"},
        {"supplementary", u"x%u[1F600]y", u"x\U0001F600y"},
        {"above U+10FFFF", u"%u[110000]z", u"]z"},
        {"too many digits do not wrap", u"%u[1000000003042]", u"]"},
        {"no digits", u"%u[]", u"]"},
        {"junk before the bracket is skipped", u"%u[3042zz]tail", u"\x3042tail"},
        {"selector 1", u"%u[845B+1]", u"\x845B\xFE00"},
        {"selector 16", u"%u[845B+16]", u"\x845B\xFE0F"},
        {"selector 17", u"%u[845B+17]", u"\x845B\U000E0100"},
        {"selector 256", u"%u[845B+256]", u"\x845B\U000E01EF"},
        {"selector out of range", u"%u[845B+257]", u"\x845B"},
        {"selector 0", u"%u[845B+0]", u"\x845B"},
        {"huge selector", u"%u[845B+99999999999]", u"\x845B"},
        {"surrogate value", u"%u[D800]", Units({0xD800})},
        {"percent at the end", u"100%", u"100%"},
        {"percent u at the end", u"%u", u"%u"},
        {"two escapes in a row", u"%u[3042]%u[3044]", u"\x3042\x3044"},
    };
    for (const Row& r : rows) {
        CUStr_base<64> s(r.text.c_str());
        EXPECT_EQ(s.DecodeEscapes(), r.decoded.size() < r.text.size()) << r.name;
        EXPECT_EQ(Text(s), r.decoded) << r.name;
        EXPECT_EQ(s.GetText()[s.GetLength()], 0) << r.name;
    }
}

// --- paths ---

std::u16string CurrentDirectory() {
    char buf[PATH_MAX];
    EXPECT_NE(getcwd(buf, sizeof buf), nullptr);
    std::u16string cwd;
    EXPECT_TRUE(platform::Utf8ToUtf16(buf, std::char_traits<char>::length(buf), cwd));
    return cwd == u"/" ? u"" : cwd;
}

TEST(UStrTest, MakeFullPathWideStripsQuotesAndResolvesDots) {
    const std::u16string cwd = CurrentDirectory();
    struct Row {
        const char* name;
        std::u16string path;
        std::u16string full;
    };
    const Row rows[] = {
        {"quoted relative name", u"\"my file.txt\"", cwd + u"/my file.txt"},
        {"unclosed quote keeps the last character", u"\"name", cwd + u"/name"},
        {"quote only at the end is a character", u"name\"", cwd + u"/name\""},
        {"backslashes and dots", u"a\\.\\b\\..\\c.txt", cwd + u"/a/c.txt"},
        {"trailing dots and blanks are part of the name", u"/tmp/name..  ", u"/tmp/name..  "},
        {"colons are part of the name", u"/C:\\dir\\file:stream", u"/C:/dir/file:stream"},
    };
    for (const Row& r : rows) {
        CUStr_base<64> result;
        EXPECT_TRUE(MakeFullPathWide(r.path.c_str(), result)) << r.name;
        EXPECT_EQ(Text(result), r.full) << r.name;
    }
    CUStr_base<64> result(u"untouched");
    const std::u16string tooLong = u"/" + std::u16string(5000, u'x');
    EXPECT_FALSE(MakeFullPathWide(tooLong.c_str(), result));
    EXPECT_EQ(Text(result), u"untouched");
}

TEST(UStrTest, MakeFullPathKeepsEscapesAndDoubleByteBackslashes) {
    CStr_base<64> result;
    // 0x95 0x5C is one character whose trail byte is a backslash: not a separator.
    ASSERT_TRUE(MakeFullPath("/d\\\x95\x5C\\%u[1F600]\\..\\x%u[845B+17].txt", result));
    EXPECT_STREQ(result.GetText(), "/d/\x95\x5C/x%u[845B+17].txt");

    CStr_base<64> kept("untouched");
    EXPECT_FALSE(MakeFullPath("bad\x82", kept));
    EXPECT_STREQ(kept.GetText(), "untouched");
}

TEST(UStrTest, PathsCrossTheSystemBoundaryAsUtf8) {
    struct Row {
        const char* name;
        std::string stored;
        std::string system;
    };
    const Row rows[] = {
        {"backslashes become slashes", "dir\\sub\\a.txt", "dir/sub/a.txt"},
        {"a trail byte 0x5C stays", "\x95\x5C\\x", "\xE8\xA1\xA8/x"},
        {"escape of a supplementary character", "/tmp/%u[1F600].png", "/tmp/\xF0\x9F\x98\x80.png"},
        {"escape with a selector", "%u[845B+17]", "\xE8\x91\x9B\xF3\xA0\x84\x80"},
        {"look-alike", "%u[A5]", "\xC2\xA5"},
    };
    for (const Row& r : rows) {
        std::string utf8;
        ASSERT_TRUE(PathToSystem(r.stored.c_str(), utf8)) << r.name;
        EXPECT_EQ(utf8, r.system) << r.name;
        CStr_base<64> back;
        ASSERT_TRUE(PathFromSystem(r.system.c_str(), back)) << r.name;
        std::string again;
        ASSERT_TRUE(PathToSystem(back.GetText(), again)) << r.name;
        EXPECT_EQ(again, r.system) << r.name;
    }

    std::string utf8 = "untouched";
    EXPECT_FALSE(PathToSystem("bad\x82", utf8));
    EXPECT_FALSE(PathToSystem("%u[D800]", utf8));  // no UTF-8 form for a lone surrogate
    EXPECT_EQ(utf8, "untouched");

    CStr_base<64> out("untouched");
    EXPECT_FALSE(PathFromSystem("caf\xE9", out));
    EXPECT_STREQ(out.GetText(), "untouched");
    ASSERT_TRUE(PathFromSystem("/home/\xE6\x97\xA5\xF0\x9F\x98\x80/a.txt", out));
    EXPECT_STREQ(out.GetText(), "/home/\x93\xFA%u[1F600]/a.txt");
}

}  // namespace
