// The factor family of drawing another object (201-280): the source object,
// named in the fifth argument, is copied or composited onto the canvas, at its
// own size (plain forms), stretched (Resize) or rotated and scaled (Rotate).
//
// Kind code = 200 + 30 x geometry + 15 x colour-only + base word, the base
// words being Copy 1, Alpha 2, Blend 3, Layer 4, Back 5. Copy takes no level;
// the others end with a required level 0..255. Coordinates are whole pixels.
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {
namespace {

using F = QDXFactor;

// Plain: draw X, Y, width, height, source name, source X, Y [, level].
constexpr FactorField kPlainCopy[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),  Int(3, &F::Y2),
                                      Name(4, &F::SourceName), Int(5, &F::X3), Int(6, &F::Y3)};
constexpr FactorField kPlain[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),  Int(3, &F::Y2),
                                  Name(4, &F::SourceName), Int(5, &F::X3), Int(6, &F::Y3), Alpha(7)};

// Resize: the plain arguments, then source width and height [, level].
constexpr FactorField kResizeCopy[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),  Int(3, &F::Y2),
                                       Name(4, &F::SourceName), Int(5, &F::X3), Int(6, &F::Y3),
                                       Int(7, &F::X4), Int(8, &F::Y4)};
constexpr FactorField kResize[] = {Int(0, &F::X1), Int(1, &F::Y1), Int(2, &F::X2),  Int(3, &F::Y2),
                                   Name(4, &F::SourceName), Int(5, &F::X3), Int(6, &F::Y3),
                                   Int(7, &F::X4), Int(8, &F::Y4), Alpha(9)};

// Rotate: the origin and the angle and scales come before the source region.
constexpr FactorField kRotateCopy[] = {Int(0, &F::X1),     Int(1, &F::Y1),     Int(2, &F::X2),
                                       Int(3, &F::Y2),     Name(4, &F::SourceName),
                                       Int(5, &F::X5),     Int(6, &F::Y5),     Real(7, &F::Real1),
                                       Real(8, &F::Real4), Real(9, &F::Real5), Int(10, &F::X3),
                                       Int(11, &F::Y3),    Int(12, &F::X4),    Int(13, &F::Y4)};
constexpr FactorField kRotate[] = {Int(0, &F::X1),     Int(1, &F::Y1),     Int(2, &F::X2),
                                   Int(3, &F::Y2),     Name(4, &F::SourceName),
                                   Int(5, &F::X5),     Int(6, &F::Y5),     Real(7, &F::Real1),
                                   Real(8, &F::Real4), Real(9, &F::Real5), Int(10, &F::X3),
                                   Int(11, &F::Y3),    Int(12, &F::X4),    Int(13, &F::Y4),
                                   Alpha(14)};

constexpr FactorRow Plain(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kAtLeast, uint8_t(fields.count), 0, fields};
}
constexpr FactorRow Resize(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kExact, uint8_t(fields.count), 0, fields};
}
constexpr FactorRow Rotate(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kAtLeast, uint8_t(fields.count), 0, fields};
}

constexpr FactorRow kObjectDrawRows[] = {
    Plain(201, "Copy(", kPlainCopy),
    Plain(202, "Alpha(", kPlain),
    Plain(203, "Blend(", kPlain),
    Plain(204, "Layer(", kPlain),
    Plain(205, "Back(", kPlain),
    Plain(216, "CopyC(", kPlainCopy),
    Plain(217, "AlphaC(", kPlain),
    Plain(218, "BlendC(", kPlain),
    Plain(219, "LayerC(", kPlain),
    Plain(220, "BackC(", kPlain),
    Resize(231, "Resize(", kResizeCopy),
    Resize(232, "ResizeAlpha(", kResize),
    Resize(233, "ResizeBlend(", kResize),
    Resize(234, "ResizeLayer(", kResize),
    Resize(235, "ResizeBack(", kResize),
    Resize(246, "ResizeC(", kResizeCopy),
    Resize(247, "ResizeAlphaC(", kResize),
    Resize(248, "ResizeBlendC(", kResize),
    Resize(249, "ResizeLayerC(", kResize),
    Resize(250, "ResizeBackC(", kResize),
    Rotate(261, "Rotate(", kRotateCopy),
    Rotate(262, "RotateAlpha(", kRotate),
    Rotate(263, "RotateBlend(", kRotate),
    Rotate(264, "RotateLayer(", kRotate),
    Rotate(265, "RotateBack(", kRotate),
    Rotate(276, "RotateC(", kRotateCopy),
    Rotate(277, "RotateAlphaC(", kRotate),
    Rotate(278, "RotateBlendC(", kRotate),
    Rotate(279, "RotateLayerC(", kRotate),
    Rotate(280, "RotateBackC(", kRotate),
};

}  // namespace

constinit const FactorFamily kObjectDrawFamily = {kObjectDrawRows, uint32_t(std::size(kObjectDrawRows)), nullptr,
                                                  0};

}  // namespace vocabulary
