// The blend modes.
// Kinds whose drawing is not built yet answer with RenderKindNotBuilt.
#include "document/renderer/RenderTable.h"

namespace {

constexpr RenderRow kBlendModeRows[] = {
    {1201, RenderKindNotBuilt},  // Mul(
    {1202, RenderKindNotBuilt},  // Add(
    {1203, RenderKindNotBuilt},  // Sub(
    {1204, RenderKindNotBuilt},  // Screen(
    {1205, RenderKindNotBuilt},  // Overlay(
    {1206, RenderKindNotBuilt},  // HardLight(
    {1207, RenderKindNotBuilt},  // ColorBurn(
    {1208, RenderKindNotBuilt},  // ColorDodge(
    {1209, RenderKindNotBuilt},  // Exclusion(
    {1210, RenderKindNotBuilt},  // Difference(
    {1211, RenderKindNotBuilt},  // Lighten(
    {1212, RenderKindNotBuilt},  // Darken(
    {1213, RenderKindNotBuilt},  // Xor(
    {1214, RenderKindNotBuilt},  // Div(
    {1215, RenderKindNotBuilt},  // RevMul(
    {1216, RenderKindNotBuilt},  // SoftLight(
    {1217, RenderKindNotBuilt},  // VividLight(
    {1218, RenderKindNotBuilt},  // LinearLight(
    {1219, RenderKindNotBuilt},  // LinearBurn(
    {1251, RenderKindNotBuilt},  // MulC(
    {1252, RenderKindNotBuilt},  // AddC(
    {1253, RenderKindNotBuilt},  // SubC(
    {1254, RenderKindNotBuilt},  // ScreenC(
    {1255, RenderKindNotBuilt},  // OverlayC(
    {1256, RenderKindNotBuilt},  // HardLightC(
    {1257, RenderKindNotBuilt},  // ColorBurnC(
    {1258, RenderKindNotBuilt},  // ColorDodgeC(
    {1259, RenderKindNotBuilt},  // ExclusionC(
    {1260, RenderKindNotBuilt},  // DifferenceC(
    {1261, RenderKindNotBuilt},  // LightenC(
    {1262, RenderKindNotBuilt},  // DarkenC(
    {1263, RenderKindNotBuilt},  // XorC(
    {1264, RenderKindNotBuilt},  // DivC(
    {1265, RenderKindNotBuilt},  // RevMulC(
    {1266, RenderKindNotBuilt},  // SoftLightC(
    {1267, RenderKindNotBuilt},  // VividLightC(
    {1268, RenderKindNotBuilt},  // LinearLightC(
    {1269, RenderKindNotBuilt},  // LinearBurnC(
};

}  // namespace

const RenderFamily kBlendModeRender = MakeRenderFamily(kBlendModeRows);
