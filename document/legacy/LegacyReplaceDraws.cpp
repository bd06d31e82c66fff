// The format-1.0 conditional replace draws (1301-1307, 1351-1357 but 1303 and
// 1353), the pixel replacement (851) and the colour matrix (852).
//
// An old replace-draw keyword is MaskDraw or ReplaceDraw, an optional C, a
// condition word and the bracket. With the C it reads as a current
// "ReplaceDraw..." kind (1351-1357), without it as a "ReplaceCopy..." kind
// (1301-1307); so the old "ReplaceDrawIfGE(" is the current
// "ReplaceCopyIfGE(" and the old "ReplaceDrawCIfGE(" the current
// "ReplaceDrawIfGE(". Every one begins with the area, the source object and
// the area taken from it (items 0-8), then:
//  - MaskDraw...FromAlpha / FromColor: the target alpha or colour; no strength
//    item (255);
//  - ReplaceDraw...IfAlpha / IfColor: the target and the strength, as the
//    current FromAlpha and FromColor keywords;
//  - ReplaceDraw...IfGE / IfLE / IfGrOr / IfLeOr: the comparison colour, the
//    comparison level as an item of its own (the current keywords carry it in
//    the colour's top byte, where it is stored here too) and the strength.
// "ReplaceDataFromPixel(" may leave out its strength (255), and
// "ApplyColorMatrix(" may give the simple 4 x 5 matrix, which fills the value
// and constant columns of the full 4 x 9 one.
#include <iterator>

#include "document/legacy/LegacyFields.h"
#include "document/legacy/LegacyTable.h"
#include "document/text/NumberScan.h"

namespace legacy {
namespace replace_draws {
namespace {

using namespace fields;
using vocabulary::Alpha;
using vocabulary::Colour;
using vocabulary::FactorField;
using vocabulary::Int;
using vocabulary::Name;

constexpr uint32_t kSlot0 = ColourSlot(0);

#define LEGACY_HEAD                                                                                            \
    Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6]), Name(4, &F::SourceName), Int(5, Ints[2]), \
        Int(6, Ints[7]), Int(7, Ints[3]), Int(8, Ints[8])

constexpr FactorField kMaskFromAlpha[] = {LEGACY_HEAD, Alpha(9, Alphas[0])};
constexpr FactorField kMaskFromColor[] = {LEGACY_HEAD, Colour(9, kSlot0)};
constexpr FactorField kIfAlpha[] = {LEGACY_HEAD, Alpha(9, Alphas[0]), Alpha(10, Alphas[2])};
constexpr FactorField kIfColor[] = {LEGACY_HEAD, Colour(9, kSlot0), Alpha(10, Alphas[2])};
// Item 10, the level, is read by CombineLevel.
constexpr FactorField kCompare[] = {LEGACY_HEAD, Colour(9, kSlot0), Alpha(11, Alphas[0])};

#undef LEGACY_HEAD

constexpr uint32_t kLevelItem = 10;

// The comparison level becomes the colour's top byte: over a plain colour it
// replaces the colour's own top byte, over a palette reference (colour 0) it
// is the whole top byte the reference is written with.
bool CombineLevel(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t, bool) {
    int32_t level;
    if (!ScanInt(items.GetAt(kLevelItem)->GetText(), level) || level < 0 || level > 255) return false;
    uint32_t& colour = factor.*Colors[0];
    colour = uint32_t(level) << 24 | (colour & 0xFFFFFFu);
    return true;
}

// The MaskDraw keywords have no strength item: the draw is full strength.
bool FullStrength(QDXFactor& factor, const CStrArray_base<64>&, uint32_t, bool) {
    factor.*Alphas[2] = 255;
    return true;
}

// ---- "ReplaceDataFromPixel(": 9 items, or 8 without the strength ----

constexpr FactorField kFromPixel[] = {Int(0, Ints[0]), Int(1, Ints[5]),   Int(2, Ints[1]),
                                      Int(3, Ints[6]), Int(4, Ints[2]),   Int(5, Ints[7]),
                                      Colour(6, kSlot0), Alpha(7, Alphas[0]), Alpha(8, Alphas[2])};
constexpr FactorField kFromPixelShort[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]),
                                           Int(3, Ints[6]), Int(4, Ints[2]), Int(5, Ints[7]),
                                           Colour(6, kSlot0), Alpha(7, Alphas[0])};

bool ShortFullStrength(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t count, bool shortForm) {
    return !shortForm || FullStrength(factor, items, count, shortForm);
}

// ---- "ApplyColorMatrix(": 41 items (4 x 9), or 25 (4 x 5) ----

constexpr uint32_t kRows = 4;
constexpr uint32_t kColumns = 9;
constexpr uint32_t kSimpleColumns = 5;
constexpr uint32_t kFirstEntry = 4;  // item of the first coefficient

constexpr FactorField kMatrix[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6]),
                                   Alpha(40, Alphas[0])};
constexpr FactorField kSimpleMatrix[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6]),
                                         Alpha(24, Alphas[0])};

// The coefficients, row by row: the long form gives all nine columns; the
// short form gives the four value columns and the constant (columns 0, 2, 4,
// 6 and 8), and the 255-minus columns are 0.
bool ReadMatrix(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t, bool shortForm) {
    int32_t(&matrix)[QDXFactor::kColorExMatrixSize] = factor.ColorExMatrix;
    uint32_t item = kFirstEntry;
    if (!shortForm) {
        for (int32_t& entry : matrix)
            if (!ScanInt(items.GetAt(item++)->GetText(), entry)) return false;
        return true;
    }
    for (int32_t& entry : matrix) entry = 0;
    for (uint32_t r = 0; r < kRows; ++r)
        for (uint32_t k = 0; k < kSimpleColumns; ++k)
            if (!ScanInt(items.GetAt(item++)->GetText(), matrix[r * kColumns + 2 * k])) return false;
    return true;
}

template <size_t K>
constexpr LegacyRow Exact(const char* keyword, uint32_t kind, const FactorField (&fields)[K], uint8_t count,
                          LegacyHook hook = nullptr) {
    return {keyword, kind, LegacyCount::kExact, count, 0, fields, {}, 0, 0, hook};
}

const LegacyRow kReplaceDrawRows[] = {
    Exact("MaskDrawCFromAlpha(", 1351, kMaskFromAlpha, 10, &FullStrength),
    Exact("MaskDrawCFromColor(", 1352, kMaskFromColor, 10, &FullStrength),
    Exact("MaskDrawFromAlpha(", 1301, kMaskFromAlpha, 10, &FullStrength),
    Exact("MaskDrawFromColor(", 1302, kMaskFromColor, 10, &FullStrength),
    Exact("ReplaceDrawCIfAlpha(", 1351, kIfAlpha, 11),
    Exact("ReplaceDrawCIfColor(", 1352, kIfColor, 11),
    Exact("ReplaceDrawIfAlpha(", 1301, kIfAlpha, 11),
    Exact("ReplaceDrawIfColor(", 1302, kIfColor, 11),
    Exact("ReplaceDrawCIfGE(", 1354, kCompare, 12, &CombineLevel),
    Exact("ReplaceDrawCIfLE(", 1355, kCompare, 12, &CombineLevel),
    Exact("ReplaceDrawCIfGrOr(", 1356, kCompare, 12, &CombineLevel),
    Exact("ReplaceDrawCIfLeOr(", 1357, kCompare, 12, &CombineLevel),
    Exact("ReplaceDrawIfGE(", 1304, kCompare, 12, &CombineLevel),
    Exact("ReplaceDrawIfLE(", 1305, kCompare, 12, &CombineLevel),
    Exact("ReplaceDrawIfGrOr(", 1306, kCompare, 12, &CombineLevel),
    Exact("ReplaceDrawIfLeOr(", 1307, kCompare, 12, &CombineLevel),
    {"ReplaceDataFromPixel(", 851, LegacyCount::kTwoCounts, 9, 8, kFromPixel, kFromPixelShort, 0, 0,
     &ShortFullStrength},
    {"ApplyColorMatrix(", 852, LegacyCount::kTwoCounts, 41, 25, kMatrix, kSimpleMatrix, 0, 0, &ReadMatrix},
};

}  // namespace
}  // namespace replace_draws

const LegacyFamily kLegacyReplaceDrawFamily = {replace_draws::kReplaceDrawRows,
                                               uint32_t(std::size(replace_draws::kReplaceDrawRows))};

}  // namespace legacy
