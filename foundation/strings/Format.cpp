// The format text is walked once. Runs of ordinary text (code page 932: a lead
// byte always takes the byte after it, so a trail byte never starts a
// directive) are copied with one append each. A directive is parsed
// into flags, width, precision and length; text arguments and "%n" are handled
// here, every numeric conversion is produced by the platform's locale-free
// printf into a stack buffer and then, for "F", cut after its last significant
// decimal, and for the grouping flag, widened with separators and fill on its
// way into the target. The target is written in place: no temporary string.
//
// A directive that does not end in a known conversion letter is dropped
// without output and without using an argument, and scanning resumes at the
// offending character, which is then ordinary text.
#include "foundation/strings/Format.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/NumberFormat.h"

namespace {

using platform::NumberSpec;

// Width and precision: "*" values are capped at kStarLimit; a further digit is
// accepted only while the value read so far is below kDigitLimit, so written
// values stay at most 399. Either way every piece fits the work buffer.
constexpr int64_t kStarLimit = 400;
constexpr int32_t kDigitLimit = 40;
constexpr size_t kWorkSize = 1024;

inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool IsHexDigit(unsigned char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A byte count for Reserve. Sums are made in 64 bits; a sum that does not fit
// becomes the largest request, which Reserve refuses by throwing as usual.
inline uint32_t ReserveSize(uint64_t n) { return n > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(n); }

template <unsigned N>
class Formatter {
public:
    Formatter(CStr_base<N>& target, const FormatArg* args, uint32_t count)
        : target_(target), args_(args), count_(count) {}

    void Run(const char* fmt);

private:
    struct Spec {
        NumberSpec number;   // what the C runtime receives (grouping removes the width)
        bool group = false;  // "'" or ","
        int32_t width = -1;
        int32_t precision = -1;  // -1 also for a "." without digits
    };

    FormatArg NextArg() { return next_ < count_ ? args_[next_++] : FormatArg{}; }

    static int32_t StarValue(FormatArg arg) {
        int64_t v = arg.AsInt32();
        if (v < 0) v = -v;
        return static_cast<int32_t>(v < kStarLimit ? v : kStarLimit);
    }

    // A width or precision at q: "*" takes an argument, digits are read while the
    // value is below kDigitLimit; -1 when there is neither. q moves past what was
    // read.
    int32_t ReadCount(const unsigned char*& q) {
        if (*q == '*') {
            ++q;
            return StarValue(NextArg());
        }
        if (!IsDigit(*q)) return -1;
        int32_t value = 0;
        while (IsDigit(*q) && value < kDigitLimit) value = value * 10 + (*q++ - '0');
        return value;
    }

    // Room for n more bytes at the end of the text (and two beyond, by the
    // writers' rule); returns where they go.
    char* Room(uint64_t n) {
        target_.Reserve(ReserveSize(static_cast<uint64_t>(target_.GetLength()) + n + 2));
        return target_.GetBuffer() + target_.GetLength();
    }
    void Commit(size_t n) { target_.SetLength(target_.GetLength() + static_cast<int32_t>(n)); }

    void AppendLiteral(const char* text, size_t n);
    void AppendText(const Spec& spec, const char* text);
    void AppendGrouped(const Spec& spec, const char* piece, size_t n, bool floating, bool hex);
    void AppendNumber(const Spec& spec, char conversion, FormatArg arg);

    CStr_base<N>& target_;
    const FormatArg* args_;
    uint32_t count_;
    uint32_t next_ = 0;
};

// Ordinary text grows the string the way appending it byte by byte would: one
// growth step at a time, so the capacity does not depend on how the text was cut
// into runs.
template <unsigned N>
void Formatter<N>::AppendLiteral(const char* text, size_t n) {
    const uint64_t need = static_cast<uint64_t>(target_.GetLength()) + n + 2;
    while (target_.GetCapacity() < need) target_.Reserve(target_.GetCapacity() + 1);
    std::memcpy(target_.GetBuffer() + target_.GetLength(), text, n);
    Commit(n);
}

template <unsigned N>
void Formatter<N>::AppendText(const Spec& spec, const char* text) {
    if (!text) text = "(null)";
    const size_t length = std::strlen(text);
    if (spec.width > 0 && static_cast<size_t>(spec.width) > length) {
        const size_t width = static_cast<size_t>(spec.width);
        char* out = Room(width);
        if (spec.number.flags & NumberSpec::kLeft) {
            std::memcpy(out, text, length);
            std::memset(out + length, ' ', width - length);
        } else {
            std::memset(out, (spec.number.flags & NumberSpec::kZero) ? '0' : ' ', width - length);
            std::memcpy(out + width - length, text, length);
        }
        Commit(width);
    } else if (spec.precision >= 0 && static_cast<size_t>(spec.precision) < length) {
        target_.AppendN(text, spec.precision);  // never splits a double-byte character
    } else {
        char* out = Room(length);
        std::memcpy(out, text, length);
        Commit(length);
    }
}

// Separators between groups of three digits of the digit run (the digits that
// end the piece, or for floating conversions the digits just before the first
// "."), fill in front of everything up to the width.
template <unsigned N>
void Formatter<N>::AppendGrouped(const Spec& spec, const char* piece, size_t n, bool floating, bool hex) {
    size_t runEnd = n;
    if (floating) {
        if (const void* dot = std::memchr(piece, '.', n)) runEnd = static_cast<size_t>(static_cast<const char*>(dot) - piece);
    }
    size_t runStart = runEnd;
    while (runStart > 0) {
        const unsigned char c = static_cast<unsigned char>(piece[runStart - 1]);
        if (!(hex ? IsHexDigit(c) : IsDigit(c))) break;
        --runStart;
    }
    const size_t digits = runEnd - runStart;
    const size_t separators = digits > 0 ? (digits - 1) / 3 : 0;
    const size_t body = n + separators;
    const size_t fill = spec.width > 0 && static_cast<size_t>(spec.width) > body ? static_cast<size_t>(spec.width) - body : 0;

    char* out = Room(fill + body);
    std::memset(out, (spec.number.flags & NumberSpec::kZero) ? '0' : ' ', fill);
    out += fill;
    std::memcpy(out, piece, runStart);
    out += runStart;
    const size_t head = digits - 3 * separators;
    std::memcpy(out, piece + runStart, head);
    out += head;
    for (const char* d = piece + runStart + head; d < piece + runEnd; d += 3) {
        *out++ = ',';
        std::memcpy(out, d, 3);
        out += 3;
    }
    std::memcpy(out, piece + runEnd, n - runEnd);
    Commit(fill + body);
}

template <unsigned N>
void Formatter<N>::AppendNumber(const Spec& spec, char conversion, FormatArg arg) {
    char work[kWorkSize];
    const bool floating = platform::IsFloatingConversion(conversion);
    NumberSpec number = spec.number;
    number.conversion = conversion == 'F' ? 'f' : conversion;
    size_t n = floating ? platform::FormatDouble(work, sizeof work, number, arg.AsDouble())
                        : platform::FormatInteger(work, sizeof work, number, arg.AsUInt64());
    if (n >= sizeof work) n = sizeof work - 1;  // cannot happen within the caps

    if (conversion == 'c') {
        // A NUL character ends the text, as every writer stops at a NUL.
        if (const void* nul = std::memchr(work, '\0', n)) n = static_cast<size_t>(static_cast<const char*>(nul) - work);
    } else if (conversion == 'F') {
        // Cut after the last character other than "0" from the "." on, and the
        // "." itself when only zeros follow it. Done after the width was applied.
        if (const void* found = std::memchr(work, '.', n)) {
            const size_t dot = static_cast<size_t>(static_cast<const char*>(found) - work);
            while (n > dot + 1 && work[n - 1] == '0') --n;
            if (n == dot + 1) n = dot;
        }
    }

    if (spec.group && conversion != 'c' && conversion != 'p') {
        const bool hex = conversion == 'o' || conversion == 'u' || conversion == 'x' || conversion == 'X';
        AppendGrouped(spec, work, n, floating, hex);
        return;
    }
    char* out = Room(n);
    std::memcpy(out, work, n);
    Commit(n);
}

template <unsigned N>
void Formatter<N>::Run(const char* fmt) {
    target_.Reserve(2);
    target_.SetLength(0);
    if (!fmt) return;

    const unsigned char* p = reinterpret_cast<const unsigned char*>(fmt);
    for (;;) {
        const unsigned char* run = p;
        for (;;) {
            const unsigned char c = *p;
            if (c == 0 || c == '%') break;
            p += IsCp932Lead(c) && p[1] != 0 ? 2 : 1;
        }
        if (p != run) AppendLiteral(reinterpret_cast<const char*>(run), static_cast<size_t>(p - run));
        if (*p == 0) return;
        if (p[1] == '%') {
            AppendLiteral("%", 1);
            p += 2;
            continue;
        }

        const uint32_t firstArg = next_;
        const unsigned char* q = p + 1;
        Spec spec;
        uint8_t flags = 0;
        for (;; ++q) {
            switch (*q) {
            case '-': flags |= NumberSpec::kLeft; continue;
            case '+': flags |= NumberSpec::kPlus; continue;
            case ' ': flags |= NumberSpec::kSpace; continue;
            case '#': flags |= NumberSpec::kAlternate; continue;
            case '0': flags |= NumberSpec::kZero; continue;
            case '\'':
            case ',': spec.group = true; continue;
            default: break;
            }
            break;
        }
        spec.width = ReadCount(q);
        int32_t passedPrecision = -1;
        if (*q == '.') {
            ++q;
            passedPrecision = 0;  // "." alone is precision 0 for numbers, none for "s"
            spec.precision = ReadCount(q);
            if (spec.precision >= 0) passedPrecision = spec.precision;
        }
        NumberSpec::Length length = NumberSpec::kDefault;
        if (*q == 'h') {
            length = NumberSpec::kShort;
            ++q;
        } else if (*q == 'l') {
            ++q;  // a 32-bit "long"
        } else if (q[0] == 'I' && q[1] == '6' && q[2] == '4') {
            length = NumberSpec::kLong64;
            q += 3;
        }

        spec.number.flags = flags;
        spec.number.length = length;
        spec.number.width = spec.group ? -1 : spec.width;
        spec.number.precision = passedPrecision;

        const char conversion = static_cast<char>(*q);
        switch (conversion) {
        case 'c':
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
        case 'p':
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
            AppendNumber(spec, conversion, NextArg());
            break;
        case 's':
            AppendText(spec, static_cast<const char*>(NextArg().AsPointer()));
            break;
        case 'n':
            if (void* where = const_cast<void*>(NextArg().AsPointer())) {
                const int32_t produced = target_.GetLength();
                std::memcpy(where, &produced, sizeof produced);
            }
            break;
        default:
            // Not a directive: drop it, give back what "*" took, and go on
            // with the offending character as ordinary text.
            next_ = firstArg;
            p = q;
            continue;
        }
        p = q + 1;
    }
}

}  // namespace

template <unsigned N>
void FormatInto(CStr_base<N>& target, const char* fmt, const FormatArg* args, uint32_t count) {
    // The format or a text argument may lie in the target's own buffer, which
    // the call empties at once and may move when it grows: format into a fresh
    // string then, and hand its buffer over.
    if (target.GetCapacity() != 0) {
        const char* buffer = target.GetText();
        const uint32_t size = target.GetCapacity();
        bool inside = detail::PointsInto(fmt, buffer, size);
        for (uint32_t i = 0; i < count && !inside; ++i) inside = detail::PointsInto(args[i].AsPointer(), buffer, size);
        if (inside) {
            CStr_base<N> fresh;
            Formatter<N>(fresh, args, count).Run(fmt);
            target = std::move(fresh);
            return;
        }
    }
    Formatter<N>(target, args, count).Run(fmt);
}

template void FormatInto<64>(CStr_base<64>&, const char*, const FormatArg*, uint32_t);
template void FormatInto<1024>(CStr_base<1024>&, const char*, const FormatArg*, uint32_t);
template void FormatInto<16384>(CStr_base<16384>&, const char*, const FormatArg*, uint32_t);
