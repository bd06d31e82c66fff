// The format-1.0 region and source factors: fills, alpha setting and the
// replacements (801-823), alpha arithmetic (961-964), the blend modes
// (1201-1206, 1251-1256), the colour-model composites (931-934) and Primary
// (901). Every row begins with the area (x, y, width, height); the source
// factors then name their source object and the position taken from it.
//
// Against the current vocabulary:
//  - the blend modes and the composites are spelled as now but have no item
//    for the blend method or the colour model: the blend modes store method
//    0 and take their alpha as an optional item 7 (255 without it); the
//    composites store model 1 (HSL);
//  - four replacements take the current items but may leave out the last one,
//    the strength, which is then 255;
//  - the others are current kinds under old names ("FillBlend(" is "Fill(",
//    "SetAlphaLv(" is "FillA(", "AlphaCopy(" is "CopyA(" ...).
#include <iterator>

#include "document/legacy/LegacyFields.h"
#include "document/legacy/LegacyTable.h"

namespace legacy {
namespace fills {
namespace {

using namespace fields;
using vocabulary::Alpha;
using vocabulary::ArgType;
using vocabulary::Colour;
using vocabulary::FactorField;
using vocabulary::Int;
using vocabulary::Name;

// The colour model of the composites: HSL.
constexpr uint32_t kCompositeModel = 1;
// The blend method of the blend modes.
constexpr uint32_t kBlendMethod = 0;

constexpr uint32_t kSlot0 = ColourSlot(0);
constexpr uint32_t kSlot1 = ColourSlot(1);

// An alpha item that the short form leaves out; it is then 255.
constexpr FactorField OptionalAlpha(uint8_t position, uint8_t QDXFactor::*slot) {
    return {ArgType::kAlpha, position, FactorField::kOptional, 0, 255, slot};
}

#define LEGACY_AREA Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6])
#define LEGACY_SOURCE Name(4, &F::SourceName), Int(5, Ints[2]), Int(6, Ints[7])

constexpr FactorField kSource[] = {LEGACY_AREA, LEGACY_SOURCE};
constexpr FactorField kBlend[] = {LEGACY_AREA, LEGACY_SOURCE, OptionalAlpha(7, Alphas[0])};

constexpr FactorField kFillBlend[] = {LEGACY_AREA, Colour(4, kSlot0), Alpha(5, Alphas[0])};
constexpr FactorField kSetAlphaLv[] = {LEGACY_AREA, Alpha(4, Alphas[0])};
constexpr FactorField kSetAlphaColor[] = {LEGACY_AREA, Colour(4, kSlot0), Alpha(5, Alphas[0])};
constexpr FactorField kReplaceColorFromAlpha[] = {LEGACY_AREA, Colour(4, kSlot0), Alpha(5, Alphas[0]),
                                                  OptionalAlpha(6, Alphas[2])};
constexpr FactorField kReplaceColor[] = {LEGACY_AREA, Colour(4, kSlot0), Colour(5, kSlot1),
                                         OptionalAlpha(6, Alphas[2])};
constexpr FactorField kReplaceDataFromAlpha[] = {LEGACY_AREA, Colour(4, kSlot0), Alpha(5, Alphas[0]),
                                                 Alpha(6, Alphas[1]), OptionalAlpha(7, Alphas[2])};
constexpr FactorField kReplaceDataFromColor[] = {LEGACY_AREA, Colour(4, kSlot0), Alpha(5, Alphas[0]),
                                                 Colour(6, kSlot1), OptionalAlpha(7, Alphas[2])};

#undef LEGACY_SOURCE
#undef LEGACY_AREA

// "SetAlphaColor(" has no strength item: the key colour is replaced outright.
bool FullStrength(QDXFactor& factor, const CStrArray_base<64>&, uint32_t, bool) {
    factor.*Alphas[2] = 255;
    return true;
}

template <size_t K>
constexpr LegacyRow Exact(const char* keyword, uint32_t kind, const FactorField (&fields)[K],
                          LegacyHook hook = nullptr) {
    return {keyword, kind, LegacyCount::kExact, uint8_t(K), 0, fields, {}, 0, 0, hook};
}
// The fields but the last, or all of them.
template <size_t K>
constexpr LegacyRow ExactOrOne(const char* keyword, uint32_t kind, const FactorField (&fields)[K]) {
    return {keyword, kind, LegacyCount::kExactOrOne, uint8_t(K - 1), 0, fields};
}
constexpr LegacyRow Source(const char* keyword, uint32_t kind) {
    return {keyword, kind, LegacyCount::kAtLeast, 7, 0, kSource};
}
constexpr LegacyRow Blend(const char* keyword, uint32_t kind) {
    return {keyword, kind, LegacyCount::kAtLeast, 7, 0, kBlend, {}, LegacyRow::kStoreOptions, kBlendMethod};
}
constexpr LegacyRow Composite(const char* keyword, uint32_t kind) {
    return {keyword, kind, LegacyCount::kAtLeast, 7, 0, kSource, {}, LegacyRow::kStoreOptions, kCompositeModel};
}

const LegacyRow kFillRows[] = {
    Source("AlphaCopy(", 961),
    Source("AlphaMul(", 962),
    Source("AlphaAdd(", 963),
    Source("AlphaSub(", 964),
    Exact("FillBlend(", 801, kFillBlend),
    Exact("SetAlphaLv(", 821, kSetAlphaLv),
    Exact("SetAlphaColor(", 823, kSetAlphaColor, &FullStrength),
    ExactOrOne("ReplaceColorFromAlpha(", 812, kReplaceColorFromAlpha),
    ExactOrOne("ReplaceColor(", 813, kReplaceColor),
    ExactOrOne("ReplaceDataFromAlpha(", 802, kReplaceDataFromAlpha),
    ExactOrOne("ReplaceDataFromColor(", 803, kReplaceDataFromColor),
    Blend("Mul(", 1201),
    Blend("Add(", 1202),
    Blend("Sub(", 1203),
    Blend("Screen(", 1204),
    Blend("Overlay(", 1205),
    Blend("HardLight(", 1206),
    Blend("MulC(", 1251),
    Blend("AddC(", 1252),
    Blend("SubC(", 1253),
    Blend("ScreenC(", 1254),
    Blend("OverlayC(", 1255),
    Blend("HardLightC(", 1256),
    Composite("Hue(", 931),
    Composite("Saturation(", 932),
    Composite("HueSaturation(", 933),
    Composite("Luminosity(", 934),
    Source("Primary(", 901),
};

}  // namespace
}  // namespace fills

const LegacyFamily kLegacyFillFamily = {fills::kFillRows, uint32_t(std::size(fills::kFillRows))};

}  // namespace legacy
