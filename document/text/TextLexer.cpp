// The lexical tools of the document text. Each makes one pass over its text.
//
// SplitArguments runs for every factor text of a document, so its scanner works
// from a byte-class table and stops only at the bytes that can matter in its
// current state; each item is then copied with one bounded write, and the array's
// items keep their buffers from one split to the next instead of giving them back
// to the string pools and taking them again.
#include "document/text/TextLexer.h"

#include <cstring>

namespace {

// Byte classes of the scanners; a byte may belong to several.
enum : uint8_t {
    kNul = 1,
    kLead = 2,
    kQuote = 4,  // double quote or apostrophe
    kOpen = 8,
    kClose = 16,
    kComma = 32,
    kBackslash = 64,
};

// Bytes that end a run of ordinary bytes outside a quote and inside one.
constexpr uint8_t kStopPlain = kNul | kLead | kQuote | kOpen | kClose | kComma;
constexpr uint8_t kStopQuoted = kNul | kLead | kQuote | kBackslash;

struct ByteClasses {
    uint8_t of[256];
    constexpr ByteClasses() : of{} {
        for (unsigned b = 0; b < 256; ++b)
            if (IsCp932Lead(static_cast<unsigned char>(b))) of[b] = kLead;
        of[0] = kNul;
        of[uint8_t('"')] = kQuote;
        of[uint8_t('\'')] = kQuote;
        of[uint8_t('(')] = kOpen;
        of[uint8_t('[')] = kOpen;
        of[uint8_t('{')] = kOpen;
        of[uint8_t(')')] = kClose;
        of[uint8_t(']')] = kClose;
        of[uint8_t('}')] = kClose;
        of[uint8_t(',')] = kComma;
        of[uint8_t('\\')] = kBackslash;
    }
};
constexpr ByteClasses kClasses;

// Length of the character at p: 2 for a lead byte with a non-NUL byte after it.
inline size_t CharLength(const unsigned char* p) noexcept { return IsCp932Lead(p[0]) && p[1] != 0 ? 2 : 1; }

// The array is emptied without giving the items' buffers back, so the split can
// reuse them; when the array releases removed strings, the items that the split
// did not reuse are released on the way out, as emptying it would have done.
template <unsigned N>
class ReusingItems {
public:
    explicit ReusingItems(CStrArray_base<N>& items)
        : m_items(items), m_release(items.GetReleaseOnRemove()), m_oldCount(items.GetCount()) {
        items.SetReleaseOnRemove(false);
        items.RemoveAll();
    }
    ~ReusingItems() {
        m_items.SetReleaseOnRemove(m_release);
        if (!m_release) return;
        CStr_base<N>** slots = m_items.GetIndex();
        for (uint32_t i = m_items.GetCount(); i < m_oldCount; ++i) slots[i]->Free();
    }
    ReusingItems(const ReusingItems&) = delete;
    ReusingItems& operator=(const ReusingItems&) = delete;

    // Appends an item holding len bytes from p.
    void Add(const unsigned char* p, size_t len) {
        CStr_base<N>* item = m_items.AddNew();
        if (len >= detail::kMaxStrCapacity) throw 0;  // beyond any string's capacity
        const uint32_t n = static_cast<uint32_t>(len);
        if (n != 0 && item->GetCapacity() < n + 2) {
            item->SetLength(0);  // nothing of the old text to carry over
            item->Reserve(n + 2);
        }
        if (n != 0) std::memcpy(item->GetBuffer(), p, n);
        item->SetLength(static_cast<int32_t>(n));
    }

private:
    CStrArray_base<N>& m_items;
    const bool m_release;
    const uint32_t m_oldCount;
};

// Records where each item lies instead of copying it.
class SpanItems {
public:
    SpanItems(const unsigned char* base, ArgumentSpan* spans, uint32_t capacity) noexcept
        : m_base(base), m_spans(spans), m_capacity(capacity) {}
    void Add(const unsigned char* p, size_t len) noexcept {
        if (m_count < m_capacity) m_spans[m_count] = ArgumentSpan{size_t(p - m_base), len};
        if (m_count != UINT32_MAX) ++m_count;
    }
    uint32_t GetCount() const noexcept { return m_count; }

private:
    const unsigned char* m_base;
    ArgumentSpan* m_spans;
    uint32_t m_capacity;
    uint32_t m_count = 0;
};

// The split proper, handing each item to items.Add; returns the end position.
template <class Items>
const unsigned char* Split(Items& items, const unsigned char* p) {
    size_t i = 0;
    size_t start = 0;
    size_t depth = 0;
    for (;;) {
        while ((kClasses.of[p[i]] & kStopPlain) == 0) ++i;
        const unsigned char c = p[i];
        const uint8_t cls = kClasses.of[c];
        if (cls & kNul) {
            items.Add(p + start, i - start);
            return p + i;
        }
        if (cls & kLead) {
            i += CharLength(p + i);
        } else if (cls & kComma) {
            if (depth == 0) {
                items.Add(p + start, i - start);
                start = i + 1;
            }
            ++i;
        } else if (cls & kOpen) {
            ++depth;
            ++i;
        } else if (cls & kClose) {
            if (depth == 0) {
                items.Add(p + start, i - start);
                return p + i + 1;
            }
            --depth;
            ++i;
        } else {
            // A quoted text: only its closing quote ends it; a backslash takes the
            // next byte or double-byte character with it. At the NUL the outer
            // loop ends the list.
            const unsigned char quote = c;
            ++i;
            for (;;) {
                while ((kClasses.of[p[i]] & kStopQuoted) == 0) ++i;
                const unsigned char q = p[i];
                if (q == 0) break;
                if (q == quote) {
                    ++i;
                    break;
                }
                if (q == '\\') {
                    if (p[i + 1] == 0)
                        ++i;
                    else
                        i += 1 + CharLength(p + i + 1);
                } else {
                    i += CharLength(p + i);  // a double-byte character or the other quote
                }
            }
        }
    }
}

// Whether p lies in the buffer of one of the array's strings, in use or not.
template <unsigned N>
bool PointsIntoItems(CStrArray_base<N>& items, const char* p) noexcept {
    CStr_base<N>* const* slots = items.GetIndex();
    const uint32_t reserved = items.GetReserved();
    for (uint32_t i = 0; i < reserved; ++i) {
        const CStr_base<N>* item = slots[i];
        if (item->GetCapacity() != 0 && detail::PointsInto(p, item->GetText(), item->GetCapacity())) return true;
    }
    return false;
}

}  // namespace

template <unsigned N>
uint32_t SplitArguments(CStrArray_base<N>& items, const char* text, const char** end) {
    // The items' buffers are reused, so a text inside one of them is copied first.
    CStr_base<1024> copy;
    const char* source = text;
    if (PointsIntoItems(items, text)) {
        copy.Assign(text);
        source = copy.GetText();
    }
    const unsigned char* stop;
    {
        ReusingItems<N> reuse(items);
        stop = Split(reuse, reinterpret_cast<const unsigned char*>(source));
    }
    if (end != nullptr) *end = text + (reinterpret_cast<const char*>(stop) - source);
    return items.GetCount();
}

uint32_t FindArguments(const char* text, ArgumentSpan* spans, uint32_t capacity, const char** end) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    SpanItems items(p, spans, capacity);
    const unsigned char* stop = Split(items, p);
    if (end != nullptr) *end = reinterpret_cast<const char*>(stop);
    return items.GetCount();
}

template uint32_t SplitArguments<64>(CStrArray_base<64>&, const char*, const char**);
template uint32_t SplitArguments<1024>(CStrArray_base<1024>&, const char*, const char**);

int32_t FindClosingQuote(const char* open) noexcept {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(open);
    const unsigned char delimiter = p[0];
    if (delimiter == 0) return -1;  // no text at all; nothing after it may be read
    for (size_t i = 1;;) {
        const unsigned char c = p[i];
        if (c == 0) return -1;
        if (IsCp932Lead(c) && p[i + 1] != 0) {
            i += 2;
        } else if (c == '\\') {
            if (p[i + 1] == 0) return -1;
            i += 1 + CharLength(p + i + 1);
        } else if (c == delimiter) {
            return i <= size_t(INT32_MAX) ? static_cast<int32_t>(i) : -1;
        } else {
            ++i;
        }
    }
}

bool ReadsBackQuoted(const char* bytes, int32_t length) noexcept {
    // The same steps FindClosingQuote takes over the written text: the closing
    // quote must be reached exactly after the last byte.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    for (int32_t i = 0; i < length;) {
        const unsigned char c = p[i];
        if (c == 0 || c == '"') return false;
        if (IsCp932Lead(c)) {
            if (i + 1 >= length || p[i + 1] == 0) return false;  // it would swallow the closing quote
            i += 2;
        } else if (c == '\\') {
            // The escape takes the next character: one byte, or a whole
            // double-byte character, which must end inside the text.
            if (i + 1 >= length || p[i + 1] == 0) return false;
            if (IsCp932Lead(p[i + 1])) {
                if (i + 2 >= length || p[i + 2] == 0) return false;
                i += 3;
            } else {
                i += 2;
            }
        } else {
            ++i;
        }
    }
    return true;
}

bool FindQuotedText(const char* item, const char*& begin, int32_t& length) noexcept {
    const int32_t close = FindClosingQuote(item);
    if (close < 1) return false;
    begin = item + 1;
    length = close - 1;
    // Read between double quotes, the text is exactly what writing produces.
    return *item == '"' || ReadsBackQuoted(begin, length);
}

namespace {

// Prepares scratch to receive up to capacity - 2 bytes written directly.
void PrepareScratch(CStr_base<64>& scratch, uint64_t bytes) {
    if (bytes + 2 >= detail::kMaxStrCapacity) throw 0;
    scratch.SetLength(0);  // the old content need not move if the buffer grows
    scratch.Reserve(static_cast<uint32_t>(bytes + 2));
}

// Escaped length of a text of len bytes.
uint64_t EscapedLength(const unsigned char* s, uint32_t len) noexcept {
    uint64_t n = 0;
    for (uint32_t r = 0; r < len;) {
        const unsigned char c = s[r];
        if (c == '\\' || c == '\n' || c == '\t' || c == '\'' || c == '"') {
            n += 2;
            ++r;
        } else {
            const size_t k = CharLength(s + r);
            n += k;
            r += uint32_t(k);
        }
    }
    return n;
}

}  // namespace

void Unescape(CStr_base<64>& text, CStr_base<64>& scratch) {
    if (&scratch == &text) {
        CStr_base<64> own;
        Unescape(text, own);
        return;
    }
    const uint32_t len = static_cast<uint32_t>(text.GetLength());
    if (len == 0) {
        scratch.SetLength(0);
        return;
    }
    PrepareScratch(scratch, len);  // unescaping never lengthens
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text.GetText());
    char* d = scratch.GetBuffer();
    uint32_t w = 0;
    for (uint32_t r = 0; r < len;) {
        const unsigned char c = s[r];
        if (c != '\\') {
            d[w++] = char(c);
            if (IsCp932Lead(c) && s[r + 1] != 0) d[w++] = char(s[++r]);
            ++r;
            continue;
        }
        const unsigned char e = s[r + 1];
        if (e == 0) break;  // a lone backslash at the end is dropped
        switch (e) {
            case '\\': d[w++] = '\\'; break;
            case 'n': d[w++] = '\n'; break;
            case 't': d[w++] = '\t'; break;
            case '\'': d[w++] = '\''; break;
            case '"': d[w++] = '"'; break;
            default:
                // An unknown escape disappears with its whole character: the second
                // byte of a double-byte character must not start an escape of its own.
                r += uint32_t(CharLength(s + r + 1)) + 1;
                continue;
        }
        r += 2;
    }
    scratch.SetLength(static_cast<int32_t>(w));
    text.AssignString(scratch);
}

void Escape(CStr_base<64>& text, CStr_base<64>& scratch) {
    if (&scratch == &text) {
        CStr_base<64> own;
        Escape(text, own);
        return;
    }
    const uint32_t len = static_cast<uint32_t>(text.GetLength());
    if (len == 0) {
        scratch.SetLength(0);
        return;
    }
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text.GetText());
    // At most two bytes per byte; a text too long for that bound is measured.
    const uint64_t bound = 2 * uint64_t(len);
    PrepareScratch(scratch, bound + 2 < detail::kMaxStrCapacity ? bound : EscapedLength(s, len));
    char* d = scratch.GetBuffer();
    uint32_t w = 0;
    for (uint32_t r = 0; r < len;) {
        const unsigned char c = s[r];
        char e;
        switch (c) {
            case '\\': e = '\\'; break;
            case '\n': e = 'n'; break;
            case '\t': e = 't'; break;
            case '\'': e = '\''; break;
            case '"': e = '"'; break;
            default:
                d[w++] = char(c);
                if (IsCp932Lead(c) && s[r + 1] != 0) d[w++] = char(s[++r]);
                ++r;
                continue;
        }
        d[w++] = '\\';
        d[w++] = e;
        ++r;
    }
    scratch.SetLength(static_cast<int32_t>(w));
    text.AssignString(scratch);
}

bool CutAtLastPathSeparator(CStr_base<64>& path) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(path.GetText());
    const uint32_t len = static_cast<uint32_t>(path.GetLength());
    int64_t found = -1;
    for (uint32_t i = 0; i < len;) {
        const unsigned char c = p[i];
        if (c == '\\' || c == '/') found = i;
        i += uint32_t(CharLength(p + i));
    }
    if (found < 0) return false;
    path.SetLength(static_cast<int32_t>(found));
    return true;
}
