#include "platform/FullPath.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "platform/Utf8.h"

namespace platform {
namespace {

inline bool IsSeparator(char16_t c) noexcept { return c == u'/' || c == u'\\'; }

bool CurrentDirectory(std::u16string& out) {
    char* cwd = getcwd(nullptr, 0);
    if (cwd == nullptr) return false;
    // getcwd may report an unreachable directory as "(unreachable)/..." : only an
    // absolute path is a base we can use.
    bool ok = cwd[0] == '/' && Utf8ToUtf16(cwd, std::strlen(cwd), out);
    std::free(cwd);
    return ok;
}

// Appends the components of text[0..len) to `result` (an absolute path without a
// trailing separator, "" standing for the root), resolving "." and "..".
void AppendComponents(const char16_t* text, size_t len, std::u16string& result) {
    size_t i = 0;
    while (i < len) {
        while (i < len && IsSeparator(text[i])) ++i;
        size_t start = i;
        while (i < len && !IsSeparator(text[i])) ++i;
        size_t n = i - start;
        if (n == 0 || (n == 1 && text[start] == u'.')) continue;
        if (n == 2 && text[start] == u'.' && text[start + 1] == u'.') {
            size_t slash = result.rfind(u'/');
            result.resize(slash == std::u16string::npos ? 0 : slash);
            continue;
        }
        result.push_back(u'/');
        result.append(text + start, n);
    }
}

}  // namespace

bool FullPath(const char16_t* path, size_t len, std::u16string& out) {
    std::u16string result;
    if (len == 0 || !IsSeparator(path[0])) {
        // getcwd's answer is already canonical; its components are taken as they are
        // (a "\" inside a Linux folder name is part of that name).
        if (!CurrentDirectory(result)) return false;
        while (!result.empty() && result.back() == u'/') result.pop_back();
    }
    AppendComponents(path, len, result);
    if (result.empty() || (len > 0 && IsSeparator(path[len - 1]))) result.push_back(u'/');
    if (result.size() > kFullPathMaxUnits) return false;
    out.swap(result);
    return true;
}

}  // namespace platform
