// The format-1.0 tone draws (kinds 401-404, 416-419, 431-434, 446-449,
// 461-464, 476-479): the draws of another object with the source tinted toward
// a tone colour. A keyword is a geometry word (Draw, Resize, Rotate), a mode
// word (as in the object draws), "Tone", an optional C, the bracket. After the
// geometry come the red, green and blue amounts, the density and the tone
// colour; the alpha of Blend, AlphaBlend and LayerBlend is always required and
// every count is exact (a Rotate draw has a long and a short form).
#include <iterator>

#include "document/legacy/LegacyDrawGroups.h"

namespace legacy {
namespace tones {
namespace {

using namespace fields;
using vocabulary::Alpha;
using vocabulary::Colour;
using vocabulary::FactorField;
using vocabulary::Int;
using vocabulary::Name;
using vocabulary::Real;

// The tone tail from item p: amounts, density, colour (slot 0).
#define OC_LEGACY_TONE(p)                                                                                \
    Int(p, MapParams[2]), Int(p + 1, MapParams[3]), Int(p + 2, MapParams[4]), Int(p + 3, MapParams[5]), \
        Colour(p + 4, ColourSlot(0))

constexpr FactorField kPlain[] = {OC_LEGACY_HEAD, OC_LEGACY_PLAIN, OC_LEGACY_TONE(7)};
constexpr FactorField kPlainAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_PLAIN, OC_LEGACY_TONE(7), Alpha(12)};
constexpr FactorField kResize[] = {OC_LEGACY_HEAD, OC_LEGACY_RESIZE, OC_LEGACY_TONE(9)};
constexpr FactorField kResizeAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_RESIZE, OC_LEGACY_TONE(9), Alpha(14)};
constexpr FactorField kRotateLong[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_LONG, OC_LEGACY_TONE(14)};
constexpr FactorField kRotateLongAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_LONG, OC_LEGACY_TONE(14), Alpha(19)};
constexpr FactorField kRotateShort[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_SHORT, OC_LEGACY_TONE(9)};
constexpr FactorField kRotateShortAlpha[] = {OC_LEGACY_HEAD, OC_LEGACY_ROTATE_SHORT, OC_LEGACY_TONE(9), Alpha(14)};

#undef OC_LEGACY_TONE

constexpr LegacyCount kExact = LegacyCount::kExact;
constexpr LegacyCount kTwoCounts = LegacyCount::kTwoCounts;
constexpr uint8_t kA255 = LegacyRow::kAlpha255;

const LegacyRow kToneRows[] = {
    {"DrawTone(", 401, kExact, 12, 0, kPlain, {}, 0},
    {"DrawAlphaTone(", 402, kExact, 12, 0, kPlain, {}, kA255},
    {"DrawBlendTone(", 403, kExact, 13, 0, kPlainAlpha, {}, 0},
    {"DrawLayerTone(", 404, kExact, 12, 0, kPlain, {}, kA255},
    {"DrawAlphaBlendTone(", 402, kExact, 13, 0, kPlainAlpha, {}, 0},
    {"DrawLayerBlendTone(", 404, kExact, 13, 0, kPlainAlpha, {}, 0},
    {"DrawToneC(", 416, kExact, 12, 0, kPlain, {}, 0},
    {"DrawAlphaToneC(", 417, kExact, 12, 0, kPlain, {}, kA255},
    {"DrawBlendToneC(", 418, kExact, 13, 0, kPlainAlpha, {}, 0},
    {"DrawLayerToneC(", 419, kExact, 12, 0, kPlain, {}, kA255},
    {"DrawAlphaBlendToneC(", 417, kExact, 13, 0, kPlainAlpha, {}, 0},
    {"DrawLayerBlendToneC(", 419, kExact, 13, 0, kPlainAlpha, {}, 0},
    {"ResizeTone(", 431, kExact, 14, 0, kResize, {}, 0},
    {"ResizeAlphaTone(", 432, kExact, 14, 0, kResize, {}, kA255},
    {"ResizeBlendTone(", 433, kExact, 15, 0, kResizeAlpha, {}, 0},
    {"ResizeLayerTone(", 434, kExact, 14, 0, kResize, {}, kA255},
    {"ResizeAlphaBlendTone(", 432, kExact, 15, 0, kResizeAlpha, {}, 0},
    {"ResizeLayerBlendTone(", 434, kExact, 15, 0, kResizeAlpha, {}, 0},
    {"ResizeToneC(", 446, kExact, 14, 0, kResize, {}, 0},
    {"ResizeAlphaToneC(", 447, kExact, 14, 0, kResize, {}, kA255},
    {"ResizeBlendToneC(", 448, kExact, 15, 0, kResizeAlpha, {}, 0},
    {"ResizeLayerToneC(", 449, kExact, 14, 0, kResize, {}, kA255},
    {"ResizeAlphaBlendToneC(", 447, kExact, 15, 0, kResizeAlpha, {}, 0},
    {"ResizeLayerBlendToneC(", 449, kExact, 15, 0, kResizeAlpha, {}, 0},
    {"RotateTone(", 461, kTwoCounts, 19, 14, kRotateLong, kRotateShort, 0, 0, &StoreShortRotate},
    {"RotateAlphaTone(", 462, kTwoCounts, 19, 14, kRotateLong, kRotateShort, kA255, 0, &StoreShortRotate},
    {"RotateBlendTone(", 463, kTwoCounts, 20, 15, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
    {"RotateLayerTone(", 464, kTwoCounts, 19, 14, kRotateLong, kRotateShort, kA255, 0, &StoreShortRotate},
    {"RotateAlphaBlendTone(", 462, kTwoCounts, 20, 15, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
    {"RotateLayerBlendTone(", 464, kTwoCounts, 20, 15, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
    {"RotateToneC(", 476, kTwoCounts, 19, 14, kRotateLong, kRotateShort, 0, 0, &StoreShortRotate},
    {"RotateAlphaToneC(", 477, kTwoCounts, 19, 14, kRotateLong, kRotateShort, kA255, 0, &StoreShortRotate},
    {"RotateBlendToneC(", 478, kTwoCounts, 20, 15, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
    {"RotateLayerToneC(", 479, kTwoCounts, 19, 14, kRotateLong, kRotateShort, kA255, 0, &StoreShortRotate},
    {"RotateAlphaBlendToneC(", 477, kTwoCounts, 20, 15, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
    {"RotateLayerBlendToneC(", 479, kTwoCounts, 20, 15, kRotateLongAlpha, kRotateShortAlpha, 0, 0, &StoreShortRotate},
};

}  // namespace
}  // namespace tones

const LegacyFamily kLegacyToneFamily = {tones::kToneRows, uint32_t(std::size(tones::kToneRows))};

}  // namespace legacy
