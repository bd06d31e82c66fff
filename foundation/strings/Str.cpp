#include "foundation/strings/Str.h"

namespace {

// Steps through the character starts of a NUL-terminated text in order and
// returns the first one at which at(i) is true, or -1. A lead byte followed by
// NUL ends the text.
template <class At>
inline int32_t FirstCharStart(const unsigned char* p, At at) noexcept {
    for (int32_t i = 0; p[i] != 0;) {
        if (at(i)) return i;
        if (IsCp932Lead(p[i])) {
            if (p[i + 1] == 0) break;
            i += 2;
        } else {
            ++i;
        }
    }
    return -1;
}

// Whether pattern (of patLen bytes, patLen > 0) starts at p; never reads past
// the NUL of p.
inline bool MatchesAt(const unsigned char* p, const char* pattern, size_t patLen) noexcept {
    return p[0] == static_cast<unsigned char>(pattern[0]) &&
           std::strncmp(reinterpret_cast<const char*>(p), pattern, patLen) == 0;
}

}  // namespace

int32_t FindChar(const char* text, char c) noexcept {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char uc = static_cast<unsigned char>(c);
    return FirstCharStart(p, [&](int32_t i) { return p[i] == uc; });
}

int32_t FindSubstring(const char* text, const char* pattern) noexcept {
    const size_t patLen = std::strlen(pattern);
    if (patLen == 0) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    return FirstCharStart(p, [&](int32_t i) { return MatchesAt(p + i, pattern, patLen); });
}

int32_t FindLastSubstring(const char* text, const char* pattern) noexcept {
    const size_t patLen = std::strlen(pattern);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    int32_t found = -1;
    FirstCharStart(p, [&](int32_t i) {
        if (patLen == 0 || MatchesAt(p + i, pattern, patLen)) found = i;
        return false;  // every start is looked at
    });
    return found;
}
