#pragma once
// The factor renderer's dispatch as data: kind code -> branch.
//
// The rows mirror the factor vocabulary: one render file per vocabulary
// family (ShapeRender.cpp for the shape family, ObjectDrawRender.cpp for the
// object draws, ...), each exposing its rows as a RenderFamily listed below.
// The index is a direct table over every kind code up to the vocabulary's
// largest; a code without a row has no branch (message F7).
//
// CheckRenderTable (run by a test) holds the table to the vocabulary: every
// kind the vocabulary reads has exactly one row, and no row names a kind the
// vocabulary does not know.
#include <cstdint>

#include "document/renderer/FactorFrame.h"

struct RenderRow {
    uint32_t kind;
    FactorBranch branch;
};

struct RenderFamily {
    const RenderRow* rows;
    uint32_t rowCount;
};

template <uint32_t K>
constexpr RenderFamily MakeRenderFamily(const RenderRow (&rows)[K]) {
    return {rows, K};
}

// The families, one per vocabulary family (same order).
extern const RenderFamily kShapeRender;        // 1-12, 101-112
extern const RenderFamily kObjectDrawRender;   // 201-280
extern const RenderFamily kColourSpaceRender;  // 301-394
extern const RenderFamily kToneRender;         // 401-480
extern const RenderFamily kGradientRender;     // 501-711
extern const RenderFamily kFillRender;         // 801-857
extern const RenderFamily kChannelRender;      // 901-967
extern const RenderFamily kTextRender;         // 1001-1014
extern const RenderFamily kStructureRender;    // 1101-1118
extern const RenderFamily kBlendModeRender;    // 1201-1269
extern const RenderFamily kConditionalRender;  // 1301-1387
extern const RenderFamily kFilterRender;       // 1401-1417, 5001-5007

// The branch of a kind, or null when it has none.
FactorBranch FindRenderBranch(uint32_t kind) noexcept;

// Tests only: makes branch answer for the kind (in place of its row) and
// returns the branch it replaces; the frame around a branch can then be
// watched before the kind's own drawing exists. Not for production code.
FactorBranch ReplaceRenderBranchForTest(uint32_t kind, FactorBranch branch) noexcept;

// Empty when the rows and the vocabulary agree; otherwise the first problem,
// in words (for the test's failure message).
const char* CheckRenderTable();

// The branch of the kinds whose drawing is not built yet: message F7, false.
bool RenderKindNotBuilt(FactorFrame& frame);

// GhostObject's row: the factors of the named recipe object drawn in this
// call's place (the factor renderer takes ghosts before any preparation).
bool RenderGhostObjectBranch(FactorFrame& frame);
