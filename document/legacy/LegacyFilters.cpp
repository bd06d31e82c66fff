// The format-1.0 mapping matrices (1107, 1108) and filters (1401-1408).
//
// They keep their current names and items, but for three differences: the old
// "BlurColor(" and "BlurAlpha(" are the current "BlurC(" and "BlurA(", and the
// three blurs have no alpha range items (the range is then 0..255, as in the
// current short form); "RAMappingMatrix(" ends after its option item, so its
// radius range is always 0..10000.
//
// The 42 coefficients of a mapping matrix are plain integers in the matrix's
// own fixed-point units, stored row by row as written. The option item of the
// mapping matrices keeps its low 8 bits only (bit 0 inverse, bit 1 tiling).
#include <iterator>

#include "document/legacy/LegacyFields.h"
#include "document/legacy/LegacyTable.h"
#include "document/text/NumberScan.h"

namespace legacy {
namespace filters {
namespace {

using namespace fields;
using vocabulary::Alpha;
using vocabulary::ArgType;
using vocabulary::FactorField;
using vocabulary::Int;
using vocabulary::Name;
using vocabulary::Real;
using vocabulary::ULong;

// ---- the mapping matrices ----

// Items 0-11: the drawn area, the first origin, the source, the second origin,
// the radius range and the initial angle.
#define LEGACY_MAPPING_HEAD                                                                                    \
    Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6]), Int(4, Ints[2]), Int(5, Ints[7]),     \
        Name(6, &F::SourceName), Int(7, Ints[3]), Int(8, Ints[8]), Int(9, Ints[4]), Int(10, Ints[9]), \
        Real(11, Reals[0])

// The coefficients and the option item are read by the hooks.
constexpr FactorField kXYMapping[] = {LEGACY_MAPPING_HEAD, Alpha(54, Alphas[0])};
constexpr FactorField kRAMapping[] = {LEGACY_MAPPING_HEAD, Real(12, Reals[7]), Alpha(55, Alphas[0])};

#undef LEGACY_MAPPING_HEAD

constexpr uint32_t kXYFirstEntry = 12;
constexpr uint32_t kRAFirstEntry = 13;
// The radius range the radius/angle mapping takes when the text gives none.
constexpr double kMinimumRadius = 0.0;
constexpr double kMaximumRadius = 10000.0;

// The 42 coefficients from item first on, then the option item: any number,
// of which the low 8 bits are kept (-1 stores 255, 258 stores 2).
bool ReadMatrixAndOption(const CStrArray_base<64>& items, uint32_t first,
                         int32_t (&matrix)[QDXFactor::kMappingMatrixSize], uint32_t& options) {
    for (uint32_t k = 0; k < QDXFactor::kMappingMatrixSize; ++k)
        if (!ScanInt(items.GetAt(first + k)->GetText(), matrix[k])) return false;
    int32_t option;
    if (!ScanInt(items.GetAt(first + QDXFactor::kMappingMatrixSize + 1)->GetText(), option)) return false;
    options = uint32_t(option) & 0xFFu;
    return true;
}

bool ReadXYMatrix(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t, bool) {
    return ReadMatrixAndOption(items, kXYFirstEntry, factor.XYMatrix, factor.Options);
}

bool ReadRAMatrix(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t, bool) {
    if (!ReadMatrixAndOption(items, kRAFirstEntry, factor.RAMatrix, factor.Options)) return false;
    factor.*Reals[10] = kMinimumRadius;
    factor.*Reals[11] = kMaximumRadius;
    return true;
}

// ---- the filters ----

#define LEGACY_AREA Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6])

constexpr FactorField kDistAlpha[] = {LEGACY_AREA, Real(4, Reals[3]), Real(5, Reals[4]), Alpha(6, Alphas[0]),
                                      Alpha(7, Alphas[1])};
constexpr FactorField kAreaOption[] = {LEGACY_AREA, ULong(4, &F::Options)};
// Clipping (option 1) when the option item is absent.
constexpr FactorField kRasterScroll[] = {
    LEGACY_AREA,       Real(4, Reals[3]), Int(5, Ints[2]), Int(6, Ints[3]),
    Real(7, Reals[4]), Int(8, Ints[7]),   Int(9, Ints[8]),
    {ArgType::kULong, 10, FactorField::kOptional, 0, 1, &F::Options}};
constexpr FactorField kRasterScroll2[] = {LEGACY_AREA,       Real(4, Reals[3]), Int(5, Ints[2]),
                                          Real(6, Reals[4]), Int(7, Ints[7]),   ULong(8, &F::Options)};
constexpr FactorField kMosaic[] = {LEGACY_AREA, Int(4, Ints[2]), Int(5, Ints[7])};

#undef LEGACY_AREA

// The blurs take every alpha: the range 0..255.
bool WholeAlphaRange(QDXFactor& factor, const CStrArray_base<64>&, uint32_t, bool) {
    factor.*Alphas[0] = 0;
    factor.*Alphas[1] = 255;
    return true;
}

template <size_t K>
constexpr LegacyRow Exact(const char* keyword, uint32_t kind, const FactorField (&fields)[K], uint8_t count,
                          LegacyHook hook = nullptr) {
    return {keyword, kind, LegacyCount::kExact, count, 0, fields, {}, 0, 0, hook};
}

const LegacyRow kFilterRows[] = {
    Exact("XYMappingMatrix(", 1107, kXYMapping, 56, &ReadXYMatrix),
    Exact("RAMappingMatrix(", 1108, kRAMapping, 57, &ReadRAMatrix),
    Exact("DistAlpha(", 1401, kDistAlpha, 8),
    Exact("Mirror(", 1402, kAreaOption, 5),
    Exact("BlurColor(", 1403, kAreaOption, 5, &WholeAlphaRange),
    Exact("BlurAlpha(", 1404, kAreaOption, 5, &WholeAlphaRange),
    Exact("Blur(", 1405, kAreaOption, 5, &WholeAlphaRange),
    {"RasterScroll(", 1406, LegacyCount::kAtLeast, 10, 0, kRasterScroll},
    Exact("RasterScroll2(", 1407, kRasterScroll2, 9),
    Exact("Mosaic(", 1408, kMosaic, 6),
};

}  // namespace
}  // namespace filters

const LegacyFamily kLegacyFilterFamily = {filters::kFilterRows, uint32_t(std::size(filters::kFilterRows))};

}  // namespace legacy
