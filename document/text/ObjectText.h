#pragma once
// Helpers of the object definition forms shared with the document writer (the
// forms themselves are members of QDXObject).
#include <cstdint>

#include "foundation/strings/Str.h"

// Replaces out with the definition of a link object of the kind (3 an image
// file, 4 an object of another document) for the path, every backslash
// doubled. Always true.
bool WriteLinkDefinition(int32_t kind, const char* path, CStr_base<16384>& out);
