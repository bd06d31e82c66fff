// Escapes, the narrow string's FromWide, full paths and the file-system bridges.
//
// FromWide with escapes works on the direct conversion: every "?" in it that does
// not stand for a real question mark is a character that code page 932 lacks, and
// is replaced by its escape. The converted text and the UTF-16 text are walked side
// by side, one character each, copying the converted bytes in runs. A character
// followed by a variation selector is written as one escape with the selector's
// number, so "葛" + U+E0100 keeps its glyph variant although "葛" itself has a
// code-page-932 form.
#include "foundation/strings/UStr.h"

#include <memory>

#include "platform/FullPath.h"
#include "platform/Utf8.h"

namespace detail {
namespace {

inline int HexValue(char16_t c) noexcept {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Appends "%u[" hex ("+" selector) "]" to target; selector 0 means none.
void AppendEscape(CStr_base<64>& target, uint32_t codePoint, uint32_t selector) {
    char text[24];
    char* p = text;
    *p++ = '%';
    *p++ = 'u';
    *p++ = '[';
    int shift = 28;
    while (shift > 0 && (codePoint >> shift) == 0) shift -= 4;
    for (; shift >= 0; shift -= 4) *p++ = "0123456789ABCDEF"[(codePoint >> shift) & 0xF];
    if (selector != 0) {
        *p++ = '+';
        char digits[4];
        int n = 0;
        do {
            digits[n++] = char('0' + selector % 10);
            selector /= 10;
        } while (selector != 0);
        while (n > 0) *p++ = digits[--n];
    }
    *p++ = ']';
    target.AppendN(text, int32_t(p - text));
}

// When `w` starts a variation selector, returns its number (1..256) and the units it
// takes; otherwise 0.
uint32_t SelectorAt(const char16_t* w, uint32_t& units) noexcept {
    if (w[0] >= 0xFE00 && w[0] <= 0xFE0F) {
        units = 1;
        return (w[0] & 0xF) + 1u;
    }
    if (w[0] == 0xDB40 && w[1] >= 0xDD00 && w[1] <= 0xDDEF) {
        units = 2;
        return (w[1] & 0xFF) + 17u;
    }
    return 0;
}

// Moves c past at most `count` "?" bytes.
inline const char* SkipQuestionMarks(const char* c, uint32_t count) noexcept {
    while (count > 0 && *c == '?') {
        ++c;
        --count;
    }
    return c;
}

}  // namespace

void AppendWithEscapes(CStr_base<64>& target, const char* converted, const char16_t* wide, size_t units) {
    // How many "?" the converter wrote for a supplementary character without a
    // form: one when it counts characters (fewer characters than units), else two.
    size_t characters = 0;
    for (const char* c = converted; *c != 0;) {
        c += (IsCp932Lead(static_cast<unsigned char>(*c)) && c[1] != 0) ? 2 : 1;
        ++characters;
    }
    const uint32_t pairMarks = characters < units ? 1 : 2;

    const char* c = converted;
    const char16_t* w = wide;
    const char* pending = converted;
    while (*c != 0 && *w != 0) {
        if (*c == '?') {
            if (*w == u'?') {  // a real question mark
                ++c;
                ++w;
                continue;
            }
            target.AppendN(pending, int32_t(c - pending));
            uint32_t codePoint = *w;
            if (IsHighSurrogate(w[0]) && IsLowSurrogate(w[1])) {
                codePoint = 0x10000 + ((uint32_t(w[0]) - 0xD800) << 10) + (uint32_t(w[1]) - 0xDC00);
                w += 2;
                c = SkipQuestionMarks(c, pairMarks);
            } else {
                ++w;
                c = SkipQuestionMarks(c, 1);
            }
            uint32_t selectorUnits = 0;
            const uint32_t selector = SelectorAt(w, selectorUnits);
            if (selector != 0) {
                w += selectorUnits;
                c = SkipQuestionMarks(c, selectorUnits == 1 ? 1 : pairMarks);
            }
            AppendEscape(target, codePoint, selector);
            pending = c;
            continue;
        }

        const size_t bytes = (IsCp932Lead(static_cast<unsigned char>(*c)) && c[1] != 0) ? 2 : 1;
        const size_t step = (IsHighSurrogate(w[0]) && w[1] != 0) ? 2 : 1;
        // A character with a form followed by a selector (which has none) becomes one
        // escape with the selector's number. Not for ASCII: an escape below U+0080
        // does not decode, so there the selector gets its own escape instead.
        if (c[bytes] == '?' && *w >= 0x80) {
            uint32_t selectorUnits = 0;
            const uint32_t selector = SelectorAt(w + step, selectorUnits);
            if (selector != 0) {
                target.AppendN(pending, int32_t(c - pending));
                uint32_t codePoint = *w;
                if (step == 2 && IsLowSurrogate(w[1]))
                    codePoint = 0x10000 + ((uint32_t(w[0]) - 0xD800) << 10) + (uint32_t(w[1]) - 0xDC00);
                AppendEscape(target, codePoint, selector);
                c = SkipQuestionMarks(c + bytes, selectorUnits == 1 ? 1 : pairMarks);
                w += step + selectorUnits;
                pending = c;
                continue;
            }
        }
        c += bytes;
        w += step;
    }
    target.AppendN(pending, -1);
}

int32_t DecodeEscapesInPlace(char16_t* t, int32_t length) noexcept {
    // The text never grows: an escape of a character takes at least five units
    // ("%u[" and two digits) for the one or two it writes, a selector at least two
    // ("+" and a digit) for one, three for two.
    int32_t r = 0;
    int32_t w = 0;
    while (r < length) {
        if (t[r] == u'%' && r + 1 < length) {
            if (t[r + 1] == u'%') {  // "%%" protects what follows
                t[w++] = u'%';
                t[w++] = u'%';
                r += 2;
                continue;
            }
            if (t[r + 1] == u'u' && r + 2 < length && t[r + 2] == u'[') {
                r += 3;
                // Hexadecimal digits; a value past U+10FFFF saturates (stays invalid).
                uint32_t value = 0;
                for (int h; r < length && (h = HexValue(t[r])) >= 0; ++r)
                    value = value > 0x10FFFF ? value : value * 16 + uint32_t(h);
                if (value < 0x80 || value > 0x10FFFF) continue;  // dropped; what ended the digits is text
                if (value < 0x10000) {
                    t[w++] = char16_t(value);
                } else {
                    t[w++] = char16_t(((value - 0x10000) >> 10) | 0xD800);
                    t[w++] = char16_t((value & 0x3FF) | 0xDC00);
                }
                if (r < length && t[r] == u'+') {
                    ++r;
                    uint32_t n = 0;
                    for (; r < length && t[r] >= u'0' && t[r] <= u'9'; ++r)
                        n = n > 1000 ? n : n * 10 + uint32_t(t[r] - u'0');
                    if (n >= 1 && n <= 16) {
                        t[w++] = char16_t(0xFE00 + n - 1);
                    } else if (n >= 17 && n <= 256) {
                        t[w++] = 0xDB40;
                        t[w++] = char16_t(0xDD00 + n - 17);
                    }
                }
                while (r < length && t[r] != u']') ++r;
                if (r < length) ++r;
                continue;
            }
        }
        t[w++] = t[r++];
    }
    if (w < length) t[w] = 0;
    return w;
}

}  // namespace detail

template <>
bool CStr_base<64>::FromWide(const char16_t* text, bool escape) {
    const size_t units = detail::WideLength(text);
    if (units > size_t(INT32_MAX)) throw 0;

    // One conversion into a scratch block gives both the size and whether a
    // character needed the default; short texts stay on the stack.
    const size_t room = platform::Utf16ToCp932MaxBytes(units) + 1;
    char local[1024];
    std::unique_ptr<char[]> heap;
    char* converted = local;
    if (room > sizeof local) {
        heap.reset(new char[room]);
        converted = heap.get();
    }
    bool usedDefault = false;
    const ptrdiff_t size = platform::Utf16ToCp932(text, units, converted, room - 1, &usedDefault);
    SetLength(0);
    if (size < 0) return false;
    if (uint64_t(size) + 1 + 5 >= detail::kMaxStrCapacity) throw 0;
    Reserve(uint32_t(size) + 1 + 5);

    if (!escape || !usedDefault) {
        std::memcpy(GetBuffer(), converted, size_t(size));
        SetLength(int32_t(size));
        return true;
    }
    converted[size] = 0;
    detail::AppendWithEscapes(*this, converted, text, units);
    return true;
}

bool MakeFullPathWide(const char16_t* path, CUStr_base<64>& result) {
    size_t len = detail::WideLength(path);
    if (len > 0 && path[0] == u'"') {
        ++path;
        --len;
        if (len > 0 && path[len - 1] == u'"') --len;
    }
    std::u16string full;
    if (!platform::FullPath(path, len, full)) return false;
    result.Assign(full.c_str());
    return true;
}

bool MakeFullPath(const char* path, CStr_base<64>& result) {
    CUStr_base<64> wide;
    if (!wide.FromCP932(path, false)) return false;
    wide.DecodeEscapes();
    CUStr_base<64> full;
    if (!MakeFullPathWide(wide.GetText(), full)) return false;
    CStr_base<64> narrow;
    if (!narrow.FromWide(full.GetText(), true)) return false;
    result = std::move(narrow);
    return true;
}

bool PathToSystem(const char* cp932PathWithEscapes, std::string& utf8Out) {
    CUStr_base<64> wide;
    if (!wide.FromCP932(cp932PathWithEscapes, false)) return false;
    wide.DecodeEscapes();
    char16_t* p = wide.GetBuffer();
    for (int32_t i = 0; i < wide.GetLength(); ++i) {
        if (p[i] == u'\\') p[i] = u'/';
    }
    return platform::Utf16ToUtf8(wide.GetText(), size_t(wide.GetLength()), utf8Out);
}

bool PathFromSystem(const char* utf8, CStr_base<64>& out) {
    std::u16string wide;
    if (!platform::Utf8ToUtf16(utf8, std::strlen(utf8), wide)) return false;
    return out.FromWide(wide.c_str(), true);
}
