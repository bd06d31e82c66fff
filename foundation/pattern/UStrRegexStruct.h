#pragma once
// The UTF-16 twin of the pattern element. Nothing compiles or matches wide
// patterns; the type describes wide pattern data with the same tree.
#include "foundation/pattern/StrRegexStruct.h"
#include "foundation/strings/UStr.h"

using CUStrRegexStruct = detail::RegexStruct<CUStr_base<32>, char16_t>;
