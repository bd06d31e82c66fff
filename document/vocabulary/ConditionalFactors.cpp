// The factor family of conditional replacement draws (1301-1387): inside a
// region of the canvas, the pixels that meet a condition are replaced by the
// pixels of a rectangle of another object of the document (named in the
// factor), the source rectangle repeated over the region.
//
// Code = base + condition. The base is the operation: ReplaceCopy 1300 (the
// whole pixel), ReplaceDraw 1350 (the colour channels), ReplaceDrawAlpha 1380
// (the alpha only). The condition: FromAlpha 1, FromColor 2, FromData 3,
// IfGE 4, IfLE 5, IfGrOr 6, IfLeOr 7. Code 1381 is "ReplaceDrawAlpha(" with no
// condition word and the FromAlpha arguments.
//
// Every member reads exactly eleven arguments from left to right: the region
// (X, Y, width, height), the source object's name, the source rectangle
// (X, Y, width, height), then by condition:
//   FromAlpha  target level (Alpha),                strength (ByteParam2)
//   FromColor  target colour (colour, slot 1),      strength (ByteParam2)
//   FromData   target value (acolour, slot 1),      strength (ByteParam2)
//   If...      condition value (acolour, slot 1),   strength (Alpha)
// A colour has no level of its own: a "#" part after a palette reference is
// dropped. An acolour writes a palette reference with its level, "#0" included.
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {
namespace {

using F = QDXFactor;

constexpr FactorField kFromAlpha[] = {
    Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2), Name(4, &F::SourceName), Int(5, &F::X3),
    Int(6, &F::Y3), Int(7, &F::X4), Int(8, &F::Y4), Alpha(9, &F::Alpha),     Alpha(10, &F::ByteParam2)};
constexpr FactorField kFromColor[] = {
    Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2), Name(4, &F::SourceName), Int(5, &F::X3),
    Int(6, &F::Y3), Int(7, &F::X4), Int(8, &F::Y4), Colour(9, 1),            Alpha(10, &F::ByteParam2)};
constexpr FactorField kFromData[] = {
    Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2), Name(4, &F::SourceName), Int(5, &F::X3),
    Int(6, &F::Y3), Int(7, &F::X4), Int(8, &F::Y4), AColour(9, 1),           Alpha(10, &F::ByteParam2)};
constexpr FactorField kIf[] = {
    Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2), Name(4, &F::SourceName), Int(5, &F::X3),
    Int(6, &F::Y3), Int(7, &F::X4), Int(8, &F::Y4), AColour(9, 1),           Alpha(10, &F::Alpha)};

constexpr FactorRow Row(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kExact, 11, 0, fields};
}

constexpr FactorRow kConditionalRows[] = {
    Row(1301, "ReplaceCopyFromAlpha(", kFromAlpha),
    Row(1302, "ReplaceCopyFromColor(", kFromColor),
    Row(1303, "ReplaceCopyFromData(", kFromData),
    Row(1304, "ReplaceCopyIfGE(", kIf),
    Row(1305, "ReplaceCopyIfLE(", kIf),
    Row(1306, "ReplaceCopyIfGrOr(", kIf),
    Row(1307, "ReplaceCopyIfLeOr(", kIf),
    Row(1351, "ReplaceDrawFromAlpha(", kFromAlpha),
    Row(1352, "ReplaceDrawFromColor(", kFromColor),
    Row(1353, "ReplaceDrawFromData(", kFromData),
    Row(1354, "ReplaceDrawIfGE(", kIf),
    Row(1355, "ReplaceDrawIfLE(", kIf),
    Row(1356, "ReplaceDrawIfGrOr(", kIf),
    Row(1357, "ReplaceDrawIfLeOr(", kIf),
    Row(1381, "ReplaceDrawAlpha(", kFromAlpha),
    Row(1382, "ReplaceDrawAlphaFromColor(", kFromColor),
    Row(1383, "ReplaceDrawAlphaFromData(", kFromData),
    Row(1384, "ReplaceDrawAlphaIfGE(", kIf),
    Row(1385, "ReplaceDrawAlphaIfLE(", kIf),
    Row(1386, "ReplaceDrawAlphaIfGrOr(", kIf),
    Row(1387, "ReplaceDrawAlphaIfLeOr(", kIf),
};

}  // namespace

constinit const FactorFamily kConditionalFamily = {kConditionalRows, uint32_t(std::size(kConditionalRows)), nullptr,
                                                   0};

}  // namespace vocabulary
