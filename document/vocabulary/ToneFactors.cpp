// The factor family of tone drawing of another object (401-480): the source
// object is drawn as by the object drawing family (plain, Resize or Rotate
// geometry, Copy/Alpha/Blend/Layer/Back, colour-only "C" forms), but tinted
// first: each colour channel is pulled toward a tint colour by its own amount
// (0..256) and the drawn alpha is scaled by a density (256 is full).
//
// Kind code = 400 + 30 x geometry + 15 x colour-only + base word, the base
// words being Copy 1, Alpha 2, Blend 3, Layer 4, Back 5. After the geometry
// arguments come the red, green and blue amounts, the density and the tint
// colour (a palette reference "P%x" or a colour code); all but Copy end with a
// required level 0..255. The amounts are stored as read, without a range test.
// Plain and Resize forms need their exact count; Rotate forms need at least
// theirs and drop the rest.
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {
namespace {

using F = QDXFactor;

// Plain: draw X, Y, width, height, source name, source X, Y, then the tone.
constexpr FactorField kPlainCopy[] = {Int(0, &F::X1),         Int(1, &F::Y1),         Int(2, &F::X2),
                                      Int(3, &F::Y2),         Name(4, &F::SourceName), Int(5, &F::X3),
                                      Int(6, &F::Y3),         Int(7, &F::IntParam3),  Int(8, &F::IntParam4),
                                      Int(9, &F::IntParam5),  Int(10, &F::IntParam6), Colour(11, 1)};
constexpr FactorField kPlain[] = {Int(0, &F::X1),         Int(1, &F::Y1),         Int(2, &F::X2),
                                  Int(3, &F::Y2),         Name(4, &F::SourceName), Int(5, &F::X3),
                                  Int(6, &F::Y3),         Int(7, &F::IntParam3),  Int(8, &F::IntParam4),
                                  Int(9, &F::IntParam5),  Int(10, &F::IntParam6), Colour(11, 1),
                                  Alpha(12)};

// Resize: the plain geometry, source width and height, then the tone.
constexpr FactorField kResizeCopy[] = {Int(0, &F::X1),          Int(1, &F::Y1),         Int(2, &F::X2),
                                       Int(3, &F::Y2),          Name(4, &F::SourceName), Int(5, &F::X3),
                                       Int(6, &F::Y3),          Int(7, &F::X4),         Int(8, &F::Y4),
                                       Int(9, &F::IntParam3),   Int(10, &F::IntParam4), Int(11, &F::IntParam5),
                                       Int(12, &F::IntParam6),  Colour(13, 1)};
constexpr FactorField kResize[] = {Int(0, &F::X1),          Int(1, &F::Y1),         Int(2, &F::X2),
                                   Int(3, &F::Y2),          Name(4, &F::SourceName), Int(5, &F::X3),
                                   Int(6, &F::Y3),          Int(7, &F::X4),         Int(8, &F::Y4),
                                   Int(9, &F::IntParam3),   Int(10, &F::IntParam4), Int(11, &F::IntParam5),
                                   Int(12, &F::IntParam6),  Colour(13, 1),          Alpha(14)};

// Rotate: the origin and the angle and scales come before the source region.
constexpr FactorField kRotateCopy[] = {Int(0, &F::X1),         Int(1, &F::Y1),         Int(2, &F::X2),
                                       Int(3, &F::Y2),         Name(4, &F::SourceName), Int(5, &F::X5),
                                       Int(6, &F::Y5),         Real(7, &F::Real1),     Real(8, &F::Real4),
                                       Real(9, &F::Real5),     Int(10, &F::X3),        Int(11, &F::Y3),
                                       Int(12, &F::X4),        Int(13, &F::Y4),        Int(14, &F::IntParam3),
                                       Int(15, &F::IntParam4), Int(16, &F::IntParam5), Int(17, &F::IntParam6),
                                       Colour(18, 1)};
constexpr FactorField kRotate[] = {Int(0, &F::X1),         Int(1, &F::Y1),         Int(2, &F::X2),
                                   Int(3, &F::Y2),         Name(4, &F::SourceName), Int(5, &F::X5),
                                   Int(6, &F::Y5),         Real(7, &F::Real1),     Real(8, &F::Real4),
                                   Real(9, &F::Real5),     Int(10, &F::X3),        Int(11, &F::Y3),
                                   Int(12, &F::X4),        Int(13, &F::Y4),        Int(14, &F::IntParam3),
                                   Int(15, &F::IntParam4), Int(16, &F::IntParam5), Int(17, &F::IntParam6),
                                   Colour(18, 1),          Alpha(19)};

constexpr FactorRow Plain(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kExact, uint8_t(fields.count), 0, fields};
}
constexpr FactorRow Resize(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kExact, uint8_t(fields.count), 0, fields};
}
constexpr FactorRow Rotate(uint32_t kind, const char* keyword, FieldList fields) {
    return FactorRow{kind, keyword, CountRule::kAtLeast, uint8_t(fields.count), 0, fields};
}

constexpr FactorRow kToneRows[] = {
    Plain(401, "CopyTone(", kPlainCopy),
    Plain(402, "AlphaTone(", kPlain),
    Plain(403, "BlendTone(", kPlain),
    Plain(404, "LayerTone(", kPlain),
    Plain(405, "BackTone(", kPlain),
    Plain(416, "CopyToneC(", kPlainCopy),
    Plain(417, "AlphaToneC(", kPlain),
    Plain(418, "BlendToneC(", kPlain),
    Plain(419, "LayerToneC(", kPlain),
    Plain(420, "BackToneC(", kPlain),
    Resize(431, "ResizeTone(", kResizeCopy),
    Resize(432, "ResizeAlphaTone(", kResize),
    Resize(433, "ResizeBlendTone(", kResize),
    Resize(434, "ResizeLayerTone(", kResize),
    Resize(435, "ResizeBackTone(", kResize),
    Resize(446, "ResizeToneC(", kResizeCopy),
    Resize(447, "ResizeAlphaToneC(", kResize),
    Resize(448, "ResizeBlendToneC(", kResize),
    Resize(449, "ResizeLayerToneC(", kResize),
    Resize(450, "ResizeBackToneC(", kResize),
    Rotate(461, "RotateTone(", kRotateCopy),
    Rotate(462, "RotateAlphaTone(", kRotate),
    Rotate(463, "RotateBlendTone(", kRotate),
    Rotate(464, "RotateLayerTone(", kRotate),
    Rotate(465, "RotateBackTone(", kRotate),
    Rotate(476, "RotateToneC(", kRotateCopy),
    Rotate(477, "RotateAlphaToneC(", kRotate),
    Rotate(478, "RotateBlendToneC(", kRotate),
    Rotate(479, "RotateLayerToneC(", kRotate),
    Rotate(480, "RotateBackToneC(", kRotate),
};

}  // namespace

constinit const FactorFamily kToneFamily = {kToneRows, uint32_t(std::size(kToneRows)), nullptr, 0};

}  // namespace vocabulary
