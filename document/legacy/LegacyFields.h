#pragma once
// The factor record's slots under the names the format-1.0 keyword tables use.
//
// The old vocabulary was described with array-shaped fields (Ints[0..9],
// Alphas[0..3], Reals[0..11], ...); the record keeps named slots. This header
// is the one place where the two namings meet: the legacy family tables name
// their destinations through it and nowhere else.
//
//   Ints[0..4]             X1..X5        Ints[5..9]        Y1..Y5
//   Alphas[0..3]           Alpha, ByteParam1..ByteParam3
//   Colors[i], ColorRefs[i]  colour slot i + 1 (Color1/ColorRef1 for i = 0)
//   ColorSpaceParams[0..2] SpaceParam1..SpaceParam3
//   ColorSpaceParams[3..5] RangeParam1..RangeParam3
//   Reals[0..11]           Real1..Real12
//   MapParams[0..1]        IntParam1, IntParam2 (unsigned)
//   MapParams[2..5]        IntParam3..IntParam6 (signed)
//   RefNumbers[0..1]       RefNumber1, RefNumber2
//   PathNodes              Path
//   Values                 GradationColors
//   GradationPointCount    GradationCount
//   Kind, Enabled, Options, Width, CurveFlag, SourceName, FontSpec, Text,
//   ColorExMatrix, XYMatrix, RAMatrix, GradationPoints: the same names.
#include <cstdint>

#include "document/model/QDXFactor.h"

namespace legacy::fields {

using F = QDXFactor;

inline constexpr int32_t F::*Ints[10] = {&F::X1, &F::X2, &F::X3, &F::X4, &F::X5,
                                         &F::Y1, &F::Y2, &F::Y3, &F::Y4, &F::Y5};
inline constexpr uint8_t F::*Alphas[4] = {&F::Alpha, &F::ByteParam1, &F::ByteParam2, &F::ByteParam3};
inline constexpr uint32_t F::*Colors[4] = {&F::Color1, &F::Color2, &F::Color3, &F::Color4};
inline constexpr uint32_t F::*ColorRefs[4] = {&F::ColorRef1, &F::ColorRef2, &F::ColorRef3, &F::ColorRef4};
inline constexpr int32_t F::*ColorSpaceParams[6] = {&F::SpaceParam1, &F::SpaceParam2, &F::SpaceParam3,
                                                    &F::RangeParam1, &F::RangeParam2, &F::RangeParam3};
inline constexpr double F::*Reals[12] = {&F::Real1, &F::Real2, &F::Real3,  &F::Real4,  &F::Real5,  &F::Real6,
                                         &F::Real7, &F::Real8, &F::Real9, &F::Real10, &F::Real11, &F::Real12};
// MapParams[0] and [1] are unsigned, [2] to [5] signed.
inline constexpr uint32_t F::*MapParams0 = &F::IntParam1;
inline constexpr uint32_t F::*MapParams1 = &F::IntParam2;
inline constexpr int32_t F::*MapParams[6] = {nullptr, nullptr, &F::IntParam3, &F::IntParam4, &F::IntParam5,
                                             &F::IntParam6};
inline constexpr int32_t F::*RefNumbers[2] = {&F::RefNumber1, &F::RefNumber2};

// The colour slot number the field constructors take for Colors[i] / ColorRefs[i].
constexpr uint32_t ColourSlot(uint32_t i) { return i + 1; }

}  // namespace legacy::fields
