// The factor family of fill, replacement, mask and matrix (801-857): a region
// of the canvas (X, Y, width, height: whole pixels) filled, replaced where it
// matches a target or a mask object, looked up through another object, or
// transformed by a colour matrix or a formula.
//
// Most members are plain rows. The rest go through hooks:
//  - 802, 803, 804, 831 and 851 build their new pixel from the new colour's
//    colour channels and the new alpha, so their writers leave out the top
//    byte of a direct new colour (the colour code read stays whole);
//  - the matrix members (834, 852) and the members that keep parameters in
//    single ColorExMatrix entries (853, 856, 857) are read and written by
//    hooks, since no field slot can name a matrix entry; their counts are
//    checked before anything is stored;
//  - "ReplaceDataMap(" completes an option word without channel bits.
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/text/NumberScan.h"
#include "document/text/TextLexer.h"
#include "document/vocabulary/FactorTable.h"
#include "foundation/strings/Format.h"

namespace vocabulary {
namespace {

using F = QDXFactor;

constexpr uint32_t kMatrixEntries = QDXFactor::kColorExMatrixSize;

// The coefficients 1 to 7 of "ApplyFormula(", in text order.
constexpr uint32_t kFormulaEntries[7] = {20, 21, 22, 25, 26, 27, 24};
// "MulSaturation(": red, green, blue weights and the saturation factor.
constexpr uint32_t kSaturationEntries[4] = {0, 11, 22, 33};
// "MulAddBrightness(": the multiplier and the addend.
constexpr uint32_t kBrightnessMultiplier = 0;
constexpr uint32_t kBrightnessAddend = 8;

// The channel set of a Map option word; "ReplaceDataMap(" selects every
// channel when the word names none.
constexpr uint32_t kMapChannelSet = 0xF00;
// The option word of the short "ReplaceDataArray(": every channel compared.
constexpr int32_t kArrayAllChannels = 15;
// "ApplyFormula(" keeps four channel flags.
constexpr uint32_t kFormulaChannelFlags = 0xF;

const char* Mark(const QDXFactor& factor) { return factor.Enabled ? "" : "!"; }

// ---- reading in hooks: the argument types, as the frame reads them ----

class ItemReader {
public:
    explicit ItemReader(const CStrArray_base<64>& items) : items_(items) {}

    bool Int(int32_t& value) { return ScanInt(Next(), value); }
    bool Unsigned(uint32_t& value) { return ScanUnsigned(Next(), value); }
    bool Alpha(uint8_t& value) {
        int32_t read;
        if (!ScanInt(Next(), read) || read < 0 || read > 255) return false;
        value = uint8_t(read);
        return true;
    }
    bool Name(CStr_base<64>& value) {
        const char* begin;
        int32_t length;
        if (!FindQuotedText(Next(), begin, length)) return false;
        value.AssignN(begin, length);
        return true;
    }
    // The colour argument with its own alpha: "P%x#%x" (the alpha moves to the
    // top byte), "P%x" alone (no alpha: 0), else the whole code "%x".
    bool AColour(uint32_t& ref, uint32_t& colour) {
        const char* item = Next();
        const int32_t got = ScanFormat(item, "P%x#%x", {&ref, &colour});
        if (got == 2) {
            colour <<= 24;
            return true;
        }
        if (got == 1) {
            colour = 0;
            return true;
        }
        return ScanHex(item, colour);
    }
    bool Region(QDXFactor& factor) { return Int(factor.X1) && Int(factor.Y1) && Int(factor.X2) && Int(factor.Y2); }
    bool Entries(QDXFactor& factor, uint32_t first, uint32_t count) {
        for (uint32_t e = first; e < first + count; ++e)
            if (!Int(factor.ColorExMatrix[e])) return false;
        return true;
    }

private:
    const char* Next() { return items_.GetAt(next_++)->GetText(); }

    const CStrArray_base<64>& items_;
    uint32_t next_ = 0;
};

// ---- writing in pieces ----

template <class... A>
void AppendFormat(CStr_base<1024>& out, const char* fmt, const A&... args) {
    CStr_base<64> piece;
    piece.Format(fmt, args...);
    out.AppendString(piece);
}

// A colour followed by its separator: the palette reference, else the colour
// code; a new colour whose pixel takes its alpha elsewhere drops the top byte.
void AppendColour(CStr_base<1024>& out, uint32_t ref, uint32_t colour, bool lowBits, const char* tail) {
    if (ref != 0)
        AppendFormat(out, "P%x%s", ref, tail);
    else
        AppendFormat(out, "%x%s", lowBits ? colour & 0xFFFFFFu : colour, tail);
}

// A colour with its own alpha: the reference and the alpha byte, else the
// whole code.
void AppendAColour(CStr_base<1024>& out, uint32_t ref, uint32_t colour, const char* tail) {
    if (ref != 0)
        AppendFormat(out, "P%x#%x%s", ref, colour >> 24, tail);
    else
        AppendFormat(out, "%x%s", colour, tail);
}

void AppendEntries(CStr_base<1024>& out, const QDXFactor& factor) {
    for (uint32_t e = 0; e < kMatrixEntries; ++e) AppendFormat(out, "%d,", factor.ColorExMatrix[e]);
}

// ---- the new pixels written with 24 bits ----

bool WriteReplaceDataFromAlpha(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sReplaceDataFromAlpha(%d,%d,%d,%d,", Mark(f), f.X1, f.Y1, f.X2, f.Y2);
    AppendColour(out, f.ColorRef1, f.Color1, true, ",");
    AppendFormat(out, "%u,%u,%u)", f.Alpha, f.ByteParam1, f.ByteParam2);
    return true;
}

bool WriteReplaceDataFromColor(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sReplaceDataFromColor(%d,%d,%d,%d,", Mark(f), f.X1, f.Y1, f.X2, f.Y2);
    AppendColour(out, f.ColorRef1, f.Color1, true, ",");
    AppendFormat(out, "%u,", f.Alpha);
    AppendColour(out, f.ColorRef2, f.Color2, false, ",");
    AppendFormat(out, "%u)", f.ByteParam2);
    return true;
}

bool WriteReplaceData(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sReplaceData(%d,%d,%d,%d,", Mark(f), f.X1, f.Y1, f.X2, f.Y2);
    AppendColour(out, f.ColorRef1, f.Color1, true, ",");
    AppendFormat(out, "%u,", f.Alpha);
    AppendAColour(out, f.ColorRef2, f.Color2, ",");
    AppendFormat(out, "%u)", f.ByteParam2);
    return true;
}

bool WriteMaskFill(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sMaskFill(%d,%d,%d,%d,\"%s\",%d,%d,", Mark(f), f.X1, f.Y1, f.X2, f.Y2, f.SourceName.GetText(), f.X3,
               f.Y3);
    AppendColour(out, f.ColorRef1, f.Color1, true, ",");
    AppendFormat(out, "%u,%u,", f.Alpha, f.ByteParam2);
    AppendAColour(out, f.ColorRef2, f.Color2, ")");
    return true;
}

bool WriteReplaceDataFromPixel(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sReplaceDataFromPixel(%d,%d,%d,%d,%d,%d,", Mark(f), f.X1, f.Y1, f.X2, f.Y2, f.X3, f.Y3);
    AppendColour(out, f.ColorRef1, f.Color1, true, ",");
    AppendFormat(out, "%u,%u)", f.Alpha, f.ByteParam2);
    return true;
}

// ---- 835 "ReplaceDataMap(": an empty channel set means every channel ----

bool CompleteDataMap(QDXFactor& f, const CStrArray_base<64>&, uint32_t) {
    if ((f.Options & kMapChannelSet) == 0) f.Options |= kMapChannelSet;
    return true;
}

// ---- 834 "MaskApplyColorMatrix(": exactly 45 ----

bool ParseMaskApplyColorMatrix(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 45) return false;
    ItemReader in(items);
    return in.Region(f) && in.Name(f.SourceName) && in.Int(f.X3) && in.Int(f.Y3) && in.AColour(f.ColorRef2, f.Color2) &&
           in.Entries(f, 0, kMatrixEntries) && in.Alpha(f.ByteParam2);
}

bool WriteMaskApplyColorMatrix(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sMaskApplyColorMatrix(%d,%d,%d,%d,\"%s\",%d,%d,", Mark(f), f.X1, f.Y1, f.X2, f.Y2,
               f.SourceName.GetText(), f.X3, f.Y3);
    AppendAColour(out, f.ColorRef2, f.Color2, ",");
    AppendEntries(out, f);
    AppendFormat(out, "%u)", f.ByteParam2);
    return true;
}

// ---- 852 "ApplyColorMatrix(": exactly 41 ----

bool ParseApplyColorMatrix(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 41) return false;
    ItemReader in(items);
    return in.Region(f) && in.Entries(f, 0, kMatrixEntries) && in.Alpha(f.Alpha);
}

bool WriteApplyColorMatrix(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sApplyColorMatrix(%d,%d,%d,%d,", Mark(f), f.X1, f.Y1, f.X2, f.Y2);
    AppendEntries(out, f);
    AppendFormat(out, "%u)", f.Alpha);
    return true;
}

// ---- 853 "ApplyFormula(": exactly 14 ----

bool ParseApplyFormula(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 14) return false;
    ItemReader in(items);
    int32_t flags;
    if (!in.Region(f) || !in.Int(flags)) return false;
    f.Options = uint32_t(flags) & kFormulaChannelFlags;  // kept at once, whatever follows
    if (!in.Alpha(f.ByteParam2) || !in.Alpha(f.ByteParam3)) return false;
    for (const uint32_t e : kFormulaEntries)
        if (!in.Int(f.ColorExMatrix[e])) return false;
    return true;
}

bool WriteApplyFormula(const QDXFactor& f, CStr_base<1024>& out) {
    const int32_t* m = f.ColorExMatrix;
    out.Format("%sApplyFormula(%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d,%d)", Mark(f), f.X1, f.Y1, f.X2, f.Y2,
               int32_t(f.Options), int32_t(f.ByteParam2), int32_t(f.ByteParam3), m[kFormulaEntries[0]],
               m[kFormulaEntries[1]], m[kFormulaEntries[2]], m[kFormulaEntries[3]], m[kFormulaEntries[4]],
               m[kFormulaEntries[5]], m[kFormulaEntries[6]]);
    return true;
}

// ---- 856 "MulSaturation(": exactly 9, or exactly 5 (the factor alone) ----

bool ParseMulSaturation(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 9 && count != 5) return false;
    ItemReader in(items);
    if (!in.Region(f)) return false;
    if (count == 5) return in.Int(f.ColorExMatrix[kSaturationEntries[3]]);  // weights and grey definition kept
    for (const uint32_t e : kSaturationEntries)
        if (!in.Int(f.ColorExMatrix[e])) return false;
    return in.Unsigned(f.Options);
}

bool WriteMulSaturation(const QDXFactor& f, CStr_base<1024>& out) {
    const int32_t* m = f.ColorExMatrix;
    out.Format("%sMulSaturation(%d,%d,%d,%d,%d,%d,%d,%d,%u)", Mark(f), f.X1, f.Y1, f.X2, f.Y2,
               m[kSaturationEntries[0]], m[kSaturationEntries[1]], m[kSaturationEntries[2]], m[kSaturationEntries[3]],
               f.Options);
    return true;
}

// ---- 857 "MulAddBrightness(": exactly 6 ----

bool ParseMulAddBrightness(QDXFactor& f, const CStrArray_base<64>& items, uint32_t count) {
    if (count != 6) return false;
    ItemReader in(items);
    return in.Region(f) && in.Int(f.ColorExMatrix[kBrightnessMultiplier]) && in.Int(f.ColorExMatrix[kBrightnessAddend]);
}

bool WriteMulAddBrightness(const QDXFactor& f, CStr_base<1024>& out) {
    out.Format("%sMulAddBrightness(%d,%d,%d,%d,%d,%d)", Mark(f), f.X1, f.Y1, f.X2, f.Y2,
               f.ColorExMatrix[kBrightnessMultiplier], f.ColorExMatrix[kBrightnessAddend]);
    return true;
}

// ---- field lists ----

#define OC_REGION Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2)

// Fills: the colour and the level (801, 811).
constexpr FactorField kFill[] = {OC_REGION, Colour(4, 1), Alpha(5)};
constexpr FactorField kReplaceDataFromAlpha[] = {OC_REGION, Colour(4, 1), Alpha(5), Alpha(6, &F::ByteParam1),
                                                 Alpha(7, &F::ByteParam2)};
constexpr FactorField kReplaceDataFromColor[] = {OC_REGION, Colour(4, 1), Alpha(5), Colour(6, 2),
                                                 Alpha(7, &F::ByteParam2)};
constexpr FactorField kReplaceData[] = {OC_REGION, Colour(4, 1), Alpha(5), AColour(6, 2), Alpha(7, &F::ByteParam2)};
// A colour, a level and the strength (812, 823).
constexpr FactorField kColourLevelStrength[] = {OC_REGION, Colour(4, 1), Alpha(5), Alpha(6, &F::ByteParam2)};
constexpr FactorField kReplaceColor[] = {OC_REGION, Colour(4, 1), Colour(5, 2), Alpha(6, &F::ByteParam2)};
constexpr FactorField kReplaceColorFromData[] = {OC_REGION, AColour(4, 1), Colour(5, 2), Alpha(6, &F::ByteParam2)};
constexpr FactorField kFillA[] = {OC_REGION, Alpha(4)};
constexpr FactorField kReplaceAlpha[] = {OC_REGION, Alpha(4, &F::ByteParam1), Alpha(5), Alpha(6, &F::ByteParam2)};
constexpr FactorField kReplaceAlphaFromData[] = {OC_REGION, AColour(4, 1), Alpha(5), Alpha(6, &F::ByteParam2)};

#define OC_MASK OC_REGION, Name(4, &F::SourceName), Int(5, &F::X3), Int(6, &F::Y3)

constexpr FactorField kMaskFill[] = {OC_MASK, Colour(7, 1), Alpha(8), Alpha(9, &F::ByteParam2), AColour(10, 2)};
constexpr FactorField kMaskFillC[] = {OC_MASK, Colour(7, 1), Alpha(8, &F::ByteParam2), AColour(9, 2)};
constexpr FactorField kMaskFillA[] = {OC_MASK, Alpha(7), Alpha(8, &F::ByteParam2), AColour(9, 2)};
constexpr FactorField kMap[] = {OC_MASK, Hex(7, &F::Options), AColour(8, 1)};

#undef OC_MASK

// "SetAlphaColor(" reads as 823 without the strength, which is then full.
constexpr FactorField kSetAlphaColor[] = {OC_REGION, Colour(4, 1), Alpha(5)};
bool FullStrength(QDXFactor& factor, const CStrArray_base<64>&, uint32_t) {
    factor.ByteParam2 = 255;
    return true;
}
constexpr FactorRow kSetAlphaColorRow = {823, "SetAlphaColor(", CountRule::kExact, 6, 0, kSetAlphaColor,
                                         &FullStrength};
constexpr FactorAlias kFillAliases[] = {{&kSetAlphaColorRow, "ReplaceAlphaFromData("}};

// The short form leaves the option word out; it then compares every channel.
constexpr FactorField kDataArray[] = {
    OC_REGION, Name(4, &F::SourceName),
    {ArgType::kHex, 5, FactorField::kOptional | FactorField::kLateDefault, 0, kArrayAllChannels, &F::Options}};
constexpr FactorField kArray[] = {OC_REGION, Name(4, &F::SourceName), Hex(5, &F::Options)};

constexpr FactorField kReplaceDataFromPixel[] = {OC_REGION, Int(4, &F::X3), Int(5, &F::Y3), Colour(6, 1), Alpha(7),
                                                 Alpha(8, &F::ByteParam2)};
constexpr FactorField kRegionFill[] = {OC_REGION, Int(4, &F::X3), Int(5, &F::Y3), Colour(6, 1), Alpha(7)};
constexpr FactorField kRegionFillC[] = {OC_REGION, Int(4, &F::X3), Int(5, &F::Y3), Colour(6, 1)};

#undef OC_REGION

template <size_t K>
constexpr FactorRow Exact(uint32_t kind, const char* keyword, const FactorField (&fields)[K],
                          WriteHook write = nullptr) {
    return FactorRow{kind, keyword, CountRule::kExact, uint8_t(K), 0, fields, nullptr, write};
}
constexpr FactorRow Hooked(uint32_t kind, const char* keyword, ParseHook parse, WriteHook write) {
    return FactorRow{kind, keyword, CountRule::kCustom, 0, 0, {}, parse, write};
}

constexpr FactorRow kFillRows[] = {
    Exact(801, "Fill(", kFill),
    Exact(802, "ReplaceDataFromAlpha(", kReplaceDataFromAlpha, &WriteReplaceDataFromAlpha),
    Exact(803, "ReplaceDataFromColor(", kReplaceDataFromColor, &WriteReplaceDataFromColor),
    Exact(804, "ReplaceData(", kReplaceData, &WriteReplaceData),
    Exact(811, "FillC(", kFill),
    Exact(812, "ReplaceColorFromAlpha(", kColourLevelStrength),
    Exact(813, "ReplaceColor(", kReplaceColor),
    Exact(814, "ReplaceColorFromData(", kReplaceColorFromData),
    Exact(821, "FillA(", kFillA),
    Exact(822, "ReplaceAlpha(", kReplaceAlpha),
    Exact(823, "ReplaceAlphaFromColor(", kColourLevelStrength),
    Exact(824, "ReplaceAlphaFromData(", kReplaceAlphaFromData),
    Exact(831, "MaskFill(", kMaskFill, &WriteMaskFill),
    Exact(832, "MaskFillC(", kMaskFillC),
    Exact(833, "MaskFillA(", kMaskFillA),
    Hooked(834, "MaskApplyColorMatrix(", &ParseMaskApplyColorMatrix, &WriteMaskApplyColorMatrix),
    FactorRow{835, "ReplaceDataMap(", CountRule::kExact, uint8_t(std::size(kMap)), 0, kMap, &CompleteDataMap},
    Exact(836, "ReplaceColorMap(", kMap),
    Exact(837, "ReplaceAlphaMap(", kMap),
    FactorRow{838, "ReplaceDataArray(", CountRule::kFullOrShort, 6, 5, kDataArray},
    Exact(839, "ReplaceColorArray(", kArray),
    Exact(840, "ReplaceAlphaArray(", kArray),
    Exact(851, "ReplaceDataFromPixel(", kReplaceDataFromPixel, &WriteReplaceDataFromPixel),
    Hooked(852, "ApplyColorMatrix(", &ParseApplyColorMatrix, &WriteApplyColorMatrix),
    Hooked(853, "ApplyFormula(", &ParseApplyFormula, &WriteApplyFormula),
    Exact(854, "RegionFill(", kRegionFill),
    Exact(855, "RegionFillC(", kRegionFillC),
    Hooked(856, "MulSaturation(", &ParseMulSaturation, &WriteMulSaturation),
    Hooked(857, "MulAddBrightness(", &ParseMulAddBrightness, &WriteMulAddBrightness),
};

}  // namespace

constinit const FactorFamily kFillFamily = {kFillRows, uint32_t(std::size(kFillRows)), kFillAliases,
                                            uint32_t(std::size(kFillAliases))};

}  // namespace vocabulary
