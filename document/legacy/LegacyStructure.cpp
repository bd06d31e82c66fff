// The format-1.0 structure factors: "GhostFactor(" (1101), "DrawFrame("
// (1103), "Transform(" (1104), "DiagramTransform(" (1105),
// "DiagramTransform2(" (1106) and "ExInfo(" (1109). They keep their current
// names and items, but "GhostFactor(" has no option item (option 0), and the
// draw mode of "ExInfo(" is numbered differently: twelve old modes, two of
// which (4 and 10) are Alpha and AlphaC again and two (5 and 11) Layer and
// LayerC again, so the stored modes Back and BackC are never produced.
#include <iterator>

#include "document/legacy/LegacyFields.h"
#include "document/legacy/LegacyTable.h"
#include "document/text/NumberScan.h"

namespace legacy {
namespace structure {
namespace {

using namespace fields;
using vocabulary::Alpha;
using vocabulary::FactorField;
using vocabulary::Int;
using vocabulary::Name;

// A number checked against 0..max; false (nothing stored) outside it.
bool ReadRanged(const CStrArray_base<64>& items, uint32_t item, int32_t max, int32_t& value) {
    return ScanInt(items.GetAt(item)->GetText(), value) && value >= 0 && value <= max;
}

// The option of "DrawFrame(" and "Transform(", 0..255, in its last item.
bool ReadByteOption(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t count, bool) {
    int32_t option;
    if (!ReadRanged(items, count - 1, 255, option)) return false;
    factor.Options = uint32_t(option);
    return true;
}

// The stored draw mode (0 Copy, 1 Alpha, 2 Blend, 3 Layer, 5 CopyC, 6 AlphaC,
// 7 BlendC, 8 LayerC) of each old one.
constexpr uint32_t kDrawModes[12] = {0, 1, 2, 3, 1, 3, 5, 6, 7, 8, 6, 8};
constexpr uint32_t kDrawModeItem = 4;
constexpr uint32_t kTextItem = 7;

bool ReadExInfo(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t, bool) {
    int32_t mode;
    if (!ReadRanged(items, kDrawModeItem, int32_t(std::size(kDrawModes)) - 1, mode)) return false;
    factor.Options = kDrawModes[mode];
    return ReadUnescapedText(*items.GetAt(kTextItem), factor.Text);
}

constexpr FactorField kGhostFactor[] = {Name(0, &F::SourceName), Int(1, RefNumbers[0])};
// The option (item 10) is read by ReadByteOption.
constexpr FactorField kDrawFrame[] = {Int(0, Ints[0]), Int(1, Ints[5]),         Int(2, Ints[1]), Int(3, Ints[6]),
                                      Name(4, &F::SourceName), Int(5, Ints[2]), Int(6, Ints[7]), Int(7, Ints[3]),
                                      Int(8, Ints[8]),         Alpha(9, Alphas[0])};
// The four corners: top left, top right, bottom left, bottom right; the
// option (item 9) is read by ReadByteOption.
constexpr FactorField kTransform[] = {Name(0, &F::SourceName), Int(1, Ints[0]), Int(2, Ints[5]),
                                      Int(3, Ints[1]),         Int(4, Ints[6]), Int(5, Ints[2]),
                                      Int(6, Ints[7]),         Int(7, Ints[3]), Int(8, Ints[8])};
constexpr FactorField kDiagramTransform[] = {Int(0, RefNumbers[0]), Name(1, &F::SourceName), Int(2, Ints[2]),
                                             Int(3, Ints[7]),       Int(4, Ints[3]),         Int(5, Ints[8])};
constexpr FactorField kDiagramTransform2[] = {Int(0, RefNumbers[0]), Name(1, &F::SourceName),
                                              Int(2, RefNumbers[1])};
// The draw mode (item 4) and the text (item 7) are read by ReadExInfo.
constexpr FactorField kExInfo[] = {Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6]),
                                   Alpha(5, Alphas[0]), Name(6, &F::SourceName)};

template <size_t K>
constexpr LegacyRow Exact(const char* keyword, uint32_t kind, const FactorField (&fields)[K], uint8_t count,
                          LegacyHook hook = nullptr) {
    return {keyword, kind, LegacyCount::kExact, count, 0, fields, {}, 0, 0, hook};
}

const LegacyRow kStructureRows[] = {
    {"GhostFactor(", 1101, LegacyCount::kExact, 2, 0, kGhostFactor, {}, LegacyRow::kStoreOptions, 0},
    Exact("DrawFrame(", 1103, kDrawFrame, 11, &ReadByteOption),
    Exact("Transform(", 1104, kTransform, 10, &ReadByteOption),
    Exact("DiagramTransform(", 1105, kDiagramTransform, 6),
    Exact("DiagramTransform2(", 1106, kDiagramTransform2, 3),
    Exact("ExInfo(", 1109, kExInfo, 8, &ReadExInfo),
};

}  // namespace
}  // namespace structure

const LegacyFamily kLegacyStructureFamily = {structure::kStructureRows,
                                             uint32_t(std::size(structure::kStructureRows))};

}  // namespace legacy
