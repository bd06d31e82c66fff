// The factor family of channel and alpha arithmetic (901-967): a rectangle of
// another object of the document (named in the factor) combined with a region
// of the canvas, channel by channel.
//
// Every member starts with the region (draw X, Y, width, height: whole pixels)
// and names its source object with a source position. 903 is read and written
// by hooks: its weights live in ColorExMatrix entries, which no field slot can
// name, and its two exact counts are checked before anything is stored. The
// colour models of 931-934 and the grey definition of 903 are read as unsigned
// and written as signed ("%d"), so a value of 2^31 or more is written negative
// and reads back as the same 32 bits.
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/text/NumberScan.h"
#include "document/text/TextLexer.h"
#include "document/vocabulary/FactorTable.h"
#include "foundation/strings/Format.h"

namespace vocabulary {
namespace {

using F = QDXFactor;

// The weights of 903 in ColorExMatrix (red, green, blue).
constexpr uint32_t kRedWeight = 0;
constexpr uint32_t kGreenWeight = 11;
constexpr uint32_t kBlueWeight = 22;

const char* Mark(const QDXFactor& factor) { return factor.Enabled ? "" : "!"; }

// ---- 903 "MulSaturationBitmap(": exactly 11, or exactly 7 ----

bool ParseMulSaturationBitmap(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 11 && count != 7) return false;
    auto item = [&items](uint32_t i) { return items.GetAt(i)->GetText(); };
    if (!ScanInt(item(0), factor.X1) || !ScanInt(item(1), factor.Y1) || !ScanInt(item(2), factor.X2) ||
        !ScanInt(item(3), factor.Y2))
        return false;
    const char* name;
    int32_t length;
    if (!FindQuotedText(item(4), name, length)) return false;
    factor.SourceName.AssignN(name, length);
    if (!ScanInt(item(5), factor.X3) || !ScanInt(item(6), factor.Y3)) return false;
    if (count == 7) return true;  // the weights and the grey definition keep their values
    return ScanInt(item(7), factor.ColorExMatrix[kRedWeight]) &&
           ScanInt(item(8), factor.ColorExMatrix[kGreenWeight]) &&
           ScanInt(item(9), factor.ColorExMatrix[kBlueWeight]) && ScanUnsigned(item(10), factor.Options);
}

bool WriteMulSaturationBitmap(const QDXFactor& factor, CStr_base<1024>& out) {
    out.Format("%sMulSaturationBitmap(%d,%d,%d,%d,\"%s\",%d,%d,%d,%d,%d,%d)", Mark(factor), factor.X1, factor.Y1,
               factor.X2, factor.Y2, factor.SourceName.GetText(), factor.X3, factor.Y3,
               factor.ColorExMatrix[kRedWeight], factor.ColorExMatrix[kGreenWeight],
               factor.ColorExMatrix[kBlueWeight], int32_t(factor.Options));
    return true;
}


// ---- rows ----

// Region, source object, source position: Primary, MulAddBrightnessBitmap and
// the alpha arithmetic.
constexpr FactorField kSource[] = {Int(0, &F::X1),          Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2),
                                   Name(4, &F::SourceName), Int(5, &F::X3), Int(6, &F::Y3)};

// The four levels are not optional and must lie in 0..255.
constexpr FactorField kChannelCopy[] = {Int(0, &F::X1),          Int(1, &F::Y1),           Int(2, &F::X2),
                                        Int(3, &F::Y2),          Name(4, &F::SourceName),  Int(5, &F::X3),
                                        Int(6, &F::Y3),          Alpha(7, &F::Alpha),      Alpha(8, &F::ByteParam1),
                                        Alpha(9, &F::ByteParam2), Alpha(10, &F::ByteParam3)};

// The colour model comes before the source object.
constexpr FactorField kColourModel[] = {Int(0, &F::X1),     Int(1, &F::Y1),          Int(2, &F::X2),
                                        Int(3, &F::Y2),     ULongInt(4, &F::Options),   Name(5, &F::SourceName),
                                        Int(6, &F::X3),     Int(7, &F::Y3)};

constexpr FactorRow Source(uint32_t kind, const char* keyword) {
    return FactorRow{kind, keyword, CountRule::kAtLeast, 7, 0, kSource};
}
constexpr FactorRow ColourModel(uint32_t kind, const char* keyword) {
    return FactorRow{kind, keyword, CountRule::kAtLeast, 8, 0, kColourModel};
}

constexpr FactorRow kChannelRows[] = {
    Source(901, "Primary("),
    FactorRow{902, "ChannelCopy(", CountRule::kExact, 11, 0, kChannelCopy},
    FactorRow{903, "MulSaturationBitmap(", CountRule::kCustom, 0, 0, {}, &ParseMulSaturationBitmap,
              &WriteMulSaturationBitmap},
    Source(904, "MulAddBrightnessBitmap("),
    ColourModel(931, "Hue("),
    ColourModel(932, "Saturation("),
    ColourModel(933, "HueSaturation("),
    ColourModel(934, "Luminosity("),
    Source(961, "CopyA("),
    Source(962, "MulA("),
    Source(963, "AddA("),
    Source(964, "SubA("),
    Source(965, "XorA("),
    Source(966, "DivA("),
    Source(967, "RevMulA("),
};

}  // namespace

constinit const FactorFamily kChannelFamily = {kChannelRows, uint32_t(std::size(kChannelRows)), nullptr, 0};

}  // namespace vocabulary
