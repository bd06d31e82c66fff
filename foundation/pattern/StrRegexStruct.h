#pragma once
// The library's small pattern language for code-page-932 text, and its compiler.
//
// Everything is literal text except "%" escapes ("\", ".", "(" and "[" stand for
// themselves). An escape is "%", an optional modifier ("!", "*", "+", "/"), an
// optional minimum, an optional ".index", an optional ",maximum" and one operator;
// the modifier may also stand after the numbers ("%0*z"):
//
//   %( %)  group          %{ %}  capture        %[ %]  set of alternatives
//   %-xy   byte range      %z     the next literal character as one item
//   %d %a %j ...           character classes    %$ %^ %p %P %e   positions
//   %%     a literal "%"
//
// Any closer closes whatever level is open; an escape the language does not know
// loses its "%", modifier and numbers, and the character after them is scanned
// again. There are no syntax errors: any byte string compiles.
//
// Compile turns the text into a tree of CStrRegexStruct elements that
// StrRegexMatch (StrRegexMatch.h) runs over a text. Levels nest by recursion in
// the compiler, the matcher and the element destructor, so the compiler refuses a
// pattern whose tree the matcher could not walk within StrRegexMaxDepth nested
// steps: Compile then returns false and the pattern matches nothing.
#include <cstdint>
#include <type_traits>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/strings/Str.h"

// Most nested matching steps a compiled pattern may need. Real patterns need a
// handful; the limit keeps a hostile pattern from exhausting the stack.
inline constexpr uint32_t StrRegexMaxDepth = 256;

namespace detail {

template <class Str, class Ch>
struct RegexStruct;

// The narrow compiler behind CStrRegexStruct::Compile.
bool CompileStrRegex(const char*& pos, RegexStruct<CStr_base<32>, char>& target);

// One element of a compiled pattern, narrow (char) or UTF-16 (char16_t).
template <class Str, class Ch>
struct RegexStruct {
    enum Kind : uint8_t {
        kEmpty = 0,    // matches the empty string
        kLiteral = 1,  // text
        kGroup = 2,    // items in sequence
        kCapture = 3,  // items in sequence, the matched text becomes a capture
        kSet = 4,      // items as alternatives
        kClass = 5,    // class or position item (classLetter); "z" holds one item
        kRange = 6,    // one byte between rangeLow and rangeHigh
    };

    uint8_t kind = kGroup;
    Str text;                       // kLiteral: the literal's bytes
    CArrayAuto<RegexStruct> items;  // sub-elements of a group, capture, set or "z"
    Ch classLetter = Ch(' ');       // kClass: the letter after "%"
    Ch modifier = Ch(' ');          // ' ' (none), '!', '*', '+' or '/'
    Ch rangeLow = Ch(' ');
    Ch rangeHigh = Ch(' ');
    int32_t minimum = -1;  // -1 when not given
    int32_t index = -1;
    int32_t maximum = -1;

    RegexStruct() = default;
    RegexStruct(const RegexStruct& other) { CopyFrom(other); }
    RegexStruct(RegexStruct&&) noexcept = default;
    RegexStruct& operator=(RegexStruct&&) noexcept = default;
    // Through a copy, so that other may be one of this element's own items.
    RegexStruct& operator=(const RegexStruct& other) {
        if (this != &other) *this = RegexStruct(other);
        return *this;
    }

    // Back to a new element (an empty group). Items are emptied but kept made,
    // so a recompile into the same target reuses them.
    void Reset() {
        kind = kGroup;
        ClearText();
        items.RemoveAll();
        classLetter = modifier = rangeLow = rangeHigh = Ch(' ');
        minimum = index = maximum = -1;
    }

    // Reads pattern text from pos into target's items and leaves pos after the last
    // character read. False only when the pattern nests too deeply to be matched
    // safely; target then holds part of the pattern and must not be matched.
    static bool Compile(const char*& pos, RegexStruct& target)
        requires std::is_same_v<Ch, char>
    {
        return CompileStrRegex(pos, target);
    }

private:
    void ClearText() {
        if (text.GetLength() != 0) text.SetLength(0);
    }

    // Deep copy; the items keep their own objects (array elements never move).
    void CopyFrom(const RegexStruct& other) {
        kind = other.kind;
        text = other.text;
        classLetter = other.classLetter;
        modifier = other.modifier;
        rangeLow = other.rangeLow;
        rangeHigh = other.rangeHigh;
        minimum = other.minimum;
        index = other.index;
        maximum = other.maximum;
        items.RemoveAll();
        const uint32_t n = other.items.GetCount();
        items.SetCount(n);
        for (uint32_t i = 0; i < n; ++i) *items.GetIndex()[i] = *other.items.GetIndex()[i];
    }
};

}  // namespace detail

// One element of a compiled narrow pattern.
using CStrRegexStruct = detail::RegexStruct<CStr_base<32>, char>;

