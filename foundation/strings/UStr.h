#pragma once
// CUStr_base<N>: the UTF-16 twin of CStr_base<N>, and the bridges between the
// system's code-page-932 text and the UTF-16 / UTF-8 of the outside world.
//
// Storage follows the narrow string: an empty string points at a shared read-only
// sentinel with capacity 0; an owned buffer is released by its capacity (16, 64 or
// 256 units go back to the wide pools, anything else is an array). Lengths and
// indices count UTF-16 units; a supplementary character is a high surrogate
// followed by a low one. N is the smallest growth step (see Grow); unlike the
// narrow string, a size is never rounded up to a pool size, and a request equal
// to the capacity grows the buffer.
//
// Escapes. Code page 932 lacks most of Unicode, so narrow text carries a missing
// character as "%u[" hex "]" (upper-case hexadecimal, no leading zeros), and a
// character followed by a variation selector as "%u[" hex "+" n "]" with n = 1..16
// for U+FE00..U+FE0F and n = 17..256 for U+E0100..U+E01EF. FromWide writes them,
// DecodeEscapes reads them back. A path that came from the system with such
// characters can so live in a narrow string and still name its file.
//
// Every source text may point into the string's own buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/strings/Str.h"
#include "foundation/strings/StrPool.h"
#include "platform/Cp932.h"

namespace detail {

// Length of a NUL-terminated UTF-16 text.
inline size_t WideLength(const char16_t* text) noexcept {
    const char16_t* p = text;
    while (*p != 0) ++p;
    return size_t(p - text);
}

inline bool IsHighSurrogate(char16_t u) noexcept { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t u) noexcept { return u >= 0xDC00 && u <= 0xDFFF; }

// Decodes the escapes of text[0..length) in place (the text never grows) and
// terminates it; returns the new length.
int32_t DecodeEscapesInPlace(char16_t* text, int32_t length) noexcept;

// The escape step of FromWide. `converted` is the direct code-page-932 conversion
// (NUL-terminated) of the UTF-16 text `wide` (`units` long), with "?" for every
// character without a form: one "?" per supplementary character or two, as the
// converter counts them. Appends to target the conversion with every such "?"
// replaced by its escape and every character that carries a variation selector
// written as an escape with the selector's number.
void AppendWithEscapes(CStr_base<64>& target, const char* converted, const char16_t* wide, size_t units);

}  // namespace detail

template <unsigned N>
class CUStr_base {
    static_assert(N >= 1 && N <= 16384, "growth step out of range");

public:
    // --- construction and release ---

    constexpr CUStr_base() noexcept
        : m_capacity(0), m_length(0), m_buffer(const_cast<char16_t*>(detail::g_emptyWide)) {}
    CUStr_base(const char16_t* text) : CUStr_base() { Assign(text); }

    // Copies the units into a buffer of this string's own; an empty source stays
    // without allocation.
    CUStr_base(const CUStr_base& other) : CUStr_base() {
        if (other.m_length != 0) AssignRaw(other.m_buffer, size_t(other.m_length));
    }
    // Takes the buffer over; the source becomes empty.
    CUStr_base(CUStr_base&& other) noexcept
        : m_capacity(other.m_capacity), m_length(other.m_length), m_buffer(other.m_buffer) {
        other.SetEmpty();
    }
    CUStr_base& operator=(const CUStr_base& other) {
        if (this != &other) {
            if (other.m_length != 0)
                AssignRaw(other.m_buffer, size_t(other.m_length));
            else
                Clear();
        }
        return *this;
    }
    CUStr_base& operator=(CUStr_base&& other) noexcept {
        if (this != &other) {
            detail::ReleaseWideBuffer(m_buffer, m_capacity);
            m_capacity = other.m_capacity;
            m_length = other.m_length;
            m_buffer = other.m_buffer;
            other.SetEmpty();
        }
        return *this;
    }

    virtual ~CUStr_base() { detail::ReleaseWideBuffer(m_buffer, m_capacity); }

    // Releases the buffer and returns to the empty state (sentinel).
    void Free() noexcept {
        detail::ReleaseWideBuffer(m_buffer, m_capacity);
        SetEmpty();
    }

    // Makes room for n units: nothing happens only when n is below the capacity.
    void Reserve(uint32_t n) {
        if (n >= m_capacity) Grow(n);
    }

    // --- access ---

    const char16_t* GetText() const noexcept { return m_buffer; }
    int32_t GetLength() const noexcept { return m_length; }
    uint32_t GetCapacity() const noexcept { return m_capacity; }
    bool IsEmpty() const noexcept { return m_length == 0; }

    // Direct writing: Reserve first, write into GetBuffer(), then SetLength. On an
    // empty string without a buffer GetBuffer() is the read-only sentinel.
    char16_t* GetBuffer() noexcept { return m_buffer; }
    // Sets the length and terminates there; a length that leaves no room for the
    // NUL is thrown as an unsigned 32-bit value.
    void SetLength(int32_t length) {
        if (length < 0 || (m_capacity == 0 ? length != 0 : uint32_t(length) >= m_capacity))
            throw static_cast<uint32_t>(length);
        m_length = length;
        if (m_capacity != 0) m_buffer[length] = 0;
    }

    // --- assignment and appending ---

    CUStr_base& Assign(const char16_t* text) { return AssignRaw(text, detail::WideLength(text)); }

    CUStr_base& Append(const char16_t* text) {
        PutRaw(uint32_t(m_length), text, detail::WideLength(text));
        return *this;
    }

    // Appends at most n units (n < 0: the whole text), stopping at a NUL, without
    // splitting a surrogate pair: a high surrogate is taken only when the unit
    // after it is within n and not NUL, and then that unit comes with it whatever
    // it is. Returns the buffer.
    char16_t* AppendN(const char16_t* text, int32_t n) { return AppendLimited(text, n, true); }

    // Appends at most n units (n < 0: the whole text), stopping at a NUL, with no
    // surrogate rule. Returns the buffer.
    char16_t* AppendUnitsN(const char16_t* text, int32_t n) { return AppendLimited(text, n, false); }

    // --- conversion ---

    // Replaces the text with the UTF-16 form of a code-page-932 text, after a
    // U+FEFF mark when asked. Invalid code-page-932 text leaves the string empty
    // (or the mark alone) and returns false.
    bool FromCP932(const char* text, bool withMark) {
        const size_t len = std::strlen(text);
        const size_t units = platform::Cp932DecodedLength(text, len);
        if (units + 6 > uint64_t(INT32_MAX)) throw 0;
        Clear();  // nothing to carry over into a new buffer
        Reserve(uint32_t(units) + 1 + 5);
        const uint32_t start = withMark ? 1 : 0;
        m_buffer[0] = 0xFEFF;
        const ptrdiff_t n = platform::Cp932ToUtf16(text, len, m_buffer + start, m_capacity - 2 - start);
        m_length = int32_t(start) + (n < 0 ? 0 : int32_t(n));
        m_buffer[m_length] = 0;
        return n >= 0;
    }

    // Decodes the escapes in place; true when the text became shorter.
    bool DecodeEscapes() noexcept {
        if (m_length == 0) return false;
        const int32_t length = detail::DecodeEscapesInPlace(m_buffer, m_length);
        if (length == m_length) return false;
        m_length = length;
        return true;
    }

private:
    void SetEmpty() noexcept {
        m_capacity = 0;
        m_length = 0;
        m_buffer = const_cast<char16_t*>(detail::g_emptyWide);
    }

    // Length 0, keeping the buffer; the sentinel is never written.
    void Clear() noexcept {
        if (m_length != 0) {
            m_length = 0;
            m_buffer[0] = 0;
        }
    }

    // Throws the int 0 when length + added + 2 does not fit in a signed 32-bit count.
    void CheckSum(uint64_t added) const {
        if (uint64_t(m_length) + added + 2 > uint64_t(INT32_MAX)) throw 0;
    }

    // Reserve(n) for a write from src, which may point into this string's buffer;
    // returns where src is afterwards.
    const char16_t* ReserveKeeping(uint32_t n, const char16_t* src) {
        if (n < m_capacity) return src;
        if (m_capacity != 0 && detail::PointsInto(src, m_buffer, size_t(m_capacity) * sizeof(char16_t))) {
            const size_t offset = size_t(src - m_buffer);
            Grow(n);
            return m_buffer + offset;
        }
        Grow(n);
        return src;
    }

    // The text becomes its first `at` units followed by len units of text.
    void PutRaw(uint32_t at, const char16_t* text, size_t len) {
        if (uint64_t(at) + len + 2 > uint64_t(INT32_MAX)) throw 0;
        const char16_t* src = ReserveKeeping(at + uint32_t(len) + 2, text);
        std::memmove(m_buffer + at, src, len * sizeof(char16_t));
        m_length = int32_t(at + len);
        m_buffer[m_length] = 0;
    }

    CUStr_base& AssignRaw(const char16_t* text, size_t len) {
        PutRaw(0, text, len);
        return *this;
    }

    char16_t* AppendLimited(const char16_t* text, int32_t n, bool keepPairs) {
        const size_t limit = n < 0 ? detail::WideLength(text) : size_t(n);
        CheckSum(limit);
        const char16_t* src = ReserveKeeping(uint32_t(m_length) + uint32_t(limit) + 2, text);
        size_t i = 0;
        while (i < limit && src[i] != 0) {
            if (keepPairs && detail::IsHighSurrogate(src[i])) {
                if (i + 1 >= limit || src[i + 1] == 0) break;
                i += 2;
            } else {
                ++i;
            }
        }
        std::memmove(m_buffer + m_length, src, i * sizeof(char16_t));
        m_length += int32_t(i);
        m_buffer[m_length] = 0;
        return m_buffer;
    }

    void Grow(uint32_t n);

    uint32_t m_capacity;
    int32_t m_length;
    char16_t* m_buffer;
};

// The growth step depends on the current capacity, as for the narrow string of the
// same N (detail::StrGrowthStep). The new size is the larger of n and capacity +
// step, taken as it is: 16, 64 and 256 units come from the wide pools, other
// sizes are arrays.
template <unsigned N>
__attribute__((noinline)) void CUStr_base<N>::Grow(uint32_t n) {
    const uint64_t cap = m_capacity;
    const uint64_t step = detail::StrGrowthStep(cap, N);
    const uint64_t size = cap + step > n ? cap + step : n;
    if (size > UINT32_MAX) throw std::bad_alloc();
    char16_t* buffer = detail::AllocWideBuffer(uint32_t(size));
    std::memcpy(buffer, m_buffer, (size_t(m_length) + 1) * sizeof(char16_t));
    detail::ReleaseWideBuffer(m_buffer, m_capacity);
    buffer[m_length] = 0;
    m_buffer = buffer;
    m_capacity = uint32_t(size);
}

// Full absolute form of a path that may carry escapes; the result carries escapes
// again. "\" and "/" both separate; the result uses "/". False, with the result
// untouched, when no full path can be made.
bool MakeFullPath(const char* path, CStr_base<64>& result);

// The same on UTF-16 text. A leading double quote is skipped, and so is a closing
// one at the end. "." and ".." are resolved by the text alone; the file need not
// exist.
bool MakeFullPathWide(const char16_t* path, CUStr_base<64>& result);

// A stored path (code page 932 with escapes, "\" or "/" separators) as the UTF-8
// name the file system takes, with "/" separators. False when the text is not
// valid code page 932 or decodes to an unpaired surrogate; utf8Out is then
// unchanged.
bool PathToSystem(const char* cp932PathWithEscapes, std::string& utf8Out);

// A UTF-8 name from the file system as a stored path: code page 932 with escapes
// for the characters it lacks. False, with `out` unchanged, when the name is not
// valid UTF-8.
bool PathFromSystem(const char* utf8, CStr_base<64>& out);
