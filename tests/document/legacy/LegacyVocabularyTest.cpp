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
using vocabulary::ArgType;
using vocabulary::FieldList;

// An acceptable item for a field at a position: distinct numbers, whole reals
// (so that the short Rotate scale, divided by 65536, stays exact when written).
std::string ItemFor(const vocabulary::FactorField* field, uint32_t position) {
    // An item no field reads: ignored, or read by the row's hook as a number
    // or as a quoted text. "00" is both: the number 0, and the empty text
    // between two "0" delimiters.
    if (field == nullptr) return "00";
    switch (field->type) {
    case ArgType::kInt:
        return std::to_string(10 + position);
    case ArgType::kReal:
        return std::to_string(65536 * (position + 1));
    case ArgType::kHex:
        return "1f";
    case ArgType::kULong:
    case ArgType::kULongInt:
        return "2";
    case ArgType::kColour:
        return position % 2 == 0 ? "ff00" : "P40010000";
    case ArgType::kAColour:
        return "P40010000#80";
    case ArgType::kAlpha:
        return "100";
    case ArgType::kName:
        return "\"src\"";
    case ArgType::kFlag:
        return "t";
    case ArgType::kList:
        return std::string(field->slot.list->opening) + ")";
    }
    return "?";
}

std::string TextFor(const LegacyRow& row, const FieldList& fields, uint32_t count) {
    std::string text = row.keyword;
    for (uint32_t i = 0; i < count; ++i) {
        const vocabulary::FactorField* field = nullptr;
        for (uint32_t k = 0; k < fields.count; ++k)
            if (fields.data[k].position == i) field = &fields.data[k];
        if (i != 0) text += ',';
        text += ItemFor(field, i);
    }
    return text + ")";
}

// Whether a list of n items meets the row's count rule.
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

// The form of `count` items reads as the row's kind and writes back as the
// same record; a list one item shorter or longer is refused when the count
// rule refuses it, and read when the same fields read it (a neighbouring
// count of the other form of a two-count row is not looked at).
void CheckForm(const LegacyRow& row, const FieldList& fields, uint32_t count) {
    const std::string text = TextFor(row, fields, count);
    QDXFactor f;
    ASSERT_TRUE(legacy_test::LegacyParsesAs(f, text, row.kind));
    legacy_test::ExpectSameThroughWriter(f, text);
    for (const uint32_t n : {count - 1, count + 1}) {
        const bool fits = CountFits(row, n);
        if (fits && row.rule == LegacyCount::kTwoCounts) continue;
        QDXFactor g;
        legacy_test::ResetNamed(g);
        EXPECT_EQ(g.ParseLegacyText(TextFor(row, fields, n).c_str()), fits) << n << " items: " << text;
        if (!fits) {
            EXPECT_EQ(g.Kind, 0u) << text;
        }
    }
}

TEST(LegacyVocabulary, EveryKeywordKeepsItsCountAndWritesBackAsTheSameRecord) {
    uint32_t count = 0;
    const LegacyRow* const* rows = legacy::GetLegacyRows(count);
    for (uint32_t i = 0; i < count; ++i) {
        const LegacyRow& row = *rows[i];
        SCOPED_TRACE(row.keyword);
        switch (row.rule) {
        case LegacyCount::kExact:
        case LegacyCount::kAtLeast:
            CheckForm(row, row.fields, row.count);
            break;
        case LegacyCount::kExactOrOne:
            CheckForm(row, row.fields, row.count);
            CheckForm(row, row.fields, row.count + 1u);
            break;
        case LegacyCount::kTwoCounts:
            CheckForm(row, row.fields, row.count);
            CheckForm(row, row.shortFields, row.shortCount);
            break;
        }
    }
}

}  // namespace
