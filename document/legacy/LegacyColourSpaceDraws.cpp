// The format-1.0 colour-space draws and blends (kinds 301-304, 316-319,
// 331-334, 346-349, 361-364, 376-379, 391-394). The colour model is a word of
// the keyword (HSV, HSL, HSLY: Options 0, 1, 2, the whole value) where the
// current vocabulary has an item. A draw keyword is a geometry word, a mode
// word (as in the object draws), the model word, an optional C, the bracket;
// after the geometry come the hue, saturation and third-component shifts.
// Every draw count is exact (a Rotate draw has a long and a short form). A
// blend is the model word, AlphaBlend (at least 7 items, optional alpha) or
// RangeAlphaBlend (exactly 14: six bounds, then the alpha), an optional C.
#include <iterator>

#include "document/legacy/LegacyDrawGroups.h"

namespace legacy {
namespace colourspace {
namespace {

using namespace fields;
using vocabulary::Alpha;
using vocabulary::FactorField;
using vocabulary::Int;
using vocabulary::Name;
using vocabulary::OptionalAlpha;
using vocabulary::Real;

// The hue, saturation and third-component shifts from item p.
#define OC_LEGACY_TRIPLE(p) \
    Int(p, ColorSpaceParams[0]), Int(p + 1, ColorSpaceParams[1]), Int(p + 2, ColorSpaceParams[2])

constexpr FactorField kPlain[] = {OC_LEGACY_HEAD, OC_LEGACY_PLAIN, OC_LEGACY_TRIPLE(7)};
constexpr FactorField kPlainAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_PLAIN, OC_LEGACY_TRIPLE(7), Alpha(10)};
constexpr FactorField kResize[] = {OC_LEGACY_HEAD, OC_LEGACY_RESIZE, OC_LEGACY_TRIPLE(9)};
constexpr FactorField kResizeAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_RESIZE, OC_LEGACY_TRIPLE(9), Alpha(12)};
constexpr FactorField kRotateLong[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_LONG, OC_LEGACY_TRIPLE(14)};
constexpr FactorField kRotateLongAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_LONG, OC_LEGACY_TRIPLE(14), Alpha(17)};
constexpr FactorField kRotateShort[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_SHORT, OC_LEGACY_TRIPLE(9)};
constexpr FactorField kRotateShortAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_SHORT, OC_LEGACY_TRIPLE(9), Alpha(12)};

#undef OC_LEGACY_TRIPLE

// The blends: the plain draw's items, then the optional alpha, or the six
// bounds (lower and upper hue, saturation, third component) and the alpha.
constexpr FactorField kBlend[] = {OC_LEGACY_HEAD, OC_LEGACY_PLAIN, OptionalAlpha(7)};
constexpr FactorField kRangeBlend[] = {OC_LEGACY_HEAD,
                                       OC_LEGACY_PLAIN,
                                       Int(7, ColorSpaceParams[0]),
                                       Int(8, ColorSpaceParams[3]),
                                       Int(9, ColorSpaceParams[1]),
                                       Int(10, ColorSpaceParams[4]),
                                       Int(11, ColorSpaceParams[2]),
                                       Int(12, ColorSpaceParams[5]),
                                       Alpha(13)};

constexpr LegacyCount kExact = LegacyCount::kExact;
constexpr LegacyCount kAtLeast = LegacyCount::kAtLeast;
constexpr LegacyCount kTwoCounts = LegacyCount::kTwoCounts;
constexpr uint8_t kA255 = LegacyRow::kAlpha255;
constexpr uint8_t kModel = LegacyRow::kStoreOptions;

const LegacyRow kColourSpaceRows[] = {
    {"DrawHSV(", 301, kExact, 10, 0, kPlain, {}, kModel, 0},
    {"AlphaHSV(", 302, kExact, 10, 0, kPlain, {}, kA255 | kModel, 0},
    {"BlendHSV(", 303, kExact, 11, 0, kPlainAlpha, {}, kModel, 0},
    {"LayerHSV(", 304, kExact, 10, 0, kPlain, {}, kA255 | kModel, 0},
    {"AlphaBlendHSV(", 302, kExact, 11, 0, kPlainAlpha, {}, kModel, 0},
    {"LayerBlendHSV(", 304, kExact, 11, 0, kPlainAlpha, {}, kModel, 0},
    {"DrawHSVC(", 316, kExact, 10, 0, kPlain, {}, kModel, 0},
    {"AlphaHSVC(", 317, kExact, 10, 0, kPlain, {}, kA255 | kModel, 0},
    {"BlendHSVC(", 318, kExact, 11, 0, kPlainAlpha, {}, kModel, 0},
    {"LayerHSVC(", 319, kExact, 10, 0, kPlain, {}, kA255 | kModel, 0},
    {"AlphaBlendHSVC(", 317, kExact, 11, 0, kPlainAlpha, {}, kModel, 0},
    {"LayerBlendHSVC(", 319, kExact, 11, 0, kPlainAlpha, {}, kModel, 0},
    {"ResizeHSV(", 331, kExact, 12, 0, kResize, {}, kModel, 0},
    {"ResizeAlphaHSV(", 332, kExact, 12, 0, kResize, {}, kA255 | kModel, 0},
    {"ResizeBlendHSV(", 333, kExact, 13, 0, kResizeAlpha, {}, kModel, 0},
    {"ResizeLayerHSV(", 334, kExact, 12, 0, kResize, {}, kA255 | kModel, 0},
    {"ResizeAlphaBlendHSV(", 332, kExact, 13, 0, kResizeAlpha, {}, kModel, 0},
    {"ResizeLayerBlendHSV(", 334, kExact, 13, 0, kResizeAlpha, {}, kModel, 0},
    {"ResizeHSVC(", 346, kExact, 12, 0, kResize, {}, kModel, 0},
    {"ResizeAlphaHSVC(", 347, kExact, 12, 0, kResize, {}, kA255 | kModel, 0},
    {"ResizeBlendHSVC(", 348, kExact, 13, 0, kResizeAlpha, {}, kModel, 0},
    {"ResizeLayerHSVC(", 349, kExact, 12, 0, kResize, {}, kA255 | kModel, 0},
    {"ResizeAlphaBlendHSVC(", 347, kExact, 13, 0, kResizeAlpha, {}, kModel, 0},
    {"ResizeLayerBlendHSVC(", 349, kExact, 13, 0, kResizeAlpha, {}, kModel, 0},
    {"RotateHSV(", 361, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kModel, 0, &StoreShortRotate},
    {"RotateAlphaHSV(", 362, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 0, &StoreShortRotate},
    {"RotateBlendHSV(", 363, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 0, &StoreShortRotate},
    {"RotateLayerHSV(", 364, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 0, &StoreShortRotate},
    {"RotateAlphaBlendHSV(", 362, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 0, &StoreShortRotate},
    {"RotateLayerBlendHSV(", 364, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 0, &StoreShortRotate},
    {"RotateHSVC(", 376, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kModel, 0, &StoreShortRotate},
    {"RotateAlphaHSVC(", 377, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 0, &StoreShortRotate},
    {"RotateBlendHSVC(", 378, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 0, &StoreShortRotate},
    {"RotateLayerHSVC(", 379, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 0, &StoreShortRotate},
    {"RotateAlphaBlendHSVC(", 377, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 0, &StoreShortRotate},
    {"RotateLayerBlendHSVC(", 379, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 0, &StoreShortRotate},
    {"HSVAlphaBlend(", 391, kAtLeast, 7, 0, kBlend, {}, kModel, 0},
    {"HSVRangeAlphaBlend(", 392, kExact, 14, 0, kRangeBlend, {}, kModel, 0},
    {"HSVAlphaBlendC(", 393, kAtLeast, 7, 0, kBlend, {}, kModel, 0},
    {"HSVRangeAlphaBlendC(", 394, kExact, 14, 0, kRangeBlend, {}, kModel, 0},
    {"DrawHSL(", 301, kExact, 10, 0, kPlain, {}, kModel, 1},
    {"AlphaHSL(", 302, kExact, 10, 0, kPlain, {}, kA255 | kModel, 1},
    {"BlendHSL(", 303, kExact, 11, 0, kPlainAlpha, {}, kModel, 1},
    {"LayerHSL(", 304, kExact, 10, 0, kPlain, {}, kA255 | kModel, 1},
    {"AlphaBlendHSL(", 302, kExact, 11, 0, kPlainAlpha, {}, kModel, 1},
    {"LayerBlendHSL(", 304, kExact, 11, 0, kPlainAlpha, {}, kModel, 1},
    {"DrawHSLC(", 316, kExact, 10, 0, kPlain, {}, kModel, 1},
    {"AlphaHSLC(", 317, kExact, 10, 0, kPlain, {}, kA255 | kModel, 1},
    {"BlendHSLC(", 318, kExact, 11, 0, kPlainAlpha, {}, kModel, 1},
    {"LayerHSLC(", 319, kExact, 10, 0, kPlain, {}, kA255 | kModel, 1},
    {"AlphaBlendHSLC(", 317, kExact, 11, 0, kPlainAlpha, {}, kModel, 1},
    {"LayerBlendHSLC(", 319, kExact, 11, 0, kPlainAlpha, {}, kModel, 1},
    {"ResizeHSL(", 331, kExact, 12, 0, kResize, {}, kModel, 1},
    {"ResizeAlphaHSL(", 332, kExact, 12, 0, kResize, {}, kA255 | kModel, 1},
    {"ResizeBlendHSL(", 333, kExact, 13, 0, kResizeAlpha, {}, kModel, 1},
    {"ResizeLayerHSL(", 334, kExact, 12, 0, kResize, {}, kA255 | kModel, 1},
    {"ResizeAlphaBlendHSL(", 332, kExact, 13, 0, kResizeAlpha, {}, kModel, 1},
    {"ResizeLayerBlendHSL(", 334, kExact, 13, 0, kResizeAlpha, {}, kModel, 1},
    {"ResizeHSLC(", 346, kExact, 12, 0, kResize, {}, kModel, 1},
    {"ResizeAlphaHSLC(", 347, kExact, 12, 0, kResize, {}, kA255 | kModel, 1},
    {"ResizeBlendHSLC(", 348, kExact, 13, 0, kResizeAlpha, {}, kModel, 1},
    {"ResizeLayerHSLC(", 349, kExact, 12, 0, kResize, {}, kA255 | kModel, 1},
    {"ResizeAlphaBlendHSLC(", 347, kExact, 13, 0, kResizeAlpha, {}, kModel, 1},
    {"ResizeLayerBlendHSLC(", 349, kExact, 13, 0, kResizeAlpha, {}, kModel, 1},
    {"RotateHSL(", 361, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kModel, 1, &StoreShortRotate},
    {"RotateAlphaHSL(", 362, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 1, &StoreShortRotate},
    {"RotateBlendHSL(", 363, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 1, &StoreShortRotate},
    {"RotateLayerHSL(", 364, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 1, &StoreShortRotate},
    {"RotateAlphaBlendHSL(", 362, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 1, &StoreShortRotate},
    {"RotateLayerBlendHSL(", 364, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 1, &StoreShortRotate},
    {"RotateHSLC(", 376, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kModel, 1, &StoreShortRotate},
    {"RotateAlphaHSLC(", 377, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 1, &StoreShortRotate},
    {"RotateBlendHSLC(", 378, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 1, &StoreShortRotate},
    {"RotateLayerHSLC(", 379, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 1, &StoreShortRotate},
    {"RotateAlphaBlendHSLC(", 377, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 1, &StoreShortRotate},
    {"RotateLayerBlendHSLC(", 379, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 1, &StoreShortRotate},
    {"HSLAlphaBlend(", 391, kAtLeast, 7, 0, kBlend, {}, kModel, 1},
    {"HSLRangeAlphaBlend(", 392, kExact, 14, 0, kRangeBlend, {}, kModel, 1},
    {"HSLAlphaBlendC(", 393, kAtLeast, 7, 0, kBlend, {}, kModel, 1},
    {"HSLRangeAlphaBlendC(", 394, kExact, 14, 0, kRangeBlend, {}, kModel, 1},
    {"DrawHSLY(", 301, kExact, 10, 0, kPlain, {}, kModel, 2},
    {"AlphaHSLY(", 302, kExact, 10, 0, kPlain, {}, kA255 | kModel, 2},
    {"BlendHSLY(", 303, kExact, 11, 0, kPlainAlpha, {}, kModel, 2},
    {"LayerHSLY(", 304, kExact, 10, 0, kPlain, {}, kA255 | kModel, 2},
    {"AlphaBlendHSLY(", 302, kExact, 11, 0, kPlainAlpha, {}, kModel, 2},
    {"LayerBlendHSLY(", 304, kExact, 11, 0, kPlainAlpha, {}, kModel, 2},
    {"DrawHSLYC(", 316, kExact, 10, 0, kPlain, {}, kModel, 2},
    {"AlphaHSLYC(", 317, kExact, 10, 0, kPlain, {}, kA255 | kModel, 2},
    {"BlendHSLYC(", 318, kExact, 11, 0, kPlainAlpha, {}, kModel, 2},
    {"LayerHSLYC(", 319, kExact, 10, 0, kPlain, {}, kA255 | kModel, 2},
    {"AlphaBlendHSLYC(", 317, kExact, 11, 0, kPlainAlpha, {}, kModel, 2},
    {"LayerBlendHSLYC(", 319, kExact, 11, 0, kPlainAlpha, {}, kModel, 2},
    {"ResizeHSLY(", 331, kExact, 12, 0, kResize, {}, kModel, 2},
    {"ResizeAlphaHSLY(", 332, kExact, 12, 0, kResize, {}, kA255 | kModel, 2},
    {"ResizeBlendHSLY(", 333, kExact, 13, 0, kResizeAlpha, {}, kModel, 2},
    {"ResizeLayerHSLY(", 334, kExact, 12, 0, kResize, {}, kA255 | kModel, 2},
    {"ResizeAlphaBlendHSLY(", 332, kExact, 13, 0, kResizeAlpha, {}, kModel, 2},
    {"ResizeLayerBlendHSLY(", 334, kExact, 13, 0, kResizeAlpha, {}, kModel, 2},
    {"ResizeHSLYC(", 346, kExact, 12, 0, kResize, {}, kModel, 2},
    {"ResizeAlphaHSLYC(", 347, kExact, 12, 0, kResize, {}, kA255 | kModel, 2},
    {"ResizeBlendHSLYC(", 348, kExact, 13, 0, kResizeAlpha, {}, kModel, 2},
    {"ResizeLayerHSLYC(", 349, kExact, 12, 0, kResize, {}, kA255 | kModel, 2},
    {"ResizeAlphaBlendHSLYC(", 347, kExact, 13, 0, kResizeAlpha, {}, kModel, 2},
    {"ResizeLayerBlendHSLYC(", 349, kExact, 13, 0, kResizeAlpha, {}, kModel, 2},
    {"RotateHSLY(", 361, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kModel, 2, &StoreShortRotate},
    {"RotateAlphaHSLY(", 362, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 2, &StoreShortRotate},
    {"RotateBlendHSLY(", 363, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 2, &StoreShortRotate},
    {"RotateLayerHSLY(", 364, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 2, &StoreShortRotate},
    {"RotateAlphaBlendHSLY(", 362, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 2, &StoreShortRotate},
    {"RotateLayerBlendHSLY(", 364, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 2, &StoreShortRotate},
    {"RotateHSLYC(", 376, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kModel, 2, &StoreShortRotate},
    {"RotateAlphaHSLYC(", 377, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 2, &StoreShortRotate},
    {"RotateBlendHSLYC(", 378, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 2, &StoreShortRotate},
    {"RotateLayerHSLYC(", 379, kTwoCounts, 17, 12, kRotateLong, kRotateShort, kA255 | kModel, 2, &StoreShortRotate},
    {"RotateAlphaBlendHSLYC(", 377, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 2, &StoreShortRotate},
    {"RotateLayerBlendHSLYC(", 379, kTwoCounts, 18, 13, kRotateLongAlpha, kRotateShortAlpha, kModel, 2, &StoreShortRotate},
    {"HSLYAlphaBlend(", 391, kAtLeast, 7, 0, kBlend, {}, kModel, 2},
    {"HSLYRangeAlphaBlend(", 392, kExact, 14, 0, kRangeBlend, {}, kModel, 2},
    {"HSLYAlphaBlendC(", 393, kAtLeast, 7, 0, kBlend, {}, kModel, 2},
    {"HSLYRangeAlphaBlendC(", 394, kExact, 14, 0, kRangeBlend, {}, kModel, 2},
};

}  // namespace
}  // namespace colourspace

const LegacyFamily kLegacyColourSpaceFamily = {colourspace::kColourSpaceRows,
                                               uint32_t(std::size(colourspace::kColourSpaceRows))};

}  // namespace legacy
