#pragma once
// CStr_base<N>: the narrow string of the system, code-page-932 text as bytes.
//
// The string keeps its own length and capacity and takes buffers of up to 1024
// bytes from the string pools (StrPool.h); larger buffers are arrays of exactly
// the reserved size. N is not a size limit but the smallest growth step, and it
// scales the whole growth table (see Grow). An empty string that never held a
// buffer points at a shared read-only sentinel with capacity 0, so default
// construction allocates nothing and a global string is constant-initialised.
//
// Invariants: with an owned buffer, length + 1 <= capacity and the text is
// NUL-terminated; the text never holds a NUL before its end (every writer stops at
// the first NUL of its source). Writers reserve two bytes beyond the text they will
// hold; the one-byte writer reserves three.
//
// Code page 932: a byte in 0x81-0x9F or 0xE0-0xFC is a lead byte and forms one
// character with the byte after it. The character-aware operations step by that
// rule and return byte positions at character boundaries.
//
// Every source text may point into the string's own buffer (s.Assign(s.GetText() + 3),
// s.Append(s.GetText())): a buffer that moves while growing is followed.
//
// Failures: a capacity of 0x7F000000 bytes or more, a length sum that overflows and
// an insertion position beyond the length throw the int 0; allocation failures
// throw std::bad_alloc. In each case the string keeps its previous contents.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "foundation/strings/FormatArg.h"
#include "foundation/strings/StrPool.h"
#include "platform/Cp932.h"

// Lead byte of a two-byte code-page-932 character.
constexpr bool IsCp932Lead(unsigned char b) noexcept { return platform::IsCp932LeadByte(b); }

template <unsigned N>
class CStr_base;

// The library's printf into a string; defined with the formatter.
template <unsigned N>
void FormatInto(CStr_base<N>& target, const char* fmt, const FormatArg* args, uint32_t count);

// Searches on plain NUL-terminated texts, stepping by characters. -1 when nothing
// is found.
// First character-start byte equal to c. A lead byte followed by NUL ends the text.
int32_t FindChar(const char* text, char c) noexcept;
// First occurrence of pattern starting at a character boundary; 0 for an empty pattern.
int32_t FindSubstring(const char* text, const char* pattern) noexcept;
// Last occurrence of pattern starting at a character boundary; -1 for an empty
// text. An empty pattern matches at every boundary, giving the last character.
int32_t FindLastSubstring(const char* text, const char* pattern) noexcept;

namespace detail {

// Capacity at or above which Reserve refuses.
inline constexpr uint32_t kMaxStrCapacity = 0x7F000000u;

// Number of bytes of text[0..n) (stopping at a NUL) that can be taken without
// splitting a character: a lead byte is taken only together with a non-NUL byte
// after it, and only when both fit in n.
inline uint32_t Cp932TakeN(const char* text, uint32_t n) noexcept {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    uint32_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c == 0) break;
        if (IsCp932Lead(c)) {
            if (n - i < 2 || p[i + 1] == 0) break;
            i += 2;
        } else {
            ++i;
        }
    }
    return i;
}

// Whether p points into [buffer, buffer + size).
inline bool PointsInto(const void* p, const void* buffer, size_t size) noexcept {
    return reinterpret_cast<uintptr_t>(p) - reinterpret_cast<uintptr_t>(buffer) < size;
}

// The growth step of a string whose smallest step is n, at its current capacity:
// n below 16n, 4n below 64n, 16n below 256n, 64n below 1024n, 256n below 2048n
// and 1024n above. Shared by the narrow and the wide strings.
constexpr uint64_t StrGrowthStep(uint64_t capacity, uint64_t n) noexcept {
    if (capacity < 16 * n) return n;
    if (capacity < 64 * n) return 4 * n;
    if (capacity < 256 * n) return 16 * n;
    if (capacity < 1024 * n) return 64 * n;
    if (capacity < 2048 * n) return 256 * n;
    return 1024 * n;
}

}  // namespace detail

template <unsigned N>
class CStr_base {
    static_assert(N >= 1 && N <= 16384, "growth step out of range");

public:
    // --- construction and release ---

    constexpr CStr_base() noexcept : m_capacity(0), m_length(0), m_buffer(const_cast<char*>(detail::g_emptyNarrow)) {}
    CStr_base(const char* text) : CStr_base() { Assign(text); }

    // Copies the bytes into a buffer of this string's own; an empty source stays
    // without allocation.
    CStr_base(const CStr_base& other) : CStr_base() {
        if (other.m_length != 0) AssignString(other);
    }
    // Takes the buffer over; the source becomes empty.
    CStr_base(CStr_base&& other) noexcept
        : m_capacity(other.m_capacity), m_length(other.m_length), m_buffer(other.m_buffer) {
        other.SetEmpty();
    }
    CStr_base& operator=(const CStr_base& other) {
        if (this != &other) {
            if (other.m_length != 0)
                AssignString(other);
            else
                Clear();
        }
        return *this;
    }
    CStr_base& operator=(CStr_base&& other) noexcept {
        if (this != &other) {
            detail::ReleaseNarrowBuffer(m_buffer, m_capacity);
            m_capacity = other.m_capacity;
            m_length = other.m_length;
            m_buffer = other.m_buffer;
            other.SetEmpty();
        }
        return *this;
    }

    virtual ~CStr_base() { detail::ReleaseNarrowBuffer(m_buffer, m_capacity); }

    // Releases the buffer and returns to the empty state (sentinel).
    void Free() noexcept {
        detail::ReleaseNarrowBuffer(m_buffer, m_capacity);
        SetEmpty();
    }

    // Makes the capacity at least n. n >= 0x7F000000 throws the int 0.
    void Reserve(uint32_t n) {
        if (n > m_capacity) Grow(n);
    }

    // --- access ---

    const char* GetText() const noexcept { return m_buffer; }
    int32_t GetLength() const noexcept { return m_length; }
    uint32_t GetCapacity() const noexcept { return m_capacity; }
    bool IsEmpty() const noexcept { return m_length == 0; }

    // Direct writing: Reserve first, write into GetBuffer(), then SetLength. On an
    // empty string without a buffer GetBuffer() is the read-only sentinel.
    char* GetBuffer() noexcept { return m_buffer; }
    // Sets the length and terminates there. The length must leave room for the
    // NUL (below the capacity; only 0 without a buffer); otherwise the length is
    // thrown as an unsigned 32-bit value.
    void SetLength(int32_t length) {
        if (length < 0 || (m_capacity == 0 ? length != 0 : uint32_t(length) >= m_capacity))
            throw static_cast<uint32_t>(length);
        m_length = length;
        if (m_capacity != 0) m_buffer[length] = 0;
    }

    // --- assignment ---

    CStr_base& Assign(const char* text) { return AssignRaw(text, std::strlen(text)); }

    // Copies another string's length in bytes.
    template <unsigned M>
    CStr_base& AssignString(const CStr_base<M>& other) {
        return AssignRaw(other.GetText(), uint32_t(other.GetLength()));
    }

    // At most n bytes of text without splitting a character (n < 0: all of it).
    CStr_base& AssignN(const char* text, int32_t n) {
        PutLimited<true>(0, text, n);
        return *this;
    }

    // At most n bytes of text, stopping at a NUL, without the character rule
    // (n < 0: all of it).
    CStr_base& AssignBytesN(const char* text, int32_t n) {
        PutLimited<false>(0, text, n);
        return *this;
    }

    // --- appending ---

    CStr_base& Append(const char* text) { return AppendRaw(text, std::strlen(text)); }

    template <unsigned M>
    CStr_base& AppendString(const CStr_base<M>& other) {
        return AppendRaw(other.GetText(), uint32_t(other.GetLength()));
    }

    // Appends at most n bytes without splitting a character (n < 0: the whole
    // text); a lead byte at the end of the source is dropped. Returns the buffer.
    char* AppendN(const char* text, int32_t n) {
        PutLimited<true>(uint32_t(m_length), text, n);
        return m_buffer;
    }

    // Appends at most n bytes, stopping at a NUL, without the character rule
    // (n < 0: the whole text).
    CStr_base& AppendBytesN(const char* text, int32_t n) {
        PutLimited<false>(uint32_t(m_length), text, n);
        return *this;
    }

    // Appends one byte (nothing for NUL); reserves length + 3.
    CStr_base& AppendChar(char c) {
        if (c == 0) return *this;
        Reserve(uint32_t(m_length) + 3);
        m_buffer[m_length++] = c;
        m_buffer[m_length] = 0;
        return *this;
    }

    // Inserts text at byte position pos (pos above the length throws the int 0).
    // scratch (not this string) receives the old tail. Returns the buffer.
    char* Insert(const char* text, uint32_t pos, CStr_base& scratch);

    // --- editing and search ---

    // Replaces every occurrence of pattern that starts at a character boundary,
    // left to right without overlaps; returns the number of replacements. An
    // empty pattern replaces nothing. A lone lead byte at the end of the text is
    // dropped. A replacement longer than the pattern builds the result in
    // scratch (not this string), whose content is lost.
    int32_t ReplaceAll(const char* pattern, const char* replacement, CStr_base& scratch);

    // Removes the last character (one or two bytes).
    void DropLastChar() noexcept;

    // First byte equal to c at or after start, stepping by characters from start
    // (a character boundary); -1 when none or start is outside the text.
    int32_t FindChar(char c, int32_t start) const noexcept {
        if (start < 0 || start >= m_length) return -1;
        const unsigned char* p = reinterpret_cast<const unsigned char*>(m_buffer);
        const unsigned char uc = static_cast<unsigned char>(c);
        for (int32_t i = start; i < m_length;) {
            if (p[i] == uc) return i;
            i += IsCp932Lead(p[i]) ? 2 : 1;
        }
        return -1;
    }

    // Last character-start byte equal to c; -1 when none.
    int32_t FindLastChar(char c) const noexcept {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(m_buffer);
        const unsigned char uc = static_cast<unsigned char>(c);
        int32_t found = -1;
        for (int32_t i = 0; i < m_length;) {
            if (p[i] == uc) found = i;
            i += IsCp932Lead(p[i]) ? 2 : 1;
        }
        return found;
    }

    bool operator==(const char* text) const noexcept { return std::strcmp(m_buffer, text) == 0; }
    bool operator!=(const char* text) const noexcept { return std::strcmp(m_buffer, text) != 0; }

    // --- formatting and conversion ---

    // printf-style formatting into this string (replaces the content).
    template <class... A>
    void Format(const char* fmt, const A&... args) {
        if constexpr (sizeof...(A) == 0) {
            FormatInto(*this, fmt, nullptr, 0);
        } else {
            const FormatArg packed[] = {FormatArg(args)...};
            FormatInto(*this, fmt, packed, uint32_t(sizeof...(A)));
        }
    }

    // UTF-16 to code page 932, characters without a code-page-932 form escaped
    // when asked; defined with the wide strings. This and the settings escapes
    // below exist for the 64-class only (explicit specialisations after the
    // class; other classes have no definition).
    bool FromWide(const char16_t* text, bool escape);

    // The escapes of the settings text form (foundation/settings/IniEscape.h) on
    // this string: each builds its result in scratch (not this string) and copies
    // it back, so both hold the result afterwards. Defined with the settings.
    void EscapeIniValue(CStr_base<64>& scratch);
    void UnescapeIniValue(CStr_base<64>& scratch);
    void EscapeIniName(CStr_base<64>& scratch);

private:
    void SetEmpty() noexcept {
        m_capacity = 0;
        m_length = 0;
        m_buffer = const_cast<char*>(detail::g_emptyNarrow);
    }

    // Length 0, keeping the buffer; the sentinel is never written.
    void Clear() noexcept {
        if (m_length != 0) {
            m_length = 0;
            m_buffer[0] = 0;
        }
    }

    static uint32_t ClampedStrlen(const char* text) noexcept {
        const size_t n = std::strlen(text);
        return n < detail::kMaxStrCapacity ? uint32_t(n) : detail::kMaxStrCapacity;
    }

    // Throws the int 0 when length + added + 2 does not fit in a signed 32-bit
    // count.
    static void CheckSum(uint32_t length, uint32_t added) {
        if (uint64_t(length) + added + 2 > uint64_t(INT32_MAX)) throw 0;
    }

    // Reserve(n) for a write from src, which may point into this string's buffer;
    // returns where src is afterwards.
    const char* ReserveKeeping(uint32_t n, const char* src) {
        if (n <= m_capacity) return src;
        if (m_capacity != 0 && detail::PointsInto(src, m_buffer, m_capacity)) {
            const size_t offset = size_t(src - m_buffer);
            Grow(n);
            return m_buffer + offset;
        }
        Grow(n);
        return src;
    }

    // The text becomes its first `at` bytes followed by len bytes of text.
    void PutRaw(uint32_t at, const char* text, size_t len) {
        if (uint64_t(at) + len + 2 >= detail::kMaxStrCapacity) throw 0;
        const char* src = ReserveKeeping(at + uint32_t(len) + 2, text);
        std::memmove(m_buffer + at, src, len);
        m_length = int32_t(at + len);
        m_buffer[m_length] = 0;
    }

    CStr_base& AssignRaw(const char* text, size_t len) {
        PutRaw(0, text, len);
        return *this;
    }

    CStr_base& AppendRaw(const char* text, size_t len) {
        PutRaw(uint32_t(m_length), text, len);
        return *this;
    }

    // The text becomes its first `at` bytes followed by at most n bytes of text
    // (n < 0: all of it), stopping at a NUL and, with WholeCharacters, before a
    // character that does not fit whole. Reserves at + n + 2 bytes.
    template <bool WholeCharacters>
    void PutLimited(uint32_t at, const char* text, int32_t n) {
        const uint32_t limit = n < 0 ? ClampedStrlen(text) : uint32_t(n);
        CheckSum(at, limit);
        const uint32_t take = WholeCharacters ? detail::Cp932TakeN(text, limit) : uint32_t(strnlen(text, limit));
        const char* src = ReserveKeeping(at + limit + 2, text);
        std::memmove(m_buffer + at, src, take);
        m_length = int32_t(at + take);
        m_buffer[m_length] = 0;
    }

    void Grow(uint32_t n);

    uint32_t m_capacity;
    int32_t m_length;
    char* m_buffer;
};

// --- out-of-line members ---

// The growth step depends on the current capacity (detail::StrGrowthStep). The new
// size is the larger of n and capacity + step; sizes up to 1024 are raised to a
// pool size.
template <unsigned N>
__attribute__((noinline)) void CStr_base<N>::Grow(uint32_t n) {
    if (n >= detail::kMaxStrCapacity) throw 0;
    const uint64_t cap = m_capacity;
    const uint64_t step = detail::StrGrowthStep(cap, N);
    // Below the limit plus the largest step, so it fits in 32 bits.
    uint32_t size = uint32_t(cap + step > n ? cap + step : n);
    char* buffer = detail::AllocNarrowBuffer(size);
    if (m_capacity != 0) {
        std::memcpy(buffer, m_buffer, size_t(m_length) + 1);
        detail::ReleaseNarrowBuffer(m_buffer, m_capacity);
    }
    buffer[m_length] = 0;
    m_buffer = buffer;
    m_capacity = size;
}

template <unsigned N>
char* CStr_base<N>::Insert(const char* text, uint32_t pos, CStr_base& scratch) {
    if (pos > uint32_t(m_length)) throw 0;
    const size_t textLen = std::strlen(text);
    if (uint64_t(m_length) + textLen + 2 >= detail::kMaxStrCapacity) throw 0;
    // A text inside this buffer is read before the buffer is cut: either from
    // the tail (now in scratch) or as a head part followed by the tail.
    const bool inside = m_capacity != 0 && detail::PointsInto(text, m_buffer, uint32_t(m_length) + 1);
    const uint32_t offset = inside ? uint32_t(text - m_buffer) : 0;
    scratch.AssignRaw(m_buffer + pos, uint32_t(m_length) - pos);
    if (m_length != 0) {
        m_length = int32_t(pos);
        m_buffer[pos] = 0;
    }
    if (!inside) {
        AppendRaw(text, textLen);
    } else if (offset >= pos) {
        AppendRaw(scratch.m_buffer + (offset - pos), textLen);
    } else {
        AppendRaw(m_buffer + offset, pos - offset);
        AppendRaw(scratch.m_buffer, uint32_t(scratch.m_length));
    }
    AppendRaw(scratch.m_buffer, uint32_t(scratch.m_length));
    return m_buffer;
}

template <unsigned N>
int32_t CStr_base<N>::ReplaceAll(const char* pattern, const char* replacement, CStr_base& scratch) {
    if (*pattern == 0) return 0;
    const size_t patLen = std::strlen(pattern);
    const size_t repLen = std::strlen(replacement);
    const unsigned char first = static_cast<unsigned char>(pattern[0]);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(m_buffer);
    const uint32_t len = uint32_t(m_length);
    int32_t count = 0;

    // In place when the text cannot grow and the arguments are not part of it.
    const bool aliased = m_capacity != 0 && (detail::PointsInto(pattern, m_buffer, m_capacity) ||
                                             detail::PointsInto(replacement, m_buffer, m_capacity));
    if (repLen <= patLen && !aliased) {
        if (m_capacity == 0) return 0;
        uint32_t r = 0;
        uint32_t w = 0;
        while (r < len && p[r] != 0) {
            if (p[r] == first && len - r >= patLen && std::memcmp(p + r, pattern, patLen) == 0) {
                std::memcpy(m_buffer + w, replacement, repLen);
                w += uint32_t(repLen);
                r += uint32_t(patLen);
                ++count;
                continue;
            }
            if (IsCp932Lead(p[r])) {
                if (p[r + 1] == 0) break;
                m_buffer[w++] = char(p[r++]);
            }
            m_buffer[w++] = char(p[r++]);
        }
        m_length = int32_t(w);
        m_buffer[w] = 0;
        return count;
    }

    scratch.Reserve(2);
    scratch.Clear();
    uint32_t r = 0;
    uint32_t runStart = 0;
    while (r < len && p[r] != 0) {
        if (p[r] == first && len - r >= patLen && std::memcmp(p + r, pattern, patLen) == 0) {
            if (uint64_t(scratch.m_length) + (r - runStart) + repLen + 2 > uint64_t(INT32_MAX)) throw 0;
            scratch.AppendRaw(m_buffer + runStart, r - runStart);
            scratch.AppendRaw(replacement, repLen);
            r += uint32_t(patLen);
            runStart = r;
            ++count;
            continue;
        }
        if (IsCp932Lead(p[r])) {
            if (p[r + 1] == 0) break;
            ++r;
        }
        ++r;
    }
    scratch.AppendRaw(m_buffer + runStart, r - runStart);
    AssignRaw(scratch.m_buffer, uint32_t(scratch.m_length));
    return count;
}

template <unsigned N>
void CStr_base<N>::DropLastChar() noexcept {
    if (m_length == 0) return;
    int32_t drop = 1;
    if (m_length > 1) {
        // The byte after a non-lead byte always starts a character, so the parity
        // of the lead-range bytes right before the last byte tells whether the
        // last byte is a trail byte.
        const unsigned char* p = reinterpret_cast<const unsigned char*>(m_buffer);
        int32_t leads = 0;
        for (int32_t i = m_length - 2; i >= 0 && IsCp932Lead(p[i]); --i) ++leads;
        if (leads & 1) drop = 2;
    }
    m_length -= drop;
    m_buffer[m_length] = 0;
}

// Defined with the wide strings.
template <>
bool CStr_base<64>::FromWide(const char16_t* text, bool escape);

// Defined with the settings escapes.
template <>
void CStr_base<64>::EscapeIniValue(CStr_base<64>& scratch);
template <>
void CStr_base<64>::UnescapeIniValue(CStr_base<64>& scratch);
template <>
void CStr_base<64>::EscapeIniName(CStr_base<64>& scratch);
