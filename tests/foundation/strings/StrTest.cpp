#include "foundation/strings/Str.h"

#include "foundation/strings/Format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// Code-page-932 bytes used below: 0x95 0x5C is a character whose trail byte is
// the backslash; 0x82 0xA0 an ordinary two-byte character.
#define KANJI_5C "\x95\x5C"
#define KANJI "\x82\xA0"
#define LEAD "\x82"

template <unsigned N>
int32_t ThrownInt(CStr_base<N>& s, uint32_t n) {
    try {
        s.Reserve(n);
    } catch (int v) {
        return v;
    }
    return -1;
}

// A global string needs no construction: its image is constant data.
constinit CStr_base<64> g_constantString;
// A global that still holds a pool chunk when the program ends: the pool must
// outlive it whatever the order of the exit steps (checked by the sanitizer run).
constinit CStr_base<64> g_heldAtExit;

TEST(StrTest, EmptyStringsShareTheSentinelAndAllocateNothing) {
    CStr_base<64> a;
    CStr_base<16384> b;
    EXPECT_EQ(a.GetCapacity(), 0u);
    EXPECT_EQ(a.GetLength(), 0);
    EXPECT_STREQ(a.GetText(), "");
    EXPECT_EQ(a.GetText(), b.GetText());
    EXPECT_EQ(a.GetText(), g_constantString.GetText());
    EXPECT_EQ(a.GetText(), detail::g_emptyNarrow);

    a.Free();
    EXPECT_EQ(a.GetCapacity(), 0u);
    a.SetLength(0);        // allowed and writes nothing
    a.DropLastChar();      // nothing to drop
    CStr_base<64> copy(a);  // copying an empty string allocates nothing
    EXPECT_EQ(copy.GetCapacity(), 0u);
    a = copy;
    EXPECT_EQ(a.GetCapacity(), 0u);
    EXPECT_THROW(a.SetLength(1), uint32_t);

    g_heldAtExit.Assign("kept until exit");
}

TEST(StrTest, AssigningTheEmptyTextTakesAFirstChunk) {
    CStr_base<64> s;
    s.Assign("");
    EXPECT_EQ(s.GetCapacity(), 64u);
    EXPECT_STREQ(s.GetText(), "");
    EXPECT_NE(s.GetText(), detail::g_emptyNarrow);
    s.Free();
    EXPECT_EQ(s.GetText(), detail::g_emptyNarrow);
    EXPECT_EQ(s.GetCapacity(), 0u);
}

struct GrowthCase {
    const char* name;
    unsigned cls;
    uint32_t start;  // Reserve(start) from empty first (0: stay empty)
    uint32_t request;
    uint32_t expected;
};

template <unsigned N>
uint32_t CapacityAfter(uint32_t start, uint32_t request) {
    CStr_base<N> s;
    if (start != 0) s.Reserve(start);
    s.Append("abc");
    s.Reserve(request);
    EXPECT_STREQ(s.GetText(), "abc");
    return s.GetCapacity();
}

TEST(StrTest, ReserveFollowsTheGrowthTable) {
    const GrowthCase cases[] = {
        {"64: empty, small request takes the 64 pool", 64, 0, 2, 64},
        {"64: 300 is raised to the 1024 pool", 64, 0, 300, 1024},
        {"64: 1025 is an exact array", 64, 0, 1025, 1025},
        {"64: 1024 grows by 256", 64, 1024, 1025, 1280},
        {"64: 4095 still grows by 256", 64, 4095, 4096, 4351},
        {"64: 4096 grows by 1024", 64, 4096, 4097, 5120},
        {"64: 16384 grows by 4096", 64, 16384, 16385, 20480},
        {"64: 65536 grows by 16384", 64, 65536, 65537, 81920},
        {"64: 131072 grows by 65536", 64, 131072, 131073, 196608},
        {"64: a large request wins over the step", 64, 64, 5000, 5000},
        {"64: 64 plus a step is the 128 pool", 64, 64, 65, 128},
        {"64: 128 plus a step is the 256 pool", 64, 128, 129, 256},
        {"64: 256 plus a step is the 1024 pool", 64, 256, 257, 1024},
        {"64: a request not above the capacity does nothing", 64, 1025, 1025, 1025},
        {"32: first chunk", 32, 0, 2, 32},
        {"32: 256 plus a step is raised to the 1024 pool", 32, 256, 257, 1024},
        {"32: 1024 grows by 128", 32, 1024, 1025, 1152},
        {"32: 2048 grows by 512", 32, 2048, 2049, 2560},
        {"32: 8192 grows by 2048", 32, 8192, 8193, 10240},
        {"32: 32768 grows by 8192", 32, 32768, 32769, 40960},
        {"32: 65536 grows by 32768", 32, 65536, 65537, 98304},
        {"1024: starts at the 1024 pool", 1024, 0, 2, 1024},
        {"1024: 1024 grows by 1024", 1024, 1024, 1025, 2048},
        {"1024: 16384 grows by 4096", 1024, 16384, 16385, 20480},
        {"1024: 2097152 grows by 1048576", 1024, 2097152, 2097153, 3145728},
        {"16384: starts with an array of 16384", 16384, 0, 2, 16384},
        {"16384: 262143 grows by 16384", 16384, 262143, 262144, 278527},
        {"16384: 262144 grows by 65536", 16384, 262144, 262145, 327680},
    };
    for (const GrowthCase& c : cases) {
        uint32_t got = 0;
        switch (c.cls) {
        case 32: got = CapacityAfter<32>(c.start, c.request); break;
        case 64: got = CapacityAfter<64>(c.start, c.request); break;
        case 1024: got = CapacityAfter<1024>(c.start, c.request); break;
        case 16384: got = CapacityAfter<16384>(c.start, c.request); break;
        }
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(StrTest, OneByteAtATimeWalksThePoolSizesThenTheSteps) {
    CStr_base<64> s;
    std::vector<uint32_t> capacities;
    for (int i = 0; i < 1700; ++i) {
        s.AppendChar(char('a' + i % 26));
        if (capacities.empty() || capacities.back() != s.GetCapacity()) capacities.push_back(s.GetCapacity());
        ASSERT_LE(uint32_t(s.GetLength()) + 1, s.GetCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<uint32_t>{64, 128, 256, 1024, 1280, 1536, 1792}));
    EXPECT_EQ(s.GetLength(), 1700);
    EXPECT_EQ(s.GetText()[1699], char('a' + 1699 % 26));
    EXPECT_EQ(s.GetText()[1700], 0);
    s.AppendChar(0);  // a NUL never enters the text
    EXPECT_EQ(s.GetLength(), 1700);
}

TEST(StrTest, ReserveLimitThrowsIntZeroAndKeepsTheText) {
    CStr_base<64> s("keep");
    EXPECT_EQ(ThrownInt(s, 0x7F000000u), 0);
    EXPECT_EQ(ThrownInt(s, 0xFFFFFFFFu), 0);
    EXPECT_STREQ(s.GetText(), "keep");
    EXPECT_EQ(s.GetCapacity(), 64u);

    CStr_base<16384> big("keep");
    big.Reserve(0x7EFFFFFFu);  // the largest allowed request (address space only)
    EXPECT_EQ(big.GetCapacity(), 0x7EFFFFFFu);
    EXPECT_STREQ(big.GetText(), "keep");
}

struct TakeCase {
    const char* name;
    const char* text;
    int32_t n;
    const char* appendN;       // AppendN / AssignN: characters kept whole
    const char* appendBytesN;  // AppendBytesN / AssignBytesN: bytes
};

TEST(StrTest, BoundedCopiesKeepCharactersWholeOrCountBytes) {
    const TakeCase cases[] = {
        {"cut before a character that does not fit", "ab" KANJI, 3, "ab", "ab\x82"},
        {"a character that just fits", "ab" KANJI, 4, "ab" KANJI, "ab" KANJI},
        {"negative n takes everything", "ab" KANJI "c", -1, "ab" KANJI "c", "ab" KANJI "c"},
        {"lone lead byte at the end is dropped", "ab" LEAD, -1, "ab", "ab\x82"},
        {"lone lead byte with room left is dropped", "ab" LEAD, 10, "ab", "ab\x82"},
        {"stops at the NUL", "abc", 10, "abc", "abc"},
        {"zero takes nothing", "abc", 0, "", ""},
        {"a backslash trail byte stays with its lead", KANJI_5C "\\", 2, KANJI_5C, KANJI_5C},
        {"one byte of a two-byte character", KANJI, 1, "", "\x82"},
    };
    for (const TakeCase& c : cases) {
        CStr_base<64> s("pre");
        EXPECT_EQ(s.AppendN(c.text, c.n), s.GetText()) << c.name;
        EXPECT_EQ(std::string(s.GetText()), std::string("pre") + c.appendN) << c.name;
        EXPECT_EQ(s.GetLength(), int32_t(3 + std::strlen(c.appendN))) << c.name;

        s.AssignN(c.text, c.n);
        EXPECT_STREQ(s.GetText(), c.appendN) << c.name;
        EXPECT_EQ(s.GetLength(), int32_t(std::strlen(c.appendN))) << c.name;

        CStr_base<64> b("pre");
        b.AppendBytesN(c.text, c.n);
        EXPECT_EQ(std::string(b.GetText()), std::string("pre") + c.appendBytesN) << c.name;
        b.AssignBytesN(c.text, c.n);
        EXPECT_STREQ(b.GetText(), c.appendBytesN) << c.name;
        EXPECT_EQ(b.GetLength(), int32_t(std::strlen(c.appendBytesN))) << c.name;
    }
}

TEST(StrTest, LengthOverflowThrowsIntZeroAndKeepsTheText) {
    CStr_base<64> s("abc");
    auto thrown = [&](auto&& op) {
        try {
            op();
        } catch (int v) {
            return v;
        }
        return -1;
    };
    EXPECT_EQ(thrown([&] { s.AppendN("x", INT32_MAX); }), 0);
    EXPECT_EQ(thrown([&] { s.AppendN("x", INT32_MAX - 4); }), 0);
    EXPECT_EQ(thrown([&] { s.AppendBytesN("x", INT32_MAX); }), 0);
    EXPECT_EQ(thrown([&] { s.AssignN("x", INT32_MAX); }), 0);
    EXPECT_EQ(thrown([&] { s.AssignBytesN("x", INT32_MAX); }), 0);
    // Not an overflow, but beyond the capacity limit.
    EXPECT_EQ(thrown([&] { s.AppendN("x", 0x7F000000); }), 0);
    EXPECT_STREQ(s.GetText(), "abc");
    EXPECT_EQ(s.GetLength(), 3);
}

TEST(StrTest, AssignAndAppendCopyAcrossClasses) {
    CStr_base<64> small("name");
    CStr_base<1024> text("text:");
    text.AppendString(small).Append("/").AppendString(small);
    EXPECT_STREQ(text.GetText(), "text:name/name");
    EXPECT_EQ(text.GetLength(), 14);
    small.AssignString(text);
    EXPECT_STREQ(small.GetText(), "text:name/name");
    EXPECT_TRUE(small == "text:name/name");
    EXPECT_TRUE(small != "text:name/nam");
    EXPECT_TRUE(small != "text:name/name!");

    CStr_base<32> pattern;
    pattern.Assign("x").AppendString(text);
    EXPECT_STREQ(pattern.GetText(), "xtext:name/name");
}

TEST(StrTest, CopyAndMove) {
    CStr_base<64> a("hello");
    CStr_base<64> b(a);
    EXPECT_NE(a.GetText(), b.GetText());
    b.Append("!");
    EXPECT_STREQ(a.GetText(), "hello");
    EXPECT_STREQ(b.GetText(), "hello!");

    const char* buffer = b.GetText();
    CStr_base<64> c(std::move(b));
    EXPECT_EQ(c.GetText(), buffer);
    EXPECT_EQ(b.GetCapacity(), 0u);
    EXPECT_STREQ(b.GetText(), "");

    a = c;
    EXPECT_STREQ(a.GetText(), "hello!");
    a = a;
    EXPECT_STREQ(a.GetText(), "hello!");
    a = std::move(c);
    EXPECT_EQ(a.GetText(), buffer);
    a = CStr_base<64>();
    EXPECT_EQ(a.GetCapacity(), 0u);
}

// Sources that lie in the string's own buffer, including when the buffer moves
// while growing.
TEST(StrTest, SourcesInsideTheOwnBuffer) {
    CStr_base<64> s("0123456789");
    s.Assign(s.GetText() + 3);
    EXPECT_STREQ(s.GetText(), "3456789");

    std::string expected = "3456789";
    for (int i = 0; i < 8; ++i) {  // grows through every pool size into arrays
        s.Append(s.GetText());
        expected += expected;
    }
    EXPECT_EQ(std::string(s.GetText()), expected);

    CStr_base<32> t("ab" KANJI);
    t.Reserve(5);
    t.AppendN(t.GetText(), -1);
    EXPECT_STREQ(t.GetText(), "ab" KANJI "ab" KANJI);
    t.AppendN(t.GetText() + 2, 100);
    EXPECT_STREQ(t.GetText(), "ab" KANJI "ab" KANJI KANJI "ab" KANJI);
    t.AssignN(t.GetText(), 3);
    EXPECT_STREQ(t.GetText(), "ab");
    t.AppendBytesN(t.GetText(), 1);
    EXPECT_STREQ(t.GetText(), "aba");
    t.AssignBytesN(t.GetText() + 1, -1);
    EXPECT_STREQ(t.GetText(), "ba");
    t.AppendString(t);
    EXPECT_STREQ(t.GetText(), "baba");

    CStr_base<64> u("abcdef");
    CStr_base<64> scratch;
    u.Insert(u.GetText() + 4, 2, scratch);  // text from the tail
    EXPECT_STREQ(u.GetText(), "abefcdef");
    u.Insert(u.GetText() + 1, 3, scratch);  // text starting before the position
    EXPECT_STREQ(u.GetText(), "abebefcdeffcdef");

    CStr_base<64> r("aXbXc");
    EXPECT_EQ(r.ReplaceAll(r.GetText() + 1, "-", scratch), 1);  // pattern "XbXc"
    EXPECT_STREQ(r.GetText(), "a-");
}

TEST(StrTest, InsertAtPositions) {
    struct Case {
        const char* name;
        uint32_t pos;
        const char* expected;
        const char* tail;
    } cases[] = {
        {"front", 0, "XYabc", "abc"},
        {"middle", 1, "aXYbc", "bc"},
        {"at the length appends", 3, "abcXY", ""},
    };
    for (const Case& c : cases) {
        CStr_base<64> s("abc");
        CStr_base<64> scratch("old");
        EXPECT_EQ(s.Insert("XY", c.pos, scratch), s.GetText()) << c.name;
        EXPECT_STREQ(s.GetText(), c.expected) << c.name;
        EXPECT_EQ(s.GetLength(), 5) << c.name;
        EXPECT_STREQ(scratch.GetText(), c.tail) << c.name;
    }

    CStr_base<64> s("abc");
    CStr_base<64> scratch("old");
    for (uint32_t bad : {4u, 0xFFFFFFFFu}) {
        try {
            s.Insert("XY", bad, scratch);
            ADD_FAILURE() << "no throw for " << bad;
        } catch (int v) {
            EXPECT_EQ(v, 0);
        }
    }
    EXPECT_STREQ(s.GetText(), "abc");
    EXPECT_STREQ(scratch.GetText(), "old");

    CStr_base<64> empty;
    empty.Insert("x", 0, scratch);
    EXPECT_STREQ(empty.GetText(), "x");
}

struct ReplaceCase {
    const char* name;
    const char* text;
    const char* pattern;
    const char* replacement;
    const char* expected;
    int32_t count;
};

TEST(StrTest, ReplaceAllCases) {
    const ReplaceCase cases[] = {
        {"no overlapping matches", "aaa", "aa", "b", "ba", 1},
        {"empty pattern replaces nothing", "abc", "", "x", "abc", 0},
        {"longer replacement", "banana", "a", "xyz", "bxyznxyznxyz", 3},
        {"replacement is not searched again", "aaa", "a", "aa", "aaaaaa", 3},
        {"deleting", "a-b-c", "-", "", "abc", 2},
        {"same length", "a-b-c", "-", "+", "a+b+c", 2},
        {"whole text", "abc", "abc", "", "", 1},
        {"pattern longer than the text", "ab", "abc", "", "ab", 0},
        {"trail byte is not a match, in place", "x" KANJI_5C "\\", "\\", "/", "x" KANJI_5C "/", 1},
        {"trail byte is not a match, growing", "x" KANJI_5C "\\", "\\", "//", "x" KANJI_5C "//", 1},
        {"two-byte pattern", "a" KANJI "b" KANJI, KANJI, "-", "a-b-", 2},
        {"lone lead byte at the end is dropped, in place", "ab" LEAD, "z", "y", "ab", 0},
        {"lone lead byte at the end is dropped, growing", "ab" LEAD, "z", "yy", "ab", 0},
        {"empty text", "", "a", "bb", "", 0},
    };
    for (const ReplaceCase& c : cases) {
        CStr_base<32> s(c.text);
        CStr_base<32> scratch;
        EXPECT_EQ(s.ReplaceAll(c.pattern, c.replacement, scratch), c.count) << c.name;
        EXPECT_STREQ(s.GetText(), c.expected) << c.name;
        EXPECT_EQ(s.GetLength(), int32_t(std::strlen(c.expected))) << c.name;
    }
}

// Independent model: walk characters, replace at boundaries, drop a trailing
// lone lead byte.
std::string ModelReplace(const std::string& t, const std::string& pat, const std::string& rep, int32_t& count) {
    std::string out;
    count = 0;
    size_t i = 0;
    while (i < t.size()) {
        if (t.compare(i, pat.size(), pat) == 0) {
            out += rep;
            i += pat.size();
            ++count;
        } else if (IsCp932Lead(static_cast<unsigned char>(t[i]))) {
            if (i + 1 >= t.size()) break;
            out += t.substr(i, 2);
            i += 2;
        } else {
            out += t[i++];
        }
    }
    return out;
}

TEST(StrTest, ReplaceAllMatchesAModelOnGeneratedTexts) {
    // Trail bytes that look like pattern bytes make the boundaries matter.
    const char* pieces[] = {"a", "b", "\x82", "\x82" "a", "\x82\x82", "\\"};
    const char* patterns[] = {"a", "ab", "\x82" "a", "a\x82", "\\", "\x82\x82", "aa"};
    const char* replacements[] = {"", "x", "xy", "xyz", "aaaa", "\x82\x82\x82"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int pieceCount = int(rng() % 12);
        for (int k = 0; k < pieceCount; ++k) text += pieces[rng() % std::size(pieces)];
        const std::string pat = patterns[rng() % std::size(patterns)];
        const std::string rep = replacements[rng() % std::size(replacements)];
        int32_t expectedCount = 0;
        const std::string expected = ModelReplace(text, pat, rep, expectedCount);

        CStr_base<32> s(text.c_str());
        CStr_base<32> scratch("leftover");
        const int32_t count = s.ReplaceAll(pat.c_str(), rep.c_str(), scratch);
        ASSERT_EQ(count, expectedCount) << "text " << text << " pattern " << pat;
        ASSERT_EQ(std::string(s.GetText()), expected) << "text " << text << " pattern " << pat;
        ASSERT_EQ(s.GetLength(), int32_t(expected.size()));
    }
}

TEST(StrTest, DropLastCharRemovesOneCharacter) {
    struct Case {
        const char* name;
        const char* text;
        const char* expected;
    } cases[] = {
        {"empty", "", ""},
        {"one byte", "a", ""},
        {"two-byte character at the end", "a" KANJI, "a"},
        {"single byte after a two-byte character", KANJI "a", KANJI},
        {"trail byte in the lead range", "a\x82\x82", "a"},
        {"lead-range pair then a single byte", "\x82\x82" "a", "\x82\x82"},
        {"three lead-range bytes: the last pairs with the final byte", "\x82\x82\x82" "a", "\x82\x82"},
        {"four lead-range bytes: the final byte stands alone", "\x82\x82\x82\x82" "a", "\x82\x82\x82\x82"},
        {"backslash trail byte", "x" KANJI_5C, "x"},
        {"only a two-byte character", KANJI, ""},
    };
    for (const Case& c : cases) {
        CStr_base<64> s(c.text);
        s.DropLastChar();
        EXPECT_STREQ(s.GetText(), c.expected) << c.name;
        EXPECT_EQ(s.GetLength(), int32_t(std::strlen(c.expected))) << c.name;
    }
}

TEST(StrTest, SearchesStepByCharacters) {
    //                       0 1 2   3   4 5 6 7   8
    const char* text = "a" KANJI_5C "\\" "b" KANJI "b\\";
    CStr_base<64> s(text);

    EXPECT_EQ(s.FindChar('\\', 0), 3);  // not the trail byte at 2
    EXPECT_EQ(s.FindChar('\\', 4), 8);
    EXPECT_EQ(s.FindChar('\x95', 0), 1);  // a lead byte can match
    EXPECT_EQ(s.FindChar('\xA0', 0), -1);  // a trail byte never does
    EXPECT_EQ(s.FindChar('a', 9), -1);    // start at the length
    EXPECT_EQ(s.FindChar('a', -1), -1);
    EXPECT_EQ(s.FindLastChar('\\'), 8);
    EXPECT_EQ(s.FindLastChar('b'), 7);
    EXPECT_EQ(s.FindLastChar('\x5C'), 8);
    EXPECT_EQ(s.FindLastChar('z'), -1);
    EXPECT_EQ(CStr_base<64>().FindLastChar('a'), -1);

    EXPECT_EQ(FindChar(text, '\\'), 3);
    EXPECT_EQ(FindChar(text, 'z'), -1);
    EXPECT_EQ(FindChar("a" LEAD, 'b'), -1);  // lead byte followed by NUL ends the walk

    struct Case {
        const char* name;
        const char* text;
        const char* pattern;
        int32_t first;
        int32_t last;
    } cases[] = {
        {"pattern starting with a trail byte", "a" KANJI_5C "b\\b\\b", "\\b", 4, 6},
        {"only inside a character", KANJI_5C "b", "\\b", -1, -1},
        {"empty pattern", "a" KANJI "b", "", 0, 3},
        {"empty pattern, two-byte last character", "a" KANJI, "", 0, 1},
        {"empty text", "", "a", -1, -1},
        {"empty text and pattern", "", "", 0, -1},
        {"two-byte pattern", "x" KANJI "y" KANJI, KANJI, 1, 4},
        {"pattern at the very end", "abcab", "ab", 0, 3},
        {"pattern longer than the rest", "abca", "ab", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindSubstring(c.text, c.pattern), c.first) << c.name;
        EXPECT_EQ(FindLastSubstring(c.text, c.pattern), c.last) << c.name;
    }
}

TEST(StrTest, FormatPacksEachArgumentIntoItsSlot) {
    CStr_base<64> s("old");
    const char* name = "x";
    s.Format("%d|%s|%u|%s|%c", -42, name, 7u, "lit", 'Q');
    EXPECT_STREQ(s.GetText(), "-42|x|7|lit|Q");
    s.Format("plain");
    EXPECT_STREQ(s.GetText(), "plain");
}

TEST(StrTest, DirectWritingThroughTheBuffer) {
    CStr_base<1024> s;
    s.Reserve(10);
    std::memcpy(s.GetBuffer(), "abcdef", 6);
    s.SetLength(6);
    EXPECT_STREQ(s.GetText(), "abcdef");
    s.SetLength(2);
    EXPECT_STREQ(s.GetText(), "ab");
    EXPECT_THROW(s.SetLength(int32_t(s.GetCapacity())), uint32_t);
    EXPECT_THROW(s.SetLength(-1), uint32_t);
    EXPECT_STREQ(s.GetText(), "ab");
}

TEST(StrTest, ReleasedBuffersGoBackToTheirPool) {
    // The pool hands out last-in first-out, so a released chunk is the next one
    // handed out by the same pool: a string that releases to the wrong pool (or to
    // the heap) would not get it back.
    for (uint32_t size : {2u, 100u, 200u, 1000u}) {
        CStr_base<64> a;
        a.Reserve(size);
        const char* chunk = a.GetText();
        a.Free();
        CStr_base<64> b;
        b.Reserve(size);
        EXPECT_EQ(b.GetText(), chunk) << size;
    }
    const char* grown;
    {
        CStr_base<64> c("x");
        const char* first = c.GetText();
        c.Reserve(65);  // moves to the 128 pool and gives the 64 chunk back
        grown = c.GetText();
        CStr_base<64> d("y");
        EXPECT_EQ(d.GetText(), first);
    }
    CStr_base<64> e;
    e.Reserve(128);
    EXPECT_EQ(e.GetText(), grown);
}

}  // namespace
