#pragma once
// The library's printf into a narrow string: CStr_base<N>::Format packs its
// arguments into 64-bit slots and calls FormatInto, which replaces the target's
// text with the formatted result.
//
// Conversions: c d i o u x X e E f g G p as in C (lengths "h", "l" = 32-bit and
// "I64" = 64-bit), s for a code-page-932 text, n to store the length so far, and
// two of the system's own: "F" (like "f" with trailing zeros and a bare "."
// removed) and the grouping flag "'" or "," (a "," between groups of three
// digits). Width and precision are at most 399 as digits and 400 through "*".
// A malformed directive is dropped and produces nothing.
#include <cstdint>

#include "foundation/strings/FormatArg.h"
#include "foundation/strings/Str.h"

template <unsigned N>
void FormatInto(CStr_base<N>& target, const char* fmt, const FormatArg* args, uint32_t count);

extern template void FormatInto<64>(CStr_base<64>&, const char*, const FormatArg*, uint32_t);
extern template void FormatInto<1024>(CStr_base<1024>&, const char*, const FormatArg*, uint32_t);
extern template void FormatInto<16384>(CStr_base<16384>&, const char*, const FormatArg*, uint32_t);
