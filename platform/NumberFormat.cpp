// Integer conversions are built here in one pass: digits backwards into a small
// stack buffer, then sign or prefix, zero fill and blank fill around them, by the
// rules of C's printf as glibc applies them (a precision turns the "0" flag off,
// "+" and " " only affect signed conversions, "#" gives octal a leading 0 and
// non-zero hexadecimal a "0x"). Floating conversions are left to the C runtime,
// run under a "C" locale object made once and switched in per call, so the
// process locale never decides the decimal point.
#include "platform/NumberFormat.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale.h>

namespace platform {
namespace {

// Bounded output: keeps writing past the room only in the count, like snprintf.
struct Sink {
    char* p;
    size_t room;  // bytes that may still be written, the NUL excluded
    size_t count = 0;

    void Put(const char* s, size_t n) {
        size_t k = n < room ? n : room;
        std::memcpy(p, s, k);
        p += k;
        room -= k;
        count += n;
    }
    void Fill(char c, size_t n) {
        size_t k = n < room ? n : room;
        std::memset(p, c, k);
        p += k;
        room -= k;
        count += n;
    }
};

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the digits of v backwards, ending at `end`; returns the first digit.
// v == 0 gives "0".
inline char* Decimal(char* end, uint64_t v) {
    while (v >= 100) {
        const unsigned r = static_cast<unsigned>(v % 100);
        v /= 100;
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * r, 2);
    }
    if (v >= 10) {
        end -= 2;
        std::memcpy(end, kDigitPairs + 2 * v, 2);
    } else {
        *--end = static_cast<char>('0' + v);
    }
    return end;
}

inline char* PowerOfTwo(char* end, uint64_t v, unsigned shift, const char* digits) {
    const uint64_t mask = (uint64_t{1} << shift) - 1;
    do {
        *--end = digits[v & mask];
        v >>= shift;
    } while (v != 0);
    return end;
}

size_t Finish(size_t capacity, const Sink& sink) {
    if (capacity != 0) *sink.p = '\0';
    return sink.count;
}

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

}  // namespace

size_t FormatInteger(char* out, size_t capacity, const NumberSpec& spec, uint64_t bits) {
    Sink sink{out, capacity != 0 ? capacity - 1 : 0};
    const bool left = (spec.flags & NumberSpec::kLeft) != 0;
    const size_t width = spec.width > 0 ? static_cast<size_t>(spec.width) : 0;

    if (spec.conversion == 'c') {
        const char c = static_cast<char>(static_cast<unsigned char>(bits));
        const size_t pad = width > 1 ? width - 1 : 0;
        if (!left) sink.Fill(' ', pad);
        sink.Put(&c, 1);
        if (left) sink.Fill(' ', pad);
        return Finish(capacity, sink);
    }

    int64_t precision = spec.precision;
    uint64_t magnitude;
    char sign = 0;
    char digitsBuffer[24];
    char* const end = digitsBuffer + sizeof digitsBuffer;
    char* first = end;
    const char* prefix = nullptr;  // "0x" / "0X"

    switch (spec.conversion) {
    case 'd':
    case 'i': {
        int64_t v;
        if (spec.length == NumberSpec::kLong64)
            v = static_cast<int64_t>(bits);
        else if (spec.length == NumberSpec::kShort)
            v = static_cast<int16_t>(static_cast<uint16_t>(bits));
        else
            v = static_cast<int32_t>(static_cast<uint32_t>(bits));
        magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        if (v < 0)
            sign = '-';
        else if (spec.flags & NumberSpec::kPlus)
            sign = '+';
        else if (spec.flags & NumberSpec::kSpace)
            sign = ' ';
        break;
    }
    case 'p':
        magnitude = bits;
        precision = 16;
        break;
    default:
        if (spec.length == NumberSpec::kLong64)
            magnitude = bits;
        else if (spec.length == NumberSpec::kShort)
            magnitude = static_cast<uint16_t>(bits);
        else
            magnitude = static_cast<uint32_t>(bits);
        break;
    }

    if (magnitude != 0 || precision != 0) {
        switch (spec.conversion) {
        case 'o':
            first = PowerOfTwo(end, magnitude, 3, "01234567");
            break;
        case 'x':
            first = PowerOfTwo(end, magnitude, 4, "0123456789abcdef");
            break;
        case 'X':
        case 'p':
            first = PowerOfTwo(end, magnitude, 4, "0123456789ABCDEF");
            break;
        default:
            first = Decimal(end, magnitude);
            break;
        }
    }
    const size_t digitCount = static_cast<size_t>(end - first);
    size_t zeros = precision > static_cast<int64_t>(digitCount) ? static_cast<size_t>(precision) - digitCount : 0;

    if (spec.flags & NumberSpec::kAlternate) {
        if (spec.conversion == 'o') {
            if (zeros == 0 && (digitCount == 0 || *first != '0')) zeros = 1;
        } else if (magnitude != 0) {
            if (spec.conversion == 'x')
                prefix = "0x";
            else if (spec.conversion == 'X' || spec.conversion == 'p')
                prefix = "0X";
        }
    }

    const size_t body = (sign ? 1 : 0) + (prefix ? 2 : 0) + zeros + digitCount;
    const size_t pad = width > body ? width - body : 0;
    const bool zeroPad = !left && precision < 0 && (spec.flags & NumberSpec::kZero) != 0;

    if (pad == 0 && zeros == 0 && !prefix && body < capacity) {
        // The common case: a sign at most and the digits.
        char* o = out;
        if (sign) *o++ = sign;
        std::memcpy(o, first, digitCount);
        o[digitCount] = '\0';
        return body;
    }
    if (!left && !zeroPad) sink.Fill(' ', pad);
    if (sign) sink.Put(&sign, 1);
    if (prefix) sink.Put(prefix, 2);
    if (zeroPad) sink.Fill('0', pad);
    sink.Fill('0', zeros);
    sink.Put(first, digitCount);
    if (left) sink.Fill(' ', pad);
    return Finish(capacity, sink);
}

size_t FormatDouble(char* out, size_t capacity, const NumberSpec& spec, double value) {
    // "%" + five flags + two numbers of at most ten digits + "." + letter + NUL.
    char format[40];
    char* f = format;
    *f++ = '%';
    if (spec.flags & NumberSpec::kLeft) *f++ = '-';
    if (spec.flags & NumberSpec::kPlus) *f++ = '+';
    if (spec.flags & NumberSpec::kSpace) *f++ = ' ';
    if (spec.flags & NumberSpec::kAlternate) *f++ = '#';
    if (spec.flags & NumberSpec::kZero) *f++ = '0';
    char number[12];
    if (spec.width >= 0) {
        char* n = Decimal(number + sizeof number, static_cast<uint32_t>(spec.width));
        const size_t k = static_cast<size_t>(number + sizeof number - n);
        std::memcpy(f, n, k);
        f += k;
    }
    if (spec.precision >= 0) {
        *f++ = '.';
        char* n = Decimal(number + sizeof number, static_cast<uint32_t>(spec.precision));
        const size_t k = static_cast<size_t>(number + sizeof number - n);
        std::memcpy(f, n, k);
        f += k;
    }
    *f++ = IsFloatingConversion(spec.conversion) ? spec.conversion : 'f';
    *f = '\0';

    const locale_t c = CLocale();
    const locale_t previous = c ? uselocale(c) : static_cast<locale_t>(0);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int n = std::snprintf(out, capacity, format, value);
#pragma GCC diagnostic pop
    if (c) uselocale(previous);
    if (n < 0) {
        if (capacity != 0) out[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(n);
}

}  // namespace platform
