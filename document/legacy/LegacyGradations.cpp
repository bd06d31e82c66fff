// The format-1.0 gradations (kinds 501-507, 601-604, 701-707). Every count is
// exact and every row begins with the area (x, y, width, height).
//
// The old names differ from the current ones in three ways:
//  - a final D marks the ARGB kinds 501-503 (the current keywords have no final
//    letter), and the old keywords without it are the colour-only kinds
//    701-703 (current keywords ending in C): "GradationH(" here is the current
//    "GradationHC(", read with the plain palette form "P%x";
//  - the colour model is part of the keyword (HSV 0, HSL 1) where the current
//    "GradationColorSpace..." keywords read it as their item 4; these rows
//    store it as a constant and read plain colour codes only;
//  - the alpha gradations and the three mix gradations keep their names and
//    items; the mix gradations read the current "array(" point list.
#include <iterator>

#include "document/legacy/LegacyFields.h"
#include "document/legacy/LegacyTable.h"

namespace legacy {
namespace gradations {
namespace {

using namespace fields;
using vocabulary::AColour;
using vocabulary::Alpha;
using vocabulary::Colour;
using vocabulary::FactorField;
using vocabulary::Hex;
using vocabulary::Int;
using vocabulary::List;

// Colour models of the "HSV..." and "HSL..." keywords.
constexpr uint32_t kHsv = 0;
constexpr uint32_t kHsl = 1;

#define LEGACY_AREA Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6])

// Slots by end or corner: left or top first; the corners top left, top right,
// bottom left, bottom right.
constexpr uint32_t kSlot0 = ColourSlot(0);
constexpr uint32_t kSlot1 = ColourSlot(1);
constexpr uint32_t kSlot2 = ColourSlot(2);
constexpr uint32_t kSlot3 = ColourSlot(3);

// The D forms and the mix gradations: a palette reference may carry the top
// byte ("P%x#%x").
constexpr FactorField kTwoAColours[] = {LEGACY_AREA, AColour(4, kSlot0), AColour(5, kSlot1)};
constexpr FactorField kFourAColours[] = {LEGACY_AREA, AColour(4, kSlot0), AColour(5, kSlot1), AColour(6, kSlot2),
                                         AColour(7, kSlot3)};
constexpr FactorField kMixColour[] = {LEGACY_AREA, AColour(4, kSlot0), List(5, &vocabulary::kGradationPointList)};

// The forms without D: a palette reference alone ("P%x").
constexpr FactorField kTwoColours[] = {LEGACY_AREA, Colour(4, kSlot0), Colour(5, kSlot1)};
constexpr FactorField kFourColours[] = {LEGACY_AREA, Colour(4, kSlot0), Colour(5, kSlot1), Colour(6, kSlot2),
                                        Colour(7, kSlot3)};

// The colour-model forms: plain colour codes, no palette form; the ARGB ones
// with the alpha of each colour after it.
constexpr FactorField kSpaceTwo[] = {LEGACY_AREA, Hex(4, Colors[0]), Alpha(5, Alphas[0]), Hex(6, Colors[1]),
                                     Alpha(7, Alphas[1])};
constexpr FactorField kSpaceFour[] = {LEGACY_AREA,         Hex(4, Colors[0]),   Alpha(5, Alphas[0]),
                                      Hex(6, Colors[1]),   Alpha(7, Alphas[1]), Hex(8, Colors[2]),
                                      Alpha(9, Alphas[2]), Hex(10, Colors[3]),  Alpha(11, Alphas[3])};
constexpr FactorField kSpaceTwoC[] = {LEGACY_AREA, Hex(4, Colors[0]), Hex(5, Colors[1])};
constexpr FactorField kSpaceFourC[] = {LEGACY_AREA, Hex(4, Colors[0]), Hex(5, Colors[1]), Hex(6, Colors[2]),
                                       Hex(7, Colors[3])};

// The alpha gradations: alphas where the others have colours.
constexpr FactorField kTwoAlphas[] = {LEGACY_AREA, Alpha(4, Alphas[0]), Alpha(5, Alphas[1])};
constexpr FactorField kFourAlphas[] = {LEGACY_AREA, Alpha(4, Alphas[0]), Alpha(5, Alphas[1]), Alpha(6, Alphas[2]),
                                       Alpha(7, Alphas[3])};
constexpr FactorField kMixAlpha[] = {LEGACY_AREA, Alpha(4, Alphas[0]), List(5, &vocabulary::kGradationPointList)};

#undef LEGACY_AREA

template <size_t K>
constexpr LegacyRow Row(const char* keyword, uint32_t kind, const FactorField (&fields)[K]) {
    return {keyword, kind, LegacyCount::kExact, uint8_t(K), 0, fields};
}
// A colour-model row: the model is a constant of the keyword.
template <size_t K>
constexpr LegacyRow Model(const char* keyword, uint32_t kind, const FactorField (&fields)[K], uint32_t model) {
    return {keyword, kind, LegacyCount::kExact, uint8_t(K), 0, fields, {}, LegacyRow::kStoreOptions, model};
}

const LegacyRow kGradationRows[] = {
    Row("GradationHD(", 501, kTwoAColours),
    Row("GradationVD(", 502, kTwoAColours),
    Row("GradationHVD(", 503, kFourAColours),
    Row("MixGradation(", 504, kMixColour),
    Model("HSVGradationHD(", 505, kSpaceTwo, kHsv),
    Model("HSVGradationVD(", 506, kSpaceTwo, kHsv),
    Model("HSVGradationHVD(", 507, kSpaceFour, kHsv),
    Model("HSLGradationHD(", 505, kSpaceTwo, kHsl),
    Model("HSLGradationVD(", 506, kSpaceTwo, kHsl),
    Model("HSLGradationHVD(", 507, kSpaceFour, kHsl),
    Row("GradationHA(", 601, kTwoAlphas),
    Row("GradationVA(", 602, kTwoAlphas),
    Row("GradationHVA(", 603, kFourAlphas),
    Row("MixGradationA(", 604, kMixAlpha),
    Row("GradationH(", 701, kTwoColours),
    Row("GradationV(", 702, kTwoColours),
    Row("GradationHV(", 703, kFourColours),
    Model("HSVGradationH(", 705, kSpaceTwoC, kHsv),
    Model("HSVGradationV(", 706, kSpaceTwoC, kHsv),
    Model("HSVGradationHV(", 707, kSpaceFourC, kHsv),
    Model("HSLGradationH(", 705, kSpaceTwoC, kHsl),
    Model("HSLGradationV(", 706, kSpaceTwoC, kHsl),
    Model("HSLGradationHV(", 707, kSpaceFourC, kHsl),
    Row("MixGradationC(", 704, kMixColour),
};

}  // namespace
}  // namespace gradations

const LegacyFamily kLegacyGradationFamily = {gradations::kGradationRows,
                                             uint32_t(std::size(gradations::kGradationRows))};

}  // namespace legacy
