#pragma once
// The path rules of linked files, shared by the resolver and the writer.
//
// A stored link name keeps the text the user gave it, with "\" or "/" between
// folders. A name that starts at a root ("/" or "\") stands alone; any other is
// taken relative to a folder, joined explicitly (the process's current directory
// plays no part).
#include "foundation/strings/Str.h"

// Whether a stored link name starts at a root and so needs no folder.
inline bool IsRootedLinkPath(const char* name) noexcept { return name[0] == '/' || name[0] == '\\'; }

// The full path of a stored link name: a rooted name normalised, any other
// joined to folder first. False, full untouched, when the folder is empty for
// a relative name or no full path can be formed.
bool ResolveLinkPathIn(const char* folder, const char* name, CStr_base<64>& full);
