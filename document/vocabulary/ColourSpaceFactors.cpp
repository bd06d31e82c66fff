// The factor family of colour-space object drawing (301-394): another object
// of the document drawn through a colour model (0 HSV, 1 HSL, 2 HSLY; stored
// whole in Options, never checked).
//
// 301-380 are the object drawing members with a hue, saturation and third
// component shift applied to the source first: code = 300 + 30 x geometry +
// 15 x colour-only + base word (Copy 1, Alpha 2, Blend 3, Layer 4, Back 5), the
// keyword carrying "ColorSpace" after the base word. The model and the three
// shifts follow the geometry arguments; every base word but Copy ends with a
// required level. Plain and Resize forms take exactly their count, Rotate forms
// at least theirs.
//
// 391-394 composite inside the colour model with a level; the range forms
// (392, 394) only where the colour lies within inclusive bounds, written
// interleaved (lower hue, upper hue, lower saturation, ...) and stored lower
// bounds in SpaceParam1..3, upper bounds in RangeParam1..3.
//
// The model is read unsigned and written signed ("%d"): a model of 2^31 or
// more goes out negative and reads back as the same 32 bits.
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {
namespace {

using F = QDXFactor;

// ---- fields ----

// Adjusted plain: draw X, Y, width, height, source name, source X, Y, model,
// hue, saturation and third shifts [, level].
constexpr FactorField kPlainCopy[] = {
    Int(0, &F::X1),        Int(1, &F::Y1),          Int(2, &F::X2),          Int(3, &F::Y2),
    Name(4, &F::SourceName), Int(5, &F::X3),        Int(6, &F::Y3),          ULongInt(7, &F::Options),
    Int(8, &F::SpaceParam1), Int(9, &F::SpaceParam2), Int(10, &F::SpaceParam3)};
constexpr FactorField kPlain[] = {
    Int(0, &F::X1),        Int(1, &F::Y1),          Int(2, &F::X2),          Int(3, &F::Y2),
    Name(4, &F::SourceName), Int(5, &F::X3),        Int(6, &F::Y3),          ULongInt(7, &F::Options),
    Int(8, &F::SpaceParam1), Int(9, &F::SpaceParam2), Int(10, &F::SpaceParam3), Alpha(11)};

// Adjusted Resize: the plain geometry, source width and height, then the model
// and shifts [, level].
constexpr FactorField kResizeCopy[] = {
    Int(0, &F::X1),          Int(1, &F::Y1),           Int(2, &F::X2),           Int(3, &F::Y2),
    Name(4, &F::SourceName), Int(5, &F::X3),           Int(6, &F::Y3),           Int(7, &F::X4),
    Int(8, &F::Y4),          ULongInt(9, &F::Options),    Int(10, &F::SpaceParam1), Int(11, &F::SpaceParam2),
    Int(12, &F::SpaceParam3)};
constexpr FactorField kResize[] = {
    Int(0, &F::X1),          Int(1, &F::Y1),           Int(2, &F::X2),           Int(3, &F::Y2),
    Name(4, &F::SourceName), Int(5, &F::X3),           Int(6, &F::Y3),           Int(7, &F::X4),
    Int(8, &F::Y4),          ULongInt(9, &F::Options),    Int(10, &F::SpaceParam1), Int(11, &F::SpaceParam2),
    Int(12, &F::SpaceParam3), Alpha(13)};

// Adjusted Rotate: origin, angle and scales come before the source region.
constexpr FactorField kRotateCopy[] = {
    Int(0, &F::X1),           Int(1, &F::Y1),           Int(2, &F::X2),           Int(3, &F::Y2),
    Name(4, &F::SourceName),  Int(5, &F::X5),           Int(6, &F::Y5),           Real(7, &F::Real1),
    Real(8, &F::Real4),       Real(9, &F::Real5),       Int(10, &F::X3),          Int(11, &F::Y3),
    Int(12, &F::X4),          Int(13, &F::Y4),          ULongInt(14, &F::Options),   Int(15, &F::SpaceParam1),
    Int(16, &F::SpaceParam2), Int(17, &F::SpaceParam3)};
constexpr FactorField kRotate[] = {
    Int(0, &F::X1),           Int(1, &F::Y1),           Int(2, &F::X2),           Int(3, &F::Y2),
    Name(4, &F::SourceName),  Int(5, &F::X5),           Int(6, &F::Y5),           Real(7, &F::Real1),
    Real(8, &F::Real4),       Real(9, &F::Real5),       Int(10, &F::X3),          Int(11, &F::Y3),
    Int(12, &F::X4),          Int(13, &F::Y4),          ULongInt(14, &F::Options),   Int(15, &F::SpaceParam1),
    Int(16, &F::SpaceParam2), Int(17, &F::SpaceParam3), Alpha(18)};

// Compositing in the model: the plain geometry, the model, the level.
constexpr FactorField kComposite[] = {Int(0, &F::X1), Int(1, &F::Y1),          Int(2, &F::X2), Int(3, &F::Y2),
                                      Name(4, &F::SourceName), Int(5, &F::X3), Int(6, &F::Y3),
                                      ULongInt(7, &F::Options),   Alpha(8)};

// Range compositing: the bounds interleaved lower, upper per component.
constexpr FactorField kRange[] = {
    Int(0, &F::X1),           Int(1, &F::Y1),           Int(2, &F::X2),           Int(3, &F::Y2),
    Name(4, &F::SourceName),  Int(5, &F::X3),           Int(6, &F::Y3),           ULongInt(7, &F::Options),
    Int(8, &F::SpaceParam1),  Int(9, &F::RangeParam1),  Int(10, &F::SpaceParam2), Int(11, &F::RangeParam2),
    Int(12, &F::SpaceParam3), Int(13, &F::RangeParam3), Alpha(14)};

// ---- the writer ----


// ---- rows ----

constexpr FactorRow Exact(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kExact, uint8_t(fields.count), 0, fields};
}
constexpr FactorRow AtLeast(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kAtLeast, uint8_t(fields.count), 0, fields};
}

constexpr FactorRow kColourSpaceRows[] = {
    Exact(301, "CopyColorSpace(", kPlainCopy),
    Exact(302, "AlphaColorSpace(", kPlain),
    Exact(303, "BlendColorSpace(", kPlain),
    Exact(304, "LayerColorSpace(", kPlain),
    Exact(305, "BackColorSpace(", kPlain),
    Exact(316, "CopyColorSpaceC(", kPlainCopy),
    Exact(317, "AlphaColorSpaceC(", kPlain),
    Exact(318, "BlendColorSpaceC(", kPlain),
    Exact(319, "LayerColorSpaceC(", kPlain),
    Exact(320, "BackColorSpaceC(", kPlain),
    Exact(331, "ResizeColorSpace(", kResizeCopy),
    Exact(332, "ResizeAlphaColorSpace(", kResize),
    Exact(333, "ResizeBlendColorSpace(", kResize),
    Exact(334, "ResizeLayerColorSpace(", kResize),
    Exact(335, "ResizeBackColorSpace(", kResize),
    Exact(346, "ResizeColorSpaceC(", kResizeCopy),
    Exact(347, "ResizeAlphaColorSpaceC(", kResize),
    Exact(348, "ResizeBlendColorSpaceC(", kResize),
    Exact(349, "ResizeLayerColorSpaceC(", kResize),
    Exact(350, "ResizeBackColorSpaceC(", kResize),
    AtLeast(361, "RotateColorSpace(", kRotateCopy),
    AtLeast(362, "RotateAlphaColorSpace(", kRotate),
    AtLeast(363, "RotateBlendColorSpace(", kRotate),
    AtLeast(364, "RotateLayerColorSpace(", kRotate),
    AtLeast(365, "RotateBackColorSpace(", kRotate),
    AtLeast(376, "RotateColorSpaceC(", kRotateCopy),
    AtLeast(377, "RotateAlphaColorSpaceC(", kRotate),
    AtLeast(378, "RotateBlendColorSpaceC(", kRotate),
    AtLeast(379, "RotateLayerColorSpaceC(", kRotate),
    AtLeast(380, "RotateBackColorSpaceC(", kRotate),
    AtLeast(391, "ColorSpaceAlphaBlend(", kComposite),
    Exact(392, "ColorSpaceRangeAlphaBlend(", kRange),
    AtLeast(393, "ColorSpaceAlphaBlendC(", kComposite),
    Exact(394, "ColorSpaceRangeAlphaBlendC(", kRange),
};

}  // namespace

constinit const FactorFamily kColourSpaceFamily = {kColourSpaceRows, uint32_t(std::size(kColourSpaceRows)), nullptr,
                                                   0};

}  // namespace vocabulary
