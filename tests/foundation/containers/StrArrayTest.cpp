#include "foundation/containers/StrArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

template <unsigned N>
std::vector<std::string> Texts(const CStrArray_base<N>& array) {
    std::vector<std::string> texts;
    for (const CStr_base<N>* item : array) texts.emplace_back(item->GetText());
    return texts;
}

template <unsigned N>
void Fill(CStrArray_base<N>& array, const std::vector<std::string>& texts) {
    for (const std::string& t : texts) array.Add(t.c_str());
}

int32_t NarrowPool64Uses() {
    const auto* pool = detail::NarrowPool<64>::Shared().Peek();
    return pool != nullptr ? pool->GetUseCount() : 0;
}

// --- Split ---

struct SplitCase {
    const char* name;
    const char* text;
    const char* separator;
    std::vector<std::string> pieces;
};

const SplitCase kSplitCases[] = {
    {"empty pieces between and after", "a,,b,", ",", {"a", "", "b", ""}},
    {"leading separator", ",a", ",", {"", "a"}},
    {"no separator in text", "abc", ",", {"abc"}},
    {"empty text", "", ",", {""}},
    {"empty separator", "abc", "", {"abc"}},
    {"separator is the whole text", ",", ",", {"", ""}},
    {"long separator", "a<>b<><>c", "<>", {"a", "b", "", "c"}},
    {"matches do not overlap", "aaa", "aa", {"", "a"}},
    {"partial separator at the end", "a<>b<", "<>", {"a", "b<"}},
    // 0x95 0x5C is one character whose second byte is a backslash.
    {"backslash trail byte is not cut", "\x95\x5C\\x\\\x95\x5C", "\\", {"\x95\x5C", "x", "\x95\x5C"}},
    {"trail byte equal to a letter", "\x83\x41" "A\x83\x41", "A", {"\x83\x41", "\x83\x41"}},
    {"two-byte separator", "x\x82\xA0y\x82\xA0", "\x82\xA0", {"x", "y", ""}},
    {"lone lead byte at the end", "a,b\x81", ",", {"a", "b\x81"}},
    {"lead byte before the separator hides it", "a\x81,b", ",", {"a\x81,b"}},
};

template <unsigned N>
void CheckSplitCases() {
    CStrArray_base<N> array;
    Fill(array, {"old", "items", "to", "replace", "first"});
    for (const SplitCase& c : kSplitCases) {
        const int32_t count = array.Split(c.text, c.separator);
        EXPECT_EQ(Texts(array), c.pieces) << "class " << N << ": " << c.name;
        EXPECT_EQ(count, static_cast<int32_t>(c.pieces.size())) << "class " << N << ": " << c.name;
    }
}

TEST(StrArrayTest, SplitCutsAtSeparatorsThatStartACharacter) {
    CheckSplitCases<64>();
    CheckSplitCases<1024>();
}

TEST(StrArrayTest, SplitReleasesTheOldItemsAndReusesThem) {
    CStrArray_base<64> array;
    Fill(array, {"one", "two", "three", "four", "five"});
    std::vector<CStr_base<64>*> old(array.begin(), array.end());
    const int32_t usesBefore = NarrowPool64Uses();

    EXPECT_EQ(array.Split("x;y", ";"), 2);

    // The same objects are handed out again, and the three left over hold no
    // buffer any more: their chunks are back in the pool.
    EXPECT_EQ(array.GetAt(0), old[0]);
    EXPECT_EQ(array.GetAt(1), old[1]);
    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(old[i]->GetCapacity(), 0u) << i;
        EXPECT_EQ(old[i]->GetLength(), 0) << i;
        EXPECT_STREQ(old[i]->GetText(), "") << i;
    }
    EXPECT_EQ(NarrowPool64Uses(), usesBefore - 3);
}

TEST(StrArrayTest, SplitOfTextsHeldByTheArrayItself) {
    CStrArray_base<64> array;
    Fill(array, {"keep", "p,q,r", "tail"});
    EXPECT_EQ(array.Split(array.GetAt(1)->GetText(), ","), 3);
    EXPECT_EQ(Texts(array), (std::vector<std::string>{"p", "q", "r"}));

    // The separator may come from an item too, and from the same one as the text.
    Fill(array, {"-"});
    EXPECT_EQ(array.Split("1-2", array.GetAt(3)->GetText()), 2);
    EXPECT_EQ(Texts(array), (std::vector<std::string>{"1", "2"}));
    array.Split("a|b", ",");
    array.Add("x|y|z");
    array.Split(array.GetAt(1)->GetText(), array.GetAt(1)->GetText() + 2);
    EXPECT_EQ(Texts(array), (std::vector<std::string>{"x|", ""}));

    // An item that left use but kept its text (release flag clear).
    array.SetReleaseOnRemove(false);
    array.Split("u,v,long enough to need a buffer of its own beyond sixty-four bytes for sure", "#");
    const CStr_base<64>* removed = array.GetAt(0);
    array.RemoveAll();
    EXPECT_EQ(array.Split(removed->GetText(), ","), 3);
    EXPECT_EQ(Texts(array),
              (std::vector<std::string>{"u", "v", "long enough to need a buffer of its own beyond sixty-four bytes for sure"}));
}

// --- release on remove, Add, AddNew ---

int g_removeCalls = 0;
void CountRemoves(CStr_base<64>**, uint32_t, uint64_t, CArrayAuto<CStr_base<64>>*) { ++g_removeCalls; }
bool Refuse(CStr_base<64>**, uint32_t, uint64_t, CArrayAuto<CStr_base<64>>*) { return false; }

TEST(StrArrayTest, RemovedItemsAreEmptiedOnlyWithTheReleaseFlag) {
    CStrArray_base<64> array;
    array.SetRemoveCallback(CountRemoves);
    g_removeCalls = 0;
    EXPECT_TRUE(array.GetReleaseOnRemove());

    CStr_base<64>* a = array.Add("alpha");
    array.Add("beta");
    array.Add("gamma");
    array.RemoveAt(0);
    EXPECT_EQ(a->GetCapacity(), 0u);
    EXPECT_STREQ(a->GetText(), "");
    EXPECT_EQ(array.AddNew(), a);  // the same object comes back, empty
    EXPECT_STREQ(a->GetText(), "");

    array.SetReleaseOnRemove(false);
    CStr_base<64>* b = array.GetAt(0);
    array.RemoveAtSwap(0);
    EXPECT_STREQ(b->GetText(), "beta");
    EXPECT_EQ(array.AddNew(), b);
    EXPECT_STREQ(b->GetText(), "beta");

    array.RemoveAll();
    EXPECT_EQ(g_removeCalls, 0);  // the release replaces the owner's callback
}

TEST(StrArrayTest, AddCopiesTheTextAndPassesOnARefusal) {
    CStrArray_base<64> array;
    std::string text = "copied";
    CStr_base<64>* item = array.Add(text.c_str());
    text[0] = 'X';
    EXPECT_STREQ(item->GetText(), "copied");
    EXPECT_EQ(array.Add(item->GetText())->GetLength(), 6);  // from an item of its own

    array.SetAddCallback(Refuse);
    try {
        array.Add("refused");
        FAIL() << "no throw";
    } catch (uint32_t count) {
        EXPECT_EQ(count, 3u);
    }
    EXPECT_EQ(array.GetCount(), 2u);
}

// --- Copy ---

TEST(StrArrayTest, CopyReplacesTheItemsWithTheOthersTexts) {
    CStrArray_base<64> source, target;
    Fill(source, {"one", "", "three\x81\x40"});
    Fill(target, {"a", "b", "c", "d", "e"});
    CStr_base<64>* leftOver = target.GetAt(4);

    EXPECT_EQ(&target.Copy(source), &target);
    EXPECT_EQ(Texts(target), Texts(source));
    EXPECT_EQ(leftOver->GetCapacity(), 0u);  // released, not merely out of use
    EXPECT_NE(target.GetAt(0)->GetText(), source.GetAt(0)->GetText());

    target.Copy(target);  // a copy of itself keeps everything
    EXPECT_EQ(Texts(target), Texts(source));

    CStrArray_base<1024> wider;
    wider.Copy(source);
    EXPECT_EQ(Texts(wider), Texts(source));

    target.Copy(CStrArray_base<64>());
    EXPECT_EQ(target.GetCount(), 0u);
}

// --- Join ---

TEST(StrArrayTest, JoinPutsTheSeparatorBetweenNeighboursOnly) {
    struct Case {
        const char* name;
        std::vector<std::string> items;
        const char* separator;
        const char* joined;
    };
    const Case cases[] = {
        {"three items", {"a", "b", "c"}, ", ", "a, b, c"},
        {"no items", {}, ", ", ""},
        {"one item", {"solo"}, ", ", "solo"},
        {"empty items", {"", ""}, ",", ","},
        {"empty separator", {"ab", "cd"}, "", "abcd"},
    };
    for (const Case& c : cases) {
        CStrArray_base<64> array;
        Fill(array, c.items);
        CStr_base<1024> out("previous content");
        EXPECT_STREQ(array.Join(c.separator, out), c.joined) << c.name;
        EXPECT_EQ(out.GetLength(), static_cast<int32_t>(std::strlen(c.joined))) << c.name;
    }

    CStr_base<64> untouched;
    CStrArray_base<64>().Join(",", untouched);
    EXPECT_EQ(untouched.GetCapacity(), 0u);  // nothing to hold, nothing allocated
}

TEST(StrArrayTest, JoinIntoAnItemOrWithASeparatorFromTheOutput) {
    CStrArray_base<64> array;
    Fill(array, {"x", "y", "z"});
    CStr_base<64>* first = array.GetAt(0);
    EXPECT_STREQ(array.Join("+", *first), "x+y+z");
    EXPECT_STREQ(first->GetText(), "x+y+z");

    CStr_base<64> out(" | ");
    EXPECT_STREQ(array.Join(out.GetText(), out), "x+y+z | y | z");

    // Long enough to leave the pools: texts and separators of several KB.
    CStrArray_base<1024> big;
    const std::string part(3000, 'q');
    Fill(big, {part, part, part});
    CStr_base<16384> joined;
    big.Join(std::string(1500, '-').c_str(), joined);
    EXPECT_EQ(joined.GetLength(), 3 * 3000 + 2 * 1500);
    EXPECT_EQ(std::string(joined.GetText()), part + std::string(1500, '-') + part + std::string(1500, '-') + part);
}

// --- Sort ---

TEST(StrArrayTest, SortOrdersByUnsignedBytesWithPrefixesFirst) {
    struct Case {
        const char* name;
        std::vector<std::string> items;
        std::vector<std::string> sorted;
    };
    const Case cases[] = {
        {"case and prefixes", {"b", "B", "a", "ab", ""}, {"", "B", "a", "ab", "b"}},
        {"high bytes after ASCII", {"\xFF", "\x81\x40", "z", "\x82\xA0", "\x81"},
         {"z", "\x81", "\x81\x40", "\x82\xA0", "\xFF"}},
        {"two-byte characters by their bytes", {"\x88\x9F", "\x88\x40z", "\x88\x40"}, {"\x88\x40", "\x88\x40z", "\x88\x9F"}},
        {"nine items", {"i", "h", "g", "f", "e", "d", "c", "b", "a"}, {"a", "b", "c", "d", "e", "f", "g", "h", "i"}},
    };
    for (const Case& c : cases) {
        CStrArray_base<64> array;
        Fill(array, c.items);
        array.Sort();
        EXPECT_EQ(Texts(array), c.sorted) << c.name;
    }
}

TEST(StrArrayTest, SortKeepsEqualTextsInTheirOrderAndMovesNoString) {
    CStrArray_base<64> array;
    CStr_base<64>* first = array.Add("same");
    CStr_base<64>* second = array.Add("same");
    const char* firstText = first->GetText();
    array.Sort();
    EXPECT_EQ(array.GetAt(0), first);
    EXPECT_EQ(array.GetAt(1), second);
    EXPECT_EQ(first->GetText(), firstText);

    // Many duplicates over bytes of both halves: equal texts keep their order,
    // compared with std::string's order (which compares bytes as unsigned).
    std::mt19937 rng(12345);
    const char alphabet[] = {'a', 'b', 'B', '\x81', '\x40', '\xFF'};
    CStrArray_base<64> many;
    std::vector<CStr_base<64>*> reference;
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        for (std::size_t len = rng() % 4; len > 0; --len) text += alphabet[rng() % sizeof(alphabet)];
        reference.push_back(many.Add(text.c_str()));
    }
    many.Sort();
    std::stable_sort(reference.begin(), reference.end(), [](const CStr_base<64>* x, const CStr_base<64>* y) {
        return std::string(x->GetText()) < std::string(y->GetText());
    });
    EXPECT_TRUE(std::equal(reference.begin(), reference.end(), many.begin()));
}

// --- the UTF-16 twin ---

int32_t WidePool64Uses() {
    const auto* pool = detail::WidePool<64>::Shared().Peek();
    return pool != nullptr ? pool->GetUseCount() : 0;
}

TEST(StrArrayTest, WideItemsGiveTheirBuffersBackOnRemoval) {
    CUStrArray_base<64> array;
    const std::u16string longText(300, u'\x3042');
    CUStr_base<64>* pooled = array.AddNew();
    pooled->Assign(u"short");
    CUStr_base<64>* heap = array.AddNew();
    heap->Assign(longText.c_str());
    CUStr_base<64>* kept = array.AddNew();
    kept->Assign(u"kept");
    ASSERT_EQ(pooled->GetCapacity(), 64u);
    ASSERT_GT(heap->GetCapacity(), 256u);
    const int32_t usesBefore = WidePool64Uses();

    array.RemoveAt(1);
    array.RemoveAt(0);
    EXPECT_EQ(pooled->GetCapacity(), 0u);
    EXPECT_EQ(heap->GetCapacity(), 0u);
    EXPECT_EQ(heap->GetLength(), 0);
    EXPECT_EQ(heap->GetText()[0], u'\0');
    EXPECT_EQ(WidePool64Uses(), usesBefore - 1);

    array.SetReleaseOnRemove(false);
    array.RemoveAll();
    EXPECT_EQ(std::u16string(kept->GetText()), u"kept");
    EXPECT_EQ(array.AddNew(), kept);
    EXPECT_EQ(std::u16string(kept->GetText()), u"kept");
}

}  // namespace
