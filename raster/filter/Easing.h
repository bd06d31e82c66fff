#pragma once
// Easing curves: how far along an amount c a run of T steps has come at step t
// (or, for the oscillating curves 256..263, a signed swing of size c).
//
// Type word: bits 0-15 the curve (0..18, 256..263; any other number returns c),
// bits 16-31 the cycle count of the oscillating curves (0 counts as 1). Integer
// divisions truncate toward zero; floating-point parts are IEEE double with the
// C library's sin and cos, evaluated left to right.
//
// Every curve gives its end value once t >= T: c, except 0 for the oscillating
// curves 256, 257, 259, 260, 261 and 262. A step below 0 counts as 0 and a step
// past the end as T; a duration of 0 or below gives the end value at once.
// Products are taken in a wider type than the arguments, so no argument range
// overflows; a result outside the result type is clamped to it.
#include <cstdint>

int32_t EaseValue(uint32_t type, int32_t t, int32_t duration, int32_t c);
int64_t EaseValue64(uint32_t type, int64_t t, int64_t duration, int64_t c);

// The simple curves on their own (types 1, 2, 5, 6, 9, 10, 256..259).
int32_t EaseTriangularIn(int32_t t, int32_t duration, int32_t c);
int32_t EaseTriangularOut(int32_t t, int32_t duration, int32_t c);
int32_t EaseQuadIn(int32_t t, int32_t duration, int32_t c);
int32_t EaseQuadOut(int32_t t, int32_t duration, int32_t c);
int32_t EaseSineIn(int32_t t, int32_t duration, int32_t c);
int32_t EaseSineOut(int32_t t, int32_t duration, int32_t c);
int32_t EaseGrowingSine(int32_t t, int32_t duration, int32_t c, uint32_t cycles);
int32_t EaseDecayingSine(int32_t t, int32_t duration, int32_t c, uint32_t cycles);
int32_t EaseGrowingCosine(int32_t t, int32_t duration, int32_t c, uint32_t cycles);
int32_t EaseDecayingCosine(int32_t t, int32_t duration, int32_t c, uint32_t cycles);

int64_t EaseTriangularIn64(int64_t t, int64_t duration, int64_t c);
int64_t EaseTriangularOut64(int64_t t, int64_t duration, int64_t c);
int64_t EaseQuadIn64(int64_t t, int64_t duration, int64_t c);
int64_t EaseQuadOut64(int64_t t, int64_t duration, int64_t c);
int64_t EaseSineIn64(int64_t t, int64_t duration, int64_t c);
int64_t EaseSineOut64(int64_t t, int64_t duration, int64_t c);
int64_t EaseGrowingSine64(int64_t t, int64_t duration, int64_t c, uint32_t cycles);
int64_t EaseDecayingSine64(int64_t t, int64_t duration, int64_t c, uint32_t cycles);
int64_t EaseGrowingCosine64(int64_t t, int64_t duration, int64_t c, uint32_t cycles);
int64_t EaseDecayingCosine64(int64_t t, int64_t duration, int64_t c, uint32_t cycles);

// atan2(y, x) with x converted to double (Atan2UInt takes x as unsigned).
double Atan2Int(double y, int32_t x);
double Atan2UInt(double y, uint32_t x);
