// The factor family of gradients (501-711): the factor's rectangle filled
// between two or four colours, from a list of weighted colour points, in a
// colour model, or between the rectangle's own edge pixels. ARGB forms are
// 501-511, alpha-only forms 601-606, colour-only forms (keyword ending in "C")
// 701-711.
//
// The colour model (Options) is read unsigned and written signed ("%d"): a
// value of 2^31 or more is written negative and reads back as the same 32 bits.
//
// The mixed gradients (504, 604, 704) end with an "array(" list of
// "mixgradinfo(" points. The text order of a point's four scales (left, up,
// right, down) is not the record's member order (up, down, left, right).
#include <cstring>
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/text/NumberScan.h"
#include "document/text/TextLexer.h"
#include "document/vocabulary/FactorSink.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {
namespace {

// ---- the "array(" list of "mixgradinfo(" points ----

// Items counted before the empty ones are dropped.
constexpr uint32_t kMaxGradationItems = 2000;

// Lists of up to this many bytes (so of at most 1025 items) split into an
// array of their own: the split looks at every string its array ever made, and
// one long list would otherwise make every short list after it pay for two
// thousand strings.
constexpr size_t kShortListBytes = 1024;

CStrArray_base<64>& PointItems(const char* elements) {
    thread_local CStrArray_base<64> shortItems;
    thread_local CStrArray_base<64> longItems;
    return strnlen(elements, kShortListBytes + 1) <= kShortListBytes ? shortItems : longItems;
}

// The values of one point, apart from the items of the list they are split
// from; a point of thousands of values (which fails) would otherwise slow
// every split after it, so such texts get an array of their own too.
CStrArray_base<64>& PointValues(const char* text) {
    thread_local CStrArray_base<64> shortValues;
    thread_local CStrArray_base<64> longValues;
    return strnlen(text, kShortListBytes + 1) <= kShortListBytes ? shortValues : longValues;
}

constexpr char kPointOpening[] = "mixgradinfo(";

// The doubles of a point in text order (the scales are left, up, right, down).
double MixGradationPoint::*const kTextOrder[13] = {
    &MixGradationPoint::x,          &MixGradationPoint::y,         &MixGradationPoint::zeroRadius,
    &MixGradationPoint::fullRadius, &MixGradationPoint::scaleLeft, &MixGradationPoint::scaleUp,
    &MixGradationPoint::scaleRight, &MixGradationPoint::scaleDown, &MixGradationPoint::alpha,
    &MixGradationPoint::red,        &MixGradationPoint::green,     &MixGradationPoint::blue,
    &MixGradationPoint::strength};
constexpr uint32_t kAlphaValue = 8;      // last double of the palette form before its colour word
constexpr uint32_t kStrengthValue = 12;  // index of the strength in kTextOrder

const char* const kModeTexts[3] = {"MIX", "ADD", "SUB"};

bool ScanMode(const CStr_base<64>& item, int32_t& mode) {
    for (int32_t m = 0; m < 3; ++m) {
        if (item == kModeTexts[m]) {
            mode = m;
            return true;
        }
    }
    return false;
}

// One "mixgradinfo(" item into point; its colour word is appended to colours.
bool ParsePoint(const CStr_base<64>& item, MixGradationPoint& point, CArrayAuto<uint32_t>& colours) {
    if (!StartsWith(item, kPointOpening)) return false;
    const char* text = item.GetText() + (sizeof kPointOpening - 1);
    CStrArray_base<64>& values = PointValues(text);
    const uint32_t count = SplitArguments(values, text);
    auto value = [&values](uint32_t i) { return values.GetAt(i)->GetText(); };
    if (count == 14) {  // component form
        for (uint32_t v = 0; v < 13; ++v)
            if (!ScanFiniteReal(value(v), point.*kTextOrder[v])) return false;
        *colours.AddNew() = 0;
        return ScanMode(*values.GetAt(13), point.mode);
    }
    if (count == 12) {  // palette form: a colour word in place of red, green and blue
        for (uint32_t v = 0; v <= kAlphaValue; ++v)
            if (!ScanFiniteReal(value(v), point.*kTextOrder[v])) return false;
        uint32_t& word = *colours.AddNew();
        word = 0;
        if (!ScanHex(value(9), word)) return false;
        if (!ScanFiniteReal(value(10), point.strength)) return false;
        point.red = point.green = point.blue = 0.0;
        return ScanMode(*values.GetAt(11), point.mode);
    }
    return false;
}

void ClearPoints(QDXFactor& factor) {
    factor.GradationPoints.Free();
    factor.GradationColors.RemoveAll();
    factor.GradationCount = 0;
}

bool ParsePoints(QDXFactor& factor, const char* elements) {
    CStrArray_base<64>& items = PointItems(elements);
    const uint32_t count = SplitArguments(items, elements);
    if (count > kMaxGradationItems) return false;
    // The three gradation fields agree at every step: a list that fails
    // half-way leaves no points rather than a count beyond them.
    ClearPoints(factor);
    uint32_t points = 0;
    for (uint32_t i = 0; i < count; ++i)
        if (!items.GetAt(i)->IsEmpty()) ++points;  // an item of blanks is a point (and fails)
    if (points == 0) return true;

    MixGradationPoint* block = factor.GradationPoints.Alloc(points);
    uint32_t p = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const CStr_base<64>& item = *items.GetAt(i);
        if (item.IsEmpty()) continue;
        if (!ParsePoint(item, block[p], factor.GradationColors)) {
            ClearPoints(factor);
            return false;
        }
        ++p;
    }
    factor.GradationCount = points;
    return true;
}

// The reals of a point are written "%.9f".
constexpr uint8_t kPointPrecision = 9;

bool WritePoints(const QDXFactor& factor, CStr_base<1024>& list) {
    const uint32_t count = factor.GradationCount;
    // A record whose count runs past its points or colour words (one built by
    // hand) cannot be written: it would read beyond them.
    if (count > factor.GradationPoints.GetCount() || count > factor.GradationColors.GetCount()) return false;
    const MixGradationPoint* points = factor.GradationPoints.GetBuffer();
    // Every mode first: nothing below fails. (list is the writer's scratch,
    // not its output, so the points go straight into it.)
    for (uint32_t i = 0; i < count; ++i)
        if (points[i].mode < 0 || points[i].mode > 2) return false;

    list.Reserve(uint32_t(list.GetLength()) + 8 + (count < 100000 ? count * 200 : 0));
    FactorSink sink(list, uint32_t(list.GetLength()));
    for (uint32_t i = 0; i < count; ++i) {
        const MixGradationPoint& point = points[i];
        const uint32_t word = *factor.GradationColors.GetAt(i);
        if (i != 0) sink.Char(',');
        sink.Bytes(kPointOpening, sizeof kPointOpening - 1);
        if (word != 0) {
            for (uint32_t v = 0; v <= kAlphaValue; ++v) {
                sink.Real(point.*kTextOrder[v], kPointPrecision);
                sink.Char(',');
            }
            sink.Hex(word);
            sink.Char(',');
            sink.Real(point.strength, kPointPrecision);
        } else {
            for (uint32_t v = 0; v <= kStrengthValue; ++v) {
                if (v != 0) sink.Char(',');
                sink.Real(point.*kTextOrder[v], kPointPrecision);
            }
        }
        sink.Char(',');
        sink.Bytes(kModeTexts[point.mode], 3);
        sink.Char(')');
    }
    // An empty list keeps the "(" of its opening word: "array()".
    sink.Char(')');
    sink.Finish();
    return true;
}

}  // namespace

extern const ListCodec kGradationPointList;
constexpr ListCodec kGradationPointList = {"array(", &ParsePoints, &WritePoints};

namespace {

// ---- rows ----

using F = QDXFactor;

// Every member starts with the rectangle: X1, Y1, width X2, height Y2.
#define GRADIENT_RECT Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2), Int(3, &F::Y2)

constexpr FactorField kRect[] = {GRADIENT_RECT};

// Colours in slot order: left or top first; the corners top-left, top-right,
// bottom-left, bottom-right.
constexpr FactorField kTwoAColours[] = {GRADIENT_RECT, AColour(4, 1), AColour(5, 2)};
constexpr FactorField kFourAColours[] = {GRADIENT_RECT, AColour(4, 1), AColour(5, 2), AColour(6, 3), AColour(7, 4)};
constexpr FactorField kMixColour[] = {GRADIENT_RECT, AColour(4, 1), List(5, &kGradationPointList)};

// The colour-model forms: the model, then plain colour codes (no palette
// form), each with its alpha in the ARGB forms.
constexpr FactorField kSpaceTwo[] = {GRADIENT_RECT,       ULongInt(4, &F::Options), Hex(5, &F::Color1),
                                     Alpha(6, &F::Alpha), Hex(7, &F::Color2),       Alpha(8, &F::ByteParam1)};
constexpr FactorField kSpaceFour[] = {GRADIENT_RECT,
                                      ULongInt(4, &F::Options),
                                      Hex(5, &F::Color1),
                                      Alpha(6, &F::Alpha),
                                      Hex(7, &F::Color2),
                                      Alpha(8, &F::ByteParam1),
                                      Hex(9, &F::Color3),
                                      Alpha(10, &F::ByteParam2),
                                      Hex(11, &F::Color4),
                                      Alpha(12, &F::ByteParam3)};
constexpr FactorField kSpaceTwoC[] = {GRADIENT_RECT, ULongInt(4, &F::Options), Hex(5, &F::Color1), Hex(6, &F::Color2)};
constexpr FactorField kSpaceFourC[] = {GRADIENT_RECT,      ULongInt(4, &F::Options), Hex(5, &F::Color1),
                                       Hex(6, &F::Color2), Hex(7, &F::Color3),       Hex(8, &F::Color4)};
// The model and the hue turns.
constexpr FactorField kInterpolationSpace[] = {GRADIENT_RECT, ULongInt(4, &F::Options), Int(5, &F::SpaceParam1)};

// The alpha-only forms carry alphas where the ARGB forms carry colours.
constexpr FactorField kTwoAlphas[] = {GRADIENT_RECT, Alpha(4, &F::Alpha), Alpha(5, &F::ByteParam1)};
constexpr FactorField kFourAlphas[] = {GRADIENT_RECT, Alpha(4, &F::Alpha), Alpha(5, &F::ByteParam1),
                                       Alpha(6, &F::ByteParam2), Alpha(7, &F::ByteParam3)};
constexpr FactorField kMixAlpha[] = {GRADIENT_RECT, Alpha(4, &F::Alpha), List(5, &kGradationPointList)};

// The colour-only forms take colours without their own alpha.
constexpr FactorField kTwoColours[] = {GRADIENT_RECT, Colour(4, 1), Colour(5, 2)};
constexpr FactorField kFourColours[] = {GRADIENT_RECT, Colour(4, 1), Colour(5, 2), Colour(6, 3), Colour(7, 4)};

#undef GRADIENT_RECT

// Every count is exact.
constexpr FactorRow Row(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kExact, uint8_t(fields.count), 0, fields};
}

constexpr FactorRow kGradientRows[] = {
    Row(501, "GradationH(", kTwoAColours),
    Row(502, "GradationV(", kTwoAColours),
    Row(503, "GradationHV(", kFourAColours),
    Row(504, "MixGradation(", kMixColour),
    Row(505, "GradationColorSpaceH(", kSpaceTwo),
    Row(506, "GradationColorSpaceV(", kSpaceTwo),
    Row(507, "GradationColorSpaceHV(", kSpaceFour),
    Row(508, "InterpolationGradationH(", kRect),
    Row(509, "InterpolationGradationV(", kRect),
    Row(510, "InterpolationGradationColorSpaceH(", kInterpolationSpace),
    Row(511, "InterpolationGradationColorSpaceV(", kInterpolationSpace),
    Row(601, "GradationHA(", kTwoAlphas),
    Row(602, "GradationVA(", kTwoAlphas),
    Row(603, "GradationHVA(", kFourAlphas),
    Row(604, "MixGradationA(", kMixAlpha),
    Row(605, "InterpolationGradationHA(", kRect),
    Row(606, "InterpolationGradationVA(", kRect),
    Row(701, "GradationHC(", kTwoColours),
    Row(702, "GradationVC(", kTwoColours),
    Row(703, "GradationHVC(", kFourColours),
    Row(704, "MixGradationC(", kMixColour),
    Row(705, "GradationColorSpaceHC(", kSpaceTwoC),
    Row(706, "GradationColorSpaceVC(", kSpaceTwoC),
    Row(707, "GradationColorSpaceHVC(", kSpaceFourC),
    Row(708, "InterpolationGradationHC(", kRect),
    Row(709, "InterpolationGradationVC(", kRect),
    Row(710, "InterpolationGradationColorSpaceHC(", kInterpolationSpace),
    Row(711, "InterpolationGradationColorSpaceVC(", kInterpolationSpace),
};

}  // namespace

constinit const FactorFamily kGradientFamily = {kGradientRows, uint32_t(std::size(kGradientRows)), nullptr, 0};

}  // namespace vocabulary
