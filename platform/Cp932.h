#pragma once
// Code page 932 <-> UTF-16, the conversions the system's text needs at every
// boundary where the outside world speaks Unicode (file names, clipboard, IME).
//
// Both directions run on glibc iconv "CP932" (never "SHIFT_JIS", which maps 0x5C
// and 0x7E to the yen sign and the overline) and behave like the Windows code
// page 932 tables:
//
// - Decoding refuses invalid input: an undefined double-byte code, a lead byte
//   without a valid trail byte or a lead byte at the end make the whole
//   conversion fail, as MultiByteToWideChar with MB_ERR_INVALID_CHARS does.
// - The single bytes 0x80, 0xA0, 0xFD, 0xFE and 0xFF, which iconv rejects, decode
//   to U+0080, U+F8F0, U+F8F1, U+F8F2 and U+F8F3 and encode back.
// - Encoding uses no look-alikes ("best fit"): a character without an exact
//   code page 932 form becomes one "?" and sets the used-default flag. One "?"
//   per code point: a surrogate pair without a form gives a single "?", an
//   unpaired surrogate gives one "?" of its own. The handful of one-way
//   mappings that iconv adds on its own (U+00A5 -> 0x5C, U+2014 -> 0x815C, ...)
//   are refused the same way, so that every encoded character decodes back to
//   itself. NEC and IBM duplicate codes decode to their character, and that
//   character encodes to one canonical code (JIS X 0208 first, then the NEC
//   row 13, then the IBM extension).
//
// Every code page 932 character, single or double byte, is one UTF-16 unit, so
// the decoded size is known from the bytes alone. Texts are passed with their
// length and need no terminator; nothing is written past the length returned.
//
// The iconv descriptors are cached per thread (they are not thread-safe).
#include <cstddef>
#include <cstdint>

namespace platform {

// True for the bytes that start a double-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsCp932LeadByte(unsigned char b) noexcept {
    return static_cast<unsigned char>(b - 0x81) <= 0x9F - 0x81 || static_cast<unsigned char>(b - 0xE0) <= 0xFC - 0xE0;
}

// Number of UTF-16 units that `len` bytes of code page 932 text decode to when
// they are valid: a lead byte with a byte after it counts once, every other byte
// once. Exact for valid text, an upper bound of what a failed decode could need.
size_t Cp932DecodedLength(const char* text, size_t len) noexcept;

// Decodes `len` bytes into dst (room for `capacity` units). Returns the number of
// units written, or -1 when the text is not valid code page 932, when dst is too
// small, or when the system has no CP932 converter.
ptrdiff_t Cp932ToUtf16(const char* text, size_t len, char16_t* dst, size_t capacity) noexcept;

// Largest number of bytes that `units` UTF-16 units can encode to.
constexpr size_t Utf16ToCp932MaxBytes(size_t units) noexcept { return units * 2; }

// Encodes `len` UTF-16 units into dst (room for `capacity` bytes). Characters
// without a code page 932 form become "?" and set *usedDefault (which is left
// alone otherwise; it may be null). Returns the number of bytes written, or -1
// when dst is too small or the system has no CP932 converter. A capacity of
// Utf16ToCp932MaxBytes(len) is always enough.
ptrdiff_t Utf16ToCp932(const char16_t* text, size_t len, char* dst, size_t capacity,
                       bool* usedDefault) noexcept;

// The size in bytes that Utf16ToCp932 would produce, and whether it would need
// the default character, without keeping the result. -1 as Utf16ToCp932.
ptrdiff_t Utf16ToCp932Size(const char16_t* text, size_t len, bool* usedDefault) noexcept;

}  // namespace platform
