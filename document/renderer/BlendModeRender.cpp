// The blend modes: the source object's canvas from (x2, y2, as written) is
// composited onto the factor's rectangle (x0, y0, x1, y1, scaled) by one of
// nineteen modes, in full or colour only (the C forms keep the canvas's
// alpha). The option value is the compositing method: for the arithmetic
// modes with three methods 0 Immediate, 1 Alpha, 2 Merge; for the separable
// modes 0 Alpha, 1 Merge. A method without a kernel draws nothing and the
// factor still succeeds. Xor and RevMul have one method and ignore the value;
// Xor also ignores the opacity its text carries. Nothing is drawn while the
// raster library is not ready; every kind succeeds.
#include <cstdint>

#include "document/renderer/RenderTable.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

using BlendModeKernel = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t,
                                          uint8_t);
using BlendModePlainKernel = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);

// The kernel of the factor's method (null: none).
template <BlendModeKernel M0, BlendModeKernel M1, BlendModeKernel M2 = nullptr>
bool BlendModeByMethod(FactorFrame& frame) {
    constexpr BlendModeKernel kKernels[3] = {M0, M1, M2};
    const uint32_t method = frame.Factor.Options;
    if (method >= 3 || kKernels[method] == nullptr || !IsRasterReady()) return true;
    (frame.Canvas().*kKernels[method])(frame.X[0], frame.Y[0], *frame.SourceCanvas, frame.X[2], frame.Y[2],
                                       frame.X[1], frame.Y[1], frame.Opacity);
    return true;
}

// One kernel whatever the method.
template <BlendModeKernel M>
bool BlendModeOneMethod(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    (frame.Canvas().*M)(frame.X[0], frame.Y[0], *frame.SourceCanvas, frame.X[2], frame.Y[2], frame.X[1], frame.Y[1],
                        frame.Opacity);
    return true;
}

// One kernel whatever the method, without an opacity.
template <BlendModePlainKernel M>
bool BlendModeNoOpacity(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    (frame.Canvas().*M)(frame.X[0], frame.Y[0], *frame.SourceCanvas, frame.X[2], frame.Y[2], frame.X[1], frame.Y[1]);
    return true;
}

using S = CSprite;

// clang-format off
constexpr RenderRow kBlendModeRows[] = {
    {1201, BlendModeByMethod<&S::BlendMulImmediateOpacity, &S::BlendMulAlphaOpacity, &S::BlendMulMergeOpacity>},  // Mul(
    {1202, BlendModeByMethod<&S::BlendAddImmediateOpacity, &S::BlendAddAlphaOpacity, &S::BlendAddMergeOpacity>},  // Add(
    {1203, BlendModeByMethod<&S::BlendSubImmediateOpacity, &S::BlendSubAlphaOpacity, &S::BlendSubMergeOpacity>},  // Sub(
    {1204, BlendModeByMethod<&S::BlendScreenAlphaOpacity, &S::BlendScreenMergeOpacity>},  // Screen(
    {1205, BlendModeByMethod<&S::BlendOverlayAlphaOpacity, &S::BlendOverlayMergeOpacity>},  // Overlay(
    {1206, BlendModeByMethod<&S::BlendHardLightAlphaOpacity, &S::BlendHardLightMergeOpacity>},  // HardLight(
    {1207, BlendModeByMethod<&S::BlendColorBurnAlphaOpacity, &S::BlendColorBurnMergeOpacity>},  // ColorBurn(
    {1208, BlendModeByMethod<&S::BlendColorDodgeAlphaOpacity, &S::BlendColorDodgeMergeOpacity>},  // ColorDodge(
    {1209, BlendModeByMethod<&S::BlendExclusionAlphaOpacity, &S::BlendExclusionMergeOpacity>},  // Exclusion(
    {1210, BlendModeByMethod<&S::BlendDifferenceAlphaOpacity, &S::BlendDifferenceMergeOpacity>},  // Difference(
    {1211, BlendModeByMethod<&S::BlendLightenAlphaOpacity, &S::BlendLightenMergeOpacity>},  // Lighten(
    {1212, BlendModeByMethod<&S::BlendDarkenAlphaOpacity, &S::BlendDarkenMergeOpacity>},  // Darken(
    {1213, BlendModeNoOpacity<&S::BlendXor>},  // Xor(
    {1214, BlendModeByMethod<&S::BlendDivImmediateOpacity, &S::BlendDivAlphaOpacity, &S::BlendDivMergeOpacity>},  // Div(
    {1215, BlendModeOneMethod<&S::BlendRevMulOpacity>},  // RevMul(
    {1216, BlendModeByMethod<&S::BlendSoftLightAlphaOpacity, &S::BlendSoftLightMergeOpacity>},  // SoftLight(
    {1217, BlendModeByMethod<&S::BlendVividLightAlphaOpacity, &S::BlendVividLightMergeOpacity>},  // VividLight(
    {1218, BlendModeByMethod<&S::BlendLinearLightAlphaOpacity, &S::BlendLinearLightMergeOpacity>},  // LinearLight(
    {1219, BlendModeByMethod<&S::BlendLinearBurnAlphaOpacity, &S::BlendLinearBurnMergeOpacity>},  // LinearBurn(
    {1251, BlendModeByMethod<&S::BlendMulCImmediateOpacity, &S::BlendMulCAlphaOpacity, &S::BlendMulCMergeOpacity>},  // MulC(
    {1252, BlendModeByMethod<&S::BlendAddCImmediateOpacity, &S::BlendAddCAlphaOpacity, &S::BlendAddCMergeOpacity>},  // AddC(
    {1253, BlendModeByMethod<&S::BlendSubCImmediateOpacity, &S::BlendSubCAlphaOpacity, &S::BlendSubCMergeOpacity>},  // SubC(
    {1254, BlendModeByMethod<&S::BlendScreenCAlphaOpacity, &S::BlendScreenCMergeOpacity>},  // ScreenC(
    {1255, BlendModeByMethod<&S::BlendOverlayCAlphaOpacity, &S::BlendOverlayCMergeOpacity>},  // OverlayC(
    {1256, BlendModeByMethod<&S::BlendHardLightCAlphaOpacity, &S::BlendHardLightCMergeOpacity>},  // HardLightC(
    {1257, BlendModeByMethod<&S::BlendColorBurnCAlphaOpacity, &S::BlendColorBurnCMergeOpacity>},  // ColorBurnC(
    {1258, BlendModeByMethod<&S::BlendColorDodgeCAlphaOpacity, &S::BlendColorDodgeCMergeOpacity>},  // ColorDodgeC(
    {1259, BlendModeByMethod<&S::BlendExclusionCAlphaOpacity, &S::BlendExclusionCMergeOpacity>},  // ExclusionC(
    {1260, BlendModeByMethod<&S::BlendDifferenceCAlphaOpacity, &S::BlendDifferenceCMergeOpacity>},  // DifferenceC(
    {1261, BlendModeByMethod<&S::BlendLightenCAlphaOpacity, &S::BlendLightenCMergeOpacity>},  // LightenC(
    {1262, BlendModeByMethod<&S::BlendDarkenCAlphaOpacity, &S::BlendDarkenCMergeOpacity>},  // DarkenC(
    {1263, BlendModeNoOpacity<&S::BlendXorC>},  // XorC(
    {1264, BlendModeByMethod<&S::BlendDivCImmediateOpacity, &S::BlendDivCAlphaOpacity, &S::BlendDivCMergeOpacity>},  // DivC(
    {1265, BlendModeOneMethod<&S::BlendRevMulCOpacity>},  // RevMulC(
    {1266, BlendModeByMethod<&S::BlendSoftLightCAlphaOpacity, &S::BlendSoftLightCMergeOpacity>},  // SoftLightC(
    {1267, BlendModeByMethod<&S::BlendVividLightCAlphaOpacity, &S::BlendVividLightCMergeOpacity>},  // VividLightC(
    {1268, BlendModeByMethod<&S::BlendLinearLightCAlphaOpacity, &S::BlendLinearLightCMergeOpacity>},  // LinearLightC(
    {1269, BlendModeByMethod<&S::BlendLinearBurnCAlphaOpacity, &S::BlendLinearBurnCMergeOpacity>},  // LinearBurnC(
};
// clang-format on

}  // namespace

const RenderFamily kBlendModeRender = MakeRenderFamily(kBlendModeRows);
