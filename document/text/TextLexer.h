#pragma once
// The character-level tools every text parser of the document format is built
// from: splitting an argument list into its top-level items, finding the quote
// that closes a quoted text, undoing and applying backslash escapes, prefix tests
// for keywords, and cutting a path at its last folder separator.
//
// All texts are NUL-terminated code-page-932 bytes. A lead byte (0x81-0x9F,
// 0xE0-0xFC) followed by a non-NUL byte is one double-byte character: both bytes
// are stepped over together and the second is never taken for a delimiter, quote,
// bracket, comma or backslash, whatever its value. A lead byte right before the
// terminating NUL is an ordinary single byte.
//
// Design note: the string and string-array operations here are free functions
// taking the string (or array) first, so that the foundation library does not
// depend on the document layer.
//
// None of the tools fails on malformed text: they report what they found (a
// count, an offset of -1, a false) and the parsers decide. Growing an item, the
// output array or a string may throw what the strings and arrays throw (the int 0
// for an impossible size, std::bad_alloc).
#include <cstddef>
#include <cstdint>

#include "foundation/containers/StrArray.h"
#include "foundation/strings/Str.h"

// Splits the argument list that follows an opening bracket into its top-level
// items. The array is emptied first and then receives the items in order, byte
// for byte (nothing trimmed; quotes and escapes stay; an item may be empty).
// Returns the number of items, at least 1.
//
// A comma at bracket depth 0 ends an item. "(", "[" and "{" raise the depth and
// ")", "]" and "}" lower it, without matching kinds; a closing bracket at depth 0
// ends the list and the text after it is not looked at. Inside a double- or
// single-quoted text nothing counts but its closing quote, and a backslash takes
// the next byte (or double-byte character) with it. A text that ends before the
// closing bracket, inside a quote or inside a nested bracket ends the list too,
// its last item running to the end.
//
// When end is given it receives the byte after the closing bracket, or the text's
// terminating NUL when the text ended first. The text may be one of the array's
// own items; the items are then made from a copy, and end still points into the
// text as passed (whose storage the split has reused, so only end - text means
// anything afterwards).
//
// Defined for the 64-class array (short argument items) and the 1024-class array
// (whole factor texts of an object definition).
template <unsigned N>
uint32_t SplitArguments(CStrArray_base<N>& items, const char* text, const char** end = nullptr);

extern template uint32_t SplitArguments<64>(CStrArray_base<64>&, const char*, const char**);
extern template uint32_t SplitArguments<1024>(CStrArray_base<1024>&, const char*, const char**);

// Where one item of an argument list lies: its offset from the start of the
// list's text and its length in bytes.
struct ArgumentSpan {
    size_t offset;
    size_t length;
};

// SplitArguments without copies: the same items, by the same rules, reported
// as spans of the text. The first `capacity` spans are stored; the return value
// is the number of items, which may be more. `end` as for SplitArguments.
uint32_t FindArguments(const char* text, ArgumentSpan* spans, uint32_t capacity,
                       const char** end = nullptr) noexcept;

// Finds the byte that closes the quoted text opening at `open`: the delimiter is
// the byte at open (a double quote in written text, but any byte serves). Returns
// the offset from open to the closing delimiter, or -1 when the text ends first.
// Double-byte characters and backslash escapes (a backslash with the next byte or
// double-byte character) are stepped over; a lone backslash at the end gives -1.
// So two delimiters in a row give 1, and a text of one byte gives -1.
int32_t FindClosingQuote(const char* open) noexcept;

// Whether length bytes, written between double quotes as they are, read back
// as exactly themselves: no double quote outside an escape or a double-byte
// character, and no escape or lead byte at the end that would take the closing
// quote with it.
bool ReadsBackQuoted(const char* bytes, int32_t length) noexcept;

// The bytes between the quotes of a quoted item (names, paths): begin and
// length of the text between the delimiter at item and its closing byte. False
// when the item opens no closed quoted text, and when the text would not read
// back once written between double quotes byte for byte (possible only with
// another delimiter).
bool FindQuotedText(const char* item, const char*& begin, int32_t& length) noexcept;

// Replaces text by its unescaped form: a backslash followed by a backslash, "n",
// "t", an apostrophe or a double quote becomes a backslash, a line feed, a tab,
// an apostrophe or a double quote; a backslash followed by any other character
// (one byte, or a whole double-byte character) disappears with it; a backslash at
// the end is dropped. The result is built in scratch, whose old content is lost,
// and copied back, so both hold it afterwards.
void Unescape(CStr_base<64>& text, CStr_base<64>& scratch);

// Replaces text by its escaped form: backslash, line feed, tab, apostrophe and
// double quote become "\\", "\n", "\t", "\'" and "\""; every other byte is copied,
// a double-byte character whole even when its second byte is a backslash or a
// quote; a carriage return stays as it is. Unescape gives the text back. scratch
// as for Unescape.
void Escape(CStr_base<64>& text, CStr_base<64>& scratch);

// Whether text begins with keyword, byte for byte and case-sensitive; nothing is
// skipped before it. An empty keyword matches every text. Stops at the first
// difference: the factor parser runs it for hundreds of keywords per text.
inline bool KeywordPrefixMatch(const char* text, const char* keyword) noexcept {
    for (; *keyword != 0; ++text, ++keyword) {
        if (*text != *keyword) return false;  // also when the text ends first
    }
    return true;
}

// Whether the string begins with prefix (as KeywordPrefixMatch).
inline bool StartsWith(const CStr_base<64>& text, const char* prefix) noexcept {
    return KeywordPrefixMatch(text.GetText(), prefix);
}

// Ends a path just before the later of its last backslash and its last "/",
// counting only separators that start a character (the second byte of a
// double-byte character is never one), and drops the separator. False, with the
// path unchanged, when it has neither.
bool CutAtLastPathSeparator(CStr_base<64>& path);
