#include "foundation/pattern/StrRegexMatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int32_t count;
    std::string matches;   // "(start,length)" per match
    std::string captures;  // capture texts joined by "|"
};

std::string Joined(const CStrArray_base<64>& caps) {
    std::string out;
    for (uint32_t i = 0; i < caps.GetCount(); ++i) {
        if (i != 0) out += '|';
        out += caps.GetAt(i)->GetText();
    }
    return out;
}

Outcome Matched(const char* pattern, const char* text, const char* options) {
    CStrArray_base<64> caps;
    CArrayAuto<CStrRegexMatchStruct> matches;
    Outcome o;
    o.count = StrRegexMatch(text, pattern, options, &caps, nullptr, &matches);
    for (const CStrRegexMatchStruct* m : matches)
        o.matches += "(" + std::to_string(m->start) + "," + std::to_string(m->length) + ")";
    o.captures = Joined(caps);
    return o;
}

struct Row {
    const char* name;
    const char* pattern;
    const char* text;
    const char* options;
    int32_t count;
    const char* matches;
    const char* captures;
};

void Check(const Row& r) {
    const Outcome o = Matched(r.pattern, r.text, r.options);
    EXPECT_EQ(o.count, r.count) << r.name;
    EXPECT_EQ(o.matches, r.matches) << r.name;
    EXPECT_EQ(o.captures, r.captures) << r.name;
}

TEST(StrRegexMatch, Repetitions) {
    const Row rows[] = {
        {"greedy gives back one digit", "%*d%d", "12345", "", 1, "(0,5)", ""},
        {"greedy with a maximum", "%*0,3d%d", "12345", "s", 1, "(0,4)", ""},
        {"greedy backs off to the minimum", "%*2d%3d", "12345", "", 1, "(0,5)", ""},
        {"possessive one or more", "%d%/d", "12a", "", 1, "(0,2)", ""},
        {"possessive needs its minimum", "%/d", "a", "", 0, "", ""},
        {"possessive never gives back", "%0,2d%d", "12", "", 0, "", ""},
        {"possessive up to the maximum", "%0,2d%d", "123", "", 1, "(0,3)", ""},
        {"exact count", "%2d", "1a23", "g", 1, "(2,2)", ""},
        {"lazy grows until the rest matches", "%+d%a", "123a", "", 1, "(0,4)", ""},
        {"lazy stops at its maximum", "%+1,2d%a", "123a", "s", 0, "", ""},
        {"lazy with a maximum at a later offset", "%+1,2d%a", "123a", "", 1, "(1,3)", ""},
        {"negative look-ahead passes", "%!d%j", "a", "", 1, "(0,1)", ""},
        {"negative look-ahead fails", "%!d%j", "1", "", 0, "", ""},
        {"optional group", "%0,1(ab%)c", "abc", "g", 1, "(0,3)", ""},
        {"z without its character is empty", "a%z", "a", "", 1, "(0,1)", ""},
        {"greedy group", "%*(ab%)c", "ababc", "", 1, "(0,5)", ""},
        {"z repeats its one character", "%*0z a", "  a", "", 1, "(0,3)", ""},
    };
    for (const Row& r : rows) Check(r);
}

TEST(StrRegexMatch, CapturesAndMarks) {
    const Row rows[] = {
        {"inner capture comes first", "%{%{a%}b%}", "ab", "", 1, "(0,2)", "a|ab"},
        {"e ends the capture's text", "%{ab%ecd%}", "abcd", "", 1, "(0,4)", "ab"},
        {"e in the rest of a greedy item", "%{%*j%e.%3a%}", "ab.txt", "", 1, "(0,6)", "ab"},
        {"p keeps the rest unconsumed", "ab%p%d", "ab1", "", 1, "(0,2)", ""},
        {"p still needs the rest", "ab%p%d", "ab", "", 0, "", ""},
        {"P at the end succeeds at once", "ab%P%d", "ab", "", 1, "(0,2)", ""},
        {"P in a capture", "%{ab%P%d%}", "ab", "", 1, "(0,2)", "ab"},
        {"p in a capture ends its text", "%{ab%p%d%}", "ab1", "", 1, "(0,2)", "ab"},
        {"P in a set matches the end", "a%[%Pb%]", "a", "", 1, "(0,1)", ""},
        {"P in a set elsewhere is skipped", "a%[%Pb%]", "ab", "", 1, "(0,2)", ""},
        {"greedy backing off drops later captures", "%*(%{%j%}%)%j", "abc", "", 1, "(0,3)", "a|b"},
        {"lazy retries drop the rest's captures", "%+(%{%j%}%)%{%j%}%d", "abc1", "", 1, "(0,4)", "a|b|c"},
        {"failed group drops its captures", "%[%(%{a%}b%)%{a%}%]", "ac", "s", 1, "(0,1)", "a"},
        {"failed repetition drops its captures", "%[%2{a%}%j%]", "ab", "s", 1, "(0,1)", ""},
        {"failed look-ahead drops its captures", "%[%!{a%}%j%]", "a", "s", 1, "(0,1)", ""},
        {"v repeats capture 0", "%{%d%}%v", "11", "", 1, "(0,2)", "1"},
        {"v must match", "%{%d%}%v", "12", "s", 0, "", ""},
        {"v without that capture is empty", "%5vx", "x", "", 1, "(0,1)", ""},
        {"V counts from the end", "%{a%}%{b%}%V%1V", "abba", "", 1, "(0,4)", "a|b"},
        {"v case-insensitive", "%{a%}%v", "aA", "i", 1, "(0,2)", "a"},
        {"H removes the last capture", "%{a%}%{b%}%H", "ab", "", 1, "(0,2)", "a"},
        {"T appends an empty capture", "%Ta", "a", "", 1, "(0,1)", ""},
        {"h removes capture N", "%{a%}%{b%}%{c%}%1h", "abc", "", 1, "(0,3)", "a|c"},
        {"t copies the last capture into N", "%{a%}%2t", "a", "", 1, "(0,1)", "a||a"},
        {"t without captures", "%1t", "x", "s", 1, "(0,0)", "|"},
    };
    for (const Row& r : rows) Check(r);

    // T and t leave empty strings, which Joined cannot tell apart from none.
    CStrArray_base<64> caps;
    ASSERT_EQ(StrRegexMatch("a", "%Ta", "", &caps), 1);
    EXPECT_EQ(caps.GetCount(), 1u);
    ASSERT_EQ(StrRegexMatch("x", "%1t", "s", &caps), 1);
    EXPECT_EQ(caps.GetCount(), 2u);
}

TEST(StrRegexMatch, ClassesAndPositions) {
    struct ClassRow {
        const char* pattern;
        const char* matching;   // matched whole at offset 0
        const char* failing;    // not matched at offset 0
    };
    const ClassRow rows[] = {
        {"%?", "~", "\x82\xA0"},   {"%A", "Z", "a"},        {"%a", "z", "A"},
        {"%l", "q", "1"},          {"%L", "7", "_"},        {"%d", "9", "a"},
        {"%x", "f", "F"},          {"%X", "F", "f"},        {"%n", "b", "g"},
        {"%s", "_", "-"},          {"%w", "\t", "\n"},      {"%W", "\r", "x"},
        {"%k", "~", " "},          {"%y", "@", "a"},        {"%c", "\x7F", " "},
        {"%j", "\x82\xA0", ""},    {"%C", "\x82\xA0", "\n"}, {"%J", "\x82\xA0", "a"},
        {"%K", "\x82\xA0", "\t"},  {"%B", "-", "a"},        {"%b", "1", "a"},
        {"%D", "a", "1"},          {"%N", "g", "a"},        {"%S", "-", "_"},
        {"%Y", "a", "."},          {"%i", "\x82\xA0", " "}, {"%I", "x", "\r"},
        {"%$", "", "a"},           {"a%G\n", "a\n", "ab"},  {"%G", "", "a"},
        {"%-09", "5", "a"},        {"%u", nullptr, "a"},    {"%U", nullptr, "a"},
    };
    for (const ClassRow& r : rows) {
        if (r.matching != nullptr && *r.matching != 0) {
            const Outcome o = Matched(r.pattern, r.matching, "s");
            EXPECT_EQ(o.matches, "(0," + std::to_string(std::strlen(r.matching)) + ")") << r.pattern;
        }
        EXPECT_EQ(Matched(r.pattern, r.failing, "s").count, 0) << r.pattern << " on " << r.failing;
    }

    const Row positions[] = {
        {"^ only at the start", "%^a", "aa", "g", 1, "(0,1)", ""},
        {"g at the start of each line", "%ga", "a\na", "g", 2, "(0,1)(2,1)", ""},
        {"$ at the end", "a%$", "aa", "g", 1, "(1,1)", ""},
        {"classes ignore case folding", "%a", "A", "i", 0, "", ""},
        {"literals fold ASCII case", "abc", "xABC", "i", 1, "(1,3)", ""},
    };
    for (const Row& r : positions) Check(r);
}

TEST(StrRegexMatch, DoubleByteCharactersAreNeverSplit) {
    // "\x82" "a" is one character whose trail byte looks like "a".
    const Row rows[] = {
        {"literal skips a trail byte", "a", "\x82" "aa", "g", 1, "(2,1)", ""},
        {"class skips a trail byte", "%a", "\x82" "aa", "g", 1, "(2,1)", ""},
        {"digit class skips a trail byte", "%d", "\x82" "1", "g", 0, "", ""},
        {"range skips a trail byte", "%-az", "\x82" "aa", "g", 1, "(2,1)", ""},
        {"? refuses a lead byte", "%?", "\x82" "ab", "g", 1, "(2,1)", ""},
        {"j takes both bytes", "%j", "\x82" "ab", "g", 2, "(0,2)(2,1)", ""},
        {"J finds the double-byte character", "%J", "a\x82" "a", "g", 1, "(1,2)", ""},
        {"a lone lead byte at the end is a character", "%j", "a\x82", "g", 2, "(0,1)(1,1)", ""},
        {"range never takes a lead byte", "%-\xA1\xFC", "\xB1\xE0\x40", "g", 1, "(0,1)", ""},
        {"literal ending in a lone lead byte needs the end",
         "a\x82", "a\x82" "a", "g", 0, "", ""},
        {"literal ending in a lone lead byte at the end", "a\x82", "a\x82", "", 1, "(0,2)", ""},
        {"case-insensitive compares double-byte exactly", "\x82" "a", "\x82" "A", "i", 0, "", ""},
        {"case-insensitive double-byte literal", "\x82" "ax", "\x82" "aX", "i", 1, "(0,3)", ""},
        {"case-insensitive v compares double-byte exactly",
         "%{%J%}%v", "\x82" "a\x82" "A", "i", 0, "", ""},
        {"double-byte set alternative", "%[\x82\xA0" "b%]", "\x82\xA0", "", 1, "(0,2)", ""},
        {"set alternative never matches a trail byte", "%[\x82\xA0" "b%]", "\x82" "b", "", 0, "", ""},
        {"capture of a double-byte name", "%{%*J%}", "\x95\x5C\x95\x5C", "", 1, "(0,4)",
         "\x95\x5C\x95\x5C"},
    };
    for (const Row& r : rows) Check(r);
}

TEST(StrRegexMatch, DriverOptionsAndOutputs) {
    const Row rows[] = {
        {"all matches", "%/d", "a1b22", "g", 2, "(1,1)(3,2)", ""},
        {"first match only", "%/d", "a1b22", "", 1, "(1,1)", ""},
        {"start only", "%/d", "a1b22", "s", 0, "", ""},
        {"all matches from the start only", "%d", "12a3", "gs", 2, "(0,1)(1,1)", ""},
        {"empty pattern matches everywhere", "", "ab", "g", 2, "(0,0)(1,0)", ""},
        {"empty text never matches", "", "", "g", 0, "", ""},
        {"empty match advances one character", "%0,1d", "\x82\xA0" "1", "g", 2, "(0,0)(2,1)", ""},
        {"options anywhere in the text", "abc", "ABC", "xiy", 1, "(0,3)", ""},
    };
    for (const Row& r : rows) Check(r);

    // With "g" every match's captures go to the list; the capture array ends empty
    // and the list is appended to, not emptied.
    CStrArray_base<64> caps;
    CArrayAuto<CStrArray_base<64>> lists;
    lists.AddNew()->Add("earlier");
    CArrayAuto<CStrRegexMatchStruct> matches;
    matches.AddNew();
    EXPECT_EQ(StrRegexMatch("a1b2", "%{%d%}", "g", &caps, &lists, &matches), 2);
    EXPECT_EQ(caps.GetCount(), 0u);
    EXPECT_EQ(matches.GetCount(), 2u);
    ASSERT_EQ(lists.GetCount(), 3u);
    EXPECT_EQ(Joined(*lists.GetAt(0)), "earlier");
    EXPECT_EQ(Joined(*lists.GetAt(1)), "1");
    EXPECT_EQ(Joined(*lists.GetAt(2)), "2");

    // Without "g" the captures stay; the caller's old captures are gone.
    caps.Add("stale");
    EXPECT_EQ(StrRegexMatch("a1b2", "%{%d%}", "", &caps), 1);
    EXPECT_EQ(Joined(caps), "1");
}

TEST(StrRegexMatch, ReleaseFlagIsRestoredOnEveryExit) {
    CStrArray_base<64> caps;
    for (const bool flag : {true, false}) {
        caps.SetReleaseOnRemove(flag);
        StrRegexMatch("ab", "%{a%}", "g", &caps);
        EXPECT_EQ(caps.GetReleaseOnRemove(), flag);

        CStrRegexStruct broken;
        broken.items.AddNew()->kind = 9;
        EXPECT_THROW(StrRegexMatchCompiled("ab", broken, "", &caps), int);
        EXPECT_EQ(caps.GetReleaseOnRemove(), flag);
    }
}

int32_t RejectOffsetZero(const char*, int32_t offset, int32_t length, CStrArray_base<64>&) {
    return offset == 0 ? -1 : length + 1;
}

TEST(StrRegexMatch, CallbackDecidesTheLength) {
    CStrArray_base<64> caps;
    CArrayAuto<CStrArray_base<64>> lists;
    CArrayAuto<CStrRegexMatchStruct> matches;
    // Rejected at 0; at 1 the callback stretches the match over "x", so the next
    // attempt is at 3.
    EXPECT_EQ(StrRegexMatch("12x3", "%{%d%}", "g", &caps, &lists, &matches, RejectOffsetZero), 2);
    ASSERT_EQ(matches.GetCount(), 2u);
    EXPECT_EQ(matches.GetAt(0)->start, 1);
    EXPECT_EQ(matches.GetAt(0)->length, 2);
    EXPECT_EQ(matches.GetAt(1)->start, 3);
    ASSERT_EQ(lists.GetCount(), 2u);
    // The rejected match's capture does not linger into the next one.
    EXPECT_EQ(Joined(*lists.GetAt(0)), "2");
    EXPECT_EQ(Joined(*lists.GetAt(1)), "3");
}

TEST(StrRegexMatch, HandlerTables) {
    struct Cleanup {
        ~Cleanup() {
            StrRegexClassHandlers().RemoveAll();
            StrRegexCaptureHandlers().RemoveAll();
        }
    } cleanup;

    EXPECT_EQ(Matched("%u", "x", "").count, 0);
    *StrRegexClassHandlers().AddNew() = [](const char* t, const CStrRegexStruct&,
                                           const CArrayAuto<CStrRegexStruct>*, int) {
        return *t == 'x' ? 1 : -1;
    };
    *StrRegexClassHandlers().AddNew() = [](const char*, const CStrRegexStruct&,
                                           const CArrayAuto<CStrRegexStruct>*, int) {
        return 5;  // beyond the end of the text
    };
    EXPECT_EQ(Matched("%u", "ax", "").matches, "(1,1)");
    EXPECT_EQ(Matched("%1u", "ab", "").count, 0);
    EXPECT_EQ(Matched("%2u", "ab", "").count, 0);

    *StrRegexCaptureHandlers().AddNew() = [](const char*, const CStrRegexStruct&,
                                             CStrArray_base<64>& caps,
                                             const CArrayAuto<CStrRegexStruct>*, int) {
        return caps.GetCount() == 1 && caps.GetAt(0)->GetLength() == 1 ? 0 : -1;
    };
    EXPECT_EQ(Matched("%{a%}%U", "a", "").count, 1);
    EXPECT_EQ(Matched("%U", "a", "").count, 0);
}

TEST(StrRegexMatch, MalformedTreesThrow) {
    CStrRegexStruct badKind;
    badKind.items.AddNew()->kind = 7;
    EXPECT_THROW(StrRegexMatchCompiled("a", badKind, ""), int);

    CStrRegexStruct badLetter;
    CStrRegexStruct* item = badLetter.items.AddNew();
    item->kind = CStrRegexStruct::kClass;
    item->classLetter = 'E';
    EXPECT_THROW(StrRegexMatchCompiled("a", badLetter, ""), int);

    // A hand-built chain deeper than the compiler allows.
    CStrRegexStruct deep;
    CStrRegexStruct* level = &deep;
    for (uint32_t i = 0; i < StrRegexMaxDepth + 5; ++i) level = level->items.AddNew();
    EXPECT_THROW(StrRegexMatchCompiled("a", deep, ""), int);
}

// A greedy repetition runs to the end of the text and must back off to exactly k
// repetitions, where "xb" follows. Its records are kept as 1000 recent ones, a
// checkpoint every 1000 and a list entry every million; backing off past a block
// remakes it, so the rows sit on both sides of each block edge.
TEST(StrRegexMatch, GreedyBacksOffToEveryRecord) {
    const uint32_t ks[] = {0, 999, 1000, 1999, 2000, 999'999, 1'000'000, 1'000'999, 1'001'000};
    for (const uint32_t k : ks) {
        std::string text(k, 'a');
        text += "xb";
        text.append(1'100'000 - k, 'a');
        CArrayAuto<CStrRegexMatchStruct> matches;
        EXPECT_EQ(StrRegexMatch(text.c_str(), "%*0jxb", "s", nullptr, nullptr, &matches), 1) << k;
        ASSERT_EQ(matches.GetCount(), 1u) << k;
        EXPECT_EQ(matches.GetAt(0)->length, int32_t(k + 2)) << k;
    }
}

TEST(StrRegexMatch, GreedyRemakesRecordsWithTheirCaptures) {
    // One capture per repetition: backing off to k repetitions must leave exactly
    // the k captures of those repetitions, also when their records were remade.
    for (const uint32_t k : {0u, 999u, 1000u, 1500u, 1999u, 2000u}) {
        std::string text(k, 'a');
        text += "xb";
        text.append(2500 - k, 'a');
        CStrArray_base<64> caps;
        CArrayAuto<CStrRegexMatchStruct> matches;
        ASSERT_EQ(StrRegexMatch(text.c_str(), "%*0(%{%j%}%)xb", "s", &caps, nullptr, &matches), 1) << k;
        EXPECT_EQ(matches.GetAt(0)->length, int32_t(k + 2)) << k;
        ASSERT_EQ(caps.GetCount(), k);
        for (uint32_t i = 0; i < k; ++i) ASSERT_STREQ(caps.GetAt(i)->GetText(), "a") << k << " " << i;
    }
}

TEST(StrRegexMatch, RunawayPatternsEndQuickly) {
    const auto started = std::chrono::steady_clock::now();
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "%(";
    std::string chain;
    for (int i = 0; i < 100000; ++i) chain += "%*j";
    const Row rows[] = {
        {"nesting beyond the limit matches nothing", deep.c_str(), "a", "", 0, "", ""},
        {"greedy chain beyond the limit matches nothing", chain.c_str(), "a", "", 0, "", ""},
        {"empty item repeated two billion times", "%2000000000e", "a", "s", 1, "(0,0)", ""},
        {"and that two billion times", "%2000000000(%2000000000e%)", "a", "s", 1, "(0,0)", ""},
        {"empty group up to two billion times, nested", "%0,2000000000(%0,2000000000(%)%)a", "a", "s", 1, "(0,1)", ""},
        {"lazy empty item never stops growing", "%+e%d", "a", "", 0, "", ""},
        {"greedy empty item", "%*e%d", "a", "", 0, "", ""},
        {"two billion captures", "%2000000000T", "a", "s", 0, "", ""},
        {"capture number two billion", "%2000000000t", "a", "s", 0, "", ""},
    };
    for (const Row& r : rows) Check(r);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
}

std::string Repeated(const char* piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(StrRegexMatch, StepBudgetRefusesRunawayPatterns) {
    // Greedy items before a failing item back off into every split of the text
    // among them: 6 items over 26 letters are about 2.5 million steps, and each
    // further item multiplies that by about 6.
    const std::string letters(26, 'a');
    const std::string six = Repeated("%*a", 6) + "b";
    const std::string twelve = Repeated("%*a", 12) + "b";
    const std::string twelveDot = Repeated("%*0a", 12) + ".";
    const std::string lettersDot = letters + ".";
    // A repetition of a capture that matches nothing adds captures up to the
    // limit and takes them back; nested, it did that again and again.
    const Row rows[] = {
        {"six greedy items and a failing one", six.c_str(), letters.c_str(), "", 0, "", ""},
        {"twelve greedy items run out of steps", twelve.c_str(), letters.c_str(), "", 0, "", ""},
        {"twelve greedy items that fit at the first try", twelveDot.c_str(), lettersDot.c_str(), "", 1,
         "(0,27)", ""},
        {"empty capture repeated past the limit", "%2444441{", "j", "g", 0, "", ""},
        {"that inside a repeated look-ahead", "%0,100(%!2444441{%)", "j", "g", 0, "", ""},
        {"empty captures past the limit", "%65537T", "j", "s", 0, "", ""},
        {"filling and emptying the captures over and over", "%0,1000000(%65535t%0,65536H%)", "j", "s", 0, "", ""},
    };
    for (const Row& r : rows) Check(r);

    // Items that match nothing and call no step of their own still cost time
    // when the rest of a sequence is walked past them at every back-off.
    const std::string marks = "%*j" + Repeated("%p", 20000) + "x";
    const std::string longText(200000, 'a');
    EXPECT_EQ(Matched(marks.c_str(), longText.c_str(), "s").count, 0);

    // The last capture number still within the limit.
    CStrArray_base<64> caps;
    ASSERT_EQ(StrRegexMatch("j", "%{j%}%65535t", "s", &caps), 1);
    ASSERT_EQ(caps.GetCount(), 65536u);
    EXPECT_STREQ(caps.GetAt(65535)->GetText(), "j");
}

TEST(StrRegexMatch, RunOutOfStepsLeavesNothingBehind) {
    // With "g" the first match ("b" at 0, captured) is found; at offset 1 the
    // chain of greedy items runs out of steps, which refuses the whole run.
    const std::string pattern = "%[%{b%}%(" + Repeated("%*a", 12) + "c%)%]";
    const std::string text = "b" + std::string(30, 'a');
    CStrArray_base<64> caps;
    caps.Add("stale");
    CArrayAuto<CStrArray_base<64>> lists;
    lists.AddNew()->Add("earlier");
    CArrayAuto<CStrRegexMatchStruct> matches;
    matches.AddNew();
    int calls = 0;
    static int* callCount;
    callCount = &calls;
    EXPECT_EQ(StrRegexMatch(text.c_str(), pattern.c_str(), "g", &caps, &lists, &matches,
                            [](const char*, int32_t, int32_t length, CStrArray_base<64>&) {
                                ++*callCount;
                                return length;
                            }),
              0);
    EXPECT_EQ(calls, 1);  // the first match had been reported
    EXPECT_EQ(caps.GetCount(), 0u);
    EXPECT_EQ(matches.GetCount(), 0u);
    ASSERT_EQ(lists.GetCount(), 1u);
    EXPECT_EQ(Joined(*lists.GetAt(0)), "earlier");

    // The same text without the runaway branch: both outputs as usual.
    EXPECT_EQ(StrRegexMatch(text.c_str(), "%{b%}", "g", &caps, &lists, &matches), 1);
    EXPECT_EQ(lists.GetCount(), 2u);
}

TEST(StrRegexMatch, BudgetGrowsWithTheText) {
    // A long text may need more steps than the fixed part of the budget: one
    // greedy item over a million characters that backs off to its start takes
    // several steps per character.
    std::string text(1'500'000, 'a');
    text = "xb" + text;
    CArrayAuto<CStrRegexMatchStruct> matches;
    EXPECT_EQ(StrRegexMatch(text.c_str(), "%*0jxb", "s", nullptr, nullptr, &matches), 1);
    ASSERT_EQ(matches.GetCount(), 1u);
    EXPECT_EQ(matches.GetAt(0)->length, 2);
    EXPECT_GT(StrRegexStepBudget(text.size()), StrRegexStepBudget(0));
}

bool IsBoundary(const std::string& text, size_t pos) {
    size_t i = 0;
    while (i < pos) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        i += IsCp932Lead(c) && i + 1 < text.size() ? 2 : 1;
    }
    return i == pos;
}

TEST(StrRegexMatch, ArbitraryPatternsNeverCrashOrSplitCharacters) {
    // Bytes that make up the language, plus letters, lead and trail bytes.
    static const char kPatternBytes[] = "%%%%%(){}[]-!*+/.,0123zjdaAvVtThHpPe$^gGuUb\\\x82\x95\xA0\xE0\xFC";
    static const char kTextBytes[] = "ab1 .\\\n\x82\x95\xA0\xE0\xFC\x40\x5C";
    std::mt19937 random(12345);
    auto pick = [&](const char* from, size_t n) { return from[random() % n]; };
    const char* options[] = {"", "g", "s", "i", "gi", "gs"};

    for (int round = 0; round < 20000; ++round) {
        std::string pattern, text;
        const size_t patternLength = random() % 24, textLength = random() % 12;
        for (size_t i = 0; i < patternLength; ++i) pattern += pick(kPatternBytes, sizeof kPatternBytes - 1);
        for (size_t i = 0; i < textLength; ++i) text += pick(kTextBytes, sizeof kTextBytes - 1);

        CStrArray_base<64> caps;
        CArrayAuto<CStrArray_base<64>> lists;
        CArrayAuto<CStrRegexMatchStruct> matches;
        const char* option = options[round % 6];
        const int32_t n = StrRegexMatch(text.c_str(), pattern.c_str(), option, &caps, &lists, &matches);
        ASSERT_EQ(uint32_t(n), matches.GetCount()) << pattern;
        for (const CStrRegexMatchStruct* m : matches) {
            ASSERT_GE(m->length, 0) << pattern;
            ASSERT_LE(size_t(m->start) + size_t(m->length), text.size()) << pattern;
            ASSERT_TRUE(IsBoundary(text, size_t(m->start))) << pattern << " on " << text;
            ASSERT_TRUE(IsBoundary(text, size_t(m->start + m->length))) << pattern << " on " << text;
        }
    }
}

TEST(ExtractFileTitle, NameWithoutFolderAndExtension) {
    struct TitleRow {
        const char* path;
        const char* title;
    };
    const TitleRow rows[] = {
        {"C:\\dir\\pic.qdx", "pic"},
        {"a/b.c.d", "b.c"},
        {"README", "README"},
        {".qdx", ""},
        {"C:\\dir.x\\file", "file"},
        {"C:\\dir\\", "C:\\dir\\"},
        {"", ""},
        {"C:\\dir\\\x95\x5C.txt", "\x95\x5C"},    // the trail byte 0x5C is no separator
        {"C:\\\x95\x5C\\name", "name"},
        {"dir/a b.c", "a b"},
    };
    for (const TitleRow& r : rows) {
        CStr_base<64> out("previous");
        EXPECT_TRUE(ExtractFileTitle(r.path, out));
        EXPECT_STREQ(out.GetText(), r.title) << r.path;
    }
}

TEST(ExtractFileTitle, PathMayBeTheOutputItself) {
    CStr_base<64> s("C:\\x\\y.z");
    ExtractFileTitle(s.GetText(), s);
    EXPECT_STREQ(s.GetText(), "y");

    s.Assign("C:\\dir\\");
    ExtractFileTitle(s.GetText(), s);
    EXPECT_STREQ(s.GetText(), "C:\\dir\\");

    ExtractFileTitle(s.GetText() + 3, s);  // "dir\" has no name either
    EXPECT_STREQ(s.GetText(), "dir\\");
}

}  // namespace
