#pragma once
// Escapes of the settings text form.
//
// A settings text is line-oriented, so a value may not hold a raw line feed. The
// value escapes turn LF and TAB into "\n" and "\t" and keep every backslash
// recoverable; the name escapes make a user text (an object name) safe as one
// key or section name of a key path. Both scan by code-page-932 characters: a
// lead byte and the byte after it are one character and are copied unchanged,
// even when the second byte is 0x5C (a backslash); a lead byte before LF is a
// byte of its own, so no escaped text ever holds a raw LF.
//
// Value escapes, writer side:     Reader side:
//   "\\"          -> "\0"            "\\" -> "\"      "\n" -> LF     "\t" -> TAB
//   "\" + d (0-8) -> "\" + (d + 1)   "\0" -> "\\"     "\" + d (1-9) -> "\" + (d - 1)
//   other "\"     -> "\\"            "\" at the end, or "\" + any other byte: dropped
//   LF -> "\n", TAB -> "\t"
// so unescaping an escaped value gives the value back. CR has no escape.
//
// Name escapes (never undone; the escaped form is the stored name):
//   TAB -> "\t", LF -> "\n", "/" -> "\s", "=" -> "\e", "\" -> "\\".
//
// The three operations build the result in `scratch` and copy it back into `s`,
// so both hold the result afterwards. CStr_base<64> has them as members too
// (s.EscapeIniValue(scratch), ...).
#include <cstddef>
#include <cstdint>

#include "foundation/strings/Str.h"

void EscapeIniValue(CStr_base<64>& s, CStr_base<64>& scratch);
void UnescapeIniValue(CStr_base<64>& s, CStr_base<64>& scratch);
void EscapeIniName(CStr_base<64>& s, CStr_base<64>& scratch);

namespace detail {

// Writes the escaped form of text[0..length) to out and returns the bytes
// written; out must have room for 2 * length bytes.
size_t EscapeIniValueRaw(const char* text, size_t length, char* out) noexcept;

// Writes the unescaped form of text[0..length) to out and returns the bytes
// written; out must have room for length bytes (the result is never longer).
size_t UnescapeIniValueRaw(const char* text, size_t length, char* out) noexcept;

// Writes the name-escaped form of text[0..length) to out and returns the bytes
// written; out must have room for 2 * length bytes.
size_t EscapeIniNameRaw(const char* text, size_t length, char* out) noexcept;

// Appends the escaped form of text[0..length) to target.
template <unsigned N>
void AppendEscapedIniValue(CStr_base<N>& target, const char* text, size_t length) {
    const uint64_t need = uint64_t(uint32_t(target.GetLength())) + 2 * uint64_t(length) + 2;
    if (need >= kMaxStrCapacity) throw 0;
    target.Reserve(uint32_t(need));
    const size_t written = EscapeIniValueRaw(text, length, target.GetBuffer() + target.GetLength());
    target.SetLength(target.GetLength() + int32_t(written));
}

// Replaces target's text by the unescaped form of text[0..length). The text may
// lie in target's own buffer: the result is never longer than what it was read
// from, so writing from the start of the buffer never overtakes the reading.
template <unsigned N>
void AssignUnescapedIniValue(CStr_base<N>& target, const char* text, size_t length) {
    if (uint64_t(length) + 2 >= kMaxStrCapacity) throw 0;
    const bool inside = target.GetCapacity() != 0 && PointsInto(text, target.GetText(), target.GetCapacity());
    if (!inside) target.Reserve(uint32_t(length) + 2);
    const size_t written = UnescapeIniValueRaw(text, length, target.GetBuffer());
    target.SetLength(int32_t(written));
}

}  // namespace detail
