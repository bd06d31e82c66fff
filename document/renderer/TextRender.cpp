// The text kinds.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

constexpr RenderRow kTextRows[] = {
    {1001, RenderKindNotBuilt},  // Text(
    {1002, RenderKindNotBuilt},  // TextShadow1(
    {1003, RenderKindNotBuilt},  // TextShadow2(
    {1004, RenderKindNotBuilt},  // TextBorder1(
    {1005, RenderKindNotBuilt},  // TextBorder2(
    {1006, RenderKindNotBuilt},  // TextShadowBorder1(
    {1007, RenderKindNotBuilt},  // TextShadowBorder2(
    {1008, RenderKindNotBuilt},  // TextBlend(
    {1009, RenderKindNotBuilt},  // TextShadow1Blend(
    {1010, RenderKindNotBuilt},  // TextShadow2Blend(
    {1011, RenderKindNotBuilt},  // TextBorder1Blend(
    {1012, RenderKindNotBuilt},  // TextBorder2Blend(
    {1013, RenderKindNotBuilt},  // TextShadowBorder1Blend(
    {1014, RenderKindNotBuilt},  // TextShadowBorder2Blend(
};

}  // namespace

const RenderFamily kTextRender = MakeRenderFamily(kTextRows);
