#pragma once
// One numeric conversion of printf, written into a caller buffer, independent of
// the C locale (the GUI toolkit may set LC_NUMERIC; a decimal comma must never
// reach a document or a settings file).
//
// The conversion is described by a parsed directive rather than by format
// text, so the caller decides once what a length modifier means: the system's
// "l" is 32-bit and its "I64" 64-bit, which glibc spells differently. Integer
// conversions are produced here directly (they are the hot path of every writer);
// floating conversions go through the C runtime under a cached "C" locale.
// Results are the bytes glibc's snprintf gives for the same conversion, except
// "p", which prints the address as 16 upper-case hexadecimal digits without "0x".
#include <cstddef>
#include <cstdint>

namespace platform {

struct NumberSpec {
    enum : uint8_t {
        kLeft = 1,       // "-"
        kPlus = 2,       // "+"
        kSpace = 4,      // " "
        kAlternate = 8,  // "#"
        kZero = 16,      // "0"
    };
    enum Length : uint8_t {
        kDefault = 0,  // 32-bit integer (also the system's "l")
        kShort = 1,    // "h": the value is narrowed to 16 bits
        kLong64 = 2,   // "I64": 64-bit integer
    };

    uint8_t flags = 0;
    Length length = kDefault;
    char conversion = 'd';  // c d i o u x X p, or e E f F g G for FormatDouble
    int32_t width = -1;      // -1: none
    int32_t precision = -1;  // -1: none
};

// True for the conversions FormatDouble takes: e, E, f, F, g, G.
constexpr bool IsFloatingConversion(char conversion) noexcept {
    switch (conversion) {
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
        return true;
    default:
        return false;
    }
}

// Integer conversions c, d, i, o, u, x, X and p. `bits` holds the argument's
// 64-bit slot; it is read as the conversion and the length say (d and i read
// it signed, 32-bit unless kLong64, p reads all 64 bits).
//
// Writes at most capacity - 1 bytes and a terminating NUL (nothing when
// capacity is 0) and returns the length of the whole conversion, as snprintf
// does; a return value of capacity or more means the output was cut.
size_t FormatInteger(char* out, size_t capacity, const NumberSpec& spec, uint64_t bits);

// Floating conversions e, E, f, F, g, G; same buffer contract as FormatInteger.
size_t FormatDouble(char* out, size_t capacity, const NumberSpec& spec, double value);

}  // namespace platform
