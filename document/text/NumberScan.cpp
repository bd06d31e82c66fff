// The scanners mirror the C library's formatted input step by step: which
// bytes a conversion consumes, when it fails, and how the collected digits turn
// into a value (strtol / strtoul of a 64-bit system, then cut to 32 bits; the
// decimal and hexadecimal reals through strtod under a "C" locale object).
#include "document/text/NumberScan.h"

#include <locale.h>
#include <stdlib.h>

#include <cmath>
#include <limits>

namespace {

// White space of the "C" locale.
inline bool IsBlank(unsigned char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline bool IsDigit(unsigned char c) noexcept { return c >= '0' && c <= '9'; }

// Value of a hexadecimal digit, or 16 for any other byte.
inline uint32_t HexDigitValue(unsigned char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    const unsigned char lower = c | 0x20;
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return 16;
}

inline unsigned char Lower(unsigned char c) noexcept { return (c >= 'A' && c <= 'Z') ? c | 0x20 : c; }

inline const unsigned char* SkipBlanks(const unsigned char* p) noexcept {
    while (IsBlank(*p)) ++p;
    return p;
}

// The digits an integer conversion collected: sign, magnitude (exact up to
// 2^64 - 1) and whether the magnitude went beyond that.
struct CollectedInteger {
    uint64_t magnitude = 0;
    bool negative = false;
    bool overflow = false;
};

// Reads an integer at p (white space already skipped, p not at the end).
// Returns the byte after it, or null when no digit could be taken (a bare sign
// or a byte that cannot start a number). For base 16 a "0x" after the sign is
// taken, and its "0" counts as the number when no digit follows.
const unsigned char* CollectInteger(const unsigned char* p, bool hex, CollectedInteger& out) noexcept {
    if (*p == '-' || *p == '+') {
        out.negative = *p == '-';
        ++p;
    }
    bool gotDigit = false;
    if (hex && p[0] == '0' && Lower(p[1]) == 'x') {
        gotDigit = true;
        p += 2;
    }
    const uint64_t base = hex ? 16 : 10;
    const uint64_t limit = std::numeric_limits<uint64_t>::max();
    uint64_t magnitude = 0;
    bool overflow = false;
    for (;; ++p) {
        const uint32_t digit = hex ? HexDigitValue(*p) : (IsDigit(*p) ? *p - '0' : 16u);
        if (digit >= base) break;
        gotDigit = true;
        if (!overflow) {
            if (magnitude > (limit - digit) / base) {
                overflow = true;
            } else {
                magnitude = magnitude * base + digit;
            }
        }
    }
    if (!gotDigit) return nullptr;
    out.magnitude = magnitude;
    out.overflow = overflow;
    return p;
}

// strtol of a 64-bit long, then the low 32 bits.
int32_t SignedValue(const CollectedInteger& n) noexcept {
    const uint64_t maxLong = uint64_t{1} << 63;  // magnitude of LONG_MIN
    uint64_t bits;
    if (n.negative) {
        bits = (n.overflow || n.magnitude > maxLong) ? maxLong : uint64_t{0} - n.magnitude;
    } else {
        bits = (n.overflow || n.magnitude > maxLong - 1) ? maxLong - 1 : n.magnitude;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(bits));
}

// strtoul of a 64-bit unsigned long, then the low 32 bits.
uint32_t UnsignedValue(const CollectedInteger& n) noexcept {
    if (n.overflow) return 0xFFFFFFFFu;
    const uint64_t bits = n.negative ? uint64_t{0} - n.magnitude : n.magnitude;
    return static_cast<uint32_t>(bits);
}

locale_t CLocale() noexcept {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return c;
}

// Whether p begins with word (lower case), compared without regard to case.
inline bool StartsWithNoCase(const unsigned char* p, const char* word) noexcept {
    for (; *word != 0; ++p, ++word) {
        if (Lower(*p) != static_cast<unsigned char>(*word)) return false;
    }
    return true;
}

// Powers of ten that are exact doubles, for the short decimal fast path.
constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Reads a real at p (white space already skipped, p not at the end). Returns
// the byte after the text the C library's scan consumes, or null when the
// conversion fails.
//
// The consumed text follows the scanner's own grammar, which takes a little
// more than strtod does ("1e", "1e+" and "0x." are consumed whole, though the
// value is that of "1" and "0"); the value is strtod's for that text, which is
// the same as strtod's of the whole item from the same start.
const unsigned char* CollectReal(const unsigned char* p, double& value) noexcept {
    const unsigned char* const start = p;
    bool negative = false;
    if (*p == '-' || *p == '+') {
        negative = *p == '-';
        ++p;
        if (*p == 0) return nullptr;
    }
    const unsigned char first = Lower(*p);
    if (first == 'n') {
        // "nan" is taken alone; a following "(chars)" is not part of it.
        if (!StartsWithNoCase(p, "nan")) return nullptr;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        value = negative ? -nan : nan;
        return p + 3;
    }
    if (first == 'i') {
        // "inf", or "infinity" in full once its fourth letter is there.
        if (!StartsWithNoCase(p, "inf")) return nullptr;
        p += 3;
        if (Lower(*p) == 'i') {
            if (!StartsWithNoCase(p, "inity")) return nullptr;
            p += 5;
        }
        const double inf = std::numeric_limits<double>::infinity();
        value = negative ? -inf : inf;
        return p;
    }

    const unsigned char* const body = p;
    bool hex = false;
    bool gotDigit = false;
    bool gotDot = false;
    bool gotExponent = false;
    unsigned char exponentChar = 'e';
    // Decimal digits so far (while there is no exponent) for the fast path.
    uint64_t mantissa = 0;
    uint32_t digits = 0;
    uint32_t fraction = 0;
    if (*p == '0') {
        ++p;
        if (Lower(*p) == 'x') {
            hex = true;
            exponentChar = 'p';
            ++p;
        } else {
            gotDigit = true;
            digits = 1;
        }
    }
    for (;; ++p) {
        const unsigned char c = *p;
        if (IsDigit(c)) {
            gotDigit = true;
            if (!gotExponent && digits <= 15) {
                mantissa = mantissa * 10 + (c - '0');
                ++digits;
                if (gotDot) ++fraction;
            }
        } else if (hex && !gotExponent && HexDigitValue(c) != 16) {
            gotDigit = true;
        } else if (gotExponent && Lower(p[-1]) == exponentChar && (c == '-' || c == '+')) {
            // the exponent's sign
        } else if (gotDigit && !gotExponent && Lower(c) == exponentChar) {
            gotExponent = true;
            gotDot = true;
        } else if (!gotDot && c == '.') {
            gotDot = true;
        } else {
            break;
        }
    }
    // Nothing after the sign, or a hexadecimal prefix alone.
    if (p == body || (hex && p == body + 2)) return nullptr;

    if (!hex && !gotExponent && gotDigit && digits <= 15) {
        // At most 15 digits and no exponent: the digits and the power of ten
        // are exact doubles, so one correctly rounded division gives exactly
        // what strtod gives.
        double v = static_cast<double>(mantissa);
        if (fraction != 0) v /= kExactPowersOfTen[fraction];
        value = negative ? -v : v;
        return p;
    }
    char* end = nullptr;
    const double v = strtod_l(reinterpret_cast<const char*>(start), &end, CLocale());
    if (reinterpret_cast<const unsigned char*>(end) == start) return nullptr;  // ".", "-.e1"
    value = v;
    return p;
}

// The single-item scans: sscanf(item, conversion, &value) == 1.
template <bool Hex>
inline const unsigned char* ScanIntegerItem(const char* item, CollectedInteger& n) noexcept {
    const unsigned char* p = SkipBlanks(reinterpret_cast<const unsigned char*>(item));
    if (*p == 0) return nullptr;
    return CollectInteger(p, Hex, n);
}

}  // namespace

bool ScanInt(const char* item, int32_t& value) noexcept {
    CollectedInteger n;
    if (ScanIntegerItem<false>(item, n) == nullptr) return false;
    value = SignedValue(n);
    return true;
}

bool ScanUnsigned(const char* item, uint32_t& value) noexcept {
    CollectedInteger n;
    if (ScanIntegerItem<false>(item, n) == nullptr) return false;
    value = UnsignedValue(n);
    return true;
}

bool ScanHex(const char* item, uint32_t& value) noexcept {
    CollectedInteger n;
    if (ScanIntegerItem<true>(item, n) == nullptr) return false;
    value = UnsignedValue(n);
    return true;
}

bool ScanReal(const char* item, double& value) noexcept {
    const unsigned char* p = SkipBlanks(reinterpret_cast<const unsigned char*>(item));
    if (*p == 0) return false;
    return CollectReal(p, value) != nullptr;
}

bool ScanFiniteReal(const char* item, double& value) noexcept {
    double read;
    if (!ScanReal(item, read) || !std::isfinite(read)) return false;
    value = read;
    return true;
}

int32_t ScanFormat(const char* item, const char* format, std::initializer_list<ScanSlot> slots) noexcept {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(item);
    const unsigned char* f = reinterpret_cast<const unsigned char*>(format);
    const ScanSlot* slot = slots.begin();
    int32_t done = 0;
    // The item ran out where input was needed: -1 before the first conversion.
    const int32_t inputFailure = -1;

    while (*f != 0) {
        if (IsBlank(*f)) {
            while (IsBlank(*f)) ++f;
            p = SkipBlanks(p);
            continue;
        }
        if (*f != '%') {
            if (*p == 0) return done == 0 ? inputFailure : done;
            if (*p != *f) return done;
            ++p;
            ++f;
            continue;
        }
        ++f;
        bool isLong = false;
        if (*f == 'l') {
            isLong = true;
            ++f;
        }
        ScanSlot::Kind kind = ScanSlot::kInt;
        bool hex = false;
        switch (*f) {
        case 'd':
            if (isLong) return done;
            kind = ScanSlot::kInt;
            break;
        case 'u':
            kind = ScanSlot::kUnsigned;
            break;
        case 'x':
        case 'X':
            if (isLong) return done;
            kind = ScanSlot::kUnsigned;
            hex = true;
            break;
        case 'f':
            if (!isLong) return done;
            kind = ScanSlot::kReal;
            break;
        default:
            return done;
        }
        ++f;
        if (slot == slots.end() || slot->GetKind() != kind) return done;

        p = SkipBlanks(p);
        if (*p == 0) return done == 0 ? inputFailure : done;
        if (kind == ScanSlot::kReal) {
            double v = 0;
            const unsigned char* next = CollectReal(p, v);
            if (next == nullptr) return done;
            *slot->GetReal() = v;
            p = next;
        } else {
            CollectedInteger n;
            const unsigned char* next = CollectInteger(p, hex, n);
            if (next == nullptr) return done;
            if (kind == ScanSlot::kInt) {
                *slot->GetInt() = SignedValue(n);
            } else {
                *slot->GetUnsigned() = UnsignedValue(n);
            }
            p = next;
        }
        ++slot;
        ++done;
    }
    return done;
}
