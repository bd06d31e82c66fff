#include "foundation/settings/IniEscape.h"

namespace detail {
namespace {

// The one scan all three escapes share: text[0..length) is walked by code-page-932
// characters into out. A lead byte and the byte after it are copied unchanged,
// whatever that byte is (0x5C, the backslash, is a common trail byte), except LF:
// no character ends in LF, and a raw LF written into a line would end it there
// and let the rest of the text be read as lines of its own. So a lead byte
// before LF stands alone and the LF gets its escape. (The text form has no way
// to write that pair: the lead byte reads back paired with the escape's
// backslash. A value loses that invalid pair's shape, never the tree its
// structure.) Every other byte goes to `single(p, i, w)`, which writes its form
// at w (advancing w) and returns the index of the next byte to read. Returns the
// bytes written.
template <class Single>
inline size_t TranslateSingleBytes(const char* text, size_t length, char* out, Single single) noexcept {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    char* w = out;
    size_t i = 0;
    while (i < length) {
        if (IsCp932Lead(p[i]) && i + 1 < length && p[i + 1] != '\n') {
            *w++ = char(p[i]);
            *w++ = char(p[i + 1]);
            i += 2;
        } else {
            i = single(p, i, w);
        }
    }
    return size_t(w - out);
}

inline void PutEscape(char*& w, char c) noexcept {
    *w++ = '\\';
    *w++ = c;
}

}  // namespace

size_t EscapeIniValueRaw(const char* text, size_t length, char* out) noexcept {
    return TranslateSingleBytes(text, length, out, [length](const unsigned char* p, size_t i, char*& w) {
        const unsigned char c = p[i];
        switch (c) {
        case '\\': {
            const unsigned char next = i + 1 < length ? p[i + 1] : 0;
            if (next == '\\') {
                PutEscape(w, '0');
                return i + 2;
            }
            if (next >= '0' && next <= '8') {
                PutEscape(w, char(next + 1));
                return i + 2;
            }
            PutEscape(w, '\\');
            return i + 1;
        }
        case '\n': PutEscape(w, 'n'); return i + 1;
        case '\t': PutEscape(w, 't'); return i + 1;
        default: *w++ = char(c); return i + 1;
        }
    });
}

size_t UnescapeIniValueRaw(const char* text, size_t length, char* out) noexcept {
    return TranslateSingleBytes(text, length, out, [length](const unsigned char* p, size_t i, char*& w) {
        const unsigned char c = p[i];
        if (c != '\\') {
            *w++ = char(c);
            return i + 1;
        }
        if (i + 1 == length) return length;  // a backslash at the end stands for nothing
        const unsigned char next = p[i + 1];
        if (next == '\\') {
            *w++ = '\\';
        } else if (next == 'n') {
            *w++ = '\n';
        } else if (next == 't') {
            *w++ = '\t';
        } else if (next == '0') {
            PutEscape(w, '\\');
        } else if (next >= '1' && next <= '9') {
            PutEscape(w, char(next - 1));
        }
        // any other escape drops both bytes
        return i + 2;
    });
}

size_t EscapeIniNameRaw(const char* text, size_t length, char* out) noexcept {
    return TranslateSingleBytes(text, length, out, [](const unsigned char* p, size_t i, char*& w) {
        switch (p[i]) {
        case '\t': PutEscape(w, 't'); break;
        case '\n': PutEscape(w, 'n'); break;
        case '/': PutEscape(w, 's'); break;
        case '=': PutEscape(w, 'e'); break;
        case '\\': PutEscape(w, '\\'); break;
        default: *w++ = char(p[i]); break;
        }
        return i + 1;
    });
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
    scratch.SetLength(int32_t(detail::EscapeIniNameRaw(s.GetText(), length, scratch.GetBuffer())));
    s.AssignString(scratch);
}

// The member forms; the free functions are named from the global scope, which
// the members' own names would otherwise hide.

template <>
void CStr_base<64>::EscapeIniValue(CStr_base<64>& scratch) {
    ::EscapeIniValue(*this, scratch);
}

template <>
void CStr_base<64>::UnescapeIniValue(CStr_base<64>& scratch) {
    ::UnescapeIniValue(*this, scratch);
}

template <>
void CStr_base<64>::EscapeIniName(CStr_base<64>& scratch) {
    ::EscapeIniName(*this, scratch);
}
