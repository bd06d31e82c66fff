// The factor family of blend modes (1201-1269): a region of another object of
// the document composited onto this object's canvas with one of nineteen
// modes, each in a full form (1200 + mode) and a colour-only form (1250 + mode,
// keyword with a C before its "(": the canvas keeps its own alpha).
//
// Every member reads the same nine arguments from left to right: draw X and Y,
// width and height, the compositing method (stored whole and written signed: a
// negative number wraps and comes back out negative), the source object's name, source X and Y, and the level. Items after
// the ninth are ignored.
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {
namespace {

using F = QDXFactor;

constexpr FactorField kBlendFields[] = {
    Int(0, &F::X1),         Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2), ULongInt(4, &F::Options),
    Name(5, &F::SourceName), Int(6, &F::X3), Int(7, &F::Y3), Alpha(8),
};


constexpr FactorRow Blend(uint32_t kind, const char* keyword) {
    return FactorRow{kind, keyword, CountRule::kAtLeast, 9, 0, kBlendFields};
}

constexpr FactorRow kBlendModeRows[] = {
    Blend(1201, "Mul("),        Blend(1202, "Add("),          Blend(1203, "Sub("),
    Blend(1204, "Screen("),     Blend(1205, "Overlay("),      Blend(1206, "HardLight("),
    Blend(1207, "ColorBurn("),  Blend(1208, "ColorDodge("),   Blend(1209, "Exclusion("),
    Blend(1210, "Difference("), Blend(1211, "Lighten("),      Blend(1212, "Darken("),
    Blend(1213, "Xor("),        Blend(1214, "Div("),          Blend(1215, "RevMul("),
    Blend(1216, "SoftLight("),  Blend(1217, "VividLight("),   Blend(1218, "LinearLight("),
    Blend(1219, "LinearBurn("),
    Blend(1251, "MulC("),        Blend(1252, "AddC("),        Blend(1253, "SubC("),
    Blend(1254, "ScreenC("),     Blend(1255, "OverlayC("),    Blend(1256, "HardLightC("),
    Blend(1257, "ColorBurnC("),  Blend(1258, "ColorDodgeC("), Blend(1259, "ExclusionC("),
    Blend(1260, "DifferenceC("), Blend(1261, "LightenC("),    Blend(1262, "DarkenC("),
    Blend(1263, "XorC("),        Blend(1264, "DivC("),        Blend(1265, "RevMulC("),
    Blend(1266, "SoftLightC("),  Blend(1267, "VividLightC("), Blend(1268, "LinearLightC("),
    Blend(1269, "LinearBurnC("),
};

}  // namespace

constinit const FactorFamily kBlendModeFamily = {kBlendModeRows, uint32_t(std::size(kBlendModeRows)), nullptr, 0};

}  // namespace vocabulary
