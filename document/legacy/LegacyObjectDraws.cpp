// The format-1.0 draws of another object (kinds 201-204, 216-219, 231-234,
// 246-249, 261-264, 276-279): a geometry word (none, Resize, Rotate), a mode
// word, an optional C, the bracket. Draw is the current Copy; Alpha and Layer
// take no alpha item (255); AlphaBlend and LayerBlend are the current Alpha
// and Layer with their alpha; C adds 15 to the kind. There is no Back mode.
//
// Plain draws take at least 7 items and ignore the rest, their alpha (where
// the mode has one) optional; Resize and Rotate counts are exact. A Rotate
// draw also has a short form with one scale in 1/65536 and the whole source,
// which the current vocabulary does not have: it is stored as the long form.
#include <iterator>

#include "document/legacy/LegacyDrawGroups.h"

namespace legacy {
namespace objectdraws {
namespace {

using namespace fields;
using vocabulary::Alpha;
using vocabulary::FactorField;
using vocabulary::Int;
using vocabulary::Name;
using vocabulary::OptionalAlpha;
using vocabulary::Real;

constexpr FactorField kPlain[] = {OC_LEGACY_HEAD, OC_LEGACY_PLAIN};
constexpr FactorField kPlainBlend[] = {OC_LEGACY_HEAD, OC_LEGACY_PLAIN, OptionalAlpha(7)};
constexpr FactorField kResize[] = {OC_LEGACY_HEAD, OC_LEGACY_RESIZE};
constexpr FactorField kResizeAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_RESIZE, Alpha(9)};
constexpr FactorField kRotateLong[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_LONG};
constexpr FactorField kRotateLongAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_LONG, Alpha(14)};
constexpr FactorField kRotateShort[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_SHORT};
constexpr FactorField kRotateShortAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_SHORT, Alpha(9)};

constexpr LegacyCount kExact = LegacyCount::kExact;
constexpr LegacyCount kAtLeast = LegacyCount::kAtLeast;
constexpr LegacyCount kTwoCounts = LegacyCount::kTwoCounts;
constexpr uint8_t kA255 = LegacyRow::kAlpha255;

const LegacyRow kObjectDrawRows[] = {
    {"Draw(", 201, kAtLeast, 7, 0, kPlain, {}, 0},
    {"Alpha(", 202, kAtLeast, 7, 0, kPlain, {}, kA255},
    {"Blend(", 203, kAtLeast, 7, 0, kPlainBlend, {}, 0},
    {"Layer(", 204, kAtLeast, 7, 0, kPlain, {}, kA255},
    {"AlphaBlend(", 202, kAtLeast, 7, 0, kPlainBlend, {}, 0},
    {"LayerBlend(", 204, kAtLeast, 7, 0, kPlainBlend, {}, 0},
    {"DrawC(", 216, kAtLeast, 7, 0, kPlain, {}, 0},
    {"AlphaC(", 217, kAtLeast, 7, 0, kPlain, {}, kA255},
    {"BlendC(", 218, kAtLeast, 7, 0, kPlainBlend, {}, 0},
    {"LayerC(", 219, kAtLeast, 7, 0, kPlain, {}, kA255},
    {"AlphaBlendC(", 217, kAtLeast, 7, 0, kPlainBlend, {}, 0},
    {"LayerBlendC(", 219, kAtLeast, 7, 0, kPlainBlend, {}, 0},
    {"Resize(", 231, kExact, 9, 0, kResize, {}, 0},
    {"ResizeAlpha(", 232, kExact, 9, 0, kResize, {}, kA255},
    {"ResizeBlend(", 233, kExact, 10, 0, kResizeAlpha, {}, 0},
    {"ResizeLayer(", 234, kExact, 9, 0, kResize, {}, kA255},
    {"ResizeAlphaBlend(", 232, kExact, 10, 0, kResizeAlpha, {}, 0},
    {"ResizeLayerBlend(", 234, kExact, 10, 0, kResizeAlpha, {}, 0},
    {"ResizeC(", 246, kExact, 9, 0, kResize, {}, 0},
    {"ResizeAlphaC(", 247, kExact, 9, 0, kResize, {}, kA255},
    {"ResizeBlendC(", 248, kExact, 10, 0, kResizeAlpha, {}, 0},
    {"ResizeLayerC(", 249, kExact, 9, 0, kResize, {}, kA255},
    {"ResizeAlphaBlendC(", 247, kExact, 10, 0, kResizeAlpha, {}, 0},
    {"ResizeLayerBlendC(", 249, kExact, 10, 0, kResizeAlpha, {}, 0},
    {"Rotate(", 261, kTwoCounts, 14, 9, kRotateLong, kRotateShort, 0, 0, &StoreShortRotate},
    {"RotateAlpha(", 262, kTwoCounts, 14, 9, kRotateLong, kRotateShort, kA255, 0, &StoreShortRotate},
    {"RotateBlend(", 263, kTwoCounts, 15, 10, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
    {"RotateLayer(", 264, kTwoCounts, 14, 9, kRotateLong, kRotateShort, kA255, 0, &StoreShortRotate},
    {"RotateAlphaBlend(", 262, kTwoCounts, 15, 10, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
    {"RotateLayerBlend(", 264, kTwoCounts, 15, 10, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
    {"RotateC(", 276, kTwoCounts, 14, 9, kRotateLong, kRotateShort, 0, 0, &StoreShortRotate},
    {"RotateAlphaC(", 277, kTwoCounts, 14, 9, kRotateLong, kRotateShort, kA255, 0, &StoreShortRotate},
    {"RotateBlendC(", 278, kTwoCounts, 15, 10, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
    {"RotateLayerC(", 279, kTwoCounts, 14, 9, kRotateLong, kRotateShort, kA255, 0, &StoreShortRotate},
    {"RotateAlphaBlendC(", 277, kTwoCounts, 15, 10, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
    {"RotateLayerBlendC(", 279, kTwoCounts, 15, 10, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
};

}  // namespace
}  // namespace objectdraws

const LegacyFamily kLegacyObjectDrawFamily = {objectdraws::kObjectDrawRows,
                                              uint32_t(std::size(objectdraws::kObjectDrawRows))};

}  // namespace legacy
