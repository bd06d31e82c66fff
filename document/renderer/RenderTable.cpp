#include "document/renderer/RenderTable.h"

#include <array>
#include <cstdio>
#include <string>
#include <utility>

#include "document/renderer/RenderMessages.h"
#include "document/vocabulary/FactorTable.h"

namespace {

constexpr const RenderFamily* kRenderFamilies[] = {
    &kShapeRender,     &kObjectDrawRender, &kColourSpaceRender, &kToneRender,
    &kGradientRender,  &kFillRender,       &kChannelRender,     &kTextRender,
    &kStructureRender, &kBlendModeRender,  &kConditionalRender, &kFilterRender,
};

struct RenderIndex {
    std::array<FactorBranch, vocabulary::kMaxFactorKind + 1> branches{};
    std::string problem;

    RenderIndex() {
        std::array<uint8_t, vocabulary::kMaxFactorKind + 1> rows{};
        char line[128];
        for (const RenderFamily* family : kRenderFamilies) {
            for (uint32_t i = 0; i < family->rowCount; ++i) {
                const RenderRow& row = family->rows[i];
                if (row.kind > vocabulary::kMaxFactorKind || row.branch == nullptr) {
                    std::snprintf(line, sizeof line, "row of kind %u is out of range or has no branch", row.kind);
                    Note(line);
                    continue;
                }
                if (rows[row.kind]++ == 0) branches[row.kind] = row.branch;
            }
        }
        for (uint32_t kind = 0; kind <= vocabulary::kMaxFactorKind; ++kind) {
            const bool known = vocabulary::FindFactorKind(kind) != nullptr;
            if (known && rows[kind] != 1) {
                std::snprintf(line, sizeof line, "kind %u has %u rows", kind, rows[kind]);
                Note(line);
            } else if (!known && rows[kind] != 0) {
                std::snprintf(line, sizeof line, "kind %u has a row but no keyword", kind);
                Note(line);
            }
        }
    }

    void Note(const char* line) {
        if (problem.empty()) problem = line;
    }
};

RenderIndex& GetRenderIndex() {
    static RenderIndex index;
    return index;
}

}  // namespace

FactorBranch FindRenderBranch(uint32_t kind) noexcept {
    if (kind > vocabulary::kMaxFactorKind) return nullptr;
    return GetRenderIndex().branches[kind];
}

const char* CheckRenderTable() { return GetRenderIndex().problem.c_str(); }

FactorBranch ReplaceRenderBranchForTest(uint32_t kind, FactorBranch branch) noexcept {
    if (kind > vocabulary::kMaxFactorKind) return nullptr;
    return std::exchange(GetRenderIndex().branches[kind], branch);
}

bool RenderKindNotBuilt(FactorFrame& frame) {
    AppendNamedText(frame.ErrorText(), frame.Name(), render_text::kUnknownKind);
    return false;
}
