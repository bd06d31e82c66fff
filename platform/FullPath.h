#pragma once
// Absolute form of a path, the Linux counterpart of the C runtime's _wfullpath.
//
// A relative path is taken from the process's current directory (read, never
// changed); an absolute one stands alone. "." and ".." are resolved on the text
// alone: the file and its folders need not exist, and symbolic links are not
// followed. Both "\" (as the system's stored paths write it) and "/" separate
// components; the result uses "/" only, has no repeated or "." components, and
// keeps one trailing "/" when the path ended with a separator. ".." at the root
// stays at the root. An empty path gives the current directory.
//
// Unlike Windows, colons and trailing dots or blanks are ordinary characters of a
// file name here and are kept.
#include <cstddef>
#include <string>

namespace platform {

// Longest result accepted, in UTF-16 units (the system's limit on a path, PATH_MAX,
// less its terminator).
constexpr size_t kFullPathMaxUnits = 4095;

// Fails, leaving `out` unchanged, when the current directory is needed but cannot
// be read or is not valid UTF-8, or when the result would be longer than
// kFullPathMaxUnits.
bool FullPath(const char16_t* path, size_t len, std::u16string& out);

}  // namespace platform
