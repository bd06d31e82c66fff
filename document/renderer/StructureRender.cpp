// The structural kinds: ghosts, frames, transforms, target lists, masks.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
//
// GhostFactor, SetMask, ClearMask and SetMaskRef act on the object being
// drawn, so the object renderer handles them in its own list; they reach the
// factor renderer only from inside a ghost object or a Foreach, where there is
// no such object to act on.
#include "document/renderer/RenderMessages.h"
#include "document/renderer/RenderTable.h"
#include "document/renderer/TargetListRender.h"

namespace {

bool RenderGhostFactorHere(FactorFrame& frame) {
    AppendRenderText(frame.ErrorText(), render_text::kGhostCreateFailed);
    return false;
}

bool RenderMaskHere(FactorFrame& frame) {
    AppendRenderText(frame.ErrorText(), render_text::kMaskNotGhosted);
    return false;
}

constexpr RenderRow kStructureRows[] = {
    {1101, RenderGhostFactorHere},  // GhostFactor(
    {1102, RenderGhostObjectBranch},  // GhostObject(
    {1103, RenderKindNotBuilt},  // DrawFrame(
    {1104, RenderKindNotBuilt},  // Transform(
    {1105, RenderKindNotBuilt},  // DiagramTransform(
    {1106, RenderKindNotBuilt},  // DiagramTransform2(
    {1107, RenderKindNotBuilt},  // XYMappingMatrix(
    {1108, RenderKindNotBuilt},  // RAMappingMatrix(
    {1109, RenderKindNotBuilt},  // ExInfo(
    {1110, RenderTargetList},  // TargetList(
    {1111, RenderForeach},  // Foreach(
    {1112, RenderKindNotBuilt},  // AffineTransform(
    {1113, RenderMaskHere},  // SetMask(
    {1114, RenderMaskHere},  // ClearMask()
    {1115, RenderKindNotBuilt},  // SetMaskRef(
    {1116, RenderKindNotBuilt},  // HomographyTransform(
    {1117, RenderKindNotBuilt},  // 3DDraw(
    {1118, RenderKindNotBuilt},  // 3DSphere(
};

}  // namespace

const RenderFamily kStructureRender = MakeRenderFamily(kStructureRows);
