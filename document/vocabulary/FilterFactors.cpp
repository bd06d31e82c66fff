// The factor family of filters (1401-1417) and colour-space work (5001-5007):
// a region of the canvas being rendered (X1, Y1, width X2, height Y2, whole
// pixels) is filtered in place, converted to and from colour-space triples, or
// combined with another object named in the factor. AntiMoire alone has no
// region: it works on the whole canvas.
//
// Irregular members, each handled here:
//  - the option word (Options) is written "%d" whatever it was read with, so a
//    value of 2^31 or more goes out negative and reads back as the same 32
//    bits. The members that read it as "%d" rather than "%lu" read it again
//    signed after the generic scan (the same items are accepted; only values
//    beyond the 64-bit range are cut differently);
//  - the blurs have a short form without their two limits (0 and 255 then);
//  - RasterScroll takes an optional eleventh argument (1 when absent) and
//    ignores anything after it, so a hook reads and writes that argument;
//  - the two "Calc" members fill ColorExMatrix entries, which no field slot
//    can name, so hooks read and write them.
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/text/NumberScan.h"
#include "document/vocabulary/FactorTable.h"
#include "foundation/strings/Format.h"

namespace vocabulary {
namespace {

using F = QDXFactor;

const char* Mark(const QDXFactor& factor) { return factor.Enabled ? "" : "!"; }

// ---- keywords of the rows that write through a hook ----

constexpr char kRasterScroll[] = "RasterScroll(";
constexpr char kDisplacementCalc[] = "DisplacementCalc(";
constexpr char kReplacementCalc[] = "ReplacementCalc(";

// ---- parse hooks ----

// An option word read as "%d": the generic loop has read the item unsigned
// (which accepts exactly the same items); this stores the signed reading.
template <uint32_t Position>
bool SignedOptions(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t count) {
    int32_t value;
    if (Position >= count || !ScanInt(items.GetAt(Position)->GetText(), value)) return false;
    factor.Options = uint32_t(value);
    return true;
}

// RasterScroll: the option word is the eleventh argument when there is one;
// ten arguments mean clipping on.
bool ParseRasterScroll(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t count) {
    if (count < 11) {
        factor.Options = 1;
        return true;
    }
    return ScanUnsigned(items.GetAt(10)->GetText(), factor.Options);
}

// The two "Calc" members: the region, then four factors into ColorExMatrix,
// stored as read (the matrix's own 16.16 integers).
template <uint32_t E0, uint32_t E1, uint32_t E2, uint32_t E3>
bool ParseCalc(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 8) return false;
    int32_t* const slots[8] = {&factor.X1,
                               &factor.Y1,
                               &factor.X2,
                               &factor.Y2,
                               &factor.ColorExMatrix[E0],
                               &factor.ColorExMatrix[E1],
                               &factor.ColorExMatrix[E2],
                               &factor.ColorExMatrix[E3]};
    for (uint32_t i = 0; i < 8; ++i)
        if (!ScanInt(items.GetAt(i)->GetText(), *slots[i])) return false;
    return true;
}

// DisplacementCalc: red, green, blue, alpha factors on the diagonal.
constexpr auto ParseDisplacementCalc = &ParseCalc<0, 11, 22, 33>;
// ReplacementCalc: X factor, Y factor, X offset, Y offset.
constexpr auto ParseReplacementCalc = &ParseCalc<0, 11, 8, 17>;

// ---- write hooks ----

bool WriteRasterScroll(const QDXFactor& factor, CStr_base<1024>& out) {
    out.Format("%s%s%d,%d,%d,%d,%f,%d,%d,%f,%d,%d,%d)", Mark(factor), kRasterScroll, factor.X1, factor.Y1, factor.X2,
               factor.Y2, factor.Real4, factor.X3, factor.X4, factor.Real5, factor.Y3, factor.Y4,
               int32_t(factor.Options));
    return true;
}

template <const char* Keyword, uint32_t E0, uint32_t E1, uint32_t E2, uint32_t E3>
bool WriteCalc(const QDXFactor& factor, CStr_base<1024>& out) {
    out.Format("%s%s%d,%d,%d,%d,%d,%d,%d,%d)", Mark(factor), Keyword, factor.X1, factor.Y1, factor.X2, factor.Y2,
               factor.ColorExMatrix[E0], factor.ColorExMatrix[E1], factor.ColorExMatrix[E2],
               factor.ColorExMatrix[E3]);
    return true;
}

// ---- fields ----

// A level that the short form of the blurs omits, with its default.
constexpr FactorField OptionalLevel(uint8_t position, uint8_t QDXFactor::*slot, int32_t defaultValue) {
    return {ArgType::kAlpha, position, FactorField::kOptional, 0, defaultValue, slot};
}

constexpr FactorField kDistAlphaFields[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),
                                            Int(3, &F::Y2), Real(4, &F::Real4, 9), Real(5, &F::Real5, 9),
                                            Alpha(6, &F::Alpha), Alpha(7, &F::ByteParam1)};

constexpr FactorField kRegionOptions[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2),
                                          ULongInt(4, &F::Options)};

// The limits come last in scan order, so the short form stores its defaults
// only after the radius was read.
constexpr FactorField kBlurFields[] = {Int(0, &F::X1),
                                       Int(1, &F::Y1),
                                       Int(2, &F::X2),
                                       Int(3, &F::Y2),
                                       ULongInt(4, &F::Options),
                                       OptionalLevel(5, &F::Alpha, 0),
                                       OptionalLevel(6, &F::ByteParam1, 255)};

// The option word (position 10) is read by the hook.
constexpr FactorField kRasterScrollFields[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2),
                                               Real(4, &F::Real4, 6), Int(5, &F::X3), Int(6, &F::X4),
                                               Real(7, &F::Real5, 6), Int(8, &F::Y3), Int(9, &F::Y4)};

constexpr FactorField kRasterScroll2Fields[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),
                                                Int(3, &F::Y2), Real(4, &F::Real4, 6), Int(5, &F::X3),
                                                Real(6, &F::Real5, 6), Int(7, &F::Y3), ULongInt(8, &F::Options)};

constexpr FactorField kMosaicFields[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),
                                         Int(3, &F::Y2), Int(4, &F::X3), Int(5, &F::Y3)};

// The displacement maps: the map object, its rectangle and origin, then the
// base colour (acolour, slot 1) or the level, then two settings words in hex.
constexpr FactorField kDisplacementMapFields[] = {
    Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2), Name(4, &F::SourceName),
    Int(5, &F::X3), Int(6, &F::Y3), Int(7, &F::X4), Int(8, &F::Y4), Int(9, &F::X5),
    Int(10, &F::Y5), AColour(11, 1), Hex(12, &F::IntParam1), Hex(13, &F::IntParam2)};
constexpr FactorField kDisplacementMapAFields[] = {
    Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2), Name(4, &F::SourceName),
    Int(5, &F::X3), Int(6, &F::Y3), Int(7, &F::X4), Int(8, &F::Y4), Int(9, &F::X5),
    Int(10, &F::Y5), Alpha(11, &F::Alpha), Hex(12, &F::IntParam1), Hex(13, &F::IntParam2)};

constexpr FactorField kReplacementMapFields[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),
                                                 Int(3, &F::Y2), Name(4, &F::SourceName),
                                                 Int(5, &F::X3), Int(6, &F::Y3)};

constexpr FactorField kAntiMoireFields[] = {ULongInt(0, &F::Options), Alpha(1, &F::ByteParam1),
                                            Alpha(2, &F::ByteParam2)};

constexpr FactorField kAddForColourSpaceFields[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),
                                                    Int(3, &F::Y2), Int(4, &F::IntParam3), Int(5, &F::IntParam4),
                                                    Int(6, &F::IntParam5)};

// The amounts, then the lower and upper limit of each window in turn.
constexpr FactorField kAddForColourSpaceRangeFields[] = {
    Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2),
    Int(4, &F::IntParam3), Int(5, &F::IntParam4), Int(6, &F::IntParam5), Int(7, &F::SpaceParam1),
    Int(8, &F::RangeParam1), Int(9, &F::SpaceParam2), Int(10, &F::RangeParam2), Int(11, &F::SpaceParam3),
    Int(12, &F::RangeParam3)};

constexpr FactorField kForColourSpace2Fields[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),
                                                  Int(3, &F::Y2), Name(4, &F::SourceName),
                                                  Int(5, &F::X3), Int(6, &F::Y3), ULongInt(7, &F::Options)};

constexpr FactorField kReplaceFactorFields[] = {
    Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2), Name(4, &F::SourceName),
    Int(5, &F::X3), Int(6, &F::Y3), Int(7, &F::X4), Int(8, &F::Y4), ULongInt(9, &F::Options),
    Alpha(10, &F::Alpha)};

// ---- rows ----

constexpr FactorRow BlurRow(uint32_t kind, const char* keyword) {
    return FactorRow{kind, keyword, CountRule::kFullOrShort, 7, 5, kBlurFields};
}

constexpr FactorRow kFilterRows[] = {
    FactorRow{1401, "DistAlpha(", CountRule::kExact, 8, 0, kDistAlphaFields},
    FactorRow{1402, "Mirror(", CountRule::kExact, 5, 0, kRegionOptions},
    BlurRow(1403, "BlurC("),
    BlurRow(1404, "BlurA("),
    BlurRow(1405, "Blur("),
    FactorRow{1406, kRasterScroll, CountRule::kAtLeast, 10, 0, kRasterScrollFields, &ParseRasterScroll,
              &WriteRasterScroll},
    FactorRow{1407, "RasterScroll2(", CountRule::kExact, 9, 0, kRasterScroll2Fields},
    FactorRow{1408, "Mosaic(", CountRule::kExact, 6, 0, kMosaicFields},
    FactorRow{1409, "DisplacementMap(", CountRule::kExact, 14, 0, kDisplacementMapFields},
    FactorRow{1410, "DisplacementMapC(", CountRule::kExact, 14, 0, kDisplacementMapFields},
    FactorRow{1411, "DisplacementMapA(", CountRule::kExact, 14, 0, kDisplacementMapAFields},
    FactorRow{1412, kDisplacementCalc, CountRule::kCustom, 0, 0, {}, ParseDisplacementCalc,
              &WriteCalc<kDisplacementCalc, 0, 11, 22, 33>},
    FactorRow{1413, "ReplacementMap(", CountRule::kAtLeast, 7, 0, kReplacementMapFields},
    FactorRow{1414, "ReplacementMapC(", CountRule::kAtLeast, 7, 0, kReplacementMapFields},
    FactorRow{1415, "ReplacementMapA(", CountRule::kAtLeast, 7, 0, kReplacementMapFields},
    FactorRow{1416, kReplacementCalc, CountRule::kCustom, 0, 0, {}, ParseReplacementCalc,
              &WriteCalc<kReplacementCalc, 0, 11, 8, 17>},
    FactorRow{1417, "AntiMoire(", CountRule::kExact, 3, 0, kAntiMoireFields, &SignedOptions<0>},
    FactorRow{5001, "RGB2ColorSpace(", CountRule::kExact, 5, 0, kRegionOptions, &SignedOptions<4>},
    FactorRow{5002, "ColorSpace2RGB(", CountRule::kExact, 5, 0, kRegionOptions, &SignedOptions<4>},
    FactorRow{5003, "AddForColorSpace(", CountRule::kExact, 7, 0, kAddForColourSpaceFields},
    FactorRow{5004, "AddForColorSpaceRange(", CountRule::kExact, 13, 0, kAddForColourSpaceRangeFields},
    FactorRow{5005, "AddForColorSpace2(", CountRule::kAtLeast, 8, 0, kForColourSpace2Fields, &SignedOptions<7>},
    FactorRow{5006, "SubForColorSpace2(", CountRule::kAtLeast, 8, 0, kForColourSpace2Fields, &SignedOptions<7>},
    FactorRow{5007, "ReplaceFactor(", CountRule::kExact, 11, 0, kReplaceFactorFields, &SignedOptions<9>},
};

}  // namespace

constinit const FactorFamily kFilterFamily = {kFilterRows, uint32_t(std::size(kFilterRows)), nullptr, 0};

}  // namespace vocabulary
