#pragma once
// The pattern matcher: runs a compiled pattern (StrRegexStruct.h) over a
// code-page-932 text, at one position or at every position, once or for every
// match, optionally case-insensitive, collecting captured substrings.
//
// Repetitions are possessive unless written with "*" (greedy: backs off from the
// longest count) or "+" (lazy: grows from the shortest count); those two run the
// rest of their sequence themselves so they can back off. Every match starts and
// ends on a character boundary: a trail byte is never taken for a character.
//
// Options are letters anywhere in the options text: "i" case-insensitive (ASCII
// letters only), "g" all matches, "s" try only at offset 0.
#include <cstdint>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/containers/StrArray.h"
#include "foundation/pattern/StrRegexStruct.h"
#include "foundation/strings/Str.h"

// One match: byte offset in the text and length in bytes.
struct CStrRegexMatchStruct {
    int32_t start;
    int32_t length;
};

// One remembered repetition of a "*" element: the text offset reached (from the
// element's start) and the number of captures at that moment.
struct KSM_CStrRegexHitBufStruct {
    int32_t offset;
    int32_t captureCount;
};

// Called for every match found: (match start, its offset, its length, the captures
// so far); returns the length to use, or a negative value to reject the match.
using StrRegexMatchCallback = int32_t (*)(const char* start, int32_t offset, int32_t length,
                                          CStrArray_base<64>& captures);

// Handlers of the "%u" and "%U" classes, by number. They get the text position, the
// element, (for "U" the captures,) the element's siblings and its index among them,
// and return the length they matched or a negative value. The tables start empty.
using StrRegexClassHandler = int (*)(const char*, const CStrRegexStruct&,
                                     const CArrayAuto<CStrRegexStruct>*, int);
using StrRegexCaptureHandler = int (*)(const char*, const CStrRegexStruct&, CStrArray_base<64>&,
                                       const CArrayAuto<CStrRegexStruct>*, int);
CArrayAuto<StrRegexClassHandler>& StrRegexClassHandlers();      // "%u"
CArrayAuto<StrRegexCaptureHandler>& StrRegexCaptureHandlers();  // "%U"

// Steps (items tried, captures added, 64-byte blocks of text copied or
// compared) one run of StrRegexMatchCompiled may take over a text of `length`
// bytes: 4,194,304 plus 64 per byte. A pattern that needs more (catastrophic
// backtracking, repetitions that keep adding captures) is refused: the run
// returns 0 and leaves no match, capture or capture list behind, as for a
// pattern too deep to compile. A callback may still have been called for
// matches found before the budget ran out. The program's own pattern (the file
// title) needs about one step per byte of a path, some 4,500 for a path of 4096
// bytes: a thousandth of the budget. The fixed part also covers a pattern of a
// few hundred items tried at every offset of a text of some thousand bytes, and
// costs some tens of milliseconds when a runaway pattern spends it all.
inline constexpr uint64_t StrRegexStepBudget(uint64_t length) { return (uint64_t(1) << 22) + 64 * length; }

// Compiles pattern and runs StrRegexMatchCompiled. Every argument after options
// may be null. Returns the number of matches (0 for a pattern that nests too deeply).
int32_t StrRegexMatch(const char* text, const char* pattern, const char* options,
                      CStrArray_base<64>* captures = nullptr,
                      CArrayAuto<CStrArray_base<64>>* captureLists = nullptr,
                      CArrayAuto<CStrRegexMatchStruct>* matches = nullptr,
                      StrRegexMatchCallback callback = nullptr);

// Runs a compiled pattern within StrRegexStepBudget. The captures (emptied
// first) receive the captures of the match, in the order the captures finish
// (inner before outer), at most 65,536 at once (a step that would add more
// fails); with "g" they end empty and each match's captures are appended as a
// copy to captureLists, which is not emptied. matches (emptied first) receives
// every match. Returns 0 with the outputs as for no match when the step budget
// runs out.
// Throws the integer 0 for a tree the compiler never builds (unknown kind or class
// letter, nested too deeply).
int32_t StrRegexMatchCompiled(const char* text, const CStrRegexStruct& root, const char* options,
                              CStrArray_base<64>* captures = nullptr,
                              CArrayAuto<CStrArray_base<64>>* captureLists = nullptr,
                              CArrayAuto<CStrRegexMatchStruct>* matches = nullptr,
                              StrRegexMatchCallback callback = nullptr);

// The file name of path without folder and extension ("C:\dir\pic.qdx" -> "pic");
// the whole path when it has no file name (ends in a separator). Returns true.
bool ExtractFileTitle(const char* path, CStr_base<64>& out);
