#include "foundation/settings/IniEscape.h"

namespace detail {

size_t EscapeIniValueRaw(const char* text, size_t length, char* out) noexcept {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    char* w = out;
    size_t i = 0;
    while (i < length) {
        const unsigned char c = p[i];
        if (IsCp932Lead(c) && i + 1 < length) {
            *w++ = char(c);
            *w++ = char(p[i + 1]);
            i += 2;
            continue;
        }
        switch (c) {
        case '\\': {
            const unsigned char next = i + 1 < length ? p[i + 1] : 0;
            if (next == '\\') {
                *w++ = '\\';
                *w++ = '0';
                i += 2;
            } else if (next >= '0' && next <= '8') {
                *w++ = '\\';
                *w++ = char(next + 1);
                i += 2;
            } else {
                *w++ = '\\';
                *w++ = '\\';
                ++i;
            }
            continue;
        }
        case '\n':
            *w++ = '\\';
            *w++ = 'n';
            break;
        case '\t':
            *w++ = '\\';
            *w++ = 't';
            break;
        default:
            *w++ = char(c);
            break;
        }
        ++i;
    }
    return size_t(w - out);
}

size_t UnescapeIniValueRaw(const char* text, size_t length, char* out) noexcept {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    char* w = out;
    size_t i = 0;
    while (i < length) {
        const unsigned char c = p[i];
        if (IsCp932Lead(c) && i + 1 < length) {
            *w++ = char(c);
            *w++ = char(p[i + 1]);
            i += 2;
            continue;
        }
        if (c != '\\') {
            *w++ = char(c);
            ++i;
            continue;
        }
        if (i + 1 == length) break;  // a backslash at the end stands for nothing
        const unsigned char next = p[i + 1];
        i += 2;
        if (next == '\\') {
            *w++ = '\\';
        } else if (next == 'n') {
            *w++ = '\n';
        } else if (next == 't') {
            *w++ = '\t';
        } else if (next == '0') {
            *w++ = '\\';
            *w++ = '\\';
        } else if (next >= '1' && next <= '9') {
            *w++ = '\\';
            *w++ = char(next - 1);
        }
        // any other escape drops both bytes
    }
    return size_t(w - out);
}

}  // namespace detail

void EscapeIniValue(CStr_base<64>& s, CStr_base<64>& scratch) {
    scratch.Assign("");
    detail::AppendEscapedIniValue(scratch, s.GetText(), size_t(s.GetLength()));
    s.AssignString(scratch);
}

void UnescapeIniValue(CStr_base<64>& s, CStr_base<64>& scratch) {
    detail::AssignUnescapedIniValue(scratch, s.GetText(), size_t(s.GetLength()));
    s.AssignString(scratch);
}

void EscapeIniName(CStr_base<64>& s, CStr_base<64>& scratch) {
    const size_t length = size_t(s.GetLength());
    if (2 * uint64_t(length) + 2 >= detail::kMaxStrCapacity) throw 0;
    scratch.Reserve(uint32_t(2 * length + 2));
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.GetText());
    char* w = scratch.GetBuffer();
    size_t i = 0;
    while (i < length) {
        const unsigned char c = p[i];
        if (IsCp932Lead(c) && i + 1 < length) {
            *w++ = char(c);
            *w++ = char(p[i + 1]);
            i += 2;
            continue;
        }
        ++i;
        char escaped;
        switch (c) {
        case '\t': escaped = 't'; break;
        case '\n': escaped = 'n'; break;
        case '/': escaped = 's'; break;
        case '=': escaped = 'e'; break;
        case '\\': escaped = '\\'; break;
        default:
            *w++ = char(c);
            continue;
        }
        *w++ = '\\';
        *w++ = escaped;
    }
    scratch.SetLength(int32_t(w - scratch.GetBuffer()));
    s.AssignString(scratch);
}
