#pragma once
// UTF-16 <-> UTF-8, for the file-system boundary: the system's paths travel as
// UTF-16 between code page 932 and the UTF-8 names that Linux stores.
//
// Both directions are strict. A path must reach the file system as the exact
// name the user chose, so instead of replacing what cannot be converted with
// U+FFFD (which would name a different file) the conversion fails: an unpaired
// surrogate on the UTF-16 side, and on the UTF-8 side a malformed or truncated
// sequence, an overlong form, an encoded surrogate or a value above U+10FFFF.
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Writes the UTF-8 form of the code point c (at most U+10FFFF; the caller keeps
// surrogates out) at out and returns the end of what it wrote, one to four bytes.
inline char* EncodeUtf8(uint32_t c, char* out) noexcept {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Converts `len` UTF-16 units; on failure `out` is left unchanged.
bool Utf16ToUtf8(const char16_t* text, size_t len, std::string& out);

// Converts `len` UTF-8 bytes; on failure `out` is left unchanged.
bool Utf8ToUtf16(const char* text, size_t len, std::u16string& out);

}  // namespace platform
