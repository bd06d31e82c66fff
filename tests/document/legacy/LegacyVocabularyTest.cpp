// Every keyword of the format-1.0 vocabulary against its count rule and the
// current vocabulary: a text made of acceptable items in every position reads
// as the row's kind, one item fewer is refused (and one more, where the count
// is exact), and the record written in format 1.2 reads back the same.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "document/legacy/LegacyTable.h"
#include "tests/document/legacy/LegacyTestSupport.h"

namespace {

using legacy::LegacyCount;
using legacy::LegacyRow;
using vocabulary::FieldList;

// Whether the count rule of the row lets n items through.
bool CountFits(const LegacyRow& row, uint32_t n) {
    switch (row.rule) {
    case LegacyCount::kExact:
        return n == row.count;
    case LegacyCount::kAtLeast:
        return n >= row.count;
    case LegacyCount::kExactOrOne:
        return n == row.count || n == row.count + 1u;
    case LegacyCount::kTwoCounts:
        return n == row.count || n == row.shortCount;
    }
    return false;
}

void CheckForm(const LegacyRow& row, const FieldList& fields, uint32_t count) {
    const std::string text = legacy_test::TextFor(row, fields, count);
    QDXFactor f;
    ASSERT_TRUE(legacy_test::LegacyParsesAs(f, text, row.kind));
    legacy_test::ExpectSameThroughWriter(f, text);
    // A count the rule does not let through is refused before any item is read.
    for (const uint32_t n : {count - 1, count + 1}) {
        if (CountFits(row, n)) continue;
        QDXFactor g;
        legacy_test::ResetNamed(g);
        EXPECT_FALSE(g.ParseLegacyText(legacy_test::TextFor(row, fields, n).c_str())) << n << " items: " << text;
        EXPECT_EQ(g.Kind, 0u) << text;
    }
}

TEST(LegacyVocabulary, EveryKeywordKeepsItsCountAndWritesBackAsTheSameRecord) {
    uint32_t count = 0;
    const LegacyRow* const* rows = legacy::GetLegacyRows(count);
    EXPECT_EQ(count, 316u);  // the whole format-1.0 vocabulary
    for (uint32_t i = 0; i < count; ++i) {
        const LegacyRow& row = *rows[i];
        SCOPED_TRACE(row.keyword);
        CheckForm(row, row.fields, row.count);
        if (row.rule == LegacyCount::kExactOrOne) CheckForm(row, row.fields, row.count + 1u);
        if (row.rule == LegacyCount::kTwoCounts) CheckForm(row, row.shortFields, row.shortCount);
    }
}

}  // namespace
