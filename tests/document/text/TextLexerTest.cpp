#include "document/text/TextLexer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// A heap copy of exactly the text and its NUL, so that a read past the end shows
// up under the sanitizers.
std::vector<char> Exact(const std::string& text) { return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1); }

template <unsigned N>
std::vector<std::string> Texts(const CStrArray_base<N>& array) {
    std::vector<std::string> texts;
    for (const CStr_base<N>* item : array) texts.emplace_back(item->GetText(), size_t(item->GetLength()));
    return texts;
}

// --- SplitArguments ---

struct SplitCase {
    const char* name;
    std::string text;
    std::vector<std::string> items;
    size_t end;  // offset of the end position; npos: the text's NUL
};

constexpr size_t kAtNul = std::string::npos;

const SplitCase kSplitCases[] = {
    {"closed list", "1,2)", {"1", "2"}, 4},
    {"text ends before the bracket", "1,2", {"1", "2"}, kAtNul},
    {"empty list", ")", {""}, 1},
    {"empty text", "", {""}, kAtNul},
    {"empty items", ",,)", {"", "", ""}, 3},
    {"nested list stays one item", "a,(b,c),d)", {"a", "(b,c)", "d"}, 10},
    {"all bracket kinds nest", "a,[b,{c,d}],e)", {"a", "[b,{c,d}]", "e"}, 14},
    // Kinds are not matched: "]" closes the "(" and the comma after it splits.
    {"kinds not matched", "a,(b],c)", {"a", "(b]", "c"}, 8},
    {"any closer ends the list", "a,b]c", {"a", "b"}, 4},
    {"text after the list ignored", "a,b),c", {"a", "b"}, 4},
    {"blanks kept", "a, b)", {"a", " b"}, 5},
    {"extra opener swallows the rest", "a,(b,c", {"a", "(b,c"}, kAtNul},
    {"double quotes protect comma and bracket", "\"a,b)\",c)", {"\"a,b)\"", "c"}, 9},
    {"apostrophes protect comma and bracket", "'a,b)',c)", {"'a,b)'", "c"}, 9},
    {"escaped double quote stays inside", "\"a\\\",b\",c)", {"\"a\\\",b\"", "c"}, 10},
    {"escaped apostrophe stays inside", "'a\\',b',c)", {"'a\\',b'", "c"}, 10},
    {"apostrophe inside double quotes", "\"it's,x\",y)", {"\"it's,x\"", "y"}, 11},
    {"double quote inside apostrophes", "'say \"),',y)", {"'say \"),'", "y"}, 12},
    {"escaped backslash before the closing quote", "\"a\\\\\",b)", {"\"a\\\\\"", "b"}, 8},
    {"unterminated quote swallows the rest", "a,\"b,c),d", {"a", "\"b,c),d"}, kAtNul},
    {"backslash at the end inside a quote", "\"a\\", {"\"a\\"}, kAtNul},
    {"backslash outside quotes is ordinary", "a\\,b)", {"a\\", "b"}, 5},
    {"quoted name inside a nested call", "f(\"),\"),g)", {"f(\"),\")", "g"}, 10},
    // Double-byte characters: the second byte never acts, whatever its value.
    {"trail 0x5C inside quotes escapes nothing", "\"\x95\x5C\",x)", {"\"\x95\x5C\"", "x"}, 7},
    {"trail ']' closes nothing", "\x81\x5D,b)", {"\x81\x5D", "b"}, 5},
    {"trail '{' opens nothing", "\x81\x7B,b)", {"\x81\x7B", "b"}, 5},
    {"trail ',' splits nothing", "\x81,,b)", {"\x81,", "b"}, 5},
    {"trail '\"' opens no quote", "\x81\",b)", {"\x81\"", "b"}, 5},
    {"trail ')' after a lead 0xE0", "\xE0),b)", {"\xE0)", "b"}, 5},
    {"backslash takes a whole double-byte character", "\"\\\x95\x22\",x)", {"\"\\\x95\x22\"", "x"}, 8},
    {"lead byte before the NUL is a single byte", "a,\x81", {"a", "\x81"}, kAtNul},
    {"lead byte before the NUL inside quotes", "\"\x81", {"\"\x81"}, kAtNul},
    {"bytes 0x80 and 0xA0 are not lead bytes", "\x80,\xA0)", {"\x80", "\xA0"}, 4},
};

template <unsigned N>
void CheckSplitCases() {
    CStrArray_base<N> items;
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.name);
        const std::vector<char> text = Exact(c.text);
        const char* end = nullptr;
        const uint32_t count = SplitArguments(items, text.data(), &end);
        EXPECT_EQ(count, c.items.size());
        EXPECT_EQ(Texts(items), c.items);
        const size_t expectedEnd = c.end == kAtNul ? c.text.size() : c.end;
        EXPECT_EQ(size_t(end - text.data()), expectedEnd);
        // Without an end position the items are the same.
        EXPECT_EQ(SplitArguments(items, text.data()), count);
        EXPECT_EQ(Texts(items), c.items);
    }
}

TEST(TextLexerSplit, ItemsAndEndPosition64) { CheckSplitCases<64>(); }
TEST(TextLexerSplit, ItemsAndEndPosition1024) { CheckSplitCases<1024>(); }

// The spans name exactly the items of the split, in the text itself; spans
// beyond the capacity are counted but not stored.
TEST(TextLexerSplit, SpansInPlace) {
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.name);
        const std::vector<char> text = Exact(c.text);
        ArgumentSpan spans[8];
        const char* end = nullptr;
        const uint32_t count = FindArguments(text.data(), spans, 8, &end);
        ASSERT_EQ(count, c.items.size());
        std::vector<std::string> items;
        for (uint32_t i = 0; i < count; ++i) items.emplace_back(text.data() + spans[i].offset, spans[i].length);
        EXPECT_EQ(items, c.items);
        EXPECT_EQ(size_t(end - text.data()), c.end == kAtNul ? c.text.size() : c.end);
    }
    const std::vector<char> text = Exact("a,bb,ccc,dddd)");
    ArgumentSpan spans[2] = {{99, 99}, {99, 99}};
    EXPECT_EQ(FindArguments(text.data(), spans, 1), 4u);
    EXPECT_EQ(spans[0].offset, 0u);
    EXPECT_EQ(spans[0].length, 1u);
    EXPECT_EQ(spans[1].offset, 99u) << "nothing stored beyond the capacity";
    EXPECT_EQ(FindArguments(text.data(), nullptr, 0), 4u);
}

// The array is emptied first: items of an earlier, longer split do not survive,
// and a later addition hands out an empty item, as after any emptying.
TEST(TextLexerSplit, ReplacesEarlierItems) {
    CStrArray_base<64> items;
    items.Add("stale");
    ASSERT_EQ(SplitArguments(items, "alpha,beta,gamma,delta)"), 4u);
    ASSERT_EQ(SplitArguments(items, "x)"), 1u);
    EXPECT_EQ(Texts(items), std::vector<std::string>{"x"});
    EXPECT_STREQ(items.AddNew()->GetText(), "");
    EXPECT_TRUE(items.GetReleaseOnRemove());

    // An array that keeps removed texts keeps that setting.
    CStrArray_base<64> keeping;
    keeping.SetReleaseOnRemove(false);
    ASSERT_EQ(SplitArguments(keeping, "a,b)"), 2u);
    EXPECT_FALSE(keeping.GetReleaseOnRemove());
}

// Items longer than the pooled buffers, more items than one chunk, and a second
// split into the same array whose items are longer and shorter than before.
TEST(TextLexerSplit, LongAndManyItems) {
    std::mt19937 rng(7);
    CStrArray_base<64> small;
    CStrArray_base<1024> large;
    for (int round = 0; round < 6; ++round) {
        std::vector<std::string> pieces;
        std::string text;
        const int count = 1 + int(rng() % 120);
        for (int i = 0; i < count; ++i) {
            const size_t len = (rng() % 4 == 0) ? rng() % 3000 : rng() % 40;
            std::string piece(len, char('a' + i % 26));
            if (i != 0) text += ',';
            text += piece;
            pieces.push_back(piece);
        }
        text += ")tail,";
        const std::vector<char> exact = Exact(text);
        const char* end = nullptr;
        ASSERT_EQ(SplitArguments(small, exact.data(), &end), uint32_t(count));
        EXPECT_EQ(Texts(small), pieces);
        EXPECT_STREQ(end, "tail,");
        ASSERT_EQ(SplitArguments(large, exact.data()), uint32_t(count));
        EXPECT_EQ(Texts(large), pieces);
    }
}

// The parsers split an item further; the text may even be an item of the array
// that receives the result.
TEST(TextLexerSplit, TextFromTheArrayItself) {
    CStrArray_base<64> items;
    ASSERT_EQ(SplitArguments(items, "p,qdxpath(Line(1,2),Jump(3,4)),t)"), 3u);
    const char* list = items.GetAt(1)->GetText() + 8;
    const char* end = nullptr;
    ASSERT_EQ(SplitArguments(items, list, &end), 2u);
    EXPECT_EQ(Texts(items), (std::vector<std::string>{"Line(1,2)", "Jump(3,4)"}));
    EXPECT_EQ(end - list, 20);

    // An item filled to its capacity, split as a whole into its own array: the
    // item that receives the copy must grow, which moves its buffer.
    CStrArray_base<64> full;
    CStr_base<64>* item = full.AddNew();
    item->Reserve(2000);
    const int32_t length = int32_t(item->GetCapacity()) - 1;
    std::memset(item->GetBuffer(), 'x', size_t(length));
    item->SetLength(length);
    ASSERT_EQ(SplitArguments(full, item->GetText()), 1u);
    EXPECT_EQ(Texts(full), std::vector<std::string>{std::string(size_t(length), 'x')});
}

// --- FindClosingQuote ---

TEST(TextLexerQuote, Offsets) {
    struct Case {
        const char* name;
        std::string text;
        int32_t offset;
    };
    const Case cases[] = {
        {"two quotes in a row", "\"\"", 1},
        {"escaped quote skipped", "\"a\\\"b\"", 5},
        {"first closing quote wins", "\"a\"b\"", 2},
        {"text after the closing quote", "\"ab\",x)", 3},
        {"no closing quote", "\"abc", -1},
        {"lone quote", "\"", -1},
        {"lone backslash at the end", "\"a\\", -1},
        {"escaped backslash before the quote", "\"a\\\\\"", 4},
        {"trail 0x5C is no backslash", "\"\x95\x5C\"", 3},
        {"trail '\"' is no quote", "\"\x81\"\"", 3},
        {"backslash takes a whole double-byte character", "\"\\\x95\x22\"", 4},
        {"lead byte before the NUL", "\"ab\x81", -1},
        {"any byte is the delimiter", "'a\"b'", 4},
        {"a lead byte as delimiter", "\x81x\x81y\x81", 4},  // the middle one is a double-byte character
        {"empty text", "", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<char> text = Exact(c.text);
        EXPECT_EQ(FindClosingQuote(text.data()), c.offset);
    }
    // The pointer may point into a longer text.
    const std::vector<char> text = Exact("Name(\"obj\",1)");
    EXPECT_EQ(FindClosingQuote(text.data() + 5), 4);
}

// --- Unescape and Escape ---

struct EscapeCase {
    const char* name;
    std::string from;
    std::string to;
};

TEST(TextLexerEscape, Unescape) {
    const EscapeCase cases[] = {
        {"line feed", "a\\nb", "a\nb"},
        {"unknown escape disappears", "a\\qb", "ab"},
        {"lone backslash at the end", "a\\", "a"},
        {"all known escapes", "\\\\\\t\\'\\\"\\n", "\\\t'\"\n"},
        {"escaped backslash before n", "\\\\n", "\\n"},
        {"carriage return kept", "a\rb", "a\rb"},
        {"trail 0x5C starts no escape", "\x95\x5Cn", "\x95\x5Cn"},
        // The unknown escape takes the whole double-byte character with it, so
        // its second byte cannot start an escape of its own.
        {"unknown escape of a double-byte character", "\\\x95\x5Cn", "n"},
        {"lead byte before the NUL", "ab\x81", "ab\x81"},
        {"empty", "", ""},
    };
    CStr_base<64> text;
    CStr_base<64> scratch;
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        text.Assign(c.from.c_str());
        scratch.Assign("old scratch content");
        Unescape(text, scratch);
        EXPECT_EQ(std::string(text.GetText(), size_t(text.GetLength())), c.to);
        EXPECT_EQ(std::string(scratch.GetText()), c.to);
    }
}

TEST(TextLexerEscape, Escape) {
    const EscapeCase cases[] = {
        {"backslash", "a\\b", "a\\\\b"},
        {"control characters and quotes", "\n\t'\"", "\\n\\t\\'\\\""},
        {"carriage return kept", "a\rb", "a\rb"},
        {"trail 0x5C copied", "\x95\x5C", "\x95\x5C"},
        {"trail '\"' copied", "\x81\"", "\x81\""},
        {"lead byte before the NUL", "x\x81", "x\x81"},
        {"empty", "", ""},
    };
    CStr_base<64> text;
    CStr_base<64> scratch;
    for (const EscapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        text.Assign(c.from.c_str());
        Escape(text, scratch);
        EXPECT_EQ(std::string(text.GetText()), c.to);
        EXPECT_EQ(std::string(scratch.GetText()), c.to);
    }
}

TEST(TextLexerEscape, ScratchMayBeTheStringItself) {
    CStr_base<64> text("a\\nb");
    Unescape(text, text);
    EXPECT_STREQ(text.GetText(), "a\nb");
    Escape(text, text);
    EXPECT_STREQ(text.GetText(), "a\\nb");
}

// Random texts of the characters that matter: ordinary bytes, double-byte
// characters (trail bytes 0x5C, 0x22, 0x27 and the letters n and t included),
// tabs, line feeds, carriage returns, quotes and backslashes. Escaping and
// unescaping gives each back; and the escaped text written between double quotes
// is closed by the last quote and split as one item, as the writer and the
// parsers rely on.
TEST(TextLexerEscape, RoundTripOfTypicalTexts) {
    std::mt19937 rng(12345);
    const unsigned char trails[] = {0x5C, 0x22, 0x27, 'n', 't', 0x40, 0x7E, 0x80, 0x9F, 0xFC};
    const char singles[] = {'a', 'Z', '0', ' ', ',', '(', ')', '\t', '\n', '\r', '"', '\'', '\\', '\x7F', '\xA0'};
    CStr_base<64> text;
    CStr_base<64> scratch;
    CStrArray_base<64> items;
    for (int round = 0; round < 3000; ++round) {
        std::string original;
        const int count = int(rng() % 40);
        for (int i = 0; i < count; ++i) {
            if (rng() % 3 == 0) {
                const unsigned lead = rng() % 2 ? 0x81 + rng() % 31 : 0xE0 + rng() % 29;
                original += char(lead);
                original += char(trails[rng() % sizeof(trails)]);
            } else {
                original += singles[rng() % sizeof(singles)];
            }
        }
        text.Assign(original.c_str());
        Escape(text, scratch);
        const std::string escaped = text.GetText();
        Unescape(text, scratch);
        ASSERT_EQ(std::string(text.GetText()), original) << "escaped: " << escaped;

        const std::string quoted = "\"" + escaped + "\"";
        const std::vector<char> q = Exact(quoted + ",next)");
        ASSERT_EQ(FindClosingQuote(q.data()), int32_t(quoted.size() - 1)) << escaped;
        ASSERT_EQ(SplitArguments(items, q.data()), 2u) << escaped;
        EXPECT_EQ(std::string(items.GetAt(0)->GetText()), quoted);
    }
}

// Any byte string without NUL comes back, lead bytes in any place included (one
// before the NUL, one before another lead byte).
TEST(TextLexerEscape, RoundTripOfAnyBytes) {
    std::mt19937 rng(99);
    CStr_base<64> text;
    CStr_base<64> scratch;
    for (int round = 0; round < 3000; ++round) {
        std::string original(rng() % 64, '\0');
        for (char& c : original) c = char(1 + rng() % 255);
        text.Assign(original.c_str());
        Escape(text, scratch);
        Unescape(text, scratch);
        ASSERT_EQ(std::string(text.GetText()), original);
    }
}

// --- KeywordPrefixMatch and StartsWith ---

TEST(TextLexerPrefix, KeywordPrefixMatchAndStartsWith) {
    struct Case {
        const char* text;
        const char* prefix;
        bool match;
    };
    const Case cases[] = {
        {"Line(1,2)", "Line(", true},
        {"Line(", "Line(", true},
        {"Lin", "Line(", false},
        {" Line(1,2)", "Line(", false},
        {"line(1,2)", "Line(", false},
        {"ClearMask()", "ClearMask()", true},
        {"ClearMask(", "ClearMask()", false},
        {"anything", "", true},
        {"", "", true},
        {"", "a", false},
        {"\x95\x5C" "a", "\x95\x5C", true},
        {"\x95\x5D", "\x95\x5C", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.prefix);
        const std::vector<char> text = Exact(c.text);
        EXPECT_EQ(KeywordPrefixMatch(text.data(), c.prefix), c.match);
        EXPECT_EQ(StartsWith(CStr_base<64>(c.text), c.prefix), c.match);
    }
    EXPECT_TRUE(StartsWith(CStr_base<64>(), ""));
}

// --- CutAtLastPathSeparator ---

TEST(TextLexerPath, CutAtLastPathSeparator) {
    struct Case {
        const char* name;
        const char* path;
        bool cut;
        const char* result;
    };
    const Case cases[] = {
        {"backslash last", "C:/docs\\work\\a.qdx", true, "C:/docs\\work"},
        {"slash last", "C:\\docs/work/a.qdx", true, "C:\\docs/work"},
        {"neither", "a.qdx", false, "a.qdx"},
        {"empty", "", false, ""},
        {"separator first", "\\a.qdx", true, ""},
        {"separator last", "docs/", true, "docs"},
        {"trail 0x5C is no separator", "docs\\\x95\x5C.qdx", true, "docs"},
        {"only a trail 0x5C", "\x95\x5C.qdx", false, "\x95\x5C.qdx"},
        {"trail 0x5C right after the separator", "a/\x95\x5C", true, "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CStr_base<64> path(c.path);
        EXPECT_EQ(CutAtLastPathSeparator(path), c.cut);
        EXPECT_STREQ(path.GetText(), c.result);
        EXPECT_EQ(path.GetLength(), int32_t(std::strlen(c.result)));
    }
}

}  // namespace
