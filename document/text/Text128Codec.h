#pragma once
// The image-as-text codec: arbitrary bytes as text that can stand inside a
// quoted argument of a document line, and back.
//
// 7 bytes become 8 symbols of a 128-symbol alphabet: "0"-"9", "A"-"Z", "a"-"z",
// "{", "|", "}" and the 63 half-width katakana bytes 0xA1-0xDF, in that order
// (symbol values 0-127). None of them is a quote, backslash, comma, bracket or
// white space, and each is a whole one-byte character of code page 932, so the
// text needs no escaping and never splits a two-byte character.
//
// The bytes form one bit string, most significant bit of the first byte first,
// cut into 7-bit symbols. A final group of r bytes (1 <= r <= 6) gives r + 1
// symbols, the last one filled with zero bits at its low end; no length, header
// or terminator is encoded. So n bytes give n / 7 x 8 symbols, plus n % 7 + 1
// when n % 7 is not 0.
//
// Design note: these operate on a string but are free functions here (string
// first) rather than string members, so the foundation strings do not depend on
// the document layer.
#include <cstdint>

#include "foundation/strings/Str.h"

// DecodeText128's failure value (all 32 bits set).
inline constexpr uint32_t kText128Failed = 0xFFFFFFFFu;

// Replaces the content of text by the encoding of count bytes of data; always
// true. Reserves the exact size, (count + 6) / 7 x 8 + 1 bytes, once; a size the
// string cannot hold throws the int 0, like Reserve, and the string keeps its
// previous content. data may point into text's own buffer.
// Instantiated for N = 64, 1024 and 16384.
template <unsigned N>
bool EncodeText128(CStr_base<N>& text, const uint8_t* data, uint32_t count);

// Decodes text into buffer.
// - buffer null: returns the size to reserve, (length + 7) / 8 x 7 (an upper
//   bound by whole groups); capacity is ignored.
// - otherwise returns the number of bytes decoded, or kText128Failed when the
//   text holds a byte outside the alphabet or the output would pass capacity.
//   On failure the bytes of the groups before the failing one stay written;
//   nothing is ever written beyond the bytes decoded.
// A lone trailing symbol (one symbol after the last whole group) is ignored, and
// the fill bits of a short last group are not checked.
// Instantiated for N = 64 and 16384.
template <unsigned N>
uint32_t DecodeText128(const CStr_base<N>& text, uint8_t* buffer, uint32_t capacity);
