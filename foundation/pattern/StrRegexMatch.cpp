// Pattern matcher: a backtracking walk over the compiled tree.
//
// Every step gets the text position, the element, the captures, the element's
// siblings and its index among them, and returns the length it matched (0 for
// zero-width items) or a negative value. Repetition (StrRegexMatchRepeat) is
// possessive for no modifier, "/" and "!": once counted, a repetition is never
// given back. "*" and "+" are different: the element runs the rest of its sequence
// (the siblings after it) itself, at every count it may take, longest first for
// "*" and shortest first for "+"; the enclosing group stops walking after such an
// item because it already matched the rest.
//
// A greedy element remembers (length, capture count) after each repetition so it
// can back off. Memory stays bounded however long the repetition: 1000 recent
// records, 1000 checkpoints (every 1000th record) and one list entry per million
// records; while backing off, a missing block of records is re-made by running the
// element again from the newest checkpoint. The two buffers live in the match
// context, one pair per nesting level of greedy elements, not on the stack.
//
// Captures are strings appended when a capture element finishes, so an inner
// capture comes before the capture around it. Any step that fails removes the
// captures it added (by count), so a failed branch leaves no trace.
//
// Code page 932: a lead byte (0x81-0x9F, 0xE0-0xFC) and the byte after it form one
// character unless that byte is the terminating NUL. Every step consumes whole
// characters, so matches start and end on character boundaries.
//
// Step budget: backtracking can take time that grows geometrically with the
// pattern ("%*a%*a%*a...b" over a run of letters), and a repetition of an item
// that adds captures runs up to the capture limit before it gives up. So every
// call to StrRegexMatchElement is a step, and so is every item a sequence or set
// walks past; other work is charged by its size: each capture added, each 64
// bytes copied into a capture or compared against a literal or an earlier
// capture, each 16 elements looked at to see whether an item can add captures. A run of
// StrRegexMatchCompiled may take StrRegexStepBudget(text length) steps in all;
// the step that would pass it ends the run as "no match" (see the header).
#include "foundation/pattern/StrRegexMatch.h"

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

using Element = CStrRegexStruct;
using Items = CArrayAuto<CStrRegexStruct>;
using Captures = CStrArray_base<64>;
using Record = KSM_CStrRegexHitBufStruct;

// More captures than this at once come only from a runaway pattern ("%2000000000T");
// the step that would add one fails instead of exhausting memory. Reaching it
// from nothing takes a few milliseconds, and every capture is charged to the
// step budget as well, so a pattern that fills and empties the captures again
// and again is bounded in time too.
constexpr uint32_t kMaxCaptures = 1u << 16;

// Bytes of capture or literal text that cost one step beyond the first.
constexpr uint32_t kBytesPerStep = 64;

// Thrown by a step past the budget; caught by the driver, never seen outside.
struct StepBudgetSpent {};

constexpr uint32_t kRecords = 1000;

struct GreedyBuffers {
    Record recent[kRecords];
    Record checkpoints[kRecords];
};

struct MatchContext {
    MatchContext(const char* text, bool ci) : textStart(text), caseInsensitive(ci) {}

    // Charges `steps` to the budget; past it, the whole run ends as no match.
    void Charge(uint64_t steps) {
        if (steps > stepsLeft) throw StepBudgetSpent{};
        stepsLeft -= steps;
    }
    // A step that handles `bytes` bytes of capture or literal text.
    void ChargeBytes(uint64_t bytes) { Charge(1 + bytes / kBytesPerStep); }

    const char* textStart;
    bool caseInsensitive;
    uint64_t stepsLeft = 0;
    uint32_t depth = 0;        // nested StrRegexMatchRepeat calls
    uint32_t greedyDepth = 0;  // nested greedy elements backing off
    std::vector<std::unique_ptr<GreedyBuffers>> greedyBuffers;  // one per greedy depth
};

inline bool IsLeadByte(unsigned char c) { return IsCp932Lead(c); }

// Bytes of the character at t: 2 for a lead byte with a following byte, else 1.
inline int32_t CharLength(const char* t) {
    return IsLeadByte(static_cast<unsigned char>(t[0])) && t[1] != 0 ? 2 : 1;
}

inline unsigned char Upper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool IsUpperLetter(unsigned char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsLowerLetter(unsigned char c) { return c >= 'a' && c <= 'z'; }
inline bool IsLetter(unsigned char c) { return IsUpperLetter(c) || IsLowerLetter(c); }
inline bool IsHexDigit(unsigned char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline bool IsWordByte(unsigned char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
inline bool IsBlank(unsigned char c) { return c == '\t' || c == ' '; }
inline bool IsSpace(unsigned char c) { return IsBlank(c) || c == '\n' || c == '\r'; }
inline bool IsPunctuation(unsigned char c) {
    return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
           (c >= 0x7B && c <= 0x7E);
}

bool IsClass(const Element& e, char letter) {
    return e.kind == Element::kClass && e.classLetter == letter;
}

// An item that runs the rest of its sequence itself: "*" or "+", or a "z" item whose
// item is one.
bool RunsRest(const Element& e) {
    if (e.modifier == '*' || e.modifier == '+') return true;
    if (IsClass(e, 'z') && e.items.GetCount() != 0) {
        const char m = e.items.GetIndex()[0]->modifier;
        return m == '*' || m == '+';
    }
    return false;
}

// True when matching e can never change the captures; such an element that matched
// nothing at a position matches nothing there every further time too. `visited`
// counts the elements looked at.
bool LeavesCapturesWalk(const Element& e, uint64_t& visited) {
    ++visited;
    if (e.kind == Element::kCapture) return false;
    if (e.kind == Element::kClass) {
        switch (e.classLetter) {
            case 'H': case 'T': case 'h': case 't': case 'u': case 'U':
                return false;
            default:
                break;
        }
    }
    for (const Element* item : e.items)
        if (!LeavesCapturesWalk(*item, visited)) return false;
    return true;
}

// The same, the walk charged to the budget (a large subtree repeated many times
// would otherwise cost time that no step accounts for).
bool LeavesCaptures(const Element& e, MatchContext& ctx) {
    uint64_t visited = 0;
    const bool leaves = LeavesCapturesWalk(e, visited);
    ctx.Charge(visited / 16);
    return leaves;
}

void TruncateCaptures(Captures& caps, uint32_t count) {
    while (caps.GetCount() > count) caps.RemoveAt(caps.GetCount() - 1);
}

// A new capture that is to hold `bytes` bytes, or null when a runaway pattern
// already holds too many.
CStr_base<64>* AddCapture(Captures& caps, uint32_t bytes, MatchContext& ctx) {
    if (caps.GetCount() >= kMaxCaptures) return nullptr;
    ctx.Charge(1 + bytes / kBytesPerStep);
    return caps.AddNew();
}

// Does the text at t begin with the n bytes of s (n may be 0)? Bytes of a double-byte
// character compare exactly, other bytes after ASCII upper-casing when asked.
// A lone lead byte at the end of s matches only a lone lead byte at the end of the
// text, never the first half of a character.
int32_t MatchBytes(const char* t, const char* s, int32_t n, bool caseInsensitive) {
    int32_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsLeadByte(c)) {
            // s[i + 1] is the terminating NUL for a lone lead byte at the end of s.
            if (static_cast<unsigned char>(t[i]) != c || t[i + 1] != s[i + 1]) return -1;
            i += 2;
            continue;
        }
        const unsigned char d = static_cast<unsigned char>(t[i]);
        if (d == 0) return -1;
        if (caseInsensitive ? Upper(d) != Upper(c) : d != c) return -1;
        ++i;
    }
    return n;
}

int32_t StrRegexMatchRepeat(const char* t, const Element& e, Captures& caps, const Items* sibs,
                            uint32_t idx, int32_t& ownEnd, MatchContext& ctx);
int32_t StrRegexMatchElement(const char* t, const Element& e, Captures& caps, const Items* sibs,
                             uint32_t idx, int32_t& ownEnd, MatchContext& ctx);

// The siblings after index `from`, starting `offset` bytes after t. Gives the mark
// ("p", "P") when one was set, else the offset reached; ownEnd receives where an
// "e" item (or a "*"/"+" sibling's own end) lies.
int32_t StrRegexMatchRest(const char* t, const Items& sibs, uint32_t from, int32_t offset,
                          Captures& caps, int32_t& ownEnd, MatchContext& ctx) {
    ownEnd = -1;
    int32_t mark = -1;
    const uint32_t n = sibs.GetCount();
    for (uint32_t j = from; j < n; ++j) {
        const Element& item = *sibs.GetIndex()[j];
        ctx.Charge(1);
        if (IsClass(item, 'p')) {
            mark = offset;
            continue;
        }
        if (IsClass(item, 'P')) {
            mark = offset;
            if (t[offset] == 0) return mark;
            continue;
        }
        if (IsClass(item, 'e')) {
            ownEnd = offset;
            continue;
        }
        int32_t own;
        const int32_t r = StrRegexMatchRepeat(t + offset, item, caps, &sibs, j, own, ctx);
        if (r < 0) return -1;
        if (own >= 0) ownEnd = offset + own;
        offset += r;
        if (RunsRest(item)) break;
    }
    return mark >= 0 ? mark : offset;
}

// Record buffers of one greedy element, taken from the context for its lifetime.
class GreedyRecords {
public:
    explicit GreedyRecords(MatchContext& ctx) : m_ctx(ctx) {
        if (ctx.greedyBuffers.size() <= ctx.greedyDepth)
            ctx.greedyBuffers.emplace_back(new GreedyBuffers);
        m_buffers = ctx.greedyBuffers[ctx.greedyDepth].get();
        ++ctx.greedyDepth;
    }
    ~GreedyRecords() { --m_ctx.greedyDepth; }
    GreedyRecords(const GreedyRecords&) = delete;
    GreedyRecords& operator=(const GreedyRecords&) = delete;

    void Push(const Record& record) {
        if (m_recent == kRecords) {
            if (m_checkpoints == kRecords) {
                *m_older.AddNew() = m_buffers->checkpoints[0];
                m_checkpoints = 0;
            }
            m_buffers->checkpoints[m_checkpoints++] = m_buffers->recent[0];
            m_recent = 0;
        }
        m_buffers->recent[m_recent++] = record;
    }

    // Takes the newest record left. rerun(record, runs) advances record by running the
    // element `runs` more times and returns false if a run fails.
    template <class Rerun>
    bool Pop(Record& out, Rerun&& rerun) {
        if (m_recent == 0) {
            if (m_checkpoints == 0) {
                if (m_older.GetCount() == 0) return false;
                Record at = *m_older.GetLast();
                m_older.RemoveAt(m_older.GetCount() - 1);
                m_buffers->checkpoints[0] = at;
                m_checkpoints = 1;
                while (m_checkpoints < kRecords && rerun(at, kRecords))
                    m_buffers->checkpoints[m_checkpoints++] = at;
            }
            Record at = m_buffers->checkpoints[--m_checkpoints];
            m_buffers->recent[0] = at;
            m_recent = 1;
            while (m_recent < kRecords && rerun(at, 1)) m_buffers->recent[m_recent++] = at;
        }
        out = m_buffers->recent[--m_recent];
        return true;
    }

private:
    MatchContext& m_ctx;
    GreedyBuffers* m_buffers;
    uint32_t m_recent = 0;
    uint32_t m_checkpoints = 0;
    CArrayAuto<Record> m_older;  // every millionth record
};

int32_t RepeatCount(const Element& e) { return e.minimum < 0 ? 1 : e.minimum; }

bool IsLastSibling(const Items* sibs, uint32_t idx) {
    return sibs == nullptr || idx + 1 >= sibs->GetCount();
}

// "*": the most repetitions first, then fewer, each followed by the rest of the
// sequence.
int32_t StrRegexMatchGreedy(const char* t, const Element& e, Captures& caps, const Items* sibs,
                            uint32_t idx, int32_t& ownEnd, MatchContext& ctx) {
    ownEnd = -1;
    const uint32_t start = caps.GetCount();
    const int32_t minimum = RepeatCount(e);
    const int32_t maximum = e.maximum;
    int32_t length = 0, count = 0, own;

    while (count < minimum) {
        const int32_t r = StrRegexMatchElement(t + length, e, caps, sibs, idx, own, ctx);
        if (r < 0) {
            TruncateCaptures(caps, start);
            return -1;
        }
        length += r;
        ++count;
        if (r == 0) break;
    }

    if (IsLastSibling(sibs, idx)) {
        while (maximum < 0 || count < maximum) {
            const int32_t r = StrRegexMatchElement(t + length, e, caps, sibs, idx, own, ctx);
            if (r < 0) break;
            length += r;
            ++count;
            if (r == 0) break;
        }
        return length;
    }

    GreedyRecords records(ctx);
    records.Push({length, static_cast<int32_t>(caps.GetCount())});
    while (maximum < 0 || count < maximum) {
        const int32_t r = StrRegexMatchElement(t + length, e, caps, sibs, idx, own, ctx);
        if (r < 0) break;
        length += r;
        ++count;
        records.Push({length, static_cast<int32_t>(caps.GetCount())});
        if (r == 0) break;
    }

    auto rerun = [&](Record& at, uint32_t runs) {
        TruncateCaptures(caps, static_cast<uint32_t>(at.captureCount));
        for (uint32_t k = 0; k < runs; ++k) {
            int32_t unused;
            const int32_t r = StrRegexMatchElement(t + at.offset, e, caps, sibs, idx, unused, ctx);
            if (r < 0) return false;
            at.offset += r;
            at.captureCount = static_cast<int32_t>(caps.GetCount());
        }
        return true;
    };
    Record record;
    while (records.Pop(record, rerun)) {
        TruncateCaptures(caps, static_cast<uint32_t>(record.captureCount));
        const int32_t r = StrRegexMatchRest(t, *sibs, idx + 1, record.offset, caps, own, ctx);
        if (r >= 0) {
            ownEnd = own;
            return r;
        }
    }
    TruncateCaptures(caps, start);
    return -1;
}

// "+": the fewest repetitions first, one more each time the rest of the sequence
// fails.
int32_t StrRegexMatchLazy(const char* t, const Element& e, Captures& caps, const Items* sibs,
                          uint32_t idx, int32_t& ownEnd, MatchContext& ctx) {
    ownEnd = -1;
    const uint32_t start = caps.GetCount();
    const int32_t minimum = RepeatCount(e);
    const int32_t maximum = e.maximum;
    int32_t length = 0, count = 0, own;

    while (count < minimum) {
        const int32_t r = StrRegexMatchElement(t + length, e, caps, sibs, idx, own, ctx);
        if (r < 0) {
            TruncateCaptures(caps, start);
            return -1;
        }
        length += r;
        ++count;
        if (r == 0 && count < minimum && LeavesCaptures(e, ctx)) break;  // the rest match nothing too
    }
    if (IsLastSibling(sibs, idx)) return length;

    bool stalled = false;  // the last repetition matched nothing: more would not move
    for (;;) {
        const uint32_t before = caps.GetCount();
        const int32_t r = StrRegexMatchRest(t, *sibs, idx + 1, length, caps, own, ctx);
        if (r >= 0) {
            ownEnd = own;
            return r;
        }
        TruncateCaptures(caps, before);
        if ((maximum >= 0 && count >= maximum) || stalled) break;
        const int32_t step = StrRegexMatchElement(t + length, e, caps, sibs, idx, own, ctx);
        if (step < 0) break;
        length += step;
        ++count;
        stalled = step == 0;
    }
    TruncateCaptures(caps, start);
    return -1;
}

int32_t StrRegexMatchRepeat(const char* t, const Element& e, Captures& caps, const Items* sibs,
                            uint32_t idx, int32_t& ownEnd, MatchContext& ctx) {
    // The compiler bounds the depth; a hand-built tree may not be.
    struct DepthGuard {
        MatchContext& ctx;
        explicit DepthGuard(MatchContext& c) : ctx(c) {
            if (++ctx.depth > StrRegexMaxDepth) {
                --ctx.depth;
                throw 0;
            }
        }
        ~DepthGuard() { --ctx.depth; }
    } guard(ctx);

    if (e.modifier == '*') return StrRegexMatchGreedy(t, e, caps, sibs, idx, ownEnd, ctx);
    if (e.modifier == '+') return StrRegexMatchLazy(t, e, caps, sibs, idx, ownEnd, ctx);

    ownEnd = -1;
    const bool negative = e.modifier == '!';
    const uint32_t start = caps.GetCount();
    const int32_t minimum = RepeatCount(e);
    int32_t length = 0, count = 0, own;

    while (count < minimum) {
        const int32_t r = StrRegexMatchElement(t + length, e, caps, sibs, idx, own, ctx);
        if (r < 0) {
            TruncateCaptures(caps, start);
            return negative ? 0 : -1;
        }
        if (own >= 0) ownEnd = length + own;
        length += r;
        ++count;
        if (r == 0 && count < minimum && LeavesCaptures(e, ctx)) break;  // the rest match nothing too
    }
    if (negative) {
        // A look-ahead: it consumes nothing and keeps nothing.
        TruncateCaptures(caps, start);
        ownEnd = -1;
        return -1;
    }

    if (e.maximum >= 0) {
        while (count < e.maximum) {
            const int32_t r = StrRegexMatchElement(t + length, e, caps, sibs, idx, own, ctx);
            if (r < 0) break;
            if (own >= 0) ownEnd = length + own;
            length += r;
            ++count;
            if (r == 0 && LeavesCaptures(e, ctx)) break;
        }
    } else if (e.modifier == '/') {
        for (;;) {
            const int32_t r = StrRegexMatchElement(t + length, e, caps, sibs, idx, own, ctx);
            if (r <= 0) break;
            if (own >= 0) ownEnd = length + own;
            length += r;
        }
    }
    return length;
}

// A group ("%(") or a capture ("%{"): the items in sequence.
int32_t MatchSequence(const char* t, const Element& e, Captures& caps, MatchContext& ctx) {
    const bool capture = e.kind == Element::kCapture;
    const uint32_t start = caps.GetCount();
    int32_t offset = 0, mark = -1, captureEnd = -1;
    const uint32_t n = e.items.GetCount();
    for (uint32_t i = 0; i < n; ++i) {
        const Element& item = *e.items.GetIndex()[i];
        ctx.Charge(1);
        if (IsClass(item, 'p')) {
            mark = offset;
            continue;
        }
        if (IsClass(item, 'P')) {
            if (t[offset] == 0) {
                if (!capture) return offset;
                mark = offset;
                break;
            }
            mark = offset;
            continue;
        }
        if (capture && IsClass(item, 'e')) {
            captureEnd = offset;
            continue;
        }
        int32_t own;
        const int32_t r = StrRegexMatchRepeat(t + offset, item, caps, &e.items, i, own, ctx);
        if (r < 0) {
            TruncateCaptures(caps, start);
            return -1;
        }
        const bool ranRest = RunsRest(item);
        if (capture && ranRest && own >= 0) captureEnd = offset + own;
        offset += r;
        if (ranRest) break;
    }
    if (capture) {
        const int32_t end = captureEnd >= 0 ? captureEnd : mark >= 0 ? mark : offset;
        CStr_base<64>* text = AddCapture(caps, static_cast<uint32_t>(end), ctx);
        if (text == nullptr) {
            TruncateCaptures(caps, start);
            return -1;
        }
        text->AssignBytesN(t, end);  // stops at the end of the text
    }
    return mark >= 0 ? mark : offset;
}

// A set ("%["): the first item that matches.
int32_t MatchSet(const char* t, const Element& e, Captures& caps, MatchContext& ctx) {
    const uint32_t n = e.items.GetCount();
    for (uint32_t i = 0; i < n; ++i) {
        const Element& item = *e.items.GetIndex()[i];
        ctx.Charge(1);
        if (IsClass(item, 'p')) continue;
        if (IsClass(item, 'P')) {
            if (*t == 0) return 0;
            continue;
        }
        int32_t own;
        const int32_t r = StrRegexMatchRepeat(t, item, caps, &e.items, i, own, ctx);
        if (r >= 0) return r;
    }
    return -1;
}

// One byte within the range, compared as signed 8-bit values; never the first byte
// of a double-byte character.
int32_t MatchRange(const char* t, const Element& e) {
    const unsigned char c = static_cast<unsigned char>(*t);
    if (c == 0 || CharLength(t) != 1) return -1;
    const int8_t b = static_cast<int8_t>(c);
    return static_cast<int8_t>(e.rangeLow) <= b && b <= static_cast<int8_t>(e.rangeHigh) ? 1 : -1;
}

// A one-byte character that passes the test.
template <class Test>
int32_t OneByte(const char* t, Test test) {
    const unsigned char c = static_cast<unsigned char>(*t);
    return c != 0 && test(c) ? 1 : -1;
}

// Any character that the byte test does not exclude; double-byte characters are
// never excluded.
template <class Excluded>
int32_t AnyCharExcept(const char* t, Excluded excluded) {
    const unsigned char c = static_cast<unsigned char>(*t);
    if (c == 0) return -1;
    const int32_t n = CharLength(t);
    return n == 2 || !excluded(c) ? n : -1;
}

// "%v" and "%V": the text of a capture, or nothing when there is no such capture.
int32_t MatchCaptureText(const char* t, const Element& e, Captures& caps, MatchContext& ctx) {
    const int64_t n = e.index < 0 ? 0 : e.index;
    const int64_t count = caps.GetCount();
    const int64_t k = e.classLetter == 'v' ? n : count - 1 - n;
    if (k < 0 || k >= count) return 0;
    const CStr_base<64>& capture = *caps.GetAt(static_cast<uint32_t>(k));
    ctx.Charge(static_cast<uint32_t>(capture.GetLength()) / kBytesPerStep);
    return MatchBytes(t, capture.GetText(), capture.GetLength(), ctx.caseInsensitive);
}

// "%t": the last capture's text (empty without captures) into capture N, adding
// empty captures until it exists.
int32_t CopyLastCapture(const Element& e, Captures& caps, MatchContext& ctx) {
    const uint32_t n = e.index < 0 ? 0u : static_cast<uint32_t>(e.index);
    if (n >= kMaxCaptures) return -1;
    const uint32_t count = caps.GetCount();
    const CStr_base<64>* last = count != 0 ? caps.GetAt(count - 1) : nullptr;
    const uint32_t lastLength = last != nullptr ? static_cast<uint32_t>(last->GetLength()) : 0;
    ctx.Charge((n >= count ? n + 1 - count : 0) + lastLength / kBytesPerStep);
    while (caps.GetCount() <= n) {
        CStr_base<64>* added = caps.AddNew();
        if (added->GetLength() != 0) added->SetLength(0);  // reused strings keep old text
    }
    CStr_base<64>* target = caps.GetAt(n);
    if (last == nullptr) {
        if (target->GetLength() != 0) target->SetLength(0);
    } else if (target != last) {
        target->AssignString(*last);  // array elements never move, so last stays valid
    }
    return 0;
}

// The handler's length when it stays inside the text, else a failure.
int32_t CheckedHandlerResult(const char* t, int r, MatchContext& ctx) {
    if (r < 0) return -1;
    ctx.Charge(static_cast<uint32_t>(r) / kBytesPerStep);
    return std::memchr(t, 0, static_cast<size_t>(r)) == nullptr ? r : -1;
}

int32_t MatchClass(const char* t, const Element& e, Captures& caps, const Items* sibs, uint32_t idx,
                   int32_t& ownEnd, MatchContext& ctx) {
    switch (e.classLetter) {
        case '?': return OneByte(t, [](unsigned char c) { return !IsLeadByte(c); });
        case 'A': return OneByte(t, IsUpperLetter);
        case 'a': return OneByte(t, IsLowerLetter);
        case 'l': return OneByte(t, IsLetter);
        case 'L': return OneByte(t, [](unsigned char c) { return IsLetter(c) || IsDigit(c); });
        case 'd': return OneByte(t, IsDigit);
        case 'x': return OneByte(t, [](unsigned char c) { return IsDigit(c) || (c >= 'a' && c <= 'f'); });
        case 'X': return OneByte(t, [](unsigned char c) { return IsDigit(c) || (c >= 'A' && c <= 'F'); });
        case 'n': return OneByte(t, IsHexDigit);
        case 's': return OneByte(t, IsWordByte);
        case 'w': return OneByte(t, IsBlank);
        case 'W': return OneByte(t, IsSpace);
        case 'k': return OneByte(t, [](unsigned char c) { return c >= 0x21 && c <= 0x7E; });
        case 'y': return OneByte(t, IsPunctuation);
        case 'c': return OneByte(t, [](unsigned char c) { return c <= 0x1F || c == 0x7F; });
        case 'j': return *t == 0 ? -1 : CharLength(t);
        case 'C': return AnyCharExcept(t, [](unsigned char c) { return c == '\n'; });
        case 'J': return *t != 0 && CharLength(t) == 2 ? 2 : -1;
        case 'K': {
            if (*t == 0) return -1;
            if (CharLength(t) == 2) return 2;
            const unsigned char c = static_cast<unsigned char>(*t);
            return c >= 0x21 && c <= 0x7E ? 1 : -1;
        }
        case 'B': return AnyCharExcept(t, [](unsigned char c) { return IsLetter(c) || IsDigit(c); });
        case 'b': return AnyCharExcept(t, IsLetter);
        case 'D': return AnyCharExcept(t, IsDigit);
        case 'N': return AnyCharExcept(t, IsHexDigit);
        case 'S': return AnyCharExcept(t, IsWordByte);
        case 'Y': return AnyCharExcept(t, IsPunctuation);
        case 'i': return AnyCharExcept(t, IsBlank);
        case 'I': return AnyCharExcept(t, IsSpace);
        case '$': return *t == 0 ? 0 : -1;
        case '^': return t == ctx.textStart ? 0 : -1;
        case 'g': return t == ctx.textStart || t[-1] == '\n' ? 0 : -1;
        case 'G': return *t == '\n' || *t == 0 ? 0 : -1;
        case 'e':
        case 'p':
        case 'P':
            return 0;
        case 'H':
            if (caps.GetCount() != 0) caps.RemoveAt(caps.GetCount() - 1);
            return 0;
        case 'T': {
            CStr_base<64>* added = AddCapture(caps, 0, ctx);
            if (added == nullptr) return -1;
            if (added->GetLength() != 0) added->SetLength(0);
            return 0;
        }
        case 'h': {
            const uint32_t n = e.index < 0 ? 0u : static_cast<uint32_t>(e.index);
            if (n < caps.GetCount()) caps.RemoveAt(n);
            return 0;
        }
        case 't': return CopyLastCapture(e, caps, ctx);
        case 'v':
        case 'V':
            return MatchCaptureText(t, e, caps, ctx);
        case 'u': {
            const uint32_t n = e.index < 0 ? 0u : static_cast<uint32_t>(e.index);
            const CArrayAuto<StrRegexClassHandler>& table = StrRegexClassHandlers();
            if (n >= table.GetCount() || *table.GetAt(n) == nullptr) return -1;
            return CheckedHandlerResult(t, (*table.GetAt(n))(t, e, sibs, static_cast<int>(idx)), ctx);
        }
        case 'U': {
            const uint32_t n = e.index < 0 ? 0u : static_cast<uint32_t>(e.index);
            const CArrayAuto<StrRegexCaptureHandler>& table = StrRegexCaptureHandlers();
            if (n >= table.GetCount() || *table.GetAt(n) == nullptr) return -1;
            return CheckedHandlerResult(t, (*table.GetAt(n))(t, e, caps, sibs, static_cast<int>(idx)), ctx);
        }
        case 'z':
            // Its one item, standing in the "z" item's place among the siblings. A
            // pattern ending right after "%z" leaves it without one: then it is
            // empty, like a group without items.
            if (e.items.GetCount() == 0) return 0;
            return StrRegexMatchRepeat(t, *e.items.GetIndex()[0], caps, sibs, idx, ownEnd, ctx);
        default:
            throw 0;
    }
}

int32_t StrRegexMatchElement(const char* t, const Element& e, Captures& caps, const Items* sibs,
                             uint32_t idx, int32_t& ownEnd, MatchContext& ctx) {
    ownEnd = -1;
    ctx.Charge(1);
    switch (e.kind) {
        case Element::kEmpty:
            return 0;
        case Element::kLiteral:
            ctx.Charge(static_cast<uint32_t>(e.text.GetLength()) / kBytesPerStep);
            return MatchBytes(t, e.text.GetText(), e.text.GetLength(), ctx.caseInsensitive);
        case Element::kGroup:
        case Element::kCapture:
            return MatchSequence(t, e, caps, ctx);
        case Element::kSet:
            return MatchSet(t, e, caps, ctx);
        case Element::kClass:
            return MatchClass(t, e, caps, sibs, idx, ownEnd, ctx);
        case Element::kRange:
            return MatchRange(t, e);
        default:
            throw 0;
    }
}

// Switches a capture array's buffer release off for the match and back on every exit.
class ReleaseFlagOff {
public:
    explicit ReleaseFlagOff(Captures& caps) : m_caps(caps), m_saved(caps.GetReleaseOnRemove()) {
        caps.SetReleaseOnRemove(false);
    }
    ~ReleaseFlagOff() { m_caps.SetReleaseOnRemove(m_saved); }
    ReleaseFlagOff(const ReleaseFlagOff&) = delete;
    ReleaseFlagOff& operator=(const ReleaseFlagOff&) = delete;

private:
    Captures& m_caps;
    bool m_saved;
};

bool HasOption(const char* options, char letter) {
    return options != nullptr && std::strchr(options, letter) != nullptr;
}

// The driver's loop over the offsets of the text (see StrRegexMatchCompiled).
int32_t RunMatches(const char* text, size_t length, const CStrRegexStruct& root, MatchContext& ctx, bool all,
                   bool startOnly, Captures& caps, CArrayAuto<CStrArray_base<64>>* captureLists,
                   CArrayAuto<CStrRegexMatchStruct>* matches, StrRegexMatchCallback callback) {
    int64_t offset = 0;
    int32_t found = 0;
    while (offset < static_cast<int64_t>(length)) {
        const char* at = text + offset;
        int32_t own;
        int32_t c = StrRegexMatchRepeat(at, root, caps, nullptr, 0, own, ctx);
        if (c >= 0 && callback != nullptr) {
            c = callback(at, static_cast<int32_t>(offset), c, caps);
            if (c < 0) caps.RemoveAll();  // a rejected match leaves no captures behind
        }
        if (c < 0) {
            if (startOnly) break;
            offset += CharLength(at);
            continue;
        }
        if (matches != nullptr) *matches->AddNew() = {static_cast<int32_t>(offset), c};
        if (captureLists != nullptr) {
            // Copies are charged too: many matches with many captures each would
            // otherwise fill memory at no cost.
            uint64_t bytes = 0;
            for (const CStr_base<64>* capture : caps) bytes += static_cast<uint32_t>(capture->GetLength());
            ctx.Charge(16 * uint64_t(caps.GetCount()) + bytes / kBytesPerStep);
            captureLists->AddNew()->Copy(caps);
        }
        if (!all) return 1;
        ++found;
        offset += c != 0 ? c : CharLength(at);
        caps.RemoveAll();
    }
    return found;
}

}  // namespace

CArrayAuto<StrRegexClassHandler>& StrRegexClassHandlers() {
    static CArrayAuto<StrRegexClassHandler> table;
    return table;
}

CArrayAuto<StrRegexCaptureHandler>& StrRegexCaptureHandlers() {
    static CArrayAuto<StrRegexCaptureHandler> table;
    return table;
}

int32_t StrRegexMatchCompiled(const char* text, const CStrRegexStruct& root, const char* options,
                              CStrArray_base<64>* captures,
                              CArrayAuto<CStrArray_base<64>>* captureLists,
                              CArrayAuto<CStrRegexMatchStruct>* matches,
                              StrRegexMatchCallback callback) {
    const bool caseInsensitive = HasOption(options, 'i');
    const bool all = HasOption(options, 'g');
    const bool startOnly = HasOption(options, 's');

    Captures local;
    Captures& caps = captures != nullptr ? *captures : local;
    caps.RemoveAll();
    ReleaseFlagOff keepBuffers(caps);
    if (matches != nullptr) matches->RemoveAll();

    if (text == nullptr || *text == 0) return 0;
    const size_t length = std::strlen(text);
    if (length > static_cast<size_t>(INT32_MAX)) return 0;  // offsets are 32-bit

    MatchContext ctx(text, caseInsensitive);
    ctx.stepsLeft = StrRegexStepBudget(length);
    const uint32_t listsBefore = captureLists != nullptr ? captureLists->GetCount() : 0;
    try {
        return RunMatches(text, length, root, ctx, all, startOnly, caps, captureLists, matches, callback);
    } catch (const StepBudgetSpent&) {
        // Refused as a whole, like a pattern too deep to compile: no match and
        // nothing of this run left in the outputs.
        caps.RemoveAll();
        if (matches != nullptr) matches->RemoveAll();
        if (captureLists != nullptr) {
            while (captureLists->GetCount() > listsBefore) captureLists->RemoveAt(captureLists->GetCount() - 1);
        }
        return 0;
    }
}

int32_t StrRegexMatch(const char* text, const char* pattern, const char* options,
                      CStrArray_base<64>* captures, CArrayAuto<CStrArray_base<64>>* captureLists,
                      CArrayAuto<CStrRegexMatchStruct>* matches, StrRegexMatchCallback callback) {
    CStrRegexStruct root;
    const char* pos = pattern;
    if (!CStrRegexStruct::Compile(pos, root)) {
        // Too deep to match safely: no match, with the outputs emptied as for any run.
        if (captures != nullptr) captures->RemoveAll();
        if (matches != nullptr) matches->RemoveAll();
        return 0;
    }
    return StrRegexMatchCompiled(text, root, options, captures, captureLists, matches, callback);
}

bool ExtractFileTitle(const char* path, CStr_base<64>& out) {
    // An optional folder part up to the last "\" or "/", then the name as capture 0.
    static const char kTitlePattern[] = "%0,1(%*j%[\\/%]%)%{%*j%P%![. %]%j%}";
    if (path == nullptr) path = "";

    CStrArray_base<64> caps;
    if (StrRegexMatch(path, kTitlePattern, "s", &caps) > 0 && caps.GetCount() != 0) {
        const CStr_base<64>& name = *caps.GetAt(0);
        const char* s = name.GetText();
        int32_t end = name.GetLength();
        for (int32_t i = 0; s[i] != 0; i += CharLength(s + i))
            if (s[i] == '.') end = i;
        out.AssignBytesN(s, end);
    } else if (path != out.GetText()) {
        CStr_base<64> whole(path);  // path may lie inside out's own buffer
        out = std::move(whole);
    }
    return true;
}
