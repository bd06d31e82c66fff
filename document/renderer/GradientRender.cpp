// The gradients: two-colour, four-corner, colour-model, point-based and interpolation.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

constexpr RenderRow kGradientRows[] = {
    {501, RenderKindNotBuilt},  // GradationH(
    {502, RenderKindNotBuilt},  // GradationV(
    {503, RenderKindNotBuilt},  // GradationHV(
    {504, RenderKindNotBuilt},  // MixGradation(
    {505, RenderKindNotBuilt},  // GradationColorSpaceH(
    {506, RenderKindNotBuilt},  // GradationColorSpaceV(
    {507, RenderKindNotBuilt},  // GradationColorSpaceHV(
    {508, RenderKindNotBuilt},  // InterpolationGradationH(
    {509, RenderKindNotBuilt},  // InterpolationGradationV(
    {510, RenderKindNotBuilt},  // InterpolationGradationColorSpaceH(
    {511, RenderKindNotBuilt},  // InterpolationGradationColorSpaceV(
    {601, RenderKindNotBuilt},  // GradationHA(
    {602, RenderKindNotBuilt},  // GradationVA(
    {603, RenderKindNotBuilt},  // GradationHVA(
    {604, RenderKindNotBuilt},  // MixGradationA(
    {605, RenderKindNotBuilt},  // InterpolationGradationHA(
    {606, RenderKindNotBuilt},  // InterpolationGradationVA(
    {701, RenderKindNotBuilt},  // GradationHC(
    {702, RenderKindNotBuilt},  // GradationVC(
    {703, RenderKindNotBuilt},  // GradationHVC(
    {704, RenderKindNotBuilt},  // MixGradationC(
    {705, RenderKindNotBuilt},  // GradationColorSpaceHC(
    {706, RenderKindNotBuilt},  // GradationColorSpaceVC(
    {707, RenderKindNotBuilt},  // GradationColorSpaceHVC(
    {708, RenderKindNotBuilt},  // InterpolationGradationHC(
    {709, RenderKindNotBuilt},  // InterpolationGradationVC(
    {710, RenderKindNotBuilt},  // InterpolationGradationColorSpaceHC(
    {711, RenderKindNotBuilt},  // InterpolationGradationColorSpaceVC(
};

}  // namespace

const RenderFamily kGradientRender = MakeRenderFamily(kGradientRows);
