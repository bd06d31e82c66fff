// The render table against the factor vocabulary.
#include <gtest/gtest.h>

#include <string>

#include "document/renderer/RenderTable.h"
#include "document/vocabulary/FactorTable.h"

namespace {

TEST(RenderTable, OneRowPerVocabularyKind) {
    EXPECT_STREQ(CheckRenderTable(), "");
    uint32_t kinds = 0;
    for (uint32_t kind = 0; kind <= vocabulary::kMaxFactorKind + 10; ++kind) {
        const bool known = vocabulary::FindFactorKind(kind) != nullptr;
        EXPECT_EQ(FindRenderBranch(kind) != nullptr, known) << kind;
        kinds += known ? 1 : 0;
    }
    EXPECT_GT(kinds, 300u);
    EXPECT_EQ(FindRenderBranch(UINT32_MAX), nullptr);
}

TEST(RenderTable, TestBranchReplacesARowAndGoesBack) {
    const FactorBranch row = FindRenderBranch(801);
    const FactorBranch stand = [](FactorFrame&) { return true; };
    EXPECT_EQ(ReplaceRenderBranchForTest(801, stand), row);
    EXPECT_EQ(FindRenderBranch(801), stand);
    EXPECT_EQ(ReplaceRenderBranchForTest(801, row), stand);
    EXPECT_EQ(FindRenderBranch(801), row);
    EXPECT_STREQ(CheckRenderTable(), "");
}

}  // namespace
