// Pattern compiler: one pass over the pattern bytes, one recursion per open level.
//
// A level (the root, a group, a capture, a set or a "z" item) collects its items in
// pattern order. Consecutive literal characters join one literal item, except in a
// set, where every character is an alternative of its own, and in a "z" item, which
// takes exactly one literal character and ends. Escapes are read as modifier,
// minimum, ".index", ",maximum" and one operator character; an opener appends the
// new level and compiles into it, a closer ends the current level.
//
// After compiling, the tree is measured for the deepest chain of nested matching
// steps it can cause (levels inside levels, and "*"/"+" items that run the rest of
// their sequence, which may hold further "*"/"+" items). A tree deeper than
// StrRegexMaxDepth is refused, so matching never runs out of stack.
#include "foundation/pattern/StrRegexStruct.h"

#include <algorithm>
#include <utility>

namespace {

using Element = CStrRegexStruct;
using Items = CArrayAuto<CStrRegexStruct>;

bool IsLeadByte(unsigned char c) { return IsCp932Lead(c); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsModifier(char c) { return c == '!' || c == '*' || c == '+' || c == '/'; }

// Reads decimal digits; a number beyond the signed 32-bit range saturates.
int32_t ReadNumber(const char*& p) {
    int64_t value = 0;
    while (IsDigit(*p)) {
        value = std::min<int64_t>(value * 10 + (*p - '0'), INT32_MAX);
        ++p;
    }
    return static_cast<int32_t>(value);
}

bool IsClassLetter(char c) {
    switch (c) {
        case '?':
        case 'A': case 'B': case 'C': case 'D':
        case 'G': case 'H': case 'I': case 'J': case 'K': case 'L':
        case 'N':
        case 'S': case 'T': case 'U': case 'V': case 'W': case 'X': case 'Y':
        case 'a': case 'b': case 'c': case 'd':
        case 'g': case 'h': case 'i': case 'j': case 'k': case 'l':
        case 'n':
        case 's': case 't': case 'u': case 'v': case 'w': case 'x': case 'y':
            return true;
        default:
            return false;
    }
}

// Classes whose number is an index (capture or handler number), written first.
bool TakesIndexFirst(char c) {
    return c == 'U' || c == 'V' || c == 'h' || c == 't' || c == 'u' || c == 'v';
}

bool IsPositionLetter(char c) { return c == '$' || c == 'P' || c == '^' || c == 'e' || c == 'p'; }

Element* AppendItem(Element& target) {
    Element* item = target.items.AddNew();
    item->Reset();  // a reused element keeps its old content
    return item;
}

// The modifier and the numbers of an escape, as read before its operator.
struct Counts {
    char modifier = ' ';
    int32_t minimum = -1;
    int32_t index = -1;
    int32_t maximum = -1;
};

// Appends an element of the given kind carrying the escape's modifier and numbers.
Element* AppendItem(Element& target, uint8_t kind, const Counts& counts) {
    Element* item = AppendItem(target);
    item->kind = kind;
    item->modifier = counts.modifier;
    item->minimum = counts.minimum;
    item->index = counts.index;
    item->maximum = counts.maximum;
    return item;
}

// Reads one character of a range bound at p: its byte, or a blank for a
// double-byte character, whose two bytes are skipped.
char ReadBound(const char*& p) {
    if (IsLeadByte(static_cast<unsigned char>(p[0])) && p[1] != 0) {
        p += 2;
        return ' ';
    }
    return *p++;
}

bool CompileLevel(const char*& p, Element& target, uint32_t depth) {
    target.items.RemoveAll();
    const bool inSet = target.kind == Element::kSet;
    const bool inZ = target.kind == Element::kClass && target.classLetter == 'z';
    Element* pending = nullptr;  // the literal that further characters extend

    for (;;) {
        const char c = *p;
        if (c == 0) return true;

        if (c != '%' || p[1] == '%') {
            // One literal character: "%%", a double-byte character or a byte.
            int32_t n = 1;
            if (c == '%') {
                ++p;  // the first "%" of "%%"
            } else if (IsLeadByte(static_cast<unsigned char>(c)) && p[1] == 0) {
                // A lead byte that ends the pattern survives only as the tail of a
                // literal already being built.
                if (pending != nullptr) pending->text.AppendBytesN(p, 1);
                ++p;
                continue;
            } else if (IsLeadByte(static_cast<unsigned char>(c))) {
                n = 2;
            }
            if (pending == nullptr) {
                pending = AppendItem(target);
                pending->kind = Element::kLiteral;
            }
            pending->text.AppendBytesN(p, n);
            p += n;
            if (inZ) return true;
            if (inSet) pending = nullptr;
            continue;
        }

        // An escape; a literal being built ends here.
        pending = nullptr;
        const char* q = p + 1;
        Counts counts;
        if (IsModifier(*q)) counts.modifier = *q++;
        if (IsDigit(*q)) counts.minimum = ReadNumber(q);
        if (*q == '.') {
            ++q;
            if (IsDigit(*q)) counts.index = ReadNumber(q);
        }
        if (*q == ',') {
            ++q;
            if (IsDigit(*q)) counts.maximum = ReadNumber(q);
        }
        // The modifier may also follow the numbers ("%0*z"); the later one counts.
        if (IsModifier(*q)) counts.modifier = *q++;
        const char op = *q;

        switch (op) {
            case '(':
            case '{':
            case '[': {
                if (depth >= StrRegexMaxDepth) return false;
                Element* level = AppendItem(
                    target, op == '(' ? Element::kGroup : op == '{' ? Element::kCapture : Element::kSet, counts);
                p = q + 1;
                if (!CompileLevel(p, *level, depth + 1)) return false;
                break;
            }
            case ')':
            case '}':
            case ']':
                p = q + 1;
                return true;
            case '-': {
                if (q[1] == 0 || q[2] == 0 ||
                    (IsLeadByte(static_cast<unsigned char>(q[1])) && q[3] == 0)) {
                    p = q + 1;  // fewer than two characters follow: the "-" is dropped
                    break;
                }
                p = q + 1;
                Element* range = AppendItem(target, Element::kRange, counts);
                range->rangeLow = ReadBound(p);
                range->rangeHigh = ReadBound(p);
                break;
            }
            case 'z': {
                if (depth >= StrRegexMaxDepth) return false;
                Element* z = AppendItem(target, Element::kClass, counts);
                z->classLetter = 'z';
                p = q + 1;
                if (!CompileLevel(p, *z, depth + 1)) return false;
                break;
            }
            default:
                if (IsClassLetter(op)) {
                    if (TakesIndexFirst(op)) std::swap(counts.minimum, counts.index);
                    AppendItem(target, Element::kClass, counts)->classLetter = op;
                    p = q + 1;
                } else if (IsPositionLetter(op)) {
                    // Positions take no modifier and no numbers.
                    AppendItem(target, Element::kClass, Counts{})->classLetter = op;
                    p = q + 1;
                } else {
                    // Unknown escape: drop "%", modifier and numbers and scan the
                    // operator character again (the end of the pattern ends it).
                    p = q;
                }
                break;
        }
    }
}

// --- depth of the matcher's recursion -------------------------------------------

bool RunsRestOfSequence(const Element& e) { return e.modifier == '*' || e.modifier == '+'; }

uint32_t SequenceDepth(const Items& items);

// Nested matching steps for the element e; rest is what the rest of its sequence
// (the siblings after it) may need, which a "*" or "+" element runs itself.
uint32_t RepeatDepth(const Element& e, uint32_t rest) {
    uint32_t inner = 0;
    if (e.kind == Element::kGroup || e.kind == Element::kCapture || e.kind == Element::kSet) {
        inner = SequenceDepth(e.items);
    } else if (e.kind == Element::kClass && e.classLetter == 'z') {
        // The "z" item's own item runs with the "z" item's siblings.
        for (const Element* item : e.items) inner = std::max(inner, RepeatDepth(*item, rest));
    }
    if (RunsRestOfSequence(e)) inner = std::max(inner, rest);
    return std::min<uint32_t>(inner, UINT32_MAX - 1) + 1;
}

uint32_t SequenceDepth(const Items& items) {
    uint32_t deepest = 0;  // over the items from i on: what the rest after i-1 may need
    for (uint32_t i = items.GetCount(); i-- > 0;)
        deepest = std::max(deepest, RepeatDepth(*items.GetIndex()[i], deepest));
    return deepest;
}

}  // namespace

namespace detail {

bool CompileStrRegex(const char*& pos, CStrRegexStruct& target) {
    if (pos == nullptr) {
        target.items.RemoveAll();
        return true;
    }
    if (!CompileLevel(pos, target, 1)) return false;
    // The matcher enters the target through one step of its own.
    return RepeatDepth(target, 0) <= StrRegexMaxDepth;
}

}  // namespace detail
