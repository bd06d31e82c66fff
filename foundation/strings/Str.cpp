#include "foundation/strings/Str.h"

int32_t FindChar(const char* text, char c) noexcept {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char uc = static_cast<unsigned char>(c);
    for (int32_t i = 0; p[i] != 0;) {
        if (p[i] == uc) return i;
        if (IsCp932Lead(p[i])) {
            if (p[i + 1] == 0) break;
            i += 2;
        } else {
            ++i;
        }
    }
    return -1;
}

namespace {

// Whether pattern (of patLen bytes, patLen > 0) starts at p; never reads past
// the NUL of p.
inline bool MatchesAt(const unsigned char* p, const char* pattern, size_t patLen) noexcept {
    return p[0] == static_cast<unsigned char>(pattern[0]) &&
           std::strncmp(reinterpret_cast<const char*>(p), pattern, patLen) == 0;
}

}  // namespace

int32_t FindSubstring(const char* text, const char* pattern) noexcept {
    const size_t patLen = std::strlen(pattern);
    if (patLen == 0) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (int32_t i = 0; p[i] != 0;) {
        if (MatchesAt(p + i, pattern, patLen)) return i;
        if (IsCp932Lead(p[i])) {
            if (p[i + 1] == 0) break;
            i += 2;
        } else {
            ++i;
        }
    }
    return -1;
}

int32_t FindLastSubstring(const char* text, const char* pattern) noexcept {
    const size_t patLen = std::strlen(pattern);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    int32_t found = -1;
    for (int32_t i = 0; p[i] != 0;) {
        if (patLen == 0 || MatchesAt(p + i, pattern, patLen)) found = i;
        if (IsCp932Lead(p[i])) {
            if (p[i + 1] == 0) break;
            i += 2;
        } else {
            ++i;
        }
    }
    return found;
}
