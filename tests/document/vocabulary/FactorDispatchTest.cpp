// The keyword lookup against the plain sequence of prefix tests it replaces.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "document/text/TextLexer.h"
#include "document/vocabulary/FactorTable.h"

namespace {

using namespace vocabulary;

// The first keyword, in test order, that begins the text.
const FactorRow* Sequential(const char* text) {
    uint32_t count = 0;
    const KeywordEntry* entries = GetKeywordOrder(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (KeywordPrefixMatch(text, entries[i].keyword)) return entries[i].row;
    }
    return nullptr;
}

TEST(FactorDispatchTest, SameAsSequentialPrefixTests) {
    uint32_t count = 0;
    const KeywordEntry* entries = GetKeywordOrder(count);
    ASSERT_GT(count, 0u);

    std::vector<std::string> texts = {"", "(", "()", "!", "Line", "Line ", "Line)", "ClearMask()", "ClearMask( )",
                                      std::string(100, 'A') + "(", "\x81(Line("};
    for (uint32_t i = 0; i < count; ++i) {
        const std::string keyword = entries[i].keyword;
        texts.push_back(keyword);
        texts.push_back(keyword + "1,2,3)");
        texts.push_back(keyword + ")");
        texts.push_back(keyword + "(");
        texts.push_back("x" + keyword);
        texts.push_back(" " + keyword);
        for (size_t n = 0; n < keyword.size(); ++n) texts.push_back(keyword.substr(0, n));  // every prefix
        std::string other = keyword;
        other[0] = char(other[0] ^ 0x20);  // the other case of its first letter
        texts.push_back(other);
        other = keyword;
        other.insert(other.size() - 1, "A");  // an alpha-form spelling, or a longer name
        texts.push_back(other);
        other = keyword;
        other.insert(other.size() - 1, " ");
        texts.push_back(other);
    }
    // Random texts over the keywords' own bytes.
    std::mt19937 random(7);
    const std::string alphabet = "LineACrcuvDagmBoxSqPFR2(), !";
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int length = int(random() % 16);
        for (int k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
        texts.push_back(text);
    }

    for (const std::string& text : texts) {
        EXPECT_EQ(FindFactorKeyword(text.c_str()), Sequential(text.c_str())) << '"' << text << '"';
    }

    // Every keyword finds its own row; every kind but an alias's is its row's.
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(FindFactorKeyword(entries[i].keyword), entries[i].row) << entries[i].keyword;
        if (std::strcmp(entries[i].keyword, "SetAlphaColor(") != 0) {
            EXPECT_EQ(FindFactorKind(entries[i].row->kind), entries[i].row) << entries[i].keyword;
        }
    }
}

TEST(FactorDispatchTest, ShapeFamilyOrder) {
    // Alpha forms 1-12, then colour forms 101-112, in the family's order.
    uint32_t count = 0;
    const KeywordEntry* entries = GetKeywordOrder(count);
    ASSERT_GE(count, 24u);
    for (uint32_t i = 0; i < 24; ++i) EXPECT_EQ(entries[i].row->kind, i < 12 ? i + 1 : i - 12 + 101);
    EXPECT_STREQ(entries[0].keyword, "DiagramA(");
    EXPECT_STREQ(entries[23].keyword, "FrameRef(");
}

// Rows of a test's own, to build indexes with aliases and with the mistakes the
// index must report.
constexpr FactorField kOne[] = {Int(0, &QDXFactor::X1)};
constexpr FactorRow kRowsA[] = {
    {4001, "Alpha(", CountRule::kExact, 1, 0, kOne},
    {4002, "Beta(", CountRule::kExact, 1, 0, kOne},
    {4003, "Clear()", CountRule::kNone, 0, 0, FieldList()},
};
constexpr FactorRow kRowsB[] = {{4010, "Gamma(", CountRule::kExact, 1, 0, kOne}};
// Aliases read with rows of their own: Gamma2 as Gamma, Bet as Beta.
constexpr FactorRow kGamma2 = {4010, "Gamma2(", CountRule::kExact, 1, 0, kOne};
constexpr FactorRow kBet = {4002, "Bet(", CountRule::kExact, 1, 0, kOne};
constexpr FactorAlias kAliasesA[] = {{&kGamma2, "Alpha("}, {&kBet, nullptr}};

TEST(FactorDispatchTest, IndexWithAliases) {
    const FactorFamily a = {kRowsA, 3, kAliasesA, 2};
    const FactorFamily b = {kRowsB, 1, nullptr, 0};
    const FactorFamily* const families[] = {&a, &b};
    const FactorIndex index(families, 2);
    EXPECT_STREQ(index.Problem(), "");

    // Aliases take their place in the test order and lead to their own
    // reading rows, also when their kind belongs to a later family; the kind
    // index holds only the vocabulary's rows.
    uint32_t count = 0;
    const KeywordEntry* order = index.Order(count);
    ASSERT_EQ(count, 6u);
    const char* expected[] = {"Alpha(", "Gamma2(", "Beta(", "Clear()", "Bet(", "Gamma("};
    for (uint32_t i = 0; i < count; ++i) EXPECT_STREQ(order[i].keyword, expected[i]);
    EXPECT_EQ(index.Find("Gamma2(1)"), &kGamma2);
    EXPECT_EQ(index.Find("Bet(1)"), &kBet);
    EXPECT_EQ(index.Find("Beta(1)"), &kRowsA[1]);
    EXPECT_EQ(index.FindKind(4010), &kRowsB[0]);
    EXPECT_EQ(index.Find("Clear()x"), &kRowsA[2]);
    EXPECT_EQ(index.Find("Clear( )"), nullptr);
    EXPECT_EQ(index.Find("Clear("), nullptr);
    EXPECT_EQ(index.Find("Gamma3("), nullptr);
}

TEST(FactorDispatchTest, IndexReportsBrokenTables) {
    constexpr FactorField kTwoAtZero[] = {Int(0, &QDXFactor::X1), Int(0, &QDXFactor::Y1)};
    constexpr FactorField kShort[] = {Int(0, &QDXFactor::X1), OptionalAlpha(1)};
    const FactorRow ab = {4001, "Ab(", CountRule::kExact, 1, 0, kOne};
    const FactorRow prefix[] = {ab, {4002, "Ab(c(", CountRule::kExact, 1, 0, kOne}};
    const FactorRow sameKind[] = {ab, {4001, "Cd(", CountRule::kExact, 1, 0, kOne}};
    const FactorRow sameKey[] = {ab, {4002, "Ab()", CountRule::kNone, 0, 0, FieldList()}};
    const FactorRow noParen[] = {{4001, "Ab", CountRule::kExact, 1, 0, kOne}};
    const FactorRow badPositions[] = {{4001, "Ab(", CountRule::kExact, 2, 0, kTwoAtZero}};
    const FactorRow badShort[] = {{4001, "Ab(", CountRule::kFullOrShort, 2, 0, kShort}};
    const FactorRow badCount[] = {{4001, "Ab(", CountRule::kExact, 3, 0, kOne}};
    const FactorRow badKind[] = {{kMaxFactorKind + 1, "Ab(", CountRule::kExact, 1, 0, kOne}};
    const FactorRow zz = {4242, "Zz(", CountRule::kExact, 1, 0, kOne};
    const FactorAlias unknownAlias[] = {{&zz, nullptr}};
    const FactorRow good[] = {{4001, "Ab(", CountRule::kExact, 1, 0, kOne}};
    struct Case {
        FactorFamily family;
        const char* why;
    };
    const Case cases[] = {
        {{prefix, 2, nullptr, 0}, "prefix"},         {{sameKind, 2, nullptr, 0}, "same kind"},
        {{sameKey, 2, nullptr, 0}, "same key"},      {{noParen, 1, nullptr, 0}, "no paren"},
        {{badPositions, 1, nullptr, 0}, "positions"}, {{badShort, 1, nullptr, 0}, "short form"},
        {{badCount, 1, nullptr, 0}, "count"},        {{badKind, 1, nullptr, 0}, "kind"},
        {{good, 1, unknownAlias, 1}, "alias"},
    };
    for (const Case& c : cases) {
        const FactorFamily* const families[] = {&c.family};
        const FactorIndex index(families, 1);
        EXPECT_STRNE(index.Problem(), "") << c.why;
    }
}

}  // namespace
